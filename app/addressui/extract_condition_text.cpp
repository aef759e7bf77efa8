#include "app/addressui/extract_condition_text.h"

#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/string_utils.h"

namespace addressui {

std::vector<DB_Element_Info> ExtractFieldList(CDatabaseEdit* book) {
    std::vector<DB_Element_Info> fields;
    if (book != nullptr) book->Get_DBElementInfo(fields, kExtractFieldMask);
    return fields;
}

int ExtractFieldEntry(const std::vector<DB_Element_Info>& fields, int element) {
    if (fields.empty()) return -1;
    for (std::size_t k = 0; k < fields.size(); ++k)
        if (fields[k].element == element) return static_cast<int>(k);
    return 0;
}

std::string JoinConditionValues(const std::vector<std::string>& values) {
    std::string joined;
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (k > 0) joined += ',';
        joined += values[k];
    }
    return joined;
}

ConditionTexts DescribeCondition(const OneExtractCondition& condition, const std::vector<DB_Element_Info>& fields) {
    ConditionTexts t;
    if (condition.element == -1) {
        t.field = ui::U8("(未設定)");
        return t;
    }
    t.set = true;
    const int entry = ExtractFieldEntry(fields, condition.element);
    if (entry >= 0) t.field = ui::FromSjis(fields[static_cast<std::size_t>(entry)].name);
    if (condition.kind == "E") {
        t.value = ui::FromSjis(strncpy_mb(JoinConditionValues(condition.values), kConditionShownBytes));
        if (condition.equalFlag == "Y") t.op = ui::U8("を含む");
        else if (condition.equalFlag == "N") t.op = ui::U8("を含まない");
    } else if (condition.kind == "R") {
        t.value = QStringLiteral("\"") + ui::FromSjis(condition.lower) + ui::U8("\" から \"") +
                  ui::FromSjis(condition.upper) + ui::U8("\" の間");
        if (condition.rangeFlag == "Y") t.op = ui::U8("である");
        else if (condition.rangeFlag == "N") t.op = ui::U8("でない");
    }
    return t;
}

}  // namespace addressui
