// Terminal type from a mail address: the carrier table's matching rules.

#include "core/mailstore/x_email.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(CXEmail, TerminalTypeOfAddresses) {
    struct Case {
        const char* address;
        TermType type;
    } cases[] = {
        {"taro@docomo.ne.jp", TERM_DOCOMO},             // exact domain
        {"TARO@DoCoMo.NE.JP", TERM_DOCOMO},             // upper case
        {"taro@docomo.ne.jp ", TERM_PC},                // trailing blank: no carrier
        {"<taro@docomo.ne.jp>", TERM_PC},               // closing bracket
        {"taro@mail.docomo.ne.jp", TERM_PC},            // subdomain of an exact-only domain
        {"taro@ezweb.ne.jp", TERM_AU},
        {"taro@biz.ezweb.ne.jp", TERM_AU},              // parent domain
        {"taro@eza.ido.ne.jp", TERM_AU},                // conditional parent with the host prefix
        {"taro@abc.ido.ne.jp", TERM_PC},                // ... without it
        {"taro@ido.ne.jp", TERM_PC},                    // a parent pattern never matches the bare domain
        {"taro@au.com", TERM_AU},
        {"taro@sky.tkc.ne.jp", TERM_AU},
        {"taro@softbank.ne.jp", TERM_SOFTBANK},
        {"taro@i.softbank.jp", TERM_SOFTBANK},
        {"taro@t.vodafone.ne.jp", TERM_SOFTBANK},
        {"taro@jp-q.ne.jp", TERM_SOFTBANK},
        {"taro@willcom.com", TERM_WILLCOM},
        {"taro@wm.pdx.ne.jp", TERM_WILLCOM},
        {"taro@pdx.ne.jp", TERM_PC},
        {"taro@example.co.jp", TERM_PC},
        {"", TERM_PC},
        {"docomo.ne.jp", TERM_PC},                      // no "@": not the exact domain
    };
    for (const Case& c : cases) EXPECT_EQ(CXEmail::GetTermTypeFromMailAddr(c.address), c.type) << c.address;
    EXPECT_EQ(CXEmail::GetTermTypeFromMailAddr(static_cast<const char*>(nullptr)), TERM_PC);
}

TEST(CXEmail, TableIsWellFormedAndOrderedByCarrier) {
    int count = 0;
    const CarrierDomainPattern* table = CXEmail::CarrierDomains(count);
    ASSERT_GT(count, 0);
    int last = 0;
    for (int i = 0; i < count; ++i) {
        const char* p = table[i].pattern;
        EXPECT_TRUE(p[0] == '@' || p[0] == '.') << p;
        for (const char* q = p; *q; ++q) EXPECT_FALSE(*q >= 'A' && *q <= 'Z') << p;
        EXPECT_GE(table[i].type, last) << "carriers are tested in the order DoCoMo, au, SoftBank, WILLCOM";
        last = table[i].type;
        // Every pattern classifies an address built on it.
        const std::string address = std::string(p[0] == '@' ? "user" : "user@ez") + p;
        EXPECT_EQ(CXEmail::GetTermTypeFromMailAddr(address), table[i].type) << address;
    }
}

TEST(CXEmail, Strrcmp) {
    EXPECT_EQ(CXEmail::strrcmp("ab", "abc"), -1);
    EXPECT_EQ(CXEmail::strrcmp("x@docomo.ne.jp", "@docomo.ne.jp"), 0);
    EXPECT_EQ(CXEmail::strrcmp("abd", "bc"), 1);
    EXPECT_EQ(CXEmail::strrcmp("abb", "bc"), -1);
    EXPECT_EQ(CXEmail::strrcmp("a\xE0", "\x41"), 1);  // bytes compare unsigned
    EXPECT_EQ(CXEmail::strrcmp("abc", ""), 0);
}

}  // namespace
