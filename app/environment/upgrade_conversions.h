#pragma once
// The conversions of the environment upgrade that work on values alone: the layout
// generations of an environment (system option 89), the defaults each generation adds
// to the system options, the joining of the address fields that older versions kept
// split, the mail statuses that the upgrade sends back to draft, and the extraction
// conditions that lose their element when the split fields are joined.
//
// Every conversion here is idempotent: applied to its own result it changes nothing, so
// an upgrade interrupted half way may simply run again.

#include <string>
#include <vector>

#include "core/addressbook/extract_action.h"

namespace shell::upgrade {

// The layout generation an environment's option 89 names.
enum class Layout {
    k89,       // the oldest layout: "89" (also an option never stored, read as "")
    kY1,
    kY2,
    kY3,       // files still coded without the environment's data key
    kCurrent,  // "Y4", "Y5": nothing to convert
    kUnknown,  // any other text: not a layout of this program
};
Layout LayoutOf(const std::string& option89);

// The option defaults that each step adds; `options` has 123 items.
void ApplyDefaults89(std::vector<std::string>& options);  // 82-88
void ApplyDefaultsY2(std::vector<std::string>& options);  // 90-119
void ApplyDefaultsY3(std::vector<std::string>& options);  // 120-122

// The address-book elements that the "Y2" step joins and empties.
inline constexpr int kZip1 = 9, kZip2 = 10, kAddress2 = 13, kBuilding = 14;
inline constexpr int kPhone1 = 15, kPhone2 = 16, kFax1 = 17, kFax2 = 18, kMobile1 = 19, kMobile2 = 20;

// Joins the split fields of one address-book row (56 texts; a shorter row is left alone):
// the building is appended to address 2; the postal code becomes zip 1 and zip 2 joined,
// without any "-"; telephone, fax and mobile become "first-second" ("-" only when both are
// there). The second fields end empty. True when the row changed.
bool JoinSplitFields(std::vector<std::string>& row);

// Mail statuses sent back to draft: by the "Y2" step every status but "E", "C" and "S";
// by the re-coding every waiting status ("W", "R", "A", "I", "B").
bool ToDraftAtY2(const std::string& status);
bool ToDraftAtY3(const std::string& status);

// One tab of conditions (5): the conditions on an element the "Y2" step emptied (10, 14,
// 16, 18, 20) are dropped, the others move up in their order, and the tab is filled with
// conditions that are off. True when the tab changed.
bool CompactConditionTab(std::vector<OneExtractCondition>& tab);

}  // namespace shell::upgrade
