#pragma once
// The extraction screens' world: the record screens' environment (record_test_env.h) with
// a small address book whose book order is not its ID order, carriers of every kind, one
// customer refusing advertising mail and one deleted; helpers that store destination lists
// and mails with their conditions, recipients and send histories; and a recorder of the
// result dialog's lines.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

#include "app/addressui/result_dialog_hook.h"
#include "app/addressui/tests/record_test_env.h"
#include "app/sendrecv/tests/history_rows.h"
#include "core/addressbook/extract_action.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "platform/notifier.h"

namespace extest {

using rectest::S;

// One stored condition: group, number, condition.
struct Placed {
    int tab;
    int index;
    OneExtractCondition condition;
};

inline OneExtractCondition Values(int element, std::vector<std::string> values, const char* flag = "Y") {
    OneExtractCondition c;
    c.element = element;
    c.kind = "E";
    c.values = std::move(values);
    c.equalFlag = flag;
    return c;
}

inline OneExtractCondition Range(int element, std::string lower, std::string upper, const char* flag = "Y") {
    OneExtractCondition c;
    c.element = element;
    c.kind = "R";
    c.lower = std::move(lower);
    c.upper = std::move(upper);
    c.rangeFlag = flag;
    return c;
}

// Puts `placed` into a loaded condition set.
inline void Fill(ExtractAction& action, const std::vector<Placed>& placed) {
    for (const Placed& p : placed) ASSERT_EQ(action.SetExtractConditionFromStructToMemory(p.condition, p.tab, p.index), 0);
}

// Attribute B (element 29) is a number, C (30) a date.
inline constexpr int kNumberB = kElemExtraFirst + 1;
inline constexpr int kDateC = kElemExtraFirst + 2;

class ExtractionEnvTest : public rectest::RecordEnvTest {
protected:
    void SetUp() override {
        RecordEnvTest::SetUp();
        ASSERT_EQ(Options().SetSODataToMemoryPinPoint(HistoryListViewer::kOptionResend, "Y"), 0);
        ASSERT_EQ(Options().SetSODataToMemoryPinPoint(HistoryListViewer::kOptionMaxRetry, "3"), 0);
        // Book order 7, 2, 5, 1, 8, 3, 6, 4 (not the ID order).
        struct Person {
            int id;
            const char* mail;
            const char* sei;
            const char* pref;
            const char* number;
            const char* dm;
            const char* deleted;
        };
        const Person people[] = {
            {7, "g.yamamoto@example.jp", "山本", "福岡県", "70", "Y", ""},
            {2, "suzuki@docomo.ne.jp", "鈴木", "大阪府", "20", "Y", ""},
            {5, "ito@softbank.ne.jp", "伊藤", "東京都", "50", "Y", ""},
            {1, "sato@example.jp", "佐藤", "東京都", "10", "Y", ""},
            {8, "nakamura@wm.pdx.ne.jp", "中村", "東京都", "80", "Y", ""},
            {3, "takahashi@ezweb.ne.jp", "高橋", "東京都", "30", "N", ""},
            {6, "watanabe@willcom.com", "渡辺", "愛知県", "60", "Y", ""},
            {4, "tanaka@example.com", "田中", "東京都", "40", "Y", "Y"},
        };
        for (const Person& p : people)
            AddRow(p.id, {{kElemEmail, p.mail},
                          {kElemKanjiSei, S(p.sei)},
                          {kElemKanjiMei, S("花子")},
                          {kElemCompany, S("株式会社みらい")},
                          {kElemPrefecture, S(p.pref)},
                          {kNumberB, p.number},
                          {kElemDMOk, p.dm},
                          {kElemDeleteFlag, p.deleted}});
        lists_ = std::make_unique<ExtractListViewer>();
        ASSERT_EQ(lists_->SetEnvManager(Env(), 1), 1);
        previousResultHook_ = addressui::SetResultDialogHook(
            [this](QWidget*, const QString& a, const QString& b, const QString& c) { resultLines_ << a << b << c; });
    }
    void TearDown() override {
        addressui::SetResultDialogHook(previousResultHook_);
        lists_.reset();
        RecordEnvTest::TearDown();
    }

    ExtractListViewer& Lists() { return *lists_; }
    CMailListViewer& Mails() { return *service_->GetMailListViewer(); }

    // A destination list named `name` with conditions and members stored; its ID.
    int AddList(const char* name, const std::vector<Placed>& placed, const std::vector<int>& members,
                const std::string& lastUpdate = "2024/01/02 03:04:05") {
        const int id = Lists().GetNewExtractID();
        EXPECT_GE(id, 0);
        ExtractAction action;
        action.SetEnvManager(Env());
        action.SetDatabaseEdit(&Book());
        action.SetTypeAndID(EC_TYPE_EXTRACT, -1);
        EXPECT_EQ(action.GetExtractConditionFromFileToMemory(0, nullptr), 0);
        Fill(action, placed);
        EXPECT_EQ(action.WriteAllExtractConditionOnMemoryToFileNew(id), 0);
        ExtractResultDetail result;
        Bind(result, EC_TYPE_EXTRACT, -1);
        EXPECT_EQ(result.SetDBIDFromCListInt(members, 1, 0), 0);
        EXPECT_EQ(result.WriteAllOnMemoryDBIDToFileNew(id), 0);
        ExtractViewData entry;
        entry.id = id;
        entry.name = S(name);
        EXPECT_EQ(Lists().InsertExtractList(entry), 1);
        EXPECT_EQ(Lists().CorrectExtractListPinPoint(lastUpdate.c_str(), id, 2), 1);
        EXPECT_EQ(Lists().WriteAllExtractListToFile(), 1);
        return id;
    }

    // A mail with status `status`, special flag `special`, conditions and recipients stored.
    int AddMail(const char* status, const std::string& special, const std::vector<Placed>& placed,
                const std::vector<int>& recipients, const char* addressName = "春の案内") {
        const int id = Mails().GetNewMailID();
        EXPECT_GE(id, 0);
        COneMailData m;
        m.SetMailID(id);
        m.SetMailTitle(S("セールのお知らせ"));
        m.SetAddressName(S(addressName));
        EXPECT_EQ(m.SetStatus(status, 0), 0);
        EXPECT_EQ(m.SetSpecialFlag(special), 0);
        EXPECT_EQ(Mails().SetMailData(m), 0);
        EXPECT_EQ(MakeDirectoryCompel(env_layout::OneMailFolder(*Env(), id)), 0);
        ExtractAction action;
        action.SetEnvManager(Env());
        action.SetDatabaseEdit(&Book());
        action.SetTypeAndID(EC_TYPE_EXTRACT, -1);
        EXPECT_EQ(action.GetExtractConditionFromFileToMemory(0, nullptr), 0);
        Fill(action, placed);
        EXPECT_EQ(action.SetTypeAndID(EC_TYPE_MAIL, id), 0);
        EXPECT_EQ(action.WriteAllExtractConditionOnMemoryToFileCompel(), 0);
        ExtractResultDetail result;
        Bind(result, EC_TYPE_MAIL, id);
        EXPECT_EQ(result.SetDBIDFromCListInt(recipients, 1, 0), 0);
        EXPECT_EQ(result.WriteAllOnMemoryDBIDToFileCompel(), 0);
        return id;
    }

    void WriteHistory(int mailId, const std::vector<HistorySet>& rows) {
        historytest::WriteSendHistory(Env(), Options(), Book(), Mails(), mailId, rows);
    }
    static HistorySet Sent(int customer, const char* state, int retries = 0) {
        return historytest::HistoryRow(customer, state, retries);
    }

    void Bind(ExtractResultDetail& result, int kind, int id) {
        result.SetEnvManager(Env());
        result.SetMailListViewer(&Mails());
        result.SetExtractListViewer(&Lists());
        result.SetDatabaseEdit(&Book());
        ASSERT_EQ(result.SetTypeAndID(static_cast<ERTYPE>(kind), id), 0);
    }
    // The IDs stored for destination (kind, id), or {-1} when the file does not read.
    std::vector<int> StoredIds(int kind, int id) {
        ExtractResultDetail result;
        Bind(result, kind, id);
        if (result.GetDBIDListFromFileToMemory(0, nullptr) != 0) return {-1};
        return result.IDs();
    }
    // The last update a fresh read of the list file gives list `id`.
    std::string StoredLastUpdate(int id) {
        ExtractListViewer lists;
        lists.SetEnvManager(Env(), 1);
        std::string text;
        lists.GetExtractLaseUpdate(id, text);
        return text;
    }

    std::unique_ptr<ExtractListViewer> lists_;
    QStringList resultLines_;
    addressui::ResultDialogHook previousResultHook_;
};

}  // namespace extest
