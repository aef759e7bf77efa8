#pragma once
// The encodings the mail protocols need for logging in: base64 (RFC 4648, one line, with
// padding), the HMAC-MD5 of CRAM-MD5 (RFC 2195) and the MD5 of APOP (RFC 1939). Done with OpenSSL, because the
// platform layer cannot use the core library's codecs.

#include <optional>
#include <string>
#include <string_view>

namespace netssl {

std::string Base64Encode(std::string_view bytes);

// Decodes base64 text; blanks and line breaks are skipped. Nothing for malformed text.
std::optional<std::string> Base64Decode(std::string_view text);

// HMAC-MD5 of `message` under `key`, as 32 lower-case hexadecimal digits.
std::string HmacMd5Hex(std::string_view key, std::string_view message);

// MD5 of `bytes` (APOP, RFC 1939), as 32 lower-case hexadecimal digits.
std::string Md5Hex(std::string_view bytes);

}  // namespace netssl
