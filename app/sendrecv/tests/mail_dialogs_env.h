#pragma once
// The world of the mail dialogs' tests: an environment made by the program's own creation
// and opened by the environment service as the program's environment (the dialogs reach
// its managers through shell::Get...), a recorder of message boxes and file choosers, and
// helpers that put people, mails, bodies and send histories into it.
//
// Used by the send/receive dialogs' tests and by the composing controls' tests.

#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/sendrecv/tests/history_rows.h"
#include "app/dialogs/dialog_parts.h"
#include "app/environment/environment_service.h"
#include "app/environment/new_environment.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/qstring_printer.h"
#include "app/ui/testing/type_text.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/one_customer.h"
#include "core/foundation/cp932.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/mail_writer.h"
#include "platform/notifier.h"

namespace maildlg {

// Shift_JIS of a UTF-8 literal.
inline std::string S(const char* utf8) { return Utf8ToSjis(utf8); }

class MailDialogsEnv : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path().toStdString();
        ASSERT_EQ(shell::CreateNewEnvironment("販促", root_, "N", "", false), 0);
        shell::EnvironmentService::Settings settings;
        settings.finishPauseMs = 0;
        service_ = std::make_unique<shell::EnvironmentService>(settings);
        ASSERT_EQ(service_->OpenEnvironment(root_ + "/販促.env"), 1);
        shell::SetProgramEnvironment(service_.get());
    }
    void TearDown() override {
        shell::SetProgramEnvironment(nullptr);
        service_.reset();
    }

    CDatabaseEdit& Book() { return *service_->GetDatabaseEdit(); }
    CMailListViewer& Mails() { return *service_->GetMailListViewer(); }
    SystemOption& Options() { return *service_->GetSystemOption(); }
    EnvManager* Env() { return service_->GetEnvManager(); }
    std::string EnvIni() const { return service_->EnvIniPath(); }

    // Adds a person (texts Shift_JIS); its customer ID.
    int AddPerson(const std::string& email, const std::string& family = "", const std::string& given = "",
                  const std::string& company = "", const char* dm = "Y") {
        OneCustomer c;
        InitOneCustomer(c);
        c.Email = email;
        c.KanjiSei = family;
        c.KanjiMei = given;
        c.Company = company;
        c.DMOk = dm;
        EXPECT_EQ(Book().SetOneCustomerInfo(c, 0), 0) << email;
        return c.CustomerID;
    }
    std::string Element(int id, int element) { return Book().GetCustomerDataPinPoint(id, element); }

    // Adds a mail to the list (in memory; texts Shift_JIS); its ID. `kind` is the
    // special flag's second character.
    int AddMail(const std::string& status, char kind = 'N', const std::string& title = "t",
                const std::string& addressName = "") {
        const int id = Mails().GetNewMailID();
        EXPECT_GE(id, 0);
        COneMailData m;
        m.SetMailID(id);
        m.SetMailTitle(title);
        m.SetAddressName(addressName);
        EXPECT_EQ(m.SetStatus(status, 0), 0) << status;
        EXPECT_EQ(m.SetSpecialFlag(std::string("N") + kind), 0);
        EXPECT_EQ(Mails().SetMailData(m), 0);
        return id;
    }
    COneMailData Mail(int id) {
        COneMailData m;
        EXPECT_EQ(Mails().GetMailData(id, m), 0) << id;
        return m;
    }
    // Stores the seven subjects and bodies of mail `id` (missing rows empty).
    void WriteBodies(int id, const std::vector<std::string>& subjects, const std::vector<std::string>& bodies) {
        ASSERT_EQ(MakeDirectoryCompel(env_layout::OneMailFolder(*Env(), id)), 0);
        MailWriter w(Env(), 7);
        ASSERT_EQ(w.SetMailFromFile(-1, 0, nullptr), 1);
        for (std::size_t t = 0; t < 7; ++t)
            ASSERT_EQ(w.SetMailRecordToMemory(t < subjects.size() ? subjects[t] : "", t < bodies.size() ? bodies[t] : "",
                                              static_cast<int>(t)),
                      0);
        ASSERT_EQ(w.SetNewMailID(id), 1);
        ASSERT_EQ(w.WriteMailAllTypeToFile(), 1);
    }
    // Writes the send history of mail `id`.
    void WriteHistory(int id, const std::vector<HistorySet>& rows) {
        historytest::WriteSendHistory(Env(), Options(), Book(), Mails(), id, rows);
    }
    static HistorySet Row(int customer, const char* state, int retries = 0, const char* opened = "N") {
        return historytest::HistoryRow(customer, state, retries, opened);
    }

    QTemporaryDir dir_;
    std::string root_;
    std::unique_ptr<shell::EnvironmentService> service_;
    ui::test::PromptRecorder prompts_;
};

template <class W>
W* Control(const QObject* root, int id) {
    W* w = ui::FindControl<W>(root, id);
    EXPECT_NE(w, nullptr) << "no control " << id;
    return w;
}

inline void Pump() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

}  // namespace maildlg
