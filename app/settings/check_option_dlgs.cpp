#include "app/settings/check_option_dlgs.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace settings {
namespace {

using shell::dialogs::MakeCheckBox;

constexpr int kSlotSignature = 80;
constexpr int kSlotAutoSignature = 81;
constexpr int kSlotNoAttachments = 100;
constexpr int kSlotAutoCloseDialog = 120;
constexpr int kSlotReadReceipt = 67;
constexpr int kSlotUpdateEdited = 11;
constexpr int kSlotUpdateReserved = 12;
constexpr int kSlotUpdateChosen = 13;

}  // namespace

// ---- CSignatureDlg ------------------------------------------------------------------------

CSignatureDlg::CSignatureDlg(OptionCopy* options, QWidget* parent)
    : COptionDlg(kIdd, "通常メールの署名作成", options, parent) {
    text_ = ui::SetControlId(new QPlainTextEdit(this), kIdcText);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setMinimumSize(420, 200);
    autoInsert_ = MakeCheckBox(this, ui::U8("自動で新規メールに貼り付ける"), kIdcAutoInsert);
    Body()->addWidget(text_);
    Body()->addWidget(autoInsert_);
    AddButtons();
}

void CSignatureDlg::ExchangeOptions(bool load) {
    if (load) {
        QString text = SlotText(Options(), kSlotSignature);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text_->setPlainText(text);
        LoadCheck(Options(), kSlotAutoSignature, autoInsert_);
        return;
    }
    // The edit holds LF lines; the signature keeps the CR LF lines of a mail.
    QString text = text_->toPlainText();
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    SetSlot(Options(), kSlotSignature, text);
    StoreCheck(Options(), kSlotAutoSignature, autoInsert_);
}

// ---- CAttachSendSettingDlg ----------------------------------------------------------------

CAttachSendSettingDlg::CAttachSendSettingDlg(OptionCopy* options, QWidget* parent)
    : COptionDlg(kIdd, "添付ファイルの送信設定", options, parent) {
    noAttachments_ = MakeCheckBox(this, ui::U8("添付ファイル送信機能を使用しない"), kIdcNoAttachments);
    Body()->addWidget(noAttachments_);
    AddButtons();
}

void CAttachSendSettingDlg::ExchangeOptions(bool load) {
    if (load)
        LoadCheck(Options(), kSlotNoAttachments, noAttachments_);
    else
        StoreCheck(Options(), kSlotNoAttachments, noAttachments_);
}

void CAttachSendSettingDlg::AfterStore() {
    if (noAttachments_->isChecked()) return;
    ui::MessageBox(this,
                   ui::U8("あなたのマシンにセキュリティソフトはインストールされていますか？\r\n"
                          "添付ファイルの送信の前に、必ずセキュリティソフトによるウィルスチェックを行ってください"),
                   ui::U8("添付ファイル送信設定"), platform::kMbOk | platform::kMbIconWarning);
}

// ---- CSendReceiveDisplayDlg ---------------------------------------------------------------

CSendReceiveDisplayDlg::CSendReceiveDisplayDlg(OptionCopy* options, QWidget* parent)
    : COptionDlg(kIdd, "送受信ダイアログの表示設定", options, parent) {
    autoClose_ = MakeCheckBox(this, ui::U8("送受信情報を表示するダイアログを自動で閉じる。"), kIdcAutoClose);
    Body()->addWidget(autoClose_);
    AddButtons();
}

void CSendReceiveDisplayDlg::ExchangeOptions(bool load) {
    if (load)
        LoadCheck(Options(), kSlotAutoCloseDialog, autoClose_);
    else
        StoreCheck(Options(), kSlotAutoCloseDialog, autoClose_);
}

// ---- CReadReceiptDlg ----------------------------------------------------------------------

CReadReceiptDlg::CReadReceiptDlg(OptionCopy* options, QWidget* parent)
    : COptionDlg(kIdd, "開封通知の設定", options, parent) {
    request_ = MakeCheckBox(this, ui::U8("開封通知のリクエストを行なう"), kIdcRequest);
    Body()->addWidget(request_);
    AddButtons();
}

void CReadReceiptDlg::ExchangeOptions(bool load) {
    if (load)
        LoadCheck(Options(), kSlotReadReceipt, request_);
    else
        StoreCheck(Options(), kSlotReadReceipt, request_);
}

// ---- CAddressAutoUpdateDlg ----------------------------------------------------------------

CAddressAutoUpdateDlg::CAddressAutoUpdateDlg(OptionCopy* options, QWidget* parent)
    : COptionDlg(kIdd, "宛先の自動更新の設定", options, parent) {
    edited_ = MakeCheckBox(this, ui::U8("更新したメール文書の宛先を自動的に最新の状態にする"), kIdcEditedMails);
    reserved_ = MakeCheckBox(this, ui::U8("送信予約をしたメール文書の宛先を自動的に最新の状態にする"), kIdcReservedMails);
    chosen_ = MakeCheckBox(this, ui::U8("選んだアドレス帳の宛先を自動的に最新の状態にしてから、メールの宛先に設定する"),
                           kIdcChosenLists);
    for (QCheckBox* b : {edited_, reserved_, chosen_}) Body()->addWidget(b);
    AddButtons();
}

void CAddressAutoUpdateDlg::ExchangeOptions(bool load) {
    const std::pair<int, QCheckBox*> boxes[] = {
        {kSlotUpdateEdited, edited_}, {kSlotUpdateReserved, reserved_}, {kSlotUpdateChosen, chosen_}};
    for (const auto& [slot, box] : boxes) {
        if (load)
            LoadCheck(Options(), slot, box);
        else
            StoreCheck(Options(), slot, box);
    }
}

}  // namespace settings
