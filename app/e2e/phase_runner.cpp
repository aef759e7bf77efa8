#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <fstream>

#include "app/e2e/driver.h"
#include "app/e2e/phase.h"
#include "app/e2e/user_steps.h"
#include "app/shell/main_frame.h"
#include "app/shell/program_main.h"
#include "app/shell/varnis_app.h"

namespace e2e {

Settings ReadSettings(const std::string& path) {
    Settings out;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) out[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return out;
}

void WriteSettings(const std::string& path, const Settings& values) {
    std::ofstream out(path + ".new", std::ios::trunc);
    for (const auto& [k, v] : values) out << k << '=' << v << '\n';
    out.close();
    std::rename((path + ".new").c_str(), path.c_str());
}

std::string PhaseContext::Conf(const std::string& key) const {
    auto it = conf.find(key);
    if (it == conf.end()) {
        Fail("the test's settings lack " + key);
        return {};
    }
    return it->second;
}

shell::CMainFrame* Frame() {
    shell::CVarnisApp* app = shell::GetVarnisApp();
    return app ? app->MainFrame() : nullptr;
}

bool Menu(int id) {
    shell::CMainFrame* frame = Frame();
    if (!Expect(frame != nullptr, "no main window for command " + std::to_string(id))) return false;
    QAction* action = frame->FindCommand(id);
    if (!Expect(action != nullptr, "no menu command " + std::to_string(id))) return false;
    frame->SendCommand(id);  // brings the states up to date, as opening the menu does
    return true;
}

int RunPhase(const std::string& name, const std::string& folder) {
    PhaseSteps steps = FindPhase(name);
    if (!steps.run) {
        std::fprintf(stderr, "no phase %s\n", name.c_str());
        return 2;
    }
    PhaseContext context;
    context.folder = folder;
    context.conf = ReadSettings(folder + "/e2e.conf");
    context.state = ReadSettings(folder + "/state.conf");
    StartWatchdog(std::stoi(context.conf.count("phase_seconds") ? context.conf["phase_seconds"] : "240"), name);
    InstallTestClock(context.state.count("clock_offset") ? std::stoll(context.state["clock_offset"]) : 0);

    UserPrompts prompts;
    ui::test::FilePickerRecorder files;
    context.prompts = &prompts;
    context.files = &files;

    // What is open, now and then, for whoever reads a failed phase's log.
    QTimer heartbeat;
    heartbeat.setInterval(15000);
    QObject::connect(&heartbeat, &QTimer::timeout, [] {
        std::string open;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible())
                open += " [" + std::string(w->metaObject()->className()) + " " + w->objectName().toStdString() + "]";
        Log("open:" + open);
    });
    heartbeat.start();

    // The program's own confirmations with a "do not show again" box (dialog 937): the
    // user reads them and presses OK, whenever they come.
    QTimer confirmations;
    confirmations.setInterval(50);
    QObject::connect(&confirmations, &QTimer::timeout, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || w->objectName() != QStringLiteral("dlg937")) continue;
            auto* text = w->findChild<QLabel*>(QStringLiteral("ctl1906"));
            Log("confirmation: " + (text ? text->text().replace(QStringLiteral("\n"), QStringLiteral(" / ")).toStdString()
                                         : std::string()));
            Click(w, 1);
        }
    });
    confirmations.start();

    if (steps.before) steps.before(context);
    bool ran = false;
    const int status = shell::RunProgram([&] {
        ran = true;
        steps.run(context);
        Log("phase " + name + " done; exiting through the menu");
        if (Frame() != nullptr) Menu(shell::CMainFrame::kIdExit);
    });
    Expect(ran, "the program did not start");
    Expect(status == 0, "the program ended with status " + std::to_string(status));
    context.state["clock_offset"] = std::to_string(ClockOffset());
    WriteSettings(folder + "/state.conf", context.state);
    return FaultCount() == 0 ? 0 : 1;
}

}  // namespace e2e
