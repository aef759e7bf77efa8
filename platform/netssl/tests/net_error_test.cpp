#include "platform/netssl/net_error.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <cstring>

#include "platform/tests/japanese_locale.h"

// A component's error text goes into the Shift_JIS transfer log and is matched by its
// words: under a Japanese locale, whose system texts are translated UTF-8, it keeps the
// system's English words.
TEST(NetError, TextsStayEnglishUnderAJapaneseLocale) {
    jalocale::JapaneseLocale japanese;
    if (!japanese.Active()) GTEST_SKIP() << "no ja_JP.UTF-8 locale and no localedef";
    ASSERT_NE(std::string(std::strerror(ECONNREFUSED)), "Connection refused") << "the system's texts are not translated";

    netssl::NetError error;
    EXPECT_EQ(netssl::SetSocketError(error, "Connecting failed", ECONNREFUSED), netssl::kWsaEconnrefused);
    EXPECT_EQ(error.text, "Connecting failed: Connection refused (10061).");
    EXPECT_EQ(netssl::ResolverWords(EAI_NONAME), "Name or service not known");
}
