#include "core/foundation/system_reason.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <locale.h>

#include "core/foundation/cp932.h"
#include "platform/tests/japanese_locale.h"

// Under a Japanese locale the system's words come translated and in the locale's encoding
// (UTF-8): the reason is Shift_JIS throughout.
TEST(SystemReason, JapaneseLocaleTextIsShiftJisThroughout) {
    jalocale::JapaneseLocale japanese;
    if (!japanese.Active()) GTEST_SKIP() << "no ja_JP.UTF-8 locale and no localedef";
    const std::string translated = std::strerror(ENOENT);  // UTF-8 under this locale
    ASSERT_NE(translated, "No such file or directory") << "the system's texts are not translated";

    const std::string reason = SystemReasonText(ENOENT);
    EXPECT_EQ(SjisToUtf8(reason), "ファイルまたはフォルダが見つかりません (" + translated + ")");
    EXPECT_EQ(Utf8ToSjis(SjisToUtf8(reason)), reason);
}

// Words that Shift_JIS cannot hold whole (French "Connexion refusée") come in English
// rather than with a letter left out.
TEST(SystemReason, WordsShiftJisCannotHoldComeInEnglish) {
    ASSERT_NE(::setlocale(LC_ALL, "C.UTF-8"), nullptr);
    ::setenv("LANGUAGE", "fr", 1);
    const std::string french = std::strerror(ECONNREFUSED);
    const std::string reason = SystemReasonText(ECONNREFUSED);
    ::unsetenv("LANGUAGE");
    ::setlocale(LC_ALL, "C");
    if (french == "Connection refused") GTEST_SKIP() << "no French messages of the C library";
    EXPECT_EQ(SjisToUtf8(reason), "システムエラーが発生しました (Connection refused)");
}

TEST(SystemReason, NoReasonGivesNoText) { EXPECT_EQ(SystemReasonText(0), ""); }
