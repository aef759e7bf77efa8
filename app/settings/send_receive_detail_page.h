#pragma once
// CSystemSMTP (page 269, "送受信設定詳細"): the second page of the system settings sheet,
// SMTP authentication and encrypted connections.
//
// Slots of the option copy and their controls:
//   90 SMTP authentication (1775)   94 SMTP user ID (1776)   95 SMTP password (1777)
//   85 SSL on (1778)
//   86 receive SSL mode (list 1843), 87 send SSL mode (list 1844): "0" 利用しない,
//      "1" over TLS 1.0, "2" over SSL 3.0, "3" over SSL 2.0, "4" STARTTLS; an empty or
//      unknown text loads as "0"
//   88 do not verify the server's certificate (1845)
// The page offers no choice of authentication method.
//
// Port offers: when SSL is switched on or off, or an SSL mode is chosen, the page proposes
// the matching port of the required-items page: 110 / 25 for no encryption and STARTTLS,
// 995 / 465 for the implicit modes. It asks first (Yes/No), and only when the port the
// user typed differs; on Yes the required-items page shows the new port at once. The
// offer goes through the option copy: the required-items page stores its controls, the
// port slot is replaced, and the page reloads.
//
// Loaded from the copy when first shown (or when the sheet's OK needs it), stored by the
// sheet's OK only.

#include <QWidget>

#include "app/settings/option_controls.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace settings {

class CSystemMain;

class CSystemSMTP : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIdd = 269;
    enum : int {
        kIdcAuthentication = 1775,
        kIdcSmtpUser = 1776,
        kIdcSmtpPassword = 1777,
        kIdcSsl = 1778,
        kIdcReceiveSsl = 1843,
        kIdcSendSsl = 1844,
        kIdcNoCertificateCheck = 1845,
    };
    enum : int {
        kSlotSsl = 85,
        kSlotReceiveSsl = 86,
        kSlotSendSsl = 87,
        kSlotNoCertificateCheck = 88,
        kSlotAuthentication = 90,
        kSlotSmtpUser = 94,
        kSlotSmtpPassword = 95,
    };
    // SSL modes, the positions of the two lists.
    enum : int { kSslNone = 0, kSslTls10 = 1, kSslSsl30 = 2, kSslSsl20 = 3, kSslStartTls = 4 };

    explicit CSystemSMTP(QWidget* parent = nullptr);

    void SetOptions(OptionCopy* options) { options_ = options; }
    // The page whose ports the offers change (not owned); without it nothing is offered.
    void SetMainPage(CSystemMain* page) { mainPage_ = page; }

    void ExchangeOptions(bool load);
    void EnsureLoaded();
    bool IsLoaded() const { return loaded_; }
    // 0, or a negative number with the message and the control to focus (only while
    // SMTP authentication is on: the user ID, then the password, must not be empty).
    int CheckInput(QString& message, int& controlId) const;

    // The port an offer proposes: with SSL on, mode 0 or 4 (STARTTLS) the standard port,
    // modes 1-3 the encrypted one, no mode chosen (-1) none (-1); with SSL off the
    // standard port.
    static int ProposedPort(bool sslOn, int mode, int standardPort, int encryptedPort);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void UpdateEnabling();
    void OfferReceivePort();
    void OfferSendPort();
    void OfferPort(int slot, const QComboBox* list, int standardPort, int encryptedPort, const char* title);

    OptionCopy* options_ = nullptr;
    CSystemMain* mainPage_ = nullptr;
    bool loaded_ = false;
    bool loading_ = false;
    QCheckBox* authentication_;
    QGroupBox* authGroup_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLabel* userLabel_;
    QLabel* passwordLabel_;
    QCheckBox* ssl_;
    QGroupBox* sslGroup_;
    QComboBox* receiveSsl_;
    QComboBox* sendSsl_;
    QLabel* receiveLabel_;
    QLabel* sendLabel_;
    QCheckBox* noCertificateCheck_;
};

}  // namespace settings
