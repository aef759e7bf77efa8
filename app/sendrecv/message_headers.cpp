#include "app/sendrecv/message_headers.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <utility>

#include "app/mailtext/carrier_text_converter.h"
#include "app/mailtext/header_encoder.h"
#include "core/foundation/cp932.h"
#include "core/foundation/kana_convert.h"
#include "core/foundation/kcode.h"
#include "core/foundation/sjis_bytes.h"
#include "core/foundation/string_utils.h"
#include "core/mailstore/attach_file_manager.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/encoded_word.h"
#include "core/mailstore/html_mail_encoder.h"
#include "core/mailstore/x_email.h"
#include "platform/date_time.h"

namespace {

// ---- Message-ID time stamps ---------------------------------------------------------------

struct MessageIdState {
    std::mutex mutex;
    std::function<std::int64_t()> clock;
    std::int64_t lastMs = -1;
    int sequence = 0;
};
MessageIdState& IdState() {
    static MessageIdState state;
    return state;
}
constexpr int kMaxSequence = 99999;

std::int64_t SystemMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// ---- Text that may reach a header -----------------------------------------------------------

// Control bytes (CR, LF, NUL, TAB ...) and DEL become blanks.
std::string BlankControls(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) c = ' ';
    }
    return out;
}

bool IsJisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF); }

constexpr char kMiddleDot[] = "\x81\x45";  // "・"
constexpr int kLineBudget = 76;

// Half-width katakana widened (voiced marks merged). False when the text ends in the
// middle of a two-byte character, unless dropCutEnd: that byte is then left out.
bool WidenKana(std::string_view text, std::string& out, bool dropCutEnd = false) {
    return CSjisKanaConverter::ConvertKana(text, out) != 0 || dropCutEnd;
}

// A header text in the repertoire of the plain ISO-2022-JP header converter: kana
// widened, each IBM extension (髙, 﨑, ￢ ...) replaced by its twin inside the JIS rows, and
// every other character without a place there (user-defined codes and pictograms, lead
// bytes 0x80 and 0xF0-0xF9; a stray 0xA0; a lead byte whose next byte is no trail byte,
// which is then read again on its own) replaced by "・", as the body converter treats
// them. False when the text ends in the middle of a two-byte character, unless dropCutEnd.
bool ToJisRepertoire(std::string_view text, std::string& out, bool dropCutEnd = false) {
    std::string wide;
    if (!WidenKana(text, wide, dropCutEnd)) return false;
    out.clear();
    out.reserve(wide.size());
    const auto* p = reinterpret_cast<const unsigned char*>(wide.data());
    const std::size_t n = wide.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++i;
        } else if (b == 0xA0 || IsHalfWidthKana(b)) {
            out.append(kMiddleDot);
            ++i;
        } else if (i + 1 >= n) {
            return false;
        } else if (!IsSjisTrailByte(p[i + 1])) {
            out.append(kMiddleDot);
            ++i;
        } else {
            if (IsJisLead(b)) {
                out.append(wide, i, 2);
            } else if (const uint16_t twin = Cp932JisRowCode(static_cast<uint16_t>(b << 8 | p[i + 1]))) {
                out.push_back(static_cast<char>(twin >> 8));
                out.push_back(static_cast<char>(twin));
            } else {
                out.append(kMiddleDot);
            }
            i += 2;
        }
    }
    return true;
}

// ISO-2022-JP encoded words of a header text (controls already blanked), in pieces of at
// most 30 JIS bytes folded with CR LF TAB.
bool EncodeHeaderWords(std::string_view text, std::string& out, bool dropCutEnd = false) {
    std::string sendable;
    if (!ToJisRepertoire(text, sendable, dropCutEnd)) return false;
    out = base64encoding(sjtojis7_for_header(sendable, 0, 30));
    return true;
}

// The carriers that have a pictogram encoding, when the text holds a pictogram.
bool PictogramBranch(const std::string& text, int termType) {
    return termType >= TERM_DOCOMO && termType <= TERM_SOFTBANK && compose::HasPictogram(text);
}

// The encoded body of a part and its charset and transfer encoding, by terminal type.
int EncodeBody(const std::string& text, int termType, std::string& body, const char*& charset,
               const char*& transfer) {
    charset = "iso-2022-jp";
    transfer = "7bit";
    std::size_t length = 0;
    if (PictogramBranch(text, termType) && termType == TERM_SOFTBANK) {
        // SoftBank reads Shift_JIS with its own pictogram codes; its kana stay as they are.
        std::string exchanged;
        if (!compose::ConvertPictogramCodes(compose::kCarrierDocomo, text, compose::kCarrierSoftbank, exchanged))
            return -2;  // not reached: both carriers are known
        body = base64encoding(exchanged, kLineBudget);
        charset = "shift_jis";
        transfer = "base64";
        return 0;
    }
    std::string wide;
    if (PictogramBranch(text, termType) && termType == TERM_DOCOMO) {
        std::string jis;
        if (!WidenKana(text, wide) || !compose::GetSjisToJisLength252(wide, length, compose::kPictogramReplace))
            return -5;
        if (!compose::ConvertSjisToJis252(wide, jis, compose::kPictogramReplace)) return -6;
        // The pictogram codes are 8-bit bytes inside the JIS text.
        body = base64encoding(jis, kLineBudget);
        transfer = "base64";
        return 0;
    }
    if (PictogramBranch(text, termType) && termType == TERM_AU) {
        if (!WidenKana(text, wide) || !compose::GetSjisToJisLength200(wide, length, compose::kPictogramReplace))
            return -3;
        if (!compose::ConvertSjisToJis200(wide, body, compose::kPictogramReplace)) return -4;
        return 0;
    }
    if (!WidenKana(text, wide)) return -1;
    // Every message of a run passes here: one walk over the text, into a buffer that the
    // longest possible result fits (a byte may become an escape sequence and a two-byte
    // replacement). The length function fails exactly when the converter does, so a
    // failure is the length step's (-1), as if it had been asked first.
    thread_local std::string buffer;
    buffer.resize(wide.size() * 6 + 16);
    if (compose::ConvertSjisToJis(wide, buffer.data(), buffer.size(), compose::kAsciiEscB, compose::kKanjiEscB,
                                  compose::kJisReplace)) {
        body.assign(buffer.data());
        return 0;
    }
    if (!compose::ConvertSjisToJis(wide, body, compose::kAsciiEscB, compose::kKanjiEscB, compose::kJisReplace))
        return -1;
    return 0;
}

// The charset EncodeBody sends `text` in for the terminal type.
const char* BodyCharset(const std::string& text, int termType) {
    return PictogramBranch(text, termType) && termType == TERM_SOFTBANK ? "shift_jis" : "iso-2022-jp";
}

int MakePart(const char* subtype, const std::string& text, int termType, std::string& out) {
    // An HTML part declares in its META the charset it is sent in, whatever the page wrote
    // there (its skeleton says shift_jis), so readers that honour the META read it right.
    const bool html = std::strcmp(subtype, "html") == 0;
    const std::string declared = html ? ConvertHtmlMetaCharset(text, BodyCharset(text, termType)) : std::string();
    std::string body;
    const char* charset = nullptr;
    const char* transfer = nullptr;
    if (const int r = EncodeBody(html ? declared : text, termType, body, charset, transfer); r != 0) return r;
    out = std::string("Content-Type: text/") + subtype + ";\r\n\tcharset=" + charset +
          "\r\nContent-Transfer-Encoding: " + transfer + "\r\nMIME-Version: 1.0\r\n\r\n" + body;
    return 0;
}

// The value of the Subject line (ending in CR LF) for a non-ASCII subject.
int EncodeSubject(const std::string& subject, int termType, std::string& value) {
    std::size_t length = 0;
    std::string wide;
    if (PictogramBranch(subject, termType)) {
        switch (termType) {
        case TERM_DOCOMO:
            if (!WidenKana(subject, wide) || !compose::GetEncodedHeaderLengthIso2022jp(wide, length, kLineBudget))
                return -1;
            if (!compose::EncodeHeaderIso2022jp252(wide, value, kLineBudget, compose::kPictogramReplace))
                return -2;
            return 0;
        case TERM_AU:
            if (!WidenKana(subject, wide) || !compose::GetEncodedHeaderLengthIso2022jp(wide, length, kLineBudget))
                return -3;
            if (!compose::EncodeHeaderIso2022jp200(wide, value, kLineBudget, compose::kPictogramReplace))
                return -4;
            return 0;
        default: {
            std::string exchanged, words;
            if (!compose::ConvertPictogramCodes(compose::kCarrierDocomo, subject, compose::kCarrierSoftbank,
                                                exchanged))
                return -5;
            if (!compose::GetEncodedHeaderLengthShiftJis(exchanged, length, kLineBudget)) return -6;
            if (!compose::EncodeHeaderShiftJis(exchanged, words, kLineBudget) || words.empty()) return -7;
            // Every line of these words starts with its fold TAB, the first one too.
            value = words.substr(1);
            return 0;
        }
        }
    }
    if (!EncodeHeaderWords(subject, value)) return -1;
    value += "\r\n";
    return 0;
}

}  // namespace

std::string MakeMessageIDLocalPart(const char* address, int mailId) {
    MessageIdState& s = IdState();
    std::int64_t ms;
    int sequence;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        const std::int64_t now = s.clock ? s.clock() : SystemMilliseconds();
        if (now > s.lastMs) {
            s.lastMs = now;
            s.sequence = 0;
        } else if (++s.sequence > kMaxSequence) {
            ++s.lastMs;
            s.sequence = 0;
        }
        ms = s.lastMs;
        sequence = s.sequence;
    }
    std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    int millis = static_cast<int>(ms % 1000);
    if (millis < 0) {
        millis += 1000;
        --seconds;
    }
    std::tm utc{};
    gmtime_r(&seconds, &utc);

    std::string sender;
    for (const char* p = address != nullptr ? address : ""; *p != '\0'; ++p) {
        const auto b = static_cast<unsigned char>(*p);
        if (b > 0x20 && b < 0x7F && b != '<' && b != '>') sender.push_back(*p);
    }
    char head[64];
    std::snprintf(head, sizeof head, "%04d%02d%02d%02d%02d%02d%03d.%05d.%d.", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, millis, sequence, mailId);
    return head + sender;
}

void SetMessageIdClockForTesting(std::function<std::int64_t()> clock) {
    MessageIdState& s = IdState();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.clock = std::move(clock);
    s.lastMs = -1;
    s.sequence = 0;
}

std::string MakeMailDateHeader(const char* zone) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::tm local = platform::LocalTime(platform::Now());
    long number;
    if (zone != nullptr && *zone != '\0') {
        number = std::atoi(zone);
    } else {
        const long minutes = std::labs(local.tm_gmtoff) / 60;
        number = minutes / 60 * 100 + minutes % 60;
        if (local.tm_gmtoff < 0) number = -number;
    }
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d %c%04ld", kDays[local.tm_wday], local.tm_mday,
                  kMonths[local.tm_mon], local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                  number < 0 ? '-' : '+', std::labs(number));
    return buf;
}

int MakeTextPartHeader(const std::string& text, const int& termType, std::string& out) {
    return MakePart("plain", text, termType, out);
}

int MakeHtmlPartHeader(const std::string& text, const int& termType, std::string& out) {
    return MakePart("html", text, termType, out);
}

int MakeSubjectHeader(const std::string& subject, const int& termType, std::string& out) {
    const std::string clean = BlankControls(subject);
    std::string value;
    if (IsStrAscii(clean)) {
        // Plain ASCII goes as it is, but for text that a reader would take for an encoded
        // word ("=?...?=") and lines longer than a header line may be, which the encoder
        // encodes and folds.
        value = base64encoding(clean) + "\r\n";
    } else if (const int r = EncodeSubject(clean, termType, value); r != 0) {
        return r;
    }
    out = "Subject: " + value;
    return 0;
}

bool IsSafeMailAddress(std::string_view address) {
    if (address.empty()) return false;
    for (char c : address) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F) return false;
        switch (c) {
        case '<': case '>': case '(': case ')': case ',': case ';': case '"': case '\\': return false;
        default: break;
        }
    }
    return true;
}

int FormatAddress(const std::string& name, const std::string& address, std::string& out) {
    if (!IsSafeMailAddress(address)) return -1;
    const std::string clean = BlankControls(name);
    if (clean.empty()) {
        out = address;
        return 0;
    }
    std::string shown;
    if (IsStrAscii(clean)) {
        shown.push_back('"');
        for (char c : clean) {
            if (c == '\\' || c == '"' || c == '(' || c == ')') shown.push_back('\\');
            shown.push_back(c);
        }
        shown.push_back('"');
    } else {
        // A name cut in the middle of its last character is shown without that byte.
        EncodeHeaderWords(clean, shown, true);
    }
    out = shown + " <" + address + ">";
    return 0;
}

std::string MakeAttachmentPart(std::string_view fileName, const std::string& base64) {
    const std::string name = CAttachFileManager::EncodeFileName(fileName);
    std::string part;
    part.reserve(base64.size() + 2 * name.size() + 160);
    part += "Content-Type: application/octet-stream;\r\n\tname=\"";
    part += name;
    part += "\"\r\nContent-Disposition: attachment;\r\n\tfilename=\"";
    part += name;
    part += "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    part += base64;
    return part;
}
