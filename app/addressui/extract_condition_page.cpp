#include "app/addressui/extract_condition_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <mutex>
#include <string>

#include "app/addressui/extract_condition_dlg.h"
#include "app/addressui/extract_condition_text.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/extract_action.h"
#include "platform/named_mutex.h"
#include "platform/notifier.h"

namespace addressui {

CExtractConditionPage::CExtractConditionPage(int tab, int idd, QWidget* parent) : QWidget(parent), tab_(tab) {
    setObjectName(ui::DialogName(idd));
    auto* column = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(2, 1);
    grid->setColumnMinimumWidth(1, 150);
    for (int i = 0; i < kConditions; ++i) {
        const int row = i * 2;
        auto* change = shell::dialogs::MakeButton(this, ui::U8("条件変更"), kIdcChange + i);
        field_[i] = shell::dialogs::MakeLabel(this, ui::U8("(未設定)"), kIdcField + i);
        field_[i]->setFrameShape(QFrame::StyledPanel);
        value_[i] = shell::dialogs::MakeEdit(this, kIdcValue + i);
        value_[i]->setReadOnly(true);
        value_[i]->setEnabled(false);
        operator_[i] = shell::dialogs::MakeLabel(this, QString(), kIdcOperator + i);
        operator_[i]->setMinimumWidth(operator_[i]->fontMetrics().horizontalAdvance(ui::U8("を含まない")) + 8);
        operator_[i]->setEnabled(false);
        grid->addWidget(new QLabel(ui::U8("条件%1").arg(i + 1), this), row, 0);
        grid->addWidget(field_[i], row, 1);
        grid->addWidget(value_[i], row, 2);
        grid->addWidget(operator_[i], row, 3);
        grid->addWidget(change, row, 4);
        if (i + 1 < kConditions) grid->addWidget(new QLabel(ui::U8("↓絞り込み"), this), row + 1, 1);
        connect(change, &QPushButton::clicked, this, [this, i] { ChangeCondition(i); });
    }
    column->addLayout(grid);
    column->addStretch(1);
    column->addWidget(new QLabel(ui::U8("↑表示は半角5000文字までですが、データは正常です"), this));
}

void CExtractConditionPage::SetExtractAction(ExtractAction* action, std::vector<DB_Element_Info> fields) {
    action_ = action;
    fields_ = std::move(fields);
    for (int i = 0; i < kConditions; ++i) UpdateControl(i);
}

void CExtractConditionPage::UpdateControl(int index) {
    if (action_ == nullptr || index < 0 || index >= kConditions) return;
    platform::NamedMutex mutex("CExtractPage0" + std::to_string(tab_ + 1) + "_UpdateControl");
    std::lock_guard<platform::NamedMutex> lock(mutex);
    OneExtractCondition c;
    if (action_->GetExtractConditionFromMemoryToStruct(c, tab_, index) != 0) return;
    const ConditionTexts t = DescribeCondition(c, fields_);
    field_[index]->setText(t.field);
    value_[index]->setEnabled(t.set);
    operator_[index]->setEnabled(t.set);
    if (!t.set) return;
    if (t.value) {
        value_[index]->setText(*t.value);
        value_[index]->setCursorPosition(0);
    }
    if (t.op) operator_[index]->setText(*t.op);
}

void CExtractConditionPage::ChangeCondition(int index) {
    if (action_ == nullptr) return;
    CConditionDlg dialog(&fields_, action_, tab_, index, this);
    if (dialog.DoModal() != platform::kIdOk) return;
    UpdateControl(index);
    if (changed_) changed_();
}

}  // namespace addressui
