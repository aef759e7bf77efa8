// The receive run against the real test POP server (Dovecot), over replies to a mail the
// test sent with the real send run: bounces in the layouts of Postfix, Exim, qmail,
// Sendmail and Microsoft Exchange, read receipts, a refusal, a registration, a delay
// warning and ordinary mail. After one run every effect is in the files; a second run
// finds nothing new; a run that reads everything again applies nothing twice.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>
#include <thread>

#include "app/sendrecv/receive_fault_probe.h"
#include "app/sendrecv/receive_password_dlg.h"
#include "app/sendrecv/tests/receive_fixture.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/type_text.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/foundation/env_layout.h"

namespace {

using rcvtest::SentCopy;
using ui::U8;

class ReceiveRunTest : public rcvtest::ReceiveRunTest {
protected:
    // A copy of `like` that carries the Message-ID of mail `mailId`, which the list does not
    // hold: its bounce can be traced to no mail.
    static SentCopy ForeignCopy(const SentCopy& like, int mailId) {
        SentCopy c = like;
        c.messageId = "<20240101000000000.00000." + std::to_string(mailId) + ".info@example.jp>";
        rcvtest::ReplaceAll(c.raw, like.messageId, c.messageId);
        return c;
    }
    // Gives the recipient a history row with no resend left.
    void ExhaustRetries(int mailId, int customer) {
        HistoryListViewer h(env_.get(), options_.get(), book_.get(), mails_.get());
        ASSERT_EQ(h.SetMailID(mailId, 1), 0);
        ASSERT_EQ(h.GetHDataFromFileToMemory(0, nullptr), 0);
        int retries = 3;
        ASSERT_EQ(h.TransferRetryNum(customer, retries, 1), 0);
        ASSERT_EQ(h.WriteHDataFromMemoryToFileCompel(), 0);
    }
    std::vector<int> RecipientListOnDisk(int mailId) {
        std::vector<int> ids = RecipientsOnDisk(mailId);
        std::sort(ids.begin(), ids.end());
        return ids;
    }
};

TEST_F(ReceiveRunTest, EveryKindOfReplyIsAppliedOnceAndNothingTwice) {
    std::vector<int> people;
    for (int i = 0; i < 7; ++i) people.push_back(AddPerson("p" + std::to_string(i) + "@example.net"));
    const int refuser = AddPerson("stop@example.jp", Utf8ToSjis("拒否"));
    people.push_back(refuser);
    int mail = 0;
    std::map<int, SentCopy> sent = SendMail(people, mail);
    ASSERT_EQ(sent.size(), people.size());
    ExhaustRetries(mail, people[4]);
    ASSERT_EQ(MailOnDisk(mail).GetStatus(), "C");

    Deliver(Reply("ordinary.eml", sent[people[0]]));
    Deliver(Reply("bounce_postfix.eml", sent[people[0]]));
    Deliver(Reply("bounce_exim.eml", sent[people[1]]));
    Deliver(Reply("bounce_qmail.eml", sent[people[2]]));
    Deliver(Reply("bounce_sendmail.eml", sent[people[3]]));
    Deliver(Reply("bounce_exchange.eml", sent[people[4]]));
    Deliver(Reply("read_receipt.eml", sent[people[5]]));
    Deliver(Reply("read_receipt.eml", sent[people[6]]));
    Deliver(Reply("read_receipt.eml", sent[people[5]]));  // opened already: nothing new
    Deliver(Reply("refusal.eml", sent[refuser]));
    Deliver(Reply("registration.eml", sent[people[0]], "newbie@example.jp",
                  rcvtest::RegistrationBody("newbie@example.jp", "山田", "花子", "42")));
    Deliver(Reply("delay_postfix.eml", sent[people[6]]));
    Deliver(Reply("bounce_postfix.eml", ForeignCopy(sent[people[0]], 99999)));
    Deliver(Reply("bounce_exim.eml", sent[people[0]]));  // waits for its resend already
    const std::vector<std::string> uids = MailboxUids();
    ASSERT_EQ(uids.size(), 14u);

    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
    EXPECT_EQ(shown_.total(), 14);
    EXPECT_EQ(shown_.processed(), 14);
    EXPECT_EQ(shown_.Kinds(), (std::array<int, 5>{4, 1, 1, 6, 2}));
    EXPECT_EQ(shown_.Statuses().last(), U8("受信が正常に終了しました"));
    EXPECT_EQ(lastUid_, uids.back());

    // Every effect is in the files.
    const auto history = HistoryOnDisk(mail);
    for (int i : {0, 1, 2, 3}) EXPECT_EQ(history.at(people[i]).first, "W") << i;
    EXPECT_EQ(history.at(people[4]).first, "E");
    EXPECT_EQ(BookOnDisk(people[4], kElemDMOk), "N");
    EXPECT_EQ(BookOnDisk(refuser, kElemDMOk), "N");
    EXPECT_EQ(BookOnDisk(people[0], kElemDMOk), "Y");
    const auto opened = OpenFlagsOnDisk(mail);
    EXPECT_EQ(opened.at(people[5]), "Y");
    EXPECT_EQ(opened.at(people[6]), "Y");
    EXPECT_EQ(opened.at(people[0]), "N");
    EXPECT_EQ(RecipientListOnDisk(mail), (std::vector<int>{people[0], people[1], people[2], people[3]}));
    const COneMailData record = MailOnDisk(mail);
    EXPECT_EQ(record.GetErrorNumber(), 6);
    EXPECT_EQ(record.GetOpenNumber(), 2);
    EXPECT_EQ(record.GetStatus(), "R");
    EXPECT_TRUE(record.GetReserveDate().IsValid());
    const auto registrations = ListOnDisk(receive_stores::kRegistrations);
    ASSERT_EQ(registrations.size(), 1u);
    ASSERT_EQ(registrations[0].size(), 56u);
    EXPECT_EQ(registrations[0][kElemCustomerID], "-1");
    EXPECT_EQ(registrations[0][kElemEmail], "newbie@example.jp");
    EXPECT_EQ(registrations[0][kElemKanjiSei], Utf8ToSjis("山田"));
    EXPECT_EQ(registrations[0][kElemZipCode1], "1500001");
    EXPECT_EQ(registrations[0][kElemPhone1], "03-1234-5678");
    EXPECT_EQ(registrations[0][kElemExtraFirst], "42");
    for (int e : {23, 27, 48, 53, 54, 55}) EXPECT_EQ(registrations[0][static_cast<std::size_t>(e)], "") << e;
    EXPECT_EQ(ListOnDisk(receive_stores::kRefusals), (std::vector<std::vector<std::string>>{{"stop@example.jp"}}));
    EXPECT_EQ(MailboxUids().size(), 14u);  // option 7 off: everything stays on the server

    // A second run finds nothing new.
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal);
    EXPECT_TRUE(shown_.Statuses().contains(U8("受信メールはありません")));
    EXPECT_EQ(shown_.Kinds(), (std::array<int, 5>{}));
    EXPECT_EQ(lastUid_, uids.back());

    // The place of the last run lost: every message is read again, and nothing is applied
    // a second time.
    lastUid_.clear();
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
    EXPECT_EQ(shown_.Kinds(), (std::array<int, 5>{14, 0, 0, 0, 0}));
    EXPECT_EQ(MailOnDisk(mail).GetErrorNumber(), 6);
    EXPECT_EQ(MailOnDisk(mail).GetOpenNumber(), 2);
    EXPECT_EQ(ListOnDisk(receive_stores::kRegistrations).size(), 1u);
    EXPECT_EQ(ListOnDisk(receive_stores::kRefusals).size(), 1u);
}

TEST_F(ReceiveRunTest, HandledMessagesAreDeletedOnlyAfterTheirChangesAreSaved) {
    SetOption(CPopReceiveSession::kOptionDeleteHandled, "Y");
    std::vector<int> people;
    for (int i = 0; i < 4; ++i) people.push_back(AddPerson("d" + std::to_string(i) + "@example.net"));
    int mail = 0;
    std::map<int, SentCopy> sent = SendMail(people, mail);
    Deliver(Reply("ordinary.eml", sent[people[0]]));
    Deliver(Reply("bounce_postfix.eml", sent[people[1]]));
    Deliver(Reply("read_receipt.eml", sent[people[2]]));
    Deliver(Reply("refusal.eml", sent[people[3]]));
    Deliver(Reply("registration.eml", sent[people[0]], "reg@example.jp",
                  rcvtest::RegistrationBody("reg@example.jp", "佐藤", "一郎")));
    Deliver(Reply("bounce_qmail.eml", ForeignCopy(sent[people[0]], 4242)));
    const std::vector<std::string> uids = MailboxUids();
    ASSERT_EQ(uids.size(), 6u);

    // When the deletions are sent (before the logout that makes them happen), the files
    // hold everything already.
    bool checked = false;
    SetReceiveFaultProbeForTesting([&](std::string_view point) {
        if (point != "deleted") return;
        checked = true;
        EXPECT_EQ(HistoryOnDisk(mail)[people[1]].first, "W");
        EXPECT_EQ(OpenFlagsOnDisk(mail)[people[2]], "Y");
        EXPECT_EQ(ListOnDisk(receive_stores::kRefusals).size(), 1u);
        EXPECT_EQ(ListOnDisk(receive_stores::kRegistrations).size(), 1u);
        EXPECT_EQ(BookOnDisk(people[3], kElemDMOk), "N");
    });
    const int r = Receive();
    SetReceiveFaultProbeForTesting({});
    ASSERT_EQ(r, CPopReceiveSession::kRunNormal) << runError_;
    EXPECT_TRUE(checked);
    // Exactly the unrelated messages stay, and LAST_UID is the last of them.
    std::vector<std::string> kept = {uids[0], uids[5]};
    std::vector<std::string> left = MailboxUids();
    std::sort(kept.begin(), kept.end());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, kept);
    EXPECT_EQ(lastUid_, uids[5]);

    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal);
    EXPECT_TRUE(shown_.Statuses().contains(U8("受信メールはありません")));
}

TEST_F(ReceiveRunTest, AFailedSaveKeepsTheMessagesOnTheServerAndAppliesThemNextTime) {
    SetOption(CPopReceiveSession::kOptionDeleteHandled, "Y");
    std::vector<int> people = {AddPerson("f0@example.net"), AddPerson("f1@example.net"), AddPerson("f2@example.net")};
    int mail = 0;
    std::map<int, SentCopy> sent = SendMail(people, mail);
    Deliver(Reply("bounce_sendmail.eml", sent[people[0]]));
    Deliver(Reply("read_receipt.eml", sent[people[1]]));
    Deliver(Reply("refusal.eml", sent[people[2]]));
    const std::vector<std::string> uids = MailboxUids();

    // The history's staged records cannot be written (a folder stands in their place).
    const std::filesystem::path blocker = env_layout::MailHistoryProgressFile(*env_, mail) + ".rcv";
    std::filesystem::create_directory(blocker);
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunFailed);
    EXPECT_EQ(QString::fromStdString(runError_), U8("受信結果の保存に失敗しました\r\n受信したメールはサーバに残してあります"));
    EXPECT_EQ(shown_.Statuses().last(), U8("受信が正常に終了しませんでした\r\n") + QString::fromStdString(runError_));
    EXPECT_EQ(MailboxUids(), uids);
    EXPECT_EQ(lastUid_, "");
    EXPECT_EQ(HistoryOnDisk(mail)[people[0]].first, "C");
    EXPECT_EQ(Mail(mail).GetErrorNumber(), 0);  // memory as the files hold it
    EXPECT_EQ(Mail(mail).GetOpenNumber(), 0);
    EXPECT_TRUE(ListOnDisk(receive_stores::kRefusals).empty());

    std::filesystem::remove(blocker);
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
    EXPECT_TRUE(MailboxUids().empty());
    EXPECT_EQ(HistoryOnDisk(mail)[people[0]].first, "W");
    EXPECT_EQ(MailOnDisk(mail).GetErrorNumber(), 1);
    EXPECT_EQ(MailOnDisk(mail).GetOpenNumber(), 1);
    EXPECT_EQ(ListOnDisk(receive_stores::kRefusals).size(), 1u);
    EXPECT_EQ(BookOnDisk(people[2], kElemDMOk), "N");
}

// A refusal is of the address: a person in the book more than once (living before a deleted
// copy, or imported twice with the address in other letters) is mailed by none of them.
TEST_F(ReceiveRunTest, ARefusalStopsEveryRecordOfTheAddress) {
    const int living = AddPerson("twice@example.jp");
    const int other = AddPerson("other@example.jp");
    const int deleted = AddPerson("twice@example.jp", "", "", "Y", "Y");
    const int imported = AddPerson("Twice@Example.JP");
    int mail = 0;
    std::map<int, SentCopy> sent = SendMail({living, other}, mail);
    Deliver(Reply("refusal.eml", sent[living]));
    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
    for (int id : {living, deleted, imported}) EXPECT_EQ(BookOnDisk(id, kElemDMOk), "N") << id;
    EXPECT_EQ(BookOnDisk(other, kElemDMOk), "Y");
}

// Refusals in the forms real mail programs give them stop advertising mail through a real
// receive run: replies in HTML only (the HTML of Gmail, of Outlook in ISO-2022-JP
// quoted-printable, of iPhone Mail in base64 with the mark typed in full width), the mark
// in full-width letters in a plain ISO-2022-JP reply, and the keyword typed in full-width
// letters and half-width katakana. A thank-you that quotes our mark changes nothing.
TEST_F(ReceiveRunTest, RefusalsInHtmlOnlyAndFullWidthFormsStopAdvertisingMail) {
    SetOption(CPopReceiveSession::kOptionRefuseByKeyword, "Y");
    SetOption(CPopReceiveSession::kOptionRefusalKeyword, Utf8ToSjis("ストップ"));
    const std::map<std::string, std::string> replies = {
        {"analyzer_refuse_html_gmail.eml", "taro.yamada@gmail.example.com"},
        {"analyzer_refuse_html_outlook.eml", "sato@example.co.jp"},
        {"analyzer_refuse_html_iphone.eml", "ichiro.suzuki@icloud.example.com"},
        {"analyzer_refuse_wide_jis.eml", "takahashi@ezweb.example.ne.jp"},
        {"analyzer_refuse_keyword_wide.eml", "hanako.kimura@gmail.example.com"},
        {"analyzer_html_quoted_mark.eml", "jiro.tanaka@gmail.example.com"},
    };
    std::map<std::string, int> people;
    for (const auto& [file, address] : replies) people[address] = AddPerson(address);
    const int bystander = AddPerson("bystander@example.jp");
    for (const auto& [file, address] : replies)
        Deliver(rcvtest::Crlf(nettest::ReadFile(std::string(OMBREL_RECEIVED_MAILS) + "/" + file)));

    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
    for (const auto& [address, id] : people)
        EXPECT_EQ(BookOnDisk(id, kElemDMOk), address == "jiro.tanaka@gmail.example.com" ? "Y" : "N") << address;
    EXPECT_EQ(BookOnDisk(bystander, kElemDMOk), "Y");
    EXPECT_EQ(ListOnDisk(receive_stores::kRefusals).size(), 5u);
    EXPECT_EQ(shown_.Kinds(), (std::array<int, 5>{1, 0, 5, 0, 0}));
}

// Replies in the shapes today's mail programs write them, through a real receive run: the
// HTML of Gmail's and Outlook's alternatives beside an empty text part, a mark written
// "&LT;REFUSE&GT;", a text file attached before the body, a refusal written below the
// quotation of our mail (Thunderbird's plain text, Gmail's HTML), one after text the HTML
// hides, stop advertising mail; bottom-posted thanks quoting our instruction (Thunderbird,
// Apple Mail, a carrier's mail program, Gmail) and a hidden mark change nothing, also with
// the refusal keyword on; a web form's registration sent as HTML with its tags as markup
// joins the registration list with its fields.
TEST_F(ReceiveRunTest, RepliesCountAsTheirWritersMeantThem) {
    SetOption(CPopReceiveSession::kOptionRefuseByKeyword, "Y");
    SetOption(CPopReceiveSession::kOptionRefusalKeyword, Utf8ToSjis("停止"));
    const struct {
        const char* file;
        const char* address;
        bool refuses;
    } replies[] = {
        {"reply_gmail_alt_empty_text.eml", "aya.yamaguchi@gmail.example.com", true},
        {"reply_outlook_alt_empty_text.eml", "nakano@example.co.jp", true},
        {"reply_html_entity_mark.eml", "kenji.mori@webmail.example.ne.jp", true},
        {"reply_text_file_first.eml", "ishii@example.ne.jp", true},
        {"reply_thunderbird_bottom_refusal.eml", "ono@example.org", true},
        {"reply_gmail_bottom_refusal.eml", "kimura.s@gmail.example.com", true},
        {"reply_hidden_then_mark.eml", "yui.endo@app.example.com", true},
        {"reply_thunderbird_bottom_thanks.eml", "mai.ono@example.org", false},
        {"reply_applemail_bottom_thanks.eml", "kobayashi@icloud.example.com", false},
        {"reply_quote_first_jis.eml", "fujita@docomo.example.ne.jp", false},
        {"reply_gmail_bottom_thanks.eml", "kimura.t@gmail.example.com", false},
        {"reply_hidden_mark.eml", "endo@app.example.com", false},
    };
    std::map<std::string, int> people;
    for (const auto& r : replies) people[r.address] = AddPerson(r.address);
    const auto file = [](const char* name) {
        return rcvtest::Crlf(nettest::ReadFile(std::string(OMBREL_RECEIVED_MAILS) + "/" + name));
    };
    for (const auto& r : replies) Deliver(file(r.file));
    Deliver(file("register_form_html.eml"));

    ASSERT_EQ(Receive(), CPopReceiveSession::kRunNormal) << runError_;
    for (const auto& r : replies) EXPECT_EQ(BookOnDisk(people[r.address], kElemDMOk), r.refuses ? "N" : "Y") << r.file;
    EXPECT_EQ(ListOnDisk(receive_stores::kRefusals).size(), 7u);
    const auto registrations = ListOnDisk(receive_stores::kRegistrations);
    ASSERT_EQ(registrations.size(), 1u);
    EXPECT_EQ(registrations[0][kElemEmail], "ogawa@example.jp");
    EXPECT_EQ(registrations[0][kElemKanjiSei], Utf8ToSjis("小川"));
    EXPECT_EQ(registrations[0][kElemKanjiMei], Utf8ToSjis("純"));
    EXPECT_EQ(registrations[0][kElemCompany], Utf8ToSjis("小川商店"));
    EXPECT_EQ(registrations[0][kElemBirthday], "1980/04/01");
    EXPECT_EQ(shown_.Kinds(), (std::array<int, 5>{5, 1, 7, 0, 0}));
}

// The user saves a record, and the address book is saved whole (its window closes), while
// a run is between applying its messages and committing them: a fresh open finds both the
// edit and the run's marks. (The run used to stage a whole copy of the book before, and put
// it in place of the newer book after the commit.)
TEST_F(ReceiveRunTest, AnEditSavedDuringTheRunIsKept) {
    std::vector<int> people = {AddPerson("e0@example.net"), AddPerson("e1@example.net"), AddPerson("e2@example.net")};
    ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);
    int mail = 0;
    std::map<int, SentCopy> sent = SendMail(people, mail);
    Deliver(Reply("refusal.eml", sent[people[1]]));
    Deliver(Reply("refusal.eml", sent[people[2]]));
    for (const char* point : {"applied", "staged"}) {
        SCOPED_TRACE(point);
        int edits = 0;
        SetReceiveFaultProbeForTesting([&](std::string_view at) {
            if (at != point || edits > 0) return;
            ++edits;
            // The user's thread, not the run's.
            std::thread user([&] {
                OneCustomer c;
                ASSERT_EQ(book_->GetOneCustomerForEdit(c, people[0]), 0);
                c.Company = point;
                ASSERT_EQ(book_->SetOneCustomerInfo(c, 0), 0);
                ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);
            });
            user.join();
        });
        const int r = Receive();
        SetReceiveFaultProbeForTesting({});
        ASSERT_EQ(r, CPopReceiveSession::kRunNormal) << runError_;
        EXPECT_EQ(edits, 1);
        EXPECT_EQ(BookOnDisk(people[0], kElemCompany), point);
        EXPECT_EQ(BookOnDisk(people[1], kElemDMOk), "N");
        EXPECT_EQ(BookOnDisk(people[2], kElemDMOk), "N");
        EXPECT_FALSE(std::filesystem::exists(env_layout::DatabaseFile(*env_) + ".rcv"));
        // Again, with the replies still on the server (no deletion): the second pass changes
        // nothing the first made.
        Deliver(Reply("refusal.eml", sent[people[1]]));
    }
}

TEST_F(ReceiveRunTest, SettingsThatCannotWorkEndTheRunWithTheirMessage) {
    SetOption(CPopReceiveSession::kOptionLoginMethod, "7");
    EXPECT_EQ(Receive(), CPopReceiveSession::kRunFailed);
    EXPECT_EQ(QString::fromStdString(runError_),
              U8("受信プロトコルの設定がされていません\r\nシステム設定の必須項目の確認をしてください"));

    SetOption(CPopReceiveSession::kOptionLoginMethod, "0");
    SetOption(CPopReceiveSession::kOptionPassword, "wrong");
    EXPECT_EQ(Receive(), CPopReceiveSession::kRunFailed);
    EXPECT_FALSE(runError_.empty());
    // The reason stays in the window after the run.
    EXPECT_EQ(shown_.Statuses().last(), U8("受信が正常に終了しませんでした\r\n") + QString::fromStdString(runError_));
}

TEST_F(ReceiveRunTest, WithoutAStoredPasswordTheDialogAsksForIt) {
    SetOption(CPopReceiveSession::kOptionPasswordStored, "N");
    // OK is enabled exactly while the edit holds text.
    ui::test::WhenDialogShows(ui::DialogName(CReceivePasswordDlg::kIdd), [](QDialog* d) {
        auto* ok = ui::FindControl<QPushButton>(d, 1);
        auto* edit = ui::FindControl<QLineEdit>(d, CReceivePasswordDlg::kIdcPassword);
        EXPECT_FALSE(ok->isEnabled());
        ui::test::TypeText(edit, "secret");
        EXPECT_TRUE(ok->isEnabled());
        ok->click();
    });
    EXPECT_EQ(Receive([](CPopReceiveSession& s) { s.SetPasswordPrompt({}); }), CPopReceiveSession::kRunNormal)
        << runError_;

    ui::test::WhenDialogShows(ui::DialogName(CReceivePasswordDlg::kIdd), [](QDialog* d) { ui::test::ClickControl(d, 2); });
    EXPECT_EQ(Receive(), CPopReceiveSession::kRunFailed);
    EXPECT_EQ(QString::fromStdString(runError_), U8("パスワードが入力されなかったので\r\n接続がキャンセルされました"));
}

TEST_F(ReceiveRunTest, LoginTestReportsEachOutcome) {
    std::string text;
    sendtest::RecordingObserver seen;
    const SendEnvironment env = Stores();
    EXPECT_EQ(TestReceiveServerLogin(text, nullptr, &seen, env), 0);
    EXPECT_EQ(seen.Statuses(), (QStringList{U8("受信サーバに接続中です"), U8("受信サーバ接続に成功しました"),
                                            U8("受信サーバから切断しました")}));

    // Implicit TLS on the POP3S port, the certificate not checked (the test's own).
    SetOption(CPopReceiveSession::kOptionPort, std::to_string(dovecot_->pop3sPort()));
    SetOption(CPopReceiveSession::kOptionSsl, "Y");
    SetOption(CPopReceiveSession::kOptionSslKind, "1");
    SetOption(CPopReceiveSession::kOptionSslLenient, "Y");
    EXPECT_EQ(TestReceiveServerLogin(text, nullptr, nullptr, env), 0);
    SetOption(CPopReceiveSession::kOptionSslKind, "5");
    EXPECT_EQ(TestReceiveServerLogin(text, nullptr, nullptr, env), -1);
    EXPECT_EQ(QString::fromStdString(SjisToUtf8(text)), U8("受信時の暗号化通信の設定が正しくありません"));
    SetOption(CPopReceiveSession::kOptionSsl, "N");
    SetOption(CPopReceiveSession::kOptionPort, std::to_string(dovecot_->pop3Port()));

    SetOption(CPopReceiveSession::kOptionLoginMethod, "x");
    EXPECT_EQ(TestReceiveServerLogin(text, nullptr, nullptr, env), -2);
    SetOption(CPopReceiveSession::kOptionLoginMethod, "0");

    SetOption(CPopReceiveSession::kOptionPassword, "wrong");
    text.clear();
    const int refused = TestReceiveServerLogin(text, nullptr, nullptr, env);
    EXPECT_LT(refused, -2);
    EXPECT_NE(text.find("\r\n\r\n"), std::string::npos);

    std::atomic<int> cancel{1};
    EXPECT_EQ(TestReceiveServerLogin(text, &cancel, nullptr, env), 2);
}

TEST_F(ReceiveRunTest, CancelWhileConnectingEndsTheRunAsCancelled) {
    // A server that accepts and never greets.
    nettest::ScriptedServer silent([](nettest::ScriptConn& c) { c.WaitClose(); });
    SetOption(CPopReceiveSession::kOptionPort, std::to_string(silent.port()));
    std::atomic<CPopReceiveSession*> running{nullptr};
    std::thread canceller([&] {
        sendtest::WaitFor([&] { return shown_.Statuses().contains(U8("受信サーバに接続中です")); });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        running.load()->InterruptReceive();
    });
    const int r = Receive([&](CPopReceiveSession& s) { running = &s; });
    canceller.join();
    EXPECT_EQ(r, CPopReceiveSession::kRunCancelled);
    EXPECT_EQ(shown_.Statuses().last(), U8("受信をキャンセルしました"));
}

}  // namespace
