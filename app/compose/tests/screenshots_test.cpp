// Renders the composing subsystem's shared controls with Japanese texts into the
// screenshot folder (QUENDREL_SCREENSHOT_DIR): the switchable confirmation, the
// attachment settings and the mail-text edit with its merge-field menu.
#include <gtest/gtest.h>

#include <QMenu>
#include <QTableView>
#include <QTimer>

#include <filesystem>
#include <fstream>

#include "app/compose/attachment_settings_dlg.h"
#include "app/compose/confirm_dialog.h"
#include "app/compose/mail_text_edit.h"
#include "app/sendrecv/tests/mail_dialogs_env.h"
#include "app/ui/testing/screenshot.h"

namespace {
namespace screenshots_test {

using namespace compose;
using namespace maildlg;
using ui::test::SaveScreenshot;

class Screenshots : public MailDialogsEnv {};

TEST_F(Screenshots, ConfirmDialog) {
    CConfirmDialog dialog;
    dialog.SetKeyName(QStringLiteral("RESERVEDATE"));
    dialog.SetDialogSize(140, 475);
    dialog.SetCaption(ui::U8("送信予約日時の確認"));
    dialog.SetMessage(ui::U8("送信予約日時が現在より前になっています。\r\nこのまま保存すると、すぐに送信が始まります。\r\nよろしいですか？"));
    dialog.SetStyle(0x21);
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_TRUE(SaveScreenshot(&dialog, "confirm_dialog"));
        dialog.reject();
    });
    dialog.DoModal();
}

TEST_F(Screenshots, AttachmentSettingsDialog) {
    const std::string folder = root_ + "/ATEMP/";
    std::filesystem::create_directories(folder);
    CAttachmentSettingsDlg dialog;
    dialog.SetAttachFolder(folder);
    dialog.SetAttachList({{S("見積書_2025年春.pdf"), "245760"}, {S("会社案内.docx"), "1048576"}, {"map.png", "38211"}});
    QTimer::singleShot(0, &dialog, [&] {
        dialog.List()->selectRow(1);
        EXPECT_TRUE(SaveScreenshot(&dialog, "attachment_settings_dlg"));
        dialog.reject();
    });
    dialog.DoModal();
}

TEST_F(Screenshots, MailTextEditMenu) {
    ASSERT_EQ(Options().SetSODataToMemoryPinPoint(14, S("趣味")), 0);
    ASSERT_EQ(Options().SetSODataToMemoryPinPoint(15, S("会員番号")), 0);
    CMailTextEdit edit;
    edit.setPlainText(ui::U8("<%名前(姓)%>様\nいつもご利用ありがとうございます。"));
    edit.resize(360, 120);
    EXPECT_TRUE(SaveScreenshot(&edit, "mail_text_edit"));
    std::unique_ptr<QMenu> menu(edit.BuildContextMenu());
    EXPECT_TRUE(SaveScreenshot(menu.get(), "mail_text_edit_menu"));
    auto* basic = menu->findChild<QMenu*>(QStringLiteral("menuBasic"));
    EXPECT_TRUE(SaveScreenshot(basic, "mail_text_edit_menu_basic"));
    auto* extended = menu->findChild<QMenu*>(QStringLiteral("menuExtended"));
    EXPECT_TRUE(SaveScreenshot(extended, "mail_text_edit_menu_extended"));
}

}  // namespace screenshots_test
}  // namespace
