#pragma once
// Where the program's screens meet: the folders below the shell reach the screens of other
// folders only through slots and hooks (the main window's ScreenRegistry, the mail list's
// requests, the send history's record viewer ...). This file fills them with the real
// screens when the application starts and empties them when it ends, so that no screen is
// ever reached after the application object is gone.

namespace shell {

class CVarnisApp;
class MailListController;

// The screens that need no window of the application's to exist yet.
void InstallProgramScreens(CVarnisApp& app);
// What the lower screens ask of the mail list (add, remove, switch, select, edit).
void InstallMailListRequests(MailListController& list);
// Empties every slot and hook InstallProgramScreens and InstallMailListRequests filled.
void RemoveProgramScreens();

}  // namespace shell
