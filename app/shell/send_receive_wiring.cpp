#include "app/shell/send_receive_wiring.h"

#include <memory>

#include "app/sendrecv/comm_net.h"
#include "app/sendrecv/dialup_provider.h"
#include "app/sendrecv/send_receive_dlg.h"
#include "app/settings/dialup_entries.h"
#include "app/environment/environment_service.h"
#include "app/environment/run_monitor.h"
#include "app/shell/main_frame.h"
#include "app/shell/screen_registry.h"
#include "app/shell/varnis_app.h"

namespace shell {
namespace {

std::unique_ptr<CSendReceiveDlg> g_dialog;

// The open environment's scheduler (null while none is open).
CCommNet* Scheduler() { return dynamic_cast<CCommNet*>(GetScheduler()); }

CMainFrame* Frame() {
    CVarnisApp* app = GetVarnisApp();
    return app != nullptr ? app->MainFrame() : nullptr;
}

}  // namespace

void InstallSendReceive(CVarnisApp& app) {
    g_dialog = std::make_unique<CSendReceiveDlg>();
    CSendReceiveDlg* dialog = g_dialog.get();

    CSendReceiveDlg::ShellHooks hooks;
    hooks.isLocked = [] { return CVarnisApp::IsLocked(); };
    hooks.showLockWindow = [] {
        CMainFrame* frame = Frame();
        if (QWidget* lock = frame != nullptr ? frame->LockWindow() : nullptr) {
            lock->raise();
            lock->activateWindow();
        }
    };
    hooks.commDone = [] {
        if (CMainFrame* frame = Frame()) frame->OnCommDone();
    };
    hooks.mainWindow = []() -> QWidget* { return Frame(); };
    dialog->SetShellHooks(hooks);
    SetRunMonitor(dialog);

    app.Environment().SetSchedulerFactory([dialog](EnvironmentManagers& managers) -> std::unique_ptr<SchedulerControl> {
        auto scheduler = std::make_unique<CCommNet>(CommNetRules(managers.options.get(), managers.mails.get()), *dialog);
        CCommNet* self = scheduler.get();
        // Made beside the open environment during a switch: it starts nothing until the
        // switch made it the open environment's.
        scheduler->SetActiveCheck([self] { return GetScheduler() == self; });
        scheduler->SetMainWindowLookup([]() -> QWidget* { return Frame(); });
        return scheduler;
    });

    ScreenRegistry& screens = Screens();
    screens.sendReceive.startRun = [](int mode) {
        CCommNet* scheduler = Scheduler();
        if (scheduler == nullptr) return;
        if (mode == 2) {
            scheduler->StartReceive();
        } else {
            scheduler->StartSendReceive();
        }
    };
    screens.sendReceive.startManualSend = [] {
        if (CCommNet* scheduler = Scheduler()) scheduler->StartManualSend();
    };
    screens.sendReceive.statusWindow = [dialog]() -> QWidget* { return dialog->IsOpen() ? dialog : nullptr; };
    screens.sendSelectedMail = [](int mailId) {
        if (CCommNet* scheduler = Scheduler()) {
            scheduler->SetChosenMailId(mailId);
            scheduler->StartSendSelectedMail();
        }
    };
    screens.schedulerTimer.exists = [] { return Scheduler() != nullptr; };
    screens.schedulerTimer.running = [] {
        CCommNet* scheduler = Scheduler();
        return scheduler != nullptr && scheduler->IsStarted();
    };
    screens.schedulerTimer.start = [] {
        CCommNet* scheduler = Scheduler();
        return scheduler != nullptr ? scheduler->Start() : 0;
    };
    screens.schedulerTimer.stop = [] {
        CCommNet* scheduler = Scheduler();
        return scheduler != nullptr ? scheduler->Stop() : 0;
    };
    screens.schedulerTimer.setPeriodicReceive = [](int minutes) {
        if (CCommNet* scheduler = Scheduler()) scheduler->SetPeriodicReceive(minutes);
    };

    settings::SetDialupEntryLister([](std::vector<std::string>& names) {
        for (std::string& entry : CurrentDialupProvider().Entries()) names.push_back(std::move(entry));
    });
}

void RemoveSendReceive(CVarnisApp& app) {
    settings::SetDialupEntryLister({});
    ScreenRegistry& screens = Screens();
    screens.sendReceive = SendReceiveSlots();
    screens.schedulerTimer = SchedulerTimerSlots();
    screens.sendSelectedMail = nullptr;
    app.Environment().SetSchedulerFactory({});
    SetRunMonitor(nullptr);
    g_dialog.reset();
}

}  // namespace shell
