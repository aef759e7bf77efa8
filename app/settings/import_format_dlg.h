#pragma once
// The questions before an address-book import, asked in a chain by the personal-
// information list (RunAddressImport in import_chain.h): the format, then for general CSV,
// Tormask and Brindell the confirmation of the duplicate-address policy, for the mail
// programs' books how the DM flag is set; cancelling any of them ends the chain.
//
//  - CImportFormatDlg (212 "インポート形式"): the format, 1 general CSV (checked at start),
//    2 Tormask, 3 Brindell, 4 Quillary, 5 Outlook Express, 6 Becky!; "選択" takes the
//    checked one (0 when none). The note "(項目名も上書きします)" shows only while option
//    111 is exactly "Y".
//  - CImportConfirmDlg (272 "データインポート"): says which duplicate-address policy the
//    import will use (option 109 for general CSV, 110 for the shop programs); "変更" opens
//    the data-import settings on a copy of the options with only this import's group
//    enabled and, on its OK, stores the policy and writes the options file at once, so the
//    change stays even when this dialog is then cancelled. A store that would not take the
//    value (an options record of an older, shorter layout) gets the whole copy instead,
//    which upgrades the record, so a change is never lost silently.
//  - CDmFlagModeDlg (257 "DM送付可否フラグの扱い"): the DM-flag mode, 1 all "Y" (checked at
//    start), 2 all "N", 3 new "Y" and stored records unchanged, 4 new "N" and stored
//    records unchanged; 0 when cancelled.

#include <QDialog>

class QLabel;
class QRadioButton;

namespace settings {

class CImportFormatDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 212;
    static constexpr int kIdcGeneral = 1792;
    static constexpr int kIdcTormask = 1793;
    static constexpr int kIdcBrindell = 1794;
    static constexpr int kIdcQuillary = 1795;
    static constexpr int kIdcOutlook = 1796;
    static constexpr int kIdcBecky = 1797;
    static constexpr int kIdcNote = 1824;

    explicit CImportFormatDlg(QWidget* parent = nullptr);
    // 1 (IDOK) after "選択", 2 (IDCANCEL).
    int DoModal();
    // The format chosen (0 before OK or when none was checked).
    int GetKind() const { return kind_; }

    void accept() override;

private:
    int kind_ = 0;
    QRadioButton* radios_[6] = {};
};

class CImportConfirmDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 272;
    static constexpr int kIdcMessage = 1769;
    static constexpr int kIdcChange = 1768;

    // `kind` 1 general CSV, 2 Tormask, 3 Brindell.
    CImportConfirmDlg(QWidget* parent, int kind);
    // 1 (IDOK) or 2 (IDCANCEL).
    int DoModal();
    // "変更".
    void OnChange();

private:
    // The message from the policy option of this kind; another value leaves it as it is.
    void RefreshMessage();
    int PolicySlot() const { return kind_ == 1 ? 109 : 110; }

    int kind_;
    QLabel* message_ = nullptr;
};

class CDmFlagModeDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 257;
    static constexpr int kIdcAllYes = 1634;
    static constexpr int kIdcAllNo = 1635;
    static constexpr int kIdcNewYes = 1636;
    static constexpr int kIdcNewNo = 1637;
    static constexpr int kIdcExplanation = 1769;

    // `kind` 4 Quillary, 5 Outlook Express, 6 Becky! (others: no explanation).
    CDmFlagModeDlg(QWidget* parent, int kind);
    // 1 (IDOK) or 2 (IDCANCEL).
    int DoModal();
    // 1-4 after OK, 0 after cancel.
    int GetMode() const { return mode_; }

    void accept() override;
    void reject() override;

private:
    int mode_ = 0;
    QRadioButton* radios_[4] = {};
};

}  // namespace settings
