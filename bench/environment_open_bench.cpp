// Opening an environment of 1,000,000 address-book records and 10,000 mails, and
// switching between two such environments.
//
//   BM_CoreBookOpen:     what the core itself does to open the book: the descriptor, the
//                        book read, and the recovery from its one generation (which equals
//                        the book: the usual open), the book saved when changed and the
//                        generation rotated.
//   BM_ServiceOpen:      EnvironmentService::OpenEnvironment of the same environment: the
//                        same work plus the system options, the mail list, the scheduler,
//                        the recent list and the ID sequence. Target: at most 1.3 x the
//                        core's open.
//   BM_SwitchPeakMemory: the peak resident memory of a plain open and of a switch from one
//                        such environment to the other (the next environment is built
//                        beside the open one, so a switch may hold one address book more,
//                        briefly).
//
// Both environments are made once in a temporary folder by the program's own creation and
// filled with the core's writers. Set OMBREL_AB_RECORDS to use another book size. The
// program's pause at the end of an open is left out (it is a fixed 500 ms on screen).

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "app/environment/environment_service.h"
#include "app/environment/new_environment.h"
#include "book_bench_env.h"
#include "program_env.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/open_recovery.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "core/mailstore/mail_list_viewer.h"

namespace {

constexpr int kMails = 10000;

// A value of /proc/self/status in kB ("VmHWM", "VmRSS"), or -1.
long StatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
    return -1;
}

// Starts a new peak (the kernel's high-water mark drops to the present size).
void ResetPeak() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

class OpenBench {
public:
    static OpenBench& Get() {
        static OpenBench bench;
        return bench;
    }
    const std::string& First() const { return first_; }
    const std::string& Second() const { return second_; }
    const std::string& ProgramIni() const { return ini_; }
    int Records() const { return records_; }
    double BookFileMB() const {
        EnvManager env;
        env.InitEnvFileInfo(first_, shell::kDescriptorKey, 0);
        return static_cast<double>(std::filesystem::file_size(env_layout::DatabaseFile(env))) / 1048576.0;
    }

    ~OpenBench() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

private:
    OpenBench() : records_(BookRecordCount()) {
        std::string tmpl = std::filesystem::temp_directory_path().string() + "/quendrel-open-bench-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        root_ = tmpl + "/";
        ini_ = root_ + "Quendrel.ini";
        std::vector<std::string> made =
            bench_env::MakeFilledEnvironments(root_, {"First", "Second"}, records_, kMails);
        first_ = made[0];
        second_ = made[1];
        malloc_trim(0);
    }

    std::string root_, ini_, first_, second_;
    int records_;
};

void BM_CoreBookOpen(benchmark::State& state) {
    OpenBench& bench = OpenBench::Get();
    for (auto _ : state) {
        auto env = std::make_unique<EnvManager>();
        if (env->InitEnvFileInfo(bench.First(), shell::kDescriptorKey, 0) != 0) state.SkipWithError("descriptor");
        auto book = std::make_unique<CDatabaseEdit>(env.get());
        if (book->ReadCustomerList() < 0) state.SkipWithError("read failed");
        OpenRecoveryResult out;
        if (RecoverAddressBookAtOpen(*book, *env, out) != 0) state.SkipWithError("recovery failed");

        state.PauseTiming();
        book.reset();
        env.reset();
        malloc_trim(0);
        state.ResumeTiming();
    }
    state.counters["records"] = bench.Records();
    state.counters["file_MB"] = bench.BookFileMB();
}
BENCHMARK(BM_CoreBookOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

shell::EnvironmentService::Settings BenchSettings() {
    shell::EnvironmentService::Settings s;
    s.programIniPath = OpenBench::Get().ProgramIni();
    s.finishPauseMs = 0;
    return s;
}

void BM_ServiceOpen(benchmark::State& state) {
    OpenBench& bench = OpenBench::Get();
    shell::EnvironmentService service(BenchSettings());
    for (auto _ : state) {
        if (service.OpenEnvironment(bench.First()) != 1) state.SkipWithError("open failed");

        state.PauseTiming();
        service.CloseEnvironment();
        malloc_trim(0);
        state.ResumeTiming();
    }
    state.counters["records"] = bench.Records();
    state.counters["mails"] = kMails;
}
BENCHMARK(BM_ServiceOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SwitchPeakMemory(benchmark::State& state) {
    OpenBench& bench = OpenBench::Get();
    shell::EnvironmentService service(BenchSettings());
    double idleMB = 0, openMB = 0, openPeakMB = 0, switchPeakMB = 0, afterSwitchMB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        service.CloseEnvironment();
        ResetPeak();
        idleMB = StatusKb("VmRSS") / 1024.0;
        state.ResumeTiming();

        if (service.OpenEnvironment(bench.First()) != 1) state.SkipWithError("open failed");
        state.PauseTiming();
        openPeakMB = StatusKb("VmHWM") / 1024.0;
        malloc_trim(0);
        openMB = StatusKb("VmRSS") / 1024.0;
        ResetPeak();
        state.ResumeTiming();

        if (service.OpenEnvironment(bench.Second()) != 1) state.SkipWithError("switch failed");
        state.PauseTiming();
        switchPeakMB = StatusKb("VmHWM") / 1024.0;
        malloc_trim(0);
        afterSwitchMB = StatusKb("VmRSS") / 1024.0;
        state.ResumeTiming();
    }
    // The resident size of one open environment (mostly its address book).
    const double environmentMB = openMB - idleMB;
    state.counters["idle_MB"] = idleMB;
    state.counters["open_MB"] = openMB;
    state.counters["open_peak_MB"] = openPeakMB;
    state.counters["switch_peak_MB"] = switchPeakMB;
    state.counters["after_switch_MB"] = afterSwitchMB;
    state.counters["environment_MB"] = environmentMB;
    // Peaks in open environments' worth above the idle program.
    state.counters["open_peak_envs"] = (openPeakMB - idleMB) / environmentMB;
    state.counters["switch_peak_envs"] = (switchPeakMB - idleMB) / environmentMB;
}
BENCHMARK(BM_SwitchPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
