#pragma once
// The mail-list tests' world: an environment made by the program's own creation and
// opened by the environment service (as the program's environment), holding one mail of
// every status, each with its body file; the screens the list opens are fakes that
// record what they were asked.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QItemSelectionModel>
#include <QTemporaryDir>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/sendrecv/mail_record_helpers.h"
#include "app/environment/environment_service.h"
#include "app/environment/new_environment.h"
#include "app/shell/mail_list_controller.h"
#include "app/shell/screen_registry.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/qstring_printer.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/mail_writer.h"
#include "platform/date_time.h"

namespace mltest {

struct MailSpec {
    int id;
    const char* status;
    const char* title;        // UTF-8
    const char* addressName;  // UTF-8
    const char* special;      // two characters: special-address flag, kind (N/Y/M)
    int sent = 0, errors = 0, opened = 0;
};

// One mail of every status letter, in the list's order. IDs: D 1, W 2, R 3, A 4, I 5,
// C 6, E 7, S 8, B 9.
inline const std::vector<MailSpec>& EveryStatus() {
    static const std::vector<MailSpec> mails = {
        {1, "D", "春のキャンペーンのご案内", "会員全員", "YN"},
        {2, "W", "新商品入荷のお知らせ", "東京都の会員", "YN"},
        {3, "R", "再送：セミナー開催", "セミナー参加者", "YN"},
        {4, "A", "夏季休業のお知らせ", "会員全員", "YN"},
        {5, "I", "アンケートご協力のお願い", "アンケート対象", "YY"},
        {6, "C", "年末年始の営業について", "会員全員", "YN", 10, 1, 3},
        {7, "E", "Mail magazine vol.12", "newsletter", "YM", 4, 4, 0},
        {8, "S", "削除したメール", "会員全員", "YN"},
        {9, "B", "分割送信のテスト", "大口顧客", "YN"},
    };
    return mails;
}

class MailListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path().toStdString();
        ASSERT_EQ(shell::CreateNewEnvironment("顧客", root_, "N", "", false), 0);
        shell::EnvironmentService::Settings settings;
        settings.finishPauseMs = 0;
        service_ = std::make_unique<shell::EnvironmentService>(settings);
        ASSERT_EQ(service_->OpenEnvironment(root_ + "/顧客.env"), 1);
        shell::SetProgramEnvironment(service_.get());
        for (const MailSpec& m : EveryStatus()) AddMail(m);
        prompts_.clear();
    }
    void TearDown() override { shell::SetProgramEnvironment(nullptr); }

    CMailListViewer& List() { return *service_->GetMailListViewer(); }
    std::string EnvIni() const { return service_->EnvIniPath(); }

    static COneMailData MakeRecord(const MailSpec& m) {
        COneMailData mail;
        mail.SetMailID(m.id);
        mail.SetMailTitle(Utf8ToSjis(m.title));
        mail.SetAddressName(Utf8ToSjis(m.addressName));
        mail.SetStatus(m.status, 0);
        mail.SetSpecialFlag(m.special);
        mail.SetSentNumber(m.sent);
        mail.SetErrorNumber(m.errors);
        mail.SetOpenNumber(m.opened);
        mail.SetDate(COneMailData::kEntryDate, platform::DateTime(2024, 4, 1 + m.id % 28, 9, 30, 0), 0);
        mail.SetDate(COneMailData::kRenewalDate, platform::DateTime(2024, 5, 28 - m.id % 20, 18, 0, 0), 0);
        mail.SetDate(COneMailData::kReserveDate, platform::DateTime(2024, 6, 1, 10, 0, 0), 0);
        return mail;
    }

    // One terminal row of a body file: subject and body (UTF-8).
    struct Row {
        const char* subject = "件名";
        const char* body = "本文です";
    };
    // The mail into the list, and a body file whose rows are `rows` (row 0 first; missing
    // rows get a plain subject and body).
    void AddMail(const MailSpec& m, const std::vector<Row>& rows = {}) {
        ASSERT_EQ(List().SetMailData(MakeRecord(m)), 0);
        WriteBodies(m.id, rows);
    }
    void WriteBodies(int id, const std::vector<Row>& rows) {
        std::filesystem::create_directories(env_layout::OneMailFolder(*service_->GetEnvManager(), id));
        MailWriter writer;
        ASSERT_EQ(writer.SetTermNum(7), 1);
        ASSERT_EQ(writer.SetEnvManager(service_->GetEnvManager()), 1);
        ASSERT_EQ(writer.SetMailFromFile(-1, 0, nullptr), 1);
        for (int row = 0; row < 7; ++row) {
            const Row r = row < static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(row)] : Row();
            ASSERT_EQ(writer.SetMailRecordToMemory(Utf8ToSjis(r.subject), Utf8ToSjis(r.body), row), 0);
        }
        ASSERT_EQ(writer.SetNewMailID(id), 1);
        ASSERT_EQ(writer.WriteMailAllTypeToFile(), 1);
    }

    std::string StatusOf(int id) {
        COneMailData m;
        return List().GetMailData(id, m) == 0 ? m.GetStatus() : "?";
    }
    // The status as the list file on disk holds it.
    std::string StoredStatusOf(int id) {
        CMailListViewer fresh(service_->GetEnvManager());
        COneMailData m;
        return fresh.GetMailData(id, m) == 0 ? m.GetStatus() : "?";
    }

    static std::vector<int> Ids(const shell::MailListModel& model) {
        std::vector<int> ids;
        for (int r = 0; r < model.rowCount(); ++r) ids.push_back(model.MailIdAt(r));
        return ids;
    }
    static void Select(shell::MailListController& c, const std::vector<int>& mailIds) {
        c.Selection()->clearSelection();
        for (int id : mailIds) {
            const int row = c.Model()->RowOfMail(id);
            ASSERT_GE(row, 0) << id;
            c.Selection()->select(c.Model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    QTemporaryDir dir_;
    std::string root_;
    std::unique_ptr<shell::EnvironmentService> service_;
    ui::test::PromptRecorder prompts_;
};

// The screens of the shell for people to look at (scripts/screenshots.sh runs every test
// of this suite), over the same environment.
class Screenshots : public MailListTest {};

// Fakes of the screens: each records its calls and answers as told.
struct FakeScreens {
    shell::ScreenRegistry registry;
    std::vector<shell::ComposeRequest> composed;
    std::vector<int> sentNow, details;
    std::vector<int> histories;
    int searches = 0, informationPages = 0;
    shell::MailTypeChoice typeChoice{platform::kIdOk, 0, -1};
    // What the composing dialog does: answer and closing command; a new mail gets
    // `newMailId` (the test stores it first).
    shell::ComposeResult composeResult{platform::kIdCancel, 0, -1};
    std::function<void(const shell::ComposeRequest&)> duringCompose;

    FakeScreens() {
        registry.chooseMailType = [this](QWidget*, bool) { return typeChoice; };
        registry.composeMail = [this](const shell::ComposeRequest& r) {
            composed.push_back(r);
            if (duringCompose) duringCompose(r);
            return composeResult;
        };
        registry.searchMails = [this](QWidget*) { ++searches; };
        registry.showDestinationDetail = [this](QWidget*, int id) { details.push_back(id); };
        registry.showSendHistory = [this](QWidget*, const COneMailData& m) { histories.push_back(m.GetMailID()); };
        registry.showInformationPage = [this](QWidget*) { ++informationPages; };
        registry.sendSelectedMail = [this](int id) { sentNow.push_back(id); };
    }
};

}  // namespace mltest
