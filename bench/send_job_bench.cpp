// The send job's per-recipient bookkeeping at real sizes: an environment of 100,000 people
// and 2,000 mails (made by the program's creation), and per recipient
//  - SaveProgress(0), the mail's progress in the mail list: written every call (pace 0, as
//    a save per recipient would) or by time (the job's default pace of one second);
//    counter list_writes = mail-list writes per recipient;
//  - UpdateHistory, the recipient's row in the send history (in memory; the send run
//    writes the history by its own pace);
//  - the headers of one recipient's message: Message-ID, To with a Japanese name, the
//    Subject and a 2 KB Japanese text part.
// The environment lives in $TMPDIR (default /tmp) and is removed at exit.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/sendrecv/message_headers.h"
#include "app/sendrecv/send_job.h"
#include "bench/program_env.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"

namespace {

constexpr int kPeople = 100000;
constexpr int kMails = 2000;
constexpr int kFirstCustomer = 1000;  // the IDs FillBook gives

struct Env {
    std::string root;
    EnvManager env;
    std::unique_ptr<SystemOption> options;
    std::unique_ptr<CDatabaseEdit> book;
    std::unique_ptr<CMailListViewer> mails;

    Env() {
        const char* tmp = std::getenv("TMPDIR");
        root = std::string(tmp != nullptr ? tmp : "/tmp") + "/quendrel_send_job_bench_" + std::to_string(::getpid()) + "/";
        std::filesystem::create_directories(root);
        const std::string descriptor = bench_env::MakeFilledEnvironments(root, {"SendBench"}, kPeople, kMails).front();
        if (env.InitEnvFileInfo(descriptor, shell::kDescriptorKey, 0) != 0) std::abort();
        options = std::make_unique<SystemOption>(&env);
        options->GetSODataFromFileToMemory();
        options->SetSODataToMemoryPinPoint(54, "Y");
        options->SetSODataToMemoryPinPoint(65, "3");
        book = std::make_unique<CDatabaseEdit>(&env, options.get());
        if (book->ReadCustomerList() < kPeople) std::abort();
        mails = std::make_unique<CMailListViewer>(&env);
    }
    ~Env() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    SendEnvironment Stores() { return {&env, options.get(), book.get(), mails.get()}; }
};

Env& TheEnv() {
    static Env env;
    return env;
}

void BM_SaveProgressPerRecipient(benchmark::State& state) {
    Env& e = TheEnv();
    CSendJob job(e.Stores());
    job.SetMailID(kMails / 2);
    job.SetProgressSavePace(std::chrono::milliseconds(state.range(0)));
    for (auto _ : state) {
        ++job.Counters().processed;
        if (job.SaveProgress(0) != 0) state.SkipWithError("save failed");
    }
    state.counters["list_writes"] =
        benchmark::Counter(static_cast<double>(job.GetMailListWrites()) / static_cast<double>(state.iterations()));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SaveProgressPerRecipient)->Arg(0)->Arg(1000)->ArgName("pace_ms")->Unit(benchmark::kMicrosecond);

void BM_UpdateHistoryPerRecipient(benchmark::State& state) {
    Env& e = TheEnv();
    CSendJob job(e.Stores());
    int next = 0;
    auto fresh = [&] {
        job.CreateStores();
        job.GetHistory()->SetMailID(kMails / 2 + 1, 0);
        next = 0;
    };
    fresh();
    for (auto _ : state) {
        if (next == kPeople) {
            state.PauseTiming();
            fresh();
            state.ResumeTiming();
        }
        const int id = kFirstCustomer + next++;
        // One in 50 fails and waits for a resend.
        if (job.UpdateHistory(id, next % 50 == 0 ? "E" : "C", "20240101000000000.00000.1.a@b.jp") != 0)
            state.SkipWithError("update failed");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UpdateHistoryPerRecipient)->Unit(benchmark::kMicrosecond);

void BM_RecipientHeaders(benchmark::State& state) {
    const std::string name = Utf8ToSjis("佐々木美咲様");
    const std::string subject = Utf8ToSjis("【会員様限定】春のキャンペーンのお知らせ");
    std::string body;
    while (body.size() < 2048) body += Utf8ToSjis("いつもご利用いただきありがとうございます。春の特別セールのご案内です。\r\n");
    std::string to, subjectLine, part;
    for (auto _ : state) {
        std::string id = MakeMessageIDLocalPart("info@example.co.jp", 42);
        if (FormatAddress(name, "misaki.sasaki@example.co.jp", to) != 0 ||
            MakeSubjectHeader(subject, 0, subjectLine) != 0 || MakeTextPartHeader(body, 0, part) != 0)
            state.SkipWithError("header failed");
        benchmark::DoNotOptimize(id);
        benchmark::DoNotOptimize(part);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecipientHeaders)->Unit(benchmark::kMicrosecond);

}  // namespace
