// Renders the system settings into the screenshot folder (QUENDREL_SCREENSHOT_DIR): the
// sheet's five pages over a shop's options, and every option dialog the pages open.
// Without the folder the screens are still made and shown.
//
// The folder's binary has its "Screenshots" fixture already (the test-mail editor's), and
// a suite may have one fixture only, so these register under "Screenshots.SystemSettings",
// which the screenshot script's filter "Screenshots.*" selects as well.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <functional>

#include "app/settings/attribute_names_dlg.h"
#include "app/settings/auto_dialup_dlg.h"
#include "app/settings/auto_receive_dlg.h"
#include "app/settings/auto_reg_setting_dlg.h"
#include "app/settings/check_option_dlgs.h"
#include "app/settings/dialup_entries.h"
#include "app/settings/error_resend_dlg.h"
#include "app/settings/import_setting_dlg.h"
#include "app/settings/split_send_dlg.h"
#include "app/settings/system_sheet.h"
#include "app/settings/tests/settings_sheet_env.h"
#include "app/ui/testing/screenshot.h"

namespace {
namespace system_settings_screenshots_test {

using namespace settingstest;
using namespace settings;
using ui::test::SaveScreenshot;

class SystemSettingsScreenTest : public SettingsEnvTest {
public:
    explicit SystemSettingsScreenTest(std::function<void(SystemSettingsScreenTest&)> body) : body_(std::move(body)) {}
    void TestBody() override { body_(*this); }
    using SettingsEnvTest::AllStored;
    using SettingsEnvTest::Options;

private:
    std::function<void(SystemSettingsScreenTest&)> body_;
};

void RegisterSystemSettingsShot(const char* name, std::function<void(SystemSettingsScreenTest&)> body) {
    ::testing::RegisterTest("Screenshots.SystemSettings", name, nullptr, nullptr, __FILE__, __LINE__,
                            [body]() -> SettingsEnvTest* { return new SystemSettingsScreenTest(body); });
}

[[maybe_unused]] const bool systemSettingsShotsRegistered = [] {
    RegisterSystemSettingsShot("SheetPages", [](SystemSettingsScreenTest& t) {
        CSystemSheet sheet(&t.Options(), ui::U8("システム設定"));
        sheet.HideApplyButton();
        const char* names[] = {"sheet_1_dlg104_required_items", "sheet_2_dlg269_send_receive_detail",
                               "sheet_3_dlg317_send_receive_options", "sheet_4_dlg268_mail_creation",
                               "sheet_5_dlg110_other_options"};
        for (int page = 0; page < CSystemSheet::kPageCount; ++page) {
            sheet.SetActivePage(page);
            EXPECT_TRUE(SaveScreenshot(&sheet, names[page]));
        }
    });
    RegisterSystemSettingsShot("OptionDialogs", [](SystemSettingsScreenTest& t) {
        OptionCopy copy = t.AllStored();
        copy[54] = "Y";
        copy[107] = "Y";
        const DialupEntryLister previous = SetDialupEntryLister([](std::vector<std::string>& names) {
            names = {S("会社のダイアルアップ"), "ISP-Tokyo"};
        });
        copy[69] = "Y";
        copy[70] = "ISP-Tokyo";
        copy[71] = "shop";
        copy[72] = "dial-pass";
        copy[75] = "Y";
        copy[76] = "9";
        copy[78] = "18";
        copy[79] = "30";
        auto shot = [](QDialog&& d, const char* name) { EXPECT_TRUE(SaveScreenshot(&d, name)); };
        shot(CSignatureDlg(&copy), "dlg199_signature");
        shot(CAttachSendSettingDlg(&copy), "dlg275_attachment_sending");
        shot(CSendReceiveDisplayDlg(&copy), "dlg332_send_receive_dialog");
        shot(CReadReceiptDlg(&copy), "dlg108_read_receipt");
        shot(CAddressAutoUpdateDlg(&copy), "dlg105_address_auto_update");
        shot(CImportSettingDlg(&copy), "dlg274_import_settings");
        shot(CSplitSendDlg(&copy), "dlg270_split_sending");
        shot(CAutoReceiveDlg(&copy), "dlg2005_auto_receive");
        shot(CErrorResendDlg(&copy), "dlg107_error_resend");
        shot(CAutoRegSettingDlg(&copy), "dlg2004_auto_register");
        shot(CAutoDialupDlg(&copy), "dlg109_auto_dialup");
        shot(CExtAttrNameDlg(&copy), "dlg106_attribute_names");
        SetDialupEntryLister(previous);
    });
    return true;
}();

}  // namespace system_settings_screenshots_test
}  // namespace
