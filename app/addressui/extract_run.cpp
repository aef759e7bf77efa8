#include "app/addressui/extract_run.h"

#include <chrono>
#include <thread>
#include <vector>

#include "core/addressbook/extract_action.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/addressbook/extraction_run.h"
#include "core/foundation/err_msg.h"

namespace addressui {

bool ExtractRunControl::Checkpoint() const {
    while (Get() == kExtractRunPaused) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return Get() == kExtractRunning;
}

void RestoreResultIds(ExtractResultDetail& result, const std::vector<int>& ids) {
    result.ALLRemoveDBID();
    // Without the existence check: an ID whose record went away is simply not taken back.
    // The batch stops at the first such ID; the rest then go one by one.
    if (result.SetDBIDFromCListInt(ids, 0, 0) == 0) return;
    for (const int id : ids) result.AddDBID(id);
}

ExtractRunOutcome RunExtractionKeepingResult(ExtractAction& conditions, ExtractResultDetail& result,
                                             const std::function<bool()>& checkpoint) {
    const std::vector<int> before = result.IDs();
    CErrMsg error;
    ExtractRunOutcome outcome;
    outcome.code = RunExtraction(conditions, result, checkpoint, &error);
    if (outcome.code == kExtractionDone) return outcome;
    if (outcome.code < 0) outcome.error = error.GetLastMsg();
    RestoreResultIds(result, before);
    return outcome;
}

}  // namespace addressui
