#pragma once
// DateTime: the date-time value the stores and screens pass around. It counts days from
// 1899-12-30 00:00:00 (day 0) with the time of day as a fraction, like the serial dates
// of the record files' original platform, and carries a status so that a failed parse or
// an impossible date is visible to the caller instead of silently becoming day 0.
//
// Internally it keeps whole seconds (the record files never store less), so arithmetic
// and comparison are exact. Years 100 to 9999 are representable.

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// A span of time, in seconds (may be negative).
class DateTimeSpan {
public:
    constexpr DateTimeSpan() = default;
    constexpr DateTimeSpan(long days, int hours, int minutes, int seconds)
        : secs_(((static_cast<int64_t>(days) * 24 + hours) * 60 + minutes) * 60 + seconds) {}
    static constexpr DateTimeSpan FromSeconds(int64_t s) { DateTimeSpan d; d.secs_ = s; return d; }

    constexpr int64_t TotalSeconds() const { return secs_; }
    constexpr double TotalDays() const { return static_cast<double>(secs_) / 86400.0; }
    constexpr double TotalMinutes() const { return static_cast<double>(secs_) / 60.0; }
    constexpr long Days() const { return static_cast<long>(secs_ / 86400); }
    auto operator<=>(const DateTimeSpan&) const = default;

private:
    int64_t secs_ = 0;
};

class DateTime {
public:
    enum Status { valid = 0, invalid = 1, null = 2 };

    // The zero value: valid, 1899-12-30 00:00:00.
    DateTime() = default;
    // An invalid status results when a part is out of range.
    DateTime(int year, int month, int day, int hour, int minute, int second);
    explicit DateTime(std::time_t t);  // seconds since the Unix epoch, as local time

    // Sets the value; returns 0 on success, 1 (and status invalid) when a part is out of range.
    int SetDateTime(int year, int month, int day, int hour, int minute, int second);
    int SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }
    void SetStatus(Status s) { status_ = s; }
    Status GetStatus() const { return status_; }
    bool IsValid() const { return status_ == valid; }

    int GetYear() const;
    int GetMonth() const;   // 1..12
    int GetDay() const;     // 1..31
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const;  // 1 = Sunday .. 7 = Saturday
    int GetDayOfYear() const;  // 1 = 1 January

    // Days since 1899-12-30 with the time of day as fraction (negative before it).
    double GetDays() const;
    static DateTime FromDays(double days);
    int64_t GetSerialSeconds() const { return secs_; }
    static DateTime FromSerialSeconds(int64_t s);

    // Local-time conversions through the C library's time-zone setting.
    std::time_t ToTimeT() const;

    // strftime-style formatting ("%Y/%m/%d %H:%M:%S"); an invalid value gives "".
    std::string Format(const char* format) const;

    // Reads "Y/M/D[ h:m[:s]]", "Y-M-D[ h:m[:s]]", "Y-M-DTh:m:s" or "h:m[:s]" (a time alone
    // lies on day 0). Numbers need no leading zeros. On failure the value turns invalid and
    // the result is false.
    bool ParseDateTime(std::string_view text);

    DateTime& operator+=(const DateTimeSpan& d) { secs_ += d.TotalSeconds(); return *this; }
    DateTime& operator-=(const DateTimeSpan& d) { secs_ -= d.TotalSeconds(); return *this; }
    friend DateTime operator+(DateTime a, const DateTimeSpan& d) { return a += d; }
    friend DateTime operator-(DateTime a, const DateTimeSpan& d) { return a -= d; }
    friend DateTimeSpan operator-(const DateTime& a, const DateTime& b) {
        return DateTimeSpan::FromSeconds(a.secs_ - b.secs_);
    }
    bool operator==(const DateTime& o) const { return status_ == o.status_ && secs_ == o.secs_; }
    auto operator<=>(const DateTime& o) const { return secs_ <=> o.secs_; }

    // The current local time, through the process clock (tests may replace it).
    static DateTime GetCurrentTime();

private:
    int64_t secs_ = 0;  // seconds since 1899-12-30 00:00:00
    Status status_ = valid;
};

// Days in a month of the proleptic Gregorian calendar (0 for a bad month).
int DaysInMonth(int year, int month);
bool IsLeapYear(int year);

// The process clock: seconds since the Unix epoch. Tests install a fake one to move
// through days; an empty function restores the system clock.
using ClockFunction = std::function<std::time_t()>;
void SetClockForTesting(ClockFunction clock);
std::time_t Now();

// Local time of a Unix time, through localtime_r (thread-safe).
std::tm LocalTime(std::time_t t);

}  // namespace platform
