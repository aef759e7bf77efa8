// System options: reading by index, the older 90- and 120-item layouts, widening to 123
// items, the modified flag and the refusals.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/foundation/csv_read.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/system_option.h"
#include "env_test_util.h"
#include "platform/notifier.h"

namespace {

// An unkeyed environment (empty descriptor), so that the committed fixtures, written with
// the default coding, are its options files.
class SystemOptionTest : public envtest::TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        WriteFile(descriptor_, "");
        ASSERT_EQ(env_.InitEnvFileInfo(descriptor_, envtest::kDescriptorKey, 0), 0);
        ASSERT_EQ(env_.GetEnvType(), 3);
        path_ = folder_ + "systemoption.dat";
    }
    void UseFixture(const char* name) {
        std::filesystem::copy_file(std::string(OMBREL_TESTDATA) + "/options/" + name, path_,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    // The number of fields of the file's only record (-1 when it is not one record).
    int StoredItems() {
        XCsvRead r;
        if (r.OpenFile(path_) != 1) return -1;
        const int n = r.ReadLine();
        return r.ReadLine() == -1 ? n : -1;
    }
    EnvManager env_;
    std::string path_;
};

TEST_F(SystemOptionTest, OldLayoutReadsAndWidensWhenSet) {
    UseFixture("systemoption90.dat");
    SystemOption options(&env_);
    ASSERT_EQ(options.GetSODataFromFileToMemory(), 0);
    std::string v = "kept";
    ASSERT_EQ(options.GetSODataFromMemoryPinPoint(89, v), 0);
    EXPECT_EQ(v, "opt89");
    ASSERT_EQ(options.GetSODataFromMemoryPinPoint(100, v), 0);
    EXPECT_EQ(v, "");
    std::vector<std::string> all;
    ASSERT_EQ(options.GetSODataFromMemoryToAllData(all), 0);
    ASSERT_EQ(all.size(), 123u);
    std::vector<std::string> names;
    ASSERT_EQ(options.GetSOExtractDataFromMemory(names), 0);
    ASSERT_EQ(names.size(), 20u);
    EXPECT_EQ(names[0], SjisLiteral("拡張属性A"));
    std::vector<int> kinds;
    ASSERT_EQ(options.GetSOExtractTypeFromMemory(kinds), 0);
    ASSERT_EQ(kinds.size(), 20u);
    EXPECT_EQ(kinds[0], 2);
    EXPECT_EQ(kinds[1], 0);  // "opt35" reads as 0

    // Nothing changed: nothing is written.
    std::filesystem::remove(path_);
    ASSERT_EQ(options.WriteSODataFromMemoryToFile(), 0);
    EXPECT_FALSE(std::filesystem::exists(path_));

    // A setting beyond the old layout widens the record instead of vanishing.
    ASSERT_EQ(options.SetSODataToMemoryPinPoint(100, "SMTP-AUTH"), 0);
    EXPECT_TRUE(options.IsModified());
    ASSERT_EQ(options.WriteSODataFromMemoryToFile(), 0);
    EXPECT_FALSE(options.IsModified());
    EXPECT_EQ(StoredItems(), 123);

    SystemOption again(&env_);
    ASSERT_EQ(again.GetSODataFromFileToMemory(), 0);
    std::vector<std::string> back;
    ASSERT_EQ(again.GetSODataFromMemoryToAllData(back), 0);
    all[100] = "SMTP-AUTH";
    EXPECT_EQ(back, all);
}

TEST_F(SystemOptionTest, FullSetWidensShortSetKeepsLayout) {
    UseFixture("systemoption90.dat");
    SystemOption options(&env_);
    ASSERT_EQ(options.GetSODataFromFileToMemory(), 0);
    std::vector<std::string> all;
    ASSERT_EQ(options.GetSODataFromMemoryToAllData(all), 0);

    // 90 texts on a 90-item record: still 90 items.
    std::vector<std::string> ninety(all.begin(), all.begin() + 90);
    ninety[3] = "changed";
    ASSERT_EQ(options.SetSODataFromAllDataToMemory(ninety), 0);
    ASSERT_EQ(options.WriteSODataFromMemoryToFile(), 0);
    EXPECT_EQ(StoredItems(), 90);

    // The upgrade's full set of 123 texts widens the record.
    all[3] = "changed";
    all[120] = "N";
    ASSERT_EQ(options.SetSODataFromAllDataToMemory(all), 0);
    ASSERT_EQ(options.WriteSODataFromMemoryToFileCompel(), 0);
    EXPECT_EQ(StoredItems(), 123);
    SystemOption again(&env_);
    ASSERT_EQ(again.GetSODataFromFileToMemory(), 0);
    std::vector<std::string> back;
    ASSERT_EQ(again.GetSODataFromMemoryToAllData(back), 0);
    EXPECT_EQ(back, all);

    EXPECT_EQ(options.SetSODataFromAllDataToMemory(std::vector<std::string>(100)), -5);
    EXPECT_EQ(options.GetErrMsg().GetLastCode(), 4005);
}

TEST_F(SystemOptionTest, IndexAndRecordChecks) {
    SystemOption options(&env_);
    std::string v;
    // Nothing read yet: no valid record.
    EXPECT_EQ(options.GetSODataFromMemoryPinPoint(0, v), -3);
    EXPECT_EQ(options.GetErrMsg().GetLastCode(), 4003);

    // No file.
    EXPECT_EQ(options.GetSODataFromFileToMemory(), -21);
    EXPECT_EQ(options.GetErrMsg().GetLastCode(), 4201);

    // Two records.
    {
        XCsvWrite w;
        ASSERT_EQ(w.OpenFile(path_), 1);
        for (int r = 0; r < 2; ++r) {
            w.BufferEmpty();
            for (int i = 0; i < 123; ++i) w.SetData("x");
            ASSERT_GT(w.WriteLine(), 0);
        }
        ASSERT_EQ(w.CloseFile(), 0);
    }
    EXPECT_EQ(options.GetSODataFromFileToMemory(), -3);
    EXPECT_EQ(options.GetErrMsg().GetLastCode(), 4003);

    // An empty file.
    WriteFile(path_, "");
    EXPECT_EQ(options.GetSODataFromFileToMemory(), -22);
    EXPECT_EQ(options.GetErrMsg().GetLastCode(), 4202);

    UseFixture("systemoption90.dat");
    ASSERT_EQ(options.GetSODataFromFileToMemory(), 0);
    EXPECT_EQ(options.GetSODataFromMemoryPinPoint(122, v), 0);
    EXPECT_EQ(options.GetSODataFromMemoryPinPoint(123, v), -4);
    EXPECT_EQ(options.GetErrMsg().GetLastCode(), 4004);
    EXPECT_EQ(options.GetSODataFromMemoryPinPoint(-1, v), -4);
    EXPECT_EQ(options.SetSODataToMemoryPinPoint(123, "x"), -4);
}

TEST_F(SystemOptionTest, BindingRules) {
    SystemOption unbound;
    EXPECT_EQ(unbound.GetSODataFromFileToMemory(), -1);
    EXPECT_EQ(unbound.GetErrMsg().GetLastCode(), 4001);
    EXPECT_EQ(unbound.SetSODataFromAllDataToMemory(std::vector<std::string>(123)), -1);
    EXPECT_EQ(unbound.SetEnvManager(nullptr), 0);
    EXPECT_EQ(unbound.SetEnvManager(&env_), 1);
    EXPECT_EQ(unbound.SetEnvManager(&env_), 0);

    std::vector<std::string> shown;
    platform::NotifierFunction old = platform::SetNotifier(
        [&](const std::string& text, const std::string&, unsigned) {
            shown.push_back(text);
            return platform::kIdOk;
        });
    EXPECT_THROW(SystemOption(nullptr), platform::UserException);
    platform::SetNotifier(old);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], SjisLiteral("環境の設定に失敗しました"));
}

}  // namespace
