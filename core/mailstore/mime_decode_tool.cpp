#include "core/mailstore/mime_decode_tool.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "core/foundation/string_utils.h"
#include "core/mailstore/mime_text_util.h"

namespace {

using std::string_view;
constexpr size_t npos = string_view::npos;

// True when every CR is followed by LF and every LF follows a CR: CrLfConv would return
// such a text unchanged, so it need not be copied.
bool IsCrLfOnly(string_view t) {
    const char* p = t.data();
    const size_t n = t.size();
    size_t lf = 0;
    for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '\n', n - (q - p)))); ++q) {
        if (q == p || q[-1] != '\r') return false;
        ++lf;
    }
    return static_cast<size_t>(std::count(p, p + n, '\r')) == lf;
}

void SplitHeaderBodyView(string_view t, string_view& header, string_view& body) {
    header = {};
    body = {};
    if (t.empty()) return;
    const size_t a = t.find("\r\n");
    const size_t b = t.find("\r\n\r\n");
    if (a != npos && a > 0 && b != npos) {
        header = t.substr(0, b + 2);
        body = t.substr(b + 4);
    } else if (a == 0 && b != npos) {
        body = t.substr(2);
    } else {
        body = t;
    }
}

int SplitHeaderLines(string_view h, std::vector<MimeHeaderStruct>& list) {
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
            i = next + 1;  // a fold: the continuation joins the line without that character
            continue;
        }
        addRecord();
        i = next;
    }
    return ok;  // a last line without a line end is dropped
}

// Finds `pat` (which starts with CR LF) in "\r\n" + body without building that text;
// positions count in that text.
size_t FindInPrefixed(string_view body, string_view pat, size_t from) {
    if (from == 0 && body.substr(0, pat.size() - 2) == pat.substr(2)) return 0;
    const size_t r = body.find(pat, from >= 2 ? from - 2 : 0);
    return r == npos ? npos : r + 2;
}

int SplitMailBodyViews(string_view body, std::vector<string_view>& parts, string_view boundary) {
    parts.clear();
    const std::string delim = "\r\n--" + std::string(boundary) + "\r\n";
    const std::string close = "\r\n--" + std::string(boundary) + "--";
    const size_t firstClose = FindInPrefixed(body, close, 0);
    const size_t firstDelim = FindInPrefixed(body, delim, 0);
    if (firstClose == npos || firstDelim == npos) return 0;
    // Positions below are in the prefixed text; a part always starts after a delimiter,
    // so at 2 or later, and body offsets are 2 less.
    auto slice = [&](size_t from, size_t to) { return body.substr(from - 2, to - from); };
    size_t start = firstDelim + delim.size();
    for (;;) {
        const size_t next = FindInPrefixed(body, delim, start);
        if (next == npos || next > firstClose) break;
        parts.push_back(slice(start, next));
        start = next + delim.size();
    }
    const size_t end = FindInPrefixed(body, close, start);
    if (end == npos) return 0;
    parts.push_back(slice(start, end));
    return 1;
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
};

// Parses one entity from `text` (line ends already CR LF) and queues its children.
// Returns 0 on any fault of this entity.
int DecodeEntity(const Job& job, std::vector<Job>& pending) {
    MimeFormatStruct& part = *job.part;
    string_view header, body;
    SplitHeaderBodyView(job.text, header, body);
    int ok = SplitHeaderLines(header, part.headerList);

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
    if (!contentType) return leaf(ok);
    part.contentTypeName = contentType->name;
    part.contentTypeValue = contentType->value;

    std::string type, subType, params;
    MimeDecodeTool::SplitContentType(part.contentTypeValue, type, subType, params);
    const bool canNest = job.depth < MimeDecodeTool::kMaxNesting;

    if (mime_text::ContainsNoCase(type, "multipart")) {
        if (!canNest) return leaf(0);
        const size_t at = mime_text::FindNoCase(params, "boundary=");
        if (at == npos) return leaf(0);
        string_view b = string_view(params).substr(at + 9);
        if (!b.empty() && b.front() == '"') {
            const size_t q = b.find('"', 1);
            if (q == npos) return leaf(0);
            b = b.substr(1, q - 1);
        } else {
            b = b.substr(0, b.find(';'));
        }
        while (!b.empty() && (b.back() == ' ' || b.back() == '\t')) b.remove_suffix(1);
        part.boundary.assign(b);

        std::vector<string_view> texts;
        const int split = SplitMailBodyViews(body, texts, b);
        // Without a single part the body stays with the entity, so nothing is lost.
        if (texts.empty()) return leaf(0);
        part.hasSubParts = 1;
        part.subParts.resize(texts.size());
        for (size_t i = texts.size(); i-- > 0;)
            pending.push_back({&part.subParts[i], texts[i], job.depth + 1});
        return ok && split;
    }
    if (mime_text::ContainsNoCase(type, "message") && mime_text::ContainsNoCase(subType, "rfc822")) {
        if (!canNest) return leaf(0);
        part.hasSubParts = 1;
        part.subParts.resize(1);
        pending.push_back({&part.subParts[0], body, job.depth + 1});
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
    std::vector<Job> pending{{&tree, text, 0}};
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
    SplitHeaderBodyView(text, h, b);
    header.assign(h);
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
