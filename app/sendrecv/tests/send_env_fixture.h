#pragma once
// The fixture of the send/receive tests: a new environment made as the program makes one,
// in a memory-backed temporary folder, with its managers open (descriptor, options,
// address book, mail list), helpers that add people and mails, a fixed clock, and a
// recorder of the message boxes.

#include <gtest/gtest.h>

#include <QString>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/environment/new_environment.h"
#include "app/environment/program_keys.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/qstring_printer.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/foundation/cp932.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/mail_writer.h"
#include "platform/date_time.h"

namespace sendtest {

inline std::string Sjis(const char* utf8) { return Utf8ToSjis(utf8); }
inline platform::DateTime At(int y, int mo, int d, int h, int mi, int s) { return {y, mo, d, h, mi, s}; }

class SendEnvTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string root = std::filesystem::is_directory("/dev/shm")
                                     ? "/dev/shm"
                                     : std::filesystem::temp_directory_path().string();
        std::string tmpl = root + "/quendrel-send-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        base_ = tmpl + "/";
        ASSERT_EQ(shell::CreateNewEnvironment(envName_, base_, "N", "", false), 0);
        env_ = std::make_unique<EnvManager>();
        ASSERT_EQ(env_->InitEnvFileInfo(base_ + envName_ + ".env", shell::kDescriptorKey, 0), 0);
        options_ = std::make_unique<SystemOption>(env_.get());
        ASSERT_EQ(options_->GetSODataFromFileToMemory(), 0);
        book_ = std::make_unique<CDatabaseEdit>(env_.get(), options_.get());
        ASSERT_GE(book_->ReadCustomerList(), 0);
        mails_ = std::make_unique<CMailListViewer>(env_.get());
    }
    void TearDown() override {
        platform::SetClockForTesting({});
        mails_.reset();
        book_.reset();
        options_.reset();
        env_.reset();
        std::error_code ec;
        std::filesystem::remove_all(base_, ec);
    }

    // Fixes "now" (seconds) for the code under test.
    static void FixNow(const platform::DateTime& now) {
        const std::time_t t = now.ToTimeT();
        platform::SetClockForTesting([t] { return t; });
    }

    void SetOption(int index, const std::string& value) {
        ASSERT_EQ(options_->SetSODataToMemoryPinPoint(index, value), 0);
    }

    // Adds a person; its customer ID.
    int AddPerson(const std::string& email, const std::string& family = "", const std::string& given = "",
                  const char* dm = "Y", const char* deleted = "N") {
        OneCustomer c;
        InitOneCustomer(c);
        c.Email = email;
        c.KanjiSei = family;
        c.KanjiMei = given;
        c.DMOk = dm;
        EXPECT_EQ(book_->SetOneCustomerInfo(c, 0), 0) << email;
        if (std::string(deleted) == "Y") {
            EXPECT_EQ(book_->DeleteCustomer(c.CustomerID), 0);
        }
        return c.CustomerID;
    }

    // Adds a mail to the list (in memory): its ID. kind is the special flag's second
    // character.
    int AddMail(const std::string& status, const char* specialFlag = "NN") {
        const int id = mails_->GetNewMailID();
        EXPECT_GE(id, 0);
        COneMailData m;
        m.SetMailID(id);
        m.SetMailTitle("title" + std::to_string(id));
        m.SetAddressName("list");
        EXPECT_EQ(m.SetStatus(status, 0), 0) << status;
        EXPECT_EQ(m.SetSpecialFlag(specialFlag), 0);
        EXPECT_EQ(mails_->SetMailData(m), 0);
        return id;
    }
    COneMailData Mail(int id) {
        COneMailData m;
        EXPECT_EQ(mails_->GetMailData(id, m), 0) << id;
        return m;
    }
    // The mail as the file holds it (a fresh list read from the disk).
    COneMailData MailOnDisk(int id) {
        CMailListViewer fresh(env_.get());
        COneMailData m;
        EXPECT_EQ(fresh.GetMailData(id, m), 0) << id;
        return m;
    }

    // Stores the bodies of every terminal row of mail `id`.
    void WriteBodies(int id, const std::string& subject, const std::string& body) {
        ASSERT_EQ(MakeDirectoryCompel(env_layout::OneMailFolder(*env_, id)), 0);
        MailWriter w(env_.get(), 7);
        ASSERT_EQ(w.SetMailFromFile(-1, 0, nullptr), 1);
        for (int t = 0; t < 7; ++t) ASSERT_EQ(w.SetMailRecordToMemory(subject, body, t), 0);
        ASSERT_EQ(w.SetNewMailID(id), 1);
        ASSERT_EQ(w.WriteMailAllTypeToFile(), 1);
    }
    // Writes the recipient list of mail `id`.
    void WriteRecipients(int id, const std::vector<int>& ids) {
        ExtractResultDetail list(env_.get(), mails_.get(), nullptr, book_.get(), ER_TYPE_MAIL, id);
        ASSERT_EQ(list.ALLRemoveDBID(), 0);
        for (int c : ids) ASSERT_GE(list.AddDBID(c), 0) << c;
        ASSERT_EQ(list.WriteAllOnMemoryDBIDToFileCompel(), 0);
    }
    std::vector<int> RecipientsOnDisk(int id) {
        ExtractResultDetail list(env_.get(), mails_.get(), nullptr, book_.get(), ER_TYPE_MAIL, id);
        std::vector<int> out;
        const int r = list.GetDBIDListFromFileToMemory(0, nullptr);
        if (r < 0 && r != -31 && r != -32) ADD_FAILURE() << "recipient list " << r;
        list.GetDBIDToCListInt(out, 0);
        return out;
    }

    std::string envName_ = "env";  // the environment's name (a test may set another before SetUp)
    std::string base_;
    std::unique_ptr<EnvManager> env_;
    std::unique_ptr<SystemOption> options_;
    std::unique_ptr<CDatabaseEdit> book_;
    std::unique_ptr<CMailListViewer> mails_;
    ui::test::PromptRecorder prompts_;
};

}  // namespace sendtest
