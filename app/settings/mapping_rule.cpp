#include "app/settings/mapping_rule.h"

#include <optional>

#include "app/settings/import_wizard_mapping.h"
#include "core/foundation/csv_read.h"
#include "core/foundation/csv_write.h"
#include "platform/path.h"

namespace settings {
namespace {

constexpr const char* kMarkers[4] = {"LINE=KIND1", "LINE=KIND2", "LINE=KIND3", "LINE=KIND4"};

// A column index as the file holds it: decimal digits only, at most 9 of them.
std::optional<int> ParseIndex(std::string_view text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The fields 1 .. n of the current record.
std::vector<std::string> DataFields(const CsvRead& reader) {
    std::vector<std::string> out;
    for (int i = 1; i < reader.GetElementsNumber(); ++i) out.emplace_back(reader.GetDataView(i));
    return out;
}

}  // namespace

bool WriteMappingRule(const std::string& path, const std::vector<std::string>& targetNames,
                      const std::vector<std::string>& labels, const ImportMapping& mapping) {
    CsvWrite writer;
    if (writer.OpenFile(platform::FixPath(path)) != 1) return false;
    std::vector<std::string> lines[4];
    lines[0] = targetNames;
    lines[1] = labels;
    for (int column : mapping.Assignment()) lines[2].push_back(column < 0 ? std::string() : std::to_string(column));
    for (int column : mapping.Pool()) lines[3].push_back(std::to_string(column));
    for (int k = 0; k < 4; ++k) {
        writer.BufferEmpty();
        writer.SetData(std::string_view(kMarkers[k]));
        for (const std::string& field : lines[k]) writer.SetData(std::string_view(field));
        if (writer.WriteLine() <= 0) {
            writer.AbortFile();
            return false;
        }
    }
    return writer.CloseFile() == 0;
}

RuleReadResult ReadMappingRule(const std::string& path, const std::vector<std::string>& targetNames,
                               const std::vector<std::string>& labels, ImportMapping& mapping) {
    CsvRead reader;
    if (reader.OpenFile(platform::FixPath(path)) != 1) return RuleReadResult::kFailed;
    if (reader.ReadLine() < 0) return RuleReadResult::kFailed;
    if (reader.MoveFirst() != 0) return RuleReadResult::kFailed;

    const auto next = [&reader](std::vector<std::string>& fields) {
        if (reader.ReadLine() <= 0) return false;
        fields = DataFields(reader);
        return true;
    };
    std::vector<std::string> fields;
    if (!next(fields) || fields != targetNames) return RuleReadResult::kMismatch;
    if (!next(fields) || fields != labels) return RuleReadResult::kMismatch;
    if (!next(fields) || fields.size() != targetNames.size() ||
        fields.size() != static_cast<std::size_t>(ImportMapping::kTargetCount))
        return RuleReadResult::kMismatch;
    std::vector<int> assignment;
    for (const std::string& field : fields) {
        if (field.empty()) {
            assignment.push_back(-1);
            continue;
        }
        const auto index = ParseIndex(field);
        if (!index) return RuleReadResult::kMismatch;
        assignment.push_back(*index);
    }
    if (!next(fields)) return RuleReadResult::kMismatch;
    std::vector<int> pool;
    for (const std::string& field : fields) {
        const auto index = ParseIndex(field);
        if (!index) return RuleReadResult::kMismatch;
        pool.push_back(*index);
    }
    reader.CloseFile();
    ImportMapping loaded = mapping;
    if (!loaded.Adopt(static_cast<int>(labels.size()), assignment, std::move(pool))) return RuleReadResult::kMismatch;
    mapping = std::move(loaded);
    return RuleReadResult::kApplied;
}

}  // namespace settings
