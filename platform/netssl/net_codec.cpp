#include "platform/netssl/net_codec.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace netssl {
namespace {

std::string LowerHex(const unsigned char* bytes, unsigned int count) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < count; ++i) {
        out.push_back(kHex[bytes[i] >> 4]);
        out.push_back(kHex[bytes[i] & 15]);
    }
    return out;
}

}  // namespace

std::string Base64Encode(std::string_view bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3), '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<int>(bytes.size()));
    out.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return out;
}

std::optional<std::string> Base64Decode(std::string_view text) {
    std::string clean;
    clean.reserve(text.size());
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        clean.push_back(c);
    }
    if (clean.size() % 4 != 0) return std::nullopt;
    if (clean.empty()) return std::string();
    std::string out(clean.size() / 4 * 3, '\0');
    const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(clean.data()),
                                  static_cast<int>(clean.size()));
    if (n < 0) return std::nullopt;
    // EVP_DecodeBlock counts the padding as data: take it back off.
    size_t len = static_cast<size_t>(n);
    if (clean.ends_with("==")) len -= 2;
    else if (clean.ends_with("=")) len -= 1;
    out.resize(len);
    return out;
}

std::string HmacMd5Hex(std::string_view key, std::string_view message) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    HMAC(EVP_md5(), key.data(), static_cast<int>(key.size()),
         reinterpret_cast<const unsigned char*>(message.data()), message.size(), digest, &len);
    return LowerHex(digest, len);
}

std::string Md5Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &len, EVP_md5(), nullptr);
    return LowerHex(digest, len);
}

}  // namespace netssl
