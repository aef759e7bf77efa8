#include "app/composer/mail_edit_page_text_mobile.h"

#include <QTabWidget>
#include <QVBoxLayout>

#include "app/composer/carrier_text_pages.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/control_ids.h"

namespace compose {

CMailEditPageTextMobile::CMailEditPageTextMobile(QWidget* parent)
    : QWidget(parent),
      imode_(new CMailEditPageImode),
      ezweb_(new CMailEditPageEzweb),
      jsky_(new CMailEditPageJsky),
      pmaildx_(new CMailEditPagePmaildx),
      sheet_(new shell::CVarnisPropertySheet(QStringLiteral("Text mail for Mobile phone"), this, 0)) {
    setObjectName(ui::DialogName(kIdd));
    imode_->SetPageIndex(1);
    ezweb_->SetPageIndex(2);
    jsky_->SetPageIndex(3);
    pmaildx_->SetPageIndex(4);
    sheet_->AddPage(imode_, QStringLiteral("NTT DoCoMo"));
    sheet_->AddPage(ezweb_, QStringLiteral("au TU-KA"));
    sheet_->AddPage(jsky_, QStringLiteral("SoftBank"));
    sheet_->AddPage(pmaildx_, QStringLiteral("WILLCOM"));
    sheet_->Create(this, shell::CVarnisPropertySheet::kWsChild | shell::CVarnisPropertySheet::kWsVisible);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sheet_);
    connect(sheet_->GetTabControl(), &QTabWidget::currentChanged, this, &CMailEditPageTextMobile::OnTabChanged);
}

CMailEditPageTextMobile::~CMailEditPageTextMobile() {
    // The carrier pages leave the inner sheet with it, after this page's own part is gone.
    disconnect(sheet_->GetTabControl(), nullptr, this, nullptr);
}

CarrierTextPage* CMailEditPageTextMobile::GetCarrierPage(int index) const {
    switch (index) {
    case 0: return imode_;
    case 1: return ezweb_;
    case 2: return jsky_;
    case 3: return pmaildx_;
    default: return nullptr;
    }
}

void CMailEditPageTextMobile::ActivateCarrierPage(int index) {
    QTabWidget* tabs = sheet_->GetTabControl();
    if (tabs->currentIndex() == index) {
        OnTabChanged(index);
    } else {
        tabs->setCurrentIndex(index);
    }
}

CarrierTextPage* CMailEditPageTextMobile::GetActiveCarrierPage() const {
    return GetCarrierPage(sheet_->GetActiveIndex());
}

void CMailEditPageTextMobile::OnTabChanged(int index) {
    CarrierTextPage* page = GetCarrierPage(index);
    if (page == nullptr) return;
    if (!page->OnSetActive()) {
        const QSignalBlocker block(sheet_->GetTabControl());
        sheet_->GetTabControl()->setCurrentIndex(shown_);
        return;
    }
    shown_ = index;
}

void CMailEditPageTextMobile::OnInsertText() {
    if (CarrierTextPage* page = GetActiveCarrierPage()) page->OnInsertText();
}

bool CMailEditPageTextMobile::OnKillActive() {
    imode_->ClosePalette();
    ezweb_->ClosePalette();
    jsky_->ClosePalette();
    return true;
}

}  // namespace compose
