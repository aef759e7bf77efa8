// The mail-record helpers: the status table, the groups, the column texts and the step
// that makes a mail ready to send.
#include <gtest/gtest.h>

#include <QStringList>

#include <filesystem>
#include <utility>
#include <vector>

#include "app/sendrecv/mail_record_helpers.h"
#include "app/sendrecv/tests/send_env_fixture.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/env_layout.h"
#include "platform/notifier.h"

using sendtest::At;
using sendtest::Sjis;

namespace {

COneMailData WithStatus(const std::string& letter) {
    COneMailData m;
    m.SetStatus(letter, 0);
    return m;
}

TEST(MailStatusTable, LettersCodesAndTexts) {
    struct Row {
        const char* letter;
        int code;
        const char* text;
        int editable, pending, listed;
    };
    const Row rows[] = {
        {"D", 1, "下書き", 1, 0, 1},     {"W", 2, "送信待ち", 0, 1, 1},   {"R", 4, "再送信待ち", 0, 1, 1},
        {"A", 8, "送信中", 0, 0, 0},     {"I", 16, "送信中断中", 0, 1, 1}, {"C", 32, "送信済み", 1, 0, 1},
        {"E", 64, "エラー", 1, 0, 1},    {"S", 128, "削除済み", 0, 0, 0},  {"B", 256, "分割送信待ち", 0, 1, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.letter);
        EXPECT_EQ(MailStatusLetterToCode(r.letter), r.code);
        EXPECT_EQ(MailStatusCodeToLetter(r.code), r.letter);
        EXPECT_EQ(MailStatusLetterToText(r.letter), Sjis(r.text));
        const COneMailData m = WithStatus(r.letter);
        EXPECT_EQ(GetMailStatusText(m), Sjis(r.text));
        EXPECT_EQ(IsMailEditable(m), r.editable);
        EXPECT_EQ(IsMailSendPending(m), r.pending);
        EXPECT_EQ(IsMailListed(m), r.listed);
    }
    // Letters are whole texts.
    for (const char* other : {"b", "BB", "", "D ", "X"}) {
        EXPECT_EQ(MailStatusLetterToCode(other), 0) << other;
        EXPECT_EQ(MailStatusLetterToText(other), "error!") << other;
    }
    for (int code : {0, 3, 512, -1, 1024}) EXPECT_EQ(MailStatusCodeToLetter(code), "error!") << code;
    // A record whose status never was set (empty) is in no group.
    COneMailData empty;
    EXPECT_EQ(IsMailEditable(empty) + IsMailSendPending(empty) + IsMailListed(empty), 0);
    EXPECT_EQ(GetMailStatusText(empty), "error!");
}

TEST(MailColumnTexts, KindCountsRateAndDates) {
    COneMailData m;
    m.SetMailID(4711);
    m.SetMailTitle(Sjis("春のご案内"));
    m.SetAddressName(Sjis("会員"));
    const std::pair<const char*, const char*> kinds[] = {
        {"NN", "テキスト"}, {"YY", "HTML(PC)"}, {"NM", "HTML(携帯)"}, {"NX", "error!"}, {"N", "error!"},
        {"Y", "error!"},     {"", "error!"},
    };
    for (const auto& [flag, text] : kinds) {
        ASSERT_EQ(m.SetSpecialFlag(flag), 0);
        EXPECT_EQ(GetMailTypeText(m), Sjis(text)) << flag;
    }
    EXPECT_EQ(GetMailIDText(m), "4711");
    EXPECT_EQ(GetMailTitleText(m), Sjis("春のご案内"));
    EXPECT_EQ(GetMailAddressNameText(m), Sjis("会員"));

    struct Rate {
        int sent, opened;
        const char* text;
    };
    for (const Rate& r : {Rate{10, 3, "30.0 %"}, Rate{0, 3, "0.0 %"}, Rate{10, 0, "0.0 %"}, Rate{3, 3, "100.0 %"},
                          Rate{3, 1, "33.3 %"}}) {
        m.SetSentNumber(r.sent);
        m.SetOpenNumber(r.opened);
        EXPECT_EQ(GetOpenRateText(m), r.text) << r.sent << "/" << r.opened;
    }
    m.SetErrorNumber(7);
    EXPECT_EQ(GetSentNumberText(m), "3");
    EXPECT_EQ(GetErrorNumberText(m), "7");
    EXPECT_EQ(GetOpenNumberText(m), "1");

    m.SetDate(COneMailData::kEntryDate, At(2008, 1, 2, 3, 4, 5), 0);
    m.SetDate(COneMailData::kRenewalDate, At(2024, 12, 31, 23, 59, 59), 0);
    m.SetDate(COneMailData::kReserveDate, At(2025, 7, 1, 9, 0, 0), 0);
    EXPECT_EQ(GetEntryDateText(m), "2008/01/02 03:04:05");
    EXPECT_EQ(GetRenewalDateText(m), "2024/12/31 23:59:59");
    EXPECT_EQ(GetReserveDateText(m), "2025/07/01 09:00:00");
    // An unreadable reserve date shows nothing rather than a made-up date.
    m.SetDate(COneMailData::kReserveDate, std::string("garbage"), 0);
    EXPECT_EQ(GetReserveDateText(m), "");
}

TEST(MailStatusChanges, ByCodeAndBackToDraft) {
    const platform::DateTime now = At(2024, 5, 6, 7, 8, 9);
    const std::time_t t = now.ToTimeT();
    platform::SetClockForTesting([t] { return t; });

    COneMailData m = WithStatus("C");
    m.SetDate(COneMailData::kRenewalDate, At(2000, 1, 1, 0, 0, 0), 0);
    SetMailStatusByCode(m, kMailStatusSplitWait);
    EXPECT_EQ(m.GetStatus(), "B");
    EXPECT_EQ(m.GetRenewalDate(), now);
    SetMailStatusByCode(m, 3);  // not a code: draft
    EXPECT_EQ(m.GetStatus(), "D");

    for (const char* letter : {"W", "R", "I", "B"}) {
        COneMailData p = WithStatus(letter);
        ResetPendingMailToDraft(p);
        EXPECT_EQ(p.GetStatus(), "D") << letter;
    }
    for (const char* letter : {"A", "C", "E", "S", "D"}) {
        COneMailData p = WithStatus(letter);
        p.SetDate(COneMailData::kRenewalDate, At(2000, 1, 1, 0, 0, 0), 0);
        ResetPendingMailToDraft(p);
        EXPECT_EQ(p.GetStatus(), letter);
        EXPECT_EQ(p.GetRenewalDate(), At(2000, 1, 1, 0, 0, 0)) << letter;
    }
    platform::SetClockForTesting({});
}

TEST(MailRecord, StartsEmpty) {
    CMailRecord r;
    EXPECT_EQ(r.GetMailID(), -1);
    EXPECT_EQ(r.GetStatus(), "");
    EXPECT_EQ(r.GetMailTitle(), "");
    std::unique_ptr<COneMailData> owned = std::make_unique<CMailRecord>();  // destroyed through the base
    EXPECT_EQ(owned->GetSpecialFlag(), "");
}

// ---- Making a mail ready to send -------------------------------------------------------

class MailReadyTest : public sendtest::SendEnvTest {
protected:
    void SetUp() override {
        SendEnvTest::SetUp();
        FixNow(now_);
        // The address book was last written at 12:00.
        SetBookTime(bookTime_);
        previousHook_ = SetDestinationRefreshHook([this](int kind, int id) {
            refreshes_.push_back({kind, id});
            return refreshResult_;
        });
    }
    void TearDown() override {
        SetDestinationRefreshHook(std::move(previousHook_));
        SendEnvTest::TearDown();
    }
    void SetBookTime(const platform::DateTime& when) {
        const std::string path = env_layout::DatabaseFile(*env_);
        ASSERT_TRUE(std::filesystem::exists(path));
        std::filesystem::last_write_time(
            path, std::filesystem::file_time_type::clock::from_sys(
                      std::chrono::system_clock::from_time_t(when.ToTimeT())));
    }
    // A draft whose recipients were built at `addressSet`.
    COneMailData Draft(const platform::DateTime& addressSet, const char* status = "D", const char* flag = "NN") {
        COneMailData m;
        m.SetMailID(42);
        m.SetStatus(status, 0);
        m.SetSpecialFlag(flag);
        m.SetDate(COneMailData::kRenewalDate, old_, 0);
        m.SetDate(COneMailData::kSetAddressDate, addressSet, 0);
        return m;
    }
    int Ready(COneMailData& m) { return UpdateMailRecipientsIfAddressBookChanged(m, env_.get(), options_.get()); }

    const platform::DateTime now_ = At(2024, 6, 1, 15, 0, 0);
    const platform::DateTime bookTime_ = At(2024, 6, 1, 12, 0, 0);
    const platform::DateTime old_ = At(2020, 1, 1, 0, 0, 0);
    DestinationRefreshHook previousHook_;
    std::vector<std::pair<int, int>> refreshes_;
    int refreshResult_ = 1;
};

const char* const kQuestion =
    "個人情報の更新が確認されました\r\n個人情報の更新内容に合わせて、メールID[42]の宛先を最新の状態に更新します\r\n"
    "よろしいですか？\r\n\r\n(ヒント：この確認メッセージを無くしたい場合は、システム設定で設定をしてください)";

TEST_F(MailReadyTest, PendingSendingAndDeletedMailsAreLeftAlone) {
    for (const char* letter : {"W", "R", "A", "I", "S", "B"}) {
        COneMailData m = Draft(old_, letter);
        EXPECT_EQ(Ready(m), kMailNotEditable) << letter;
        EXPECT_EQ(m.GetStatus(), letter);
        EXPECT_EQ(m.GetRenewalDate(), old_);
    }
    EXPECT_TRUE(prompts_.prompts().empty());
    EXPECT_TRUE(refreshes_.empty());
}

TEST_F(MailReadyTest, SpecialAddressMailBecomesWaitingWithoutAnyCheck) {
    COneMailData m = Draft(old_, "D", "YN");
    // No environment at all: the address book is not even looked at.
    EXPECT_EQ(UpdateMailRecipientsIfAddressBookChanged(m, nullptr, nullptr), kMailMadeWaiting);
    EXPECT_EQ(m.GetStatus(), "W");
    EXPECT_EQ(m.GetRenewalDate(), old_);
    EXPECT_EQ(m.GetSetAddressDate(), old_);
    EXPECT_TRUE(prompts_.prompts().empty());
    EXPECT_TRUE(refreshes_.empty());
}

TEST_F(MailReadyTest, UpToDateRecipientsOnlyTouchTheChangeDate) {
    for (const platform::DateTime& set : {bookTime_, At(2024, 6, 1, 13, 0, 0)}) {
        COneMailData m = Draft(set, "C");
        EXPECT_EQ(Ready(m), kMailMadeWaiting);
        EXPECT_EQ(m.GetStatus(), "W");
        EXPECT_EQ(m.GetRenewalDate(), now_);
        EXPECT_EQ(m.GetSetAddressDate(), set);
    }
    EXPECT_TRUE(prompts_.prompts().empty());
    EXPECT_TRUE(refreshes_.empty());
}

TEST_F(MailReadyTest, OutdatedRecipientsAskedAndRefreshed) {
    COneMailData m = Draft(At(2024, 6, 1, 11, 59, 59), "E");
    prompts_.Answer(platform::kIdYes);
    EXPECT_EQ(Ready(m), kMailMadeWaiting);
    EXPECT_EQ(m.GetStatus(), "W");
    EXPECT_EQ(m.GetSetAddressDate(), now_);
    EXPECT_EQ(m.GetRenewalDate(), now_);
    ASSERT_EQ(refreshes_.size(), 1u);
    EXPECT_EQ(refreshes_[0], std::make_pair(0, 42));
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.texts()[0], ui::U8(kQuestion));
    EXPECT_EQ(prompts_.captions()[0], ui::U8("宛先を最新状態にします"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbYesNo | platform::kMbIconQuestion);
    EXPECT_EQ(prompts_.texts()[1], ui::U8("メールID[42]の宛先を最新の状態にしました"));
    EXPECT_EQ(prompts_.captions()[1], ui::U8("宛先を最新にしました"));
    EXPECT_EQ(prompts_.prompts()[1].style, platform::kMbOk | platform::kMbIconInformation);
}

TEST_F(MailReadyTest, AnswerNoKeepsTheRecipientsAndBothDates) {
    COneMailData m = Draft(old_);
    prompts_.Answer(platform::kIdNo);
    EXPECT_EQ(Ready(m), kMailMadeWaiting);
    EXPECT_EQ(m.GetStatus(), "W");
    EXPECT_EQ(m.GetRenewalDate(), old_);
    EXPECT_EQ(m.GetSetAddressDate(), old_);
    EXPECT_TRUE(refreshes_.empty());
    EXPECT_EQ(prompts_.prompts().size(), 1u);
}

TEST_F(MailReadyTest, SilentOptionRefreshesWithoutAskingOrTelling) {
    SetOption(12, "Y");
    COneMailData m = Draft(old_);
    EXPECT_EQ(Ready(m), kMailMadeWaiting);
    EXPECT_EQ(m.GetStatus(), "W");
    EXPECT_EQ(m.GetSetAddressDate(), now_);
    EXPECT_EQ(refreshes_.size(), 1u);
    EXPECT_TRUE(prompts_.prompts().empty());
}

TEST_F(MailReadyTest, RefreshThatCannotRunLeavesTheMailAsItWas) {
    SetOption(12, "Y");
    for (bool installed : {false, true}) {
        SCOPED_TRACE(installed);
        // No screen installed, or the screen says the refresh failed.
        SetDestinationRefreshHook(installed ? DestinationRefreshHook([](int, int) { return 0; })
                                            : DestinationRefreshHook());
        COneMailData m = Draft(old_);
        prompts_.clear();
        EXPECT_EQ(Ready(m), kMailRecipientsNotRefreshed);
        EXPECT_EQ(m.GetStatus(), "D");
        EXPECT_EQ(m.GetRenewalDate(), old_);
        EXPECT_EQ(m.GetSetAddressDate(), old_);
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        EXPECT_EQ(prompts_.captions()[0], ui::U8("宛先を最新状態にします"));
        EXPECT_EQ(prompts_.prompts()[0].style & 0xF0u, unsigned(platform::kMbIconWarning));
    }
}

TEST_F(MailReadyTest, UnreadableBookTimeStopsWithTheStatusUnchanged) {
    std::filesystem::remove(env_layout::DatabaseFile(*env_));
    COneMailData m = Draft(old_);
    EXPECT_EQ(Ready(m), kMailBookTimeUnreadable);
    EXPECT_EQ(m.GetStatus(), "D");
    EXPECT_EQ(m.GetRenewalDate(), old_);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.texts()[0], ui::U8("個人情報ファイルの最終更新日時取得に失敗しました"));
    EXPECT_EQ(prompts_.captions()[0], ui::U8("個人情報ファイル情報取得失敗"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
    EXPECT_TRUE(refreshes_.empty());
}

}  // namespace
