#include "core/transport/mail_analyzer.h"

#include <algorithm>
#include <ctime>
#include <deque>
#include <utility>

#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/header_tidy.h"
#include "core/foundation/kana_convert.h"
#include "core/foundation/string_utils.h"
#include "core/mailstore/encoded_word.h"
#include "core/mailstore/html_shown_text.h"
#include "core/mailstore/mime_charset.h"
#include "core/mailstore/mime_text_util.h"
#include "core/mailstore/quoted_printable.h"
#include "core/transport/bounce_text.h"
#include "core/transport/message_id_form.h"
#include "core/transport/reply_lines.h"

namespace {

using mime_text::ContainsNoCase;
using mime_text::EqualsNoCase;
using mime_text::FindNoCase;
using std::string_view;
using text_search::npos;

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

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

// Where a quoted string or an encoded word that starts at `i` ends (an unterminated one
// runs to the end); `i` itself when none starts there.
size_t SkipQuotedOrEncoded(string_view s, size_t i) {
    if (s[i] == '"') {
        const size_t close = s.find('"', i + 1);
        return close == npos ? s.size() : close + 1;
    }
    if (s[i] == '=' && i + 1 < s.size() && s[i + 1] == '?') {
        const size_t close = s.find("?=", i + 2);
        return close == npos ? s.size() : close + 2;
    }
    return i;
}

// The address in a tidied From-style value. With an angle address (the first "<" outside
// quoted strings and encoded words) the text inside it, a quoted local part kept as
// written; `angle` then tells that one was written, even an empty one. Without, the text
// before the first "," with quoted strings and encoded words dropped, but for a quoted
// string directly before "@", which is a local part ("taro..yamada."@docomo.ne.jp).
std::string AddressOf(string_view t, bool& angle) {
    angle = false;
    for (size_t i = 0; i < t.size();) {
        const size_t skip = SkipQuotedOrEncoded(t, i);
        if (skip != i) {
            i = skip;
            continue;
        }
        if (t[i] != '<') {
            ++i;
            continue;
        }
        angle = true;
        size_t j = i + 1;
        while (j < t.size() && t[j] != '>') j = t[j] == '"' ? SkipQuotedOrEncoded(t, j) : j + 1;
        return std::string(t.substr(i + 1, std::min(j, t.size()) - i - 1));
    }
    std::string out;
    for (size_t i = 0; i < t.size() && t[i] != ',';) {
        const size_t skip = SkipQuotedOrEncoded(t, i);
        if (skip == i) {
            out.push_back(t[i++]);
            continue;
        }
        if (t[i] == '"' && skip < t.size() && t[skip] == '@') out.append(t.substr(i, skip - i));
        i = skip;
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

// The Content-Transfer-Encoding as DecodeMailBody's type: 1 base64, 2 quoted-printable,
// 0 anything else (the body is read as it stands).
int EncodingType(const MimeFormatStruct& part) {
    if (ContainsNoCase(part.transferEncodingValue, "base64")) return 1;
    if (ContainsNoCase(part.transferEncodingValue, "quoted-printable")) return 2;
    return 0;
}

// A leaf's body decoded by its transfer encoding; `storage` holds the decoded bytes when
// there was anything to decode.
string_view DecodedBody(const MimeFormatStruct& part, std::string& storage) {
    const int type = EncodingType(part);
    if (type == 0) return part.body;
    storage = DecodeMailBody(part.body, type);
    return storage;
}

// A leaf that may hold the mail's text: a text part, or one without Content-Type.
bool IsTextLike(const MimeFormatStruct& part) {
    if (part.contentTypeName.empty() && part.contentTypeValue.empty()) return true;
    std::string type, subType;
    TypeOf(part, type, subType);
    return ContainsNoCase(type, "text");
}

bool IsHtml(const MimeFormatStruct& part) {
    std::string type, subType;
    TypeOf(part, type, subType);
    return ContainsNoCase(type, "text") && ContainsNoCase(subType, "html");
}

// The marks a person writes on the first line of a reply. A web form that sends its
// mail as HTML writes them as markup, where they show nothing, so the text of an HTML body
// keeps them as written.
constexpr string_view kMarkTags[] = {"refuse", "register"};

// A text leaf decoded and brought to Shift_JIS. An HTML one gives the text it shows its
// reader, the marks of kMarkTags kept, and its markup into `markup` (emptied otherwise):
// a reply written in HTML counts by what its reader sees, and a mark typed as "<REFUSE>"
// stands in the markup as "&lt;REFUSE&gt;".
std::string LeafText(const MimeFormatStruct& part, std::string& markup) {
    std::string storage;
    const string_view bytes = DecodedBody(part, storage);
    std::string charset;
    part.GetCharset(charset);
    std::string text = mime_charset::ToSjis(bytes, mime_charset::DetectTextCode(charset, bytes));
    markup.clear();
    if (!IsHtml(part)) return text;
    markup = std::move(text);
    return html_text::ShownText(markup, kMarkTags);
}

// Whether the markup holds the tag "<name>" (any case; attributes allowed).
bool HoldsTag(string_view markup, string_view name) {
    const std::string open = "<" + std::string(name);
    for (size_t at = FindNoCase(markup, open); at != npos; at = FindNoCase(markup, open, at + 1)) {
        const size_t after = at + open.size();
        if (after < markup.size() && (markup[after] == '>' || markup[after] == '/' || IsBlank(markup[after]) ||
                                      markup[after] == '\r' || markup[after] == '\n'))
            return true;
    }
    return false;
}

string_view WithoutLeadingLineBreaks(string_view s) {
    while (!s.empty() && (s.front() == '\r' || s.front() == '\n')) s.remove_prefix(1);
    return s;
}

// An entity written out again from what the parser kept of it: header records (a record
// without a value was a line without a colon, as undecoded base64 gives) and the body.
std::string EntityText(const MimeFormatStruct& e) {
    std::string t;
    for (const MimeHeaderStruct& h : e.headerList) {
        t += h.name;
        if (!h.value.empty()) {
            t += ':';
            t += h.value;
        }
        t += "\r\n";
    }
    if (!e.headerList.empty()) t += "\r\n";
    t += e.body;
    return t;
}

// A returned message is read again from its text at most this many times per mail (an
// encoded one, one whose headers follow an empty line, one nested too deep for the
// parser), so that hostile nesting cannot multiply the work.
constexpr int kMaxRereads = 8;
// Returned messages and header parts looked at per mail.
constexpr size_t kMaxReturned = 256;

// The message inside a message/rfc822 (or message/rfc822-headers) part, ready to read:
// the parsed child as it stands; or, when the part is transfer-encoded, the parser found
// no headers in it (they follow an empty line, or no empty line ends them) or left it
// unread, its text decoded, stripped of leading line breaks and parsed again into
// `reread`. nullptr when there is nothing to read.
const MimeFormatStruct* ReturnedContent(const MimeFormatStruct& part, std::deque<MimeFormatStruct>& reread,
                                        int& budget) {
    const int encoding = EncodingType(part);
    const MimeFormatStruct* child = part.subParts.empty() ? nullptr : &part.subParts[0];
    if (encoding == 0 && child && !child->headerList.empty()) return child;
    if (budget <= 0) return child;
    std::string text = child ? (encoding ? EntityText(*child) : child->body) : part.body;
    if (encoding) text = DecodeMailBody(text, encoding);
    text.erase(0, text.size() - WithoutLeadingLineBreaks(text).size());
    if (text.empty()) return child;
    // Headers alone (message/rfc822-headers) end without an empty line; the parser would
    // take them for a body.
    text += text.back() == '\n' ? "\r\n" : "\r\n\r\n";
    --budget;
    reread.emplace_back();
    MimeDecodeTool::MimeDecode(text, reread.back());
    return &reread.back();
}

// Whether `text` holds `word` whatever the width and case of either: a Japanese input
// method types "＜ＲＥＦＵＳＥ＞" or "ｓｔｏｐ" as readily as "<REFUSE>" or "stop", and a
// keyword in katakana may come back in half-width katakana.
bool HoldsInAnyForm(string_view text, string_view word) { return xcstrhzistr(text, word) != 0; }

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
    bodyMarkup_.clear();
    attachPaths_.clear();
    bodyTaken_ = 0;
    nullSender_ = false;
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
    return message_id::CutDown(value, id);
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

void MailAnalyzer::HeaderTextValues(std::string_view text, std::string_view name,
                                    std::vector<std::string>& values) {
    std::string lines = CrLfConv(WithoutLeadingLineBreaks(text));
    // The header block ends at its first empty line; what follows is no header.
    const size_t end = lines.find("\r\n\r\n");
    if (end != std::string::npos) lines.resize(end + 2);
    if (lines.size() < 2 || lines.compare(lines.size() - 2, 2, "\r\n") != 0) lines += "\r\n";
    std::vector<MimeHeaderStruct> headers;
    SplitMailHeader(lines, headers);
    for (MimeHeaderStruct& h : headers)
        if (EqualsNoCase(h.name, name)) values.push_back(std::move(h.value));
}

void MailAnalyzer::Analyse() {
    ClearResults();

    FirstMessageID(mail_.headerList, "message-id", messageId_);
    CutDownFromAddress();
    SetMailBodyAndAttachFileArray();
    DecodeSubject();
    SetMailSendDate();

    if (IsReadReceipt()) {
        // A notice that the mail was deleted unread (Outlook's "Not read:") is no sign
        // that it was opened, and no refusal, registration or bounce either.
        mailType_ = ReceiptSaysUnread() ? kOrdinary : kReadReceipt;
        if (mailType_ == kReadReceipt) FindReceiptOriginalID();
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
        bool angle = false;
        const std::string address = AddressOf(ReformatHeaderBodyString(*value), angle);
        // Only a mail system writes itself as the null address ("<>", "MAILER-DAEMON <>").
        if (angle && address.empty() && name != "return-path") nullSender_ = true;
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
    // Every leaf in document order, and the first that may be the body: a text part (or one
    // without Content-Type) that is no attached file.
    struct Item {
        const MimeFormatStruct* part;
        PartPath path;
    };
    std::vector<Item> leaves;
    std::vector<Item> stack{{&mail_, {}}};
    size_t body = npos;
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
        if (body == npos && IsTextLike(part) && !part.IsAttachment()) body = leaves.size();
        leaves.push_back(std::move(item));
    }
    // The first HTML leaf after `body` that is an alternative to it: inside the nearest
    // multipart/alternative around it, and no attached file.
    const auto htmlAlternative = [&](const std::vector<Item>& all, size_t from) {
        const PartPath& path = all[from].path;
        for (size_t depth = path.size(); depth-- > 0;) {
            const PartPath around(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(depth));
            const MimeFormatStruct* a = PartAt(around);
            std::string type, subType;
            if (a) TypeOf(*a, type, subType);
            if (!a || !ContainsNoCase(type, "multipart") || !ContainsNoCase(subType, "alternative")) continue;
            for (size_t j = from + 1; j < all.size(); ++j) {
                const PartPath& p = all[j].path;
                if (p.size() <= depth || !std::equal(around.begin(), around.end(), p.begin())) break;  // past it
                if (IsHtml(*all[j].part) && !all[j].part->IsAttachment()) return j;
            }
            break;
        }
        return npos;
    };
    if (body != npos) {
        bodyTaken_ = 1;
        decodedBody_ = LeafText(*leaves[body].part, bodyMarkup_);
        // Gmail and Outlook send a reply written in HTML with a text alternative that may be
        // empty or a line break: the reader is shown the HTML, and so its text counts.
        if (!IsHtml(*leaves[body].part) && reply_lines::IsBlank(decodedBody_)) {
            const size_t html = htmlAlternative(leaves, body);
            if (html != npos) {
                std::string markup;
                std::string text = LeafText(*leaves[html].part, markup);
                if (!reply_lines::IsBlank(text)) {
                    decodedBody_ = std::move(text);
                    bodyMarkup_ = std::move(markup);
                    body = html;
                }
            }
        }
    }
    for (size_t i = 0; i < leaves.size(); ++i)
        if (i != body) attachPaths_.push_back(std::move(leaves[i].path));
}

std::string MailAnalyzer::GetDecodeMailSubjectUtf8() const {
    const std::string* value = FirstValue(mail_.headerList, "subject");
    if (!value) return std::string();
    std::string subject = DecodeHeaderTextToUtf8(*value);
    if (!subject.empty() && subject[0] == ' ') subject.erase(0, 1);
    return subject;
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
    const string_view line = reply_lines::WritersFirstLine(decodedBody_);
    if (HoldsInAnyForm(line, "<REFUSE>")) return true;
    if (!refuseWithKeyword_) return false;
    // A keyword of nothing but blanks (full-width ones too) would be found in every mail
    // and refuse everyone.
    std::string narrow;
    xc_zen2han_sjis_all(narrow, refuseKeyword_);
    if (mime_text::Trim(narrow).empty()) return false;
    return HoldsInAnyForm(line, refuseKeyword_);
}

bool MailAnalyzer::IsRegistration() {
    if (HoldsInAnyForm(reply_lines::WritersFirstLine(decodedBody_), "<REGISTER>")) {
        // A web form that sends HTML writes the mark and the fields as markup: they are read
        // from it as written, as from a text body.
        if (HoldsTag(bodyMarkup_, "register")) decodedBody_ = bodyMarkup_;
        return true;
    }
    // A mail system's delivery report whose text part is empty is no one asking to join:
    // taken as a registration, it would put the mail system into the list and lose the
    // bounce.
    if (!resistWithEmpty_ || ReportActions() != 0) return false;
    string_view body = decodedBody_;
    const size_t dot = body.rfind('.');
    if (dot != npos) body = body.substr(0, dot);
    if (!reply_lines::IsBlank(body)) return false;
    decodedBody_ = "<REGISTER><EMAIL>" + fromAddress_ + "</EMAIL>";
    return true;
}

bool MailAnalyzer::FromMailSystem() const {
    static constexpr string_view kSenders[] = {
        "MAILER-DAEMON", "Postmaster", "Mail.Delivery.Subsystem", "SysAdmin", "root@",
        "admin@",        "admins2@",   "ccadmin@",                "supervisor", "smtp-admin",
        "post-master@",  "Mailer-Agent@", "smtp-master",          "sysop@",   "uxgw@",
    };
    if (nullSender_) return true;
    for (const string_view prefix : kSenders)
        if (fromAddress_.size() >= prefix.size() && EqualsNoCase(string_view(fromAddress_).substr(0, prefix.size()), prefix))
            return true;
    return false;
}

bool MailAnalyzer::PersonsAnswer() const {
    // Small firms use postmaster@, admin@ or root@ as their everyday address, and a reply
    // from there quotes our Message-ID in In-Reply-To or References: taken for a bounce, the
    // person who answered would be marked undeliverable. The null sender and MAILER-DAEMON
    // are never a person; a mail system's notice under the other names is no answer.
    if (nullSender_) return false;
    for (const string_view prefix : {string_view("MAILER-DAEMON"), string_view("Mail.Delivery.Subsystem")})
        if (fromAddress_.size() >= prefix.size() && EqualsNoCase(string_view(fromAddress_).substr(0, prefix.size()), prefix))
            return false;
    return FirstValue(mail_.headerList, "in-reply-to") != nullptr || FirstValue(mail_.headerList, "references") != nullptr;
}

bool MailAnalyzer::SubjectIsReply() const {
    static const std::vector<std::string> kPrefixes = {Utf8ToSjis("Re:"), Utf8ToSjis("Re["), Utf8ToSjis("Re："),
                                                       Utf8ToSjis("返信:"), Utf8ToSjis("返信：")};
    string_view subject = decodedSubject_;
    while (!subject.empty() && IsBlank(subject.front())) subject.remove_prefix(1);
    for (const std::string& prefix : kPrefixes)
        if (subject.size() >= prefix.size() && EqualsNoCase(subject.substr(0, prefix.size()), prefix)) return true;
    return false;
}

bool MailAnalyzer::SubjectReadsLikeFailure() const {
    static const std::vector<std::vector<string_view>> kSubjectWords = {
        {"User", "unknown"},    {"Host", "unknown"},  {"Service", "unavailable"},
        {"failure", "notice"},  {"Returned", "mail"}, {"Mail", "could", "not", "be", "delivered"},
        // "Mail delivery failed", "Delivery Status Notification (Failure)", "DELIVERY FAILURE:"
        {"delivery", "fail"},
        // "Undeliverable:", "Undelivered Mail", "Nondeliverable mail", "Non-delivery report"
        {"undeliver"}, {"nondeliver"}, {"non-deliver"},
    };
    for (const auto& words : kSubjectWords) {
        bool all = true;
        for (const string_view w : words) all = all && FindSjis(decodedSubject_, w, true) != npos;
        if (all) return true;
    }
    // The failure notice of a Japanese mobile carrier ("mail error notice").
    static const std::string kCarrierNotice = Utf8ToSjis("メールエラー通知");
    return FindSjis(decodedSubject_, kCarrierNotice) != npos;
}

bool MailAnalyzer::NullReturnPath() const {
    const std::string* value = FirstValue(mail_.headerList, "return-path");
    return value && ReformatHeaderBodyString(*value) == "<>";
}

unsigned MailAnalyzer::ReportActions() const {
    unsigned actions = 0;
    std::vector<const MimeFormatStruct*> stack{&mail_};
    std::string storage;
    while (!stack.empty()) {
        const MimeFormatStruct& part = *stack.back();
        stack.pop_back();
        if (!part.subParts.empty()) {
            for (size_t i = part.subParts.size(); i-- > 0;) stack.push_back(&part.subParts[i]);
            continue;
        }
        std::string type, subType;
        TypeOf(part, type, subType);
        if (ContainsNoCase(type, "message") && ContainsNoCase(subType, "delivery-status"))
            actions |= bounce_text::ReportActions(DecodedBody(part, storage));
    }
    return actions;
}

bool MailAnalyzer::CheckErrorMail() const {
    // A delivery-status report says itself whether delivery failed: a report of delays,
    // relays or deliveries only is no failure, whoever sent it.
    const unsigned actions = ReportActions();
    if (actions & bounce_text::kActionFailed) return true;
    if (actions) return false;

    // A person answering our mail keeps its subject: one that held "service unavailable"
    // or "failure notice" reads like a failure behind its "Re:" without being one.
    const bool answer = PersonsAnswer();
    const bool failureSubject = SubjectReadsLikeFailure() && !(answer && SubjectIsReply());
    const bool bySender = (FromMailSystem() && !answer) || failureSubject;
    if (!bySender && !NullReturnPath()) return false;
    const string_view notice = bounce_text::NoticeWords(decodedBody_);
    if (!bySender && !bounce_text::ReadsLikeFailure(decodedSubject_) && !bounce_text::ReadsLikeFailure(notice))
        return false;
    // A warning that delivery is delayed comes from the same senders as a failure.
    const bool warning = (bounce_text::SubjectSpeaksOfDelay(decodedSubject_) && !failureSubject) ||
                         bounce_text::ReadsLikeWarning(notice);
    return !warning;
}

void MailAnalyzer::ReceiptFields(std::string_view name, std::vector<std::string>& values) const {
    if (!IsMultipartWithParts(mail_) || mail_.subParts.size() < 2) return;
    const MimeFormatStruct& report = mail_.subParts[1];
    std::string type, subType;
    TypeOf(report, type, subType);
    if (!ContainsNoCase(type, "message") || !ContainsNoCase(subType, "disposition-notification") ||
        !report.subParts.empty())
        return;
    std::string storage;
    HeaderTextValues(DecodedBody(report, storage), name, values);
}

bool MailAnalyzer::ReceiptSaysUnread() const {
    // "Disposition: action-mode/sending-mode; disposition-type[/modifiers]". Only
    // "displayed" says the reader saw it; "deleted" (and the older "denied" and "failed")
    // say the opposite. A report without the field is taken as a receipt, as before.
    std::vector<std::string> values;
    ReceiptFields("disposition", values);
    if (values.empty()) return false;
    for (const std::string& v : values) {
        const std::string tidy = ReformatHeaderBodyString(v);
        const size_t semicolon = tidy.find(';');
        if (semicolon == npos) return false;
        string_view kind = string_view(tidy).substr(semicolon + 1);
        kind = kind.substr(0, kind.find_first_of("/;"));
        if (!EqualsNoCase(kind, "deleted") && !EqualsNoCase(kind, "denied") && !EqualsNoCase(kind, "failed"))
            return false;
    }
    return true;
}

void MailAnalyzer::FindReceiptOriginalID() {
    originalMessageId_.clear();
    std::vector<std::string> values;
    ReceiptFields("original-message-id", values);
    std::string id;
    for (const std::string& v : values) {
        if (message_id::CutDown(v, id) && message_id::LooksLikeId(id)) {
            originalMessageId_ = std::move(id);
            return;
        }
    }
}

void MailAnalyzer::FindBounceOriginalID() {
    message_id::Choice choice;
    OfferReturnedMessageIds(choice);
    if (!choice.Settled()) OfferNoticeTextIds(choice);
    originalMessageId_ = choice.Result();
}

void MailAnalyzer::OfferReturnedMessageIds(message_id::Choice& choice) const {
    // Every returned message or header part, in document order, with the one it lies in.
    // One that holds another, or a report, is a wrapper around a whole report: its own
    // headers are the report's, not the original's.
    struct Returned {
        bool wrapper = false;
        std::vector<std::string> values;  // its Message-ID values
    };
    std::vector<Returned> found;
    std::deque<MimeFormatStruct> reread;
    int budget = kMaxRereads;
    std::string storage;
    struct Item {
        const MimeFormatStruct* part;
        int in;  // index in `found` of the returned message it lies in, or -1
    };
    std::vector<Item> stack{{&mail_, -1}};
    auto inside = [&](int in) {
        if (in >= 0) found[static_cast<size_t>(in)].wrapper = true;
    };
    while (!stack.empty() && found.size() < kMaxReturned) {
        const Item item = stack.back();
        stack.pop_back();
        const MimeFormatStruct& part = *item.part;
        std::string type, subType;
        TypeOf(part, type, subType);
        const bool message = ContainsNoCase(type, "message");
        if ((message && ContainsNoCase(subType, "delivery-status")) ||
            (ContainsNoCase(type, "multipart") && ContainsNoCase(subType, "report")))
            inside(item.in);
        if (message && ContainsNoCase(subType, "rfc822")) {
            // message/rfc822, and message/rfc822-headers, which the parser reads alike.
            inside(item.in);
            const MimeFormatStruct* content = ReturnedContent(part, reread, budget);
            if (!content) continue;
            Returned r;
            for (const MimeHeaderStruct& h : content->headerList)
                if (EqualsNoCase(h.name, "message-id")) r.values.push_back(h.value);
            found.push_back(std::move(r));
            stack.push_back({content, static_cast<int>(found.size() - 1)});
        } else if (ContainsNoCase(subType, "rfc822-headers") && part.subParts.empty()) {
            inside(item.in);
            Returned r;
            HeaderTextValues(DecodedBody(part, storage), "message-id", r.values);
            found.push_back(std::move(r));
        } else if (IsMultipartWithParts(part)) {
            for (size_t i = part.subParts.size(); i-- > 0;) stack.push_back({&part.subParts[i], item.in});
        }
    }
    for (const bool wrappers : {false, true})
        for (const Returned& r : found)
            if (r.wrapper == wrappers)
                for (const std::string& v : r.values) choice.OfferValue(v, !wrappers);
}

void MailAnalyzer::OfferNoticeTextIds(message_id::Choice& choice) const {
    // The bounce's own texts; a returned message's texts are not the notice.
    std::vector<const MimeFormatStruct*> stack{&mail_};
    std::string storage;
    while (!stack.empty() && !choice.Settled()) {
        const MimeFormatStruct& part = *stack.back();
        stack.pop_back();
        if (IsMultipartWithParts(part)) {
            for (size_t i = part.subParts.size(); i-- > 0;) stack.push_back(&part.subParts[i]);
            continue;
        }
        std::string type, subType;
        TypeOf(part, type, subType);
        const bool text = (part.contentTypeName.empty() && part.contentTypeValue.empty()) || ContainsNoCase(type, "text");
        if (!text || ContainsNoCase(subType, "html") || ContainsNoCase(subType, "rfc822-headers")) continue;
        bounce_text::OfferCopiedIds(DecodedBody(part, storage), choice);
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
        const std::string id = t.substr(lt + 1, gt - lt - 1);
        if (!message_id::LooksLikeId(id)) continue;
        originalMessageId_ = id;
        return;
    }
}
