#include "core/mailstore/mime_charset.h"

#include "core/foundation/kcode.h"
#include "core/mailstore/mime_text_util.h"

namespace mime_charset {

std::string JisToSjis(std::string_view jis) { return KCodeC().jis7tosj(jis); }

std::string EucJpToSjis(std::string_view euc) { return KCodeC().ujtosj(euc); }

std::string Utf8ToSjisText(std::string_view utf8) { return KCodeC::utf8tosj(utf8); }

std::string SjisToJisForHeader(std::string_view sjis) {
    constexpr int kKeepHalfWidthKana = 0;
    constexpr int kSegmentBytes = 30;
    return sjtojis7_for_header(sjis, kKeepHalfWidthKana, kSegmentBytes);
}

std::string DetectedToSjis(std::string_view raw) { return KCodeC().ToSJIS(raw); }

bool IsShiftJisCharset(std::string_view name) {
    using mime_text::EqualsNoCase;
    return EqualsNoCase(name, "shift_jis") || EqualsNoCase(name, "shift-jis") ||
           EqualsNoCase(name, "sjis") || EqualsNoCase(name, "x-sjis") ||
           EqualsNoCase(name, "cp932") || EqualsNoCase(name, "windows-31j");
}

}  // namespace mime_charset
