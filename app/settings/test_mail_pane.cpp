#include "app/settings/test_mail_pane.h"

#include <QTabWidget>
#include <QVBoxLayout>

#include "app/settings/test_mail_views.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/test_mailing_info.h"

namespace settings {

CTestMailPane::CTestMailPane(CTestMailingInfo& store, int recordId, const std::vector<std::string>* names,
                             QWidget* parent)
    : QWidget(parent), recordId_(recordId) {
    setObjectName(ui::DialogName(kIdd));
    store.GetTestMailingInfo(record_, recordId);
    auto* column = new QVBoxLayout(this);
    tabs_ = ui::SetControlId(new QTabWidget(this), kIdcTabs);
    column->addWidget(tabs_);
    standard_ = new CTestMailStandardView;
    CTestMailViewBase* views[] = {standard_, new CTestMailExtra1View, new CTestMailExtra2View};
    const char* titles[] = {"基本情報", "拡張属性1[A～J]", "拡張属性2[K～T]"};
    for (int i = 0; i < 3; ++i) {
        views[i]->SetOneCustomer(&record_);
        views[i]->SetExtractData(names);
        views[i]->InitPage();
        tabs_->addTab(views[i], ui::U8(titles[i]));
    }
    connect(tabs_, &QTabWidget::currentChanged, this, &CTestMailPane::FocusShownView);
}

void CTestMailPane::ShowBasicTab() { tabs_->setCurrentWidget(standard_); }

void CTestMailPane::FocusShownView() {
    if (auto* view = qobject_cast<CTestMailViewBase*>(tabs_->currentWidget()))
        if (QWidget* target = view->FocusTarget()) target->setFocus(Qt::TabFocusReason);
}

}  // namespace settings
