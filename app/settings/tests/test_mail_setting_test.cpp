// The test-mail recipient editor over a real environment: what "保存" checks and in which
// order, what reaches testmailinginfo.dat (and what passes through untouched), the
// attribute windows on a recipient's record, and a store that cannot be read or written.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/addressui/basic_info_form.h"
#include "app/addressui/record_control_ids.h"
#include "app/addressui/tests/record_test_env.h"
#include "app/settings/test_mail_pane.h"
#include "app/settings/test_mail_setting_dlg.h"
#include "app/settings/test_mail_views.h"
#include "core/addressbook/test_mailing_info.h"
#include "core/foundation/env_layout.h"
#include "platform/notifier.h"

namespace {
namespace test_mail_setting_test {

using settings::CTestMailSettingDlg;
using namespace rectest;
namespace ids = addressui::ids;
constexpr int kPc = CTestMailSettingDlg::kPcTab;
constexpr int kMobile = CTestMailSettingDlg::kMobileTab;

class TestMailEditorTest : public RecordEnvTest {
protected:
    std::string File() { return env_layout::TestMailingInfoFile(*Env()); }
    std::string FileBytes() {
        std::ifstream in(File(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The recipient `id` as the file holds it now.
    OneCustomer Stored(int id) {
        CTestMailingInfo fresh;
        EXPECT_EQ(fresh.SetEnvManager(Env()), 1);
        OneCustomer r;
        EXPECT_EQ(fresh.GetTestMailingInfo(r, id), 1) << id;
        return r;
    }
    void StoreRecipient(const OneCustomer& r, int id) {
        CTestMailingInfo store;
        ASSERT_EQ(store.SetEnvManager(Env()), 1);
        ASSERT_EQ(store.SetTestMailingInfo(r, id), 0);
        ASSERT_EQ(store.WriteFromMemoryToFile(), 0);
    }
    static QWidget* Basic(CTestMailSettingDlg& d, int tab) { return d.Pane(tab)->StandardView(); }
    static int Save(CTestMailSettingDlg& d) {
        Control<QPushButton>(&d, 1)->click();
        return d.result();
    }
    static int InnerTab(CTestMailSettingDlg& d, int tab) { return d.Pane(tab)->Tabs()->currentIndex(); }
};

TEST_F(TestMailEditorTest, OneAddressIsEnoughAndSavingWritesTheFileAtOnce) {
    {
        CTestMailSettingDlg dlg;
        dlg.show();
        EXPECT_EQ(dlg.windowTitle(), ui::U8("テスト送信用個人情報の設定"));
        EXPECT_EQ(dlg.Tabs()->tabText(0), ui::U8("ＰＣ"));
        EXPECT_EQ(dlg.Tabs()->tabText(1), ui::U8("携帯"));
        EXPECT_EQ(Control<QPushButton>(&dlg, 1)->text(), ui::U8("保存"));
        dlg.Tabs()->setCurrentIndex(kMobile);
        Retype(Basic(dlg, kMobile), ids::kMailAddress, "taro@docomo.example.jp");
        Retype(Basic(dlg, kMobile), ids::kPostalCode, "100-0005");
        // Enter inside a view saves as "保存" does.
        QTest::keyClick(Control<QLineEdit>(Basic(dlg, kMobile), ids::kPostalCode), Qt::Key_Return);
        EXPECT_EQ(dlg.result(), platform::kIdOk);
    }
    // Written by the dialog itself: nothing else saves it.
    EXPECT_EQ(Stored(0).Email, "");
    EXPECT_EQ(Stored(1).Email, "taro@docomo.example.jp");
    EXPECT_EQ(Stored(1).ZipCode1, "1000005");  // the store keeps postal codes without hyphens
    EXPECT_TRUE(prompts_.prompts().empty());
}

TEST_F(TestMailEditorTest, BothAddressesEmptyIsRefusedOnThePcTab) {
    const std::string before = FileBytes();
    CTestMailSettingDlg dlg;
    dlg.show();
    dlg.Tabs()->setCurrentIndex(kMobile);
    dlg.Pane(kPc)->Tabs()->setCurrentIndex(2);
    EXPECT_EQ(Save(dlg), 0);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, ui::U8("メールアドレスのみ、未入力は不可です\r\n必ず入力してください"));
    EXPECT_EQ(prompts_.prompts()[0].caption, ui::U8("メールアドレス未入力"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconInformation);
    EXPECT_EQ(dlg.Tabs()->currentIndex(), kPc);
    EXPECT_EQ(InnerTab(dlg, kPc), 0);
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(TestMailEditorTest, TheFirstFaultyFieldBringsItsRecipientsBasicTabToTheFront) {
    struct Case {
        int tab;
        int control;
        const char* typed;
        const char* text;  // null: saved
        const char* caption;
    };
    const Case cases[] = {
        {kPc, ids::kMailAddress, "pc@@example.jp", "メールアドレスの形式が正しくありません", "基本属性(名前等)入力エラー"},
        {kMobile, ids::kPostalCode, "1234-5678", "郵便番号の桁数が正しくありません\n確認してください",
         "基本属性(住所等)入力エラー"},
        {kMobile, ids::kPostalCode, "１２３", "郵便番号は半角数字[0～9]と[-]で入力してください", "基本属性(住所等)入力エラー"},
        {kPc, ids::kFax, "03-1234-567８", "FAX番号は半角数字[0～9]と[-+]で入力してください。", "基本属性(住所等)入力エラー"},
        {kMobile, ids::kPostalCode, "123-4567", nullptr, nullptr},
        {kPc, ids::kPhone, "+81-3-1234-5678", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        prompts_.clear();
        CTestMailSettingDlg dlg;
        dlg.show();
        Retype(Basic(dlg, kMobile), ids::kMailAddress, "m@example.jp");
        Retype(Basic(dlg, c.tab), c.control, c.typed);
        // Start from the other recipient's attribute page.
        dlg.Tabs()->setCurrentIndex(1 - c.tab);
        dlg.Pane(c.tab)->Tabs()->setCurrentIndex(1);
        if (!c.text) {
            EXPECT_EQ(Save(dlg), platform::kIdOk);
            continue;
        }
        EXPECT_EQ(Save(dlg), 0);
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        EXPECT_EQ(prompts_.prompts()[0].text, ui::U8(c.text));
        EXPECT_EQ(prompts_.prompts()[0].caption, ui::U8(c.caption));
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconError);
        EXPECT_EQ(dlg.Tabs()->currentIndex(), c.tab);
        EXPECT_EQ(InnerTab(dlg, c.tab), 0);
        EXPECT_EQ(dlg.focusWidget(), Control<QLineEdit>(Basic(dlg, c.tab), c.control));
    }
}

TEST_F(TestMailEditorTest, FieldsTheViewsHideOrTheUserLeavesAlonePassThrough) {
    OneCustomer pc;
    CTestMailingInfo().InitOneCustomer(pc, 0);
    pc.Email = "pc@example.jp";
    pc.KanjiSei = "\xEE\xE0" + S("﨑");
    pc.Company = S("株式会社\"ソ\",表示");
    pc.Birthday = S("昭和55年");
    pc.ZipCode2 = "x-2";
    pc.Prefecture = S("Hawaii");
    pc.Building = S("ビル") + "\x80";
    pc.Phone2 = S("内線12");
    pc.DMOk = "N";
    pc.OtherMailOk = "N";
    pc.Extra[5] = S("紹介") + "\r\n" + S("二行目");
    StoreRecipient(pc, 0);
    OneCustomer mobile;
    CTestMailingInfo().InitOneCustomer(mobile, 1);
    mobile.Email = "m@example.jp";
    mobile.Birthday = "1980/01/02 00:00:00";
    StoreRecipient(mobile, 1);
    const OneCustomer storedPc = Stored(0);

    {
        CTestMailSettingDlg dlg;
        dlg.show();
        EXPECT_FALSE(Control<QWidget>(Basic(dlg, kPc), ids::kDmFlag)->isVisibleTo(&dlg));
        EXPECT_FALSE(Control<QWidget>(Basic(dlg, kPc), ids::kHeaderId)->isVisibleTo(&dlg));
        EXPECT_EQ(Control<QLineEdit>(Basic(dlg, kPc), ids::kSurname)->text(), ui::FromSjis(pc.KanjiSei));
        // The mobile recipient's birth date is cleared by the user.
        auto* birth = Control<QCheckBox>(Basic(dlg, kMobile), ids::kBirthDateSet);
        EXPECT_TRUE(birth->isChecked());
        birth->setChecked(false);
        EXPECT_EQ(Save(dlg), platform::kIdOk);
    }
    OneCustomer after = Stored(0);
    after.RenewalDate = storedPc.RenewalDate;
    EXPECT_EQ(after, storedPc);
    EXPECT_EQ(Stored(1).Birthday, "");

    CTestMailSettingDlg again;
    again.show();
    EXPECT_FALSE(Control<QCheckBox>(Basic(again, kMobile), ids::kBirthDateSet)->isChecked());
}

TEST_F(TestMailEditorTest, AttributeViewsChangeTheRecipientsRecordThroughTheEditorsWindows) {
    CTestMailSettingDlg dlg;
    dlg.show();
    dlg.Tabs()->setCurrentIndex(kMobile);
    Retype(Basic(dlg, kMobile), ids::kMailAddress, "m@example.jp");
    dlg.Pane(kMobile)->Tabs()->setCurrentIndex(2);
    QWidget* view = dlg.Pane(kMobile)->Tabs()->currentWidget();
    EXPECT_EQ(Control<QLineEdit>(view, ids::kExtra2Names + 1)->text(), ui::U8("ポイント"));
    EXPECT_EQ(dlg.focusWidget(), Control<QPushButton>(view, ids::kChangeButton));
    bool ran = false;
    ui::test::WhenDialogShows("dlg172", [&](QDialog* d) {
        ran = true;
        auto* box = Control<QComboBox>(d, 1442);
        box->lineEdit()->clear();
        ui::test::TypeText(box->lineEdit(), "250");
        ui::test::ClickControl(d, 1);
    });
    Control<QPushButton>(view, ids::kChangeButton)->click();
    EXPECT_TRUE(ran);
    EXPECT_EQ(Control<QLineEdit>(view, 1442)->text(), "250");
    EXPECT_EQ(Save(dlg), platform::kIdOk);
    EXPECT_EQ(Stored(1).Extra[11], "250");
    EXPECT_EQ(Stored(0).Extra[11], "");
}

TEST_F(TestMailEditorTest, TabChangesGiveTheFocusToTheViewsControl) {
    CTestMailSettingDlg dlg;
    dlg.show();
    // Focus changes are only reported inside the active window.
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    dlg.Tabs()->setCurrentIndex(kMobile);
    EXPECT_EQ(dlg.focusWidget(), Control<QLineEdit>(Basic(dlg, kMobile), ids::kMailAddress));
    Retype(Basic(dlg, kMobile), ids::kCity, "港区");
    dlg.Pane(kMobile)->Tabs()->setCurrentIndex(1);
    EXPECT_EQ(dlg.focusWidget(), Control<QPushButton>(dlg.Pane(kMobile)->Tabs()->currentWidget(), ids::kChangeButton));
    dlg.Pane(kMobile)->Tabs()->setCurrentIndex(0);
    EXPECT_EQ(dlg.focusWidget(), Control<QLineEdit>(Basic(dlg, kMobile), ids::kCity));
}

TEST_F(TestMailEditorTest, EscapeCancelsAndWritesNothing) {
    const std::string before = FileBytes();
    CTestMailSettingDlg dlg;
    dlg.show();
    Retype(Basic(dlg, kPc), ids::kMailAddress, "pc@example.jp");
    QTest::keyClick(Control<QLineEdit>(Basic(dlg, kPc), ids::kMailAddress), Qt::Key_Escape);  // as "キャンセル"
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), platform::kIdCancel);
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(TestMailEditorTest, AStoreThatCannotBeReadIsNotEdited) {
    {
        std::ofstream out(File(), std::ios::binary | std::ios::trunc);
        out << "\"0\",\"broken\r\n";
    }
    const std::string before = FileBytes();
    CTestMailSettingDlg dlg;
    EXPECT_EQ(dlg.DoModal(), platform::kIdCancel);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].caption, ui::U8("データ読み込みエラー"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconError);
    // Even a save forced through the dialog's OK leaves the file alone.
    Retype(Basic(dlg, kPc), ids::kMailAddress, "pc@example.jp");
    dlg.accept();
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(TestMailEditorTest, AFailedWriteKeepsTheDialogOpenOnThePcTab) {
    CTestMailSettingDlg dlg;
    dlg.show();
    dlg.Tabs()->setCurrentIndex(kMobile);
    Retype(Basic(dlg, kMobile), ids::kMailAddress, "m@example.jp");
    // The file's place is taken by a folder: the safe write cannot rename over it.
    std::filesystem::remove(File());
    std::filesystem::create_directory(File());
    EXPECT_EQ(Save(dlg), 0);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].caption, ui::U8("データ保存エラー"));
    EXPECT_FALSE(prompts_.prompts()[0].text.isEmpty());
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconInformation);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.Tabs()->currentIndex(), kPc);
}

}  // namespace test_mail_setting_test
}  // namespace
