#pragma once
// The environment service's questions answered with the program's windows: the
// application's please-wait window, the start-up password dialogs, and the main window's
// saved place.
//
// The open runs on the GUI thread, so the please-wait window is painted at each step it
// names (input is held back meanwhile); between steps it keeps its last picture.

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

#include <functional>

#include "app/environment/environment_ui.h"

class QWidget;

namespace shell {

class CWaitDlg;

class QtEnvironmentUi : public EnvironmentUi {
public:
    // `mainWindow` gives the main window, or null while there is none.
    explicit QtEnvironmentUi(std::function<QWidget*()> mainWindow);
    ~QtEnvironmentUi() override;

    void ShowWait(const QString& line1, const QString& line2, const QString& line3) override;
    void HideWait() override;
    void OfferStartupPassword(EnvManager& env) override;
    bool AskEnvironmentPassword(EnvManager& env, const QString& title) override;
    void PlaceMainWindow(const std::string& envIniPath) override;

    // Moves `window` to the rectangle saved in `envIniPath`, or its default place, and
    // maximises it when it was saved maximised (the rectangle is then where it goes when
    // restored). The rectangle is the outer one: a window not framed yet is fitted inside
    // it as soon as the window manager gives it its frame in its normal state.
    static void PlaceWindow(QWidget* window, const std::string& envIniPath);

    // The window manager's frame around `window` (null while it has none).
    static QMargins FrameMargins(const QWidget* window);

    // The outer rectangle `window` has in its normal state, also while it is maximised or
    // minimised: where it goes when restored, and what an environment keeps beside
    // "MAXIMIZED". Out of its normal state it is the normal inside rectangle in the frame
    // the window last had in its normal state (none known: the inside itself, as
    // PlaceWindow puts a window not framed yet).
    static QRect NormalFrameRect(const QWidget* window);

private:
    // Keeps the frame a window has in its normal state on the window (a maximised window's
    // frame is another one), for NormalFrameRect.
    class NormalFrameWatcher : public QObject {
    public:
        explicit NormalFrameWatcher(QWidget* window);
        bool eventFilter(QObject* watched, QEvent* event) override;
    };

    // Waits, for a while, for the first frame of a window placed before it was framed.
    class FrameFitter : public QObject {
    public:
        FrameFitter(QWidget* window, const QRect& outer);
        bool eventFilter(QObject* watched, QEvent* event) override;

    private:
        // Looks for the frame while the window is shown in its normal state.
        void Watch();
        void Fit();

        static constexpr int kPollMs = 20;
        static constexpr int kFrameWaitMs = 5000;
        QWidget* window_;
        QRect outer_;
        QTimer poll_;
        QTimer deadline_;
    };

    std::function<QWidget*()> mainWindow_;
    // Created over the main window, which then owns it: it may go with that window.
    QPointer<CWaitDlg> wait_;
};

}  // namespace shell
