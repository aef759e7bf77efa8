// Renders the send/receive status dialog (a send beginning, before its total is known, a
// send under way, a receive beginning, before the server has listed its messages, a receive
// with counts, a send that failed and stays on the screen, a send that gave up on an
// address deferred for days, the end of a receive that passed a message over) and the
// dial-up ID/password dialog into the screenshot folder (QUENDREL_SCREENSHOT_DIR). They
// register under "Screenshots.SendReceive", which the screenshot script's filter
// "Screenshots.*" selects (the binary's "Screenshots" suite has a fixture of its own).
#include <gtest/gtest.h>

#include <QLineEdit>

#include "app/sendrecv/dialup_auth_dlg.h"
#include "app/sendrecv/send_receive_dlg.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/screenshot.h"
#include "app/ui/testing/type_text.h"

namespace {

using ui::U8;
using ui::test::SaveScreenshot;

class SendReceiveShot : public ::testing::Test {
public:
    enum Shot { kStarting, kSending, kReceiveStarting, kReceiving, kFailed, kGaveUp, kPassedOver, kDialupLogin };
    explicit SendReceiveShot(Shot shot) : shot_(shot) {}

    void TestBody() override {
        if (shot_ == kDialupLogin) {
            CDialupAuthDlg dialog(U8("yamada"), QString());
            ui::test::TypeText(ui::FindControl<QLineEdit>(&dialog, CDialupAuthDlg::kIdcPassword), "secret");
            EXPECT_TRUE(SaveScreenshot(&dialog, "dlg2001_dialup_login"));
            return;
        }
        CSendReceiveDlg dialog;
        dialog.Create(false);
        if (shot_ == kGaveUp) {
            dialog.SetMode(3);
            dialog.OnStateCode(CSendReceiveDlg::kStateSending);
            dialog.OnMailId(12);
            dialog.OnTotal(38);
            dialog.OnCurrent(38);
            dialog.OnStatusText(U8("最初に保留されてから5日を過ぎたため、この宛先への送信を打ち切りました\r\n"
                                   "メール送信サーバのディスク容量が不足しています。メール送信サーバで処理を継続できません。\r\n"
                                   "452 4.2.2 <hanako@example.jp>: Mailbox full"));
            dialog.OnRunFinished(RunOutcome::kFailed);
        } else if (shot_ == kFailed) {
            dialog.SetMode(3);
            dialog.OnStateCode(CSendReceiveDlg::kStateSending);
            dialog.OnMailId(12);
            dialog.OnTotal(38);
            dialog.OnStatusText(U8("接続が拒否されました。ファイアウォールの設定や接続回線の確認をしてください。"));
            dialog.OnRunFinished(RunOutcome::kFailed);
        } else if (shot_ == kStarting) {
            dialog.SetMode(3);
            dialog.OnStateCode(CSendReceiveDlg::kStateSending);
            dialog.OnTotal(0);
            dialog.OnMailId(12);
            dialog.OnStatusText(U8("送信を開始します"));
        } else if (shot_ == kReceiveStarting) {
            dialog.SetMode(2);
            dialog.OnStateCode(CSendReceiveDlg::kStateReceiving);
            dialog.OnStatusText(U8("受信サーバに接続中です"));
        } else if (shot_ == kSending) {
            dialog.SetMode(3);
            dialog.OnStateCode(CSendReceiveDlg::kStateSending);
            dialog.OnMailId(12);
            dialog.OnTotal(1250);
            dialog.OnCurrent(468);
            dialog.OnStatusText(U8("送信中です"));
        } else {
            dialog.SetMode(1);
            dialog.OnStateCode(CSendReceiveDlg::kStateReceiving);
            dialog.OnTotal(40);
            dialog.OnCurrent(27);
            for (int kind : {1, 2, 2, 3, 3, 3, 3, 3, 3, 4, 4, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
                dialog.OnMailKind(kind);
            dialog.OnStatusText(U8("受信メールを解析しています"));
        }
        if (shot_ == kPassedOver) {
            dialog.OnStatusText(U8("受信が正常に終了しませんでした\r\n"
                                   "2回続けて接続が切れたメールを受信せずサーバに残しました\r\n"
                                   "[メール番号:28 サイズ:48213バイト]"));
            dialog.OnRunFinished(RunOutcome::kFailed);
        }
        dialog.Refresh();
        EXPECT_TRUE(SaveScreenshot(&dialog, shot_ == kStarting     ? "dlg252_send_receive_send_starting"
                                            : shot_ == kSending    ? "dlg252_send_receive_sending"
                                            : shot_ == kReceiveStarting ? "dlg252_send_receive_receive_starting"
                                            : shot_ == kFailed     ? "dlg252_send_receive_failed"
                                            : shot_ == kGaveUp     ? "dlg252_send_receive_gave_up"
                                            : shot_ == kPassedOver ? "dlg252_send_receive_passed_over"
                                                                   : "dlg252_send_receive_receiving"));
        dialog.close();
    }

private:
    Shot shot_;
};

[[maybe_unused]] const bool sendReceiveShotsRegistered = [] {
    const struct {
        const char* name;
        SendReceiveShot::Shot shot;
    } shots[] = {
        {"StatusDialogSendStarting", SendReceiveShot::kStarting},
        {"StatusDialogSending", SendReceiveShot::kSending},
        {"StatusDialogReceiveStarting", SendReceiveShot::kReceiveStarting},
        {"StatusDialogReceiving", SendReceiveShot::kReceiving},
        {"StatusDialogFailed", SendReceiveShot::kFailed},
        {"StatusDialogGaveUp", SendReceiveShot::kGaveUp},
        {"StatusDialogPassedOver", SendReceiveShot::kPassedOver},
        {"DialupLogin", SendReceiveShot::kDialupLogin},
    };
    for (const auto& s : shots) {
        const SendReceiveShot::Shot shot = s.shot;
        ::testing::RegisterTest("Screenshots.SendReceive", s.name, nullptr, nullptr, __FILE__, __LINE__,
                                [shot]() -> ::testing::Test* { return new SendReceiveShot(shot); });
    }
    return true;
}();

}  // namespace
