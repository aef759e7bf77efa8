#pragma once
// EmlFileEncoder: writes a subject, a plain text and an HTML text (all Shift_JIS) as one
// stored message text (.eml): Subject, MIME-Version and Content-Type headers, then the
// multipart/alternative body of HtmlMailEncoder.

#include "core/mailstore/html_mail_encoder.h"

#include <string>

class EmlFileEncoder : public HtmlMailEncoder {
public:
    EmlFileEncoder();
    EmlFileEncoder(const EmlFileEncoder&) = default;
    EmlFileEncoder& operator=(const EmlFileEncoder&) = default;
    ~EmlFileEncoder() = default;

    void SetEmlSubject(const std::string& subject);
    void SetEmlPlainTextBody(const std::string& text);
    void SetEmlHtmlTextBody(const std::string& html);

    // Writes the message text into `out`: 1; 0 (out untouched) when the plain text or the
    // HTML text is empty. The subject is written by the header encoder (encoded_word.h):
    // its Japanese words as ISO-2022-JP encoded words of at most 66 characters, each on a
    // line of its own, its ASCII words as they are unless they look like encoded words, so
    // that a reader shows exactly the subject; line breaks in the subject become blanks,
    // so they can never start a header of their own.
    int EmlEncode(std::string& out);

private:
    void EmlInit();

    std::string emlSubject;
};
