#pragma once
// SendEnvironment: the stores of the open environment that sending, receiving and the
// composing checks work with - the environment, its system options, its address book and
// its mail list. The pointers are not owned; a user refuses (with its own message) where
// one it needs is null. Tests give their own stores; the program takes Program().

class CDatabaseEdit;
class CMailListViewer;
class EnvManager;
class SystemOption;

struct SendEnvironment {
    EnvManager* env = nullptr;
    SystemOption* options = nullptr;
    CDatabaseEdit* book = nullptr;
    CMailListViewer* mails = nullptr;

    // The program's open environment (all null while none is open).
    static SendEnvironment Program();
};
