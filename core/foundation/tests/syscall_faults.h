#pragma once
// Failures of the system calls the stores make, for focused tests of what a store does when
// the disk fails it: read, write, fdatasync, ftruncate and unlink fail on request, a number
// of times, optionally on one file only. They are the counted failures of
// platform/tests/io_faults.h (whose sweep of every call on a folder's files lives beside
// them), through the same interposed functions; any number of a test binary's files may
// include this.

#include <string>

#include "platform/tests/io_faults.h"
#include "platform/tests/io_faults_interpose.h"

namespace syscall_faults {

using Armed = io_faults::Armed;
inline Armed& Read() { return io_faults::CountedOf(io_faults::Counted::kRead); }
inline Armed& Write() { return io_faults::CountedOf(io_faults::Counted::kWrite); }
inline Armed& DataSync() { return io_faults::CountedOf(io_faults::Counted::kDataSync); }
inline Armed& Truncate() { return io_faults::CountedOf(io_faults::Counted::kTruncate); }
inline Armed& Unlink() { return io_faults::CountedOf(io_faults::Counted::kUnlink); }

// Disarms everything when the scope ends, whatever the test did.
struct Scope {
    ~Scope() {
        for (int call = 0; call < static_cast<int>(io_faults::Counted::kCount); ++call)
            io_faults::CountedOf(static_cast<io_faults::Counted>(call)).Disarm();
    }
};

}  // namespace syscall_faults
