#include "app/addressui/db_edit_view_base.h"

#include <QVBoxLayout>

#include "app/addressui/record_header.h"
#include "app/ui/control_ids.h"

namespace addressui {

CDBEditViewBase::CDBEditViewBase(int pageId, QWidget* parent) : QWidget(parent) {
    setObjectName(ui::DialogName(pageId));
    auto* column = new QVBoxLayout(this);
    header_ = new RecordHeader(this);
    column->addWidget(header_);
    body_ = new QVBoxLayout;
    column->addLayout(body_, 1);
}

void CDBEditViewBase::ShowExtractNames() {}

void CDBEditViewBase::TransferData(bool) {}

void CDBEditViewBase::InitPage() {
    if (initialised_) return;
    initialised_ = true;
    ShowExtractNames();
    TransferData(true);
    RefreshHeader();
}

void CDBEditViewBase::RefreshHeader() { header_->Refresh(record_); }

void CDBEditViewBase::HideHeader() { header_->hide(); }

void CDBEditViewBase::showEvent(QShowEvent* event) {
    InitPage();
    RefreshHeader();
    QWidget::showEvent(event);
}

}  // namespace addressui
