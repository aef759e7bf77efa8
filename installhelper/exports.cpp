// The exported functions of libtarbolt.so (tarbolt.h) and what the library does when it is
// loaded. Each export is a thin shell over the library's own parts and lets no exception
// out through the C interface.

#include "installhelper/tarbolt.h"

#include <atomic>
#include <string>

#include "installhelper/file_attributes.h"
#include "installhelper/move_file.h"
#include "installhelper/pending_moves.h"
#include "installhelper/shell_file_operation.h"

namespace {

// Atomic, though the interface promises no locking: installers may call from any thread.
std::atomic<int> g_debugLevel{0};

// On load: carry out the moves put off until the next start (pending_moves.h).
__attribute__((constructor)) void OnLoad() {
    try {
        tarbolt::ApplyPendingMoves(tarbolt::PendingMovesPath());
    } catch (...) {
    }
}

int RunShellOperation(tarbolt::FileOp operation, void* window, const char* from, const char* to, unsigned int flags,
                      int aborted, const char* progressTitle) {
    tarbolt::ShellFileOpRecord record;
    record.window = window;
    record.operation = operation;
    record.from = from;
    record.to = to;
    record.flags = static_cast<std::uint16_t>(flags & 0xFFFFu);
    record.anyOperationsAborted = aborted;
    record.progressTitle = progressTitle;
    // What the operation sets in the record's aborted flag stays here.
    return tarbolt::ShellFileOperation(record) == tarbolt::FileOpStatus::kOk ? 1 : 0;
}

}  // namespace

extern "C" {

TARBOLT_API int SetDebugLevel(int level) { return g_debugLevel.exchange(level); }

TARBOLT_API int GetDebugLevel(void) { return g_debugLevel.load(); }

TARBOLT_API int SHFileCopy(void* window, const char* from, const char* to, unsigned int flags, int aborted,
                           const char* progressTitle) {
    return RunShellOperation(tarbolt::FileOp::kCopy, window, from, to, flags, aborted, progressTitle);
}

TARBOLT_API int SHFileDelete(void* window, const char* from, const char* to, unsigned int flags, int aborted,
                             const char* progressTitle) {
    return RunShellOperation(tarbolt::FileOp::kDelete, window, from, to, flags, aborted, progressTitle);
}

TARBOLT_API int SHFileMove(void* window, const char* from, const char* to, unsigned int flags, int aborted,
                           const char* progressTitle) {
    return RunShellOperation(tarbolt::FileOp::kMove, window, from, to, flags, aborted, progressTitle);
}

TARBOLT_API int SHFileRename(void* window, const char* from, const char* to, unsigned int flags, int aborted,
                             const char* progressTitle) {
    return RunShellOperation(tarbolt::FileOp::kRename, window, from, to, flags, aborted, progressTitle);
}

TARBOLT_API int setFileAttributes(const char* fileName, unsigned int attributes) {
    return tarbolt::SetAttributes(fileName, attributes) ? 1 : 0;
}

TARBOLT_API int getFileAttributes(const char* fileName) {
    return static_cast<int>(tarbolt::GetAttributes(fileName));
}

TARBOLT_API int moveFileEx(const char* existingName, const char* newName, unsigned int flags) {
    if (existingName == nullptr || existingName[0] == '\0') return 0;
    try {
        const std::string target = newName != nullptr ? newName : "";
        if (flags & tarbolt::kMoveDelayUntilReboot) {
            if (flags & tarbolt::kMoveCopyAllowed) return 0;
            return tarbolt::RecordPendingMove(existingName, target, (flags & tarbolt::kMoveReplaceExisting) != 0) ? 1 : 0;
        }
        if (target.empty()) return 0;  // a deletion waits for the next start only
        return tarbolt::MoveFileNow(existingName, target, flags) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
