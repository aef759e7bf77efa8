// Renders every dialog of this folder with real Japanese texts into the screenshot folder
// (QUENDREL_SCREENSHOT_DIR); without it the dialogs are still made and shown offscreen,
// but nothing is written.
#include <gtest/gtest.h>

#include <QCheckBox>

#include "app/dialogs/db_save_wait_dlg.h"
#include "app/dialogs/env_select_dlg.h"
#include "app/dialogs/extract_progress_dlg.h"
#include "app/dialogs/new_env_dlg.h"
#include "app/dialogs/password_change_dlg.h"
#include "app/dialogs/password_prompt_dlgs.h"
#include "app/dialogs/password_set_dlg.h"
#include "app/dialogs/proxy_auth_dlg.h"
#include "app/dialogs/test_mail_progress_dlg.h"
#include "app/dialogs/tests/dialog_test_util.h"
#include "app/dialogs/wait_dlg.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/screenshot.h"

namespace {

using dlgtest::Type;
using ui::U8;
using ui::test::SaveScreenshot;

TEST(Screenshots, WaitAndProgressDialogs) {
    shell::CWaitDlg wait;
    wait.SetMessages(U8("メール一覧情報を読み込んでいます"), U8("件数により時間がかかる場合があります"),
                     U8("しばらくお待ちください"));
    wait.Create();
    EXPECT_TRUE(SaveScreenshot(&wait, "dlg177_wait"));

    shell::CDbSaveWaitDlg save([] { return 0; });
    EXPECT_TRUE(SaveScreenshot(&save, "dlg210_db_save_wait"));

    shell::CExtractProgressDlg extract;
    extract.SetMessages(U8("個人情報を抽出しています（12,345件中 6,789件）"), U8("件数により時間がかかる場合があります"),
                        U8("しばらくお待ちください"));
    extract.Create();
    EXPECT_TRUE(SaveScreenshot(&extract, "dlg178_extract_progress"));

    shell::CTestMailProgressDlg testMail;
    testMail.SetMessages(U8("テストメールを送信しています"), U8("送信サーバ: smtp.example.co.jp"),
                         U8("しばらくお待ちください"));
    testMail.Create();
    EXPECT_TRUE(SaveScreenshot(&testMail, "dlg2006_test_mail_progress"));
}

TEST(Screenshots, PasswordAndProxyDialogs) {
    dlgtest::TempFolder tmp;
    auto env = dlgtest::TempFolder::Open(tmp.MakeEnvironment("env", "Y", "Pass1"));

    shell::CEnvPasswordDlg open(*env);
    open.SetTitle(U8("顧客管理環境の起動"));
    EXPECT_TRUE(SaveScreenshot(&open, "dlg322_env_password"));
    shell::CPasswordEntryDlg lock(*env);
    EXPECT_TRUE(SaveScreenshot(&lock, "dlg319_password_entry"));

    shell::CPasswordSetDlg set(*env);
    ui::FindControl<QCheckBox>(&set, shell::CPasswordSetDlg::kIdcUsePassword)->setChecked(true);
    Type(&set, shell::CPasswordSetDlg::kIdcPassword, U8("Pass1"));
    EXPECT_TRUE(SaveScreenshot(&set, "dlg320_password_set"));

    shell::CPasswordChangeDlg change(*env);
    EXPECT_TRUE(SaveScreenshot(&change, "dlg321_password_change"));

    shell::CProxyAuthDlg proxy;
    proxy.SetValues({U8("proxy.example.co.jp"), U8("8080"), U8("yamada"), U8("secret"), 1});
    EXPECT_TRUE(SaveScreenshot(&proxy, "dlg329_proxy_auth"));
}

TEST(Screenshots, EnvironmentDialogs) {
    shell::CEnvSelectDlg select(false);
    EXPECT_TRUE(SaveScreenshot(&select, "dlg265_env_select"));
    shell::CEnvSelectDlg importSelect(true);
    EXPECT_TRUE(SaveScreenshot(&importSelect, "dlg265_env_select_import"));

    shell::CNewEnvDlg newEnv;
    Type(&newEnv, shell::CNewEnvDlg::kIdcLocation, U8("/home/yamada/Varnis/DATA"));
    Type(&newEnv, shell::CNewEnvDlg::kIdcName, U8("春のキャンペーン"));
    ui::FindControl<QCheckBox>(&newEnv, shell::CNewEnvDlg::kIdcUsePassword)->setChecked(true);
    EXPECT_TRUE(SaveScreenshot(&newEnv, "dlg102_new_env"));
}

}  // namespace
