#include "core/mailstore/encoded_word.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/tests/mail_text_test_util.h"

namespace {

// "日本語テスト" in the three codes of mail headers.
const std::string kJis = "\x1b$BF|K\\8l%F%9%H\x1b(B";
const std::string kUtf8 = "日本語テスト";
const std::string& Sjis() { return SjisLiteral("日本語テスト"); }

std::string QEncode(const std::string& bytes) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += '=';
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

std::string Word(const std::string& charset, char letter, const std::string& bytes) {
    const std::string text = letter == 'B' || letter == 'b' ? base64encoding(bytes, -1) : QEncode(bytes);
    return "=?" + charset + "?" + letter + "?" + text + "?=";
}

// RFC 5322 unfolding: a fold loses its line end, its blank or tab stays.
std::string Unfold(std::string s) {
    for (size_t at; (at = s.find("\r\n")) != std::string::npos;) s.erase(at, 2);
    return s;
}

using mailtest::Lines;

TEST(MimeCodecEncodedWord, DecodesEachCharsetInBothForms) {
    struct Case { std::string charset; char letter; std::string bytes; int mode; };
    const Case cases[] = {
        {"ISO-2022-JP", 'B', kJis, kMimeWordJis},   {"iso-2022-jp", 'Q', kJis, kMimeWordJis},
        {"Shift_JIS", 'B', Sjis(), kMimeWordSjis},  {"shift_jis", 'q', Sjis(), kMimeWordSjis},
        {"UTF-8", 'B', kUtf8, kMimeWordUtf8},       {"utf-8", 'Q', kUtf8, kMimeWordUtf8},
    };
    for (const Case& c : cases) {
        const std::string header = "Re: " + Word(c.charset, c.letter, c.bytes) + " (1)";
        EXPECT_EQ(MIMEDecodeVersion2(header, c.mode), "Re: " + Sjis() + " (1)")
            << c.charset << ' ' << c.letter;
        // The file-name decoder picks the charset from the value itself.
        EXPECT_EQ(DecodeMimeHeaderParam(Word(c.charset, c.letter, c.bytes)), Sjis())
            << c.charset << ' ' << c.letter;
    }
    EXPECT_EQ(MIMEbase64decoding("Re: " + Word("ISO-2022-JP", 'B', kJis)), "Re: " + Sjis());
    EXPECT_EQ(MIMEBase64DecodeForJIS(Word("ISO-2022-JP", 'Q', kJis)), Sjis());
}

TEST(MimeCodecEncodedWord, ShiftJisIsKnownByAllItsNames) {
    for (const char* name : {"shift_jis", "Shift-JIS", "SJIS", "x-sjis", "cp932", "Windows-31J"}) {
        const std::string word = Word(name, 'B', Sjis());
        EXPECT_EQ(MIMEDecodeVersion2(word, kMimeWordSjis), Sjis()) << name;
        EXPECT_EQ(DecodeMimeHeaderParam(word), Sjis()) << name;
    }
}

TEST(MimeCodecEncodedWord, WordRules) {
    // "_" is a blank in Q words only.
    EXPECT_EQ(MIMEbase64decoding("a_b =?iso-2022-jp?Q?x_y?="), "a_b x y");
    // White space between two words disappears; around plain text it stays.
    EXPECT_EQ(MIMEDecodeVersion2("=?utf-8?Q?a?= =?utf-8?Q?b?=\t=?utf-8?Q?c?= d", kMimeWordUtf8), "abc d");
    // A character split over two words joins again.
    EXPECT_EQ(MIMEDecodeVersion2("=?utf-8?Q?=E6=97?= =?utf-8?Q?=A5?=", kMimeWordUtf8), SjisLiteral("日"));
    // Words of another charset stay as text.
    EXPECT_EQ(MIMEbase64decoding("=?utf-8?Q?x?= y"), "=?utf-8?Q?x?= y");
    // An unknown letter or an unclosed word is copied from its start and ends decoding.
    EXPECT_EQ(MIMEbase64decoding("a=?iso-2022-jp?X?abc?= =?iso-2022-jp?Q?b?="),
              "a=?iso-2022-jp?X?abc?= =?iso-2022-jp?Q?b?=");
    EXPECT_EQ(MIMEbase64decoding("=?iso-2022-jp?Q?a?= =?iso-2022-jp?B?GyRC"), "a =?iso-2022-jp?B?GyRC");
    EXPECT_EQ(MIMEbase64decoding("=?iso-2022-jp?"), "=?iso-2022-jp?");
    EXPECT_EQ(MIMEDecodeVersion2("=?utf-8?Q?a?=", 9), "=?utf-8?Q?a?=");
    EXPECT_EQ(MIMEbase64decoding(""), "");
}

TEST(MimeCodecEncodedWord, RawFileNamesAreDetected) {
    EXPECT_EQ(DecodeMimeHeaderParam("\xc6\xfc\xcb\xdc\xb8\xec.txt"), SjisLiteral("日本語.txt"));  // EUC-JP
    EXPECT_EQ(DecodeMimeHeaderParam("\x1b$BF|K\\8l\x1b(B.txt"), SjisLiteral("日本語.txt"));   // JIS
    EXPECT_EQ(DecodeMimeHeaderParam(SjisLiteral("日本語.txt")), SjisLiteral("日本語.txt"));
    EXPECT_EQ(DecodeMimeHeaderParam("plain.pdf"), "plain.pdf");
}

TEST(MimeCodecEncodedWord, HeaderWordEncoder) {
    struct Case { std::string jis; std::string out; };
    const std::string kWord = "=?ISO-2022-JP?B?GyRCRnxLXDhsJUYlOSVIGyhC?=";  // kJis
    const Case cases[] = {
        {"plain ascii subject", "plain ascii subject"},
        {"", ""},
        // The blanks beside a word are the text's own; no fold adds one.
        {"Re: " + kJis + " end", "Re: " + kWord + " end"},
        {kJis, kWord},
        // A word never touches text: the whole word of the text is encoded.
        {"x" + kJis + "y", "=?ISO-2022-JP?B?eBskQkZ8S1w4bCVGJTklSBsoQnk=?="},
        // Blanks between two runs go inside a word; the fold between words is CR LF TAB.
        {kJis + " " + kJis, "=?ISO-2022-JP?B?GyRCRnxLXDhsJUYlOSVIGyhCIA==?=\r\n\t" + kWord},
        // ASCII that looks like an encoded word is encoded, so it shows as typed.
        {"=?utf-8?B?YQ==?= a", "=?ISO-2022-JP?B?PT91dGYtOD9CP1lRPT0/PQ==?= a"},
        // JIS-Roman is written as ASCII; a run without its return to ASCII is closed.
        {"\x1b(Ja\\b~", "=?ISO-2022-JP?B?YVxifg==?="},
        {"\x1b$B$\"", "=?ISO-2022-JP?B?GyRCJCIbKEI=?="},
        // Escape sequences between ASCII characters never reach the header.
        {"a \x1b(B b\x1b(Bc", "a  bc"},
    };
    for (const Case& c : cases) EXPECT_EQ(base64encoding(c.jis), c.out) << c.jis;

    // Each run is one word, wherever ESC ( B falls in the three-byte grouping.
    for (const std::string run : {"\x1b$B$\"\x1b(B", "\x1b$B$\"$\"\x1b(B", "\x1b$B$\"$\"$\"\x1b(B"}) {
        const std::string encoded = base64encoding(run + " x " + run);
        ASSERT_EQ(Unfold(encoded).find("?= x =?ISO-2022-JP?B?"), Unfold(encoded).find("?=")) << encoded;
        EXPECT_EQ(MIMEbase64decoding(Unfold(encoded)), MIMEbase64decoding(run) + " x " + MIMEbase64decoding(run));
    }

    // A long run is split into words of at most 66 characters that decode on their own;
    // a plain line longer than a header line may be is folded at a blank.
    std::string jis = "\x1b$B";
    for (int i = 0; i < 60; ++i) jis += "F|K\\";
    jis += "\x1b(B";
    const std::string encoded = base64encoding(jis);
    for (const std::string& line : Lines(encoded)) EXPECT_LE(line.size(), 67u) << line;
    EXPECT_EQ(MIMEbase64decoding(Unfold(encoded)), MIMEbase64decoding(jis));
    std::string words;
    for (int i = 0; i < 300; ++i) words += "word ";
    const std::string folded = base64encoding(words);
    EXPECT_EQ(Unfold(folded), words);
    for (const std::string& line : Lines(folded)) EXPECT_LE(line.size(), 900u);
    EXPECT_GT(Lines(folded).size(), 1u);
}

TEST(MimeCodecEncodedWord, FoldingEncoderKeepsLinesShort) {
    std::string jis = "Subject text before the run ";
    jis += "\x1b$B";
    for (int i = 0; i < 60; ++i) jis += "F|K\\";  // 120 kanji
    jis += "\x1b(B and after.";
    const std::string encoded = MIMEBase64EncodeForJIS(jis);
    for (const std::string& line : Lines(encoded)) EXPECT_LE(line.size(), 70u) << line;
    // Every word decodes on its own to whole characters.
    for (size_t at = 0; (at = encoded.find("=?iso-2022-jp?B?", at)) != std::string::npos;) {
        const size_t end = encoded.find("?=", at + 16);
        const std::string bytes = normal_base64decoding(encoded.substr(at + 16, end - at - 16));
        EXPECT_EQ(bytes.substr(0, 3), "\x1b$B");
        EXPECT_EQ(bytes.substr(bytes.size() - 3), "\x1b(B");
        at = end;
    }
    // The blank between two names stays inside a word.
    EXPECT_EQ(MIMEBase64DecodeForJIS(Unfold(MIMEBase64EncodeForJIS("\x1b$B;3ED\x1b(B \x1b$BB@O:\x1b(B"))),
              SjisLiteral("山田 太郎"));
    std::string expected = "Subject text before the run ";
    for (int i = 0; i < 60; ++i) expected += SjisLiteral("日本");
    expected += " and after.";
    EXPECT_EQ(MIMEBase64DecodeForJIS(Unfold(encoded)), expected);
    EXPECT_EQ(MIMEBase64EncodeForJIS(""), "");
    EXPECT_EQ(MIMEBase64EncodeForJIS("ascii only"), "ascii only");
}

TEST(MimeCodecEncodedWord, AttachmentFileNames) {
    EXPECT_EQ(EncodeAttachFileName("report 2024.pdf"), "report 2024.pdf");
    EXPECT_EQ(EncodeAttachFileName(""), "");
    const std::string name = SjisLiteral("添付ファイルの長い名前を付けた資料・第二版.pdf");
    const std::string encoded = EncodeAttachFileName(name);
    EXPECT_EQ(encoded.rfind("=?ISO-2022-JP?B?", 0), 0u) << encoded;
    for (unsigned char c : encoded) EXPECT_LT(c, 0x80);
    // Two words of at most 30 bytes of JIS (and one character) each, one per line.
    EXPECT_EQ(std::count(encoded.begin(), encoded.end(), '\t'), 1) << encoded;
    EXPECT_EQ(DecodeMimeHeaderParam(encoded), name);
    EXPECT_EQ(DecodeMimeHeaderParam(Unfold(encoded)), name);
}

}  // namespace
