#pragma once
// ValueListModel: a list of Shift_JIS texts for a list view, converted for display only
// when a row is shown. Rows leave and join it in whole sets (one pass per move), which is
// what the value-selection lists do with up to a million values.

#include <QAbstractListModel>

#include <string>
#include <vector>

namespace addressui {

class ValueListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void SetValues(std::vector<std::string> values);
    const std::vector<std::string>& Values() const { return values_; }
    // Removes the rows `rows` (ascending, no repeats) and returns their values in row order.
    std::vector<std::string> TakeRows(const std::vector<int>& rows);
    // Removes every row and returns the values.
    std::vector<std::string> TakeAll();
    // Appends `values` at the end.
    void Append(std::vector<std::string> values);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::vector<std::string> values_;
};

}  // namespace addressui
