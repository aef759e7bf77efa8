// Renders the receive-result dialogs and the receive password dialog with Japanese data
// into the screenshot folder (QUENDREL_SCREENSHOT_DIR). The folder's binary has its
// "Screenshots" fixture already and a suite has one fixture, so these register under
// "Screenshots.ReceiveResults", which the screenshot script's filter "Screenshots.*"
// selects as well.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTableView>

#include "app/sendrecv/auto_ref_list_dlg.h"
#include "app/sendrecv/auto_reg_list_dlg.h"
#include "app/sendrecv/receive_password_dlg.h"
#include "app/sendrecv/receive_stores.h"
#include "app/sendrecv/same_address_dlg.h"
#include "app/sendrecv/tests/mail_dialogs_env.h"
#include "app/ui/testing/screenshot.h"
#include "core/foundation/record_table.h"

namespace {
namespace receive_screenshots_test {

using namespace maildlg;
using ui::U8;
using ui::test::SaveScreenshot;

class ReceiveResultsShot : public MailDialogsEnv {
public:
    enum Shot { kRegistrations, kSameAddress, kRefusals, kPassword };
    explicit ReceiveResultsShot(Shot shot) : shot_(shot) {}

    void TestBody() override {
        switch (shot_) {
        case kRegistrations: Registrations(); break;
        case kSameAddress: SameAddress(); break;
        case kRefusals: Refusals(); break;
        case kPassword: Password(); break;
        }
    }

private:
    void Registrations() {
        const char* people[][6] = {
            {"kobayashi.yui@example.co.jp", "小林", "結衣", "コバヤシ", "ユイ", "東京都"},
            {"nakamura@docomo.ne.jp", "中村", "大輔", "ナカムラ", "ダイスケ", "大阪府"},
            {"ito.sakura@ezweb.ne.jp", "伊藤", "さくら", "イトウ", "サクラ", "北海道"},
            {"watanabe@example.ne.jp", "渡辺", "翔", "ワタナベ", "ショウ", "福岡県"},
        };
        BaseRecordStructer rows;
        rows.SetElementNumber(receive_stores::kRegistrationElements);
        for (const auto& p : people) {
            OneCustomer c;
            InitOneCustomer(c);
            c.Email = p[0];
            c.KanjiSei = S(p[1]);
            c.KanjiMei = S(p[2]);
            c.KanaSei = S(p[3]);
            c.KanaMei = S(p[4]);
            c.Prefecture = S(p[5]);
            c.ZipCode1 = "1500001";
            c.Phone1 = "03-1234-5678";
            const std::vector<std::string> row = receive_stores::RegistrationRow(c);
            std::vector<const char*> values;
            for (const std::string& v : row) values.push_back(v.c_str());
            rows.InsertString(values.data());
        }
        ASSERT_TRUE(receive_stores::SaveList(Env(), receive_stores::kRegistrations, rows));
        CAutoRegListDlg dialog;
        dialog.List()->selectRow(1);
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg203_auto_registration_list"));
    }
    void SameAddress() {
        const QString explanation = U8("[nakamura@docomo.ne.jp]\r\nこのメールアドレスは、個人情報ID[1024] に存在しています\r\n"
                                       "このソフトでは、同一環境で重複したメールアドレスの登録を許可していません\r\n"
                                       "ここで上書きすると、元の個人情報は参照できなくなりますのでご注意ください");
        CSameAddressDlg dialog(explanation, U8("個人情報ID[1024] に上書きします"), 1024);
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg205_same_address"));
    }
    void Refusals() {
        for (const char* a : {"yamada.taro@example.co.jp", "suzuki@docomo.ne.jp", "takahashi@ezweb.ne.jp"})
            AddPerson(a, S("山田"));
        BaseRecordStructer rows;
        rows.SetElementNumber(receive_stores::kRefusalElements);
        for (const char* a : {"yamada.taro@example.co.jp", "suzuki@docomo.ne.jp", "takahashi@ezweb.ne.jp"}) {
            const char* values[] = {a};
            rows.InsertString(values);
        }
        ASSERT_TRUE(receive_stores::SaveList(Env(), receive_stores::kRefusals, rows));
        CAutoRefListDlg dialog;
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg206_refusal_list"));
    }
    void Password() {
        CReceivePasswordDlg dialog;
        ui::test::TypeText(ui::FindControl<QLineEdit>(&dialog, CReceivePasswordDlg::kIdcPassword), "secret");
        EXPECT_TRUE(SaveScreenshot(&dialog, "dlg2000_receive_password"));
    }

    Shot shot_;
};

[[maybe_unused]] const bool receiveShotsRegistered = [] {
    const struct {
        const char* name;
        ReceiveResultsShot::Shot shot;
    } shots[] = {
        {"RegistrationList", ReceiveResultsShot::kRegistrations},
        {"SameAddress", ReceiveResultsShot::kSameAddress},
        {"RefusalList", ReceiveResultsShot::kRefusals},
        {"ReceivePassword", ReceiveResultsShot::kPassword},
    };
    for (const auto& s : shots) {
        const ReceiveResultsShot::Shot shot = s.shot;
        ::testing::RegisterTest("Screenshots.ReceiveResults", s.name, nullptr, nullptr, __FILE__, __LINE__,
                                [shot]() -> MailDialogsEnv* { return new ReceiveResultsShot(shot); });
    }
    return true;
}();

}  // namespace receive_screenshots_test
}  // namespace
