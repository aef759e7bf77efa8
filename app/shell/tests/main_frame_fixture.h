#pragma once
// The main window over the mail-list tests' environment (one mail of every status, the
// environment open as the program's), with every screen of the registry a fake that
// records what it was asked, and a run monitor the test can set.

#include <QDialog>
#include <QWidget>

#include <memory>
#include <vector>

#include "app/environment/run_monitor.h"
#include "app/shell/main_frame.h"
#include "app/shell/tests/mail_list_fixture.h"
#include "app/shell/varnis_view.h"
#include "core/foundation/record_table.h"

namespace mftest {

// A send/receive run of `kind` while it lives.
class FakeRun : public shell::RunMonitor {
public:
    explicit FakeRun(int kind) : kind_(kind), previous_(shell::SetRunMonitor(this)) {}
    ~FakeRun() override { shell::SetRunMonitor(previous_); }
    bool IsRunning() const override { return true; }
    int RunKind() const override { return kind_; }

private:
    int kind_;
    shell::RunMonitor* previous_;
};

// The main window's screens on top of the mail list's fakes.
struct WindowScreens : mltest::FakeScreens {
    int personal = 0, deleted = 0, manualSends = 0;
    std::vector<shell::AddressBookRequest> addressBooks;
    shell::AddressBookChoice addressChoice;
    struct Assigned {
        int mailId, listId;
        QString name;
    };
    std::vector<Assigned> assigned;
    bool assignResult = true;
    std::vector<bool> settingsWizardModes;
    int settingsAnswer = platform::kIdOk;
    std::function<void(SystemOption&)> duringSettings;
    std::vector<int> autoRegistrationCounts;
    std::vector<int> runs;
    bool timerExists = true, timerRunning = false;
    int timerResult = 1;
    std::vector<int> periodicReceives;
    std::unique_ptr<QWidget> statusWindow = std::make_unique<QWidget>();
    // Whether the scheduler was enabled while the last screen was open.
    bool schedulerEnabledDuring = true;

    WindowScreens() {
        auto note = [this] {
            shell::SchedulerControl* s = shell::GetScheduler();
            schedulerEnabledDuring = s && s->IsEnabled();
        };
        registry.showPersonalInformationList = [this, note](QWidget*) {
            note();
            ++personal;
        };
        registry.showAddressBook = [this, note](const shell::AddressBookRequest& r) {
            note();
            addressBooks.push_back(r);
            return addressChoice;
        };
        registry.assignListToMail = [this](QWidget*, int mailId, int listId, const QString& name) {
            assigned.push_back({mailId, listId, name});
            return assignResult;
        };
        registry.showDeletedData = [this, note](QWidget*) {
            note();
            ++deleted;
        };
        registry.showSystemSettings = [this, note](QWidget*, SystemOption& options, bool wizard) {
            note();
            settingsWizardModes.push_back(wizard);
            if (duringSettings) duringSettings(options);
            return settingsAnswer;
        };
        registry.showAutoRegistrationList = [this](QWidget*, BaseRecordStructer& records) {
            autoRegistrationCounts.push_back(records.GetRecordNumber());
        };
        registry.schedulerTimer.exists = [this] { return timerExists; };
        registry.schedulerTimer.running = [this] { return timerRunning; };
        registry.schedulerTimer.start = [this] {
            if (timerResult == 1) timerRunning = true;
            return timerResult;
        };
        registry.schedulerTimer.stop = [this] {
            if (timerResult == 1) timerRunning = false;
            return timerResult;
        };
        registry.schedulerTimer.setPeriodicReceive = [this](int minutes) { periodicReceives.push_back(minutes); };
        registry.sendReceive.startRun = [this](int mode) { runs.push_back(mode); };
        registry.sendReceive.startManualSend = [this] { ++manualSends; };
        registry.sendReceive.statusWindow = [this] { return statusWindow.get(); };
    }
};

class MainFrameTest : public mltest::MailListTest {
protected:
    void SetUp() override {
        MailListTest::SetUp();
        frame_ = std::make_unique<shell::CMainFrame>(nullptr, screens_.registry);
        view_ = new shell::CVarnisView(screens_.registry);
        frame_->SetView(view_);
        view_->OnInitialUpdate();
        prompts_.clear();
    }
    void TearDown() override {
        frame_.reset();
        MailListTest::TearDown();
    }

    WindowScreens screens_;
    std::unique_ptr<shell::CMainFrame> frame_;
    shell::CVarnisView* view_ = nullptr;
};

}  // namespace mftest
