#pragma once
// The mapping-rule file: the CSV import wizard's column assignment saved for files of the
// same layout ("*.tpl", or ".txt"). Four records of quoted CSV (every field in double
// quotes, inner quotes doubled, CR LF), Shift_JIS; field 0 of each is a marker the reader
// does not check:
//   "LINE=KIND1", the target item names (36, as shown when saved)
//   "LINE=KIND2", the source column labels of the import file
//   "LINE=KIND3", per target the assigned column in decimal, or "" for none
//   "LINE=KIND4", the free pool in ascending order (the marker alone when it is empty)
//
// Writing goes through the safe writer: a failure leaves an older file of that name as it
// was. Reading changes nothing until the whole file has been read and checked; a rule
// applies only to the same targets and the same labels, compared byte for byte.
//
// What a reader refuses as a mismatch (besides other names or labels and wrong counts):
// an index that is not plain decimal digits, an empty pool entry, an index outside the
// columns, an index used twice, and an assignment and pool that do not together hold
// every column. A hand-edited file can therefore never point the import or the preview at
// a column that does not exist.

#include <string>
#include <vector>

namespace settings {

class ImportMapping;

enum class RuleReadResult {
    kApplied,   // the mapping now holds the file's assignment and pool
    kMismatch,  // the file does not fit the targets and labels (mapping unchanged)
    kFailed     // the file cannot be opened or holds no record (mapping unchanged)
};

// Writes the rule of `mapping` for `targetNames` and `labels` to `path`. True on success.
bool WriteMappingRule(const std::string& path, const std::vector<std::string>& targetNames,
                      const std::vector<std::string>& labels, const ImportMapping& mapping);

// Reads the rule at `path` into `mapping` when it fits `targetNames` and `labels`.
RuleReadResult ReadMappingRule(const std::string& path, const std::vector<std::string>& targetNames,
                               const std::vector<std::string>& labels, ImportMapping& mapping);

}  // namespace settings
