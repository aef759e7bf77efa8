#pragma once
// Byte-substitution coding of record files. A coded file has every byte replaced through
// a 256-byte table: the default table when no key is given (a null key), otherwise table
// number GetKeyNumber(key) of a block of 256. An empty key text is a key like any other.
// Tables keep NUL and LF, so coded lines still split at LF and stay NUL-terminated.

#include <cstddef>
#include <string_view>

// The table entry for `c`; a null table means the default encode (decode) table.
unsigned char CharEncode(unsigned char c, const unsigned char* table);
unsigned char CharDecode(unsigned char c, const unsigned char* table);

// Code the NUL-terminated `src` into `dst` (same length plus NUL; dst may equal src)
// through `table` (null: the default table). Result: the number of bytes coded, -1 when
// src or dst is null.
int StringEncodeAppointTable(const char* src, char* dst, const unsigned char* table);
int StringDecodeAppointTable(const char* src, char* dst, const unsigned char* table);

// As above through table GetKeyNumber(key) of the string blocks; a null key selects the
// default tables.
int StringEncode(const char* src, char* dst, const char* key);
int StringDecode(const char* src, char* dst, const char* key);

// The key number 0..255 of a key text: its MD5 as 32 lower-case hex digits, each XORed
// with the byte at the same place of a fixed mask; the sum modulo 256 of the masked bytes
// at the 2nd, 4th, ..., 32nd places. -1 for a null key (which selects no block table).
int GetKeyNumber(const char* key);
int GetKeyNumber(std::string_view key);

// 1 when `ch` occurs in the NUL-terminated `text`, else 0 (also for a null text or NUL).
int CheckCharInString(char ch, const char* text);

// The tables themselves, for the record readers and writers. keyNumber must be 0..255.
const unsigned char* DefaultEncodeTable();
const unsigned char* DefaultDecodeTable();
const unsigned char* RecordEncodeTable(int keyNumber);
const unsigned char* RecordDecodeTable(int keyNumber);
const unsigned char* StringEncodeTable(int keyNumber);
const unsigned char* StringDecodeTable(int keyNumber);

// Codes `n` bytes in place through `table` (NULs included: no early stop).
void CodeBytes(char* bytes, std::size_t n, const unsigned char* table);
