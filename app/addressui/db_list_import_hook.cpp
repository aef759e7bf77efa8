#include "app/addressui/db_list_import_hook.h"

#include <utility>

namespace addressui {
namespace {

AddressImportHook& Hook() {
    static AddressImportHook hook;
    return hook;
}

}  // namespace

AddressImportHook SetAddressImportHook(AddressImportHook hook) { return std::exchange(Hook(), std::move(hook)); }

int RunAddressImportHook(QWidget* parent) { return Hook() ? Hook()(parent) : 0; }

}  // namespace addressui
