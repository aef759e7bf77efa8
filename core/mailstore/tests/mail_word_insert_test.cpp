#include "core/mailstore/mail_word_insert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/mailstore/tests/mail_text_test_util.h"

namespace {

using mailtest::S;

OneCustomer Yamada() {
    OneCustomer c;
    c.CustomerID = 42;
    c.Email = "taro@example.jp";
    c.KanjiSei = S("山田");
    c.KanjiMei = S("太郎");
    c.Company = "A&B <x>";
    c.Address2 = S("<%メールアドレス%>");  // a value that looks like a field
    c.Birthday = "1980/01/05 00:00:00";
    c.Extra[19] = "tee";
    c.EntryDate = platform::DateTime(2024, 3, 4, 5, 6, 7);
    c.RenewalDate = platform::DateTime(2025, 12, 31, 23, 59, 58);
    return c;
}

OneCustomer Sparse() {
    OneCustomer c;
    c.CustomerID = 7;
    c.Birthday = S("昭和55年1月5日生");  // not the stored date form: inserted whole
    return c;
}

TEST(MailWordInsert, MergeRules) {
    const OneCustomer full = Yamada();
    const OneCustomer sparse = Sparse();
    struct Case {
        const char* name;
        const OneCustomer* record;
        std::string text;
        int html;
        std::string expected;
    };
    const Case cases[] = {
        {"two names", &full, S("<%名前(姓)%> <%名前(名)%>様"), 0, S("山田 太郎様")},
        {"id", &full, S("No.<%個人情報ID%>"), 0, "No.42"},
        {"entry date", &full, S("<%登録日時%>"), 0, "2024/03/04 05:06:07"},
        {"renewal date", &full, S("<%更新日時%>"), 0, "2025/12/31 23:59:58"},
        {"birthday loses its time", &full, S("<%生年月日%>"), 0, "1980/01/05"},
        {"birthday in other form whole", &sparse, S("<%生年月日%>"), 0, S("昭和55年1月5日生")},
        {"extended attribute T", &full, S("[<%拡張属性T%>]"), 0, "[tee]"},
        {"empty text", &full, "", 0, ""},
        {"all-empty result is a blank", &sparse, S("<%会社名%>"), 0, " "},
        {"old name kept", &full, S("<%郵便番号(上3桁)%>"), 0, S("<%郵便番号(上3桁)%>")},
        {"unknown name kept", &full, S("<%不明%>x"), 0, S("<%不明%>x")},
        {"unterminated field kept", &full, S("<%名前(姓)"), 0, S("<%名前(姓)")},
        {"opener before a field", &full, S("<%<%名前(姓)%>"), 0, S("<%山田")},
        {"value is not scanned again", &full, S("<%番地以下%>"), 0, S("<%メールアドレス%>")},
        {"html field escaped value", &full, S("&lt;%会社名%&gt;!"), 1, "A&amp;B&nbsp;&lt;x&gt;!"},
        {"html merges a typed plain field too", &full, S("<p><%会社名%>/&lt;%名前(姓)%&gt;</p>"), 1,
         S("<p>A&amp;B&nbsp;&lt;x&gt;/山田</p>")},
        {"html forms alternating", &full, S("&lt;%名前(姓)%&gt;<%名前(名)%>&lt;%個人情報ID%&gt;&<<%個人情報ID%>"), 1,
         S("山田太郎42&<42")},
        {"html tags and unknown openers kept", &full, S("<b>&lt;%不明%&gt;<%不明%>&amp;<%個人情報ID%></b>"), 1,
         S("<b>&lt;%不明%&gt;<%不明%>&amp;42</b>")},
        {"html value not rescanned", &full, S("&lt;%番地以下%&gt;"), 1, S("&lt;%メールアドレス%&gt;")},
        {"plain ignores html field", &full, S("&lt;%会社名%&gt;"), 0, S("&lt;%会社名%&gt;")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MailWordInsert::GetMailWordInsert(*c.record, c.text, c.html), c.expected) << c.name;
    }
    // The member form merges the stored text the same way.
    MailWordInsert m(S("<%名前(姓)%>"));
    EXPECT_EQ(m.GetMailWordInsert(full, 0), S("山田"));
}

TEST(MailWordInsert, HeaderMergeTurnsControlBytesIntoBlanks) {
    OneCustomer c = Yamada();
    c.KanjiSei = S("山田") + "\r\nBcc: victim@example.com";
    const std::string subject = MailWordInsert::GetMailWordInsertForHeader(c, S("ご案内 <%名前(姓)%>様\t"));
    EXPECT_EQ(subject, S("ご案内 山田") + "  Bcc: victim@example.com" + S("様") + " ");
    // Body merging keeps the value as it is.
    EXPECT_NE(MailWordInsert::GetMailWordInsert(c, S("<%名前(姓)%>"), 0).find("\r\n"), std::string::npos);
}

TEST(MailWordInsert, Utf8TextIsMergedInUtf8) {
    const OneCustomer c = Yamada();
    EXPECT_EQ(MailWordInsert::GetMailWordInsertUtf8(c, "\xF0\x9F\x98\x80<%名前(姓)%>様", 0),
              "\xF0\x9F\x98\x80山田様");  // the emoji, which Shift_JIS cannot hold, survives
    EXPECT_EQ(MailWordInsert::GetMailWordInsertUtf8(c, "&lt;%会社名%&gt;<%名前(名)%>", 1), "A&amp;B&nbsp;&lt;x&gt;太郎");
}

TEST(MailWordInsert, UnknownFieldsAreThoseTheMergeLeavesAsTheyStand) {
    struct Case {
        const char* name;
        std::string text;
        int html;
        std::vector<std::string> found;
    };
    const Case cases[] = {
        {"known fields only", S("<%名前(姓)%>&lt;%会社名%&gt;"), 1, {}},
        {"typo, once", S("<%名前(性)%>様 <%名前(性)%> <%名前(名)%>"), 0, {S("<%名前(性)%>")}},
        {"both forms in html", S("<p>&lt;%社名%&gt;<%部署%></p>"), 1, {S("&lt;%社名%&gt;"), S("<%部署%>")}},
        {"escaped form is text outside html", S("&lt;%社名%&gt;"), 0, {}},
        {"old name", S("<%番地%>"), 0, {S("<%番地%>")}},
        {"no closer on the line, a tag between, too long", S("<%a\r\n%> <%a<b>%> <%") + std::string(70, 'x') + "%>", 0,
         {}},
        {"empty name", "<%%>", 0, {"<%%>"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> found{"stale"};
        MailWordInsert::FindUnknownFields(c.text, c.html, found);
        EXPECT_EQ(found, c.found) << c.name;
        // What is reported is exactly what the merge leaves.
        for (const std::string& f : c.found)
            EXPECT_NE(MailWordInsert::GetMailWordInsert(Yamada(), c.text, c.html).find(f), std::string::npos) << c.name;
    }
}

TEST(MailWordInsert, TableAndLookups) {
    const auto& table = MailWordInsert::itsMailInsertDefinition;
    int fields = 0;
    for (int row = 0; row < MailWordInsert::kRowCount; ++row) {
        ASSERT_NE(table[row].menuString, nullptr) << row;
        ASSERT_NE(table[row].insertString, nullptr) << row;
        if (*table[row].insertString) {
            ++fields;
            EXPECT_EQ(MailWordInsert::GetIDFromInsertString(table[row].insertString, 0), row);
        }
    }
    EXPECT_EQ(fields, 38);
    EXPECT_EQ(table[MailWordInsert::kRowCount].menuString, nullptr);
    EXPECT_EQ(table[MailWordInsert::kRowCount].insertString, nullptr);
    EXPECT_STREQ(table[2].insertString, S("<%名前(姓)%>").c_str());
    EXPECT_STREQ(table[21].menuString, S("DM送付可否").c_str());
    EXPECT_STREQ(table[21].insertString, "");
    EXPECT_STREQ(table[28].menuString, "");
    EXPECT_STREQ(table[28].insertString, S("<%拡張属性A%>").c_str());

    EXPECT_EQ(MailWordInsert::GetIDFromMenuString(S("都道府県")), 11);
    EXPECT_EQ(MailWordInsert::GetIDFromMenuString(S("拡張属性A")), -1);
    EXPECT_EQ(MailWordInsert::GetIDFromMenuString(""), -1);
    EXPECT_EQ(MailWordInsert::GetIDFromInsertString(S("<%拡張属性T%>の値"), 0), 47);
    EXPECT_EQ(MailWordInsert::GetIDFromInsertString(S("&lt;%会社名%&gt;"), 1), 6);
    EXPECT_EQ(MailWordInsert::GetIDFromInsertString(S("&lt;%会社名%&gt;"), 0), -1);
    EXPECT_EQ(MailWordInsert::GetIDFromInsertString("", 0), -1);
}

TEST(MailWordInsert, OldNamesReportedOnceInListOrder) {
    std::vector<std::string> found{"stale"};
    MailWordInsert::CheckOldMailWord(S("<%番地%> <%郵便番号(上3桁)%> <%番地%> <%名前(姓)%>"), found);
    EXPECT_EQ(found, (std::vector<std::string>{S("<%郵便番号(上3桁)%>"), S("<%番地%>")}));
    MailWordInsert::CheckOldMailWord("plain", found);
    EXPECT_TRUE(found.empty());
}

}  // namespace
