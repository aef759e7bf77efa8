// The destinations of a composed mail by terminal type: the sort and the kind's filter,
// and where the IDs come from (a chosen saved list, a source mail's history, the mail's own
// list with its refresh check), with the failures told in an error box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/compose/destinations_by_terminal.h"
#include "app/sendrecv/tests/send_env_fixture.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/mailstore/history_list_viewer.h"
#include "platform/notifier.h"

namespace compose {
namespace {

using Lists = std::vector<std::vector<int>>;

Lists AsVectors(const TerminalIdLists& lists) { return Lists(lists.begin(), lists.end()); }

class DestinationsTest : public sendtest::SendEnvTest {
protected:
    void SetUp() override {
        SendEnvTest::SetUp();
        pc1 = AddPerson("a@example.com");
        docomo = AddPerson("b@DoCoMo.ne.jp");
        au = AddPerson("c@ezweb.ne.jp");
        softbank = AddPerson("d@i.softbank.jp");
        willcom = AddPerson("e@willcom.com");
        pc2 = AddPerson("\"x@docomo.ne.jp\"@example.com");  // two "@": asked as a whole, a PC address
        erased = AddPerson("f@example.com");
        ASSERT_EQ(book_->PhysicalDeletion(erased), 0);      // its address is gone
        everyone = {willcom, pc1, erased, docomo, 999999, au, softbank, pc2};
    }
    CheckStores Stores() { return CheckStores{env_.get(), options_.get(), book_.get(), mails_.get()}; }

    // A saved list (extraction) of `ids`; its ID.
    int SaveList(const std::vector<int>& ids) {
        ExtractListViewer lists(env_.get());
        const int id = lists.GetNewExtractID();
        EXPECT_GE(id, 0);
        ExtractViewData entry;
        entry.id = id;
        entry.name = "list";
        EXPECT_EQ(lists.InsertExtractList(entry), 1);
        EXPECT_EQ(lists.WriteAllExtractListToFile(), 1);
        ExtractListViewer reread(env_.get());
        ExtractResultDetail detail(env_.get(), mails_.get(), &reread, book_.get(), ER_TYPE_EXTRACT, id);
        for (const int c : ids) EXPECT_GE(detail.AddDBID(c), 0);
        EXPECT_EQ(detail.WriteAllOnMemoryDBIDToFileCompel(), 0);
        return id;
    }

    int pc1 = 0, docomo = 0, au = 0, softbank = 0, willcom = 0, pc2 = 0, erased = 0;
    std::vector<int> everyone;
};

TEST_F(DestinationsTest, SortedByTerminalKeepingWhatTheKindGoesTo) {
    struct Case {
        char kind;
        Lists expected;
    };
    const Case cases[] = {
        {'N', {{pc1, pc2}, {docomo}, {au}, {softbank}, {willcom}}},
        {'Y', {{pc1, pc2}, {}, {}, {}, {}}},
        {'M', {{}, {docomo}, {au}, {softbank}, {}}},
    };
    for (const Case& c : cases) {
        TerminalIdLists lists;
        lists[0] = {12345};  // emptied first
        SortDestinationsByTerminal(*book_, everyone, c.kind, lists);
        EXPECT_EQ(AsVectors(lists), c.expected) << c.kind;
    }
}

TEST_F(DestinationsTest, IdsComeFromTheMailsSource) {
    const int list = SaveList({au, pc1, docomo});
    const int source = AddMail("C", "NN");
    ASSERT_EQ(MakeDirectoryCompel(env_layout::OneMailFolder(*env_, source)), 0);
    {
        HistoryListViewer history(env_.get(), options_.get(), book_.get(), mails_.get(), source);
        for (const auto& [id, state] : {std::pair{softbank, "C"}, std::pair{pc2, "E"}, std::pair{willcom, "C"}}) {
            HistorySet row;
            row.customerID = id;
            row.state = state;
            row.openFlag = "N";
            ASSERT_EQ(history.SetHDataFromStructToMemory(row), 0);
        }
        ASSERT_EQ(history.WriteHDataFromMemoryToFileCompel(), 0);
    }
    const int stored = AddMail("D", "NN");
    ASSERT_EQ(MakeDirectoryCompel(env_layout::OneMailFolder(*env_, stored)), 0);
    WriteRecipients(stored, {pc2, docomo});
    const int special = AddMail("D", "YN");
    ASSERT_EQ(MakeDirectoryCompel(env_layout::OneMailFolder(*env_, special)), 0);
    WriteRecipients(special, {au});
    ASSERT_EQ(mails_->WriteMailList(0), 0);

    int refreshed = -1;
    const DestinationRefreshCheck refresh = [&](int mailId) {
        refreshed = mailId;
        return QString();
    };
    struct Case {
        const char* what;
        DestinationSource source;
        std::vector<int> ids;
        int refreshedMail;
    };
    const Case cases[] = {
        {"new, nothing chosen", {-1, -1, -1}, {}, -1},
        {"new, chosen list", {-1, -1, list}, {au, pc1, docomo}, -1},
        {"new from a source mail: those it was sent to", {-1, source, -1}, {softbank, willcom}, -1},
        {"stored, chosen list", {stored, -1, list}, {au, pc1, docomo}, -1},
        {"stored, own list after the refresh check", {stored, -1, -1}, {pc2, docomo}, stored},
        {"stored from another mail's history: never refreshed", {special, -1, -1}, {au}, -1},
    };
    for (const Case& c : cases) {
        refreshed = -1;
        std::vector<int> ids = {7};
        EXPECT_EQ(GetDestinationIdsForKind(Stores(), c.source, refresh, ids), QString()) << c.what;
        EXPECT_EQ(ids, c.ids) << c.what;
        EXPECT_EQ(refreshed, c.refreshedMail) << c.what;
    }
    EXPECT_TRUE(prompts_.texts().isEmpty());
}

TEST_F(DestinationsTest, FailuresAreShownAsErrors) {
    const int stored = AddMail("D", "NN");
    ASSERT_EQ(mails_->WriteMailList(0), 0);
    const DestinationRefreshCheck failingRefresh = [](int) { return ui::U8("個人情報ファイルの最終更新日時取得に失敗しました"); };
    struct Case {
        DestinationSource source;
        const char* text;
    };
    const Case cases[] = {
        {{stored + 50, -1, -1}, "メール情報の取得に失敗しました"},
        {{-1, -1, 4242}, "宛先詳細の操作対象を設定できません"},
        {{-1, stored + 50, -1}, "送信履歴の操作対象を設定できません"},
        {{stored, -1, -1}, "個人情報ファイルの最終更新日時取得に失敗しました"},
    };
    for (const Case& c : cases) {
        prompts_.clear();
        TerminalIdLists lists;
        lists[1] = {1};
        EXPECT_FALSE(GetDestinationsByTerminal(nullptr, Stores(), c.source, 'N', failingRefresh, lists)) << c.text;
        EXPECT_EQ(AsVectors(lists), Lists(5)) << c.text;
        ASSERT_EQ(prompts_.texts().size(), 1) << c.text;
        EXPECT_EQ(prompts_.texts()[0], ui::U8(c.text));
        EXPECT_EQ(prompts_.captions()[0], ui::U8("エラー"));
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconError);
    }

    // A stored mail without a recipient list yet has no destinations: no failure.
    prompts_.clear();
    TerminalIdLists lists;
    EXPECT_TRUE(GetDestinationsByTerminal(nullptr, Stores(), {stored, -1, -1}, 'N', {}, lists));
    EXPECT_EQ(AsVectors(lists), Lists(5));
    EXPECT_TRUE(prompts_.texts().isEmpty());
}

}  // namespace
}  // namespace compose
