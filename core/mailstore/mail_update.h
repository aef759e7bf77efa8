#pragma once
// MailUpdate: one mail's update committed in one step.
//
// A mail is several files - its line in the mail list, its body file, and per terminal type
// an attachment list with the attachments' bodies - that a composing screen replaces
// together. Replaced one after the other, a crash or a full disk between two of them would
// leave a mail that reads back half old and half new (an attachment list of the new
// version naming bodies of the old one even reads without an error). So an update is
// staged, committed, then carried out:
//
//   1. Stage: the whole new content goes to a staging folder of the mail's own,
//      MAIL/UPDATE/<id>/: one file per file it replaces (Stage), the files it removes
//      (Remove) and the mail's new line in the mail list (SetListLine). The mail's own
//      files are not touched.
//   2. Commit: the staged files are flushed to the disk, then the commit record
//      MAIL/UPDATE/<id>/commit.dat is written (a safe write, flushed too). From this moment
//      on the update counts as done, whatever happens to the process.
//   3. Carry out: the staged files are renamed over the mail's files, the removed files
//      deleted, the line put into the mail list and the list written; then the staging
//      folder goes.
//
// Recovery: every reader of a mail's files calls Recover first (MailWriter, AttachWriter),
// and the mail list recovers every pending mail when it is read. A staging folder without
// a commit record (a crash or a failure before step 2) is removed: the mail reads as
// before the update. One with a commit record (a crash after it) is carried out to the
// end - with the mail list at hand the line too, otherwise the record stays for the next
// read of the list. So a reader never sees a mix of the two versions, and a killed update
// leaves nothing behind once the mail is read again.
//
// The commit record is a record file coded with the environment's key (it holds the
// mail's title and attachment names). Its rows: ("V", "1", <id>); ("R", <staged name>,
// <path in the mail folder>) per replaced file; ("D", <path in the mail folder>, "") per
// removed file; ("L", <element>, <text>) per element of the list line. A record whose
// paths leave the mail folder is refused, never carried out.
//
// Threads: an update of a mail waits while another thread of the process updates or
// recovers the same mail; Recover leaves a mail alone while another thread updates it
// (that thread finishes or undoes it itself). The environment's lock, held by whoever has
// it open to write, keeps other processes off it.

#include <string>
#include <vector>

#include "core/foundation/string_array.h"
#include "core/foundation/store_key.h"

class CMailListViewer;
class EnvManager;

class MailUpdate {
public:
    enum : int {
        kOk = 0,
        kFailed = -1,          // nothing of the update happened; the mail is as it was
        kNotApplied = -2,      // committed, but a file could not be put in place: the next
                               // Recover of the mail finishes it
        kListNotWritten = -3,  // committed and in place; the mail list could not be written
                               // (the line is in the list in memory, and the next read of
                               // the list takes it from the record)
    };

    MailUpdate() = default;
    // An update begun and not committed is undone.
    ~MailUpdate();
    MailUpdate(const MailUpdate&) = delete;
    MailUpdate& operator=(const MailUpdate&) = delete;

    // Starts an update of mail `id` (0 or more): waits while another thread works on the
    // same mail, finishes or undoes what a killed process left of an earlier update (its
    // list line too when `list` is given), and makes an empty staging folder. 0, or
    // kFailed: no environment or key, the staging folder cannot be made, or an earlier
    // committed update cannot be finished.
    int Begin(EnvManager* env, int id, CMailListViewer* list);
    // The path to write the whole new content of `target` to: a file inside the mail's
    // folder MAIL/<id>/. Empty when it is not one, or no update is begun.
    std::string Stage(const std::string& target);
    // Removes `target` (a file inside the mail's folder) when the update is carried out.
    // False when it is not inside the mail's folder, or no update is begun.
    bool Remove(const std::string& target);
    // The line the mail gets in the mail list (the list's elements; element 0 the ID).
    void SetListLine(const XCStringArrayEx& line) { line_ = line; }

    // Commits the update and carries it out (see above); `list` may be null, and then a
    // list line is left for the next read of the list. Results above.
    int Commit(CMailListViewer* list);
    // Drops what was staged; the mail stays as it was.
    void Abort();

    // Finishes or undoes an interrupted update of mail `id`; leaves the mail alone while
    // another thread works on it. 0 when the mail's files are whole (old or new); kFailed
    // when a committed update cannot be read or carried out (it stays for the next try).
    static int Recover(EnvManager* env, int id, CMailListViewer* list);
    // Recover for every mail that has a staging folder; the staging root MAIL/UPDATE/ goes
    // when nothing is left in it.
    static void RecoverAll(EnvManager* env, CMailListViewer* list);
    // Mails that have a staging folder, ascending.
    static std::vector<int> PendingMails(const EnvManager& env);
    // MAIL/UPDATE/<id>/
    static std::string StagingFolder(const EnvManager& env, int id);

private:
    struct Entry {
        std::string staged;  // name in the staging folder ("" for a removal)
        std::string target;  // path inside the mail folder
    };
    // The path of `target` inside the mail folder, or "" when it lies outside.
    std::string InsideMailFolder(const std::string& target) const;
    void Release();

    EnvManager* env_ = nullptr;
    int id_ = -1;
    StoreKey key_;
    std::string staging_;
    std::string mailFolder_;
    std::vector<Entry> entries_;
    XCStringArrayEx line_;
    bool held_ = false;
    bool committed_ = false;
};
