#include "app/environment/upgrade_swap.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "app/environment/upgrade_fault_probe.h"
#include "platform/path.h"
#include "platform/safe_write.h"

namespace shell {
namespace {

constexpr std::string_view kMagic = "quendrel environment upgrade swap";
constexpr std::string_view kPrepare = "prepare";
constexpr std::string_view kSwap = "swap";

std::string FolderOf(const std::string& descriptor) {
    std::string folder = platform::FixPath(descriptor);
    if (folder.size() > 4 && folder.compare(folder.size() - 4, 4, ".env") == 0) folder.resize(folder.size() - 4);
    return folder + "/";
}

bool EntryExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found && !ec;
}

bool RemoveIfPresent(const std::string& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

// Everything written below the folder reaches the disk (one call for the whole file
// system instead of one per file).
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::syncfs(fd);
    ::close(fd);
}

struct Journal {
    std::string state;
    std::vector<std::string> entries;
};

std::string Serialise(std::string_view state, const std::vector<std::string>& entries) {
    std::string text(kMagic);
    text += '\n';
    text += state;
    text += '\n';
    for (const std::string& e : entries) text += e + '\n';
    text += "end " + std::to_string(entries.size()) + '\n';
    return text;
}

// False for a journal that is not whole (never written by Serialise).
bool Parse(const std::string& text, Journal& out) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t nl = text.find('\n', at);
        if (nl == std::string::npos) return false;
        lines.push_back(text.substr(at, nl - at));
        at = nl + 1;
    }
    if (lines.size() < 3 || lines[0] != kMagic) return false;
    out.state = lines[1];
    if (out.state != kPrepare && out.state != kSwap) return false;
    out.entries.assign(lines.begin() + 2, lines.end() - 1);
    if (lines.back() != "end " + std::to_string(out.entries.size())) return false;
    for (const std::string& e : out.entries) {
        if (e == "D") continue;
        if (e.size() < 3 || e.compare(0, 2, "F ") != 0) return false;
        // Only paths below the folder: nothing outside it is ever renamed.
        const std::filesystem::path rel(e.substr(2));
        if (rel.is_absolute()) return false;
        for (const auto& part : rel)
            if (part == "..") return false;
    }
    return true;
}

std::string TargetOf(const std::string& entry, const std::string& descriptor, const std::string& folder) {
    return entry == "D" ? descriptor : folder + entry.substr(2);
}

// Renames every staged file of the journal still waiting over its target. 0, or -1 at the
// first rename that fails (the rest wait for the next try).
int RollForward(const std::vector<std::string>& entries, const std::string& descriptor, const std::string& folder) {
    for (const std::string& entry : entries) {
        const std::string target = TargetOf(entry, descriptor, folder);
        const std::string staged = target + UpgradeSwap::kStagedSuffix;
        if (!EntryExists(staged)) continue;  // replaced before the interruption
        if (UpgradeFaultAt("swap:rename") || std::rename(staged.c_str(), target.c_str()) != 0) return -1;
    }
    return 0;
}

// Removes every staged file below the folder and the staged descriptor (a swap that never
// got to its journal of names). The attachments' work folder holds the user's own files
// and is left alone.
bool RemoveAllStaged(const std::string& descriptor, const std::string& folder) {
    bool ok = RemoveIfPresent(descriptor + UpgradeSwap::kStagedSuffix);
    std::error_code ec;
    const std::filesystem::path work = std::filesystem::path(folder) / "MAIL" / "ATEMP";
    std::filesystem::recursive_directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (it->path() == work) {
            it.disable_recursion_pending();
            continue;
        }
        const std::string name = it->path().filename().string();
        if (name.size() > 4 && name.compare(name.size() - 4, 4, UpgradeSwap::kStagedSuffix) == 0 &&
            it->is_regular_file(ec))
            ok = RemoveIfPresent(it->path().string()) && ok;
    }
    return ok && !ec;
}

}  // namespace

UpgradeSwap::UpgradeSwap(std::string descriptor)
    : descriptor_(platform::FixPath(descriptor)), folder_(FolderOf(descriptor_)) {}

UpgradeSwap::~UpgradeSwap() {
    if (begun_) Abandon();
}

std::string UpgradeSwap::JournalPath(const std::string& descriptor) {
    return FolderOf(descriptor) + "upgrade_swap.jnl";
}

bool UpgradeSwap::EntryOf(const std::string& target, std::string& entry) const {
    const std::string fixed = platform::FixPath(target);
    if (fixed == descriptor_) {
        entry = "D";
        return true;
    }
    if (fixed.size() <= folder_.size() || fixed.compare(0, folder_.size(), folder_) != 0) return false;
    entry = "F " + fixed.substr(folder_.size());
    return true;
}

int UpgradeSwap::Begin() {
    staged_.clear();
    if (!platform::WriteFileAtomically(JournalPath(descriptor_), Serialise(kPrepare, {}), true)) return -1;
    begun_ = true;
    return 0;
}

std::string UpgradeSwap::Stage(const std::string& target) {
    const std::string fixed = platform::FixPath(target);
    const std::string staged = fixed + kStagedSuffix;
    RemoveIfPresent(staged);
    if (!IsStaged(fixed)) staged_.push_back(fixed);
    return staged;
}

void UpgradeSwap::Unstage(const std::string& target) {
    const std::string fixed = platform::FixPath(target);
    RemoveIfPresent(fixed + kStagedSuffix);
    staged_.erase(std::remove(staged_.begin(), staged_.end(), fixed), staged_.end());
}

bool UpgradeSwap::IsStaged(const std::string& target) const {
    return std::find(staged_.begin(), staged_.end(), platform::FixPath(target)) != staged_.end();
}

int UpgradeSwap::Commit() {
    std::vector<std::string> entries;
    for (const std::string& target : staged_) {
        std::string entry;
        if (!EntryOf(target, entry)) {
            Abandon();
            return kRolledBack;
        }
        entries.push_back(entry);
    }
    // The descriptor last: until it is replaced the environment still opens as the old one
    // to any reader that does not know the journal.
    std::stable_partition(entries.begin(), entries.end(), [](const std::string& e) { return e != "D"; });

    SyncFolder(folder_);
    if (UpgradeFaultAt("swap:journal") ||
        !platform::WriteFileAtomically(JournalPath(descriptor_), Serialise(kSwap, entries), true)) {
        Abandon();
        return kRolledBack;
    }
    begun_ = false;  // from here on only forward
    staged_.clear();
    if (RollForward(entries, descriptor_, folder_) != 0) return kInterrupted;
    SyncFolder(folder_);
    if (UpgradeFaultAt("swap:finish")) return kInterrupted;
    RemoveIfPresent(JournalPath(descriptor_));
    return kCommitted;
}

bool UpgradeSwap::Abandon() {
    bool ok = true;
    for (auto it = staged_.rbegin(); it != staged_.rend(); ++it) ok = RemoveIfPresent(*it + kStagedSuffix) && ok;
    staged_.clear();
    begun_ = false;
    if (ok) ok = RemoveIfPresent(JournalPath(descriptor_));
    return ok;
}

int UpgradeSwap::Recover(const std::string& descriptor) {
    const std::string fixed = platform::FixPath(descriptor);
    const std::string folder = FolderOf(fixed);
    const std::string path = JournalPath(fixed);
    if (!EntryExists(path)) return 0;
    std::string text;
    Journal journal;
    if (!platform::ReadWholeFile(path, text) || !Parse(text, journal)) return -1;
    if (journal.state == kPrepare) {
        if (!RemoveAllStaged(fixed, folder)) return -1;
    } else {
        if (RollForward(journal.entries, fixed, folder) != 0) return -1;
        SyncFolder(folder);
    }
    return RemoveIfPresent(path) ? 1 : -1;
}

}  // namespace shell
