#pragma once
// CSplashWnd: the borderless picture shown while the main window is made. It sits
// centred over the screen for a second, or until the first key or mouse-button press,
// which it takes for itself (the press only closes the picture).
//
// One at most: a second ShowSplashScreen while one shows does nothing, and nothing shows
// while the splash is disabled (the program enables it at start-up; tests leave it off).
// The picture never holds up the program: it is shown, and the start-up goes on under it.

#include <QImage>
#include <QWidget>

class QEvent;

namespace shell {

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBitmap = 202;
    static constexpr int kShowMs = 1000;

    static void EnableSplashScreen(bool enable);
    static bool IsSplashScreenEnabled();
    // Shows the splash over `parent`'s screen (owned by it), unless disabled or shown.
    static void ShowSplashScreen(QWidget* parent);
    // The splash shown now, or null.
    static CSplashWnd* Current();
    // Gives an application event to the splash first: true when it took it (a key or
    // mouse-button press while the splash shows, which hides it).
    static bool PreTranslateAppMessage(QEvent* event);

    // Closes the splash (it goes away with the next turn of the event loop).
    void HideSplashScreen();

    ~CSplashWnd() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    explicit CSplashWnd(QWidget* parent);

    QImage bitmap_;
    int timer_ = 0;
};

}  // namespace shell
