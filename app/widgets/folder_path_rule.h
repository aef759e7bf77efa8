#pragma once
// The rule a folder path typed into the folder chooser must meet before the program uses
// it or offers to create it. A pure function, so the rule is tested on its own.
//
// Environments are copied to and from Windows machines, and the core reads a backslash as
// a separator, so the rule refuses what would not survive there as well as what POSIX
// itself cannot hold.

#include <QString>

#include <cstddef>

namespace shell {

// Longest path accepted, in bytes of the file system's encoding (PATH_MAX less its end mark).
constexpr std::size_t kMaxFolderPathBytes = 4095;

// True when `path` is acceptable, checked in this order:
//  - it is absolute (begins with "/"); "/" itself is valid;
//  - it does not end with "/" (apart from "/" itself);
//  - it takes at most kMaxFolderPathBytes bytes;
//  - every component between separators is not empty (no "//"), is not "." or "..", holds
//    no NUL and no other control character (tab included), none of \ * ? " < > | : ,
//    does not begin or end with a blank, and does not end with a full stop (Windows drops
//    trailing blanks and full stops, so the copy would name another folder). A leading
//    full stop is allowed: hidden folders are ordinary here.
// A relative path, "~/x" included, is refused: nothing is resolved against a current folder.
bool IsValidFolderPath(const QString& path);

}  // namespace shell
