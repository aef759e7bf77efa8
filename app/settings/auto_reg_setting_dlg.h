#pragma once
// CAutoRegSettingDlg (2004 "自動登録・自動解除の設定"): what the receive run does with
// sign-up and sign-off mails. Over the sheet's option copy (COptionDlg):
//   slot 106 register people from empty mails: radios 1781 "設定する" ("Y") / 1783
//            "設定しない" ("N");
//   slot 107 sign people off by a keyword: radios 1784 ("Y") / 1785 ("N");
//   slot 108 the keyword (edit 1782, enabled only while 1784 is checked).
// A slot whose text checks neither radio of its pair keeps that text.
//
// OK trims the keyword (TrimKeyword) and writes the trimmed text back into the edit. With
// the keyword sign-off on, an empty keyword is refused, and so is a keyword holding
// characters that do not travel well in mail (KeywordCodeFault): half-width katakana,
// machine-dependent characters, and bytes that are no Shift_JIS character.

#include <QString>

#include <string>

#include "app/settings/option_dlg.h"

class QLineEdit;
class QRadioButton;

namespace settings {

class CAutoRegSettingDlg : public COptionDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 2004;
    enum : int {
        kIdcRegisterOn = 1781,
        kIdcRegisterOff = 1783,
        kIdcKeywordOn = 1784,
        kIdcKeywordOff = 1785,
        kIdcKeyword = 1782,
    };
    enum : int { kSlotRegister = 106, kSlotKeywordOn = 107, kSlotKeyword = 108 };

    CAutoRegSettingDlg(OptionCopy* options, QWidget* parent = nullptr);

    // Leading ASCII white space goes, then as long as the text begins with the full-width
    // space "　", that space and the white space after it; the end the same way.
    static QString TrimKeyword(const QString& keyword);
    // The message for a keyword (Shift_JIS) with characters that do not travel well in
    // mail, one line for each kind found, in the order half-width katakana,
    // machine-dependent characters, invalid bytes, followed by "が含まれています"; empty
    // when the keyword is clean.
    static QString KeywordCodeFault(const std::string& keyword);

protected:
    void ExchangeOptions(bool load) override;
    void UpdateEnabling() override;
    bool CheckInput() override;

private:
    QRadioButton* registerOn_;
    QRadioButton* registerOff_;
    QRadioButton* keywordOn_;
    QRadioButton* keywordOff_;
    QLineEdit* keyword_;
};

}  // namespace settings
