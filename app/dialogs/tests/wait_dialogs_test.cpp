// The modeless wait and progress dialogs: their lines, that no key or close box ends
// them, and the extraction-cancel conversation with the owner.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

#include "app/dialogs/extract_progress_dlg.h"
#include "app/dialogs/test_mail_progress_dlg.h"
#include "app/dialogs/tests/dialog_test_util.h"
#include "app/dialogs/wait_dlg.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/prompt_recorder.h"
#include "platform/notifier.h"

namespace {

using ui::U8;

QStringList Lines(QWidget* dialog, std::initializer_list<int> ids) {
    QStringList out;
    for (int id : ids) out << ui::FindControl<QLabel>(dialog, id)->text();
    return out;
}

TEST(WaitDialog, ShowsTheLinesSetBeforeCreationAndWritesOnlyIntoACreatedWindow) {
    QWidget owner;
    shell::CWaitDlg wait;
    wait.SetMessages(QString(), U8("環境情報を読み込んでいます"), QString());
    wait.ShowMessages(U8("a"), U8("b"), U8("c"));  // not created: nothing
    EXPECT_FALSE(wait.IsCreated());
    wait.Create(&owner);
    EXPECT_TRUE(wait.isVisible());
    EXPECT_EQ(wait.parentWidget(), &owner);
    EXPECT_EQ(Lines(&wait, {1462, 1463, 1465}), QStringList({"", U8("環境情報を読み込んでいます"), ""}));
    EXPECT_EQ(wait.cursor().shape(), Qt::WaitCursor);

    wait.ShowMessages(U8("個人情報を読み込んでいます"), U8("件数により時間がかかる場合があります"),
                      U8("しばらくお待ちください"));
    EXPECT_EQ(Lines(&wait, {1462, 1463, 1465}),
              QStringList({U8("個人情報を読み込んでいます"), U8("件数により時間がかかる場合があります"),
                           U8("しばらくお待ちください")}));
    wait.End();
    EXPECT_FALSE(wait.isVisible());
    EXPECT_FALSE(wait.IsCreated());
    wait.Create();  // the lines of SetMessages again
    EXPECT_EQ(Lines(&wait, {1462, 1463, 1465}), QStringList({"", U8("環境情報を読み込んでいます"), ""}));
}

TEST(WaitDialogs, NoKeyAndNoCloseBoxEndsThem) {
    const std::vector<std::function<std::unique_ptr<shell::ProgressDialogBase>()>> makers = {
        [] { return std::make_unique<shell::CWaitDlg>(); },
        [] { return std::make_unique<shell::CExtractProgressDlg>(); },
        [] { return std::make_unique<shell::CTestMailProgressDlg>(); },
    };
    for (const auto& make : makers) {
        auto dialog = make();
        SCOPED_TRACE(dialog->objectName().toStdString());
        dialog->Create();
        QWidget* focus = dialog->findChild<QPushButton*>();
        for (QWidget* target : {static_cast<QWidget*>(dialog.get()), focus}) {
            if (target == nullptr) continue;
            for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) QTest::keyClick(target, key);
        }
        EXPECT_FALSE(dialog->close());
        dlgtest::Pump();
        EXPECT_TRUE(dialog->isVisible());
        dialog->End();
        EXPECT_FALSE(dialog->isVisible());
    }
}

class ExtractCancel : public ::testing::Test {
protected:
    void SetUp() override {
        dialog_.SetOwner(&owner_);
        dialog_.SetMessages(U8("抽出しています"), U8("件数により時間がかかる場合があります"), U8("しばらくお待ちください"));
        dialog_.Create();
        QObject::connect(&dialog_, &shell::CExtractProgressDlg::ExtractPause, [this] { order_ << "pause"; });
        QObject::connect(&dialog_, &shell::CExtractProgressDlg::ExtractCancelled, [this] { order_ << "cancelled"; });
        QObject::connect(&dialog_, &shell::CExtractProgressDlg::ExtractResume, [this] { order_ << "resume"; });
    }
    QPushButton* Button() { return ui::FindControl<QPushButton>(&dialog_, 1467); }

    QWidget owner_;
    shell::CExtractProgressDlg dialog_;
    QStringList order_;
};

TEST_F(ExtractCancel, DecliningResumesAndLeavesTheButton) {
    ui::test::PromptRecorder prompts;
    prompts.Answer(platform::kIdNo);
    Button()->click();
    EXPECT_EQ(order_, QStringList({"pause", "resume"}));
    ASSERT_EQ(prompts.prompts().size(), 1u);
    EXPECT_EQ(prompts.texts().front(),
              U8("抽出を途中で中止した場合は、抽出結果の保存ができません\r\n"
                 "ただし、再度、抽出をすることで保存が可能となります\r\n抽出を中止してよろしいですか？\r\n\r\n"
                 "（抽出の中止にはしばらく時間がかかる場合があります）"));
    EXPECT_EQ(prompts.captions().front(), U8("抽出中止の確認"));
    EXPECT_EQ(prompts.prompts().front().style, platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2);
    EXPECT_TRUE(Button()->isEnabled());
    EXPECT_EQ(Lines(&dialog_, {1468}), QStringList{U8("抽出しています")});
}

TEST_F(ExtractCancel, ConfirmingCancelsAndTheNextCreationStartsAfresh) {
    ui::test::PromptRecorder prompts;
    prompts.Answer(platform::kIdYes);
    Button()->click();
    EXPECT_EQ(order_, QStringList({"pause", "cancelled"}));
    EXPECT_FALSE(Button()->isEnabled());
    EXPECT_EQ(Button()->text(), U8("中止処理をしています"));
    EXPECT_EQ(Lines(&dialog_, {1468, 1469, 1470}),
              QStringList({U8("抽出の中止処理をしています"), U8("時間がかかる場合があります"), U8("しばらくお待ちください")}));
    EXPECT_TRUE(dialog_.isVisible());

    dialog_.End();
    dialog_.Create();
    EXPECT_TRUE(Button()->isEnabled());
    EXPECT_EQ(Button()->text(), U8("処理の中止"));
    EXPECT_EQ(Lines(&dialog_, {1468}), QStringList{U8("抽出しています")});
}

TEST(TestMailProgressDialog, CancelAnswersTheMouseOnlyAndCanBeDisabled) {
    shell::CTestMailProgressDlg dialog;
    QSignalSpy cancels(&dialog, &shell::CTestMailProgressDlg::CancelTestMail);
    dialog.Create();
    auto* cancel = ui::FindControl<QPushButton>(&dialog, 1836);
    EXPECT_EQ(cancel->text(), U8("中止"));
    EXPECT_NE(dialog.cursor().shape(), Qt::WaitCursor);
    QTest::keyClick(cancel, Qt::Key_Space);
    EXPECT_EQ(cancels.count(), 0);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(cancels.count(), 1);
    dialog.EnableCancel(false);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(cancels.count(), 1);
}

}  // namespace
