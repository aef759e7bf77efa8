// CAddressImport: binding and the pieces every importer shares.
#include "core/addressbook/address_import.h"

#include <thread>

#include "core/addressbook/database_edit.h"
#include "core/addressbook/other_import_run.h"
#include "core/foundation/cp932.h"

CAddressImport::CAddressImport(CDatabaseEdit* book, EnvManager* env, SystemOption* options) {
    SetDatabaseEdit(book);
    SetEnvManager(env);
    SetSystemOption(options);
}

int CAddressImport::SetDatabaseEdit(CDatabaseEdit* book) {
    if (book == nullptr || book_ != nullptr) return 0;
    book_ = book;
    return 1;
}

int CAddressImport::SetEnvManager(EnvManager* env) {
    if (env == nullptr || env_ != nullptr) return 0;
    env_ = env;
    return 1;
}

int CAddressImport::SetSystemOption(SystemOption* options) {
    if (options == nullptr || options_ != nullptr) return 0;
    options_ = options;
    return 1;
}

int CAddressImport::Fail(int code, int result) {
    errMsg_.SetErr(code);
    if (book_ != nullptr) book_->GetErrMsg().SetErr(code);
    return result;
}

int CAddressImport::CheckBound() {
    if (env_ == nullptr || book_ == nullptr) return Fail(10001, -12);
    if (options_ == nullptr) return Fail(10003, -14);
    return 0;
}

void CAddressImport::ShowStart(ImportProgress& progress) const {
    progress.SetText(SjisLiteral("インポートを開始します"));
    if (startPause_.count() > 0) std::this_thread::sleep_for(startPause_);
    progress.phase.store(0);
}

int CAddressImport::StartRun(ImportProgress* progress, const std::string& text, const std::string& source,
                             const std::string& reportPath, int badArguments) {
    if (progress != nullptr) {
        progress->phase.store(1);
        progress->SetText(text);
    }
    if (const int r = CheckBound(); r < 0) return r;
    if (source.empty() || reportPath.empty() || progress == nullptr) return Fail(10602, badArguments);
    return 0;
}

int CAddressImport::EndRun(OtherImportRun& run, const std::string& reason, int result, int code) {
    if (code != 0) Fail(code, result);
    return run.End(reason, result);
}
