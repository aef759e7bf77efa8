#include "app/shell/qt_environment_ui.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "app/shell/dialogs/password_prompt_dlgs.h"
#include "app/shell/dialogs/password_set_dlg.h"
#include "app/shell/dialogs/wait_dlg.h"
#include "app/shell/environment/main_frame_rect.h"

namespace shell {

QtEnvironmentUi::QtEnvironmentUi(std::function<QWidget*()> mainWindow) : mainWindow_(std::move(mainWindow)) {}

QtEnvironmentUi::~QtEnvironmentUi() { delete wait_.data(); }

void QtEnvironmentUi::ShowWait(const QString& line1, const QString& line2, const QString& line3) {
    if (!wait_) wait_ = new CWaitDlg();
    if (wait_->IsCreated()) {
        wait_->ShowMessages(line1, line2, line3);
    } else {
        wait_->SetMessages(line1, line2, line3);
        wait_->Create(mainWindow_ ? mainWindow_() : nullptr);
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtEnvironmentUi::HideWait() {
    if (wait_ && wait_->IsCreated()) wait_->End();
}

void QtEnvironmentUi::OfferStartupPassword(EnvManager& env) {
    CPasswordSetDlg dialog(env, mainWindow_ ? mainWindow_() : nullptr);
    dialog.DoModal();
}

bool QtEnvironmentUi::AskEnvironmentPassword(EnvManager& env, const QString& title) {
    CEnvPasswordDlg dialog(env, mainWindow_ ? mainWindow_() : nullptr);
    dialog.SetTitle(title);
    return dialog.DoModal() == 1;
}

void QtEnvironmentUi::PlaceMainWindow(const std::string& envIniPath) {
    QWidget* window = mainWindow_ ? mainWindow_() : nullptr;
    if (!window) return;
    PlaceWindow(window, envIniPath);
    window->activateWindow();
}

void QtEnvironmentUi::PlaceWindow(QWidget* window, const std::string& envIniPath) {
    QList<QRect> screens;
    for (QScreen* s : QGuiApplication::screens()) screens << s->availableGeometry();
    QRect outer = LoadMainFrameRect(envIniPath, screens);
    // The saved rectangle is the outer one; Qt places the window by its frame's corner
    // and sizes its inside.
    QSize decoration = window->frameGeometry().size() - window->geometry().size();
    window->move(outer.topLeft());
    window->resize(outer.size() - decoration);
}

}  // namespace shell
