#include "app/htmledit/map_url_lookup_query.h"

#include <gtest/gtest.h>

#include "core/foundation/cp932.h"

namespace htmledit {
namespace {

const std::string kSearch = "http://127.0.0.1:8080";
const std::string kPath = kSearch + "/json_keywordsrch.cgi?SRCHKIND=SRCH_ADR&COUNT=10&PARAM=";

// The request for each way of filling the dialog: the keyword is the address (or the
// prefecture without one) in UTF-8, percent-encoded with lower-case hex and %20 for a
// blank; PRFCD follows only with a prefecture, as its two-digit code.
TEST(MapUrlLookupQuery, BuildsTheSearchRequest) {
    const struct {
        const char* name;
        int prefecture;
        const char* address;  // UTF-8
        std::string url;
    } cases[] = {
        {"prefecture only", 12, "", kPath + "%e6%9d%b1%e4%ba%ac%e9%83%bd&PRFCD=13"},
        {"first prefecture", 0, "", kPath + "%e5%8c%97%e6%b5%b7%e9%81%93&PRFCD=01"},
        {"last prefecture", 46, "", kPath + "%e6%b2%96%e7%b8%84%e7%9c%8c&PRFCD=47"},
        {"address only", -1, "千代田区 1-1", kPath + "%e5%8d%83%e4%bb%a3%e7%94%b0%e5%8c%ba%201-1"},
        {"both", 26, "北区", kPath + "%e5%8c%97%e5%8c%ba&PRFCD=27"},
        {"signs of a query", -1, "a&b=c?d#e/f+g", kPath + "a%26b%3dc%3fd%23e%2ff%2bg"},
        {"kept as they are", -1, "Az09*-.@_", kPath + "Az09*-.@_"},
        {"half-width katakana", -1, "ｱ", kPath + "%ef%bd%b1"},
    };
    for (const auto& c : cases) {
        const MapSearchInput input{c.prefecture, Utf8ToSjis(c.address)};
        EXPECT_FALSE(IsEmptySearch(input)) << c.name;
        EXPECT_EQ(BuildMapSearchUrl(kSearch, input), c.url) << c.name;
    }
    EXPECT_TRUE(IsEmptySearch({-1, ""}));
    EXPECT_TRUE(IsEmptySearch({47, ""}));
}

TEST(MapUrlLookupQuery, PrefecturesAndScales) {
    EXPECT_STREQ(PrefectureName(0), "北海道");
    EXPECT_STREQ(PrefectureName(12), "東京都");
    EXPECT_STREQ(PrefectureName(46), "沖縄県");
    EXPECT_EQ(PrefectureName(47), nullptr);
    EXPECT_EQ(PrefectureName(-1), nullptr);
    EXPECT_STREQ(MapScaleText(0), "1/6250");
    EXPECT_STREQ(MapScaleText(kDefaultMapScale), "1/3125");
    EXPECT_EQ(MapZoomForScale(0), 10);
    EXPECT_EQ(MapZoomForScale(1), 11);
}

}  // namespace
}  // namespace htmledit
