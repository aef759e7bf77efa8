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
    // HTML text is empty. A Japanese subject becomes ISO-2022-JP encoded words cut into
    // short segments, so no header line grows long; line breaks in the subject become
    // blanks, so they can never start a header of their own.
    int EmlEncode(std::string& out);

private:
    void EmlInit();

    std::string emlSubject;
};
