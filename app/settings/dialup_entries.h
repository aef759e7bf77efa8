#pragma once
// The dial-up connections the settings may name: the entries of the system's phone book,
// in its order. Dial-up belongs to the send/receive engine's connection layer, which
// installs its lister at start-up; until one is installed (and on systems without dial-up
// networking, which is every Linux desktop) no entry is listed, so the dial-up settings
// can show and keep what the options hold but cannot switch dial-up on.

#include <functional>
#include <string>
#include <vector>

namespace settings {

// Appends the entries' names (Shift_JIS) to the list it is given.
using DialupEntryLister = std::function<void(std::vector<std::string>& names)>;

// Installs `lister` (empty: none listed); returns the one it replaces.
DialupEntryLister SetDialupEntryLister(DialupEntryLister lister);

// Empties `names` and fills it with the phone book's entry names; 0 (also when there is
// no phone book or no entry).
int FillRasEntryList(std::vector<std::string>& names);

}  // namespace settings
