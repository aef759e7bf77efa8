#include "app/addressui/db_edit_extra_view.h"

#include <QVBoxLayout>

#include "app/addressui/db_edit_extra.h"
#include "app/addressui/extra_attributes_panel.h"

namespace addressui {

CDBEditExtraView::CDBEditExtraView(const ExtraAttributeGroup& group, bool editable, QWidget* parent)
    : CDBEditViewBase(group.pageId, parent) {
    panel_ = new ExtraAttributesPanel(group, editable, this);
    Body()->addWidget(panel_);
    connect(panel_, &ExtraAttributesPanel::ChangeRequested, this, &CDBEditExtraView::ChangeValues);
}

void CDBEditExtraView::ShowExtractNames() { panel_->ShowNames(names_); }

void CDBEditExtraView::TransferData(bool toControls) {
    if (toControls) panel_->ShowValues(record_);
}

void CDBEditExtraView::ChangeValues() {
    if (EditExtraAttributes(this, panel_->Group(), record_, names_)) TransferData(true);
}

}  // namespace addressui
