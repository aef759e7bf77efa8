#pragma once
// The HTML tags and attributes that each mobile carrier's terminals display. HTML mail for
// phones may use only these; the mobile HTML check lists every start tag of a carrier's
// HTML part that its table does not allow, so the user can fix the part before it goes
// out. Nothing here removes or rewrites a tag.
//
// A table is a list of rules in a fixed order, and the order matters: for a tag without
// attributes the first rule naming the tag decides, and for an attribute the first rule of
// that tag and attribute that matches decides (its length bound included). A tag that no
// rule names is never allowed.
//
// Names compare without regard to ASCII case (double-byte characters, whose trail byte may
// look like a letter, compare exactly). Values compare exactly unless the rule says "any
// case"; the range rule always compares as text without regard to case, so "10" lies
// between "1" and "7".
//
// The tables are constant once built; MobileTagRuleTables::Shared() gives one built copy
// that any thread may read.

#include <string>
#include <string_view>
#include <vector>

#include "core/mailstore/html_tag.h"

namespace compose {

// One rule of a table. Every text may be empty.
struct MobileTagRule {
    // Flag bits.
    enum : int {
        kAnyValue = 0x1,       // any value matches
        kTagOnly = 0x2,        // names the tag without an attribute; never matches a value
        kIgnoreCase = 0x4,     // values compared with ASCII letters lowered on both sides
        kContains = 0x10,      // the value contains `value`
        kEquals = 0x20,        // the value equals `value`
        kBeginsWith = 0x40,    // the value begins with `value`
        kRange = 0x80,         // lower <= value <= upper, as text, without regard to case
        kPattern = 0x100,      // same length as `value`; each "?" of it one of `allowed`
        kExactLength = 0x200,  // after a match: the value's length equals `length`
        kMaxLength = 0x400,    // after a match: the value's length is at most `length`
    };

    std::string tag;
    std::string attribute;  // empty for a kTagOnly rule
    std::string value;      // compared text, or the pattern
    std::string lower;
    std::string upper;
    std::string allowed;    // the characters a "?" of the pattern stands for
    int flags = 0;
    int length = 0;         // the bound of kExactLength and kMaxLength (bytes)
};

using MobileTagRuleTable = std::vector<MobileTagRule>;

// Whether the table allows `tag` with the attribute `attribute` = `value`. An empty
// attribute asks about the bare tag: allowed when the table names the tag at all and the
// value is empty too.
bool IsTagAllowed(std::string_view tag, std::string_view attribute, std::string_view value,
                  const MobileTagRuleTable& table);

// The three carriers' tables.
class MobileTagRuleTables {
public:
    // Carrier kinds, as the HTML mail checks number them.
    enum : int { kDocomo = 7, kAu = 8, kSoftbank = 9 };

    MobileTagRuleTables() { BuildMobileTagRules(); }

    // Empties the three tables and fills them: NTT DoCoMo 17 rules, au TU-KA 17, SoftBank 20.
    void BuildMobileTagRules();

    // The table of carrier kind 7, 8 or 9; null for any other kind.
    const MobileTagRuleTable* TableFor(int kind) const;

    // Empties `result` and appends, in text order, every start tag of `html` that the
    // carrier's table does not allow: a tag without attributes as a bare tag, else each
    // attribute in turn up to the first one refused. Each offending tag appears once (equal
    // tags, as ExtractHtmlElement collects them, count once); end tags are not looked at.
    // True when every tag is allowed. A kind without a table refuses every start tag.
    bool CollectDisallowedTags(int kind, const std::string& html, CHtmlElems& result) const;

    // One instance, built on first use.
    static const MobileTagRuleTables& Shared();

    MobileTagRuleTable docomo;
    MobileTagRuleTable au;
    MobileTagRuleTable softbank;
};

}  // namespace compose
