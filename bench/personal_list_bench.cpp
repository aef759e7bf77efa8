// The personal-information list and its backup over an address book of a million records
// (OMBREL_AB_RECORDS changes the count), in an environment made by the program's creation
// and opened by the environment service (bench/program_env.h), on the offscreen platform.
//
//   BM_OpenFirstPage/<field>: the list dialog made, shown and its first page painted, the
//                      book read and sorted on the dialog's worker in between; the sort state
//                      left at the ID (the first opening of a run) or at a text field (a
//                      later opening after a sort by it). Target: under 1 s.
//   BM_GoToPage:       a page number typed and "ページ目へ" clicked, the page painted; each
//                      iteration goes to another page. Target: under 50 ms.
//   BM_SortByColumn/<element>: a header click on the column of that field (the array fetched
//                      again and sorted on the worker), until the first page is painted.
//                      Target: under 1.5 s.
//   BM_Backup:         the list's backup of the whole book to a file on the disk, through
//                      the dialog's worker; bytes per second counted. Target: at least
//                      100 MB/s.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/addressui/db_list_dlg.h"
#include "app/addressui/personal_list_model.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/file_picker.h"
#include "app/ui/font_layer.h"
#include "app/ui/prompter.h"
#include "bench/book_bench_env.h"
#include "bench/program_env.h"
#include "platform/notifier.h"

namespace {

// Answers every message box with its first button, and every file choice with one path.
class Answers : public ui::Prompter, public ui::FilePicker {
public:
    int Show(QWidget*, const QString&, const QString&, unsigned) override { return platform::kIdOk; }
    std::optional<QString> PickFile(QWidget*, const ui::FileRequest&) override { return path; }
    std::optional<QString> PickFolder(QWidget*, const QString&, const QString&) override { return std::nullopt; }
    QString path;
};

class ListBench {
public:
    static ListBench& Get() {
        static ListBench bench;
        return bench;
    }
    const std::string& Folder() const { return root_; }
    Answers& answers() { return answers_; }
    ~ListBench() {
        ui::SetPrompter(nullptr);
        ui::SetFilePicker(nullptr);
        shell::SetProgramEnvironment(nullptr);
        service_.reset();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

private:
    ListBench() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "personal_list_bench";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        ui::InstallProgramFonts();
        std::string tmpl = std::filesystem::temp_directory_path().string() + "/personal-list-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        root_ = tmpl + "/";
        const std::vector<std::string> descriptors =
            bench_env::MakeFilledEnvironments(root_, {"bench"}, BookRecordCount(), 0);
        shell::EnvironmentService::Settings settings;
        settings.finishPauseMs = 0;
        service_ = std::make_unique<shell::EnvironmentService>(settings);
        if (service_->OpenEnvironment(descriptors.front()) != 1) std::abort();
        shell::SetProgramEnvironment(service_.get());
        ui::SetPrompter(&answers_);
        ui::SetFilePicker(&answers_);
    }

    std::unique_ptr<QApplication> app_;
    std::string root_;
    std::unique_ptr<shell::EnvironmentService> service_;
    Answers answers_;
};

void WaitIdle(const addressui::CDBListDlg& dialog) {
    while (dialog.IsBusy()) QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
}

void Paint(addressui::CDBListDlg& dialog) {
    dialog.List()->viewport()->repaint();
    benchmark::DoNotOptimize(dialog.Model()->rowCount());
}

// The list opened with the sort state left at `element`, ascending.
void BM_OpenFirstPage(benchmark::State& state) {
    ListBench::Get();
    const int element = static_cast<int>(state.range(0));
    int entries = 0;
    for (auto _ : state) {
        addressui::CDBListDlg::ResetSortState();
        addressui::CDBListDlg::SortState().requestedField = element;
        {
            addressui::CDBListDlg dialog(nullptr, nullptr);
            dialog.resize(1100, 700);
            dialog.show();
            WaitIdle(dialog);
            Paint(dialog);
            entries = dialog.Model()->EntryCount();
            state.PauseTiming();
            dialog.CloseWithOk();
        }
        QApplication::processEvents();
        state.ResumeTiming();
    }
    addressui::CDBListDlg::ResetSortState();
    state.counters["entries"] = entries;
}
BENCHMARK(BM_OpenFirstPage)->Arg(kElemCustomerID)->Arg(kElemEmail)->Arg(kElemRenewalDate)
    ->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_GoToPage(benchmark::State& state) {
    ListBench::Get();
    addressui::CDBListDlg::ResetSortState();
    addressui::CDBListDlg dialog(nullptr, nullptr);
    dialog.resize(1100, 700);
    dialog.show();
    WaitIdle(dialog);
    auto* page = ui::FindControl<QLineEdit>(&dialog, addressui::CDBListDlg::kIdcPageNumber);
    auto* go = ui::FindControl<QPushButton>(&dialog, addressui::CDBListDlg::kIdcGoToPage);
    const int pages = addressui::PageCount(0, dialog.Model()->EntryCount());
    int n = 0;
    for (auto _ : state) {
        n = (n * 7919 + 1) % pages + 1;
        page->setText(QString::number(n));
        go->click();
        Paint(dialog);
    }
    state.counters["pages"] = pages;
    dialog.CloseWithOk();
}
BENCHMARK(BM_GoToPage)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_SortByColumn(benchmark::State& state) {
    ListBench::Get();
    const int element = static_cast<int>(state.range(0));
    addressui::CDBListDlg::ResetSortState();
    addressui::CDBListDlg dialog(nullptr, nullptr);
    dialog.resize(1100, 700);
    dialog.show();
    WaitIdle(dialog);
    const int column = dialog.Model()->ColumnOf(element);
    const int other = element == kElemCustomerID ? dialog.Model()->ColumnOf(kElemEmail) : 0;
    if (column < 0 || other < 0) {
        state.SkipWithError("column not shown");
        return;
    }
    for (auto _ : state) {
        // From another field each time, so that every click fetches and sorts afresh.
        state.PauseTiming();
        dialog.SortByColumn(other);
        WaitIdle(dialog);
        state.ResumeTiming();
        dialog.SortByColumn(column);
        WaitIdle(dialog);
        Paint(dialog);
    }
    dialog.CloseWithOk();
    addressui::CDBListDlg::ResetSortState();
}
BENCHMARK(BM_SortByColumn)->Arg(kElemCustomerID)->Arg(kElemEmail)->Arg(kElemKanjiSei)->Arg(kElemCompany)
    ->Arg(kElemRenewalDate)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Backup(benchmark::State& state) {
    ListBench& b = ListBench::Get();
    addressui::CDBListDlg::ResetSortState();
    addressui::CDBListDlg dialog(nullptr, nullptr);
    dialog.show();
    WaitIdle(dialog);
    const std::string path = b.Folder() + "backup.dat";
    b.answers().path = QString::fromStdString(path);
    std::uintmax_t bytes = 0;
    for (auto _ : state) {
        dialog.Backup();
        WaitIdle(dialog);
        state.PauseTiming();
        bytes = std::filesystem::file_size(path);
        std::filesystem::remove(path);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    dialog.CloseWithOk();
}
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
