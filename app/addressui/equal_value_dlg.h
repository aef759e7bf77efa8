#pragma once
// CEqualValueDlg (dialog 135 "同値条件の選択"): picks values of one address-book field for a
// value-list condition. The left list (1106 "選択前のデータ") offers the distinct values the
// live records hold, in stored order; the buttons move values to the right list (1100
// "選択されたデータ") and back. A moved value leaves its list, so nothing can be chosen
// twice; moved values are appended in the order they had in their list.
//
// The values are read on a worker when the dialog shows, behind the please-wait window;
// the dialog is disabled meanwhile and cannot be closed. Birth dates are offered as their
// date (first 10 bytes, never half a character), each date once.
//
// Both lists are models over the values, so a field with a million distinct values opens
// and moves in one pass, not one widget item per value.
//
// OK builds the result (BuildResult): every chosen value in double quotes, inner double
// quotes doubled, joined by ","; up to 30000 bytes it is accepted, longer is refused with
// its length ("条件が長すぎます") and the dialog stays open with an empty result.

#include <QDialog>

#include <string>
#include <vector>

#include "app/addressui/screen_worker.h"

class QListView;

namespace shell {
class CWaitDlg;
}

namespace addressui {

class ValueListModel;

class CEqualValueDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 135;
    static constexpr int kIdcChosen = 1100;
    static constexpr int kIdcAdd = 1104;
    static constexpr int kIdcSource = 1106;
    static constexpr int kIdcAddAll = 1110;
    static constexpr int kIdcRemove = 1114;
    static constexpr int kIdcRemoveAll = 1118;
    static constexpr std::size_t kMaxResultBytes = 30000;

    CEqualValueDlg(int element, QWidget* parent = nullptr);
    ~CEqualValueDlg() override;

    // 1 (IDOK) or 2 (IDCANCEL).
    int DoModal();
    // After OK: the chosen values as quoted CSV (Shift_JIS).
    const std::string& GetResult() const { return result_; }
    // The values in each list (Shift_JIS).
    const std::vector<std::string>& SourceValues() const;
    const std::vector<std::string>& ChosenValues() const;
    bool IsLoading() const { return worker_.Busy(); }

    // Every value in double quotes with inner double quotes doubled, joined by ",".
    static std::string BuildResult(const std::vector<std::string>& values);
    // The values the list offers for `element`, from the distinct stored values.
    static std::vector<std::string> OfferedValues(int element, std::vector<std::string> distinct);

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void StartLoading();
    // Moves the selected (or all) rows of `from` to the end of `to`.
    void Move(QListView* from, QListView* to, bool all);

    int element_;
    std::string result_;
    QListView* source_ = nullptr;
    QListView* chosen_ = nullptr;
    ValueListModel* sourceModel_ = nullptr;
    ValueListModel* chosenModel_ = nullptr;
    shell::CWaitDlg* wait_ = nullptr;
    bool started_ = false;
    ScreenWorker worker_;
};

}  // namespace addressui
