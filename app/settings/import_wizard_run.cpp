#include "app/settings/import_wizard_run.h"

#include <mutex>

#include "app/settings/import_book_guard.h"
#include "core/addressbook/address_import.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/import_progress.h"
#include "platform/named_mutex.h"

namespace settings {
namespace {

int CoreEngine(CAddressImport& importer, const CsvImportRequest& request, const std::vector<int>& columnMap,
               std::atomic<int>* count, ImportRejections& rejected) {
    return importer.ImportDBfromFile(request.path, request.separators, request.quote, columnMap, 1, count, rejected,
                                     request.duplicatePolicy);
}

CsvImportEngine& Engine() {
    static CsvImportEngine engine = CoreEngine;
    return engine;
}

}  // namespace

CsvImportEngine SetCsvImportEngineForTesting(CsvImportEngine engine) {
    CsvImportEngine previous = std::move(Engine());
    Engine() = engine ? std::move(engine) : CsvImportEngine(CoreEngine);
    return previous;
}

ImportRunOutcome RunCsvImport(CDatabaseEdit& book, EnvManager* env, SystemOption* options,
                              const CsvImportRequest& request, ImportProgress& progress,
                              const std::atomic<bool>& stop) {
    ImportRunOutcome outcome;
    progress.imported.store(0);
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> hold(mutex);

    std::vector<DB_Element_Info> elements;
    if (book.Get_DBElementInfo(elements, ImportMapping::kElementMask) < 0) {
        outcome.result = -17;
        outcome.errorText = book.GetErrMsg().GetLastMsg();
        return outcome;
    }
    const std::vector<int> columnMap = ImportMapping::ColumnMap(request.assignment, elements);
    if (stop.load()) {
        outcome.stopped = true;
        return outcome;
    }

    ImportBookGuard guard(book);
    CAddressImport importer(&book, env, options);
    outcome.result = Engine()(importer, request, columnMap, &progress.imported, outcome.rejected);
    outcome.stopped = stop.load();
    if (outcome.result < 0) outcome.errorText = importer.GetErrMsg().GetLastMsg();
    if (outcome.result < 0 || outcome.stopped) {
        outcome.restoreResult = guard.Restore();
        outcome.restored = true;
    }
    book.SetStopImportFlag(0);
    return outcome;
}

}  // namespace settings
