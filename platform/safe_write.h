#pragma once
// Whole-file replacement that never leaves a torn file: the new content goes to a
// temporary file in the same folder, is flushed (and fsync'ed when asked), and is then
// renamed over the target. On any failure the target is untouched and the temporary
// removed. Every store's whole-file save goes through this.
//
// Modes (private_files.h): a file is the user's alone (0600) unless the caller asks for
// FileAccess::kUmask; a private save that replaces a file others could read leaves the new
// file without their permissions, a kUmask save keeps the replaced file's mode.
//
// The temporary is ".<target name>.tmp<pid>_<n>" beside the target. A process killed
// while it writes leaves its temporary behind; every Open removes the temporaries of the
// same target whose writer is no longer running (RemoveStaleTemporaries), so killed saves
// never pile up. Temporaries of a live process, this one included, are never touched.

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "platform/private_files.h"

namespace platform {

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();  // an uncommitted file is discarded
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Removes the stale temporaries of `target`, then opens a temporary file beside it for
    // binary writing, with the access given. False (errno set) on failure.
    bool Open(const std::string& target, FileAccess access = FileAccess::kOwner);
    FILE* stream() const { return fp_; }
    bool is_open() const { return fp_ != nullptr; }
    bool Write(std::string_view bytes);

    // Flushes, optionally fsyncs, and renames over the target (keeping the old file's mode,
    // less the group and other bits for a private file).
    // False when any step failed; the target then keeps its old content.
    bool Commit(bool sync = false);
    // Drops the temporary file; the target keeps its old content.
    void Abort();

    // Called by Commit once the new content is complete in the temporary file (flushed,
    // and synced when asked) and just before it is renamed over the target, with the
    // temporary's path: the place for an owner to record on the disk which content is
    // about to replace the target (a journal that may outlive the replacement must be
    // able to tell which file it extends). It cannot stop the commit.
    using BeforeReplace = std::function<void(const std::string& temp)>;
    void SetBeforeReplace(BeforeReplace hook) { beforeReplace_ = std::move(hook); }

    // Tests: make the next Commit fail after writing, to prove that a failed save keeps the
    // old file. Process-wide, cleared after it fires once.
    static void FailNextCommitForTesting();

private:
    std::string target_;
    std::string temp_;
    FILE* fp_ = nullptr;
    FileAccess access_ = FileAccess::kOwner;
    bool failed_ = false;
    BeforeReplace beforeReplace_;
};

// One-call form: replaces `path` with `bytes`. False on failure (old file untouched).
bool WriteFileAtomically(const std::string& path, std::string_view bytes, bool sync = false,
                         FileAccess access = FileAccess::kOwner);

// Reads a whole file of the program's own into `out`, opened by OpenPrivateFile (a link,
// a FIFO, another user's file... is refused, private_files.h). False (errno set) when it
// cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& out);
// The same for a file the user named (OpenNamedFile: as named, only never waiting).
bool ReadNamedFile(const std::string& path, std::string& out);

// Removes the temporaries that safe writes of `target` left when their process died: the
// files ".<target name>.tmp<pid>_<n>" in the target's folder whose <pid> names no running
// process. Returns how many were removed. Stores call it when they open a file; AtomicFile
// calls it on every Open.
int RemoveStaleTemporaries(const std::string& target);

// Crash tests: a hook called at each step of a store's multi-file update (the commit of
// every safe write, each rename of an update or a rotation), so that a test can kill a
// child process exactly there. Process-wide; null switches it off.
using StepHook = void (*)(const char* step);
void SetStepHookForTesting(StepHook hook);
// Calls the hook, when one is set, with the name of the step about to happen.
void TestStep(const char* step);

}  // namespace platform
