#include "core/foundation/date_utils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

using platform::DateTime;

namespace {

// Core tests run with TZ=Asia/Tokyo; set it here too so the binary can be run by hand.
// A test may switch zones with ScopedZone.
class ScopedZone {
public:
    explicit ScopedZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) old_ = old, hadOld_ = true;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedZone() {
        if (hadOld_) setenv("TZ", old_.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    std::string old_;
    bool hadOld_ = false;
};

std::string Text(const DateTime& d) { return Convert_COleDateTime2DateData(d); }

TEST(DateUtils, ReFormatDateData) {
    struct Case { const char* text; int mode; int parts; const char* out; };
    const Case cases[] = {
        {"2024/1/2 3:4:5", 0, 6, "2024/01/02 03:04:05"},
        {"2024/02/30 10:00:00", 0, 2, "2024/02/01 00:00:00"},  // day out of range stops
        {"2023/02/29", 1, 2, "2023/02/28 23:59:59"},           // end mode: month's last day
        {"2024/02", 1, 2, "2024/02/29 23:59:59"},
        {"2024", 1, 1, "2024/12/31 23:59:59"},
        {"", 0, 0, "1900/01/01 00:00:00"},
        {"", 1, 0, "9999/12/31 23:59:59"},
        {"1899/12/31", 0, 0, "1900/01/01 00:00:00"},
        {"2024/13/01", 0, 1, "2024/01/01 00:00:00"},
        {"2100/02/29", 0, 2, "2100/02/01 00:00:00"},           // not a leap year
        {"2000/02/29 23:59:59", 0, 6, "2000/02/29 23:59:59"},
        {"2024/01/02 24:00:00", 0, 3, "2024/01/02 00:00:00"},
        {"2024/01/02 10:60", 1, 4, "2024/01/02 10:59:59"},
        {"2024/01/02 -:00", 0, 3, "2024/01/02 00:00:00"},      // a part must begin with a digit
        {"2024/01/02  10:00:00", 0, 3, "2024/01/02 00:00:00"}, // doubled blank: empty hour
        {"2024/01/02 10:20:30xyz", 0, 6, "2024/01/02 10:20:30"},
        {"99999999999999/01/01", 0, 0, "1900/01/01 00:00:00"},
    };
    for (const Case& c : cases) {
        char out[kDateTextBufferSize];
        std::memset(out, 'X', sizeof out);
        EXPECT_EQ(ReFormat_DateData(c.text, out, c.mode), c.parts) << c.text;
        EXPECT_STREQ(out, c.out) << c.text;
        std::string s;
        EXPECT_EQ(ReFormat_DateData(std::string(c.text), s, c.mode), c.parts);
        EXPECT_EQ(s, c.out);
    }
}

TEST(DateUtils, DateTextToValueLenientAndChecked) {
    struct Case { const char* text; const char* lenient; bool lenientValid; bool checked; };
    const Case cases[] = {
        {"2024/01/02 03:04:05", "2024/01/02 03:04:05", true, true},
        {"2024/1/2 3:4:5", "2024/01/02 03:04:05", true, true},
        {"2024/01/02 03:04:05  ", "2024/01/02 03:04:05", true, true},
        {"2024/01/02 03:04:05x", "2024/01/02 03:04:05", true, false},
        {"2024/01/02 03:04:056", "2024/01/02 03:04:05", true, false},  // field widths stop early
        {" 2024/01/02 03:04:05", "2024/01/02 03:04:05", true, true},
        {"2024/01/02", "1899/12/30 00:00:00", true, false},  // lenient: the zero value
        {"garbage", "1899/12/30 00:00:00", true, false},
        {"", "1899/12/30 00:00:00", true, false},
        {"2024/02/30 00:00:00", "", false, false},            // six numbers, no such day
    };
    for (const Case& c : cases) {
        const DateTime lenient = Convert_DateData2COleDateTime(c.text);
        EXPECT_EQ(lenient.IsValid(), c.lenientValid) << c.text;
        EXPECT_EQ(Text(lenient), c.lenient) << c.text;

        DateTime checked(2000, 1, 1, 0, 0, 0);
        EXPECT_EQ(Convert_DateData2COleDateTimeChecked(c.text, checked), c.checked) << c.text;
        EXPECT_EQ(Text(checked), c.checked ? c.lenient : "2000/01/01 00:00:00") << c.text;
    }
}

TEST(DateUtils, ValueToDateTextClearsTwentyBytes) {
    char out[kDateTextBufferSize + 1];
    std::memset(out, 'X', sizeof out);
    EXPECT_EQ(Convert_COleDateTime2DateData(DateTime(2024, 1, 2, 3, 4, 5), out), 1);
    EXPECT_STREQ(out, "2024/01/02 03:04:05");
    EXPECT_EQ(out[20], 'X');  // nothing written past 20 bytes

    DateTime invalid;
    invalid.SetStatus(DateTime::invalid);
    std::memset(out, 'X', sizeof out);
    EXPECT_EQ(Convert_COleDateTime2DateData(invalid, out), 0);
    for (size_t i = 0; i < kDateTextBufferSize; ++i) EXPECT_EQ(out[i], '\0');
    EXPECT_EQ(Convert_COleDateTime2DateData(invalid), "");
}

TEST(DateUtils, GetNowDateTimeUsesTheProcessClockInLocalTime) {
    ScopedZone zone("Asia/Tokyo");
    platform::SetClockForTesting([] { return std::time_t{1704067200}; });  // 2024-01-01 00:00 UT
    char out[kDateTextBufferSize];
    GetNowDateTime(out);
    const std::string asString = GetNowDateTime();
    platform::SetClockForTesting(nullptr);
    EXPECT_STREQ(out, "2024/01/01 09:00:00");
    EXPECT_EQ(asString, "2024/01/01 09:00:00");
}

TEST(DateUtils, AdjustTimeRoundsUpToTenMinutes) {
    struct Case { DateTime in; const char* out; };
    const Case cases[] = {
        {DateTime(2024, 5, 1, 10, 3, 15), "2024/05/01 10:10:00"},
        {DateTime(2024, 5, 1, 10, 50, 30), "2024/05/01 10:50:00"},
        {DateTime(2024, 5, 1, 12, 40, 59), "2024/05/01 12:40:00"},
        {DateTime(2024, 12, 31, 23, 55, 0), "2025/01/01 00:00:00"},
        {DateTime(2024, 5, 1, 10, 59, 59), "2024/05/01 11:00:00"},
    };
    for (const Case& c : cases) {
        DateTime v = c.in;
        DateTime& r = AdjustTime(v);
        EXPECT_EQ(&r, &v);
        EXPECT_EQ(Text(v), c.out);
    }
}

TEST(DateUtils, ConvertDateTimeFormatInJapanTime) {
    ScopedZone zone("Asia/Tokyo");
    struct Case { const char* text; const char* local; };  // nullptr: refused
    const Case cases[] = {
        {"Mon, 1 Jan 2024 00:00:00 +0000", "2024/01/01 09:00:00"},
        {"1 Jan 2024 00:00:00 +0000", "2024/01/01 09:00:00"},      // no weekday
        {"Mon 1 Jan 2024 00:00:00 +0000", "2024/01/01 09:00:00"},  // weekday without comma
        {"Mon,  01 Jan 2024 00:00:00 GMT", "2024/01/01 09:00:00"},
        {"Mon, 1 Jan 2024 09:00:00 JST", "2024/01/01 09:00:00"},
        {"Mon, 1 Jan 2024 09:00:00 +0900 (JST)", "2024/01/01 09:00:00"},
        {"Sun, 31 Dec 2023 19:00:00 -0500", "2024/01/01 09:00:00"},
        {"Mon, 1 Jan 2024 00:00:00 EST", "2024/01/01 14:00:00"},
        {"Mon, 1 Jan 2024 00:00:00 -0130", "2024/01/01 10:30:00"},
        {"Mon, 1 Jan 2024 00:00:00 Z", "2024/01/01 09:00:00"},
        {"Mon, 1 Jan 2024 00:00:00 A", "2024/01/01 08:00:00"},
        {"Mon, 1 Jan 2024 00:00:00 Y", "2024/01/01 21:00:00"},
        {"Mon, 1 Jan 2024 00:00 +0000", "2024/01/01 09:00:00"},    // seconds left out
        {"Sun, 31 Dec 2023 20:00:00 +0000", "2024/01/01 05:00:00"},
        {"Mon, 1 jan 2024 00:00:00 +0000", nullptr},  // month names are case-exact
        {"Mon, 1 Jan 2024 00:00:00", nullptr},        // zone missing
        {"Mon, 1 Jan 2024 +0000", nullptr},
        {"Fri, 30 Feb 2024 00:00:00 +0000", nullptr},
        {"Mon, 1 Jan 2024 xx:00:00 +0000", nullptr},
        {"Mon,", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        DateTime v(2000, 1, 1, 0, 0, 0);
        EXPECT_EQ(ConvertDateTimeFormat(c.text, v), c.local ? 1 : 0) << c.text;
        EXPECT_EQ(Text(v), c.local ? c.local : "2000/01/01 00:00:00") << c.text;
    }
}

TEST(DateUtils, ConvertDateTimeFormatUsesStandardOffsetEvenInSummer) {
    ScopedZone zone("EST5EDT,M3.2.0,M11.1.0");  // daylight saving in July
    DateTime v;
    ASSERT_EQ(ConvertDateTimeFormat("Mon, 1 Jul 2024 12:00:00 +0000", v), 1);
    EXPECT_EQ(Text(v), "2024/07/01 07:00:00");
}

}  // namespace
