#pragma once
// Line lengths of outgoing MIME bodies. RFC 5322 allows at most 998 bytes on a line and
// RFC 2045 at most 76 characters on a base64 line; servers may refuse or break longer
// lines, so the writer checks every body it emits with these helpers.

#include <cstddef>
#include <string>
#include <string_view>

namespace mime_line {

constexpr size_t kMaxLine = 998;       // bytes on any line, CR LF not counted
constexpr size_t kBase64Line = 76;     // characters on a base64 line

// True when some line of `text` (lines end at LF; a CR just before the LF is not counted)
// is longer than `limit` bytes.
bool HasLineLongerThan(std::string_view text, size_t limit);

// True when no line of the base64 text is longer than 76 characters (quick for a text
// laid out in lines of exactly 76).
bool IsBase64Wrapped(std::string_view base64);

// The characters of a base64 text (blanks and line breaks dropped) laid out again in lines
// of 76 joined by CR LF, with no line break after the last line. Never decodes, so the
// content cannot change.
std::string WrapBase64(std::string_view base64);

}  // namespace mime_line
