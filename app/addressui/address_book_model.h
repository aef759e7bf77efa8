#pragma once
// AddressBookModel: the rows of the address book of destination lists, one per list not
// marked deleted, in the order of the list file: "宛先ID", "宛先名称", "最終更新日" (the
// last update as "YYYY/MM/DD hh:mm:ss") and "敬称". A few hundred lists at most; the rows
// are copies of the store's entries, replaced whole after every change.

#include <QAbstractTableModel>

#include <vector>

#include "core/addressbook/extract_list_viewer.h"

namespace addressui {

class AddressBookModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetEntries(std::vector<ExtractViewData> entries);
    const std::vector<ExtractViewData>& Entries() const { return entries_; }
    // The entry of row `row`; null outside.
    const ExtractViewData* EntryAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<ExtractViewData> entries_;
};

}  // namespace addressui
