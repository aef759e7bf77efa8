#pragma once
// What opening an environment asks of the person in front of the program. The GUI
// implements it with the please-wait window and the password dialogs; tests script it.
// Every call comes on the GUI thread, while the open is under way.

#include <QString>

#include <string>

class EnvManager;

namespace shell {

class EnvironmentUi {
public:
    virtual ~EnvironmentUi() = default;
    // Shows (or refills) the please-wait window with three lines (any may be empty).
    virtual void ShowWait(const QString& line1, const QString& line2, const QString& line3) = 0;
    // Takes the please-wait window down (nothing when none is shown).
    virtual void HideWait() = 0;
    // The environment never had its start-up password decided: offers to set one (the
    // settings dialog writes `env` itself). Its answer does not stop the open.
    virtual void OfferStartupPassword(EnvManager& env) = 0;
    // The environment has a start-up password: asks for it under `title`. True when the
    // right password was given; false when the person gave up.
    virtual bool AskEnvironmentPassword(EnvManager& env, const QString& title) = 0;
    // Moves the main window to the rectangle saved in `envIniPath` (when there is a main
    // window); called only with a path of an existing environment folder.
    virtual void PlaceMainWindow(const std::string& envIniPath) { (void)envIniPath; }
};

}  // namespace shell
