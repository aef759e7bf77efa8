#pragma once
// CAttachmentSettingsDlg (dialog 276, "添付ファイル設定"): the files attached to a mail.
// The HTML mail page opens it with the mail's attachment list and the folder its
// attachments are kept in; OK applies the changes to that folder (attachment_list.h) and
// hands back the new list, Cancel changes nothing (a removed attachment keeps its file).
//
// "追加" warns about viruses first, then lets the user pick one existing file; a file
// whose name a row already has is refused, as is one that cannot be opened. "削除" (or
// the Delete key in the list) removes the selected row. OK refuses, and the dialog
// stays, while an added file can no longer be read or the files together exceed
// 2,000,000 bytes; a file that cannot be copied into the folder is reported and left out
// of the list.

#include <QDialog>

#include <string>
#include <vector>

#include "app/compose/attachment_list.h"

class QTableView;
class ReportRowsModel;

namespace compose {

class CAttachmentSettingsDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 276;
    enum : int { kIdcList = 1800, kIdcAdd = 1798, kIdcDelete = 1799 };

    explicit CAttachmentSettingsDlg(QWidget* parent = nullptr);

    // Set before DoModal: the attachment folder (a file-system path) and the list.
    void SetAttachFolder(const std::string& folder) { folder_ = folder; }
    void SetAttachList(const std::vector<AttachmentPair>& list) { input_ = list; }
    // IDOK (1) with the new list, or IDCANCEL (2).
    int DoModal();
    const std::vector<AttachmentPair>& GetAttachList() const { return output_; }

    QTableView* List() const { return list_; }

    void accept() override;
    void reject() override;

private:
    void Add();
    void Delete();
    void ShowRows(int select);
    void TellUnreadable(const std::string& path, const QString& caption);

    std::string folder_;
    std::vector<AttachmentPair> input_;
    std::vector<AttachmentPair> output_;
    AttachmentList working_;
    QTableView* list_ = nullptr;
    ReportRowsModel* model_ = nullptr;
};

}  // namespace compose
