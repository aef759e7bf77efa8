#include "core/mailstore/base64.h"

#include <bit>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little,
              "the table decoder stores its three bytes little-endian");

namespace {

// A decoding table entry with this bit set marks a character outside the alphabet.
constexpr uint32_t kBad = 0x01000000;
constexpr uint8_t kNotInAlphabet = 0xFF;

// One alphabet with its tables: a pair table for encoding 12 bits at a time, and four
// tables whose ORed entries give the three decoded bytes of a group in place.
struct Alphabet {
    char chars[64];
    uint16_t pair[4096];
    uint8_t value[256];
    uint32_t d0[256], d1[256], d2[256], d3[256];

    explicit Alphabet(const char* alphabet) {
        std::memcpy(chars, alphabet, 64);
        for (int i = 0; i < 4096; ++i) {
            const char two[2] = {chars[i >> 6], chars[i & 63]};
            std::memcpy(&pair[i], two, 2);
        }
        for (int c = 0; c < 256; ++c) {
            value[c] = kNotInAlphabet;
            d0[c] = d1[c] = d2[c] = d3[c] = kBad;
        }
        for (uint32_t v = 0; v < 64; ++v) {
            const auto c = static_cast<uint8_t>(chars[v]);
            value[c] = static_cast<uint8_t>(v);
            d0[c] = v << 2;
            d1[c] = (v >> 4) | ((v & 0xF) << 12);
            d2[c] = ((v >> 2) << 8) | ((v & 3) << 22);
            d3[c] = v << 16;
        }
    }
};

const Alphabet& Standard() {
    static const Alphabet a("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
    return a;
}

const Alphabet& Permuted() {
    static const Alphabet a("QWERTYUIOPASDFGHJKLZXCVBNMqwertyuiopasdfghjklzxcvbnm0987654321/+");
    return a;
}

// Encodes `groups` whole groups of three bytes; writes groups * 4 characters.
inline void EncodeGroups(const Alphabet& a, const uint8_t* in, size_t groups, char* out) {
    for (size_t g = 0; g < groups; ++g, in += 3, out += 4) {
        const uint32_t v = (uint32_t(in[0]) << 16) | (uint32_t(in[1]) << 8) | in[2];
        std::memcpy(out, &a.pair[v >> 12], 2);
        std::memcpy(out + 2, &a.pair[v & 0xFFF], 2);
    }
}

// Encodes a tail of one or two bytes as four characters with padding.
inline void EncodeTail(const Alphabet& a, const uint8_t* in, size_t n, char* out) {
    const uint32_t v = (uint32_t(in[0]) << 16) | (n > 1 ? uint32_t(in[1]) << 8 : 0);
    out[0] = a.chars[v >> 18];
    out[1] = a.chars[(v >> 12) & 63];
    out[2] = n > 1 ? a.chars[(v >> 6) & 63] : '=';
    out[3] = '=';
}

std::string EncodeFlat(const Alphabet& a, std::string_view in, size_t extra = 0) {
    const auto* p = reinterpret_cast<const uint8_t*>(in.data());
    const size_t groups = in.size() / 3, tail = in.size() % 3;
    std::string out;
    out.resize((groups + (tail ? 1 : 0)) * 4 + extra);
    EncodeGroups(a, p, groups, out.data());
    if (tail) EncodeTail(a, p + groups * 3, tail, out.data() + groups * 4);
    out.resize(out.size() - extra);
    return out;
}

// The lenient decoder shared by the standard and the permuted alphabet: characters outside
// the alphabet (line breaks, blanks, stray bytes) are skipped, as RFC 2045 asks; the data
// ends at the first "=" or at the end of the text, where an incomplete group gives the
// bytes its characters hold.
std::string DecodeLenient(const Alphabet& a, std::string_view in) {
    const auto* p = reinterpret_cast<const uint8_t*>(in.data());
    const size_t n = in.size();
    std::string out;
    out.resize(n / 4 * 3 + 4);
    char* o = out.data();
    size_t i = 0, w = 0;
    for (;;) {
        // Whole groups of four alphabet characters, the common case, through the tables.
        while (i + 4 <= n) {
            const uint32_t x = a.d0[p[i]] | a.d1[p[i + 1]] | a.d2[p[i + 2]] | a.d3[p[i + 3]];
            if (x & kBad) break;
            std::memcpy(o + w, &x, 4);
            w += 3;
            i += 4;
        }
        // One group read character by character, skipping what is not in the alphabet.
        uint32_t v = 0;
        int k = 0;
        while (i < n && k < 4) {
            const uint8_t c = p[i];
            if (c == '=') break;
            ++i;
            if (a.value[c] == kNotInAlphabet) continue;
            v = (v << 6) | a.value[c];
            ++k;
        }
        if (k == 4) {
            o[w++] = char(v >> 16);
            o[w++] = char(v >> 8);
            o[w++] = char(v);
            continue;
        }
        if (k == 2) o[w++] = char(v >> 4);
        if (k == 3) {
            o[w++] = char(v >> 10);
            o[w++] = char(v >> 2);
        }
        break;
    }
    out.resize(w);
    return out;
}

}  // namespace

std::string normal_base64encoding(std::string_view in) {
    std::string out = EncodeFlat(Standard(), in, 2);
    out += "?=";
    return out;
}

std::string normal_base64decoding(std::string_view in) { return DecodeLenient(Standard(), in); }

std::string abnbase64encoding(std::string_view in) { return EncodeFlat(Permuted(), in); }

std::string abnbase64decoding(std::string_view in) { return DecodeLenient(Permuted(), in); }

std::string base64encoding(std::string_view data, int lineLength) {
    const Alphabet& a = Standard();
    if (lineLength <= 0) return EncodeFlat(a, data);

    const auto* p = reinterpret_cast<const uint8_t*>(data.data());
    const size_t len = static_cast<size_t>(lineLength);
    if (len % 4 == 0) {
        // Lines of whole groups: every full line ends in CR LF; the tail group always ends
        // in "=", so nothing follows it.
        const size_t groupsPerLine = len / 4, bytesPerLine = groupsPerLine * 3;
        const size_t lines = data.size() / bytesPerLine;
        const size_t restBytes = data.size() - lines * bytesPerLine;
        const size_t restGroups = restBytes / 3, tail = restBytes % 3;
        std::string out;
        out.resize(lines * (len + 2) + restGroups * 4 + (tail ? 4 : 0));
        char* o = out.data();
        for (size_t l = 0; l < lines; ++l, p += bytesPerLine) {
            EncodeGroups(a, p, groupsPerLine, o);
            o += len;
            *o++ = '\r';
            *o++ = '\n';
        }
        EncodeGroups(a, p, restGroups, o);
        if (tail) EncodeTail(a, p + restGroups * 3, tail, o + restGroups * 4);
        return out;
    }

    // Any other line length: count characters one by one.
    const std::string flat = EncodeFlat(a, data);
    std::string out;
    out.reserve(flat.size() + flat.size() / len * 2 + 2);
    size_t column = 0;
    for (size_t i = 0; i < flat.size(); ++i) {
        out += flat[i];
        if (++column == len) {
            column = 0;
            const bool finalPad = flat[i] == '=' && i + 1 == flat.size();
            if (!finalPad) out += "\r\n";
        }
    }
    return out;
}

long base64decoding(std::string& out, std::string_view in, size_t limit) {
    out.clear();
    const Alphabet& a = Standard();
    const auto* p = reinterpret_cast<const uint8_t*>(in.data());
    const size_t n = in.size();
    size_t i = 0;
    if (n >= 2 && p[0] == '+' && p[1] == ' ') i = 2;
    // Where decoding ends (at the end of the text, a NUL, a CR after a group, or after the
    // padding), only line ends and blanks may follow: more data after it would be lost,
    // so such a text is refused rather than reported decoded.
    auto nothingFollows = [&](size_t k) {
        for (; k < n && p[k] != '\0'; ++k)
            if (p[k] != '\r' && p[k] != '\n' && p[k] != ' ' && p[k] != '\t') return false;
        return true;
    };
    if (i >= n || p[i] == '\r' || p[i] == '\0') {
        out.clear();
        return nothingFollows(i) ? 0 : -1;
    }

    out.resize((n - i) / 4 * 3 + 4);
    char* o = out.data();
    size_t w = 0;
    auto fail = [&out]() -> long {
        out.clear();
        return -1;
    };
    auto ends = [&](size_t k) { return k >= n || p[k] == '\0' || p[k] == '\r'; };
    for (;;) {
        while (i + 4 <= n) {
            const uint32_t x = a.d0[p[i]] | a.d1[p[i + 1]] | a.d2[p[i + 2]] | a.d3[p[i + 3]];
            if (x & kBad) break;
            if (limit != std::string::npos && w + 3 > limit) return fail();
            std::memcpy(o + w, &x, 4);
            w += 3;
            i += 4;
            if (ends(i)) goto done;
        }
        {
            if (i + 4 > n) return fail();  // a group cut short by the end of the text
            const uint8_t c0 = p[i], c1 = p[i + 1], c2 = p[i + 2], c3 = p[i + 3];
            auto ok = [&](uint8_t c) { return a.value[c] != kNotInAlphabet; };
            if (!ok(c0) || !ok(c1) || !(ok(c2) || c2 == '=') || !(ok(c3) || c3 == '=') ||
                (c2 == '=' && c3 != '='))
                return fail();
            const size_t count = c2 == '=' ? 1 : (c3 == '=' ? 2 : 3);
            if (limit != std::string::npos && w + count > limit) return fail();
            const uint32_t v = (uint32_t(a.value[c0]) << 18) | (uint32_t(a.value[c1]) << 12) |
                               (c2 == '=' ? 0 : uint32_t(a.value[c2]) << 6) |
                               (c3 == '=' ? 0 : a.value[c3]);
            o[w] = char(v >> 16);
            if (count > 1) o[w + 1] = char(v >> 8);
            if (count > 2) o[w + 2] = char(v);
            w += count;
            i += 4;
            if (c3 == '=' || ends(i)) break;
        }
    }
done:
    if (!nothingFollows(i)) return fail();
    out.resize(w);
    return static_cast<long>(w);
}

bool GetSizeAfterBase64Decoding(size_t& size, std::string_view text) {
    const size_t n = text.size();
    if (n == 0) {
        size = 0;
        return true;
    }
    if (n < 4 || n % 4 != 0) return false;
    size_t s = n / 4 * 3;
    if (text[n - 1] == '=') {
        --s;
        if (text[n - 2] == '=') --s;
    }
    size = s;
    return true;
}
