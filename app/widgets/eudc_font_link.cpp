#include "app/widgets/eudc_font_link.h"

#include <algorithm>
#include <map>
#include <set>

#include "app/ui/font_layer.h"

namespace shell {
namespace {

struct NoCase {
    bool operator()(const QString& a, const QString& b) const {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    }
};

// Face name -> font file: what the links say.
std::map<QString, QString, NoCase>& Links() {
    static std::map<QString, QString, NoCase> links;
    return links;
}

// Font file -> family: what is registered now.
std::map<QString, QString>& Applied() {
    static std::map<QString, QString> applied;
    return applied;
}

}  // namespace

bool CEudcFontLink::SetFontLink(const QString& name, const QString& value, bool keepOld, bool /*ownKey*/) {
    if (name.isEmpty()) return false;
    auto& links = Links();
    const bool setBefore = std::any_of(m_set.begin(), m_set.end(), [&](const Link& link) {
        return QString::compare(link.name, name, Qt::CaseInsensitive) == 0;
    });
    auto old = links.find(name);
    if (keepOld && !setBefore && old != links.end()) m_saved.push_back({old->first, old->second});
    links[name] = value;
    m_set.push_back({name, value});
    return true;
}

bool CEudcFontLink::RefreshEudc() {
    auto& applied = Applied();
    std::set<QString> wanted;
    for (const auto& [name, file] : Links()) wanted.insert(file);

    for (auto it = applied.begin(); it != applied.end();) {
        if (wanted.count(it->first)) {
            ++it;
            continue;
        }
        const QString family = it->second;
        it = applied.erase(it);
        // Two files may carry one family; it goes when the last of them does.
        bool stillUsed = std::any_of(applied.begin(), applied.end(), [&](const auto& entry) { return entry.second == family; });
        if (!stillUsed) ui::RemoveFallbackFont(family);
    }

    bool allLoaded = true;
    for (const QString& file : wanted) {
        if (applied.count(file)) continue;
        QString family = ui::AddFallbackFont(file);
        if (family.isEmpty()) allLoaded = false;
        else applied[file] = family;
    }
    return allLoaded;
}

bool CEudcFontLink::RemoveFontLinks(bool /*ownKey*/) {
    auto& links = Links();
    for (const Link& link : m_set) links.erase(link.name);
    m_set.clear();
    for (const Link& link : m_saved) links[link.name] = link.value;
    m_saved.clear();
    return true;
}

std::optional<QString> CEudcFontLink::GetFontLink(const QString& name) {
    auto it = Links().find(name);
    if (it == Links().end()) return std::nullopt;
    return it->second;
}

}  // namespace shell
