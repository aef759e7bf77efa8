// The upgrade of an environment written by an older version ("89", unkeyed), at the size
// of normal use: 1,000,000 address-book records (OMBREL_AB_RECORDS for another size) and
// 1,000 mails.
//
//   BM_ReadWriteOnce:  the yardstick: every file of the environment read once with the
//                      core's record reader and written once with its writer (the files
//                      that are not record files copied).
//   BM_Upgrade:        the open of the old environment with the program's upgrade: the
//                      time of the upgrade itself (every layout step, the re-coding and
//                      the swap) against the yardstick (target: under 3x), and the peak
//                      resident memory while it runs against the largest file of the
//                      environment (target: under 1.5x). The backup of the old environment
//                      and the whole open are reported beside it.
//   BM_KilledSwapLoop: a small old environment upgraded in a child process that is killed
//                      at a random point of its re-coding or swap, then opened by this
//                      process: counts the outcomes that are not fully upgraded (must be 0).
//                      OMBREL_KILL_LOOPS sets the number of rounds (default 40).
//
// The environments are made by the tests' generator with the core's own writers, once,
// in a temporary folder, and copied afresh for every upgrade.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/environment/environment_service.h"
#include "app/environment/environment_upgrade_program.h"
#include "app/environment/tests/old_environment_generator.h"
#include "app/environment/upgrade_fault_probe.h"
#include "app/environment/upgrade_record_recoder.h"
#include "app/ui/prompter.h"
#include "book_bench_env.h"
#include "core/foundation/csv_read.h"
#include "core/foundation/record_walk.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kMails = 1000;

long StatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
    return -1;
}

void ResetPeak() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Answers every message (the upgrade notice) without a window, counting them.
class SilentPrompter : public ui::Prompter {
public:
    int Show(QWidget*, const QString&, const QString&, unsigned) override {
        ++shown;
        return 1;
    }
    int shown = 0;
};

// The upgrade, timed, with the peak memory of its own run.
class TimedUpgrade : public shell::ProgramEnvironmentUpgrade {
public:
    int BackupOldEnvironment(shell::EnvironmentManagers& next) override {
        const auto t0 = Clock::now();
        const int r = ProgramEnvironmentUpgrade::BackupOldEnvironment(next);
        backupSeconds = Seconds(Clock::now() - t0);
        return r;
    }
    int UpgradeEnvironment(shell::EnvironmentManagers& next, QString& notice, bool& wizard) override {
        ResetPeak();
        startMB = StatusKb("VmRSS") / 1024.0;
        const auto t0 = Clock::now();
        const int r = ProgramEnvironmentUpgrade::UpgradeEnvironment(next, notice, wizard);
        seconds = Seconds(Clock::now() - t0);
        peakMB = StatusKb("VmHWM") / 1024.0;
        return r;
    }
    double backupSeconds = 0, seconds = 0, startMB = 0, peakMB = 0;
};

std::string MakeTemp(const char* prefix) {
    std::string tmpl = fs::temp_directory_path().string() + "/" + prefix + "-XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    return tmpl + "/";
}

// One old environment made once; copies of it for each run.
class OldEnvironment {
public:
    OldEnvironment(int records, int mails) : records_(records) {
        root_ = MakeTemp("quendrel-upgrade-bench");
        oldenv::OldEnvironmentOptions o;
        o.generation = oldenv::Generation::k89;
        o.records = records;
        o.mails = mails;
        if (oldenv::MakeOldEnvironment(root_ + "pristine/", "Old", o).empty()) std::abort();
        malloc_trim(0);
    }
    ~OldEnvironment() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    // A fresh copy below `work` (replaced): its descriptor.
    std::string Copy(const std::string& work) const {
        std::error_code ec;
        fs::remove_all(work, ec);
        fs::create_directories(work);
        fs::copy(root_ + "pristine/", work, fs::copy_options::recursive);
        return work + "Old.env";
    }
    std::string Folder() const { return root_ + "pristine/Old/"; }
    const std::string& Root() const { return root_; }
    int Records() const { return records_; }
    double LargestFileMB() const {
        std::uintmax_t largest = 0;
        for (const auto& e : fs::recursive_directory_iterator(Folder()))
            if (e.is_regular_file()) largest = std::max(largest, e.file_size());
        return static_cast<double>(largest) / 1048576.0;
    }

private:
    std::string root_;
    int records_;
};

OldEnvironment& Large() {
    static OldEnvironment env(BookRecordCount(), kMails);
    return env;
}

// Every file read once and written once: the seconds it takes.
double ReadWriteOnce(const OldEnvironment& env) {
    const std::string out = env.Root() + "once/";
    std::error_code ec;
    fs::remove_all(out, ec);
    ::sync();
    const auto t0 = Clock::now();
    for (const auto& e : fs::recursive_directory_iterator(env.Folder())) {
        const fs::path target = fs::path(out) / fs::relative(e.path(), env.Folder());
        if (e.is_directory()) {
            fs::create_directories(target);
            continue;
        }
        if (shell::RecodeRecordFile(e.path().string(), nullptr, target.string(), nullptr) !=
            shell::RecodeResult::kWritten)
            fs::copy_file(e.path(), target, fs::copy_options::overwrite_existing);
    }
    const double s = Seconds(Clock::now() - t0);
    fs::remove_all(out, ec);
    return s;
}

double g_onceSeconds = 0;

void BM_ReadWriteOnce(benchmark::State& state) {
    OldEnvironment& env = Large();
    for (auto _ : state) {
        g_onceSeconds = ReadWriteOnce(env);
        state.SetIterationTime(g_onceSeconds);
    }
    state.counters["records"] = env.Records();
    state.counters["largest_file_MB"] = env.LargestFileMB();
}
BENCHMARK(BM_ReadWriteOnce)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

void BM_Upgrade(benchmark::State& state) {
    OldEnvironment& env = Large();
    if (g_onceSeconds == 0) g_onceSeconds = ReadWriteOnce(env);
    SilentPrompter prompter;
    ui::SetPrompter(&prompter);
    TimedUpgrade upgrade;
    double openSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string descriptor = env.Copy(env.Root() + "work/");
        shell::EnvironmentService::Settings s;
        s.finishPauseMs = 0;
        shell::EnvironmentService service(s);
        service.SetEnvironmentUpgrade(&upgrade);
        malloc_trim(0);
        ::sync();  // the copy's own writes are not the upgrade's to flush
        state.ResumeTiming();

        const auto t0 = Clock::now();
        if (service.OpenEnvironment(descriptor) != 1) state.SkipWithError("the upgrade failed");
        openSeconds = Seconds(Clock::now() - t0);
        state.SetIterationTime(upgrade.seconds);
    }
    ui::SetPrompter(nullptr);
    const double largest = env.LargestFileMB();
    state.counters["records"] = env.Records();
    state.counters["mails"] = kMails;
    state.counters["upgrade_s"] = upgrade.seconds;
    state.counters["read_write_once_s"] = g_onceSeconds;
    state.counters["time_x_once"] = upgrade.seconds / g_onceSeconds;
    state.counters["backup_s"] = upgrade.backupSeconds;
    state.counters["whole_open_s"] = openSeconds;
    state.counters["largest_file_MB"] = largest;
    state.counters["rss_at_start_MB"] = upgrade.startMB;
    state.counters["peak_MB"] = upgrade.peakMB;
    state.counters["peak_x_largest"] = upgrade.peakMB / largest;
    state.counters["rise_x_largest"] = (upgrade.peakMB - upgrade.startMB) / largest;
}
BENCHMARK(BM_Upgrade)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

// True when the environment is current and every record file the upgrade touches reads
// with its new key.
bool FullyUpgraded(const std::string& descriptor) {
    EnvManager env;
    if (env.InitEnvFileInfo(descriptor, shell::kDescriptorKey, 0) != 0 || env.GetEnvType() != 5) return false;
    const std::string key = env.GetDBKey();
    const std::string folder = descriptor.substr(0, descriptor.size() - 4) + "/";
    for (const char* file : {"systemoption.dat", "DB/database.dat", "DB/database.001", "MAIL/maillist.dat",
                             "MAIL/1/mail1.dat", "MAIL/1/ATTACH/at_pc1.dat", "MAIL/2/hist2.dat",
                             "EXTRACT/extrlist.dat", "DB/testmailinginfo.dat"}) {
        XCsvRead reader;
        reader.SetUseKey(key.c_str());
        if (reader.OpenFile(folder + file) != 1) return false;
        std::string option89;
        const RecordWalk walk = WalkRecords(reader, reader.ReadLine(), [&](int n) {
            if (std::string(file) == "systemoption.dat" && n > 89) option89 = reader.GetData(89);
            return true;
        });
        if (walk != RecordWalk::kWhole) return false;
        if (std::string(file) == "systemoption.dat" && option89 != "Y5") return false;
    }
    for (const auto& e : fs::recursive_directory_iterator(fs::path(folder).parent_path().parent_path())) {
        const std::string name = e.path().filename().string();
        if (name.ends_with(".cov") || name == "upgrade_swap.jnl") return false;
    }
    return true;
}

void BM_KilledSwapLoop(benchmark::State& state) {
    static OldEnvironment small(200, 20);
    const char* loops = std::getenv("OMBREL_KILL_LOOPS");
    const int rounds = loops != nullptr && std::atoi(loops) > 0 ? std::atoi(loops) : 40;
    // The points a kill may hit, each with how often the upgrade passes it.
    const std::vector<std::pair<std::string, int>> points = {
        {"recode:2", 1}, {"recode:4", 20}, {"recode:9", 1}, {"swap:journal", 1},
        {"swap:rename", 100}, {"swap:finish", 1}, {"finish:reopen", 1}};
    std::mt19937 rng(std::random_device{}());
    SilentPrompter prompter;
    ui::SetPrompter(&prompter);
    int inconsistent = 0, killed = 0;
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            const std::string descriptor = small.Copy(small.Root() + "kill/");
            const auto& [point, most] = points[rng() % points.size()];
            const int nth = 1 + static_cast<int>(rng() % static_cast<unsigned>(most));
            const pid_t child = ::fork();
            if (child == 0) {
                int count = 0;
                shell::SetUpgradeFaultProbeForTesting([&, p = point, nth](std::string_view at) {
                    if (at == p && ++count == nth) ::raise(SIGKILL);
                    return false;
                });
                shell::EnvironmentService::Settings s;
                s.finishPauseMs = 0;
                shell::EnvironmentService service(s);
                shell::ProgramEnvironmentUpgrade upgrade;
                service.SetEnvironmentUpgrade(&upgrade);
                service.OpenEnvironment(descriptor);
                ::_exit(0);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
            if (WIFSIGNALED(status)) ++killed;
            shell::EnvironmentService::Settings s;
            s.finishPauseMs = 0;
            shell::EnvironmentService service(s);
            shell::ProgramEnvironmentUpgrade upgrade;
            service.SetEnvironmentUpgrade(&upgrade);
            if (service.OpenEnvironment(descriptor) != 1 || !FullyUpgraded(descriptor)) ++inconsistent;
        }
    }
    ui::SetPrompter(nullptr);
    state.counters["rounds"] = rounds;
    state.counters["killed"] = killed;
    state.counters["inconsistent"] = inconsistent;
    if (inconsistent != 0) state.SkipWithError("an environment did not end fully upgraded");
}
BENCHMARK(BM_KilledSwapLoop)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
