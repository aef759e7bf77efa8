// The receive run at full size, against the real test POP server.
//
// BM_ReceiveRun: a mailbox on Dovecot (the tests' servers/pop3_server.sh) of 10,000
// messages (QUENDREL_RECEIVE_RUN_MESSAGES to change it) answering one mail sent to
// 1,000,000 people: 40% bounces in the layouts of Postfix, Exim, qmail, Sendmail and
// Microsoft Exchange (one in ten for a recipient with no resend left, whose address is
// then failed and taken off advertising mail), 30% read receipts, 30% ordinary mail.
// The environment is made by the program's creation with an address book of 1,000,000
// records (FillBook's people) and the mail's send history of 1,000,000 rows. In the same
// run, first Python's poplib (/usr/bin/python3) only downloads every message (RETR, no
// deletion) over one connection; then one receive run fetches, analyses and applies them
// all, saves its batch and deletes the handled messages (system option 7 "Y").
// Counters: messages/s (the receive run), poplib/s, vs_poplib (the one over the other,
// target >= 0.8); the run's phases in seconds: fetch_apply_s (from the start to the last
// message applied), save_s (target at most a fifth of fetch_apply_s: staging the mail list,
// the recipient list and the history's changed rows, the book's changes to its journal,
// the commit and the installation), staging_s (the part of it up to the staged files),
// logout_s (deleting the handled messages and the logout that removes them); peak_rss_MB.
//
// The environment and the mailbox live in $TMPDIR (default /tmp) and are removed at exit.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

// The test servers' scripts, found through the build folder's CMake cache (this program
// lives in <build>/bench/).
const char* ServerScriptsFolder();
#define OMBREL_NET_TEST_SERVERS ServerScriptsFolder()

#include "app/sendrecv/message_headers.h"
#include "app/sendrecv/pop_receive_session.h"
#include "app/sendrecv/receive_fault_probe.h"
#include "bench/program_env.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/log_writer.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/transport/tests/transport_test_servers.h"

namespace {

using Clock = std::chrono::steady_clock;

int EnvNumber(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}

const int kMessages = EnvNumber("QUENDREL_RECEIVE_RUN_MESSAGES", 10000);
const int kPeople = EnvNumber("QUENDREL_RECEIVE_RUN_PEOPLE", 1000000);
constexpr int kFirstCustomer = 1000;  // the IDs FillBook gives
constexpr const char* kSender = "info@example.co.jp";

std::string SourceFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::ifstream cache(exe.parent_path().parent_path() / "CMakeCache.txt");
    const std::string key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
    for (std::string line; std::getline(cache, line);)
        if (line.rfind(key, 0) == 0) return line.substr(key.size());
    return std::string();
}

std::string TempRoot() {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr ? tmp : "/tmp") + "/quendrel_receive_run_bench_" + std::to_string(::getpid()) + "/";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Crlf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

void ReplaceAll(std::string& text, const std::string& key, const std::string& value) {
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, key.size(), value);
}

// The environment: the book, the mail and its history of `kPeople` rows, the options of a
// receive from Dovecot.
struct Env {
    std::string root;
    EnvManager env;
    std::unique_ptr<SystemOption> options;
    std::unique_ptr<CDatabaseEdit> book;
    std::unique_ptr<CMailListViewer> mails;
    int mailId = -1;
    std::vector<std::string> messageIds;  // by person, with angle brackets

    explicit Env(const std::string& folder) : root(folder) {
        std::filesystem::create_directories(root);
        const std::string descriptor = bench_env::MakeFilledEnvironments(root, {"Receive"}, kPeople, 20).front();
        if (env.InitEnvFileInfo(descriptor, shell::kDescriptorKey, 0) != 0) std::abort();
        options = std::make_unique<SystemOption>(&env);
        options->GetSODataFromFileToMemory();
        book = std::make_unique<CDatabaseEdit>(&env, options.get());
        if (book->ReadCustomerList() < kPeople) std::abort();
        mails = std::make_unique<CMailListViewer>(&env);

        mailId = mails->GetNewMailID();
        COneMailData m;
        m.SetMailID(mailId);
        m.SetMailTitle("bench");
        m.SetStatus("C", 0);
        m.SetSpecialFlag("NN");
        if (mails->SetMailData(m) != 0 || mails->WriteMailList(1) != 0) std::abort();
        if (MakeDirectoryCompel(env_layout::OneMailFolder(env, mailId)) != 0) std::abort();
        HistoryListViewer history(&env, options.get(), book.get(), mails.get());
        if (history.SetMailID(mailId, 1) != 0) std::abort();
        HistorySet row;
        row.state = "C";
        row.openFlag = "N";
        row.lastSendDate = platform::DateTime(2024, 4, 1, 10, 0, 0);
        messageIds.resize(static_cast<std::size_t>(kPeople));
        for (int i = 0; i < kPeople; ++i) {
            row.customerID = kFirstCustomer + i;
            row.retryNum = i % 10 == 9 ? 3 : 0;  // one in ten with no resend left
            row.messageID = "<" + MakeMessageIDLocalPart(kSender, mailId) + ">";
            messageIds[static_cast<std::size_t>(i)] = row.messageID;
            if (history.SetHDataFromStructToMemory(row) != 0) std::abort();
        }
        if (history.WriteHDataFromMemoryToFileCompel() != 0) std::abort();
    }
    ~Env() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    SendEnvironment Stores() { return {&env, options.get(), book.get(), mails.get()}; }
    void Option(int index, const std::string& value) { options->SetSODataToMemoryPinPoint(index, value); }
};

// The copy of the mail that person `i` got.
std::string Original(const Env& e, int i) {
    std::string text = "Return-Path: <" + std::string(kSender) + ">\r\nMessage-ID: " +
                       e.messageIds[static_cast<std::size_t>(i)] + "\r\nDate: Mon, 01 Apr 2024 10:00:00 +0900\r\nFrom: " +
                       kSender + "\r\nTo: misaki.sasaki" + std::to_string(i) +
                       "@example.co.jp\r\nSubject: =?ISO-2022-JP?B?GyRCPVUkTiUtJWMlcyVaITwlcxsoQg==?=\r\n"
                       "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n"
                       "Content-Transfer-Encoding: 7bit\r\n\r\n";
    for (int line = 0; line < 16; ++line)
        text += "\x1b$B$$$D$b$4MxMQ$$$?$@$-$\"$j$,$H$&$4$6$$$^$9!#\x1b(B Spring sale, line " + std::to_string(line) + "\r\n";
    return text;
}

std::vector<std::string> Mailbox(const Env& e, const std::string& replies) {
    const char* bounces[] = {"bounce_postfix.eml", "bounce_exim.eml", "bounce_qmail.eml", "bounce_sendmail.eml",
                             "bounce_exchange.eml"};
    std::vector<std::string> templates;
    for (const char* b : bounces) templates.push_back(ReadText(replies + b));
    const std::string receipt = ReadText(replies + "read_receipt.eml");
    const std::string ordinary = ReadText(replies + "ordinary.eml");
    std::vector<std::string> out;
    std::mt19937 rng(20240401);
    std::uniform_int_distribution<int> person(0, kPeople - 1);
    for (int n = 0; n < kMessages; ++n) {
        const int i = person(rng);
        const int kind = n % 10;  // 0-3 bounce, 4-6 receipt, 7-9 ordinary
        std::string text = kind < 4 ? templates[static_cast<std::size_t>(n % 5)] : kind < 7 ? receipt : ordinary;
        const std::string original = Original(e, i);
        ReplaceAll(text, "{{ORIGINAL}}", original);
        ReplaceAll(text, "{{HEADERS}}", original.substr(0, original.find("\r\n\r\n") + 2));
        text = Crlf(text);
        ReplaceAll(text, "{{MSGID}}", e.messageIds[static_cast<std::size_t>(i)]);
        ReplaceAll(text, "{{RCPT}}", "misaki.sasaki" + std::to_string(i) + "@example.co.jp");
        ReplaceAll(text, "{{SENDER}}", kSender);
        ReplaceAll(text, "{{N}}", std::to_string(n));
        if (kind >= 7) {
            for (int line = 0; line < 30; ++line) text += "We look forward to the spring sale at the shop. Line " + std::to_string(line) + "\r\n";
        }
        out.push_back(std::move(text));
    }
    std::shuffle(out.begin(), out.end(), rng);
    return out;
}

// Python's poplib downloading every message once: {messages, seconds}.
std::pair<int, double> PoplibDownload(int port, const std::string& user) {
    static const char* script = R"(import poplib, sys, time
t0 = time.perf_counter()
p = poplib.POP3(sys.argv[1], int(sys.argv[2]))
p.user(sys.argv[3]); p.pass_(sys.argv[4])
count = p.stat()[0]
for i in range(1, count + 1):
    p.retr(i)
p.quit()
print(count, time.perf_counter() - t0, flush=True)
)";
    nettest::ChildProcess python({"/usr/bin/python3", "-c", script, "127.0.0.1", std::to_string(port), user, "secret"},
                                 {.readOutput = true, .stopSignal = 0, .grace = std::chrono::seconds(5)});
    std::istringstream words(python.FirstLine(std::chrono::seconds(600)));
    int count = 0;
    double seconds = 0;
    words >> count >> seconds;
    return {count, seconds};
}

void BM_ReceiveRun(benchmark::State& state) {
    if (SourceFolder().empty()) {
        state.SkipWithError("the source folder is not known");
        return;
    }
    const std::string root = TempRoot();
    Env e(root + "env/");
    std::filesystem::create_directories(root + "log");
    LogWriter::SetLogFolderForTesting(root + "log/");
    transporttest::DovecotServer dovecot;
    const std::string user = dovecot.AddUser("secret");
    for (const std::string& m : Mailbox(e, SourceFolder() + "/app/sendrecv/tests/testdata/replies/")) dovecot.AddMessage(user, m);
    for (auto [index, value] : std::initializer_list<std::pair<int, std::string>>{
             {1, "127.0.0.1"}, {2, std::to_string(dovecot.pop3Port())}, {3, "0"}, {4, user}, {5, "secret"}, {6, "Y"},
             {7, "Y"}, {54, "Y"}, {65, "3"}, {66, "30"}, {85, "N"}, {106, "N"}, {107, "N"}})
        e.Option(index, value);
    // Dovecot reads a new mailbox once; neither side pays for that.
    PoplibDownload(dovecot.pop3Port(), user);

    for (auto _ : state) {
        const auto [downloaded, poplibSeconds] = PoplibDownload(dovecot.pop3Port(), user);
        if (downloaded != kMessages) state.SkipWithError("poplib did not download the mailbox");

        Clock::time_point lastApplied, staged, installed;
        SetReceiveFaultProbeForTesting([&](std::string_view point) {
            if (point == "applied") lastApplied = Clock::now();
            if (point == "staged") staged = Clock::now();
            if (point == "installed") installed = Clock::now();
        });
        CPopReceiveSession session(e.Stores());
        const Clock::time_point start = Clock::now();
        const int result = session.Run();
        const Clock::time_point end = Clock::now();
        SetReceiveFaultProbeForTesting({});
        if (result != CPopReceiveSession::kRunNormal || session.GetHandledCount() != kMessages)
            state.SkipWithError("the receive run did not end normally");

        const double seconds = std::chrono::duration<double>(end - start).count();
        const auto secs = [](Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); };
        state.SetIterationTime(seconds);
        state.counters["messages/s"] = kMessages / seconds;
        state.counters["poplib/s"] = kMessages / poplibSeconds;
        state.counters["vs_poplib"] = poplibSeconds / seconds;
        state.counters["fetch_apply_s"] = secs(start, lastApplied);
        state.counters["save_s"] = secs(lastApplied, installed);
        state.counters["staging_s"] = secs(lastApplied, staged);
        state.counters["logout_s"] = secs(installed, end);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    LogWriter::SetLogFolderForTesting("");
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}
BENCHMARK(BM_ReceiveRun)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

const char* ServerScriptsFolder() {
    static const std::string folder = SourceFolder() + "/platform/netssl/tests/servers";
    return folder.c_str();
}
