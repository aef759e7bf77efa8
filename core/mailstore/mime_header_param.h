#pragma once
// Reading parameters out of MIME header values.

#include <string>
#include <string_view>

// The raw value of the parameter `name` ("filename", "name") of a header value: the value
// is tidied by ReformatHeaderBodyString (blanks outside quotes and
// encoded words and comments dropped), then the first "<name>=" (any letter case) is
// taken; a quoted value runs to the next double quote not preceded by a backslash, with
// each backslash-quote pair read as a double quote; an unquoted value runs to the next
// ";" or the end. False when the parameter is absent.
bool FindHeaderParam(std::string_view value, std::string_view name, std::string& out);
