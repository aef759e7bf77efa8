#pragma once
// The shell's name lists and their wildcards.
//
// A name list is a run of names each ended by a zero byte, the run ended by an empty name:
// "a\0b\0\0". The list carries no length; reading stops at the first empty name, so the
// caller's buffer must hold that ending.
//
// Wildcards: '*' stands for any run of characters (none included), '?' for exactly one
// character; a character is one UTF-8 sequence, so '?' matches "あ" whole. Letters match
// ignoring ASCII case, as on the file systems the scripts were written for. "*.*" matches
// every name, with or without a dot. Nothing else is special: brackets, backslashes and
// quotes are ordinary characters.

#include <string>
#include <string_view>
#include <vector>

namespace tarbolt {

// The names of `list`; an empty vector for a null or empty list.
std::vector<std::string> SplitNameList(const char* list);

bool HasWildcard(std::string_view name);
bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace tarbolt
