#pragma once
// CSameAddressDlg (dialog 205, "同じメールアドレスが個人情報に存在します"): a registration
// mail names an address the address book holds already (the program allows one record per
// address). It shows why and what overwriting would do; "既存の個人情報に上書きする" ends
// with 1497, "上書き対象の詳細表示（確認）" shows the stored record read-only, "閉じる"
// registers nothing now.
//
// The read-only record sheet belongs to the address-book screens, a folder above this
// one: the program installs it with SetExistingRecordViewer. Without it the detail button
// is disabled.

#include <QDialog>
#include <QString>

#include <functional>

class CSameAddressDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 205;
    enum : int { kIdcExplanation = 1551, kIdcAction = 1552, kIdcOverwrite = 1497, kIdcDetail = 1512 };

    // Shows the stored record `customerId` read-only with the window title `caption`.
    using RecordViewer = std::function<void(QWidget* parent, int customerId, const QString& caption)>;
    // Installs the viewer (empty: none); returns the one it replaces.
    static RecordViewer SetExistingRecordViewer(RecordViewer viewer);

    CSameAddressDlg(const QString& explanation, const QString& action, int customerId, QWidget* parent = nullptr);

    // kIdcOverwrite, or IDCANCEL (2).
    int DoModal();

private:
    int customerId_;
};
