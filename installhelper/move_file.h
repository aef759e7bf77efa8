#pragma once
// MoveFileNow: one file or folder moved or renamed at once, by the rules of moveFileEx in
// tarbolt.h (replace only when asked and never a folder or the same file; across file
// systems only files, and only when a copy is allowed).

#include <string>

namespace tarbolt {

inline constexpr unsigned kMoveReplaceExisting = 0x01;
inline constexpr unsigned kMoveCopyAllowed = 0x02;
inline constexpr unsigned kMoveDelayUntilReboot = 0x04;

// Moves `existing` to `newName`, or deletes `existing` (a file, a link or an empty
// folder) when `newName` is empty. Throws nothing.
bool MoveFileNow(const std::string& existing, const std::string& newName, unsigned flags);

}  // namespace tarbolt
