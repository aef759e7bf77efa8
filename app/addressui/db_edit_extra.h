#pragma once
// The input windows of the extended attributes: CDBEditExtra1 (dialog 121, A-J) and
// CDBEditExtra2 (dialog 172, K-T), on the base CDBEditBase. The record editor's attribute
// pages and the test-mail recipient editor open them on the record they show.
//
// Each window lists its ten attributes: the name (read-only) and an editable combo box that
// offers the values the address book's live records hold for that attribute, sorted. The
// record's current value is selected; one that no record uses is added and selected; an
// empty one leaves the box empty.
//
// OK checks every non-empty value by the attribute's kind (CheckAttributeValue: numbers,
// dates normalised to the parts given), in order; the first refused value gets the message
// (the attribute's name and what is wrong, exclamation icon) and the focus, and the window
// stays open with the record untouched. When all pass, the accepted texts go into the
// record (a value the user did not change keeps its bytes) and the window closes with IDOK.
// Cancel leaves the record as it was. Whether the record is stored is the opener's choice.
//
// The address book and the attribute kinds come from the open environment
// (shell::GetDatabaseEdit); without it the boxes offer nothing and OK refuses.

#include <QDialog>

#include <array>
#include <string>
#include <vector>

#include "app/addressui/extra_attribute_group.h"
#include "app/addressui/kept_text.h"
#include "core/addressbook/one_customer.h"

class QComboBox;
class QLineEdit;

namespace addressui {

class AttributeValuesModel;

class CDBEditBase : public QDialog {
    Q_OBJECT
public:
    explicit CDBEditBase(QWidget* parent = nullptr);

    // The record to edit (not owned); called before DoModal.
    void SetOneCustomer(OneCustomer* record) { record_ = record; }
    // The 20 attribute names, A first (not owned); called before DoModal.
    void SetExtractData(const std::vector<std::string>* names) { names_ = names; }

    // true: record -> controls; false: controls -> record. Nothing in the base.
    virtual void TransferData(bool toControls);

    // Opens the window (names, then record -> controls, under the wait cursor) and runs it:
    // 1 (IDOK) or 2 (IDCANCEL).
    int DoModal();

protected:
    // Fills the controls before the window shows; once.
    virtual void OnInitDialog() {}
    // The name `index` (0 = A) of the names given, or empty.
    std::string NameAt(int index) const;

    OneCustomer* record_ = nullptr;
    const std::vector<std::string>* names_ = nullptr;

private:
    bool initialised_ = false;
};

// The window of one group; CDBEditExtra1 and CDBEditExtra2 choose the group.
class CDBEditExtraWindow : public CDBEditBase {
    Q_OBJECT
public:
    CDBEditExtraWindow(const ExtraAttributeGroup& group, QWidget* parent);

    void TransferData(bool toControls) override;
    QComboBox* ValueBox(int index) const { return boxes_[static_cast<std::size_t>(index)]; }

    void accept() override;
    void reject() override;

protected:
    void OnInitDialog() override;

private:
    // Checks the ten boxes and puts the accepted texts into them; false after the message.
    bool CheckValues();

    const ExtraAttributeGroup& group_;
    std::array<QLineEdit*, kAttributesPerGroup> nameEdits_{};
    std::array<QComboBox*, kAttributesPerGroup> boxes_{};
    std::array<AttributeValuesModel*, kAttributesPerGroup> models_{};
    std::array<KeptText, kAttributesPerGroup> kept_{};
};

// Dialog 121 "拡張属性1[A～J]入力ウィンドウ": attributes A-J, elements 28-37.
class CDBEditExtra1 : public CDBEditExtraWindow {
    Q_OBJECT
public:
    explicit CDBEditExtra1(QWidget* parent = nullptr) : CDBEditExtraWindow(GroupAtoJ(), parent) {}
};

// Dialog 172 "拡張属性2[K～T]入力ウィンドウ": attributes K-T, elements 38-47.
class CDBEditExtra2 : public CDBEditExtraWindow {
    Q_OBJECT
public:
    explicit CDBEditExtra2(QWidget* parent = nullptr) : CDBEditExtraWindow(GroupKtoT(), parent) {}
};

// What button 1440 of an attribute page does: opens the group's window on `record` and
// `names` and runs it. True when it ended with OK (the record then holds the new values).
bool EditExtraAttributes(QWidget* parent, const ExtraAttributeGroup& group, OneCustomer* record,
                         const std::vector<std::string>* names);

}  // namespace addressui
