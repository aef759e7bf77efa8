#pragma once
// Fixed tables of the compound key and the keyed text coder (generated data, see
// scripts/gen_compound_key_tables.py). They define a stored format and never change.

// XORed over the packed compound key, starting at the key number.
extern const unsigned char kCompoundKeyMask[256];
// 256 alphabets of 64 distinct 7-bit printable characters (no '=', '"', ',', '\'' or
// '\\'), each followed by a NUL; alphabet k codes under key number k.
extern const char kKeyedBase64Alphabets[256][65];
