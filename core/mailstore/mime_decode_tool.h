#pragma once
// The MIME parser: message text (a received mail, a stored .eml file, a stored part) to a
// tree of MimeFormatStruct entities. Bodies are kept as written; the entities' queries
// decode them on demand.
//
// How an entity is read (RFC 5322, RFC 2045, RFC 2046), line ends first made CR LF:
//  - the header ends at the first empty line; an entity that starts with an empty line
//    has none; one without an empty line is a header block without a body when every line
//    of it is a header line (a part written as headers only), else all body;
//  - a fold (a line end followed by a blank or tab) is unfolded by removing the line end:
//    its white space stays ("for the\r\n quarterly" reads "for the quarterly");
//  - a multipart body is split at its delimiter lines ("--" boundary, at the start of a
//    line, blanks allowed after it), up to the first closing one; the boundary parameter
//    is read quoted, escaped or in RFC 2231 form (mime_header_param.h);
//  - a part of a multipart/digest without Content-Type is an enclosed message; a
//    Content-Type without a subtype is text/plain (see MimeFormatStruct::contentTypeValue).
//
// Mail from outside is hostile input. The parser never stops at a fault: a bad line end,
// a header line without a colon, a multipart entity without a boundary or without its
// closing delimiter make the result 0 while the tree holds what could be read (a body
// without its closing delimiter keeps the parts read so far, the last one running to the
// end). Nesting of multipart and message/rfc822 entities is limited to kMaxNesting levels
// below the message; a deeper entity stays a leaf holding its body, and the result is 0.
// The tree is built without recursion.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/mailstore/mime_format_struct.h"

class MimeDecodeTool {
public:
    static constexpr int kMaxNesting = 32;

    MimeDecodeTool() = default;
    MimeDecodeTool(const MimeDecodeTool&) {}
    MimeDecodeTool& operator=(const MimeDecodeTool&) { return *this; }
    virtual ~MimeDecodeTool() = default;

    // Parses `text` into `part` (emptied first). 1 when the whole tree was read without a
    // fault, 0 otherwise; `part` is filled as far as possible either way.
    static int MimeDecode(std::string_view text, MimeFormatStruct& part);

    // Every record of `headerList` whose name equals `name` without regard to case (not
    // trimmed), appended to `found` (emptied first) in order; returns their number.
    static int GetHeaderInfo(std::string_view name, const std::vector<MimeHeaderStruct>& headerList,
                             std::vector<MimeHeaderStruct>& found);

    // "type/subtype; params": type before the first "/" (the whole value without one),
    // subtype up to the first ";", params from that ";" on. No trimming.
    static void SplitContentType(std::string_view value, std::string& type, std::string& subType,
                                 std::string& params);

    // Case-insensitive search: the position of `pattern` in `text`, or npos. An empty
    // pattern matches at 0.
    static size_t stristr(std::string_view text, std::string_view pattern);

    // Deep copy; returns the target.
    static MimeFormatStruct& CopyMimeFormatStruct(MimeFormatStruct& target, const MimeFormatStruct& source);

protected:
    // Splits a message at its first empty line (line ends are made CR LF first). The header
    // keeps the CR LF of its last line; a text that starts with a line end has no header
    // and its body follows that line end; a text without an empty line is a header (its
    // last line given a CR LF) when every line of it is a header line, else all body.
    static void SplitHeaderBody(std::string_view text, std::string& header, std::string& body);

    // Unfolds a header block (the line end of a fold is removed, its blank or tab kept) and
    // splits each CR LF-terminated line at its first ":" into a record. A
    // lone CR or LF is taken as a line end but makes the result 0; so does a line without
    // a colon, which becomes a record with the whole line as name and an empty value. A
    // last line without a line end is dropped.
    static int SplitMailHeader(std::string_view header, std::vector<MimeHeaderStruct>& headerList);

    // The part texts of a multipart body between "--boundary" delimiter lines (blanks may
    // follow the boundary), up to the first closing "--boundary--": 1. 0 with no parts
    // when there is no delimiter or a closing one comes first; 0 with the parts read when
    // the closing delimiter is missing, the last part running to the end of the body.
    static int SplitMailBody(std::string_view body, std::vector<std::string>& parts,
                             std::string_view boundary);

    // Every CR LF, LF CR, lone CR and lone LF as one CR LF.
    static std::string CrLfConv(std::string_view text);
};
