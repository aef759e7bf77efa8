// The address book's recovery at open with 1,000,000 records and one generation: the
// generation is read into a second store and merged, the book saved when it changed, and
// the generation rotated (a full copy flushed to the disk).
//
//   BM_RecoveryNothingLost: the usual open, the generation equals the book.
//   BM_RecoveryLostRecords: the book lost every 100th record; they come back, the book is
//                           re-sorted and saved.
//
// A keyed environment is built once in a temporary folder. Set OMBREL_AB_RECORDS to use
// another size.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/addressbook/database_edit.h"
#include "core/addressbook/open_recovery.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "book_bench_env.h"

namespace {


class RecoveryBench {
public:
    static RecoveryBench& Get() {
        static RecoveryBench bench;
        return bench;
    }
    EnvManager& env() { return env_; }
    int count() const { return count_; }
    std::string Db(const std::string& name) const { return root_ + "Env/DB/" + name; }

    // Puts the files back: the whole book (or the book without every 100th record) as
    // database.dat, the whole book as database.001.
    void Reset(bool lost) {
        std::filesystem::copy_file(Db("full.dat"), Db("database.001"), std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(Db(lost ? "lost.dat" : "full.dat"), Db("database.dat"),
                                   std::filesystem::copy_options::overwrite_existing);
    }

    ~RecoveryBench() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

private:
    RecoveryBench() : count_(BookRecordCount()) {
        root_ = MakeKeyedBookEnv(env_, "ombrel-recovery-bench");
        StoreKey key;
        if (GetStoreKey(&env_, key) != 0) std::abort();
        CDatabaseEdit full(&env_), lost(&env_);
        Generate(full, lost);
        if (full.WriteFromMemoryToFileAppointFileName(Db("full.dat"), key.get()) != 0 ||
            lost.WriteFromMemoryToFileAppointFileName(Db("lost.dat"), key.get()) != 0)
            std::abort();
        malloc_trim(0);
    }

    void Generate(CDatabaseEdit& full, CDatabaseEdit& lost) {
        const std::string sei = Utf8ToSjis("佐々木"), mei = Utf8ToSjis("美咲");
        const std::string seiKana = Utf8ToSjis("ささき"), meiKana = Utf8ToSjis("みさき");
        const std::string company = Utf8ToSjis("株式会社サンプル商事"), post = Utf8ToSjis("営業部");
        const std::string prefecture = Utf8ToSjis("神奈川県"), city = Utf8ToSjis("横浜市中区");
        const std::string address = Utf8ToSjis("3丁目"), building = Utf8ToSjis("サンプルビル");
        std::mt19937 rng(4711);
        auto r = [&rng](unsigned n) { return static_cast<unsigned>(rng() % n); };
        OneCustomer c;
        InitOneCustomer(c);
        c.EntryDate = platform::DateTime(2008, 4, 1, 9, 5, 0);
        c.RenewalDate = platform::DateTime(2024, 1, 2, 3, 4, 5);
        char buf[64];
        for (int i = 0; i < count_; ++i) {
            c.CustomerID = 1000 + i;
            c.Email = "misaki.sasaki" + std::to_string(i) + "@example.co.jp";
            c.KanjiSei = sei;
            c.KanjiMei = mei;
            c.KanaSei = seiKana;
            c.KanaMei = meiKana;
            c.Company = r(2) ? company : std::string();
            c.CompanyPost = c.Company.empty() ? std::string() : post;
            std::snprintf(buf, sizeof buf, "19%02u/%02u/%02u", r(100), 1 + r(12), 1 + r(28));
            c.Birthday = buf;
            std::snprintf(buf, sizeof buf, "%07u", r(10000000));
            c.ZipCode1 = buf;
            c.Prefecture = prefecture;
            c.Address1 = city;
            std::snprintf(buf, sizeof buf, "%u-%u", 1 + r(30), 1 + r(20));
            c.Address2 = address + buf;
            c.Building = r(3) == 0 ? building + std::to_string(100 + r(900)) : std::string();
            std::snprintf(buf, sizeof buf, "045-%04u-%04u", r(10000), r(10000));
            c.Phone1 = buf;
            std::snprintf(buf, sizeof buf, "090-%04u-%04u", r(10000), r(10000));
            c.Portable1 = buf;
            c.Extra[0] = std::to_string(r(100));
            c.DeleteFlag = r(50) == 0 ? "Y" : "";
            if (full.SetOneCustomerInfoForRepair(c) != 0) std::abort();
            if (i % 100 != 0 && lost.SetOneCustomerInfoForRepair(c) != 0) std::abort();
        }
    }

    EnvManager env_;
    std::string root_;
    int count_;
};

void RunRecovery(benchmark::State& state, bool lost) {
    RecoveryBench& bench = RecoveryBench::Get();
    int restored = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench.Reset(lost);
        auto book = std::make_unique<CDatabaseEdit>(&bench.env());
        if (book->ReadCustomerList() < 0) state.SkipWithError("read failed");
        state.ResumeTiming();

        OpenRecoveryResult out;
        if (RecoverAddressBook(*book, bench.env(), 1, out) != 0) state.SkipWithError("recovery failed");
        restored = book->GetLineNumber();

        state.PauseTiming();
        book.reset();
        malloc_trim(0);
        state.ResumeTiming();
    }
    state.counters["rows_after"] = restored;
    state.counters["file_MB"] =
        static_cast<double>(std::filesystem::file_size(bench.Db("full.dat"))) / 1048576.0;
}

void BM_RecoveryNothingLost(benchmark::State& state) { RunRecovery(state, false); }
BENCHMARK(BM_RecoveryNothingLost)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RecoveryLostRecords(benchmark::State& state) { RunRecovery(state, true); }
BENCHMARK(BM_RecoveryLostRecords)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
