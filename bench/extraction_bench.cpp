// Recipient extraction at a million records: a whole run of three groups of two
// conditions, single filter steps, the batch removal from a million-ID result, and the
// result file's save and load.
//
// An unkeyed environment with 1,000,000 generated records (names, prefectures,
// companies, birth dates, a numeric and a date extension item, 10 % refusing advertising
// mail, 2 % deleted) is built once in memory. Set OMBREL_EXTRACT_RECORDS for another size.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_action.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/addressbook/extraction_run.h"
#include "core/addressbook/mail_list_lookup.h"
#include "core/foundation/cp932.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/system_option.h"

namespace {

// The runs here touch no mail.
class NoMails : public MailListLookup {
public:
    int FindMailData(int) override { return 1; }
    int SetEnvManager(EnvManager*) override { return 1; }
};
NoMails noMails;

int RecordCount() {
    const char* n = std::getenv("OMBREL_EXTRACT_RECORDS");
    return n != nullptr && std::atoi(n) > 0 ? std::atoi(n) : 1000000;
}

class BenchEnv {
public:
    static BenchEnv& Get() {
        static BenchEnv env;
        return env;
    }
    EnvManager& env() { return env_; }
    CDatabaseEdit& book() { return *book_; }
    ExtractListViewer& lists() { return *lists_; }
    int count() const { return count_; }
    ~BenchEnv() {
        book_.reset();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

private:
    BenchEnv() : count_(RecordCount()) {
        std::string tmpl = std::filesystem::temp_directory_path().string() + "/ombrel-extract-bench-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        root_ = tmpl + "/";
        for (const char* sub : {"Env/DB", "Env/MAIL", "Env/EXTRACT"}) std::filesystem::create_directories(root_ + sub);
        std::ofstream(root_ + "Env.env").flush();  // empty descriptor: an unkeyed environment
        if (env_.InitEnvFileInfo(root_ + "Env.env", nullptr, 0) != 0) std::abort();
        WriteOptions();
        options_ = std::make_unique<SystemOption>(&env_);
        if (options_->GetSODataFromFileToMemory() != 0) std::abort();
        book_ = std::make_unique<CDatabaseEdit>(&env_, options_.get());
        book_->ReadCustomerList();
        Generate();
        lists_ = std::make_unique<ExtractListViewer>(&env_);
    }

    // Extension item A is a number, B a date, the rest text.
    void WriteOptions() {
        XCsvWrite w;
        if (w.OpenFile(root_ + "Env/systemoption.dat") != 1) std::abort();
        for (int i = 0; i < SystemOption::kItemCount; ++i) {
            if (i >= 14 && i < 34) w.SetData("attr" + std::to_string(i - 14));
            else if (i == 34) w.SetData("1");
            else if (i == 35) w.SetData("2");
            else if (i > 35 && i < 54) w.SetData("0");
            else w.SetData("");
        }
        if (w.WriteLine() <= 0 || w.CloseFile() != 0) std::abort();
    }

    void Generate() {
        std::vector<std::string> sei, prefectures, companies;
        for (const char* s : {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤"})
            sei.push_back(Utf8ToSjis(s));
        for (const char* s : {"東京都", "大阪府", "神奈川県", "愛知県", "北海道", "福岡県", "京都府"})
            prefectures.push_back(Utf8ToSjis(s));
        for (const char* s : {"株式会社サンプル商事", "有限会社テスト工業", "合同会社見本", "サンプル電機株式会社"})
            companies.push_back(Utf8ToSjis(s));
        const char* const domains[] = {"example.co.jp", "docomo.ne.jp", "ezweb.ne.jp", "Gmail.com", "yahoo.co.jp"};
        std::mt19937 rng(4321);
        auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
        OneCustomer c;
        c.EntryDate = platform::DateTime(2010, 1, 2, 3, 4, 5);
        c.RenewalDate = platform::DateTime(2024, 1, 2, 3, 4, 5);
        char buf[64];
        CDatabaseEdit::ChangeGroup group(*book_);  // one commit for the whole book
        for (int i = 0; i < count_; ++i) {
            c.CustomerID = 1000 + i;
            c.Email = "user" + std::to_string(i) + "@" + domains[pick(5)];
            c.KanjiSei = sei[pick(sei.size())];
            c.Company = pick(2) ? companies[pick(companies.size())] : std::string();
            std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", 1940 + static_cast<int>(pick(65)),
                          1 + static_cast<int>(pick(12)), 1 + static_cast<int>(pick(28)));
            c.Birthday = buf;
            c.Prefecture = prefectures[pick(prefectures.size())];
            c.Extra[0] = std::to_string(pick(100));
            std::snprintf(buf, sizeof buf, "20%02d/%02d/%02d", static_cast<int>(pick(25)),
                          1 + static_cast<int>(pick(12)), 1 + static_cast<int>(pick(28)));
            c.Extra[1] = pick(2) ? std::string(buf) : std::string();
            c.DMOk = pick(10) ? "Y" : "N";
            c.OtherMailOk = "Y";
            c.DeleteFlag = pick(50) == 0 ? "Y" : "";
            if (book_->SetOneCustomerInfoForRepair(c) != 0) std::abort();
        }
    }

    EnvManager env_;
    std::string root_;
    int count_;
    std::unique_ptr<SystemOption> options_;
    std::unique_ptr<CDatabaseEdit> book_;
    std::unique_ptr<ExtractListViewer> lists_;
};

OneExtractCondition Equal(int element, std::vector<std::string> values) {
    OneExtractCondition c;
    c.element = element;
    c.kind = "E";
    c.values = std::move(values);
    return c;
}

OneExtractCondition Range(int element, const std::string& lower, const std::string& upper) {
    OneExtractCondition c;
    c.element = element;
    c.kind = "R";
    c.lower = lower;
    c.upper = upper;
    return c;
}

// Three groups of two conditions each: text, date, number and mail-address tests.
std::unique_ptr<ExtractAction> ThreeGroups(BenchEnv& b) {
    auto a = std::make_unique<ExtractAction>(&b.env(), &b.book(), EC_TYPE_EXTRACT, -1);
    if (a->GetExtractConditionFromFileToMemory(0, nullptr) != 0) std::abort();
    const OneExtractCondition conditions[3][2] = {
        {Equal(11, {Utf8ToSjis("東京"), Utf8ToSjis("大阪")}), Equal(1, {"GMAIL.COM", "docomo"})},
        {Range(8, "1960", "1979/12"), Range(28, "10", "49")},
        {Equal(6, {Utf8ToSjis("株式会社")}), Range(29, "2015/04", "2020")},
    };
    for (int tab = 0; tab < 3; ++tab)
        for (int con = 0; con < 2; ++con)
            if (a->SetExtractConditionFromStructToMemory(conditions[tab][con], tab, con * 2) != 0) std::abort();
    return a;
}

void BM_RunThreeGroupsOfTwo(benchmark::State& state) {
    BenchEnv& b = BenchEnv::Get();
    auto action = ThreeGroups(b);
    ExtractResultDetail result(&b.env(), &noMails, &b.lists(), &b.book(), ER_TYPE_EXTRACT, -1);
    for (auto _ : state) {
        if (RunExtraction(*action, result) != kExtractionDone) state.SkipWithError("run failed");
    }
    state.counters["records"] = b.count();
    state.counters["result"] = result.GetRecordNumber();
}
BENCHMARK(BM_RunThreeGroupsOfTwo)->Unit(benchmark::kMillisecond)->Iterations(5);

// One filter step over every live record; arg: 0 text, 1 number range, 2 date range,
// 3 mail address.
void BM_OneStep(benchmark::State& state) {
    BenchEnv& b = BenchEnv::Get();
    ExtractAction a(&b.env(), &b.book(), EC_TYPE_EXTRACT, -1);
    a.GetExtractConditionFromFileToMemory(0, nullptr);
    const OneExtractCondition conditions[] = {Equal(6, {Utf8ToSjis("株式会社")}), Range(28, "10", "49"),
                                              Range(8, "1960", "1979/12"), Equal(1, {"GMAIL.COM"})};
    a.SetExtractConditionFromStructToMemory(conditions[state.range(0)], 0, 0);
    std::vector<int> all, ids;
    b.book().GetDBIDWithoutDelete(all);
    for (auto _ : state) {
        state.PauseTiming();
        ids = all;
        state.ResumeTiming();
        if (a.PracticalExtractAction(ids, 0, 0) != 0) state.SkipWithError("step failed");
    }
    state.counters["kept"] = static_cast<double>(ids.size());
}
BENCHMARK(BM_OneStep)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// A result file of 1,000,000 IDs (saved extraction 1), written once.
void MillionIdFile(BenchEnv& b) {
    static bool made = false;
    if (made) return;
    ExtractViewData entry;
    entry.id = 1;
    entry.name = "million";
    if (b.lists().ExtractID2RowNumber(1) < 0 && b.lists().InsertExtractList(entry) != 1) std::abort();
    XCsvWrite w;
    if (w.OpenFile(b.env().GetEnvRoot() + "Env/EXTRACT/exsl1.dat") != 1) std::abort();
    for (int i = 0; i < 1000000; ++i) {
        w.BufferEmpty();
        w.SetData(std::to_string(i));
        if (w.WriteLine() <= 0) std::abort();
    }
    if (w.CloseFile() != 0) std::abort();
    made = true;
}

// A result of 1,000,000 IDs in memory loses every other one, in one pass.
void BM_RemoveHalfOfAMillion(benchmark::State& state) {
    BenchEnv& b = BenchEnv::Get();
    MillionIdFile(b);
    std::vector<int> gone;
    for (int i = 0; i < 1000000; i += 2) gone.push_back(i);
    std::mt19937 rng(5);
    std::shuffle(gone.begin(), gone.end(), rng);
    for (auto _ : state) {
        state.PauseTiming();
        ExtractResultDetail result(&b.env(), &noMails, &b.lists(), &b.book(), ER_TYPE_EXTRACT, 1);
        if (result.GetDBIDListFromFileToMemory(0, nullptr) != 0) state.SkipWithError("load failed");
        state.ResumeTiming();
        if (result.RemoveDBIDs(gone) != 500000) state.SkipWithError("wrong count");
    }
}
BENCHMARK(BM_RemoveHalfOfAMillion)->Unit(benchmark::kMillisecond)->Iterations(5);

// Load and forced save of the million-ID result file.
void BM_LoadMillionIds(benchmark::State& state) {
    BenchEnv& b = BenchEnv::Get();
    MillionIdFile(b);
    ExtractResultDetail result(&b.env(), &noMails, &b.lists(), &b.book(), ER_TYPE_EXTRACT, 1);
    for (auto _ : state)
        if (result.GetDBIDListFromFileToMemory(0, nullptr) != 0) state.SkipWithError("load failed");
}
BENCHMARK(BM_LoadMillionIds)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SaveMillionIds(benchmark::State& state) {
    BenchEnv& b = BenchEnv::Get();
    MillionIdFile(b);
    ExtractResultDetail result(&b.env(), &noMails, &b.lists(), &b.book(), ER_TYPE_EXTRACT, 1);
    if (result.GetDBIDListFromFileToMemory(0, nullptr) != 0) state.SkipWithError("load failed");
    for (auto _ : state)
        if (result.WriteAllOnMemoryDBIDToFileCompel() != 0) state.SkipWithError("save failed");
}
BENCHMARK(BM_SaveMillionIds)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
