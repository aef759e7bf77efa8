#pragma once
// RecordHeader: the strip at the top of every page of the record editor that says whose
// record is open: "個人情報ID" with "新規作成" or the ID (1740), and "名前(会社名)" with
// the name or the company (1741, cut with "…" when longer than the room), in frame 1838. It always shows the record as it is held
// (not what the edits hold before the save): Refresh reads it again.

#include <QWidget>

#include "core/addressbook/one_customer.h"

class QLabel;

namespace shell {
class ElidingLabel;
}

namespace addressui {

class RecordHeader : public QWidget {
    Q_OBJECT
public:
    explicit RecordHeader(QWidget* parent = nullptr);
    // Shows `record` (null: nothing).
    void Refresh(const OneCustomer* record);

private:
    QLabel* id_ = nullptr;
    shell::ElidingLabel* name_ = nullptr;
};

}  // namespace addressui
