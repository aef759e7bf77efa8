#include "app/environment/recent_environments.h"

#include <algorithm>

#include "core/foundation/ini_manager.h"

namespace shell {
namespace {

constexpr const char* kRecentSection = "RECENTENV";

std::string Key(int slot) { return "RECENTENV" + std::to_string(slot); }

}  // namespace

RecentEnvironments::RecentEnvironments(std::string programIniPath) : iniPath_(std::move(programIniPath)) {}

int RecentEnvironments::Load() {
    entries_.clear();
    if (iniPath_.empty()) return 0;
    for (int slot = 0; slot < kMaxEntries; ++slot) {
        std::string path;
        if (CIniManager::GetProfileStringA(iniPath_, kRecentSection, Key(slot), path, "") == 0 || path.empty()) break;
        entries_.push_back(std::move(path));
    }
    return static_cast<int>(entries_.size());
}

int RecentEnvironments::Write() { return WriteSlots(0); }

int RecentEnvironments::WriteSlots(int emptySlots) {
    if (iniPath_.empty()) return 0;
    const int listed = static_cast<int>(entries_.size());
    const int slotCount = std::min(kMaxEntries, listed + emptySlots);
    for (int slot = 0; slot < slotCount; ++slot) {
        const char* text = slot < listed ? entries_[static_cast<std::size_t>(slot)].c_str() : "";
        if (CIniManager::WriteProfileStringA(iniPath_, kRecentSection, Key(slot).c_str(), text) == 0) return 0;
    }
    return 1;
}

void RecentEnvironments::Add(const std::string& path) {
    if (path.empty()) return;
    std::erase(entries_, path);
    entries_.insert(entries_.begin(), path);
    if (entries_.size() > static_cast<std::size_t>(kMaxEntries)) entries_.resize(kMaxEntries);
}

void RecentEnvironments::Remove(const std::string& path) {
    const auto at = std::find(entries_.begin(), entries_.end(), path);
    if (at == entries_.end()) return;
    entries_.erase(at);
    WriteSlots(1);
}

}  // namespace shell
