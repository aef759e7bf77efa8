#include "app/environment/environment_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/path.h"

namespace shell {
namespace {

// The first entry of `folder` (ending in '/') that is a file and cannot be read; a folder
// that exists but cannot be listed is itself the answer.
UnreadableFile FirstUnreadableIn(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        if (errno == ENOENT || errno == ENOTDIR) return {};
        return {folder, errno};
    }
    UnreadableFile found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = folder + name;
        if (entry->d_type == DT_UNKNOWN) {
            // A file system that does not say: asked (a file gone meanwhile is passed over).
            struct stat st {};
            if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        } else if (entry->d_type != DT_REG) {
            continue;
        }
        if (const int error = ReadError(path)) {
            found = {path, error};
            break;
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace

int ReadError(const std::string& path) {
    // Non-blocking and not through a link: an open that only asks must not wait or wander.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return 0;
    }
    // What is not there is for the steps of the open to find; a link is the opener's to refuse.
    return errno == ENOENT || errno == ELOOP ? 0 : errno;
}

UnreadableFile FindUnreadableFile(const std::string& descriptor) {
    const std::string path = platform::FixPath(descriptor);
    if (const int error = ReadError(path)) return {path, error};
    const platform::PathParts parts = platform::SplitPath(path);
    const std::string folder = parts.root + parts.dir + parts.title + "/";
    for (const char* sub : {"", "DB/", "MAIL/", "EXTRACT/"})
        if (UnreadableFile found = FirstUnreadableIn(folder + sub)) return found;
    return {};
}

}  // namespace shell
