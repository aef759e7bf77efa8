#pragma once
// CColumnSelectDlg (dialog 175 "個人情報一覧の表示情報選択"): which fields the
// personal-information list shows. One check box per field that can be a column (and one
// for 建物名等, which has a stored flag but no column); the 20 attribute boxes carry the
// attribute names of the system settings.
//
// OK writes every box into the opener's column table ("Y" checked, "N" not) and saves the
// table to the environment's ini file, then closes. Cancel changes nothing. Unchecking
// 個人情報ID is stored as asked, but the table shows the ID column all the same the next
// time it is loaded.

#include <QDialog>

#include <array>

class QCheckBox;

namespace addressui {

class CDBColumnInfo;

class CColumnSelectDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 175;
    static constexpr int kBoxCount = 41;

    // `info` (loaded, not owned) is the table the boxes show and OK changes.
    CColumnSelectDlg(CDBColumnInfo* info, QWidget* parent = nullptr);

    // 1 (IDOK) or 2 (IDCANCEL).
    int DoModal();

    // Check box `id` (5200-5240) and the element it sets; -1 for another id.
    static int ElementOfBox(int id);

    void accept() override;

private:
    void Load();

    CDBColumnInfo* info_;
    std::array<QCheckBox*, kBoxCount> boxes_{};
    std::array<int, kBoxCount> elements_{};
};

}  // namespace addressui
