#include "app/htmledit/map_link_options.h"

#include <cstddef>

#include "core/foundation/string_utils.h"
#include "core/foundation/system_option.h"

namespace htmledit {
namespace {

std::string Quoted(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (char c : text) {
        out.push_back(c);
        if (c == '"') out.push_back('"');
    }
    out.push_back('"');
    return out;
}

template <class Field>
std::string Join(const std::vector<MapLink>& links, Field field) {
    std::string out;
    for (const MapLink& link : links) {
        if (!out.empty()) out.push_back(',');
        out += Quoted(link.*field);
    }
    return out;
}

}  // namespace

std::vector<MapLink> ReadMapLinks(const std::string& names, const std::string& urls) {
    std::vector<MapLink> links;
    std::vector<std::string> fields;
    SplitString(names, fields, ",", '"');
    for (std::string& name : fields) {
        if (name.empty() || links.size() >= static_cast<std::size_t>(kMaxMapLinks)) break;
        links.push_back({std::move(name), std::string()});
    }
    SplitString(urls, fields, ",", '"');
    for (std::size_t row = 0; row < links.size() && row < fields.size(); ++row) {
        if (fields[row].empty()) break;
        links[row].url = std::move(fields[row]);
    }
    return links;
}

std::string JoinMapLinkNames(const std::vector<MapLink>& links) { return Join(links, &MapLink::name); }

std::string JoinMapLinkUrls(const std::vector<MapLink>& links) { return Join(links, &MapLink::url); }

std::vector<MapLink> LoadMapLinks(const std::vector<std::string>& options) {
    auto slot = [&](int index) {
        return static_cast<std::size_t>(index) < options.size() ? options[static_cast<std::size_t>(index)]
                                                               : std::string();
    };
    return ReadMapLinks(slot(kMapLinkNamesOption), slot(kMapLinkUrlsOption));
}

void StoreMapLinks(std::vector<std::string>& options, const std::vector<MapLink>& links) {
    if (options.size() < static_cast<std::size_t>(SystemOption::kItemCount)) {
        options.resize(static_cast<std::size_t>(SystemOption::kItemCount));
    }
    options[kMapLinkNamesOption] = JoinMapLinkNames(links);
    options[kMapLinkUrlsOption] = JoinMapLinkUrls(links);
}

}  // namespace htmledit
