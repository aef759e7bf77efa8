#pragma once
// Why the program will not use what it found where it keeps a file (or folder) of its own,
// and how the user comes to know of it.
//
// The program's own files (private_files.h: OpenPrivateFile and the readers built on it)
// must be regular files of the user's with no other name. Anything else found in their
// place can only have been left by another local user while a folder stood open to others,
// or by accident, and each would cost the user: a link or a second (hard) name lets
// another user read what the program writes, another user's file receives the user's
// data, and a FIFO or a device hangs the open for ever. Such a file is refused at once,
// and the refusal, naming the file and the reason, goes one way:
//
//   - by default to the reporter (SetRefusalReporter): the program's windows tell it in a
//     box of its own, once per file;
//   - while a HeldRefusals scope is alive on the thread, to that scope instead, so that a
//     caller which tells its own failure in a box names the refused file there, in the
//     same box (one box, not two). What the caller does not take is reported when the
//     scope ends.

#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace platform {

enum class Refusal {
    kLink,         // a symbolic link in the file's place
    kNotAFile,     // a FIFO, a socket, a device or a folder where a file belongs
    kNotAFolder,   // something else where a folder of the program's belongs
    kNotTheUsers,  // another user's file or folder
    kMoreNames,    // the file has another name (a hard link) elsewhere
};

struct RefusedFile {
    std::string path;
    Refusal why = Refusal::kLink;
    mode_t type = 0;   // the kind found (S_IFIFO, S_IFSOCK...)
    uid_t owner = 0;   // the owner found (kNotTheUsers)

    // The reason in the user's words (UTF-8), without the path, e.g.
    // 「名前付きパイプ（FIFO）のため使用できません」, 「他のユーザー（nobody）のファイルのため使用できません」.
    std::string Reason() const;
    // "<path>\r\n<reason>" (the path as the file system has it).
    std::string Text() const;
};

// The errno value an open refused for `why` leaves: ELOOP for a link, EISDIR for a folder,
// ENOTDIR where a folder belongs, ENXIO for a FIFO, socket or device, EPERM for another
// user's file or a second name.
int RefusalErrno(const RefusedFile& refused);

// Sends `refused` its way (see above) and sets errno to RefusalErrno.
void Refuse(const RefusedFile& refused);

// Receives every refusal not held by a scope, on the thread that met it; it must not wait
// for another thread. The default writes Text() to stderr. Installs `reporter` (empty: the
// default) and returns the previous one.
using RefusalReporter = std::function<void(const RefusedFile& refused)>;
RefusalReporter SetRefusalReporter(RefusalReporter reporter);

// For its life, the refusals met on the constructing thread are kept here (one per path)
// rather than reported. Scopes nest: what an inner scope does not take goes to the outer.
class HeldRefusals {
public:
    HeldRefusals();
    ~HeldRefusals();
    HeldRefusals(const HeldRefusals&) = delete;
    HeldRefusals& operator=(const HeldRefusals&) = delete;

    bool Any() const { return !held_.empty(); }
    // The refusals held so far, which are then the caller's to tell.
    std::vector<RefusedFile> Take();
    // Take() as text: each refusal's Text(), separated by "\r\n" ("" when none).
    std::string TakeText();

private:
    friend void Refuse(const RefusedFile& refused);
    HeldRefusals* outer_;
    std::vector<RefusedFile> held_;
};

}  // namespace platform
