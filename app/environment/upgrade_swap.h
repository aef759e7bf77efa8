#pragma once
// UpgradeSwap: replaces a set of an environment's files at once, as far as a crash, a
// killed process or a failed rename is concerned. The upgrade writes the new form of
// every file beside the old one ("<file>.cov"), and only when all of them are written
// are they renamed over the old files. A journal in the environment folder
// ("upgrade_swap.jnl") says how far that went, and the next open of the environment
// (Recover, before anything of it is read) finishes what it says:
//   no journal                 nothing is under way;
//   "prepare" (Begin)          new files were being written and none has replaced an old
//                              one: the ".cov" files are removed (roll back), the old
//                              files are all there and untouched;
//   "swap" (Commit)            every new file was written and flushed to the disk before
//                              the journal named them: each one still waiting is renamed
//                              over its old file (roll forward).
// The journal is itself replaced atomically, so it is always one of these states.
//
// Targets are the environment's descriptor "<root>/<name>.env" and files below its folder
// "<root>/<name>/"; a target that did not exist before (a new file) is simply created by
// its rename. Names are stored relative to the folder, so the journal needs no absolute
// path. The work folder of attachments (MAIL/ATEMP) is never touched by the roll back.
//
// Renames replace the target in one step (rename(2)), so every file is at all times
// either its old or its new form, never missing and never torn.

#include <string>
#include <vector>

namespace shell {

class UpgradeSwap {
public:
    // Results of Commit.
    enum : int {
        kCommitted = 0,
        kRolledBack = -1,   // failed before any file was replaced: all is as before
        kInterrupted = -2,  // failed while replacing: the journal stays, the next open finishes
    };

    // `descriptor`: "<root>/<name>.env".
    explicit UpgradeSwap(std::string descriptor);
    // A swap that was begun and neither committed nor interrupted is rolled back.
    ~UpgradeSwap();
    UpgradeSwap(const UpgradeSwap&) = delete;
    UpgradeSwap& operator=(const UpgradeSwap&) = delete;

    // Writes the "prepare" journal: 0, or -1 when it cannot be written.
    int Begin();
    // The file to write the new form of `target` to ("<target>.cov"), emptied of any
    // earlier content; the target takes part in the swap from now on.
    std::string Stage(const std::string& target);
    // Takes `target` out of the swap again, removing what was staged for it.
    void Unstage(const std::string& target);
    bool IsStaged(const std::string& target) const;
    std::size_t StagedCount() const { return staged_.size(); }

    // Flushes the staged files to the disk, writes the "swap" journal, renames every
    // staged file over its target, then removes the journal. Results above.
    int Commit();
    // Removes every staged file and the journal (the old files were never touched).
    // False when something could not be removed: the "prepare" journal then stays, and
    // the next open removes the rest.
    bool Abandon();

    // Run by the open before the descriptor is read: 0 when no swap was under way; 1 when
    // an interrupted one was finished or rolled back; -1 when that failed (the journal
    // stays, the environment must not be opened now; a later open tries again).
    static int Recover(const std::string& descriptor);
    // "<root>/<name>/upgrade_swap.jnl".
    static std::string JournalPath(const std::string& descriptor);
    static constexpr const char* kStagedSuffix = ".cov";

private:
    // The name a target has in the journal ("D" or "F <path below the folder>").
    bool EntryOf(const std::string& target, std::string& entry) const;

    std::string descriptor_;
    std::string folder_;  // "<root>/<name>/"
    std::vector<std::string> staged_;
    bool begun_ = false;
};

}  // namespace shell
