#pragma once
// The search of the personal-information list: one condition over one field, applied to
// the live records of the address book. No widgets: the search dialog reads its controls
// into a condition and runs FilterSearchHits on a worker; the result dialog shows the
// condition back to the user.
//
// A condition has the shape of an extraction condition (OneExtractCondition): the element
// (-1 for "すべて"), kind "E" (a list of values) or "R" (a range), the values, the equal
// flag ("Y" contained, "N" not contained), the bounds and the range flag ("Y" inside,
// "N" outside).
//
// Matching (the same rules as the extraction conditions, extract_matchers.h):
//  - text is searched character by character, so "A" never hits the trail byte of "ア"
//    (0x83 0x41) and "\" never hits "ソ" (0x83 0x5C);
//  - the mail address (element 1) ignores the case of ASCII letters only; the trail bytes
//    of two-byte characters are never folded;
//  - numbers compare as integers, dates as dates (a lower bound as the start of its
//    period, an upper bound as its end: "2005/03" ends on 2005/03/31 23:59:59);
//  - an empty value matches only an empty condition value, and never lies in or out of a
//    range;
//  - a value list with no values: "を含む" keeps nothing, "を含まない" keeps everything.

#include <string>
#include <string_view>
#include <vector>

#include "core/addressbook/extract_action.h"

class CDatabaseEdit;

namespace addressui {

// The fields offered by the search and the names the result shows: elements 0-9, 11, 12,
// 13, 15, 17, 19, 21, 28-47, 54 and 55.
inline constexpr const char* kSearchFieldMask = "11111111110111010101010000001111111111111111111100000011";

// The values typed into the search dialog, split at "," with double quotes grouping (a
// quoted value may hold commas; a doubled quote inside is one quote). An empty text is no
// value at all, not one empty value.
std::vector<std::string> SplitSearchValues(std::string_view text);

// The kind of `element` as the address book describes it (0 text, 1 number, 2 date), or
// -1 when it cannot be read (no single descriptor, element outside 0-55).
int SearchFieldKind(CDatabaseEdit& book, int element);

// True for an optional "+" or "-" followed by at least one digit and nothing else.
bool IsSignedInteger(std::string_view text);

// Puts the bounds of a range in order for a field of kind `kind`, as the user meant them:
//  - text: when both are given and lower comes after upper (character order), they swap;
//  - number: when both are given, the lower bound loses its surrounding blanks; when then
//    both are integers (IsSignedInteger) and upper < lower, they swap;
//  - date: when both hold at least a year and the lower bound's start comes after the
//    upper bound's end, they swap.
// Any other kind, or one empty bound, leaves them as they are (a lone bound stays what it
// was typed as).
void OrderSearchBounds(int kind, std::string& lower, std::string& upper);

// Keeps, in their order, the IDs of `ids` whose record meets `condition`; removes the
// others. Nothing is filtered when the element is outside 0-55 ("すべて"), the kind is
// neither "E" nor "R", or the field's kind cannot be read. An ID the address book does not
// hold is removed. The address book is read under its lock in one pass.
void FilterSearchHits(CDatabaseEdit& book, const OneExtractCondition& condition, std::vector<int>& ids);

// The whole search: the live IDs of the address book in stored order, filtered.
std::vector<int> RunSearch(CDatabaseEdit& book, const OneExtractCondition& condition);

}  // namespace addressui
