#pragma once
// Reading parameters out of MIME header values.

#include <string>
#include <string_view>

// A header value tidied for parameter look-up: blanks and tabs are dropped except inside a
// double-quoted string or an encoded word ("=?" to the next "?="), both copied unchanged;
// comments in parentheses are dropped (they do not nest). Never fails.
std::string ReformatHeaderBodyString(std::string_view value);

// The raw value of the parameter `name` ("filename", "name") of a header value: the value
// is tidied by ReformatHeaderBodyString, then the first "<name>=" (any letter case) is
// taken; a quoted value runs to the next double quote not preceded by a backslash, with
// each backslash-quote pair read as a double quote; an unquoted value runs to the next
// ";" or the end. False when the parameter is absent.
bool FindHeaderParam(std::string_view value, std::string_view name, std::string& out);
