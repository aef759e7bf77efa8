#pragma once
// The one rule by which the system's own record files are read whole: every record
// before the first blank line is data, blank lines may only end the file, and a
// malformed record, a record cut off by an interrupted write, data after a blank line
// or a failed read means the file is damaged. Each reader of such a file keeps only what
// it does with a record and what it answers for each outcome.

#include "core/foundation/csv_read.h"

enum class RecordWalk {
    kWhole,      // every record was taken and the file ended cleanly
    kRejected,   // onRecord refused a record (its field count, say)
    kDamaged,    // a malformed or torn record, or data after a blank line
    kReadError,  // the file could not be read to its end
};

// Walks `reader` from the record whose ReadLine result `n` the caller already holds
// (pass the first result, or -1 for none) to the end of the file. `onRecord(count)` is
// called for each data record while its fields are readable from `reader`; returning
// false stops the walk with kRejected.
template <typename OnRecord>
RecordWalk WalkRecords(XCsvRead& reader, int n, OnRecord&& onRecord) {
    bool blankSeen = false;
    for (; n != -1; n = reader.ReadLine()) {
        if (n > 0 && !blankSeen) {
            if (!onRecord(n)) return RecordWalk::kRejected;
            continue;
        }
        if (n == 0 && reader.GetLine().empty() && !reader.IsTornRecord()) {
            blankSeen = true;
            continue;
        }
        return RecordWalk::kDamaged;
    }
    return reader.IsReadError() ? RecordWalk::kReadError : RecordWalk::kWhole;
}
