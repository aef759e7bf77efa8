#include "app/settings/other_import_worker.h"

#include "core/addressbook/database_edit.h"
#include "core/addressbook/import_progress.h"

namespace settings {

ImportRunOutcome RunOtherImport(CDatabaseEdit& book, EnvManager* env, SystemOption* options,
                                const OtherImportRequest& request, ImportProgress& progress,
                                const CAddressImport::ImportQuestion& ask) {
    ImportRunOutcome outcome;
    progress.imported.store(0);
    progress.errors.store(0);
    progress.phase.store(0);
    CAddressImport importer(&book, env, options);
    switch (request.kind) {
    case kImportTormask: {
        std::string policy = request.duplicatePolicy;
        outcome.result = importer.ImportDBfromTormaskFile(request.source, request.logPath, &progress, policy, ask);
        break;
    }
    case kImportBrindell:
        outcome.result = importer.ImportDBfromBuppanFile(request.source, request.logPath, &progress,
                                                         request.duplicatePolicy, 0);
        break;
    case kImportQuillary:
        outcome.result = importer.ImportDBfromQLAFile(request.source, request.converter, request.logPath, &progress,
                                                      request.dmMode);
        break;
    case kImportOutlookExpress:
        outcome.result = importer.ImportDBfromOutLookFile(request.source, request.logPath, &progress, request.dmMode);
        break;
    case kImportBecky:
        outcome.result = importer.ImportDBfromBeckyFile(request.source, request.logPath, &progress, request.dmMode);
        break;
    default:
        outcome.result = -1;
        break;
    }
    outcome.rejectedCount = progress.errors.load();
    if (outcome.result < 0) outcome.errorText = importer.GetErrMsg().GetLastMsg();
    // The importer takes back its own records when it ends abnormally, and nothing else: a
    // refusal or a bounce that a send or receive run stored while the user was still
    // answering the importer's questions stays. A declined question ends the run before
    // the importer touches the book.
    outcome.restored = outcome.result < 0 && outcome.result != kImportDeclined;
    return outcome;
}

}  // namespace settings
