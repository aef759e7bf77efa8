#pragma once
// CDBSearchDlg (dialog 191 "個人情報検索条件"): the search of the personal-information list.
// The user picks one field (or "すべて") and either values (contained / not contained) or
// a range (inside / outside); "検索" filters the live records on a worker behind the
// please-wait window and closes the dialog with IDOK. The opener then reads the hits and
// the condition and shows them in the search result (CSearchResultDlg).
//
// The condition is read from the controls as typed (search_filter.h): values split at
// "," with double quotes grouping, an empty value text being no value at all; the bounds
// of a range put in order for the field's kind. "条件選択" offers the field's stored values
// (CEqualValueDlg) and replaces the value text with the chosen ones.
//
// Enabling: with "すべて" neither the kind nor any value control can be used; otherwise the
// value controls follow the chosen kind.
//
// While the worker runs the dialog is disabled and refuses to close; its window (and the
// please-wait window) keep painting. One search per opening.

#include <QDialog>

#include <vector>

#include "app/addressui/condition_controls.h"
#include "app/addressui/screen_worker.h"
#include "core/addressbook/extract_action.h"

class QComboBox;

namespace shell {
class CWaitDlg;
}

namespace addressui {

class CDBSearchDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 191;
    static constexpr int kIdcSearch = 1519;
    static constexpr int kIdcField = 1536;
    static constexpr int kIdcByValues = 1537;
    static constexpr int kIdcByRange = 1538;
    static constexpr int kIdcValues = 1539;
    static constexpr int kIdcLower = 1540;
    static constexpr int kIdcUpper = 1541;
    static constexpr int kIdcPickValues = 1542;
    static constexpr int kIdcEqualFlag = 1543;
    static constexpr int kIdcRangeFlag = 1544;
    static constexpr int kIdcUpperLabel = 1545;
    static constexpr int kIdcLowerLabel = 1546;

    explicit CDBSearchDlg(QWidget* parent = nullptr);
    ~CDBSearchDlg() override;

    // IDOK (1) after a search, IDCANCEL (2) when cancelled.
    int DoModal();

    // After IDOK: the IDs found, in address-book order, and the condition searched.
    std::vector<int>& GetHitList() { return hits_; }
    const OneExtractCondition& GetCondition() const { return condition_; }
    bool IsSearching() const { return worker_.Busy(); }

    void reject() override;

private:
    void UpdateControls();
    void PickValues();
    void Search();
    // The element of the chosen field entry; -1 for "すべて".
    int ChosenElement() const;

    std::vector<int> fieldElements_;  // per entry of the field list; "すべて" is -1
    std::vector<int> hits_;
    OneExtractCondition condition_;
    QComboBox* field_ = nullptr;
    ConditionControls controls_;
    shell::CWaitDlg* wait_ = nullptr;
    ScreenWorker worker_;
};

}  // namespace addressui
