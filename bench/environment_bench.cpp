// Costs of the environment's small files: an ID draw (read, safe rewrite with fsync,
// rename) on the disk and in memory, opening a keyed environment, and unpacking the
// compound key.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/foundation/compound_key_manager.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/sequencer.h"

namespace {

constexpr const char* kKey = "bench descriptor key";

// A keyed environment in a fresh folder under `root`; removed on destruction.
struct BenchEnv {
    explicit BenchEnv(const std::string& root) {
        std::string tmpl = root + "/ombrel-bench-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        base = tmpl + "/";
        for (const char* sub : {"E", "E/DB", "E/MAIL", "E/EXTRACT"})
            std::filesystem::create_directories(base + sub);
        if (EnvManager::MakeDefaultEnvFile(base + "E.env", kKey) != 0) std::abort();
        if (env.InitEnvFileInfo(base + "E.env", kKey, 0) != 0) std::abort();
    }
    ~BenchEnv() {
        std::error_code ec;
        std::filesystem::remove_all(base, ec);
    }
    std::string base;
    EnvManager env;
};

void DrawIds(benchmark::State& state, const std::string& root) {
    BenchEnv e(root);
    Sequencer seq(&e.env, SEQ_ID_CUSTOMER);
    seq.SetValue(0);
    for (auto _ : state) {
        int v = 0;
        if (seq.NextValue(v) == 0) state.SkipWithError("draw failed");
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SequencerNextValueDisk(benchmark::State& state) {
    DrawIds(state, std::filesystem::temp_directory_path().string());
}
BENCHMARK(BM_SequencerNextValueDisk)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_SequencerNextValueMemory(benchmark::State& state) {
    DrawIds(state, std::filesystem::is_directory("/dev/shm") ? "/dev/shm"
                                                             : std::filesystem::temp_directory_path().string());
}
BENCHMARK(BM_SequencerNextValueMemory)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_OpenKeyedEnvironment(benchmark::State& state) {
    BenchEnv e(std::filesystem::temp_directory_path().string());
    for (auto _ : state) {
        EnvManager env;
        if (env.InitEnvFileInfo(e.base + "E.env", kKey, 0) != 0) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(env.GetEnvType());
    }
}
BENCHMARK(BM_OpenKeyedEnvironment)->Unit(benchmark::kMicrosecond);

void BM_UnpackCompoundKey(benchmark::State& state) {
    CCompoundKeyManager packer;
    packer.SetKeyForSelectTable(kKey);
    const std::string packed = packer.MakeCompoundKey("Y", std::string(32, 'a'), CCompoundKeyManager::MakeRandomString());
    for (auto _ : state) {
        CCompoundKeyManager m;
        m.SetKeyForSelectTable(kKey);
        m.SetCompoundKey(packed);
        benchmark::DoNotOptimize(m.GetDBKey());
    }
}
BENCHMARK(BM_UnpackCompoundKey);

}  // namespace
