// The main window's mail list with 20,000 mails, as the program shows it: the list view
// on the offscreen platform over an environment made by the program's creation, whose
// mail list holds mails of every listed status.
//
//   BM_SwitchToAll:        a mode switch that reads and shows all 20,000 mails (from the
//                          sent mails), painted. Target: under 50 ms.
//   BM_SwitchToReport:     the same with the report layout's columns built anew.
//   BM_SwitchToAllSortedByTitle: the switch to all mails while the list is sorted by
//                          件名: the title of every row is read for the sort.
//   BM_SwitchToAllSortedByDate: the same sorted by 作成日時: every row's whole entry is
//                          read (the worst switch).
//   BM_ResortByTitle:      a click on 件名 (a text column) over 20,000 rows, painted.
//                          Target: under 50 ms.
//   BM_ResortByMailId:     a click on メールID (a number column), painted.
//   BM_RowRefresh:         one row refreshed from a send result (the list request of the
//                          send run), the view repainted. Target: under 1 ms.
//   BM_CaptionCount:       what a caption update costs (the mode's mails counted over the
//                          whole list); the list does it at most every 200 ms.
//   BM_UpdateFlood:        a worker reports 1,000 row updates a second for two seconds
//                          while the GUI thread runs its event loop with a 10 ms timer:
//                          the timer's worst lateness shows whether the window stays
//                          responsive; the rows applied and caption updates are counted.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/environment/environment_service.h"
#include "app/environment/new_environment.h"
#include "app/shell/mail_list_columns.h"
#include "app/shell/varnis_view.h"
#include "app/ui/font_layer.h"
#include "core/foundation/cp932.h"
#include "core/mailstore/mail_list_viewer.h"

namespace {

constexpr int kMails = 20000;
using namespace shell::mail_list;

class ViewBench {
public:
    static ViewBench& Get() {
        static ViewBench bench;
        return bench;
    }
    shell::CVarnisView& View() { return *view_; }
    shell::MailListController& Controller() { return view_->Controller(); }
    CMailListViewer& List() { return *service_->GetMailListViewer(); }

    ~ViewBench() {
        view_.reset();
        shell::SetProgramEnvironment(nullptr);
        service_.reset();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

private:
    ViewBench() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "mail_list_view_bench";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        ui::InstallProgramFonts();

        std::string tmpl = std::filesystem::temp_directory_path().string() + "/quendrel-view-bench-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        root_ = tmpl + "/";
        if (shell::CreateNewEnvironment("Bench", root_, "N", "", false) != 0) std::abort();
        shell::EnvironmentService::Settings settings;
        settings.finishPauseMs = 0;
        service_ = std::make_unique<shell::EnvironmentService>(settings);
        if (service_->OpenEnvironment(root_ + "Bench.env") != 1) std::abort();
        shell::SetProgramEnvironment(service_.get());
        Fill();

        view_ = std::make_unique<shell::CVarnisView>();
        view_->Controller().SetProgramIniPath(root_ + "Quendrel.ini");
        view_->resize(1200, 700);
        view_->OnInitialUpdate();
        view_->show();
        QApplication::processEvents();
    }

    void Fill() {
        static const char* const statuses[] = {"D", "W", "R", "I", "C", "E", "B", "C", "C", "D"};
        const std::string titles[] = {Utf8ToSjis("春のキャンペーンのお知らせ"), Utf8ToSjis("【重要】会員規約改定のご案内"),
                                      Utf8ToSjis("Newsletter vol."), Utf8ToSjis("セミナー開催のお知らせ")};
        const std::string list = Utf8ToSjis("会員全員");
        for (int id = 1; id <= kMails; ++id) {
            COneMailData mail;
            mail.SetMailID(id);
            mail.SetMailTitle(titles[(id * 7) % 4] + std::to_string((id * 7919) % kMails));
            mail.SetAddressName(list + std::to_string(id % 50));
            mail.SetStatus(statuses[id % 10], 0);
            mail.SetSentNumber((id * 31) % 5000);
            mail.SetOpenNumber((id * 17) % 1000);
            mail.SetDate(COneMailData::kEntryDate, platform::DateTime(2020 + id % 5, 1 + id % 12, 1 + id % 28, id % 24, id % 60, 0), 0);
            mail.SetDate(COneMailData::kRenewalDate, platform::DateTime(2024, 1 + id % 12, 1 + id % 28, 10, 0, 0), 0);
            mail.SetDate(COneMailData::kReserveDate, platform::DateTime(2025, 1 + id % 12, 1 + id % 28, 9, 0, 0), 0);
            mail.SetSpecialFlag(id % 3 ? "NN" : "NY");
            if (List().SetMailData(mail) != 0) std::abort();
        }
        if (List().WriteMailList(1) != 0) std::abort();
    }

    std::unique_ptr<QApplication> app_;
    std::string root_;
    std::unique_ptr<shell::EnvironmentService> service_;
    std::unique_ptr<shell::CVarnisView> view_;
};

// Runs the events that are due (the view's layout and paint).
void Settle(shell::CVarnisView& view) {
    QApplication::processEvents();
    view.viewport()->repaint();
}

void SwitchBench(benchmark::State& state, int from, int to) {
    ViewBench& b = ViewBench::Get();
    for (auto _ : state) {
        state.PauseTiming();
        b.Controller().SwitchMode(from);
        Settle(b.View());
        state.ResumeTiming();
        b.Controller().SwitchMode(to);
        Settle(b.View());
    }
    state.counters["rows"] = b.Controller().Model()->rowCount();
}

void BM_SwitchToAll(benchmark::State& state) { SwitchBench(state, kModeSent, kModeAll); }
BENCHMARK(BM_SwitchToAll)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SwitchToReport(benchmark::State& state) { SwitchBench(state, kModeAll, kModeReport); }
BENCHMARK(BM_SwitchToReport)->Unit(benchmark::kMillisecond)->Iterations(20);

// The worst switch: the list is sorted by a text column, so every row is read at once.
void BM_SwitchToAllSortedByTitle(benchmark::State& state) {
    ViewBench& b = ViewBench::Get();
    b.Controller().SwitchMode(kModeAll);
    b.Controller().ColumnClicked(1);
    SwitchBench(state, kModeSent, kModeAll);
    b.Controller().ColumnClicked(0);  // back to the mail ID for the others
    b.Controller().ColumnClicked(0);
}
BENCHMARK(BM_SwitchToAllSortedByTitle)->Unit(benchmark::kMillisecond)->Iterations(20);

// Sorted by 作成日時: the dates are read with the whole entry of every row.
void BM_SwitchToAllSortedByDate(benchmark::State& state) {
    ViewBench& b = ViewBench::Get();
    b.Controller().SwitchMode(kModeAll);
    b.Controller().ColumnClicked(6);
    SwitchBench(state, kModeSent, kModeAll);
    b.Controller().ColumnClicked(0);
    b.Controller().ColumnClicked(0);
}
BENCHMARK(BM_SwitchToAllSortedByDate)->Unit(benchmark::kMillisecond)->Iterations(20);

void ResortBench(benchmark::State& state, int column) {
    ViewBench& b = ViewBench::Get();
    b.Controller().SwitchMode(kModeAll);
    Settle(b.View());
    for (auto _ : state) {
        b.Controller().ColumnClicked(column);
        Settle(b.View());
    }
    state.counters["rows"] = b.Controller().Model()->rowCount();
}

void BM_ResortByTitle(benchmark::State& state) { ResortBench(state, 1); }
BENCHMARK(BM_ResortByTitle)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_ResortByMailId(benchmark::State& state) { ResortBench(state, 0); }
BENCHMARK(BM_ResortByMailId)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_RowRefresh(benchmark::State& state) {
    ViewBench& b = ViewBench::Get();
    b.Controller().SwitchMode(kModeAll);
    Settle(b.View());
    COneMailData mail;
    // A row on screen, so the refresh is painted.
    const int id = b.Controller().Model()->MailIdAt(3);
    if (b.List().GetMailData(id, mail) != 0) state.SkipWithError("no mail");
    int sent = 0;
    for (auto _ : state) {
        mail.SetSentNumber(++sent);
        b.Controller().RefreshRow(mail);
        QApplication::processEvents();
    }
    state.counters["rows"] = b.Controller().Model()->rowCount();
}
BENCHMARK(BM_RowRefresh)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

void BM_CaptionCount(benchmark::State& state) {
    ViewBench& b = ViewBench::Get();
    for (auto _ : state) benchmark::DoNotOptimize(b.List().CountMailByViewType(kModeAll));
}
BENCHMARK(BM_CaptionCount)->Unit(benchmark::kMicrosecond);

void BM_UpdateFlood(benchmark::State& state) {
    ViewBench& b = ViewBench::Get();
    b.Controller().SwitchMode(kModeReport);
    Settle(b.View());
    std::vector<COneMailData> mails(50);
    for (int i = 0; i < 50; ++i) b.List().GetMailData(b.Controller().Model()->MailIdAt(i), mails[static_cast<std::size_t>(i)]);
    int captions = 0;
    auto counter = QObject::connect(&b.Controller(), &shell::MailListController::CaptionsChanged,
                                    [&](const QString&, int) { ++captions; });
    double worstLateMs = 0;
    long posted = 0;
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::thread worker([&] {
            using namespace std::chrono;
            auto next = steady_clock::now();
            int sent = 0;
            while (!stop.load()) {
                COneMailData m = mails[static_cast<std::size_t>(sent % 50)];
                m.SetSentNumber(++sent);
                b.Controller().PostRowRefresh(m);
                ++posted;
                next += milliseconds(1);
                std::this_thread::sleep_until(next);
            }
        });
        QElapsedTimer clock;
        clock.start();
        qint64 expected = 10;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            worstLateMs = std::max(worstLateMs, static_cast<double>(clock.elapsed() - expected));
            expected = clock.elapsed() + 10;
        });
        tick.start(10);
        while (clock.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 5);
        stop = true;
        worker.join();
        QApplication::processEvents();
    }
    QObject::disconnect(counter);
    state.counters["updates_posted"] = static_cast<double>(posted);
    state.counters["caption_updates"] = captions;
    state.counters["worst_timer_late_ms"] = worstLateMs;
}
BENCHMARK(BM_UpdateFlood)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
