#include "installhelper/file_transfer.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace tarbolt {

namespace fs = std::filesystem;

bool CopyFileReplacing(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(to, ec))) return false;
    const fs::path folder = to.has_parent_path() ? to.parent_path() : fs::path(".");
    // Not named after the target: a name near the length limit leaves no room for more.
    std::string temp = (folder / ".tarbolt-copy-XXXXXX").string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    ::close(fd);
    const bool copied = fs::copy_file(from, temp, fs::copy_options::overwrite_existing, ec) && !ec;
    if (!copied || ::rename(temp.c_str(), to.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

bool CopyTree(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    const fs::file_status target = fs::symlink_status(to, ec);
    if (!fs::exists(target)) {
        if (!fs::create_directory(to, from, ec) || ec) return false;
    } else if (!fs::is_directory(target)) {
        return false;
    }
    fs::directory_iterator it(from, ec);
    if (ec) return false;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) return false;
        const fs::path source = it->path();
        const fs::path copy = to / source.filename();
        const fs::file_status kind = it->symlink_status(ec);
        if (ec) return false;
        if (fs::is_symlink(kind)) {
            if (fs::is_directory(fs::symlink_status(copy, ec))) return false;
            fs::remove(copy, ec);
            fs::copy_symlink(source, copy, ec);
            if (ec) return false;
        } else if (fs::is_directory(kind)) {
            if (!CopyTree(source, copy)) return false;
        } else if (fs::is_regular_file(kind)) {
            if (!CopyFileReplacing(source, copy)) return false;
        }
    }
    return !ec;
}

bool Rename(const fs::path& from, const fs::path& to, bool replace, bool& crossDevice) {
    crossDevice = false;
    int result;
    if (replace) {
        result = ::rename(from.c_str(), to.c_str());
    } else {
        result = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the no-replace rename: check, then rename.
            std::error_code ec;
            if (fs::exists(fs::symlink_status(to, ec))) {
                errno = EEXIST;
                return false;
            }
            result = ::rename(from.c_str(), to.c_str());
        }
    }
    if (result != 0 && errno == EXDEV) crossDevice = true;
    return result == 0;
}

bool MoveEntry(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    const fs::file_status source = fs::symlink_status(from, ec);
    const fs::file_status target = fs::symlink_status(to, ec);
    if (!fs::exists(source)) return false;
    const bool sourceIsFolder = fs::is_directory(source);
    if (fs::exists(target) && fs::is_directory(target) != sourceIsFolder) return false;

    if (sourceIsFolder && fs::exists(target)) {
        // Merge: every entry moves on its own, then the emptied folder goes.
        fs::directory_iterator it(from, ec);
        if (ec) return false;
        for (; it != fs::directory_iterator(); it.increment(ec)) {
            if (ec || !MoveEntry(it->path(), to / it->path().filename())) return false;
        }
        return !ec && fs::remove(from, ec) && !ec;
    }

    bool crossDevice = false;
    if (Rename(from, to, true, crossDevice)) return true;
    if (!crossDevice) return false;
    if (fs::is_symlink(source)) {
        fs::remove(to, ec);
        fs::copy_symlink(from, to, ec);
        return !ec && fs::remove(from, ec) && !ec;
    }
    if (sourceIsFolder) return CopyTree(from, to) && fs::remove_all(from, ec) != static_cast<std::uintmax_t>(-1) && !ec;
    return CopyFileReplacing(from, to) && fs::remove(from, ec) && !ec;
}

bool IsSameOrInside(const fs::path& inner, const fs::path& outer) {
    std::error_code ec;
    std::string in = fs::weakly_canonical(fs::absolute(inner, ec), ec).string();
    if (ec) return false;
    std::string out = fs::weakly_canonical(fs::absolute(outer, ec), ec).string();
    if (ec) return false;
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    while (in.size() > 1 && in.back() == '/') in.pop_back();
    if (out == "/") return true;
    return in == out || (in.size() > out.size() && in.compare(0, out.size(), out) == 0 && in[out.size()] == '/');
}

}  // namespace tarbolt
