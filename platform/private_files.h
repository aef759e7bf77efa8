#pragma once
// What the program makes for its user is the user's alone. An environment holds the
// address book and the stored server passwords, and its record coding is keyed only by
// data inside the environment, so anyone who can read the files can read the data with
// the program's own readers. Files the program makes are therefore created 0600 and
// folders 0700, whatever the process's umask; the shared writers (safe_write.h, the
// folder-making helpers, the log writer, the ini writer) all come through here, so a new
// store gets this without asking.
//
// Files written for other programs at a place the user chose (the CSV exports) are the
// exception: they follow the user's umask like any document the user saves (FileAccess::
// kUmask), and one that replaces an older file keeps that file's mode.
//
// Narrowing: what an earlier version or a wide umask left readable by others is narrowed
// to its owner when the program opens it (NarrowToOwner, NarrowTreeToOwner). Only what
// belongs to the process's user is changed, and a symbolic link is never followed (nor
// changed): nothing outside the tree given is touched.
//
// What stands where the program keeps a file of its own (a journal, a progress record, the
// receive ledger, a log, a lock, the stores' files, the ini files) must be a regular file
// of the user's with one name; anything else is refused at once, never followed, read,
// written nor waited for (file_refusal.h says why, and how the refusal reaches the user).
// Files the user names (a CSV to import, an export, the import's report, a backup to
// restore) are the user's business: OpenNamedFile opens them as named, only never waiting.

#include <cstdio>
#include <string>

#include <sys/types.h>

#include "platform/file_refusal.h"

namespace platform {

// Who may read a file the program writes.
enum class FileAccess {
    kOwner,  // the user alone: files 0600 (an older file's group and other bits dropped)
    kUmask,  // as the umask allows (0666 less the umask; an older file's mode kept)
};

inline constexpr mode_t kPrivateFileMode = 0600;
inline constexpr mode_t kPrivateFolderMode = 0700;

// open(2) of a file the program keeps for its user, with `flags` (O_CLOEXEC and
// O_NOFOLLOW added). The open never waits (it is made without blocking, and a FIFO or a
// device is never read nor written), and what it finds is refused (file_refusal.h: -1,
// errno as RefusalErrno says, the refusal sent its way) unless it is a regular file of the
// user's with no other name. O_TRUNC takes effect only once the file passed. A file it
// creates is made 0600, and a file of the user's that others may read or write is narrowed
// to its owner when it is opened for writing. The descriptor, or -1 with errno set.
int OpenPrivateFile(const std::string& path, int flags);

// OpenPrivateFile's rules applied to the file at `path` for reading, changing nothing (no
// narrowing): 0 when it is usable; otherwise the errno the open gives (ENOENT: nothing
// there; a refusal's errno, the refusal sent its way; EACCES, EIO... as the system said).
int CheckPrivateFile(const std::string& path);

// open(2) of a file the user named (chose in a dialog, gave on the command line), followed
// through links and whoever's it is, with `flags` (O_CLOEXEC added) and `mode` for a file
// it creates. It never waits either: what is not a regular file gives -1 (EISDIR for a
// folder, ENXIO for a FIFO, a socket or a device) without being read or written, and the
// caller says so in its own words (nothing is reported).
int OpenNamedFile(const std::string& path, int flags, mode_t mode = 0666);

// The two opens for reading as a stream ("rb"); null with errno set.
std::FILE* OpenPrivateStream(const std::string& path);
std::FILE* OpenNamedStream(const std::string& path);

// Makes the folder `path` (one level; its parent must exist) with mode 0700. True when
// `path` is a folder afterwards (one that existed is left as it is); false with errno.
bool MakePrivateFolder(const std::string& path);
// Makes `path` and every missing folder above it, each 0700; folders that existed are
// left as they are. True when `path` is a folder afterwards; false with errno.
bool MakePrivateFolders(const std::string& path);

// Takes the group and other permissions away from the file or folder that `path` names
// when it belongs to this process's user; a symbolic link is left alone, not followed.
// False (errno set) only when the entry exists and could not be looked at or changed;
// nothing there, a link and another user's entry count as done.
bool NarrowToOwner(const std::string& path);
// The same for an open descriptor (of a file or a folder).
bool NarrowToOwner(int fd);

// Narrows every file and folder below the folder `top` (reached even through a symbolic
// link: it is the place the caller named), then `top` itself; symbolic links below it are
// neither followed nor changed, entries of other users are left as they are. The number
// of entries narrowed, or -1 when `top` cannot be opened as a folder. Already private
// entries cost one stat each.
long NarrowTreeToOwner(const std::string& top);
// The same, but only when `top` itself is open to others: below a folder that only its
// owner may enter nothing is within others' reach, so such a tree is left as it is for
// one stat. Since `top` is narrowed last, a walk cut short is done again the next time.
// 0 when `top` is private already (or not the user's); -1 when it cannot be opened.
long NarrowWideTreeToOwner(const std::string& top);

}  // namespace platform
