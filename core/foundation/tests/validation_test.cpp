#include "core/foundation/validation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Validation, MailAddressChecker) {
    const char* accepted[] = {
        "a@b.c",
        "user.name+tag@example.co.jp",
        "a..b.@docomo.ne.jp",  // carrier addresses with doubled or final dots in the local part
        "x!#$%&'*+-/=?^_`{|}~@ex-ample.com",
        "A1@B2.C3",
    };
    for (const char* a : accepted) EXPECT_NE(MailAddressChecker(a), 0) << a;

    const char* refused[] = {
        "", "abc", "@b.c", "a@", "a@bc",        // no local part, no domain, no dot
        "a@.b.c", "a@b..c", "a@b.c.",           // empty labels
        "a@b@c.d", "a@b_c.d",                   // second at sign, underscore in domain
        "a @b.c", "a@b.c ", "\"a\"@b.c",        // blank, quote
        "a(b)@c.d", "a,b@c.d", "a;b@c.d", "a[b]@c.d", "a\\b@c.d",
        "\x82\xa0@b.c",                         // a Shift_JIS character
        "a@b.\xb1",
    };
    for (const char* r : refused) EXPECT_EQ(MailAddressChecker(r), 0) << r;
    EXPECT_EQ(MailAddressChecker(static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(MailAddressChecker(std::string("a@b.c")), 1);
}

TEST(Validation, CheckNumberData) {
    for (const char* ok : {"", "0", "7", "+1", "-123456789", "123456789", "000000000"})
        EXPECT_NE(CheckNumberData(ok), 0) << ok;
    for (const char* bad : {"1234567890", "-1234567890", "+", "-", "1.5", "12a", "--1", " 1", "1 ", "+-1"})
        EXPECT_EQ(CheckNumberData(bad), 0) << bad;
}

TEST(Validation, CheckSpecialStringDataAndDateType) {
    EXPECT_EQ(CheckSpecialStringData("03-1234-5678", "1234567890-+"), 1);
    EXPECT_EQ(CheckSpecialStringData("03 1234", "1234567890-"), 0);
    EXPECT_EQ(CheckSpecialStringData("", "x"), 1);
    EXPECT_EQ(CheckSpecialStringData("a", nullptr), 0);

    EXPECT_EQ(CheckDateTypeData("2024/01/02", 3), 1);
    EXPECT_EQ(CheckDateTypeData("2024/01/02", 4), 0);
    EXPECT_EQ(CheckDateTypeData("2024/1/2 10", 4), 1);
    EXPECT_EQ(CheckDateTypeData("2024/02/30", 3), 0);
    EXPECT_EQ(CheckDateTypeData("", 0), 1);
}

TEST(Validation, CheckMailBodyCharacterCode) {
    struct Case {
        std::string text;
        int result, noHalfKana, noDependent, allValid;
        std::vector<std::string> offending;
    };
    const std::vector<Case> cases = {
        {"", 1, 1, 1, 1, {}},
        {"Hello\r\n\t~", 1, 1, 1, 1, {}},
        {"\x82\xa0\x95\x5c", 1, 1, 1, 1, {}},              // ordinary kana and kanji (trail 0x5C)
        {"\x87\x9d\xe0\x40", 1, 1, 1, 1, {}},              // 0x87 row past the vendor block
        {"a\xb1z", 0, 0, 1, 1, {"\xb1"}},                  // half-width katakana
        {"\x87\x40", 0, 1, 0, 1, {"\x87\x40"}},            // circled one
        {"\x87\x9c", 0, 1, 0, 1, {"\x87\x9c"}},
        {"\xf0\x40\xfc\xfc", 0, 1, 0, 1, {"\xf0\x40", "\xfc\xfc"}},  // user-defined area
        {"\x82\x0a" "A", 0, 1, 1, 0, {"\x82"}},            // bad trail: the trail is read again
        {"\x7f\xa0\xfd", 0, 1, 1, 0, {"\x7f", "\xa0", "\xfd"}},
        {"\xb1\x87\x40\xb1", 0, 0, 0, 1, {"\xb1", "\x87\x40", "\xb1"}},  // repeats kept, in order
        {"ab\x82", 0, 1, 1, 0, {"\x82"}},                  // text ends inside a character
        {"\xf0", 0, 1, 0, 0, {"\xf0"}},
    };
    for (const Case& c : cases) {
        int h = -1, d = -1, v = -1;
        EXPECT_EQ(CheckMailBodyCharacterCode(c.text, h, d, v), c.result) << testing::PrintToString(c.text);
        EXPECT_EQ(h, c.noHalfKana) << testing::PrintToString(c.text);
        EXPECT_EQ(d, c.noDependent) << testing::PrintToString(c.text);
        EXPECT_EQ(v, c.allValid) << testing::PrintToString(c.text);

        std::vector<std::string> list = {"stale"};
        h = d = v = -1;
        EXPECT_EQ(CheckMailBodyCharacterCode(c.text, h, d, v, list), c.result);
        EXPECT_EQ(list, c.offending) << testing::PrintToString(c.text);
    }
}

}  // namespace
