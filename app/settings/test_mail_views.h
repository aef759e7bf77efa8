#pragma once
// The views of one test-mail recipient, on the record editor's page designs without their
// record header: CTestMailStandardView (165, the basic fields, editable, without the DM
// flag), CTestMailExtra1View (166, attributes A-J) and CTestMailExtra2View (171, K-T),
// read-only with button 1440 that opens the record editor's input window on the
// recipient's record. Fields the views do not show (the second parts, the DM flag) pass
// through unchanged, and so does every field the user leaves alone.
//
// Each view says where the focus goes when its tab is chosen: the basic view's last
// focused field (at first the mail address), an attribute view's button 1440.

#include "app/addressui/db_edit_view_base.h"
#include "app/addressui/extra_attribute_group.h"
#include "app/addressui/record_checks.h"

#include <QPointer>

namespace addressui {
class BasicInfoForm;
class ExtraAttributesPanel;
}  // namespace addressui

namespace settings {

class CTestMailViewBase : public addressui::CDBEditViewBase {
    Q_OBJECT
public:
    CTestMailViewBase(int pageId, QWidget* parent);
    // The control that takes the focus when the view is chosen.
    virtual QWidget* FocusTarget() const = 0;
};

class CTestMailStandardView : public CTestMailViewBase {
    Q_OBJECT
public:
    explicit CTestMailStandardView(QWidget* parent = nullptr);

    void TransferData(bool toControls) override;
    addressui::InputProblem CheckInput() const;
    void ShowProblem(const addressui::InputProblem& problem);
    QWidget* FocusTarget() const override;
    addressui::BasicInfoForm* Form() const { return form_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    addressui::BasicInfoForm* form_ = nullptr;
    QPointer<QWidget> lastFocused_;
};

class CTestMailExtraView : public CTestMailViewBase {
    Q_OBJECT
public:
    CTestMailExtraView(const addressui::ExtraAttributeGroup& group, QWidget* parent);

    void ShowExtractNames() override;
    void TransferData(bool toControls) override;
    QWidget* FocusTarget() const override;

private:
    void ChangeValues();
    addressui::ExtraAttributesPanel* panel_ = nullptr;
};

class CTestMailExtra1View : public CTestMailExtraView {
    Q_OBJECT
public:
    explicit CTestMailExtra1View(QWidget* parent = nullptr) : CTestMailExtraView(addressui::GroupAtoJ(), parent) {}
};

class CTestMailExtra2View : public CTestMailExtraView {
    Q_OBJECT
public:
    explicit CTestMailExtra2View(QWidget* parent = nullptr) : CTestMailExtraView(addressui::GroupKtoT(), parent) {}
};

}  // namespace settings
