#pragma once
// MapLinkList: the map links the body edits offer in their "地図リンク" menu, one list for
// the whole program. The composing dialog fills it from the user's map-link settings when
// it opens (and refuses more links than it may hold); the body edits only read it. Each
// link is a label, shown as the menu item, and the text its item inserts (the map URL),
// both Shift_JIS as the settings keep them.
//
// It lives from first use to program exit and is used on the GUI thread only.

#include <string>
#include <utility>
#include <vector>

namespace compose {

class MapLinkList {
public:
    // (label, text to insert)
    using Link = std::pair<std::string, std::string>;

    // The program's list.
    static MapLinkList& Get();

    void Clear() { links_.clear(); }
    void Add(std::string label, std::string text) { links_.emplace_back(std::move(label), std::move(text)); }
    std::size_t GetCount() const { return links_.size(); }
    // The link at `index` (below GetCount()).
    const Link& GetAt(std::size_t index) const { return links_[index]; }

private:
    MapLinkList() = default;
    std::vector<Link> links_;
};

}  // namespace compose
