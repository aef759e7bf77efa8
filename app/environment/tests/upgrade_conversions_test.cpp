// The value conversions of the upgrade: each case, and each applied twice (an upgrade
// interrupted half way runs its conversions again).

#include <gtest/gtest.h>

#include "app/environment/upgrade_conversions.h"

namespace shell::upgrade {
namespace {

TEST(UpgradeConversions, JoinSplitFields) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, const char*>> in;
        std::vector<std::pair<int, const char*>> out;  // elements checked after the join
    } cases[] = {
        {"zip of three and four digits", {{kZip1, "123"}, {kZip2, "4567"}}, {{kZip1, "1234567"}, {kZip2, ""}}},
        {"zip 1 alone keeps no hyphen", {{kZip1, "123-4567"}}, {{kZip1, "1234567"}}},
        {"zip 2 alone", {{kZip2, "4567"}}, {{kZip1, "4567"}, {kZip2, ""}}},
        {"telephone 2 alone has no leading hyphen", {{kPhone2, "03-1234"}}, {{kPhone1, "03-1234"}, {kPhone2, ""}}},
        {"both telephones", {{kPhone1, "03"}, {kPhone2, "1234"}}, {{kPhone1, "03-1234"}, {kPhone2, ""}}},
        {"fax and mobile", {{kFax1, "06"}, {kFax2, "99"}, {kMobile2, "090"}},
         {{kFax1, "06-99"}, {kFax2, ""}, {kMobile1, "090"}, {kMobile2, ""}}},
        {"building after address 2", {{kAddress2, "1-2"}, {kBuilding, "B3F"}}, {{kAddress2, "1-2B3F"}, {kBuilding, ""}}},
        {"nothing split", {{kZip1, "1234567"}, {kPhone1, "03-1"}}, {{kZip1, "1234567"}, {kPhone1, "03-1"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> row(56);
        row[0] = "7";
        row[55] = "2007/01/01 00:00:00";
        for (const auto& [i, text] : c.in) row[static_cast<std::size_t>(i)] = text;
        const bool split = c.what != std::string("nothing split");
        EXPECT_EQ(JoinSplitFields(row), split);
        for (const auto& [i, text] : c.out) EXPECT_EQ(row[static_cast<std::size_t>(i)], text) << i;
        EXPECT_EQ(row[0], "7");
        EXPECT_EQ(row[55], "2007/01/01 00:00:00");
        const std::vector<std::string> once = row;
        EXPECT_FALSE(JoinSplitFields(row));
        EXPECT_EQ(row, once);
    }
    std::vector<std::string> shortRow(20, "x");
    EXPECT_FALSE(JoinSplitFields(shortRow));
}

TEST(UpgradeConversions, ConditionsOnEmptiedFieldsAreDropped) {
    auto tab = [](std::vector<int> elements) {
        std::vector<OneExtractCondition> t(5);
        for (std::size_t i = 0; i < elements.size(); ++i) {
            t[i].element = elements[i];
            t[i].values = {"v" + std::to_string(elements[i])};
        }
        return t;
    };
    auto elements = [](const std::vector<OneExtractCondition>& t) {
        std::vector<int> out;
        for (const auto& c : t) out.push_back(c.element);
        return out;
    };
    std::vector<OneExtractCondition> t = tab({10, 3, 14});
    EXPECT_TRUE(CompactConditionTab(t));
    EXPECT_EQ(elements(t), (std::vector<int>{3, -1, -1, -1, -1}));
    EXPECT_EQ(t[0].values, std::vector<std::string>{"v3"});
    EXPECT_EQ(t[1], OneExtractCondition());  // off: "E", no values, "Y", no bounds, "Y"
    EXPECT_FALSE(CompactConditionTab(t));

    t = tab({16, 18, 20, 2, 9});
    EXPECT_TRUE(CompactConditionTab(t));
    EXPECT_EQ(elements(t), (std::vector<int>{2, 9, -1, -1, -1}));
    t = tab({1, 2});
    EXPECT_FALSE(CompactConditionTab(t));
}

TEST(UpgradeConversions, LayoutsAndStatuses) {
    EXPECT_EQ(LayoutOf(""), Layout::k89);
    EXPECT_EQ(LayoutOf("89"), Layout::k89);
    EXPECT_EQ(LayoutOf("Y1"), Layout::kY1);
    EXPECT_EQ(LayoutOf("Y3"), Layout::kY3);
    EXPECT_EQ(LayoutOf("Y4"), Layout::kCurrent);
    EXPECT_EQ(LayoutOf("Y5"), Layout::kCurrent);
    EXPECT_EQ(LayoutOf("y5"), Layout::kUnknown);
    for (const char* s : {"D", "W", "R", "A", "I", "B"}) EXPECT_TRUE(ToDraftAtY2(s)) << s;
    for (const char* s : {"E", "C", "S"}) EXPECT_FALSE(ToDraftAtY2(s)) << s;
    for (const char* s : {"W", "R", "A", "I", "B"}) EXPECT_TRUE(ToDraftAtY3(s)) << s;
    for (const char* s : {"D", "E", "C", "S"}) EXPECT_FALSE(ToDraftAtY3(s)) << s;
}

}  // namespace
}  // namespace shell::upgrade
