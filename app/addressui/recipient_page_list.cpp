#include "app/addressui/recipient_page_list.h"

#include <QHeaderView>
#include <QTableView>

#include <string>
#include <utility>

#include "app/addressui/db_edit_sheet.h"
#include "app/sendrecv/list_column_widths.h"
#include "app/sendrecv/report_view.h"
#include "app/ui/sjis_text.h"

namespace addressui {
namespace {

constexpr const char* kColumnWidthSection = "COLUMNWIDTH";

struct RecipientColumn {
    const char* caption;
    const char* key;
    int width;
};
constexpr RecipientColumn kColumnTable[RecipientPageModel::kColumns] = {
    {"個人ID", "0", 75}, {"メールアドレス", "1", 130}, {"名前(姓)", "2", 60}, {"名前(名)", "3", 60}, {"会社名", "6", 160},
};

}  // namespace

RecipientPageModel::RecipientPageModel(QObject* parent) : QAbstractTableModel(parent) {}

void RecipientPageModel::SetRows(std::vector<ERDetailPlusDB> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int RecipientPageModel::IdAt(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<std::size_t>(row)].customerID : -1;
}

int RecipientPageModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RecipientPageModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant RecipientPageModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const ERDetailPlusDB& r = rows_[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case 0: return QString::number(r.customerID);
    case 1: return ui::FromSjis(r.mail);
    case 2: return ui::FromSjis(r.familyName);
    case 3: return ui::FromSjis(r.givenName);
    case 4: return ui::FromSjis(r.company);
    default: return {};
    }
}

QVariant RecipientPageModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumns) return {};
    return ui::U8(kColumnTable[section].caption);
}

void SetUpRecipientList(QTableView* view, RecipientPageModel* model) {
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->horizontalHeader()->setHighlightSections(false);
    view->setWordWrap(false);
    const std::string ini = OpenEnvironmentIniPath();
    for (int c = 0; c < RecipientPageModel::kColumns; ++c)
        view->setColumnWidth(c, ReadListColumnWidth(ini, kColumnWidthSection, kColumnTable[c].key, kColumnTable[c].width));
}

void SaveRecipientColumnWidths(const QTableView* view) {
    const std::string ini = OpenEnvironmentIniPath();
    if (ini.empty()) return;
    for (int c = 0; c < RecipientPageModel::kColumns; ++c)
        WriteListColumnWidth(ini, kColumnWidthSection, kColumnTable[c].key, view->columnWidth(c));
}

void ShowRecipientPage(ExtractResultDetail& result, int start, int end, QTableView* view,
                       RecipientPageModel* model) {
    std::vector<ERDetailPlusDB> rows;
    result.GetIDPlusDBDataFromDBFile(rows, start, end);
    view->setUpdatesEnabled(false);
    model->SetRows(std::move(rows));
    view->setUpdatesEnabled(true);
}

void ShowSelectedRecipientDetails(QWidget* owner, const QTableView* view, const RecipientPageModel* model) {
    const std::vector<int> rows = SelectedRows(view);
    if (rows.empty()) return;
    const int id = model->IdAt(rows.front());
    if (id < 0) return;
    CDBEditSheet2 sheet(id, ui::U8("個人情報－詳細確認（編集はできません）"), owner);
    sheet.DoModal();
}

}  // namespace addressui
