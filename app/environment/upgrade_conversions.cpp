#include "app/environment/upgrade_conversions.h"

#include <algorithm>

namespace shell::upgrade {
namespace {

void Fill(std::vector<std::string>& options, std::initializer_list<std::pair<int, const char*>> values) {
    if (options.size() < 123) options.resize(123);
    for (const auto& [index, text] : values) options[static_cast<std::size_t>(index)] = text;
}

std::string WithoutHyphens(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '-') out += c;
    return out;
}

// "first-second", or whichever of the two is there.
std::string Joined(const std::string& first, const std::string& second) {
    if (first.empty()) return second;
    if (second.empty()) return first;
    return first + "-" + second;
}

bool IsEmptiedElement(int element) {
    return element == kZip2 || element == kBuilding || element == kPhone2 || element == kFax2 ||
           element == kMobile2;
}

}  // namespace

Layout LayoutOf(const std::string& option89) {
    if (option89.empty() || option89 == "89") return Layout::k89;
    if (option89 == "Y1") return Layout::kY1;
    if (option89 == "Y2") return Layout::kY2;
    if (option89 == "Y3") return Layout::kY3;
    if (option89 == "Y4" || option89 == "Y5") return Layout::kCurrent;
    return Layout::kUnknown;
}

void ApplyDefaults89(std::vector<std::string>& options) {
    Fill(options, {{82, ""}, {83, ""}, {84, ""}, {85, "N"}, {86, "0"}, {87, "0"}, {88, "N"}});
}

void ApplyDefaultsY2(std::vector<std::string>& options) {
    Fill(options, {{90, "N"},  {91, "N"},  {92, "N"},  {93, "N"}, {94, ""},   {95, ""},  {96, "N"},  {97, "10"},
                   {98, ""},   {99, ""},   {100, "Y"}, {101, "N"}, {102, ""}, {103, "10"}, {104, ""}, {105, ""},
                   {106, "N"}, {107, "N"}, {108, ""},  {109, "1"}, {110, "0"}, {111, "N"}, {112, "Y"}, {113, ""},
                   {114, ""},  {115, ""},  {116, ""},  {117, ""},  {118, ""},  {119, ""}});
}

void ApplyDefaultsY3(std::vector<std::string>& options) { Fill(options, {{120, "N"}, {121, ""}, {122, ""}}); }

bool JoinSplitFields(std::vector<std::string>& row) {
    if (row.size() < 56) return false;
    auto at = [&row](int i) -> std::string& { return row[static_cast<std::size_t>(i)]; };
    const bool split = !at(kZip2).empty() || !at(kBuilding).empty() || !at(kPhone2).empty() ||
                       !at(kFax2).empty() || !at(kMobile2).empty() || at(kZip1).find('-') != std::string::npos;
    if (!split) return false;
    at(kAddress2) += at(kBuilding);
    at(kBuilding).clear();
    at(kZip1) = WithoutHyphens(Joined(at(kZip1), at(kZip2)));
    at(kZip2).clear();
    for (const int first : {kPhone1, kFax1, kMobile1}) {
        at(first) = Joined(at(first), at(first + 1));
        at(first + 1).clear();
    }
    return true;
}

bool ToDraftAtY2(const std::string& status) { return status != "E" && status != "C" && status != "S"; }

bool ToDraftAtY3(const std::string& status) {
    return status == "W" || status == "R" || status == "A" || status == "I" || status == "B";
}

bool CompactConditionTab(std::vector<OneExtractCondition>& tab) {
    const std::size_t size = tab.size();
    std::vector<OneExtractCondition> kept;
    for (const OneExtractCondition& c : tab)
        if (!IsEmptiedElement(c.element)) kept.push_back(c);
    kept.resize(size);  // the new ones are off
    if (kept == tab) return false;
    tab = std::move(kept);
    return true;
}

}  // namespace shell::upgrade
