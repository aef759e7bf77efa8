#include "core/foundation/keyed_base64.h"

#include <array>
#include <cstdint>

#include "core/foundation/compound_key_tables.h"

namespace {

// Reverse tables: for each alphabet, the 6-bit value of every character code below 128,
// -1 for a character outside the alphabet. Built once from the alphabets themselves, so
// they cannot drift from them.
using ReverseTables = std::array<std::array<int8_t, 128>, 256>;

const ReverseTables& Reverse() {
    static const ReverseTables tables = [] {
        ReverseTables t;
        for (int k = 0; k < 256; ++k) {
            t[k].fill(-1);
            for (int v = 0; v < 64; ++v)
                t[k][static_cast<unsigned char>(kKeyedBase64Alphabets[k][v]) & 0x7F] =
                    static_cast<int8_t>(v);
        }
        return t;
    }();
    return tables;
}

bool BadTable(int table) { return table < 0 || table > 255; }

// Writes the text of `length` bytes (exactly KeyedBase64EncodedLength(length) characters).
void EncodeInto(char* out, const unsigned char* in, std::size_t length, const char* alphabet) {
    std::size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        const uint32_t v = (uint32_t{in[i]} << 16) | (uint32_t{in[i + 1]} << 8) | in[i + 2];
        *out++ = alphabet[(v >> 18) & 63];
        *out++ = alphabet[(v >> 12) & 63];
        *out++ = alphabet[(v >> 6) & 63];
        *out++ = alphabet[v & 63];
    }
    const std::size_t rest = length - i;
    if (rest == 1) {
        const uint32_t v = uint32_t{in[i]} << 16;
        *out++ = alphabet[(v >> 18) & 63];
        *out++ = alphabet[(v >> 12) & 63];
        *out++ = '=';
        *out++ = '=';
    } else if (rest == 2) {
        const uint32_t v = (uint32_t{in[i]} << 16) | (uint32_t{in[i + 1]} << 8);
        *out++ = alphabet[(v >> 18) & 63];
        *out++ = alphabet[(v >> 12) & 63];
        *out++ = alphabet[(v >> 6) & 63];
        *out++ = '=';
    }
}

// Decodes up to the first '=' or the end. `emit` receives each byte and returns false to
// stop (output full). Result: byte count, -2 (bad text) or -3 (stopped by emit).
template <typename Emit>
int DecodeWith(std::string_view text, int table, Emit emit) {
    const auto& rev = Reverse()[table];
    uint32_t acc = 0;
    int bits = 0;
    int count = 0;
    std::size_t chars = 0;
    for (char c : text) {
        if (c == '=') break;
        const auto u = static_cast<unsigned char>(c);
        if (u >= 128 || rev[u] < 0) return -2;
        acc = (acc << 6) | static_cast<uint32_t>(rev[u]);
        bits += 6;
        ++chars;
        if (bits >= 8) {
            bits -= 8;
            if (!emit(static_cast<unsigned char>((acc >> bits) & 0xFF))) return -3;
            ++count;
            acc &= (1u << bits) - 1;
        }
    }
    // A group of 4 gives 3 bytes, of 3 gives 2, of 2 gives 1; one character alone gives
    // no byte and can only be damage.
    if (chars % 4 == 1) return -2;
    return count;
}

}  // namespace

int EncodeBase64WithKeyTable(char* out, std::size_t outSize, const void* in, std::size_t length,
                             int table) {
    if (BadTable(table)) return -1;
    const std::size_t n = KeyedBase64EncodedLength(length);
    if (out == nullptr || outSize < n + 1 || n > static_cast<std::size_t>(INT32_MAX)) return -3;
    EncodeInto(out, static_cast<const unsigned char*>(in), length, kKeyedBase64Alphabets[table]);
    out[n] = '\0';
    return static_cast<int>(n);
}

int EncodeBase64WithKeyTable(std::string& out, std::string_view in, int table) {
    if (BadTable(table)) return -1;
    const std::size_t n = KeyedBase64EncodedLength(in.size());
    if (n > static_cast<std::size_t>(INT32_MAX)) return -3;
    std::string text(n, '\0');
    EncodeInto(text.data(), reinterpret_cast<const unsigned char*>(in.data()), in.size(),
               kKeyedBase64Alphabets[table]);
    out.swap(text);
    return static_cast<int>(n);
}

int DecodeBase64WithKeyTable(unsigned char* out, std::size_t outSize, std::string_view text,
                             int table) {
    if (BadTable(table)) return -1;
    if (text.size() > static_cast<std::size_t>(INT32_MAX)) return -3;
    std::size_t written = 0;
    return DecodeWith(text, table, [&](unsigned char b) {
        if (written >= outSize || out == nullptr) return false;
        out[written++] = b;
        return true;
    });
}

int DecodeBase64WithKeyTable(std::string& out, std::string_view text, int table) {
    if (BadTable(table)) return -1;
    if (text.size() > static_cast<std::size_t>(INT32_MAX)) return -2;
    std::string bytes;
    bytes.reserve(KeyedBase64MaxDecodedLength(text.size()));
    const int r = DecodeWith(text, table, [&](unsigned char b) {
        bytes.push_back(static_cast<char>(b));
        return true;
    });
    if (r >= 0) out.swap(bytes);
    return r;
}
