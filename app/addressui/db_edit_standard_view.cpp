#include "app/addressui/db_edit_standard_view.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/addressui/basic_info_form.h"
#include "app/addressui/record_control_ids.h"
#include "app/addressui/record_fields.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/sjis_text.h"

namespace addressui {

using shell::dialogs::MakeLabel;

CDBEditStandardView::CDBEditStandardView(QWidget* parent) : CDBEditViewBase(ids::kBasicPage, parent) {
    form_ = new BasicInfoForm(true, this);
    Body()->addWidget(form_);
    connect(form_, &BasicInfoForm::NameFieldEdited, this, &CDBEditViewBase::RefreshHeader);
}

void CDBEditStandardView::TransferData(bool toControls) {
    if (record_ == nullptr) return;
    if (toControls) form_->Load(*record_);
    else form_->Store(*record_);
}

InputProblem CDBEditStandardView::CheckInput() const { return form_->Check(); }

void CDBEditStandardView::ShowProblem(const InputProblem& problem) { form_->ShowProblem(problem); }

CDBEditStandardView2::CDBEditStandardView2(QWidget* parent) : CDBEditViewBase(ids::kBasicPageReadOnly, parent) {
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    int row = 0;
    auto put = [&](int element, int control, int column, int span) {
        grid->addWidget(MakeLabel(this, ui::FromSjis(CustomerElementName(element))), row, column);
        grid->addWidget(AddShown(control), row, column + 1, 1, span);
    };
    auto hidden = [&](int control) { AddShown(control)->hide(); };
    put(kElemEmail, ids::kMailAddress, 0, 3);
    ++row;
    put(kElemKanjiSei, ids::kSurname, 0, 1);
    put(kElemKanjiMei, ids::kGivenName, 2, 1);
    ++row;
    put(kElemKanaSei, ids::kSurnameKana, 0, 1);
    put(kElemKanaMei, ids::kGivenKana, 2, 1);
    ++row;
    put(kElemCompany, ids::kCompany, 0, 3);
    ++row;
    put(kElemCompanyPost, ids::kDepartment, 0, 3);
    ++row;
    put(kElemBirthday, ids::kBirthDateReadOnly, 0, 1);
    ++row;
    put(kElemZipCode1, ids::kPostalCode, 0, 1);
    hidden(ids::kPostalCode2);
    ++row;
    put(kElemPrefecture, ids::kPrefecture, 0, 1);
    ++row;
    put(kElemAddress1, ids::kCity, 0, 3);
    ++row;
    put(kElemAddress2, ids::kStreet, 0, 3);
    hidden(ids::kBuilding);
    ++row;
    put(kElemPhone1, ids::kPhone, 0, 1);
    hidden(ids::kPhone2);
    put(kElemFax1, ids::kFax, 2, 1);
    hidden(ids::kFax2);
    ++row;
    put(kElemPortable1, ids::kMobile, 0, 1);
    hidden(ids::kMobile2);
    ++row;
    put(kElemDMOk, ids::kDmFlag, 0, 1);
    grid->setRowStretch(row + 1, 1);
    Body()->addLayout(grid);
}

QLineEdit* CDBEditStandardView2::AddShown(int control) {
    QLineEdit* edit = shell::dialogs::MakeEdit(this, control);
    edit->setReadOnly(true);
    shown_.push_back({control, edit});
    return edit;
}

void CDBEditStandardView2::TransferData(bool toControls) {
    if (!toControls || record_ == nullptr) return;
    const OneCustomer& r = *record_;
    for (const Shown& s : shown_) {
        std::string text;
        switch (s.control) {
            case ids::kMailAddress: text = ReadOnlyMailText(r); break;
            case ids::kSurname: text = r.KanjiSei; break;
            case ids::kGivenName: text = r.KanjiMei; break;
            case ids::kSurnameKana: text = r.KanaSei; break;
            case ids::kGivenKana: text = r.KanaMei; break;
            case ids::kCompany: text = r.Company; break;
            case ids::kDepartment: text = r.CompanyPost; break;
            case ids::kBirthDateReadOnly: text = ReadOnlyBirthDateText(r); break;
            case ids::kPostalCode: text = r.ZipCode1; break;
            case ids::kPostalCode2: text = r.ZipCode2; break;
            case ids::kPrefecture: text = r.Prefecture; break;
            case ids::kCity: text = r.Address1; break;
            case ids::kStreet: text = r.Address2; break;
            case ids::kBuilding: text = r.Building; break;
            case ids::kPhone: text = r.Phone1; break;
            case ids::kPhone2: text = r.Phone2; break;
            case ids::kFax: text = r.Fax1; break;
            case ids::kFax2: text = r.Fax2; break;
            case ids::kMobile: text = r.Portable1; break;
            case ids::kMobile2: text = r.Portable2; break;
            case ids::kDmFlag: text = ReadOnlyDmFlagText(r); break;
            default: break;
        }
        s.edit->setText(ui::FromSjis(text));
        s.edit->setCursorPosition(0);
    }
}

}  // namespace addressui
