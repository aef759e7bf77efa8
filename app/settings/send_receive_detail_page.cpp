#include "app/settings/send_receive_detail_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/settings/required_items_page.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace settings {
namespace {

using shell::dialogs::MakeCheckBox;
using shell::dialogs::MakeEdit;
using shell::dialogs::MakeLabel;

QComboBox* SslModeList(QWidget* parent, int id) {
    auto* list = ui::SetControlId(new QComboBox(parent), id);
    for (const char* mode : {"利用しない", "over TLS 1.0", "over SSL 3.0", "over SSL 2.0", "STARTTLS"})
        list->addItem(ui::U8(mode));
    return list;
}

void LoadSslMode(const OptionCopy* options, int slot, QComboBox* list) {
    const QString mode = SlotText(options, slot);
    int index = 0;
    if (mode.size() == 1 && mode[0] >= u'1' && mode[0] <= u'4') index = mode[0].unicode() - u'0';
    list->setCurrentIndex(index);
}

void StoreSslMode(OptionCopy* options, int slot, const QComboBox* list) {
    SetSlot(options, slot, QString::number(list->currentIndex() < 0 ? 0 : list->currentIndex()));
}

}  // namespace

CSystemSMTP::CSystemSMTP(QWidget* parent) : QWidget(parent) {
    setObjectName(ui::DialogName(kIdd));
    auto* column = new QVBoxLayout(this);

    authentication_ = MakeCheckBox(this, ui::U8("SMTP認証を行う"), kIdcAuthentication);
    column->addWidget(authentication_);
    authGroup_ = new QGroupBox(ui::U8("SMTP認証"), this);
    auto* authGrid = new QGridLayout(authGroup_);
    user_ = MakeEdit(authGroup_, kIdcSmtpUser);
    password_ = MakeEdit(authGroup_, kIdcSmtpPassword, true);
    userLabel_ = MakeLabel(authGroup_, ui::U8("SMTPサーバのユーザID"));
    passwordLabel_ = MakeLabel(authGroup_, ui::U8("SMTPサーバのパスワード"));
    authGrid->addWidget(userLabel_, 0, 0);
    authGrid->addWidget(user_, 0, 1);
    authGrid->addWidget(passwordLabel_, 1, 0);
    authGrid->addWidget(password_, 1, 1);
    column->addWidget(authGroup_);

    ssl_ = MakeCheckBox(this, ui::U8("SSL設定を行う"), kIdcSsl);
    column->addWidget(ssl_);
    sslGroup_ = new QGroupBox(ui::U8("SSL設定"), this);
    auto* sslGrid = new QGridLayout(sslGroup_);
    receiveSsl_ = SslModeList(sslGroup_, kIdcReceiveSsl);
    sendSsl_ = SslModeList(sslGroup_, kIdcSendSsl);
    receiveLabel_ = MakeLabel(sslGroup_, ui::U8("受信"));
    sendLabel_ = MakeLabel(sslGroup_, ui::U8("送信"));
    noCertificateCheck_ = MakeCheckBox(sslGroup_, ui::U8("証明書を検証しない"), kIdcNoCertificateCheck);
    sslGrid->addWidget(receiveLabel_, 0, 0);
    sslGrid->addWidget(receiveSsl_, 0, 1);
    sslGrid->addWidget(sendLabel_, 1, 0);
    sslGrid->addWidget(sendSsl_, 1, 1);
    sslGrid->addWidget(noCertificateCheck_, 2, 0, 1, 2);
    sslGrid->setColumnStretch(1, 1);
    column->addWidget(sslGroup_);
    column->addStretch();

    connect(authentication_, &QCheckBox::clicked, this, [this] { UpdateEnabling(); });
    connect(ssl_, &QCheckBox::clicked, this, [this] {
        UpdateEnabling();
        OfferReceivePort();
        OfferSendPort();
    });
    connect(receiveSsl_, &QComboBox::currentIndexChanged, this, [this] {
        if (!loading_) OfferReceivePort();
    });
    connect(sendSsl_, &QComboBox::currentIndexChanged, this, [this] {
        if (!loading_) OfferSendPort();
    });
}

void CSystemSMTP::showEvent(QShowEvent* event) {
    EnsureLoaded();
    QWidget::showEvent(event);
}

void CSystemSMTP::EnsureLoaded() {
    if (!loaded_) ExchangeOptions(true);
}

void CSystemSMTP::ExchangeOptions(bool load) {
    OptionCopy* o = options_;
    if (load) {
        loaded_ = true;
        loading_ = true;
        LoadCheck(o, kSlotAuthentication, authentication_);
        user_->setText(SlotText(o, kSlotSmtpUser));
        password_->setText(SlotText(o, kSlotSmtpPassword));
        LoadCheck(o, kSlotSsl, ssl_);
        LoadSslMode(o, kSlotReceiveSsl, receiveSsl_);
        LoadSslMode(o, kSlotSendSsl, sendSsl_);
        LoadCheck(o, kSlotNoCertificateCheck, noCertificateCheck_);
        loading_ = false;
        UpdateEnabling();
        return;
    }
    EnsureLoaded();
    StoreCheck(o, kSlotAuthentication, authentication_);
    SetSlot(o, kSlotSmtpUser, user_->text());
    SetSlot(o, kSlotSmtpPassword, password_->text());
    StoreCheck(o, kSlotSsl, ssl_);
    StoreSslMode(o, kSlotReceiveSsl, receiveSsl_);
    StoreSslMode(o, kSlotSendSsl, sendSsl_);
    StoreCheck(o, kSlotNoCertificateCheck, noCertificateCheck_);
}

void CSystemSMTP::UpdateEnabling() {
    const bool auth = authentication_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{authGroup_, user_, password_, userLabel_, passwordLabel_})
        w->setEnabled(auth);
    const bool ssl = ssl_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{sslGroup_, receiveSsl_, sendSsl_, receiveLabel_, sendLabel_,
                                                      noCertificateCheck_})
        w->setEnabled(ssl);
}

int CSystemSMTP::CheckInput(QString& message, int& controlId) const {
    if (!authentication_->isChecked()) return 0;
    if (user_->text().isEmpty()) {
        message = ui::U8("SMTPサーバのユーザIDが入力されていません。");
        controlId = kIdcSmtpUser;
        return -1;
    }
    if (password_->text().isEmpty()) {
        message = ui::U8("SMTPサーバのパスワードが入力されていません。");
        controlId = kIdcSmtpPassword;
        return -2;
    }
    return 0;
}

int CSystemSMTP::ProposedPort(bool sslOn, int mode, int standardPort, int encryptedPort) {
    if (!sslOn) return standardPort;
    if (mode == kSslNone || mode == kSslStartTls) return standardPort;
    if (mode >= kSslTls10 && mode <= kSslSsl20) return encryptedPort;
    return -1;
}

void CSystemSMTP::OfferReceivePort() {
    OfferPort(CSystemMain::kSlotReceivePort, receiveSsl_, 110, 995, "受信サーバのポート設定");
}

void CSystemSMTP::OfferSendPort() {
    OfferPort(CSystemMain::kSlotSendPort, sendSsl_, 25, 465, "送信サーバのポート設定");
}

void CSystemSMTP::OfferPort(int slot, const QComboBox* list, int standardPort, int encryptedPort, const char* title) {
    if (mainPage_ == nullptr || options_ == nullptr) return;
    // The slot is to hold what the user typed on the first page.
    mainPage_->ExchangeOptions(false);
    const long long current = LeadingNumber(SlotText(options_, slot));
    const int proposed = ProposedPort(ssl_->isChecked(), list->currentIndex(), standardPort, encryptedPort);
    if (proposed < 0 || current == proposed) return;
    const QString text =
        proposed == standardPort
            ? ui::U8("%1のポート番号を標準の[%2]番にしますか？\r\n\r\n※他のポート番号の場合は、手動で設定してください。")
            : ui::U8("%1のポート番号を暗号化通信で一般的な[%2]番にしますか？\r\n\r\n※他のポート番号の場合は、手動で設定してください。");
    const QString server = ui::U8(slot == CSystemMain::kSlotReceivePort ? "受信サーバ" : "送信サーバ");
    if (ui::MessageBox(this, text.arg(server).arg(proposed), ui::U8(title), platform::kMbYesNo | platform::kMbIconQuestion) !=
        platform::kIdYes)
        return;
    mainPage_->ExchangeOptions(false);
    SetSlot(options_, slot, QString::number(proposed));
    mainPage_->ExchangeOptions(true);
}

}  // namespace settings
