#pragma once
// ExtraAttributesPanel: ten extended attributes of a record as the attribute pages show
// them, read-only: the names (1720-1729 or 1730-1739) and the values (1327 ... 1347 or
// 1441-1450), with button 1440 that asks to change them and its notes. On the read-only
// pages the button and the notes are hidden.

#include <QWidget>

#include <array>
#include <string>
#include <vector>

#include "app/addressui/extra_attribute_group.h"
#include "core/addressbook/one_customer.h"

class QLineEdit;
class QPushButton;

namespace addressui {

class ExtraAttributesPanel : public QWidget {
    Q_OBJECT
public:
    ExtraAttributesPanel(const ExtraAttributeGroup& group, bool editable, QWidget* parent = nullptr);

    const ExtraAttributeGroup& Group() const { return group_; }
    // The group's names of the 20 given (A first); missing ones show empty.
    void ShowNames(const std::vector<std::string>* names);
    // The group's values of `record` (null: empty).
    void ShowValues(const OneCustomer* record);
    QPushButton* ChangeButton() const { return change_; }

signals:
    // Button 1440 was pressed.
    void ChangeRequested();

private:
    const ExtraAttributeGroup& group_;
    std::array<QLineEdit*, kAttributesPerGroup> names_{};
    std::array<QLineEdit*, kAttributesPerGroup> values_{};
    QPushButton* change_ = nullptr;
};

}  // namespace addressui
