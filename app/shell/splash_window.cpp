#include "app/shell/splash_window.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimerEvent>

#include "app/shell/bar_images.h"

namespace shell {
namespace {

bool g_enabled = false;
QPointer<CSplashWnd> g_splash;

// Sees every event of the application while a splash shows.
class SplashFilter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override { return CSplashWnd::PreTranslateAppMessage(event); }
};

SplashFilter* Filter() {
    static SplashFilter* filter = new SplashFilter;
    return filter;
}

}  // namespace

void CSplashWnd::EnableSplashScreen(bool enable) { g_enabled = enable; }
bool CSplashWnd::IsSplashScreenEnabled() { return g_enabled; }
CSplashWnd* CSplashWnd::Current() { return g_splash.data(); }

CSplashWnd::CSplashWnd(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      bitmap_(images::SplashImage()) {
    setObjectName(QStringLiteral("CSplashWnd"));
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
    setFixedSize(bitmap_.size());
}

CSplashWnd::~CSplashWnd() {
    if (g_splash == this) g_splash = nullptr;
    if (!g_splash && qApp) qApp->removeEventFilter(Filter());
}

void CSplashWnd::ShowSplashScreen(QWidget* parent) {
    if (!g_enabled || g_splash) return;
    auto* splash = new CSplashWnd(parent);
    g_splash = splash;
    QScreen* screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        splash->move(area.center() - QPoint(splash->width() / 2, splash->height() / 2));
    }
    qApp->installEventFilter(Filter());
    splash->timer_ = splash->startTimer(kShowMs);
    splash->show();
    splash->repaint();
}

bool CSplashWnd::PreTranslateAppMessage(QEvent* event) {
    if (!g_splash || !event) return false;
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
        g_splash->HideSplashScreen();
        return true;
    default:
        return false;
    }
}

void CSplashWnd::HideSplashScreen() {
    if (g_splash == this) g_splash = nullptr;
    qApp->removeEventFilter(Filter());
    if (timer_) killTimer(timer_);
    timer_ = 0;
    close();
    if (QWidget* owner = parentWidget()) owner->update();
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, bitmap_);
}

void CSplashWnd::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_) HideSplashScreen();
}

}  // namespace shell
