// The receive run when things go wrong on the way: a message the server refuses to hand
// over, a message whose retrieval breaks the connection (twice), a logout the server
// refuses after deletions, a reply whose send history cannot be read, a file of a saved
// batch that the disk refuses to take (the test binary's write fails on request,
// core/foundation/tests/syscall_faults.h: this is the one file of the binary that
// includes it). A small POP3 server
// of the test's own plays the misbehaving server; the mails replied to carry Message-IDs
// made as the send run makes them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>
#include <set>

#include "app/sendrecv/message_headers.h"
#include "app/sendrecv/send_receive_worker.h"
#include "app/sendrecv/tests/receive_fixture.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/ini_manager.h"
#include "core/foundation/system_reason.h"
#include "core/foundation/tests/syscall_faults.h"

namespace {

using rcvtest::SentCopy;
using ui::U8;

// A POP3 mailbox that keeps its messages across sessions and misbehaves on request.
class MiniPop {
public:
    MiniPop() : server_([this](nettest::ScriptConn& c) { Session(c); }) {}
    int port() const { return server_.port(); }

    void Add(const std::string& uid, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.push_back({uid, text});
    }
    // Uids still in the mailbox.
    std::vector<std::string> Uids() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> out;
        for (const auto& m : messages_) out.push_back(m.uid);
        return out;
    }
    // Retrieving this uid is answered "-ERR" / resets the connection.
    std::set<std::string> refused, dropped;
    // The next this many QUITs are answered "-ERR" (nothing removed).
    int quitErrors = 0;
    // The unique-id listing comes a line every 0.6 s.
    std::atomic<bool> dripUidl{false};
    // "LIST n" commands answered.
    std::atomic<int> listedOne{0};
    // CAPA offers PIPELINING (the client may send the next retrieval with this one).
    std::atomic<bool> pipelining{false};
    // Retrieving one of these uids is answered with the first line of a long message and
    // then nothing: a client that waits for the answer stalls. Each such RETR is counted.
    std::set<std::string> stalling;
    std::atomic<int> stalledRetrievals{0};
    // Retrievals answered while the client had sent its next command already.
    std::atomic<int> retrievalsWithOneBehind{0};

private:
    struct Message {
        std::string uid, text;
    };
    void Session(nettest::ScriptConn& c) {
        std::vector<Message> box;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            box = messages_;
        }
        std::set<std::string> marked;
        c.Send("+OK mini ready\r\n");
        std::string cmd;
        while (c.ReadLine(cmd)) {
            const std::string verb = cmd.substr(0, cmd.find(' '));
            const int n = cmd.size() > 5 ? std::atoi(cmd.c_str() + 5) : 0;
            if (verb == "USER" || verb == "PASS" || verb == "NOOP") {
                c.Send("+OK\r\n");
            } else if (verb == "STAT") {
                c.Send("+OK " + std::to_string(box.size()) + " 1000\r\n");
            } else if (verb == "UIDL" && dripUidl) {
                // One line at a time, each well within the time-out, all of them not.
                if (!c.Send("+OK\r\n")) return;
                for (std::size_t i = 0; i < box.size(); ++i) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(600));
                    if (!c.Send(std::to_string(i + 1) + " " + box[i].uid + "\r\n")) return;
                }
                c.Send(".\r\n");
            } else if (verb == "LIST" && n >= 1 && n <= static_cast<int>(box.size())) {
                ++listedOne;
                c.Send("+OK " + std::to_string(n) + " " + std::to_string(box[static_cast<std::size_t>(n - 1)].text.size()) +
                       "\r\n");
            } else if (verb == "UIDL" || verb == "LIST") {
                std::string out = "+OK\r\n";
                for (std::size_t i = 0; i < box.size(); ++i)
                    out += std::to_string(i + 1) + " " + (verb == "UIDL" ? box[i].uid : std::to_string(box[i].text.size())) + "\r\n";
                c.Send(out + ".\r\n");
            } else if (verb == "RETR" && n >= 1 && n <= static_cast<int>(box.size())) {
                const Message& m = box[static_cast<std::size_t>(n - 1)];
                if (c.Waiting()) ++retrievalsWithOneBehind;
                if (dropped.count(m.uid) != 0) {
                    c.Reset();
                    return;
                }
                if (stalling.count(m.uid) != 0) {
                    ++stalledRetrievals;
                    c.Send("+OK\r\nSubject: a message of 200 MiB\r\n");
                    c.WaitClose();
                    return;
                }
                if (refused.count(m.uid) != 0) {
                    c.Send("-ERR [SYS/TEMP] cannot read that message\r\n");
                } else {
                    c.Send("+OK\r\n" + nettest::DotStuffed(m.text) + ".\r\n");
                }
            } else if (verb == "CAPA" && pipelining) {
                c.Send("+OK\r\nPIPELINING\r\nUIDL\r\n.\r\n");
            } else if (verb == "DELE" && n >= 1 && n <= static_cast<int>(box.size())) {
                marked.insert(box[static_cast<std::size_t>(n - 1)].uid);
                c.Send("+OK\r\n");
            } else if (verb == "QUIT") {
                std::lock_guard<std::mutex> lock(mutex_);
                if (quitErrors > 0) {
                    --quitErrors;
                    c.Send("-ERR some deleted messages not removed\r\n");
                    return;
                }
                std::erase_if(messages_, [&](const Message& m) { return marked.count(m.uid) != 0; });
                c.Send("+OK bye\r\n");
                return;
            } else {
                c.Send("-ERR unknown\r\n");
            }
        }
    }

    std::mutex mutex_;
    std::vector<Message> messages_;
    nettest::ScriptedServer server_;  // last: its thread uses the members above
};

class ReceiveFaultsTest : public rcvtest::ReceiveRunTest {
protected:
    void SetUp() override {
        rcvtest::ReceiveRunTest::SetUp();
        SetOption(CPopReceiveSession::kOptionPort, std::to_string(pop_.port()));
    }

    void Put(const std::string& uid, const std::string& message) { pop_.Add(uid, message); }

    MiniPop pop_;
};

TEST_F(ReceiveFaultsTest, AMessageTheServerWillNotHandOverIsSkippedAndReported) {
    const std::vector<int> people = {AddPerson("a@example.net"), AddPerson("b@example.net")};
    int mail = 0;
    auto sent = RecordedMail(people, mail);
    Put("u1", Reply("bounce_postfix.eml", sent[people[0]]));
    Put("u2", Reply("ordinary.eml", sent[people[0]]));
    Put("u3", Reply("read_receipt.eml", sent[people[1]]));
    pop_.refused = {"u2"};

    ASSERT_EQ(Receive(), CPopReceiveSession::kRunMessagesFailed);
    EXPECT_FALSE(runError_.empty());
    EXPECT_TRUE(shown_.Statuses().contains(QString::fromStdString(runError_)));
    EXPECT_EQ(shown_.Statuses().last(), U8("受信が正常に終了しませんでした\r\n") + QString::fromStdString(runError_));
    EXPECT_EQ(HistoryOnDisk(mail)[people[0]].first, "W");
    EXPECT_EQ(OpenFlagsOnDisk(mail)[people[1]], "Y");
    // Passed over: it never stops the runs that follow.
    EXPECT_EQ(lastUid_, "u3");
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal);
    EXPECT_TRUE(shown_.Statuses().contains(U8("受信メールはありません")));
}

TEST_F(ReceiveFaultsTest, AMessageThatBreaksTheConnectionIsTriedOnceMoreThenPassedOver) {
    const std::vector<int> people = {AddPerson("a@example.net"), AddPerson("b@example.net")};
    int mail = 0;
    auto sent = RecordedMail(people, mail);
    Put("u1", Reply("bounce_exim.eml", sent[people[0]]));
    const std::string breaking = Reply("ordinary.eml", sent[people[0]]);
    Put("u2", breaking);
    Put("u3", Reply("read_receipt.eml", sent[people[1]]));
    pop_.dropped = {"u2"};

    // What came before the break is saved; the run ends as failed before the message.
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunFailed);
    EXPECT_EQ(HistoryOnDisk(mail)[people[0]].first, "W");
    EXPECT_EQ(MailOnDisk(mail).GetErrorNumber(), 1);
    EXPECT_EQ(lastUid_, "u1");
    EXPECT_EQ(runError_.find("[メール番号:"), std::string::npos) << runError_;
    EXPECT_EQ(pop_.listedOne.load(), 0);  // no size asked of a message not yet suspect
    // The second time it breaks the connection it is passed over, and the run says which
    // message it was, in its error and in the line it ends with.
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunFailed);
    EXPECT_EQ(lastUid_, "u2");
    const std::string named = "[メール番号:2 サイズ:" + std::to_string(breaking.size()) + "バイト]";
    EXPECT_NE(runError_.find(named), std::string::npos) << runError_;
    EXPECT_TRUE(shown_.Statuses().last().contains(QString::fromStdString(named))) << shown_.Statuses().last().toStdString();
    EXPECT_TRUE(shown_.Statuses().last().startsWith(U8("受信が正常に終了しませんでした")));
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
    EXPECT_EQ(OpenFlagsOnDisk(mail)[people[1]], "Y");
    EXPECT_EQ(MailOnDisk(mail).GetErrorNumber(), 1);
    EXPECT_EQ(lastUid_, "u3");
}

// Unique ids may hold any printable character, quotes too (RFC 1939): the last one handled
// must come back from the environment's ini exactly, or every run fetches the whole
// mailbox again.
TEST_F(ReceiveFaultsTest, UniqueIdsWithQuotesAreFoundAgainThroughTheIni) {
    const std::vector<int> people = {AddPerson("a@example.net")};
    int mail = 0;
    auto sent = RecordedMail(people, mail);
    const std::string ini = env_layout::EnvIniFile(*env_);
    for (const std::string last : {"\"q2\"", "'q3'", "\"\""}) {
        SCOPED_TRACE(last);
        Put("x" + last, Reply("ordinary.eml", sent[people[0]]));
        Put(last, Reply("ordinary.eml", sent[people[0]]));
        ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
        ASSERT_EQ(lastUid_, last);
        WriteLastUid(ini, lastUid_);
        lastUid_ = ReadLastUid(ini);
        EXPECT_EQ(lastUid_, last);
        ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
        EXPECT_TRUE(shown_.Statuses().contains(U8("受信メールはありません")));
    }
}

TEST_F(ReceiveFaultsTest, ALogoutTheServerRefusesLeavesTheMessagesButTheyAreNeverAppliedTwice) {
    SetOption(CPopReceiveSession::kOptionDeleteHandled, "Y");
    const std::vector<int> people = {AddPerson("a@example.net"), AddPerson("b@example.net"), AddPerson("c@example.net")};
    int mail = 0;
    auto sent = RecordedMail(people, mail);
    Put("u1", Reply("bounce_qmail.eml", sent[people[0]]));
    Put("u2", Reply("read_receipt.eml", sent[people[1]]));
    Put("u3", Reply("refusal.eml", sent[people[2]]));
    pop_.quitErrors = 1;

    ASSERT_EQ(Receive(), CPopReceiveSession::kRunMessagesFailed);
    EXPECT_EQ(pop_.Uids().size(), 3u);
    EXPECT_EQ(MailOnDisk(mail).GetErrorNumber(), 1);

    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
    EXPECT_TRUE(pop_.Uids().empty());
    EXPECT_EQ(shown_.Kinds(), (std::array<int, 5>{3, 0, 0, 0, 0}));
    EXPECT_EQ(MailOnDisk(mail).GetErrorNumber(), 1);
    EXPECT_EQ(MailOnDisk(mail).GetOpenNumber(), 1);
    EXPECT_EQ(ListOnDisk(receive_stores::kRefusals).size(), 1u);
}

TEST_F(ReceiveFaultsTest, AReplyThatCannotBeStoredHoldsLastUidBeforeIt) {
    const std::vector<int> people = {AddPerson("a@example.net"), AddPerson("b@example.net")};
    int broken = 0, good = 0;
    auto toBroken = RecordedMail({people[0]}, broken);
    auto toGood = RecordedMail({people[1]}, good);
    const std::string historyFile = env_layout::MailHistoryFile(*env_, broken);
    const std::string before = nettest::ReadFile(historyFile);
    std::ofstream(historyFile, std::ios::binary | std::ios::app) << "\r\n\r\n\x01garbage\r\n";
    Put("u1", Reply("bounce_sendmail.eml", toBroken[people[0]]));
    Put("u2", Reply("bounce_exchange.eml", toGood[people[1]]));
    Put("u3", Reply("ordinary.eml", toGood[people[1]]));

    ASSERT_EQ(Receive(), CPopReceiveSession::kRunMessagesFailed);
    EXPECT_EQ(HistoryOnDisk(good)[people[1]].first, "W");
    EXPECT_EQ(lastUid_, "");
    // Read again while the history stays broken: the other reply is not applied twice.
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunMessagesFailed);
    EXPECT_EQ(MailOnDisk(good).GetErrorNumber(), 1);

    std::ofstream(historyFile, std::ios::binary | std::ios::trunc) << before;
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
    EXPECT_EQ(HistoryOnDisk(broken)[people[0]].first, "W");
    EXPECT_EQ(MailOnDisk(good).GetErrorNumber(), 1);
    EXPECT_EQ(lastUid_, "u3");
}

// A message an earlier run applied but could not delete is passed over, and with a server
// that offers PIPELINING its retrieval never goes ahead with the message before it: the
// server here stalls on that retrieval, as a client downloading a 200 MiB answer only to
// throw it away would. A run that reads every message still reads them ahead.
TEST_F(ReceiveFaultsTest, AMessageAppliedBeforeIsNeverAskedForAhead) {
    const std::string ini = env_layout::EnvIniFile(*env_);
    CIniManager::WriteProfileStringA(ini, "POPINFO", "POP_TIMEOUT_BEFORECONNECT", "2000");
    pop_.pipelining = true;
    const std::vector<int> people = {AddPerson("a@example.net"), AddPerson("b@example.net")};
    int broken = 0, good = 0;
    auto toBroken = RecordedMail({people[0]}, broken);
    auto toGood = RecordedMail({people[1]}, good);
    const std::string historyFile = env_layout::MailHistoryFile(*env_, broken);
    std::ofstream(historyFile, std::ios::binary | std::ios::app) << "\r\n\r\n\x01garbage\r\n";
    // The reply to the mail whose history is unreadable fails and holds the place before
    // it: the next run reads it again, and finds the applied bounce after it.
    Put("u1", Reply("bounce_sendmail.eml", toBroken[people[0]]));
    Put("u2", Reply("bounce_exchange.eml", toGood[people[1]]));
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunMessagesFailed);
    EXPECT_EQ(HistoryOnDisk(good)[people[1]].first, "W");
    EXPECT_EQ(lastUid_, "");
    EXPECT_EQ(pop_.retrievalsWithOneBehind.load(), 1) << "RETR 2 went with RETR 1";

    pop_.stalling = {"u2"};
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunMessagesFailed);
    EXPECT_EQ(pop_.stalledRetrievals.load(), 0);
    EXPECT_EQ(MailOnDisk(good).GetErrorNumber(), 1);
    EXPECT_FALSE(shown_.Statuses().join("|").contains(U8("タイムアウト"))) << shown_.Statuses().join("|").toStdString();
}

// A bounce applied to a mail whose send left a message in flight (its answer never came)
// keeps that mark: the next send run knows the person may have the message already.
TEST_F(ReceiveFaultsTest, ARepliedMailKeepsItsSendsInFlight) {
    const std::vector<int> people = {AddPerson("a@example.net"), AddPerson("b@example.net")};
    int mail = 0;
    auto sent = RecordedMail({people[0]}, mail);
    {
        HistoryListViewer h(env_.get(), options_.get(), book_.get(), mails_.get());
        ASSERT_EQ(h.SetMailID(mail, 1), 0);
        ASSERT_EQ(h.GetHDataFromFileToMemory(), 0);
        ASSERT_EQ(h.MarkSendPending(people[1], "<in-flight@example.jp>"), 0);
    }
    Put("u1", Reply("bounce_postfix.eml", sent[people[0]]));
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
    HistoryListViewer h(env_.get(), options_.get(), book_.get(), mails_.get());
    ASSERT_EQ(h.SetMailID(mail, 1), 0);
    ASSERT_EQ(h.GetHDataFromFileToMemory(), 0);
    EXPECT_EQ(h.GetElementFromMemoryPinPoint(people[0], HistoryListViewer::kState), "W");
    std::string messageId;
    EXPECT_EQ(h.GetSendPending(people[1], &messageId), 1);
    EXPECT_EQ(messageId, "<in-flight@example.jp>");
}

// A server that drips its listing, a line now and then within the time-out, holds no
// run longer than about the time-out, run after run; once it answers whole, everything
// comes.
TEST_F(ReceiveFaultsTest, ADrippingReplyEndsEachRunWithinTheTimeout) {
    const std::string ini = env_layout::EnvIniFile(*env_);
    CIniManager::WriteProfileStringA(ini, "POPINFO", "POP_TIMEOUT_BEFORECONNECT", "1000");
    CIniManager::WriteProfileStringA(ini, "POPINFO", "POP_TIMEOUT_CONNECTED", "1000");
    const std::vector<int> people = {AddPerson("a@example.net"), AddPerson("b@example.net")};
    int mail = 0;
    auto sent = RecordedMail(people, mail);
    Put("u1", Reply("bounce_postfix.eml", sent[people[0]]));
    for (int i = 2; i <= 5; ++i) Put("u" + std::to_string(i), Reply("ordinary.eml", sent[people[1]]));
    pop_.dripUidl = true;
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Receive(), CPopReceiveSession::kRunFailed);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
        EXPECT_TRUE(shown_.Statuses().contains(U8("受信サーバが割り当てる一意なID（UID)が取得できませんでした。")))
            << shown_.Statuses().join("|").toStdString();
        EXPECT_EQ(lastUid_, "");
        EXPECT_EQ(HistoryOnDisk(mail)[people[0]].first, "C");
    }
    pop_.dripUidl = false;
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
    EXPECT_EQ(HistoryOnDisk(mail)[people[0]].first, "W");
    EXPECT_EQ(lastUid_, "u5");
}

// A batch is saved once its commit is on the disk, and a file of it that cannot take it
// then (a full disk for one write) is finished by the next run. Meanwhile no later batch
// may stage the same file: that would write over the waiting batch's records, and the
// messages it applied, counted as applied, would never come again. The run that met the
// failure says so and takes no more messages; the next run brings everything in.
TEST_F(ReceiveFaultsTest, ABatchWhoseInstallFailedIsFinishedBeforeAnotherTouchesItsFiles) {
    // Replies to nine mails: the ninth history makes the run save the first eight as a
    // batch; the last reply goes to the first mail again.
    std::vector<int> mails, people;
    std::vector<SentCopy> copies;
    for (int i = 0; i < 9; ++i) {
        const int person = AddPerson("p" + std::to_string(i) + "@example.net");
        const std::vector<int> to = i == 0 ? std::vector<int>{person, AddPerson("again@example.net")} : std::vector<int>{person};
        int mail = 0;
        auto sent = RecordedMail(to, mail);
        mails.push_back(mail);
        people.push_back(person);
        for (int p : to) copies.push_back(sent[p]);
    }
    const int again = copies[1].customer;
    for (std::size_t i = 0; i < copies.size(); ++i)
        if (i != 1) Put("u" + std::to_string(i), Reply("bounce_postfix.eml", copies[i]));
    Put("u-again", Reply("bounce_exim.eml", copies[1]));

    const std::string progress = std::filesystem::weakly_canonical(env_layout::MailHistoryProgressFile(*env_, mails[0])).string();
    const std::string file = "MAIL/" + std::to_string(mails[0]) + "/hist" + std::to_string(mails[0]) + ".jnl";
    const std::string reason = file + ": " + SjisToUtf8(SystemReasonText(ENOSPC));
    {
        // The append fails in the run, and again when the next run first tries to finish it.
        syscall_faults::Scope faults;
        syscall_faults::Write().Arm(2, ENOSPC, 0, progress);
        EXPECT_EQ(Receive(), CPopReceiveSession::kRunFailed);
        EXPECT_NE(runError_.find("受信結果をファイルに書き込めませんでした"), std::string::npos) << runError_;
        EXPECT_NE(runError_.find(reason), std::string::npos) << runError_;
        EXPECT_TRUE(shown_.Statuses().last().startsWith(U8("受信が正常に終了しませんでした")))
            << shown_.Statuses().last().toStdString();
        EXPECT_EQ(HistoryOnDisk(mails[0])[people[0]].first, "C");  // waits, staged

        EXPECT_EQ(Receive(), CPopReceiveSession::kRunFailed);
        EXPECT_EQ(runError_, "前回の受信結果をファイルに書き込めないため、受信できません\r\n" + reason);
        EXPECT_EQ(syscall_faults::Write().count.load(), 0) << "the appends never came";
    }

    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
    for (std::size_t i = 0; i < mails.size(); ++i) EXPECT_EQ(HistoryOnDisk(mails[i])[people[i]].first, "W") << i;
    EXPECT_EQ(HistoryOnDisk(mails[0])[again].first, "W");
    EXPECT_EQ(MailOnDisk(mails[0]).GetErrorNumber(), 2);
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
    EXPECT_EQ(MailOnDisk(mails[0]).GetErrorNumber(), 2);  // each once
}

}  // namespace
