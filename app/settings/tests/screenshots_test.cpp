// Renders the test-mail recipient editor with Japanese recipients into the screenshot
// folder (QUENDREL_SCREENSHOT_DIR): the PC recipient's basic view, the mobile one's basic
// view and its attribute views. Without the folder the dialog is still made and shown.
#include <gtest/gtest.h>

#include <QTabWidget>

#include "app/addressui/tests/record_test_env.h"
#include "app/settings/test_mail_pane.h"
#include "app/settings/test_mail_setting_dlg.h"
#include "app/ui/testing/screenshot.h"
#include "core/addressbook/test_mailing_info.h"

namespace {
namespace screenshots_test {

using namespace rectest;
using settings::CTestMailSettingDlg;
using ui::test::SaveScreenshot;

class Screenshots : public RecordEnvTest {};

TEST_F(Screenshots, TestMailRecipientEditor) {
    CTestMailingInfo store;
    ASSERT_EQ(store.SetEnvManager(Env()), 1);
    OneCustomer pc;
    store.InitOneCustomer(pc, 0);
    pc.Email = "test-pc@example.co.jp";
    pc.KanjiSei = S("試験");
    pc.KanjiMei = S("太郎");
    pc.KanaSei = S("シケン");
    pc.KanaMei = S("タロウ");
    pc.Company = S("株式会社テスト商事");
    pc.CompanyPost = S("販売促進部");
    pc.Birthday = "1980/04/01 00:00:00";
    pc.ZipCode1 = "1500001";
    pc.Prefecture = S("東京都");
    pc.Address1 = S("渋谷区神宮前");
    pc.Address2 = S("1-2-3 テストビル5階");
    pc.Phone1 = "03-0000-1111";
    pc.Extra[0] = S("テニス");
    pc.Extra[1] = "1001";
    OneCustomer mobile;
    store.InitOneCustomer(mobile, 1);
    mobile.Email = "test-mobile@docomo.example.ne.jp";
    mobile.KanjiSei = S("試験");
    mobile.KanjiMei = S("花子");
    mobile.Portable1 = "090-0000-2222";
    mobile.Extra[10] = S("シルバー");
    mobile.Extra[11] = "1200";
    ASSERT_EQ(store.SetTestMailingInfo(pc, 0), 0);
    ASSERT_EQ(store.SetTestMailingInfo(mobile, 1), 0);
    ASSERT_EQ(store.WriteFromMemoryToFile(), 0);

    CTestMailSettingDlg dlg;
    dlg.show();
    EXPECT_TRUE(SaveScreenshot(&dlg, "dlg943_test_mail_1_pc_basic"));
    dlg.Tabs()->setCurrentIndex(CTestMailSettingDlg::kMobileTab);
    EXPECT_TRUE(SaveScreenshot(&dlg, "dlg943_test_mail_2_mobile_basic"));
    dlg.Pane(CTestMailSettingDlg::kMobileTab)->Tabs()->setCurrentIndex(1);
    EXPECT_TRUE(SaveScreenshot(&dlg, "dlg943_test_mail_3_mobile_extra_a_j"));
    dlg.Pane(CTestMailSettingDlg::kMobileTab)->Tabs()->setCurrentIndex(2);
    EXPECT_TRUE(SaveScreenshot(&dlg, "dlg943_test_mail_4_mobile_extra_k_t"));
}

}  // namespace screenshots_test
}  // namespace
