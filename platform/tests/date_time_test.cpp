#include "platform/date_time.h"

#include <gtest/gtest.h>

using platform::DateTime;
using platform::DateTimeSpan;

TEST(DateTime, ZeroValueIsDayZeroOf1899) {
    DateTime d;
    EXPECT_TRUE(d.IsValid());
    EXPECT_EQ(d.GetYear(), 1899);
    EXPECT_EQ(d.GetMonth(), 12);
    EXPECT_EQ(d.GetDay(), 30);
    EXPECT_EQ(d.GetDays(), 0.0);
    EXPECT_EQ(d.GetDayOfWeek(), 7);  // a Saturday
}

TEST(DateTime, KnownSerialDaysAndFields) {
    struct Case { int y, mo, d, h, mi, s; double days; int dow; };
    const Case cases[] = {
        {1900, 1, 1, 0, 0, 0, 2.0, 2},
        {2000, 2, 29, 12, 0, 0, 36585.5, 3},
        {2024, 1, 1, 9, 0, 0, 45292.375, 2},
        {1899, 12, 29, 0, 0, 0, -1.0, 6},
        {9999, 12, 31, 23, 59, 59, 2958465.0 + 86399.0 / 86400.0, 6},
    };
    for (const Case& c : cases) {
        DateTime d(c.y, c.mo, c.d, c.h, c.mi, c.s);
        ASSERT_TRUE(d.IsValid()) << c.y;
        EXPECT_DOUBLE_EQ(d.GetDays(), c.days) << c.y;
        EXPECT_EQ(d.GetDayOfWeek(), c.dow) << c.y;
        DateTime back = DateTime::FromDays(c.days);
        EXPECT_EQ(back.GetYear(), c.y);
        EXPECT_EQ(back.GetMonth(), c.mo);
        EXPECT_EQ(back.GetDay(), c.d);
        EXPECT_EQ(back.GetHour(), c.h);
        EXPECT_EQ(back.GetMinute(), c.mi);
        EXPECT_EQ(back.GetSecond(), c.s);
    }
}

TEST(DateTime, OutOfRangePartsAreInvalid) {
    EXPECT_FALSE(DateTime(2023, 2, 29, 0, 0, 0).IsValid());
    EXPECT_FALSE(DateTime(2024, 13, 1, 0, 0, 0).IsValid());
    EXPECT_FALSE(DateTime(2024, 1, 1, 24, 0, 0).IsValid());
    EXPECT_FALSE(DateTime(1900, 2, 29, 0, 0, 0).IsValid());
    EXPECT_TRUE(DateTime(2000, 2, 29, 0, 0, 0).IsValid());
}

TEST(DateTime, ArithmeticCrossesDaysAndYears) {
    DateTime d(2023, 12, 31, 23, 55, 0);
    d += DateTimeSpan(0, 0, 10, 0);
    EXPECT_EQ(d.Format("%Y/%m/%d %H:%M:%S"), "2024/01/01 00:05:00");
    EXPECT_EQ((d - DateTime(2023, 12, 31, 0, 0, 0)).TotalSeconds(), 86400 + 300);
    EXPECT_LT(DateTime(2023, 1, 1, 0, 0, 0), d);
}

TEST(DateTime, ParseForms) {
    struct Case { const char* text; bool ok; const char* formatted; };
    const Case cases[] = {
        {"2024/01/02 03:04:05", true, "2024/01/02 03:04:05"},
        {"2024/1/2 3:4:5", true, "2024/01/02 03:04:05"},
        {"2024-01-02T03:04:05", true, "2024/01/02 03:04:05"},
        {"2024/1/2", true, "2024/01/02 00:00:00"},
        {"2024/01/02 03:04", true, "2024/01/02 03:04:00"},
        {"12:30:15", true, "1899/12/30 12:30:15"},
        {"2024/02/30", false, ""},
        {"2024/01/02 25:00:00", false, ""},
        {"2024/01", false, ""},
        {"abc", false, ""},
        {"2024/01/02 03:04:05x", false, ""},
    };
    for (const Case& c : cases) {
        DateTime d;
        EXPECT_EQ(d.ParseDateTime(c.text), c.ok) << c.text;
        EXPECT_EQ(d.Format("%Y/%m/%d %H:%M:%S"), c.formatted) << c.text;
    }
}

TEST(DateTime, InjectedClockDrivesCurrentTime) {
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    platform::SetClockForTesting([] { return std::time_t{1704067200}; });  // 2024-01-01 00:00 UTC
    EXPECT_EQ(DateTime::GetCurrentTime().Format("%Y/%m/%d %H:%M:%S"), "2024/01/01 09:00:00");
    EXPECT_EQ(DateTime(2024, 1, 1, 9, 0, 0).ToTimeT(), 1704067200);
    platform::SetClockForTesting(nullptr);
}
