#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/path.h"
#include "platform/safe_write.h"

namespace {

// Shift_JIS names used in the fixture. The zone section's first character has the trail
// byte "]"; "ア" and "ヂ" differ only in a trail byte that looks like "A" / "a".
const std::string kZone = "\x83\x5d\x81\x5b\x83\x93\x90\xdd\x92\xe8";  // ゾーン設定
const std::string kKatakanaA = "\x83\x41";                             // ア
const std::string kKatakanaDi = "\x83\x61";                            // ヂ
const std::string kHyouji = "\x95\x5c\x8e\xa6";                        // 表示 (trail byte "\")

struct IniTempDir {
    std::string path;
    IniTempDir() {
        char tmpl[] = "/tmp/ini_file_XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~IniTempDir() { std::filesystem::remove_all(path); }
};

std::string Fixture() {
    std::string bytes;
    EXPECT_TRUE(platform::ReadWholeFile(std::string(OMBREL_TESTDATA) + "/windows_layout.ini", bytes));
    return bytes;
}

std::vector<std::string> SplitCrLf(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t eol = bytes.find("\r\n", pos);
        if (eol == std::string::npos) eol = bytes.size();
        lines.push_back(bytes.substr(pos, eol - pos));
        pos = eol + 2;
    }
    return lines;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

size_t IndexOf(const std::vector<std::string>& lines, const std::string& line) {
    auto it = std::find(lines.begin(), lines.end(), line);
    EXPECT_NE(it, lines.end()) << line;
    return static_cast<size_t>(it - lines.begin());
}

std::string ReadFile(const std::string& path) {
    std::string bytes;
    platform::ReadWholeFile(path, bytes);
    return bytes;
}

}  // namespace

TEST(IniFile, ReadsFileAsWindowsWritesIt) {
    const platform::IniDocument doc(Fixture());
    struct Case { std::string section, key; bool found; std::string value; };
    const Case cases[] = {
        {"MAINFRAME", "left", true, "10"},           // case-insensitive; first copy of key and section win
        {"MainFrame", "TOP", true, "20"},            // blanks around "="
        {" mainframe ", " caption ", true, "  Quoted title  "},  // quotes stripped, inner blanks kept
        {"MainFrame", "Single", true, "x"},
        {"MainFrame", "Mixed", true, "\"a'"},        // unmatched quotes stay
        {"MainFrame", "Empty", true, ""},
        {"MainFrame", "Hidden", false, ""},          // commented out
        {"MainFrame", "; Hidden", false, ""},
        {"MainFrame", "Extra", false, ""},           // only in the second copy of the section
        {kZone, kKatakanaA, true, "upper a"},
        {kZone, kKatakanaDi, true, "di"},            // not folded onto "ア"
        {kZone, kHyouji, true, "1"},
        {"Last", "lastkey", true, "end"},            // last line without a line break
        {"", "Orphan", false, ""},                   // lines before any section belong to none
        {"NoSuch", "Left", false, ""},
    };
    for (const Case& c : cases) {
        std::string value = "unchanged";
        EXPECT_EQ(doc.Find(c.section, c.key, value), c.found) << c.section << "/" << c.key;
        EXPECT_EQ(value, c.found ? c.value : "unchanged") << c.section << "/" << c.key;
    }
}

TEST(IniFile, ReadsLfOnlyText) {
    const platform::IniDocument doc(std::string("[A]\nx = 1\ny=2"));
    std::string v;
    EXPECT_TRUE(doc.Find("a", "X", v));
    EXPECT_EQ(v, "1");
    EXPECT_TRUE(doc.Find("a", "y", v));
    EXPECT_EQ(v, "2");
    EXPECT_EQ(doc.ToBytes(), "[A]\r\nx = 1\r\ny=2\r\n");
}

TEST(IniFile, EditsChangeOnlyTheirLines) {
    const std::string original = Fixture();
    const std::vector<std::string> lines = SplitCrLf(original);

    {  // replacing keeps the file's spelling of the name and everything else
        platform::IniDocument doc(original);
        EXPECT_TRUE(doc.Set("mainframe", "left", "12"));
        EXPECT_FALSE(doc.Set("MainFrame", "Top", "20"));  // same value: no change
        auto expected = lines;
        expected[IndexOf(lines, "Left=10")] = "Left=12";
        EXPECT_EQ(doc.ToBytes(), JoinCrLf(expected));
    }
    {  // a new key goes after the last key of the first copy of its section
        platform::IniDocument doc(original);
        EXPECT_TRUE(doc.Set("MAINFRAME", "New", "v"));
        EXPECT_TRUE(doc.Set(kZone, "Zone2", "z"));
        auto expected = lines;
        expected.insert(expected.begin() + static_cast<long>(IndexOf(lines, kHyouji + " = 1")) + 1, "Zone2=z");
        expected.insert(expected.begin() + static_cast<long>(IndexOf(lines, "Empty=")) + 1, "New=v");
        EXPECT_EQ(doc.ToBytes(), JoinCrLf(expected));
    }
    {  // a new section goes at the end
        platform::IniDocument doc(original);
        EXPECT_TRUE(doc.Set(" Added ", " k ", "v"));
        auto expected = lines;
        expected.push_back("[Added]");
        expected.push_back("k=v");
        EXPECT_EQ(doc.ToBytes(), JoinCrLf(expected));
        std::string v;
        EXPECT_TRUE(doc.Find("added", "K", v));
        EXPECT_EQ(v, "v");
    }
    {  // deleting a key removes every copy of it in its section, comments stay
        platform::IniDocument doc(original);
        EXPECT_TRUE(doc.DeleteKey("mainframe", "left"));
        EXPECT_FALSE(doc.DeleteKey("mainframe", "left"));
        EXPECT_FALSE(doc.DeleteKey("nosuch", "left"));
        auto expected = lines;
        expected.erase(expected.begin() + static_cast<long>(IndexOf(expected, "LEFT=11")));
        expected.erase(expected.begin() + static_cast<long>(IndexOf(expected, "Left=10")));
        EXPECT_EQ(doc.ToBytes(), JoinCrLf(expected));
        std::string v;
        EXPECT_FALSE(doc.Find("MainFrame", "Left", v));
    }
    {  // deleting a section removes every copy with all its lines
        platform::IniDocument doc(original);
        EXPECT_TRUE(doc.DeleteSection("MAINframe"));
        EXPECT_FALSE(doc.DeleteSection("MAINframe"));
        std::vector<std::string> expected(lines.begin(), lines.begin() + 2);
        for (size_t i = IndexOf(lines, "[" + kZone + "]"); i < IndexOf(lines, "[mainframe]"); ++i)
            expected.push_back(lines[i]);
        expected.push_back("[Last]");
        expected.push_back("LastKey=end");
        EXPECT_EQ(doc.ToBytes(), JoinCrLf(expected));
    }
}

// Every value reads back as written. Only a value the reader would change (blanks at an
// end, a pair of the same quote around it) is written in double quotes; every other value
// is written as earlier versions wrote it, so their files read as before.
TEST(IniFile, ValuesReadBackAsWritten) {
    struct Case {
        std::string value, line;
    };
    const Case cases[] = {
        {"plain", "k=plain"},
        {"", "k="},
        {"inner  blanks", "k=inner  blanks"},
        {"\"", "k=\""},
        {"\"a'", "k=\"a'"},
        {"a \"b\" c", "k=a \"b\" c"},
        {" v ", "k=\" v \""},
        {"\tlead", "k=\"\tlead\""},
        {"trail ", "k=\"trail \""},
        {"\"quoted\"", "k=\"\"quoted\"\""},
        {"'single'", "k=\"'single'\""},
        {"\"\"", "k=\"\"\"\""},
        {"' x '", "k=\"' x '\""},
        {"\x83\x41 ", "k=\"\x83\x41 \""},
    };
    IniTempDir dir;
    const std::string path = dir.path + "/values.ini";
    for (const Case& c : cases) {
        platform::IniDocument doc;
        ASSERT_TRUE(doc.Set("S", "k", c.value));
        EXPECT_EQ(doc.ToBytes(), "[S]\r\n" + c.line + "\r\n") << c.value;
        EXPECT_FALSE(doc.Set("S", "k", c.value)) << c.value;  // the same value again: no change
        std::string got;
        ASSERT_TRUE(platform::IniDocument(doc.ToBytes()).Find("S", "K", got));
        EXPECT_EQ(got, c.value);
        ASSERT_TRUE(platform::WriteIniValue(path, "S", "k", c.value));
        ASSERT_TRUE(platform::ReadIniValue(path, "s", "k", got));
        EXPECT_EQ(got, c.value);
    }
}

TEST(IniFile, FileWritesAreSafeAndExact) {
    IniTempDir dir;
    const std::string path = dir.path + "/settings.ini";
    std::string v;

    // A missing file reads as missing; deleting from it creates nothing.
    EXPECT_FALSE(platform::ReadIniValue(path, "S", "k", v));
    EXPECT_TRUE(platform::DeleteIniKey(path, "S", "k"));
    EXPECT_TRUE(platform::DeleteIniSection(path, "S"));
    EXPECT_FALSE(platform::PathExists(path));

    ASSERT_TRUE(platform::WriteIniValue(path, "S", "k", "1"));
    ASSERT_TRUE(platform::WriteIniValue(path, "s", "K", "2"));
    ASSERT_TRUE(platform::WriteIniValue(path, "T", "x", "\x83\x41"));
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=2\r\n[T]\r\nx=\x83\x41\r\n");

    // Text that would break the line structure is refused and the file left alone.
    EXPECT_FALSE(platform::WriteIniValue(path, "S", "k", "a\r\nInjected=1"));
    EXPECT_FALSE(platform::WriteIniValue(path, "S\n[U]", "k", "v"));
    EXPECT_FALSE(platform::WriteIniValue(path, "S", "a=b", "v"));
    EXPECT_FALSE(platform::WriteIniValue(path, "S", "[U]", "v"));
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=2\r\n[T]\r\nx=\x83\x41\r\n");

    // An edit by someone else is seen (the cache checks the file).
    {
        FILE* fp = std::fopen(path.c_str(), "ab");
        ASSERT_NE(fp, nullptr);
        std::fputs("y=added\r\n", fp);
        std::fclose(fp);
    }
    EXPECT_TRUE(platform::ReadIniValue(path, "t", "Y", v));
    EXPECT_EQ(v, "added");

    // A path that cannot be read is never overwritten.
    EXPECT_FALSE(platform::WriteIniValue(dir.path, "S", "k", "v"));
    EXPECT_FALSE(platform::WriteIniValue(dir.path + "/no/such/folder.ini", "S", "k", "v"));

    // Only the file itself is left in the folder (no temporaries).
    int entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path)) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(IniFile, ConcurrentWritersLoseNothing) {
    IniTempDir dir;
    const std::string path = dir.path + "/shared.ini";
    constexpr int kWrites = 1000;
    auto writer = [&](const char* prefix) {
        for (int i = 0; i < kWrites; ++i)
            ASSERT_TRUE(platform::WriteIniValue(path, "Shared", prefix + std::to_string(i), std::to_string(i)));
    };
    std::thread a(writer, "a");
    std::thread b(writer, "b");
    a.join();
    b.join();
    const platform::IniDocument doc(ReadFile(path));
    for (const char* prefix : {"a", "b"}) {
        for (int i = 0; i < kWrites; ++i) {
            std::string v;
            ASSERT_TRUE(doc.Find("Shared", prefix + std::to_string(i), v)) << prefix << i;
            EXPECT_EQ(v, std::to_string(i));
        }
    }
}
