// Classifying an extraction file that loaded no record.
#include "core/addressbook/extract_files.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/path.h"

UnloadedFile ClassifyUnloadedFile(const std::string& path) {
    struct stat st;
    if (::stat(platform::FixPath(path).c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? UnloadedFile::kMissing : UnloadedFile::kUnreadable;
    if (S_ISREG(st.st_mode) && st.st_size == 0) return UnloadedFile::kEmpty;
    return UnloadedFile::kUnreadable;
}
