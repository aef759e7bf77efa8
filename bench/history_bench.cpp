// Send histories at the scale of a mail to 1,000,000 recipients: opening the history,
// recording every result of a send run with the progress record and paced whole-file
// saves, and the Message-ID look-up of the receive run.
//
// Counters: rows; written_ratio is all bytes written to the history and its progress
// record during the run over the final file's size (the old every-ten-messages rewrite
// would be about 50,000); saves is the number of whole-file saves. The environment lives
// in $TMPDIR (default /tmp) and is removed at exit. The progress record is not flushed
// to the disk after each append here (the default is to flush): the counters are about
// bytes, and a flush per recipient would measure the disk.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "core/foundation/env_manager.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kMail = 7;

struct Env {
    std::string base;
    EnvManager env;
    std::unique_ptr<CMailListViewer> mails;

    Env() {
        const char* tmp = std::getenv("TMPDIR");
        base = std::string(tmp != nullptr ? tmp : "/tmp") + "/ombrel_history_bench_" + std::to_string(::getpid()) + "/";
        std::filesystem::create_directories(base + "Env/MAIL/" + std::to_string(kMail));
        std::FILE* f = std::fopen((base + "Env.env").c_str(), "wb");
        if (f != nullptr) std::fclose(f);
        f = std::fopen((base + "Env/MAIL/maillist.dat").c_str(), "wb");
        if (f != nullptr) std::fclose(f);
        env.InitEnvFileInfo(base + "Env.env", nullptr, 0);
        mails = std::make_unique<CMailListViewer>(&env);
    }
    ~Env() {
        std::error_code ec;
        std::filesystem::remove_all(base, ec);
    }
    std::unique_ptr<HistoryListViewer> History() {
        auto h = std::make_unique<HistoryListViewer>();
        h->SetEnvManager(&env);
        h->SetMailListViewer(mails.get());
        h->SetMailID(kMail, 1);
        h->SetProgressSync(false);
        return h;
    }
    std::string HistoryFile() const {
        return base + "Env/MAIL/" + std::to_string(kMail) + "/hist" + std::to_string(kMail) + ".dat";
    }
};

Env& TheEnv() {
    static Env env;
    return env;
}

std::string MessageId(int i) { return "<1733731200." + std::to_string(i * 7919 % 100003) + ".7." + std::to_string(i) + "@mail.example.co.jp>"; }

HistorySet Sent(int id) {
    HistorySet h;
    h.customerID = id;
    h.state = "C";
    h.retryNum = 0;
    h.openFlag = "N";
    h.messageID = MessageId(id);
    h.lastSendDate = platform::DateTime(2024, 12, 9, 10, 20, 30);
    return h;
}

// A send run: each recipient's result is recorded as it comes (the send run's history
// update: new row, or Message-ID, retry count, state and date of a resent one), every
// tenth recipient of the first 5% is resent later in the run, and the history is saved
// by pace.
void BM_RecordSendRun(benchmark::State& state) {
    Env& e = TheEnv();
    for (auto _ : state) {
        std::filesystem::remove(e.HistoryFile());
        auto h = e.History();
        h->GetHDataFromFileToMemory();
        h->SetSavePace(0, 1.0);  // the ratio rule alone: as many saves as it allows
        int saves = 0;
        for (int id = 1; id <= kRows; ++id) {
            h->SetHDataFromStructToMemory(Sent(id));
            if (id % 20 == 0 && id / 20 <= kRows / 200) {
                const int again = id / 20 * 10;
                std::string mid = MessageId(again) + "r";
                h->TransferMessageID(again, mid, 1);
                h->RetryNumInc(again);
                std::string st = "C";
                h->TransferState(again, st, 1);
            }
            const int r = h->WriteHDataFromMemoryToFileByPace();
            if (r < 0) state.SkipWithError("save failed");
            saves += r;
        }
        h->WriteHDataFromMemoryToFile();
        const double final = static_cast<double>(std::filesystem::file_size(e.HistoryFile()));
        state.counters["rows"] = h->GetRecordNumber();
        state.counters["saves"] = saves + 1;
        state.counters["written_ratio"] = static_cast<double>(h->GetWrittenBytes()) / final;
        state.counters["final_MB"] = final / 1e6;
    }
}

void BM_OpenMillionRows(benchmark::State& state) {
    Env& e = TheEnv();
    if (!std::filesystem::exists(e.HistoryFile())) {
        auto h = e.History();
        for (int id = 1; id <= kRows; ++id) h->SetHDataFromStructToMemory(Sent(id));
        h->WriteHDataFromMemoryToFileCompel();
    }
    for (auto _ : state) {
        auto h = e.History();
        if (h->GetHDataFromFileToMemory() != 0) state.SkipWithError("read failed");
        state.counters["rows"] = h->GetRecordNumber();
        benchmark::DoNotOptimize(h);
    }
}

void BM_MessageIdLookup(benchmark::State& state) {
    Env& e = TheEnv();
    static std::unique_ptr<HistoryListViewer> h;
    if (!h) {
        h = e.History();
        for (int id = 1; id <= kRows; ++id) h->SetHDataFromStructToMemory(Sent(id));
    }
    std::mt19937 rng(42);
    std::vector<int> ids;
    std::vector<std::string> keys;
    for (int i = 0; i < 4096; ++i) keys.push_back(MessageId(static_cast<int>(rng() % kRows) + 1));
    std::size_t i = 0;
    for (auto _ : state) {
        h->GetCustomerIDFromMessageID(keys[i++ & 4095], ids);
        benchmark::DoNotOptimize(ids.data());
    }
}

}  // namespace

BENCHMARK(BM_RecordSendRun)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_OpenMillionRows)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_MessageIdLookup)->Unit(benchmark::kMicrosecond);
