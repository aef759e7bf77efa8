#pragma once
// The run of an import from another program's address book, without widgets: the core's
// importer for the format (kinds 2-6 of the import-format dialog), with its report file,
// progress block and, for Tormask data, its question to the user. A run that fails takes
// back the records it stored (the importer does, in the same hold of the book's lock as
// it stored them), so a half-imported book is never saved; the report file still tells
// what happened.
//
// The book's lock is not held across the whole run: the Quillary converter and the
// Tormask question come before the importer locks the book, and the screens (or a send or
// receive run) may use the book meanwhile; what they store stays, whatever the import's
// end.
//
// Runs on the import dialog's worker thread; it touches no widget (the question is carried
// to the GUI thread by the caller's `ask`).

#include <string>

#include "app/settings/import_wizard_run.h"
#include "core/addressbook/address_import.h"

namespace settings {

// The formats of the import-format dialog.
enum ImportKind : int {
    kImportNone = 0,
    kImportCsv = 1,
    kImportTormask = 2,
    kImportBrindell = 3,
    kImportQuillary = 4,
    kImportOutlookExpress = 5,
    kImportBecky = 6,
};

// The importer's answer when the user declined its own question (Tormask).
inline constexpr int kImportDeclined = -98;

struct OtherImportRequest {
    int kind = kImportNone;
    int dmMode = 1;               // kinds 4-6: how the DM flag is set (1-4)
    std::string source;           // the file to import
    std::string converter;        // kind 4: the converter program
    std::string logPath;          // the report file
    std::string duplicatePolicy;  // kinds 2, 3: option 110
};

ImportRunOutcome RunOtherImport(CDatabaseEdit& book, EnvManager* env, SystemOption* options,
                                const OtherImportRequest& request, ImportProgress& progress,
                                const CAddressImport::ImportQuestion& ask);

}  // namespace settings
