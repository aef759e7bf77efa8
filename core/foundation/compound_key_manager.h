#pragma once
// CCompoundKeyManager packs an environment's three secrets (the use-start-up-password flag,
// the password's MD5 digest and the 64-character data key) into the one text kept in the
// environment descriptor, and unpacks them again, under the descriptor key.
//
// Packing: the three parts as one quoted, comma-separated line; the line interleaved with
// its own MD5 hex digest; each byte XORed with the mask from position k on; Base64 with
// alphabet k; '=' removed. k is the key number of the descriptor key. Unpacking checks the
// digest, so a text changed in any character unpacks to nothing.
//
// Every failure gives the empty text: callers (EnvManager) turn it into their own codes.

#include <cstddef>
#include <string>
#include <string_view>

class CCompoundKeyManager {
public:
    CCompoundKeyManager() = default;
    virtual ~CCompoundKeyManager() = default;
    CCompoundKeyManager(const CCompoundKeyManager&) = default;
    CCompoundKeyManager& operator=(const CCompoundKeyManager&) = default;

    // The descriptor key; its key number selects the mask offset and the alphabet.
    void SetKeyForSelectTable(std::string_view key) { tableKey_ = key; }
    void SetCompoundKey(std::string_view packed) { compoundKey_ = packed; }
    const std::string& GetCompoundKey() const { return compoundKey_; }

    // Packs the three parts, stores the result as the compound key and returns it. The
    // empty text (nothing stored) when no table key is set or the packing fails.
    std::string MakeCompoundKey(std::string_view flag, std::string_view digest,
                                std::string_view dataKey);

    // Part 0, 1 or 2 of the stored compound key; the empty text when either member is
    // empty, the text does not unpack or its digest does not match.
    std::string GetUseEnvPasswordFlag() const { return Part(0); }
    std::string GetEnvPasswordMD5() const { return Part(1); }
    std::string GetDBKey() const { return Part(2); }

    // The key number (0..255) of a key text: the one function the record files use.
    static int GetKeyNumber(std::string_view key);

    // A new data key: 64 characters of standard Base64 (never '=' or '?') from the
    // operating system's cryptographic random source. The empty text if that source fails.
    static std::string MakeRandomString();
    // The same into `buffer` (64 characters and a NUL; `size` must be at least 65).
    // False (buffer untouched) when it is too small or the random source fails.
    static bool MakeRandomString(char* buffer, std::size_t size);

    // The keyed Base64 coders (keyed_base64.h), here as the class offers them.
    static int EncodeBase64WithKeyTable(std::string& out, std::string_view in, int table);
    static int DecodeBase64WithKeyTable(std::string& out, std::string_view text, int table);

    // Packs `text` with table k into `out` (the packed text, '=' removed). False (out
    // untouched) for a bad table number.
    static bool EncodeCompoundKeyText(std::string_view text, std::string& out, int table);
    // Unpacks; nonzero on success. Fails (out untouched) for a bad table number, a
    // character outside the alphabet, fewer than 64 decoded bytes or a digest mismatch.
    static int DecodeCompoundKeyText(std::string_view packed, std::string& out, int table);

private:
    std::string Part(int index) const;

    std::string tableKey_;
    std::string compoundKey_;
};
