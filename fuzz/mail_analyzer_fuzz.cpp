// libFuzzer target for the received-mail analysis: every input is analysed as a message
// with both switches on, and every attachment is copied out. Any crash, sanitizer report
// or result outside the documented types is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/transport/mail_analyzer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    MailAnalyzer a;
    a.SetResistWithEmpty(1);
    a.SetRefuseWithKeyword(1, "stop");
    a.MailAnalysis(in);
    const int type = a.GetMailType();
    if (type != -1 && (type < 1 || type > 4)) std::abort();
    MimeFormatStruct part;
    for (int i = 0; i < a.GetAttachFileNum(); ++i)
        if (a.GetAttachFileData(i, part) != 1) std::abort();
    std::string id;
    MailAnalyzer::CutDownMessageID(in, id);
    return 0;
}
