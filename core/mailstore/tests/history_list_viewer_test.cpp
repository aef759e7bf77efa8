// Send histories: outcome counts, the resend rules, Message-ID look-up, refused writes
// after bad reads, and the progress record that survives a killed send run.

#include "core/mailstore/history_list_viewer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/addressbook/database_edit.h"
#include "core/foundation/csv_read.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/mail_list_viewer.h"
#include "mailstore_test_util.h"
#include "platform/safe_write.h"

namespace {

// The address book as the history sees it: records by ID with an address and a deletion
// mark; unknown IDs cannot be read.
class FakeBook : public RecipientRecords {
public:
    struct Rec {
        std::string address;
        std::string deleted;
    };
    std::map<int, Rec> records;
    int GetCustomerDataPinPoint(int id, int element, std::string& out) override {
        const auto it = records.find(id);
        if (it == records.end()) return -1;
        if (element == kMailAddressElement) out = it->second.address;
        else if (element == kDeleteFlagElement) out = it->second.deleted;
        else return -2;
        return 0;
    }
};

class HistoryTest : public mailtest::MailEnvTest {
protected:
    void SetUp() override {
        MailEnvTest::SetUp();
        WriteFile(folder_ + "MAIL/maillist.dat", "");
        mails_ = std::make_unique<CMailListViewer>(&env_);
        options_.SetEnvManager(&env_);
        ASSERT_EQ(options_.SetSODataFromAllDataToMemory(std::vector<std::string>(123)), 0);
        SetOptions("Y", "3");
        MakeMailDir(kMail);
    }
    void SetOptions(const std::string& resend, const std::string& maxRetry) {
        ASSERT_EQ(options_.SetSODataToMemoryPinPoint(54, resend), 0);
        ASSERT_EQ(options_.SetSODataToMemoryPinPoint(65, maxRetry), 0);
    }
    std::unique_ptr<HistoryListViewer> Open(bool read = true) {
        auto h = std::make_unique<HistoryListViewer>(&env_, &options_, &book_, mails_.get());
        EXPECT_EQ(h->SetMailID(kMail, 1), 0);
        h->SetProgressSync(false);
        if (read) {
            const int r = h->GetHDataFromFileToMemory();
            EXPECT_TRUE(r == 0 || r == -21 || r == -22) << r;
        }
        return h;
    }
    static HistorySet Row(int id, const char* state, int retry, const char* open, const std::string& mid = "") {
        HistorySet h;
        h.customerID = id;
        h.state = state;
        h.retryNum = retry;
        h.openFlag = open;
        h.messageID = mid;
        h.lastSendDate = platform::DateTime(2024, 5, 6, 7, 8, 9);
        return h;
    }
    std::string HistPath() const { return MailDir(kMail) + "hist" + std::to_string(kMail) + ".dat"; }
    std::string JournalPath() const { return MailDir(kMail) + "hist" + std::to_string(kMail) + ".jnl"; }

    static constexpr int kMail = 21;
    SystemOption options_;
    FakeBook book_;
    std::unique_ptr<CMailListViewer> mails_;
};

TEST_F(HistoryTest, OutcomeCountsAndRoundTrip) {
    auto h = Open();
    int a, f, o, n;
    ASSERT_EQ(h->GetNumOneMail(a, f, o, n), 1);
    EXPECT_EQ(n, 0);
    ASSERT_EQ(h->SetHDataFromStructToMemory(Row(1, "W", 1, "Y", "<a@x>")), 0);
    ASSERT_EQ(h->SetHDataFromStructToMemory(Row(2, "C", 2, "N", "<b@x>")), 0);
    ASSERT_EQ(h->SetHDataFromStructToMemory(Row(3, "E", 0, "N", "<c@x>")), 0);
    EXPECT_EQ(h->SetHDataFromStructToMemory(Row(2, "W", 0, "N")), -7);
    EXPECT_EQ(h->GetErrMsg().GetLastCode(), 5007);
    ASSERT_EQ(h->WriteHDataFromMemoryToFile(), 0);

    auto r = Open();
    ASSERT_EQ(r->GetRecordNumber(), 3);
    ASSERT_EQ(r->GetNumOneMail(a, f, o, n), 1);
    // W (1 retry): 2 attempts, both failed; C (2 retries): 3 attempts, the last one good;
    // E: 1 failed attempt.
    EXPECT_EQ(std::vector<int>({a, f, o, n}), std::vector<int>({6, 5, 1, 3}));
    std::vector<HistorySet> rows;
    EXPECT_EQ(r->GetHDataFromMemoryToStruct(rows, 1, 10), 2);
    EXPECT_EQ(rows[0].customerID, 2);
    EXPECT_EQ(rows[1].lastSendDate, platform::DateTime(2024, 5, 6, 7, 8, 9));
    EXPECT_EQ(r->GetHDataFromMemoryToStruct(rows, -1, 0), 3);
    EXPECT_EQ(r->GetElementFromMemoryPinPoint(9, 1), "");
    EXPECT_EQ(r->GetErrMsg().GetLastCode(), 5004);
    EXPECT_EQ(r->GetElementFromMemoryPinPoint(1, 6), "");
    EXPECT_EQ(r->GetErrMsg().GetLastCode(), 5006);
    ASSERT_EQ(r->RetryNumInc(1), 0);
    int retry = 0;
    ASSERT_EQ(r->TransferRetryNum(1, retry, 0), 0);
    EXPECT_EQ(retry, 2);
}

TEST_F(HistoryTest, ResendRules) {
    struct Case {
        const char* resend;
        const char* maxRetry;
        const char* state;
        int retry;
        const char* deleted;
        int skipState;
        int expected;
    } cases[] = {
        {"Y", "3", "W", 2, "N", 0, 0},
        {"Y", "3", "W", 3, "N", 0, -41},
        {"Y", "3", "E", 5, "N", 0, -41},
        {"Y", "3", "W", -1, "N", 0, -43},
        {"Y", "3", "C", 0, "N", 0, -44},
        {"Y", "3", "C", 0, "N", 1, 0},
        {"Y", "3", "C", 3, "N", 1, -41},
        {"N", "3", "W", 0, "N", 0, -43},
        {"N", "3", "C", 0, "N", 0, -43},   // option 54 is tested before the state
        {"Y", "3", "W", 0, "Y", 0, -42},
        {"N", "3", "W", 0, "Y", 0, -42},   // the deletion mark comes first
        {"Y", "0", "W", 0, "N", 0, -41},
        {"Y", "0", "W", -1, "N", 0, -43},
    };
    for (const Case& c : cases) {
        SetOptions(c.resend, c.maxRetry);
        book_.records[1] = {"a@example.jp", c.deleted};
        auto h = Open(false);
        ASSERT_EQ(h->SetHDataFromStructToMemory(Row(1, c.state, c.retry, "N")), 0);
        EXPECT_EQ(h->CheckRetrySendOK(1, c.skipState), c.expected)
            << c.resend << c.maxRetry << c.state << c.retry << c.deleted << c.skipState;
    }
    auto h = Open(false);
    EXPECT_EQ(h->CheckRetrySendOK(99, 0), -4);
    HistoryListViewer bare;
    EXPECT_EQ(bare.CheckRetrySendOK(1, 0), -2);
}

TEST_F(HistoryTest, ResendAndErrorListsSkipDeletedRecipients) {
    SetOptions("Y", "2");
    book_.records[1] = {"a@x.jp", "N"};
    book_.records[2] = {"b@x.jp", "Y"};
    book_.records[3] = {"c@x.jp", "N"};
    book_.records[5] = {"", "N"};
    auto h = Open(false);
    h->SetHDataFromStructToMemory(Row(1, "W", 1, "N"));
    h->SetHDataFromStructToMemory(Row(2, "W", 0, "N"));
    h->SetHDataFromStructToMemory(Row(3, "W", 2, "N"));
    h->SetHDataFromStructToMemory(Row(4, "E", 0, "N"));  // not in the book
    h->SetHDataFromStructToMemory(Row(5, "E", 0, "N"));
    h->SetHDataFromStructToMemory(Row(6, "C", 0, "N"));
    std::vector<int> ids;
    ASSERT_EQ(h->GetRetryAddress(ids), 0);
    EXPECT_EQ(ids, std::vector<int>({1}));
    ASSERT_EQ(h->GetErrorAddress(ids), 0);
    EXPECT_EQ(ids, std::vector<int>({5}));
    ASSERT_EQ(h->GetCustomerIDList(ids, 1, 0), 0);
    EXPECT_EQ(ids, std::vector<int>({1, 3}));
    h->GetCustomerIDListNotDBE(ids, 1);
    EXPECT_EQ(ids, std::vector<int>({6}));
    SetOptions("N", "2");
    ASSERT_EQ(h->GetRetryAddress(ids), 0);
    EXPECT_TRUE(ids.empty());
}

TEST_F(HistoryTest, MessageIdLookupIsExactAndFollowsChanges) {
    auto h = Open(false);
    h->SetHDataFromStructToMemory(Row(1, "C", 0, "N", "<1.2.21@Example.jp>"));
    h->SetHDataFromStructToMemory(Row(2, "C", 0, "N", "<1.3.21@example.jp>"));
    h->SetHDataFromStructToMemory(Row(3, "E", 0, "N", "<1.2.21@Example.jp>"));
    h->SetHDataFromStructToMemory(Row(4, "W", 0, "N"));
    std::vector<int> ids;
    h->GetCustomerIDFromMessageID("<1.2.21@Example.jp>", ids);
    EXPECT_EQ(ids, std::vector<int>({1, 3}));
    h->GetCustomerIDFromMessageID("<1.2.21@example.jp>", ids);
    EXPECT_TRUE(ids.empty());
    std::string mid = "<9.9.21@example.jp>";
    ASSERT_EQ(h->TransferMessageID(1, mid, 1), 0);
    h->GetCustomerIDFromMessageID("<1.2.21@Example.jp>", ids);
    EXPECT_EQ(ids, std::vector<int>({3}));
    h->GetCustomerIDFromMessageID(mid, ids);
    EXPECT_EQ(ids, std::vector<int>({1}));
    mid = "<1.2.21@Example.jp>";
    ASSERT_EQ(h->SetElementToMemoryPinPoint(4, 4, mid), 0);
    h->GetCustomerIDFromMessageID(mid, ids);
    EXPECT_EQ(ids, std::vector<int>({3, 4}));
}

TEST_F(HistoryTest, LaterRowOfARecipientWins) {
    WriteRecords(HistPath(), {{"7", "E", "0", "N", "<a>", "2024/01/01 00:00:00"},
                              {"8", "C", "0", "N", "<b>", "2024/01/01 00:00:00"},
                              {"7", "C", "1", "Y", "<c>", "2024/01/01 00:00:00"}});
    auto h = Open();
    EXPECT_EQ(h->DBID2RowNumber(7), 2);
    EXPECT_EQ(h->GetElementFromMemoryPinPoint(7, 1), "C");
    int a, f, o, n;
    h->GetNumOneMail(a, f, o, n);
    EXPECT_EQ(std::vector<int>({a, f, o, n}), std::vector<int>({5, 2, 2, 3}));
}

TEST_F(HistoryTest, FailedReadRefusesWritesUntilAGoodReadOrANewMail) {
    WriteRecords(HistPath(), {{"1", "C", "0", "N", "<a>", "2024/01/01 00:00:00"}, {"2", "C", "0"}});
    const std::string before = ReadFile(HistPath());
    auto h = Open(false);
    EXPECT_EQ(h->GetHDataFromFileToMemory(), -23);
    EXPECT_EQ(h->GetRecordNumber(), 0);
    h->SetHDataFromStructToMemory(Row(3, "C", 0, "N"));
    EXPECT_EQ(h->WriteHDataFromMemoryToFileCompel(), -25);
    EXPECT_EQ(h->GetErrMsg().GetLastCode(), 5205);
    EXPECT_EQ(h->RecordProgress(), -25);
    EXPECT_EQ(ReadFile(HistPath()), before);
    EXPECT_FALSE(std::filesystem::exists(JournalPath()));
    ASSERT_EQ(h->SetMailID(kMail, 1), 0);
    h->SetHDataFromStructToMemory(Row(3, "C", 0, "N"));
    EXPECT_EQ(h->WriteHDataFromMemoryToFile(), 0);
}

TEST_F(HistoryTest, FailedSaveInAReadOnlyFolderKeepsTheOldFile) {
    {
        auto h = Open();
        h->SetHDataFromStructToMemory(Row(1, "C", 0, "N", "<a>"));
        ASSERT_EQ(h->WriteHDataFromMemoryToFile(), 0);
    }
    const std::string before = ReadFile(HistPath());
    auto h = Open();
    h->SetHDataFromStructToMemory(Row(2, "C", 0, "N", "<b>"));
    ::chmod(MailDir(kMail).c_str(), 0555);
    // The superuser writes into read-only folders: fail the commit as the folder would.
    if (::geteuid() == 0) platform::AtomicFile::FailNextCommitForTesting();
    EXPECT_EQ(h->WriteHDataFromMemoryToFile(), -24);
    EXPECT_EQ(h->GetErrMsg().GetLastCode(), 5204);
    ::chmod(MailDir(kMail).c_str(), 0755);
    EXPECT_EQ(ReadFile(HistPath()), before);
    EXPECT_EQ(h->GetRecordNumber(), 2);  // memory keeps the change for a later try
    EXPECT_EQ(h->WriteHDataFromMemoryToFile(), 0);
}

// A send run killed between saves: every result it recorded is there after reopening.
TEST_F(HistoryTest, KilledSendRunLosesNoRecordedResult) {
    int pipefd[2];
    ASSERT_EQ(::pipe(pipefd), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipefd[0]);
        auto h = Open();
        h->SetSavePace(0, 1.0, 0);  // save as often as the journal allows
        for (int id = 1;; ++id) {
            h->SetHDataFromStructToMemory(Row(id, "C", 0, "N", "<" + std::to_string(id) + ".x@example.jp>"));
            if (id > 1) {  // a resend of an earlier recipient changes its row
                std::string state = "E";
                h->TransferState(id / 2, state, 1);
            }
            if (h->WriteHDataFromMemoryToFileByPace() < 0) ::_exit(2);
            // Reported only once recorded: the parent checks everything reported.
            if (::write(pipefd[1], &id, sizeof id) != sizeof id) ::_exit(3);
        }
    }
    ::close(pipefd[1]);
    int last = 0, id = 0;
    while (last < 3000 && ::read(pipefd[0], &id, sizeof id) == sizeof id) last = id;
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    while (::read(pipefd[0], &id, sizeof id) == sizeof id) last = id;
    ::close(pipefd[0]);
    ASSERT_GE(last, 3000);

    auto h = Open();
    ASSERT_GE(h->GetRecordNumber(), last);
    for (int i = 1; i <= last; ++i) {
        ASSERT_GE(h->DBID2RowNumber(i), 0) << i;
        // Recipient i was marked "E" by the record of 2i; what came after the last report
        // may or may not have been recorded before the kill.
        const std::string state = h->GetElementFromMemoryPinPoint(i, 1);
        if (2 * i <= last) ASSERT_EQ(state, "E") << i;
        else ASSERT_TRUE(state == "C" || state == "E") << i;
        std::vector<int> ids;
        h->GetCustomerIDFromMessageID("<" + std::to_string(i) + ".x@example.jp>", ids);
        ASSERT_EQ(ids, std::vector<int>({i}));
    }
    // The replayed history saves and the progress record goes.
    ASSERT_EQ(h->WriteHDataFromMemoryToFile(), 0);
    EXPECT_FALSE(std::filesystem::exists(JournalPath()));
}

TEST_F(HistoryTest, ProgressRecordReplaysOverTornTailsAndSavedFiles) {
    {
        auto h = Open();
        h->SetHDataFromStructToMemory(Row(1, "C", 0, "N", "<a>"));
        ASSERT_EQ(h->WriteHDataFromMemoryToFile(), 0);
        h->SetHDataFromStructToMemory(Row(2, "C", 0, "N", "<b>"));
        ASSERT_EQ(h->RecordProgress(), 0);
    }
    // A crash in the middle of an append leaves a partial record.
    {
        std::string j = ReadFile(JournalPath());
        WriteFile(JournalPath(), j + j.substr(j.size() / 2, 9));
    }
    {
        auto h = Open();
        ASSERT_EQ(h->GetRecordNumber(), 2);
        std::string state = "E";
        h->TransferState(1, state, 1);
        ASSERT_EQ(h->RecordProgress(), 0);
    }
    std::string journal = ReadFile(JournalPath());
    {
        auto h = Open();
        EXPECT_EQ(h->GetElementFromMemoryPinPoint(1, 1), "E");
        EXPECT_EQ(h->GetRecordNumber(), 2);
        ASSERT_EQ(h->WriteHDataFromMemoryToFile(), 0);
    }
    // A crash after the save but before the record was removed: replaying it changes nothing.
    WriteFile(JournalPath(), journal);
    auto h = Open();
    EXPECT_EQ(h->GetRecordNumber(), 2);
    EXPECT_EQ(h->GetElementFromMemoryPinPoint(1, 1), "E");
    EXPECT_EQ(h->GetElementFromMemoryPinPoint(2, 4), "<b>");
}

// A run killed in its first append leaves a record with nothing whole in it: the open
// removes it, since no later save would (the file is up to date).
TEST_F(HistoryTest, ProgressRecordWithNothingWholeGoesAtOpen) {
    {
        auto h = Open();
        h->SetHDataFromStructToMemory(Row(1, "C", 0, "N", "<a>"));
        ASSERT_EQ(h->WriteHDataFromMemoryToFile(), 0);
        h->SetHDataFromStructToMemory(Row(2, "C", 0, "N", "<b>"));
        ASSERT_EQ(h->RecordProgress(), 0);
    }
    const std::string journal = ReadFile(JournalPath());
    WriteFile(JournalPath(), journal.substr(0, journal.size() - 5));
    {
        auto h = Open();
        EXPECT_EQ(h->GetRecordNumber(), 1);
        EXPECT_FALSE(std::filesystem::exists(JournalPath()));
        EXPECT_EQ(h->WriteHDataFromMemoryToFile(), 0);
    }
    auto h = Open();
    EXPECT_EQ(h->GetRecordNumber(), 1);
}

TEST_F(HistoryTest, NewHistoryWithOnlyAProgressRecordReadsAsFound) {
    {
        auto h = Open();
        h->SetHDataFromStructToMemory(Row(5, "C", 0, "N", "<a>"));
        ASSERT_EQ(h->RecordProgress(), 0);
    }
    ASSERT_FALSE(std::filesystem::exists(HistPath()));
    auto h = Open(false);
    EXPECT_EQ(h->GetHDataFromFileToMemory(), 0);
    EXPECT_EQ(h->GetRecordNumber(), 1);
}

class KeyedHistoryTest : public HistoryTest {
protected:
    bool Keyed() const override { return true; }
};

TEST_F(KeyedHistoryTest, ProgressRecordIsCodedLikeTheFile) {
    {
        auto h = Open();
        h->SetHDataFromStructToMemory(Row(5, "C", 0, "N", "<secret@example.jp>"));
        ASSERT_EQ(h->RecordProgress(), 0);
    }
    EXPECT_EQ(ReadFile(JournalPath()).find("secret"), std::string::npos);
    auto h = Open();
    EXPECT_EQ(h->GetElementFromMemoryPinPoint(5, 4), "<secret@example.jp>");
}

}  // namespace

namespace {

// The real address-book store behind the resend rules.
TEST_F(HistoryTest, DeletedRecipientOfTheAddressBookIsNotResent) {
    WriteFile(folder_ + "DB/database.dat", "");
    CDatabaseEdit db(&env_);
    int ids[2];
    for (int& id : ids) {
        OneCustomer c;
        ASSERT_EQ(db.GetOneCustomerForNew(c, 1), 0);
        c.Email = "someone@example.jp";
        ASSERT_EQ(db.SetOneCustomerInfo(c, 0), 0);
        id = c.CustomerID;
    }
    ASSERT_EQ(db.DeleteCustomer(ids[1]), 0);
    HistoryListViewer h(&env_, &options_, &db, mails_.get());
    ASSERT_EQ(h.SetMailID(kMail, 1), 0);
    for (int id : ids) ASSERT_EQ(h.SetHDataFromStructToMemory(Row(id, "W", 0, "N")), 0);
    EXPECT_EQ(h.CheckRetrySendOK(ids[0], 0), 0);
    EXPECT_EQ(h.CheckRetrySendOK(ids[1], 0), -42);
    std::vector<int> retry;
    ASSERT_EQ(h.GetRetryAddress(retry), 0);
    EXPECT_EQ(retry, std::vector<int>({ids[0]}));
}

}  // namespace

namespace {

TEST_F(HistoryTest, ForeignProgressRecordIsSetAsideNotApplied) {
    {
        auto h = Open();
        h->SetHDataFromStructToMemory(Row(1, "C", 0, "N", "<a>"));
        ASSERT_EQ(h->WriteHDataFromMemoryToFile(), 0);
    }
    WriteFile(JournalPath(), "\"something\",\"else\"\r\n\"9\",\"C\"\r\n");
    auto h = Open();
    EXPECT_EQ(h->GetRecordNumber(), 1);
    EXPECT_FALSE(std::filesystem::exists(JournalPath()));
    EXPECT_TRUE(std::filesystem::exists(JournalPath() + ".bad"));
    h->SetHDataFromStructToMemory(Row(2, "C", 0, "N", "<b>"));
    ASSERT_EQ(h->RecordProgress(), 0);
    EXPECT_EQ(Open()->GetRecordNumber(), 2);
}

}  // namespace

// A send whose outcome never came back stays marked across reads and whole-file saves
// until the recipient's row changes or the mark is cleared; the history file itself keeps
// its rows of six fields, so an older reader sees what it always saw.
TEST_F(HistoryTest, SendsInFlightOutliveSavesUntilTheirOutcomeIsRecorded) {
    {
        auto h = Open();  // no history yet
        h->SetHDataFromStructToMemory(Row(1, "C", 0, "N", "<one>"));
        ASSERT_EQ(h->MarkSendPending(2, "<two-a>"), 0);
        ASSERT_EQ(h->MarkSendPending(3, "<three>"), 0);
        ASSERT_EQ(h->MarkSendPending(4, "<four>"), 0);
        h->ClearSendPending(4, "<four>");  // it never went out
        ASSERT_EQ(h->RecordProgress(), 0);
    }
    {
        auto h = Open();  // killed before any save: the progress record holds it all
        EXPECT_EQ(h->GetElementFromMemoryPinPoint(1, 1), "C");  // recorded before the marks
        std::string mid;
        EXPECT_EQ(h->GetSendPending(2, &mid), 1);
        EXPECT_EQ(mid, "<two-a>");
        EXPECT_EQ(h->GetSendPending(4), 0);
        ASSERT_EQ(h->MarkSendPending(2, "<two-b>"), 0);
        h->SetHDataFromStructToMemory(Row(3, "C", 0, "N", "<three>"));  // its outcome came
        EXPECT_EQ(h->GetSendPending(3), 0);
        ASSERT_EQ(h->WriteHDataFromMemoryToFile(), 0);
    }
    const std::string saved = ReadFile(JournalPath());
    {
        auto h = Open();
        std::string mid;
        EXPECT_EQ(h->GetSendPending(2, &mid), 2);
        EXPECT_EQ(mid, "<two-b>");
        EXPECT_EQ(h->GetSendPending(3), 0);
        EXPECT_EQ(h->GetRecordNumber(), 2);
        // The outcome of the second attempt is recorded; the save leaves no progress record.
        h->SetHDataFromStructToMemory(Row(2, "E", 1, "N", "<two-b>"));
        ASSERT_EQ(h->WriteHDataFromMemoryToFile(), 0);
        EXPECT_FALSE(std::filesystem::exists(JournalPath()));
    }
    // The history file is rows of six fields only.
    {
        XCsvRead reader;
        ASSERT_EQ(reader.OpenFile(HistPath()), 1);
        int rows = 0;
        for (int n = reader.ReadLine(); n != -1; n = reader.ReadLine(), ++rows) EXPECT_EQ(n, 6);
        EXPECT_EQ(rows, 3);
    }
    // A crash after that save, before the old progress record went: replayed over the
    // file, its mark is ended by the row that holds the same send's outcome.
    WriteFile(JournalPath(), saved);
    EXPECT_EQ(Open()->GetSendPending(2), 0);
    // A mark that cannot be written is not set.
    std::filesystem::remove(JournalPath());
    auto h = Open();
    std::filesystem::create_directory(JournalPath());
    EXPECT_EQ(h->MarkSendPending(5, "<five>"), -26);
    EXPECT_EQ(h->GetSendPending(5), 0);
    std::filesystem::remove(JournalPath());
    EXPECT_EQ(h->RecordProgress(), 0);
    EXPECT_EQ(Open()->GetSendPending(5), 0);
}

// Attempts reserved ahead of their messages (one flush for a group) count only where the
// marks after them may be gone: read in another boot (a power cut, then the restart), each
// reserved attempt counts as made, also one whose message never went, while the marks of
// the same boot tell exactly what went. A whole save carries the open reservations over;
// reservations dropped at the end of a run leave nothing to count.
TEST_F(HistoryTest, ReservedAttemptsCountOnlyInTheBootAfterAPowerCut) {
    struct Restart {
        ~Restart() { HistoryListViewer::SetBootIdForTesting(""); }
    } restart;
    HistoryListViewer::SetBootIdForTesting("before");
    std::uintmax_t flushed = 0;
    {
        auto h = Open();
        h->SetProgressSync(false);
        ASSERT_EQ(h->MarkSendPending(2, "<two-a>"), 0);  // its answer never came
        ASSERT_EQ(h->ReserveSends({2, 3, 4}), 0);
        EXPECT_TRUE(h->IsSendReserved(3));
        flushed = std::filesystem::file_size(JournalPath());
        ASSERT_EQ(h->MarkSendPending(2, "<two-b>"), 0);
        ASSERT_EQ(h->MarkSendPending(3, "<three>"), 0);
        EXPECT_FALSE(h->IsSendReserved(3));
        h->SetHDataFromStructToMemory(Row(3, "C", 0, "N", "<three>"));
        ASSERT_EQ(h->RecordProgress(), 0);  // 4's message never went
    }
    {
        auto h = Open();  // killed: the same boot, every mark there
        EXPECT_EQ(h->GetSendPending(2), 2);
        EXPECT_EQ(h->GetSendPending(3), 0);
        EXPECT_EQ(h->GetSendPending(4), 0);
    }
    // The power lost what came after the reservation; the machine starts again.
    std::filesystem::resize_file(JournalPath(), flushed);
    HistoryListViewer::SetBootIdForTesting("after");
    {
        auto h = Open();
        EXPECT_EQ(h->GetSendPending(2), 2);
        EXPECT_EQ(h->GetSendPending(3), 1);
        EXPECT_EQ(h->GetSendPending(4), 1);
        // Reserved again and saved whole before the next power cut: still counted.
        ASSERT_EQ(h->ReserveSends({5}), 0);
        ASSERT_EQ(h->WriteHDataFromMemoryToFileCompel(), 0);
    }
    HistoryListViewer::SetBootIdForTesting("later");
    auto h = Open();
    EXPECT_EQ(h->GetSendPending(5), 1);
    ASSERT_EQ(h->ReserveSends({6}), 0);
    h->DropReservations();
    ASSERT_EQ(h->WriteHDataFromMemoryToFile(), 0);
    HistoryListViewer::SetBootIdForTesting("last");
    EXPECT_EQ(Open()->GetSendPending(6), 0);
}

// The doubt of a message whose answer never came outlives what happens to the next one:
// a refusal or a "try later" takes back only its own mark, a row waiting for a resend
// ("W") keeps it, and only a row sent or failed for good ends it - in memory, after a
// replay of the progress record and after a whole save alike.
TEST_F(HistoryTest, DoubtOfAnEarlierSendOutlivesWhatBecomesOfTheNext) {
    {
        auto h = Open();
        ASSERT_EQ(h->MarkSendPending(2, "<a>"), 0);  // its answer never comes
    }
    auto h = Open();
    ASSERT_EQ(h->MarkSendPending(2, "<b>"), 0);
    h->ClearSendPending(2, "<other>");  // not the last mark: nothing changes
    EXPECT_EQ(h->GetSendPending(2), 2);
    h->ClearSendPending(2, "<b>");  // refused, or "try later": it never reached the person
    std::string mid;
    EXPECT_EQ(h->GetSendPending(2, &mid), 1);
    EXPECT_EQ(mid, "<a>");
    ASSERT_EQ(h->SetHDataFromStructToMemory(Row(2, "W", 0, "N", "<b>")), 0);
    EXPECT_EQ(h->GetSendPending(2), 1);
    ASSERT_EQ(h->RecordProgress(), 0);
    const std::string replayed = ReadFile(JournalPath());
    EXPECT_EQ(Open()->GetSendPending(2, &mid), 1);
    EXPECT_EQ(mid, "<a>");
    ASSERT_EQ(h->WriteHDataFromMemoryToFile(), 0);
    EXPECT_EQ(Open()->GetSendPending(2), 1);
    // A save cut short before the progress record was replaced: the old one replayed over
    // the new file ends where memory ended.
    WriteFile(JournalPath(), replayed);
    EXPECT_EQ(Open()->GetSendPending(2, &mid), 1);
    EXPECT_EQ(mid, "<a>");
    // The resend's outcome settles it.
    std::string state = "C";
    ASSERT_EQ(h->TransferState(2, state, 1), 0);
    EXPECT_EQ(h->GetSendPending(2), 0);
    ASSERT_EQ(h->WriteHDataFromMemoryToFile(), 0);
    EXPECT_EQ(Open()->GetSendPending(2), 0);
}

// The first deferral's time of a recipient is kept across reads and whole saves, however
// often the recipient is deferred again, until a row is recorded for it; the history file
// keeps its rows of six fields.
TEST_F(HistoryTest, FirstDeferralIsKeptUntilARowIsRecorded) {
    const platform::DateTime first(2024, 6, 1, 9, 0, 0), later(2024, 6, 3, 9, 0, 0);
    {
        auto h = Open();
        EXPECT_FALSE(h->GetFirstDeferral(5).IsValid());
        EXPECT_EQ(h->NoteDeferral(5, first), first);
        EXPECT_EQ(h->NoteDeferral(5, later), first);
        EXPECT_EQ(h->NoteDeferral(6, later), later);
        h->SetHDataFromStructToMemory(Row(1, "C", 0, "N", "<one>"));
        ASSERT_EQ(h->RecordProgress(), 0);
    }
    {
        auto h = Open();
        EXPECT_EQ(h->GetFirstDeferral(5), first);
        EXPECT_TRUE(h->HasSendsPending());
        ASSERT_EQ(h->WriteHDataFromMemoryToFile(), 0);
    }
    const std::string carried = ReadFile(JournalPath());
    {
        auto h = Open();
        EXPECT_EQ(h->GetFirstDeferral(5), first);
        EXPECT_EQ(h->NoteDeferral(5, later), first);
        // A clock set back before it never moves it earlier.
        const platform::DateTime earlier(2024, 5, 30, 9, 0, 0);
        EXPECT_EQ(h->NoteDeferral(6, earlier), later);
        // Any row recorded for the recipient ends it.
        ASSERT_EQ(h->SetHDataFromStructToMemory(Row(5, "E", 0, "N", "<five>")), 0);
        EXPECT_FALSE(h->GetFirstDeferral(5).IsValid());
        ASSERT_EQ(h->WriteHDataFromMemoryToFile(), 0);
    }
    {
        auto h = Open();
        EXPECT_FALSE(h->GetFirstDeferral(5).IsValid());
        EXPECT_EQ(h->GetFirstDeferral(6), later);
    }
    // A progress record left over from a save cut short does not bring back a deferral the
    // file's row has settled.
    WriteFile(JournalPath(), carried);
    EXPECT_FALSE(Open()->GetFirstDeferral(5).IsValid());
    XCsvRead reader;
    ASSERT_EQ(reader.OpenFile(HistPath()), 1);
    for (int n = reader.ReadLine(); n != -1; n = reader.ReadLine()) EXPECT_EQ(n, 6);
}

// The attempts and failed attempts kept as rows change agree with GetNumOneMail's scan
// after every kind of change, with a customer listed twice, and after a replay.
TEST_F(HistoryTest, SendCountsFollowEveryChangeAsTheScanCountsThem) {
    WriteRecords(HistPath(), {{"7", "E", "0", "N", "<a>", "2024/01/01 00:00:00"},
                              {"8", "C", "0", "N", "<b>", "2024/01/01 00:00:00"},
                              {"7", "C", "1", "Y", "<c>", "2024/01/01 00:00:00"}});
    auto h = Open();
    const auto agree = [&](HistoryListViewer& v, const char* after) {
        int a, f, o, n, ka, kf;
        v.GetNumOneMail(a, f, o, n);
        v.GetSendCounts(ka, kf);
        EXPECT_EQ(std::make_pair(ka, kf), std::make_pair(a, f)) << after;
    };
    agree(*h, "read");
    std::string text;
    int number = 0;
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"new row", [&] { h->SetHDataFromStructToMemory(Row(9, "W", 2, "N", "<d>")); }},
        {"state of a repeated customer", [&] { text = "E"; h->TransferState(7, text, 1); }},
        {"retry count", [&] { h->RetryNumInc(9); }},
        {"retry count set", [&] { number = 4; h->TransferRetryNum(8, number, 1); }},
        {"unknown state", [&] { text = "X"; h->TransferState(8, text, 1); }},
        {"state back", [&] { text = "C"; h->TransferState(8, text, 1); }},
        {"open flag", [&] { text = "Y"; h->TransferOpenFlag(9, text, 1); }},
        {"renumbered", [&] { h->SetElementToMemoryPinPoint(9, HistoryListViewer::kCustomerID, "7"); }},
        {"state after renumbering", [&] { text = "W"; h->TransferState(7, text, 1); }},
    };
    for (const auto& [name, change] : changes) {
        change();
        agree(*h, name);
    }
    ASSERT_EQ(h->RecordProgress(), 0);
    agree(*Open(), "replay");
}
