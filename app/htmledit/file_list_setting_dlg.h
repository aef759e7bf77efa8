#pragma once
// FileListSettingDlg: the dialog both file settings of an HTML mail page are built on - the
// attachment settings (attachment_limits.h) and the inline-image settings
// (inline_image_settings.h). It holds no files itself; it is the frame and the run:
//  - a one-row-at-a-time list of the files, with the button that adds or assigns a file
//    and "削除" (5243) at its side;
//  - below them the read-only notice of the carrier's limits (5245) and the total in bytes
//    after "計" (5244, with thousands separators); OK and Cancel;
//  - the Delete key: while the list (or its viewport) has the focus it deletes the selected
//    row; anywhere else in the dialog it is swallowed, so no other control acts on it.
// A run (DoModal) is the derived dialog's opening (OnInitDialog), then the modal loop.
//
// Sizes are 64-bit; Exceeds compares a total and an addition with a maximum without
// overflow.

#include <QDialog>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/sendrecv/report_rows_model.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace htmledit {

class FileListSettingDlg : public QDialog {
    Q_OBJECT
public:
    enum : int { kIdcDelete = 5243, kIdcTotal = 5244, kIdcNotice = 5245 };

    // Runs the dialog: IDOK (1) or IDCANCEL (2).
    int DoModal();
    // The opening of a run (DoModal does it; a test may show the dialog itself).
    virtual void OnInitDialog() = 0;
    // The button "削除" and the Delete key in the list.
    virtual void OnDelete() = 0;

    QTableView* List() const { return list_; }

protected:
    // What differs between the two dialogs' frames.
    struct Frame {
        int dialogId;
        const char* title;
        int width;
        int height;
        std::vector<ReportRowsModel::Column> columns;
        std::vector<int> columnWidths;
        ReportRowsModel::RowTexts rowTexts;  // asked only once the dialog is built
        int listId;
        const char* addText;  // the add or assign button
        int addId;
        int noticeLines;  // the notice's height in lines
    };
    FileListSettingDlg(Frame frame, QWidget* parent);

    bool eventFilter(QObject* watched, QEvent* event) override;
    // `total` + `size` over `maximum`, without overflow.
    static bool Exceeds(std::uint64_t total, std::uint64_t size, std::uint64_t maximum);
    // `number` with thousands separators.
    static QString WithCommas(std::uint64_t number);

    ReportRowsModel* RowsModel() const { return model_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* DeleteButton() const { return delete_; }
    // Rows 0 .. count - 1 shown afresh.
    void ShowRows(std::size_t count);
    void ShowTotal(std::uint64_t total);
    void ShowNotice(const QString& text);

private:
    QTableView* list_ = nullptr;
    ReportRowsModel* model_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* delete_ = nullptr;
    QLineEdit* total_ = nullptr;
    QPlainTextEdit* notice_ = nullptr;
};

}  // namespace htmledit
