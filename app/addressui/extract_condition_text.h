#pragma once
// What the extraction wizard's condition pages and condition dialog share, without
// widgets: the fields a condition may test, and how a stored condition reads on a page.
//
// The field list is one list for every page and the dialog, in element order: ID, mail
// address, names and kana, company, department, birth date, postal code, prefecture,
// city, street, phone, fax, mobile, extension items A-T, registration and update date
// (kExtractFieldMask). Each entry carries the field's display name and data type, so the
// dialog orders a range's bounds by the type the address book gives the field.
//
// A page shows a condition in three texts:
//  - the field's display name, or "(未設定)" for a condition that is off; a stored element
//    that no entry has shows the first entry's name, as the page always did;
//  - the values joined by "," cut to their first 5000 bytes on a character boundary (the
//    stored condition is never cut), or a range as "\"lower\" から \"upper\" の間";
//  - the operator: "を含む"/"を含まない" or "である"/"でない" by the condition's flag. A flag
//    the dialog never writes leaves the operator text as it was.

#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/addressbook/extract_action.h"
#include "core/addressbook/one_customer.h"

class CDatabaseEdit;

namespace addressui {

// Elements 0-9, 11, 12, 13, 15, 17, 19, 28-47, 54 and 55.
inline constexpr const char* kExtractFieldMask = "11111111110111010101000000001111111111111111111100000011";
// Bytes of a value list a page shows; the condition itself may hold up to kConditionMaxBytes.
inline constexpr std::size_t kConditionShownBytes = 5000;
inline constexpr std::size_t kConditionMaxBytes = 30000;

// The field list of `book` (empty without one). A field whose descriptor cannot be read
// leaves the others listed.
std::vector<DB_Element_Info> ExtractFieldList(CDatabaseEdit* book);

// The entry of `fields` that tests `element`; the first entry when none does; -1 for an
// empty list.
int ExtractFieldEntry(const std::vector<DB_Element_Info>& fields, int element);

// How one condition reads on a group page.
struct ConditionTexts {
    bool set = false;               // false: "(未設定)", value and operator disabled
    QString field;                  // display name, or "(未設定)"
    std::optional<QString> value;   // none: leave the value text as it is
    std::optional<QString> op;      // none: leave the operator text as it is
};
ConditionTexts DescribeCondition(const OneExtractCondition& condition, const std::vector<DB_Element_Info>& fields);

// The values of an "E" condition as the page and the dialog show them: joined by ",".
std::string JoinConditionValues(const std::vector<std::string>& values);

}  // namespace addressui
