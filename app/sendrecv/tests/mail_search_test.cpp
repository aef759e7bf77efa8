// The mail search: whole-character matching and excerpts as functions, then the searcher
// over an environment's mails (fields, order, kinds, deleted mails), and the two dialogs.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "app/sendrecv/mail_row_notice.h"
#include "app/sendrecv/mail_search.h"
#include "app/sendrecv/mail_search_dlg.h"
#include "app/sendrecv/report_rows_model.h"
#include "app/sendrecv/tests/mail_dialogs_env.h"

namespace {
namespace mail_search_test {

using namespace maildlg;
constexpr auto npos = std::string_view::npos;

TEST(MailSearchMatch, MatchesWholeCharactersOnly) {
    struct Case {
        const char* name;
        std::string text;
        std::string keyword;
        std::size_t expected;
    } cases[] = {
        {"ascii", "abc@def", "@", 3},
        {"first occurrence of two", "xaxa", "a", 1},
        // 表 is 0x95 0x5C: its trail byte is a backslash.
        {"backslash inside 表", S("表示"), "\\", npos},
        {"backslash after 表", S("表") + "\\", "\\", 2},
        // The ideographic blank 0x81 0x40 ends in "@".
        {"@ inside the blank", S("　"), "@", npos},
        // ソ is 0x83 0x5C.
        {"kana keyword at a boundary", S("アソソ"), S("ソ"), 2},
        // 0x83 is a lead byte and a trail byte: ャ is 0x83 0x83, 0x88 0x83 another kanji.
        {"two-byte keyword", "\x83\x83\x83\x83", "\x83\x83", 0},
        {"match starting on a trail byte", "\x88\x83\x83\x41", "\x83\x83", npos},
        {"lone lead byte at the keyword's end", S("表"), "\x95", npos},
        {"lone lead byte at the text's end", "ab\x95", "\x95", 2},
        {"case counts", "ABC", "b", npos},
        {"empty keyword", "abc", "", npos},
    };
    for (const Case& c : cases) EXPECT_EQ(FindWholeCharacters(c.text, c.keyword), c.expected) << c.name;
}

TEST(MailSearchMatch, ExcerptTakesTenBytesEachSideInWholeCharacters) {
    const std::string kana = S("あいうえおかきくけこさしすせそたちつてと");  // 2 bytes each
    const std::string ascii = "0123456789abcdefghijklmnopqrstuvwxyz";
    struct Case {
        const char* name;
        std::string text;
        std::size_t pos;
        std::string expected;
    } cases[] = {
        {"ascii in the middle", ascii, 15, "56789abcdefghijklmnop"},
        {"ascii near the start", ascii, 3, "0123456789abcd"},
        {"ascii near the end", ascii, 33, "nopqrstuvwxyz"},
        {"kana in the middle", kana, 20, S("かきくけこさしすせそ")},
        // pos - 10 and pos + 10 fall inside characters: the cut moves inwards.
        {"odd offsets", S("あいうえお") + "x" + S("かきくけこさしす"), 15, S("えお") + "x" + S("かきくけこさし")},
        {"hit at the start", kana, 0, S("あいうえお")},
    };
    for (const Case& c : cases) EXPECT_EQ(SearchExcerpt(c.text, c.pos), c.expected) << c.name;
}

class MailSearchEnv : public MailDialogsEnv {
protected:
    std::vector<MailSearchHit> Search(int field, const char* keywordUtf8) {
        std::vector<MailSearchHit> hits;
        MailSearcher searcher(Env(), &Mails());
        const int count = searcher.Search(field, S(keywordUtf8), hits);
        EXPECT_EQ(count, static_cast<int>(hits.size()));
        return hits;
    }
    // A MIME message whose plain part holds `plain` and whose HTML part holds `html`.
    static std::string Message(const char* plain, const char* html) {
        return "MIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"b1\"\r\n\r\n"
               "--b1\r\nContent-Type: text/plain; charset=Shift_JIS\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
               S(plain) +
               "\r\n--b1\r\nContent-Type: text/html; charset=Shift_JIS\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
               S(html) + "\r\n--b1--\r\n";
    }
};

TEST_F(MailSearchEnv, FindsInFieldOrderAndSkipsDeletedMails) {
    const int text = AddMail("D", 'N', S("春のセール"), S("春の顧客"));
    WriteBodies(text, {S("春のセールのご案内"), "", S("春セール")},
                {S("本文です。春が来ました。春です。"), S("携帯向けの春")});
    const int deleted = AddMail("S", 'N', "x", S("春の宛先"));
    WriteBodies(deleted, {S("春")}, {S("春")});
    const int sent = AddMail("C", 'N', "y", "none");
    WriteBodies(sent, {"nothing"}, {"nothing"});

    const std::vector<MailSearchHit> all = Search(kSearchAll, "春");
    ASSERT_EQ(all.size(), 5u);
    // Subjects of rows 0 and 2, bodies of rows 0 and 1, then the destination name.
    const std::vector<std::pair<int, int>> placeAndPart = {
        {kPlaceSubject, 0}, {kPlaceSubject, 2}, {kPlaceBody, 0}, {kPlaceBody, 1}, {kPlaceAddressName, -1}};
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].mailId, text);
        EXPECT_EQ(all[i].place, placeAndPart[i].first) << i;
        EXPECT_EQ(all[i].partIndex, placeAndPart[i].second) << i;
    }
    // Twice in one body: one hit, round the first.
    EXPECT_EQ(all[2].excerpt, S("本文です。春が来まし"));

    EXPECT_EQ(Search(kSearchSubject, "春").size(), 2u);
    EXPECT_EQ(Search(kSearchBody, "春").size(), 2u);
    ASSERT_EQ(Search(kSearchAddressName, "春").size(), 1u);
    EXPECT_TRUE(Search(kSearchAll, "秋").empty());
}

TEST_F(MailSearchEnv, HtmlMailsAreSearchedInTheirPlainText) {
    const int pc = AddMail("D", 'Y');
    WriteBodies(pc, {}, {Message("PC向けの案内", "<b>PC向け</b>の<i>案内</i>")});
    const int mobile = AddMail("D", 'M');
    WriteBodies(mobile, {}, {"", Message("docomo案内", "<p>x</p>"), "", Message("SoftBank案内", "<p>y</p>")});

    const std::vector<MailSearchHit> hits = Search(kSearchBody, "案内");
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0].mailId, pc);
    EXPECT_EQ(hits[0].partIndex, 0);
    EXPECT_EQ(hits[0].excerpt.rfind(S("PC向けの案内"), 0), 0u);
    EXPECT_EQ(hits[1].mailId, mobile);
    EXPECT_EQ(hits[1].partIndex, 1);
    EXPECT_EQ(hits[2].partIndex, 3);
    // Markup and MIME headers are not the mail's text.
    EXPECT_TRUE(Search(kSearchBody, "<b>").empty());
    EXPECT_TRUE(Search(kSearchBody, "Content-Type").empty());
}

TEST_F(MailSearchEnv, SearchesInMailListOrderWhateverTheThreadsDo) {
    std::vector<int> ids;
    for (int i = 0; i < 200; ++i) {
        ids.push_back(AddMail("D"));
        WriteBodies(ids.back(), {"subject " + std::to_string(i)}, {"body"});
    }
    std::vector<MailSearchHit> hits;
    MailSearcher(Env(), &Mails()).Search(kSearchSubject, "subject", hits, 4);
    ASSERT_EQ(hits.size(), ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(hits[i].mailId, ids[i]);
}

TEST_F(MailSearchEnv, EmptyConditionIsRefusedAndTheDialogStays) {
    CMailSearchDlg dialog;
    dialog.show();
    Control<QPushButton>(&dialog, shell::dialogs::kIdOk)->click();
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.texts()[0], ui::U8("空の条件では検索はできません\r\n条件は必ず入力してください"));
    EXPECT_EQ(prompts_.captions()[0], ui::U8("条件が未入力です"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconInformation);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(MailSearchEnv, ResultListShowsHitsAndAsksTheViewToEditTheMail) {
    const int id = AddMail("D", 'N', "t", S("夏の宛先"));
    WriteBodies(id, {S("夏の案内")}, {S("一行目\r\n夏\tです")});

    std::vector<int> edited;
    MailListRequests requests;
    requests.editMail = [&](int mailId) {
        edited.push_back(mailId);
        return 0;
    };
    SetMailListRequests(requests);
    CMailSearchDlg condition;
    condition.show();
    Control<QComboBox>(&condition, CMailSearchDlg::kIdcField)->setCurrentIndex(kSearchAll);
    ui::test::TypeText(Control<QLineEdit>(&condition, CMailSearchDlg::kIdcKeyword), "夏");
    Control<QPushButton>(&condition, shell::dialogs::kIdOk)->click();
    ASSERT_EQ(condition.result(), platform::kIdOk);
    ASSERT_EQ(condition.GetHits().size(), 3u);

    CMailSearchResultDlg result(condition);
    result.show();
    ReportRowsModel* model = result.Model();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->Text(0, 1), ui::U8("件名"));
    EXPECT_EQ(model->Text(0, 2), ui::U8("通常"));
    EXPECT_EQ(model->Text(1, 1), ui::U8("本文"));
    // Line breaks and tabs show as "・".
    EXPECT_EQ(model->Text(1, 3), ui::U8("一行目・・夏・です"));
    EXPECT_EQ(model->Text(2, 1), ui::U8("宛先名称"));
    EXPECT_EQ(model->Text(2, 2), ui::U8("-"));
    EXPECT_EQ(Control<QLabel>(&result, CMailSearchResultDlg::kIdcHitCount)->text(), ui::U8("検索ﾋｯﾄ件数：3件"));
    EXPECT_EQ(Control<QLabel>(&result, CMailSearchResultDlg::kIdcTarget)->text(), ui::U8("検索対象 ： すべての項目"));
    EXPECT_EQ(Control<QLabel>(&result, CMailSearchResultDlg::kIdcCondition)->text(), ui::U8("検索条件 ： 夏 を含む"));

    auto* edit = Control<QPushButton>(&result, CMailSearchResultDlg::kIdcEdit);
    EXPECT_FALSE(edit->isEnabled());
    result.List()->selectRow(1);
    EXPECT_TRUE(edit->isEnabled());
    edit->click();
    EXPECT_EQ(edited, std::vector<int>{id});
    SetMailListRequests({});
}

}  // namespace mail_search_test
}  // namespace
