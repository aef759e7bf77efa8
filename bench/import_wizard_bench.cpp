// The CSV import wizard's run against the core's own import of the same file: a CSV of
// 1,000,000 lines (one in a hundred rejected) into an empty address book, both in the same
// run, each on a new book. The wizard's run adds the copy of the book it keeps to put the
// book back after a failure (nothing for an empty book) and the column map; the figure to
// watch is the ratio (wizard / core), which must stay below 2.
//
// Also measured: the one pass over the file that the wizard's pages share (file check,
// split preview, labels), and the copy and restore of a 1,000,000-record book, which a
// run into a full book pays (the copy always, the restore only after a failure).
//
// OMBREL_WIZARD_LINES and OMBREL_WIZARD_BOOK change the sizes.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/settings/import_book_guard.h"
#include "app/settings/import_wizard_run.h"
#include "app/settings/import_wizard_scan.h"
#include "bench/book_bench_env.h"
#include "core/addressbook/address_import.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/import_progress.h"
#include "core/foundation/cp932.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/system_option.h"

namespace {

class WizardBench {
public:
    WizardBench() : lines_(BenchSize("OMBREL_WIZARD_LINES", 1000000)), records_(BenchSize("OMBREL_WIZARD_BOOK", 1000000)) {
        root_ = MakeImportBenchEnv(env_, "ombrel-wizard-bench");
        options_ = std::make_unique<SystemOption>(&env_);
        if (options_->GetSODataFromFileToMemory() != 0) std::abort();
        WriteCsv();
    }
    ~WizardBench() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    std::unique_ptr<CDatabaseEdit> EmptyBook() { return std::make_unique<CDatabaseEdit>(&env_, options_.get()); }
    std::unique_ptr<CDatabaseEdit> FullBook() {
        auto book = EmptyBook();
        const std::string name = Utf8ToSjis("山田");
        XCStringArrayEx row;
        row.SetSize(kCustomerElementCount);
        CDatabaseEdit::ChangeGroup group(*book);  // one commit for the whole book
        for (int i = 0; i < records_; ++i) {
            row.SetAt(kElemCustomerID, std::to_string(i + 1));
            row.SetAt(kElemEmail, "user" + std::to_string(i) + "@example.co.jp");
            row.SetAt(kElemKanjiSei, name);
            row.SetAt(kElemDMOk, "Y");
            row.SetAt(kElemOtherMailOk, "Y");
            row.SetAt(kElemEntryDate, "2020/01/01 00:00:00");
            row.SetAt(kElemRenewalDate, "2020/01/01 00:00:00");
            book->AddLine(row);
        }
        return book;
    }
    // The wizard's request: mail, surname, first name, phone and DM flag assigned.
    settings::CsvImportRequest Request() const {
        settings::CsvImportRequest r;
        r.path = csv_;
        r.separators = ",";
        r.quote = '"';
        r.assignment.fill(-1);
        r.assignment[0] = 0;
        r.assignment[1] = 1;
        r.assignment[2] = 2;
        r.assignment[12] = 3;
        r.assignment[15] = 4;
        r.duplicatePolicy = "1";
        return r;
    }
    std::vector<int> CoreMap() const {
        std::vector<int> map(kCustomerElementCount, -1);
        map[kElemEmail] = 0;
        map[kElemKanjiSei] = 1;
        map[kElemKanjiMei] = 2;
        map[kElemPhone1] = 3;
        map[kElemDMOk] = 4;
        return map;
    }
    const std::string& csv() const { return csv_; }
    int lines() const { return lines_; }
    EnvManager& env() { return env_; }
    SystemOption& options() { return *options_; }

private:
    void WriteCsv() {
        csv_ = root_ + "people.csv";
        std::ofstream out(csv_, std::ios::binary);
        const std::string surname = Utf8ToSjis("佐藤");
        const std::string given = Utf8ToSjis("花子");
        std::string line;
        for (int i = 0; i < lines_; ++i) {
            line = i % 100 == 99 ? "not-an-address" : "new" + std::to_string(i) + "@example.ne.jp";
            line += "," + surname + "," + given + ",090-1234-" + std::to_string(1000 + i % 9000) + ",Y\r\n";
            out << line;
        }
    }

    int lines_;
    int records_;
    std::string root_;
    std::string csv_;
    EnvManager env_;
    std::unique_ptr<SystemOption> options_;
};

WizardBench& Bench() {
    static WizardBench bench;
    return bench;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The core's import and the wizard's run of the same file, each into a new empty book.
void BM_WizardRunAgainstCoreImport(benchmark::State& state) {
    WizardBench& b = Bench();
    double core = 0, wizard = 0;
    int rounds = 0;
    for (auto _ : state) {
        auto coreBook = b.EmptyBook();
        CAddressImport importer(coreBook.get(), &b.env(), &b.options());
        std::atomic<int> count{0};
        ImportRejections rejected;
        auto start = std::chrono::steady_clock::now();
        const int imported = importer.ImportDBfromFile(b.csv(), ",", '"', b.CoreMap(), 1, &count, rejected, "1");
        const double coreSeconds = Seconds(start);
        coreBook.reset();

        auto wizardBook = b.EmptyBook();
        ImportProgress progress;
        std::atomic<bool> stop{false};
        start = std::chrono::steady_clock::now();
        const settings::ImportRunOutcome outcome =
            settings::RunCsvImport(*wizardBook, &b.env(), &b.options(), b.Request(), progress, stop);
        const double wizardSeconds = Seconds(start);
        if (outcome.result != imported || imported != b.lines() - b.lines() / 100) state.SkipWithError("counts differ");
        wizardBook.reset();

        core += coreSeconds;
        wizard += wizardSeconds;
        ++rounds;
        state.SetIterationTime(coreSeconds + wizardSeconds);
    }
    state.counters["core_s"] = core / rounds;
    state.counters["wizard_s"] = wizard / rounds;
    state.counters["ratio"] = wizard / core;
    state.counters["lines"] = b.lines();
}
BENCHMARK(BM_WizardRunAgainstCoreImport)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The pass over the file that the pages share (once per file state and split setting).
void BM_WizardFileScan(benchmark::State& state) {
    WizardBench& b = Bench();
    for (auto _ : state) {
        const settings::ImportScan scan = settings::ScanImportFile(b.csv(), ",", '"');
        if (!scan.Splittable() || scan.lineCount != b.lines()) state.SkipWithError("scan failed");
        benchmark::DoNotOptimize(scan.labels.data());
    }
    state.counters["lines"] = b.lines();
}
BENCHMARK(BM_WizardFileScan)->Iterations(3)->Unit(benchmark::kMillisecond);

// What a run into a full book adds: the copy it keeps, and the restore after a failure.
void BM_GuardOfAFullBook(benchmark::State& state) {
    WizardBench& b = Bench();
    auto book = b.FullBook();
    double copy = 0, restore = 0;
    int rounds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        settings::ImportBookGuard guard(*book);
        const double copySeconds = Seconds(start);
        start = std::chrono::steady_clock::now();
        if (guard.Restore() != 0) state.SkipWithError("restore failed");
        const double restoreSeconds = Seconds(start);
        copy += copySeconds;
        restore += restoreSeconds;
        ++rounds;
        state.SetIterationTime(copySeconds + restoreSeconds);
    }
    state.counters["copy_s"] = copy / rounds;
    state.counters["restore_s"] = restore / rounds;
    state.counters["records"] = book->GetLineNumber();
}
BENCHMARK(BM_GuardOfAFullBook)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
