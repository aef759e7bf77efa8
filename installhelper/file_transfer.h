#pragma once
// The file-system steps that the shell operations and moveFileEx are built from, on
// std::filesystem and POSIX calls. Each reports failure by its result and throws nothing.

#include <filesystem>

namespace tarbolt {

// Copies the file `from` (links followed) to `to` through a temporary file beside `to`
// that is renamed over it, so an existing `to` is replaced whole or stays as it was.
// The copy keeps the source's permissions. False when `to` is a folder, or on any error.
bool CopyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// Copies the folder `from` into `to` (made when missing), merging with what `to` holds:
// files replace files of the same name, links are copied as links, other kinds of entry
// (pipes, devices) are left out. False on the first error.
bool CopyTree(const std::filesystem::path& from, const std::filesystem::path& to);

// Renames `from` to `to`. With `replace` an existing file `to` is replaced; without it an
// existing `to` makes the rename fail, checked by the rename itself where the file system
// can. Sets `crossDevice` when the two lie on different file systems (and fails).
bool Rename(const std::filesystem::path& from, const std::filesystem::path& to, bool replace, bool& crossDevice);

// Moves `from` to `to`: a rename where it can, else a copy and a delete. A folder onto an
// existing folder merges into it, entry by entry. False on the first error or when a
// folder would go onto a file or a file onto a folder.
bool MoveEntry(const std::filesystem::path& from, const std::filesystem::path& to);

// True when `inner` is `outer` or lies inside it (both resolved through links).
bool IsSameOrInside(const std::filesystem::path& inner, const std::filesystem::path& outer);

}  // namespace tarbolt
