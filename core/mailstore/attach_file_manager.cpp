#include "core/mailstore/attach_file_manager.h"

#include <sys/stat.h>

#include "core/foundation/sjis_bytes.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/encoded_word.h"
#include "core/mailstore/mime_decode_tool.h"
#include "core/mailstore/mime_header_param.h"
#include "core/mailstore/mime_line_limit.h"
#include "core/mailstore/mime_text_util.h"
#include "core/mailstore/quoted_printable.h"
#include "platform/safe_write.h"

namespace {

constexpr int kNoLineBreaks = -1;

// A file name as it may stand inside a quoted header parameter: a control byte (a CR or
// LF would end the header line) becomes a blank and a double quote is escaped.
std::string QuotedParam(std::string_view encodedName) {
    std::string out;
    out.reserve(encodedName.size() + 2);
    for (size_t i = 0; i < encodedName.size(); ++i) {
        const char c = encodedName[i];
        // Keep the folds (CR LF TAB) between the encoded words of a long name.
        if (c == '\r' && i + 2 < encodedName.size() && encodedName[i + 1] == '\n' && encodedName[i + 2] == '\t') {
            out += "\r\n\t";
            i += 2;
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            out += ' ';
        } else if (c == '"') {
            out += "\\\"";
        } else {
            out += c;
        }
    }
    return out;
}

// The text after the last separator. A path built by a format written with backslashes
// may hold either separator; two-byte characters are skipped whole, so the trail byte 0x5C
// of a name such as 表 is not taken for a backslash.
std::string LastPathComponent(std::string_view path) {
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        const auto b = static_cast<unsigned char>(path[i]);
        if (IsSjisLeadByte(b)) {
            ++i;
        } else if (b == '/' || b == '\\') {
            start = i + 1;
        }
    }
    return std::string(path.substr(start));
}

}  // namespace

void CAttachFileManager::Init() {
    fileBodyBase64.clear();
    fileName.clear();
}

int CAttachFileManager::SetFileInfoFromFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    std::string bytes;
    if (!platform::ReadNamedFile(path, bytes)) return -2;
    fileName = LastPathComponent(path);
    fileBodyBase64 = base64encoding(bytes, kNoLineBreaks);
    return 0;
}

int CAttachFileManager::SetFileInfoFromMimeString(std::string_view text) {
    MimeFormatStruct part;
    if (!MimeDecodeTool::MimeDecode(text, part)) return -1;
    return SetFileInfoFromMimeFormatStruct(std::move(part));
}

int CAttachFileManager::SetFileInfoFromMimeFormatStruct(MimeFormatStruct part) {
    const std::string_view encoding = part.transferEncodingValue;
    if (mime_text::ContainsNoCase(encoding, "base64")) {
        fileBodyBase64 = std::move(part.body);
    } else if (mime_text::ContainsNoCase(encoding, "quoted-printable")) {
        fileBodyBase64 = base64encoding(QuotedPrintableDecode(part.body), kNoLineBreaks);
    } else if (mime_text::ContainsNoCase(encoding, "7bit")) {
        fileBodyBase64 = base64encoding(part.body, kNoLineBreaks);
    } else {
        fileBodyBase64.clear();
        return -2;
    }
    fileName = GetAttacheFileName(part);
    return fileName.empty() ? 3 : 0;
}

std::string CAttachFileManager::GetFileMimeString() const {
    if (fileName.empty() && fileBodyBase64.empty()) return std::string();
    const std::string name = QuotedParam(EncodeFileName(fileName));
    std::string out;
    out.reserve(fileBodyBase64.size() + fileBodyBase64.size() / 38 + 2 * name.size() + 160);
    out += "Content-type: application/octet-stream;\r\n\tname=\"";
    out += name;
    out += "\"\r\nContent-Disposition: attachment;\r\n\tfilename=\"";
    out += name;
    out += "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    if (mime_line::IsBase64Wrapped(fileBodyBase64))
        out += fileBodyBase64;
    else
        out += mime_line::WrapBase64(fileBodyBase64);
    return out;
}

std::string CAttachFileManager::EncodeFileName(std::string_view sjisName) { return EncodeAttachFileName(sjisName); }

std::string CAttachFileManager::GetAttacheFileName(const MimeFormatStruct& part) {
    std::string raw;
    if (!FindHeaderParam(part.dispositionValue, "filename", raw) && !FindHeaderParam(part.contentTypeValue, "name", raw))
        return std::string();
    return DecodeMimeHeaderParam(raw);
}
