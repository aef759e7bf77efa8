// The status dialog on the GUI thread: what the worker's reports show, the display-only
// fields, a cancel at every state of a run (which part it stops, that the window stays
// until the run has ended and that the GUI thread never waits), the busy flag from the
// window's creation to its close, a run while the program is locked, and a real send run
// to a test server: its progress, a failed one that stays on the screen, one cancelled; a
// real receive run from the test POP server followed by a send, line by line.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/sendrecv/display_only_edit.h"
#include "app/sendrecv/send_receive_dlg.h"
#include "app/sendrecv/tests/receive_fixture.h"
#include "app/sendrecv/tests/send_receive_fixture.h"
#include "app/sendrecv/tests/send_run_fixture.h"
#include "app/ui/control_ids.h"
#include "app/ui/testing/type_text.h"
#include "platform/notifier.h"

namespace {
namespace send_receive_dlg_test {

using namespace srtest;
using ui::test::WaitUntil;

// The parts the dialog makes for a run, as the test scripted them.
struct FakeParts {
    FakeReceiver* receiver = nullptr;
    FakeSender* sender = nullptr;
    CDialupConnection* dialup = nullptr;
    std::function<void(FakeReceiver&, FakeSender&)> script;
};

class StatusDialogTest : public SendReceiveEnvTest {
protected:
    void SetUp() override {
        SendReceiveEnvTest::SetUp();
        now_ = T(2024, 5, 10, 12, 0);
        SetOption(CommNetRules::kOptionDialupUsed, "N");
        SetOption(CDialupConnection::kOptionUseStoredLogin, "Y");
        SetOption(CDialupConnection::kOptionEntry, "office");
        SetOption(CommNetRules::kOptionWindowOn, "N");
        provider_ = std::make_unique<FakeDialupProvider>();
        parts_ = FakeParts();
        commDone_ = lockShown_ = resultsShown_ = 0;
        closeOnDone_ = true;
        locked_ = false;
        dialog_ = std::make_unique<CSendReceiveDlg>();
        dialog_->SetPauses(false);
        dialog_->SetPartsFactory([this](QWidget* owner) {
            SendReceiveRunParts parts;
            parts.rules = Rules();
            auto receiver = std::make_unique<FakeReceiver>();
            auto sender = std::make_unique<FakeSender>(mails_.get());
            parts_.receiver = receiver.get();
            parts_.sender = sender.get();
            if (parts_.script) parts_.script(*receiver, *sender);
            parts.receiver = std::move(receiver);
            parts.sender = std::move(sender);
            parts.dialup = std::make_unique<CDialupConnection>(parts.rules, *provider_);
            parts.dialup->SetOwnerWindow(owner);
            parts_.dialup = parts.dialup.get();
            return parts;
        });
        CSendReceiveDlg::ShellHooks hooks;
        hooks.commDone = [this] {
            ++commDone_;
            kindDuringDone_ = dialog_->RunKind();
            if (closeOnDone_) dialog_->close();
        };
        hooks.isLocked = [this] { return locked_; };
        hooks.showLockWindow = [this] { ++lockShown_; };
        hooks.showReceiveResults = [this](QWidget*) { ++resultsShown_; };
        dialog_->SetShellHooks(hooks);
    }
    void TearDown() override {
        dialog_.reset();
        SendReceiveEnvTest::TearDown();
    }
    template <class W>
    W* Control(int id) {
        W* w = ui::FindControl<W>(dialog_.get(), id);
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    QString Field(int id) { return Control<CNoInputEdit>(id)->Text(); }
    // Waits (answering the GUI thread's events) until the run's end was handled.
    bool WaitForEnd() { return WaitUntil([this] { return commDone_ > 0 && !dialog_->IsRunning(); }, 20000); }

    std::unique_ptr<CSendReceiveDlg> dialog_;
    FakeParts parts_;
    std::unique_ptr<FakeDialupProvider> provider_;
    int commDone_ = 0, lockShown_ = 0, resultsShown_ = 0, kindDuringDone_ = -1;
    bool closeOnDone_ = true, locked_ = false;
};

TEST_F(StatusDialogTest, ReportsShowAsTheDialogGivesThem) {
    SetOption(CSendReceiveDlg::kOptionAutoClose, "Y");
    EXPECT_EQ(dialog_->objectName(), "dlg252");
    EXPECT_EQ(dialog_->windowTitle(), U8("Varnis メール送受信状況"));
    dialog_->Launch(2, -1);  // the fake receive returns at once
    ASSERT_TRUE(WaitForEnd());
    EXPECT_TRUE(Control<QCheckBox>(CSendReceiveDlg::kIdcAutoClose)->isChecked());

    dialog_->Create(false);
    struct StateCase {
        int state;
        const char* text;
    } states[] = {{10, "無通信モード"},           {11, "4/9通受信"},          {12, "送信前、受信サーバ接続"},
                  {13, "4/9通送信"},              {14, "自動ダイアルアップ接続"}, {15, "手動ダイアルアップ接続"}};
    for (const StateCase& s : states) {
        dialog_->OnStateCode(s.state);
        dialog_->OnTotal(9);
        dialog_->OnCurrent(4);
        dialog_->Refresh();
        EXPECT_EQ(dialog_->StateText(), U8(s.text));
        EXPECT_EQ(Field(CSendReceiveDlg::kIdcState), U8(s.text));
    }
    EXPECT_EQ(dialog_->SetState(16), 0);
    EXPECT_EQ(dialog_->SetState(9), 0);
    EXPECT_EQ(dialog_->SetMode(8), 0);
    EXPECT_EQ(dialog_->SetMode(-1), 0);
    EXPECT_EQ(dialog_->SetMode(7), 1);

    // The status line names the mail only while sending one.
    dialog_->OnStateCode(13);
    dialog_->OnStatusText(U8("送信中です"));
    EXPECT_EQ(dialog_->StatusLine(), U8("送信中です"));
    dialog_->OnMailId(12);
    dialog_->OnStatusText(U8("送信中です"));
    EXPECT_EQ(dialog_->StatusLine(), U8("[ID: 12] 送信中です"));
    EXPECT_EQ(Field(CSendReceiveDlg::kIdcStatus), U8("[ID: 12] 送信中です"));
    dialog_->OnStateCode(11);
    dialog_->OnStatusText(U8("受信中です"));
    EXPECT_EQ(dialog_->StatusLine(), U8("受信中です"));
    dialog_->OnStatusText(U8("送信に失敗したアドレスがあります\r\n個人情報を確認してください"));
    EXPECT_EQ(Field(CSendReceiveDlg::kIdcStatus), U8("送信に失敗したアドレスがあります\n個人情報を確認してください"));

    // Progress: up to 32767 steps, a larger total scaled.
    struct ProgressCase {
        int total, current, range, position;
    } progress[] = {{500, 20, 500, 20}, {32767, 32767, 32767, 32767}, {100000, 50000, 32767, 16383}, {0, 10, 32767, 3}};
    for (const ProgressCase& p : progress) {
        dialog_->OnTotal(p.total);
        dialog_->OnCurrent(p.current);
        dialog_->Refresh();
        EXPECT_EQ(dialog_->ProgressRange(), p.range) << p.total;
        EXPECT_EQ(dialog_->ProgressPosition(), p.position) << p.total;
    }

    // Counts by kind; a kind the dialog does not know counts as unrelated.
    for (int kind : {1, 1, 2, 3, 4, 4, 4, 0, 9}) dialog_->OnMailKind(kind);
    dialog_->Refresh();
    EXPECT_EQ(Field(CSendReceiveDlg::kIdcRegistrations), "2");
    EXPECT_EQ(Field(CSendReceiveDlg::kIdcRefusals), "1");
    EXPECT_EQ(Field(CSendReceiveDlg::kIdcErrorMails), "1");
    EXPECT_EQ(Field(CSendReceiveDlg::kIdcReadReceipts), "3");
    EXPECT_EQ(Field(CSendReceiveDlg::kIdcUnrelated), "2");
    dialog_->close();
}

TEST_F(StatusDialogTest, DisplayOnlyFieldsTakeNoInputButRepaint) {
    dialog_->Create(true);
    auto* field = Control<CNoInputEdit>(CSendReceiveDlg::kIdcStatus);
    field->SetText(U8("送信中です"));
    const int caret = field->textCursor().position();
    QTest::keyClicks(field, "abc");
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    ui::test::TypeText(field, "追加");
    QTest::mouseClick(field->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(field->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(field->Text(), U8("送信中です"));
    EXPECT_EQ(field->textCursor().position(), caret);
    EXPECT_FALSE(field->textCursor().hasSelection());
    EXPECT_FALSE(field->hasFocus());

    int paints = 0;
    struct PaintCounter : QObject {
        int* count;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++*count;
            return false;
        }
    } counter;
    counter.count = &paints;
    field->viewport()->installEventFilter(&counter);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    field->SetText(U8("送信が正常に終了しました"));
    EXPECT_TRUE(WaitUntil([&] { return paints > 0; }));
    EXPECT_EQ(field->Text(), U8("送信が正常に終了しました"));
    field->viewport()->removeEventFilter(&counter);
    dialog_->close();
}

// A cancel at each state of a run: the part at work is stopped, the run ends, the window
// stays until then, and nothing after the stopped part runs.
TEST_F(StatusDialogTest, CancelAtEveryStateOfTheRun) {
    struct Case {
        const char* name;
        int mode;
        int state;  // the state the run waits in when the cancel comes
        std::function<void()> setUp;
        bool windowEnd;  // the dial-up window guard stops the run instead of the button
        int interrupts, cancels, windowEnds, hangUps;
        int sent;
    };
    const Case cases[] = {
        {"manual dial-up", 3, 15,
         [&] {
             SetOption(CommNetRules::kOptionDialupUsed, "Y");
             provider_->neverAnswers = true;
         },
         false, 0, 0, 0, 1, 0},
        {"automatic dial-up, window ended", 4, 14,
         [&] {
             SetOption(CommNetRules::kOptionDialupUsed, "Y");
             provider_->neverAnswers = true;
         },
         true, 0, 0, 0, 1, 0},
        {"receiving", 1, 11, [&] { parts_.script = [](FakeReceiver& r, FakeSender&) { r.blockReceive = true; }; },
         false, 1, 0, 0, 0, 0},
        {"logging in before sending", 6, 12,
         [&] { parts_.script = [](FakeReceiver& r, FakeSender&) { r.blockLogin = true; }; }, false, 1,
         0, 0, 0, 0},
        {"sending", 3, 13, [&] { parts_.script = [](FakeReceiver&, FakeSender& s) { s.block = true; }; },
         false, 0, 1, 0, 0, 1},
        {"sending, window ended", 4, 13,
         [&] { parts_.script = [](FakeReceiver&, FakeSender& s) { s.block = true; }; }, true, 0, 0, 1,
         0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        closeOnDone_ = false;
        c.setUp();
        Due("W", 9, 0);
        Due("W", 10, 0);
        dialog_->Launch(c.mode, -1);
        EXPECT_TRUE(dialog_->IsRunning());
        EXPECT_EQ(dialog_->RunKind(), c.mode);
        // Waiting in the state named (the dial, the receive, the login or the send).
        ASSERT_TRUE(WaitUntil(
            [&] {
                if (dialog_->StateCode() != c.state) return false;
                if (c.state >= 14) return provider_->dials.load() == 1;
                if (c.state == 13) return parts_.sender->gate.IsWaiting();
                return parts_.receiver->gate.IsWaiting();
            },
            10000))
            << dialog_->StateCode() << " dials " << provider_->dials.load() << " "
            << dialog_->StatusLine().toStdString() << " prompts " << prompts_.prompts().size();
        const auto start = std::chrono::steady_clock::now();
        if (c.windowEnd) {
            dialog_->RequestStop();
        } else {
            Control<QPushButton>(CSendReceiveDlg::kIdcCancel)->click();
        }
        // The GUI thread came back at once; the window stays until the run has ended.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
        EXPECT_TRUE(dialog_->CancelRequested());
        ASSERT_TRUE(WaitUntil([this] { return commDone_ == 1; }, 20000));
        // The run's parts are the dialog's until its window closes.
        EXPECT_EQ(parts_.receiver->interrupts.load(), c.interrupts);
        EXPECT_EQ(parts_.sender->cancelled.load(), c.cancels);
        EXPECT_EQ(parts_.sender->windowEnded.load(), c.windowEnds);
        EXPECT_EQ(static_cast<int>(provider_->hangUps.size()), c.hangUps);
        EXPECT_EQ(static_cast<int>(parts_.sender->Sent().size()), c.sent);
        EXPECT_EQ(dialog_->Outcome(), RunOutcome::kCancelled);
        // The end was handled; the window stays (the box is not checked) until closed.
        EXPECT_FALSE(dialog_->IsRunning());
        EXPECT_TRUE(dialog_->isVisible());
        dialog_->close();
        EXPECT_FALSE(dialog_->isVisible());
        EXPECT_EQ(dialog_->RunKind(), 0);
    }
}

TEST_F(StatusDialogTest, BusyFromCreationToCloseAndOneRunAtATime) {
    closeOnDone_ = false;
    parts_.script = [](FakeReceiver&, FakeSender& s) { s.block = true; };
    const int mail = Due("W", 9, 0);
    dialog_->Launch(3, -1);
    EXPECT_TRUE(dialog_->isVisible());
    ASSERT_TRUE(WaitUntil([&] { return parts_.sender != nullptr && parts_.sender->gate.IsWaiting(); }));
    FakeSender* first = parts_.sender;
    // A second start while the run is under way changes nothing.
    dialog_->Launch(2, -1);
    EXPECT_EQ(dialog_->Mode(), 3);
    EXPECT_EQ(parts_.sender, first);
    // The close box is the cancel: the window stays until the run has ended.
    dialog_->close();
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(first->cancelled.load(), 1);
    ASSERT_TRUE(WaitUntil([&] { return commDone_ == 1; }));
    // While the program handled the end the run still counted as under way; then not.
    EXPECT_EQ(kindDuringDone_, 3);
    EXPECT_FALSE(dialog_->IsWorkerActive());
    EXPECT_FALSE(dialog_->IsRunning());
    EXPECT_TRUE(dialog_->IsOpen());
    dialog_->close();
    EXPECT_FALSE(dialog_->IsRunning());
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(Mail(mail).GetStatus(), "W");
    // The next run starts afresh.
    parts_.script = {};
    dialog_->Launch(3, -1);
    EXPECT_EQ(dialog_->CurrentMailId(), -1);
    EXPECT_FALSE(dialog_->CancelRequested());
    ASSERT_TRUE(WaitUntil([&] { return commDone_ == 2; }));
    dialog_->close();
    EXPECT_EQ(Mail(mail).GetStatus(), "C");
}

// How a run ended decides whether its window goes: only a run that did not fail closes it,
// and only when "このウィンドウを自動的に閉じる" is checked; otherwise it stays, showing the
// end, with "閉じる" to close it. The program's own end of the run comes either way.
TEST_F(StatusDialogTest, OnlyARunThatDidNotFailClosesItsWindowAndOnlyWhenTheBoxSaysSo) {
    struct Case {
        const char* name;
        const char* box;
        int mode;
        std::function<void(FakeReceiver&, FakeSender&, int mail)> script;
        RunOutcome outcome;
        bool stays;
    };
    const Case cases[] = {
        {"sent, box checked", "Y", 3, {}, RunOutcome::kSucceeded, false},
        {"sent, box not checked", "N", 3, {}, RunOutcome::kSucceeded, true},
        {"received, box checked", "Y", 2, {}, RunOutcome::kSucceeded, false},
        {"split send postponed, box checked", "Y", 3,
         [](FakeReceiver&, FakeSender& s, int mail) { s.results[mail] = -8; }, RunOutcome::kSucceeded, false},
        {"send failed, box checked", "Y", 3, [](FakeReceiver&, FakeSender& s, int mail) { s.results[mail] = -1; },
         RunOutcome::kFailed, true},
        {"addresses failed, box checked", "Y", 3,
         [](FakeReceiver&, FakeSender& s, int mail) { s.statusAfter[mail] = "R"; }, RunOutcome::kFailed, true},
        {"mail failed, box checked", "Y", 6,
         [](FakeReceiver&, FakeSender& s, int mail) { s.statusAfter[mail] = "E"; }, RunOutcome::kFailed, true},
        {"login failed, box checked", "Y", 3, [](FakeReceiver& r, FakeSender&, int) { r.loginResult = -301; },
         RunOutcome::kFailed, true},
        {"messages skipped, box checked", "Y", 1, [](FakeReceiver& r, FakeSender&, int) { r.receiveResult = -2; },
         RunOutcome::kFailed, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        closeOnDone_ = false;
        SetOption(CSendReceiveDlg::kOptionAutoClose, c.box);
        const int mail = Due("W", 9, 0);
        if (c.script) parts_.script = [&c, mail](FakeReceiver& r, FakeSender& s) { c.script(r, s, mail); };
        dialog_->Launch(c.mode, -1);
        ASSERT_TRUE(WaitUntil([&] { return commDone_ == 1 && !dialog_->IsRunning(); }, 20000));
        EXPECT_EQ(dialog_->Outcome(), c.outcome);
        EXPECT_EQ(dialog_->isVisible(), c.stays);
        EXPECT_EQ(dialog_->IsOpen(), c.stays);
        if (!c.stays) continue;
        // The end stays readable: the state and the last status line of the run.
        EXPECT_FALSE(Field(CSendReceiveDlg::kIdcState).isEmpty());
        QPushButton* button = Control<QPushButton>(CSendReceiveDlg::kIdcCancel);
        EXPECT_EQ(button->text(), U8("閉じる"));
        button->click();
        EXPECT_FALSE(dialog_->isVisible());
        EXPECT_FALSE(dialog_->IsOpen());
    }

    // A window left open is taken over by the next run, which starts as a run does.
    TearDown();
    SetUp();
    closeOnDone_ = false;
    SetOption(CSendReceiveDlg::kOptionAutoClose, "N");
    dialog_->Launch(2, -1);
    ASSERT_TRUE(WaitUntil([&] { return commDone_ == 1 && !dialog_->IsRunning(); }));
    ASSERT_TRUE(dialog_->isVisible());
    parts_.script = [](FakeReceiver&, FakeSender& s) { s.block = true; };
    Due("W", 9, 0);
    dialog_->Launch(3, -1);
    EXPECT_TRUE(dialog_->IsRunning());
    EXPECT_EQ(Control<QPushButton>(CSendReceiveDlg::kIdcCancel)->text(), U8("キャンセル"));
    // Cancelled with the box checked: nothing failed, the window goes.
    Control<QCheckBox>(CSendReceiveDlg::kIdcAutoClose)->setChecked(true);
    ASSERT_TRUE(WaitUntil([&] { return parts_.sender->gate.IsWaiting(); }));
    Control<QPushButton>(CSendReceiveDlg::kIdcCancel)->click();
    ASSERT_TRUE(WaitUntil([&] { return commDone_ == 2 && !dialog_->IsRunning(); }));
    EXPECT_EQ(dialog_->Outcome(), RunOutcome::kCancelled);
    EXPECT_FALSE(dialog_->isVisible());
}

TEST_F(StatusDialogTest, RunWhileLockedIsNotShownAndShowsNoResults) {
    locked_ = true;
    closeOnDone_ = false;
    dialog_->Launch(4, -1);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(lockShown_, 1);
    EXPECT_TRUE(dialog_->IsRunning());
    ASSERT_TRUE(WaitUntil([this] { return commDone_ == 1; }));
    EXPECT_EQ(parts_.receiver->receives.load(), 1);
    EXPECT_EQ(resultsShown_, 0);
    // The program closes the window it never showed.
    dialog_->close();
    EXPECT_FALSE(dialog_->IsRunning());
    closeOnDone_ = true;
    locked_ = false;
    dialog_->Launch(7, -1);
    ASSERT_TRUE(WaitUntil([&] { return commDone_ == 2 && !dialog_->IsRunning(); }));
    EXPECT_EQ(resultsShown_, 1);
}

// A real send job behind the dialog, to the send tests' SMTP server: a run that ends, and
// one cancelled while the server holds a message.
class StatusDialogSendTest : public sendtest::SendRunTest {
protected:
    void SetUp() override {
        SendRunTest::SetUp();
        dialog_ = std::make_unique<CSendReceiveDlg>();
        dialog_->SetPauses(false);
        dialog_->SetPartsFactory([this](QWidget* owner) {
            SendReceiveRunParts parts = MakeSendReceiveRunParts(Stores(), owner);
            parts.receiver = std::make_unique<FakeReceiver>();  // the login before sending
            return parts;
        });
        CSendReceiveDlg::ShellHooks hooks;
        hooks.commDone = [this] { ++commDone_; };
        dialog_->SetShellHooks(hooks);
    }
    void TearDown() override {
        dialog_.reset();
        SendRunTest::TearDown();
    }
    bool WaitForEnd() { return WaitUntil([&] { return commDone_ == 1 && !dialog_->IsRunning(); }, 30000); }
    int Person(const char* email) { return AddPerson(email); }

    std::unique_ptr<CSendReceiveDlg> dialog_;
    int commDone_ = 0;
};

// Every way of starting a send shows the mail, the total and the count while it sends;
// the window closes itself at the end, as the box asks.
TEST_F(StatusDialogSendTest, ShowsTheMailTotalAndCountWhileSendingAndEnds) {
    SetOption(CSendReceiveDlg::kOptionAutoClose, "Y");
    const int mail = MakeMail({Person("a@example.jp"), Person("b@example.jp"), Person("c@example.jp")}, "s", "b");
    for (int mode : {5, 3}) {
        SCOPED_TRACE(mode);
        commDone_ = 0;
        if (mode == 3) {
            COneMailData m = Mail(mail);
            m.SetStatus("W", 0);
            ASSERT_EQ(mails_->SetMailData(m), 0);
            WriteRecipients(mail, {Person("d@example.jp"), Person("e@example.jp"), Person("f@example.jp")});
        }
        // The server holds its answer to the second message for a while.
        sendtest::SendTestServer server({"--delay-message", "2:2"});
        UseServer(server.port());
        dialog_->Launch(mode, mail);
        ASSERT_TRUE(WaitUntil([&] { return server.Count() == 1; }, 30000));
        // While the second message is held: one of three sent, of this mail.
        ASSERT_TRUE(WaitUntil([&] { return dialog_->Current() == 1; }, 30000));
        EXPECT_EQ(dialog_->CurrentMailId(), mail);
        EXPECT_EQ(dialog_->Total(), 3);
        EXPECT_EQ(dialog_->StateText(), U8("1/3通送信"));
        EXPECT_EQ(dialog_->ProgressRange(), 3);
        EXPECT_EQ(dialog_->ProgressPosition(), 1);
        EXPECT_TRUE(dialog_->StatusLine().startsWith(U8("[ID: %1] ").arg(mail))) << dialog_->StatusLine().toStdString();
        ASSERT_TRUE(WaitForEnd());
        EXPECT_EQ(server.Count(), 3);
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), "C");
        EXPECT_EQ(dialog_->Outcome(), RunOutcome::kSucceeded);
        EXPECT_FALSE(dialog_->isVisible());
        EXPECT_EQ(dialog_->CurrentMailId(), -1);  // the closed window forgot the run
    }
}

// The total is the mail's recipients, shown before the server has said a word.
TEST_F(StatusDialogSendTest, TheTotalShowsBeforeTheServerAnswers) {
    // A server that takes the connection and never greets.
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    UseServer(ntohs(address.sin_port));
    const int mail = MakeMail({Person("a@example.jp"), Person("b@example.jp")}, "s", "b");
    dialog_->Launch(5, mail);
    ASSERT_TRUE(WaitUntil([&] { return dialog_->StateText() == U8("0/2通送信"); }, 20000))
        << dialog_->StateText().toStdString();
    EXPECT_EQ(dialog_->CurrentMailId(), mail);
    ui::FindControl<QPushButton>(dialog_.get(), CSendReceiveDlg::kIdcCancel)->click();
    ASSERT_TRUE(WaitForEnd());
    ::close(fd);
}

// Every count line the window shows from the first moment of a send, with the pauses a
// person gets (the run holds "送信を開始します" on the screen before it reads its list):
// the total is there from the first, never "0/0通送信", for a first mail and for the next
// one of the same run.
TEST_F(StatusDialogSendTest, TheCountLineNeverShowsNoTotalForASendWithRecipients) {
    dialog_->SetPauses(true);
    MakeMail({Person("a@example.jp"), Person("b@example.jp"), Person("c@example.jp"), Person("d@example.jp")}, "s",
             "b");
    MakeMail({Person("e@example.jp"), Person("f@example.jp")}, "t", "c");
    sendtest::SendTestServer server;
    UseServer(server.port());
    auto* state = ui::FindControl<CNoInputEdit>(dialog_.get(), CSendReceiveDlg::kIdcState);
    QStringList shown;
    QObject::connect(state, &QPlainTextEdit::textChanged, state, [&] {
        if (shown.isEmpty() || shown.back() != state->Text()) shown << state->Text();
    });
    dialog_->Launch(3, -1);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(server.Count(), 6);
    const QString joined = shown.join(QLatin1Char('|'));
    EXPECT_FALSE(shown.contains(U8("0/0通送信"))) << joined.toStdString();
    EXPECT_TRUE(shown.contains(U8("0/4通送信"))) << joined.toStdString();
    EXPECT_TRUE(shown.contains(U8("4/4通送信"))) << joined.toStdString();
    EXPECT_TRUE(shown.contains(U8("0/2通送信"))) << joined.toStdString();
    // Nothing of the first mail's count stays on the line while the second one begins.
    const qsizetype done = shown.indexOf(U8("4/4通送信"));
    const qsizetype next = shown.indexOf(U8("0/2通送信"));
    ASSERT_LT(done, next);
    for (qsizetype i = done + 1; i < next; ++i) EXPECT_TRUE(shown[i].isEmpty()) << joined.toStdString();
}

// A send that fails (the server is down) leaves its window on the screen with how it ended,
// box or no box; the mail is still waiting.
TEST_F(StatusDialogSendTest, AFailedSendStaysOnScreenWithItsEnd) {
    const int mail = MakeMail({Person("a@example.jp")}, "s", "b");
    for (const char* box : {"N", "Y"}) {
        SCOPED_TRACE(box);
        commDone_ = 0;
        UseServer(nettest::FreePort());
        SetOption(CSendReceiveDlg::kOptionAutoClose, box);
        dialog_->Launch(3, -1);
        ASSERT_TRUE(WaitForEnd());
        EXPECT_EQ(dialog_->Outcome(), RunOutcome::kFailed);
        EXPECT_TRUE(dialog_->isVisible());
        EXPECT_EQ(ui::FindControl<CNoInputEdit>(dialog_.get(), CSendReceiveDlg::kIdcStatus)->Text(),
                  dialog_->StatusLine());
        EXPECT_TRUE(dialog_->StatusLine().startsWith(U8("[ID: %1] ").arg(mail))) << dialog_->StatusLine().toStdString();
        EXPECT_EQ(ui::FindControl<QPushButton>(dialog_.get(), CSendReceiveDlg::kIdcCancel)->text(), U8("閉じる"));
        EXPECT_EQ(MailOnDisk(mail).GetStatus(), "W");
        dialog_->close();
        EXPECT_FALSE(dialog_->IsOpen());
    }
}

// A server that asks to try one address later (greylisting) leaves that address for the
// next run; the window says so instead of asking the user to check the person.
TEST_F(StatusDialogSendTest, AnAddressPutOffByTheServerIsToldAsSentNextTime) {
    sendtest::SendTestServer server({"--defer-rcpt", "b@example.jp=450:1"});
    UseServer(server.port());
    const int mail = MakeMail({Person("a@example.jp"), Person("b@example.jp")}, "s", "b");
    dialog_->Launch(3, -1);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(server.Count(), 1);
    EXPECT_EQ(MailOnDisk(mail).GetStatus(), "R");
    EXPECT_EQ(dialog_->StatusLine().remove(QChar(u'\r')), U8("[ID: %1] 一時的に受け付けられなかったアドレスがあります\n次回の送信で送ります").arg(mail));
    dialog_->close();
}

// An address the server has put off for more than five days since the first time: the
// run gives up on it, the window ends with the server's last answer as the reason, and the
// mail ends as failed instead of waiting for ever.
TEST_F(StatusDialogSendTest, AnAddressPutOffForMoreThanFiveDaysEndsWithTheServersLastAnswer) {
    sendtest::SendTestServer server({"--defer-rcpt", "b@example.jp=450:0"});
    UseServer(server.port());
    const int mail = MakeMail({Person("a@example.jp"), Person("b@example.jp")}, "s", "b");
    const platform::DateTime first = platform::DateTime::GetCurrentTime();
    FixNow(first);
    dialog_->Launch(3, -1);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(MailOnDisk(mail).GetStatus(), "R");
    dialog_->close();
    // Five days and a day later the waiting mail is due again.
    commDone_ = 0;
    FixNow(first + platform::DateTimeSpan(6, 0, 0, 0));
    dialog_->Launch(3, -1);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(MailOnDisk(mail).GetStatus(), "E");
    EXPECT_EQ(dialog_->Outcome(), RunOutcome::kFailed);
    EXPECT_EQ(dialog_->StatusLine().remove(QChar(u'\r')),
              U8("[ID: %1] 最初に保留されてから5日を過ぎたため、この宛先への送信を打ち切りました\n"
                 "何らかの原因で送信に失敗しました。\n"
                 "450 4.7.1 <b@example.jp>: Recipient address rejected: try again later")
                  .arg(mail));
    EXPECT_EQ(server.Count(), 1);
    EXPECT_EQ(MailOnDisk(mail).GetSentNumber(), 2);
    EXPECT_EQ(MailOnDisk(mail).GetErrorNumber(), 1);
    dialog_->close();
}

TEST_F(StatusDialogSendTest, CancelDuringARealSendStopsItAndMakesTheMailADraft) {
    // The server holds its answer to the second message for a minute.
    sendtest::SendTestServer server({"--delay-message", "2:60"});
    UseServer(server.port());
    const int mail = MakeMail({Person("a@example.jp"), Person("b@example.jp"), Person("c@example.jp")}, "s", "b");
    dialog_->Launch(3, -1);
    ASSERT_TRUE(WaitUntil([&] { return server.Count() >= 1; }, 30000));
    QTest::qWait(300);
    const auto start = std::chrono::steady_clock::now();
    ui::FindControl<QPushButton>(dialog_.get(), CSendReceiveDlg::kIdcCancel)->click();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    ASSERT_TRUE(WaitForEnd());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(MailOnDisk(mail).GetStatus(), "D");
}

// A real receive run from the test POP server, then a real send, behind the dialog.
class StatusDialogReceiveTest : public rcvtest::ReceiveRunTest {
protected:
    void SetUp() override {
        ReceiveRunTest::SetUp();
        dialog_ = std::make_unique<CSendReceiveDlg>();
        dialog_->SetPartsFactory([this](QWidget* owner) { return MakeSendReceiveRunParts(Stores(), owner); });
        CSendReceiveDlg::ShellHooks hooks;
        hooks.commDone = [this] { ++commDone_; };
        hooks.showReceiveResults = [](QWidget*) {};
        dialog_->SetShellHooks(hooks);
    }
    void TearDown() override {
        dialog_.reset();
        ReceiveRunTest::TearDown();
    }

    std::unique_ptr<CSendReceiveDlg> dialog_;
    int commDone_ = 0;
};

// Every count line the window shows from the first moment of a receive and send run, with
// the pauses a person gets: the receive's line stays empty until the server has listed its
// messages, never "0/0通受信", and the send after it never shows the receive's count.
TEST_F(StatusDialogReceiveTest, TheCountLinesShowOnlyKnownTotals) {
    for (int n = 1; n <= 3; ++n)
        Deliver(rcvtest::Crlf("From: reader" + std::to_string(n) +
                              "@example.net\nTo: info@example.jp\nSubject: hello\n\nThanks.\n"));
    MakeMail({AddPerson("a@example.jp"), AddPerson("b@example.jp")}, "s", "b");
    sendtest::SendTestServer server;
    UseServer(server.port());
    dialog_->SetPauses(true);
    auto* state = ui::FindControl<CNoInputEdit>(dialog_.get(), CSendReceiveDlg::kIdcState);
    QStringList shown;
    QObject::connect(state, &QPlainTextEdit::textChanged, state, [&] {
        if (shown.isEmpty() || shown.back() != state->Text()) shown << state->Text();
    });
    dialog_->Launch(1, -1);
    ASSERT_TRUE(WaitUntil([&] { return commDone_ == 1 && !dialog_->IsRunning(); }, 60000));
    EXPECT_EQ(server.Count(), 2);
    const std::string joined = shown.join(QLatin1Char('|')).toStdString();
    const qsizetype received = shown.indexOf(U8("3/3通受信"));
    const qsizetype sent = shown.indexOf(U8("2/2通送信"));
    ASSERT_GE(received, 0) << joined;
    ASSERT_GT(sent, received) << joined;
    // Which counts in between the window samples depends on the machine's speed (a slow one
    // may show the receive's first count already at 3/3); that no line shows an unknown total
    // or the other run's count does not.
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const QString& line = shown[i];
        if (line.isEmpty() || !line.contains(QLatin1Char('/'))) continue;
        // Before the last received count only the receive's, after it only the send's.
        EXPECT_TRUE(line.endsWith(i <= received ? U8("/3通受信") : U8("/2通送信"))) << joined;
    }
}

}  // namespace send_receive_dlg_test
}  // namespace
