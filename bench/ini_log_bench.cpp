// Ini access and transfer-log appends: the costs a window layout save or a long send run
// pays per call.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/foundation/ini_manager.h"
#include "core/foundation/log_writer.h"

namespace {

struct TempFolder {
    std::string path;
    TempFolder() {
        char tmpl[] = "/tmp/ini_log_bench_XXXXXX";
        path = std::string(mkdtemp(tmpl)) + "/";
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
};

// A settings file of 10 sections of 20 keys, as a program's layout file grows to.
std::string MakeIni(const TempFolder& dir) {
    const std::string file = dir.path + "Quendrel.ini";
    for (int s = 0; s < 10; ++s)
        for (int k = 0; k < 20; ++k)
            CIniManager::WriteProfileInt(file, "Section" + std::to_string(s), "Key" + std::to_string(k), s * 100 + k);
    return file;
}

void BM_IniRead(benchmark::State& state) {
    TempFolder dir;
    const std::string file = MakeIni(dir);
    for (auto _ : state) benchmark::DoNotOptimize(CIniManager::GetProfileIntA(file, "section9", "key19", 0));
}
BENCHMARK(BM_IniRead);

void BM_IniWrite(benchmark::State& state) {
    TempFolder dir;
    const std::string file = MakeIni(dir);
    int i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(CIniManager::WriteProfileInt(file, "Section5", "Key10", ++i));
}
BENCHMARK(BM_IniWrite);

// One protocol trail line (about ten per recipient in a send run).
void BM_LogLine(benchmark::State& state) {
    TempFolder dir;
    LogWriter::SetLogFolderForTesting(dir.path);
    LogWriter log;
    for (auto _ : state) log.SetLogData("250 2.0.0 Ok: queued as 4F2D81C0A", 1, 0);
    LogWriter::SetLogFolderForTesting("");
}
BENCHMARK(BM_LogLine);

}  // namespace
