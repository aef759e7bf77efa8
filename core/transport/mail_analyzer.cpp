#include "core/transport/mail_analyzer.h"

#include <ctime>
#include <utility>

#include "core/foundation/date_utils.h"
#include "core/foundation/header_tidy.h"
#include "core/foundation/string_utils.h"
#include "core/mailstore/encoded_word.h"
#include "core/mailstore/mime_charset.h"
#include "core/mailstore/mime_text_util.h"
#include "core/mailstore/quoted_printable.h"

namespace {

using mime_text::ContainsNoCase;
using mime_text::EqualsNoCase;
using mime_text::FindNoCase;
using std::string_view;
constexpr size_t npos = string_view::npos;

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string WithoutBlanks(string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (!IsBlank(c)) out.push_back(c);
    return out;
}

// Quoted strings and encoded words removed (an unterminated one runs to the end).
std::string WithoutQuotedAndEncoded(string_view s) {
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] == '"') {
            const size_t close = s.find('"', i + 1);
            i = close == npos ? s.size() : close + 1;
        } else if (s[i] == '=' && i + 1 < s.size() && s[i + 1] == '?') {
            const size_t close = s.find("?=", i + 2);
            i = close == npos ? s.size() : close + 2;
        } else {
            out.push_back(s[i++]);
        }
    }
    return out;
}

// The type and subtype of a Content-Type value.
void TypeOf(const MimeFormatStruct& part, std::string& type, std::string& subType) {
    std::string params;
    MimeDecodeTool::SplitContentType(part.contentTypeValue, type, subType, params);
}

bool IsMultipartWithParts(const MimeFormatStruct& part) {
    if (part.subParts.empty()) return false;
    std::string type, subType;
    TypeOf(part, type, subType);
    return ContainsNoCase(type, "multipart");
}

// The first line of a text, up to its first CR or LF.
string_view FirstLine(string_view text) { return text.substr(0, text.find_first_of("\r\n")); }

// The value of the first header of that name, or nullptr.
const std::string* FirstValue(const std::vector<MimeHeaderStruct>& headers, string_view name) {
    for (const MimeHeaderStruct& h : headers)
        if (EqualsNoCase(h.name, name)) return &h.value;
    return nullptr;
}

// A Date value made ready for the foundation's reader: comments and line breaks dropped,
// a two- or three-digit year widened as RFC 5322 reads the obsolete forms (below 50 in
// this century, otherwise the last), and the zone taken as the rest of the value with its
// blanks removed. Returns false when the value cannot hold a date.
bool PrepareDateText(string_view value, std::string& out) {
    std::string s;
    s.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '(') {
            const size_t close = value.find(')', i + 1);
            if (close == npos) break;
            i = close;
        } else if (c != '\r' && c != '\n') {
            s.push_back(c);
        }
    }
    const size_t comma = s.find(',');
    const string_view rest = comma == npos ? string_view(s) : string_view(s).substr(comma + 1);
    std::vector<string_view> f;
    for (size_t i = 0; i < rest.size();) {
        while (i < rest.size() && IsBlank(rest[i])) ++i;
        const size_t start = i;
        while (i < rest.size() && !IsBlank(rest[i])) ++i;
        if (i > start) f.push_back(rest.substr(start, i - start));
    }
    // A weekday written without its comma stands before the day.
    size_t d = 0;
    if (!f.empty() && (f[0][0] < '0' || f[0][0] > '9')) d = 1;
    if (f.size() < d + 5) return false;

    std::string year(f[d + 2]);
    bool digits = !year.empty();
    for (char c : year) digits = digits && c >= '0' && c <= '9';
    if (digits && year.size() <= 3) {
        int y = 0;
        for (char c : year) y = y * 10 + (c - '0');
        y += year.size() == 3 ? 1900 : (y < 50 ? 2000 : 1900);
        year = std::to_string(y);
    }
    std::string zone;
    for (size_t k = d + 4; k < f.size(); ++k) zone.append(f[k]);

    out.clear();
    for (const string_view part : {f[d], f[d + 1], string_view(year), f[d + 3], string_view(zone)}) {
        if (!out.empty()) out.push_back(' ');
        out.append(part);
    }
    return true;
}

// Local standard time (what the foundation's Date reader gives) turned into the local
// time of that instant, so that a date in summer time reads as the clock showed it then.
// The reader has just called tzset, so `timezone` is current.
platform::DateTime StandardToLocal(const platform::DateTime& standard) {
    static const int64_t kUnixEpochSerial = platform::DateTime(1970, 1, 1, 0, 0, 0).GetSerialSeconds();
    const int64_t utc = standard.GetSerialSeconds() - kUnixEpochSerial + static_cast<int64_t>(timezone);
    return platform::DateTime(static_cast<std::time_t>(utc));
}

// True when the text holds only blanks, tabs, line breaks and full-width blanks.
bool IsEmptyInSubstance(string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (c == 0x81 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x40) {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

}  // namespace

MailAnalyzer::MailAnalyzer() { InitMember(); }

MailAnalyzer::MailAnalyzer(std::string_view mailText) {
    InitMember();
    SetMailData(mailText);
}

MailAnalyzer::MailAnalyzer(const MimeFormatStruct& mail) {
    InitMember();
    SetMailData(mail);
}

MailAnalyzer::~MailAnalyzer() = default;

void MailAnalyzer::InitMember() {
    ClearMessage();
    resistWithEmpty_ = 0;
    refuseWithKeyword_ = 0;
    refuseKeyword_.clear();
}

void MailAnalyzer::ClearMessage() {
    mail_.Init();
    ClearResults();
}

void MailAnalyzer::ClearResults() {
    mailType_ = kNotAnalysed;
    messageId_.clear();
    originalMessageId_.clear();
    fromAddress_.clear();
    decodedBody_.clear();
    decodedSubject_.clear();
    attachPaths_.clear();
    bodyTaken_ = 0;
    sendDate_ = platform::DateTime::GetCurrentTime();
}

// A new message replaces the old one with its results; the switches stay as set.
int MailAnalyzer::SetMailData(std::string_view mailText) {
    ClearMessage();
    return MimeDecode(mailText, mail_);
}

int MailAnalyzer::SetMailData(const MimeFormatStruct& mail) {
    ClearMessage();
    CopyMimeFormatStruct(mail_, mail);
    return 1;
}

void MailAnalyzer::GetMailData(MimeFormatStruct& out) const { CopyMimeFormatStruct(out, mail_); }

int MailAnalyzer::MailAnalysis(std::string_view mailText) {
    const int parsed = SetMailData(mailText);
    Analyse();
    return parsed ? 0 : -1;
}

int MailAnalyzer::MailAnalysis(const MimeFormatStruct& mail) {
    SetMailData(mail);
    Analyse();
    return 0;
}

int MailAnalyzer::MailAnalysis() {
    Analyse();
    return 0;
}

void MailAnalyzer::SetRefuseWithKeyword(int on, std::string_view keyword) {
    refuseWithKeyword_ = on ? 1 : 0;
    refuseKeyword_.assign(keyword);
}

int MailAnalyzer::GetAttachFileData(int index, MimeFormatStruct& out) const {
    if (index < 0 || index >= GetAttachFileNum()) return 0;
    const MimeFormatStruct* part = PartAt(attachPaths_[static_cast<size_t>(index)]);
    if (!part) return 0;
    CopyMimeFormatStruct(out, *part);
    return 1;
}

std::string MailAnalyzer::ReformatHeaderBodyString(std::string value) {
    return ::ReformatHeaderBodyString(std::move(value));
}

bool MailAnalyzer::CutDownMessageID(std::string_view value, std::string& id) {
    // Blanks and tabs around the value carry nothing: a header written "Message-ID:<x>" or
    // folded onto a tab-indented line holds the same id as one with a blank.
    while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
    while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
    if (value.empty()) return false;
    const size_t lt = value.find('<');
    const size_t gt = value.rfind('>');
    std::string found;
    if (lt != npos && gt != npos) {
        if (gt < lt) return false;
        found.assign(value.substr(lt + 1, gt - lt - 1));
    } else if (gt != npos) {
        found = WithoutBlanks(value.substr(0, gt));
    } else if (lt != npos) {
        found = WithoutBlanks(value.substr(lt + 1));
    } else {
        found = WithoutBlanks(value);
    }
    if (found.empty()) return false;
    id = std::move(found);
    return true;
}

const MimeFormatStruct* MailAnalyzer::PartAt(const PartPath& path) const {
    const MimeFormatStruct* part = &mail_;
    for (uint32_t i : path) {
        if (i >= part->subParts.size()) return nullptr;
        part = &part->subParts[i];
    }
    return part;
}

bool MailAnalyzer::FirstMessageID(const std::vector<MimeHeaderStruct>& headers, std::string_view name,
                                  std::string& id) {
    for (const MimeHeaderStruct& h : headers)
        if (EqualsNoCase(h.name, name) && CutDownMessageID(h.value, id)) return true;
    return false;
}

bool MailAnalyzer::FirstMessageIDInHeaderText(std::string_view text, std::string_view name, std::string& id) {
    std::string lines = CrLfConv(text);
    size_t start = 0;
    while (start < lines.size() && (lines[start] == '\r' || lines[start] == '\n')) ++start;
    // The header block ends at its first empty line; what follows is no header.
    const size_t end = lines.find("\r\n\r\n", start);
    lines = end == std::string::npos ? lines.substr(start) : lines.substr(start, end + 2 - start);
    if (lines.size() < 2 || lines.compare(lines.size() - 2, 2, "\r\n") != 0) lines += "\r\n";
    std::vector<MimeHeaderStruct> headers;
    SplitMailHeader(lines, headers);
    return FirstMessageID(headers, name, id);
}

void MailAnalyzer::Analyse() {
    ClearResults();

    FirstMessageID(mail_.headerList, "message-id", messageId_);
    CutDownFromAddress();
    SetMailBodyAndAttachFileArray();
    DecodeSubject();
    SetMailSendDate();

    if (IsReadReceipt()) {
        mailType_ = kReadReceipt;
        FindReceiptOriginalID();
    } else if (IsRefusal()) {
        mailType_ = kRefusal;
    } else if (IsRegistration()) {
        mailType_ = kRegistration;
    } else if (CheckErrorMail()) {
        mailType_ = kBounce;
        FindBounceOriginalID();
    } else {
        mailType_ = kOrdinary;
    }
    if (originalMessageId_.empty()) CutDownOriginalMessageID();
}

void MailAnalyzer::CutDownFromAddress() {
    for (const string_view name : {"from", "sender", "return-path"}) {
        const std::string* value = FirstValue(mail_.headerList, name);
        if (!value) continue;
        const std::string tidy = WithoutQuotedAndEncoded(ReformatHeaderBodyString(*value));
        const string_view t = tidy;
        string_view address;
        const size_t lt = t.find('<');
        if (lt != npos) {
            const string_view rest = t.substr(lt + 1);
            address = rest.substr(0, rest.find('>'));
        } else {
            address = t.substr(0, t.find(','));
        }
        // The address is stored and may be written to again: no control byte survives.
        std::string clean;
        for (char c : address)
            if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) clean.push_back(c);
        if (!clean.empty()) {
            fromAddress_ = std::move(clean);
            return;
        }
    }
}

void MailAnalyzer::SetMailBodyAndAttachFileArray() {
    struct Item {
        const MimeFormatStruct* part;
        PartPath path;
    };
    std::vector<Item> stack{{&mail_, {}}};
    while (!stack.empty()) {
        Item item = std::move(stack.back());
        stack.pop_back();
        const MimeFormatStruct& part = *item.part;
        if (IsMultipartWithParts(part)) {
            for (size_t i = part.subParts.size(); i-- > 0;) {
                PartPath child = item.path;
                child.push_back(static_cast<uint32_t>(i));
                stack.push_back({&part.subParts[i], std::move(child)});
            }
            continue;
        }
        std::string type, subType;
        TypeOf(part, type, subType);
        const bool textLike = (part.contentTypeName.empty() && part.contentTypeValue.empty()) ||
                              ContainsNoCase(type, "text");
        if (bodyTaken_ || !textLike) {
            attachPaths_.push_back(std::move(item.path));
            continue;
        }
        bodyTaken_ = 1;
        std::string bytes;
        if (ContainsNoCase(part.transferEncodingValue, "base64"))
            bytes = DecodeMailBody(part.body, 1);
        else if (ContainsNoCase(part.transferEncodingValue, "quoted-printable"))
            bytes = DecodeMailBody(part.body, 2);
        else
            bytes = part.body;
        std::string charset;
        part.GetCharset(charset);
        decodedBody_ = mime_charset::ToSjis(bytes, mime_charset::DetectTextCode(charset, bytes));
    }
}

void MailAnalyzer::DecodeSubject() {
    const std::string* value = FirstValue(mail_.headerList, "subject");
    if (!value) return;
    decodedSubject_ = DecodeHeaderTextToSjis(*value);
    if (!decodedSubject_.empty() && decodedSubject_[0] == ' ') decodedSubject_.erase(0, 1);
}

int MailAnalyzer::SetMailSendDate() {
    const std::string* value = FirstValue(mail_.headerList, "date");
    std::string text;
    if (!value || !PrepareDateText(*value, text)) return 0;
    platform::DateTime standard;
    if (!ConvertDateTimeFormat(text, standard)) return 0;
    const platform::DateTime local = StandardToLocal(standard);
    if (!local.IsValid()) return 0;
    sendDate_ = local;
    return 1;
}

bool MailAnalyzer::IsReadReceipt() const {
    const std::string* value = FirstValue(mail_.headerList, "content-type");
    if (!value) return false;
    std::string type, subType, params;
    SplitContentType(ReformatHeaderBodyString(*value), type, subType, params);
    if (!ContainsNoCase(type, "multipart") || !ContainsNoCase(subType, "report")) return false;
    static constexpr string_view kParam = "report-type=";
    const size_t at = FindNoCase(params, kParam);
    if (at == npos) return false;
    string_view v = string_view(params).substr(at + kParam.size());
    if (!v.empty() && v.front() == '"') {
        const size_t close = v.find('"', 1);
        if (close == npos) return false;
        v = v.substr(1, close - 1);
    } else {
        v = v.substr(0, v.find(';'));
    }
    while (!v.empty() && IsBlank(v.back())) v.remove_suffix(1);
    return EqualsNoCase(v, "disposition-notification");
}

bool MailAnalyzer::IsRefusal() const {
    const string_view line = FirstLine(decodedBody_);
    if (ContainsNoCase(line, "<REFUSE>")) return true;
    // A keyword of nothing but blanks would be found in every mail and refuse everyone.
    if (!refuseWithKeyword_ || mime_text::Trim(refuseKeyword_).empty()) return false;
    return FindSjis(line, refuseKeyword_, true) != npos;
}

bool MailAnalyzer::IsRegistration() {
    if (ContainsNoCase(FirstLine(decodedBody_), "<REGISTER>")) return true;
    if (!resistWithEmpty_) return false;
    string_view body = decodedBody_;
    const size_t dot = body.rfind('.');
    if (dot != npos) body = body.substr(0, dot);
    if (!IsEmptyInSubstance(body)) return false;
    decodedBody_ = "<REGISTER><EMAIL>" + fromAddress_ + "</EMAIL>";
    return true;
}

bool MailAnalyzer::CheckErrorMail() const {
    static constexpr string_view kSenders[] = {
        "MAILER-DAEMON", "Postmaster", "Mail.Delivery.Subsystem", "SysAdmin", "root@",
        "admin@",        "admins2@",   "ccadmin@",                "supervisor", "smtp-admin",
        "post-master@",  "Mailer-Agent@", "smtp-master",          "sysop@",   "uxgw@",
    };
    for (const string_view prefix : kSenders)
        if (fromAddress_.size() >= prefix.size() && EqualsNoCase(string_view(fromAddress_).substr(0, prefix.size()), prefix))
            return true;

    static const std::vector<std::vector<string_view>> kSubjectWords = {
        {"User", "unknown"},    {"Host", "unknown"},  {"Service", "unavailable"},
        {"failure", "notice"},  {"Returned", "mail"}, {"Mail", "could", "not", "be", "delivered"},
    };
    for (const auto& words : kSubjectWords) {
        bool all = true;
        for (const string_view w : words) all = all && FindSjis(decodedSubject_, w, true) != npos;
        if (all) return true;
    }
    return false;
}

void MailAnalyzer::FindReceiptOriginalID() {
    originalMessageId_.clear();
    if (!IsMultipartWithParts(mail_) || mail_.subParts.size() < 2) return;
    const MimeFormatStruct& report = mail_.subParts[1];
    std::string type, subType;
    TypeOf(report, type, subType);
    if (!ContainsNoCase(type, "message") || !ContainsNoCase(subType, "disposition-notification") ||
        !report.subParts.empty())
        return;
    FirstMessageIDInHeaderText(report.body, "original-message-id", originalMessageId_);
}

void MailAnalyzer::FindBounceOriginalID() {
    originalMessageId_.clear();
    if (IsMultipartWithParts(mail_)) {
        for (const MimeFormatStruct& part : mail_.subParts) {
            std::string type, subType;
            TypeOf(part, type, subType);
            if (ContainsNoCase(type, "message") && ContainsNoCase(subType, "rfc822")) {
                if (!part.subParts.empty() &&
                    FirstMessageID(part.subParts[0].headerList, "message-id", originalMessageId_))
                    return;
            } else if (ContainsNoCase(type, "text") && ContainsNoCase(subType, "rfc822-headers") &&
                       part.subParts.empty()) {
                if (FirstMessageIDInHeaderText(part.body, "message-id", originalMessageId_)) return;
            }
        }
        return;
    }
    static constexpr string_view kMarkers[] = {
        "--- Below this line is a copy of the message.",
        "Each of the following recipients was rejected by a remote mail server.\r\n"
        "---------------------------------------------------",
    };
    const std::string body = CrLfConv(decodedBody_);
    for (const string_view marker : kMarkers) {
        const size_t at = FindNoCase(body, marker);
        if (at == npos) continue;
        FirstMessageIDInHeaderText(string_view(body).substr(at + marker.size()), "message-id", originalMessageId_);
        return;
    }
}

void MailAnalyzer::CutDownOriginalMessageID() {
    for (const string_view name : {"references", "in-reply-to"}) {
        const std::string* value = FirstValue(mail_.headerList, name);
        if (!value) continue;
        const std::string t = WithoutQuotedAndEncoded(ReformatHeaderBodyString(*value));
        // The last id of a list is the message answered directly.
        const size_t gt = t.rfind('>');
        if (gt == std::string::npos || gt == 0) continue;
        const size_t lt = t.rfind('<', gt - 1);
        if (lt == std::string::npos || gt - lt < 2) continue;
        originalMessageId_ = t.substr(lt + 1, gt - lt - 1);
        return;
    }
}
