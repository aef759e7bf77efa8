// The run's worker over fakes of its parts: what each mode receives and sends, the states
// it walks through, the postponement of split sending (which always ends), the stops, and
// the dial-up line before and after the run.
#include <gtest/gtest.h>

#include "app/sendrecv/send_receive_worker.h"
#include "app/sendrecv/tests/send_receive_fixture.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/ini_manager.h"
#include "platform/notifier.h"

namespace {
namespace send_receive_worker_test {

using namespace srtest;

class WorkerTest : public SendReceiveEnvTest {
protected:
    void SetUp() override {
        SendReceiveEnvTest::SetUp();
        now_ = T(2024, 5, 10, 12, 0);
        SetOption(CommNetRules::kOptionDialupUsed, "N");
        SetOption(CDialupConnection::kOptionUseStoredLogin, "Y");
        SetOption(CDialupConnection::kOptionEntry, "office");
    }
    // Runs the worker of `mode` on this thread; `configure` may change the parts first.
    void Run(int mode, int chosen = -1, const std::function<void(SendReceiveRunParts&)>& configure = {}) {
        parts_ = SendReceiveRunParts();
        parts_.rules = Rules();
        auto receiver = std::make_unique<FakeReceiver>();
        receiver_ = receiver.get();
        parts_.receiver = std::move(receiver);
        auto sender = std::make_unique<FakeSender>(mails_.get());
        sender_ = sender.get();
        parts_.sender = std::move(sender);
        parts_.dialup = std::make_unique<CDialupConnection>(parts_.rules, provider_);
        parts_.iniFile = env_layout::EnvIniFile(*env_);
        if (configure) configure(parts_);
        observer_ = std::make_unique<RecordingRunObserver>();
        SendReceiveWorker::Settings settings;
        settings.mode = mode;
        settings.chosenMailId = chosen;
        settings.showReceiveResults = [this] { ++resultsShown_; };
        SendReceiveWorker(parts_, flags_, *observer_, settings).Run();
    }
    QStringList States() { return observer_->Of("state"); }
    QStringList Statuses() { return observer_->Of("status"); }

    FakeDialupProvider provider_;
    SendReceiveRunParts parts_;
    RunFlags flags_;
    FakeReceiver* receiver_ = nullptr;
    FakeSender* sender_ = nullptr;
    std::unique_ptr<RecordingRunObserver> observer_;
    int resultsShown_ = 0;
};

TEST_F(WorkerTest, EachModeReceivesOrLogsInAndSendsAsItShould) {
    struct Case {
        int mode;
        int receives, logins;
        bool sends;
        QStringList states;
    } cases[] = {
        {1, 1, 0, true, {"15", "11", "13"}}, {2, 1, 0, false, {"15", "11"}}, {3, 0, 1, true, {"15", "12", "13"}},
        {4, 1, 0, true, {"14", "11", "13"}}, {5, 0, 1, true, {"15", "12", "13"}}, {6, 0, 1, true, {"15", "12", "13"}},
        {7, 1, 0, false, {"15", "11"}},      {0, 0, 0, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode);
        TearDown();
        SetUp();
        resultsShown_ = 0;
        CIniManager::WriteProfileStringA(env_layout::EnvIniFile(*env_), "POPINFO", "LAST_UID", "uid-3");
        const int early = Due("W", 9, 0);
        const int late = Due("I", 11, 0);
        const int chosen = AddMail("D");
        Run(c.mode, chosen);
        EXPECT_EQ(receiver_->receives.load(), c.receives);
        EXPECT_EQ(receiver_->logins.load(), c.logins);
        std::vector<int> expected;
        if (c.sends) expected = c.mode == 5 ? std::vector<int>{chosen} : std::vector<int>{early, late};
        EXPECT_EQ(sender_->Sent(), expected);
        EXPECT_EQ(States(), c.states);
        EXPECT_EQ(observer_->Of("started").size(), 1);
        EXPECT_EQ(observer_->Of("finished").size(), 1);
        EXPECT_EQ(sender_->finished.load(), 1);
        EXPECT_EQ(resultsShown_, c.receives);
        if (c.receives) {
            // The receive run went on from LAST_UID, and its new one was written back.
            EXPECT_EQ(receiver_->seenLastUid, "uid-3");
            EXPECT_EQ(ReadLastUid(env_layout::EnvIniFile(*env_)), "uid-9");
        }
        if (c.sends) {
            // The ini's settings were given to the send, written back as used.
            EXPECT_EQ(sender_->split, 0);
            EXPECT_EQ(sender_->delay, 0);
            EXPECT_EQ(sender_->timeouts, (std::pair<int, int>{60000, 60000}));
        }
    }
}

TEST_F(WorkerTest, FailedReceiveOrLoginSendsNothingButSkippedMessagesDoNotStopIt) {
    struct Case {
        int mode;
        int receiveResult, loginResult;
        bool sends;
    } cases[] = {
        {3, 0, -301, false}, {5, 0, 1, false}, {6, 0, 2, false}, {1, -1, 0, false}, {4, 1, 0, false}, {4, -2, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " receive " << c.receiveResult << " login "
                                        << c.loginResult);
        TearDown();
        SetUp();
        const int due = Due("W", 9, 0);
        Run(c.mode, due, [&](SendReceiveRunParts&) {
            receiver_->receiveResult = c.receiveResult;
            receiver_->loginResult = c.loginResult;
        });
        EXPECT_EQ(sender_->Sent(), c.sends ? std::vector<int>{due} : std::vector<int>{});
        EXPECT_EQ(observer_->Of("finished").size(), 1);
    }
}

TEST_F(WorkerTest, SplitSendingPostponesEveryDueMailOnceTheFirstAsB) {
    SetOption(SendReceiveWorker::kOptionSplitOn, "Y");
    SetOption(SendReceiveWorker::kOptionSplitCount, "10");
    SetOption(SendReceiveWorker::kOptionSplitPause, "3600");
    for (bool failing : {false, true}) {
        SCOPED_TRACE(failing ? "the mail list cannot be written" : "written");
        TearDown();
        SetUp();
        SetOption(SendReceiveWorker::kOptionSplitOn, "Y");
        SetOption(SendReceiveWorker::kOptionSplitCount, "10");
        SetOption(SendReceiveWorker::kOptionSplitPause, "3600");
        const int first = Due("W", 9, 0);
        const int second = Due("R", 9, 10);
        const int third = Due("W", 9, 20);
        Run(6, -1, [&](SendReceiveRunParts&) {
            sender_->results[first] = -8;
            sender_->statusAfter[first] = "B";
            sender_->failReschedule = failing;
        });
        EXPECT_EQ(sender_->split, 10);
        EXPECT_EQ(sender_->Sent(), std::vector<int>{first});
        const std::vector<std::pair<int, std::string>> rescheduled = {{first, "B"}, {second, ""}, {third, ""}};
        EXPECT_EQ(sender_->rescheduled, rescheduled);
        EXPECT_EQ(Statuses().back(), U8("分割送信設定により送信を中断します"));
        if (!failing) {
            const platform::DateTime later = At(2024, 5, 10, 13, 0, 0);
            EXPECT_EQ(Mail(first).GetStatus(), "B");
            EXPECT_EQ(Mail(second).GetStatus(), "R");
            for (int id : {first, second, third}) EXPECT_EQ(Mail(id).GetReserveDate(), later) << id;
            EXPECT_EQ(Rules().GetNextDueMail(), -1);
        }
    }
}

TEST_F(WorkerTest, AFinishedSplitMailWithNothingElseDueIsNotToldAsInterrupted) {
    SetOption(SendReceiveWorker::kOptionSplitOn, "Y");
    SetOption(SendReceiveWorker::kOptionSplitCount, "10");
    SetOption(SendReceiveWorker::kOptionSplitPause, "60");
    const int last = Due("B", 9, 0);
    Run(6, -1, [&](SendReceiveRunParts&) {
        sender_->results[last] = -9;
        sender_->statusAfter[last] = "C";
    });
    EXPECT_TRUE(sender_->rescheduled.empty());
    EXPECT_FALSE(Statuses().contains(U8("分割送信設定により送信を中断します")));
    // Another mail due: it waits for its part, and the line says so.
    const int finished = Due("B", 9, 0);
    const int waiting = Due("W", 9, 10);
    Run(6, -1, [&](SendReceiveRunParts&) {
        sender_->results[finished] = -9;
        sender_->statusAfter[finished] = "C";
    });
    EXPECT_EQ(sender_->rescheduled, (std::vector<std::pair<int, std::string>>{{waiting, "B"}}));
    EXPECT_EQ(Statuses().back(), U8("分割送信設定により送信を中断します"));
}

TEST_F(WorkerTest, SplitSendingOfTheChosenMail) {
    SetOption(SendReceiveWorker::kOptionSplitOn, "Y");
    SetOption(SendReceiveWorker::kOptionSplitCount, "2");
    SetOption(SendReceiveWorker::kOptionSplitPause, "60");
    const int other = Due("W", 9, 0);
    const int chosen = AddMail("D");
    Run(5, chosen, [&](SendReceiveRunParts&) { sender_->results[chosen] = -9; });
    EXPECT_TRUE(sender_->rescheduled.empty());
    EXPECT_FALSE(Statuses().contains(U8("分割送信設定により送信を中断します")));
    Run(5, chosen, [&](SendReceiveRunParts&) { sender_->results[chosen] = -8; });
    EXPECT_EQ(sender_->rescheduled, (std::vector<std::pair<int, std::string>>{{chosen, "B"}}));
    EXPECT_EQ(Mail(chosen).GetReserveDate(), At(2024, 5, 10, 12, 1, 0));
    EXPECT_EQ(Mail(other).GetStatus(), "W");
}

TEST_F(WorkerTest, AMailIsTakenOnceARunAndResendsAreTold) {
    const int mail = Due("W", 9, 0);
    const int next = Due("W", 10, 0);
    // The resend time of the failed addresses has already come: the mail stays due.
    Run(3, -1, [&](SendReceiveRunParts&) { sender_->statusAfter[mail] = "R"; });
    EXPECT_EQ(sender_->Sent(), (std::vector<int>{mail, next}));
    EXPECT_TRUE(Statuses().contains(U8("送信に失敗したアドレスがあります\r\n個人情報を確認してください")));
    EXPECT_EQ(observer_->Of("mail"), QStringList({QString::number(mail), QString::number(next)}));
}

TEST_F(WorkerTest, AMailLeftForResendsSaysWhetherAddressesFailedOrWereOnlyPutOff) {
    const QString failed = U8("送信に失敗したアドレスがあります\r\n個人情報を確認してください");
    const QString putOff = U8("一時的に受け付けられなかったアドレスがあります\r\n次回の送信で送ります");
    struct Case {
        int failedCount, deferredCount;
        bool saysFailed;
    } cases[] = {{1, 0, true}, {0, 2, false}, {1, 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.failedCount << " failed, " << c.deferredCount << " put off");
        const int mail = Due("W", 9, 0);
        Run(5, mail, [&](SendReceiveRunParts&) {
            sender_->statusAfter[mail] = "R";
            sender_->failedCount = c.failedCount;
            sender_->deferredCount = c.deferredCount;
        });
        EXPECT_EQ(Statuses().contains(failed), c.saysFailed);
        EXPECT_EQ(Statuses().contains(putOff), !c.saysFailed);
    }
}

// A mail whose send did not end cleanly keeps no other due mail from its send, and the run
// ends as failed; only a server that could not be reached or refused the sender, which
// every mail would meet alike, ends the sending there.
TEST_F(WorkerTest, AMailThatFailsHoldsBackTheOthersOnlyWhenTheServerIsUnusable) {
    for (const bool unusable : {false, true}) {
        SCOPED_TRACE(unusable ? "server unusable" : "the mail's own trouble");
        TearDown();
        SetUp();
        const int first = Due("W", 9, 0);
        const int second = Due("W", 9, 0);
        Run(3, -1, [&](SendReceiveRunParts&) {
            sender_->results[first] = -1;
            sender_->statusAfter[first] = "W";
            if (unusable) sender_->unusable.insert(first);
        });
        EXPECT_EQ(sender_->Sent(), unusable ? std::vector<int>{first} : (std::vector<int>{first, second}));
        EXPECT_EQ(Mail(second).GetStatus(), unusable ? "W" : "C");
        EXPECT_EQ(observer_->Of("finished"), QStringList{QString::number(static_cast<int>(RunOutcome::kFailed))});
    }
}

TEST_F(WorkerTest, AStopBetweenMailsStartsNoFurtherMail) {
    const int first = Due("W", 9, 0);
    const int second = Due("W", 10, 0);
    Run(3, -1, [&](SendReceiveRunParts&) { sender_->onSend = [&](int) { flags_.cancel = 1; }; });
    EXPECT_EQ(sender_->Sent(), std::vector<int>{first});
    EXPECT_EQ(Mail(second).GetStatus(), "W");
    EXPECT_EQ(Statuses().back(), U8("キャンセルしました"));
}

TEST_F(WorkerTest, StopRoutesToThePartAtWorkByState) {
    struct Case {
        int state;
        bool windowEnded;
        int interrupts, cancels, windowEnds;
        bool dialAborted;
    } cases[] = {
        {11, false, 1, 0, 0, false}, {12, true, 1, 0, 0, false}, {13, false, 0, 1, 0, false},
        {13, true, 0, 0, 1, false},  {14, false, 0, 0, 0, true}, {15, true, 0, 0, 0, true},
        {10, false, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << c.state);
        SendReceiveRunParts parts;
        auto receiver = std::make_unique<FakeReceiver>();
        auto sender = std::make_unique<FakeSender>(mails_.get());
        FakeReceiver* r = receiver.get();
        FakeSender* s = sender.get();
        parts.receiver = std::move(receiver);
        parts.sender = std::move(sender);
        parts.dialup = std::make_unique<CDialupConnection>(Rules(), provider_);
        RouteStop(parts, c.state, c.windowEnded);
        EXPECT_EQ(r->interrupts.load(), c.interrupts);
        EXPECT_EQ(s->cancelled.load(), c.cancels);
        EXPECT_EQ(s->windowEnded.load(), c.windowEnds);
        EXPECT_EQ(parts.dialup->IsAborted(), c.dialAborted);
    }
}

TEST_F(WorkerTest, DialledLineIsHungUpAsTheModeAndTheUserSay) {
    SetOption(CommNetRules::kOptionDialupUsed, "Y");
    SetOption(CommNetRules::kOptionWindowOn, "N");
    struct Case {
        const char* name;
        int mode;
        const char* autoHangUp;
        std::vector<int> answers;  // dial question, hang-up question
        int hangUpResult;
        std::size_t hangUps;
        QStringList captions;
        QStringList lastStates;
    } cases[] = {
        {"manual run, hung up on Yes", 1, "N", {platform::kIdYes, platform::kIdYes}, 0, 1,
         {"ダイアルアップ接続", "ダイアルアップ切断確認"}, {"13", "15"}},
        {"manual run, kept on No", 2, "N", {platform::kIdYes, platform::kIdNo}, 0, 0,
         {"ダイアルアップ接続", "ダイアルアップ切断確認"}, {"11", "15"}},
        {"manual run, refused hang-up", 2, "N", {platform::kIdYes, platform::kIdYes}, 9, 1,
         {"ダイアルアップ接続", "ダイアルアップ切断確認", "ダイアルアップ切断失敗"}, {"11", "15"}},
        {"manual run, the user does not dial", 2, "N", {platform::kIdNo}, 0, 0, {"ダイアルアップ接続"}, {"15", "11"}},
        {"automatic run, hung up without a question", 4, "Y", {}, 0, 1, {}, {"13", "14"}},
        {"automatic run, kept when not to be hung up", 4, "N", {}, 0, 0, {}, {"14", "11", "13"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompts_.clear();
        provider_.hangUps.clear();
        provider_.hangUpResult = c.hangUpResult;
        SetOption(CommNetRules::kOptionAutoHangUp, c.autoHangUp);
        for (int a : c.answers) prompts_.Answer(a);
        Due("W", 9, 0);
        Run(c.mode);
        EXPECT_EQ(provider_.hangUps.size(), c.hangUps);
        QStringList captions;
        for (const auto& p : prompts_.prompts()) captions << p.caption;
        QStringList expected;
        for (const QString& e : c.captions) expected << U8(e.toUtf8().constData());
        EXPECT_EQ(captions, expected);
        EXPECT_EQ(States().mid(States().size() - c.lastStates.size()), c.lastStates);
        if (c.hangUpResult != 0) {
            EXPECT_EQ(prompts_.prompts().back().text, U8("ダイアルアップの切断に失敗しました"));
        }
    }
    // Cancel in the dial question ends the run at once: nothing received, sent or hung up.
    prompts_.clear();
    provider_.hangUps.clear();
    prompts_.Answer(platform::kIdCancel);
    Run(1);
    EXPECT_EQ(receiver_->receives.load(), 0);
    EXPECT_TRUE(sender_->Sent().empty());
    EXPECT_TRUE(provider_.hangUps.empty());
    EXPECT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(observer_->Of("finished").size(), 1);
}

}  // namespace send_receive_worker_test
}  // namespace
