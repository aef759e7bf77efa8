#pragma once
// CExtractPageResult (dialog 143 "最終抽出結果"): the last page of the extraction wizard. It
// runs the sheet's three condition groups over the address book and shows the result, one
// page of 1000 recipients at a time.
//
// The run ("抽出を実行をする" 1344, also the sheet's "抽出を実行する"): after the user agreed,
// the list empties and a worker runs the union (extract_run.h) while the sheet is disabled
// behind the extraction progress window (CExtractProgressDlg). Its "処理の中止" pauses the
// worker at its next checkpoint while the user is asked, then resumes it or cancels the
// run. The page's windows keep painting throughout.
//  - A complete run shows its count in the result dialog (result_dialog_hook.h), fills the
//    first page and clears the sheet's changed flag: the sheet may save.
//  - A cancelled run sets the changed flag (the sheet refuses to save until a complete
//    run) and says so.
//  - A run that fails (a condition that cannot be applied) stops with the engine's error;
//    the result list and the changed flag stay as they were before the run. A failed
//    condition never passes everyone.
// Answering No to the run question changes nothing.
//
// Shown with the changed flag set, the page asks for a run and lists nothing; otherwise it
// shows the count and the first page. Paging buttons are disabled while the flag is set.
// "個人情報の詳細" (or a double click) shows the selected person read-only (CDBEditSheet2).
//
// The page touches the sheet's condition set and result list on the GUI thread only while
// no run is under way; the worker has them to itself during a run.

#include <QString>
#include <QWidget>

#include <optional>

#include "app/addressui/extract_run.h"
#include "app/addressui/screen_worker.h"

class ExtractAction;
class ExtractResultDetail;
class QLabel;
class QPushButton;
class QTableView;

namespace shell {
class CExtractProgressDlg;
}

namespace addressui {

class CExtractSheet;
class RecipientPageModel;

class CExtractPageResult : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIdd = 143;
    static constexpr int kIdcRun = 1344;
    static constexpr int kIdcPrevPage = 1464;
    static constexpr int kIdcNextPage = 1466;
    static constexpr int kIdcDetail = 1483;
    static constexpr int kIdcList = 1083;
    static constexpr int kIdcStatus = 1247;
    static constexpr int kPageRows = 1000;

    CExtractPageResult(CExtractSheet* sheet, ExtractAction* action, ExtractResultDetail* result,
                       QWidget* parent = nullptr);
    ~CExtractPageResult() override;

    // Start-up: the stored result of the list is read; the page asks for a run.
    void InitPage();
    // The page became the sheet's active page.
    void OnSetActive();
    // The run button.
    void Run();

    bool IsRunning() const { return worker_.Busy() || pending_.has_value(); }
    int GetRunState() const { return control_.Get(); }
    int GetResultCount() const { return count_; }
    int GetPageStart() const { return start_; }
    int GetPageEnd() const { return end_; }
    QString GetStatusText() const;
    RecipientPageModel* Model() const { return model_; }
    QTableView* List() const { return list_; }
    shell::CExtractProgressDlg* ProgressWindow() const { return progress_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnPause();
    void OnResume();
    void OnCancelled();
    // The worker's outcome, on the GUI thread (deferred while the user is being asked
    // whether to cancel).
    void RunEnded(ExtractRunOutcome outcome);
    void Completed();
    void ShowCurrentResult();
    void FillPage();
    void MovePage(int rows);
    void UpdateButtons();
    void ShowDetails();
    void SetStatus(const QString& text);

    CExtractSheet* sheet_;
    ExtractAction* action_;
    ExtractResultDetail* result_;
    int start_ = 0;
    int end_ = kPageRows - 1;
    int count_ = 0;
    ExtractRunControl control_;
    std::optional<ExtractRunOutcome> pending_;  // an outcome that came while paused
    RecipientPageModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* prev_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* detail_ = nullptr;
    shell::CExtractProgressDlg* progress_ = nullptr;
    ScreenWorker worker_;
};

}  // namespace addressui
