#pragma once
// Whether the files of an environment can be read, asked before its open reads or writes
// any of them.
//
// Why: the stores take a file they cannot open for one that is not there (an options file
// that cannot be opened reads as "no options", a sequence as "start at 1", an ini as
// empty), and what they do next writes over it: the open took an environment whose
// "systemoption.dat" another member of a shared group had rewritten (and so made
// unreadable) for one of an older layout and began to back it up. A file that is there
// but cannot be read is not a missing one: the open stops, naming the file and the
// system's reason, and writes nothing.
//
// Which files: the descriptor "<folder>.env", and every file directly in the environment's
// folder and in its DB/, MAIL/ and EXTRACT/ folders - what the open and the program's
// start read (options, ini, book, journal and generations, sequences, the mail and
// extraction lists, the receive ledger). A mail's own folder (MAIL/<id>/) is read when that
// mail is used, and its readers answer for it: walking every mail's files at each open
// would cost about half a second per 10,000 files on a busy machine. A folder of those that exists
// but cannot be listed counts as unreadable itself.
//
// Only the system's answer counts here (no permission, an I/O error ...); what kinds of
// file the program refuses to use (links, FIFOs, another user's file) is the file opener's
// rule (platform/private_files.h), applied when the file is used.

#include <string>

namespace shell {

struct UnreadableFile {
    std::string path;
    int error = 0;  // errno of the failed open
    explicit operator bool() const { return error != 0; }
};

// 0 when `path` can be opened for reading or is not there; else the errno of the open.
int ReadError(const std::string& path);

// The first file (or folder) of the environment of `descriptor` that exists but cannot be
// read, as described above; empty when there is none.
UnreadableFile FindUnreadableFile(const std::string& descriptor);

}  // namespace shell
