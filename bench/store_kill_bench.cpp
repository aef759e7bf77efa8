// Crash safety of the stores under kills at random moments, and what the flushes cost.
//
//   BM_MailUpdateKillLoop: a text mail with 22 attachments on the 5 terminal types, stored
//       over and over by a child process, alternately in two versions that differ in every
//       part (texts, list columns, attachments dropped, changed, kept and added). The child
//       is killed at a random moment; this process then opens the environment afresh and
//       reads the mail. Counts the reads that give one version whole, the ones that mix
//       the versions (the list or the texts of one, attachments or bodies of the other, a
//       body no list names), the unreadable ones, and the rounds that leave a staging
//       folder or a temporary behind. OMBREL_KILL_LOOPS sets the rounds (default 250).
//   BM_RotationKillLoop/<n>: the address book's generations with SAVE_MAX n, rotated over
//       and over by a child that changes the book (1 MB) before each rotation, killed at
//       a random moment; this process completes or undoes the rotation as the open does and
//       checks that the generations are consecutive versions of the book, none missing or
//       doubled, and nothing left over.
//   BM_MailUpdate/<memory>: one update of that mail in a folder on the disk (0) and in a
//       memory-backed one (1), where a flush costs nothing: the difference is the cost of
//       the flushes that make a committed update durable.
//
// The book's save with and without its fsync is BM_SaveBook of addressbook_bench.

#include <benchmark/benchmark.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/addressbook/file_history.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/mail_update.h"
#include "core/mailstore/one_mail_maker.h"
#include "platform/notifier.h"
#include "platform/safe_write.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kTypes = 5;
constexpr int kAttachmentsPerType[kTypes] = {5, 5, 4, 4, 4};  // 22

int KillRounds() {
    const char* n = std::getenv("OMBREL_KILL_LOOPS");
    return n != nullptr && std::atoi(n) > 0 ? std::atoi(n) : 250;
}

std::string MakeTempFolder(const std::string& base, const std::string& prefix) {
    std::string tmpl = base + "/" + prefix + "-XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    return tmpl + "/";
}

// Child processes must not stop at a message box.
void Quiet() {
    platform::SetNotifier([](const std::string&, const std::string&, unsigned) { return platform::kIdOk; });
}

// A keyed environment with a mail list, in a new folder below `base`.
class MailEnv {
public:
    explicit MailEnv(const std::string& base) {
        root_ = MakeTempFolder(base, "ombrel-kill-bench");
        fs::create_directories(root_ + "Env/MAIL");
        fs::create_directories(root_ + "Env/DB");
        if (EnvManager::MakeDefaultEnvFile(root_ + "Env.env", "bench descriptor key") != 0 ||
            env_.InitEnvFileInfo(root_ + "Env.env", "bench descriptor key", 0) != 0 ||
            !platform::WriteFileAtomically(root_ + "Env/MAIL/maillist.dat", ""))
            std::abort();
    }
    ~MailEnv() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    EnvManager& env() { return env_; }
    std::string Folder() const { return root_ + "Env/"; }

private:
    std::string root_;
    EnvManager env_;
};

// Version 0 or 1 of the mail: every part says which.
struct MailVersion {
    int v = 0;
    std::vector<std::vector<std::pair<std::string, std::string>>> files;  // per type: name, bytes

    explicit MailVersion(int version) : v(version) {
        for (int t = 0; t < kTypes; ++t) {
            std::vector<std::pair<std::string, std::string>> f;
            // Version 0 has a0..a(n-1), version 1 a1..an: one dropped, one added, the rest
            // changed in content.
            for (int i = v; i < kAttachmentsPerType[t] + v; ++i) {
                std::string bytes(4000 + 1500 * i + 100 * t, static_cast<char>('A' + v));
                bytes += "version " + std::to_string(v) + " type " + std::to_string(t);
                f.push_back({"a" + std::to_string(i) + ".bin", bytes});
            }
            files.push_back(f);
        }
    }
    std::string Tag() const { return "version " + std::to_string(v); }
    OneMail Mail() const {
        OneMail m;
        m.addressName = "list " + Tag();
        m.honorific = Utf8ToSjis("様");
        m.reserveDate = platform::DateTime(2031, 2, 3, 4, 10 * (v + 1), 0);
        for (int row = 0; row < OneMail::kTermRows; ++row) {
            m.subject[row] = Tag() + " subject " + std::to_string(row);
            m.body[row] = std::string(2000, 'x') + Tag() + Utf8ToSjis(" 本文");
        }
        for (int t = 0; t < kTypes; ++t)
            for (const auto& [name, bytes] : files[static_cast<size_t>(t)])
                m.attach[static_cast<size_t>(t)].push_back({name, std::to_string(bytes.size())});
        return m;
    }
    void PutWorkFiles(const std::string& folder) const {
        for (int t = 0; t < kTypes; ++t) {
            const std::string work = folder + "MAIL/ATEMP/" + env_layout::TerminalFolderCode(t) + "/";
            fs::create_directories(work);
            for (const auto& [name, bytes] : files[static_cast<size_t>(t)])
                if (!platform::WriteFileAtomically(work + name, bytes)) std::abort();
        }
    }
};

// Stores a version over mail `id` (-1: a new mail); the mail's ID, or a negative result.
int Store(EnvManager& env, CMailListViewer& list, int id, const MailVersion& version, const std::string& folder) {
    version.PutWorkFiles(folder);
    OneMailMaker maker;
    maker.SetEnvManager(&env);
    maker.SetMailListViewer(&list);
    if (maker.SetMailID(id) != 0) return -1000;
    OneMail m = version.Mail();
    const int r = maker.SetOneMailData(m, "N", 5);
    return r == 0 ? maker.GetMailID() : r;
}

enum class ReadOutcome { kWhole, kMix, kUnreadable };

// Opens the environment afresh and reads the mail.
ReadOutcome ReadBack(EnvManager& env, int id, const std::string& folder, const MailVersion versions[2]) {
    std::error_code ec;
    fs::remove_all(folder + "MAIL/ATEMP", ec);
    CMailListViewer list;
    if (list.SetEnvManager(&env) != 1) return ReadOutcome::kUnreadable;
    OneMailMaker maker;
    maker.SetEnvManager(&env);
    maker.SetMailListViewer(&list);
    if (maker.SetMailID(id) != 0) return ReadOutcome::kUnreadable;
    OneMail got;
    if (maker.GetOneMailData(got, "N", 5) != 0) return ReadOutcome::kUnreadable;
    COneMailData line;
    list.GetMailData(id, line);
    for (int v = 0; v < 2; ++v) {
        const OneMail want = versions[v].Mail();
        bool same = got.subject == want.subject && got.body == want.body && got.addressName == want.addressName &&
                    got.reserveDate == want.reserveDate && line.GetMailTitle() == want.subject[0] &&
                    line.GetAddressName() == want.addressName;
        for (int t = 0; same && t < kTypes; ++t) {
            const auto& files = versions[v].files[static_cast<size_t>(t)];
            const auto& listed = got.attach[static_cast<size_t>(t)];
            same = listed.size() == files.size();
            const std::string tt = env_layout::TerminalFolderCode(t);
            std::string bytes;
            for (size_t i = 0; same && i < files.size(); ++i)
                same = listed[i].fileName == files[i].first &&
                       platform::ReadWholeFile(folder + "MAIL/ATEMP/" + tt + "/" + files[i].first, bytes) &&
                       bytes == files[i].second;
            std::set<std::string> bodies, names;
            for (const auto& e : fs::directory_iterator(folder + "MAIL/" + std::to_string(id) + "/ATTACH/" + tt, ec))
                bodies.insert(e.path().filename().string());
            for (const auto& f : files) names.insert(f.first + ".base64");
            same = same && bodies == names;
        }
        if (same) return ReadOutcome::kWhole;
    }
    return ReadOutcome::kMix;
}

// Files that an update or a safe write left behind.
int Leftovers(const std::string& folder) {
    int n = 0;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (name == "UPDATE" || name.find(".tmp") != std::string::npos) ++n;
    }
    return n;
}

// Kills `child` after `delay`, waits for it; true when the kill ended it (not an exit).
bool KillAfter(pid_t child, std::chrono::microseconds delay) {
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status);
}

void BM_MailUpdateKillLoop(benchmark::State& state) {
    Quiet();
    MailEnv e(fs::temp_directory_path().string());
    const std::string folder = e.Folder();
    const MailVersion versions[2] = {MailVersion(0), MailVersion(1)};
    int id = -1;
    Clock::duration update{};
    {
        CMailListViewer list;
        list.SetEnvManager(&e.env());
        id = Store(e.env(), list, -1, versions[0], folder);
        if (id < 0) {
            state.SkipWithError("the mail cannot be stored");
            return;
        }
        // How long one update takes here: the kills fall within a few of them.
        const auto start = Clock::now();
        for (int i = 1; i <= 4; ++i) Store(e.env(), list, id, versions[i % 2], folder);
        update = (Clock::now() - start) / 4;
    }
    const int rounds = KillRounds();
    std::mt19937 rng(std::random_device{}());
    const auto window = std::chrono::duration_cast<std::chrono::microseconds>(update * 3);
    int whole = 0, mix = 0, unreadable = 0, leftovers = 0, killed = 0, staged = 0, committed = 0;
    const std::string staging = MailUpdate::StagingFolder(e.env(), id);
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            const pid_t child = ::fork();
            if (child == 0) {
                Quiet();
                CMailListViewer list;
                list.SetEnvManager(&e.env());
                for (int i = round;; ++i) Store(e.env(), list, id, versions[i % 2], folder);
            }
            if (KillAfter(child, std::chrono::microseconds(rng() % static_cast<unsigned>(window.count() + 1))))
                ++killed;
            // Where the kill fell: in an update not yet committed (undone by the reopen) or
            // in one committed and not yet carried out (finished by it).
            if (fs::exists(staging + "commit.dat")) ++committed;
            else if (fs::exists(staging)) ++staged;
            switch (ReadBack(e.env(), id, folder, versions)) {
            case ReadOutcome::kWhole: ++whole; break;
            case ReadOutcome::kMix: ++mix; break;
            case ReadOutcome::kUnreadable: ++unreadable; break;
            }
            if (Leftovers(folder) != 0) ++leftovers;
        }
    }
    state.counters["update_ms"] = std::chrono::duration<double, std::milli>(update).count();
    state.counters["rounds"] = rounds;
    state.counters["killed"] = killed;
    state.counters["in_staging"] = staged;
    state.counters["in_commit"] = committed;
    state.counters["whole"] = whole;
    state.counters["mix"] = mix;
    state.counters["unreadable"] = unreadable;
    state.counters["leftovers"] = leftovers;
    if (mix + unreadable + leftovers != 0) state.SkipWithError("a killed update left a mix, a loss or leftovers");
}
BENCHMARK(BM_MailUpdateKillLoop)->Unit(benchmark::kMillisecond)->Iterations(1);

// The book's content for version k: its number first, then filler to make the copy take
// a while.
std::string BookVersion(int k) { return "version " + std::to_string(k) + "\n" + std::string(1 << 20, 'b'); }
int VersionOf(const std::string& path) {
    std::string text;
    if (!platform::ReadWholeFile(path, text) || !text.starts_with("version ")) return -1;
    return std::atoi(text.c_str() + 8);
}

void BM_RotationKillLoop(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string dir = MakeTempFolder(fs::temp_directory_path().string(), "ombrel-rotation-bench");
    const std::string target = dir + "database.dat";
    auto history = [&] {
        CFileHistory h;
        h.SetHistoryNum(n);
        h.SetTargetFileName(target);
        h.SetSaveDirPath(dir, 0);
        return h;
    };
    // Past the first rotations, so that every generation is there.
    Clock::duration rotation{};
    {
        const auto start = Clock::now();
        for (int k = 1; k <= n + 2; ++k) {
            platform::WriteFileAtomically(target, BookVersion(k));
            history().ExecuteCopy();
        }
        rotation = (Clock::now() - start) / (n + 2);
    }
    const int rounds = KillRounds();
    std::mt19937 rng(std::random_device{}());
    const auto window = std::chrono::duration_cast<std::chrono::microseconds>(rotation * 3);
    auto generations = [&] {
        std::vector<int> out;
        for (int g = 1; g <= n; ++g) out.push_back(VersionOf(history().GenerationPath(g)));
        return out;
    };
    int consistent = 0, broken = 0, leftovers = 0, killed = 0;
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            std::vector<int> expect = generations();
            int pipefd[2];
            if (::pipe(pipefd) != 0) std::abort();
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(pipefd[0]);
                for (int k = VersionOf(target) + 1;; ++k) {
                    platform::WriteFileAtomically(target, BookVersion(k));
                    CFileHistory h = history();
                    // Reported once done: the rotations this process must find made.
                    if (h.ExecuteCopy() == 0 && ::write(pipefd[1], &k, sizeof k) != sizeof k) ::_exit(1);
                }
            }
            ::close(pipefd[1]);
            if (KillAfter(child, std::chrono::microseconds(rng() % static_cast<unsigned>(window.count() + 1))))
                ++killed;
            for (int k = 0; ::read(pipefd[0], &k, sizeof k) == sizeof k;) {
                expect.insert(expect.begin(), k);
                expect.pop_back();
            }
            ::close(pipefd[0]);
            // The open: the book's read removes its stale temporaries, and an interrupted
            // rotation is completed or undone before the generations are used.
            platform::RemoveStaleTemporaries(target);
            history().FinishInterruptedCopy();
            // The generations as after the last rotation reported, or after the one under
            // way at the kill (a copy of the book as it is now) too.
            const std::vector<int> now = generations();
            std::vector<int> further = expect;
            further.insert(further.begin(), VersionOf(target));
            further.pop_back();
            const bool ok = now == expect || now == further;
            (ok ? consistent : broken)++;
            int left = 0;
            for (const auto& e : fs::directory_iterator(dir)) {
                const std::string name = e.path().filename().string();
                left += name.starts_with("_") || name.find(".tmp") != std::string::npos;
            }
            if (left != 0) ++leftovers;
        }
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    state.counters["rotation_ms"] = std::chrono::duration<double, std::milli>(rotation).count();
    state.counters["rounds"] = rounds;
    state.counters["killed"] = killed;
    state.counters["consistent"] = consistent;
    state.counters["broken"] = broken;
    state.counters["leftovers"] = leftovers;
    if (broken + leftovers != 0) state.SkipWithError("a killed rotation lost or doubled a generation, or left files");
}
BENCHMARK(BM_RotationKillLoop)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_MailUpdate(benchmark::State& state) {
    Quiet();
    const bool memory = state.range(0) != 0;
    if (memory && !fs::is_directory("/dev/shm")) {
        state.SkipWithError("no memory-backed folder");
        return;
    }
    MailEnv e(memory ? "/dev/shm" : fs::temp_directory_path().string());
    const MailVersion versions[2] = {MailVersion(0), MailVersion(1)};
    CMailListViewer list;
    list.SetEnvManager(&e.env());
    const int id = Store(e.env(), list, -1, versions[0], e.Folder());
    int i = 1;
    for (auto _ : state) {
        state.PauseTiming();
        versions[i % 2].PutWorkFiles(e.Folder());
        state.ResumeTiming();
        OneMailMaker maker;
        maker.SetEnvManager(&e.env());
        maker.SetMailListViewer(&list);
        maker.SetMailID(id);
        OneMail m = versions[i++ % 2].Mail();
        if (maker.SetOneMailData(m, "N", 5) != 0) state.SkipWithError("update failed");
    }
}
BENCHMARK(BM_MailUpdate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
