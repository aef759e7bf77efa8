#include "app/addressui/db_list_import_hook.h"

#include <utility>

namespace addressui {
namespace {

AddressImportHook& ImportHook() {
    static AddressImportHook hook;
    return hook;
}

}  // namespace

AddressImportHook SetAddressImportHook(AddressImportHook hook) { return std::exchange(ImportHook(), std::move(hook)); }

int RunAddressImportHook(QWidget* parent) { return ImportHook() ? ImportHook()(parent) : 0; }

}  // namespace addressui
