#pragma once
// The request of the map keyword search: what the lookup dialog offers to choose (the 47
// prefectures, two map scales) and the GET URL it sends.
//
//   <search service>/json_keywordsrch.cgi?SRCHKIND=SRCH_ADR&COUNT=10&PARAM=<keyword>[&PRFCD=<nn>]
//
// The keyword is the address, or the prefecture's name when no address is given, in
// UTF-8 and percent-encoded: A-Z a-z 0-9 * - . @ _ stay, every other byte becomes "%" and
// two lower-case hex digits (a blank gives "%20"). PRFCD, the prefecture's code in two
// digits (北海道 01 ... 沖縄県 47), follows only when a prefecture is chosen.
//
// No Qt here: the address is Shift_JIS, as the core holds text.

#include <string>

namespace htmledit {

inline constexpr int kPrefectureCount = 47;
inline constexpr int kMapScaleCount = 2;
// The scale shown when the dialog opens ("1/3125").
inline constexpr int kDefaultMapScale = 1;
// The most candidates the search is asked for, and the most the user is offered.
inline constexpr int kMaxMapCandidates = 10;

// The prefecture of `index` (0 北海道 ... 46 沖縄県) in UTF-8; null outside 0-46.
const char* PrefectureName(int index);
// "1/6250" (0) or "1/3125" (1) in UTF-8; null for other indexes.
const char* MapScaleText(int index);
// The map page's zoom value for the scale of `index`: index + 10.
inline int MapZoomForScale(int index) { return index + 10; }

struct MapSearchInput {
    int prefecture = -1;  // index into the prefectures, -1: none chosen
    std::string address;  // Shift_JIS; empty: search by the prefecture
};

// True when there is nothing to search for: no address and no prefecture.
bool IsEmptySearch(const MapSearchInput& input);

// The request URL for `input` against `searchService` ("http://host[:port]"). A
// prefecture index outside 0-46 counts as none. The caller refuses an empty search first.
std::string BuildMapSearchUrl(const std::string& searchService, const MapSearchInput& input);

}  // namespace htmledit
