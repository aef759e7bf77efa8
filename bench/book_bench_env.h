#pragma once
// What the address-book benchmarks share: the record count they run at and the keyed
// environment, in a new temporary folder, that their books live in.

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/foundation/env_manager.h"

// OMBREL_AB_RECORDS when it holds a positive number, else a million.
inline int BookRecordCount() {
    const char* n = std::getenv("OMBREL_AB_RECORDS");
    return n != nullptr && std::atoi(n) > 0 ? std::atoi(n) : 1000000;
}

// Makes a folder named `prefix` plus a unique ending below the temporary folder, with
// Env/DB in it, and opens `env` on a new keyed descriptor there. Returns the folder with
// a trailing '/'; aborts the run when any of it fails.
inline std::string MakeKeyedBookEnv(EnvManager& env, const std::string& prefix) {
    static constexpr const char* kDescriptorKey = "bench descriptor key";
    std::string tmpl = std::filesystem::temp_directory_path().string() + "/" + prefix + "-XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    const std::string root = tmpl + "/";
    std::filesystem::create_directories(root + "Env/DB");
    if (EnvManager::MakeDefaultEnvFile(root + "Env.env", kDescriptorKey) != 0 ||
        env.InitEnvFileInfo(root + "Env.env", kDescriptorKey, 0) != 0)
        std::abort();
    return root;
}
