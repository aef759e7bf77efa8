// Subjects as this system writes them, read back by an independent reader: Python's
// standard email package (policy default) must show exactly the subject that was typed,
// whatever its mix of Japanese, blanks and ASCII.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/foundation/kcode.h"
#include "core/mailstore/eml_file_decoder.h"
#include "core/mailstore/eml_file_encoder.h"
#include "core/mailstore/encoded_word.h"

namespace {

namespace fs = std::filesystem;

struct Reading {
    std::string subject;  // UTF-8
    int defects = -1;
    size_t longestLine = 0;
};

// Reads every message with Python's email package in one run.
std::vector<Reading> ReadWithPython(const std::vector<std::string>& messages) {
    const fs::path file = fs::temp_directory_path() / ("ombrel-subjects-" + std::to_string(::getpid()) + ".hex");
    {
        std::ofstream out(file);
        static const char hex[] = "0123456789abcdef";
        for (const std::string& m : messages) {
            for (unsigned char c : m) out << hex[c >> 4] << hex[c & 15];
            out << '\n';
        }
    }
    const std::string command =
        "/usr/bin/python3 " + std::string(OMBREL_TESTDATA) + "/subject_reader.py " + file.string();
    std::string text;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, n);
        EXPECT_EQ(::pclose(p), 0);
    }
    fs::remove(file);
    std::vector<Reading> readings;
    std::istringstream lines(text);
    std::string hexText;
    Reading r;
    while (lines >> hexText >> r.defects >> r.longestLine) {
        r.subject.clear();
        for (size_t i = 0; hexText != "-" && i + 1 < hexText.size(); i += 2)
            r.subject += static_cast<char>(std::stoi(hexText.substr(i, 2), nullptr, 16));
        readings.push_back(r);
    }
    return readings;
}

TEST(WrittenSubject, StandardReaderShowsWhatWasTyped) {
    if (::access("/usr/bin/python3", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/python3";
    std::string longJapanese, longWords;
    for (int i = 0; i < 12; ++i) longJapanese += "新商品のご案内と春の特別セールのお知らせ";
    for (int i = 0; i < 250; ++i) longWords += "word ";
    const std::vector<std::string> inputs = {
        "春の新商品のご案内",
        "日本 語",                       // a blank between two Japanese runs
        "日本  語\t終わり",
        "Re: 日本",
        "日本abc",                       // Japanese touching ASCII
        "abc日本",
        "a\\b~c 日本",                   // the two bytes where JIS-Roman differs from ASCII
        "=?utf-8?B?YQ==?=",              // ASCII that looks like an encoded word
        "件名 =?ISO-2022-JP?B?GyRCRnxLXBsoQg==?= です",
        "【重要】Sale 50% OFF のお知らせ",
        "価格は 1,000円（税込） です",
        "Tom's 「見積」 (2024/05)",
        longJapanese,
        longWords + "end",              // an ASCII line longer than a header line may be
        std::string(1200, 'x'),         // and one word that long
        "A  B",
    };

    // Each subject written three ways: by the .eml writer, by the header encoder over the
    // foundation's header conversion (the send run's way), and by the SMTP client's
    // folding encoder.
    std::vector<std::string> messages;
    for (const std::string& utf8 : inputs) {
        const std::string sjis = Utf8ToSjis(utf8);
        EmlFileEncoder enc;
        enc.SetEmlSubject(sjis);
        enc.SetEmlPlainTextBody("text");
        enc.SetEmlHtmlTextBody("<p>text</p>");
        std::string eml;
        ASSERT_EQ(enc.EmlEncode(eml), 1);
        messages.push_back(eml);
        messages.push_back("Subject: " + base64encoding(sjtojis7_for_header(sjis, 0, 30)) + "\r\n\r\nx\r\n");
        messages.push_back("Subject: " + MIMEBase64EncodeForJIS(KCodeC().sjtojis7(sjis, 1)) + "\r\n\r\nx\r\n");
    }
    const std::vector<Reading> readings = ReadWithPython(messages);
    ASSERT_EQ(readings.size(), messages.size());
    for (size_t i = 0; i < messages.size(); ++i) {
        const std::string& typed = inputs[i / 3];
        SCOPED_TRACE(messages[i].substr(0, messages[i].find("\r\n\r\n")));
        EXPECT_EQ(readings[i].subject, typed);
        EXPECT_EQ(readings[i].defects, 0);
        EXPECT_LE(readings[i].longestLine, 998u);
        // Lines that hold encoded words stay short.
        std::istringstream lines(messages[i].substr(0, messages[i].find("\r\n\r\n")));
        for (std::string line; std::getline(lines, line);) {
            if (line.find("=?") != std::string::npos) {
                EXPECT_LE(line.size(), 76u) << line;
            }
        }
    }

    // This system's own reader shows the .eml subjects as typed too.
    for (size_t i = 0; i < inputs.size(); ++i) {
        EmlFileDecoder dec;
        ASSERT_EQ(dec.EmlDecode(messages[3 * i]), 1);
        EXPECT_EQ(SjisToUtf8(dec.GetSubject()), inputs[i]);
    }
}

}  // namespace
