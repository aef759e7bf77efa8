#pragma once
// CMailEditPageTextMobile (dialog 2007, "携帯"): the page of the composing sheet that holds
// the text mail for mobile phones - a sheet of its own ("Text mail for Mobile phone") with
// the NTT DoCoMo, au TU-KA, SoftBank and WILLCOM text pages (carrier_text_pages.h), whose
// page indexes it sets to 1-4. The composing dialog reaches the carrier pages through it.
//
// A chosen pictogram (OnInsertText) goes on to the carrier page shown; leaving the mobile
// page hides the palettes of its pages. Each carrier page is activated (its window made
// the first time, its fonts applied) whenever its tab is shown.

#include <QWidget>

#include "app/widgets/sheet_page.h"

namespace shell {
class CVarnisPropertySheet;
}

namespace compose {

class CarrierTextPage;
class CMailEditPageImode;
class CMailEditPageEzweb;
class CMailEditPageJsky;
class CMailEditPagePmaildx;

class CMailEditPageTextMobile : public QWidget, public shell::SheetPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 2007;

    explicit CMailEditPageTextMobile(QWidget* parent = nullptr);
    ~CMailEditPageTextMobile() override;

    CMailEditPageImode* GetImodePage() const { return imode_; }
    CMailEditPageEzweb* GetEzwebPage() const { return ezweb_; }
    CMailEditPageJsky* GetJskyPage() const { return jsky_; }
    CMailEditPagePmaildx* GetPmaildxPage() const { return pmaildx_; }
    // Page `index` (0 NTT DoCoMo ... 3 WILLCOM), or null.
    CarrierTextPage* GetCarrierPage(int index) const;
    shell::CVarnisPropertySheet* GetSheet() const { return sheet_; }

    // Shows carrier page `index` (activating it even when it is shown already).
    void ActivateCarrierPage(int index);
    CarrierTextPage* GetActiveCarrierPage() const;

    void OnInsertText();
    bool OnKillActive() override;

private:
    void OnTabChanged(int index);

    CMailEditPageImode* imode_;
    CMailEditPageEzweb* ezweb_;
    CMailEditPageJsky* jsky_;
    CMailEditPagePmaildx* pmaildx_;
    shell::CVarnisPropertySheet* sheet_;
    int shown_ = 0;
};

}  // namespace compose
