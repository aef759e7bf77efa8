#include "core/foundation/ini_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/safe_write.h"

namespace {

struct IniManagerTest : ::testing::Test {
    std::string dir;
    std::string file;
    void SetUp() override {
        char tmpl[] = "/tmp/ini_manager_XXXXXX";
        dir = mkdtemp(tmpl);
        file = dir + "/Quendrel.ini";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    void Put(const std::string& bytes) { ASSERT_TRUE(platform::WriteFileAtomically(file, bytes)); }
    std::string Bytes() const {
        std::string b;
        platform::ReadWholeFile(file, b);
        return b;
    }
};

}  // namespace

TEST_F(IniManagerTest, StringReadsFollowTheBufferRules) {
    // 4094 letters then a two-byte character: a cut at 4095 bytes would split it.
    const std::string straddling = std::string(4094, 'b') + "\x95\x5c" + "tail";
    Put("[Win]\r\nEmpty=\r\nLong=" + std::string(5000, 'a') + "\r\nStraddle=" + straddling +
        "\r\nName = \"Main\"\r\n");

    std::string out = "before";
    EXPECT_EQ(CIniManager::GetProfileStringA(file, "Win", "Missing", out, ""), 0);
    EXPECT_EQ(out, "before");
    EXPECT_EQ(CIniManager::GetProfileStringA(file, "Win", "Empty", out, "dflt"), 0);  // stored empty: no default
    EXPECT_EQ(out, "before");
    EXPECT_EQ(CIniManager::GetProfileStringA(file, "Win", "Missing", out, "dflt  "), 1);
    EXPECT_EQ(out, "dflt");
    EXPECT_EQ(CIniManager::GetProfileStringA(file + ".none", "Win", "Name", out, "nofile"), 1);
    EXPECT_EQ(out, "nofile");
    EXPECT_EQ(CIniManager::GetProfileStringA(file, "WIN", "name", out, "dflt"), 1);
    EXPECT_EQ(out, "Main");

    EXPECT_EQ(CIniManager::GetProfileStringA(file, "Win", "Long", out, ""), 1);
    EXPECT_EQ(out, std::string(4095, 'a'));
    EXPECT_EQ(CIniManager::GetProfileStringA(file, "Win", "Straddle", out, ""), 1);
    EXPECT_EQ(out, std::string(4094, 'b'));
    EXPECT_EQ(CIniManager::GetProfileStringA(file, "Win", "Missing", out, std::string(4093, 'c') + "\x95\x5c!"), 1);
    EXPECT_EQ(out, std::string(4093, 'c') + "\x95\x5c");
}

TEST_F(IniManagerTest, IntegersReadLikeThePlatform) {
    ASSERT_EQ(CIniManager::WriteProfileInt(file, "N", "Minus", -5), 1);
    EXPECT_EQ(Bytes(), "[N]\r\nMinus=-5\r\n");
    Put(Bytes() + "Letters=abc\r\nLead=12abc\r\nPlus= +7 \r\nQuoted=\" 42\"\r\nEmpty=\r\nWrap=4294967297\r\n");
    struct Case { const char* key; int def; unsigned expected; };
    const Case cases[] = {
        {"Minus", 0, 4294967291u}, {"Letters", 9, 0u}, {"Lead", 0, 12u}, {"Plus", 0, 7u},
        {"Quoted", 0, 42u},        {"Empty", 9, 9u},   {"Missing", -1, 4294967295u}, {"Wrap", 0, 1u},
    };
    for (const Case& c : cases) EXPECT_EQ(CIniManager::GetProfileIntA(file, "n", c.key, c.def), c.expected) << c.key;
}

TEST_F(IniManagerTest, NullKeyAndNullTextDelete) {
    Put("; layout of the windows\r\n[Main]\r\nX=1\r\n; keep me\r\nY=2\r\n[Other]\r\nZ=3\r\n[Gone]\r\nA=1");
    EXPECT_EQ(CIniManager::WriteProfileStringA(file, "main", "x", nullptr), 1);
    EXPECT_EQ(CIniManager::WriteProfileStringA(file, "GONE", nullptr, nullptr), 1);
    EXPECT_EQ(CIniManager::WriteProfileStringA(file, "Main", "NoSuch", nullptr), 1);
    EXPECT_EQ(CIniManager::WriteProfileStringA(file, "Other", "Z", "4"), 1);
    EXPECT_EQ(Bytes(), "; layout of the windows\r\n[Main]\r\n; keep me\r\nY=2\r\n[Other]\r\nZ=4\r\n");
    std::string out;
    EXPECT_EQ(CIniManager::GetProfileStringA(file, "Gone", "A", out, ""), 0);
}

TEST_F(IniManagerTest, KeptSectionAndCopies) {
    CIniManager ini(file, "Frame");
    ASSERT_EQ(ini.WriteProfileInt("Width", 640), 1);
    ASSERT_EQ(ini.WriteProfileStringA("Title", "Quendrel"), 1);

    const CIniManager copy = ini;
    ini.ClearSectionPosition();
    EXPECT_EQ(ini.WriteProfileInt("Width", 1), 0);  // no file kept
    EXPECT_EQ(copy.GetProfileIntA("width", 0), 640u);
    std::string out;
    EXPECT_EQ(copy.GetProfileStringA("TITLE", out, ""), 1);
    EXPECT_EQ(out, "Quendrel");

    ini.KeepSectionPosition(file, "Other");
    EXPECT_EQ(ini.GetProfileIntA("Width", 7), 7u);
    EXPECT_EQ(ini.WriteProfileStringA(nullptr, nullptr), 1);
    CIniManager frame;
    frame.KeepSectionPosition(file, "frame");
    EXPECT_EQ(frame.WriteProfileStringA(nullptr, nullptr), 1);
    EXPECT_EQ(Bytes(), "");
}
