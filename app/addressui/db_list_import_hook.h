#pragma once
// The import command of the personal-information list. The import screens (the format
// question, the CSV import wizard, the other programs' imports) belong to the settings
// screens, which sit above this folder; the program installs their chain here at start-up
// (settings::RunAddressImport), and tests install answers of their own.
//
// Without a hook the command imports nothing (0), so the list never reloads on a guess.

#include <functional>

class QWidget;

namespace addressui {

// Runs the import over the open environment: 1 completed, -1 failed or stopped (both may
// have changed the address book), anything else when nothing was imported.
using AddressImportHook = std::function<int(QWidget* parent)>;

// Installs `hook` (empty: none); returns the one it replaces.
AddressImportHook SetAddressImportHook(AddressImportHook hook);
// The import through the hook; 0 without one.
int RunAddressImportHook(QWidget* parent);

}  // namespace addressui
