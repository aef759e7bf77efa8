// The prepared matcher of a filter pass answers as the plain matchers do, value by value
// as the condition's rule tries them, on random texts of every awkward kind.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/addressbook/extract_matchers.h"

namespace {

// The rule as written for an "E" condition: the values are tried in order and the trial
// stops at the first whose result equals (flag == "Y"); that result decides.
bool ReferenceEqual(int type, const std::string& d, const std::vector<std::string>& values, const std::string& flag,
                    bool ignoreCase) {
    const int wanted = flag == "Y" ? 1 : 0;
    int r = 0;
    for (const std::string& v : values) {
        switch (type) {
            case 0: r = Check_Equal_String(d, v, flag, ignoreCase); break;
            case 1: r = Check_Equal_Number(d, v, flag); break;
            default: r = Check_Equal_Date(d, v, flag); break;
        }
        if (r == wanted) break;
    }
    return r == 1;
}

bool ReferenceRange(int type, const std::string& d, const std::string& lo, const std::string& hi,
                    const std::string& flag, bool ignoreCase) {
    switch (type) {
        case 0: return Check_Renge_String(d, lo, hi, flag, ignoreCase) == 1;
        case 1: return Check_Renge_Number(d, lo, hi, flag) == 1;
        default: return Check_Renge_Date(d, lo, hi, flag) == 1;
    }
}

TEST(ExtractMatcherTest, AgreesWithThePlainMatchers) {
    // Pieces: letters of both cases, digits and signs, date separators, a two-byte
    // character whose trail byte is '\', one whose trail byte is 'A' (0x82 0x41 is not
    // valid but walks as a pair), a full-width letter and a half-width kana.
    const std::vector<std::string> pieces = {"a", "A", "b", "Z", "z", "1", "0", "9", "-", "+", " ", "/", ":",
                                             "\x95\x5c", "\x82\x41", "\x82\x60", "\xb1", "\\", "2005", "03",
                                             "2005/03", "/31 23:59:59", "1999/12/31", "10", "abc"};
    std::mt19937 rng(20261209);
    auto text = [&](int maxPieces) {
        std::string s;
        const int n = static_cast<int>(rng() % static_cast<unsigned>(maxPieces + 1));
        for (int i = 0; i < n; ++i) s += pieces[rng() % pieces.size()];
        return s;
    };
    const std::string flags[] = {"Y", "N", "y", ""};
    for (int round = 0; round < 20000; ++round) {
        const int type = static_cast<int>(rng() % 3);
        const bool ignoreCase = type == 0 && rng() % 2 == 0;
        const std::string flag = flags[rng() % 4];
        const std::string d = text(4);
        std::vector<std::string> values;
        for (int k = 0, n = 1 + static_cast<int>(rng() % 3); k < n; ++k) values.push_back(text(2));
        const std::string lo = text(2), hi = text(2);

        const ExtractMatcher equal(type, true, values, flag, "", "", "Y", ignoreCase);
        ASSERT_EQ(equal.Keeps(d), ReferenceEqual(type, d, values, flag, ignoreCase))
            << "type " << type << " d [" << d << "] v0 [" << values[0] << "] flag [" << flag << "]";
        const ExtractMatcher range(type, false, {}, "Y", lo, hi, flag, ignoreCase);
        ASSERT_EQ(range.Keeps(d), ReferenceRange(type, d, lo, hi, flag, ignoreCase))
            << "type " << type << " d [" << d << "] [" << lo << ".." << hi << "] flag [" << flag << "]";
    }
}

TEST(ExtractMatcherTest, EdgesOfThePlainMatchers) {
    EXPECT_EQ(ExtractAtoi("  -12x"), -12);
    EXPECT_EQ(ExtractAtoi("99999999999"), 2147483647);
    EXPECT_EQ(ExtractAtoi("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(ExtractAtoi("+"), 0);
    // Month end, leap years and the inclusive bounds of a date range.
    EXPECT_EQ(Check_Renge_Date("2004/02/29 23:59:59", "", "2004/02", "Y"), 1);
    EXPECT_EQ(Check_Renge_Date("2004/03/01", "", "2004/02", "Y"), 0);
    EXPECT_EQ(Check_Renge_Date("2005/01/01 00:00:00", "2005", "2005", "Y"), 1);
    EXPECT_EQ(Check_Renge_Date("2005/12/31 23:59:59", "2005", "2005", "Y"), 1);
    // Two-byte characters sort after half-width kana and above every single byte.
    EXPECT_LT(CompareSjisChars("\xb1", "\x82\x60", false), 0);
    EXPECT_GT(CompareSjisChars("\x82\x60", "z", false), 0);
    EXPECT_EQ(CompareSjisChars("ABC", "abc", true), 0);
    EXPECT_NE(CompareSjisChars("\x82\x41", "\x82\x61", true), 0);  // trail bytes are not letters
}

}  // namespace
