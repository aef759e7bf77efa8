// The send/receive scheduler with a clock the test moves: which run each tick starts
// (reserved mails at the ten-minute marks, resends 600 s apart, split portions at the next
// tick, periodic receive after its interval), the dial-up time window across midnight, the
// guard that stops a run when the window ends, and the starters.
#include <gtest/gtest.h>

#include "app/sendrecv/comm_net.h"
#include "platform/notifier.h"
#include "app/sendrecv/tests/send_receive_fixture.h"

namespace {
namespace comm_net_test {

using namespace srtest;

class CommNetTest : public SendReceiveEnvTest {
protected:
    // A scheduler started at `start`.
    std::unique_ptr<CCommNet> Scheduler(std::time_t start) {
        now_ = start;
        return std::make_unique<CCommNet>(Rules(), launcher_);
    }
    // Ticks at `when` and gives the modes it launched.
    std::vector<int> TickAt(CCommNet& scheduler, std::time_t when) {
        now_ = when;
        scheduler.SchedulerTick();
        return launcher_.TakeModes();
    }
    FakeLauncher launcher_;
};

using Modes = std::vector<int>;

struct Tick {
    int hour, minute, second;
    Modes modes;
};

// Each case starts the scheduler at 10:00 on 2024-05-10 and ticks at the given times.
struct ScheduleCase {
    const char* name;
    std::function<void()> setUp;
    std::vector<Tick> ticks;
};

TEST_F(CommNetTest, TicksStartTheRunThatIsDue) {
    const auto at = [](int h, int m, int s = 0) { return At(2024, 5, 10, h, m, s); };
    const ScheduleCase cases[] = {
        {"a reserved mail waits for the next ten-minute mark, and resends are 600 s apart",
         [&] { Reserved("W", at(10, 7)); },
         {{10, 7, 0, {}}, {10, 9, 50, {}}, {10, 10, 0, {4}}, {10, 10, 10, {}}, {10, 19, 50, {}}, {10, 20, 0, {4}}}},
        {"interrupted and resend-waiting mails too; drafts, sent and future mails never",
         [&] {
             Reserved("D", at(9, 0));
             Reserved("C", at(9, 0));
             Reserved("W", at(10, 30));
             Reserved("R", at(10, 25));
         },
         {{10, 10, 0, {}}, {10, 20, 0, {}}, {10, 30, 0, {4}}}},
        {"a split portion goes at the first tick once due; one its run left as it was waits for the mark",
         [&] { Reserved("B", at(10, 3, 30)); },
         {{10, 3, 20, {}}, {10, 3, 30, {6}}, {10, 3, 40, {}}, {10, 9, 50, {}}, {10, 10, 0, {4}}}},
        {"periodic receive after its interval from the start, then from the last run",
         [&] {
             SetOption(96, "Y");
             SetOption(97, "5");
         },
         {{10, 4, 50, {}}, {10, 5, 0, {7}}, {10, 5, 10, {}}, {10, 10, 0, {7}}}},
        {"periodic receive with a split portion due receives and sends",
         [&] {
             SetOption(96, "Y");
             SetOption(97, "5");
             Reserved("B", at(10, 5));
         },
         {{10, 5, 0, {4}}}},
        {"the resend at a ten-minute mark counts as the periodic run",
         [&] {
             SetOption(96, "Y");
             SetOption(97, "10");
             Reserved("W", at(10, 1));
         },
         {{10, 10, 0, {4}}, {10, 15, 0, {}}, {10, 20, 0, {4}}}},
        {"periodic receive with an interval below a minute is off",
         [&] {
             SetOption(96, "Y");
             SetOption(97, "0");
         },
         {{10, 0, 10, {}}, {10, 30, 0, {}}}},
        {"dial-up window 22:00-06:00 crosses midnight: 12:05 and 21:59:50 outside, 23:05 inside",
         [&] {
             Window("Y", 22, 0, 6, 0);
             Reserved("B", at(9, 0));
         },
         {{12, 5, 0, {}}, {21, 59, 50, {}}, {23, 5, 0, {6}}}},
        {"dial-up window 22:00-06:00: 05:05 inside, the 06:00 mark outside",
         [&] {
             Window("Y", 22, 0, 6, 0);
             Reserved("B", at(9, 0));
         },
         {{6, 0, 0, {}}, {5, 5, 0, {6}}}},
        {"dial-up window 22:00-06:00: at its first ten-minute mark a due split portion goes as a resend",
         [&] {
             Window("Y", 22, 0, 6, 0);
             Reserved("B", at(9, 0));
         },
         {{22, 0, 0, {4}}}},
        {"a window whose start equals its end is always closed",
         [&] {
             Window("Y", 9, 0, 9, 0);
             Reserved("B", at(8, 0));
         },
         {{12, 0, 0, {}}, {12, 5, 0, {}}, {3, 0, 0, {}}}},
        {"the window switched off lets dial-up runs start at any time",
         [&] {
             Window("N", 9, 0, 9, 0);
             Reserved("B", at(8, 0));
         },
         {{3, 5, 0, {6}}}},
    };
    for (const ScheduleCase& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.setUp();
        auto scheduler = Scheduler(T(2024, 5, 10, 10, 0));
        for (const Tick& tick : c.ticks) {
            // Ticks before the start's hour fall on the next day.
            const int day = tick.hour < 10 ? 11 : 10;
            EXPECT_EQ(TickAt(*scheduler, T(2024, 5, day, tick.hour, tick.minute, tick.second)), tick.modes)
                << tick.hour << ":" << tick.minute << ":" << tick.second;
        }
    }
}

TEST_F(CommNetTest, NothingStartsWhileARunIsUnderWayPausedStoppedOrInactive) {
    Reserved("B", At(2024, 5, 10, 9, 0, 0));
    auto scheduler = Scheduler(T(2024, 5, 10, 10, 0));
    launcher_.running = true;
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 10, 1)), Modes{});
    for (auto start : {&CCommNet::StartSendReceive, &CCommNet::StartReceive, &CCommNet::StartManualSend,
                       &CCommNet::StartAutoSendReceive, &CCommNet::StartSendSelectedMail, &CCommNet::StartScheduledSend,
                       &CCommNet::StartAutoReceive})
        EXPECT_EQ(((*scheduler).*start)(), 0);
    EXPECT_TRUE(launcher_.launches.empty());
    launcher_.running = false;

    scheduler->SetEnabled(false);
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 10, 2)), Modes{});
    {
        // The screens' pause turns it on again at its end.
        shell::ScopedSchedulerPause pause([&] { return scheduler.get(); });
    }
    EXPECT_TRUE(scheduler->IsEnabled());
    scheduler->SetActiveCheck([] { return false; });
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 10, 3)), Modes{});
    scheduler->SetActiveCheck({});
    EXPECT_EQ(scheduler->Stop(), 1);
    EXPECT_FALSE(scheduler->IsStarted());
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 10, 4)), Modes{});
    EXPECT_EQ(scheduler->Start(), 1);
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 10, 5)), Modes{6});
}

TEST_F(CommNetTest, PeriodicReceiveFollowsTheOptionsAtStartAndTheTimerCommand) {
    auto scheduler = Scheduler(T(2024, 5, 10, 10, 0));
    EXPECT_EQ(scheduler->PeriodicReceiveMinutes(), 0);
    // Options changed later count from the next Start; Start on a running timer keeps it.
    SetOption(96, "Y");
    SetOption(97, "15");
    now_ = T(2024, 5, 10, 10, 30);
    EXPECT_EQ(scheduler->Start(), 1);
    EXPECT_EQ(scheduler->PeriodicReceiveMinutes(), 0);
    scheduler->Stop();
    EXPECT_EQ(scheduler->Start(), 1);
    EXPECT_EQ(scheduler->PeriodicReceiveMinutes(), 15);
    EXPECT_EQ(scheduler->LastPeriodicRun(), T(2024, 5, 10, 10, 30));
    EXPECT_EQ(scheduler->LastResendRun(), 0);
    now_ = T(2024, 5, 10, 10, 40);
    scheduler->SetPeriodicReceive(3);
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 10, 42, 50)), Modes{});
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 10, 43)), Modes{7});
    scheduler->SetPeriodicReceive(0);
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 11, 43)), Modes{});
}

TEST_F(CommNetTest, AClockSetBackHoldsNoReservedMailOrReceiveBack) {
    SetOption(96, "Y");
    SetOption(97, "15");
    const int sent = Reserved("W", At(2024, 5, 10, 12, 5, 0));
    auto scheduler = Scheduler(T(2024, 5, 10, 12, 0));
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 12, 10)), Modes{4});
    COneMailData m = Mail(sent);
    m.SetStatus("C", 0);
    ASSERT_EQ(mails_->SetMailData(m), 0);
    // The clock is set back an hour: the next tick receives (the last receive is in the
    // future), and a mail then reserved for 11:25 goes at the 11:30 mark, not after 12:20.
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 11, 10, 5)), Modes{7});
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 11, 20, 5)), Modes{});
    Reserved("W", At(2024, 5, 10, 11, 25, 0));
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 11, 30)), Modes{4});
    // From there on the spacing counts from the new clock's runs.
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 11, 30, 10)), Modes{});
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 11, 40)), Modes{4});
}

TEST_F(CommNetTest, SplitPortionsFollowTheDatesTheirRunsGiveThemAndNotEveryTick) {
    const int mail = Reserved("B", At(2024, 5, 10, 10, 1, 0));
    auto scheduler = Scheduler(T(2024, 5, 10, 10, 0));
    const auto setReserve = [&](int h, int m, int s) {
        COneMailData d = Mail(mail);
        d.SetDate(COneMailData::kReserveDate, At(2024, 5, 10, h, m, s), 0);
        ASSERT_EQ(mails_->SetMailData(d), 0);
    };
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 10, 1, 5)), Modes{6});
    // The part went out and the run gave the rest its time: it goes then.
    setReserve(10, 1, 30);
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 10, 1, 25)), Modes{});
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 10, 1, 35)), Modes{6});
    // That run could not reach the server: the date stays, and so does the mail until the
    // ten-minute mark, not a run every ten seconds.
    for (int s = 45; s < 60; s += 10) EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 10, 1, s)), Modes{});
    for (int m = 2; m < 10; ++m) EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 10, m, 5)), Modes{}) << m;
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 10, 10, 5)), Modes{4});
    // A new start (the program again) takes it up at once.
    scheduler.reset();
    scheduler = Scheduler(T(2024, 5, 10, 10, 12));
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 10, 12, 5)), Modes{6});
}

TEST_F(CommNetTest, GuardStopsARunWhenTheDialupWindowEnds) {
    Window("Y", 22, 0, 6, 0);
    Reserved("B", At(2024, 5, 10, 9, 0, 0));
    auto scheduler = Scheduler(T(2024, 5, 10, 21, 0));
    EXPECT_FALSE(scheduler->IsGuardStarted());
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 21, 50)), Modes{});
    EXPECT_FALSE(scheduler->IsGuardStarted());
    EXPECT_EQ(TickAt(*scheduler, T(2024, 5, 10, 23, 5)), Modes{6});
    EXPECT_TRUE(scheduler->IsGuardStarted());
    launcher_.running = true;
    now_ = T(2024, 5, 11, 5, 59, 59);
    scheduler->WindowGuardTick();
    EXPECT_EQ(launcher_.stops, 0);
    now_ = T(2024, 5, 11, 6, 0);
    scheduler->WindowGuardTick();
    EXPECT_EQ(launcher_.stops, 1);
    launcher_.running = false;
    scheduler->WindowGuardTick();
    EXPECT_EQ(launcher_.stops, 1);
}

TEST_F(CommNetTest, StartersLaunchTheirModesAndTheSendsLookForADueMailFirst) {
    auto scheduler = Scheduler(T(2024, 5, 10, 10, 0));
    EXPECT_EQ(scheduler->StartManualSend(), 1);
    EXPECT_EQ(scheduler->StartScheduledSend(), 1);
    EXPECT_TRUE(launcher_.launches.empty());
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.prompts()[0].text, U8("送信すべきメールが有りません"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("手動送信"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconInformation);

    Reserved("W", At(2024, 5, 10, 11, 0, 0));  // not due yet
    EXPECT_EQ(scheduler->StartManualSend(), 1);
    EXPECT_TRUE(launcher_.launches.empty());
    const int due = Reserved("I", At(2024, 5, 10, 9, 0, 0));
    scheduler->SetChosenMailId(due);
    EXPECT_EQ(scheduler->StartSendReceive(), 1);
    EXPECT_EQ(scheduler->StartReceive(), 1);
    EXPECT_EQ(scheduler->StartManualSend(), 1);
    EXPECT_EQ(scheduler->StartAutoSendReceive(), 1);
    EXPECT_EQ(scheduler->StartSendSelectedMail(), 1);
    EXPECT_EQ(scheduler->StartScheduledSend(), 1);
    EXPECT_EQ(scheduler->StartAutoReceive(), 1);
    const std::vector<std::pair<int, int>> expected = {{1, -1}, {2, -1}, {3, -1}, {4, -1}, {5, due}, {6, -1}, {7, -1}};
    EXPECT_EQ(launcher_.launches, expected);
    EXPECT_EQ(prompts_.prompts().size(), 3u);
}

TEST_F(CommNetTest, NextDueMailIsTheEarliestAndOfEqualDatesTheFirstListed) {
    const auto at = [](int h, int m) { return At(2024, 5, 10, h, m, 0); };
    now_ = T(2024, 5, 10, 12, 0);
    const CommNetRules rules = Rules();
    EXPECT_EQ(rules.GetNextDueMail(), -1);
    const int later = Reserved("W", at(11, 0));
    const int first = Reserved("R", at(9, 0));
    const int tie = Reserved("B", at(9, 0));
    Reserved("W", at(12, 1));  // future
    Reserved("A", at(8, 0));   // being sent
    Reserved("E", at(8, 0));
    const int interrupted = Reserved("I", at(10, 0));
    EXPECT_EQ(rules.GetNextDueMail(), first);
    EXPECT_EQ(rules.DueMailsInSendOrder(), (std::vector<int>{first, tie, interrupted, later}));
    std::vector<int> split;
    EXPECT_EQ(rules.CountDueMails(split, CommNetRules::kSplitWaitMask), 1);
    EXPECT_EQ(split, std::vector<int>{tie});
    // A reserve date that cannot be read is never due.
    COneMailData m = Mail(first);
    EXPECT_EQ(m.SetDate(COneMailData::kReserveDate, "someday", 0), COneMailData::kUnreadableReserveDate);
    ASSERT_EQ(mails_->SetMailData(m), 0);
    EXPECT_EQ(rules.GetNextDueMail(), tie);
}

TEST_F(CommNetTest, DialupWindowTable) {
    struct Case {
        const char* on;
        int from[2], to[2];
        int now[2];
        bool ignoreSwitch;
        bool inside;
    } cases[] = {
        {"Y", {22, 0}, {6, 0}, {23, 0}, false, true},    {"Y", {22, 0}, {6, 0}, {5, 0}, false, true},
        {"Y", {22, 0}, {6, 0}, {12, 0}, false, false},   {"Y", {22, 0}, {6, 0}, {22, 0}, false, true},
        {"Y", {22, 0}, {6, 0}, {6, 0}, false, false},    {"Y", {9, 0}, {17, 30}, {17, 29}, false, true},
        {"Y", {9, 0}, {17, 30}, {8, 59}, false, false},  {"Y", {9, 0}, {9, 0}, {9, 0}, false, false},
        {"N", {9, 0}, {9, 0}, {9, 0}, false, true},      {"N", {9, 0}, {9, 0}, {9, 0}, true, false},
        {"N", {22, 0}, {6, 0}, {12, 0}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.on << " " << c.from[0] << ":" << c.from[1] << "-" << c.to[0] << ":"
                                        << c.to[1] << " at " << c.now[0] << ":" << c.now[1]);
        Window(c.on, c.from[0], c.from[1], c.to[0], c.to[1]);
        now_ = T(2024, 12, 31, c.now[0], c.now[1]);
        EXPECT_EQ(Rules().IsInDialupWindow(c.ignoreSwitch), c.inside);
    }
}

}  // namespace comm_net_test
}  // namespace
