#pragma once
// ConditionControls: the controls of one value-or-range condition, as the extraction's
// condition dialog (extract_condition_dlg.h) and the personal-information search
// (search_dlg.h) show them, each dialog with its own control ids and texts:
//   (o) values  [values edit] [条件選択] [を含む|を含まない]
//   (o) range   [lower] から [upper] の間 [である|でない]
// The two radio buttons form one group. Enabling follows one rule: without a field chosen
// nothing here can be used; with one, both radios and the chosen kind's controls.

#include <QString>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QObject;
class QPushButton;
class QRadioButton;
class QWidget;

namespace addressui {

struct ConditionControlIds {
    int byValues;
    int byRange;
    int values;
    int pickValues;
    int equalFlag;
    int lower;
    int upper;
    int lowerLabel;
    int upperLabel;
    int rangeFlag;
};

struct ConditionControls {
    QRadioButton* byValues = nullptr;
    QRadioButton* byRange = nullptr;
    QLineEdit* values = nullptr;
    QPushButton* pick = nullptr;
    QComboBox* equalFlag = nullptr;
    QLineEdit* lower = nullptr;
    QLineEdit* upper = nullptr;
    QLabel* lowerLabel = nullptr;
    QLabel* upperLabel = nullptr;
    QComboBox* rangeFlag = nullptr;

    // Makes the controls as children of `parent` and lays the two rows into `grid` (rows 0
    // and 1); the radios' group belongs to `groupOwner`. The values edit is at least
    // `valuesMinWidth` pixels wide.
    void Build(QWidget* parent, QObject* groupOwner, QGridLayout* grid, const ConditionControlIds& ids,
               const QString& byValuesText, const QString& byRangeText, int valuesMinWidth);
    // The enabling rule above.
    void Enable(bool fieldChosen) const;
};

}  // namespace addressui
