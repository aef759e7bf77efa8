// Start-up of the program with an environment of 1,000,000 address-book records and
// 20,000 mails:
//
//   BM_EnvironmentOpen:  EnvironmentService::OpenEnvironment of the environment, as the
//                        program runs it (its closing pause of 500 ms included).
//   BM_ProgramStart:     the program, started on a virtual display, from exec until its
//                        main window (bars, list bar, the mail list filled with all
//                        20,000 mails) is on the screen. Target: the open above + 300 ms.
//                        A first, unmeasured start has opened the environment once, so
//                        the setup wizard of a new environment is not in the figures.
//   BM_SecondInstance:   a second start while the first runs, from exec until it has
//                        handed its command line over and ended. Target: 200 ms.
//
// The program is copied into the benchmark's temporary folder, so that the "Quendrel.ini"
// beside it (which names the environment as the most recent one) is the benchmark's own.
// Needs Xvfb and xdotool (scripts/install-deps.sh installs them). Set OMBREL_AB_RECORDS
// for another book size.

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/environment/environment_service.h"
#include "book_bench_env.h"
#include "core/foundation/ini_manager.h"
#include "program_env.h"

extern char** environ;

namespace {

constexpr int kMails = 20000;

using Clock = std::chrono::steady_clock;

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {}) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) envStrings.emplace_back(*e);
    for (const std::string& e : extraEnv) envStrings.push_back(e);
    std::vector<char*> envp;
    for (std::string& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

class StartupBench {
public:
    static StartupBench& Get() {
        static StartupBench bench;
        return bench;
    }
    const std::string& Descriptor() const { return descriptor_; }
    const std::string& Program() const { return program_; }
    const std::string& Display() const { return display_; }
    const std::string& ProgramIni() const { return ini_; }

    // True once a visible window titled "Varnis[..." is on the display.
    bool WindowShown() const {
        pid_t p = Spawn({"xdotool", "search", "--onlyvisible", "--name", "^Varnis\\["}, {"DISPLAY=" + display_});
        int status = Wait(p);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    ~StartupBench() {
        if (xvfb_ > 0) {
            ::kill(xvfb_, SIGTERM);
            Wait(xvfb_);
        }
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

private:
    StartupBench() {
        std::string tmpl = std::filesystem::temp_directory_path().string() + "/quendrel-startup-bench-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        root_ = tmpl + "/";
        descriptor_ = bench_env::MakeFilledEnvironments(root_, {"Customers"}, BookRecordCount(), kMails).front();
        program_ = root_ + "Quendrel";
        std::filesystem::copy_file(QUENDREL_PROGRAM, program_);
        ini_ = root_ + "Quendrel.ini";
        CIniManager::WriteProfileStringA(ini_, "INFORMATION", "OPEN_AUTO", "N");
        CIniManager::WriteProfileStringA(ini_, "RECENTENV", "RECENTENV0", descriptor_.c_str());

        int n = 90;
        while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)) ||
               std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock"))
            ++n;
        display_ = ":" + std::to_string(n);
        xvfb_ = Spawn({"Xvfb", display_, "-screen", "0", "1600x1000x24", "-nolisten", "tcp"});
        for (int i = 0; i < 200 && !std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    std::string root_, descriptor_, program_, ini_, display_;
    pid_t xvfb_ = -1;
};

void BM_EnvironmentOpen(benchmark::State& state) {
    StartupBench& b = StartupBench::Get();
    for (auto _ : state) {
        shell::EnvironmentService::Settings settings;
        settings.programIniPath = b.ProgramIni();
        shell::EnvironmentService service(settings);
        if (service.OpenEnvironment(b.Descriptor()) != 1) state.SkipWithError("the environment did not open");
    }
}
BENCHMARK(BM_EnvironmentOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

// Starts the program and waits for its window; the pid of the running program.
pid_t StartProgram(StartupBench& b) {
    pid_t pid = Spawn({b.Program()}, {"DISPLAY=" + b.Display()});
    while (!b.WindowShown()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return pid;
}

void Stop(pid_t pid) {
    ::kill(pid, SIGKILL);
    Wait(pid);
}

void BM_ProgramStart(benchmark::State& state) {
    StartupBench& b = StartupBench::Get();
    Stop(StartProgram(b));  // a first start fills the font caches
    for (auto _ : state) {
        auto start = Clock::now();
        pid_t pid = StartProgram(b);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        Stop(pid);
    }
}
BENCHMARK(BM_ProgramStart)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_SecondInstance(benchmark::State& state) {
    StartupBench& b = StartupBench::Get();
    pid_t first = StartProgram(b);
    for (auto _ : state) {
        auto start = Clock::now();
        pid_t second = Spawn({b.Program()}, {"DISPLAY=" + b.Display()});
        Wait(second);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    Stop(first);
}
BENCHMARK(BM_SecondInstance)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace
