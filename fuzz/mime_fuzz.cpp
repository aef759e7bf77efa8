// libFuzzer target for the MIME parser, the part queries, the parameter reader and the
// codecs. Every input is parsed as a message and fed to each decoder; encoders must
// round-trip it, and the header encoders must write a safe header value from it. Any
// crash, sanitizer report, failed round trip or unsafe header is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/mailstore/base64.h"
#include "core/mailstore/encoded_word.h"
#include "core/mailstore/mime_header_param.h"
#include "core/mailstore/mime_decode_tool.h"
#include "core/mailstore/mime_format_struct.h"
#include "core/mailstore/quoted_printable.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// A header value as the encoders must write it, whatever their input: printable ASCII,
// with line ends only in folds (CR LF followed by a blank or tab), so no input can start a
// header of its own or put a raw byte into one.
void CheckHeaderValue(std::string_view v) {
    for (size_t i = 0; i < v.size(); ++i) {
        const auto c = static_cast<unsigned char>(v[i]);
        if (c == '\r') {
            Check(i + 2 < v.size() && v[i + 1] == '\n' && (v[i + 2] == ' ' || v[i + 2] == '\t'));
            i += 2;
        } else {
            Check(c == '\t' || (c >= 0x20 && c < 0x7F));
        }
    }
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
    DecodeHeaderTextToSjis(in);
    MimeHeaderParam param;
    ReadHeaderParam(in, "filename", param);
    FindHeaderParam(in, "name", out);
    CheckHeaderValue(base64encoding(in));
    CheckHeaderValue(MIMEBase64EncodeForJIS(in));
    EncodeAttachFileName(in);

    // Round trips.
    Check(base64decoding(out, base64encoding(in, -1)) == static_cast<long>(size) && out == in);
    Check(normal_base64decoding(base64encoding(in, -1)) == in);
    Check(abnbase64decoding(abnbase64encoding(in)) == in);
    Check(QuotedPrintableDecode(QuotedPrintableEncode(in)) == in);
    return 0;
}
