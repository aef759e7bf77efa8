#pragma once
// CMapLinkSettingDlg (dialog 939, "地図リンクの設定"): edits the user's map links (up to
// kMaxMapLinks named map-page URLs that the mail body editors offer for insertion). It
// works on the system settings sheet's copy of the option texts, given at construction
// and not owned; OK writes options 121 and 122 of that copy (map_link_options.h) and
// nothing else, so nothing is kept until the sheet itself is confirmed. Cancel leaves
// the copy untouched.
//
// The list (control 1011, columns "名前" and "URL") shows the links the options hold.
//  - "追加" (1003) opens the map URL lookup (CMapUrlFetchDlg); a URL it returns becomes a
//    new row whose name is at once open for renaming (a link without a name is named by
//    its URL, since a name left empty would hide it and every later link). The button is
//    disabled while the list is full.
//  - "削除" (1002) removes the chosen row.
//  - "ブラウザで確認" (1008) opens the chosen row's URL in the user's browser, for http
//    and https URLs only; any other text is never handed to the system.
//  - A double-click on a row opens its name for renaming; an empty or cancelled rename
//    keeps the old name.

#include <QDialog>

#include <string>
#include <vector>

class QPushButton;
class QTableWidget;

namespace htmledit {

class CMapLinkSettingDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 939;
    static constexpr int kIdcList = 1011;
    static constexpr int kIdcAdd = 1003;
    static constexpr int kIdcDelete = 1002;
    static constexpr int kIdcBrowse = 1008;

    // `options`: the option texts in slot order (Shift_JIS), as the settings sheet holds
    // them; may be null (the dialog then shows no links and stores nothing).
    explicit CMapLinkSettingDlg(std::vector<std::string>* options, QWidget* parent = nullptr);

    // IDOK (1) or IDCANCEL (2).
    int DoModal();

    // True while a row's name is open for renaming.
    bool IsRenaming() const;

protected:
    void accept() override;
    void reject() override;

private:
    void OnAdd();
    void OnDelete();
    void OnBrowse();
    void AppendRow(const QString& name, const QString& url);
    void StartRename(int row);
    void OnRenameEnded();
    void ResizeColumns();
    void UpdateAddButton();
    int ChosenRow() const;

    std::vector<std::string>* options_ = nullptr;
    QTableWidget* list_ = nullptr;
    QPushButton* add_ = nullptr;
    bool renaming_ = false;
};

}  // namespace htmledit
