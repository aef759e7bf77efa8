#pragma once
// A temporary environment for the tests of the descriptor, the options and the sequences:
// <base>/Env.env and the folder <base>/Env/ with DB, MAIL and EXTRACT.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/foundation/env_manager.h"

namespace envtest {

inline const char* const kDescriptorKey = "test descriptor key";

class TempEnvTest : public ::testing::Test {
protected:
    // Folder for the temporary tree: memory-backed when asked (tests that rewrite a file
    // thousands of times measure locking, not the disk).
    virtual bool InMemory() const { return false; }

    void SetUp() override {
        std::string root = InMemory() && std::filesystem::is_directory("/dev/shm")
                               ? "/dev/shm"
                               : std::filesystem::temp_directory_path().string();
        std::string tmpl = root + "/ombrel-env-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        base_ = tmpl + "/";
        folder_ = base_ + "Env/";
        descriptor_ = base_ + "Env.env";
        for (const char* sub : {"", "DB", "MAIL", "EXTRACT"})
            std::filesystem::create_directories(folder_ + sub);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(base_, ec);
    }

    // Makes a keyed descriptor and opens it into `env`.
    void CreateKeyed(EnvManager& env) {
        ASSERT_EQ(EnvManager::MakeDefaultEnvFile(descriptor_, kDescriptorKey), 0);
        ASSERT_EQ(env.InitEnvFileInfo(descriptor_, kDescriptorKey, 0), 0);
        ASSERT_EQ(env.GetEnvType(), 5);
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }

    std::string base_, folder_, descriptor_;
};

}  // namespace envtest
