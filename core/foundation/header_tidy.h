#pragma once
// Tidying of a received header value before its parameters are looked for.

#include <string>

// Copies value without the blanks and tabs between its tokens and without its comments,
// so that "filename=" and "name=" stand directly before their values:
//  - a double-quoted string is copied unchanged, quotes included, up to the next quote;
//  - an encoded word, "=?" up to the next "?=", is copied unchanged;
//  - "(" opens a comment that is dropped up to and including the next ")" (no nesting);
//  - an unterminated quoted string, encoded word or comment runs to the end of the value.
// Never fails.
std::string ReformatHeaderBodyString(std::string value);
