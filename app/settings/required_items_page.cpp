#include "app/settings/required_items_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstdlib>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/validation.h"

namespace settings {
namespace {

using shell::dialogs::MakeCheckBox;
using shell::dialogs::MakeEdit;
using shell::dialogs::MakeLabel;

const char* const kOsTimeZone = "OSの設定を使用";

enum class PortFault { kNone, kEmpty, kNotDigits, kTooLarge };

// A port is half-width digits up to 65535; leading zeros are allowed ("0" passes).
PortFault CheckPort(const QString& text) {
    if (text.isEmpty()) return PortFault::kEmpty;
    for (QChar c : text)
        if (c < u'0' || c > u'9') return PortFault::kNotDigits;
    return LeadingNumber(text) > 65535 ? PortFault::kTooLarge : PortFault::kNone;
}

QLineEdit* PortEdit(QWidget* parent, int id) {
    QLineEdit* edit = MakeEdit(parent, id);
    edit->setMaximumWidth(80);
    return edit;
}

}  // namespace

CSystemMain::CSystemMain(QWidget* parent) : QWidget(parent) {
    setObjectName(ui::DialogName(kIdd));
    auto* column = new QVBoxLayout(this);

    auto* sender = new QGroupBox(ui::U8("送信者"), this);
    auto* senderGrid = new QGridLayout(sender);
    senderAddress_ = MakeEdit(sender, kIdcSenderAddress);
    senderName_ = MakeEdit(sender, kIdcSenderName);
    senderGrid->addWidget(MakeLabel(sender, ui::U8("送信者メールアドレス (From)")), 0, 0);
    senderGrid->addWidget(senderAddress_, 0, 1);
    senderGrid->addWidget(MakeLabel(sender, ui::U8("送信者名")), 1, 0);
    senderGrid->addWidget(senderName_, 1, 1);
    column->addWidget(sender);

    auto* send = new QGroupBox(ui::U8("送信サーバ"), this);
    auto* sendGrid = new QGridLayout(send);
    sendServer_ = MakeEdit(send, kIdcSendServer);
    sendPort_ = PortEdit(send, kIdcSendPort);
    timeZone_ = ui::SetControlId(new QComboBox(send), kIdcTimeZone);
    timeZone_->addItem(ui::U8(kOsTimeZone));
    for (int hour = -12; hour <= 13; ++hour)
        timeZone_->addItem(QStringLiteral("%1%2").arg(QChar(hour < 0 ? u'-' : u'+')).arg(std::abs(hour) * 100, 4, 10, QChar(u'0')));
    sendGrid->addWidget(MakeLabel(send, ui::U8("送信サーバアドレス(SMTP)")), 0, 0);
    sendGrid->addWidget(sendServer_, 0, 1);
    sendGrid->addWidget(MakeLabel(send, ui::U8("ポート番号")), 0, 2);
    sendGrid->addWidget(sendPort_, 0, 3);
    sendGrid->addWidget(MakeLabel(send, ui::U8("送信サーバのタイムゾーン")), 1, 0);
    sendGrid->addWidget(timeZone_, 1, 1);
    column->addWidget(send);

    auto* receive = new QGroupBox(ui::U8("受信サーバ"), this);
    auto* receiveGrid = new QGridLayout(receive);
    receiveServer_ = MakeEdit(receive, kIdcReceiveServer);
    receivePort_ = PortEdit(receive, kIdcReceivePort);
    receiveGrid->addWidget(MakeLabel(receive, ui::U8("受信サーバアドレス")), 0, 0);
    receiveGrid->addWidget(receiveServer_, 0, 1);
    receiveGrid->addWidget(MakeLabel(receive, ui::U8("ポート番号")), 0, 2);
    receiveGrid->addWidget(receivePort_, 0, 3);
    auto* protocolRow = new QHBoxLayout;
    pop3_ = ui::SetControlId(new QRadioButton(QStringLiteral("POP3"), receive), kIdcPop3);
    apop_ = ui::SetControlId(new QRadioButton(QStringLiteral("APOP"), receive), kIdcApop);
    imap_ = ui::SetControlId(new QRadioButton(QStringLiteral("IMAP"), receive), kIdcImap);
    for (QRadioButton* r : {pop3_, apop_, imap_}) protocolRow->addWidget(r);
    protocolRow->addStretch();
    receiveGrid->addWidget(MakeLabel(receive, ui::U8("受信プロトコル")), 1, 0);
    receiveGrid->addLayout(protocolRow, 1, 1, 1, 3);
    receiveUser_ = MakeEdit(receive, kIdcReceiveUser);
    password_ = MakeEdit(receive, kIdcPassword, true);
    passwordAgain_ = MakeEdit(receive, kIdcPasswordAgain, true);
    receiveGrid->addWidget(MakeLabel(receive, ui::U8("受信サーバのユーザID")), 2, 0);
    receiveGrid->addWidget(receiveUser_, 2, 1);
    receiveGrid->addWidget(MakeLabel(receive, ui::U8("受信サーバのパスワード")), 3, 0);
    receiveGrid->addWidget(password_, 3, 1);
    receiveGrid->addWidget(MakeLabel(receive, ui::U8("パスワードの再入力")), 4, 0);
    receiveGrid->addWidget(passwordAgain_, 4, 1);
    savePassword_ = MakeCheckBox(receive, ui::U8("パスワードを保存する"), kIdcSavePassword);
    deleteOnServer_ = MakeCheckBox(receive, ui::U8("受信時、サーバからメールを削除する"), kIdcDeleteOnServer);
    receiveGrid->addWidget(savePassword_, 5, 1, 1, 3);
    receiveGrid->addWidget(deleteOnServer_, 6, 1, 1, 3);
    column->addWidget(receive);
    column->addStretch();

    connect(savePassword_, &QCheckBox::clicked, this, [this] { UpdateEnabling(); });
}

void CSystemMain::showEvent(QShowEvent* event) {
    EnsureLoaded();
    QWidget::showEvent(event);
}

void CSystemMain::EnsureLoaded() {
    if (!loaded_) ExchangeOptions(true);
}

void CSystemMain::ExchangeOptions(bool load) {
    OptionCopy* o = options_;
    if (load) {
        loaded_ = true;
        senderAddress_->setText(SlotText(o, kSlotSenderAddress));
        senderName_->setText(SlotText(o, kSlotSenderName));
        receiveServer_->setText(SlotText(o, kSlotReceiveServer));
        receivePort_->setText(SlotText(o, kSlotReceivePort));
        LoadRadios(o, kSlotProtocol, {{pop3_, "0"}, {apop_, "1"}, {imap_, "2"}});
        receiveUser_->setText(SlotText(o, kSlotReceiveUser));
        password_->setText(SlotText(o, kSlotPassword));
        passwordAgain_->setText(SlotText(o, kSlotPassword));
        LoadCheck(o, kSlotSavePassword, savePassword_);
        LoadCheck(o, kSlotDeleteOnServer, deleteOnServer_);
        sendServer_->setText(SlotText(o, kSlotSendServer));
        sendPort_->setText(SlotText(o, kSlotSendPort));
        if (SelectFirstStartingWith(timeZone_, SlotText(o, kSlotTimeZone)) < 0) timeZone_->setCurrentIndex(0);
        UpdateEnabling();
        return;
    }
    EnsureLoaded();
    SetSlot(o, kSlotSenderAddress, senderAddress_->text());
    SetSlot(o, kSlotSenderName, senderName_->text());
    SetSlot(o, kSlotReceiveServer, receiveServer_->text());
    SetSlot(o, kSlotReceivePort, receivePort_->text());
    StoreRadios(o, kSlotProtocol, {{pop3_, "0"}, {apop_, "1"}, {imap_, "2"}});
    SetSlot(o, kSlotReceiveUser, receiveUser_->text());
    StoreCheck(o, kSlotSavePassword, savePassword_);
    SetSlot(o, kSlotPassword, savePassword_->isChecked() ? password_->text() : QString());
    StoreCheck(o, kSlotDeleteOnServer, deleteOnServer_);
    SetSlot(o, kSlotSendServer, sendServer_->text());
    SetSlot(o, kSlotSendPort, sendPort_->text());
    SetSlot(o, kSlotTimeZone, timeZone_->currentIndex() <= 0 ? QString() : timeZone_->currentText());
}

void CSystemMain::UpdateEnabling() {
    password_->setEnabled(savePassword_->isChecked());
    passwordAgain_->setEnabled(savePassword_->isChecked());
}

int CSystemMain::CheckInput(QString& message, int& controlId) const {
    auto fail = [&](int code, const char* text, int id) {
        message = ui::U8(text);
        controlId = id;
        return code;
    };
    const QString address = senderAddress_->text();
    if (address.isEmpty()) return fail(-1, "送信者メールアドレスが入力されていません。", kIdcSenderAddress);
    if (!MailAddressChecker(ui::ToSjis(address)))
        return fail(-2, "送信者メールアドレスの内容が不正です。", kIdcSenderAddress);
    if (sendServer_->text().isEmpty()) return fail(-3, "送信サーバアドレス(SMTP)が入力されていません。", kIdcSendServer);
    switch (CheckPort(sendPort_->text())) {
    case PortFault::kEmpty:
        return fail(-4, "送信サーバのポート番号が入力されていません。", kIdcSendPort);
    case PortFault::kNotDigits:
        return fail(-5, "送信サーバのポート番号は半角数字で入力してください。", kIdcSendPort);
    case PortFault::kTooLarge:
        return fail(-6, "送信サーバのポート番号の内容が不正です。", kIdcSendPort);
    case PortFault::kNone:
        break;
    }
    if (receiveServer_->text().isEmpty()) return fail(-7, "受信サーバアドレスが入力されていません。", kIdcReceiveServer);
    switch (CheckPort(receivePort_->text())) {
    case PortFault::kEmpty:
        return fail(-8, "受信サーバのポート番号が入力されていません。", kIdcReceivePort);
    case PortFault::kNotDigits:
        return fail(-9, "受信サーバのポート番号は半角数字で入力してください。", kIdcReceivePort);
    case PortFault::kTooLarge:
        return fail(-10, "受信サーバのポート番号の内容が不正です。", kIdcReceivePort);
    case PortFault::kNone:
        break;
    }
    if (receiveUser_->text().isEmpty()) return fail(-11, "受信サーバのユーザIDが入力されていません。", kIdcReceiveUser);
    if (savePassword_->isChecked()) {
        if (password_->text().isEmpty()) return fail(-12, "受信サーバのパスワードが入力されていません。", kIdcPassword);
        if (password_->text() != passwordAgain_->text())
            return fail(-13, "受信サーバのパスワードと再入力されたパスワードが一致しません。", kIdcPasswordAgain);
    }
    return 0;
}

}  // namespace settings
