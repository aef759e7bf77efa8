#pragma once
// The text boundary between the core (Shift_JIS bytes, code page 932) and the widgets
// (QString). Every text that crosses it goes through these functions.
//
// The round trip FromSjis -> ToSjis gives back the same bytes for every CP932 character:
//  - the user-defined area 0xF040-0xF9FC (where the carriers' pictograms live) travels as
//    the private-use characters U+E000-U+E757;
//  - where CP932 has several codes for one character (NEC row 13, the NEC-selected IBM
//    rows 0xED/0xEE and the IBM rows 0xFA-0xFC), the code the converter would not choose
//    by itself travels as the character followed by one or two ZERO WIDTH NON-JOINERs
//    (U+200C). The joiner draws nothing and belongs to the character's cluster, so the
//    cursor steps over both, and text the user does not touch keeps its bytes. Since no
//    CP932 text holds U+200C, a joiner that follows nothing of the kind is dropped.
// Bytes that are not CP932 at all (a broken lead byte, 0x80, 0xA0, 0xFD-0xFF, unassigned
// pairs) become U+FFFD, as in the core's converter; ToSjis writes a blank for a character
// CP932 cannot hold.
//
// File-system paths are not Shift_JIS: they are the bytes the file system holds (UTF-8
// here) and cross with FromPath / ToPath. A path shown inside a Shift_JIS message of the
// core goes through PathToSjis.

#include <QString>

#include <string>
#include <string_view>

namespace ui {

QString FromSjis(std::string_view sjis);
std::string ToSjis(const QString& text);

// The number of bytes `text` takes in Shift_JIS (what ToSjis(text).size() gives).
std::size_t SjisLength(const QString& text);

// Whether ToSjis keeps the character `c` (a code of its own, not the blank it writes for
// what CP932 cannot hold). The joiner U+200C counts as kept: it only chooses the code of
// the character before it.
bool IsSjisCharacter(char32_t c);

// A UTF-8 literal of the source.
inline QString U8(const char* utf8) { return QString::fromUtf8(utf8); }

QString FromPath(const std::string& path);
std::string ToPath(const QString& path);
std::string PathToSjis(const std::string& path);

}  // namespace ui
