// The mail list: reading both layouts, the repair of lost mails (keeping what a damaged
// line still knows), counts by view and status, copies as new drafts and ID drawing.

#include "core/mailstore/mail_list_viewer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/foundation/sequencer.h"
#include "mailstore_test_util.h"
#include "platform/notifier.h"

namespace {

using Line = std::vector<std::string>;

Line MailLine(const std::string& id, const std::string& title, const std::string& status,
              const std::string& flags = "NN") {
    return {id, title, "list", status, "2020/01/02 03:04:05", "2020/01/03 03:04:05", "2030/01/04 10:00:00",
            "1", "2", "3", "2020/01/05 03:04:05", flags, "様"};
}

class MailListTest : public mailtest::MailEnvTest {
protected:
    void SetUp() override {
        MailEnvTest::SetUp();
        previous_ = platform::SetNotifier([this](const std::string& text, const std::string& caption, unsigned) {
            notes_.push_back(caption + "|" + text);
            return platform::kIdOk;
        });
    }
    void TearDown() override {
        platform::SetNotifier(previous_);
        MailEnvTest::TearDown();
    }
    std::string ListPath() const { return folder_ + "MAIL/maillist.dat"; }
    void Touch(const std::string& path) { WriteRecords(path, {{"1"}}); }
    // A complete mail folder: bodies, recipient list and conditions.
    void CompleteFolder(const std::string& name, const std::string& pcBody = "text") {
        const std::string dir = folder_ + "MAIL/" + name + "/";
        std::filesystem::create_directories(dir);
        std::vector<Line> bodies = {{"PC subject", pcBody}};
        for (int t = 1; t < 7; ++t) bodies.push_back({"", ""});
        WriteRecords(dir + "mail" + name + ".dat", bodies);
        Touch(dir + "meli" + name + ".dat");
        Touch(dir + "merd" + name + ".dat");
    }
    // The fixture: a 12-element line, a damaged status on a complete folder (7), a status
    // with a trailing blank (5, no folder), folders that must not be repaired (007, 8a, and
    // 9 without its conditions) and a complete folder the list has lost (10).
    void MakeFixture() {
        Line old = MailLine("3", "Three", "D");
        old.pop_back();
        WriteRecords(ListPath(), {old, MailLine("4", "Four", "C"), MailLine("7", "Seven", "c"),
                                  MailLine("5", "Five", "W "), MailLine("6", "Six", "S")});
        CompleteFolder("7");
        CompleteFolder("007");
        CompleteFolder("8a");
        CompleteFolder("9");
        std::filesystem::remove(folder_ + "MAIL/9/merd9.dat");
        CompleteFolder("10", "Content-Type: multipart/alternative; boundary=x");
        WriteRecords(folder_ + "MAIL/10/hist10.dat", {{"1", "C", "0", "Y", "<a>", "2020/01/01 00:00:00"},
                                                      {"2", "E", "1", "N", "<b>", "2020/01/01 00:00:00"}});
    }
    platform::NotifierFunction previous_;
    std::vector<std::string> notes_;
};

TEST_F(MailListTest, RepairKeepsDamagedLinesAndRebuildsLostMails) {
    MakeFixture();
    const std::string before = ReadFile(ListPath());
    CMailListViewer list(&env_);
    EXPECT_EQ(list.CountMail(), 6);

    ASSERT_EQ(notes_.size(), 1u);
    EXPECT_EQ(notes_[0], Utf8ToSjis("メール一覧にエラーがありました|メールID: 7, 10 を復旧しました\r\n\r\n"
                                    "なお、データの不足により、下記の項目は復旧できません\r\n"
                                    "[宛先名称] [敬称] [状態] [送信日時] [作成日時] [更新日時]\r\n"
                                    "これらの項目は、確認の上、必要があれば手動で修正をしてください"));
    EXPECT_EQ(ReadFile(ListPath() + ".bak"), before);
    for (int id : {8, 9}) EXPECT_EQ(list.FindMailData(id), 1) << id;

    COneMailData r;
    ASSERT_EQ(list.GetMailData(7, r), 0);  // the damaged line keeps what it knew
    EXPECT_EQ(r.GetMailTitle(), "Seven");
    EXPECT_EQ(r.GetStatus(), "D");
    EXPECT_EQ(r.GetSentNumber(), 1);
    EXPECT_EQ(r.GetReserveDate(), platform::DateTime(2030, 1, 4, 10, 0, 0));

    ASSERT_EQ(list.GetMailData(10, r), 0);
    EXPECT_EQ(r.GetMailTitle(), "PC subject");
    EXPECT_EQ(r.GetAddressName(), SjisLiteral("（修復のため不明）"));
    EXPECT_EQ(r.GetStatus(), "D");
    EXPECT_EQ(std::vector<int>({r.GetSentNumber(), r.GetErrorNumber(), r.GetOpenNumber()}),
              std::vector<int>({3, 2, 1}));
    EXPECT_EQ(r.GetSpecialFlag(), "NY");
    EXPECT_EQ(r.GetReserveDate().GetMinute() % 10, 0);

    ASSERT_EQ(list.GetMailData(3, r), 0);  // the older layout: no honorific
    EXPECT_EQ(r.GetHonorific(), "");

    // Read again: nothing left to repair, nothing shown.
    notes_.clear();
    EXPECT_EQ(list.ReadMailList(), 6);
    EXPECT_TRUE(notes_.empty());
}

TEST_F(MailListTest, DamagedListIsNeitherRepairedNorWritten) {
    MakeFixture();
    std::string bytes = ReadFile(ListPath());
    WriteFile(ListPath(), bytes + "\r\n" + bytes);  // data after an empty line
    const std::string before = ReadFile(ListPath());
    CMailListViewer list;
    EXPECT_EQ(list.SetEnvManager(&env_), 0);
    EXPECT_LT(list.ReadMailList(), 0);
    EXPECT_TRUE(notes_.empty());
    EXPECT_EQ(ReadFile(ListPath()), before);
    EXPECT_FALSE(std::filesystem::exists(ListPath() + ".bak"));
    // A change after the failed read must not replace the file with the fragment.
    COneMailData r;
    r.SetMailID(50);
    ASSERT_EQ(list.SetMailData(r), 0);
    EXPECT_EQ(list.WriteMailList(0), -1);
    EXPECT_EQ(ReadFile(ListPath()), before);
}

TEST_F(MailListTest, CountsByViewAndStatus) {
    MakeFixture();
    CMailListViewer list(&env_);
    // After the repair: 3 D, 4 C, 7 D, 5 "W " (no status), 6 S, 10 D.
    struct Case {
        unsigned long mask;
        int exclude;
        bool byView;
        std::vector<int> ids;
    } cases[] = {
        {0x01, 0, true, {3, 4, 7, 10}},  {0x10, 0, true, {3, 4, 7, 10}}, {0x02, 0, true, {3, 7, 10}},
        {0x04, 0, true, {}},             {0x08, 0, true, {4}},           {0x20, 0, true, {6}},
        {0x116, 0, false, {}},           {0x80, 0, false, {6}},          {0x80, 1, false, {3, 4, 7, 10}},
        {0x21, 0, false, {3, 4, 7, 10}}, {0x1FF, 1, false, {}},
    };
    for (const Case& c : cases) {
        std::vector<int> ids;
        const int n = c.byView ? list.CountMailByViewType(c.mask, &ids) : list.CountMailByMailStatus(c.mask, &ids, c.exclude);
        EXPECT_EQ(n, static_cast<int>(c.ids.size())) << std::hex << c.mask;
        EXPECT_EQ(ids, c.ids) << std::hex << c.mask;
    }
    ASSERT_EQ(list.DeleteMailData(4), 0);
    ASSERT_EQ(list.UnDeleteMailData(4), 0);
    std::string status;
    ASSERT_EQ(list.GetMailDataPinPoint(4, 3, status), 0);
    EXPECT_EQ(status, "D");  // a restored mail is a draft
    EXPECT_EQ(list.GetMailDataPinPoint(4, 13, status), -2);
    EXPECT_EQ(list.GetMailDataPinPoint(99, 1, status), -1);
    EXPECT_EQ(status, "");
}

TEST_F(MailListTest, ReadingCleansDatesAndClearsTheRecord) {
    Line future = MailLine("1", "One", "W");
    future[4] = "2999/01/01 00:00:00";  // entry date in the future
    future[6] = "2999/01/01 00:00:00";  // reserve date in the future
    Line garbled = MailLine("2", "Two", "Q");
    garbled[6] = "20x0/01/01";
    WriteRecords(ListPath(), {future, garbled});
    CMailListViewer list(&env_);
    COneMailData r;
    ASSERT_EQ(list.GetMailData(1, r), 0);
    EXPECT_LE(r.GetEntryDate(), platform::DateTime::GetCurrentTime());
    EXPECT_EQ(r.GetReserveDate(), platform::DateTime(2999, 1, 1, 0, 0, 0));
    ASSERT_EQ(list.GetMailData(2, r), 0);
    EXPECT_EQ(r.GetStatus(), "");          // not the previous mail's "W"
    EXPECT_FALSE(r.GetReserveDate().IsValid());  // never "now": the mail is not due
    ASSERT_EQ(list.SetMailData(r), 0);
    std::string reserve = "x";
    ASSERT_EQ(list.GetMailDataPinPoint(2, 6, reserve), 0);
    EXPECT_EQ(reserve, "");
}

TEST_F(MailListTest, ReprintNewIdsAndFlagUpgrade) {
    WriteRecords(ListPath(), {MailLine("3", "Three", "C", ""), MailLine("4", "Four", "D", "N"),
                              MailLine("6", "Six", "E", "NM")});
    CMailListViewer list(&env_);
    Sequencer seq;
    ASSERT_EQ(seq.SetEnvManager(&env_), 1);
    ASSERT_EQ(seq.SetSeqType(SEQ_ID_MAIL), 1);
    ASSERT_NE(seq.SetValue(3), 0);
    EXPECT_EQ(list.GetNewMailID(), 5);  // 3 and 4 are taken
    COneMailData copy;
    ASSERT_EQ(list.GetMailDataForReprint(6, copy), 0);
    EXPECT_EQ(copy.GetMailID(), 7);
    EXPECT_EQ(copy.GetMailTitle(), "Six");
    EXPECT_EQ(copy.GetStatus(), "D");
    EXPECT_EQ(copy.GetSentNumber(), 0);
    EXPECT_EQ(copy.GetSpecialFlag(), "YM");
    EXPECT_EQ(list.CountMail(), 4);
    EXPECT_EQ(list.GetMailDataForReprint(99, copy), -1);

    ASSERT_EQ(list.Update4AddHtmlMailAbility(), 0);
    CMailListViewer again(&env_);
    std::string flags;
    for (auto [id, expected] : std::vector<std::pair<int, std::string>>{{3, "NN"}, {4, "NN"}, {6, "NM"}, {7, "YM"}}) {
        ASSERT_EQ(again.GetMailDataPinPoint(id, 11, flags), 0);
        EXPECT_EQ(flags, expected) << id;
    }
    ASSERT_EQ(again.RemoveMailData(4), 0);
    EXPECT_EQ(again.FindMailData(4), 1);
    EXPECT_EQ(again.FindMailData(6), 0);
}

TEST_F(MailListTest, MissingListFailsConstructionEmptyListIsEmpty) {
    EXPECT_THROW(CMailListViewer list(&env_), platform::UserException);
    WriteFile(ListPath(), "");
    CMailListViewer list(&env_);
    EXPECT_EQ(list.CountMail(), 0);
}

}  // namespace

namespace {

class KeyedMailListTest : public mailtest::MailEnvTest {
protected:
    bool Keyed() const override { return true; }
};

TEST_F(KeyedMailListTest, ListRoundTripsWithTheEnvironmentsKey) {
    WriteRecords(folder_ + "MAIL/maillist.dat", {MailLine("1", Utf8ToSjis("件名"), "W")});
    CMailListViewer list(&env_);
    COneMailData r;
    ASSERT_EQ(list.GetMailData(1, r), 0);
    EXPECT_EQ(r.GetMailTitle(), Utf8ToSjis("件名"));
    r.SetMailID(2);
    r.SetMailTitle(Utf8ToSjis("二通目"));
    ASSERT_EQ(list.SetMailData(r), 0);
    ASSERT_EQ(list.WriteMailList(0), 0);
    EXPECT_EQ(ReadFile(folder_ + "MAIL/maillist.dat").find(Utf8ToSjis("二通目")), std::string::npos);
    CMailListViewer again(&env_);
    ASSERT_EQ(again.GetMailData(2, r), 0);
    EXPECT_EQ(r.GetMailTitle(), Utf8ToSjis("二通目"));
    EXPECT_EQ(again.CountMail(), 2);
}

}  // namespace
