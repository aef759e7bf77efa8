#pragma once
// An unkeyed (type 3) or keyed environment on a temporary folder for the mail-store tests,
// and a writer of record files in the environment's coding.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/foundation/csv_write.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "core/foundation/tests/env_test_util.h"

namespace mailtest {

// Writes rows as a record file coded with `key` (null: the default coding).
inline void WriteRecordFile(const std::string& path, const char* key,
                            const std::vector<std::vector<std::string>>& rows) {
    XCsvWrite w;
    w.SetUseKey(key);
    ASSERT_EQ(w.OpenFile(path), 1);
    for (const auto& row : rows) {
        w.BufferEmpty();
        for (const std::string& f : row) w.SetData(std::string_view(f));
        ASSERT_GT(w.WriteLine(), 0);
    }
    ASSERT_EQ(w.CloseFile(), 0);
}

class MailEnvTest : public envtest::TempEnvTest {
protected:
    virtual bool Keyed() const { return false; }
    void SetUp() override {
        TempEnvTest::SetUp();
        if (Keyed()) {
            CreateKeyed(env_);
        } else {
            WriteFile(descriptor_, "");
            ASSERT_EQ(env_.InitEnvFileInfo(descriptor_, envtest::kDescriptorKey, 0), 0);
            ASSERT_EQ(env_.GetEnvType(), 3);
        }
    }
    std::string MailDir(int id) const { return folder_ + "MAIL/" + std::to_string(id) + "/"; }
    void MakeMailDir(int id) const { std::filesystem::create_directories(MailDir(id)); }
    // Writes rows as a record file in the environment's coding.
    void WriteRecords(const std::string& path, const std::vector<std::vector<std::string>>& rows) {
        StoreKey key;
        ASSERT_EQ(GetStoreKey(&env_, key), 0);
        WriteRecordFile(path, key.get(), rows);
    }
    EnvManager env_;
};

}  // namespace mailtest
