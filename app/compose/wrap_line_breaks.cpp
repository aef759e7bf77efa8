#include "app/compose/wrap_line_breaks.h"

#include <QFont>
#include <QtMath>

#include "app/compose/pictogram_glyphs.h"
#include "app/mailtext/sjis_chars.h"
#include "app/ui/sjis_text.h"

namespace compose {

int InsertLineBreaks(std::string_view text, const TextMeasure& measure, int width, std::string& result,
                     std::string_view lineBreak, int mode) {
    if (mode == 1) return 1;
    if (mode != 0) return 0;
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    std::size_t lineStart = 0;
    bool overflowed = false;  // this line already holds a character past the width
    for (std::size_t i = 0; i < text.size();) {
        if (IsCrLf(text.substr(i))) {
            out.append(lineBreak);
            i += 2;
            lineStart = i;
            overflowed = false;
            continue;
        }
        const std::size_t length = IsSjisDoubleByte(text.substr(i)) ? 2 : 1;
        const std::string_view character = text.substr(i, length);
        const int extent = measure(text.substr(lineStart, i + length - lineStart));
        if (extent <= width) {
            out.append(character);
            overflowed = false;
        } else if (lineStart == i) {
            out.append(character);
            overflowed = true;
        } else if (!overflowed && character == " ") {
            out.append(character);
            overflowed = true;
        } else {
            out.append(lineBreak);
            out.append(character);
            lineStart = i;
            overflowed = false;
        }
        i += length;
    }
    result = std::move(out);
    return 1;
}

int InsertLineBreaks(std::string_view text, const QFont& font, int width, std::string& result,
                     std::string_view lineBreak, int mode) {
    const TextMeasure measure = [&font](std::string_view sjis) {
        return qCeil(TextAdvance(ui::FromSjis(sjis), font));
    };
    return InsertLineBreaks(text, measure, width, result, lineBreak, mode);
}

}  // namespace compose
