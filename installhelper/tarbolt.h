#ifndef TARBOLT_TARBOLT_H
#define TARBOLT_TARBOLT_H
/*
 * libtarbolt.so: file operations for an installer's scripts, as plain C functions with
 * integer results, called by their undecorated names. Nothing is shown and nothing is
 * logged; every failure is a result.
 *
 * Names are the file system's bytes (UTF-8 on this system), passed through unchanged:
 * blanks, quotes, shell characters and Japanese characters are ordinary characters, and
 * no name is ever given to a shell. A relative name is taken from the current folder.
 *
 * The four file operations take the shell's name lists: names one after another, each
 * ended by a zero byte, the list ended by an empty name ("a\0b\0\0"). The last component
 * of a source name may hold the wildcards '*' (any run of characters) and '?' (one
 * character); they match names in that one folder, ignoring ASCII case, in name order,
 * and "*.*" matches every name. A wildcard that matches nothing names no file and is no
 * error; its folder must exist. A name without wildcards must exist.
 *
 * The operations check the whole request before they change anything: a missing source,
 * a copy or move of something onto itself, a folder copied or moved into itself, a
 * folder onto a file or a file onto a folder refuse the request with nothing done.
 * A failure after that (a full disk) stops at that file; what was done stays done.
 * Copies are written to a temporary file beside the target and renamed over it, so an
 * existing target is replaced whole or not at all.
 *
 * Copy and move: a target that is an existing folder, or that ends in '/', or that
 * receives several sources or a wildcard's matches, is a folder the sources go into
 * (made when missing, with its parents); otherwise the target is the new name of the one
 * source (its parent folders made when missing). An existing file of the same name is
 * replaced; a folder onto an existing folder merges into it. Folders are copied whole;
 * links inside them are copied as links.
 *
 * Flags (cut to their low 16 bits):
 *   TARBOLT_FOF_MULTIDESTFILES   the target list pairs with the source list, name for name
 *   TARBOLT_FOF_RENAMEONCOLLISION  a copy or move onto an existing name (itself included)
 *                                gets a free name "<name> (2).<ext>", "(3)", ...
 *   TARBOLT_FOF_FILESONLY        wildcards match files only, never folders
 *   TARBOLT_FOF_ALLOWUNDO        accepted; deleting removes the files for good
 *   every other flag (no confirmation, silent, no error window, progress, mapping handle,
 *   no recursion: wildcards never descend anyway) changes nothing: there is no window and
 *   nobody to ask, so every question is taken as answered "yes".
 */

#ifdef __cplusplus
extern "C" {
#endif

#define TARBOLT_API __attribute__((visibility("default")))

enum {
    TARBOLT_FO_MOVE = 1,
    TARBOLT_FO_COPY = 2,
    TARBOLT_FO_DELETE = 3,
    TARBOLT_FO_RENAME = 4
};

enum {
    TARBOLT_FOF_MULTIDESTFILES = 0x0001,
    TARBOLT_FOF_SILENT = 0x0004,
    TARBOLT_FOF_RENAMEONCOLLISION = 0x0008,
    TARBOLT_FOF_NOCONFIRMATION = 0x0010,
    TARBOLT_FOF_ALLOWUNDO = 0x0040,
    TARBOLT_FOF_FILESONLY = 0x0080,
    TARBOLT_FOF_NOCONFIRMMKDIR = 0x0200,
    TARBOLT_FOF_NOERRORUI = 0x0400,
    TARBOLT_FOF_NORECURSION = 0x1000
};

enum {
    TARBOLT_FILE_ATTRIBUTE_READONLY = 0x01,
    TARBOLT_FILE_ATTRIBUTE_DIRECTORY = 0x10,
    TARBOLT_FILE_ATTRIBUTE_NORMAL = 0x80
};
/* getFileAttributes of a name that does not exist (0xFFFFFFFF). */
#define TARBOLT_INVALID_FILE_ATTRIBUTES (-1)

enum {
    TARBOLT_MOVEFILE_REPLACE_EXISTING = 0x01,
    TARBOLT_MOVEFILE_COPY_ALLOWED = 0x02,
    TARBOLT_MOVEFILE_DELAY_UNTIL_REBOOT = 0x04,
    TARBOLT_MOVEFILE_WRITE_THROUGH = 0x08
};

/* Stores the process-wide debug level; returns the previous one (initially 0). */
TARBOLT_API int SetDebugLevel(int level);
/* The debug level. */
TARBOLT_API int GetDebugLevel(void);

/*
 * The shell's file operations. `window`, `aborted` and `progressTitle` are accepted and
 * not used (there is no window); `to` is not used by SHFileDelete and may be null there.
 * 1 when the whole operation succeeded, else 0 (never an error code).
 *   SHFileCopy    copies the sources to the target
 *   SHFileMove    moves them (a rename where possible, else a copy and a delete)
 *   SHFileDelete  deletes the sources (folders with everything in them)
 *   SHFileRename  gives the one source (no wildcards) the one new name; an existing name
 *                 is never replaced
 */
TARBOLT_API int SHFileCopy(void* window, const char* from, const char* to, unsigned int flags, int aborted,
                           const char* progressTitle);
TARBOLT_API int SHFileDelete(void* window, const char* from, const char* to, unsigned int flags, int aborted,
                             const char* progressTitle);
TARBOLT_API int SHFileMove(void* window, const char* from, const char* to, unsigned int flags, int aborted,
                           const char* progressTitle);
TARBOLT_API int SHFileRename(void* window, const char* from, const char* to, unsigned int flags, int aborted,
                             const char* progressTitle);

/*
 * Attributes. A file or folder whose owner may not write it is READONLY; a folder is
 * DIRECTORY; a file with neither is NORMAL. Setting READONLY takes every write permission
 * away; setting without it gives the owner write permission back; other bits are ignored.
 * setFileAttributes: 1, or 0 when the name does not exist or cannot be changed.
 * getFileAttributes: the bits, or TARBOLT_INVALID_FILE_ATTRIBUTES.
 */
TARBOLT_API int setFileAttributes(const char* fileName, unsigned int attributes);
TARBOLT_API int getFileAttributes(const char* fileName);

/*
 * Moves or renames one file or folder: 1 on success, else 0.
 *   An existing new name is replaced only with REPLACE_EXISTING, and never when it is a
 *   folder or the same file under another name.
 *   Across file systems a file is copied and the original deleted, with COPY_ALLOWED only.
 *   WRITE_THROUGH changes nothing.
 *   DELAY_UNTIL_REBOOT (not with COPY_ALLOWED) does nothing now: the move, or with a null
 *   new name the deletion, is recorded with absolute names and carried out when the
 *   library is next loaded into a process, as the system's next start would (see
 *   pending_moves.h for the record's place). The result then says whether it was recorded.
 */
TARBOLT_API int moveFileEx(const char* existingName, const char* newName, unsigned int flags);

#ifdef __cplusplus
}
#endif

#endif /* TARBOLT_TARBOLT_H */
