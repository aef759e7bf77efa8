#pragma once
// The three condition pages of the extraction wizard, one per group: CExtractPage01 (group
// A, dialog 160), CExtractPage02 (B, 161) and CExtractPage03 (C, 162). Each shows its
// group's five conditions, one below the other with "↓絞り込み" between them (each narrows
// what the one above left), and a "条件変更" button per condition that opens the condition
// dialog (CConditionDlg). A condition that the dialog stored is shown again at once and
// marks the sheet's conditions as changed, so the sheet refuses to save until the next
// complete run.
//
// Per condition i (0-4): the button 1680+i, the field name 1685+i, the value text 1690+i
// and the operator 1695+i (extract_condition_text.h says what they show). A condition that
// is off shows "(未設定)" and disables the value and operator texts, which keep what they
// showed. The value text shows at most 5000 bytes; the condition keeps all of it.
//
// The pages read and change the sheet's condition set (ExtractAction) on the GUI thread
// only; the display of each page is serialised by its own named mutex
// ("CExtractPage0<n>_UpdateControl").

#include <QWidget>

#include <array>
#include <functional>
#include <utility>
#include <vector>

#include "core/addressbook/one_customer.h"

class ExtractAction;
class QLabel;
class QLineEdit;

namespace addressui {

class CExtractConditionPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kConditions = 5;
    static constexpr int kIdcChange = 1680;
    static constexpr int kIdcField = 1685;
    static constexpr int kIdcValue = 1690;
    static constexpr int kIdcOperator = 1695;

    // Called after a condition was stored (the sheet marks its conditions changed).
    void SetChangedCallback(std::function<void()> changed) { changed_ = std::move(changed); }
    // The condition set shown (not owned) and the field list (copied); shows all five.
    void SetExtractAction(ExtractAction* action, std::vector<DB_Element_Info> fields);
    int Tab() const { return tab_; }

    // Shows condition `index` as the condition set holds it now.
    void UpdateControl(int index);
    // Opens the condition dialog for condition `index`.
    void ChangeCondition(int index);

protected:
    CExtractConditionPage(int tab, int idd, QWidget* parent);

private:
    int tab_;
    ExtractAction* action_ = nullptr;
    std::vector<DB_Element_Info> fields_;
    std::function<void()> changed_;
    std::array<QLabel*, kConditions> field_{};
    std::array<QLineEdit*, kConditions> value_{};
    std::array<QLabel*, kConditions> operator_{};
};

class CExtractPage01 : public CExtractConditionPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 160;
    explicit CExtractPage01(QWidget* parent = nullptr) : CExtractConditionPage(0, kIdd, parent) {}
};

class CExtractPage02 : public CExtractConditionPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 161;
    explicit CExtractPage02(QWidget* parent = nullptr) : CExtractConditionPage(1, kIdd, parent) {}
};

class CExtractPage03 : public CExtractConditionPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 162;
    explicit CExtractPage03(QWidget* parent = nullptr) : CExtractConditionPage(2, kIdd, parent) {}
};

}  // namespace addressui
