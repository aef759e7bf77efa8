#include "app/settings/dialup_entries.h"

#include <utility>

namespace settings {
namespace {

DialupEntryLister& Lister() {
    static DialupEntryLister lister;
    return lister;
}

}  // namespace

DialupEntryLister SetDialupEntryLister(DialupEntryLister lister) { return std::exchange(Lister(), std::move(lister)); }

int FillRasEntryList(std::vector<std::string>& names) {
    names.clear();
    if (Lister()) Lister()(names);
    return 0;
}

}  // namespace settings
