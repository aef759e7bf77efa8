#include "app/addressui/extract_condition_dlg.h"

#include <QButtonGroup>
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
#include "app/shell/dialogs/dialog_parts.h"
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
    byValues_ = ui::SetControlId(new QRadioButton(ui::U8("同値条件"), this), kIdcByValues);
    byRange_ = ui::SetControlId(new QRadioButton(ui::U8("範囲条件"), this), kIdcByRange);
    auto* kinds = new QButtonGroup(this);
    kinds->addButton(byValues_);
    kinds->addButton(byRange_);

    values_ = shell::dialogs::MakeEdit(this, kIdcValues);
    values_->setMinimumWidth(300);
    pick_ = shell::dialogs::MakeButton(this, ui::U8("条件選択"), kIdcPickValues);
    equalFlag_ = ui::SetControlId(new QComboBox(this), kIdcEqualFlag);
    equalFlag_->addItems({ui::U8("を含む"), ui::U8("を含まない")});
    auto* valueRow = new QHBoxLayout;
    valueRow->addWidget(values_, 1);
    valueRow->addWidget(pick_);
    valueRow->addWidget(equalFlag_);
    grid->addWidget(byValues_, 0, 0);
    grid->addLayout(valueRow, 0, 1);

    lower_ = shell::dialogs::MakeEdit(this, kIdcLower);
    upper_ = shell::dialogs::MakeEdit(this, kIdcUpper);
    lowerLabel_ = shell::dialogs::MakeLabel(this, ui::U8("から"), kIdcLowerLabel);
    upperLabel_ = shell::dialogs::MakeLabel(this, ui::U8("の間"), kIdcUpperLabel);
    rangeFlag_ = ui::SetControlId(new QComboBox(this), kIdcRangeFlag);
    rangeFlag_->addItems({ui::U8("である"), ui::U8("でない")});
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(lower_, 1);
    rangeRow->addWidget(lowerLabel_);
    rangeRow->addWidget(upper_, 1);
    rangeRow->addWidget(upperLabel_);
    rangeRow->addWidget(rangeFlag_);
    grid->addWidget(byRange_, 1, 0);
    grid->addLayout(rangeRow, 1, 1);
    column->addLayout(grid);
    column->addWidget(new QLabel(ui::U8("※条件の長さは30000文字までです"), this));
    shell::dialogs::AddOkCancelRow(column, this, true);

    field_->setCurrentIndex(0);
    equalFlag_->setCurrentIndex(0);
    rangeFlag_->setCurrentIndex(0);
    byValues_->setChecked(true);
    LoadCondition();

    connect(field_, &QComboBox::currentIndexChanged, this, [this] { UpdateControls(); });
    connect(byValues_, &QRadioButton::clicked, this, [this] { UpdateControls(); });
    connect(byRange_, &QRadioButton::clicked, this, [this] { UpdateControls(); });
    connect(pick_, &QPushButton::clicked, this, [this] { PickValues(); });
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
    (c.kind == "R" ? byRange_ : byValues_)->setChecked(true);
    values_->setText(ui::FromSjis(JoinConditionValues(c.values)));
    equalFlag_->setCurrentIndex(c.equalFlag == "N" ? 1 : 0);
    lower_->setText(ui::FromSjis(c.lower));
    upper_->setText(ui::FromSjis(c.upper));
    rangeFlag_->setCurrentIndex(c.rangeFlag == "N" ? 1 : 0);
}

void CConditionDlg::UpdateControls() {
    const bool field = ChosenEntry() >= 0;
    const bool values = field && byValues_->isChecked();
    const bool range = field && byRange_->isChecked();
    byValues_->setEnabled(field);
    byRange_->setEnabled(field);
    for (QWidget* w : {static_cast<QWidget*>(values_), static_cast<QWidget*>(pick_), static_cast<QWidget*>(equalFlag_)})
        w->setEnabled(values);
    for (QWidget* w : {static_cast<QWidget*>(lower_), static_cast<QWidget*>(lowerLabel_), static_cast<QWidget*>(upper_),
                       static_cast<QWidget*>(upperLabel_), static_cast<QWidget*>(rangeFlag_)})
        w->setEnabled(range);
}

void CConditionDlg::PickValues() {
    const int entry = ChosenEntry();
    if (entry < 0) return;
    CEqualValueDlg picker((*fields_)[static_cast<std::size_t>(entry)].element, this);
    if (picker.DoModal() == platform::kIdOk) values_->setText(ui::FromSjis(picker.GetResult()));
}

void CConditionDlg::accept() {
    const int entry = ChosenEntry();
    OneExtractCondition c;
    c.element = entry < 0 ? -1 : (*fields_)[static_cast<std::size_t>(entry)].element;
    c.kind = byValues_->isChecked() ? "E" : "R";
    const std::string values = ui::ToSjis(values_->text());
    if (values.size() > kConditionMaxBytes) {
        ui::MessageBox(this,
                       ui::U8("条件の長さが半角換算で") + QString::number(values.size()) +
                           ui::U8("文字あります\r\nこのソフトでは、条件は半角で30000文字までです"),
                       ui::U8("条件が長すぎます"), platform::kMbOk | platform::kMbIconWarning);
        values_->setFocus(Qt::OtherFocusReason);
        values_->selectAll();
        return;
    }
    ExtractAction::DivideExtractCsv(values, c.values);
    c.equalFlag = equalFlag_->currentIndex() == 0 ? "Y" : "N";
    c.lower = ui::ToSjis(lower_->text());
    c.upper = ui::ToSjis(upper_->text());
    if (c.kind == "R" && entry >= 0)
        OrderSearchBounds((*fields_)[static_cast<std::size_t>(entry)].dataType, c.lower, c.upper);
    c.rangeFlag = rangeFlag_->currentIndex() == 0 ? "Y" : "N";
    if (action_->SetExtractConditionFromStructToMemory(c, tab_, index_) != 0) {
        ui::MessageBox(this, ui::FromSjis(action_->GetErrMsg().GetLastMsg()), ui::U8("エラー"),
                       platform::kMbOk | platform::kMbIconError);
        return;
    }
    QDialog::accept();
}

}  // namespace addressui
