#pragma once
// The extraction run as the screens start it: the three-group union of a condition set
// (RunExtraction, core/addressbook/extraction_run.h) over a result list that changes only
// when the run completes.
//
// A run that fails (a condition that cannot be applied: an element the book does not
// have, a kind other than "E" or "R", a field whose type cannot be read) or that is
// cancelled gives the result list back exactly as it held it before the run, so an
// earlier complete result is never replaced by an empty, partial or unfiltered one: a
// mail must never go to more people than the user chose. The failure's error text (the
// engine's, Shift_JIS) comes back with it.
//
// ExtractRunControl is the run state the extraction page shares with its worker: the GUI
// thread sets it from the progress window's buttons, the worker reads it at every
// checkpoint (before each group and after each condition). While it is "paused" the worker
// waits at the checkpoint, looking again every 100 ms; "cancelled" stops the run there.
//
// No widgets: the functions run on a worker. The caller keeps every other thread off the
// condition set and the result list while a run uses them.

#include <atomic>
#include <functional>
#include <string>

class ExtractAction;
class ExtractResultDetail;

namespace addressui {

// Run states (the page's numbering).
enum ExtractRunState : int { kExtractRunning = 0, kExtractRunCancelled = 1, kExtractRunPaused = 2 };

class ExtractRunControl {
public:
    void Set(int state) { state_.store(state); }
    int Get() const { return state_.load(); }
    // Waits while paused; true when the run may go on, false when it was cancelled.
    bool Checkpoint() const;

private:
    std::atomic<int> state_{kExtractRunning};
};

struct ExtractRunOutcome {
    // kExtractionDone (0), kExtractionCancelled (1), or the failing member's negative result.
    int code = 0;
    // The engine's error text (Shift_JIS) of a failure; empty otherwise.
    std::string error;
    bool Done() const { return code == 0; }
};

// Runs `conditions` into `result`. Unless the run completes, `result` holds afterwards the
// IDs it held before (customers who meanwhile refuse advertising mail left out).
// `checkpoint` may be empty (a run nobody cancels).
ExtractRunOutcome RunExtractionKeepingResult(ExtractAction& conditions, ExtractResultDetail& result,
                                             const std::function<bool()>& checkpoint);

// Gives `result` the IDs `ids` again (after a run or a filter that did not finish).
void RestoreResultIds(ExtractResultDetail& result, const std::vector<int>& ids);

}  // namespace addressui
