#pragma once
// What the address-book benchmarks share: the record count they run at and the keyed
// environment, in a new temporary folder, that their books live in.

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/foundation/csv_write.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/system_option.h"

// The positive number in environment variable `name`, else `fallback`.
inline int BenchSize(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}

// OMBREL_AB_RECORDS when it holds a positive number, else a million.
inline int BookRecordCount() { return BenchSize("OMBREL_AB_RECORDS", 1000000); }

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

// For the importers: a folder named `prefix` plus a unique ending in memory (/dev/shm)
// where there is one, with Env/DB in it, `env` opened on a new unkeyed descriptor there,
// and an options file of default items (the attribute kinds "0"). Returns the folder with
// a trailing '/'; aborts the run when any of it fails.
inline std::string MakeImportBenchEnv(EnvManager& env, const std::string& prefix) {
    const std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string tmpl = base + "/" + prefix + "-XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    const std::string root = tmpl + "/";
    std::filesystem::create_directories(root + "Env/DB");
    std::ofstream(root + "Env.env").flush();  // an unkeyed environment
    if (env.InitEnvFileInfo(root + "Env.env", "bench", 0) != 0) std::abort();
    XCsvWrite w;
    if (w.OpenFile(root + "Env/systemoption.dat") != 1) std::abort();
    for (int i = 0; i < SystemOption::kItemCount; ++i) w.SetData(i >= 34 && i < 54 ? "0" : "");
    w.WriteLine();
    w.CloseFile();
    return root;
}
