#include "core/mailstore/eml_file_encoder.h"

#include "core/foundation/kcode.h"
#include "core/mailstore/encoded_word.h"

namespace {

// The subject as it may stand in a header: line breaks become blanks; Japanese text, and
// ASCII that a reader would take for an encoded word, go into encoded words; a long line
// is folded.
std::string EncodeSubject(std::string subject) {
    bool ascii = true;
    for (char& c : subject) {
        if (c == '\r' || c == '\n') c = ' ';
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    }
    return base64encoding(ascii ? subject : KCodeC().sjtojis7(subject, 0));
}

}  // namespace

EmlFileEncoder::EmlFileEncoder() { EmlInit(); }

void EmlFileEncoder::EmlInit() { emlSubject.clear(); }

void EmlFileEncoder::SetEmlSubject(const std::string& subject) { emlSubject = subject; }

void EmlFileEncoder::SetEmlPlainTextBody(const std::string& text) { SetPlainText(text); }

void EmlFileEncoder::SetEmlHtmlTextBody(const std::string& html) { SetHtmlText(html); }

int EmlFileEncoder::EmlEncode(std::string& out) {
    if (!Encode(1, 1, 1)) return 0;
    std::string type, subType, params;
    GetContentTypeString(type, subType, params);
    out = "Subject: " + EncodeSubject(emlSubject) + "\r\nMIME-Version: 1.0\r\nContent-Type: " + type +
          "/" + subType + params + "\r\n\r\n" + GetMailBodyString();
    return 1;
}
