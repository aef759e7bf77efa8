// The address book at a million records: open (read and index; with a journal to
// replay), save, single-record stores with their flush, bulk stores, ID look-ups,
// distinct values of a column and the sort after a restore.
//
// A keyed environment with 1,000,000 generated records of realistic content (Japanese
// names, addresses and companies, mostly distinct mail addresses, a few extension items,
// 2 % deleted) is built once in a temporary folder. Set OMBREL_AB_RECORDS to use another
// size.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/addressbook/database_edit.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "book_bench_env.h"

namespace {

constexpr int kFirstId = 1000;  // IDs below are free for the restore benchmark

long StatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + key.size());
    return 0;
}

std::vector<std::string> Sjis(std::initializer_list<const char*> words) {
    std::vector<std::string> out;
    for (const char* w : words) out.push_back(Utf8ToSjis(w));
    return out;
}

// Generates the records and writes the book once; the environment stays open.
class BenchBook {
public:
    static BenchBook& Get() {
        static BenchBook book;
        return book;
    }
    EnvManager& env() { return env_; }
    const std::string& root() const { return root_; }
    int count() const { return count_; }
    // A book read from the file, shared by the benchmarks that do not change its shape.
    CDatabaseEdit& opened() {
        if (!opened_) {
            opened_ = std::make_unique<CDatabaseEdit>(&env_);
            opened_->ReadCustomerList();
        }
        return *opened_;
    }
    ~BenchBook() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

private:
    BenchBook() : count_(BookRecordCount()) {
        root_ = MakeKeyedBookEnv(env_, "ombrel-ab-bench");
        {
            CDatabaseEdit book(&env_);
            book.ReadCustomerList();  // no file yet: an empty book that may be saved
            Generate(book);
            if (book.WriteFromMemoryToFile() != 0) std::abort();
        }
        malloc_trim(0);
    }

    void Generate(CDatabaseEdit& book) {
        const auto sei = Sjis({"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤",
                               "吉田", "山田", "佐々木", "山口", "松本", "井上", "木村", "林", "斎藤", "清水"});
        const auto seiKana = Sjis({"さとう", "すずき", "たかはし", "たなか", "いとう", "わたなべ", "やまもと",
                                   "なかむら", "こばやし", "かとう", "よしだ", "やまだ", "ささき", "やまぐち",
                                   "まつもと", "いのうえ", "きむら", "はやし", "さいとう", "しみず"});
        const char* const seiRoma[] = {"sato", "suzuki", "takahashi", "tanaka", "ito", "watanabe", "yamamoto",
                                       "nakamura", "kobayashi", "kato", "yoshida", "yamada", "sasaki", "yamaguchi",
                                       "matsumoto", "inoue", "kimura", "hayashi", "saito", "shimizu"};
        const auto mei = Sjis({"太郎", "花子", "一郎", "美咲", "健太", "陽菜", "大輔", "さくら", "翔太", "結衣"});
        const auto meiKana = Sjis({"たろう", "はなこ", "いちろう", "みさき", "けんた", "ひな", "だいすけ", "さくら",
                                   "しょうた", "ゆい"});
        const char* const meiRoma[] = {"taro", "hanako", "ichiro", "misaki", "kenta", "hina", "daisuke", "sakura",
                                       "shota", "yui"};
        const char* const domains[] = {"example.co.jp", "docomo.ne.jp", "ezweb.ne.jp", "softbank.ne.jp",
                                       "gmail.com", "yahoo.co.jp", "mail.example.com"};
        const auto prefectures = Sjis({"東京都", "大阪府", "神奈川県", "愛知県", "北海道", "福岡県", "京都府"});
        const auto cities = Sjis({"千代田区", "大阪市北区", "横浜市中区", "名古屋市中区", "札幌市中央区", "福岡市博多区"});
        const auto companies = Sjis({"株式会社サンプル商事", "有限会社テスト工業", "合同会社見本", "サンプル電機株式会社"});
        const auto posts = Sjis({"営業部", "総務部", "開発部第二課"});
        const std::string chome = Utf8ToSjis("丁目");
        const std::string building = Utf8ToSjis("サンプルビル");

        std::mt19937 rng(12345);
        auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
        OneCustomer c;
        c.EntryDate = platform::DateTime(2008, 4, 1, 9, 5, 0);
        c.RenewalDate = platform::DateTime(2024, 1, 2, 3, 4, 5);
        CDatabaseEdit::ChangeGroup group(book);  // one commit for the whole book
        for (int i = 0; i < count_; ++i) {
            const std::size_t s = pick(20), m = pick(10);
            c.CustomerID = kFirstId + i;
            c.Email = std::string(meiRoma[m]) + "." + seiRoma[s] + std::to_string(i) + "@" + domains[pick(7)];
            c.KanjiSei = sei[s];
            c.KanjiMei = mei[m];
            c.KanaSei = seiKana[s];
            c.KanaMei = meiKana[m];
            c.Company = pick(2) ? companies[pick(companies.size())] : std::string();
            c.CompanyPost = c.Company.empty() ? std::string() : posts[pick(posts.size())];
            char buf[64];
            std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", 1940 + static_cast<int>(pick(65)),
                          1 + static_cast<int>(pick(12)), 1 + static_cast<int>(pick(28)));
            c.Birthday = buf;
            std::snprintf(buf, sizeof buf, "%07d", static_cast<int>(pick(10000000)));
            c.ZipCode1 = buf;
            c.Prefecture = prefectures[pick(prefectures.size())];
            c.Address1 = cities[pick(cities.size())];
            std::snprintf(buf, sizeof buf, "%d-%d-%d", 1 + static_cast<int>(pick(9)), 1 + static_cast<int>(pick(30)),
                          1 + static_cast<int>(pick(20)));
            c.Address2 = std::to_string(1 + pick(5)) + chome + buf;
            c.Building = pick(3) == 0 ? building + std::to_string(100 + pick(900)) : std::string();
            std::snprintf(buf, sizeof buf, "03-%04d-%04d", static_cast<int>(pick(10000)), static_cast<int>(pick(10000)));
            c.Phone1 = buf;
            std::snprintf(buf, sizeof buf, "090-%04d-%04d", static_cast<int>(pick(10000)), static_cast<int>(pick(10000)));
            c.Portable1 = pick(2) ? std::string(buf) : std::string();
            c.DMOk = pick(10) ? "Y" : "N";
            c.OtherMailOk = "Y";
            c.Extra[0] = std::to_string(pick(100));
            c.Extra[1] = pick(2) ? "2023/05/06" : "";
            c.Extra[2] = pick(4) == 0 ? Utf8ToSjis("会員") : std::string();
            c.DeleteFlag = pick(50) == 0 ? "Y" : "";
            if (book.SetOneCustomerInfoForRepair(c) != 0) std::abort();
        }
    }

    EnvManager env_;
    std::string root_;
    int count_;
    std::unique_ptr<CDatabaseEdit> opened_;
};

void BM_OpenBook(benchmark::State& state) {
    BenchBook& bench = BenchBook::Get();
    malloc_trim(0);
    const long before = StatusKb("VmRSS");
    std::ofstream("/proc/self/clear_refs") << "5";  // restart the peak measure
    long kept = 0, peak = 0;
    for (auto _ : state) {
        CDatabaseEdit book(&bench.env());
        const int rows = book.ReadCustomerList();
        if (rows != bench.count()) state.SkipWithError("read failed");
        kept = StatusKb("VmRSS") - before;
        peak = StatusKb("VmHWM") - before;
    }
    state.counters["rows"] = bench.count();
    state.counters["rss_MB"] = static_cast<double>(kept) / 1024.0;
    state.counters["peak_MB"] = static_cast<double>(peak) / 1024.0;
    state.counters["file_MB"] =
        static_cast<double>(std::filesystem::file_size(bench.root() + "Env/DB/database.dat")) / 1048576.0;
}
BENCHMARK(BM_OpenBook)->Unit(benchmark::kMillisecond)->Iterations(2);

// The save as the program makes it (argument 1: flushed to the disk before the rename) and
// without the flush (0), for the cost of the fsync.
void BM_SaveBook(benchmark::State& state) {
    BenchBook& bench = BenchBook::Get();
    CDatabaseEdit& book = bench.opened();
    StoreKey key;
    if (GetStoreKey(&bench.env(), key) != 0) state.SkipWithError("no key");
    const std::string path = bench.root() + "Env/DB/copy.dat";
    book.SetSyncOnWrite(state.range(0) != 0);
    for (auto _ : state) {
        if (book.WriteFromMemoryToFileAppointFileName(path, key.get()) != 0) state.SkipWithError("write failed");
    }
    book.SetSyncOnWrite(true);
}
BENCHMARK(BM_SaveBook)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

// The book saved whole over its file as a window's close saves it, with a journal of one
// change beside it: the save names its file in the journal (appended and flushed) before
// the rename, and removes the journal after it.
void BM_WholeSaveWithJournal(benchmark::State& state) {
    BenchBook& bench = BenchBook::Get();
    CDatabaseEdit& book = bench.opened();
    const std::string journal = bench.root() + "Env/DB/database.jnl";
    OneCustomer c;
    for (auto _ : state) {
        state.PauseTiming();
        book.GetOneCustomerForEdit(c, kFirstId);
        c.Company = c.Company.empty() ? "changed" : std::string();
        if (book.SetOneCustomerInfo(c, 0) != 0 || !std::filesystem::exists(journal))
            state.SkipWithError("no journaled change");
        state.ResumeTiming();
        if (book.WriteFromMemoryToFile() != 0) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_WholeSaveWithJournal)->Unit(benchmark::kMillisecond)->Iterations(5);

// 10,000 records read, changed and stored (write switch 0) as one bulk operation, per
// iteration: one commit of the 10,000 rows to the book's journal at the end.
void BM_Store10k(benchmark::State& state) {
    BenchBook& bench = BenchBook::Get();
    CDatabaseEdit& book = bench.opened();
    std::mt19937 rng(7);
    OneCustomer c;
    for (auto _ : state) {
        CDatabaseEdit::ChangeGroup group(book);
        for (int i = 0; i < 10000; ++i) {
            const int id = kFirstId + static_cast<int>(rng() % static_cast<unsigned>(bench.count()));
            book.GetOneCustomerForEdit(c, id);
            c.DMOk = c.DMOk == "Y" ? "N" : "Y";
            if (book.SetOneCustomerInfo(c, 0) != 0) state.SkipWithError("store failed");
        }
    }
}
BENCHMARK(BM_Store10k)->Unit(benchmark::kMillisecond);

// One record changed and stored as the record editor stores it: the row appended to the
// book's journal and flushed to the disk (fdatasync) before the call returns.
void BM_OneChangeFlushed(benchmark::State& state) {
    BenchBook& bench = BenchBook::Get();
    CDatabaseEdit& book = bench.opened();
    std::mt19937 rng(11);
    OneCustomer c;
    const std::string journal = bench.root() + "Env/DB/database.jnl";
    for (auto _ : state) {
        state.PauseTiming();
        const int id = kFirstId + static_cast<int>(rng() % static_cast<unsigned>(bench.count()));
        book.GetOneCustomerForEdit(c, id);
        c.Company = c.Company.empty() ? "changed" : std::string();
        state.ResumeTiming();
        if (book.SetOneCustomerInfo(c, 0) != 0) state.SkipWithError("store failed");
    }
    std::error_code ec;
    state.counters["journal_KB"] = static_cast<double>(std::filesystem::file_size(journal, ec)) / 1024.0;
}
BENCHMARK(BM_OneChangeFlushed)->Unit(benchmark::kMillisecond);

// The version of the book that the journal is tied to: a digest of the file's bytes,
// taken at every open and after every whole save (the file is in the page cache then).
void BM_BookVersion(benchmark::State& state) {
    BenchBook& bench = BenchBook::Get();
    const std::string path = bench.root() + "Env/DB/database.dat";
    for (auto _ : state) benchmark::DoNotOptimize(BookFileVersion(path));
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1048576.0;
}
BENCHMARK(BM_BookVersion)->Unit(benchmark::kMillisecond);

// The open (read, index, replay) of the book with an empty journal (argument 0) and with a
// journal of that many changes, each committed on its own as the screens and runs commit
// them. The book is saved whole first, so that the journal holds exactly those changes.
void BM_OpenWithJournal(benchmark::State& state) {
    BenchBook& bench = BenchBook::Get();
    const std::string journal = bench.root() + "Env/DB/database.jnl";
    CDatabaseEdit& shared = bench.opened();
    if (shared.WriteFromMemoryToFile() != 0) state.SkipWithError("save failed");
    std::error_code ec;
    std::filesystem::remove(journal, ec);
    {
        CDatabaseEdit book(&bench.env());
        if (book.ReadCustomerList() != bench.count()) state.SkipWithError("read failed");
        std::mt19937 rng(12);
        OneCustomer c;
        for (int i = 0; i < state.range(0); ++i) {
            book.GetOneCustomerForEdit(c, kFirstId + static_cast<int>(rng() % static_cast<unsigned>(bench.count())));
            c.Extra[5] = "journaled " + std::to_string(i);
            if (book.SetOneCustomerInfo(c, 0) != 0) state.SkipWithError("store failed");
        }
    }
    const double journalKb = static_cast<double>(std::filesystem::file_size(journal, ec)) / 1024.0;
    for (auto _ : state) {
        CDatabaseEdit book(&bench.env());
        if (book.ReadCustomerList() != bench.count()) state.SkipWithError("read failed");
    }
    state.counters["journal_KB"] = ec ? 0.0 : journalKb;
    // The shared book holds none of these changes: its file and journal go back to it.
    CDatabaseEdit book(&bench.env());
    book.ReadCustomerList();
    if (book.WriteFromMemoryToFile() != 0) state.SkipWithError("save failed");
    shared.ReadCustomerList();
}
BENCHMARK(BM_OpenWithJournal)->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

// 1,000 new records (ID -1), each drawing its ID from the customer-ID sequence file.
void BM_StoreNew1k(benchmark::State& state) {
    CDatabaseEdit& book = BenchBook::Get().opened();
    OneCustomer c;
    for (auto _ : state) {
        CDatabaseEdit::ChangeGroup group(book);
        for (int i = 0; i < 1000; ++i) {
            InitOneCustomer(c);
            c.Email = "new" + std::to_string(i) + "@x.jp";
            if (book.SetOneCustomerInfo(c, 0) != 0) state.SkipWithError("store failed");
        }
    }
}
BENCHMARK(BM_StoreNew1k)->Unit(benchmark::kMillisecond)->Iterations(1);

// 10,000 deletes and 10,000 undeletes, per iteration.
void BM_DeleteUndelete10k(benchmark::State& state) {
    BenchBook& bench = BenchBook::Get();
    CDatabaseEdit& book = bench.opened();
    std::mt19937 rng(8);
    for (auto _ : state) {
        CDatabaseEdit::ChangeGroup group(book);
        for (int i = 0; i < 10000; ++i) {
            const int id = kFirstId + static_cast<int>(rng() % static_cast<unsigned>(bench.count()));
            if (book.DeleteCustomer(id) != 0 || book.UnDeleteCustomer(id) != 0) state.SkipWithError("failed");
        }
    }
}
BENCHMARK(BM_DeleteUndelete10k)->Unit(benchmark::kMillisecond);

void BM_LookupRow(benchmark::State& state) {
    BenchBook& bench = BenchBook::Get();
    CDatabaseEdit& book = bench.opened();
    std::mt19937 rng(9);
    for (auto _ : state)
        benchmark::DoNotOptimize(book.DBID2RowNumber(kFirstId + static_cast<int>(rng() % static_cast<unsigned>(bench.count()))));
}
BENCHMARK(BM_LookupRow);

void BM_GetOneCustomerForEdit(benchmark::State& state) {
    BenchBook& bench = BenchBook::Get();
    CDatabaseEdit& book = bench.opened();
    std::mt19937 rng(10);
    OneCustomer c;
    for (auto _ : state)
        book.GetOneCustomerForEdit(c, kFirstId + static_cast<int>(rng() % static_cast<unsigned>(bench.count())));
}
BENCHMARK(BM_GetOneCustomerForEdit);

// Distinct values of a column: mail addresses (all distinct) and prefectures (few).
void BM_GroupBy(benchmark::State& state) {
    CDatabaseEdit& book = BenchBook::Get().opened();
    std::vector<std::string> values;
    for (auto _ : state) book.GetDBElementGroupBy(static_cast<int>(state.range(0)), values, 0, 0);
    state.counters["values"] = static_cast<double>(values.size());
}
BENCHMARK(BM_GroupBy)->Arg(kElemEmail)->Arg(kElemPrefecture)->Unit(benchmark::kMillisecond);

void BM_CountLive(benchmark::State& state) {
    CDatabaseEdit& book = BenchBook::Get().opened();
    for (auto _ : state) benchmark::DoNotOptimize(book.GetDBCountWithoutDelete());
}
BENCHMARK(BM_CountLive)->Unit(benchmark::kMillisecond);

// The restore case: a sorted book with 100 small IDs appended, sorted and re-indexed.
void BM_SortAfterRestore(benchmark::State& state) {
    CDatabaseEdit& book = BenchBook::Get().opened();
    int next = 0;
    OneCustomer c;
    InitOneCustomer(c);
    for (auto _ : state) {
        state.PauseTiming();
        CDatabaseEdit::ChangeGroup group(book);
        for (int i = 0; i < 100 && next < kFirstId; ++i) {
            c.CustomerID = next++;
            c.Email = "restored" + std::to_string(c.CustomerID) + "@x.jp";
            book.SetOneCustomerInfoForRepair(c);
        }
        group.Commit();
        state.ResumeTiming();
        book.SortByCustomerID();
    }
}
BENCHMARK(BM_SortAfterRestore)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
