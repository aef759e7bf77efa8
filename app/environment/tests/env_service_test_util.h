#pragma once
// Fixtures of the environment tests: a temporary folder holding the program's ini file and
// environments made by the program's own creation, a scripted stand-in for the
// please-wait window and the password dialogs, a recorder of the message boxes, and
// snapshots of folders to prove what was (not) written.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "app/environment/environment_service.h"
#include "app/environment/new_environment.h"
#include "app/environment/run_monitor.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/qstring_printer.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/ini_manager.h"
#include "core/foundation/store_key.h"
#include "platform/notifier.h"
#include "platform/safe_write.h"

namespace envsvc {

// Records what the open asked; answers the password dialog with `passwordAnswer`.
class ScriptedUi : public shell::EnvironmentUi {
public:
    void ShowWait(const QString& a, const QString& b, const QString& c) override {
        waits.push_back({a, b, c});
        if (onWait) onWait(a.isEmpty() ? b : a);
    }
    void HideWait() override { ++hides; }
    void OfferStartupPassword(EnvManager&) override { ++offers; }
    bool AskEnvironmentPassword(EnvManager&, const QString& title) override {
        titles.push_back(title);
        return passwordAnswer;
    }
    void PlaceMainWindow(const std::string& ini) override { placed.push_back(ini); }

    // The main line of every wait shown: the first, or the middle one when the first is
    // empty.
    QStringList WaitLines() const {
        QStringList out;
        for (const QStringList& w : waits) out << (w[0].isEmpty() ? w[1] : w[0]);
        return out;
    }

    std::vector<QStringList> waits;
    int hides = 0;
    int offers = 0;
    std::vector<QString> titles;
    std::vector<std::string> placed;
    bool passwordAnswer = true;
    // Called with the main line of each wait, before the step that follows it.
    std::function<void(const QString&)> onWait;
};

// Every regular file below a folder, by relative path, with its bytes.
using Snapshot = std::map<std::string, std::string>;

class EnvServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Sequence and store writes flush to the disk; a memory-backed folder keeps the
        // tests quick.
        const std::string root = std::filesystem::is_directory("/dev/shm")
                                     ? "/dev/shm"
                                     : std::filesystem::temp_directory_path().string();
        std::string tmpl = root + "/quendrel-env-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        base_ = tmpl + "/";
        programIni_ = base_ + "Quendrel.ini";
    }
    void TearDown() override {
        shell::SetProgramEnvironment(nullptr);
        shell::SetRunMonitor(nullptr);
        service_.reset();
        std::error_code ec;
        std::filesystem::remove_all(base_, ec);
    }

    // Makes the service under test (program ini in the temporary folder, no final pause)
    // with the scripted UI, and installs it as the program's.
    shell::EnvironmentService& Service(bool importMode = false, const std::string& importFile = "") {
        shell::EnvironmentService::Settings s;
        s.programIniPath = programIni_;
        s.importMode = importMode;
        s.importFile = importFile;
        s.finishPauseMs = 0;
        service_.reset();
        service_ = std::make_unique<shell::EnvironmentService>(s);
        service_->SetUi(&ui_);
        shell::SetProgramEnvironment(service_.get());
        return *service_;
    }

    // A new environment <base>/<name> made as the program makes one; its descriptor path.
    std::string MakeEnv(const std::string& name, bool importMode = false, const char* flag = nullptr,
                        const char* password = nullptr) {
        EXPECT_EQ(shell::CreateNewEnvironment(name, base_, flag, password, importMode), 0) << name;
        return Descriptor(name);
    }
    std::string Descriptor(const std::string& name) const { return base_ + name + ".env"; }
    std::string Folder(const std::string& name) const { return base_ + name + "/"; }

    // The environment's descriptor opened on its own, for writing fixtures into it.
    static std::unique_ptr<EnvManager> OpenOwn(const std::string& descriptor) {
        auto env = std::make_unique<EnvManager>();
        EXPECT_EQ(env->InitEnvFileInfo(descriptor, shell::kDescriptorKey, 0), 0);
        return env;
    }
    static StoreKey KeyOf(const EnvManager& env) {
        StoreKey key;
        EXPECT_EQ(GetStoreKey(&env, key), 0);
        return key;
    }

    // Writes an address book holding customers `ids` to `file` of the environment.
    static void WriteBook(const std::string& descriptor, const std::string& file, const std::vector<int>& ids) {
        auto env = OpenOwn(descriptor);
        CDatabaseEdit book(env.get());
        for (int id : ids) {
            OneCustomer c;
            InitOneCustomer(c);
            c.CustomerID = id;
            c.Email = "p" + std::to_string(id) + "@example.jp";
            ASSERT_EQ(book.SetOneCustomerInfoForRepair(c), 0);
        }
        ASSERT_EQ(book.WriteFromMemoryToFileAppointFileName(file, KeyOf(*env).get()), 0);
    }
    // The customer IDs of a book file of the environment.
    static std::vector<int> BookIds(const std::string& descriptor, const std::string& file) {
        auto env = OpenOwn(descriptor);
        CDatabaseEdit book(env.get());
        EXPECT_GE(book.ReadFromFileToMemoryAppointFileName(file, KeyOf(*env).get()), 0) << file;
        std::vector<int> ids;
        book.GetDBIDALL(ids);
        return ids;
    }
    // A one-record file of `items` fields, coded with the environment's key.
    static void WriteRecord(const std::string& descriptor, const std::string& file,
                            const std::vector<std::string>& items) {
        auto env = OpenOwn(descriptor);
        XCsvWrite w;
        w.SetUseKey(KeyOf(*env).text);
        ASSERT_EQ(w.OpenFile(file), 1);
        for (const std::string& item : items) w.SetData(std::string_view(item));
        ASSERT_GT(w.WriteLine(), 0);
        ASSERT_EQ(w.CloseFile(), 0);
    }
    // Sets one system option in the environment's file.
    static void SetOption(const std::string& descriptor, int index, const std::string& value) {
        auto env = OpenOwn(descriptor);
        SystemOption options(env.get());
        ASSERT_EQ(options.GetSODataFromFileToMemory(), 0);
        ASSERT_EQ(options.SetSODataToMemoryPinPoint(index, value), 0);
        ASSERT_EQ(options.WriteSODataFromMemoryToFile(), 0);
    }

    static Snapshot Snap(const std::string& folder) {
        Snapshot out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
            if (!e.is_regular_file()) continue;
            std::string bytes;
            platform::ReadWholeFile(e.path().string(), bytes);
            out[std::filesystem::relative(e.path(), folder).string()] = bytes;
        }
        return out;
    }
    static void WriteFile(const std::string& path, const std::string& bytes) {
        ASSERT_TRUE(platform::WriteFileAtomically(path, bytes)) << path;
    }
    static std::string ReadFile(const std::string& path) {
        std::string bytes;
        platform::ReadWholeFile(path, bytes);
        return bytes;
    }
    std::string RecentKey(int slot) const {
        std::string value;
        CIniManager::GetProfileStringA(programIni_, "RECENTENV", "RECENTENV" + std::to_string(slot), value, "");
        return value;
    }

    std::string base_;
    std::string programIni_;
    ScriptedUi ui_;
    ui::test::PromptRecorder prompts_;
    std::unique_ptr<shell::EnvironmentService> service_;
};

}  // namespace envsvc
