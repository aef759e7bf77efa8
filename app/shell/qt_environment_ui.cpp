#include "app/shell/qt_environment_ui.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include "app/dialogs/password_prompt_dlgs.h"
#include "app/dialogs/password_set_dlg.h"
#include "app/dialogs/wait_dlg.h"
#include "app/environment/main_frame_rect.h"

namespace shell {
namespace {

// The window's frame in its normal state, as NormalFrameWatcher last saw it.
constexpr char kNormalFrameProperty[] = "quendrelNormalFrame";

// Not maximised, minimised or full screen: only then is the window's frame the one its
// rectangle is saved with.
bool InNormalState(const QWidget* window) {
    return (window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) == 0;
}

}  // namespace

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
    if (window->property(kNormalFrameProperty).isNull()) new NormalFrameWatcher(window);
    QList<QRect> screens;
    for (QScreen* s : QGuiApplication::screens()) screens << s->availableGeometry();
    const QRect outer = LoadMainFrameRect(envIniPath, screens);
    const bool maximized = LoadMainFrameMaximized(envIniPath);
    // The normal place first: a window maximised now (the last environment's) is restored
    // to take it, and a window to be maximised keeps it for when it is restored.
    if (window->windowState() & Qt::WindowMaximized)
        window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
    // The saved rectangle is the outer one, frame included, while Qt places and sizes the
    // inside. The frame is known only once the window manager has framed the shown window;
    // until then the inside takes the whole rectangle, and the first frame the window gets
    // in its normal state shrinks it back, so that the frame lies where it was saved.
    // Placing the inside there for good would move the window by its title bar and grow
    // it at every start.
    const QMargins frame = FrameMargins(window);
    if (window->isVisible() && !frame.isNull()) {
        window->setGeometry(outer.marginsRemoved(frame));
    } else {
        window->setGeometry(outer);
        new FrameFitter(window, outer);
    }
    if (maximized) window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

QMargins QtEnvironmentUi::FrameMargins(const QWidget* window) {
    const QRect inside = window->geometry();
    const QRect frame = window->frameGeometry();
    return {inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
            frame.bottom() - inside.bottom()};
}

QRect QtEnvironmentUi::NormalFrameRect(const QWidget* window) {
    if (InNormalState(window)) return window->frameGeometry();
    return window->normalGeometry().marginsAdded(window->property(kNormalFrameProperty).value<QMargins>());
}

QtEnvironmentUi::NormalFrameWatcher::NormalFrameWatcher(QWidget* window) : QObject(window) {
    window->setProperty(kNormalFrameProperty, QVariant::fromValue(QMargins()));
    window->installEventFilter(this);
}

bool QtEnvironmentUi::NormalFrameWatcher::eventFilter(QObject* watched, QEvent* event) {
    // The window manager reports a new state before the size that goes with it, so a move
    // or resize seen in the normal state has the normal frame.
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
        auto* window = static_cast<QWidget*>(watched);
        const QMargins frame = FrameMargins(window);
        if (window->isVisible() && !frame.isNull() && InNormalState(window))
            window->setProperty(kNormalFrameProperty, QVariant::fromValue(frame));
    }
    return QObject::eventFilter(watched, event);
}

QtEnvironmentUi::FrameFitter::FrameFitter(QWidget* window, const QRect& outer)
    : QObject(window), window_(window), outer_(outer) {
    window->installEventFilter(this);
    // The window manager frames a shown window without telling the inside (it stays where
    // it was put), so the frame is looked for until it comes; a window manager that draws
    // no frame never gives one, and the inside keeps the rectangle. A window shown
    // maximised is fitted when it is first restored: its frame is only then the normal one.
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &FrameFitter::Fit);
    deadline_.setSingleShot(true);
    deadline_.setInterval(kFrameWaitMs);
    connect(&deadline_, &QTimer::timeout, this, [this] { deleteLater(); });
    if (window->isVisible()) Watch();
}

void QtEnvironmentUi::FrameFitter::Watch() {
    if (!InNormalState(window_)) {
        poll_.stop();
        deadline_.stop();
    } else if (!poll_.isActive()) {
        poll_.start();
        deadline_.start();
    }
}

bool QtEnvironmentUi::FrameFitter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && (event->type() == QEvent::Show || event->type() == QEvent::WindowStateChange)) Watch();
    return QObject::eventFilter(watched, event);
}

void QtEnvironmentUi::FrameFitter::Fit() {
    const QMargins frame = FrameMargins(window_);
    if (!window_->isVisible() || frame.isNull() || !InNormalState(window_)) return;
    poll_.stop();
    deadline_.stop();
    window_->removeEventFilter(this);
    window_->setGeometry(outer_.marginsRemoved(frame));
    deleteLater();
}

}  // namespace shell
