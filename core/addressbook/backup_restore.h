#pragma once
// Backup and restore of the address book.
//
// CDBBackup writes the whole address book to a file the user picks, in the layout and
// coding of "DB/database.dat". CDBRestore reads such a file (or one of the numbered
// generations of the book, see file_history.h) into a second, temporary store, adds to
// the current book every record the book lacks, and writes a report beside the backup
// that lists the IDs restored and the IDs left out because their mail address now belongs
// to another record. The restored records reach the disk with the merge (the book's
// journal, database_edit.h); when they cannot, they are taken back out of the book and
// the restore says that nothing was restored.
//
// Both take the address book and its environment (for the key of the book's files). The
// file dialogs belong to the GUI: SelectBackupPathName asks a chooser callback that the
// GUI supplies.

#include <functional>
#include <string>
#include <vector>

class CDatabaseEdit;
class EnvManager;

// What the GUI's file dialog is asked to show. Texts are Shift_JIS.
struct FileDialogRequest {
    bool save = false;           // a save dialog; else an open dialog
    std::string defaultExt;      // without the dot
    std::string filter;          // "name|pattern|name|pattern||"
    bool hideReadOnly = true;
    bool overwritePrompt = false;
    bool fileMustExist = false;
};
// Shows the dialog; true with `path` set when the user chose a file, false when cancelled.
using FileChooser = std::function<bool(const FileDialogRequest& request, std::string& path)>;

class CDBBackup {
public:
    CDBBackup() = default;
    virtual ~CDBBackup() = default;
    CDBBackup(const CDBBackup&) = default;
    CDBBackup& operator=(const CDBBackup&) = default;

    void SetDatabaseEditPtr(CDatabaseEdit* book) { book_ = book; }
    void SetEnvManager(EnvManager* env) { env_ = env; }
    void SetBackupPathName(const std::string& path) { backupPath_ = path; }
    std::string GetBackupPathName() const { return backupPath_; }

    // Asks for the backup file (save dialog, "dat", overwrite prompt): 1 with the path
    // taken, 0 (path kept) when cancelled or without a chooser.
    int SelectBackupPathName(const FileChooser& choose);

    // Writes the book to the backup path, safely (an existing file there stays whole when
    // the write fails). 0; -1 no path, no book or no environment; -2 the write failed (or
    // the book's key cannot be had). The book's own file is not touched.
    int ActionBackup();

private:
    std::string backupPath_;
    CDatabaseEdit* book_ = nullptr;
    EnvManager* env_ = nullptr;
};

class CDBRestore {
public:
    CDBRestore() = default;
    virtual ~CDBRestore() = default;
    CDBRestore(const CDBRestore&) = default;
    CDBRestore& operator=(const CDBRestore&) = default;

    void SetDatabaseEditPtr(CDatabaseEdit* book) { book_ = book; }
    void SetEnvManager(EnvManager* env) { env_ = env; }
    // Each also forms the report path again.
    void SetBackupPathName(const std::string& path);
    void SetRepairFileName(const std::string& name);

    // Asks for the backup to restore from (open dialog, "dat", file must exist): 1 with
    // the path taken and the report path formed, else 0.
    int SelectBackupPathName(const FileChooser& choose);

    std::string GetBackupPathName() const { return backupPath_; }
    std::string GetRepairFileName() const { return repairFileName_; }
    std::string GetRepairPathName() const { return repairPath_; }
    // Title ("database" of ".../database.003") and extension without the dot ("003") of
    // the backup path; both are also kept.
    std::string GetBackupFileNameWithoutExt();
    std::string GetBackupFileNameExt();

    // Restores from the backup:
    //   0 nothing to restore (no report written);
    //   1 records restored; 2 records left out for their address only; 3 both;
    //  -1 the backup cannot be read (or the key cannot be had): the book is untouched;
    //  -2 backup path, book, environment or report path missing;
    //  -3 the report could not be written (the records are restored all the same);
    //  -4 the restored records could not be written to the disk: they were taken back,
    //     the book is untouched (no report written; 10204 in the book's GetErrMsg);
    //  -5 the file holds no record (an empty file is no backup): the book is untouched.
    // Restored records are appended and the book is re-sorted by customer ID, all in one
    // hold of the book's lock.
    int ActionRestore();

    // The IDs of the last ActionRestore.
    const std::vector<int>& RestoredIds() const { return restored_; }
    const std::vector<int>& SkippedIds() const { return skipped_; }

private:
    int MakeRepairPathName();

    std::string backupPath_;
    std::string repairFileName_;
    CDatabaseEdit* book_ = nullptr;
    std::string backupTitle_;
    std::string backupExt_;
    std::string repairPath_;
    EnvManager* env_ = nullptr;
    std::vector<int> restored_;
    std::vector<int> skipped_;
};

// The report of a restore: the backup path, the restored IDs and the IDs left out, in
// the layout of the report file (Shift_JIS, CR LF between lines, none at the end).
std::string MakeRestoreReport(const std::string& backupPath, const std::vector<int>& restored,
                              const std::vector<int>& skipped);
