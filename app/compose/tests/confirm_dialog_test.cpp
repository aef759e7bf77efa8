// The confirmation the user can switch off: an "N" answers OK without showing, OK stores
// the box's state, Cancel stores nothing, and the choice belongs to one environment.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "app/compose/confirm_dialog.h"
#include "app/sendrecv/tests/mail_dialogs_env.h"
#include "core/foundation/ini_manager.h"

namespace {
namespace confirm_dialog_test {

using compose::CConfirmDialog;
using namespace maildlg;

class ConfirmDialog : public MailDialogsEnv {
protected:
    // Runs a dialog with key `key`; `action` acts on it if it shows. Whether it showed.
    bool Run(const char* key, int style, const std::function<void(QDialog*)>& action, int* answer) {
        bool shown = false;
        ui::test::WhenDialogShows(
            ui::DialogName(CConfirmDialog::kIdd),
            [&](QDialog* d) {
                shown = true;
                action(d);
            },
            300);
        CConfirmDialog dialog;
        dialog.SetKeyName(QString::fromLatin1(key));
        dialog.SetDialogSize(140, 475);
        dialog.SetCaption(ui::U8("添付ファイルの確認"));
        dialog.SetMessage(ui::U8("携帯向けの添付ファイルは送信されない場合があります。\r\nよろしいですか？"));
        dialog.SetStyle(style);
        *answer = dialog.DoModal();
        ui::test::WaitUntil([] { return false; }, 350);  // let a missed watch expire
        return shown;
    }
    std::string Stored(const char* key) {
        std::string value;
        CIniManager::GetProfileStringA(EnvIni(), CConfirmDialog::kSection, key, value, "(none)");
        return value;
    }
};

TEST_F(ConfirmDialog, TickedOkIsRememberedAndAnswersLaterQuestions) {
    int answer = 0;
    EXPECT_TRUE(Run("MOBILEATTACH", 0x21, [](QDialog* d) {
        EXPECT_TRUE(Control<QPushButton>(d, shell::dialogs::kIdCancel)->isVisible());
        EXPECT_EQ(Control<QLabel>(d, CConfirmDialog::kIdcMessage)->text(),
                  ui::U8("携帯向けの添付ファイルは送信されない場合があります。\r\nよろしいですか？"));
        EXPECT_EQ(d->windowTitle(), ui::U8("添付ファイルの確認"));
        Control<QCheckBox>(d, CConfirmDialog::kIdcDontShow)->setChecked(true);
        ui::test::ClickControl(d, shell::dialogs::kIdOk);
    }, &answer));
    EXPECT_EQ(answer, platform::kIdOk);
    EXPECT_EQ(Stored("MOBILEATTACH"), "N");
    // Even an OK/Cancel question now answers OK without showing.
    EXPECT_FALSE(Run("MOBILEATTACH", 0x21, [](QDialog* d) { d->reject(); }, &answer));
    EXPECT_EQ(answer, platform::kIdOk);
    // Another key is asked.
    EXPECT_TRUE(Run("RESERVEDATE", 0x40, [](QDialog* d) {
        EXPECT_FALSE(Control<QPushButton>(d, shell::dialogs::kIdCancel)->isVisible());
        ui::test::ClickControl(d, shell::dialogs::kIdOk);
    }, &answer));
    EXPECT_EQ(Stored("RESERVEDATE"), "Y");
}

TEST_F(ConfirmDialog, CancelWithTheBoxTickedStoresNothing) {
    int answer = 0;
    EXPECT_TRUE(Run("DBCLOSE", 0x21, [](QDialog* d) {
        Control<QCheckBox>(d, CConfirmDialog::kIdcDontShow)->setChecked(true);
        ui::test::ClickControl(d, shell::dialogs::kIdCancel);
    }, &answer));
    EXPECT_EQ(answer, platform::kIdCancel);
    EXPECT_EQ(Stored("DBCLOSE"), "(none)");
    EXPECT_TRUE(Run("DBCLOSE", 0x21, [](QDialog* d) { d->reject(); }, &answer));
}

TEST_F(ConfirmDialog, ALongMessageMakesTheDialogTallerInsteadOfHidingItsEnd) {
    QString message;
    for (int i = 0; i < 8; ++i)
        message += ui::U8("内に追加、あるいは変更された送信先において、サイズが許容サイズを超過する場合、\r\n");
    bool whole = false;
    ui::test::WhenDialogShows(ui::DialogName(CConfirmDialog::kIdd), [&](QDialog* d) {
        auto* label = Control<QLabel>(d, CConfirmDialog::kIdcMessage);
        whole = label->height() >= label->heightForWidth(label->width());
        ui::test::ClickControl(d, shell::dialogs::kIdOk);
    });
    CConfirmDialog dialog;
    dialog.SetKeyName(QStringLiteral("LONG"));
    dialog.SetDialogSize(140, 475);
    dialog.SetMessage(message);
    dialog.SetStyle(0x40);
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_TRUE(whole);
}

TEST_F(ConfirmDialog, TheChoiceBelongsToTheOpenEnvironment) {
    CIniManager::WriteProfileStringA(EnvIni(), CConfirmDialog::kSection, "EMLOPEN", "N");
    ASSERT_EQ(shell::CreateNewEnvironment("別環境", root_, "N", "", false), 0);
    ASSERT_EQ(service_->OpenEnvironment(root_ + "/別環境.env"), 1);
    int answer = 0;
    EXPECT_TRUE(Run("EMLOPEN", 0x21, [](QDialog* d) { ui::test::ClickControl(d, shell::dialogs::kIdOk); }, &answer));
}

}  // namespace confirm_dialog_test
}  // namespace
