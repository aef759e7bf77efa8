#pragma once
// The user's map links as the system options keep them: two option texts, parallel by
// position, one of names (option 121) and one of map-page URLs (option 122). Each entry
// is enclosed in double quotes with every inner double quote doubled, and the entries are
// joined by ","; an empty list is the empty text. Example: `"本社","大阪支店"`.
//
// Reading (the rules the mail editors and the settings dialog share):
//  - the texts are split with SplitString at "," with '"' as the quote, so a name or URL
//    may hold commas and (doubled) quotes;
//  - names are taken in order up to the first empty one, and at most kMaxMapLinks of them;
//  - each of those rows takes the URL at its position, up to the first empty URL; rows
//    past it keep an empty URL.
// Writing quotes URLs exactly as names. Lists written before URLs were quoted this way
// read back the same unless a URL held a quote before a comma or two quotes in a row,
// which could never be read back whole anyway.
//
// No Qt here: texts are Shift_JIS bytes, as the options hold them.

#include <string>
#include <vector>

namespace htmledit {

inline constexpr int kMaxMapLinks = 20;
inline constexpr int kMapLinkNamesOption = 121;
inline constexpr int kMapLinkUrlsOption = 122;

struct MapLink {
    std::string name;
    std::string url;
    bool operator==(const MapLink&) const = default;
};

// The rows the two option texts give (see the reading rules above).
std::vector<MapLink> ReadMapLinks(const std::string& names, const std::string& urls);

// The option texts of `links`: every entry quoted with inner quotes doubled, joined by
// ","; the empty text for no links. Nothing is cut: the caller keeps the count limit.
std::string JoinMapLinkNames(const std::vector<MapLink>& links);
std::string JoinMapLinkUrls(const std::vector<MapLink>& links);

// The rows held by an option array (texts in slot order; missing slots read as empty).
std::vector<MapLink> LoadMapLinks(const std::vector<std::string>& options);
// Stores `links` into slots 121 and 122 of `options`, first widening a shorter array to
// the full 123 slots (empty texts), so that the settings are never dropped.
void StoreMapLinks(std::vector<std::string>& options, const std::vector<MapLink>& links);

}  // namespace htmledit
