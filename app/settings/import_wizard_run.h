#pragma once
// The CSV import wizard's run, without widgets: it builds the column map from the
// assignment, imports the file into the open address book through the core's importer
// (always adding to the stored records, the duplicate policy of option 109), and keeps the
// book whole: a run that fails or that the user stops puts every row back as it was
// (ImportBookGuard). The book's lock is held from the copy to the end, so nothing else
// changes the book in between.
//
// Progress: the importer keeps `progress.imported` at the number of records stored so far.
// Stop: the wizard sets `stop` (and the book's stop flag, which the importer polls after
// each line; the importer clears that flag when it starts, so the wizard sets it again on
// every tick). A run stopped before the importer starts does not start it; a run whose
// stop came at any time is put back, even when the importer had already finished.
//
// Runs on the wizard's worker thread; it touches no widget.

#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "app/settings/import_wizard_mapping.h"
#include "core/addressbook/address_import.h"

class CDatabaseEdit;
class EnvManager;
class ImportProgress;
class SystemOption;

namespace settings {

struct CsvImportRequest {
    std::string path;
    std::string separators;
    char quote = '"';
    std::array<int, ImportMapping::kTargetCount> assignment{};
    std::string duplicatePolicy;  // option 109
};

// What a run of an import left, for the screen to tell.
struct ImportRunOutcome {
    int result = 0;          // the importer's: records stored, or negative
    bool stopped = false;    // the user stopped it
    bool restored = false;   // the book was put back as it was before the run
    int restoreResult = 0;   // 0, or the book's refusal while putting it back
    std::string errorText;   // the importer's last error (Shift_JIS) when result < 0
    int rejectedCount = 0;   // records the importer rejected (other programs' files)
    ImportRejections rejected;  // the records of a CSV file the importer rejected
};

// The importer call, replaceable by tests that must make an import fail half-way.
using CsvImportEngine = std::function<int(CAddressImport& importer, const CsvImportRequest& request,
                                          const std::vector<int>& columnMap, std::atomic<int>* count,
                                          ImportRejections& rejected)>;
// Installs `engine` (empty: the core's importer again); returns the one it replaces.
CsvImportEngine SetCsvImportEngineForTesting(CsvImportEngine engine);

ImportRunOutcome RunCsvImport(CDatabaseEdit& book, EnvManager* env, SystemOption* options,
                              const CsvImportRequest& request, ImportProgress& progress,
                              const std::atomic<bool>& stop);

}  // namespace settings
