// libFuzzer target for the reading of an HTML body as its reader sees it, and of the
// first line a reply's writer wrote in that text: every input is read with the receive
// run's marks kept as text. Any crash or sanitizer report is a finding, and so is a text
// that grows out of proportion to its markup.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/mailstore/html_shown_text.h"
#include "core/transport/reply_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    constexpr std::string_view kMarks[] = {"refuse", "register"};
    const std::string shown = html_text::ShownText(in, kMarks);
    // A byte of markup gives at most a line end and its quotation marks ("<br>" is four
    // bytes, each line at most eight "> "), or a reference's two characters.
    if (shown.size() > 8 * size + 16) std::abort();
    const std::string_view line = reply_lines::WritersFirstLine(shown);
    if (line.size() > shown.size()) std::abort();
    reply_lines::IsBlank(shown);
    return 0;
}
