#include "app/addressui/condition_controls.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace addressui {

void ConditionControls::Build(QWidget* parent, QObject* groupOwner, QGridLayout* grid, const ConditionControlIds& ids,
                              const QString& byValuesText, const QString& byRangeText, int valuesMinWidth) {
    byValues = ui::SetControlId(new QRadioButton(byValuesText, parent), ids.byValues);
    byRange = ui::SetControlId(new QRadioButton(byRangeText, parent), ids.byRange);
    auto* kinds = new QButtonGroup(groupOwner);
    kinds->addButton(byValues);
    kinds->addButton(byRange);

    values = shell::dialogs::MakeEdit(parent, ids.values);
    values->setMinimumWidth(valuesMinWidth);
    pick = shell::dialogs::MakeButton(parent, ui::U8("条件選択"), ids.pickValues);
    equalFlag = ui::SetControlId(new QComboBox(parent), ids.equalFlag);
    equalFlag->addItems({ui::U8("を含む"), ui::U8("を含まない")});
    auto* valueRow = new QHBoxLayout;
    valueRow->addWidget(values, 1);
    valueRow->addWidget(pick);
    valueRow->addWidget(equalFlag);
    grid->addWidget(byValues, 0, 0);
    grid->addLayout(valueRow, 0, 1);

    lower = shell::dialogs::MakeEdit(parent, ids.lower);
    upper = shell::dialogs::MakeEdit(parent, ids.upper);
    lowerLabel = shell::dialogs::MakeLabel(parent, ui::U8("から"), ids.lowerLabel);
    upperLabel = shell::dialogs::MakeLabel(parent, ui::U8("の間"), ids.upperLabel);
    rangeFlag = ui::SetControlId(new QComboBox(parent), ids.rangeFlag);
    rangeFlag->addItems({ui::U8("である"), ui::U8("でない")});
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(lower, 1);
    rangeRow->addWidget(lowerLabel);
    rangeRow->addWidget(upper, 1);
    rangeRow->addWidget(upperLabel);
    rangeRow->addWidget(rangeFlag);
    grid->addWidget(byRange, 1, 0);
    grid->addLayout(rangeRow, 1, 1);
}

void ConditionControls::Enable(bool fieldChosen) const {
    const bool valuesKind = fieldChosen && byValues->isChecked();
    const bool rangeKind = fieldChosen && byRange->isChecked();
    byValues->setEnabled(fieldChosen);
    byRange->setEnabled(fieldChosen);
    for (QWidget* w : {static_cast<QWidget*>(values), static_cast<QWidget*>(pick), static_cast<QWidget*>(equalFlag)})
        w->setEnabled(valuesKind);
    for (QWidget* w : {static_cast<QWidget*>(lower), static_cast<QWidget*>(lowerLabel), static_cast<QWidget*>(upper),
                       static_cast<QWidget*>(upperLabel), static_cast<QWidget*>(rangeFlag)})
        w->setEnabled(rangeKind);
}

}  // namespace addressui
