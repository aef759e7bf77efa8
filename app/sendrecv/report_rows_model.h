#pragma once
// ReportRowsModel: the rows of a report list over keys (customer IDs, mail IDs, result
// numbers), with each row's texts made when the view first asks for them. A list of a
// million keys costs the keys and the rows on screen, never a million rows of texts:
// made rows are kept in a small cache that is dropped whole when it grows past a few
// thousand rows (a view asks again for what it shows).
//
// The texts come from the row function the owner gives with the keys; it runs on the GUI
// thread whenever a row is drawn, so it must not wait on a lock that a worker may hold
// for long (a row function over the address book is fine: its calls are short).

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <functional>
#include <unordered_map>
#include <vector>

class ReportRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString title;
        bool alignRight = false;
    };
    // The texts of the row of `key`, one per column (missing ones show empty).
    using RowTexts = std::function<QStringList(int key)>;

    explicit ReportRowsModel(QObject* parent = nullptr);

    // New columns and rows; the view is reset.
    void Reset(std::vector<Column> columns, std::vector<int> keys, RowTexts texts);
    // New rows under the same columns and row function.
    void ResetKeys(std::vector<int> keys);

    const std::vector<int>& Keys() const { return keys_; }
    int KeyAt(int row) const { return keys_[static_cast<std::size_t>(row)]; }
    // The text of a cell as shown.
    QString Text(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    static constexpr std::size_t kCacheRows = 4096;
    const QStringList& Row(int row) const;

    std::vector<Column> columns_;
    std::vector<int> keys_;
    RowTexts texts_;
    mutable std::unordered_map<int, QStringList> made_;
};
