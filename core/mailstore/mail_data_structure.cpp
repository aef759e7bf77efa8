#include "core/mailstore/mail_data_structure.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>

#include "core/foundation/directory_utils.h"
#include "core/foundation/kcode.h"
#include "core/foundation/sjis_bytes.h"
#include "core/foundation/string_utils.h"
#include "core/mailstore/attach_file_manager.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/mail_word_insert.h"
#include "core/mailstore/mime_charset.h"
#include "core/mailstore/mime_decode_tool.h"
#include "core/mailstore/mime_line_limit.h"
#include "core/mailstore/mime_text_util.h"
#include "core/mailstore/quoted_printable.h"
#include "platform/safe_write.h"

namespace {

using mime_text::ContainsNoCase;
using mime_text::EqualsNoCase;

// Every boundary this writer makes starts with this text: a piece of content without it
// can hold no boundary, so each piece is searched once, not once per boundary.
constexpr std::string_view kBoundaryPrefix = "_VARNIS_MULTIPART_";

// --- Writing one entity -----------------------------------------------------------------

// One record as written: "name:value" CR LF, with a fold after every ";" of the value.
// The value keeps its own blank after the colon. Where a blank or tab follows the ";", the
// fold is the line end before it; elsewhere it is CR LF TAB. So a value read back (the
// parser keeps the white space of a fold) is written as it was read, and a round trip
// adds nothing.
void AppendHeaderRecord(std::string& out, std::string_view name, std::string_view value) {
    out += name;
    out += ':';
    size_t pos = 0;
    for (size_t semi; (semi = value.find(';', pos)) != std::string_view::npos; pos = semi + 1) {
        out.append(value, pos, semi + 1 - pos);
        const bool blankFollows = semi + 1 < value.size() && (value[semi + 1] == ' ' || value[semi + 1] == '\t');
        out += blankFollows ? "\r\n" : "\r\n\t";
    }
    out.append(value, pos);
    out += "\r\n";
}

// An entity ready to be written: its header text and its body, the body either the part's
// own (a view) or a form of it made fit to send.
struct Entity {
    std::string header;
    std::string ownBody;
    std::string_view body;

    Entity() = default;
    Entity(const Entity&) = delete;
    Entity& operator=(const Entity&) = delete;
    Entity(Entity&& o) noexcept { *this = std::move(o); }
    Entity& operator=(Entity&& o) noexcept {
        const bool owned = o.body.data() == o.ownBody.data();
        header = std::move(o.header);
        ownBody = std::move(o.ownBody);
        body = owned ? std::string_view(ownBody) : o.body;
        return *this;
    }
    size_t Size() const { return header.size() + 2 + body.size(); }
    void AppendTo(std::string& out) const {
        out += header;
        out += "\r\n";
        out += body;
    }
};

Entity MakeEntity(const MimeFormatStruct& part, bool dropMimeVersion);

// The body of a part whose content the parser put into sub-parts (a nested multipart or an
// enclosed message kept as an attachment): written back from those parts, so that such an
// attachment is sent whole and not as an empty body.
std::string BodyFromSubParts(const MimeFormatStruct& part) {
    std::string out;
    std::string type, subType, params;
    MimeDecodeTool::SplitContentType(part.contentTypeValue, type, subType, params);
    if (ContainsNoCase(type, "multipart") && !part.boundary.empty()) {
        for (size_t i = 0; i < part.subParts.size(); ++i) {
            out += i == 0 ? "--" : "\r\n--";
            out += part.boundary;
            out += "\r\n";
            MakeEntity(part.subParts[i], false).AppendTo(out);
        }
        out += "\r\n--" + part.boundary + "--\r\n";
    } else if (!part.subParts.empty()) {
        MakeEntity(part.subParts.front(), false).AppendTo(out);
    }
    return out;
}

enum class Encoding { None, Base64, QuotedPrintable };

Encoding EncodingOf(const MimeFormatStruct& part) {
    if (ContainsNoCase(part.transferEncodingValue, "base64")) return Encoding::Base64;
    if (ContainsNoCase(part.transferEncodingValue, "quoted-printable")) return Encoding::QuotedPrintable;
    return Encoding::None;
}

// The header text and body of a part as they are sent. A body that would carry a line
// longer than the mail format allows is changed on the way out (the model keeps its own):
// base64 is laid out in lines of 76, and any other body with a line over 998 bytes is sent
// quoted-printable, its transfer-encoding header changed (or added) to say so.
Entity MakeEntity(const MimeFormatStruct& part, bool dropMimeVersion) {
    Entity e;
    e.body = part.body;
    if (part.body.empty() && part.hasSubParts) {
        e.ownBody = BodyFromSubParts(part);
        e.body = e.ownBody;
    }
    bool toQuotedPrintable = false;
    switch (EncodingOf(part)) {
        case Encoding::Base64:
            if (!mime_line::IsBase64Wrapped(e.body)) {
                e.ownBody = mime_line::WrapBase64(e.body);
                e.body = e.ownBody;
            }
            break;
        case Encoding::QuotedPrintable:
            if (mime_line::HasLineLongerThan(e.body, mime_line::kMaxLine)) {
                e.ownBody = QuotedPrintableEncode(QuotedPrintableDecode(e.body));
                e.body = e.ownBody;
            }
            break;
        case Encoding::None:
            if (mime_line::HasLineLongerThan(e.body, mime_line::kMaxLine)) {
                e.ownBody = QuotedPrintableEncode(e.body);
                e.body = e.ownBody;
                toQuotedPrintable = true;
            }
            break;
    }

    size_t size = 0;
    for (const MimeHeaderStruct& h : part.headerList) size += h.name.size() + h.value.size() + 8;
    e.header.reserve(size + 48);
    bool encodingWritten = false;
    for (const MimeHeaderStruct& h : part.headerList) {
        if (dropMimeVersion && ContainsNoCase(h.name, "mime-version")) continue;
        if (toQuotedPrintable && EqualsNoCase(mime_text::Trim(h.name), "content-transfer-encoding")) {
            if (!encodingWritten) AppendHeaderRecord(e.header, h.name, " quoted-printable");
            encodingWritten = true;
            continue;
        }
        AppendHeaderRecord(e.header, h.name, h.value);
    }
    if (toQuotedPrintable && !encodingWritten)
        AppendHeaderRecord(e.header, "Content-Transfer-Encoding", " quoted-printable");
    return e;
}

// --- Boundaries -------------------------------------------------------------------------

// The pieces of content of one message that hold the boundary prefix; a new boundary is
// checked against these only. A boundary cannot straddle two pieces: it holds no CR or LF,
// and every piece is bounded by a line break in the message.
class BoundaryChooser {
public:
    void Add(std::string_view piece) {
        if (piece.find(kBoundaryPrefix) != std::string_view::npos) suspects_.push_back(piece);
    }
    void Add(const Entity& e) {
        Add(e.header);
        Add(e.body);
    }
    // A boundary absent from every piece and different from every one chosen before.
    std::string Choose(std::string (*make)()) {
        for (;;) {
            std::string b = make();
            bool clash = false;
            for (const std::string& c : chosen_) clash = clash || c == b;
            for (std::string_view s : suspects_) clash = clash || s.find(b) != std::string_view::npos;
            if (clash) continue;
            chosen_.push_back(b);
            return b;
        }
    }

private:
    std::vector<std::string_view> suspects_;
    std::vector<std::string> chosen_;
};

// The header of a multipart entity. A related one names the type of its root part (RFC
// 2387), which this writer always makes the alternative.
std::string MultipartHeader(std::string_view subType, std::string_view boundary) {
    std::string h = "Content-Type: multipart/";
    h += subType;
    h += ";\r\n\tboundary=\"";
    h += boundary;
    h += '"';
    if (subType == "related") h += ";\r\n\ttype=\"multipart/alternative\"";
    h += "\r\nMIME-Version: 1.0\r\n";
    return h;
}

void AppendDelimiter(std::string& out, std::string_view lead, std::string_view boundary, std::string_view tail) {
    out += lead;
    out += boundary;
    out += tail;
}

// --- Merging --------------------------------------------------------------------------

enum class Charset { Jis, Sjis, Utf8, Ascii, Unknown };

Charset CharsetOf(std::string_view name) {
    if (name.empty() || EqualsNoCase(name, "us-ascii")) return Charset::Ascii;
    if (EqualsNoCase(name, "iso-2022-jp")) return Charset::Jis;
    if (mime_charset::IsShiftJisCharset(name)) return Charset::Sjis;
    if (EqualsNoCase(name, "utf-8")) return Charset::Utf8;
    return Charset::Unknown;
}

// Makes the part's Content-Type name `charset` (replacing its charset parameter or adding
// one), in the header record and in the cached value.
void SetCharsetParam(MimeFormatStruct& part, std::string_view charset) {
    auto rewrite = [&](std::string& value) {
        const size_t at = mime_text::FindNoCase(value, "charset=");
        if (at == std::string::npos) {
            value += ";charset=";
            value += charset;
            return;
        }
        size_t from = at + 8, to = from;
        if (to < value.size() && value[to] == '"') {
            to = value.find('"', to + 1);
            to = to == std::string::npos ? value.size() : to + 1;
        } else {
            while (to < value.size() && value[to] != ';' && value[to] != ' ' && value[to] != '\t') ++to;
        }
        value.replace(from, to - from, charset);
    };
    for (MimeHeaderStruct& h : part.headerList) {
        if (EqualsNoCase(mime_text::Trim(h.name), "content-type")) {
            rewrite(h.value);
            break;
        }
    }
    rewrite(part.contentTypeValue);
}

// --- Attachment files -------------------------------------------------------------------

// A name that may stand as a file name in the folder: no separator or sign the old file
// system refused (\ / : * < > |), no control byte, not "." or "..". Two-byte characters
// are skipped whole, so a trail byte such as the 0x5C of 表 is not taken for a backslash.
bool IsPlainFileName(std::string_view name) {
    if (name == "." || name == "..") return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto b = static_cast<unsigned char>(name[i]);
        if (IsSjisLeadByte(b) && i + 1 < name.size()) {
            ++i;
            continue;
        }
        if (b < 0x20 || b == 0x7F) return false;
        if (std::string_view("\\/:*<>|").find(static_cast<char>(b)) != std::string_view::npos) return false;
    }
    return true;
}

enum class MergeKind { Leave, Merge, Unreadable };

// What merging does with a part: leaves it (not a text/plain or text/html part), merges
// it (`html` and `charset` set), or cannot, its charset being one this merge cannot read.
MergeKind MergeKindOf(const MimeFormatStruct& part, int& html, Charset& charset) {
    html = 0;
    charset = Charset::Jis;
    if (part.contentTypeName.empty()) return MergeKind::Merge;
    if (!EqualsNoCase(mime_text::Trim(part.contentTypeName), "content-type")) return MergeKind::Leave;
    std::string type, subType, params;
    MimeDecodeTool::SplitContentType(part.contentTypeValue, type, subType, params);
    if (!ContainsNoCase(type, "text")) return MergeKind::Leave;
    if (ContainsNoCase(subType, "plain"))
        html = 0;
    else if (ContainsNoCase(subType, "html"))
        html = 1;
    else
        return MergeKind::Leave;
    std::string name;
    part.GetCharset(name);
    charset = CharsetOf(name);
    return charset == Charset::Unknown ? MergeKind::Unreadable : MergeKind::Merge;
}

bool MergeablePart(const MimeFormatStruct& part) {
    int html = 0;
    Charset charset = Charset::Jis;
    return MergeKindOf(part, html, charset) != MergeKind::Unreadable;
}

// Bodies that stand as they are: no transfer encoding, 7bit, 8bit, binary.
bool IsIdentityEncoding(std::string_view value) {
    const std::string enc = mime_text::AsciiLower(mime_text::Trim(value));
    return enc.empty() || enc == "7bit" || enc == "8bit" || enc == "binary";
}

// An attachment handed to the attachment part. A body that stands as it is goes in as a
// 7bit one, byte for byte; an enclosed message or a nested multipart without a body of
// its own is written back from its parts first.
int ReadAttachment(const MimeFormatStruct& part, CAttachFileManager& file) {
    if (!IsIdentityEncoding(part.transferEncodingValue)) return file.SetFileInfoFromMimeFormatStruct(part);
    MimeFormatStruct copy(part);
    copy.transferEncodingValue = " 7bit";
    if (copy.body.empty() && copy.hasSubParts) copy.body = BodyFromSubParts(part);
    return file.SetFileInfoFromMimeFormatStruct(std::move(copy));
}

}  // namespace

CMailDataStructure::CMailDataStructure() = default;

CMailDataStructure::~CMailDataStructure() { Init(); }

void CMailDataStructure::Init() {
    InitTextBody();
    InitHtmlBody();
    InitHtmlAttach();
    InitNormalAttach();
}

void CMailDataStructure::InitTextBody() {
    textBody.Init();
    textBodySet = 0;
}

void CMailDataStructure::InitHtmlBody() {
    htmlBody.Init();
    htmlBodySet = 0;
}

void CMailDataStructure::InitHtmlAttach() { htmlAttachList.clear(); }

void CMailDataStructure::InitNormalAttach() { normalAttachList.clear(); }

void CMailDataStructure::SetMIMETextBody(const MimeFormatStruct& part) {
    textBody = part;
    textBodySet = 1;
}

void CMailDataStructure::SetMIMEHtmlBody(const MimeFormatStruct& part) {
    htmlBody = part;
    htmlBodySet = 1;
}

int CMailDataStructure::GetDataTypeFromNowSetData() const {
    const bool attachments = !normalAttachList.empty();
    if (htmlBodySet) {
        const bool inline_ = !htmlAttachList.empty();
        if (!attachments) return inline_ ? 3 : 2;
        return inline_ ? 6 : 5;
    }
    if (textBodySet) return attachments ? 4 : 1;
    return 0;
}

int CMailDataStructure::GetMimeString(std::string& header, std::string& body, int withAttachments,
                                      const OneCustomer* customer) {
    header.clear();
    body.clear();
    int type = GetDataTypeFromNowSetData();
    if (!withAttachments && type >= 4) type -= 3;
    if (type == 0) return -1;

    const bool hasHtml = type == 2 || type == 3 || type == 5 || type == 6;
    // A part to be merged whose charset cannot be read refuses the mail before anything
    // changes: sent unmerged, every recipient would see the bare merge fields.
    if (customer && (!MergeablePart(textBody) || (hasHtml && !MergeablePart(htmlBody)))) return -2;

    if (customer) InsertCustomerInfo(textBody, *customer);
    Entity text = MakeEntity(textBody, type != 1);
    if (type == 1) {
        header = std::move(text.header);
        body.assign(text.body);
        return 0;
    }

    const bool hasInline = type == 3 || type == 6;
    const bool hasMixed = type >= 4;

    BoundaryChooser chooser;
    chooser.Add(text);
    Entity html;
    std::vector<Entity> inlines, attachments;
    // The three multipart headers, the delimiters of the text and HTML parts and a margin;
    // each inline part and attachment adds its own delimiter below.
    size_t total = text.Size() + 1024;
    if (hasHtml) {
        if (customer) InsertCustomerInfo(htmlBody, *customer);
        html = MakeEntity(htmlBody, false);
        chooser.Add(html);
        total += html.Size();
    }
    if (hasInline) {
        inlines.reserve(htmlAttachList.size());
        for (const MimeFormatStruct& p : htmlAttachList) {
            inlines.push_back(MakeEntity(p, false));
            chooser.Add(inlines.back());
            total += inlines.back().Size() + 64;
        }
    }
    if (hasMixed) {
        attachments.reserve(normalAttachList.size());
        for (const MimeFormatStruct& p : normalAttachList) {
            attachments.push_back(MakeEntity(p, false));
            chooser.Add(attachments.back());
            total += attachments.back().Size() + 64;
        }
    }

    // Boundaries from the innermost level out, each new one absent from everything it
    // encloses (and from the boundaries inside it).
    std::string b1, b2, b3;
    if (hasHtml) b1 = chooser.Choose(&CMailDataStructure::MakeBoundary);
    if (hasInline) b2 = chooser.Choose(&CMailDataStructure::MakeBoundary);
    if (hasMixed) b3 = chooser.Choose(&CMailDataStructure::MakeBoundary);

    std::string out;
    out.reserve(total);
    auto appendAlternative = [&](std::string& o) {  // the alternative's body
        AppendDelimiter(o, "--", b1, "\r\n");
        text.AppendTo(o);
        AppendDelimiter(o, "\r\n--", b1, "\r\n");
        html.AppendTo(o);
        AppendDelimiter(o, "\r\n--", b1, "--");
    };
    auto appendRelated = [&](std::string& o) {  // the related's body
        AppendDelimiter(o, "\r\n--", b2, "\r\n");
        o += MultipartHeader("alternative", b1);
        o += "\r\n";
        appendAlternative(o);
        o += "\r\n";
        for (const Entity& e : inlines) {
            AppendDelimiter(o, "\r\n--", b2, "\r\n");
            e.AppendTo(o);
        }
        AppendDelimiter(o, "\r\n--", b2, "--\r\n");
    };

    if (!hasMixed) {
        if (hasInline) {
            header = MultipartHeader("related", b2);
            appendRelated(out);
        } else {
            header = MultipartHeader("alternative", b1);
            appendAlternative(out);
        }
        body = std::move(out);
        return 0;
    }

    header = MultipartHeader("mixed", b3);
    AppendDelimiter(out, "\r\n--", b3, "\r\n");
    if (type == 4) {
        text.AppendTo(out);
    } else if (type == 5) {
        out += MultipartHeader("alternative", b1);
        out += "\r\n";
        appendAlternative(out);
    } else {
        out += MultipartHeader("related", b2);
        out += "\r\n";
        appendRelated(out);
    }
    out += "\r\n";
    for (const Entity& e : attachments) {
        AppendDelimiter(out, "\r\n--", b3, "\r\n");
        e.AppendTo(out);
    }
    AppendDelimiter(out, "\r\n--", b3, "--\r\n");
    body = std::move(out);
    return 0;
}

std::string CMailDataStructure::MakeBoundary() {
    // One generator per thread, seeded once: reseeding from the clock at every call made
    // boundaries of the same millisecond equal.
    thread_local std::mt19937 random{std::random_device{}()};
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    const int millis = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&secs, &local);

    std::string bytes(3, '\0');
    for (char& b : bytes) b = static_cast<char>((random() & 0xFF) | 1);
    const std::string tail = abnbase64encoding(bytes);

    char buf[64];
    std::snprintf(buf, sizeof buf, "_VARNIS_MULTIPART_%04d%02d%02d%02d%02d%02d%03d_%s_", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, millis, tail.c_str());
    return buf;
}

int CMailDataStructure::CheckContentType(std::string_view value) {
    if (value.empty()) return -1;
    std::string type, subType, params;
    MimeDecodeTool::SplitContentType(value, type, subType, params);
    if (ContainsNoCase(type, "text")) {
        if (ContainsNoCase(subType, "plain")) return 4;
        if (ContainsNoCase(subType, "html")) return 5;
        return 0;
    }
    if (ContainsNoCase(type, "multipart")) {
        if (ContainsNoCase(subType, "mixed")) return 1;
        if (ContainsNoCase(subType, "related")) return 2;
        if (ContainsNoCase(subType, "alternative")) return 3;
    }
    return 0;
}

int CMailDataStructure::CheckHeader(const MimeFormatStruct& part) {
    const int kind = CheckContentType(part.contentTypeValue);
    if (kind == 4 || kind == 5) {
        std::string type, subType, params;
        MimeDecodeTool::SplitContentType(part.contentTypeValue, type, subType, params);
        if (ContainsNoCase(part.dispositionValue, "filename=") || ContainsNoCase(params, "name=")) return 6;
        return kind;
    }
    return kind < 0 ? 0 : kind;
}

// Merging one part in place. The part's kind comes from its Content-Type (none at all
// means plain ISO-2022-JP text; a type other than text/plain or text/html is left alone).
// The body is decoded by its transfer encoding and read in its declared charset
// (iso-2022-jp, a Shift_JIS name, utf-8; none means us-ascii); a part in any other
// charset is refused (-1, the part unchanged) rather than corrupted or sent unmerged.
// After merging, the text goes back into the same charset and transfer encoding (base64
// in lines of 76). A us-ascii part that receives Japanese values is sent as ISO-2022-JP,
// its charset parameter changed to say so.
int CMailDataStructure::InsertCustomerInfo(MimeFormatStruct& part, const OneCustomer& customer) {
    int html = 0;
    Charset charset = Charset::Jis;
    switch (MergeKindOf(part, html, charset)) {
        case MergeKind::Leave: return 0;
        case MergeKind::Unreadable: return -1;
        case MergeKind::Merge: break;
    }

    Encoding encoding = Encoding::None;
    if (EqualsNoCase(mime_text::Trim(part.transferEncodingName), "content-transfer-encoding")) encoding = EncodingOf(part);
    const int decodeType = encoding == Encoding::Base64 ? 1 : encoding == Encoding::QuotedPrintable ? 2 : 0;
    const std::string text = DecodeMailBody(part.body, decodeType);

    std::string merged;
    KCodeC code;
    switch (charset) {
        case Charset::Jis:
            merged = code.sjtojis7(MailWordInsert::GetMailWordInsert(customer, code.jis7tosj(text), html), 0);
            break;
        case Charset::Sjis: merged = MailWordInsert::GetMailWordInsert(customer, text, html); break;
        case Charset::Utf8: merged = MailWordInsert::GetMailWordInsertUtf8(customer, text, html); break;
        case Charset::Ascii:
            merged = MailWordInsert::GetMailWordInsert(customer, text, html);
            if (!IsStrAscii(merged)) {
                merged = code.sjtojis7(merged, 0);
                SetCharsetParam(part, "iso-2022-jp");
            }
            break;
        case Charset::Unknown: return -1;
    }

    switch (encoding) {
        case Encoding::Base64: part.body = base64encoding(merged, static_cast<int>(mime_line::kBase64Line)); break;
        case Encoding::QuotedPrintable: part.body = QuotedPrintableEncode(merged); break;
        case Encoding::None: part.body = std::move(merged); break;
    }
    return 0;
}

int CMailDataStructure::AnalyzeMime(std::string text) {
    if (text.empty()) return -1;
    MimeFormatStruct top;
    if (!MimeDecodeTool::MimeDecode(text, top)) return -2;
    switch (CheckHeader(top)) {
        case 0: textBody = std::move(top); break;
        case 4: SetMIMETextBody(top); break;
        case 5: SetMIMEHtmlBody(top); break;
        case 6: normalAttachList.push_back(std::move(top)); break;
        case 3: AnalyzeAlternative(top); break;
        case 2: AnalyzeRelated(top); break;
        case 1: AnalyzeMixed(top); break;
        default: return -1;
    }
    return 0;
}

void CMailDataStructure::AnalyzeAlternative(const MimeFormatStruct& part) {
    for (const MimeFormatStruct& child : part.subParts) {
        const int kind = CheckHeader(child);
        if (kind == 4) SetMIMETextBody(child);
        if (kind == 5) SetMIMEHtmlBody(child);
    }
}

void CMailDataStructure::AnalyzeRelated(const MimeFormatStruct& part) {
    for (const MimeFormatStruct& child : part.subParts) {
        switch (CheckHeader(child)) {
            case 0:
            case 6: htmlAttachList.push_back(child); break;
            case 3: AnalyzeAlternative(child); break;
            case 4: SetMIMETextBody(child); break;
            case 5: SetMIMEHtmlBody(child); break;
            default: break;
        }
    }
}

void CMailDataStructure::AnalyzeMixed(const MimeFormatStruct& part) {
    for (const MimeFormatStruct& child : part.subParts) {
        switch (CheckHeader(child)) {
            case 0:
            case 6: normalAttachList.push_back(child); break;
            case 2: AnalyzeRelated(child); break;
            case 3: AnalyzeAlternative(child); break;
            case 4: SetMIMETextBody(child); break;
            case 5: SetMIMEHtmlBody(child); break;
            default: break;  // a nested mixed is not taken apart
        }
    }
}

int CMailDataStructure::GetMIMENormalAttach(int index, MimeFormatStruct& part) const {
    if (index < 0 || index >= CountMIMENormalAttach()) return -1;
    part = normalAttachList[index];
    return 0;
}

std::string CMailDataStructure::GetMIMENormalAttachName(int index) const {
    if (index < 0 || index >= CountMIMENormalAttach()) return std::string();
    CAttachFileManager file;
    if (ReadAttachment(normalAttachList[index], file) < 0) return std::string();
    return file.GetFileName();
}

std::string CMailDataStructure::GetMIMENormalAttachBodyBase64(int index) const {
    if (index < 0 || index >= CountMIMENormalAttach()) return std::string();
    CAttachFileManager file;
    if (ReadAttachment(normalAttachList[index], file) < 0) return std::string();
    return file.GetFileBodyBase64();
}

int CMailDataStructure::AddMIMENormalAttach(std::string text) {
    MimeFormatStruct part;
    if (!MimeDecodeTool::MimeDecode(text, part)) return 0;
    normalAttachList.push_back(std::move(part));
    return 1;
}

void CMailDataStructure::AddMIMENormalAttach(MimeFormatStruct part) { normalAttachList.push_back(std::move(part)); }

int CMailDataStructure::RemoveAtMIMENormalAttach(int index) {
    if (index < 0 || index >= CountMIMENormalAttach()) return -1;
    normalAttachList.erase(normalAttachList.begin() + index);
    return 0;
}

int CMailDataStructure::SaveMIMENormalAttach(int index, std::string folder, int& size, int raw, int useGivenName,
                                             const char* givenName) {
    if (CheckDirectory(folder) != 0 && MakeDirectoryCompel(folder) != 0) return -1;
    std::string name;
    if (useGivenName) {
        if (!givenName) return -2;
        name = givenName;
    } else {
        name = GetMIMENormalAttachName(index);
    }
    if (name.empty()) return -3;
    if (!IsPlainFileName(name)) return -4;

    // The body through the attachment part, so that an attachment whose body cannot be
    // had is reported instead of being written as an empty file.
    if (index < 0 || index >= CountMIMENormalAttach()) return -6;
    CAttachFileManager file;
    if (ReadAttachment(normalAttachList[index], file) < 0) return -6;
    std::string content = file.GetFileBodyBase64();
    if (!raw) {
        std::string clean;
        clean.reserve(content.size());
        for (char c : content)
            if (c != '\r' && c != '\n') clean += c;
        content = normal_base64decoding(clean);
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const std::string path = folder + "/" + name;
    if (!platform::WriteFileAtomically(path, content)) return -5;
    size = static_cast<int>(content.size());
    return 0;
}

void CMailDataStructure::Copy(const CMailDataStructure& other) {
    if (this == &other) return;
    textBodySet = other.textBodySet;
    htmlBodySet = other.htmlBodySet;
    htmlAttachList = other.htmlAttachList;
    normalAttachList = other.normalAttachList;
    htmlBody = other.htmlBody;
    textBody = other.textBody;
}

std::string CMailDataStructure::QuotedPrintableEncorder(std::string_view text) { return QuotedPrintableEncode(text); }

std::string CMailDataStructure::QuotedPrintableDecoder(std::string_view text) { return QuotedPrintableDecode(text); }
