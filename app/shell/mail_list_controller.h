#pragma once
// MailListController: the main window's mail list without its widget. It owns the rows
// (MailListModel) and their selection, switches the list mode, carries every mail command
// of the main window (new, edit, duplicate, delete, search, reserve, cancel reservation,
// destination details, send history) and the information-page commands, says which of
// them the current selection allows, and is the one place through which other screens
// change the rows (the list requests below).
//
// Where the data lives: the open environment's mail list (shell::GetMailListViewer) is
// the truth; the rows hold copies. A command re-reads each mail it changes from the mail
// list, changes it there (SetMailData) and refreshes the row from what was stored, so a
// row that lags behind (a coalesced update not yet shown) is never written back.
//
// Requests from other screens:
//  - SwitchMode, RefreshRow, RefreshOrAppendRow, RemoveRow, SelectedRecords: on the GUI
//    thread, at once. A request that arrives while another is handled (through a nested
//    event loop) runs right after it, never inside it.
//  - PostRowRefresh: from any thread (the send run reports every recipient through it).
//    Updates of one mail replace each other until the GUI thread applies them; the rows
//    change in the next turn of the event loop and the captions (which count the mode's
//    mails over the whole list) follow at most every 200 ms, so a run that reports
//    hundreds of rows a second costs the GUI a row copy each, not a count of the list.
//
// Refusals: every command that is not allowed for the selection says why with the
// program's texts; a failing store ends the command without a message, the rows left as
// far as they were updated. Commands that need a screen of ScreenRegistry are disabled
// while it is not installed, and do nothing when run all the same.
//
// Column widths belong to the environment they were read from: they are written back to
// it (SaveColumnWidths, and before the columns are rebuilt) and never into another
// environment's file after a switch.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/sendrecv/mail_record_helpers.h"
#include "app/shell/mail_list_model.h"
#include "app/shell/screen_registry.h"

class QItemSelectionModel;
class QWidget;

namespace shell {

class MailListController : public QObject {
    Q_OBJECT
public:
    // Command numbers of the mail list.
    enum Command : int {
        kIdModeAll = 32772,
        kIdModeDraft = 32773,
        kIdModeWaiting = 32774,
        kIdModeSent = 32775,
        kIdModeReport = 32776,
        kIdNewMail = 1055,
        kIdEditMail = 1052,
        kIdDuplicate = 33056,
        kIdDelete = 32783,
        kIdSearch = 33057,
        kIdDestinationDetail = 32787,
        kIdSendHistory = 32792,
        kIdReserve = 1353,
        kIdCancelReserve = 1354,
        kIdReserveButton = 1364,        // the reservation bar's buttons
        kIdCancelReserveButton = 1365,
        kIdInformationPage = 32838,
        kIdInformationAutoShow = 32840,
        kIdInformationNoAutoShow = 32841,
    };
    struct CommandState {
        bool enabled = false;
        bool checked = false;  // the radio mark of a mode, the pressed state of a bar button
    };
    // What the update rules ask of the selection, gathered in one pass over it.
    struct SelectionSummary {
        int count = 0;
        bool firstListed = false, firstEditable = false;
        bool allEditable = true, allPending = true, allEditableOrPending = true;
        bool anyEditable = false, anyPending = false;
    };
    // Mails pending to be sent: waiting, resend-waiting, interrupted, split-waiting.
    static constexpr unsigned long kPendingStatusMask = 0x116;
    // Captions follow posted row updates at most this often.
    static constexpr int kCaptionIntervalMs = 200;

    explicit MailListController(ScreenRegistry& screens = Screens(), QObject* parent = nullptr);
    ~MailListController() override;

    MailListModel* Model() const { return model_; }
    QItemSelectionModel* Selection() const { return selection_; }
    // The window message boxes and screens are owned by (may be null).
    void SetOwnerWindow(QWidget* owner) { owner_ = owner; }
    // Quendrel.ini, where the information page's automatic showing is kept.
    void SetProgramIniPath(std::string path) { programIni_ = std::move(path); }

    // ---- List requests -------------------------------------------------------------------
    // Shows list mode `mode` (see mail_list_columns.h); mode 0 only forgets the current
    // mode, so the next switch reads everything again; the current mode does nothing.
    void SwitchMode(int mode);
    void RefreshRow(const COneMailData& mail);
    void RefreshOrAppendRow(const COneMailData& mail);
    void RemoveRow(const COneMailData& mail);
    // Copies of the selected rows' entries, top to bottom.
    std::vector<CMailRecord> SelectedRecords() const;
    // Any thread: refreshes the row of `mail` (if it has one) soon, coalesced.
    void PostRowRefresh(const COneMailData& mail);
    // Applies the posted refreshes now (the event loop does this by itself).
    void FlushPostedRefreshes();
    // The rows and captions read again from the open environment (after a switch): the
    // mode is forgotten, then all mails are shown.
    void Reload();

    int Mode() const { return mode_; }
    QString ModeName() const;
    // "すべて: 12通": the caption of the mail-count pane.
    static QString MailCountText(int mode, int count);

    // ---- Commands ------------------------------------------------------------------------
    // What command `id` allows now (unknown commands: disabled). For many commands at
    // once, summarize the selection once and pass it.
    CommandState State(int id) const;
    CommandState State(int id, const SelectionSummary& selection) const;
    SelectionSummary Summarize() const;
    // Runs command `id` (a mode, a mail command, the information page commands).
    void Execute(int id);
    // Edits mail `mailId` in the composing dialog: 0 when done or refused, -1 when a
    // store operation failed.
    int EditMail(int mailId);
    // A new text mail from the command line's body file.
    void NewMailWithBody(const QString& bodyFile);
    // After the window is made: shows all mails and applies the information page setting.
    void InitialUpdate();
    // True when no mail waits to be sent (W, R, I or B).
    bool IsNothingWaiting() const;

    // ---- Columns ---------------------------------------------------------------------------
    const std::vector<int>& ColumnWidths() const { return widths_; }
    void SetColumnWidth(int column, int width);
    // Writes the current layout's widths to the environment they came from; false when
    // nothing could be written (no layout, another environment, a failed write).
    bool SaveColumnWidths();
    void ColumnClicked(int column);

signals:
    // The mode's name and its mail count changed (title, count pane, caption bar).
    void CaptionsChanged(const QString& modeName, int count);
    // The columns were built anew: their widths are ColumnWidths().
    void ColumnsRebuilt();
    // Something the command states depend on changed besides the selection.
    void StatesChanged();

private:
    // Runs `request` now, or after the request being handled.
    void Handle(std::function<void()> request);
    void DoSwitchMode(int mode);
    void UpdateCaptions();
    void ScheduleCaptions();
    std::vector<const CMailRecord*> SelectedRows() const;

    int NewMail(const std::optional<QString>& bodyFile);
    // The steps after the composing dialog closed with OK; the stored mail, or nullopt
    // when it cannot be read.
    std::optional<CMailRecord> FinishComposed(const ComposeResult& result);
    void AskSendNow(const COneMailData& mail);
    void Duplicate();
    void Delete();
    void Reserve();
    // False when the mail may not be reserved and the command must end (told).
    bool CheckReservable(const COneMailData& mail, bool& ended);
    void CancelReserve();
    void ShowDestinationDetail();
    void ShowSendHistory();
    void SetInformationAutoShow(bool on);
    int Ask(const QString& text, const QString& caption, unsigned style) const;

    ScreenRegistry& screens_;
    MailListModel* model_;
    QItemSelectionModel* selection_;
    QWidget* owner_ = nullptr;
    std::string programIni_;

    int mode_ = 0;
    std::vector<int> widths_;
    std::string widthsIni_;  // the environment ini the widths were read from
    int informationAutoShow_ = -1;  // 1 on, 0 off, -1 not read yet

    bool busy_ = false;
    std::deque<std::function<void()>> deferred_;

    std::mutex postedMutex_;
    std::unordered_map<int, CMailRecord> posted_;
    bool flushQueued_ = false;
    QTimer captionTimer_;
    QElapsedTimer lastCaptions_;
};

}  // namespace shell
