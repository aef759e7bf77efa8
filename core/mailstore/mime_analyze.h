#pragma once
// The mail model with access to the inline parts of a received or imported message, for
// the screens that show or take apart such a message.

#include <vector>

#include "core/mailstore/mail_data_structure.h"

class CMimeAnalyze : public CMailDataStructure {
public:
    CMimeAnalyze() = default;
    CMimeAnalyze(const CMimeAnalyze&) = default;
    CMimeAnalyze& operator=(const CMimeAnalyze& other) {
        Copy(other);
        return *this;
    }
    ~CMimeAnalyze() override = default;

    int HtmlPartExist() const { return htmlBodySet; }
    int TextPartExist() const { return textBodySet; }
    // Copies of the HTML part and of the text part.
    void GetMIMEHtmlpart(MimeFormatStruct& part) const { part = htmlBody; }
    void GetMIMETextpart(MimeFormatStruct& part) const { part = textBody; }
    int CountMIMEHtmlAttach() const { return static_cast<int>(htmlAttachList.size()); }
    // The model's own lists, which the caller may change.
    std::vector<MimeFormatStruct>& GetRefOfMimeHtmlAttach() { return htmlAttachList; }
    std::vector<MimeFormatStruct>& GetRefOfMimeNormalAttach() { return normalAttachList; }

    // A copy of inline part `index`: 1, or 0 when there is no such part.
    int GetMIMEHtmlAttach(const int& index, MimeFormatStruct& part) const;
};
