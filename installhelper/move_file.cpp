#include "installhelper/move_file.h"

#include <filesystem>

#include "installhelper/file_transfer.h"

namespace tarbolt {

namespace fs = std::filesystem;

bool MoveFileNow(const std::string& existing, const std::string& newName, unsigned flags) {
    try {
        std::error_code ec;
        const fs::path source(existing);
        const fs::file_status sourceStatus = fs::symlink_status(source, ec);
        if (existing.empty() || !fs::exists(sourceStatus)) return false;
        if (newName.empty()) return fs::remove(source, ec) && !ec;

        const fs::path target(newName);
        const bool replace = (flags & kMoveReplaceExisting) != 0;
        const fs::file_status targetStatus = fs::symlink_status(target, ec);
        if (fs::exists(targetStatus)) {
            if (fs::absolute(source).lexically_normal() == fs::absolute(target).lexically_normal()) return true;
            // Another name of the same file: a rename would do nothing and report success,
            // or replace a link by a link to itself.
            if (fs::equivalent(source, target, ec) || !replace || fs::is_directory(targetStatus)) return false;
        }
        bool crossDevice = false;
        if (Rename(source, target, replace, crossDevice)) return true;
        if (!crossDevice || (flags & kMoveCopyAllowed) == 0 || !fs::is_regular_file(sourceStatus)) return false;
        if (!replace && fs::exists(fs::symlink_status(target, ec))) return false;
        return CopyFileReplacing(source, target) && fs::remove(source, ec) && !ec;
    } catch (...) {
        return false;
    }
}

}  // namespace tarbolt
