#pragma once
// Reading the keyword search's reply into the places the user may choose from. The reply
// is JSON in UTF-8; it is scanned by its keys, not parsed as a whole, in this order:
//  1. a byte-order mark at the start (U+FEFF or U+FFFE) is dropped;
//  2. the count is the first run of decimal digits after the key `"hit"` (none, or no key:
//     0; a count too large to hold reads as too many);
//  3. with a count of 1 to kMaxMapCandidates, one candidate per hit, each found after the
//     one before: the string value of the next `"name"` key, then of the next
//     `"position"` key after it. Scanning stops at the end of the text: a hit whose name
//     or position is missing (or whose value is no string) ends the list there.
//
// A value is read as a JSON string: an escaped quote does not end it, and the escapes
// \" \\ \/ \b \f \n \r \t \uXXXX (surrogate pairs too) are undone. Control characters of
// a name become blanks, and the name is turned into Shift_JIS, a character Shift_JIS
// cannot hold becoming one blank. The position goes into the map page's URL with every
// byte other than A-Z a-z 0-9 + - . , _ : percent-encoded, so a reply can never add
// parameters or a fragment to that URL.
//
// No Qt here.

#include <string>
#include <string_view>
#include <vector>

namespace htmledit {

struct MapCandidate {
    std::string name;  // Shift_JIS
    std::string url;   // the map page, ASCII
    bool operator==(const MapCandidate&) const = default;
};

struct MapCandidateList {
    long hits = 0;  // the count the reply gives
    std::vector<MapCandidate> candidates;

    bool NoHits() const { return hits <= 0; }
    bool TooMany() const;
};

// True when `text` holds all three keys of a search reply: "pageinfo", "retstatus" and
// "hit", each with its double quotes. A body without them is no reply of the search.
bool IsMapSearchReply(std::string_view text);

// The candidates of `reply`, their URLs on `mapPageService` ("http://host[:port]") at the
// map zoom `zoom`. With no hits or too many, `candidates` is empty.
MapCandidateList ParseMapCandidates(std::string_view reply, const std::string& mapPageService, int zoom);

// <mapPageService>/receivew.cgi?MAP=<position, encoded as above>&ZM=<zoom>&CI=R
std::string MapPageUrl(const std::string& mapPageService, std::string_view position, int zoom);

}  // namespace htmledit
