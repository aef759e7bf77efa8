#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>

#include "app/dialogs/password_prompt_dlgs.h"
#include "app/shell/setup_wizard.h"
#include "app/shell/tests/main_frame_fixture.h"
#include "app/ui/control_ids.h"
#include "app/ui/testing/screenshot.h"
#include "app/ui/testing/type_text.h"
#include "core/addressbook/one_customer.h"

namespace {

using mltest::Screenshots;
using shell::CSetupWizardDlg;
using ui::U8;


class SetupWizardTest : public mftest::MainFrameTest {
protected:
    void SetUp() override {
        MainFrameTest::SetUp();
        wizard_ = std::make_unique<CSetupWizardDlg>(frame_.get(), screens_.registry, &view_->Controller());
        // The composing dialog of step 2 stores the new mail as a draft.
        screens_.typeChoice = {platform::kIdOk, 0, -1};
        screens_.addressChoice = {platform::kIdOk, 5, U8("会員全員"), U8("様")};
    }
    void TearDown() override {
        wizard_.reset();
        MainFrameTest::TearDown();
    }

    void Click(int step) {
        auto* button = ui::FindControl<QAbstractButton>(wizard_.get(), step);
        ASSERT_NE(button, nullptr);
        button->click();
    }
    void AddPerson() {
        if (shell::GetDatabaseEdit()->GetDBCountWithoutDelete() > 0) return;
        std::vector<std::string> row(kCustomerElementCount);
        row[kElemCustomerID] = "1";
        ASSERT_EQ(shell::GetDatabaseEdit()->AddLine(XCStringArrayEx(row)), 0);
    }
    // A new wizard taken through steps 1 to 4, its mail (`newMail_`) stored as `status`.
    void ReachStepFive(const char* status = "D") {
        ++newMail_;
        wizard_ = std::make_unique<CSetupWizardDlg>(frame_.get(), screens_.registry, &view_->Controller());
        Click(CSetupWizardDlg::kIdcSystemSetting);
        screens_.composeResult = {platform::kIdOk, shell::kComposeSavedAsDraft, newMail_};
        screens_.duringCompose = [this, status](const shell::ComposeRequest&) {
            AddMail({newMail_, status, "はじめてのメール", "", "NN"});
        };
        Click(CSetupWizardDlg::kIdcMakeMail);
        screens_.duringCompose = nullptr;
        AddPerson();
        Click(CSetupWizardDlg::kIdcPersonalInfo);
        Click(CSetupWizardDlg::kIdcDestination);
        ASSERT_TRUE(wizard_->IsStepEnabled(CSetupWizardDlg::kIdcSendMail));
        prompts_.clear();
    }
    std::vector<int> Enabled() const {
        std::vector<int> out;
        for (int id : {1049, 1055, 32791, 32784, 32805})
            if (wizard_->IsStepEnabled(id)) out.push_back(id);
        return out;
    }
    // The status of the new mail, to be set as the composing dialog stores it; with
    // `staleRecipients` its recipients were taken before the address book last changed.
    void SetStatus(const char* status, bool staleRecipients = false) {
        COneMailData mail;
        ASSERT_EQ(List().GetMailData(newMail_, mail), 0);
        mail.SetStatus(status, 0);
        if (staleRecipients) mail.SetDate(COneMailData::kSetAddressDate, platform::DateTime(2000, 1, 1, 0, 0, 0), 0);
        ASSERT_EQ(List().SetMailData(mail), 0);
    }

    std::unique_ptr<CSetupWizardDlg> wizard_;
    int newMail_ = 10;
};

TEST_F(SetupWizardTest, OnlyTheFirstStepIsOfferedAtFirstWithItsGuideAndTheGuidanceShowsOnce) {
    EXPECT_EQ(wizard_->windowTitle(), U8("初期設定ウィザード"));
    EXPECT_EQ(Enabled(), std::vector<int>{1049});
    EXPECT_EQ(ui::FindControl<QLabel>(wizard_.get(), 1773)->text(), U8("　　１．システム設定を行います。"));
    EXPECT_TRUE(ui::FindControl<QLabel>(wizard_.get(), 1787)->isEnabled());
    EXPECT_FALSE(ui::FindControl<QLabel>(wizard_.get(), 1788)->isEnabled());

    wizard_->show();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !prompts_.prompts().empty(); }));
    wizard_->hide();
    wizard_->show();
    ui::test::WaitUntil([] { return false; }, 50);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text,
              U8("この初期設定ウィザードでは、システム設定とメールの作成から送信までの一連の流れをご案内いたします。"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("初期設定ウィザード"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconInformation);
}

TEST_F(SetupWizardTest, EachStepOffersTheNextOnceItsScreenDidItsPart) {
    // Settings cancelled: still step 1.
    screens_.settingsAnswer = platform::kIdCancel;
    Click(CSetupWizardDlg::kIdcSystemSetting);
    EXPECT_EQ(Enabled(), std::vector<int>{1049});
    screens_.settingsAnswer = platform::kIdOk;
    Click(CSetupWizardDlg::kIdcSystemSetting);
    EXPECT_EQ(screens_.settingsWizardModes, (std::vector<bool>{true, true}));
    EXPECT_EQ(Enabled(), std::vector<int>{1055});
    EXPECT_EQ(ui::FindControl<QLabel>(wizard_.get(), 1773)->text(), U8("　　２．メールを作成します。"));

    screens_.composeResult = {platform::kIdOk, shell::kComposeSavedAsDraft, newMail_};
    screens_.duringCompose = [this](const shell::ComposeRequest&) {
        AddMail({newMail_, "D", "はじめてのメール", "", "NN"});
    };
    Click(CSetupWizardDlg::kIdcMakeMail);
    ASSERT_EQ(screens_.composed.size(), 1u);
    EXPECT_TRUE(screens_.composed[0].wizardMode);
    EXPECT_EQ(screens_.composed[0].textMail, 1);
    EXPECT_EQ(wizard_->CurrentMailId(), newMail_);
    EXPECT_GE(view_->Controller().Model()->RowOfMail(newMail_), 0);
    EXPECT_EQ(Enabled(), std::vector<int>{32791});

    // No person in the address book yet: the destinations cannot be chosen.
    Click(CSetupWizardDlg::kIdcPersonalInfo);
    EXPECT_EQ(screens_.personal, 1);
    EXPECT_EQ(Enabled(), std::vector<int>{32791});
    EXPECT_FALSE(shell::GetScheduler()->IsEnabled());  // paused for the wizard after the save
    AddPerson();
    Click(CSetupWizardDlg::kIdcPersonalInfo);
    EXPECT_EQ(Enabled(), std::vector<int>{32784});

    // The address book for the mail; a failed assignment stays on the step.
    screens_.assignResult = false;
    Click(CSetupWizardDlg::kIdcDestination);
    EXPECT_EQ(Enabled(), std::vector<int>{32784});
    screens_.assignResult = true;
    Click(CSetupWizardDlg::kIdcDestination);
    ASSERT_EQ(screens_.addressBooks.size(), 2u);
    EXPECT_TRUE(screens_.addressBooks[1].forMail);
    EXPECT_EQ(screens_.addressBooks[1].mailId, newMail_);
    ASSERT_EQ(screens_.assigned.size(), 2u);
    EXPECT_EQ(screens_.assigned[1].mailId, newMail_);
    EXPECT_EQ(screens_.assigned[1].listId, 5);
    EXPECT_EQ(screens_.assigned[1].name, U8("会員全員"));
    EXPECT_EQ(Enabled(), std::vector<int>{32805});
}

TEST_F(SetupWizardTest, TheLastStepEndsTheWizardOnlyForAMailThatIsReadyOrSavedAsDraft) {
    struct Case {
        int closedBy;
        const char* statusStored;  // as the composing dialog leaves it
        const char* told;          // null: no closing message
        bool ends;
        bool sent;
        bool staleRecipients = false;
    };
    const Case cases[] = {
        {shell::kComposeReserved, "W", "メールは送信予約されました。ウィザードを終了します。", true, false},
        {shell::kComposeSendNow, "W", "メールを送信し、ウィザードを終了します。", true, true},
        {shell::kComposeSavedAsDraft, "D", "メールは下書きとして保存されました。ウィザードを終了します。", true, false},
        // Kept back (the recipients could not be brought up to date, the person was told):
        // nothing is claimed and the wizard stays.
        {shell::kComposeReserved, "D", nullptr, false, false, true},
        {shell::kComposeSendNow, "D", nullptr, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.closedBy);
        ReachStepFive();
        screens_.sentNow.clear();
        std::string duringStatus;
        screens_.composeResult = {platform::kIdOk, c.closedBy, newMail_};
        screens_.duringCompose = [&](const shell::ComposeRequest& r) {
            EXPECT_TRUE(r.wizardMode);
            EXPECT_EQ(r.mailId, newMail_);
            prompts_.clear();
            duringStatus = StatusOf(newMail_);
            SetStatus(c.statusStored, c.staleRecipients);
        };
        Click(CSetupWizardDlg::kIdcSendMail);
        EXPECT_EQ(duringStatus, "D");
        const QStringList claims = {U8("メールは送信予約されました。ウィザードを終了します。"),
                                    U8("メールを送信し、ウィザードを終了します。"),
                                    U8("メールは下書きとして保存されました。ウィザードを終了します。")};
        for (const QString& claim : claims)
            EXPECT_EQ(prompts_.texts().contains(claim), c.told && claim == U8(c.told)) << claim.toStdString();
        EXPECT_EQ(prompts_.texts().join("|").contains(U8("の宛先を最新の状態にできませんでした")), c.staleRecipients);
        EXPECT_EQ(wizard_->result() == QDialog::Accepted, c.ends);
        EXPECT_EQ(screens_.sentNow, c.sent ? std::vector<int>{newMail_} : std::vector<int>{});
        EXPECT_EQ(StoredStatusOf(newMail_), StatusOf(newMail_));
    }
}

TEST_F(SetupWizardTest, CancellingTheComposerInTheLastStepLeavesTheMailInItsFormerStatus) {
    for (const char* former : {"D", "W", "C", "E"}) {
        SCOPED_TRACE(former);
        ReachStepFive(former);
        screens_.composeResult = {platform::kIdCancel, 0, -1};
        std::string during;
        screens_.duringCompose = [&](const shell::ComposeRequest&) { during = StatusOf(newMail_); };
        Click(CSetupWizardDlg::kIdcSendMail);
        EXPECT_EQ(during, "D");
        EXPECT_EQ(StatusOf(newMail_), former);
        EXPECT_EQ(StoredStatusOf(newMail_), former);
        EXPECT_NE(wizard_->result(), QDialog::Accepted);
        EXPECT_EQ(Enabled(), std::vector<int>{32805});
        EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
    }
}

TEST_F(Screenshots, SetupWizardFirstPage) {
    mftest::WindowScreens screens;
    CSetupWizardDlg wizard(nullptr, screens.registry);
    EXPECT_TRUE(ui::test::SaveScreenshot(&wizard, "setup_wizard"));
}

TEST_F(Screenshots, LockDialog) {
    shell::CPasswordEntryDlg lock(*service_->GetEnvManager());
    lock.SetTitle(U8("Varnis"));
    EXPECT_TRUE(ui::test::SaveScreenshot(&lock, "lock_dialog"));
}

}  // namespace
