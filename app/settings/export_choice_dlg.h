#pragma once
// The questions before an export of address-book records. They only return choices; the
// callers write the files.
//  - CExportFormatDlg (307 "エクスポート形式"): the layout, 1 general CSV (checked at
//    start), 2 Brindell, 3 web service; "選択" takes the checked one (0 when none).
//  - CExportMethodDlg (201 "エクスポート方法の選択"): which records, by the button that
//    closes it (0 normal, 1 deleted only, 2 all), and the two options, prepared by layout:
//    the Brindell layout always has its item-name row and no short form (both boxes fixed
//    and hidden); the web-service layout always has its item-name row and offers the short
//    form, checked at start; the general layout offers the item-name row, unchecked.
//  - CExportHeaderDlg (331 "エクスポート形式の選択"): whether the file starts with an
//    item-name row, 1 or 0 by the button, or cancelled.
// InstallExportChoiceDialogs makes the address-book screens ask through these dialogs.

#include <QDialog>

class QCheckBox;
class QRadioButton;

namespace settings {

class CExportFormatDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 307;
    static constexpr int kIdcGeneral = 1822;
    static constexpr int kIdcBrindell = 1823;
    static constexpr int kIdcWebService = 1824;

    explicit CExportFormatDlg(QWidget* parent = nullptr);
    // 1 (IDOK) after "選択", 2 (IDCANCEL).
    int DoModal();
    // The layout chosen (0 before OK, or when no layout was checked).
    int GetLayout() const { return layout_; }

    void accept() override;

private:
    int layout_ = 0;
    QRadioButton* general_ = nullptr;
    QRadioButton* brindell_ = nullptr;
    QRadioButton* webService_ = nullptr;
};

class CExportMethodDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 201;
    static constexpr int kIdcDeleted = 1532;
    static constexpr int kIdcAll = 1533;
    static constexpr int kIdcNormal = 1535;
    static constexpr int kIdcItemNames = 1773;
    static constexpr int kIdcNameOnly = 1774;

    CExportMethodDlg(QWidget* parent, int layout);
    // 1 (IDOK) after one of the three export buttons, 2 (IDCANCEL).
    int DoModal();
    int GetRecordKind() const { return recordKind_; }
    int GetItemNameFlag() const { return itemNames_; }
    int GetNameOnlyFlag() const { return nameOnly_; }

private:
    void Choose(int recordKind);

    int recordKind_ = 0;
    int itemNames_ = 0;
    int nameOnly_ = 0;
    QCheckBox* itemNameBox_ = nullptr;
    QCheckBox* nameOnlyBox_ = nullptr;
};

class CExportHeaderDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 331;
    static constexpr int kIdcWithNames = 1879;
    static constexpr int kIdcWithoutNames = 1880;

    explicit CExportHeaderDlg(QWidget* parent = nullptr);
    // 1 (IDOK) after either button, 2 (IDCANCEL).
    int DoModal();
    // 1 write the item-name row, 0 do not (after IDOK).
    int GetResult() const { return result_; }

private:
    int result_ = 0;
};

// Installs the three dialogs as the address-book screens' export questions
// (addressui::SetExportChoices). Called once at start-up.
void InstallExportChoiceDialogs();

}  // namespace settings
