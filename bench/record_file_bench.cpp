// Record files at address-book scale: a CMyDB file of 1,000,000 lines of 56 quoted
// elements (about 400 MB), written and read with a key, the memory held while it is
// loaded, and an integer sort with keys that defeat a naive quicksort.
//
// Counters: bytes_per_second is the file's size over the time; held_ratio and peak_ratio
// are the resident memory held after the read and at its peak during it, over the file's
// size. The file lives in $TMPDIR (default /tmp) and is removed at exit.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "core/foundation/my_db.h"

namespace {

constexpr int kLines = 1000000;
constexpr int kElements = 56;
const char* const kKey = "bench data key";

std::string FilePath() {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr ? tmp : "/tmp") + "/ombrel_bench_" + std::to_string(::getpid()) + "/database.dat";
}

// Element texts of address-book shape: ASCII, Shift_JIS pairs, some empty.
void FillTable(CMyDB& db) {
    std::mt19937 rng(12345);
    static const char* const pieces[] = {"a", "b", "1", "@", ".", "\x93\x8c", "\x8b\x9e", "-", "\"", ","};
    XCStringArrayEx line;
    line.SetSize(kElements);
    for (int i = 0; i < kLines; ++i) {
        for (int e = 0; e < kElements; ++e) {
            std::string& s = line[e];
            s.clear();
            if (e == 0) {
                s = std::to_string(i);
                continue;
            }
            const int n = static_cast<int>(rng() % 8);
            for (int k = 0; k < n; ++k) s += pieces[rng() % 10];
        }
        db.AddLine(line);
    }
}

long ResidentBytes(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string key;
    long kb = 0;
    while (in >> key) {
        if (key == field) {
            in >> kb;
            return kb * 1024;
        }
        in.ignore(1 << 20, '\n');
    }
    return 0;
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

struct FileGuard {
    std::string path = FilePath();
    bool made = false;
    void Make() {
        if (made) return;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        CMyDB db(kElements);
        db.SetDBFilePath(path);
        FillTable(db);
        if (db.WriteDBFile(1, kKey) != 0) std::abort();
        made = true;
    }
    ~FileGuard() { std::filesystem::remove_all(std::filesystem::path(path).parent_path()); }
} g_file;

void BM_WriteWithKey(benchmark::State& state) {
    g_file.Make();
    CMyDB db(kElements);
    db.SetDBFilePath(g_file.path);
    if (db.ReadDBFile(kKey) != 0) state.SkipWithError("read failed");
    for (auto _ : state) {
        if (db.WriteDBFile(1, kKey) != 0) state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(g_file.path)));
}

void BM_ReadWithKey(benchmark::State& state) {
    g_file.Make();
    const double size = static_cast<double>(std::filesystem::file_size(g_file.path));
    double held = 0, peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        malloc_trim(0);
        const long base = ResidentBytes("VmRSS:");
        ResetPeak();
        state.ResumeTiming();
        {
            CMyDB db(kElements);
            db.SetDBFilePath(g_file.path);
            if (db.ReadDBFile(kKey) != 0 || db.GetLineNumber() != kLines) state.SkipWithError("read failed");
            state.PauseTiming();
            held = (ResidentBytes("VmRSS:") - base) / size;
            peak = (ResidentBytes("VmHWM:") - base) / size;
        }
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
    state.counters["file_MB"] = size / 1e6;
    state.counters["held_ratio"] = held;
    state.counters["peak_ratio"] = peak;
}

// Keys alternating between the two ends of the int range: the mean of the first and last
// key is a useless pivot (and overflows a 32-bit sum), which drives a mean-of-ends
// quicksort to quadratic time and linear recursion depth.
void BM_SortAdversarialIntegers(benchmark::State& state) {
    CMyDB db(4);
    XCStringArrayEx line({"", "x", "y", "z"});
    for (int i = 0; i < kLines; ++i) {
        line[0] = std::to_string(i % 2 ? 2147483647 - i : -2147483647 + i);
        db.AddLine(line);
    }
    int ascending = 1;
    for (auto _ : state) {
        if (db.Sort(0, kMyDbInteger, ascending) != 0) state.SkipWithError("sort failed");
        ascending = !ascending;
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

}  // namespace

BENCHMARK(BM_WriteWithKey)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ReadWithKey)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SortAdversarialIntegers)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
