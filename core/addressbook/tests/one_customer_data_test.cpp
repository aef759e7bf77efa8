#include "core/addressbook/one_customer_data.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/foundation/cp932.h"

namespace {

using platform::DateTime;

std::string Sjis(const char* utf8) { return Utf8ToSjis(utf8); }

// One setter call: its result and what the getter shows afterwards. Every case starts
// from a record with postal code 999 9999, telephone "0000", ID 3, a mail address and
// extension item T "before", so that a refused value shows as the old one.
struct SetterCase {
    const char* what;
    std::function<int(COneCustomerData&)> set;
    std::function<std::string(const COneCustomerData&)> get;
    int result;
    std::string expected;
};

TEST(OneCustomerData, SettersCheckAndNormalise) {
    const auto zip = [](const COneCustomerData& d) { return d.GetZipCode1() + "|" + d.GetZipCode2(); };
    const auto pref = [](const COneCustomerData& d) { return d.GetPrefecture(); };
    const auto phone = [](const COneCustomerData& d) { return d.GetPhone1(); };
    const auto dm = [](const COneCustomerData& d) { return d.GetDMOk(); };
    const auto del = [](const COneCustomerData& d) { return d.GetDeleteFlag(); };
    const auto mail = [](const COneCustomerData& d) { return d.GetEmail(); };
    const auto extraT = [](const COneCustomerData& d) { return d.GetExtraT(); };
    const auto id = [](const COneCustomerData& d) { return std::to_string(d.GetCustomerID()); };

    const SetterCase cases[] = {
        {"zip full-width hyphen", [](auto& d) { return d.SetZipCode(Sjis("123－4567")); }, zip, 0, "123|4567"},
        {"zip long vowel", [](auto& d) { return d.SetZipCode(Sjis("123ー4567")); }, zip, 0, "123|4567"},
        {"zip ascii hyphen", [](auto& d) { return d.SetZipCode(std::string("123-4567")); }, zip, 0, "123|4567"},
        {"zip too short", [](auto& d) { return d.SetZipCode(std::string("12-345")); }, zip, -1, "999|9999"},
        {"zip letters", [](auto& d) { return d.SetZipCode(std::string("12a4567")); }, zip, -1, "999|9999"},
        {"zip int padded", [](auto& d) { return d.SetZipCode(5); }, zip, 0, "000|0005"},
        {"zip int too big", [](auto& d) { return d.SetZipCode(10000000); }, zip, -1, "999|9999"},
        {"zip int negative", [](auto& d) { return d.SetZipCode(-1); }, zip, -1, "999|9999"},
        {"zip1 letter", [](auto& d) { return d.SetZipCode1(std::string("12a")); }, zip, -2, "999|9999"},
        {"zip1 four digits", [](auto& d) { return d.SetZipCode1(std::string("1234")); }, zip, -1, "999|9999"},
        {"zip1 int", [](auto& d) { return d.SetZipCode1(7); }, zip, 0, "007|9999"},
        {"zip1 int too big", [](auto& d) { return d.SetZipCode1(1000); }, zip, -1, "999|9999"},
        {"zip2 text", [](auto& d) { return d.SetZipCode2(std::string("0123")); }, zip, 0, "999|0123"},
        {"zip2 five", [](auto& d) { return d.SetZipCode2(std::string("01234")); }, zip, -1, "999|9999"},
        {"zip2 sign", [](auto& d) { return d.SetZipCode2(std::string("01-3")); }, zip, -2, "999|9999"},
        {"prefecture", [](auto& d) { return d.SetPrefecture(Sjis("東京都")); }, pref, 0, Sjis("東京都")},
        {"prefecture unselected", [](auto& d) { return d.SetPrefecture(Sjis("<未選択>")); }, pref, 0, Sjis("<未選択>")},
        {"prefecture no suffix", [](auto& d) { return d.SetPrefecture(Sjis("東京")); }, pref, -1, Sjis("<未選択>")},
        {"phone hyphens", [](auto& d) { return d.SetPhone1("03-1234-5678"); }, phone, 0, "03-1234-5678"},
        {"phone empty", [](auto& d) { return d.SetPhone1(""); }, phone, 0, ""},
        {"phone plus", [](auto& d) { return d.SetPhone1("+81-3-1234"); }, phone, -1, "0000"},
        {"phone blank", [](auto& d) { return d.SetPhone1("03 1234"); }, phone, -1, "0000"},
        {"phone full-width digit", [](auto& d) { return d.SetPhone1(Sjis("０３")); }, phone, -1, "0000"},
        {"dm Y", [](auto& d) { return d.SetDMOk(std::string("Y")); }, dm, 0, "Y"},
        {"dm small y", [](auto& d) { return d.SetDMOk(std::string("y")); }, dm, -1, "N"},
        {"dm int", [](auto& d) { d.SetDMOk(1); return 0; }, dm, 0, "Y"},
        {"dm int other", [](auto& d) { d.SetDMOk(2); return 0; }, dm, 0, "N"},
        {"delete Y", [](auto& d) { return d.SetDeleteFlag(std::string("Y")); }, del, 0, "Y"},
        {"delete N", [](auto& d) { return d.SetDeleteFlag(std::string("N")); }, del, -1, ""},
        {"mail ok", [](auto& d) { return d.SetEmail("a.b@example.co.jp"); }, mail, 0, "a.b@example.co.jp"},
        {"mail bad", [](auto& d) { return d.SetEmail("no at sign"); }, mail, -1, "before@x.jp"},
        {"extra 19", [](auto& d) { return d.SetExtra(19, std::string("t")); }, extraT, 0, "t"},
        {"extra 20", [](auto& d) { return d.SetExtra(20, std::string("t")); }, extraT, -1, "before"},
        {"extra int", [](auto& d) { return d.SetExtra(19, -12); }, extraT, 0, "-12"},
        {"extra date", [](auto& d) { return d.SetExtra(19, DateTime(2024, 1, 2, 3, 4, 5)); }, extraT, 0,
         "2024/01/02 03:04:05"},
        {"extra bad date", [](auto& d) { DateTime t; t.SetStatus(DateTime::invalid); return d.SetExtra(19, t); },
         extraT, -3, "before"},
        {"extra all 19", [](auto& d) { XCStringArrayEx a; a.SetSize(19); return d.SetExtraAll(a); }, extraT, -1,
         "before"},
        {"extra all 20", [](auto& d) { XCStringArrayEx a; a.SetSize(20); a.SetAt(19, "z"); return d.SetExtraAll(a); },
         extraT, 0, "z"},
        {"id text", [](auto& d) { return d.SetCustomerID(std::string("12")); }, id, 0, "12"},
        {"id negative", [](auto& d) { return d.SetCustomerID(std::string("-5")); }, id, -1, "3"},
    };
    for (const SetterCase& c : cases) {
        COneCustomerData d;
        ASSERT_EQ(d.SetZipCode(9999999), 0);
        ASSERT_EQ(d.SetPhone1("0000"), 0);
        ASSERT_EQ(d.SetCustomerID(3), 0);
        ASSERT_EQ(d.SetEmail("before@x.jp"), 0);
        ASSERT_EQ(d.SetExtra(19, std::string("before")), 0);
        EXPECT_EQ(c.set(d), c.result) << c.what;
        EXPECT_EQ(c.get(d), c.expected) << c.what;
    }
}

TEST(OneCustomerData, CharacterCheckCutsTexts) {
    COneCustomerData d;
    d.SetCompany("AB\x01" "CD");
    EXPECT_EQ(d.GetCompany(), "AB\x01" "CD");  // flag off: unchanged
    d.SetCheckCharacterCodeFlag(1);
    d.SetCompany("AB\x01" "CD");
    EXPECT_EQ(d.GetCompany(), "AB");
    d.SetKanjiSei(Sjis("山田") + "\t" + Sjis("様"));
    EXPECT_EQ(d.GetKanjiSei(), Sjis("山田"));
    EXPECT_EQ(d.SetPhone1("03-1234\r\n"), 0);  // cut before the check
    EXPECT_EQ(d.GetPhone1(), "03-1234");
    EXPECT_EQ(COneCustomerData::ConvertUnusualData("a\nb", 7), "a\nb");  // other types: unchanged
    EXPECT_EQ(COneCustomerData::ConvertUnusualData(Sjis("全角ｶﾅ"), 0), Sjis("全角ｶﾅ"));
}

TEST(OneCustomerData, InitialState) {
    COneCustomerData d;
    EXPECT_EQ(d.IsCheckCharacterCode(), 0);
    EXPECT_EQ(d.GetCustomerID(), -1);
    EXPECT_EQ(d.GetDMOk(), "N");
    EXPECT_EQ(d.GetDeleteFlag(), "");
    EXPECT_EQ(d.GetExtraAll().GetSize(), 20);
    EXPECT_TRUE(d.GetBirthday().IsValid());
    EXPECT_TRUE(d.GetEntryDate().IsValid());
}

TEST(OneCustomerData, SetDate) {
    COneCustomerData d;
    // The birthday is kept at midnight.
    EXPECT_EQ(d.SetDate(0, DateTime(1980, 2, 3, 4, 5, 6)), 0);
    EXPECT_EQ(d.GetBirthday(), DateTime(1980, 2, 3, 0, 0, 0));
    // Un-padded text dates read as meant.
    EXPECT_EQ(d.SetDate(0, std::string("2024/1/15")), 0);
    EXPECT_EQ(d.GetBirthday(), DateTime(2024, 1, 15, 0, 0, 0));
    EXPECT_EQ(d.SetDate(0, std::string("2024/1/2")), 0);
    EXPECT_EQ(d.GetBirthday(), DateTime(2024, 1, 2, 0, 0, 0));
    // Unreadable text gives today.
    EXPECT_EQ(d.SetDate(0, std::string("someday")), 0);
    const DateTime now = DateTime::GetCurrentTime();
    EXPECT_EQ(d.GetBirthday(), DateTime(now.GetYear(), now.GetMonth(), now.GetDay(), 0, 0, 0));

    EXPECT_EQ(d.SetDate(2, std::string("2024/2/3 4:05:06")), 0);
    EXPECT_EQ(d.GetRenewalDate(), DateTime(2024, 2, 3, 4, 5, 6));

    DateTime invalid;
    invalid.SetStatus(DateTime::invalid);
    EXPECT_EQ(d.SetDate(1, invalid), -1);
    EXPECT_EQ(d.SetDate(3, DateTime(2024, 1, 1, 0, 0, 0)), -1);

    // Clamping.
    const DateTime lower(2000, 1, 1, 0, 0, 0), upper(2010, 1, 1, 0, 0, 0), repl(2005, 5, 5, 5, 5, 5);
    EXPECT_EQ(d.SetDate(1, DateTime(1999, 1, 1, 0, 0, 0), 1, &lower, &upper, &repl), 0);
    EXPECT_EQ(d.GetEntryDate(), repl);
    EXPECT_EQ(d.SetDate(1, DateTime(2003, 1, 1, 0, 0, 0), 1, &lower, &upper, &repl), 0);
    EXPECT_EQ(d.GetEntryDate(), DateTime(2003, 1, 1, 0, 0, 0));
    EXPECT_EQ(d.SetDate(1, DateTime(2020, 1, 1, 0, 0, 0), 1, nullptr, &upper), 0);  // no replacement: now
    EXPECT_GE(d.GetEntryDate(), now);
    EXPECT_EQ(d.SetDate(1, DateTime(2020, 1, 1, 0, 0, 0), 1, &invalid, &upper), -2);
    EXPECT_EQ(d.SetDate(1, DateTime(2020, 1, 1, 0, 0, 0), 1, &lower, &invalid), -3);
    EXPECT_EQ(d.SetDate(1, DateTime(2020, 1, 1, 0, 0, 0), 1, &lower, &upper, &invalid), -4);
    EXPECT_EQ(d.SetDate(1, DateTime(2020, 1, 1, 0, 0, 0), 0, &invalid), 0);  // bounds unused without clamp
}

TEST(OneCustomerData, CopyTakesTheWholeRecord) {
    COneCustomerData source;
    source.SetEmail("a@b.jp");
    source.SetPrefecture(Sjis("沖縄県"));
    source.SetExtra(3, std::string("x"));
    // source's postal code stays empty

    COneCustomerData destination;
    destination.SetCheckCharacterCodeFlag(1);
    destination.SetZipCode(std::string("1234567"));
    destination.SetCompany("old");
    destination = source;
    EXPECT_EQ(destination.GetZipCode1(), "");  // never a mix of two records
    EXPECT_EQ(destination.GetCompany(), "");
    EXPECT_EQ(destination.GetEmail(), "a@b.jp");
    EXPECT_EQ(destination.GetPrefecture(), Sjis("沖縄県"));
    EXPECT_EQ(destination.GetExtraD(), "x");
    EXPECT_EQ(destination.IsCheckCharacterCode(), 1);  // the destination's own flag stays

    source.SetCheckCharacterCodeFlag(1);
    const COneCustomerData copy(source);
    EXPECT_EQ(copy.IsCheckCharacterCode(), 0);
    EXPECT_EQ(copy.GetEmail(), "a@b.jp");
    EXPECT_EQ(copy.GetEntryDate(), source.GetEntryDate());
}

}  // namespace
