#pragma once
// CSystemMain (page 104, "必須項目"): the first page of the system settings sheet, with
// what every environment needs before mail can go out or come in: the sender, the send
// (SMTP) server and the receive server with its account.
//
// Slots of the option copy and their controls:
//    0 sender address (1191)            82 sender name (1251)
//    1 receive server (1020)             2 receive port (1288)
//    3 protocol: radios 1308 POP3 "0", 1309 APOP "1", 1311 IMAP "2"; another text checks
//      none, and with none checked the slot keeps its text
//    4 receive user ID (1024)
//    5 receive password (1026, re-entered in 1030): stored only when slot 6 is stored "Y",
//      otherwise stored empty, so a password the user chose not to keep is not kept
//    6 keep the password (1194)          7 delete received mail on the server (1197)
//    8 send server (1201)                9 send port (1289)
//   10 the send server's time zone (list 1291): "OSの設定を使用" (stored empty) and
//      whole hours "-1200" ... "+1300"; loaded as the first item that begins with the slot
//      text, "OSの設定を使用" when none does
//
// The page loads its controls from the copy the first time it is shown (EnsureLoaded),
// and writes them back only when the sheet's OK (or a port offer of the next page) asks.
// CheckInput answers what the sheet's OK must refuse; ports are checked as digit strings,
// so a number too large for an int is refused, never wrapped.

#include <QWidget>

#include "app/settings/option_controls.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace settings {

class CSystemMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIdd = 104;
    enum : int {
        kIdcSenderAddress = 1191,
        kIdcSenderName = 1251,
        kIdcReceiveServer = 1020,
        kIdcReceivePort = 1288,
        kIdcPop3 = 1308,
        kIdcApop = 1309,
        kIdcImap = 1311,
        kIdcReceiveUser = 1024,
        kIdcPassword = 1026,
        kIdcPasswordAgain = 1030,
        kIdcSavePassword = 1194,
        kIdcDeleteOnServer = 1197,
        kIdcSendServer = 1201,
        kIdcSendPort = 1289,
        kIdcTimeZone = 1291,
    };
    enum : int {
        kSlotSenderAddress = 0,
        kSlotReceiveServer = 1,
        kSlotReceivePort = 2,
        kSlotProtocol = 3,
        kSlotReceiveUser = 4,
        kSlotPassword = 5,
        kSlotSavePassword = 6,
        kSlotDeleteOnServer = 7,
        kSlotSendServer = 8,
        kSlotSendPort = 9,
        kSlotTimeZone = 10,
        kSlotSenderName = 82,
    };

    explicit CSystemMain(QWidget* parent = nullptr);

    // The sheet's option copy (not owned).
    void SetOptions(OptionCopy* options) { options_ = options; }

    // load: slots to controls, then the enabling; store: controls to slots. A store before
    // the page was ever loaded loads it first, so untouched slots are written back as
    // they were.
    void ExchangeOptions(bool load);
    // Loads once (what showing the page first does).
    void EnsureLoaded();
    bool IsLoaded() const { return loaded_; }

    // 0 when the input may be stored; otherwise a negative number, the message and the
    // control to put the focus on. The first failure wins, in the order of the fields.
    int CheckInput(QString& message, int& controlId) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void UpdateEnabling();

    OptionCopy* options_ = nullptr;
    bool loaded_ = false;
    QLineEdit* senderAddress_;
    QLineEdit* senderName_;
    QLineEdit* receiveServer_;
    QLineEdit* receivePort_;
    QRadioButton* pop3_;
    QRadioButton* apop_;
    QRadioButton* imap_;
    QLineEdit* receiveUser_;
    QLineEdit* password_;
    QLineEdit* passwordAgain_;
    QCheckBox* savePassword_;
    QCheckBox* deleteOnServer_;
    QLineEdit* sendServer_;
    QLineEdit* sendPort_;
    QComboBox* timeZone_;
};

}  // namespace settings
