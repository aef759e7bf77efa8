#pragma once
// InsertLineBreaks: turns the soft wrapping of a text mail body into real line breaks, so
// that the mail breaks its lines where the edit showed them (the wrap ruler's position).
//
// The text is Shift_JIS. Walking it, each character is measured together with the rest of
// its line so far (from the line's start up to and including the character, so kerning
// and the font's own spacing count as they draw):
//  - CR LF in the text becomes the given line-break string and starts a new line;
//  - a character that still fits is taken;
//  - a character that does not fit goes to a new line (the line-break string before it),
//    except that a character alone on its line stays there, however wide (the next
//    character then starts a new line), and that one half-width blank that overflows
//    stays at the end of its line, the break coming before the next character.
// A two-byte character is never split; a lead byte without its trail byte is a character
// of its own.
//
// The mode says what to do: 0 rewraps as above, 1 leaves the result untouched and
// succeeds (the page's "no wrap" setting), any other mode fails.

#include <functional>
#include <string>
#include <string_view>

class QFont;

namespace compose {

// The width in pixels of a piece of Shift_JIS text as it draws.
using TextMeasure = std::function<int(std::string_view sjis)>;

// 1 on success (result set for mode 0), 0 for an unknown mode (result untouched).
int InsertLineBreaks(std::string_view text, const TextMeasure& measure, int width, std::string& result,
                     std::string_view lineBreak, int mode);

// The same, measuring in `font` as the body edits draw (pictograms at their drawn width).
int InsertLineBreaks(std::string_view text, const QFont& font, int width, std::string& result,
                     std::string_view lineBreak, int mode);

}  // namespace compose
