#include "core/foundation/compound_key_manager.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>
#include <sys/random.h>

#include "core/foundation/compound_key_tables.h"
#include "core/foundation/keyed_base64.h"
#include "core/foundation/md5.h"
#include "core/foundation/record_coding.h"
#include "core/foundation/string_utils.h"

namespace {

constexpr std::size_t kDigestLength = 32;
constexpr std::size_t kDataKeyLength = 64;

void ApplyMask(std::string& bytes, int table) {
    for (std::size_t j = 0; j < bytes.size(); ++j)
        bytes[j] = static_cast<char>(static_cast<unsigned char>(bytes[j]) ^
                                     kCompoundKeyMask[(static_cast<std::size_t>(table) + j) % 256]);
}

std::string Quote(std::string_view part) {
    std::string q = "\"";
    for (char c : part) {
        if (c == '"') q += '"';
        q += c;
    }
    q += '"';
    return q;
}

// Fills `out` from the operating system's random source; false when it fails.
bool RandomBytes(unsigned char* out, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::getrandom(out + got, n - got, 0);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        got += static_cast<std::size_t>(r);
    }
    return true;
}

}  // namespace

int CCompoundKeyManager::GetKeyNumber(std::string_view key) { return ::GetKeyNumber(key); }

std::string CCompoundKeyManager::MakeRandomString() {
    // 48 random bytes are exactly 64 Base64 characters, so no '=' ever appears, and the
    // standard alphabet has no '?'.
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    unsigned char bytes[48];
    if (!RandomBytes(bytes, sizeof bytes)) return std::string();
    std::string key;
    key.reserve(kDataKeyLength);
    for (std::size_t i = 0; i < sizeof bytes; i += 3) {
        const unsigned v = (unsigned{bytes[i]} << 16) | (unsigned{bytes[i + 1]} << 8) | bytes[i + 2];
        key += kAlphabet[(v >> 18) & 63];
        key += kAlphabet[(v >> 12) & 63];
        key += kAlphabet[(v >> 6) & 63];
        key += kAlphabet[v & 63];
    }
    std::memset(bytes, 0, sizeof bytes);
    return key;
}

bool CCompoundKeyManager::MakeRandomString(char* buffer, std::size_t size) {
    if (buffer == nullptr || size < kDataKeyLength + 1) return false;
    const std::string key = MakeRandomString();
    if (key.size() != kDataKeyLength) return false;
    std::memcpy(buffer, key.data(), kDataKeyLength);
    buffer[kDataKeyLength] = '\0';
    return true;
}

int CCompoundKeyManager::EncodeBase64WithKeyTable(std::string& out, std::string_view in, int table) {
    return ::EncodeBase64WithKeyTable(out, in, table);
}

int CCompoundKeyManager::DecodeBase64WithKeyTable(std::string& out, std::string_view text,
                                                  int table) {
    return ::DecodeBase64WithKeyTable(out, text, table);
}

bool CCompoundKeyManager::EncodeCompoundKeyText(std::string_view text, std::string& out, int table) {
    if (table < 0 || table > 255) return false;
    const std::string digest = XCMD5Encoder(text);
    if (digest.size() != kDigestLength) return false;
    // The digest and the text interleaved byte by byte; whichever is longer goes on alone.
    std::string mixed;
    mixed.reserve(text.size() + kDigestLength);
    const std::size_t pairs = std::min(text.size(), kDigestLength);
    for (std::size_t i = 0; i < pairs; ++i) {
        mixed += digest[i];
        mixed += text[i];
    }
    if (text.size() >= kDigestLength)
        mixed.append(text.substr(kDigestLength));
    else
        mixed.append(digest, text.size(), std::string::npos);
    ApplyMask(mixed, table);
    std::string coded;
    if (::EncodeBase64WithKeyTable(coded, mixed, table) < 0) return false;
    std::erase(coded, '=');
    out.swap(coded);
    return true;
}

int CCompoundKeyManager::DecodeCompoundKeyText(std::string_view packed, std::string& out, int table) {
    std::string bytes;
    if (::DecodeBase64WithKeyTable(bytes, packed, table) < 0) return 0;
    // 32 pairs of digest character and text byte must be there; a shorter text is damage.
    if (bytes.size() < 2 * kDigestLength) return 0;
    ApplyMask(bytes, table);
    std::string digest, text;
    digest.reserve(kDigestLength);
    text.reserve(bytes.size() - kDigestLength);
    for (std::size_t i = 0; i < kDigestLength; ++i) {
        digest += bytes[2 * i];
        text += bytes[2 * i + 1];
    }
    text.append(bytes, 2 * kDigestLength, std::string::npos);
    if (XCMD5Encoder(text) != digest) return 0;
    out.swap(text);
    return 1;
}

std::string CCompoundKeyManager::MakeCompoundKey(std::string_view flag, std::string_view digest,
                                                 std::string_view dataKey) {
    if (tableKey_.empty()) return std::string();
    const std::string line = Quote(flag) + "," + Quote(digest) + "," + Quote(dataKey);
    std::string packed;
    if (!EncodeCompoundKeyText(line, packed, GetKeyNumber(tableKey_))) return std::string();
    compoundKey_ = packed;
    return packed;
}

std::string CCompoundKeyManager::Part(int index) const {
    if (tableKey_.empty() || compoundKey_.empty()) return std::string();
    std::string line;
    if (!DecodeCompoundKeyText(compoundKey_, line, GetKeyNumber(tableKey_))) return std::string();
    std::vector<std::string> fields;
    SplitString(line, fields, ",", '"');
    if (fields.size() != 3) return std::string();
    return std::move(fields[static_cast<std::size_t>(index)]);
}
