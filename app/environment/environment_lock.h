#pragma once
// One writer per environment. Whoever opens an environment to write it (the program, a
// copy of it started with another home folder, the environment tools) holds the lock of
// the file "Quendrel.lock" in the environment's folder (platform/file_lock.h) for as long
// as it has the environment open; a second opener is told that the environment is in use
// and opens nothing. The stores rely on it: the address book's journal, the send
// histories' progress records and the receive ledger each assume that nothing else writes
// the environment meanwhile.
//
// The lock lies inside the environment's folder, so every way of reaching the environment
// (another spelling of its path, a link to a folder above it, another user's settings)
// meets the same lock, and nobody who may not enter the folder can hold it. An upgrade
// replaces files inside the folder, never the folder itself, so the locked file stays the
// environment's.

#include <string>

namespace shell {

inline constexpr const char* kEnvironmentLockFile = "Quendrel.lock";
// What a second opener is told after the environment's path (UTF-8).
inline constexpr const char* kEnvironmentInUseText = "この環境は他のプログラムで使用中のため、開けません";

// "<root>/<name>/Quendrel.lock" for the descriptor "<root>/<name>.env".
std::string EnvironmentLockPath(const std::string& descriptor);

}  // namespace shell
