#pragma once
// EmlFileDecoder: takes a stored message text (.eml) apart into its subject, plain text
// and HTML text, all converted to Shift_JIS for the composing screens.
//
// Which parts count: the text/plain and text/html leaves of the tree, walked in order (a
// later one of the same kind replaces an earlier one), except that a multipart/related
// whose root is not an alternative gives only its first part while nothing has been
// found yet, and parts sent as attachments (Content-Disposition: attachment) are never
// taken for the body. An entity without Content-Type is plain text, as MIME defines.
//
// Charsets: ISO-2022-JP, UTF-8 and EUC-JP bodies are converted by their declared
// charset; Shift_JIS is kept; without a known charset the code is detected (ISO-2022-JP,
// then valid UTF-8, then EUC-JP; anything else is kept). The subject's encoded words are
// decoded in every charset DecodeHeaderTextToSjis knows, several in one subject too.

#include "core/mailstore/mime_decode_tool.h"
#include "core/mailstore/mime_format_struct.h"

#include <string>

class EmlFileDecoder : public MimeDecodeTool {
public:
    EmlFileDecoder();
    EmlFileDecoder(const EmlFileDecoder&) = default;
    EmlFileDecoder& operator=(const EmlFileDecoder&) = default;
    ~EmlFileDecoder() override = default;

    // Parses `text`: 1 with the texts set. A message the parser reports damaged (a
    // multipart without its closing delimiter, a broken header line) still gives the
    // subject and texts it could read, with 1; 0 (texts empty) only when it gave nothing.
    int EmlDecode(std::string text);

    std::string GetSubject() const { return subject; }
    std::string GetPlainText() const { return plainText; }
    std::string GetHtmlText() const { return htmlText; }

private:
    void init();
    void WalkPart(const MimeFormatStruct& part, int depth);

    std::string plainText;
    std::string htmlText;
    std::string subject;
    int plainTextFound = 0;
    int htmlTextFound = 0;
    MimeFormatStruct mime;
};
