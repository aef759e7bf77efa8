// The send job: preparing a mail, the recipient tests, the history update, the cancel,
// the results written into the mail list, and the recovery of mails a crash left in "A".
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/sendrecv/interrupted_sends.h"
#include "app/sendrecv/mail_row_notice.h"
#include "app/sendrecv/send_job.h"
#include "app/sendrecv/tests/send_env_fixture.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/foundation/env_layout.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/transport/my_smtps.h"
#include "platform/notifier.h"

using sendtest::At;

namespace {

class SendJobTest : public sendtest::SendEnvTest {
protected:
    void SetUp() override {
        SendEnvTest::SetUp();
        FixNow(now_);
        SetOption(54, "N");
        SetOption(65, "3");
        SetOption(66, "30");
    }
    SendEnvironment Stores() { return {env_.get(), options_.get(), book_.get(), mails_.get()}; }

    // A waiting text mail with bodies and the given recipients; its ID.
    int SendableMail(const std::vector<int>& recipients, const platform::DateTime& reserve) {
        const int id = AddMail("W");
        COneMailData m = Mail(id);
        m.SetDate(COneMailData::kReserveDate, reserve, 0);
        EXPECT_EQ(mails_->SetMailData(m), 0);
        EXPECT_EQ(mails_->WriteMailList(1), 0);
        WriteBodies(id, "subject", "body");
        WriteRecipients(id, recipients);
        return id;
    }
    std::string HistoryState(CSendJob& job, int customer) {
        return job.GetHistory()->GetElementFromMemoryPinPoint(customer, HistoryListViewer::kState);
    }
    std::string Dm(int customer) { return book_->GetCustomerDataPinPoint(customer, kElemDMOk); }

    // 2024-06-01 10:03:20
    const platform::DateTime now_ = At(2024, 6, 1, 10, 3, 20);
};

TEST_F(SendJobTest, RecipientChecksInOrder) {
    CSendJob job(Stores());
    const int ok = AddPerson("ok@example.jp");
    const int deleted = AddPerson("gone@example.jp", "", "", "Y", "Y");
    const int refuses = AddPerson("no@example.jp", "", "", "N");
    const int noAddress = AddPerson("");
    const int deletedAndRefusing = AddPerson("both@example.jp", "", "", "N", "Y");
    EXPECT_EQ(job.CheckRecipient(ok), CSendJob::kSendable);
    EXPECT_EQ(job.CheckRecipient(deleted), CSendJob::kRecipientDeleted);
    EXPECT_EQ(job.CheckRecipient(987654), CSendJob::kRecipientUnreadable);
    EXPECT_EQ(job.CheckRecipient(refuses), CSendJob::kRecipientRefusesMail);
    EXPECT_EQ(job.CheckRecipient(noAddress), CSendJob::kRecipientNoAddress);
    EXPECT_EQ(job.CheckRecipient(deletedAndRefusing), CSendJob::kRecipientDeleted);

    const int docomo = AddPerson("taro@docomo.ne.jp");
    const int willcom = AddPerson("taro@pdx.ne.jp");
    EXPECT_EQ(job.IsPcRecipient(ok), 1);
    EXPECT_EQ(job.IsPcRecipient(docomo), 0);
    EXPECT_EQ(job.IsMobileHtmlRecipient(docomo), 1);
    EXPECT_EQ(job.IsMobileHtmlRecipient(ok), 0);
    EXPECT_EQ(job.IsMobileHtmlRecipient(willcom), 0);
    EXPECT_EQ(job.IsPcRecipient(987654), 0);
}

TEST_F(SendJobTest, PrepareLoadsTheMailAndTellsMissingFromBroken) {
    const int person = AddPerson("a@example.jp");
    const int id = SendableMail({person}, now_);
    {
        CSendJob job(Stores());
        job.SetMailID(id);
        // No history yet: an empty history, counts known (0).
        ASSERT_EQ(job.Prepare(), CSendJob::kPrepared);
        EXPECT_EQ(job.GetRecipientList()->IDs(), std::vector<int>{person});
        EXPECT_EQ(job.GetMailWriter()->GetMailElement(1, 0), "body");
        EXPECT_TRUE(job.Counters().historyRead);
        ASSERT_EQ(job.UpdateHistory(person, "C", "m1@x"), 0);
    }
    {
        // The history written on release is read back with its counts.
        CSendJob job(Stores());
        job.SetMailID(id);
        ASSERT_EQ(job.Prepare(), CSendJob::kPrepared);
        int attempts = 0, failed = 0;
        job.GetHistory()->GetSendCounts(attempts, failed);
        EXPECT_EQ(attempts, 1);
        EXPECT_EQ(HistoryState(job, person), "C");
    }
    // No recipient list at all, or an empty one: "no recipients".
    std::filesystem::remove(env_layout::MailRecipientFile(*env_, id));
    CSendJob job(Stores());
    job.SetMailID(id);
    EXPECT_EQ(job.Prepare(), CSendJob::kNoRecipientList);
    WriteRecipients(id, {});
    EXPECT_EQ(job.Prepare(), CSendJob::kNoRecipientList);

    // A damaged recipient list or history, or missing bodies, are errors with their text.
    const std::string list = env_layout::MailRecipientFile(*env_, id);
    WriteRecipients(id, {person});
    std::filesystem::resize_file(list, std::filesystem::file_size(list) - 3);
    EXPECT_EQ(job.Prepare(), CSendJob::kRecipientListUnreadable);
    EXPECT_FALSE(job.GetErrMsg().GetLastMsg().empty());
    WriteRecipients(id, {person});
    const std::string hist = env_layout::MailHistoryFile(*env_, id);
    std::filesystem::resize_file(hist, std::filesystem::file_size(hist) - 3);
    EXPECT_EQ(job.Prepare(), CSendJob::kHistoryUnreadable);
    std::filesystem::remove(env_layout::MailRecordFile(*env_, id));
    EXPECT_EQ(job.Prepare(), CSendJob::kBodiesUnreadable);
    EXPECT_EQ(job.GetErrMsg().GetLastCode(), 12203);

    CSendJob closed(SendEnvironment{});
    closed.SetMailID(id);
    EXPECT_EQ(closed.Prepare(), CSendJob::kNoEnvironment);
}

TEST_F(SendJobTest, FailureWithoutResendTurnsAdvertisingMailOff) {
    const int a = AddPerson("a@example.jp");
    const int id = SendableMail({a}, now_);
    CSendJob job(Stores());
    job.SetMailID(id);
    ASSERT_EQ(job.Prepare(), CSendJob::kPrepared);
    ASSERT_EQ(job.UpdateHistory(a, "E", "m1@x"), 0);
    EXPECT_EQ(HistoryState(job, a), "E");
    EXPECT_EQ(Dm(a), "N");
    // So later mails skip the person.
    EXPECT_EQ(job.CheckRecipient(a), CSendJob::kRecipientRefusesMail);
}

TEST_F(SendJobTest, FailureWithResendWaitsUntilTheLastTry) {
    SetOption(54, "Y");
    const int a = AddPerson("a@example.jp");
    const int id = SendableMail({a}, now_);
    CSendJob job(Stores());
    job.SetMailID(id);
    ASSERT_EQ(job.Prepare(), CSendJob::kPrepared);
    std::vector<std::string> states;
    for (int attempt = 0; attempt < 4; ++attempt) {
        ASSERT_EQ(job.UpdateHistory(a, "E", "m" + std::to_string(attempt) + "@x"), 0);
        states.push_back(HistoryState(job, a) + Dm(a));
    }
    // Three resends allowed (option 65): the fourth failure is final.
    EXPECT_EQ(states, (std::vector<std::string>{"WY", "WY", "WY", "EN"}));
    EXPECT_EQ(job.GetHistory()->GetElementFromMemoryPinPoint(a, HistoryListViewer::kRetryNum), "3");
    EXPECT_EQ(job.GetHistory()->GetElementFromMemoryPinPoint(a, HistoryListViewer::kMessageID), "m3@x");
    // A later success records the send.
    ASSERT_EQ(job.UpdateHistory(a, "C", "m4@x"), 0);
    EXPECT_EQ(HistoryState(job, a), "C");
}

// ---- Results -------------------------------------------------------------------------------

struct FinalCase {
    const char* name;
    std::vector<CSendJob::Flag> flags;
    bool failedRecipient;  // one recipient's send failed (history "E" or "W")
    bool resend;           // option 54
    platform::DateTime reserve;
    const char* status;
    platform::DateTime reserveAfter;
};

TEST_F(SendJobTest, FinalStatusByFlagsAndHistory) {
    const platform::DateTime past = At(2024, 6, 1, 9, 0, 0);
    const platform::DateTime soon = At(2024, 6, 1, 10, 0, 0);
    const platform::DateTime later = At(2024, 6, 1, 12, 0, 0);
    using F = CSendJob::Flag;
    const FinalCase cases[] = {
        {"clean run", {}, false, false, past, "C", past},
        {"a failure without resend", {}, true, false, past, "E", past},
        {"a failure to resend: next ten-minute mark plus the span", {}, true, true, past, "R", At(2024, 6, 1, 10, 40, 0)},
        {"resend keeps a future reserve date", {}, true, true, later, "R", later},
        {"cancel", {F::kCancel}, true, true, past, "D", past},
        {"window ended: past date plus 10 minutes still past", {F::kWindowEnded}, false, false, past, "I",
         At(2024, 6, 1, 10, 10, 0)},
        {"window ended: date plus the span", {F::kWindowEnded}, false, true, soon, "I", At(2024, 6, 1, 10, 30, 0)},
        {"window ended: future date kept", {F::kWindowEnded}, false, false, later, "I", later},
        {"cancel and window ended fall through", {F::kCancel, F::kWindowEnded}, false, false, past, "C", past},
        {"connection failure: the status at the start", {F::kConnectionFailure, F::kError}, false, false, past, "W",
         past},
        {"interrupted", {F::kInterrupted, F::kSplitReached}, false, false, past, "I", past},
        {"split reached", {F::kSplitReached, F::kError}, false, false, past, "B", past},
        {"error", {F::kError}, false, false, past, "E", past},
    };
    for (const FinalCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetOption(54, c.resend ? "Y" : "N");
        const int ok = AddPerson("ok@example.jp");
        const int bad = AddPerson("bad@example.jp");
        const int id = SendableMail({ok, bad}, c.reserve);
        CSendJob job(Stores());
        job.SetMailID(id);
        COneMailData taken;
        ASSERT_TRUE(job.TakeMail(taken));
        ASSERT_EQ(job.Prepare(), CSendJob::kPrepared);
        ASSERT_EQ(job.GetRecipientList()->RemoveDBIDs({ok, bad}), 0);
        ASSERT_EQ(job.UpdateHistory(ok, "C", "1@x"), 0);
        if (c.failedRecipient) {
            ASSERT_EQ(job.UpdateHistory(bad, "E", "2@x"), 0);
        }
        for (CSendJob::Flag f : c.flags) job.SetFlag(f);
        ASSERT_EQ(job.SaveProgress(1), 0);
        const COneMailData m = MailOnDisk(id);
        EXPECT_EQ(m.GetStatus(), c.status);
        EXPECT_EQ(m.GetReserveDate(), c.reserveAfter);
        // A resend puts the recipient back into the mail's list on the disk.
        if (std::string(c.status) == "R") {
            EXPECT_EQ(RecipientsOnDisk(id), std::vector<int>{bad});
        }
    }
    EXPECT_TRUE(prompts_.prompts().empty());
}

// The mail's sent and error counts are the history's attempts and failed attempts, as the
// mail-list repair counts them, whatever the run's counters say.
TEST_F(SendJobTest, TheMailsCountsAreTheHistorys) {
    SetOption(54, "Y");
    SetOption(65, "3");
    const int a = AddPerson("a@example.jp");
    const int b = AddPerson("b@example.jp");
    const int c = AddPerson("c@example.jp");
    const int id = SendableMail({a, b, c}, now_);
    {
        // An earlier run: one sent, one failed and waiting for a resend.
        CSendJob job(Stores());
        job.SetMailID(id);
        ASSERT_EQ(job.Prepare(), CSendJob::kPrepared);
        ASSERT_EQ(job.UpdateHistory(a, "C", "1@x"), 0);
        ASSERT_EQ(job.UpdateHistory(b, "E", "2@x"), 0);
    }
    CSendJob job(Stores());
    job.SetMailID(id);
    job.SetProgressSavePace(std::chrono::milliseconds(0));
    COneMailData taken;
    ASSERT_TRUE(job.TakeMail(taken));
    ASSERT_EQ(job.Prepare(), CSendJob::kPrepared);
    // This run: b resent and taken, c given up on after two messages in doubt; counters
    // that say otherwise (skips, deferrals) count nowhere.
    ASSERT_EQ(job.UpdateHistory(b, "C", "3@x"), 0);
    ASSERT_EQ(job.RecordGivenUp(c, 2, "4@x"), 0);
    job.Counters().processed = 9;
    job.Counters().skipped = 2;
    job.Counters().deferred = 3;
    job.Counters().error = 4;
    ASSERT_EQ(job.SaveProgress(0), 0);
    COneMailData m = MailOnDisk(id);
    EXPECT_EQ(m.GetStatus(), "A");
    // a: 1 attempt; b: 2, the first failed; c: 2, both failed.
    EXPECT_EQ(m.GetSentNumber(), 5);
    EXPECT_EQ(m.GetErrorNumber(), 3);
    int attempts = 0, failed = 0, opened = 0, recipients = 0;
    job.GetHistory()->GetNumOneMail(attempts, failed, opened, recipients);
    EXPECT_EQ(attempts, 5);
    EXPECT_EQ(failed, 3);

    // A history that was never read leaves the numbers as they are.
    job.ClearCounters();
    ASSERT_EQ(job.UpdateHistory(AddPerson("d@example.jp"), "C", "5@x"), 0);
    ASSERT_EQ(job.SaveProgress(1), 0);
    m = MailOnDisk(id);
    EXPECT_EQ(m.GetSentNumber(), 5);
    EXPECT_EQ(m.GetErrorNumber(), 3);
}

TEST_F(SendJobTest, ProgressWritesTheListByPaceAndTellsTheView) {
    const int a = AddPerson("a@example.jp");
    const int id = SendableMail({a}, now_);
    std::vector<std::string> shown;
    struct Restore {
        MailRowListener previous;
        ~Restore() { SetMailRowListener(std::move(previous)); }
    } restore{SetMailRowListener(
        [&](const COneMailData& m) { shown.push_back(m.GetStatus() + std::to_string(m.GetMailID())); })};
    CSendJob job(Stores());
    job.SetMailID(id);
    job.SetProgressSavePace(std::chrono::hours(1));
    COneMailData taken;
    ASSERT_TRUE(job.TakeMail(taken));
    ASSERT_EQ(job.Prepare(), CSendJob::kPrepared);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(job.UpdateHistory(1000 + i, "C", std::to_string(i) + "@x"), 0);
        ASSERT_EQ(job.SaveProgress(0), 0);
    }
    // The take writes; the interim saves only keep the record in memory.
    EXPECT_EQ(job.GetMailListWrites(), 1);
    EXPECT_EQ(Mail(id).GetSentNumber(), 100);
    EXPECT_EQ(MailOnDisk(id).GetStatus(), "A");
    EXPECT_EQ(MailOnDisk(id).GetSentNumber(), 0);
    // The final save always writes.
    ASSERT_EQ(job.SaveProgress(1), 0);
    EXPECT_EQ(job.GetMailListWrites(), 2);
    EXPECT_EQ(MailOnDisk(id).GetStatus(), "C");
    EXPECT_EQ(MailOnDisk(id).GetSentNumber(), 100);
    const std::string n = std::to_string(id);
    EXPECT_EQ(shown, (std::vector<std::string>{"A" + n, "C" + n}));

    // A worker's notice reaches the view on the GUI thread.
    shown.clear();
    std::thread worker([&] { NotifyMailRowChanged(Mail(id)); });
    worker.join();
    EXPECT_TRUE(shown.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, std::vector<std::string>{"C" + n});
}

TEST_F(SendJobTest, ResultBoxesCarryTheOwnerCaption) {
    const int id = SendableMail({AddPerson("a@example.jp")}, now_);
    CSendJob job(Stores());
    QWidget owner;
    for (QWidget* w : {static_cast<QWidget*>(nullptr), &owner}) {
        job.SetOwnerWindow(w);
        job.SetMailID(987654);
        prompts_.clear();
        EXPECT_EQ(job.SaveProgress(1), -1);
        EXPECT_EQ(job.SetMailStatusAndDate(987654, now_, "B"), -1);
        ASSERT_EQ(prompts_.prompts().size(), 2u);
        EXPECT_EQ(prompts_.texts()[0], ui::U8("メール一覧情報からのデータ取得に失敗しました"));
        EXPECT_EQ(prompts_.captions()[0], ui::U8(w != nullptr ? "送信結果保存エラー(1)" : "送信結果保存エラー(2)"));
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
    }

    // The list file cannot be replaced: box (5) or (6), and the record stays in memory.
    const std::string list = env_layout::MailListFile(*env_);
    const std::string listDir = std::filesystem::path(list).parent_path().string();
    std::filesystem::remove(list);
    std::filesystem::create_directory(list);
    job.SetOwnerWindow(nullptr);
    prompts_.clear();
    EXPECT_EQ(job.SetMailStatusAndDate(id, At(2024, 7, 1, 0, 0, 0), "B"), -1);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.texts()[0], ui::U8("メール一覧情報の保存に失敗しました"));
    EXPECT_EQ(prompts_.captions()[0], ui::U8("送信結果保存エラー(6)"));
    EXPECT_EQ(Mail(id).GetStatus(), "B");
    EXPECT_EQ(Mail(id).GetReserveDate(), At(2024, 7, 1, 0, 0, 0));
}

TEST_F(SendJobTest, RescheduleWithAndWithoutStatus) {
    const int id = SendableMail({AddPerson("a@example.jp")}, now_);
    CSendJob job(Stores());
    ASSERT_EQ(job.SetMailStatusAndDate(id, At(2024, 6, 2, 8, 0, 0), "B"), 0);
    EXPECT_EQ(MailOnDisk(id).GetStatus(), "B");
    ASSERT_EQ(job.SetMailStatusAndDate(id, At(2024, 6, 3, 8, 0, 0), nullptr), 0);
    EXPECT_EQ(MailOnDisk(id).GetStatus(), "B");
    EXPECT_EQ(MailOnDisk(id).GetReserveDate(), At(2024, 6, 3, 8, 0, 0));
}

// ---- Cancel --------------------------------------------------------------------------------

TEST_F(SendJobTest, CancelRaisesTheFlagAndInterruptsTheAttachedClient) {
    CSendJob job(Stores());
    job.Cancel();  // no client: the flag only
    EXPECT_EQ(job.GetFlag(CSendJob::kCancel), 1);

    // The send run creates and deletes its client while the user may press cancel at any
    // moment: a cancel never reaches a deleted client.
    std::atomic<bool> stop{false};
    std::thread gui([&] {
        while (!stop.load()) job.Cancel();
    });
    for (int i = 0; i < 200; ++i) {
        auto client = std::make_unique<CMySMTPS>();
        job.SetSmtpClient(client.get());
        job.SetSmtpClient(nullptr);
        client.reset();
    }
    stop = true;
    gui.join();
    // Flags survive between mails; Reset clears them.
    job.ClearCounters();
    EXPECT_EQ(job.GetFlag(CSendJob::kCancel), 1);
    job.Reset();
    EXPECT_EQ(job.GetFlag(CSendJob::kCancel), 0);
}

// ---- Mails a crash left in "A" -------------------------------------------------------------

TEST_F(SendJobTest, MailsLeftSendingArePutBackAsInterrupted) {
    const int sending = AddMail("A");
    const int waiting = AddMail("W");
    const int alsoSending = AddMail("A");
    ASSERT_EQ(mails_->WriteMailList(1), 0);
    EXPECT_EQ(RecoverInterruptedSends(*mails_), 2);
    EXPECT_EQ(MailOnDisk(sending).GetStatus(), "I");
    EXPECT_EQ(MailOnDisk(alsoSending).GetStatus(), "I");
    EXPECT_EQ(MailOnDisk(sending).GetRenewalDate(), now_);
    EXPECT_EQ(MailOnDisk(waiting).GetStatus(), "W");
    EXPECT_EQ(RecoverInterruptedSends(*mails_), 0);
}

}  // namespace
