#pragma once
// Folder checks, creation and removal for environment and work folders. None of these
// changes the process's working folder, so they are safe beside worker threads.
// Paths are absolute: they begin with '/', which stands where a drive stood in the old
// layout. Backslashes in a path are taken as separators (see PathFix).

#include <string>
#include <string_view>

// 0 when the path names a folder that can be entered; -1 otherwise. (The old results -2
// and -3, about saving and restoring the working folder, no longer occur.)
int CheckDirectory(std::string_view path);

// Nonzero when the path is acceptable as a folder path: not empty, begins with '/' (or
// '\'), holds no "//", does not end with a blank, and no component between separators
// holds one of : * ? < > | or ends with a blank. Empty components ("a\\b") are allowed.
int CheckDirectoryName(std::string_view path);
inline int CheckDirectoryName(const char* path) {
    return path != nullptr && CheckDirectoryName(std::string_view(path));
}

// Makes the folder and every missing level above it, each for the user alone (0700,
// whatever the umask; levels that existed are left as they are). 0 when the folder exists
// at the end; -1 when a level cannot be made; -2 when CheckDirectoryName refuses the path.
int MakeDirectoryCompel(std::string_view path);

// Removes what the folder holds, and the folder itself when removeTop is nonzero.
//  - Sub-folders whose names begin with "." are kept, at every depth; other sub-folders
//    are removed with their content.
//  - Every other entry is unlinked: a symbolic link is removed as a link and never
//    followed, so nothing outside the tree is touched.
// Results: 0 when everything meant to go is gone; -1 when some entry (or, with removeTop,
// the folder itself) could not be removed - the rest is still removed; -2 when the path is
// refused (empty, not absolute, the root, or itself a symbolic link) or cannot be opened
// as a folder.
int RemoveDirectoryCompel(std::string_view path, int removeTop);

// RemoveDirectoryCompel(path, 0).
int ClearDirectoryCompel(std::string_view path);

// In place: every backslash becomes '/' and doubled separators collapse to one, so paths
// built from formats written with "\\" work unchanged.
void PathFix(std::string& path);
void PathFix(char* path);
