#include "app/htmledit/map_link_options.h"

#include <gtest/gtest.h>

#include "core/foundation/cp932.h"

namespace htmledit {
namespace {

std::string Sjis(const char* utf8) { return Utf8ToSjis(utf8); }

// How the two option texts read: the count limit, the first empty name or URL ending
// its list, quoted commas and doubled quotes, and a name whose trail byte is 0x5C.
TEST(MapLinkOptions, ReadsTheOptionTexts) {
    std::string names21, urls21;
    for (int i = 1; i <= 21; ++i) {
        names21 += (i > 1 ? "," : "") + ("\"n" + std::to_string(i) + "\"");
        urls21 += (i > 1 ? "," : "") + ("\"http://m/" + std::to_string(i) + "\"");
    }
    const struct {
        const char* name;
        std::string names, urls;
        std::vector<MapLink> expected;
    } cases[] = {
        {"empty", "", "", {}},
        {"two", "\"a\",\"b\"", "\"http://x/1\",\"http://x/2\"", {{"a", "http://x/1"}, {"b", "http://x/2"}}},
        {"unquoted", "a,b", "u1,u2", {{"a", "u1"}, {"b", "u2"}}},
        {"empty name in the middle", "\"a\",\"\",\"c\"", "\"u1\",\"u2\",\"u3\"", {{"a", "u1"}}},
        {"empty url in the middle", "\"a\",\"b\",\"c\"", "\"u1\",\"\",\"u3\"", {{"a", "u1"}, {"b", ""}, {"c", ""}}},
        {"fewer urls", "\"a\",\"b\"", "\"u1\"", {{"a", "u1"}, {"b", ""}}},
        {"quotes and commas", "\"Tom \"\"Shop\"\", 2F\",\"b\"", "\"http://x/?a=1,2\",\"http://x/\"\"q\"\"\"",
         {{"Tom \"Shop\", 2F", "http://x/?a=1,2"}, {"b", "http://x/\"q\""}}},
        {"trail byte 0x5C", "\"" + Sjis("表示,本社") + "\"", "\"u\"", {{Sjis("表示,本社"), "u"}}},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadMapLinks(c.names, c.urls), c.expected) << c.name;

    const auto limited = ReadMapLinks(names21, urls21);
    ASSERT_EQ(limited.size(), 20u);
    EXPECT_EQ(limited.back(), (MapLink{"n20", "http://m/20"}));
}

// Names and URLs holding quotes, commas and Japanese text come back whole after writing
// and reading, and the texts have the stored form: each entry quoted, inner quotes
// doubled, entries joined by ",".
TEST(MapLinkOptions, WrittenTextsReadBackWhole) {
    const std::vector<MapLink> links = {
        {Sjis("本社（\"新館\"）, 受付"), "http://map.example/receivew.cgi?MAP=1,2&ZM=11&CI=R"},
        {"\"", "http://x/\"\",\"y\""},
        {Sjis("ソフト開発部"), ""},
    };
    EXPECT_EQ(JoinMapLinkNames(links),
              R"(")" + Sjis("本社（\"\"新館\"\"）, 受付") + R"(","""",")" + Sjis("ソフト開発部") + R"(")");
    EXPECT_EQ(JoinMapLinkUrls(links), R"("http://map.example/receivew.cgi?MAP=1,2&ZM=11&CI=R","http://x/"""",""y""","")");
    EXPECT_EQ(ReadMapLinks(JoinMapLinkNames(links), JoinMapLinkUrls(links)), links);
    EXPECT_EQ(JoinMapLinkNames({}), "");
    EXPECT_EQ(JoinMapLinkUrls({}), "");
}

// Storing touches slots 121 and 122 only, and widens an option array of an older layout
// so that the links are not dropped; loading reads missing slots as empty.
TEST(MapLinkOptions, StoresIntoTheOptionArray) {
    std::vector<std::string> options(123, "keep");
    StoreMapLinks(options, {{"a", "u"}});
    EXPECT_EQ(options[121], "\"a\"");
    EXPECT_EQ(options[122], "\"u\"");
    EXPECT_EQ(options[120], "keep");
    EXPECT_EQ(LoadMapLinks(options), (std::vector<MapLink>{{"a", "u"}}));

    std::vector<std::string> old(90, "x");
    EXPECT_TRUE(LoadMapLinks(old).empty());
    StoreMapLinks(old, {});
    ASSERT_EQ(old.size(), 123u);
    EXPECT_EQ(old[89], "x");
    EXPECT_EQ(old[121], "");
}

}  // namespace
}  // namespace htmledit
