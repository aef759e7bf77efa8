#include "core/foundation/date_utils.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

using platform::DateTime;
using platform::DateTimeSpan;

namespace {

void WriteDateText(char* buffer, int y, int mo, int d, int h, int mi, int s) {
    std::memset(buffer, 0, kDateTextBufferSize);
    if (y < 0 || y > 9999 || mo < 0 || mo > 99 || d < 0 || d > 99 || h < 0 || h > 99 || mi < 0 || mi > 99 ||
        s < 0 || s > 99) {
        std::snprintf(buffer, kDateTextBufferSize, "%04d/%02d/%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
        return;
    }
    // The common case by hand: this runs once per record on saves of large tables.
    const auto two = [](char* at, int v) {
        at[0] = static_cast<char>('0' + v / 10);
        at[1] = static_cast<char>('0' + v % 10);
    };
    two(buffer, y / 100);
    two(buffer + 2, y % 100);
    buffer[4] = '/';
    two(buffer + 5, mo);
    buffer[7] = '/';
    two(buffer + 8, d);
    buffer[10] = ' ';
    two(buffer + 11, h);
    buffer[13] = ':';
    two(buffer + 14, mi);
    buffer[16] = ':';
    two(buffer + 17, s);
}

// Leading decimal digits of a text; -1 when it does not begin with a digit. Large values
// are capped well above any valid date part instead of overflowing.
int LeadingNumber(std::string_view part) {
    if (part.empty() || part[0] < '0' || part[0] > '9') return -1;
    int n = 0;
    for (char c : part) {
        if (c < '0' || c > '9') break;
        if (n < 1000000) n = n * 10 + (c - '0');
    }
    return n;
}

// Reads "%4d/%2d/%2d %2d:%2d:%2d" as the C library does; the number of fields read, and in
// `consumed` how far the reading got when all six were read.
int ScanDateData(std::string_view text, int v[6], int* consumed) {
    // The form this system writes, "dddd/dd/dd dd:dd:dd", read directly: the C reader's
    // field widths make it stop at exactly the same places.
    static constexpr std::string_view kShape = "9999/99/99 99:99:99";
    bool canonical = text.size() >= kShape.size();
    for (size_t i = 0; canonical && i < kShape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        canonical = kShape[i] == '9' ? digit : text[i] == kShape[i];
    }
    if (canonical) {
        const auto num = [&](size_t at, size_t width) {
            int n = 0;
            for (size_t i = at; i < at + width; ++i) n = n * 10 + (text[i] - '0');
            return n;
        };
        v[0] = num(0, 4); v[1] = num(5, 2); v[2] = num(8, 2);
        v[3] = num(11, 2); v[4] = num(14, 2); v[5] = num(17, 2);
        if (consumed != nullptr) *consumed = static_cast<int>(kShape.size());
        return 6;
    }
    const std::string copy(text);  // the C reader needs a terminated text
    int used = -1;
    const int n = std::sscanf(copy.c_str(), "%4d/%2d/%2d %2d:%2d:%2d%n", &v[0], &v[1], &v[2], &v[3], &v[4],
                              &v[5], &used);
    if (consumed != nullptr) *consumed = used;
    return n;
}

}  // namespace

void GetNowDateTime(char* buffer) {
    Convert_COleDateTime2DateData(DateTime(platform::Now()), buffer);
}

std::string GetNowDateTime() {
    char buffer[kDateTextBufferSize];
    GetNowDateTime(buffer);
    return buffer;
}

DateTime Convert_DateData2COleDateTime(std::string_view text) {
    int v[6] = {};
    if (ScanDateData(text, v, nullptr) != 6) return DateTime();
    return DateTime(v[0], v[1], v[2], v[3], v[4], v[5]);
}

bool Convert_DateData2COleDateTimeChecked(std::string_view text, DateTime& out) {
    int v[6] = {};
    int consumed = -1;
    if (ScanDateData(text, v, &consumed) != 6 || consumed < 0) return false;
    for (size_t i = static_cast<size_t>(consumed); i < text.size(); ++i)
        if (text[i] != ' ') return false;
    const DateTime value(v[0], v[1], v[2], v[3], v[4], v[5]);
    if (!value.IsValid()) return false;
    out = value;
    return true;
}

int Convert_COleDateTime2DateData(const DateTime& value, char* buffer) {
    if (!value.IsValid()) {
        std::memset(buffer, 0, kDateTextBufferSize);
        return 0;
    }
    WriteDateText(buffer, value.GetYear(), value.GetMonth(), value.GetDay(), value.GetHour(), value.GetMinute(),
                  value.GetSecond());
    return 1;
}

std::string Convert_COleDateTime2DateData(const DateTime& value) {
    char buffer[kDateTextBufferSize];
    Convert_COleDateTime2DateData(value, buffer);
    return buffer;
}

int ReFormat_DateData(std::string_view text, char* output, int mode) {
    const bool endMode = mode == 1;
    int v[6] = {1900, 1, 1, 0, 0, 0};
    if (endMode) {
        v[0] = 9999; v[1] = 12; v[2] = 31; v[3] = 23; v[4] = 59; v[5] = 59;
    }
    static constexpr char kSeparators[5] = {'/', '/', ' ', ':', ':'};

    int taken = 0;
    size_t pos = 0;
    for (int k = 0; k < 6 && pos < text.size(); ++k) {
        std::string_view part = text.substr(pos);
        if (k < 5) {
            const size_t sep = text.find(kSeparators[k], pos);
            if (sep != std::string_view::npos) {
                part = text.substr(pos, sep - pos);
                pos = sep + 1;
            } else {
                pos = text.size();
            }
        }
        const int n = LeadingNumber(part);
        int low = 0, high = 59;
        switch (k) {
            case 0: low = 1900; high = 9999; break;
            case 1: low = 1; high = 12; break;
            case 2: low = 1; high = platform::DaysInMonth(v[0], v[1]); break;
            case 3: high = 23; break;
            default: break;
        }
        if (n < low || n > high) break;
        v[k] = n;
        if (k == 1 && endMode) v[2] = platform::DaysInMonth(v[0], v[1]);
        ++taken;
    }
    WriteDateText(output, v[0], v[1], v[2], v[3], v[4], v[5]);
    return taken;
}

int ReFormat_DateData(std::string_view text, std::string& output, int mode) {
    char buffer[kDateTextBufferSize];
    const int taken = ReFormat_DateData(text, buffer, mode);
    output = buffer;
    return taken;
}

DateTime& AdjustTime(DateTime& value) {
    if (!value.IsValid()) return value;
    const int minute = value.GetMinute();
    value.SetDateTime(value.GetYear(), value.GetMonth(), value.GetDay(), value.GetHour(), minute - minute % 10, 0);
    if (minute % 10 != 0) value += DateTimeSpan(0, 0, 10, 0);
    return value;
}

namespace {

// Offsets from UT in minutes of the zone names a Date header may carry.
bool ZoneNameOffset(std::string_view zone, int& minutes) {
    struct Named { std::string_view name; int minutes; };
    static constexpr Named kNames[] = {
        {"JST", 540},  {"UT", 0},      {"GMT", 0},    {"EDT", -240}, {"EST", -300}, {"CDT", -300},
        {"CST", -360}, {"MDT", -360},  {"MST", -420}, {"PDT", -420}, {"PST", -480}, {"Z", 0},
    };
    for (const Named& n : kNames) {
        if (zone == n.name) {
            minutes = n.minutes;
            return true;
        }
    }
    if (zone.size() == 1) {
        const char c = zone[0];
        if (c >= 'A' && c <= 'I') { minutes = (c - 'A' + 1) * 60; return true; }
        if (c >= 'K' && c <= 'M') { minutes = (c - 'K' + 10) * 60; return true; }
        if (c >= 'N' && c <= 'Y') { minutes = -(c - 'N' + 1) * 60; return true; }
    }
    return false;
}

// A signed hhmm number ("+0900", "-0130"); a zone that is neither a known name nor a
// number counts as UT, as an unknown zone does in mail.
int ZoneOffset(std::string_view zone) {
    int minutes = 0;
    if (ZoneNameOffset(zone, minutes)) return minutes;
    int sign = 1;
    if (!zone.empty() && (zone[0] == '+' || zone[0] == '-')) {
        sign = zone[0] == '-' ? -1 : 1;
        zone.remove_prefix(1);
    }
    const int n = LeadingNumber(zone);
    if (n < 0) return 0;
    return sign * ((n / 100) * 60 + n % 100);
}

std::vector<std::string_view> SplitOnBlanks(std::string_view s) {
    std::vector<std::string_view> tokens;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        const size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
        if (i > start) tokens.push_back(s.substr(start, i - start));
    }
    return tokens;
}

// Local standard time's offset from UT in minutes, daylight saving left out.
long LocalStandardOffsetMinutes() {
    tzset();
    return -timezone / 60;
}

}  // namespace

int ConvertDateTimeFormat(std::string_view text, DateTime& value) {
    const size_t comma = text.find(',');
    std::string_view s = comma == std::string_view::npos ? text : text.substr(comma + 1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    // A weekday without its comma ("Mon 1 Jan ...") is skipped; a leading number is the day.
    if (!s.empty() && (s.front() < '0' || s.front() > '9')) {
        const size_t blank = s.find(' ');
        if (blank == std::string_view::npos) return 0;
        s.remove_prefix(blank + 1);
    }

    const std::vector<std::string_view> f = SplitOnBlanks(s);
    if (f.size() < 5) return 0;

    static constexpr std::string_view kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int month = 0;
    for (int m = 0; m < 12; ++m)
        if (f[1] == kMonths[m]) month = m + 1;
    if (month == 0) return 0;

    const int day = LeadingNumber(f[0]);
    const int year = LeadingNumber(f[2]);

    int hms[3] = {0, 0, 0};
    std::string_view time = f[3];
    for (int k = 0; k < 3; ++k) {
        const size_t colon = time.find(':');
        const std::string_view part = time.substr(0, colon);
        const int n = LeadingNumber(part);
        if (n < 0) {
            if (k < 2) return 0;  // hours and minutes are required, seconds may be left out
            break;
        }
        hms[k] = n;
        if (colon == std::string_view::npos) {
            if (k < 1) return 0;
            break;
        }
        time.remove_prefix(colon + 1);
    }

    DateTime parsed(year, month, day, hms[0], hms[1], hms[2]);
    if (day < 0 || year < 0 || !parsed.IsValid()) return 0;

    const long shift = LocalStandardOffsetMinutes() - ZoneOffset(f[4]);
    parsed += DateTimeSpan::FromSeconds(static_cast<int64_t>(shift) * 60);
    value = parsed;
    return 1;
}
