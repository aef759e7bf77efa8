#include "core/mailstore/mime_decode_tool.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "core/foundation/string_utils.h"
#include "core/mailstore/mime_header_param.h"
#include "core/mailstore/mime_text_util.h"

namespace {

using std::string_view;
using text_search::npos;

// True when every CR is followed by LF and every LF follows a CR: CrLfConv would return
// such a text unchanged, so it need not be copied.
bool IsCrLfOnly(string_view t) {
    const char* const p = t.data();
    const char* const end = p + t.size();
    for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '\n', end - q))); ++q)
        if (q == p || q[-1] != '\r') return false;
    for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '\r', end - q))); ++q)
        if (q + 1 == end || q[1] != '\n') return false;
    return true;
}

// True when all of `t` reads as header lines: each line a field name (printable ASCII
// other than ":") and a colon, or, after the first, a continuation that starts with a
// blank or tab. Such a text is a header block that the end of the entity closes.
bool IsHeaderBlock(string_view t) {
    size_t at = 0;
    bool first = true;
    while (at < t.size()) {
        size_t end = t.find("\r\n", at);
        if (end == npos) end = t.size();
        const string_view line = t.substr(at, end - at);
        if (line.empty()) return false;
        if (line[0] == ' ' || line[0] == '\t') {
            if (first) return false;
        } else {
            const size_t colon = line.find(':');
            if (colon == npos || colon == 0) return false;
            for (size_t k = 0; k < colon; ++k)
                if (static_cast<unsigned char>(line[k]) <= 0x20 || static_cast<unsigned char>(line[k]) >= 0x7F)
                    return false;
        }
        first = false;
        at = end + 2;
    }
    return true;
}

// Splits an entity (line ends already CR LF) into its header block and body. The header
// ends at the first empty line, keeping the CR LF of its last line; an entity that starts
// with an empty line has no header and its body follows that line; an entity without an
// empty line is a header block without a body when every line of it reads as a header
// line (`openLastLine` then tells that its last line has no line end), else all body.
void SplitHeaderBodyView(string_view t, string_view& header, string_view& body, bool& openLastLine) {
    header = {};
    body = {};
    openLastLine = false;
    if (t.empty()) return;
    if (t.starts_with("\r\n")) {
        body = t.substr(2);
        return;
    }
    const size_t b = t.find("\r\n\r\n");
    if (b != npos) {
        header = t.substr(0, b + 2);
        body = t.substr(b + 4);
    } else if (IsHeaderBlock(t)) {
        header = t;
        openLastLine = !t.ends_with("\r\n");
    } else {
        body = t;
    }
}

// Unfolds a header block and splits it into records. A fold (a line end followed by a
// blank or tab) loses its line end only: the white space stays, as RFC 5322 unfolds.
int SplitHeaderLines(string_view h, std::vector<MimeHeaderStruct>& list, bool openLastLine = false) {
    list.clear();
    int ok = 1;
    std::string line;
    auto addRecord = [&] {
        const size_t colon = line.find(':');
        if (colon == std::string::npos) {
            ok = 0;
            list.push_back({line, std::string()});
        } else {
            list.push_back({line.substr(0, colon), line.substr(colon + 1)});
        }
        line.clear();
    };
    const size_t n = h.size();
    size_t i = 0;
    while (i < n) {
        const char c = h[i];
        if (c != '\r' && c != '\n') {
            size_t j = i;
            while (j < n && h[j] != '\r' && h[j] != '\n') ++j;
            line.append(h.substr(i, j - i));
            i = j;
            continue;
        }
        const bool crlf = c == '\r' && i + 1 < n && h[i + 1] == '\n';
        if (!crlf) ok = 0;
        const size_t next = i + (crlf ? 2 : 1);
        if (next < n && (h[next] == ' ' || h[next] == '\t')) {
            i = next;  // a fold: the continuation, its white space first, joins the line
            continue;
        }
        addRecord();
        i = next;
    }
    // A last line without a line end is dropped, unless the entity ended there.
    if (openLastLine && !line.empty()) addRecord();
    return ok;
}

// A delimiter line of a multipart body: "--" and the boundary at the start of a line,
// "--" after it for the closing delimiter, then blanks or tabs up to the line end. The
// CR LF before the line belongs to the delimiter.
struct Delimiter {
    size_t lineStart;  // of the "--"
    size_t after;      // the first byte after the delimiter line
    bool close;
};

bool NextDelimiter(string_view body, string_view dashBoundary, size_t from, Delimiter& d) {
    for (size_t k = body.find(dashBoundary, from); k != npos; k = body.find(dashBoundary, k + 1)) {
        if (k != 0 && (k < 2 || body[k - 2] != '\r' || body[k - 1] != '\n')) continue;
        size_t e = k + dashBoundary.size();
        if (body.substr(e, 2) == "--") {
            d = {k, e + 2, true};
            return true;
        }
        while (e < body.size() && (body[e] == ' ' || body[e] == '\t')) ++e;
        if (e == body.size()) {
            d = {k, e, false};
            return true;
        }
        if (body.substr(e, 2) == "\r\n") {
            d = {k, e + 2, false};
            return true;
        }
    }
    return false;
}

// The part texts between the delimiter lines of `body`, up to the first closing
// delimiter: 1. Without any delimiter, or when a closing delimiter comes first: 0 and no
// parts. Without a closing delimiter: 0, the last part running to the end of the body.
int SplitMailBodyViews(string_view body, std::vector<string_view>& parts, string_view boundary) {
    parts.clear();
    const std::string dashBoundary = "--" + std::string(boundary);
    Delimiter d{};
    if (!NextDelimiter(body, dashBoundary, 0, d) || d.close) return 0;
    size_t start = d.after;
    for (;;) {
        if (!NextDelimiter(body, dashBoundary, start, d)) {
            parts.push_back(body.substr(start));
            return 0;
        }
        const size_t end = std::max(start, d.lineStart >= 2 ? d.lineStart - 2 : 0);
        parts.push_back(body.substr(start, end - start));
        if (d.close) return 1;
        start = d.after;
    }
}

// The decimal integer at the start of a text, as the C library reads it; clamped.
long ReadDecimal(string_view s) {
    size_t i = 0;
    while (i < s.size() && mime_text::IsSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = std::min(v * 10 + (s[i] - '0'), long(INT_MAX));
    return negative ? -v : v;
}

struct Job {
    MimeFormatStruct* part;
    string_view text;
    int depth;
    bool inDigest;   // a part of a multipart/digest: without Content-Type it is a message
    bool inMessage;  // inside an enclosed message, whose body holds this text already
};

// Parses one entity from `text` (line ends already CR LF) and queues its children.
// Returns 0 on any fault of this entity.
int DecodeEntity(const Job& job, std::vector<Job>& pending) {
    MimeFormatStruct& part = *job.part;
    string_view header, body;
    bool openLastLine = false;
    SplitHeaderBodyView(job.text, header, body, openLastLine);
    int ok = SplitHeaderLines(header, part.headerList, openLastLine);

    const MimeHeaderStruct* contentType = nullptr;
    bool haveDisposition = false, haveVersion = false, haveEncoding = false;
    for (const MimeHeaderStruct& h : part.headerList) {
        if (!contentType && mime_text::EqualsNoCase(h.name, "content-type")) {
            contentType = &h;
        } else if (!haveDisposition && mime_text::EqualsNoCase(h.name, "content-disposition")) {
            haveDisposition = true;
            part.dispositionName = h.name;
            part.dispositionValue = h.value;
        } else if (!haveVersion && mime_text::EqualsNoCase(h.name, "mime-version")) {
            haveVersion = true;
            part.mimeVersion = static_cast<double>(ReadDecimal(h.value));
        } else if (!haveEncoding && mime_text::EqualsNoCase(h.name, "content-transfer-encoding")) {
            haveEncoding = true;
            part.transferEncodingName = h.name;
            part.transferEncodingValue = h.value;
        }
    }
    auto leaf = [&](int result) {
        part.body.assign(body);
        return result;
    };
    std::string type, subType, params;
    if (contentType) {
        part.contentTypeName = contentType->name;
        part.contentTypeValue = contentType->value;
        MimeDecodeTool::SplitContentType(part.contentTypeValue, type, subType, params);
        if (mime_text::Trim(subType).empty()) {
            // A type without a subtype is not a valid type: the entity is plain text, with
            // the parameters it names (RFC 2045 5.2).
            const size_t semi = part.contentTypeValue.find(';');
            params = semi == std::string::npos ? std::string() : part.contentTypeValue.substr(semi);
            part.contentTypeValue = " text/plain" + params;
            type = " text";
            subType = "plain";
        }
    } else if (job.inDigest) {
        // The parts of a digest are messages unless they say otherwise (RFC 2046 5.1.5).
        part.contentTypeValue = " message/rfc822";
        type = " message";
        subType = "rfc822";
    } else {
        return leaf(ok);
    }
    const bool canNest = job.depth < MimeDecodeTool::kMaxNesting;

    if (mime_text::ContainsNoCase(type, "multipart")) {
        if (!canNest) return leaf(0);
        MimeHeaderParam boundary;
        if (!ReadHeaderParam(params, "boundary", boundary) || !boundary.closed) return leaf(0);
        const string_view b = mime_text::TrimRight(boundary.value);
        if (b.empty()) return leaf(0);
        part.boundary.assign(b);

        std::vector<string_view> texts;
        const int split = SplitMailBodyViews(body, texts, b);
        // Without a single part the body stays with the entity, so nothing is lost.
        if (texts.empty()) return leaf(0);
        part.hasSubParts = 1;
        part.subParts.resize(texts.size());
        const bool digest = mime_text::ContainsNoCase(subType, "digest");
        for (size_t i = texts.size(); i-- > 0;)
            pending.push_back({&part.subParts[i], texts[i], job.depth + 1, digest, job.inMessage});
        return ok && split;
    }
    if (mime_text::ContainsNoCase(type, "message") && mime_text::ContainsNoCase(subType, "rfc822")) {
        if (!canNest) return leaf(0);
        // The enclosed message keeps its text too, so that it is saved or sent on exactly
        // as it came; one inside another enclosed message need not, the outer one holds it.
        if (!job.inMessage) part.body.assign(body);
        part.hasSubParts = 1;
        part.subParts.resize(1);
        pending.push_back({&part.subParts[0], body, job.depth + 1, false, true});
        return ok;
    }
    return leaf(ok);
}

}  // namespace

int MimeDecodeTool::MimeDecode(std::string_view text, MimeFormatStruct& part) {
    // The tree is built apart and moved in at the end, so `text` may be a body of `part`.
    MimeFormatStruct tree;
    std::string converted;
    if (!IsCrLfOnly(text)) {
        converted = CrLfConv(text);
        text = converted;
    }
    // Children are parsed from views of the one converted text: a part lies between
    // delimiter lines, so its line ends are CR LF already.
    int result = 1;
    std::vector<Job> pending{{&tree, text, 0, false, false}};
    while (!pending.empty()) {
        const Job job = pending.back();
        pending.pop_back();
        if (!DecodeEntity(job, pending)) result = 0;
    }
    part = std::move(tree);
    return result;
}

int MimeDecodeTool::GetHeaderInfo(std::string_view name, const std::vector<MimeHeaderStruct>& headerList,
                                  std::vector<MimeHeaderStruct>& found) {
    found.clear();
    for (const MimeHeaderStruct& h : headerList)
        if (mime_text::EqualsNoCase(h.name, name)) found.push_back(h);
    return static_cast<int>(found.size());
}

void MimeDecodeTool::SplitContentType(std::string_view value, std::string& type, std::string& subType,
                                      std::string& params) {
    type.clear();
    subType.clear();
    params.clear();
    const size_t slash = value.find('/');
    if (slash == npos) {
        type.assign(value);
        return;
    }
    type.assign(value.substr(0, slash));
    const string_view rest = value.substr(slash + 1);
    const size_t semi = rest.find(';');
    subType.assign(rest.substr(0, semi));
    if (semi != npos) params.assign(rest.substr(semi));
}

size_t MimeDecodeTool::stristr(std::string_view text, std::string_view pattern) {
    return mime_text::FindNoCase(text, pattern);
}

MimeFormatStruct& MimeDecodeTool::CopyMimeFormatStruct(MimeFormatStruct& target, const MimeFormatStruct& source) {
    return MimeFormatStruct::Copy(target, source);
}

void MimeDecodeTool::SplitHeaderBody(std::string_view text, std::string& header, std::string& body) {
    header.clear();
    body.clear();
    if (text.empty()) return;
    std::string converted;
    if (!IsCrLfOnly(text)) {
        converted = CrLfConv(text);
        text = converted;
    }
    string_view h, b;
    bool openLastLine = false;
    SplitHeaderBodyView(text, h, b, openLastLine);
    header.assign(h);
    if (openLastLine) header += "\r\n";
    body.assign(b);
}

int MimeDecodeTool::SplitMailHeader(std::string_view header, std::vector<MimeHeaderStruct>& headerList) {
    return SplitHeaderLines(header, headerList);
}

int MimeDecodeTool::SplitMailBody(std::string_view body, std::vector<std::string>& parts,
                                  std::string_view boundary) {
    std::vector<string_view> views;
    const int r = SplitMailBodyViews(body, views, boundary);
    parts.assign(views.begin(), views.end());
    return r;
}

std::string MimeDecodeTool::CrLfConv(std::string_view text) { return CrLfConverter(text); }
