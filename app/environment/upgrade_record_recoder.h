#pragma once
// Re-coding of the system's record files from one key to another (record_coding.h), as
// the upgrade of an older environment needs it: every file of an unkeyed environment is
// rewritten with the environment's new data key, and some are converted on the way.
//
// RecodeRecordFile streams: one record is read, converted and written at a time, so a
// book of a million records costs the memory of one record. The source is read by the
// one rule of the record files (record_walk.h): a damaged or cut-off record, data after a
// blank line or a read error makes the whole file unreadable, and then nothing is
// written. The target is replaced safely (temporary file renamed over it), so the target
// may be the source itself (a conversion in place); a failure leaves it as it was.
//
// RecodeBytes maps every byte from one coding to the other without reading records: for
// files whose syntax is not the record file's (an append-only progress record that may
// end in a torn record its reader cuts off).

#include <functional>
#include <string>
#include <vector>

namespace shell {

enum class RecodeResult {
    kWritten,     // the target holds every record of the source, in the target's coding
    kAbsent,      // no source file: nothing written
    kUnreadable,  // the source does not read whole: nothing written
    kNotWritten,  // the target could not be written: it keeps what it held
};

// Changes one record's fields in place (may change their number).
using RecordRewrite = std::function<void(std::vector<std::string>& fields)>;

// Copies the records of `source`, coded with `fromKey`, to `target`, coded with `toKey`
// (null keys: the default coding), through `rewrite` when given. Blank lines at the end of
// the source are dropped.
RecodeResult RecodeRecordFile(const std::string& source, const char* fromKey, const std::string& target,
                              const char* toKey, const RecordRewrite& rewrite = {});

// Copies `source` to `target` byte for byte, each byte decoded from `fromKey`'s coding
// and coded with `toKey`'s.
RecodeResult RecodeBytes(const std::string& source, const char* fromKey, const std::string& target,
                         const char* toKey);

}  // namespace shell
