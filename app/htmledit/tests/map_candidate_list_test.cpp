#include "app/htmledit/map_candidate_list.h"

#include <gtest/gtest.h>

#include "app/htmledit/tests/map_lookup_fixture.h"
#include "core/foundation/cp932.h"

namespace htmledit {
namespace {

using maptest::Place;
using maptest::Places;
using maptest::SearchReply;

const std::string kMap = "http://map.test";

std::vector<std::string> Names(const MapCandidateList& list) {
    std::vector<std::string> out;
    for (const auto& c : list.candidates) out.push_back(SjisToUtf8(c.name));
    return out;
}

// The count decides: none, 1 to 10 listed, more refused; a reply without a count, or
// whose hits lack their keys, ends cleanly with what was complete.
TEST(MapCandidateList, ReadsTheReply) {
    const struct {
        const char* name;
        std::string reply;
        long hits;
        bool tooMany;
        std::vector<std::string> names;
    } cases[] = {
        {"no hits", SearchReply({}), 0, false, {}},
        {"one", SearchReply(Places(1)), 1, false, {"場所1"}},
        {"ten", SearchReply(Places(10)), 10, false,
         {"場所1", "場所2", "場所3", "場所4", "場所5", "場所6", "場所7", "場所8", "場所9", "場所10"}},
        {"eleven", SearchReply(Places(11)), 11, true, {}},
        {"huge count", "{\"pageinfo\":{\"retstatus\":\"OK\",\"hit\":\"99999999999999999999999\"}}", 1000000, true, {}},
        {"no digit after hit", "{\"pageinfo\":{\"retstatus\":\"OK\",\"hit\":\"\"}}", 0, false, {}},
        {"no hit key", "{\"name\":\"a\",\"position\":\"1\"}", 0, false, {}},
        {"counted hits without names", SearchReply({}, 3), 3, false, {}},
        {"a hit without a position", SearchReply(Places(1), 2) + "{\"name\":\"b\"}", 2, false, {"場所1"}},
        {"a value that is no string", "\"hit\":\"2\",\"name\":null,\"position\":\"1\"", 2, false, {}},
        {"value cut by the end", "\"hit\":\"1\",\"name\":\"abc", 1, false, {}},
        {"byte-order mark", "\xEF\xBB\xBF" + SearchReply(Places(2)), 2, false, {"場所1", "場所2"}},
        {"blanks around the colon", "\"hit\" : 2 , \"name\" : \"a\" , \"position\" :\n\"1\", \"name\":\"b\",\"position\":\"2\"",
         2, false, {"a", "b"}},
    };
    for (const auto& c : cases) {
        const MapCandidateList list = ParseMapCandidates(c.reply, kMap, 11);
        EXPECT_EQ(list.hits, c.hits) << c.name;
        EXPECT_EQ(list.TooMany(), c.tooMany) << c.name;
        EXPECT_EQ(Names(list), c.names) << c.name;
    }
}

// Names keep escaped quotes and backslashes and lose control characters; a character
// Shift_JIS lacks becomes a blank. Positions cannot add parameters to the map URL.
TEST(MapCandidateList, ValuesAreReadWhole) {
    const std::string reply = SearchReply({
        {R"(Bar \"Kei\" \\ 2F)", "35.68,139.76"},
        {R"(\u6771\u4eac\u99c5\n\ud83d\ude00X)", "1&ZM=99#x y"},
        {"港区🍣", "+35.1,-139.2"},
    });
    const MapCandidateList list = ParseMapCandidates(reply, kMap, 10);
    ASSERT_EQ(list.candidates.size(), 3u);
    EXPECT_EQ(SjisToUtf8(list.candidates[0].name), R"(Bar "Kei" \ 2F)");
    EXPECT_EQ(list.candidates[0].url, "http://map.test/receivew.cgi?MAP=35.68,139.76&ZM=10&CI=R");
    EXPECT_EQ(SjisToUtf8(list.candidates[1].name), "東京駅  X");
    EXPECT_EQ(list.candidates[1].url, "http://map.test/receivew.cgi?MAP=1%26ZM%3d99%23x%20y&ZM=10&CI=R");
    EXPECT_EQ(SjisToUtf8(list.candidates[2].name), "港区 ");
    EXPECT_EQ(list.candidates[2].url, "http://map.test/receivew.cgi?MAP=+35.1,-139.2&ZM=10&CI=R");
}

TEST(MapCandidateList, RecognisesASearchReply) {
    EXPECT_TRUE(IsMapSearchReply(SearchReply({})));
    EXPECT_FALSE(IsMapSearchReply("{\"pageinfo\":{\"hit\":\"1\"}}"));
    EXPECT_FALSE(IsMapSearchReply("<html>pageinfo retstatus hit</html>"));
}

}  // namespace
}  // namespace htmledit
