#include "app/shell/program_main.h"

#include <QApplication>
#include <QTimer>

#include "app/shell/varnis_app.h"
#include "app/ui/font_layer.h"
#include "app/ui/prompter.h"
#include "app/ui/qt_translations.h"
#include "app/ui/sjis_input_guard.h"

namespace shell {

int RunProgram(std::function<void()> afterStart) {
    QApplication::setApplicationName(QStringLiteral("Quendrel"));
    // The program ends when its main window closes (the application object says so), not
    // when the last window happens to close: a switch hides the main window for a while.
    QApplication::setQuitOnLastWindowClosed(false);
    ui::InstallProgramFonts();
    ui::InstallQtTranslations();
    ui::InstallCoreNotifier();
    ui::InstallSjisInputGuard();

    CVarnisApp varnis(QApplication::arguments());
    if (!varnis.InitInstance()) {
        varnis.ExitInstance();
        return 0;
    }
    if (afterStart) QTimer::singleShot(0, qApp, std::move(afterStart));
    int result = QApplication::exec();
    int exitResult = varnis.ExitInstance();
    return result != 0 ? result : exitResult;
}

}  // namespace shell
