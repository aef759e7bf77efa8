#pragma once
// Stores the system settings the user just confirmed with OK. A save that fails (full disk,
// a folder that refuses the new file) is told to the user instead of being taken for done:
// the settings stay in memory and work until the program ends, but a restart would silently
// bring the old ones back.
class QWidget;
class SystemOption;

namespace shell {

// Writes `options` to the environment's file; false (after telling the user) when it did not.
bool StoreConfirmedSystemSettings(QWidget* parent, SystemOption& options);

}  // namespace shell
