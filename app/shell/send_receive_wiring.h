#pragma once
// Where the send/receive engine meets the program. InstallSendReceive makes the one status
// dialog of the program's runs and connects it and the scheduler to the program:
//  - the status dialog answers every "is a run under way?" (the run monitor);
//  - every environment that opens gets a scheduler (CCommNet) over its options and mail
//    list, which starts runs through the status dialog only while it is the open
//    environment's;
//  - the main window's commands reach the runs, the scheduler's timer and the status
//    window through the screen registry; the mail list's "send this mail now" too;
//  - a run's end goes to the main window (it closes the status window and saves the
//    address book); a run while the program is locked shows the lock window instead of
//    the status window and no result dialogs;
//  - the dial-up settings list the entries of the dial-up provider (none on Linux).
// RemoveSendReceive undoes all of it; call it once the environment is closed (its
// scheduler refers to the status dialog) and before the environment service goes.

namespace shell {

class CVarnisApp;

// Call once, from the application's constructor, before an environment opens.
void InstallSendReceive(CVarnisApp& app);
// Call once, after the environment was closed. A run still under way is stopped first.
void RemoveSendReceive(CVarnisApp& app);

}  // namespace shell
