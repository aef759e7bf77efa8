#pragma once
// The extended-attribute pages of the record editor: A-J (page 166) and K-T (page 171),
// each editable (CDBEditExtra1View, CDBEditExtra2View) and read-only (CDBEditExtra1View2,
// CDBEditExtra2View2). They show the group's names and the record's values read-only; they
// never write the record themselves. On the editable pages button 1440 opens the group's
// input window (db_edit_extra.h) on the same record, and after OK the page shows the new
// values; the read-only pages hide the button and its notes.

#include "app/addressui/db_edit_view_base.h"
#include "app/addressui/extra_attribute_group.h"

namespace addressui {

class ExtraAttributesPanel;

class CDBEditExtraView : public CDBEditViewBase {
    Q_OBJECT
public:
    CDBEditExtraView(const ExtraAttributeGroup& group, bool editable, QWidget* parent);

    void ShowExtractNames() override;
    // true: the values into the edits; false: nothing.
    void TransferData(bool toControls) override;
    ExtraAttributesPanel* Panel() const { return panel_; }

private:
    void ChangeValues();

    ExtraAttributesPanel* panel_ = nullptr;
};

class CDBEditExtra1View : public CDBEditExtraView {
    Q_OBJECT
public:
    explicit CDBEditExtra1View(QWidget* parent = nullptr) : CDBEditExtraView(GroupAtoJ(), true, parent) {}
};

class CDBEditExtra1View2 : public CDBEditExtraView {
    Q_OBJECT
public:
    explicit CDBEditExtra1View2(QWidget* parent = nullptr) : CDBEditExtraView(GroupAtoJ(), false, parent) {}
};

class CDBEditExtra2View : public CDBEditExtraView {
    Q_OBJECT
public:
    explicit CDBEditExtra2View(QWidget* parent = nullptr) : CDBEditExtraView(GroupKtoT(), true, parent) {}
};

class CDBEditExtra2View2 : public CDBEditExtraView {
    Q_OBJECT
public:
    explicit CDBEditExtra2View2(QWidget* parent = nullptr) : CDBEditExtraView(GroupKtoT(), false, parent) {}
};

}  // namespace addressui
