// The mail record: setters that refuse, normalise and clamp.

#include "core/mailstore/one_mail_data.h"

#include <gtest/gtest.h>

namespace {

using platform::DateTime;

TEST(COneMailData, TextSettersCutAtLineBreaksOnlyWithTheCheck) {
    COneMailData r;
    r.SetMailTitle("ab\r\ncd");
    EXPECT_EQ(r.GetMailTitle(), "ab\r\ncd");
    r.SetCheckCharacterCodeFlag(1);
    r.SetMailTitle("ab\r\ncd");
    EXPECT_EQ(r.GetMailTitle(), "ab");
}

TEST(COneMailData, StatusAndCounters) {
    COneMailData r;
    ASSERT_EQ(r.SetStatus("W", 0), 0);
    EXPECT_EQ(r.SetStatus("X", 0), -1);
    EXPECT_EQ(r.GetStatus(), "W");
    EXPECT_EQ(r.SetStatus("WC", 0), -1);
    EXPECT_EQ(r.SetStatus("w", 0), -1);
    EXPECT_EQ(r.SetStatus("X", 1), 0);
    EXPECT_EQ(r.GetStatus(), "D");

    EXPECT_EQ(r.SetSentNumber(std::string("abc")), 0);
    EXPECT_EQ(r.GetSentNumber(), 0);
    r.SetSentNumber(5);
    EXPECT_EQ(r.SetSentNumber(std::string("-3")), -1);
    EXPECT_EQ(r.SetSentNumber(-1), -1);
    EXPECT_EQ(r.GetSentNumber(), 5);
    EXPECT_EQ(r.SetMailID(-1), -1);
    EXPECT_EQ(r.GetMailID(), -1);
}

TEST(COneMailData, DatesClampAndParse) {
    COneMailData r;
    const DateTime now = DateTime::GetCurrentTime();
    const DateTime ahead = now + platform::DateTimeSpan(365, 0, 0, 0);
    const DateTime replacement(2001, 2, 3, 4, 5, 6);
    ASSERT_EQ(r.SetDate(COneMailData::kEntryDate, ahead, 1, &replacement, nullptr, &now), 0);
    EXPECT_EQ(r.GetEntryDate(), replacement);
    ASSERT_EQ(r.SetDate(COneMailData::kEntryDate, ahead, 0, &replacement, nullptr, &now), 0);
    EXPECT_EQ(r.GetEntryDate(), ahead);
    DateTime bad;
    bad.SetStatus(DateTime::invalid);
    EXPECT_EQ(r.SetDate(COneMailData::kEntryDate, now, 1, nullptr, &bad, nullptr), -2);
    EXPECT_EQ(r.SetDate(COneMailData::kEntryDate, now, 1, nullptr, nullptr, &bad), -3);
    EXPECT_EQ(r.SetDate(COneMailData::kEntryDate, now, 1, &bad, nullptr, nullptr), -4);
    EXPECT_EQ(r.SetDate(4, now, 0), -1);

    ASSERT_EQ(r.SetDate(COneMailData::kRenewalDate, std::string("2008/01/02 03:04:05"), 0), 0);
    EXPECT_EQ(r.GetRenewalDate(), DateTime(2008, 1, 2, 3, 4, 5));
    // A date without its time means now, except for the reserve date: a mail must not
    // become due because its reserve date cannot be read.
    ASSERT_EQ(r.SetDate(COneMailData::kRenewalDate, std::string("2008/01/02"), 0), 0);
    EXPECT_GE(r.GetRenewalDate(), now);
    EXPECT_EQ(r.SetDate(COneMailData::kReserveDate, std::string("20#8/01/02 xx"), 0),
              COneMailData::kUnreadableReserveDate);
    EXPECT_FALSE(r.GetReserveDate().IsValid());
    EXPECT_EQ(r.SetDate(COneMailData::kReserveDate, std::string("2008/02/30 03:04:05"), 0),
              COneMailData::kUnreadableReserveDate);
}

TEST(COneMailData, SpecialFlags) {
    COneMailData r;
    EXPECT_EQ(r.GetSpecialAddressFlag(), " ");
    EXPECT_EQ(r.GetTextOrHtmlMailFlag(), " ");
    // The text-or-HTML flag never lands in the special-address position.
    ASSERT_EQ(r.SetSpecialFlag(1, "Y"), 0);
    EXPECT_EQ(r.GetSpecialFlag(), "NY");
    ASSERT_EQ(r.SetSpecialFlag(0, "Y"), 0);
    EXPECT_EQ(r.GetSpecialFlag(), "YY");
    ASSERT_EQ(r.SetSpecialFlag("N"), 0);
    EXPECT_EQ(r.GetTextOrHtmlMailFlag(), " ");
    ASSERT_EQ(r.SetSpecialFlag(1, "M"), 0);
    EXPECT_EQ(r.GetSpecialFlag(), "NM");
    EXPECT_EQ(r.SetSpecialFlag("NNN"), -1);
    EXPECT_EQ(r.SetSpecialFlag(2, "Y"), -1);
    EXPECT_EQ(r.SetSpecialFlag(1, "YY"), -2);
    EXPECT_EQ(r.GetSpecialFlag(), "NM");
}

TEST(COneMailData, CopyKeepsTheDestinationsCheckFlag) {
    COneMailData s;
    s.SetMailID(7);
    s.SetMailTitle("a\nb");
    s.SetStatus("C", 0);
    s.SetSpecialFlag("NY");
    COneMailData d;
    d.SetCheckCharacterCodeFlag(1);
    COneMailData::Copy(d, s);
    EXPECT_EQ(d.IsCheckCharacterCode(), 1);
    EXPECT_EQ(d.GetMailID(), 7);
    EXPECT_EQ(d.GetMailTitle(), "a");
    EXPECT_EQ(d.GetStatus(), "C");
    EXPECT_EQ(d.GetSpecialFlag(), "NY");
}

}  // namespace
