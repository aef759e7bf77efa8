#pragma once
// The date text of every record file, "YYYY/MM/DD hh:mm:ss" (19 characters, four-digit
// year), its reading and normalising, the rounding of reserve times and the reading of
// mail Date headers.
//
// Functions that write date text into a caller's buffer clear kDateTextBufferSize bytes
// and write at most 19 characters and a NUL: the buffer must hold 20 bytes.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/date_time.h"

inline constexpr std::size_t kDateTextBufferSize = 20;

// The current local time (through the process clock, which tests may replace).
void GetNowDateTime(char* buffer);
std::string GetNowDateTime();

// Lenient reading kept for the stores that rely on it: six numbers in the form
// "%4d/%2d/%2d %2d:%2d:%2d" (no leading zeros needed) give that date and time (invalid
// status when a part is out of range); anything else gives the zero value, valid,
// 1899-12-30 00:00:00. Use the checked form where a bad date must not pass as "long ago".
platform::DateTime Convert_DateData2COleDateTime(std::string_view text);
inline platform::DateTime Convert_DateData2COleDateTime(const char* text) {
    return Convert_DateData2COleDateTime(text ? std::string_view(text) : std::string_view());
}
// Checked reading: true and out set when the text is a valid date and time in the form
// above (blanks may follow); false and out left alone otherwise.
[[nodiscard]] bool Convert_DateData2COleDateTimeChecked(std::string_view text, platform::DateTime& out);

// Writes the value as "%04d/%02d/%02d %02d:%02d:%02d". Result 1; for an invalid value the
// buffer is left cleared and the result is 0 (the string form gives "").
int Convert_COleDateTime2DateData(const platform::DateTime& value, char* buffer);
std::string Convert_COleDateTime2DateData(const platform::DateTime& value);

// Normalises a date text of the form year "/" month "/" day " " hour ":" minute ":" second.
// Mode 1 ("end" mode) completes the missing parts as the latest moment (9999/12/31
// 23:59:59, a given month ending on its last day); any other mode as the earliest (1900/01/01
// 00:00:00). Parts are taken from the left while each is present, begins with a digit and is
// in range (year 1900-9999, month, day of that month, hour, minute, second); the first bad
// part stops the reading. Result: the number of parts taken, 0 to 6; the output always
// receives the completed date text.
int ReFormat_DateData(std::string_view text, char* output, int mode);
int ReFormat_DateData(std::string_view text, std::string& output, int mode);
inline int ReFormat_DateData(const char* text, char* output, int mode) {
    return ReFormat_DateData(text ? std::string_view(text) : std::string_view(), output, mode);
}

// Rounds a reserve time up to the next whole ten minutes with seconds cleared
// (10:03:15 -> 10:10:00, 23:55 -> 00:00 next day); a minute already a multiple of ten only
// loses its seconds (10:50:30 -> 10:50:00). An invalid value is left as it is.
platform::DateTime& AdjustTime(platform::DateTime& value);

// Reads a mail Date header ("Mon, 1 Jan 2024 00:00:00 +0900", also without the weekday)
// or an HTTP date of that form, and moves it from the mail's zone into local standard time
// (the C library's zone offset without daylight saving). The zone is a name of the RFC 822
// table (JST, UT, GMT, the US zones, military letters) or a signed hhmm number. The month
// name must match exactly ("Jan" ... "Dec"); the time is h:m:s or h:m. Result 1 with the
// value set; 0 (value untouched) when a field is missing or the date is not valid.
int ConvertDateTimeFormat(std::string_view text, platform::DateTime& value);
