#pragma once
// CMailListViewer: the mail list of an environment, "MAIL/maillist.dat": one line of 13
// elements per mail, in the order the mails were added:
//   0 mail ID   1 title   2 address-book name (the recipient set)   3 status letter
//   4 entry date   5 renewal date   6 reserve date   7 sent   8 errors   9 opened
//   10 set-address date   11 special flags (two characters)   12 honorific
// Lines of the older 12-element layout (no honorific) are read too.
//
// Every read ends with a repair: a mail folder "MAIL/<digits>/" holding its bodies, its
// recipient list and its recipient conditions that the list does not show with a known
// status is put back as a draft. A mail whose line exists (with a status letter that is
// damaged) keeps its line and only gets the status "D"; a mail without a line is rebuilt
// from its folder. The old list is copied to "maillist.dat.bak" before the repaired list
// is written, and the user is told which mails were repaired. A list that cannot be read
// whole is never repaired or written (the read fails instead).
//
// A read also finishes the mail updates that a killed process committed but did not carry
// out, and drops the ones it had not committed (mail_update.h): their lines come into the
// list, and the list is written.
//
// Changes stay in memory until WriteMailList; nothing is written on destruction. Every
// operation holds the process-wide mutex "MAIL_LIST_VIEWER_MUTEX" (re-entrant).
// The class keeps no error object: results say what happened.

#include <string>
#include <unordered_map>
#include <vector>

#include "core/addressbook/mail_list_lookup.h"
#include "core/foundation/my_db.h"
#include "core/mailstore/one_mail_data.h"
#include "platform/named_mutex.h"

class EnvManager;

// It answers a recipient list's questions about mails (MailListLookup).
class CMailListViewer : public CMyDB, public MailListLookup {
public:
    static constexpr const char* kMutexName = "MAIL_LIST_VIEWER_MUTEX";
    static constexpr int kElements = 13;
    static constexpr int kOldElements = 12;
    // Tries of the mail-ID sequence before GetNewMailID gives up.
    static constexpr int kMaxIdDraws = 200;

    CMailListViewer();
    // Init, then SetEnvManager; when that fails the user is told and construction ends
    // with platform::UserException.
    explicit CMailListViewer(EnvManager* env);
    ~CMailListViewer() override = default;

    // Element counts 13 (older layout 12); forgets the environment, keeps the lines. 1.
    int Init();
    // Set once (not null): stores it and reads the list. 1 when the read gave 0 or more.
    int SetEnvManager(EnvManager* env) override;
    EnvManager* GetEnvManager() const { return env_; }

    // (Re)loads the list and repairs it: the number of mails; -2 without environment; -3
    // wrong element count; -27 keyed environment without a readable key; or the table's
    // read failure (CMyDB; an empty file is an empty list, a missing one a failure).
    int ReadMailList();
    // Writes through the table (only when changed, unless force). An unkeyed environment
    // writes without key and never forced. 0, or -1.
    int WriteMailList(int force);
    int WriteMailListCompel() { return WriteMailList(1); }
    // Writes the whole list, forced, to another file with `key` (null: none). 0 or -1.
    int WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key);

    // A mail ID drawn from the mail sequence that the list does not hold yet, or -1.
    int GetNewMailID();
    int CountMail();
    // Mails in the views of `mask` (0x01 all, 0x02 drafts, 0x04 waiting, 0x08 sent, 0x10
    // report, 0x20 deleted); their IDs in list order into *ids when given.
    int CountMailByViewType(unsigned long mask, std::vector<int>* ids = nullptr);
    // Mails whose status bit is in `mask` (exclude 0) or outside it (exclude nonzero; an
    // unknown status counts for neither).
    int CountMailByMailStatus(unsigned long mask, std::vector<int>* ids = nullptr, int exclude = 0);

    // Fills the record from the mail's line (the record is cleared first). 0, or -1.
    int GetMailData(int mailID, COneMailData& record);
    // One element: 0; -1 not listed; -2 element outside 0-12 (out emptied on failure).
    int GetMailDataPinPoint(int mailID, int element, std::string& out);
    // Adds a copy of a mail as a new draft and gives it to `record`. 0; -1 not listed; -2
    // no new ID; -3 storing failed.
    int GetMailDataForReprint(int mailID, COneMailData& record);
    // Replaces the line of the record's ID or appends one. 0; -1 append failed; -2
    // replace failed.
    int SetMailData(const COneMailData& record);
    // The same with a whole line (13 elements, element 0 the ID), as LineOf makes it.
    int SetMailLine(const XCStringArrayEx& line);
    // The line SetMailData stores for a record.
    static XCStringArrayEx LineOf(const COneMailData& record);
    // 0; -1 not listed; -2 bad element; -3 the table refused.
    int SetMailDataPinPoint(int mailID, int element, const std::string& value);
    // Status "S" / "D" (a restored mail is a draft). 0; -1 not listed; -2 refused.
    int DeleteMailData(int mailID);
    int UnDeleteMailData(int mailID);
    // 0 when listed, 1 when not.
    int FindMailData(int mailID) override;
    // The list's mutex, for a caller whose look at a mail's status and change of it must
    // let no other thread's change come between (a send run taking a due mail, the user
    // cancelling, editing or deleting one): hold it across both.
    static platform::NamedMutex& Mutex();
    // Removes the line (the mail's files stay). 0; -1; -2.
    int RemoveMailData(int mailID);
    // Widens every special-flag element to two characters ("" -> "NN", "x" -> "xN") and
    // writes the list. 0; SetMailDataPinPoint's code; -4 the write failed.
    int Update4AddHtmlMailAbility();

private:
    int MailID2RowNumber(int mailID);
    static unsigned long ConvertStatusStrToDword(const std::string& status);
    // Repairs the list; returns the IDs repaired (the file written, the old one kept).
    std::vector<int> RepairMailList();
    // Mail folders named by a decimal ID without leading zero, ascending.
    std::vector<int> GetMailFolderNameInThisEnv();
    // The folder holds mail<id>.dat, meli<id>.dat and merd<id>.dat.
    bool CheckMailFolderInThisEnv(int mailID);
    // A rebuilt record for a mail that has no line.
    COneMailData RebuildRecord(int mailID);
    int SetStatusOf(int mailID, const char* status);

    EnvManager* env_ = nullptr;
    // Mail ID -> row, checked on every use and rebuilt when stale.
    std::unordered_map<int, int> index_;
    int indexedLines_ = -1;
};
