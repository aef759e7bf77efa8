#include "core/mailstore/mime_analyze.h"

int CMimeAnalyze::GetMIMEHtmlAttach(const int& index, MimeFormatStruct& part) const {
    if (index < 0 || index >= CountMIMEHtmlAttach()) return 0;
    part = htmlAttachList[index];
    return 1;
}
