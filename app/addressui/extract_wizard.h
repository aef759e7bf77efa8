#pragma once
// CExtractSheet: the extraction wizard, in which the user defines a destination list of
// the address book: who a mail goes to. Three condition pages (groups A, B, C; each
// condition narrows the group, the groups are united: captions "グループA ＋",
// "グループB ＋", "グループC =") and the result page, which runs the extraction
// (extract_condition_page.h, extract_result_page.h). The sheet owns the condition set
// (ExtractAction) and the result (ExtractResultDetail) of list `id` (-1: a new list); the
// list store (ExtractListViewer) is the caller's.
//
// Beside OK and Cancel it has "抽出を実行する" (1883), which runs the extraction on the
// result page, and the hint "条件を設定した後、抽出を行ってください。". Its Apply button is
// hidden. In wizard mode (set before DoModal) the caption gets " － ウィザードモード" and a
// guidance message shows once the sheet is on screen.
//
// Saving (OK) is refused while the conditions differ from the last complete run (the
// changed flag: set for a new list, by every condition stored and by a cancelled run;
// cleared by a complete run): the user is sent to the result page instead.
//  - A new list asks its name (CDestNameDlg), takes a new list ID, writes the result and
//    the conditions under it, and only then enters the list into the store, so a failure
//    leaves no entry without files; the sheet then stays open.
//  - An existing list writes its result and conditions first (they are kept even when the
//    name question is then cancelled), then asks the name and writes the store's file.
// Every failure shows the failing store's own error text, and the sheet stays open.
// The list's last update becomes the moment the saved result's run started reading the
// address book (not the moment of saving), so an address-book change made meanwhile
// still makes the list out of date; a list saved without a new run keeps its last update.
//
// Cancel writes nothing. While a run is under way the sheet is disabled and refuses to
// close. The conditions of an existing list that cannot be read are not shown as empty
// groups (a run of those would pick everyone): DoModal says why and returns IDCANCEL.

#include <QString>

#include <array>
#include <string>
#include <utility>

#include "app/widgets/varnis_property_sheet.h"
#include "core/addressbook/extract_action.h"
#include "core/addressbook/extract_result_detail.h"

class ExtractListViewer;
class QLabel;
class QPushButton;

namespace addressui {

class CExtractConditionPage;
class CExtractPageResult;

class CExtractSheet : public shell::CVarnisPropertySheet {
    Q_OBJECT
public:
    static constexpr int kIdcRunExtraction = 1883;

    // `lists` (not owned) must outlive the sheet; `kind` is 1 (a destination list).
    CExtractSheet(ExtractListViewer* lists, int kind, int id, const QString& caption, QWidget* parent = nullptr,
                  int selectPage = 0);
    ~CExtractSheet() override;

    void SetWizardMode(bool on) { wizardMode_ = on; }
    bool IsWizardMode() const { return wizardMode_; }
    // 1 (IDOK) after a save, 2 (IDCANCEL) otherwise.
    int DoModal();

    // True while the conditions differ from the last complete run. Clearing it (a run
    // completed) makes the latest run's start the list's last update on saving.
    bool IsChanged() const { return changed_; }
    void SetChanged(bool changed);
    // The pages' long work: the first Begin disables the sheet with the wait cursor, the
    // last End enables it again.
    void BeginBusy();
    void EndBusy();
    bool IsBusy() const { return busy_; }
    // The time ("YYYY/MM/DD hh:mm:ss") the latest run started; a complete run's is saved
    // as the list's last update.
    void RecordRunStart(std::string time) { runStart_ = std::move(time); }

    ExtractAction& GetExtractAction() { return action_; }
    ExtractResultDetail& GetExtractResultDetail() { return result_; }
    CExtractConditionPage* ConditionPage(int tab) const;
    CExtractPageResult* ResultPage() const { return resultPage_; }
    int GetListID() const { return id_; }

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void RunFromSheet();
    void ShowGuidance();
    void ShowStoreError(const std::string& sjis, const QString& caption);
    // The list's last update to store on saving; empty: keep the stored one.
    const std::string& LastUpdateToStore() const { return savedRunStart_; }
    bool SaveNewList();
    bool SaveExistingList();

    ExtractListViewer* lists_;
    int id_;
    ExtractAction action_;
    ExtractResultDetail result_;
    bool changed_;
    QString loadError_;  // why the conditions could not be read; empty when they were
    bool wizardMode_ = false;
    bool guidancePending_ = false;
    bool busy_ = false;
    int busyCount_ = 0;
    std::string runStart_;      // of the latest run
    std::string savedRunStart_; // of the latest complete run
    std::array<CExtractConditionPage*, ExtractAction::kGroups> conditionPages_{};
    CExtractPageResult* resultPage_ = nullptr;
    QPushButton* runButton_ = nullptr;
    QLabel* hint_ = nullptr;
};

}  // namespace addressui
