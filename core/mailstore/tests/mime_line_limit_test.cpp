#include "core/mailstore/mime_line_limit.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MimeLineLimit, LongestLineAgainstTheLimit) {
    const std::string l998(998, 'a'), l999(999, 'a');
    struct Case {
        const char* name;
        std::string text;
        bool tooLong;
    };
    const Case cases[] = {
        {"empty", "", false},
        {"998 alone", l998, false},
        {"999 alone", l999, true},
        {"998 then CR LF", l998 + "\r\nx", false},
        {"998 then LF", l998 + "\nx", false},
        {"999 then CR LF", l999 + "\r\nx", true},
        {"999 then LF", l999 + "\nx", true},
        {"short lines, long last", "a\r\nb\r\n" + l999, true},
        {"short lines then 998", std::string(5000, '\n') + l998, false},
        {"long line after many short ones", "ab\r\n" + l998 + "\r\n" + l999 + "\r\nc", true},
        {"a lone CR counts as content", std::string(500, 'a') + "\r" + std::string(498, 'a'), true},
    };
    for (const Case& c : cases) EXPECT_EQ(mime_line::HasLineLongerThan(c.text, mime_line::kMaxLine), c.tooLong) << c.name;
}

TEST(MimeLineLimit, Base64Layout) {
    const std::string line(76, 'Q');
    EXPECT_TRUE(mime_line::IsBase64Wrapped(line + "\r\n" + line + "\r\nQQ=="));
    EXPECT_TRUE(mime_line::IsBase64Wrapped(std::string(40, 'Q') + "\r\n" + std::string(60, 'Q')));
    EXPECT_FALSE(mime_line::IsBase64Wrapped(line + "\r\n" + line + "Q"));
    EXPECT_FALSE(mime_line::IsBase64Wrapped(std::string(77, 'Q')));
    EXPECT_EQ(mime_line::WrapBase64(std::string(150, 'Q') + " \r\n" + std::string(10, 'R')),
              line + "\r\n" + std::string(74, 'Q') + "RR\r\n" + std::string(8, 'R'));
}

}  // namespace
