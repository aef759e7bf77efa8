#include "core/foundation/md5.h"

#include <cstring>

namespace {

constexpr uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

constexpr uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (~x & z); }
constexpr uint32_t G(uint32_t x, uint32_t y, uint32_t z) { return (x & z) | (y & ~z); }
constexpr uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
constexpr uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }

// Per-step shift amounts and sine-derived constants of RFC 1321.
constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
    0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
    0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
    0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
    0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
    0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
    0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
    0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
    0xeb86d391};

void TransformBytes(uint32_t state[4], const unsigned char block[64]) {
    uint32_t words[16];
    Byte2DWord(words, block, 64);
    MD5Transform(state, words);
}

}  // namespace

void MD5Transform(uint32_t state[4], const uint32_t x[16]) {
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        switch (i / 16) {
            case 0: f = F(b, c, d); g = i; break;
            case 1: f = G(b, c, d); g = (5 * i + 1) % 16; break;
            case 2: f = H(b, c, d); g = (3 * i + 5) % 16; break;
            default: f = I(b, c, d); g = (7 * i) % 16; break;
        }
        const uint32_t next = b + RotateLeft(a + f + kSine[i] + x[g], kShift[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

void MD5Init(MD5Context* ctx) {
    ctx->count[0] = ctx->count[1] = 0;
    ctx->state[0] = 0x67452301;
    ctx->state[1] = 0xefcdab89;
    ctx->state[2] = 0x98badcfe;
    ctx->state[3] = 0x10325476;
    std::memset(ctx->buffer, 0, sizeof ctx->buffer);
}

void MD5Update(MD5Context* ctx, const void* input, std::size_t length) {
    const auto* in = static_cast<const unsigned char*>(input);
    std::size_t index = (ctx->count[0] >> 3) & 0x3F;

    // The bit count is kept modulo 2^64, as the padding writes it.
    uint64_t bits = (static_cast<uint64_t>(ctx->count[1]) << 32) | ctx->count[0];
    bits += static_cast<uint64_t>(length) << 3;
    ctx->count[0] = static_cast<uint32_t>(bits);
    ctx->count[1] = static_cast<uint32_t>(bits >> 32);

    const std::size_t partLength = 64 - index;
    std::size_t i = 0;
    if (length >= partLength) {
        std::memcpy(&ctx->buffer[index], in, partLength);
        TransformBytes(ctx->state, ctx->buffer);
        for (i = partLength; i + 63 < length; i += 64) TransformBytes(ctx->state, &in[i]);
        index = 0;
    }
    if (length > i) std::memcpy(&ctx->buffer[index], &in[i], length - i);
}

void MD5Final(unsigned char digest[16], MD5Context* ctx) {
    static const unsigned char kPadding[64] = {0x80};
    unsigned char bits[8];
    DWord2Byte(bits, ctx->count, 2);

    const std::size_t index = (ctx->count[0] >> 3) & 0x3F;
    const std::size_t padLength = index < 56 ? 56 - index : 120 - index;
    MD5Update(ctx, kPadding, padLength);
    MD5Update(ctx, bits, 8);

    DWord2Byte(digest, ctx->state, 4);
    std::memset(ctx, 0, sizeof *ctx);
}

void DWord2Byte(unsigned char* output, const uint32_t* input, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        output[4 * i] = static_cast<unsigned char>(input[i] & 0xFF);
        output[4 * i + 1] = static_cast<unsigned char>((input[i] >> 8) & 0xFF);
        output[4 * i + 2] = static_cast<unsigned char>((input[i] >> 16) & 0xFF);
        output[4 * i + 3] = static_cast<unsigned char>((input[i] >> 24) & 0xFF);
    }
}

void Byte2DWord(uint32_t* output, const unsigned char* input, std::size_t length) {
    for (std::size_t i = 0, j = 0; j < length; ++i, j += 4) {
        uint32_t word = 0;
        for (std::size_t k = 0; k < 4 && j + k < length; ++k)
            word |= static_cast<uint32_t>(input[j + k]) << (8 * k);
        output[i] = word;
    }
}

namespace {

void DigestToHex(const unsigned char digest[16], char* out) {
    static const char kHex[] = "0123456789abcdef";
    for (int i = 0; i < 16; ++i) {
        out[2 * i] = kHex[digest[i] >> 4];
        out[2 * i + 1] = kHex[digest[i] & 0x0F];
    }
    out[32] = '\0';
}

void Digest(std::string_view text, unsigned char digest[16]) {
    MD5Context ctx;
    MD5Init(&ctx);
    MD5Update(&ctx, text.data(), text.size());
    MD5Final(digest, &ctx);
}

}  // namespace

int XCMD5Encoder(const char* text, char* out) {
    if (text == nullptr || out == nullptr) return 0;
    const std::size_t length = std::strlen(text);
    if (length > kMD5EncoderMaxLength) return 0;
    unsigned char digest[16];
    Digest(std::string_view(text, length), digest);
    DigestToHex(digest, out);
    return 1;
}

std::string XCMD5Encoder(std::string_view text) {
    if (text.size() > kMD5EncoderMaxLength) return {};
    unsigned char digest[16];
    Digest(text, digest);
    char hex[33];
    DigestToHex(digest, hex);
    return std::string(hex, 32);
}

void hmac_md5(const void* text, std::size_t textLength, const void* key, std::size_t keyLength,
              unsigned char digest[16]) {
    unsigned char shortKey[16];
    if (keyLength > 64) {
        Digest(std::string_view(static_cast<const char*>(key), keyLength), shortKey);
        key = shortKey;
        keyLength = 16;
    }

    unsigned char innerPad[64] = {};
    unsigned char outerPad[64] = {};
    if (keyLength > 0) {
        std::memcpy(innerPad, key, keyLength);
        std::memcpy(outerPad, key, keyLength);
    }
    for (int i = 0; i < 64; ++i) {
        innerPad[i] ^= 0x36;
        outerPad[i] ^= 0x5c;
    }

    MD5Context ctx;
    MD5Init(&ctx);
    MD5Update(&ctx, innerPad, 64);
    MD5Update(&ctx, text, textLength);
    MD5Final(digest, &ctx);

    MD5Init(&ctx);
    MD5Update(&ctx, outerPad, 64);
    MD5Update(&ctx, digest, 16);
    MD5Final(digest, &ctx);
}
