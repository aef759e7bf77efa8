#include "platform/date_time.h"

#include <array>
#include <charconv>
#include <mutex>

namespace platform {
namespace {

constexpr int64_t kSecsPerDay = 86400;
// Days from 0000-03-01 (civil algorithm epoch) to 1899-12-30.
// Computed through DaysFromCivil(1899, 12, 30) below and checked in tests.

// Howard Hinnant's civil-from-days algorithms, valid for the whole proleptic calendar.
constexpr int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;  // days since 1970-01-01
}

struct Civil { int64_t y; unsigned m; unsigned d; };

constexpr Civil CivilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {y + (m <= 2), m, d};
}

constexpr int64_t kUnixToSerialDays = -DaysFromCivil(1899, 12, 30);  // 25569

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

std::mutex& ClockMutex() { static std::mutex m; return m; }
ClockFunction& ClockSlot() { static ClockFunction f; return f; }

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

DateTime::DateTime(int year, int month, int day, int hour, int minute, int second) {
    SetDateTime(year, month, day, hour, minute, second);
}

DateTime::DateTime(std::time_t t) {
    const std::tm tm = LocalTime(t);
    SetDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

int DateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59) {
        status_ = invalid;
        return 1;
    }
    const int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                         kUnixToSerialDays;
    secs_ = days * kSecsPerDay + hour * 3600 + minute * 60 + second;
    status_ = valid;
    return 0;
}

DateTime DateTime::FromSerialSeconds(int64_t s) {
    DateTime d;
    d.secs_ = s;
    return d;
}

DateTime DateTime::FromDays(double days) {
    // Round to the nearest second, as the serial-date platform does when it decomposes.
    const double s = days * static_cast<double>(kSecsPerDay);
    return FromSerialSeconds(static_cast<int64_t>(s < 0 ? s - 0.5 : s + 0.5));
}

double DateTime::GetDays() const { return static_cast<double>(secs_) / static_cast<double>(kSecsPerDay); }

int DateTime::GetYear() const {
    return static_cast<int>(CivilFromDays(FloorDiv(secs_, kSecsPerDay) - kUnixToSerialDays).y);
}
int DateTime::GetMonth() const {
    return static_cast<int>(CivilFromDays(FloorDiv(secs_, kSecsPerDay) - kUnixToSerialDays).m);
}
int DateTime::GetDay() const {
    return static_cast<int>(CivilFromDays(FloorDiv(secs_, kSecsPerDay) - kUnixToSerialDays).d);
}
int DateTime::GetHour() const { return static_cast<int>((secs_ - FloorDiv(secs_, kSecsPerDay) * kSecsPerDay) / 3600); }
int DateTime::GetMinute() const { return static_cast<int>((secs_ - FloorDiv(secs_, kSecsPerDay) * kSecsPerDay) / 60 % 60); }
int DateTime::GetSecond() const { return static_cast<int>((secs_ - FloorDiv(secs_, kSecsPerDay) * kSecsPerDay) % 60); }

int DateTime::GetDayOfWeek() const {
    // 1899-12-30 was a Saturday (7).
    const int64_t days = FloorDiv(secs_, kSecsPerDay);
    return static_cast<int>(((days % 7) + 7 + 6) % 7) + 1;
}

int DateTime::GetDayOfYear() const {
    const int64_t days = FloorDiv(secs_, kSecsPerDay) - kUnixToSerialDays;
    const Civil c = CivilFromDays(days);
    return static_cast<int>(days - DaysFromCivil(c.y, 1, 1)) + 1;
}

std::time_t DateTime::ToTimeT() const {
    std::tm tm{};
    tm.tm_year = GetYear() - 1900;
    tm.tm_mon = GetMonth() - 1;
    tm.tm_mday = GetDay();
    tm.tm_hour = GetHour();
    tm.tm_min = GetMinute();
    tm.tm_sec = GetSecond();
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

std::string DateTime::Format(const char* format) const {
    if (status_ != valid || format == nullptr) return {};
    std::tm tm{};
    tm.tm_year = GetYear() - 1900;
    tm.tm_mon = GetMonth() - 1;
    tm.tm_mday = GetDay();
    tm.tm_hour = GetHour();
    tm.tm_min = GetMinute();
    tm.tm_sec = GetSecond();
    tm.tm_wday = GetDayOfWeek() - 1;
    tm.tm_yday = GetDayOfYear() - 1;
    tm.tm_isdst = -1;
    std::string out(64 + std::char_traits<char>::length(format) * 8, '\0');
    const size_t n = std::strftime(out.data(), out.size(), format, &tm);
    out.resize(n);
    return out;
}

bool DateTime::ParseDateTime(std::string_view text) {
    // Collect up to six unsigned numbers and the separators between them.
    int nums[6] = {0, 0, 0, 0, 0, 0};
    char seps[6] = {0, 0, 0, 0, 0, 0};
    int count = 0;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    while (i < text.size() && count < 6) {
        const char* b = text.data() + i;
        const char* e = text.data() + text.size();
        auto r = std::from_chars(b, e, nums[count]);
        if (r.ec != std::errc() || r.ptr == b) break;
        i = static_cast<size_t>(r.ptr - text.data());
        ++count;
        if (i < text.size()) seps[count - 1] = text[i++];
        else break;
        if (seps[count - 1] == ' ' || seps[count - 1] == 'T') {
            while (i < text.size() && text[i] == ' ') ++i;
        }
    }
    while (i < text.size() && text[i] == ' ') ++i;
    bool ok = false;
    const bool cleanEnd = count > 0 && (seps[count - 1] == 0 || seps[count - 1] == ' ');
    if (i >= text.size() && cleanEnd) {
        const bool dateSep = count >= 3 && seps[0] == seps[1] && (seps[0] == '/' || seps[0] == '-');
        const bool timeSep = count > 3 && (seps[2] == ' ' || seps[2] == 'T') && seps[3] == ':' &&
                             (count == 5 || seps[4] == ':');
        if (dateSep && (count == 3 || ((count == 5 || count == 6) && timeSep)))
            ok = SetDateTime(nums[0], nums[1], nums[2], count > 3 ? nums[3] : 0, count > 4 ? nums[4] : 0,
                             count > 5 ? nums[5] : 0) == 0;
        else if ((count == 2 || count == 3) && seps[0] == ':' && (count == 2 || seps[1] == ':')) {
            const int h = nums[0], m = nums[1], s = count == 3 ? nums[2] : 0;
            ok = h >= 0 && h < 24 && m >= 0 && m < 60 && s >= 0 && s < 60;
            if (ok) {
                secs_ = h * 3600 + m * 60 + s;
                status_ = valid;
            }
        }
    }
    if (!ok) status_ = invalid;
    return ok;
}

DateTime DateTime::GetCurrentTime() { return DateTime(Now()); }

void SetClockForTesting(ClockFunction clock) {
    std::lock_guard<std::mutex> lock(ClockMutex());
    ClockSlot() = std::move(clock);
}

std::time_t Now() {
    {
        std::lock_guard<std::mutex> lock(ClockMutex());
        if (ClockSlot()) return ClockSlot()();
    }
    return std::time(nullptr);
}

std::tm LocalTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

}  // namespace platform
