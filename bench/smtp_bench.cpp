// Throughput of the SMTP component over one connection: 10,000 messages of 5 KB sent
// to Postfix's smtp-sink on loopback, next to Postfix's own load generator
// (smtp-source -d -s 1, one connection kept open) sending the same number and size of
// messages to the same sink in the same run. Each benchmark reports messages per second;
// the component's also reports its rate divided by smtp-source's. BM_TransferLogCost
// alternates the bare component and CMySMTPS with its transfer log and reports what the
// log costs in percent of the send rate.
//
// The sink and the load generator come with Debian's postfix package.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "core/foundation/log_writer.h"
#include "core/transport/my_smtps.h"
#include "platform/netssl/smtps.h"
#include "smtp_sink.h"

namespace {

constexpr int kMessages = 10000;
constexpr size_t kMessageBytes = 5 * 1024;

SmtpSink& TheSink() {
    static SmtpSink sink;
    return sink;
}

double g_smtpSourceRate = 0;

// A 5 KB message as the send session hands it over: headers, blank line, text lines.
std::string HeaderText() {
    std::string text = "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=\"ISO-2022-JP\"\r\n"
                       "Content-Transfer-Encoding: 7bit\r\nSubject: benchmark\r\n\r\n";
    const std::string line(74, 'x');
    while (text.size() + line.size() + 2 < kMessageBytes) text += line + "\r\n";
    return text;
}

void BM_SmtpSource(benchmark::State& state) {
    const std::string source = SystemProgram("smtp-source");
    if (TheSink().port() == 0 || source.empty()) {
        state.SkipWithError("postfix's smtp-sink and smtp-source are needed");
        return;
    }
    for (auto _ : state) {
        const int status = nettest::RunProgram({source, "-d", "-s", "1", "-m", std::to_string(kMessages), "-l",
                                                std::to_string(kMessageBytes), "-f", "from@example.jp", "-t",
                                                "to@example.jp", "127.0.0.1:" + std::to_string(TheSink().port())});
        if (status != 0) state.SkipWithError("smtp-source failed");
    }
    state.counters["messages/s"] = benchmark::Counter(static_cast<double>(kMessages) * state.iterations(),
                                                      benchmark::Counter::kIsRate);
}

// Connects `h` to the sink, sends `count` messages over the connection and disconnects.
// Returns the messages per second, or 0 with `error` set.
double SendRound(netssl::SmtpsComponent* h, int count, std::string& error) {
    static const std::string text = HeaderText();
    const auto start = std::chrono::steady_clock::now();
    netssl::SMTPS_Set(h, netssl::kSmtpsServer, 0, "127.0.0.1", 0);
    netssl::SMTPS_Set(h, netssl::kSmtpsPort, 0, TheSink().port(), 0);
    if (netssl::SMTPS_Do(h, netssl::kSmtpsConnect) != 0) {
        error = netssl::SMTPS_GetLastError(h);
        return 0;
    }
    netssl::SMTPS_Set(h, netssl::kSmtpsFrom, 0, "\"Sender\" <from@example.jp>", 0);
    netssl::SMTPS_Set(h, netssl::kSmtpsDate, 0, "Wed, 9 Dec 2026 20:00:00 +0900", 0);
    for (int i = 0; i < count; ++i) {
        const std::string to = "to" + std::to_string(i) + "@example.jp";
        const std::string id = "<" + std::to_string(i) + ".bench@example.jp>";
        netssl::SMTPS_Set(h, netssl::kSmtpsTo, 0, to.c_str(), 0);
        netssl::SMTPS_Set(h, netssl::kSmtpsMessageId, 0, id.c_str(), 0);
        netssl::SMTPS_Set(h, netssl::kSmtpsHeaderText, 0, text.c_str(), static_cast<int>(text.size()));
        if (netssl::SMTPS_Do(h, netssl::kSmtpsSend) != 0) {
            error = netssl::SMTPS_GetLastError(h);
            return 0;
        }
    }
    netssl::SMTPS_Do(h, netssl::kSmtpsDisconnect);
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return secs > 0 ? count / secs : 0;
}

// Sends kMessages over one connection of `h` per iteration.
template <typename Setup>
void SendAll(benchmark::State& state, netssl::SmtpsComponent* h, Setup setup) {
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        setup();
        std::string error;
        if (SendRound(h, kMessages, error) == 0) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    const double messages = static_cast<double>(kMessages) * state.iterations();
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["messages/s"] = benchmark::Counter(messages, benchmark::Counter::kIsRate);
    // Above 1: faster than smtp-source; the target is at least 0.5.
    if (g_smtpSourceRate > 0 && secs > 0) state.counters["vs_smtp_source"] = messages / secs / g_smtpSourceRate;
}

struct LogFolder {
    LogFolder() : path(std::filesystem::temp_directory_path() / ("smtp-bench-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(path);
        LogWriter::SetLogFolderForTesting(path.string() + "/");
    }
    ~LogFolder() {
        LogWriter::SetLogFolderForTesting("");
        std::filesystem::remove_all(path);
    }
    std::filesystem::path path;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The bare component, its events going to a no-op owner.
void BM_SmtpsComponent(benchmark::State& state) {
    if (TheSink().port() == 0) {
        state.SkipWithError("postfix's smtp-sink is needed");
        return;
    }
    netssl::SMTPS owner;
    netssl::SmtpsComponent* h = netssl::SMTPS_Create(&owner, &netssl::SMTPS::Dispatch);
    SendAll(state, h, [] {});
    netssl::SMTPS_Destroy(h);
}

// The same through CMySMTPS, which writes every protocol line to the transfer log.
void BM_MySmtpsWithTransferLog(benchmark::State& state) {
    if (TheSink().port() == 0) {
        state.SkipWithError("postfix's smtp-sink is needed");
        return;
    }
    LogFolder folder;
    CMySMTPS client;
    SendAll(state, client.GetHandle(), [&] { client.Init(); });
}

// The transfer log's share of the send rate. Rounds of 2,000 messages alternate between
// the bare component and CMySMTPS writing its log (about seven lines a message, written
// in batches), so that a change in the machine's load meets both alike. Counters:
// each side's median rate, and the log's cost in percent of the bare rate (the target
// is at most 10).
void BM_TransferLogCost(benchmark::State& state) {
    if (TheSink().port() == 0) {
        state.SkipWithError("postfix's smtp-sink is needed");
        return;
    }
    constexpr int kRounds = 11, kRoundMessages = 2000;
    LogFolder folder;
    netssl::SMTPS owner;
    netssl::SmtpsComponent* bare = netssl::SMTPS_Create(&owner, &netssl::SMTPS::Dispatch);
    CMySMTPS client;
    std::vector<double> bareRates, loggedRates;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            std::string error;
            bareRates.push_back(SendRound(bare, kRoundMessages, error));
            client.Init();
            loggedRates.push_back(SendRound(client.GetHandle(), kRoundMessages, error));
            if (!error.empty()) {
                state.SkipWithError(error.c_str());
                break;
            }
        }
    }
    netssl::SMTPS_Destroy(bare);
    if (bareRates.empty() || loggedRates.empty()) return;
    const double bareRate = Median(bareRates), loggedRate = Median(loggedRates);
    state.counters["bare_msgs/s"] = bareRate;
    state.counters["logged_msgs/s"] = loggedRate;
    state.counters["log_cost_%"] = bareRate > 0 ? 100.0 * (1.0 - loggedRate / bareRate) : 0;
}

// smtp-source first, so that the component's ratio can be computed against it.
void Register() {
    benchmark::RegisterBenchmark("BM_SmtpSource", [](benchmark::State& s) {
        const auto start = std::chrono::steady_clock::now();
        BM_SmtpSource(s);
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (secs > 0) g_smtpSourceRate = kMessages * static_cast<double>(s.iterations()) / secs;
    })->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("BM_SmtpsComponent", BM_SmtpsComponent)
        ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("BM_MySmtpsWithTransferLog", BM_MySmtpsWithTransferLog)
        ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("BM_TransferLogCost", BM_TransferLogCost)
        ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
}

const int kRegistered = (Register(), 0);

}  // namespace
