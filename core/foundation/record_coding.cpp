#include "core/foundation/record_coding.h"

#include <cstring>
#include <string>

#include "core/foundation/md5.h"
#include "core/foundation/record_code_tables.h"

namespace rct = record_code_tables;

const unsigned char* DefaultEncodeTable() { return rct::kDefaultEncode; }
const unsigned char* DefaultDecodeTable() { return rct::kDefaultDecode; }
const unsigned char* RecordEncodeTable(int k) { return rct::kRecordEncode + 256 * (k & 0xFF); }
const unsigned char* RecordDecodeTable(int k) { return rct::kRecordDecode + 256 * (k & 0xFF); }
const unsigned char* StringEncodeTable(int k) { return rct::kStringEncode + 256 * (k & 0xFF); }
const unsigned char* StringDecodeTable(int k) { return rct::kStringDecode + 256 * (k & 0xFF); }

unsigned char CharEncode(unsigned char c, const unsigned char* table) {
    return (table != nullptr ? table : rct::kDefaultEncode)[c];
}

unsigned char CharDecode(unsigned char c, const unsigned char* table) {
    return (table != nullptr ? table : rct::kDefaultDecode)[c];
}

void CodeBytes(char* bytes, std::size_t n, const unsigned char* table) {
    unsigned char* p = reinterpret_cast<unsigned char*>(bytes);
    for (std::size_t i = 0; i < n; ++i) p[i] = table[p[i]];
}

namespace {

int CodeString(const char* src, char* dst, const unsigned char* table) {
    if (src == nullptr || dst == nullptr) return -1;
    const std::size_t n = std::strlen(src);
    if (dst != src) std::memmove(dst, src, n + 1);
    CodeBytes(dst, n, table);
    return static_cast<int>(n);
}

}  // namespace

int StringEncodeAppointTable(const char* src, char* dst, const unsigned char* table) {
    return CodeString(src, dst, table != nullptr ? table : rct::kDefaultEncode);
}

int StringDecodeAppointTable(const char* src, char* dst, const unsigned char* table) {
    return CodeString(src, dst, table != nullptr ? table : rct::kDefaultDecode);
}

int StringEncode(const char* src, char* dst, const char* key) {
    return CodeString(src, dst, key != nullptr ? StringEncodeTable(GetKeyNumber(key)) : rct::kDefaultEncode);
}

int StringDecode(const char* src, char* dst, const char* key) {
    return CodeString(src, dst, key != nullptr ? StringDecodeTable(GetKeyNumber(key)) : rct::kDefaultDecode);
}

int GetKeyNumber(std::string_view key) {
    const std::string hex = XCMD5Encoder(key);
    unsigned sum = 0;
    for (std::size_t i = 1; i < 32 && i < hex.size(); i += 2)
        sum += static_cast<unsigned char>(hex[i]) ^ rct::kKeyNumberMask[i];
    return static_cast<int>(sum % 256);
}

int GetKeyNumber(const char* key) {
    if (key == nullptr) return -1;
    return GetKeyNumber(std::string_view(key));
}

int CheckCharInString(char ch, const char* text) {
    if (text == nullptr || ch == '\0') return 0;
    return std::strchr(text, ch) != nullptr ? 1 : 0;
}
