#pragma once
// The three button pages of the system settings sheet. They hold no option controls of
// their own: each button opens one option dialog over the sheet's option copy, which
// writes its slots into the copy when it is closed with OK (nothing reaches the options
// before the sheet's OK). Two buttons lead elsewhere and save at once: the test-mail
// recipients (their own file) and the edit font (the environment's ini file).
//
//  CSystemTransOption (317 "送受信オプション"):
//    1365 テスト送信の設定 -> CTestMailSettingDlg   1359 開封通知 -> CReadReceiptDlg
//    1358 エラーメール再送信 -> CErrorResendDlg     1778 件数分割送信 -> CSplitSendDlg
//    1360 自動ダイアルアップ -> CAutoDialupDlg      1364 自動受信 -> CAutoReceiveDlg
//    1779 自動登録/自動解除 -> CAutoRegSettingDlg   1780 送受信ダイアログ -> CSendReceiveDisplayDlg
//  CSystemMail (268 "メール作成"):
//    1362 署名 -> CSignatureDlg                     1363 編集フォント -> the font dialog
//    1364 添付ファイル -> CAttachSendSettingDlg     1365 地図リンクの設定 -> CMapLinkSettingDlg
//  CSystemUnity (110 "その他オプション"):
//    1356 宛先の自動更新 -> CAddressAutoUpdateDlg   1357 拡張属性 -> CExtAttrNameDlg
//    1365 データインポート -> CImportSettingDlg (both groups)
//
// The wait cursor shows while a dialog is being made.

#include <QWidget>

#include <functional>

#include "app/settings/mail_font_setting.h"
#include "app/settings/option_controls.h"

class QPushButton;
class QVBoxLayout;

namespace settings {

// What the three pages share: the copy and the column of buttons.
class COptionButtonPage : public QWidget {
    Q_OBJECT
public:
    void SetOptions(OptionCopy* options) { options_ = options; }
    OptionCopy* Options() const { return options_; }

protected:
    COptionButtonPage(int idd, QWidget* parent);
    // Adds a button named as control `id` that runs `open` when clicked.
    QPushButton* AddButton(int id, const char* text, std::function<void()> open);
    // Makes the dialog under the wait cursor, then runs it.
    template <class Dialog, class... Args>
    int RunDialog(Args&&... args);

private:
    OptionCopy* options_ = nullptr;
    QVBoxLayout* column_;
};

class CSystemTransOption : public COptionButtonPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 317;
    enum : int {
        kIdcTestMail = 1365,
        kIdcReadReceipt = 1359,
        kIdcErrorResend = 1358,
        kIdcSplitSend = 1778,
        kIdcAutoDialup = 1360,
        kIdcAutoReceive = 1364,
        kIdcAutoRegister = 1779,
        kIdcSendReceiveDialog = 1780,
    };
    explicit CSystemTransOption(QWidget* parent = nullptr);
};

class CSystemMail : public COptionButtonPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 268;
    enum : int { kIdcSignature = 1362, kIdcEditFont = 1363, kIdcAttachment = 1364, kIdcMapLinks = 1365 };
    explicit CSystemMail(QWidget* parent = nullptr);
    // Where a chosen edit font goes (the application's mail font).
    void SetMailFontHook(MailFontHook hook) { mailFontHook_ = std::move(hook); }

private:
    MailFontHook mailFontHook_;
};

class CSystemUnity : public COptionButtonPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 110;
    enum : int { kIdcAddressUpdate = 1356, kIdcAttributes = 1357, kIdcImport = 1365 };
    explicit CSystemUnity(QWidget* parent = nullptr);
};

}  // namespace settings
