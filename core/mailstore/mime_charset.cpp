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

bool IsValidUtf8WithMultibyte(std::string_view s) {
    bool multibyte = false;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len;
        unsigned min;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            len = 2, min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3, min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4, min = 0x10000;
        } else {
            return false;
        }
        if (s.size() - i < len) return false;
        unsigned cp = c & (0x7F >> len);
        for (std::size_t k = 1; k < len; ++k) {
            unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        multibyte = true;
        i += len;
    }
    return multibyte;
}

bool CodeOfCharset(std::string_view name, TextCode& code) {
    using mime_text::EqualsNoCase;
    if (EqualsNoCase(name, "iso-2022-jp")) {
        code = TextCode::Jis;
    } else if (EqualsNoCase(name, "utf-8") || EqualsNoCase(name, "utf8")) {
        code = TextCode::Utf8;
    } else if (EqualsNoCase(name, "euc-jp") || EqualsNoCase(name, "x-euc-jp")) {
        code = TextCode::Euc;
    } else if (IsShiftJisCharset(name) || EqualsNoCase(name, "us-ascii")) {
        code = TextCode::Keep;
    } else {
        return false;
    }
    return true;
}

TextCode DetectTextCode(std::string_view charset, std::string_view bytes) {
    TextCode declared = TextCode::Keep;
    if (CodeOfCharset(charset, declared) && !mime_text::EqualsNoCase(charset, "us-ascii")) return declared;
    const int code = KCodeC().CheckCode(bytes);
    if (code == KCodeC::kCodeJis) return TextCode::Jis;
    if (IsValidUtf8WithMultibyte(bytes)) return TextCode::Utf8;
    if (code == KCodeC::kCodeEuc) return TextCode::Euc;
    return TextCode::Keep;
}

std::string ToSjis(std::string_view bytes, TextCode code) {
    switch (code) {
    case TextCode::Jis: return JisToSjis(bytes);
    case TextCode::Utf8: return Utf8ToSjisText(bytes);
    case TextCode::Euc: return EucJpToSjis(bytes);
    case TextCode::Keep: break;
    }
    return std::string(bytes);
}

bool IsShiftJisCharset(std::string_view name) {
    using mime_text::EqualsNoCase;
    return EqualsNoCase(name, "shift_jis") || EqualsNoCase(name, "shift-jis") ||
           EqualsNoCase(name, "sjis") || EqualsNoCase(name, "x-sjis") ||
           EqualsNoCase(name, "cp932") || EqualsNoCase(name, "windows-31j");
}

}  // namespace mime_charset
