#pragma once
// AttributeValuesModel: what one combo box of the extended-attribute input windows offers,
// the distinct values of one element over the address book. An address book of a million
// records may hold a million distinct values, so the values stay Shift_JIS in one sorted
// array and become text only when a row is shown; finding a value is a binary search.
//
// The order is that of the Shift_JIS bytes (unsigned), which puts digits before letters
// and kana in their syllabary order. Rows are read-only.

#include <QAbstractListModel>

#include <string>
#include <vector>

namespace addressui {

class AttributeValuesModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // Takes `values` as the rows: empty values left out, sorted, each once.
    void SetValues(std::vector<std::string> values);
    // The row holding exactly `value`, or -1.
    int RowOf(const std::string& value) const;
    // The row of `value`, inserted in its place when absent.
    int AddValue(const std::string& value);
    const std::string& ValueAt(int row) const { return values_[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // The text of a row for the display and edit roles.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // A search for one exact text (what a combo box runs when its edit is left) is a binary
    // search; any other search is the base class's walk.
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits = 1,
                          Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith | Qt::MatchWrap)) const override;

private:
    std::vector<std::string> values_;
};

}  // namespace addressui
