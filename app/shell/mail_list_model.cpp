#include "app/shell/mail_list_model.h"

#include <algorithm>
#include <numeric>

#include "app/shell/mail_list_columns.h"
#include "app/ui/sjis_text.h"

namespace shell {

namespace {

bool IsNumericKind(int kind) {
    return kind == mail_list::kColMailId || kind == mail_list::kColSentAll || kind == mail_list::kColSentError ||
           kind == mail_list::kColSentOpen || kind == mail_list::kColOpenRate;
}

double NumericKey(int kind, const COneMailData& mail) {
    switch (kind) {
    case mail_list::kColMailId: return mail.GetMailID();
    case mail_list::kColSentAll: return mail.GetSentNumber();
    case mail_list::kColSentError: return mail.GetErrorNumber();
    case mail_list::kColSentOpen: return mail.GetOpenNumber();
    case mail_list::kColOpenRate: return GetMailOpenRate(mail);
    default: return 0;
    }
}

// The column of the saved state after a change from layout `from` to layout `to`, or -1
// when the sorted kind has no column there.
int MapSortColumn(int column, int from, int to) {
    if (column < 0 || from == mail_list::kLayoutNone) return -1;
    if (from == to) return column < static_cast<int>(mail_list::LayoutColumns(to).size()) ? column : -1;
    std::span<const int> kinds = mail_list::LayoutColumns(from);
    if (column >= static_cast<int>(kinds.size())) return -1;
    return mail_list::ColumnOfKind(to, kinds[static_cast<std::size_t>(column)]);
}

}  // namespace

MailListModel::MailListModel(QObject* parent) : QAbstractTableModel(parent) {}

MailListModel::~MailListModel() = default;

int MailListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int MailListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

std::string MailListModel::CellText(int kind, const COneMailData& mail) {
    switch (kind) {
    case mail_list::kColMailId: return GetMailIDText(mail);
    case mail_list::kColTitle: return GetMailTitleText(mail);
    case mail_list::kColAddress: return GetMailAddressNameText(mail);
    case mail_list::kColMailType: return GetMailTypeText(mail);
    case mail_list::kColStatus: return GetMailStatusText(mail);
    case mail_list::kColReserveDate: return GetReserveDateText(mail);
    case mail_list::kColEntryDate: return GetEntryDateText(mail);
    case mail_list::kColRenewalDate: return GetRenewalDateText(mail);
    case mail_list::kColSentAll: return GetSentNumberText(mail);
    case mail_list::kColSentError: return GetErrorNumberText(mail);
    case mail_list::kColSentOpen: return GetOpenNumberText(mail);
    case mail_list::kColOpenRate: return GetOpenRateText(mail);
    default: return std::string();
    }
}

QVariant MailListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()) || index.column() >= columnCount())
        return QVariant();
    const int kind = columns_[static_cast<std::size_t>(index.column())].kind;
    switch (role) {
    case Qt::DisplayRole: {
        const CMailRecord* record = Record(index.row());
        if (!record) return kind == mail_list::kColMailId ? QString::number(MailIdAt(index.row())) : QString();
        return ui::FromSjis(CellText(kind, *record));
    }
    case Qt::TextAlignmentRole: {
        const mail_list::ColumnInfo* c = mail_list::FindColumn(kind);
        return QVariant::fromValue(Qt::AlignVCenter | (c && c->alignRight ? Qt::AlignRight : Qt::AlignLeft));
    }
    default:
        return QVariant();
    }
}

QVariant MailListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return QVariant();
    const mail_list::ColumnInfo* c = mail_list::FindColumn(columns_[static_cast<std::size_t>(section)].kind);
    if (!c) return QVariant();
    if (role == Qt::DisplayRole) return QString::fromUtf8(c->header);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignVCenter | (c->alignRight ? Qt::AlignRight : Qt::AlignLeft));
    return QVariant();
}

int MailListModel::ColumnKind(int column) const {
    return column >= 0 && column < columnCount() ? columns_[static_cast<std::size_t>(column)].kind : -1;
}

int MailListModel::ColumnDirection(int column) const {
    return column >= 0 && column < columnCount() ? columns_[static_cast<std::size_t>(column)].direction : -1;
}

void MailListModel::SetLayout(int layout) {
    beginResetModel();
    rows_.clear();
    rowOfMail_.clear();
    columns_.clear();
    for (int kind : mail_list::LayoutColumns(layout)) columns_.push_back({kind, 1});
    const int column = MapSortColumn(saved_.column, layout_, layout);
    if (column >= 0 && (saved_.direction == 0 || saved_.direction == 1)) {
        saved_.column = column;
    } else {
        saved_ = {0, 0};
    }
    if (!columns_.empty()) columns_[static_cast<std::size_t>(saved_.column)].direction = saved_.direction;
    layout_ = layout;
    endResetModel();
}

void MailListModel::SetRows(const std::vector<int>& mailIds) {
    // Rows out and rows in, not a reset: a reset would also take the columns' widths.
    if (!rows_.empty()) {
        beginRemoveRows(QModelIndex(), 0, static_cast<int>(rows_.size()) - 1);
        rows_.clear();
        rowOfMail_.clear();
        endRemoveRows();
    }
    if (mailIds.empty()) return;
    // Sorted before they go in, so the view lays them out once.
    std::vector<Row> rows(mailIds.size());
    for (std::size_t i = 0; i < mailIds.size(); ++i) rows[i].mailId = mailIds[i];
    if (saved_.column >= 0 && saved_.column < columnCount()) {
        const std::vector<int> order = SortOrder(rows, saved_.column);
        std::vector<Row> sorted(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) sorted[i] = std::move(rows[static_cast<std::size_t>(order[i])]);
        rows = std::move(sorted);
    }
    beginInsertRows(QModelIndex(), 0, static_cast<int>(rows.size()) - 1);
    rows_ = std::move(rows);
    RebuildIndex();
    endInsertRows();
}

void MailListModel::SortByColumnClick(int column) {
    if (column < 0 || column >= columnCount()) return;
    for (int c = 0; c < columnCount(); ++c) {
        Column& col = columns_[static_cast<std::size_t>(c)];
        col.direction = c == column ? (col.direction == 1 ? 0 : 1) : 1;
    }
    SortBy(column);
    saved_ = {column, columns_[static_cast<std::size_t>(column)].direction};
}

std::vector<int> MailListModel::SortOrder(const std::vector<Row>& rows, int column) const {
    const int kind = ColumnKind(column);
    const bool descending = ColumnDirection(column) == 1;
    const std::size_t n = rows.size();
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    // The keys are made once per row, not once per comparison, from the row's entry, or
    // for a row not yet read from the one field the column shows (the mail ID needs
    // nothing). A row whose mail cannot be read sorts as an empty text or 0.
    auto source = [&](const Row& row, COneMailData& field) -> const COneMailData* {
        if (row.entry || row.unreadable || !fieldLoader_) return Load(row);
        field.Init();
        return fieldLoader_(row.mailId, kind, field) ? &field : nullptr;
    };
    COneMailData field;
    if (IsNumericKind(kind)) {
        std::vector<double> keys(n);
        for (std::size_t i = 0; i < n; ++i) {
            if (kind == mail_list::kColMailId) {
                keys[i] = rows[i].mailId;
            } else if (const COneMailData* r = source(rows[i], field)) {
                keys[i] = NumericKey(kind, *r);
            }
        }
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const double ka = keys[static_cast<std::size_t>(a)], kb = keys[static_cast<std::size_t>(b)];
            return descending ? kb < ka : ka < kb;
        });
    } else {
        std::vector<std::string> keys(n);
        for (std::size_t i = 0; i < n; ++i)
            if (const COneMailData* r = source(rows[i], field)) keys[i] = mail_list::SjisSortKey(CellText(kind, *r));
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const std::string& ka = keys[static_cast<std::size_t>(a)];
            const std::string& kb = keys[static_cast<std::size_t>(b)];
            return descending ? kb < ka : ka < kb;
        });
    }
    return order;
}

void MailListModel::SortBy(int column) {
    if (ColumnKind(column) < 0 || rows_.size() < 2) return;
    const std::vector<int> order = SortOrder(rows_, column);
    const std::size_t n = rows_.size();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(n);
    std::vector<Row> sorted(n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto old = static_cast<std::size_t>(order[i]);
        newRowOf[old] = static_cast<int>(i);
        sorted[i] = std::move(rows_[old]);
    }
    rows_ = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to << (index.isValid() && index.row() < static_cast<int>(n)
                   ? createIndex(newRowOf[static_cast<std::size_t>(index.row())], index.column())
                   : QModelIndex());
    changePersistentIndexList(from, to);
    RebuildIndex();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int MailListModel::RowOfMail(int mailId) const {
    auto it = rowOfMail_.find(mailId);
    return it == rowOfMail_.end() ? -1 : it->second;
}

const CMailRecord* MailListModel::Record(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) ? Load(rows_[static_cast<std::size_t>(row)]) : nullptr;
}

const CMailRecord* MailListModel::Load(const Row& row) const {
    if (!row.entry && !row.unreadable) {
        // Read into the one scratch record and copied: a new record would first set its
        // four dates to the clock's time, which the read sets again.
        if (loader_ && loader_(row.mailId, scratch_)) {
            row.entry = std::make_unique<CMailRecord>(scratch_);
        } else {
            row.unreadable = true;
        }
    }
    return row.entry.get();
}

int MailListModel::MailIdAt(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<std::size_t>(row)].mailId : -1;
}

bool MailListModel::RefreshRow(const COneMailData& mail) {
    const int row = RowOfMail(mail.GetMailID());
    if (row < 0) return false;
    Row& r = rows_[static_cast<std::size_t>(row)];
    r.entry = std::make_unique<CMailRecord>(mail);
    r.unreadable = false;
    if (columnCount() > 0) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    return true;
}

void MailListModel::RefreshOrAppendRow(const COneMailData& mail) {
    if (RefreshRow(mail)) return;
    const int row = static_cast<int>(rows_.size());
    beginInsertRows(QModelIndex(), row, row);
    Row added;
    added.mailId = mail.GetMailID();
    added.entry = std::make_unique<CMailRecord>(mail);
    rows_.push_back(std::move(added));
    rowOfMail_[mail.GetMailID()] = row;
    endInsertRows();
}

int MailListModel::RemoveMails(const std::vector<int>& mailIds) {
    std::vector<int> rows;
    for (int id : mailIds)
        if (int row = RowOfMail(id); row >= 0) rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Contiguous runs from the bottom up, so the rows above keep their numbers.
    for (std::size_t end = rows.size(); end > 0;) {
        std::size_t begin = end - 1;
        while (begin > 0 && rows[begin - 1] == rows[begin] - 1) --begin;
        const int first = rows[begin], last = rows[end - 1];
        beginRemoveRows(QModelIndex(), first, last);
        rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
        endRemoveRows();
        end = begin;
    }
    if (!rows.empty()) RebuildIndex();
    return static_cast<int>(rows.size());
}

void MailListModel::RebuildIndex() {
    rowOfMail_.clear();
    rowOfMail_.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) rowOfMail_[rows_[i].mailId] = static_cast<int>(i);
}

}  // namespace shell
