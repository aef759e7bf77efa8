#include "app/settings/option_pages.h"

#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

#include "app/htmledit/map_link_setting_dlg.h"
#include "app/settings/attribute_names_dlg.h"
#include "app/settings/auto_dialup_dlg.h"
#include "app/settings/auto_receive_dlg.h"
#include "app/settings/auto_reg_setting_dlg.h"
#include "app/settings/check_option_dlgs.h"
#include "app/settings/error_resend_dlg.h"
#include "app/settings/import_setting_dlg.h"
#include "app/settings/split_send_dlg.h"
#include "app/settings/test_mail_setting_dlg.h"
#include "app/dialogs/dialog_parts.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "app/ui/wait_cursor.h"

namespace settings {

COptionButtonPage::COptionButtonPage(int idd, QWidget* parent) : QWidget(parent) {
    setObjectName(ui::DialogName(idd));
    auto* row = new QHBoxLayout(this);
    column_ = new QVBoxLayout;
    column_->addStretch();  // the buttons go above it, packed at the top
    row->addLayout(column_);
    row->addStretch();
}

QPushButton* COptionButtonPage::AddButton(int id, const char* text, std::function<void()> open) {
    QPushButton* button = shell::dialogs::MakeButton(this, ui::U8(text), id);
    button->setMinimumWidth(200);
    column_->insertWidget(column_->count() - 1, button);
    connect(button, &QPushButton::clicked, this, std::move(open));
    return button;
}

template <class Dialog, class... Args>
int COptionButtonPage::RunDialog(Args&&... args) {
    std::unique_ptr<Dialog> dialog;
    {
        ui::WaitCursor wait;
        dialog = std::make_unique<Dialog>(std::forward<Args>(args)...);
    }
    return dialog->DoModal();
}

CSystemTransOption::CSystemTransOption(QWidget* parent) : COptionButtonPage(kIdd, parent) {
    AddButton(kIdcTestMail, "テスト送信の設定", [this] { RunDialog<CTestMailSettingDlg>(this); });
    AddButton(kIdcReadReceipt, "開封通知", [this] { RunDialog<CReadReceiptDlg>(Options(), this); });
    AddButton(kIdcErrorResend, "エラーメール再送信", [this] { RunDialog<CErrorResendDlg>(Options(), this); });
    AddButton(kIdcSplitSend, "件数分割送信", [this] { RunDialog<CSplitSendDlg>(Options(), this); });
    AddButton(kIdcAutoDialup, "自動ダイアルアップ", [this] { RunDialog<CAutoDialupDlg>(Options(), this); });
    AddButton(kIdcAutoReceive, "自動受信", [this] { RunDialog<CAutoReceiveDlg>(Options(), this); });
    AddButton(kIdcAutoRegister, "自動登録/自動解除", [this] { RunDialog<CAutoRegSettingDlg>(Options(), this); });
    AddButton(kIdcSendReceiveDialog, "送受信ダイアログ", [this] { RunDialog<CSendReceiveDisplayDlg>(Options(), this); });
}

CSystemMail::CSystemMail(QWidget* parent) : COptionButtonPage(kIdd, parent) {
    AddButton(kIdcSignature, "署名", [this] { RunDialog<CSignatureDlg>(Options(), this); });
    AddButton(kIdcEditFont, "編集フォント", [this] {
        shell::EnvironmentService* service = shell::ProgramEnvironment();
        ChooseMailFont(this, service != nullptr ? service->EnvIniPath() : std::string(), mailFontHook_);
    });
    AddButton(kIdcAttachment, "添付ファイル", [this] { RunDialog<CAttachSendSettingDlg>(Options(), this); });
    AddButton(kIdcMapLinks, "地図リンクの設定", [this] { RunDialog<htmledit::CMapLinkSettingDlg>(Options(), this); });
}

CSystemUnity::CSystemUnity(QWidget* parent) : COptionButtonPage(kIdd, parent) {
    AddButton(kIdcAddressUpdate, "宛先の自動更新", [this] { RunDialog<CAddressAutoUpdateDlg>(Options(), this); });
    AddButton(kIdcAttributes, "拡張属性", [this] { RunDialog<CExtAttrNameDlg>(Options(), this); });
    AddButton(kIdcImport, "データインポート", [this] { RunDialog<CImportSettingDlg>(Options(), this, true, true); });
}

}  // namespace settings
