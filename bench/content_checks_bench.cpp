// The content checks of one mail against a million-record address book (OMBREL_AB_RECORDS
// changes the count): the destinations sorted by terminal, the text-mail check of all five
// terminal kinds, the HTML checks, and, for comparison, the core's merge of every
// recipient (CMailSize) that the checks no longer run.
//
// The book holds PC, NTT DoCoMo, au TU-KA, SoftBank and WILLCOM addresses in the
// proportions of a typical customer list, Japanese names (some in half-width katakana),
// companies, addresses and an extended attribute. The mail merges seven fields in a
// subject and a body of about 3 KB. Message boxes are answered OK at once.

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "app/compose/content_checks.h"
#include "app/compose/destinations_by_terminal.h"
#include "app/ui/prompter.h"
#include "bench/book_bench_env.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/cp932.h"
#include "core/mailstore/mail_size.h"
#include "core/mailstore/mail_word_insert.h"
#include "core/mailstore/x_email.h"
#include "platform/notifier.h"

namespace {

using namespace compose;

std::string S(const char* utf8) { return Utf8ToSjis(utf8); }
std::string Field(int row) { return MailWordInsert::itsMailInsertDefinition[static_cast<std::size_t>(row)].insertString; }

class AnswerOk : public ui::Prompter {
public:
    int Show(QWidget*, const QString&, const QString&, unsigned style) override {
        return (style & 0x0F) == platform::kMbYesNoCancel ? platform::kIdNo : platform::kIdOk;
    }
};

struct Book {
    CDatabaseEdit book;
    std::vector<int> ids;

    Book() {
        const int n = BookRecordCount();
        const char* const domains[] = {"example.com", "gmail.com", "docomo.ne.jp", "ezweb.ne.jp",
                                       "softbank.ne.jp", "i.softbank.jp", "willcom.com", "example.co.jp"};
        const int weights[] = {25, 25, 20, 15, 6, 4, 5, 0};
        std::vector<int> pick;
        for (int d = 0; d < 8; ++d)
            for (int w = 0; w < weights[d]; ++w) pick.push_back(d);
        const std::vector<std::string> families = {S("山田"), S("佐藤"), S("鈴木"), S("高橋"), S("ﾀﾅｶ"), S("渡辺")};
        const std::vector<std::string> givens = {S("太郎"), S("花子"), S("ｲﾁﾛｳ"), S("美咲"), S("健"), S("ｻﾌﾞﾛｳ")};
        const std::vector<std::string> companies = {S("株式会社サンプル商事"), S("有限会社テスト"), "ACME & Co.",
                                                    S("ﾐﾗｲ電機株式会社"), ""};
        std::mt19937 rng(7);
        std::vector<std::string> row(kCustomerElementCount);
        ids.reserve(static_cast<std::size_t>(n));
        CDatabaseEdit::ChangeGroup group(book);  // one commit for the whole book
        for (int id = 1; id <= n; ++id) {
            row[kElemCustomerID] = std::to_string(id);
            row[kElemEmail] = "user" + std::to_string(id) + "@" + domains[pick[rng() % pick.size()]];
            row[kElemKanjiSei] = families[rng() % families.size()];
            row[kElemKanjiMei] = givens[rng() % givens.size()];
            row[kElemCompany] = companies[rng() % companies.size()];
            row[kElemPrefecture] = S("東京都");
            row[kElemAddress1] = S("千代田区丸の内") + std::to_string(rng() % 100) + "-" + std::to_string(rng() % 50);
            row[kElemExtraFirst] = "M" + std::to_string(rng() % 100000);
            row[kElemDMOk] = "Y";
            row[kElemEntryDate] = "2020/01/02 03:04:05";
            row[kElemRenewalDate] = "2021/02/03 04:05:06";
            if (book.AddLine(XCStringArrayEx(row)) != 0) std::abort();
            ids.push_back(id);
        }
    }
};

Book& SharedBook() {
    static Book b;
    return b;
}

std::string Subject() { return Field(kElemKanjiSei) + Field(kElemKanjiMei) + S("様 新商品のお知らせ"); }

std::string Body() {
    std::string body = Field(kElemCompany) + "\r\n" + Field(kElemKanjiSei) + Field(kElemKanjiMei) + S("様\r\n\r\n");
    const std::string line = S("いつも当店をご利用いただき、誠にありがとうございます。本日より夏のセールを開催いたします。\r\n");
    while (body.size() < 3000) body += line;
    body += Field(kElemPrefecture) + Field(kElemAddress1) + S("\r\n会員番号：") + Field(kElemExtraFirst) + "\r\n";
    return body;
}

class Pages : public ComposedMailPages {
public:
    class Html : public CheckedHtmlPage {
    public:
        std::string Subject() override { return ::Subject(); }
        std::string HtmlPart() override {
            return "<html><body bgcolor=\"#ffffff\"><font size=\"3\">" + HtmlBody() + "</font></body></html>";
        }
        std::string TextPart() override { return Body(); }
        std::vector<PageFileEntry> InlineImages() override { return {}; }
        std::vector<PageFileEntry> Attachments() override { return {}; }
        bool ClearInlineMark(int) override { return false; }
        void RemoveImageFromEditor(const std::string&) override {}
        void RebuildHtmlView() override {}

    private:
        static std::string HtmlBody() {
            std::string out;
            for (const char c : Body()) out += c == '\n' ? std::string("<br>") : std::string(1, c);
            // The fields in their HTML form.
            std::string html;
            std::size_t pos = 0;
            for (;;) {
                const std::size_t at = out.find("<%", pos);
                if (at == std::string::npos) break;
                html.append(out, pos, at - pos);
                html += "&lt;%";
                const std::size_t end = out.find("%>", at);
                html.append(out, at + 2, end - at - 2);
                html += "%&gt;";
                pos = end + 2;
            }
            html.append(out, pos);
            return html;
        }
    };

    std::string TextSubject(int) override { return Subject(); }
    std::string TextBody(int) override { return Body(); }
    CheckedHtmlPage* HtmlPage(int) override { return &html_; }
    std::string DestinationText() override { return "list"; }
    bool DestinationsByTerminal(char kind, TerminalIdLists& lists) override {
        SortDestinationsByTerminal(SharedBook().book, SharedBook().ids, kind, lists);
        return true;
    }

private:
    Html html_;
};

CheckStores Stores() { return CheckStores{nullptr, nullptr, &SharedBook().book, nullptr}; }

void Counters(benchmark::State& state) {
    state.counters["recipients"] = static_cast<double>(SharedBook().ids.size());
}

// The destinations of a text mail sorted into the five terminal lists.
void BM_DestinationsByTerminal(benchmark::State& state) {
    Book& b = SharedBook();
    TerminalIdLists lists;
    for (auto _ : state) {
        SortDestinationsByTerminal(b.book, b.ids, 'N', lists);
        benchmark::DoNotOptimize(lists);
    }
    Counters(state);
}
BENCHMARK(BM_DestinationsByTerminal)->Unit(benchmark::kMillisecond);

// The text-mail check of all five terminal kinds over their destinations (send: no
// questions asked).
void BM_CheckTextMail(benchmark::State& state) {
    AnswerOk answers;
    ui::Prompter* previous = ui::SetPrompter(&answers);
    Pages pages;
    TerminalIdLists lists;
    pages.DestinationsByTerminal('N', lists);
    ContentChecker checker(nullptr, pages, Stores());
    for (auto _ : state)
        benchmark::DoNotOptimize(checker.CheckTextMail(kPurposeSend, false, lists[0], lists[1], lists[2], lists[3], lists[4]));
    ui::SetPrompter(previous);
    Counters(state);
}
BENCHMARK(BM_CheckTextMail)->Unit(benchmark::kMillisecond);

// Everything a draft save of a text mail does: the destinations by terminal, then the
// check of every kind with its questions.
void BM_TextMailBeforeSave(benchmark::State& state) {
    AnswerOk answers;
    ui::Prompter* previous = ui::SetPrompter(&answers);
    Pages pages;
    ContentChecker checker(nullptr, pages, Stores());
    for (auto _ : state) benchmark::DoNotOptimize(checker.CheckMailBeforeSave('N'));
    ui::SetPrompter(previous);
    Counters(state);
}
BENCHMARK(BM_TextMailBeforeSave)->Unit(benchmark::kMillisecond);

// The same for an HTML mail for phones (NTT DoCoMo, au TU-KA and SoftBank pages, tag
// rules, the image limits measured again) and for PC.
void BM_MobileHtmlMailBeforeSave(benchmark::State& state) {
    AnswerOk answers;
    ui::Prompter* previous = ui::SetPrompter(&answers);
    Pages pages;
    ContentChecker checker(nullptr, pages, Stores());
    for (auto _ : state) benchmark::DoNotOptimize(checker.CheckMailBeforeSave('M'));
    ui::SetPrompter(previous);
    Counters(state);
}
BENCHMARK(BM_MobileHtmlMailBeforeSave)->Unit(benchmark::kMillisecond);

void BM_PcHtmlMailBeforeSave(benchmark::State& state) {
    AnswerOk answers;
    ui::Prompter* previous = ui::SetPrompter(&answers);
    Pages pages;
    ContentChecker checker(nullptr, pages, Stores());
    for (auto _ : state) benchmark::DoNotOptimize(checker.CheckMailBeforeSave('Y'));
    ui::SetPrompter(previous);
    Counters(state);
}
BENCHMARK(BM_PcHtmlMailBeforeSave)->Unit(benchmark::kMillisecond);

// The merge of every recipient that the measurement replaces: CMailSize over the NTT
// DoCoMo destinations, subject and body (one run; it takes seconds).
void BM_NaiveMergeOfDocomoDestinations(benchmark::State& state) {
    TerminalIdLists lists;
    SortDestinationsByTerminal(SharedBook().book, SharedBook().ids, 'N', lists);
    for (auto _ : state) {
        CMailSize size(&SharedBook().book);
        size.SetTargetCustomerByCustomerIDArray(lists[TERM_DOCOMO]);
        for (const std::string& text : {Subject(), Body()}) {
            size.SetTargetString(text, 0);
            size.Analyze(1);
            benchmark::DoNotOptimize(size.GetMaxSize());
        }
    }
    state.counters["recipients"] = static_cast<double>(lists[TERM_DOCOMO].size());
}
BENCHMARK(BM_NaiveMergeOfDocomoDestinations)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
