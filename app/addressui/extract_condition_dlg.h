#pragma once
// CConditionDlg (dialog 159 "条件設定"): edits one condition (group `tab`, number `index`)
// of the extraction wizard's condition set, in memory only.
//
// The field combo offers "設定しない" and then the field list (extract_condition_text.h).
// A condition is either a value list (radio 1379: values in 1383, "を含む"/"を含まない") or
// a range (radio 1380: bounds 1381 and 1382, "である"/"でない"); "条件選択" fills the values
// from the field's stored values (CEqualValueDlg). With "設定しない" nothing but the field
// combo can be used; otherwise the value controls follow the chosen radio.
//
// OK stores the condition: "設定しない" as a condition that is off (element -1); the values
// split by ExtractAction::DivideExtractCsv; the bounds as typed, and for a range put in the
// order the user meant for the field's type (search_filter.h, OrderSearchBounds: a number
// range swaps only when both bounds are integers and its lower bound is stored without the
// blanks around it; a text or date range only when both bounds are given). A value text
// longer than 30000 bytes is refused as the note on the dialog says, with its length, and
// the dialog stays open with the text selected; nothing is stored.

#include <QDialog>

#include <vector>

#include "app/addressui/condition_controls.h"
#include "core/addressbook/extract_action.h"
#include "core/addressbook/one_customer.h"

class QComboBox;

namespace addressui {

class CConditionDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 159;
    static constexpr int kIdcField = 1378;
    static constexpr int kIdcByValues = 1379;
    static constexpr int kIdcByRange = 1380;
    static constexpr int kIdcLower = 1381;
    static constexpr int kIdcUpper = 1382;
    static constexpr int kIdcValues = 1383;
    static constexpr int kIdcEqualFlag = 1384;
    static constexpr int kIdcRangeFlag = 1385;
    static constexpr int kIdcPickValues = 1386;
    static constexpr int kIdcLowerLabel = 1387;
    static constexpr int kIdcUpperLabel = 1388;

    // `fields` and `action` (not owned) must outlive the dialog.
    CConditionDlg(const std::vector<DB_Element_Info>* fields, ExtractAction* action, int tab, int index,
                  QWidget* parent = nullptr);

    // 1 (IDOK) after the condition was stored, 2 (IDCANCEL) otherwise.
    int DoModal();

    void accept() override;

private:
    void LoadCondition();
    void UpdateControls();
    void PickValues();
    // The field list entry chosen in the combo, or -1 for "設定しない".
    int ChosenEntry() const;

    const std::vector<DB_Element_Info>* fields_;
    ExtractAction* action_;
    int tab_;
    int index_;
    QComboBox* field_ = nullptr;
    ConditionControls controls_;
};

}  // namespace addressui
