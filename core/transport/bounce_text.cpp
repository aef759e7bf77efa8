#include "core/transport/bounce_text.h"

#include <string>

#include "core/foundation/string_utils.h"
#include "core/mailstore/mime_text_util.h"

namespace bounce_text {
namespace {

using mime_text::EqualsNoCase;
using mime_text::FindNoCase;
using std::string_view;
constexpr size_t npos = string_view::npos;

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Lines of a text, ended by LF (a CR before it dropped) or by the end of the text.
class Lines {
public:
    explicit Lines(string_view text) : text_(text) {}
    bool Next(string_view& line) {
        if (pos_ >= text_.size()) return false;
        const size_t lf = text_.find('\n', pos_);
        const size_t end = lf == npos ? text_.size() : lf;
        line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        start_ = pos_;
        pos_ = lf == npos ? text_.size() : lf + 1;
        return true;
    }
    // Looks at the next line without taking it.
    bool Peek(string_view& line) const {
        Lines copy = *this;
        return copy.Next(line);
    }
    // Where the line last taken starts.
    size_t LineStart() const { return start_; }

private:
    string_view text_;
    size_t pos_ = 0;
    size_t start_ = 0;
};

// The line without the quote marks of a quoted copy (">", "> ", " >> " at any depth) and
// one blank after the last of them; a line without a mark is returned as it is.
string_view Unquoted(string_view line) {
    size_t i = 0;
    size_t after = 0;
    for (;;) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size() || line[i] != '>') break;
        after = ++i;
    }
    if (after == 0) return line;
    line.remove_prefix(after);
    if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    return line;
}

string_view TrimBlanks(string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Texts that stand on the line where a copy of the returned message begins. All but the
// last hold "message", which is looked for first: most lines of a long copy hold none.
constexpr string_view kMessageMarkers[] = {
    "copy of the message",
    "message follows",
    "message header follows",
    "message headers follow",
    "original message",
};
constexpr string_view kRejectedMarker = "Each of the following recipients was rejected by a remote mail server.";

bool IsCopyMarker(string_view line) {
    if (FindNoCase(line, "message") != npos) {
        for (const string_view marker : kMessageMarkers)
            if (FindNoCase(line, marker) != npos) return true;
        return false;
    }
    return FindNoCase(line, kRejectedMarker) != npos;
}

// The value of a "Message-ID:" line (quote marks and indentation allowed before the
// name), continued on the next lines while the id is still open: a fold, or the id alone
// on the line after an empty value. False when the line is no Message-ID line.
bool ReadMessageIdLine(string_view line, Lines& lines, std::string& value) {
    static constexpr string_view kName = "message-id:";
    const string_view text = TrimBlanks(Unquoted(line));
    if (text.size() < kName.size() || !EqualsNoCase(text.substr(0, kName.size()), kName)) return false;
    value.assign(text.substr(kName.size()));
    for (int more = 0; more < 3; ++more) {
        const bool blank = TrimBlanks(value).empty();
        const bool open = value.find('<') != std::string::npos && value.find('>') == std::string::npos;
        if (!blank && !open) break;
        string_view next;
        if (!lines.Peek(next)) break;
        next = Unquoted(next);
        const bool fold = !next.empty() && IsBlank(next.front());
        const bool alone = blank && !TrimBlanks(next).empty() && TrimBlanks(next).front() == '<';
        if (!fold && !alone) break;
        lines.Next(next);
        value.push_back(' ');
        value.append(TrimBlanks(Unquoted(next)));
    }
    return true;
}

// Phrases are ASCII in lower case; the text's ASCII letters are lowered once (the bytes of
// two-byte characters kept) so that each phrase is a plain search.
bool ContainsAny(string_view text, std::initializer_list<string_view> phrases) {
    const std::string lower = LowerAsciiSjis(text);
    for (const string_view p : phrases)
        if (string_view(lower).find(p) != npos) return true;
    return false;
}

}  // namespace

string_view NoticeWords(string_view body) {
    const string_view head = body.substr(0, kNoticeLimit);
    Lines lines(head);
    string_view line;
    while (lines.Next(line))
        if (IsCopyMarker(line)) return head.substr(0, lines.LineStart());
    return head;
}

void OfferCopiedIds(string_view text, message_id::Choice& choice) {
    enum { kOutside, kAfterMarker, kInBlock } state = kOutside;
    std::string firstInBlock, firstAnywhere, value, id;
    Lines lines(text);
    string_view line;
    while (lines.Next(line)) {
        if (IsCopyMarker(line)) {
            state = kAfterMarker;
            continue;
        }
        const bool empty = TrimBlanks(Unquoted(line)).empty();
        if (state == kAfterMarker && !empty) state = kInBlock;
        else if (state == kInBlock && empty) state = kOutside;
        if (empty || !ReadMessageIdLine(line, lines, value)) continue;
        if (!message_id::CutDown(value, id) || !message_id::LooksLikeId(id)) continue;
        if (message_id::IsOurs(id)) {
            choice.OfferId(id);
            return;
        }
        if (state == kInBlock && firstInBlock.empty()) firstInBlock = id;
        if (firstAnywhere.empty()) firstAnywhere = id;
    }
    if (!firstInBlock.empty()) choice.OfferId(firstInBlock);
    if (!firstAnywhere.empty()) choice.OfferId(firstAnywhere);
}

bool ReadsLikeFailure(string_view text) {
    return ContainsAny(text, {
                                 "could not be delivered",
                                 "couldn't be delivered",
                                 "was not delivered",
                                 "were not delivered",
                                 "undeliverable",
                                 "undelivered",
                                 "delivery failed",
                                 "delivery failure",
                                 "delivery has failed",
                                 "failed permanently",
                                 "permanent error",
                                 "permanent fatal error",
                                 "unable to deliver",
                                 "user unknown",
                                 "unknown user",
                                 "no such user",
                                 "returned to sender",
                             });
}

bool ReadsLikeWarning(string_view text) {
    return ContainsAny(text, {
                                 "warning message only",
                                 "warning only",
                                 "will continue trying",
                                 "will continue to try",
                                 "will keep trying",
                                 "will be retried",
                                 "still being retried",
                                 "not yet been delivered",
                                 "has been delayed",
                                 "have been delayed",
                                 "delivery is delayed",
                                 "delivery delayed",
                             });
}

bool SubjectSpeaksOfDelay(string_view subject) { return ContainsAny(subject, {"warning", "delay"}); }

unsigned ReportActions(string_view fields) {
    static constexpr string_view kName = "action:";
    unsigned actions = 0;
    Lines lines(fields);
    string_view line;
    while (lines.Next(line)) {
        if (line.size() < kName.size() || !EqualsNoCase(line.substr(0, kName.size()), kName)) continue;
        string_view v = TrimBlanks(line.substr(kName.size()));
        v = v.substr(0, v.find_first_of(" \t;("));
        if (EqualsNoCase(v, "failed"))
            actions |= kActionFailed;
        else if (EqualsNoCase(v, "delayed"))
            actions |= kActionDelayed;
        else if (EqualsNoCase(v, "delivered") || EqualsNoCase(v, "relayed") || EqualsNoCase(v, "expanded"))
            actions |= kActionDone;
    }
    return actions;
}

}  // namespace bounce_text
