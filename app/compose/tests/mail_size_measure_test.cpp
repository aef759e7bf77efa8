// The size measurement after merging: the analytic largest size against the core's merge of
// every recipient (CMailSize), on hand-made records with the values that make widening
// and escaping hard and on random ones; and the measurement record with the test-mail
// recipient, the ID list, its failures and the page lists.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/compose/destinations_by_terminal.h"
#include "app/compose/mail_size_measure.h"
#include "app/compose/mail_size_measure_book.h"
#include "app/compose/mail_size_measure_profile.h"
#include "app/sendrecv/tests/send_env_fixture.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/test_mailing_info.h"
#include "core/mailstore/mail_size.h"
#include "core/mailstore/mail_word_insert.h"
#include "core/mailstore/x_email.h"

namespace compose {
namespace {

using sendtest::Sjis;

std::string InsertString(int row) { return MailWordInsert::itsMailInsertDefinition[static_cast<std::size_t>(row)].insertString; }
// The field in its HTML form ("&lt;%…%&gt;").
std::string HtmlField(int row) {
    std::string out;
    HtmlEscapeMergeValue(InsertString(row), out);
    return out;
}

// An address book of rows added as they stand (no environment), so any bytes can be
// stored, IDs and dates included.
class BookRows {
public:
    // Adds a row; `cells` sets elements by number. Element 0 is `id` unless given.
    void Add(int id, std::vector<std::pair<int, std::string>> cells) {
        std::vector<std::string> row(kCustomerElementCount);
        row[kElemCustomerID] = std::to_string(id);
        row[kElemEntryDate] = "2020/01/02 03:04:05";
        row[kElemRenewalDate] = "2021/02/03 04:05:06";
        for (auto& [e, v] : cells) row[static_cast<std::size_t>(e)] = v;
        ASSERT_EQ(book.AddLine(XCStringArrayEx(row)), 0);
        ids.push_back(id);
    }
    CDatabaseEdit book;
    std::vector<int> ids;
};

// The naive largest size: CMailSize merges the text for every recipient.
int64_t Naive(CDatabaseEdit& book, const std::vector<int>& ids, const std::string& text, int html, bool widen) {
    CMailSize size(&book);
    if (size.SetTargetCustomerByCustomerIDArray(ids) != 0) return -1;
    size.SetTargetString(text, html);
    if (size.Analyze(widen ? 1 : 0) != 0) return -1;
    return size.GetMaxSize();
}

int64_t Analytic(CDatabaseEdit& book, const std::vector<int>& ids, const std::string& text, int html, bool widen,
                 std::size_t lookups) {
    AddressBookRows rows(book, lookups);
    MergeSizeProfile profile(text, html, widen);
    std::vector<int64_t> sizes;
    LargestMergedSizes(rows, ids, {&profile}, sizes);
    return sizes[0];
}

// Both measures for every recipient alone and for all together, in all four forms, with
// the direct ID table and with the book's index.
void ExpectSameAsNaive(BookRows& fixture, const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
        for (int html = 0; html <= 1; ++html) {
            for (const bool widen : {false, true}) {
                const int64_t all = Naive(fixture.book, fixture.ids, text, html, widen);
                EXPECT_EQ(Analytic(fixture.book, fixture.ids, text, html, widen, 1 << 20), all)
                    << "text [" << text << "] html " << html << " widen " << widen;
                EXPECT_EQ(Analytic(fixture.book, fixture.ids, text, html, widen, 0), all);
                for (const int id : fixture.ids) {
                    const std::vector<int> one{id};
                    ASSERT_EQ(Analytic(fixture.book, one, text, html, widen, 1 << 20),
                              Naive(fixture.book, one, text, html, widen))
                        << "id " << id << " text [" << text << "] html " << html << " widen " << widen;
                }
            }
        }
    }
}

TEST(MergedSize, EqualsTheMergeOfEveryRecipientOnHardValues) {
    const std::string kana = "\xB6";           // ｶ, takes a voiced mark
    const std::string ha = "\xCA";             // ﾊ, takes both marks
    const std::string voiced = "\xDE";         // ﾞ
    const std::string semi = "\xDF";           // ﾟ
    const std::string lead = "\x82";           // a lead byte with nothing after it
    BookRows f;
    f.Add(1, {{kElemKanjiSei, Sjis("山田")}, {kElemKanjiMei, Sjis("太郎")}, {kElemCompany, "ACME & Co <x>"}});
    f.Add(2, {{kElemKanjiSei, "\xD4\xCF\xC0" + voiced}, {kElemKanjiMei, kana}, {kElemCompany, "\"q\" a b"}});
    f.Add(3, {{kElemKanjiSei, ha}, {kElemKanjiMei, semi + "x"}, {kElemCompany, lead}});
    f.Add(4, {{kElemKanjiSei, voiced}, {kElemKanjiMei, lead}, {kElemCompany, ""}});
    f.Add(5, {{kElemKanjiSei, ""}, {kElemKanjiMei, ""}, {kElemBirthday, "1990/05/06 07:08:09"}});
    f.Add(6, {{kElemBirthday, Sjis("平成二年五月六日ごろのこと")}, {kElemEntryDate, "garbage"}});
    f.Add(7, {{kElemBirthday, "1990/5/6"}, {kElemRenewalDate, "2023/13/01 00:00:00"}});
    f.Add(8, {{kElemExtraFirst, Sjis("拡張") + kana}, {kElemExtraFirst + 1, "<%" + Sjis("会社名") + "%>"}});
    f.Add(9, {{kElemCustomerID, "0009"}, {kElemKanjiSei, "\x80\xFD"}, {kElemPrefecture, lead + lead}});
    f.Add(12345678, {{kElemKanjiSei, std::string(300, 'a')}});

    const std::string sei = InsertString(kElemKanjiSei), mei = InsertString(kElemKanjiMei), company = InsertString(kElemCompany);
    const std::vector<std::string> texts = {
        "",
        sei,
        sei + mei,                                      // adjacent fields
        Sjis("拝啓 ") + sei + " " + mei + Sjis("様"),
        sei + voiced + mei + semi + company,            // marks right after values
        kana + sei + ha + mei,                          // kana right before values
        lead + sei,                                     // a lead byte swallowing a value's first byte
        sei + lead,                                     // a lead byte ending the text
        mei + lead + company + lead,
        "<%" + Sjis("未知") + "%>" + sei + "<%",          // an unknown field and a bare opener
        HtmlField(kElemKanjiSei) + "&lt;%" + HtmlField(kElemCompany) + "&lt;%" + Sjis("未知") + "%&gt;",
        "<p>" + sei + HtmlField(kElemKanjiMei) + "&lt;" + company + "<&</p>",  // both forms in one HTML part
        InsertString(kElemCustomerID) + InsertString(kElemBirthday) + InsertString(kElemEntryDate) + InsertString(kElemRenewalDate),
        InsertString(kElemExtraFirst) + InsertString(kElemExtraFirst + 1) + InsertString(kElemPrefecture),
        Sjis("ﾃｽﾄ") + sei + Sjis("ｶﾞｯｺｳ"),
    };
    ExpectSameAsNaive(f, texts);
}

TEST(MergedSize, EqualsTheMergeOfEveryRecipientOnRandomValues) {
    std::mt19937 rng(20240131);
    const std::vector<std::string> atoms = {"a", " ", "\"", "&", "<", ">", "%", "\xB6", "\xCA", "\xDE", "\xDF",
                                            "\x82\xA0", "\x82", "\x80", "\xFD", "\xF8\x9F", "\r\n", "\xA0"};
    auto randomText = [&](int maxAtoms) {
        std::string s;
        const int n = static_cast<int>(rng() % static_cast<unsigned>(maxAtoms + 1));
        for (int i = 0; i < n; ++i) s += atoms[rng() % atoms.size()];
        return s;
    };
    const std::vector<int> rows = {kElemKanjiSei, kElemKanjiMei, kElemCompany, kElemPrefecture, kElemExtraFirst,
                                   kElemBirthday, kElemCustomerID};
    BookRows f;
    for (int id = 1; id <= 60; ++id) {
        std::vector<std::pair<int, std::string>> cells;
        for (const int r : rows)
            if (r != kElemCustomerID) cells.emplace_back(r, randomText(6));
        f.Add(id, cells);
    }
    std::vector<std::string> texts;
    for (int t = 0; t < 40; ++t) {
        std::string text;
        const int pieces = 1 + static_cast<int>(rng() % 6);
        for (int p = 0; p < pieces; ++p) {
            text += randomText(3);
            const int row = rows[rng() % rows.size()];
            text += (rng() % 2) ? InsertString(row) : HtmlField(row);
        }
        texts.push_back(text + randomText(2));
    }
    ExpectSameAsNaive(f, texts);
}

TEST(MergedSize, IdsOutsideTheDirectTableGoToTheIndex) {
    BookRows f;
    f.Add(5, {{kElemKanjiSei, "abc"}});
    f.Add(-7, {{kElemKanjiSei, "abcdef"}});
    f.Add(5, {{kElemKanjiSei, "ab"}});  // a repeated ID: the later row is the record
    for (int id = 10; id < 200; ++id) f.Add(id, {{kElemKanjiSei, "x"}});
    const std::string text = InsertString(kElemKanjiSei);
    AddressBookRows rows(f.book, 1 << 20);
    EXPECT_EQ(rows.RowOf(-7), 1);
    EXPECT_EQ(rows.RowOf(5), 2);
    EXPECT_EQ(rows.RowOf(4), -1);
    EXPECT_EQ(rows.RowOf(100000), -1);
    MergeSizeProfile profile(text, 0, true);
    std::vector<int64_t> sizes;
    LargestMergedSizes(rows, {5, 4, 100000}, {&profile}, sizes);
    EXPECT_EQ(sizes[0], 2);
    LargestMergedSizes(rows, {5, -7}, {&profile}, sizes);
    EXPECT_EQ(sizes[0], 6);
    LargestMergedSizes(rows, {4, 100000}, {&profile}, sizes);
    EXPECT_EQ(sizes[0], -1);
}

TEST(MergedSize, LargeListsReadInPartsGiveTheSameResult) {
    // Enough recipients for several parts; the largest value sits in the last part, the
    // longest kana run in the first.
    BookRows f;
    const int n = 4 * static_cast<int>(AddressBookRows::kRowsPerThread) + 7;
    for (int id = 1; id <= n; ++id) {
        std::string name = "n" + std::to_string(id % 97);
        if (id == 3) name = Sjis("ｶﾞｶﾞｶﾞｶﾞｶﾞｶﾞｶﾞｶﾞｶﾞｶﾞ");
        if (id == n - 1) name = std::string(40, 'z');
        f.Add(id, {{kElemKanjiSei, name}, {kElemEmail, "u" + std::to_string(id) + (id % 3 ? "@docomo.ne.jp" : "@x.jp")}});
    }
    EXPECT_GT(AddressBookRows::Parts(f.ids.size()), 1);
    for (const bool widen : {false, true}) {
        const std::string text = InsertString(kElemKanjiSei) + "\xDE";
        EXPECT_EQ(Analytic(f.book, f.ids, text, 0, widen, f.ids.size()), Naive(f.book, f.ids, text, 0, widen));
    }
    std::vector<int> reversed(f.ids.rbegin(), f.ids.rend());
    TerminalIdLists lists;
    SortDestinationsByTerminal(f.book, reversed, 'N', lists);
    std::vector<int> pc, docomo;
    for (const int id : reversed) (id % 3 ? docomo : pc).push_back(id);
    EXPECT_EQ(lists[TERM_PC], pc);
    EXPECT_EQ(lists[TERM_DOCOMO], docomo);
}

// ---- The measurement record -----------------------------------------------------------------

class MeasureTest : public sendtest::SendEnvTest {
protected:
    CheckStores Stores() { return CheckStores{env_.get(), options_.get(), book_.get(), mails_.get()}; }

    void SetTestRecipient(int which, const std::string& family) {
        CTestMailingInfo info(env_.get(), options_.get());
        OneCustomer c;
        info.InitOneCustomer(c, which);
        c.Email = which == 0 ? "pc@example.com" : "m@docomo.ne.jp";
        c.KanjiSei = family;
        ASSERT_EQ(info.SetTestMailingInfo(c, which), 0);
        ASSERT_EQ(info.WriteFromMemoryToFile(), 0);
    }
};

TEST_F(MeasureTest, TestRecipientOfTheKindIsMerged) {
    SetTestRecipient(0, "pc-name");
    SetTestRecipient(1, Sjis("ﾓﾊﾞｲﾙ"));
    struct Case {
        int kind;
        int64_t subject;  // the merged subject "<%名前(姓)%>!" of the kind's recipient
    };
    for (const Case c : {Case{kKindTextPc, 8}, Case{kKindHtmlPc, 8}, Case{kKindTextDocomo, 9},
                         Case{kKindHtmlAu, 9}, Case{kKindTextWillcom, 9}}) {
        MailSizeMeasure m;
        m.mode = kMeasureTestRecipient;
        m.kind = c.kind;
        m.texts = {InsertString(kElemKanjiSei) + "!", "", "x"};
        ASSERT_TRUE(CheckMailSizeForCarriers(nullptr, m, Stores())) << c.kind;
        EXPECT_EQ(m.result.sizes[0], c.subject) << c.kind;  // ﾓﾊﾞｲﾙ widens to モバイル: 8 bytes
        EXPECT_EQ(m.result.sizes[1], 0);
        EXPECT_EQ(m.result.sizes[2], 1);
    }
    EXPECT_TRUE(prompts_.texts().isEmpty());
}

TEST_F(MeasureTest, FailuresAreToldAndLeaveTheUnmergedLengths) {
    const int known = AddPerson("a@example.com", "abcdefghij");
    const std::vector<int> unknownIds = {known + 100, known + 200};
    struct Case {
        int mode;
        const std::vector<int>* ids;
        bool withBook;
        const char* text;
        const char* caption;
    };
    const std::vector<int> knownIds = {known};
    for (const Case& c : {Case{kMeasureTestRecipient, nullptr, true, "テストメールの情報を設定して下さい。", "注意"},
                          Case{kPurposeSend, &unknownIds, true, "チェック対象の個人情報IDがデータベースに存在しません", "異常"},
                          Case{kPurposeSave, &knownIds, false, "長さチェックに失敗しました", "異常"}}) {
        prompts_.clear();
        MailSizeMeasure m;
        m.mode = c.mode;
        m.kind = kKindTextDocomo;
        m.texts = {InsertString(kElemKanjiSei), "body", ""};
        m.ids = c.ids;
        CheckStores stores = Stores();
        if (!c.withBook) stores.book = nullptr;
        EXPECT_FALSE(CheckMailSizeForCarriers(nullptr, m, stores));
        ASSERT_EQ(prompts_.texts().size(), 1);
        EXPECT_EQ(prompts_.texts()[0], ui::U8(c.text));
        EXPECT_EQ(prompts_.captions()[0], ui::U8(c.caption));
        EXPECT_EQ(m.result.sizes[0], static_cast<int64_t>(InsertString(kElemKanjiSei).size()));
        EXPECT_EQ(m.result.sizes[1], 4);
    }

    // An empty list measures nothing and is no failure.
    prompts_.clear();
    const std::vector<int> none;
    MailSizeMeasure m;
    m.kind = kKindTextPc;
    m.texts = {InsertString(kElemKanjiSei), "", ""};
    m.ids = &none;
    EXPECT_TRUE(CheckMailSizeForCarriers(nullptr, m, Stores()));
    EXPECT_EQ(m.result.sizes[0], static_cast<int64_t>(InsertString(kElemKanjiSei).size()));
    EXPECT_TRUE(prompts_.texts().isEmpty());

    // The known ID is merged; unknown ones beside it are passed over.
    const std::vector<int> mixed = {known + 100, known};
    m.ids = &mixed;
    EXPECT_TRUE(CheckMailSizeForCarriers(nullptr, m, Stores()));
    EXPECT_EQ(m.result.sizes[0], 10);
}

TEST_F(MeasureTest, PageListsCountOnlyForHtmlKindsAndOnlyImagesStillInline) {
    const std::vector<PageFileEntry> images = {{"a", "a.gif", true, 100}, {"b", "b.gif", false, 50},
                                               {"c", "c.gif", true, 7}};
    const std::vector<PageFileEntry> attachments = {{"", "x.pdf", false, 1000}, {"", "y.pdf", false, 24}};
    for (const int kind : {kKindTextDocomo, kKindHtmlDocomo}) {
        MailSizeMeasure m;
        m.kind = kind;
        m.inlineImages = &images;
        m.attachments = &attachments;
        ASSERT_TRUE(CheckMailSizeForCarriers(nullptr, m, Stores()));
        const bool html = kind == kKindHtmlDocomo;
        EXPECT_EQ(m.result.inlineCount, html ? 2 : 0);
        EXPECT_EQ(m.result.inlineTotal, html ? 107u : 0u);
        EXPECT_EQ(m.result.attachmentCount, html ? 2 : 0);
        EXPECT_EQ(m.result.attachmentTotal, html ? 1024u : 0u);
    }
}

TEST_F(MeasureTest, SoftbankHtmlWithPictogramsIsNotWidened) {
    const int id = AddPerson("s@softbank.ne.jp", Sjis("ｶﾀｶﾅ"));
    const std::vector<int> ids = {id};
    const std::string pictogram = "\xF8\x9F";
    for (const auto& [kind, text, expected] :
         {std::tuple{kKindHtmlSoftbank, InsertString(kElemKanjiSei), 8}, std::tuple{kKindHtmlSoftbank, InsertString(kElemKanjiSei) + pictogram, 6},
          std::tuple{kKindTextSoftbank, InsertString(kElemKanjiSei) + pictogram, 10}}) {
        MailSizeMeasure m;
        m.kind = kind;
        m.texts = {text, "", ""};
        m.ids = &ids;
        ASSERT_TRUE(CheckMailSizeForCarriers(nullptr, m, Stores()));
        EXPECT_EQ(m.result.sizes[0], expected) << kind;
    }
}

}  // namespace
}  // namespace compose
