// The dial-up line's state machine over a scripted dial-up service: when it dials at all,
// what each answer and each outcome of the dial gives the run, the status lines, hanging
// up, and the ID/password dialog.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include "app/sendrecv/dialup_auth_dlg.h"
#include "app/sendrecv/dialup_connection.h"
#include "app/sendrecv/tests/send_receive_fixture.h"
#include "app/ui/control_ids.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/type_text.h"
#include "platform/notifier.h"

namespace {
namespace dialup_connection_test {

using namespace srtest;

class DialupTest : public SendReceiveEnvTest {
protected:
    void SetUp() override {
        SendReceiveEnvTest::SetUp();
        provider_ = std::make_unique<FakeDialupProvider>();
        observer_ = std::make_unique<RecordingRunObserver>();
        loginGiven_ = true;
        SetOption(CommNetRules::kOptionDialupUsed, "Y");
        SetOption(CommNetRules::kOptionWindowOn, "N");
        SetOption(CDialupConnection::kOptionEntry, Sjis("事務所"));
        SetOption(CDialupConnection::kOptionUseStoredLogin, "N");
    }
    std::unique_ptr<CDialupConnection> Line(int kind, DialupProvider& provider) {
        auto line = std::make_unique<CDialupConnection>(Rules(), provider);
        line->SetKind(kind);
        line->SetObserver(observer_.get());
        line->SetLoginPrompt([this](std::string& user, std::string& password) {
            promptedWith_ = {user, password};
            user = "typed-user";
            password = "typed-password";
            return loginGiven_;
        });
        return line;
    }
    QStringList Statuses() { return observer_->Of("status"); }

    std::unique_ptr<FakeDialupProvider> provider_ = std::make_unique<FakeDialupProvider>();
    std::unique_ptr<RecordingRunObserver> observer_;
    std::pair<std::string, std::string> promptedWith_;
    bool loginGiven_ = true;
};

TEST_F(DialupTest, ConnectOutcomes) {
    struct Case {
        const char* name;
        std::function<void()> setUp;
        int kind;
        std::vector<int> answers;  // to the manual run's question
        int result;
        int dials;
        int hangUps;
        const char* lastStatus;  // null: no status line at all
    };
    const Case cases[] = {
        {"dial-up not used", [&] { SetOption(69, "N"); }, CDialupConnection::kKindManual, {},
         CDialupConnection::kNotUsed, 0, 0, nullptr},
        {"no kind given", [] {}, CDialupConnection::kKindNone, {}, CDialupConnection::kNotUsed, 0, 0,
         nullptr},
        {"no dial-up networking", [&] { provider_->available = false; }, CDialupConnection::kKindManual,
         {}, CDialupConnection::kNotUsed, 0, 0, "この環境ではダイアルアップ接続を使用できません。そのまま送受信を行います"},
        {"manual, the user goes on without dialling", [] {}, CDialupConnection::kKindManual,
         {platform::kIdNo}, CDialupConnection::kNotDialled, 0, 0, "ダイアルアップ接続を開始します"},
        {"manual, the user cancels the run", [] {}, CDialupConnection::kKindManual, {platform::kIdCancel},
         CDialupConnection::kCancelled, 0, 0, "ダイアルアップ接続を開始します"},
        {"manual, connected", [] {}, CDialupConnection::kKindManual, {platform::kIdYes},
         CDialupConnection::kConnected, 1, 0, "正常に接続しました"},
        {"automatic inside the window, connected without a question", [] {},
         CDialupConnection::kKindAutomatic, {}, CDialupConnection::kConnected, 1, 0, "正常に接続しました"},
        {"automatic outside the window", [&] { Window("Y", 22, 0, 6, 0); },
         CDialupConnection::kKindAutomatic, {}, CDialupConnection::kOutsideWindow, 0, 0, "ダイアルアップ接続を開始します"},
        {"the service reports an error", [&] { provider_->error = 691; }, CDialupConnection::kKindAutomatic,
         {}, CDialupConnection::kFailed, 1, 1, "正常に接続できませんでした"},
        {"the line drops while dialling", [&] { provider_->states = {0, 0x2001}; provider_->hold = true; },
         CDialupConnection::kKindAutomatic, {}, CDialupConnection::kFailed, 1, 1, "正常に接続できませんでした"},
        {"no such entry", [&] { provider_->paramsResult = DialupProvider::kEntryNotFound; },
         CDialupConnection::kKindAutomatic, {}, CDialupConnection::kCannotStart, 0, 0, "正常に接続できませんでした"},
        {"the entry cannot be read", [&] { provider_->paramsResult = 5; },
         CDialupConnection::kKindAutomatic, {}, CDialupConnection::kCannotStart, 0, 0, "正常に接続できませんでした"},
        {"dialling does not start", [&] { provider_->dialResult = 756; }, CDialupConnection::kKindAutomatic,
         {}, CDialupConnection::kCannotStart, 1, 0, "正常に接続できませんでした"},
        {"the ID/password dialog is cancelled", [&] { loginGiven_ = false; },
         CDialupConnection::kKindAutomatic, {}, CDialupConnection::kCancelled, 0, 0, "接続がキャンセルされました"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        prompts_.clear();
        c.setUp();
        for (int a : c.answers) prompts_.Answer(a);
        auto line = Line(c.kind, *provider_);
        EXPECT_EQ(line->Connect(), c.result);
        EXPECT_EQ(provider_->dials.load(), c.dials);
        EXPECT_EQ(static_cast<int>(provider_->hangUps.size()), c.hangUps);
        EXPECT_EQ(line->HoldsConnection(), c.result == CDialupConnection::kConnected);
        if (c.lastStatus == nullptr) {
            EXPECT_TRUE(Statuses().isEmpty()) << Statuses().join("|").toStdString();
        } else {
            ASSERT_FALSE(Statuses().isEmpty());
            EXPECT_EQ(Statuses().back(), U8(c.lastStatus));
        }
        const bool asked = c.kind == CDialupConnection::kKindManual && c.result != CDialupConnection::kNotUsed;
        EXPECT_EQ(prompts_.prompts().size(), asked ? 1u : 0u);
    }
}

TEST_F(DialupTest, ManualQuestionAndTheLinesOfADial) {
    provider_->states = {0, 5, 0x3000, 14};
    auto line = Line(CDialupConnection::kKindManual, *provider_);
    ASSERT_EQ(line->Connect(), CDialupConnection::kConnected);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text,
              U8("ダイアルアップ接続をしてもいいですか？\r\n\r\nはい ： 接続し、送受信を行います\r\nいいえ ： "
                 "接続しないで送受信を行います\r\nキャンセル ： 接続せず、送受信をキャンセルします"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("ダイアルアップ接続"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbYesNoCancel | platform::kMbIconQuestion);
    // A state the table does not hold is shown by its number and changes nothing.
    EXPECT_EQ(Statuses(), QStringList({U8("ダイアルアップ接続を開始します"), U8("ポートをオープンしています"),
                                       U8("ユーザ認証をしています"), U8("通知ID: 12288"), U8("認証が終了しました"),
                                       U8("全接続処理が完了しました"), U8("正常に接続しました")}));
    EXPECT_EQ(line->GetDialState(), CDialupConnection::kLineUp);
    EXPECT_EQ(line->GetLastCode(), 0x2000);
    // The phone book's stored login filled the dialog; what was typed is dialled.
    EXPECT_EQ(promptedWith_, (std::pair<std::string, std::string>{"user", "secret"}));
    EXPECT_EQ(provider_->dialled.entry, Sjis("事務所"));
    EXPECT_EQ(provider_->dialled.userName, "typed-user");
    EXPECT_EQ(provider_->dialled.password, "typed-password");
}

TEST_F(DialupTest, AlreadyConnectedEntryIsNamedAndNeverHungUp) {
    provider_->connected = Sjis("事務所");
    {
        auto line = Line(CDialupConnection::kKindAutomatic, *provider_);
        EXPECT_EQ(line->Connect(), CDialupConnection::kAlreadyConnected);
        EXPECT_EQ(Statuses().back(), U8("既に接続されています"));
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        EXPECT_EQ(prompts_.prompts()[0].text, U8("事務所へは、既に接続済みです\r\n送受信の終了後、Varnisではダイアルアップの"
                                                 "切断を行いません\r\nダイアルアップの切断は手動で行ってください"));
        EXPECT_EQ(prompts_.prompts()[0].caption, U8("ダイアルアップ接続済み"));
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
    }
    EXPECT_EQ(provider_->dials.load(), 0);
    EXPECT_TRUE(provider_->hangUps.empty());
}

TEST_F(DialupTest, StopWhileDiallingHangsUpAtOnce) {
    provider_->neverAnswers = true;
    auto line = Line(CDialupConnection::kKindAutomatic, *provider_);
    std::thread gui([&] {
        ASSERT_TRUE(WaitFor([&] { return provider_->dials.load() == 1; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        line->Abort();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(line->Connect(), CDialupConnection::kAborted);
    gui.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(provider_->hangUps, std::vector<long>{77});
    EXPECT_FALSE(line->HoldsConnection());
    // A stop before dialling ends the run without a dial.
    auto second = Line(CDialupConnection::kKindAutomatic, *provider_);
    second->Abort();
    EXPECT_EQ(second->Connect(), CDialupConnection::kCancelled);
    EXPECT_EQ(provider_->dials.load(), 1);
}

TEST_F(DialupTest, StoredLoginIsCutAtACharacterBoundary) {
    SetOption(CDialupConnection::kOptionUseStoredLogin, "Y");
    const std::string longUser = std::string(255, 'u') + Sjis("名");
    SetOption(CDialupConnection::kOptionUser, longUser);
    SetOption(CDialupConnection::kOptionPassword, "pw");
    auto line = Line(CDialupConnection::kKindAutomatic, *provider_);
    EXPECT_EQ(line->Connect(), CDialupConnection::kConnected);
    EXPECT_EQ(promptedWith_.first, "");  // never asked
    EXPECT_EQ(provider_->dialled.userName, std::string(255, 'u'));
    EXPECT_EQ(provider_->dialled.password, "pw");
}

TEST_F(DialupTest, HangingUpAndKeepingTheLine) {
    {
        auto line = Line(CDialupConnection::kKindAutomatic, *provider_);
        ASSERT_EQ(line->Connect(), CDialupConnection::kConnected);
        EXPECT_EQ(line->HangUpWithStatus(), 1);
        EXPECT_EQ(Statuses().mid(Statuses().size() - 2), QStringList({U8("切断しています"), U8("切断が完了しました")}));
        EXPECT_FALSE(line->HoldsConnection());
        EXPECT_EQ(line->GetDialState(), CDialupConnection::kIdle);
    }
    EXPECT_EQ(provider_->hangUps.size(), 1u);
    {
        auto line = Line(CDialupConnection::kKindAutomatic, *provider_);
        ASSERT_EQ(line->Connect(), CDialupConnection::kConnected);
        line->Forget();
    }
    EXPECT_EQ(provider_->hangUps.size(), 1u);
    {
        // A line still held when the run's objects go is hung up.
        auto line = Line(CDialupConnection::kKindAutomatic, *provider_);
        ASSERT_EQ(line->Connect(), CDialupConnection::kConnected);
    }
    EXPECT_EQ(provider_->hangUps.size(), 2u);
    provider_->hangUpResult = 5;
    auto line = Line(CDialupConnection::kKindAutomatic, *provider_);
    ASSERT_EQ(line->Connect(), CDialupConnection::kConnected);
    EXPECT_EQ(line->HangUpWithStatus(), 0);
}

// A service that keeps reporting after the run let its line go.
class LateReporter : public FakeDialupProvider {
public:
    int Dial(const DialParams&, Progress p, long& connection) override {
        progress = std::move(p);
        connection = 5;
        return 0;
    }
    Progress progress;
};

TEST_F(DialupTest, ReportsAfterTheLineIsGoneReachNothing) {
    LateReporter provider;
    {
        auto line = Line(CDialupConnection::kKindAutomatic, provider);
        EXPECT_EQ(line->Dial("office"), 0);
    }
    ASSERT_TRUE(provider.progress);
    const int before = static_cast<int>(Statuses().size());
    provider.progress(0x2000, 0);
    EXPECT_EQ(static_cast<int>(Statuses().size()), before);
}

TEST_F(DialupTest, LoginDialogRefusesAnEmptyId) {
    std::string user = "stored";
    std::string password = "pw";
    ui::test::WhenDialogShows(ui::DialogName(CDialupAuthDlg::kIdd), [](QDialog* dialog) {
        auto* id = ui::FindControl<QLineEdit>(dialog, CDialupAuthDlg::kIdcId);
        auto* pass = ui::FindControl<QLineEdit>(dialog, CDialupAuthDlg::kIdcPassword);
        EXPECT_EQ(id->text(), "stored");
        EXPECT_EQ(pass->echoMode(), QLineEdit::Password);
        id->clear();
        ui::test::ClickControl(dialog, 1);
        EXPECT_TRUE(dialog->isVisible());
        ui::test::TypeText(id, "山田");
        pass->setText("new");
        ui::test::ClickControl(dialog, 1);
    });
    EXPECT_TRUE(AskDialupLogin(nullptr, user, password));
    EXPECT_EQ(user, Sjis("山田"));
    EXPECT_EQ(password, "new");
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, U8("IDが未入力です"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("ダイアルアップ"));
    ui::test::WhenDialogShows(ui::DialogName(CDialupAuthDlg::kIdd), [](QDialog* dialog) { dialog->reject(); });
    EXPECT_FALSE(AskDialupLogin(nullptr, user, password));
}

TEST_F(DialupTest, LinuxProviderListsNothing) {
    NoDialupProvider none;
    EXPECT_TRUE(none.Entries().empty());
    EXPECT_FALSE(none.Available());
    EXPECT_NE(&CurrentDialupProvider(), provider_.get());
    DialupProvider* before = SetDialupProvider(provider_.get());
    EXPECT_EQ(&CurrentDialupProvider(), provider_.get());
    SetDialupProvider(before);
    EXPECT_FALSE(CurrentDialupProvider().Available());
}

}  // namespace dialup_connection_test
}  // namespace
