#pragma once
// What the personal-information list's backup and restore commands need besides the core's
// CDBBackup and CDBRestore (core/addressbook/backup_restore.h): the file chooser those
// classes ask, answered by the program's file picker; the name of the restore's report
// file; and the messages that report how a backup or a restore ended.
//
// A restore puts records into the address book in memory only (the program's save writes
// them); RestoreChangedBook says when it did, so that the list reloads and the customer-ID
// sequence moves past every ID the book now holds, deleted ones included, and never back.
// That is also so when the report file could not be written: the records are restored all
// the same, and the message says so instead of calling the backup unreadable.

#include <QString>

#include <string>

#include "core/addressbook/backup_restore.h"
#include "platform/date_time.h"

class QWidget;

namespace addressui {

// The chooser of CDBBackup / CDBRestore::SelectBackupPathName over ui::CurrentFilePicker,
// the dialogs standing over `owner`. The request's Shift_JIS filter is shown as the
// picker's filter; a save request's default extension is added to a name typed without
// one. The path is handed back as file-system bytes.
FileChooser PickerFileChooser(QWidget* owner);

// The restore report's file name: "<backup name>_<backup extension>_<environment>_
// <YYYYmmddHHMMSS>.txt" with the backup's name without its extension, that extension
// (without its dot), the environment's name and the moment the restore was started.
std::string RestoreReportFileName(const std::string& backupTitle, const std::string& backupExt,
                                  const std::string& envName, const platform::DateTime& started);

// A message box: text, caption and style (buttons and icon).
struct OutcomeMessage {
    QString text;
    QString caption;
    unsigned style = 0;
};

// How CDBBackup::ActionBackup ended (0, -1, -2), for backup file `backupPath`.
OutcomeMessage BackupOutcome(int result, const std::string& backupPath);
// How CDBRestore::ActionRestore ended (0 nothing to restore, 1 restored, 2 duplicates only,
// 3 both, -3 restored but no report, -4 the restored records could not be written and
// were taken back, -5 a file without records, other failures), with the backup and report
// paths.
OutcomeMessage RestoreOutcome(int result, const std::string& backupPath, const std::string& reportPath);
// True when that restore put records into the address book.
bool RestoreChangedBook(int result);

}  // namespace addressui
