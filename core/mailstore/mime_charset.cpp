#include "core/mailstore/mime_charset.h"

#include <iconv.h>

#include "core/foundation/cp932.h"
#include "core/mailstore/mime_text_util.h"

namespace mime_charset {
namespace {

// Converts with iconv, skipping bytes it cannot take.
std::string Iconv(const char* to, const char* from, std::string_view in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    out.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            const size_t used = out.size() - dstLeft;
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = out.size() - used;
            continue;
        }
        ++src;  // EILSEQ or EINVAL: drop the byte and go on
        --srcLeft;
    }
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.resize(out.size() - dstLeft);
    iconv_close(cd);
    return out;
}

}  // namespace

std::string JisToSjis(std::string_view jis) { return Utf8ToSjis(Iconv("UTF-8", "ISO-2022-JP-3", jis)); }

std::string EucJpToSjis(std::string_view euc) { return Utf8ToSjis(Iconv("UTF-8", "EUC-JP-MS", euc)); }

std::string Utf8ToSjisText(std::string_view utf8) { return Utf8ToSjis(utf8); }

std::string SjisToJisForHeader(std::string_view sjis) {
    return Iconv("ISO-2022-JP", "UTF-8", SjisToUtf8(sjis));
}

std::string DetectedToSjis(std::string_view raw) {
    if (raw.find("\x1b$B") != std::string_view::npos || raw.find("\x1b$@") != std::string_view::npos)
        return JisToSjis(raw);
    int sj = 0, euc = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
        const auto b = static_cast<unsigned char>(raw[i]);
        const auto n = i + 1 < raw.size() ? static_cast<unsigned char>(raw[i + 1]) : 0;
        if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && n >= 0x40 && n <= 0xFC && n != 0x7F) {
            sj += 2;
            ++i;
        }
    }
    for (size_t i = 0; i + 1 < raw.size(); ++i) {
        const auto b = static_cast<unsigned char>(raw[i]);
        const auto n = static_cast<unsigned char>(raw[i + 1]);
        if (b >= 0xA1 && b <= 0xFE && n >= 0xA1 && n <= 0xFE) {
            euc += 2;
            ++i;
        }
    }
    return euc > sj ? EucJpToSjis(raw) : std::string(raw);
}

bool IsShiftJisCharset(std::string_view name) {
    using mime_text::EqualsNoCase;
    return EqualsNoCase(name, "shift_jis") || EqualsNoCase(name, "shift-jis") ||
           EqualsNoCase(name, "sjis") || EqualsNoCase(name, "x-sjis") ||
           EqualsNoCase(name, "cp932") || EqualsNoCase(name, "windows-31j");
}

}  // namespace mime_charset
