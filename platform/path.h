#pragma once
// Path helpers. Paths that the stores build from formats written for a backslash
// platform ("%s%s\\DB\\database.dat") are fixed once with FixPath: every backslash becomes
// '/', then doubled separators collapse. A leading '/' plays the part of a drive. No
// helper here changes the process's working folder.

#include <string>
#include <string_view>

namespace platform {

// Backslashes to '/', then runs of '/' collapsed to one.
std::string FixPath(std::string_view path);

// A path taken apart like the C library's drive/dir/name/ext split:
//   "/home/u/env/a.b.dat" -> root "/", dir "home/u/env/", title "a.b", ext ".dat".
// root is "/" for an absolute path and "" for a relative one; dir ends in '/' when not
// empty; ext is the last dot and what follows it in the last component (a leading dot of
// a hidden file is part of the title).
struct PathParts {
    std::string root;
    std::string dir;
    std::string title;
    std::string ext;
};
PathParts SplitPath(std::string_view path);

// The folder part with its trailing '/' ("/a/b/c.txt" -> "/a/b/"; "c.txt" -> "").
std::string FolderOf(std::string_view path);
// The last component ("/a/b/c.txt" -> "c.txt").
std::string FileNameOf(std::string_view path);
// Joins with exactly one '/' between the parts.
std::string JoinPath(std::string_view a, std::string_view b);

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);

}  // namespace platform
