#pragma once
// The tests of one extraction condition against one element text. Each matcher works out
// whether the element "hits" (the value or the range) and then applies the condition's
// flag: "Y" keeps the hits, any other flag keeps the misses ("N" is the only other flag
// the screens write; anything else is read as "N", here and everywhere in extraction).
//
// Equal conditions are substring tests, not equality: the text matcher finds the value
// anywhere in the element, and the date matcher finds it in the element's completed date
// text, so "2005/03" hits every date in March 2005. An empty value asks for an empty
// element. Range bounds are inclusive and an empty bound is open; an empty element is
// never in or out of a range, so a range condition never keeps it, whatever the flag.
//
// `ignoreCase` (the mail-address element) compares ASCII letters without case; the
// trail bytes of two-byte characters are always compared exactly.
//
// Results: 1 keep, 0 drop.

#include <string>
#include <string_view>
#include <vector>

// True for the flag that keeps the hits.
inline bool IsKeepHitsFlag(std::string_view flag) { return flag == "Y"; }

int Check_Equal_String(std::string_view element, std::string_view value, std::string_view flag,
                       bool ignoreCase = false);
// Integers read as atoi reads them (leading blanks, a sign, the leading digits; a text
// without digits is 0), clamped to the int range.
int Check_Equal_Number(std::string_view element, std::string_view value, std::string_view flag);
int Check_Equal_Date(std::string_view element, std::string_view value, std::string_view flag);

// Text order is character by character, a two-byte character counting as lead * 256 +
// trail (so all of them sort after the half-width kana, as the multibyte comparison of
// the C runtime orders them).
int Check_Renge_String(std::string_view element, std::string_view lower, std::string_view upper,
                       std::string_view flag, bool ignoreCase = false);
int Check_Renge_Number(std::string_view element, std::string_view lower, std::string_view upper,
                       std::string_view flag);
// The element and the lower bound are completed to their earliest moment, the upper bound
// to its latest (an upper bound "2005/03" is 2005/03/31 23:59:59); see ReFormat_DateData.
int Check_Renge_Date(std::string_view element, std::string_view lower, std::string_view upper,
                     std::string_view flag);

// atoi over a view, clamped to the int range.
int ExtractAtoi(std::string_view text);
// Compares two Shift_JIS texts as Check_Renge_String orders them: <0, 0, >0.
int CompareSjisChars(std::string_view a, std::string_view b, bool ignoreCase);

// One condition prepared for a pass over many records: what does not depend on the record
// (the bounds completed, the numbers read, the values folded for the mail address) is
// worked out once, so each record costs one test. Keeps gives the same answer as the
// Check_ functions above, trying an "E" condition's values in order: with flag "Y" a
// record is kept when any value hits, with any other flag when none does.
class ExtractMatcher {
public:
    // dataType: 0 text, 1 number, 2 date (any other keeps nothing).
    ExtractMatcher(int dataType, bool equal, std::vector<std::string> values, std::string_view equalFlag,
                   std::string_view lower, std::string_view upper, std::string_view rangeFlag, bool ignoreCase);
    bool Keeps(std::string_view element) const;

private:
    bool Hit(std::string_view element, std::size_t value) const;

    int type_;
    bool equal_;
    bool keepHits_;
    bool ignoreCase_;
    std::vector<std::string> values_;  // folded when ignoreCase_
    std::vector<int> numbers_;         // the values as numbers
    std::string lower_, upper_;        // bounds: folded text, or completed dates
    bool hasLower_, hasUpper_;
    int lowerNumber_ = 0, upperNumber_ = 0;
    mutable std::string folded_;       // the element folded (work buffer)
};
