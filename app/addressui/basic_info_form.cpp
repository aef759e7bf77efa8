#include "app/addressui/basic_info_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "app/addressui/record_control_ids.h"
#include "app/addressui/record_fields.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace addressui {
namespace {

using shell::dialogs::MakeLabel;

QString ElementLabel(int element) { return ui::FromSjis(CustomerElementName(element)); }

QDateTime ToQDateTime(const platform::DateTime& d) {
    return QDateTime(QDate(d.GetYear(), d.GetMonth(), d.GetDay()), QTime(d.GetHour(), d.GetMinute(), d.GetSecond()));
}

}  // namespace

BasicInfoForm::BasicInfoForm(bool withDmFlag, QWidget* parent) : QWidget(parent) {
    fields_.reserve(19);
    auto* grid = new QGridLayout(this);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    int row = 0;
    // A label in column 0 (or 2) and the edit beside it, spanning to the right when wide.
    auto put = [&](int element, QWidget* w, int column, int span) {
        grid->addWidget(MakeLabel(this, ElementLabel(element)), row, column);
        grid->addWidget(w, row, column + 1, 1, span);
    };
    auto hidden = [&](int control, std::string OneCustomer::*member) {
        QLineEdit* e = AddEdit(control, member);
        e->setEnabled(false);
        e->hide();
    };

    put(kElemEmail, AddEdit(ids::kMailAddress, &OneCustomer::Email), 0, 3);
    ++row;
    put(kElemKanjiSei, AddEdit(ids::kSurname, &OneCustomer::KanjiSei), 0, 1);
    put(kElemKanjiMei, AddEdit(ids::kGivenName, &OneCustomer::KanjiMei), 2, 1);
    ++row;
    put(kElemKanaSei, AddEdit(ids::kSurnameKana, &OneCustomer::KanaSei), 0, 1);
    put(kElemKanaMei, AddEdit(ids::kGivenKana, &OneCustomer::KanaMei), 2, 1);
    ++row;
    put(kElemCompany, AddEdit(ids::kCompany, &OneCustomer::Company), 0, 3);
    ++row;
    put(kElemCompanyPost, AddEdit(ids::kDepartment, &OneCustomer::CompanyPost), 0, 3);
    ++row;

    auto* birthRow = new QHBoxLayout;
    birthSet_ = ui::SetControlId(new QCheckBox(this), ids::kBirthDateSet);
    birthDate_ = ui::SetControlId(new QDateEdit(this), ids::kBirthDatePicker);
    birthDate_->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    birthDate_->setCalendarPopup(true);
    // The stored dates begin in 1900 (ReFormat_DateData reads no earlier year).
    birthDate_->setDateRange(QDate(1900, 1, 1), QDate(9999, 12, 31));
    birthStored_ = new QLineEdit(this);
    birthStored_->setObjectName(QStringLiteral("storedBirthDate"));
    birthStored_->setReadOnly(true);
    birthStored_->setToolTip(ui::U8("日付として読めない登録内容です。変更しない限りそのまま保存されます"));
    birthSet_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    birthDate_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    birthRow->addWidget(birthSet_);
    birthRow->addWidget(birthDate_);
    birthRow->addWidget(birthStored_, 3);
    birthRow->addStretch(1);
    grid->addWidget(MakeLabel(this, ElementLabel(kElemBirthday)), row, 0);
    grid->addLayout(birthRow, row, 1, 1, 3);
    ++row;
    grid->addWidget(MakeLabel(this, ui::U8("※未チェックで、<未入力>扱いになります")), row, 1, 1, 3);
    ++row;

    put(kElemZipCode1, AddEdit(ids::kPostalCode, &OneCustomer::ZipCode1), 0, 1);
    hidden(ids::kPostalCode2, &OneCustomer::ZipCode2);
    ++row;
    prefecture_ = ui::SetControlId(new QComboBox(this), ids::kPrefecture);
    for (const std::string& name : PrefectureEntries()) prefecture_->addItem(ui::FromSjis(name));
    prefecture_->setMaxVisibleItems(16);
    put(kElemPrefecture, prefecture_, 0, 1);
    ++row;
    put(kElemAddress1, AddEdit(ids::kCity, &OneCustomer::Address1), 0, 3);
    ++row;
    put(kElemAddress2, AddEdit(ids::kStreet, &OneCustomer::Address2), 0, 3);
    hidden(ids::kBuilding, &OneCustomer::Building);
    ++row;
    put(kElemPhone1, AddEdit(ids::kPhone, &OneCustomer::Phone1), 0, 1);
    hidden(ids::kPhone2, &OneCustomer::Phone2);
    put(kElemFax1, AddEdit(ids::kFax, &OneCustomer::Fax1), 2, 1);
    hidden(ids::kFax2, &OneCustomer::Fax2);
    ++row;
    put(kElemPortable1, AddEdit(ids::kMobile, &OneCustomer::Portable1), 0, 1);
    hidden(ids::kMobile2, &OneCustomer::Portable2);
    ++row;
    dmFlag_ = ui::SetControlId(new QComboBox(this), ids::kDmFlag);
    for (const char* entry : kDmFlagEntries) dmFlag_->addItem(ui::U8(entry));
    auto* dmLabel = MakeLabel(this, ElementLabel(kElemDMOk));
    grid->addWidget(dmLabel, row, 0);
    grid->addWidget(dmFlag_, row, 1);
    dmLabel->setVisible(withDmFlag);
    dmFlag_->setVisible(withDmFlag);
    grid->setRowStretch(row + 1, 1);

    for (int id : {ids::kSurname, ids::kGivenName, ids::kCompany})
        connect(Edit(id), &QLineEdit::textChanged, this, &BasicInfoForm::NameFieldEdited);
}

QLineEdit* BasicInfoForm::AddEdit(int control, std::string OneCustomer::*member) {
    Field f;
    f.control = control;
    f.member = member;
    f.edit = ui::SetControlId(new QLineEdit(this), control);
    fields_.push_back(std::move(f));
    return fields_.back().edit;
}

QLineEdit* BasicInfoForm::Edit(int id) const {
    for (const Field& f : fields_)
        if (f.control == id) return f.edit;
    return nullptr;
}

std::string BasicInfoForm::Stored(int control) const {
    for (const Field& f : fields_)
        if (f.control == control) return StoreEdit(f.edit, f.kept);
    return {};
}

void BasicInfoForm::Load(const OneCustomer& record) {
    for (Field& f : fields_) LoadEdit(f.edit, record.*f.member, f.kept);

    birthBytes_ = record.Birthday;
    const BirthDateShown birth = ReadBirthDate(record.Birthday);
    birthChecked_ = birth.checked;
    if (birth.checked) {
        const QDateTime shown = ToQDateTime(birth.date);
        birthDate_->setDate(shown.date());
        birthTime_ = shown.time();
    } else {
        birthDate_->setDate(QDate::currentDate());
        birthTime_ = QTime(0, 0, 0);
    }
    birthShownDate_ = birthDate_->date();
    birthSet_->setChecked(birth.checked);
    birthStored_->setText(birth.unreadable ? ui::FromSjis(record.Birthday) : QString());
    birthStored_->setVisible(birth.unreadable);

    prefectureBytes_ = record.Prefecture;
    const int entries = static_cast<int>(PrefectureEntries().size());
    while (prefecture_->count() > entries) prefecture_->removeItem(entries);
    int index = PrefectureEntryOf(record.Prefecture);
    if (index < 0) {
        prefecture_->addItem(ui::FromSjis(record.Prefecture));
        index = entries;
    }
    prefecture_->setCurrentIndex(index);
    prefectureIndex_ = index;
    // A record not stored yet takes the list's text, "<未選択>" when nothing is chosen.
    prefectureKept_ = record.CustomerID >= 0 || !record.Prefecture.empty();

    dmBytes_ = record.DMOk;
    dmIndex_ = DmFlagEntryOf(record.DMOk);
    dmFlag_->setCurrentIndex(dmIndex_);
}

std::string BasicInfoForm::StoreBirthDate() const {
    const bool checked = birthSet_->isChecked();
    if (checked == birthChecked_ && (!checked || birthDate_->date() == birthShownDate_)) return birthBytes_;
    if (!checked) return {};
    const QDate d = birthDate_->date();
    return BirthDateText(platform::DateTime(d.year(), d.month(), d.day(), birthTime_.hour(), birthTime_.minute(),
                                            birthTime_.second()));
}

void BasicInfoForm::Store(OneCustomer& record) const {
    for (const Field& f : fields_) record.*f.member = StoreEdit(f.edit, f.kept);
    record.Birthday = StoreBirthDate();
    const int prefecture = prefecture_->currentIndex();
    record.Prefecture = prefectureKept_ && prefecture == prefectureIndex_ ? prefectureBytes_
                                                                          : ui::ToSjis(prefecture_->currentText());
    const int dm = dmFlag_->currentIndex();
    record.DMOk = dm == dmIndex_ ? dmBytes_ : DmFlagToStore(dm, dmBytes_);
}

InputProblem BasicInfoForm::Check() const {
    BasicFieldTexts texts;
    texts.mailAddress = Stored(ids::kMailAddress);
    texts.postalCode = Stored(ids::kPostalCode);
    texts.phone = Stored(ids::kPhone);
    texts.fax = Stored(ids::kFax);
    texts.mobile = Stored(ids::kMobile);
    return CheckBasicFields(texts);
}

void BasicInfoForm::ShowProblem(const InputProblem& problem) {
    if (!problem) return;
    ui::MessageBox(this, ui::U8(problem.text), ui::U8(problem.caption), platform::kMbOk | platform::kMbIconError);
    if (QLineEdit* edit = Edit(problem.control)) {
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    }
}

}  // namespace addressui
