// The extraction screens over an address book of a million people (OMBREL_AB_RECORDS
// changes the count), in an environment made by the program's creation and opened by the
// environment service, on the offscreen platform. Every 35th record is one that no
// extraction takes (refusing advertising mail, or deleted), so a destination without
// conditions has exactly the book's count of recipients.
//
//   BM_WizardRun:        the extraction wizard's run of three groups of two conditions
//                        each, from the "Yes" to the run question to the result page shown
//                        with its first page (worker, progress window, result dialog and
//                        event loop included). Target: under 1.5 s.
//   BM_ReExtractMail:    the re-extraction of a PC HTML mail with a million recipients
//                        against its send history of a million rows (half of them sent,
//                        every seventh failed at its retry limit), with the mail-type
//                        filter. Target: under 2 s.
//   BM_RenewMail:        the refresh dialog's whole work on that mail: the mail read, the
//                        re-extraction and the recipient list written.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/addressui/dest_reextract.h"
#include "app/addressui/extract_result_page.h"
#include "app/addressui/extract_wizard.h"
#include "app/addressui/result_dialog_hook.h"
#include "app/environment/environment_service.h"
#include "app/environment/new_environment.h"
#include "app/ui/control_ids.h"
#include "app/ui/font_layer.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "bench/book_bench_env.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_action.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/foundation/cp932.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "platform/notifier.h"

namespace {

std::string S(const char* utf8) { return Utf8ToSjis(utf8); }

// Answers every question with its first button (Yes, OK).
class YesPrompter : public ui::Prompter {
public:
    int Show(QWidget*, const QString&, const QString&, unsigned style) override {
        return (style & 0xF) == platform::kMbYesNo ? platform::kIdYes : platform::kIdOk;
    }
};

OneExtractCondition Values(int element, std::vector<std::string> values, const char* flag = "Y") {
    OneExtractCondition c;
    c.element = element;
    c.kind = "E";
    c.values = std::move(values);
    c.equalFlag = flag;
    return c;
}

OneExtractCondition Range(int element, std::string lower, std::string upper) {
    OneExtractCondition c;
    c.element = element;
    c.kind = "R";
    c.lower = std::move(lower);
    c.upper = std::move(upper);
    return c;
}

class WizardBench {
public:
    static WizardBench& Get() {
        static WizardBench bench;
        return bench;
    }
    CDatabaseEdit& Book() { return *service_->GetDatabaseEdit(); }
    CMailListViewer& Mails() { return *service_->GetMailListViewer(); }
    SystemOption& Options() { return *service_->GetSystemOption(); }
    EnvManager* Env() { return service_->GetEnvManager(); }
    int Recipients() const { return live_; }
    // The PC HTML mail whose recipients are every live person, with its history.
    int Mail() {
        if (mail_ < 0) MakeMail();
        return mail_;
    }
    ~WizardBench() {
        ui::SetPrompter(nullptr);
        shell::SetProgramEnvironment(nullptr);
        service_.reset();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

private:
    WizardBench() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "extraction_wizard_bench";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        ui::InstallProgramFonts();
        ui::SetPrompter(&prompter_);
        addressui::SetResultDialogHook([](QWidget*, const QString&, const QString&, const QString&) {});
        std::string tmpl = std::filesystem::temp_directory_path().string() + "/extraction-wizard-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        root_ = tmpl + "/";
        if (shell::CreateNewEnvironment("bench", root_, "N", "", false) != 0) std::abort();
        shell::EnvironmentService::Settings settings;
        settings.finishPauseMs = 0;
        service_ = std::make_unique<shell::EnvironmentService>(settings);
        if (service_->OpenEnvironment(root_ + "bench.env") != 1) std::abort();
        shell::SetProgramEnvironment(service_.get());
        // Attribute B a number, C a date; resending allowed up to 3 times.
        Options().SetSODataToMemoryPinPoint(15, S("会員番号"));
        Options().SetSODataToMemoryPinPoint(16, S("入会日"));
        Options().SetSODataToMemoryPinPoint(35, "1");
        Options().SetSODataToMemoryPinPoint(36, "2");
        Options().SetSODataToMemoryPinPoint(HistoryListViewer::kOptionResend, "Y");
        Options().SetSODataToMemoryPinPoint(HistoryListViewer::kOptionMaxRetry, "3");
        Fill(BookRecordCount());
    }

    void Fill(int live) {
        const std::vector<std::string> sei = {S("佐藤"), S("鈴木"), S("高橋"), S("田中"), S("伊藤"),
                                              S("渡辺"), S("ｱｵｷ"), S("アベ"), "Smith"};
        const std::vector<std::string> mei = {S("花子"), S("一郎"), S("美咲"), S("健太"), S("ﾅｵｺ"), S("翔")};
        const std::vector<std::string> prefectures = {S("東京都"), S("大阪府"), S("神奈川県"), S("愛知県"),
                                                      S("福岡県"), S("北海道"), S("京都府"), S("<未選択>")};
        const std::vector<std::string> companies = {S("株式会社サンプル商事"), S("有限会社テスト"), "", ""};
        const char* const domains[] = {"example.co.jp", "Example.com", "docomo.ne.jp", "ezweb.ne.jp",
                                       "softbank.ne.jp", "willcom.com"};
        std::mt19937 rng(4711);
        std::vector<std::string> row(kCustomerElementCount);
        char buf[64];
        CDatabaseEdit::ChangeGroup group(Book());  // one commit for the whole book
        for (int i = 0; live_ < live; ++i) {
            const int id = 1000 + i;
            const bool excluded = i % 35 == 34;
            row[kElemCustomerID] = std::to_string(id);
            row[kElemEmail] = "user" + std::to_string(id) + "@" + domains[rng() % 6];
            row[kElemKanjiSei] = sei[rng() % sei.size()];
            row[kElemKanjiMei] = mei[rng() % mei.size()];
            row[kElemCompany] = companies[rng() % companies.size()];
            row[kElemPrefecture] = prefectures[rng() % prefectures.size()];
            row[kElemAddress1] = S("横浜市中区") + std::to_string(rng() % 100);
            std::snprintf(buf, sizeof buf, "045-%04u-%04u", static_cast<unsigned>(rng() % 10000),
                          static_cast<unsigned>(rng() % 10000));
            row[kElemPhone1] = buf;
            row[kElemDMOk] = excluded && (i / 35) % 2 == 0 ? "N" : "Y";
            row[kElemOtherMailOk] = "Y";
            row[kElemExtraFirst + 1] = std::to_string(rng() % 100000);
            std::snprintf(buf, sizeof buf, "%04u/%02u/%02u", 2000 + static_cast<unsigned>(rng() % 24),
                          1 + static_cast<unsigned>(rng() % 12), 1 + static_cast<unsigned>(rng() % 28));
            row[kElemExtraFirst + 2] = buf;
            row[kElemDeleteFlag] = excluded && (i / 35) % 2 == 1 ? "Y" : "";
            row[kElemEntryDate] = "2020/01/02 03:04:05";
            row[kElemRenewalDate] = "2024/05/06 10:20:30";
            if (Book().AddLine(XCStringArrayEx(row)) != 0) std::abort();
            if (!excluded) {
                liveIds_.push_back(id);
                ++live_;
            }
        }
    }

    void MakeMail() {
        mail_ = Mails().GetNewMailID();
        COneMailData m;
        m.SetMailID(mail_);
        m.SetMailTitle(S("新商品のご案内"));
        m.SetAddressName(S("全員"));
        m.SetStatus("C", 0);
        m.SetSpecialFlag("NY");  // a PC HTML mail
        if (Mails().SetMailData(m) != 0 || MakeDirectoryCompel(env_layout::OneMailFolder(*Env(), mail_)) != 0)
            std::abort();
        ExtractAction conditions;
        conditions.SetEnvManager(Env());
        conditions.SetDatabaseEdit(&Book());
        conditions.SetTypeAndID(EC_TYPE_EXTRACT, -1);
        if (conditions.GetExtractConditionFromFileToMemory(0, nullptr) != 0 ||
            conditions.SetTypeAndID(EC_TYPE_MAIL, mail_) != 0 ||
            conditions.WriteAllExtractConditionOnMemoryToFileCompel() != 0)
            std::abort();
        ExtractResultDetail recipients(Env(), &Mails(), nullptr, &Book(), ER_TYPE_MAIL, mail_);
        if (recipients.SetDBIDFromCListInt(liveIds_, 1, 0) != 0 || recipients.WriteAllOnMemoryDBIDToFileCompel() != 0)
            std::abort();
        HistoryListViewer history(Env(), &Options(), &Book(), &Mails());
        if (history.SetMailID(mail_, 1) != 0) std::abort();
        for (std::size_t k = 0; k < liveIds_.size(); ++k) {
            HistorySet row;
            row.customerID = liveIds_[k];
            row.state = k % 2 == 0 ? "C" : (k % 7 == 0 ? "E" : "W");
            row.retryNum = k % 7 == 0 ? 3 : 0;
            row.openFlag = "N";
            row.messageID = "<" + std::to_string(liveIds_[k]) + ".bench@example.jp>";
            row.lastSendDate = platform::DateTime(2024, 12, 9, 10, 20, 30);
            if (history.SetHDataFromStructToMemory(row) != 0) std::abort();
        }
        if (history.WriteHDataFromMemoryToFileCompel() != 0) std::abort();
        if (Mails().WriteMailList(1) != 0) std::abort();
    }

    std::unique_ptr<QApplication> app_;
    YesPrompter prompter_;
    std::string root_;
    std::unique_ptr<shell::EnvironmentService> service_;
    int live_ = 0;
    std::vector<int> liveIds_;
    int mail_ = -1;
};

void BM_WizardRun(benchmark::State& state) {
    WizardBench& b = WizardBench::Get();
    ExtractListViewer lists;
    lists.SetEnvManager(b.Env(), 1);
    addressui::CExtractSheet sheet(&lists, 1, -1, ui::U8("抽出条件設定"));
    ExtractAction& conditions = sheet.GetExtractAction();
    const int numberB = kElemExtraFirst + 1, dateC = kElemExtraFirst + 2;
    conditions.SetExtractConditionFromStructToMemory(Values(kElemPrefecture, {S("東京都"), S("神奈川県")}), 0, 0);
    conditions.SetExtractConditionFromStructToMemory(Range(numberB, "20000", "60000"), 0, 1);
    conditions.SetExtractConditionFromStructToMemory(Values(kElemEmail, {"DOCOMO.NE.JP"}), 1, 0);
    conditions.SetExtractConditionFromStructToMemory(Values(kElemKanjiSei, {S("藤")}, "N"), 1, 1);
    conditions.SetExtractConditionFromStructToMemory(Range(dateC, "2010", "2015/06"), 2, 0);
    conditions.SetExtractConditionFromStructToMemory(Values(kElemCompany, {S("株式会社")}), 2, 1);
    sheet.resize(900, 560);
    sheet.show();
    QApplication::processEvents();
    auto* run = ui::FindControl<QPushButton>(&sheet, addressui::CExtractSheet::kIdcRunExtraction);
    addressui::CExtractPageResult* page = sheet.ResultPage();
    for (auto _ : state) {
        run->click();
        while (page->IsRunning()) QApplication::processEvents(QEventLoop::AllEvents, 5);
        sheet.repaint();
    }
    state.counters["recipients"] = page->GetResultCount();
    state.counters["book"] = b.Recipients();
}
BENCHMARK(BM_WizardRun)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_ReExtractMail(benchmark::State& state) {
    WizardBench& b = WizardBench::Get();
    const int mail = b.Mail();
    int kept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto refresher = std::make_unique<addressui::DestinationRefresher>(0, mail, nullptr);
        if (!refresher->Bind() || refresher->SetTypeAndID() != 0) {
            state.SkipWithError("bind");
            return;
        }
        state.ResumeTiming();
        if (!refresher->ReExtract(addressui::kMailTypePcOnly)) {
            state.SkipWithError("re-extraction failed");
            return;
        }
        kept = refresher->GetExtractedCount();
        state.PauseTiming();
        refresher.reset();
        state.ResumeTiming();
    }
    state.counters["recipients"] = b.Recipients();
    state.counters["kept"] = kept;
}
BENCHMARK(BM_ReExtractMail)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_RenewMail(benchmark::State& state) {
    WizardBench& b = WizardBench::Get();
    const int mail = b.Mail();
    for (auto _ : state) {
        if (!addressui::RenewDestination(0, mail, nullptr)) {
            state.SkipWithError("refresh failed");
            return;
        }
    }
    state.counters["recipients"] = b.Recipients();
}
BENCHMARK(BM_RenewMail)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
