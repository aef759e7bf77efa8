#pragma once
// The recent environments: the descriptor paths of the last five environments opened,
// newest first, kept in the program's ini file ("Quendrel.ini"), section "RECENTENV",
// keys "RECENTENV0" to "RECENTENV4".
//
// Paths are file-system bytes and compared byte for byte (case counts: two paths that
// differ in case are two environments on this file system). The list never holds more
// than five entries nor an empty one.

#include <string>
#include <vector>

namespace shell {

class RecentEnvironments {
public:
    static constexpr int kMaxEntries = 5;

    explicit RecentEnvironments(std::string programIniPath);

    // Replaces the list by the keys RECENTENV0, 1, ... up to the first that is missing or
    // empty (at most five). Returns the number read.
    int Load();
    // Writes one key per entry. 1, or 0 at the first write that fails (also without an
    // ini path).
    int Write();
    // Puts `path` at the head, dropping any equal entry and the sixth entry (memory only).
    void Add(const std::string& path);
    // Drops the first entry equal to `path` and writes the list, the key of the slot that
    // fell free written empty (so a later Load stops there). Nothing when it is not listed.
    void Remove(const std::string& path);

    const std::vector<std::string>& Entries() const { return entries_; }
    const std::string& IniPath() const { return iniPath_; }

private:
    // Writes the entries, then `emptySlots` empty keys after them (within five).
    int WriteSlots(int emptySlots);

    std::string iniPath_;
    std::vector<std::string> entries_;
};

}  // namespace shell
