// The personal-information search: the filter as a table of conditions over a book with the
// traps of Shift_JIS text (trail bytes that look like "A" or "\"), the splitting of typed
// values, and the ordering of range bounds.
#include <gtest/gtest.h>

#include "app/addressui/search_filter.h"
#include "app/addressui/tests/record_test_env.h"

namespace {
namespace search_filter_test {

using namespace rectest;
using addressui::FilterSearchHits;
using addressui::OrderSearchBounds;
using addressui::SplitSearchValues;

constexpr int kNumberB = kElemExtraFirst + 1;  // 会員番号, a number
constexpr int kDateC = kElemExtraFirst + 2;    // 入会日, a date

class SearchFilterTest : public RecordEnvTest {
protected:
    void SetUp() override {
        RecordEnvTest::SetUp();
        // "ア" is 0x83 0x41 (its trail byte is "A"), "ソ" is 0x83 0x5C (its trail byte is "\").
        AddRow(201, {{kElemEmail, "abe@example.jp"}, {kElemKanjiSei, S("アベ")}, {kElemCompany, S("ソフト")},
                     {kElemPrefecture, S("東京都")}, {kNumberB, "100"}, {kDateC, "2005/03/15"}});
        AddRow(202, {{kElemEmail, "aoki@example.jp"}, {kElemKanjiSei, "Aoki"}, {kElemPrefecture, S("大阪府")},
                     {kNumberB, "20"}, {kDateC, "2005/04/01"}});
        AddRow(203, {{kElemEmail, S("ア") + "bc@example.jp"}, {kElemPrefecture, S("北海道")}});
        AddRow(204, {{kElemEmail, "del@example.jp"}, {kElemKanjiSei, "Abe"}, {kElemDeleteFlag, "Y"}});
        AddRow(205, {{kElemEmail, "sato@example.jp"}, {kElemKanjiSei, S("佐藤")}, {kElemCompany, "AB\\C"},
                     {kElemPrefecture, S("東京都")}, {kNumberB, "-5"}, {kDateC, "2006/01/01 12:00:00"}});
    }

    std::vector<int> Search(const OneExtractCondition& c) { return addressui::RunSearch(Book(), c); }
};

OneExtractCondition Values(int element, std::vector<std::string> values, const char* flag = "Y") {
    OneExtractCondition c;
    c.element = element;
    c.kind = "E";
    c.values = std::move(values);
    c.equalFlag = flag;
    return c;
}

OneExtractCondition Range(int element, std::string lower, std::string upper, const char* flag = "Y") {
    OneExtractCondition c;
    c.element = element;
    c.kind = "R";
    c.lower = std::move(lower);
    c.upper = std::move(upper);
    c.rangeFlag = flag;
    return c;
}

TEST_F(SearchFilterTest, ConditionsKeepTheRightRecords) {
    const std::vector<int> live = {201, 202, 203, 205};
    OneExtractCondition all;
    OneExtractCondition badKind = Values(kElemKanjiSei, {"A"});
    badKind.kind = "X";
    struct Case {
        const char* what;
        OneExtractCondition condition;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"すべて: every record not marked deleted", all, live},
        {"a kind other than E and R filters nothing", badKind, live},
        {"\"A\" never hits the trail byte of ア", Values(kElemKanjiSei, {"A"}), {202}},
        {"ア itself is found", Values(kElemKanjiSei, {S("ア")}), {201}},
        {"\"\\\" never hits the trail byte of ソ", Values(kElemCompany, {"\\"}), {205}},
        {"the mail address ignores case", Values(kElemEmail, {"AOKI@EXAMPLE"}), {202}},
        {"lower-casing leaves ア (0x83 0x41) alone", Values(kElemEmail, {"\x83\x61"}), {}},
        {"a two-byte character in an address is found", Values(kElemEmail, {S("ア")}), {203}},
        {"を含む without values keeps none", Values(kElemKanjiSei, {}), {}},
        {"を含まない without values keeps all", Values(kElemKanjiSei, {}, "N"), live},
        {"an empty value matches an empty field only", Values(kElemKanjiSei, {""}), {203}},
        {"を含まない an empty value", Values(kElemKanjiSei, {""}, "N"), {201, 202, 205}},
        {"two prefectures", Values(kElemPrefecture, {S("東京都"), S("大阪府")}), {201, 202, 205}},
        {"a number equals as an integer", Values(kNumberB, {"+100"}), {201}},
        {"a date value is a part of the date", Values(kDateC, {"2005/03"}), {201}},
        {"number range inside", Range(kNumberB, "20", "100"), {201, 202}},
        {"number range outside never keeps an empty field", Range(kNumberB, "20", "100", "N"), {205}},
        {"date range to the end of the month", Range(kDateC, "2005/03", "2005/04"), {201, 202}},
        {"date range outside", Range(kDateC, "2005/03", "2005/04", "N"), {205}},
        {"text range with a lower bound only", Range(kElemKanjiSei, "B", ""), {201, 205}},
        {"mail range in lower case", Range(kElemEmail, "ABE", "AOKI@Z"), {201, 202}},
    };
    for (const Case& c : cases) EXPECT_EQ(Search(c.condition), c.expected) << c.what;
}

TEST_F(SearchFilterTest, IdsTheBookDoesNotHoldLeave) {
    std::vector<int> ids = {205, 999, 201};
    FilterSearchHits(Book(), Values(kElemPrefecture, {S("東京都")}), ids);
    EXPECT_EQ(ids, (std::vector<int>{205, 201}));
    // "すべて" leaves the list as given.
    ids = {999, 201};
    FilterSearchHits(Book(), OneExtractCondition{}, ids);
    EXPECT_EQ(ids, (std::vector<int>{999, 201}));
}

TEST(SearchValues, SplitAtCommasWithQuotesGrouping) {
    EXPECT_EQ(SplitSearchValues(""), std::vector<std::string>{});
    EXPECT_EQ(SplitSearchValues("a,b"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitSearchValues("\"a,b\",\"say \"\"hi\"\"\""), (std::vector<std::string>{"a,b", "say \"hi\""}));
    // A trail byte is never taken for a comma or a quote ("ソ" ends in 0x5C, "\x81\x41" is "、").
    EXPECT_EQ(SplitSearchValues(S("ソ,、")), (std::vector<std::string>{S("ソ"), S("、")}));
}

TEST(SearchBounds, PutInOrderByFieldKind) {
    struct Case {
        int kind;
        const char *lower, *upper, *expectedLower, *expectedUpper;
    };
    const Case cases[] = {
        {0, "b", "a", "a", "b"},
        {0, "100", "20", "100", "20"},  // text order: "100" comes first
        {0, "100", "", "100", ""},      // a lone lower bound stays the lower bound
        {1, "100", "20", "20", "100"},
        {1, " 100 ", "20", "20", "100"},  // the lower bound loses its blanks
        {1, " 5", "10", "5", "10"},
        {1, "abc", "20", "abc", "20"},
        {1, "1-2", "0", "1-2", "0"},
        {1, "100", "", "100", ""},
        {2, "2006", "2005/03", "2005/03", "2006"},
        {2, "2005/03/15", "2005/03", "2005/03/15", "2005/03"},  // inside March: in order
        {2, "abc", "2005", "abc", "2005"},
        {-1, "b", "a", "b", "a"},
    };
    for (const Case& c : cases) {
        std::string lower = c.lower, upper = c.upper;
        OrderSearchBounds(c.kind, lower, upper);
        EXPECT_EQ(lower, c.expectedLower) << c.kind << " " << c.lower << " " << c.upper;
        EXPECT_EQ(upper, c.expectedUpper) << c.kind << " " << c.lower << " " << c.upper;
    }
}

}  // namespace search_filter_test
}  // namespace
