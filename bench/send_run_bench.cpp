// The send run at full size, and killed at random moments.
//
// BM_SendRun: one mail to 1,000,000 recipients (QUENDREL_SEND_RUN_RECIPIENTS to change it)
// of an environment whose address book holds them all (made by the program's creation,
// FillBook's people), sent over one connection to Postfix's smtp-sink on loopback. The
// mail is a merged text mail: a subject and a 5 KB Japanese body with merge fields, sent
// as ISO-2022-JP. Beside it, in the same run, Postfix's own load generator (smtp-source
// -d -s 1, one connection) sends the same number of 5 KB messages to the same sink, in 20
// bursts taken while the run waits between two recipients (its connection stays open), so
// that both sides meet the machine's load alike; the run's time leaves the bursts out.
// Counters: messages/s; smtp_source/s; vs_smtp_source (the one over the other, target
// >= 2: smtp-sink offers PIPELINING, so the run needs one round trip per message where
// smtp-source needs four; on loopback a round trip costs what the machine's scheduler
// makes it cost, so both rates move with the machine's load, and on a busy machine the
// run's own work per message weighs more); peak_rss_MB (the process's peak resident
// memory, the open address book included; target < 1536); disk_write_MB (bytes the
// process caused to be written to the disk while the run lasted, from /proc/self/io), of
// them transfer_log_MB (the protocol trail of the SMTP client), and written_B/msg (all of
// them per message); final_files_MB (the history and the recipient list as the run left
// them); write_ratio (all bytes written over the final files) and write_ratio_stores
// (without the transfer log; target < 5).
//
// BM_SendRunSlowLink: the same run to the first 200 recipients of such an environment
// (QUENDREL_SLOW_LINK_RECIPIENTS to change it), to an smtp-sink behind a link with 20 ms
// of delay each way (delayed_link.h: a network namespace with tc netem, or a delaying
// relay where the kernel has no netem). /0: the sink does not offer PIPELINING (the
// exchange waits for every reply); /1: it does. Counters: messages/s; rtt_ms (the link's
// round trip, measured); round_trips_per_msg (a message's time over the round trip; the
// target for /1 is at most 1.3); netem (1: netem, 0: the relay); for /1, vs_no_pipelining
// (its rate over /0's in the same program run; the target is at least 3).
//
// BM_KilledRunLoop: a mail to 300 recipients sent by a child process that is killed
// (SIGKILL) after a random time within a run's length; a new run in another child then
// finishes the mail (40 rounds, QUENDREL_SEND_RUN_KILLS to change). The server is the
// send-run tests' aiosmtpd server, which saves each message before it answers, offering
// PIPELINING (so a message is in flight while the next one's envelope goes). Counters:
// killed (rounds the kill met a running run), twice (recipients who got a second copy:
// at most one per kill, the message in flight), recorded_resent (recipients the history
// recorded as sent before the kill who got another copy: must be 0), lost (recipients
// who never got the mail: must be 0).
//
// BM_KilledRunsWithFaults: one mail to 300 recipients, a tenth of whom meet server faults
// in sequence (answers lost after the message is kept, a silent server, "try later" at
// RCPT or at the end of the message, refusals that wait for a resend, as resends are on)
// while every run is stopped at a random moment, 40 times, before runs are let finish the
// mail; five such mails. Two runs in three are killed, the third cancels itself, after
// which the draft is sent again as the user would; a run that refused someone ends with a
// closing pause of 300 ms (2 s in the program) before the worker's final save, which the
// moments reach too. Every other kill is a power cut: the mail's progress record is cut
// back to the size the run last flushed to the disk, and the runs after it take themselves
// to run in a new boot, as after the machine's restart. Counters: runs; kills (runs the kill
// met running), of them power_cuts; cancels;
// most_copies (the most copies one person got: must be at most 2); over_two (people with
// more); lost (people neither recorded as failed nor sent a copy: must be 0);
// counts_differ (runs after which, the mail put back as a new start does, the mail's sent
// and error counts differ from its send history's: must be 0).
//
// The environment lives in $TMPDIR (default /tmp) and is removed at exit.

#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/sendrecv/interrupted_sends.h"
#include "app/sendrecv/recipient_message.h"
#include "app/sendrecv/send_job.h"
#include "app/sendrecv/send_run_observer.h"
#include "bench/delayed_link.h"
#include "bench/program_env.h"
#include "bench/smtp_sink.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/foundation/cp932.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/ini_manager.h"
#include "core/foundation/log_writer.h"
#include "core/foundation/progress_journal.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/mail_writer.h"
#include "core/transport/message_id_form.h"

namespace {

constexpr int kFirstCustomer = 1000;  // the IDs FillBook gives
constexpr std::size_t kMessageBytes = 5 * 1024;

int EnvNumber(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}

const int kRecipients = EnvNumber("QUENDREL_SEND_RUN_RECIPIENTS", 1000000);


SmtpSink& TheSink() {
    static SmtpSink sink;
    return sink;
}

std::string TempRoot() {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr ? tmp : "/tmp") + "/quendrel_send_run_bench_" + std::to_string(::getpid()) + "/";
}

// Bytes this process caused to be written to the storage layer so far.
long long DiskWriteBytes() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0, written = 0, cancelled = 0;
    while (io >> key >> value) {
        if (key == "write_bytes:") written = value;
        if (key == "cancelled_write_bytes:") cancelled = value;
    }
    return written - cancelled;
}

long long FileSize(const std::string& path) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<long long>(n);
}

// An environment with `people` people, its managers open, and the system options of a
// send to 127.0.0.1:`port`.
struct Env {
    std::string root;
    EnvManager env;
    std::unique_ptr<SystemOption> options;
    std::unique_ptr<CDatabaseEdit> book;
    std::unique_ptr<CMailListViewer> mails;

    Env(const std::string& folder, int people) : root(folder) {
        std::filesystem::create_directories(root);
        const std::string descriptor = bench_env::MakeFilledEnvironments(root, {"SendRun"}, people, 20).front();
        if (env.InitEnvFileInfo(descriptor, shell::kDescriptorKey, 0) != 0) std::abort();
        options = std::make_unique<SystemOption>(&env);
        options->GetSODataFromFileToMemory();
        for (auto [index, value] : std::initializer_list<std::pair<int, const char*>>{
                 {0, "info@example.co.jp"}, {82, "Quendrel Shop"}, {8, "127.0.0.1"}, {10, "+0900"}, {54, "N"},
                 {67, "N"}, {85, "N"}, {90, "N"}, {100, "Y"}})
            options->SetSODataToMemoryPinPoint(index, value);
        book = std::make_unique<CDatabaseEdit>(&env, options.get());
        if (book->ReadCustomerList() < people) std::abort();
        mails = std::make_unique<CMailListViewer>(&env);
    }
    ~Env() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    SendEnvironment Stores() { return {&env, options.get(), book.get(), mails.get()}; }
    void UsePort(int port) { options->SetSODataToMemoryPinPoint(9, std::to_string(port)); }
    void UseServer(const std::string& host, int port) {
        options->SetSODataToMemoryPinPoint(8, host);
        UsePort(port);
    }

    // A waiting text mail to `count` people from the `skip`+1st on: its ID.
    int MakeMail(int count, int skip = 0) {
        const int id = mails->GetNewMailID();
        COneMailData m;
        m.SetMailID(id);
        m.SetMailTitle("bench");
        m.SetStatus("W", 0);
        m.SetSpecialFlag("NN");
        m.SetHonorific(Utf8ToSjis("様"));
        if (mails->SetMailData(m) != 0 || mails->WriteMailList(1) != 0) std::abort();
        const std::string subject = Utf8ToSjis("<%名前(姓)%>様 【会員様限定】春のキャンペーンのお知らせ");
        std::string body = Utf8ToSjis("<%名前(姓)%> <%名前(名)%>様\r\n\r\n");
        const std::string line =
            Utf8ToSjis("いつもご利用いただきありがとうございます。春の特別セールのご案内です。\r\n");
        while (body.size() + line.size() < kMessageBytes - 400) body += line;
        body += Utf8ToSjis("お問い合わせは <%会社名%> 担当までお願いいたします。\r\n");
        if (MakeDirectoryCompel(env_layout::OneMailFolder(env, id)) != 0) std::abort();
        MailWriter w(&env, 7);
        if (w.SetMailFromFile(-1, 0, nullptr) != 1) std::abort();
        for (int t = 0; t < 7; ++t) w.SetMailRecordToMemory(subject, body, t);
        if (w.SetNewMailID(id) != 1 || w.WriteMailAllTypeToFile() != 1) std::abort();
        ExtractResultDetail list(&env, mails.get(), nullptr, book.get(), ER_TYPE_MAIL, id);
        std::vector<int> ids(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) ids[static_cast<std::size_t>(i)] = kFirstCustomer + skip + i;
        if (list.SetDBIDFromCListInt(ids, 0, 0) != 0 || list.WriteAllOnMemoryDBIDToFileCompel() != 0) std::abort();
        return id;
    }
};

struct LogFolder {
    explicit LogFolder(const std::string& path) : path(path) {
        std::filesystem::create_directories(path);
        LogWriter::SetLogFolderForTesting(path + "/");
    }
    ~LogFolder() { LogWriter::SetLogFolderForTesting(""); }
    std::string path;
};

// smtp-source sending `count` messages over one connection; its seconds, or a negative
// number when it failed.
double SmtpSourceBurst(int count) {
    static const std::string source = SystemProgram("smtp-source");
    const auto start = std::chrono::steady_clock::now();
    const int status = nettest::RunProgram({source, "-d", "-s", "1", "-m", std::to_string(count), "-l",
                                            std::to_string(kMessageBytes), "-f", "from@example.jp", "-t",
                                            "to@example.jp", "127.0.0.1:" + std::to_string(TheSink().port())});
    if (status != 0) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs an smtp-source burst after every `slice` recipients of the run, on the run's own
// thread (the run waits, its connection open), and adds up the time of both.
class BurstObserver : public SendRunObserver {
public:
    explicit BurstObserver(int slice) : slice_(slice) {}
    void OnStatus(const std::string&) override {}
    void OnTotal(int) override {}
    void OnProcessed(int processed) override {
        if (processed % slice_ != 0) return;
        const double secs = SmtpSourceBurst(slice_);
        if (secs < 0) {
            failed_ = true;
            return;
        }
        burstSeconds_ += secs;
        burstMessages_ += slice_;
    }
    void Pause(int, const std::function<bool()>&) override {}

    bool failed_ = false;
    double burstSeconds_ = 0;
    long long burstMessages_ = 0;

private:
    int slice_;
};

// The size of every file below `folder`.
long long FolderBytes(const std::string& folder) {
    long long total = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder, ec))
        if (e.is_regular_file(ec)) total += static_cast<long long>(e.file_size(ec));
    return total;
}

void BM_SendRun(benchmark::State& state) {
    if (TheSink().port() == 0 || SystemProgram("smtp-source").empty()) {
        state.SkipWithError("postfix's smtp-sink and smtp-source are needed");
        return;
    }
    const std::string root = TempRoot() + "full/";
    Env e(root, kRecipients);
    LogFolder log(root + "log");
    e.UsePort(TheSink().port());
    long long written = 0, finalBytes = 0, logBytes = 0;
    double runRate = 0, sourceRate = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const int mail = e.MakeMail(kRecipients);
        CSendJob job(e.Stores());
        BurstObserver bursts(std::max(kRecipients / 20, 1));
        job.SetObserver(&bursts);
        const long long logBefore = FolderBytes(log.path);
        state.ResumeTiming();
        const long long before = DiskWriteBytes();
        const auto start = std::chrono::steady_clock::now();
        const int result = job.SendOneMail(mail);
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        written = DiskWriteBytes() - before;
        if (result != 0 || job.Counters().sent != kRecipients || bursts.failed_) {
            state.SkipWithError(("the run failed: " + SjisToUtf8(job.GetErrMsg().GetLastMsg())).c_str());
            return;
        }
        runRate = kRecipients / (secs - bursts.burstSeconds_);
        sourceRate = static_cast<double>(bursts.burstMessages_) / bursts.burstSeconds_;
        finalBytes = FileSize(env_layout::MailHistoryFile(e.env, mail)) + FileSize(env_layout::MailRecipientFile(e.env, mail));
        logBytes = FolderBytes(log.path) - logBefore;
        state.PauseTiming();
        job.SaveProgress(1);
        state.ResumeTiming();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["messages/s"] = runRate;
    state.counters["smtp_source/s"] = sourceRate;
    if (sourceRate > 0) state.counters["vs_smtp_source"] = runRate / sourceRate;
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["disk_write_MB"] = static_cast<double>(written) / 1048576.0;
    state.counters["transfer_log_MB"] = static_cast<double>(logBytes) / 1048576.0;
    state.counters["written_B/msg"] = static_cast<double>(written) / kRecipients;
    state.counters["final_files_MB"] = static_cast<double>(finalBytes) / 1048576.0;
    if (finalBytes > 0) {
        state.counters["write_ratio"] = static_cast<double>(written) / static_cast<double>(finalBytes);
        state.counters["write_ratio_stores"] =
            static_cast<double>(written - logBytes) / static_cast<double>(finalBytes);
    }
}

double g_slowLinkWithoutPipelining = 0;  // BM_SendRunSlowLink/0's rate, for /1's ratio

void BM_SendRunSlowLink(benchmark::State& state) {
    const bool pipelining = state.range(0) != 0;
    DelayedLink link(std::chrono::milliseconds(20), pipelining ? std::vector<std::string>{}
                                                               : std::vector<std::string>{"-p"});
    if (link.port() == 0) {
        state.SkipWithError("postfix's smtp-sink is needed");
        return;
    }
    if (!link.why().empty()) std::fprintf(stderr, "BM_SendRunSlowLink: relay instead of netem: %s\n", link.why().c_str());
    const int recipients = EnvNumber("QUENDREL_SLOW_LINK_RECIPIENTS", 200);
    Env e(TempRoot() + "slow/", std::max(recipients, 1000));
    LogFolder log(TempRoot() + "slow/log");
    e.UseServer(link.host(), link.port());
    const double rtt = link.RoundTripMs();
    double rate = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const int mail = e.MakeMail(recipients);
        CSendJob job(e.Stores());
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        const int result = job.SendOneMail(mail);
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (result != 0 || job.Counters().sent != recipients) {
            state.SkipWithError(("the run failed: " + SjisToUtf8(job.GetErrMsg().GetLastMsg())).c_str());
            return;
        }
        rate = recipients / secs;
        state.PauseTiming();
        job.SaveProgress(1);
        state.ResumeTiming();
    }
    state.counters["messages/s"] = rate;
    state.counters["rtt_ms"] = rtt;
    if (rtt > 0 && rate > 0) state.counters["round_trips_per_msg"] = 1000.0 / rate / rtt;
    state.counters["netem"] = link.kind() == "netem" ? 1 : 0;
    if (!pipelining) g_slowLinkWithoutPipelining = rate;
    if (pipelining && g_slowLinkWithoutPipelining > 0) state.counters["vs_no_pipelining"] = rate / g_slowLinkWithoutPipelining;
}

// One recipient's message of the 5 KB mail, built (no server): what the run spends per
// recipient before it hands the message over.
void BM_BuildRecipientMessage(benchmark::State& state) {
    Env e(TempRoot() + "build/", 1000);
    const int mail = e.MakeMail(1);
    MailWriter bodies(&e.env, 7);
    if (bodies.SetMailFromFile(mail, 0, nullptr) == 0) std::abort();
    RecipientMessageBuilder::Settings settings;
    settings.mailId = mail;
    settings.honorific = Utf8ToSjis("様");
    settings.senderAddress = "info@example.co.jp";
    settings.zone = "+0900";
    RecipientMessageBuilder builder(bodies, settings);
    std::vector<OneCustomer> people(1000);
    for (int i = 0; i < 1000; ++i) e.book->GetOneCustomerForEdit(people[static_cast<std::size_t>(i)], kFirstCustomer + i);
    RecipientMessage message;
    std::size_t i = 0, bytes = 0;
    for (auto _ : state) {
        if (builder.Build(people[i++ % people.size()], message) != RecipientMessageBuilder::kBuilt)
            state.SkipWithError("build failed");
        bytes += message.headerText.size();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["message_bytes"] = static_cast<double>(bytes) / static_cast<double>(state.iterations());
}

// The folder of the program's sources, from the build folder's CMake cache (this program
// lives in <build>/bench/); empty when it cannot be found.
std::string SourceFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::ifstream cache(exe.parent_path().parent_path() / "CMakeCache.txt");
    const std::string key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
    for (std::string line; std::getline(cache, line);)
        if (line.rfind(key, 0) == 0) return line.substr(key.size());
    return std::string();
}

// Per address, the messages of mail `mailId` that the test server saved in `folder`.
std::map<std::string, int> Deliveries(const std::filesystem::path& folder, int mailId) {
    std::map<std::string, int> out;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        if (e.path().extension() != ".eml") continue;
        const std::string text = nettest::ReadFile(e.path());
        const std::size_t at = text.find("\r\nMessage-ID: <");
        std::string id;
        if (at == std::string::npos || !message_id::CutDown(text.substr(at + 14, text.find('\r', at + 2) - at - 14), id) ||
            message_id::SentMailId(id) != mailId)
            continue;
        std::string env = nettest::ReadFile(std::filesystem::path(e.path()).replace_extension(".env"));
        const std::size_t line = env.find('\n');
        if (line != std::string::npos) ++out[env.substr(line + 1, env.find('\n', line + 1) - line - 1)];
    }
    return out;
}

std::set<int> RecordedAsSent(Env& e, int mailId) {
    HistoryListViewer h(&e.env, e.options.get(), e.book.get(), e.mails.get());
    std::set<int> out;
    if (h.SetMailID(mailId, 1) != 0) return out;
    h.GetHDataFromFileToMemory(0, nullptr);
    std::vector<HistorySet> rows;
    h.GetHDataFromMemoryToStruct(rows, -1, -1);
    for (const HistorySet& r : rows)
        if (r.state == "C") out.insert(r.customerID);
    return out;
}

void BM_KilledRunLoop(benchmark::State& state) {
    const std::string sources = SourceFolder();
    if (sources.empty()) {
        state.SkipWithError("the source folder is not known");
        return;
    }
    constexpr int kPeople = 300;
    const int rounds = EnvNumber("QUENDREL_SEND_RUN_KILLS", 40);
    const std::string root = TempRoot() + "kill/";
    Env e(root, kPeople);
    LogFolder log(root + "log");
    nettest::TempDir out;
    // The send-run tests' server: it prints "PORT <n>" once it listens.
    nettest::ChildProcess server({"/usr/bin/python3", sources + "/app/sendrecv/tests/testdata/send_test_server.py",
                                  "--servers", sources + "/platform/netssl/tests/servers", "--out",
                                  out.path().string(), "--pipelining"},
                                 {.readOutput = true, .stopSignal = 0, .grace = std::chrono::seconds(5)});
    const std::string first = server.FirstLine(std::chrono::seconds(20));
    if (first.rfind("PORT ", 0) != 0) {
        state.SkipWithError("the test server did not start");
        return;
    }
    e.UsePort(std::stoi(first.substr(5)));
    if (e.book->WriteFromMemoryToFile() != 0) std::abort();

    // A run in a child process, killed after `killAfterMs` (negative: never).
    const auto runInChild = [&](int mail, int killAfterMs) {
        const pid_t child = ::fork();
        if (child == 0) {
            CSendJob job(e.Stores());
            ::_exit(job.SendOneMail(mail) == 0 ? 0 : 1);
        }
        if (killAfterMs >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
            ::kill(child, SIGKILL);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    };

    int killed = 0, twice = 0, recordedResent = 0, lost = 0, maxTwicePerKill = 0;
    for (auto _ : state) {
        // The length of a whole run, to kill within it.
        const auto start = std::chrono::steady_clock::now();
        runInChild(e.MakeMail(kPeople), -1);
        const int lengthMs = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
        std::mt19937 rng(20240601);
        std::uniform_int_distribution<int> when(0, std::max(lengthMs, 1));
        for (int round = 0; round < rounds; ++round) {
            const int mail = e.MakeMail(kPeople);
            if (runInChild(mail, when(rng))) ++killed;
            const std::set<int> recorded = RecordedAsSent(e, mail);
            CMailListViewer reopened(&e.env);
            RecoverInterruptedSends(reopened);
            e.mails->ReadMailList();
            CSendJob job(e.Stores());
            if (job.SendOneMail(mail) != 0) state.SkipWithError("the finishing run failed");
            job.SaveProgress(1);
            const auto copies = Deliveries(out.path(), mail);
            int twiceHere = 0;
            for (int i = 0; i < kPeople; ++i) {
                const int id = kFirstCustomer + i;
                const auto it = copies.find(e.book->GetCustomerDataPinPoint(id, kElemEmail));
                const int n = it == copies.end() ? 0 : it->second;
                if (n == 0) ++lost;
                if (n > 1) ++twiceHere;
                if (n > 1 && recorded.count(id) != 0) ++recordedResent;
            }
            twice += twiceHere;
            maxTwicePerKill = std::max(maxTwicePerKill, twiceHere);
        }
    }
    state.counters["rounds"] = rounds;
    state.counters["killed"] = killed;
    state.counters["twice"] = twice;
    state.counters["max_twice_per_kill"] = maxTwicePerKill;
    state.counters["recorded_resent"] = recordedResent;
    state.counters["lost"] = lost;
}

void BM_KilledRunsWithFaults(benchmark::State& state) {
    const std::string sources = SourceFolder();
    if (sources.empty()) {
        state.SkipWithError("the source folder is not known");
        return;
    }
    constexpr int kPeople = 300;
    constexpr int kKills = 40;
    constexpr int kMails = 5;
    const std::string root = TempRoot() + "faults/";
    Env e(root, kPeople * kMails);
    LogFolder log(root + "log");
    nettest::TempDir out;
    // A silent server is given up on after a second.
    CIniManager::WriteProfileStringA(env_layout::EnvIniFile(e.env), "SMTPINFO", "SENDMAIL_TIMEOUT_CONNECTED", "1000");
    e.options->SetSODataToMemoryPinPoint(54, "Y");
    e.options->SetSODataToMemoryPinPoint(65, "3");
    const char* sequences[] = {"drop,drop", "drop",      "silent",      "rcpt450,drop,drop", "drop,rcpt450,drop,drop",
                               "drop,data451,drop,drop", "rcpt450", "data451", "drop,rcpt550", "silent,drop",
                               "rcpt550", "rcpt550,rcpt550", "drop,silent"};
    std::vector<std::string> args = {"/usr/bin/python3", sources + "/app/sendrecv/tests/testdata/send_test_server.py",
                                     "--servers", sources + "/platform/netssl/tests/servers", "--out",
                                     out.path().string(), "--pipelining"};
    for (int i = 0; i < kPeople * kMails; i += 10) {
        args.push_back("--sequence");
        args.push_back(e.book->GetCustomerDataPinPoint(kFirstCustomer + i, kElemEmail) + "=" +
                       sequences[(i / 10) % std::size(sequences)]);
    }
    nettest::ChildProcess server(args, {.readOutput = true, .stopSignal = 0, .grace = std::chrono::seconds(5)});
    const std::string first = server.FirstLine(std::chrono::seconds(20));
    if (first.rfind("PORT ", 0) != 0) {
        state.SkipWithError("the test server did not start");
        return;
    }
    e.UsePort(std::stoi(first.substr(5)));
    if (e.book->WriteFromMemoryToFile() != 0 || e.options->WriteSODataFromMemoryToFileCompel() != 0) std::abort();

    // The closing pause of a run that refused someone (the status window's two seconds,
    // shortened); the other pauses are not made.
    class ClosingPause : public SendRunObserver {
    public:
        void OnStatus(const std::string&) override {}
        void OnTotal(int) override {}
        void OnProcessed(int) override {}
        void Pause(int ms, const std::function<bool()>& stop) override {
            if (ms >= 2000) SleepUnlessStopped(300, stop);
        }
    };
    // The size of the progress record known to be on the disk, kept by the run in the child.
    void* shared = ::mmap(nullptr, sizeof(std::atomic<std::uint64_t>), PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) std::abort();
    auto* flushed = new (shared) std::atomic<std::uint64_t>(0);
    int boots = 0;
    // A run and the worker's final save in a child process, killed after `stopAfterMs`
    // (negative: never), or, with `cancel`, cancelled then as the user's cancel does; true
    // when it was killed. With `powerCut` the kill takes with it what the progress record
    // held unflushed.
    const auto runInChild = [&](int mail, int stopAfterMs, bool cancel, bool powerCut) {
        e.mails->ReadMailList();
        HistoryListViewer history(&e.env, e.options.get(), e.book.get(), e.mails.get());
        history.SetMailID(mail, 1);
        const std::string journal = history.ProgressPath();
        std::error_code error;
        flushed->store(std::filesystem::file_size(journal, error));
        const pid_t child = ::fork();
        if (child == 0) {
            ProgressJournal::SetFlushObserverForTesting([&](const std::string& path, std::uint64_t size) {
                if (path == journal) flushed->store(size);
            });
            CSendJob job(e.Stores());
            ClosingPause pause;
            job.SetObserver(&pause);
            std::thread canceller;
            if (cancel && stopAfterMs >= 0) {
                canceller = std::thread([&job, stopAfterMs] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(stopAfterMs));
                    job.Cancel();
                });
            }
            job.SendOneMail(mail);
            if (canceller.joinable()) canceller.join();
            job.SaveProgress(1);
            ::_exit(0);
        }
        if (!cancel && stopAfterMs >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(stopAfterMs));
            ::kill(child, SIGKILL);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        // (A record that did not exist yet has nothing to lose.)
        const std::uintmax_t size = std::filesystem::file_size(journal, error);
        if (killed && powerCut && !error && size > flushed->load()) std::filesystem::resize_file(journal, flushed->load());
        // The machine starts again: what follows runs in another boot.
        if (killed && powerCut) HistoryListViewer::SetBootIdForTesting("after power cut " + std::to_string(++boots));
        return killed;
    };
    int runs = 0, kills = 0, powerCuts = 0, cancels = 0, countsDiffer = 0, mostCopies = 0, overTwo = 0, lost = 0;
    for (auto _ : state)
    for (int round = 0; round < kMails; ++round) {
        // The server's faults are per address: a new mail to new people each time.
        const int mail = e.MakeMail(kPeople, round * kPeople);
        std::mt19937 rng(20240610 + round);
        std::uniform_int_distribution<int> when(0, 700);
        std::string status;
        for (int run = 0; run < kKills + 20 && status != "C" && status != "E"; ++run) {
            ++runs;
            const bool cancel = run % 3 == 2;
            const bool powerCut = run % 3 == 1;
            const bool killed = runInChild(mail, run < kKills ? when(rng) : -1, cancel, powerCut);
            CMailListViewer reopened(&e.env);
            if (killed) {
                ++kills;
                if (powerCut) ++powerCuts;
                RecoverInterruptedSends(reopened);
            }
            COneMailData record;
            reopened.ReadMailList();
            reopened.GetMailData(mail, record);
            status = record.GetStatus();
            if (status == "D") {
                // Cancelled: the user sends the draft again.
                ++cancels;
                record.SetStatus("W", 0);
                if (reopened.SetMailData(record) != 0 || reopened.WriteMailList(0) != 0) std::abort();
            }
            int attempts = 0, failed = 0, opened = 0;
            HistoryListViewer::CountsOnDisk(&e.env, &reopened, mail, attempts, failed, opened);
            if (record.GetSentNumber() != attempts || record.GetErrorNumber() != failed) ++countsDiffer;
        }
        const auto copies = Deliveries(out.path(), mail);
        HistoryListViewer h(&e.env, e.options.get(), e.book.get(), e.mails.get());
        h.SetMailID(mail, 1);
        h.GetHDataFromFileToMemory(0, nullptr);
        for (int i = 0; i < kPeople; ++i) {
            const int id = kFirstCustomer + round * kPeople + i;
            const auto it = copies.find(e.book->GetCustomerDataPinPoint(id, kElemEmail));
            const int n = it == copies.end() ? 0 : it->second;
            mostCopies = std::max(mostCopies, n);
            if (n > 2) ++overTwo;
            const std::string row = h.DBID2RowNumber(id) >= 0 ? h.GetElementFromMemoryPinPoint(id, 1) : "";
            if (row != "E" && (row != "C" || n == 0)) ++lost;
        }
    }
    state.counters["runs"] = runs;
    state.counters["kills"] = kills;
    state.counters["power_cuts"] = powerCuts;
    state.counters["cancels"] = cancels;
    state.counters["most_copies"] = mostCopies;
    state.counters["over_two"] = overTwo;
    state.counters["lost"] = lost;
    state.counters["counts_differ"] = countsDiffer;
    HistoryListViewer::SetBootIdForTesting("");
}

}  // namespace

BENCHMARK(BM_SendRun)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SendRunSlowLink)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BuildRecipientMessage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KilledRunLoop)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KilledRunsWithFaults)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
