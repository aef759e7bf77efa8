// libFuzzer target for the MIME parser, the part queries and the codecs. Every input is
// parsed as a message and fed to each decoder; encoders must round-trip it. Any crash,
// sanitizer report or failed round trip is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/mailstore/base64.h"
#include "core/mailstore/encoded_word.h"
#include "core/mailstore/mime_decode_tool.h"
#include "core/mailstore/mime_format_struct.h"
#include "core/mailstore/quoted_printable.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void QueryEntity(const MimeFormatStruct& p) {
    std::string s;
    size_t size = 0;
    p.GetContentType(s);
    p.GetCharset(s);
    p.GetContentId(s);
    p.ContentIdIs("x");
    p.GetNameParamFromContentType(s);
    p.GetMIMENormalAttachName();
    if (p.GetSizeAfterDecode(size) && p.ContentTransferEncodingIs("base64")) {
        std::string bytes;
        if (p.GetBodyAfterBase64Decode(bytes)) Check(bytes.size() <= size);
    }
    p.GetBodyAfterQuotedPrintableDecode(s);
    p.ConvertBodyToCp932String(s);
    MimeFormatStruct copy = p;
    copy.SetNameParamToContentType(p.body.substr(0, 40));
    copy.SetContentId("<id>");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);

    MimeFormatStruct mail;
    MimeDecodeTool::MimeDecode(in, mail);
    // Walk the tree without recursion; its depth is bounded by the nesting limit.
    std::vector<std::pair<const MimeFormatStruct*, int>> stack{{&mail, 0}};
    while (!stack.empty()) {
        auto [p, depth] = stack.back();
        stack.pop_back();
        Check(depth <= MimeDecodeTool::kMaxNesting);
        QueryEntity(*p);
        for (const MimeFormatStruct& c : p->subParts) stack.push_back({&c, depth + 1});
    }

    std::string out;
    normal_base64decoding(in);
    abnbase64decoding(in);
    base64decoding(out, in, size / 2);
    DecodeMailBody(in, 1);
    DecodeMailBody(in, 2);
    size_t qpSize = 0;
    if (GetSizeAfterQuotedPrintableDecoding(in, qpSize)) {
        Check(QuotedPrintableDecoding(in, out));
        Check(out.size() == qpSize);
    }
    MIMEbase64decoding(in);
    for (int mode = 1; mode <= 3; ++mode) MIMEDecodeVersion2(in, mode);
    DecodeMimeHeaderParam(in);
    base64encoding(in);
    MIMEBase64EncodeForJIS(in);
    EncodeAttachFileName(in);

    // Round trips.
    Check(base64decoding(out, base64encoding(in, -1)) == static_cast<long>(size) && out == in);
    Check(normal_base64decoding(base64encoding(in, -1)) == in);
    Check(abnbase64decoding(abnbase64encoding(in)) == in);
    Check(QuotedPrintableDecode(QuotedPrintableEncode(in)) == in);
    return 0;
}
