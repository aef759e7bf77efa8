#pragma once
// ShellFileOperation: copy, move, delete and rename over the shell's name lists, as the
// exported SHFile* functions hand them over in one record. The rules (wildcards, where a
// target goes, the checks made before anything changes, the flags) are those of
// tarbolt.h; this is their one implementation.

#include <cstdint>

namespace tarbolt {

enum class FileOp : unsigned { kMove = 1, kCopy = 2, kDelete = 3, kRename = 4 };

// The operation record, filled from zero and then from the caller's arguments.
struct ShellFileOpRecord {
    void* window = nullptr;                   // not used: there is no window
    FileOp operation = FileOp::kCopy;
    const char* from = nullptr;               // name list
    const char* to = nullptr;                 // name list (not used by delete)
    std::uint16_t flags = 0;
    int anyOperationsAborted = 0;             // set when the operation stopped part-way
    void* nameMappings = nullptr;             // always none
    const char* progressTitle = nullptr;      // not used
};

// Why an operation failed; kOk (0) on success.
enum class FileOpStatus : int {
    kOk = 0,
    kBadRequest,      // no source, a bad target list, a wildcard where none may stand,
                      // the root folder or "."/".." as a source, an unknown operation
    kSourceMissing,   // a source name, or a wildcard's folder, does not exist
    kSameFile,        // a copy or move onto the source itself
    kIntoItself,      // a folder copied or moved into itself
    kTargetExists,    // a rename onto an existing name
    kWrongType,       // a folder onto a file, or a file onto a folder
    kFailed,          // a file-system call failed while the operation ran
};

// Runs the operation; throws nothing. On a failure found by the checks nothing has changed.
FileOpStatus ShellFileOperation(ShellFileOpRecord& record);

}  // namespace tarbolt
