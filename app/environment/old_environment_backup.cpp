#include "app/environment/old_environment_backup.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "app/environment/environment_lock.h"
#include "app/environment/upgrade_fault_probe.h"
#include "platform/private_files.h"

namespace shell {

const char* const kOldEnvironmentBackupFolder = "旧環境バックアップ";

namespace {

namespace fs = std::filesystem;

// Copies a file of the environment; the copy is the user's alone, whatever the original's
// mode.
bool CopyPrivately(const fs::path& from, const fs::path& to, std::error_code& ec) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (!ec && !platform::NarrowToOwner(to.string())) ec = std::error_code(errno, std::generic_category());
    return !ec;
}

bool MakeFolder(const fs::path& folder, std::error_code& ec) {
    ec.clear();
    if (!platform::MakePrivateFolders(folder.string())) ec = std::error_code(errno, std::generic_category());
    return !ec;
}

// Copies the tree below `from` into `to` (made first), all but the environment's lock (the
// program's, not the environment's data). False at the first failure.
bool CopyTree(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (!MakeFolder(to, ec)) return false;
    const fs::path lock = from / kEnvironmentLockFile;
    fs::recursive_directory_iterator it(from, fs::directory_options::none, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (it->path() == lock) continue;
        const fs::path target = to / it->path().lexically_relative(from);
        const fs::file_type type = it->symlink_status(ec).type();
        if (ec) return false;
        if (type == fs::file_type::directory) {
            MakeFolder(target, ec);
        } else if (type == fs::file_type::regular) {
            CopyPrivately(it->path(), target, ec);
        } else if (type == fs::file_type::symlink) {
            fs::copy_symlink(it->path(), target, ec);
        }
        if (ec || UpgradeFaultAt("backup:copy")) return false;
    }
    return !ec;
}

}  // namespace

int MakeOldEnvironmentBackup(const std::string& rootGiven, const std::string& name, int& errCode) {
    std::error_code ec;
    const fs::path root(rootGiven);
    const fs::path envFolder = root / name;
    if (!fs::is_directory(root, ec) || !fs::is_directory(envFolder, ec)) {
        errCode = 9003;
        return -1;
    }
    const fs::path backups = root / kOldEnvironmentBackupFolder;
    const fs::path done = backups / name;
    if (fs::exists(fs::symlink_status(done, ec))) return 0;  // made once, never again

    const fs::path staging = backups / ("." + name + ".partial");
    fs::remove_all(staging, ec);
    // The backups hold whole environments, stored passwords included: the user's alone.
    if (!MakeFolder(staging, ec)) {
        errCode = 8010;
        return -1;
    }
    const fs::path descriptor = root / (name + ".env");
    const fs::path descriptorCopy = backups / (name + ".env");
    bool ok = CopyTree(envFolder, staging / name);
    if (ok && !fs::exists(fs::symlink_status(descriptorCopy, ec)) && fs::exists(descriptor, ec)) {
        CopyPrivately(descriptor, staging / (name + ".env"), ec);
        if (!ec) fs::rename(staging / (name + ".env"), descriptorCopy, ec);
        ok = !ec;
    }
    if (ok) {
        fs::rename(staging / name, done, ec);
        ok = !ec;
    }
    fs::remove_all(staging, ec);
    if (!ok) {
        errCode = 8010;
        return -1;
    }
    return 0;
}

}  // namespace shell
