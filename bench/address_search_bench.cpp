// The personal-information search, its result list and the address-book CSV export over a
// book of a million records (OMBREL_AB_RECORDS changes the count), in an environment made
// by the program's creation and opened by the environment service, on the offscreen
// platform. The book holds Japanese names in full- and half-width kana, eight
// prefectures, companies on half the records, postal codes, phones, birth dates on a third,
// a number attribute (B) and a date attribute (C).
//
//   BM_Search/<condition>: the search dialog's worker: the live IDs and the filter.
//                          Target: under 500 ms each.
//   BM_SearchDialog:       the same from the click on "検索" to the dialog closed with its
//                          hits (worker, please-wait window, event loop included).
//   BM_ResultFirstPage:    the result dialog opened over every record ("すべて"), shown
//                          and painted once. Target: under 300 ms.
//   BM_ResultSort/<col>:   a click on a column header of that million-row list (the keys
//                          read, sorted, the view repainted), from the stored order.
//                          Target: under 1.5 s.
//   BM_Export/<layout>:    the export of every live record in a layout, to a file on the
//                          disk; bytes per second counted. Target: at least 100 MB/s.
//   BM_ExportResult:       the result list's export of the million rows it shows.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/addressui/csv_export.h"
#include "app/addressui/search_dlg.h"
#include "app/addressui/search_filter.h"
#include "app/addressui/search_result_dlg.h"
#include "app/addressui/search_result_model.h"
#include "app/environment/environment_service.h"
#include "app/environment/new_environment.h"
#include "app/ui/control_ids.h"
#include "app/ui/font_layer.h"
#include "app/ui/sjis_text.h"
#include "bench/book_bench_env.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/cp932.h"
#include "core/foundation/system_option.h"

namespace {

std::string S(const char* utf8) { return Utf8ToSjis(utf8); }

class SearchBench {
public:
    static SearchBench& Get() {
        static SearchBench bench;
        return bench;
    }
    CDatabaseEdit& Book() { return *service_->GetDatabaseEdit(); }
    SystemOption& Options() { return *service_->GetSystemOption(); }
    const std::string& Folder() const { return root_; }
    ~SearchBench() {
        shell::SetProgramEnvironment(nullptr);
        service_.reset();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

private:
    SearchBench() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "address_search_bench";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        ui::InstallProgramFonts();
        std::string tmpl = std::filesystem::temp_directory_path().string() + "/address-search-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        root_ = tmpl + "/";
        if (shell::CreateNewEnvironment("bench", root_, "N", "", false) != 0) std::abort();
        shell::EnvironmentService::Settings settings;
        settings.finishPauseMs = 0;
        service_ = std::make_unique<shell::EnvironmentService>(settings);
        if (service_->OpenEnvironment(root_ + "bench.env") != 1) std::abort();
        shell::SetProgramEnvironment(service_.get());
        // Attribute B a number, C a date.
        Options().SetSODataToMemoryPinPoint(15, S("会員番号"));
        Options().SetSODataToMemoryPinPoint(16, S("入会日"));
        Options().SetSODataToMemoryPinPoint(35, "1");
        Options().SetSODataToMemoryPinPoint(36, "2");
        Fill(BookRecordCount());
    }

    void Fill(int n) {
        const std::vector<std::string> sei = {S("佐藤"), S("鈴木"), S("高橋"), S("田中"), S("伊藤"),
                                              S("渡辺"), S("ｱｵｷ"), S("アベ"), "Smith"};
        const std::vector<std::string> mei = {S("花子"), S("一郎"), S("美咲"), S("健太"), S("ﾅｵｺ"), S("翔")};
        const std::vector<std::string> prefectures = {S("東京都"), S("大阪府"), S("神奈川県"), S("愛知県"),
                                                      S("福岡県"), S("北海道"), S("京都府"), S("<未選択>")};
        const std::vector<std::string> companies = {S("株式会社サンプル商事"), S("有限会社テスト"), "", ""};
        const char* const domains[] = {"example.co.jp", "Example.com", "docomo.ne.jp", "ezweb.ne.jp"};
        std::mt19937 rng(4711);
        std::vector<std::string> row(kCustomerElementCount);
        char buf[64];
        CDatabaseEdit::ChangeGroup group(Book());  // one commit for the whole book
        for (int i = 0; i < n; ++i) {
            const int id = 1000 + i;
            row[kElemCustomerID] = std::to_string(id);
            row[kElemEmail] = "user" + std::to_string(id) + "@" + domains[rng() % 4];
            row[kElemKanjiSei] = sei[rng() % sei.size()];
            row[kElemKanjiMei] = mei[rng() % mei.size()];
            row[kElemCompany] = companies[rng() % companies.size()];
            std::snprintf(buf, sizeof buf, "%03u", static_cast<unsigned>(rng() % 1000));
            row[kElemZipCode1] = buf;
            std::snprintf(buf, sizeof buf, "%04u", static_cast<unsigned>(rng() % 10000));
            row[kElemZipCode2] = buf;
            row[kElemPrefecture] = prefectures[rng() % prefectures.size()];
            row[kElemAddress1] = S("横浜市中区") + std::to_string(rng() % 100);
            std::snprintf(buf, sizeof buf, "045-%04u-%04u", static_cast<unsigned>(rng() % 10000),
                          static_cast<unsigned>(rng() % 10000));
            row[kElemPhone1] = buf;
            if (rng() % 3 == 0) {
                std::snprintf(buf, sizeof buf, "%04u/%02u/%02u 00:00:00", 1940 + static_cast<unsigned>(rng() % 60),
                              1 + static_cast<unsigned>(rng() % 12), 1 + static_cast<unsigned>(rng() % 28));
                row[kElemBirthday] = buf;
            } else {
                row[kElemBirthday].clear();
            }
            row[kElemDMOk] = rng() % 10 == 0 ? "N" : "Y";
            row[kElemOtherMailOk] = "Y";
            row[kElemExtraFirst + 1] = std::to_string(rng() % 100000);
            std::snprintf(buf, sizeof buf, "%04u/%02u/%02u", 2000 + static_cast<unsigned>(rng() % 24),
                          1 + static_cast<unsigned>(rng() % 12), 1 + static_cast<unsigned>(rng() % 28));
            row[kElemExtraFirst + 2] = buf;
            row[kElemDeleteFlag] = rng() % 50 == 0 ? "Y" : "";
            row[kElemEntryDate] = "2020/01/02 03:04:05";
            std::snprintf(buf, sizeof buf, "2024/%02u/%02u 10:%02u:00", 1 + static_cast<unsigned>(rng() % 12),
                          1 + static_cast<unsigned>(rng() % 28), static_cast<unsigned>(rng() % 60));
            row[kElemRenewalDate] = buf;
            if (Book().AddLine(XCStringArrayEx(row)) != 0) std::abort();
        }
    }

    std::unique_ptr<QApplication> app_;
    std::string root_;
    std::unique_ptr<shell::EnvironmentService> service_;
};

OneExtractCondition Condition(int element, const char* kind, std::vector<std::string> values,
                              std::string lower = "", std::string upper = "", const char* flag = "Y") {
    OneExtractCondition c;
    c.element = element;
    c.kind = kind;
    c.values = std::move(values);
    c.equalFlag = flag;
    c.lower = std::move(lower);
    c.upper = std::move(upper);
    c.rangeFlag = flag;
    return c;
}

void Search(benchmark::State& state, OneExtractCondition condition) {
    SearchBench& b = SearchBench::Get();
    std::size_t hits = 0;
    for (auto _ : state) {
        std::vector<int> ids = addressui::RunSearch(b.Book(), condition);
        hits = ids.size();
        benchmark::DoNotOptimize(ids.data());
    }
    state.counters["hits"] = static_cast<double>(hits);
}

BENCHMARK_CAPTURE(Search, all, OneExtractCondition{})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, prefecture_two_values, Condition(kElemPrefecture, "E", {S("東京都"), S("大阪府")}))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, surname_not_containing, Condition(kElemKanjiSei, "E", {S("藤"), "A"}, "", "", "N"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, mail_ignoring_case, Condition(kElemEmail, "E", {"EXAMPLE.COM"}))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, company_text_range, Condition(kElemCompany, "R", {}, "", S("株式会社タ")))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, number_range, Condition(kElemExtraFirst + 1, "R", {}, "20000", "60000"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, date_range_outside, Condition(kElemExtraFirst + 2, "R", {}, "2005/04", "2010", "N"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, birth_date_values, Condition(kElemBirthday, "E", {"1970/01", "1980/12"}))
    ->Unit(benchmark::kMillisecond);

// The search dialog as the user runs it: "検索" clicked over a chosen field and values, until
// the worker's hits are back and the dialog has closed itself (its window painting
// meanwhile).
void BM_SearchDialog(benchmark::State& state) {
    std::size_t hits = 0;
    for (auto _ : state) {
        state.PauseTiming();
        addressui::CDBSearchDlg dialog;
        auto* field = ui::FindControl<QComboBox>(&dialog, addressui::CDBSearchDlg::kIdcField);
        field->setCurrentIndex(field->findText(ui::U8("都道府県")));
        ui::FindControl<QLineEdit>(&dialog, addressui::CDBSearchDlg::kIdcValues)->setText(ui::U8("東京都,大阪府"));
        dialog.show();
        QApplication::processEvents();
        state.ResumeTiming();
        ui::FindControl<QPushButton>(&dialog, addressui::CDBSearchDlg::kIdcSearch)->click();
        while (dialog.isVisible()) QApplication::processEvents(QEventLoop::AllEvents, 5);
        hits = dialog.GetHitList().size();
    }
    state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(BM_SearchDialog)->Unit(benchmark::kMillisecond)->Iterations(5);

// The dialog over every live record, built, shown and painted.
void BM_ResultFirstPage(benchmark::State& state) {
    SearchBench& b = SearchBench::Get();
    OneExtractCondition all;
    std::vector<int> hits = addressui::RunSearch(b.Book(), all);
    for (auto _ : state) {
        std::vector<int> copy = hits;
        {
            addressui::CSearchResultDlg dialog(&copy, &all);
            dialog.resize(1000, 600);
            dialog.show();
            QApplication::processEvents();
            dialog.List()->viewport()->repaint();
            benchmark::DoNotOptimize(dialog.Model()->rowCount());
            state.PauseTiming();
            dialog.hide();
        }
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(hits.size());
}
BENCHMARK(BM_ResultFirstPage)->Unit(benchmark::kMillisecond)->Iterations(5);

// A header click on the column of `element` (one sort, as the header's indicator asks
// for it), the view repainted; the list starts in the stored order, or shuffled as a sort
// by another column leaves it.
void ResultSort(benchmark::State& state, int element, bool shuffled) {
    SearchBench& b = SearchBench::Get();
    OneExtractCondition all;
    std::vector<int> hits = addressui::RunSearch(b.Book(), all);
    if (shuffled) std::shuffle(hits.begin(), hits.end(), std::mt19937(99));
    std::vector<int> copy = hits;
    addressui::CSearchResultDlg dialog(&copy, &all);
    dialog.resize(1000, 600);
    dialog.show();
    QApplication::processEvents();
    int column = -1;
    for (int c = 0; c < dialog.Model()->columnCount(); ++c)
        if (dialog.Model()->Columns()[static_cast<std::size_t>(c)].element == element) column = c;
    if (column < 0) {
        state.SkipWithError("column not shown");
        return;
    }
    QHeaderView* header = dialog.List()->horizontalHeader();
    Qt::SortOrder order = Qt::AscendingOrder;
    for (auto _ : state) {
        state.PauseTiming();
        header->setSortIndicator(-1, Qt::AscendingOrder);
        dialog.Model()->SetIds(hits);
        QApplication::processEvents();
        state.ResumeTiming();
        header->setSortIndicator(column, order);
        dialog.List()->viewport()->repaint();
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
    state.counters["rows"] = static_cast<double>(hits.size());
}
BENCHMARK_CAPTURE(ResultSort, id, kElemCustomerID, false)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK_CAPTURE(ResultSort, mail, kElemEmail, false)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK_CAPTURE(ResultSort, surname, kElemKanjiSei, false)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK_CAPTURE(ResultSort, company, kElemCompany, false)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK_CAPTURE(ResultSort, renewal_date, kElemRenewalDate, false)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK_CAPTURE(ResultSort, mail_from_shuffled, kElemEmail, true)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK_CAPTURE(ResultSort, renewal_date_from_shuffled, kElemRenewalDate, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);

std::uintmax_t FileSize(const std::string& path) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : n;
}

void Export(benchmark::State& state, int layout) {
    SearchBench& b = SearchBench::Get();
    addressui::AddressExportRequest request;
    request.path = b.Folder() + "export.csv";
    request.layout = layout;
    request.recordKind = 0;
    request.itemNames = true;
    b.Options().GetSOExtractDataFromMemory(request.attributeNames);
    std::uintmax_t bytes = 0;
    for (auto _ : state) {
        if (addressui::ExportAddressBook(b.Book(), request) != addressui::kExportOk) {
            state.SkipWithError("export failed");
            return;
        }
        bytes += FileSize(request.path);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["file_MB"] = static_cast<double>(FileSize(request.path)) / 1e6;
}
BENCHMARK_CAPTURE(Export, general, addressui::kExportGeneral)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(Export, brindell, addressui::kExportBrindell)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(Export, web_service, addressui::kExportWebService)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ExportResult(benchmark::State& state) {
    SearchBench& b = SearchBench::Get();
    OneExtractCondition all;
    std::vector<int> hits = addressui::RunSearch(b.Book(), all);
    addressui::CDBColumnInfo info;
    info.LoadColumnInfo();
    std::vector<std::string> names;
    b.Options().GetSOExtractDataFromMemory(names);
    const auto columns = addressui::BuildListColumns(info, names, kElemZipCode1);
    const std::string path = b.Folder() + "result.csv";
    std::uintmax_t bytes = 0;
    for (auto _ : state) {
        if (addressui::ExportListRows(b.Book(), path, columns, hits, true) != addressui::kExportOk) {
            state.SkipWithError("export failed");
            return;
        }
        bytes += FileSize(path);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["file_MB"] = static_cast<double>(FileSize(path)) / 1e6;
}
BENCHMARK(BM_ExportResult)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
