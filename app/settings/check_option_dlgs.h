#pragma once
// The option dialogs that are check boxes (and the signature text), each over the sheet's
// option copy (COptionDlg: loaded when shown, written back on OK only):
//  - CSignatureDlg (199 "通常メールの署名作成"): slot 80 the signature (multi-line edit
//    1248; its lines are kept with CR LF in the slot), 81 append it to new mails (1516).
//  - CAttachSendSettingDlg (275 "添付ファイルの送信設定"): slot 100, attachments cannot be
//    sent (1788). OK with attachments allowed warns to check them for viruses first.
//  - CSendReceiveDisplayDlg (332 "送受信ダイアログの表示設定"): slot 120, close the
//    send/receive dialog by itself (1882).
//  - CReadReceiptDlg (108 "開封通知の設定"): slot 67, ask for read receipts (1230).
//  - CAddressAutoUpdateDlg (105 "宛先の自動更新の設定"): slots 11, 12 and 13, bring the
//    recipients of edited mails (1021), reserved mails (1038) and chosen address lists
//    (1042) up to date by themselves.

#include "app/settings/option_dlg.h"

class QCheckBox;
class QPlainTextEdit;

namespace settings {

class CSignatureDlg : public COptionDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 199;
    static constexpr int kIdcText = 1248;
    static constexpr int kIdcAutoInsert = 1516;
    CSignatureDlg(OptionCopy* options, QWidget* parent = nullptr);

protected:
    void ExchangeOptions(bool load) override;

private:
    QPlainTextEdit* text_;
    QCheckBox* autoInsert_;
};

class CAttachSendSettingDlg : public COptionDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 275;
    static constexpr int kIdcNoAttachments = 1788;
    CAttachSendSettingDlg(OptionCopy* options, QWidget* parent = nullptr);

protected:
    void ExchangeOptions(bool load) override;
    void AfterStore() override;

private:
    QCheckBox* noAttachments_;
};

class CSendReceiveDisplayDlg : public COptionDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 332;
    static constexpr int kIdcAutoClose = 1882;
    CSendReceiveDisplayDlg(OptionCopy* options, QWidget* parent = nullptr);

protected:
    void ExchangeOptions(bool load) override;

private:
    QCheckBox* autoClose_;
};

class CReadReceiptDlg : public COptionDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 108;
    static constexpr int kIdcRequest = 1230;
    CReadReceiptDlg(OptionCopy* options, QWidget* parent = nullptr);

protected:
    void ExchangeOptions(bool load) override;

private:
    QCheckBox* request_;
};

class CAddressAutoUpdateDlg : public COptionDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 105;
    static constexpr int kIdcEditedMails = 1021;
    static constexpr int kIdcReservedMails = 1038;
    static constexpr int kIdcChosenLists = 1042;
    CAddressAutoUpdateDlg(OptionCopy* options, QWidget* parent = nullptr);

protected:
    void ExchangeOptions(bool load) override;

private:
    QCheckBox* edited_;
    QCheckBox* reserved_;
    QCheckBox* chosen_;
};

}  // namespace settings
