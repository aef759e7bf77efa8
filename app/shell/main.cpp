// Quendrel: the broadcast-mail program.
#include <QApplication>

#include "app/shell/varnis_app.h"
#include "app/ui/font_layer.h"
#include "app/ui/prompter.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quendrel"));
    // The program ends when its main window closes (the application object says so), not
    // when the last window happens to close: a switch hides the main window for a while.
    QApplication::setQuitOnLastWindowClosed(false);
    ui::InstallProgramFonts();
    ui::InstallCoreNotifier();

    shell::CVarnisApp varnis(QApplication::arguments());
    if (!varnis.InitInstance()) {
        varnis.ExitInstance();
        return 0;
    }
    int result = QApplication::exec();
    int exitResult = varnis.ExitInstance();
    return result != 0 ? result : exitResult;
}
