#pragma once
// MD5 (RFC 1321) and HMAC-MD5 (RFC 2104), the published algorithms unchanged.
// MD5 gives the key number of coded record files and the environment password digests;
// HMAC-MD5 answers CRAM-MD5 challenges of the SMTP client.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Step-by-step digest state. Member order is part of the interface.
struct MD5Context {
    uint32_t state[4];          // A, B, C, D
    uint32_t count[2];          // number of bits fed so far, low word first (mod 2^64)
    unsigned char buffer[64];   // input not yet processed (count/8 mod 64 bytes)
};

// Starts a digest. A context is not reused after MD5Final without a new MD5Init.
void MD5Init(MD5Context* ctx);
// Feeds `length` bytes (any length, any number of calls).
void MD5Update(MD5Context* ctx, const void* input, std::size_t length);
// Pads, writes the 16 digest bytes and wipes the context.
void MD5Final(unsigned char digest[16], MD5Context* ctx);
// Runs the compression function on one 64-byte block given as 16 little-endian words.
void MD5Transform(uint32_t state[4], const uint32_t block[16]);

// Longest text XCMD5Encoder accepts, in bytes (its bit count once had to fit 32 bits).
inline constexpr std::size_t kMD5EncoderMaxLength = 536870847;

// Digests the bytes of the NUL-terminated `text` and writes 32 lower-case hex digits and
// a NUL into `out`, which must hold 33 bytes. Result 1; 0 (out untouched) when the text is
// longer than kMD5EncoderMaxLength or a pointer is null.
int XCMD5Encoder(const char* text, char* out);
// The same for any bytes (NULs included): 32 lower-case hex digits, or "" when the text is
// longer than kMD5EncoderMaxLength.
std::string XCMD5Encoder(std::string_view text);

// HMAC-MD5 of textLength bytes of text under keyLength bytes of key into 16 bytes at
// digest. A key longer than 64 bytes is first replaced by its MD5 digest.
void hmac_md5(const void* text, std::size_t textLength, const void* key, std::size_t keyLength,
              unsigned char digest[16]);

// Writes `count` words as 4 * count bytes, least significant byte of each word first.
void DWord2Byte(unsigned char* output, const uint32_t* input, std::size_t count);
// Reads `length` bytes as (length + 3) / 4 words, least significant byte first. A final
// partial word is filled with zero bytes; nothing past input[length - 1] is read.
void Byte2DWord(uint32_t* output, const unsigned char* input, std::size_t length);
