#include "app/settings/test_mail_views.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/addressui/basic_info_form.h"
#include "app/addressui/db_edit_extra.h"
#include "app/addressui/extra_attributes_panel.h"
#include "app/addressui/record_control_ids.h"

namespace settings {

namespace ids = addressui::ids;

CTestMailViewBase::CTestMailViewBase(int pageId, QWidget* parent) : addressui::CDBEditViewBase(pageId, parent) {
    HideHeader();
}

CTestMailStandardView::CTestMailStandardView(QWidget* parent) : CTestMailViewBase(ids::kBasicPage, parent) {
    form_ = new addressui::BasicInfoForm(false, this);
    Body()->addWidget(form_);
    lastFocused_ = form_->Edit(ids::kMailAddress);
    for (QWidget* w : form_->findChildren<QWidget*>())
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QCheckBox*>(w) ||
            qobject_cast<QDateEdit*>(w))
            w->installEventFilter(this);
}

void CTestMailStandardView::TransferData(bool toControls) {
    if (record_ == nullptr) return;
    if (toControls) form_->Load(*record_);
    else form_->Store(*record_);
}

addressui::InputProblem CTestMailStandardView::CheckInput() const { return form_->Check(); }

void CTestMailStandardView::ShowProblem(const addressui::InputProblem& problem) {
    form_->ShowProblem(problem);
    lastFocused_ = form_->Edit(problem.control);
}

QWidget* CTestMailStandardView::FocusTarget() const {
    return lastFocused_ ? lastFocused_.data() : form_->Edit(ids::kMailAddress);
}

bool CTestMailStandardView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn)
        if (auto* w = qobject_cast<QWidget*>(watched); w && w->isVisible()) lastFocused_ = w;
    return CTestMailViewBase::eventFilter(watched, event);
}

CTestMailExtraView::CTestMailExtraView(const addressui::ExtraAttributeGroup& group, QWidget* parent)
    : CTestMailViewBase(group.pageId, parent) {
    panel_ = new addressui::ExtraAttributesPanel(group, true, this);
    Body()->addWidget(panel_);
    connect(panel_, &addressui::ExtraAttributesPanel::ChangeRequested, this, &CTestMailExtraView::ChangeValues);
}

void CTestMailExtraView::ShowExtractNames() { panel_->ShowNames(names_); }

void CTestMailExtraView::TransferData(bool toControls) {
    if (toControls) panel_->ShowValues(record_);
}

QWidget* CTestMailExtraView::FocusTarget() const { return panel_->ChangeButton(); }

void CTestMailExtraView::ChangeValues() {
    if (addressui::EditExtraAttributes(this, panel_->Group(), record_, names_)) TransferData(true);
}

}  // namespace settings
