#pragma once
// The record screens' world: an environment made by the program's own creation and opened
// by the environment service as the program's environment, whose system options name the
// extended attributes in Japanese with a number (B, L) and a date (C, M) among them, and
// helpers that put rows into its address book byte for byte.
//
// Used by the address-book screens' tests and by the settings screens' tests.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>

#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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
#include "core/foundation/string_array.h"
#include "core/foundation/system_option.h"

namespace rectest {

// The bytes of the file `path` (empty when it cannot be read).
inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Shift_JIS of a UTF-8 literal.
inline std::string S(const char* utf8) { return Utf8ToSjis(utf8); }

// The attribute names A-T (UTF-8) and their kinds (0 text, 1 number, 2 date).
inline const std::vector<std::pair<const char*, int>>& Attributes() {
    static const std::vector<std::pair<const char*, int>> a = {
        {"趣味", 0},     {"会員番号", 1}, {"入会日", 2},   {"職業", 0},     {"血液型", 0},
        {"紹介者", 0},   {"購入回数", 1}, {"最終購入日", 2}, {"好きな色", 0}, {"備考", 0},
        {"ランク", 0},   {"ポイント", 1}, {"誕生月", 2},   {"地域", 0},     {"店舗", 0},
        {"担当者", 0},   {"媒体", 0},     {"区分", 0},     {"メモ1", 0},    {"メモ2", 0},
    };
    return a;
}

class RecordEnvTest : public ::testing::Test {
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
        for (std::size_t k = 0; k < Attributes().size(); ++k) {
            const int slot = static_cast<int>(k);
            ASSERT_EQ(Options().SetSODataToMemoryPinPoint(14 + slot, S(Attributes()[k].first)), 0);
            ASSERT_EQ(Options().SetSODataToMemoryPinPoint(34 + slot, std::to_string(Attributes()[k].second)), 0);
        }
    }
    void TearDown() override { shell::SetProgramEnvironment(nullptr); }

    CDatabaseEdit& Book() { return *service_->GetDatabaseEdit(); }
    SystemOption& Options() { return *service_->GetSystemOption(); }
    EnvManager* Env() { return service_->GetEnvManager(); }
    std::string EnvFolder() const { return root_ + "/顧客/"; }

    // A row of 56 elements: ID `id`, the given elements (Shift_JIS), flags "Y"/"Y", and
    // fixed entry and renewal dates; appended to the book as it stands.
    void AddRow(int id, const std::vector<std::pair<int, std::string>>& cells) {
        XCStringArrayEx row;
        row.SetSize(kCustomerElementCount);
        row.SetAt(kElemCustomerID, std::to_string(id));
        row.SetAt(kElemDMOk, "Y");
        row.SetAt(kElemOtherMailOk, "Y");
        row.SetAt(kElemEntryDate, "2020/01/02 03:04:05");
        row.SetAt(kElemRenewalDate, "2021/02/03 04:05:06");
        for (const auto& [element, text] : cells) row.SetAt(element, text);
        ASSERT_GE(Book().AddLine(row), 0);
    }
    // A plain live record with address `mail` (ASCII).
    void AddPerson(int id, const std::string& mail, const char* surname = "佐藤", const std::string& deleted = "") {
        AddRow(id, {{kElemEmail, mail}, {kElemKanjiSei, S(surname)}, {kElemDeleteFlag, deleted}});
    }
    std::vector<std::string> Row(int id) {
        const int row = Book().DBID2RowNumber(id);
        EXPECT_GE(row, 0) << id;
        return row < 0 ? std::vector<std::string>() : Book().GetAtLine(row).values();
    }

    QTemporaryDir dir_;
    std::string root_;
    std::unique_ptr<shell::EnvironmentService> service_;
    ui::test::PromptRecorder prompts_;
};

// Control `id` of `root`, failing the test when it is missing.
template <class W>
W* Control(const QObject* root, int id) {
    W* w = ui::FindControl<W>(root, id);
    EXPECT_NE(w, nullptr) << "no control " << id;
    return w;
}

// Replaces the text of edit `id` below `root` as a user would.
inline void Retype(QWidget* root, int id, const char* utf8) {
    auto* edit = Control<QLineEdit>(root, id);
    if (edit == nullptr) return;
    edit->setFocus();
    edit->selectAll();
    edit->del();
    ui::test::TypeText(edit, utf8);
}

inline void Pump() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

}  // namespace rectest
