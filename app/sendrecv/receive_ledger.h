#pragma once
// ReceiveLedger: what the receive runs have applied, so that a message is applied once
// however a run ends.
//
// Why: a receive run changes several files for one batch of messages - send histories,
// recipient lists, the mail list, the registration and refusal lists (the address book's
// changes go to its own journal just before the commit below) - and only then may the
// server delete the messages. A run killed half-way through those
// saves would leave some files changed and others not, and the next run, finding the
// messages still on the server, would count a bounce twice in one file and once in
// another. So a batch is saved in three steps:
//   1. stage: every changed file is written beside itself as "<file>.rcv" - whole, or,
//      for a send history's progress record "hist<id>.jnl", only the records to append
//      to it (a history of a million rows is not rewritten for a few thousand replies);
//   2. commit: one record naming the batch's messages (their unique ids) and files is
//      appended here and flushed to the disk - from now on the batch counts as applied;
//   3. install: each staged file is renamed over its file, or appended to it (a
//      history's progress record "hist<id>.jnl", which a staged whole history already
//      holds, is removed after it).
// A crash before the commit leaves the files as they were (the staged copies are removed
// by the next Recover) and the messages on the server, to be applied by the next run; a
// crash after it is finished by the next Recover. The messages of a committed batch are
// never applied again: the run skips them (and deletes them when it deletes what it
// handled), also when the server kept them because the logout failed.
//
// Recover must run before anything else writes those files: at the open of the
// environment, and again at the start of every receive run. If a file was written after
// its copy was staged (or its progress record appended to), the staged copy is stale and
// is dropped instead of installed, so a later save is never undone. An append knows the
// size its file had when it was staged: a file of that size gets it, one that already
// ends with it (a crash after the append) is left as it is, any other is newer work.
//
// File "DB/receive.jnl" in the environment folder, lines of text (paths relative to the
// environment folder, unique ids as the server gives them):
//   A <account>                  the account the ids below belong to
//   U <uid>                      a message whose changes are applied
//   X <uid>                      fetching this message broke the connection once
//   P <n> / T <file>\t<remove>[\t+<size>] / Q <n>   batch n is being staged (+: append
//                                                at <size>)
//   C <n> / U <uid>... / T ... / E <n>          batch n is committed
//   I <n>                        batch n is installed
// Each record is appended with one write; a record whose end line is missing (a torn
// tail) counts as never written. Prune rewrites the file safely with only the account and
// the ids still on the server.
//
// A symbolic link in the ledger's place is neither read nor appended to (refused and
// reported, platform/private_files.h): the ledger cannot be read then.
//
// A committed batch that could not be installed (a full disk, an I/O error) keeps its
// staged copies, and the stores a later batch is made from may lack its changes: staging
// that batch would write over those copies (the same "<file>.rcv") and lose the earlier
// batch for good, though its messages count as applied. So no batch is prepared while one
// waits to be installed: the next Recover installs it first.
//
// Results: 0 for success, -1 when the ledger cannot be read or written, -2 when a staged
// file cannot be installed (the batch stays committed and Recover tries again; FailedFile
// and FailedError say which file and why) or a batch is refused while one waits. One
// object is used by one thread; one run uses the ledger at a time.

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

class ReceiveLedger {
public:
    static constexpr std::uint64_t kReplace = ~std::uint64_t{0};
    // A file of a batch. Its staged copy is StagedPath(path).
    struct Target {
        std::string path;        // the file
        std::string alsoRemove;  // removed once the file is replaced (may be empty)
        // kReplace: the staged copy replaces the file; else the staged bytes are appended
        // to the file, whose size was this when they were staged.
        std::uint64_t appendAt = kReplace;
    };

    // The ledger of the environment folder `envFolder` (ending in '/').
    explicit ReceiveLedger(std::string envFolder);

    static std::string StagedPath(const std::string& target) { return target + ".rcv"; }
    const std::string& Path() const { return path_; }

    // Reads the ledger and finishes what an interrupted run left (see above); the files it
    // replaced are added to *installed when given.
    [[nodiscard]] int Recover(std::vector<std::string>* installed = nullptr);
    bool IsApplied(const std::string& uid) const { return applied_.count(uid) != 0; }
    bool FailedBefore(const std::string& uid) const { return failed_.count(uid) != 0; }
    const std::unordered_set<std::string>& Applied() const { return applied_; }
    const std::unordered_set<std::string>& FailedFetches() const { return failed_; }

    // Keeps only the ids of `onServer` for `account`; every id when the account differs
    // from the one recorded (ids are unique only within one mailbox). Rewrites the file
    // when that changes it, but never while a committed batch waits to be installed.
    [[nodiscard]] int Prune(const std::string& account, const std::vector<std::string>& onServer);
    // Records that fetching `uid` broke the connection.
    [[nodiscard]] int NoteFailedFetch(const std::string& uid);

    // Step 1, before the targets are staged: records them, so that the copies of a batch
    // that is never committed are removed by the next Recover. -2 (nothing recorded, nothing
    // to stage) while a committed batch waits to be installed.
    [[nodiscard]] int Prepare(const std::vector<Target>& targets);
    // Step 2: flushes the staged copies to the disk, then appends and flushes the commit
    // record of `uids` and the prepared targets.
    [[nodiscard]] int Commit(const std::vector<std::string>& uids);
    // Step 3: installs the committed batch.
    [[nodiscard]] int Install();
    // Gives up the prepared batch: its staged copies are removed.
    void Abandon();
    // A committed batch waits to be installed (its install, or the last Recover's, failed).
    bool InstallPending() const { return installPending_; }
    // The file whose install failed last (relative to the environment folder) and the
    // system's reason (errno); empty and 0 when none failed.
    const std::string& FailedFile() const { return failedFile_; }
    int FailedError() const { return failedError_; }

private:
    struct Batch {
        int number = 0;
        std::vector<Target> targets;
        std::vector<std::string> uids;
    };
    // How far an append goes to the disk: not flushed; flushed where it can be (a failed
    // flush is let pass); or flushed, or else taken back and reported failed.
    enum class Flush { kNone, kTry, kMust };
    int Append(const std::string& record, Flush flush);
    int InstallBatch(const Batch& batch, bool checkStale, std::vector<std::string>* installed);
    // Appends the staged bytes of `target` to its file (see above): 0, or -2 with errno set.
    static int InstallAppend(const Target& target);
    // Notes the first failure of an install: the file and errno.
    void NoteFailure(const std::string& path, int error);
    std::string Relative(const std::string& path) const;
    std::string Absolute(const std::string& relative) const;
    void AppendTargets(std::string& record, const std::vector<Target>& targets) const;

    std::string envFolder_;
    std::string path_;
    std::string account_;
    std::unordered_set<std::string> applied_;
    std::unordered_set<std::string> failed_;
    int lastNumber_ = 0;
    Batch prepared_;
    bool hasPrepared_ = false;
    bool hasCommitted_ = false;
    bool installPending_ = false;  // a committed batch could not be installed yet
    std::string failedFile_;
    int failedError_ = 0;
};
