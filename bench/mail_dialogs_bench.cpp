// The mail dialogs at full size, on the offscreen platform, over an environment made by
// the program's creation (keyed) whose address book holds 1,000,000 people
// (QUENDREL_MAIL_DIALOGS_PEOPLE to change it) and whose mail list holds 20,000 mails with
// their bodies: 70 % text mails (seven subjects, five bodies of about 1.5 KB), 20 % HTML
// mails for PCs (a MIME message of about 4 KB in body 0), 10 % HTML mails for mobile
// phones (three MIME messages).
//
//   BM_SendHistoryOpen:   the send-history dialog of a mail to every person (a history of
//                         1,000,000 rows): from making the dialog to its first page shown
//                         and painted (the history read on the dialog's worker). Target:
//                         under 1 s.
//   BM_SendHistoryExport: the export of all 1,000,000 rows with the titles (what the
//                         dialog's worker does: each row's person looked up in the book,
//                         the CSV written safely). Target: under 3 s. Counter file_MB.
//   BM_MailSearch/found:  the mail search in "すべての項目" over the 20,000 mails for a
//                         keyword that about one mail in ten holds. Target: under 200 ms.
//   BM_MailSearch/absent: the same for a keyword no mail holds.
//   BM_DeletedPeopleList: the deleted-data list's people (100,000 of the book deleted):
//                         their IDs with an address, as the list loads them.
//
// The environment lives in $TMPDIR (default /tmp) and is removed at exit.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/sendrecv/deleted_data_list.h"
#include "app/sendrecv/mail_search.h"
#include "app/sendrecv/send_history.h"
#include "app/sendrecv/send_history_dlg.h"
#include "app/environment/environment_service.h"
#include "app/ui/font_layer.h"
#include "bench/program_env.h"
#include "core/foundation/directory_utils.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_writer.h"

namespace {

constexpr int kMails = 20000;
constexpr int kHistoryMail = 1;

int People() {
    const char* n = std::getenv("QUENDREL_MAIL_DIALOGS_PEOPLE");
    return n != nullptr && std::atoi(n) > 0 ? std::atoi(n) : 1000000;
}

std::string Sjis(const char* utf8) { return Utf8ToSjis(utf8); }

std::string Message(const std::string& plain, const std::string& html) {
    return "MIME-Version: 1.0\r\nSubject: =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=\r\n"
           "Content-Type: multipart/alternative; boundary=\"----=_Part_0\"\r\n\r\n"
           "------=_Part_0\r\nContent-Type: text/plain; charset=Shift_JIS\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
           plain +
           "\r\n------=_Part_0\r\nContent-Type: text/html; charset=Shift_JIS\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
           html + "\r\n------=_Part_0--\r\n";
}

class Bench {
public:
    static Bench& Get() {
        static Bench bench;
        return bench;
    }
    shell::EnvironmentService& Service() { return *service_; }
    std::string Root() const { return root_; }

    ~Bench() {
        shell::SetProgramEnvironment(nullptr);
        service_.reset();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

private:
    Bench() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "mail_dialogs_bench";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        ui::InstallProgramFonts();

        std::string tmpl = std::filesystem::temp_directory_path().string() + "/quendrel-mail-dialogs-bench-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        root_ = tmpl + "/";
        const std::string descriptor = bench_env::MakeFilledEnvironments(root_, {"MailDialogs"}, People(), kMails).front();
        shell::EnvironmentService::Settings settings;
        settings.finishPauseMs = 0;
        service_ = std::make_unique<shell::EnvironmentService>(settings);
        if (service_->OpenEnvironment(descriptor) != 1) std::abort();
        shell::SetProgramEnvironment(service_.get());
        WriteMails();
        WriteHistory();
        DeletePeople();
    }

    void WriteMails() {
        EnvManager* env = service_->GetEnvManager();
        CMailListViewer* list = service_->GetMailListViewer();
        std::string body;
        for (int i = 0; i < 12; ++i)
            body += Sjis("いつも当店をご利用いただき、誠にありがとうございます。今月のおすすめ商品をご紹介いたします。\r\n");
        const std::string sale = Sjis("期間限定セールを開催中です。\r\n");
        const std::string html = "<html><body><p>" + body + "</p><p><b>" + Sjis("詳しくはこちら") + "</b></p></body></html>";
        for (int id = 1; id <= kMails; ++id) {
            const int kind = id % 10;  // 0-6 text, 7-8 HTML for PCs, 9 mobile
            COneMailData mail;
            if (list->GetMailData(id, mail) != 0) std::abort();
            mail.SetSpecialFlag(kind <= 6 ? "NN" : kind <= 8 ? "NY" : "NM");
            if (list->SetMailData(mail) != 0) std::abort();
            const std::string text = id % 10 == 3 ? body + sale : body;
            MailWriter w(env, 7);
            if (w.SetMailFromFile(-1, 0, nullptr) != 1) std::abort();
            for (int row = 0; row < 7; ++row) {
                const std::string subject = Sjis("今月のおすすめ商品のご案内") + std::to_string(id);
                std::string rowBody;
                if (kind <= 6 && row <= 4) rowBody = text;
                if (kind >= 7 && kind <= 8 && row == 0) rowBody = Message(text, html);
                if (kind == 9 && row >= 1 && row <= 3) rowBody = Message(text, html);
                if (w.SetMailRecordToMemory(subject, rowBody, row) != 0) std::abort();
            }
            if (MakeDirectoryCompel(env_layout::OneMailFolder(*env, id)) != 0 || w.SetNewMailID(id) != 1 ||
                w.WriteMailAllTypeToFile() != 1)
                std::abort();
        }
        if (list->WriteMailList(1) != 0) std::abort();
    }

    void WriteHistory() {
        HistoryListViewer h(service_->GetEnvManager(), service_->GetSystemOption(), service_->GetDatabaseEdit(),
                            service_->GetMailListViewer());
        if (h.SetMailID(kHistoryMail, 1) != 0) std::abort();
        HistorySet row;
        row.openFlag = "N";
        row.lastSendDate = platform::DateTime(2024, 12, 9, 10, 20, 30);
        for (int i = 0; i < People(); ++i) {
            row.customerID = 1000 + i;
            row.state = i % 50 == 0 ? "E" : "C";
            row.retryNum = i % 3;
            row.messageID = "<1733731200." + std::to_string(i) + ".1@mail.example.co.jp>";
            if (h.SetHDataFromStructToMemory(row) != 0) std::abort();
        }
        if (h.WriteHDataFromMemoryToFileCompel() != 0) std::abort();
    }

    void DeletePeople() {
        CDatabaseEdit* book = service_->GetDatabaseEdit();
        CDatabaseEdit::ChangeGroup group(*book);  // one commit for them all
        for (int i = 0; i < People(); i += 10)
            if (book->DeleteCustomer(1000 + i) != 0) std::abort();
    }

    std::unique_ptr<QApplication> app_;
    std::string root_;
    std::unique_ptr<shell::EnvironmentService> service_;
};

void BM_SendHistoryOpen(benchmark::State& state) {
    Bench& b = Bench::Get();
    COneMailData mail;
    if (b.Service().GetMailListViewer()->GetMailData(kHistoryMail, mail) != 0) std::abort();
    int rows = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        CSendHistoryDlg dialog(mail);
        QTimer::singleShot(0, &dialog, [&] {
            while (!(dialog.HasRead() && !dialog.IsBusy())) QApplication::processEvents(QEventLoop::AllEvents, 5);
            QApplication::processEvents();
            dialog.List()->viewport()->repaint();
            state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
            rows = dialog.Total();
            dialog.reject();
        });
        dialog.DoModal();
    }
    state.counters["rows"] = rows;
}
BENCHMARK(BM_SendHistoryOpen)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_SendHistoryExport(benchmark::State& state) {
    Bench& b = Bench::Get();
    SendHistory history;
    if (!history.Bind(b.Service().GetEnvManager(), b.Service().GetSystemOption(), b.Service().GetDatabaseEdit(),
                      b.Service().GetMailListViewer()) ||
        history.SetMailID(kHistoryMail) != 0 || history.Read() != 0)
        std::abort();
    const std::string path = b.Root() + "history.csv";
    for (auto _ : state)
        if (!history.Export(path, true)) std::abort();
    state.counters["rows"] = history.Total();
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}
BENCHMARK(BM_SendHistoryExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_MailSearch(benchmark::State& state, const char* keywordUtf8) {
    Bench& b = Bench::Get();
    MailSearcher searcher(b.Service().GetEnvManager(), b.Service().GetMailListViewer());
    const std::string keyword = Sjis(keywordUtf8);
    std::vector<MailSearchHit> hits;
    for (auto _ : state) searcher.Search(kSearchAll, keyword, hits);
    state.counters["mails"] = kMails;
    state.counters["hits"] = static_cast<double>(hits.size());
}
BENCHMARK_CAPTURE(BM_MailSearch, found, "期間限定セール")->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK_CAPTURE(BM_MailSearch, absent, "存在しない言葉")->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

void BM_DeletedPeopleList(benchmark::State& state) {
    Bench& b = Bench::Get();
    DeletedDataStores stores;
    stores.book = b.Service().GetDatabaseEdit();
    std::size_t listed = 0;
    for (auto _ : state) listed = ListDeletedIds(kDeletedPeople, stores).size();
    state.counters["listed"] = static_cast<double>(listed);
}
BENCHMARK(BM_DeletedPeopleList)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
