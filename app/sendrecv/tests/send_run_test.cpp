// The send run against a real SMTP server (aiosmtpd with the project's handler): what
// every recipient receives, read back with Python's email package; who is recorded how;
// and what a refusal, a lost connection, a cancel, a split count or a broken mail leave.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QRegularExpression>

#include <chrono>
#include <fstream>
#include <set>
#include <thread>

#include "app/sendrecv/mail_timeouts.h"
#include "app/sendrecv/message_headers.h"
#include "app/sendrecv/send_fault_probe.h"
#include "app/sendrecv/tests/send_run_fixture.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/ini_manager.h"
#include "core/mailstore/attach_writer.h"
#include "core/mailstore/mail_data_structure.h"
#include "core/mailstore/mail_writer.h"
#include "core/mailstore/mime_analyze.h"
#include "core/mailstore/mime_decode_tool.h"
#include "core/transport/message_id_form.h"

using sendtest::Received;
using sendtest::StoredHtmlMail;
using sendtest::SendTestServer;
using sendtest::Sjis;
using ui::U8;

namespace {

// The run ended as failed, and its last line keeps the reason shown just before it.
testing::AssertionResult EndedFailedWithItsReason(const QStringList& lines) {
    if (lines.size() < 2 || lines[lines.size() - 2].isEmpty()) return testing::AssertionFailure() << "no reason shown";
    const QString expected = U8("送信が正常に終了しませんでした\r\n") + lines[lines.size() - 2];
    if (lines.back() == expected) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "last line: " << lines.back().toStdString();
}

class SendRunTest : public sendtest::SendRunTest {
protected:
    int Person(const char* email, const char* family = "", const char* given = "", const char* dm = "Y",
               const char* deleted = "N") {
        return AddPerson(email, Sjis(family), Sjis(given), dm, deleted);
    }
    // Received messages by envelope recipient.
    std::map<std::string, std::vector<Received>> ByRecipient(const SendTestServer& server) {
        std::map<std::string, std::vector<Received>> out;
        for (Received& r : sendtest::ReadReceived(server.out())) {
            EXPECT_EQ(r.rcpts.size(), 1u);
            if (!r.rcpts.empty()) out[r.rcpts.front()].push_back(std::move(r));
        }
        return out;
    }
    std::string State(int mailId, int customer) { return HistoryOnDisk(mailId)[customer].first; }
};

TEST_F(SendRunTest, TextMailGoesOnceToEachRecipientMergedAndRecorded) {
    SendTestServer server;
    UseServer(server.port());
    SetOption(67, "Y");  // read receipts asked for
    const int taro = Person("taro@example.jp", "山田", "太郎");
    const int hanako = Person("hanako@docomo.ne.jp", "佐藤", "花子");
    const int anonymous = Person("someone@example.jp");
    const int quoted = Person("boss@example.jp", "John \"J\" (Boss)");
    const int refuses = Person("no@example.jp", "拒否", "", "N");
    const int gone = Person("gone@example.jp", "削除", "", "Y", "Y");
    const int mail = MakeMail({taro, hanako, refuses, anonymous, gone, quoted},
                              Sjis("<%名前(姓)%>様へ 春のお知らせ"),
                              Sjis("<%名前(姓)%> <%名前(名)%>様\r\n.先頭の点\r\n本文です\r\n"), "NN", Sjis("様"));

    ASSERT_EQ(Send(mail), 0) << lastError_;

    auto got = ByRecipient(server);
    ASSERT_EQ(got.size(), 4u);
    struct Expect {
        std::string address;
        const char* toName;
        const char* subject;
        const char* firstLine;
    } expects[] = {
        {"taro@example.jp", "山田太郎様", "山田様へ 春のお知らせ", "山田 太郎様"},
        {"hanako@docomo.ne.jp", "佐藤花子様", "佐藤様へ 春のお知らせ", "佐藤 花子様"},
        {"someone@example.jp", "", "様へ 春のお知らせ", " 様"},
        {"boss@example.jp", "John \"J\" (Boss)様", "John \"J\" (Boss)様へ 春のお知らせ", "John \"J\" (Boss) 様"},
    };
    std::set<std::string> ids;
    const auto history = HistoryOnDisk(mail);
    for (const Expect& e : expects) {
        SCOPED_TRACE(e.address);
        ASSERT_EQ(got[e.address].size(), 1u);
        const Received& r = got[e.address].front();
        EXPECT_EQ(r.mailFrom, "info@example.jp");
        EXPECT_EQ(r.toAddress.toStdString(), e.address);
        EXPECT_EQ(r.toName, U8(e.toName));
        EXPECT_EQ(r.subject, U8(e.subject));
        EXPECT_EQ(r.from, U8("Quendrel Shop <info@example.jp>"));
        EXPECT_EQ(r.dispositionTo, U8("info@example.jp"));
        // The body merged, its dot line arrived as written (stuffed once, unstuffed once).
        EXPECT_TRUE(r.text.startsWith(U8(e.firstLine) + "\n.先頭の点\n本文です")) << r.text.toStdString();
        EXPECT_EQ(r.defects, 0);
        EXPECT_FALSE(r.date.empty());
        // The Message-ID names the mail, and the history holds it for the recipient.
        std::string id;
        ASSERT_TRUE(message_id::CutDown(r.messageId, id));
        EXPECT_EQ(message_id::SentMailId(id), mail);
        EXPECT_TRUE(id.ends_with("@example.jp"));
        ids.insert(r.messageId);
    }
    EXPECT_EQ(ids.size(), 4u);
    for (int c : {taro, hanako, anonymous, quoted}) {
        EXPECT_EQ(history.at(c).first, "C");
        EXPECT_EQ(ids.count(history.at(c).second), 1u);
    }
    EXPECT_EQ(history.count(refuses) + history.count(gone), 0u);
    EXPECT_TRUE(RecipientsOnDisk(mail).empty());
    EXPECT_EQ(MailOnDisk(mail).GetStatus(), "C");
    EXPECT_EQ(MailOnDisk(mail).GetSentNumber(), 4);
    EXPECT_EQ(observer_.Statuses(), (QStringList{U8("送信を開始します"), U8("送信サーバに接続中です"),
                                                 U8("送信中です"), U8("送信が正常に終了しました")}));
    EXPECT_EQ(observer_.total(), 4);
    EXPECT_EQ(observer_.processed(), 4);
    EXPECT_EQ(server.Sessions(), 1);

    // A second run has nobody left to send to.
    ASSERT_EQ(Send(mail), 0);
    EXPECT_EQ(server.Count(), 4);
}

TEST_F(SendRunTest, HtmlMailsGoOnlyToTheTerminalsTheyAreFor) {
    SendTestServer server;
    UseServer(server.port());
    const int pc = Person("pc@example.jp", "<b>田中");
    const int docomo = Person("d@docomo.ne.jp", "鈴木");
    const int willcom = Person("w@willcom.com", "高橋");
    // In the HTML part a merge field stands as the editor writes it, escaped.
    const std::string stored = StoredHtmlMail(Sjis("<%名前(姓)%>さん テキスト"),
                                              Sjis("<p>&lt;%名前(姓)%&gt;さん HTML</p>"));
    struct Case {
        const char* flag;
        std::vector<std::string> reached;
    } cases[] = {{"NY", {"pc@example.jp"}}, {"NM", {"d@docomo.ne.jp"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flag);
        SendTestServer one;
        UseServer(one.port());
        const int mail = MakeMail({pc, docomo, willcom}, Sjis("お知らせ"), stored, c.flag);
        ASSERT_EQ(Send(mail), 0) << lastError_;
        const auto got = sendtest::ReadReceived(one.out());
        ASSERT_EQ(got.size(), c.reached.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].rcpts, std::vector<std::string>{c.reached[i]});
            // The text part merged as text, the HTML part as HTML (the value escaped).
            if (c.reached[i] == "pc@example.jp") {
                EXPECT_TRUE(got[i].text.startsWith(U8("<b>田中さん テキスト"))) << got[i].text.toStdString();
                EXPECT_TRUE(got[i].html.contains(U8("<p>&lt;b&gt;田中さん HTML</p>"))) << got[i].html.toStdString();
            } else {
                EXPECT_TRUE(got[i].html.contains(U8("<p>鈴木さん HTML</p>"))) << got[i].html.toStdString();
            }
        }
        // Those it is not for left the list before anything was sent; nobody failed.
        EXPECT_TRUE(RecipientsOnDisk(mail).empty());
        EXPECT_EQ(HistoryOnDisk(mail).size(), c.reached.size());
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), "C");
    }
}

TEST_F(SendRunTest, InlinePicturesGoOutWithAddressLikeIdsTheHtmlNames) {
    SendTestServer server;
    UseServer(server.port());
    SetOption(0, "sender@example.jp");
    const int first = Person("a@example.jp", "田中");
    const int second = Person("b@example.jp", "鈴木");
    // As the PC page stores it: the picture of slot 00, named in the HTML by that id.
    std::string stored = StoredHtmlMail(Sjis("テキスト"), Sjis("<p><img src=\"cid:00\"></p><p style=\"background:url(cid:00)\">x</p>"));
    {
        CMimeAnalyze model;
        ASSERT_EQ(model.AnalyzeMime(stored), 0);
        MimeFormatStruct picture;
        ASSERT_NE(MimeDecodeTool::MimeDecode("Content-Type: image/gif;\r\n\tname=\"a.gif\"\r\nContent-Transfer-Encoding: "
                                             "base64\r\nContent-ID: <00>\r\n\r\nR0lGODlhAQABAAAAACw=\r\n",
                                             picture),
                  0);
        model.GetRefOfMimeHtmlAttach().push_back(picture);
        std::string header, body;
        ASSERT_EQ(model.GetMimeString(header, body, 1, nullptr), 0);
        stored = header + "\r\n" + body;
    }
    const int mail = MakeMail({first, second}, Sjis("お知らせ"), stored, "NY");
    ASSERT_EQ(Send(mail), 0) << lastError_;
    const auto got = sendtest::ReadReceived(server.out());
    ASSERT_EQ(got.size(), 2u);
    const QRegularExpression addressLike(QStringLiteral("^<00\\.[^<>@\\s]+@example\\.jp>$"));
    for (const auto& copy : got) {
        ASSERT_EQ(copy.images.size(), 1) << copy.html.toStdString();
        EXPECT_TRUE(addressLike.match(copy.images[0]).hasMatch()) << copy.images[0].toStdString();
        const QString id = copy.images[0].mid(1, copy.images[0].size() - 2);
        EXPECT_EQ(copy.html.count("cid:" + id), 2) << copy.html.toStdString();
        EXPECT_FALSE(copy.html.contains("cid:00\"") || copy.html.contains("cid:00)")) << copy.html.toStdString();
        EXPECT_EQ(copy.defects, 0);
    }
    // The stored mail keeps its slot's name, so the page still finds its picture.
    MailWriter onDisk(env_.get(), 7);
    ASSERT_EQ(onDisk.SetMailFromFile(mail, 0, nullptr), 1);
    EXPECT_NE(onDisk.GetMailElement(1, 0).find("Content-ID: <00>"), std::string::npos);

    // Another run gives other ids: unique, not only well-formed.
    SendTestServer again;
    UseServer(again.port());
    const int mail2 = MakeMail({first}, Sjis("お知らせ"), stored, "NY");
    ASSERT_EQ(Send(mail2), 0) << lastError_;
    const auto later = sendtest::ReadReceived(again.out());
    ASSERT_EQ(later.size(), 1u);
    ASSERT_EQ(later[0].images.size(), 1);
    EXPECT_NE(later[0].images[0], got[0].images[0]);
}

TEST_F(SendRunTest, AttachmentsGoWithTheirTerminalType) {
    SendTestServer server;
    UseServer(server.port());
    const int pc = Person("pc@example.jp", "田中");
    const int au = Person("a@ezweb.ne.jp", "鈴木");
    const int mail = MakeMail({pc, au}, "news", Sjis("本文"));
    // A PDF for PCs, a picture for au.
    sendtest::AttachFile(env_.get(), mail, 0, Sjis("資料.pdf"), "%PDF-1.4 data");
    sendtest::AttachFile(env_.get(), mail, 2, "photo.jpg", "\xFF\xD8 jpeg");
    ASSERT_EQ(Send(mail), 0) << lastError_;
    auto got = ByRecipient(server);
    ASSERT_EQ(got["pc@example.jp"].size(), 1u);
    ASSERT_EQ(got["a@ezweb.ne.jp"].size(), 1u);
    EXPECT_EQ(got["pc@example.jp"][0].attachments, QStringList{U8("資料.pdf")});
    EXPECT_EQ(got["a@ezweb.ne.jp"][0].attachments, QStringList{"photo.jpg"});
    EXPECT_TRUE(got["pc@example.jp"][0].text.startsWith(U8("本文")));
}

TEST_F(SendRunTest, RefusedRecipientIsRecordedByTheResendRule) {
    struct Case {
        const char* resend;
        const char* state;
        const char* dm;
        const char* status;
    } cases[] = {{"N", "E", "N", "E"}, {"Y", "W", "Y", "R"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resend);
        SendTestServer server({"--refuse", "bad@example.jp"});
        UseServer(server.port());
        SetOption(54, c.resend);
        const int ok1 = Person("ok1@example.jp");
        const int bad = Person("bad@example.jp");
        const int ok2 = Person("ok2@example.jp");
        const int mail = MakeMail({ok1, bad, ok2}, "s", "b");
        ASSERT_EQ(Send(mail), 0);
        EXPECT_EQ(server.Count(), 2);
        EXPECT_EQ(State(mail, ok1), "C");
        EXPECT_EQ(State(mail, ok2), "C");
        EXPECT_EQ(State(mail, bad), c.state);
        EXPECT_EQ(book_->GetCustomerDataPinPoint(bad, kElemDMOk), c.dm);
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), c.status);
        EXPECT_EQ(MailOnDisk(mail).GetErrorNumber(), 1);
        // The refusal's own text was shown.
        EXPECT_TRUE(observer_.Statuses().contains(U8("受信者が存在しません。ForwardPathへ送ってください。")) ||
                    observer_.Statuses().contains(
                        U8("要求を実行できません。メール送信サーバのポリシーに反していないか、確認してください。")))
            << observer_.Statuses().join("|").toStdString();
        // A resend puts the refused recipient back into the list for its next try.
        EXPECT_EQ(RecipientsOnDisk(mail), std::string(c.resend) == "Y" ? std::vector<int>{bad} : std::vector<int>{});
    }
}

TEST_F(SendRunTest, LostConnectionKeepsEveryoneForTheNextRun) {
    // The server closes the connection after every third message: after it has confirmed
    // it, or instead of confirming it (the message arrived; the run cannot know). With
    // PIPELINING the next envelope is on its way when that happens.
    struct Case {
        const char* mode;
        bool exactlyOnce;
    } cases[] = {{"reply", true}, {"noreply", false}};
    for (const bool pipelining : {false, true})
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + (pipelining ? ", PIPELINING" : ""));
        std::vector<std::string> options = {"--drop-after", "3", "--drop-mode", c.mode};
        if (pipelining) options.push_back("--pipelining");
        SendTestServer server(options);
        UseServer(server.port());
        std::vector<int> people;
        for (int i = 0; i < 10; ++i) people.push_back(Person(("p" + std::to_string(i) + "@example.jp").c_str()));
        const int mail = MakeMail(people, "s", "b");

        int runs = 0, drops = 0;
        while (MailOnDisk(mail).GetStatus() != "C" && runs < 10) {
            const int result = Send(mail);
            ++runs;
            if (result != 0) {
                ++drops;
                EXPECT_EQ(result, -1);
                // Nobody failed, nobody lost permission: the mail is waiting as before.
                EXPECT_EQ(flags_, std::vector<int>{CSendJob::kConnectionFailure});
                EXPECT_EQ(MailOnDisk(mail).GetStatus(), "W");
                EXPECT_EQ(MailOnDisk(mail).GetErrorNumber(), 0);
            }
        }
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), "C");
        EXPECT_GE(drops, 3);
        std::map<std::string, int> copies;
        for (const Received& r : sendtest::ReadReceived(server.out())) ++copies[r.rcpts.at(0)];
        ASSERT_EQ(copies.size(), 10u);
        int extra = 0;
        for (auto& [address, n] : copies) {
            EXPECT_GE(n, 1) << address;
            extra += n - 1;
        }
        // A message the server kept without confirming it may come twice, never more.
        if (c.exactlyOnce) {
            EXPECT_EQ(extra, 0);
        } else {
            EXPECT_LE(extra, drops);
        }
        for (int p : people) {
            EXPECT_EQ(State(mail, p), "C");
            EXPECT_EQ(book_->GetCustomerDataPinPoint(p, kElemDMOk), "Y");
        }
    }
}

TEST_F(SendRunTest, UnreachableServerOrRefusedSenderChangesNobody) {
    const int a = Person("a@example.jp");
    const int b = Person("b@example.jp");
    const int c = Person("c@example.jp");

    // Nothing listens.
    UseServer(nettest::ClosedPort());
    const int mail = MakeMail({a, b, c}, "s", "b");
    EXPECT_EQ(Send(mail), -1);
    EXPECT_EQ(flags_, std::vector<int>{CSendJob::kConnectionFailure});
    EXPECT_EQ(observer_.Statuses().back(), U8("接続が拒否されました。ファイアウォールの設定や接続回線の確認をしてください。"));
    EXPECT_EQ(RecipientsOnDisk(mail), (std::vector<int>{a, b, c}));
    EXPECT_TRUE(HistoryOnDisk(mail).empty());
    EXPECT_EQ(MailOnDisk(mail).GetStatus(), "W");

    // The server takes one message, then refuses the sender for a while: the one sent
    // is recorded, the others wait, nobody is marked failed.
    SendTestServer server({"--refuse-mail-after", "1"});
    UseServer(server.port());
    EXPECT_EQ(Send(mail), -1);
    EXPECT_EQ(server.Count(), 1);
    EXPECT_EQ(HistoryOnDisk(mail).size(), 1u);
    EXPECT_EQ(State(mail, a), "C");
    EXPECT_EQ(RecipientsOnDisk(mail), (std::vector<int>{b, c}));
    EXPECT_EQ(MailOnDisk(mail).GetStatus(), "W");
    EXPECT_EQ(MailOnDisk(mail).GetSentNumber(), 1);
    EXPECT_EQ(book_->GetCustomerDataPinPoint(b, kElemDMOk), "Y");

    // A sender address that cannot be used stops the run before connecting.
    SetOption(0, "info@example.jp>, all@example.jp");
    EXPECT_EQ(Send(mail), -1);
    EXPECT_EQ(server.Sessions(), 1);
    EXPECT_EQ(MailOnDisk(mail).GetStatus(), "E");
    EXPECT_EQ(RecipientsOnDisk(mail), (std::vector<int>{b, c}));
}

TEST_F(SendRunTest, SplitSendingStopsAtTheCount) {
    for (const bool pipelining : {false, true}) {
        SCOPED_TRACE(pipelining ? "PIPELINING" : "no PIPELINING");
        SendTestServer server(pipelining ? std::vector<std::string>{"--pipelining"} : std::vector<std::string>{});
        UseServer(server.port());
        std::vector<int> people;
        for (int i = 0; i < 5; ++i)
            people.push_back(Person(("p" + std::to_string(i) + (pipelining ? "-p" : "") + "@example.jp").c_str()));
        const int mail = MakeMail(people, "s", "b");
        EXPECT_EQ(Send(mail, [](CSendJob& job) { job.SetSplitCount(2); }), -8);
        EXPECT_EQ(observer_.Statuses().back(), U8("分割送信数に達しました"));
        EXPECT_EQ(server.Count(), 2);
        EXPECT_EQ(RecipientsOnDisk(mail), (std::vector<int>{people[2], people[3], people[4]}));
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), "B");
        // The rest fit within the count: all dealt with, -9, and the line of a finished
        // send, not one that reads as if a part were still to come.
        const int before = observer_.Statuses().size();
        EXPECT_EQ(Send(mail, [](CSendJob& job) { job.SetSplitCount(10); }), -9);
        EXPECT_EQ(server.Count(), 5);
        EXPECT_EQ(observer_.Statuses().mid(before).back(), U8("送信が正常に終了しました"));
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), "C");
    }
}

TEST_F(SendRunTest, AttachmentFailuresEndTheRunAsFailed) {
    SendTestServer server;
    UseServer(server.port());
    const int a = Person("a@example.jp");
    const int mail = MakeMail({a}, "s", "b");
    AttachWriter w;
    w.SetEnvManager(env_.get());
    w.SetVersion(5);
    w.SetMailID(mail);
    w.SetTermType(0);
    ASSERT_EQ(w.SetAttachListRecordToMemory("a.pdf", "3"), 0);
    ASSERT_EQ(w.SaveAttachList(), 1);
    const std::string list = env_layout::AttachListFile(*env_, mail, 0);
    ASSERT_TRUE(std::filesystem::exists(list)) << list;

    // The listed file is missing: -6 becomes -1, and the mail shows failed.
    EXPECT_EQ(Send(mail), -1);
    EXPECT_TRUE(EndedFailedWithItsReason(observer_.Statuses()));
    EXPECT_EQ(MailOnDisk(mail).GetStatus(), "E");

    // The list cannot be read: -15, and still never "sent".
    std::filesystem::resize_file(list, std::filesystem::file_size(list) - 2);
    ReserveAgain(mail);
    EXPECT_EQ(Send(mail), -15);
    EXPECT_TRUE(EndedFailedWithItsReason(observer_.Statuses()));
    EXPECT_EQ(MailOnDisk(mail).GetStatus(), "E");
    EXPECT_EQ(server.Count(), 0);
    EXPECT_EQ(server.Sessions(), 0);
    EXPECT_EQ(RecipientsOnDisk(mail), std::vector<int>{a});
}

TEST_F(SendRunTest, MessagesThatCannotBeBuiltNeverGoOut) {
    SendTestServer server;
    UseServer(server.port());
    const int ok = Person("ok@example.jp", "山田");
    // A family name ending in half a character cannot be encoded into the subject; an
    // address with a blank would split into two recipients.
    const int cut = AddPerson("cut@example.jp", Sjis("山") + "\x82");
    const int split = Person("two words@example.jp", "二人");
    const int mail = MakeMail({cut, ok, split}, Sjis("<%名前(姓)%>"), Sjis("本文"));
    ASSERT_EQ(Send(mail), 0);
    const auto got = sendtest::ReadReceived(server.out());
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].rcpts, std::vector<std::string>{"ok@example.jp"});
    EXPECT_EQ(got[0].subject, U8("山田"));
    const auto history = HistoryOnDisk(mail);
    EXPECT_EQ(history.at(cut), (std::pair<std::string, std::string>{"E", ""}));
    EXPECT_EQ(history.at(split), (std::pair<std::string, std::string>{"E", ""}));
    EXPECT_EQ(history.at(ok).first, "C");
    EXPECT_EQ(MailOnDisk(mail).GetStatus(), "E");

    // A body that cannot be built for anyone stops the run: nobody is marked failed.
    const int a = Person("a@example.jp");
    const int broken = MakeMail({a}, "s", Sjis("本文") + "\x82");
    EXPECT_EQ(Send(broken), -1);
    EXPECT_EQ(server.Count(), 1);
    EXPECT_TRUE(HistoryOnDisk(broken).empty());
    EXPECT_EQ(RecipientsOnDisk(broken), std::vector<int>{a});
    EXPECT_EQ(MailOnDisk(broken).GetStatus(), "E");
    EXPECT_TRUE(lastError_.find("PC") != std::string::npos) << lastError_;
}

TEST_F(SendRunTest, CancelDuringASendStopsAtOnce) {
    // The server holds its answer to the second message for a minute.
    SendTestServer server({"--delay-message", "2:60"});
    UseServer(server.port());
    const int a = Person("a@example.jp");
    const int b = Person("b@example.jp");
    const int c = Person("c@example.jp");
    const int mail = MakeMail({a, b, c}, "s", "b");
    CSendJob job(Stores());
    job.SetObserver(&observer_);
    std::thread gui([&] {
        sendtest::WaitFor([&] { return server.Count() >= 1; });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        job.Cancel();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(job.SendOneMail(mail), -1);
    gui.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(observer_.Statuses().back(), U8("送信をキャンセルしました"));
    ASSERT_EQ(job.SaveProgress(1), 0);
    EXPECT_EQ(MailOnDisk(mail).GetStatus(), "D");
    EXPECT_EQ(State(mail, a), "C");
    EXPECT_EQ(HistoryOnDisk(mail).count(b), 0u);
    EXPECT_EQ(RecipientsOnDisk(mail), (std::vector<int>{b, c}));
}

TEST_F(SendRunTest, ServerThatStopsAnsweringInterruptsTheRun) {
    // The answer to the second message comes after the connected time-out (1 s).
    SendTestServer server({"--delay-message", "2:30"});
    UseServer(server.port());
    CIniManager::WriteProfileStringA(env_layout::EnvIniFile(*env_), "SMTPINFO", "SENDMAIL_TIMEOUT_CONNECTED", "1000");
    const int a = Person("a@example.jp");
    const int b = Person("b@example.jp");
    const int c = Person("c@example.jp");
    const int mail = MakeMail({a, b, c}, "s", "b");
    EXPECT_EQ(Send(mail), -1);
    EXPECT_EQ(observer_.Statuses().back(), U8("サーバとの接続がタイムアウトしました。回線の状況を確認してください。"));
    // Whether the second arrived is unknown: it stays for the next run, unrecorded.
    EXPECT_EQ(MailOnDisk(mail).GetStatus(), "I");
    EXPECT_EQ(State(mail, a), "C");
    EXPECT_EQ(HistoryOnDisk(mail).count(b), 0u);
    EXPECT_EQ(RecipientsOnDisk(mail), (std::vector<int>{b, c}));
    EXPECT_EQ(book_->GetCustomerDataPinPoint(b, kElemDMOk), "Y");
}

TEST_F(SendRunTest, ConnectionRenewedAfterEveryThousandMessages) {
    for (const bool pipelining : {false, true}) {
        SCOPED_TRACE(pipelining ? "PIPELINING" : "no PIPELINING");
        SendTestServer server(pipelining ? std::vector<std::string>{"--pipelining"} : std::vector<std::string>{});
        UseServer(server.port());
        std::vector<int> people;
        for (int i = 0; i < 1001; ++i)
            people.push_back(Person(("p" + std::to_string(i) + (pipelining ? "-p" : "") + "@example.jp").c_str()));
        const int mail = MakeMail(people, "s", "b");
        ASSERT_EQ(Send(mail), 0) << lastError_;
        EXPECT_EQ(server.Count(), 1001);
        EXPECT_EQ(server.Sessions(), 2);
        EXPECT_EQ(HistoryOnDisk(mail).size(), 1001u);
    }
}

TEST_F(SendRunTest, AuthenticationFallsBackFromCramMd5) {
    // The project's plain handler, which offers LOGIN and PLAIN but not CRAM-MD5.
    nettest::SpawnedSmtpServer server({"--user", "shop:secret", "--exclude", "CRAM-MD5"});
    UseServer(server.port());
    SetOption(90, "Y");
    SetOption(94, "shop");
    SetOption(95, "secret");
    const int mail = MakeMail({Person("a@example.jp")}, "s", "b");
    ASSERT_EQ(Send(mail), 0) << lastError_;
    EXPECT_FALSE(server.Message(1).empty());
    EXPECT_NE(server.AuthLog().find("shop secret"), std::string::npos) << server.AuthLog();
}

TEST_F(SendRunTest, StopFlagsEndTheRunBeforeItConnects) {
    SendTestServer server;
    UseServer(server.port());
    FixNow(sendtest::At(2024, 6, 1, 10, 3, 20));
    struct Case {
        CSendJob::Flag flag;
        const char* shown;
        const char* status;
    } cases[] = {{CSendJob::kCancel, "送信をキャンセルしました", "D"},
                 {CSendJob::kWindowEnded, "送信可能時刻が終わりました", "I"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        const int mail = MakeMail({Person("a@example.jp")}, "s", "b");
        EXPECT_EQ(Send(mail, [&](CSendJob& job) { job.SetFlag(c.flag); }), -1);
        EXPECT_EQ(observer_.Statuses().back(), U8(c.shown));
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), c.status);
    }
    EXPECT_EQ(server.Sessions(), 0);
}

// Makes every later write through the open descriptors of `path` fail as on a full disk.
void FillTheDiskUnder(const std::string& path) {
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(e.path(), ec) == path) ::dup2(full, std::stoi(e.path().filename()));
    }
    ::close(full);
}

TEST_F(SendRunTest, FailedProgressRecordStopsTheRunWithoutLosingTheSent) {
    // The progress record cannot be written: from the start (a folder stands where its
    // file goes), or once the first message went out (the disk is full).
    for (const bool fromTheStart : {true, false}) {
        SCOPED_TRACE(fromTheStart ? "from the start" : "after the first message");
        SendTestServer server;
        UseServer(server.port());
        const int a = Person("a@example.jp");
        const int b = Person("b@example.jp");
        const int mail = MakeMail({a, b}, "s", "b");
        const std::string journal = env_layout::MailHistoryProgressFile(*env_, mail);
        if (fromTheStart) {
            std::filesystem::create_directory(journal);
        } else {
            SetSendFaultProbeForTesting([&](std::string_view at) {
                if (at == "accepted") FillTheDiskUnder(journal);
            });
        }
        EXPECT_EQ(Send(mail), -1);
        SetSendFaultProbeForTesting({});
        EXPECT_TRUE(EndedFailedWithItsReason(observer_.Statuses()));
        // Nothing goes out unless the record of its going is on the disk.
        EXPECT_EQ(server.Count(), fromTheStart ? 0 : 1);
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), "E");
        // The one sent is in the history all the same (its whole save at the end), so the
        // next run does not send it again.
        std::filesystem::remove(journal);
        if (!fromTheStart) {
            EXPECT_EQ(State(mail, a), "C");
        }
        ReserveAgain(mail);
        EXPECT_EQ(Send(mail), 0);
        EXPECT_EQ(server.Count(), 2);
        EXPECT_EQ(State(mail, a), "C");
        EXPECT_EQ(State(mail, b), "C");
    }
}

TEST_F(SendRunTest, MailWithoutRecipientListEndsQuietly) {
    SendTestServer server;
    UseServer(server.port());
    const int mail = AddMail("W");
    ASSERT_EQ(mails_->WriteMailList(1), 0);
    WriteBodies(mail, "s", "b");
    EXPECT_EQ(Send(mail), 0);
    EXPECT_EQ(observer_.Statuses().back(), U8("送信対象が0件です"));
    EXPECT_EQ(server.Sessions(), 0);
}

// A mail that ended - with a person refused, or sent to everyone - and is sent again with
// nobody left in its list keeps the status it ended with and its history's counts, and
// nothing goes out: a run with nobody to send changes no mail's outcome.
TEST_F(SendRunTest, AMailSentAgainWithNobodyLeftKeepsTheStatusItEndedWith) {
    struct Case {
        const char* name;
        std::vector<std::string> server;
        const char* ended;
    } cases[] = {
        {"a person refused", {"--refuse", "bad@example.jp"}, "E"},
        {"sent to everyone", {}, "C"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SendTestServer server(c.server);
        UseServer(server.port());
        const int mail = MakeMail({Person("ok@example.jp"), Person("bad@example.jp")}, "s", "b");
        ASSERT_EQ(Send(mail), 0);
        ASSERT_EQ(MailOnDisk(mail).GetStatus(), c.ended);
        ASSERT_TRUE(RecipientsOnDisk(mail).empty());
        const int sent = server.Count();
        ReserveAgain(mail);
        EXPECT_EQ(Send(mail), 0) << lastError_;
        EXPECT_EQ(observer_.Statuses().back(), U8("送信対象が0件です"));
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), c.ended);
        ExpectCountsAsTheHistorySays(mail);
        EXPECT_EQ(server.Count(), sent);
    }
}

// A mail whose list still names only people its history records (a run killed before it
// rewrote the list) has nobody to send to and ends without a server: one that is down does
// not keep it waiting (was: the run connected first, and with the server down the mail went
// back to wait, to be tried again every minute).
TEST_F(SendRunTest, AMailWhoseListNamesOnlyRecordedPeopleEndsWithoutAServer) {
    const int a = Person("a@example.jp"), b = Person("b@example.jp");
    int mail = 0;
    {
        SendTestServer server;
        UseServer(server.port());
        mail = MakeMail({a, b}, "s", "b");
        ASSERT_EQ(Send(mail), 0);
        ASSERT_EQ(MailOnDisk(mail).GetStatus(), "C");
    }
    WriteRecipients(mail, {a, b});
    ReserveAgain(mail);
    UseServer(nettest::ClosedPort());
    const qsizetype before = observer_.Statuses().size();
    EXPECT_EQ(Send(mail), 0) << lastError_;
    EXPECT_TRUE(flags_.empty());
    EXPECT_EQ(observer_.Statuses().mid(before),
              (QStringList{U8("送信を開始します"), U8("送信が正常に終了しました")}));
    EXPECT_EQ(MailOnDisk(mail).GetStatus(), "C");
    EXPECT_TRUE(RecipientsOnDisk(mail).empty());
    ExpectCountsAsTheHistorySays(mail);
}

// The user cancels the reservation, opens the mail for editing or deletes it just as its
// run begins (the status window does not keep the main window from it): before the run
// took the mail nothing is sent and the mail keeps what the user made it; once the run
// sends, a state the user gives the mail survives the run's end, with the counts of its
// history.
TEST_F(SendRunTest, AMailTheUserTakesBackAsItsRunBeginsKeepsTheUsersState) {
    SendTestServer server;
    UseServer(server.port());
    const auto toDraft = [this](int mail) {
        COneMailData m = Mail(mail);
        m.SetStatus("D", 0);
        ASSERT_EQ(mails_->SetMailData(m), 0);
        ASSERT_EQ(mails_->WriteMailList(0), 0);
    };
    const auto toDeleted = [&](int mail) {
        toDraft(mail);
        ASSERT_EQ(mails_->DeleteMailData(mail), 0);
        ASSERT_EQ(mails_->WriteMailList(0), 0);
    };
    struct Case {
        const char* name;
        const char* point;  // where the user's change lands
        bool deleted;       // else cancelled or opened for editing: a draft
    } cases[] = {
        {"cancelled as the run takes it", "taking", false},
        {"deleted as the run takes it", "taking", true},
        {"made a draft while it is sent", "recorded", false},
        {"deleted while it is sent", "recorded", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = server.Count();
        const std::vector<int> people = {Person("a@example.jp"), Person("b@example.jp")};
        const int mail = MakeMail(people, "s", "b");
        bool changed = false;
        SetSendFaultProbeForTesting([&](std::string_view at) {
            if (changed || at != c.point) return;
            changed = true;
            c.deleted ? toDeleted(mail) : toDraft(mail);
        });
        EXPECT_EQ(Send(mail), 0) << lastError_;
        SetSendFaultProbeForTesting({});
        ASSERT_TRUE(changed);
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), c.deleted ? "S" : "D");
        ExpectCountsAsTheHistorySays(mail);
        if (std::string_view(c.point) == "taking") {
            EXPECT_EQ(server.Count(), before);
            EXPECT_TRUE(HistoryOnDisk(mail).empty());
            EXPECT_EQ(RecipientsOnDisk(mail), people);
        } else {
            EXPECT_EQ(server.Count(), before + 2);
            EXPECT_EQ(MailOnDisk(mail).GetSentNumber(), 2);
        }
    }
}

TEST(MailTimeouts, DigitsOnlyElseTheDefaultAndWrittenBack) {
    nettest::TempDir dir;
    const std::string ini = (dir.path() / "QuendrelT.ini").string();
    struct Case {
        const char* stored;
        int used;
    } cases[] = {{"0600", 600}, {"6a", 60000}, {"", 60000}, {"1234567890", 60000}, {"999999999", 999999999}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        CIniManager::WriteProfileStringA(ini, "SMTPINFO", "SENDMAIL_TIMEOUT_BEFORE_CONNECT", c.stored);
        int before = 0, connected = 0;
        ReadMailTimeouts(ini, before, connected, false);
        EXPECT_EQ(before, c.used);
        EXPECT_EQ(connected, 60000);
        std::string back;
        CIniManager::GetProfileStringA(ini, "SMTPINFO", "SENDMAIL_TIMEOUT_BEFORE_CONNECT", back, "");
        EXPECT_EQ(back, std::to_string(c.used));
    }
    int before = 0, connected = 0;
    ReadMailTimeouts(ini, before, connected, true);
    EXPECT_EQ(before, 90000);
    EXPECT_EQ(ReadSendDelay(ini), 0);
    CIniManager::WriteProfileStringA(ini, "SMTPINFO", "SENDMAIL_DELAY", "250");
    EXPECT_EQ(ReadSendDelay(ini), 250);
}

}  // namespace
