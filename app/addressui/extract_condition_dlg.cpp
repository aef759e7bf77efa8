#include "app/addressui/extract_condition_dlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <string>

#include "app/addressui/equal_value_dlg.h"
#include "app/addressui/extract_condition_text.h"
#include "app/addressui/search_filter.h"
#include "app/addressui/condition_controls.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace addressui {

CConditionDlg::CConditionDlg(const std::vector<DB_Element_Info>* fields, ExtractAction* action, int tab, int index,
                             QWidget* parent)
    : QDialog(parent), fields_(fields), action_(action), tab_(tab), index_(index) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("条件設定"));

    auto* column = new QVBoxLayout(this);
    auto* fieldRow = new QHBoxLayout;
    fieldRow->addWidget(new QLabel(ui::U8("抽出項目"), this));
    field_ = ui::SetControlId(new QComboBox(this), kIdcField);
    field_->addItem(ui::U8("設定しない"));
    for (const DB_Element_Info& f : *fields_) field_->addItem(ui::FromSjis(f.name));
    field_->setMaxVisibleItems(20);
    fieldRow->addWidget(field_, 1);
    column->addLayout(fieldRow);

    auto* grid = new QGridLayout;
    controls_.Build(this, this, grid,
                    {kIdcByValues, kIdcByRange, kIdcValues, kIdcPickValues, kIdcEqualFlag, kIdcLower, kIdcUpper,
                     kIdcLowerLabel, kIdcUpperLabel, kIdcRangeFlag},
                    ui::U8("同値条件"), ui::U8("範囲条件"), 300);
    column->addLayout(grid);
    column->addWidget(new QLabel(ui::U8("※条件の長さは30000文字までです"), this));
    shell::dialogs::AddOkCancelRow(column, this, true);

    field_->setCurrentIndex(0);
    controls_.equalFlag->setCurrentIndex(0);
    controls_.rangeFlag->setCurrentIndex(0);
    controls_.byValues->setChecked(true);
    LoadCondition();

    connect(field_, &QComboBox::currentIndexChanged, this, [this] { UpdateControls(); });
    connect(controls_.byValues, &QRadioButton::clicked, this, [this] { UpdateControls(); });
    connect(controls_.byRange, &QRadioButton::clicked, this, [this] { UpdateControls(); });
    connect(controls_.pick, &QPushButton::clicked, this, [this] { PickValues(); });
    UpdateControls();
}

int CConditionDlg::DoModal() { return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel; }

int CConditionDlg::ChosenEntry() const {
    const int k = field_->currentIndex();
    return k >= 1 && k <= static_cast<int>(fields_->size()) ? k - 1 : -1;
}

void CConditionDlg::LoadCondition() {
    OneExtractCondition c;
    if (action_->GetExtractConditionFromMemoryToStruct(c, tab_, index_) != 0) return;
    const int entry = c.element == -1 ? -1 : ExtractFieldEntry(*fields_, c.element);
    field_->setCurrentIndex(entry + 1);
    (c.kind == "R" ? controls_.byRange : controls_.byValues)->setChecked(true);
    controls_.values->setText(ui::FromSjis(JoinConditionValues(c.values)));
    controls_.equalFlag->setCurrentIndex(c.equalFlag == "N" ? 1 : 0);
    controls_.lower->setText(ui::FromSjis(c.lower));
    controls_.upper->setText(ui::FromSjis(c.upper));
    controls_.rangeFlag->setCurrentIndex(c.rangeFlag == "N" ? 1 : 0);
}

void CConditionDlg::UpdateControls() { controls_.Enable(ChosenEntry() >= 0); }

void CConditionDlg::PickValues() {
    const int entry = ChosenEntry();
    if (entry < 0) return;
    CEqualValueDlg picker((*fields_)[static_cast<std::size_t>(entry)].element, this);
    if (picker.DoModal() == platform::kIdOk) controls_.values->setText(ui::FromSjis(picker.GetResult()));
}

void CConditionDlg::accept() {
    const int entry = ChosenEntry();
    OneExtractCondition c;
    c.element = entry < 0 ? -1 : (*fields_)[static_cast<std::size_t>(entry)].element;
    c.kind = controls_.byValues->isChecked() ? "E" : "R";
    const std::string values = ui::ToSjis(controls_.values->text());
    if (values.size() > kConditionMaxBytes) {
        ui::MessageBox(this,
                       ui::U8("条件の長さが半角換算で") + QString::number(values.size()) +
                           ui::U8("文字あります\r\nこのソフトでは、条件は半角で30000文字までです"),
                       ui::U8("条件が長すぎます"), platform::kMbOk | platform::kMbIconWarning);
        controls_.values->setFocus(Qt::OtherFocusReason);
        controls_.values->selectAll();
        return;
    }
    ExtractAction::DivideExtractCsv(values, c.values);
    c.equalFlag = controls_.equalFlag->currentIndex() == 0 ? "Y" : "N";
    c.lower = ui::ToSjis(controls_.lower->text());
    c.upper = ui::ToSjis(controls_.upper->text());
    if (c.kind == "R" && entry >= 0)
        OrderSearchBounds((*fields_)[static_cast<std::size_t>(entry)].dataType, c.lower, c.upper);
    c.rangeFlag = controls_.rangeFlag->currentIndex() == 0 ? "Y" : "N";
    if (action_->SetExtractConditionFromStructToMemory(c, tab_, index_) != 0) {
        ui::MessageBox(this, ui::FromSjis(action_->GetErrMsg().GetLastMsg()), ui::U8("エラー"),
                       platform::kMbOk | platform::kMbIconError);
        return;
    }
    QDialog::accept();
}

}  // namespace addressui
