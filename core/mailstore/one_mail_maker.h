#pragma once
// OneMailMaker: reads and stores one whole mail as a OneMail record - its line in the mail
// list, its subject and body per terminal row (the mail body file) and its attachments
// per terminal type (the attachment store). The composing screens load a mail with
// GetOneMailData, let the user edit it and store it with SetOneMailData, which creates the
// mail (new ID, folder, list line) or updates it.
//
// Attachment formats: version 4 keeps one list for the whole mail (attachment array 0,
// work folder MAIL/ATEMP/); version 5 one list per terminal type (work folders
// MAIL/ATEMP/<tt>/), for the types the mail kind selects:
//   "N" text mail: 0-4   "Y" HTML mail for PCs: 0   "M" HTML mail for mobiles: 1, 2, 3
//   any other kind: none. The list title is the subject of row 0 ("N", "Y") or row 1.
//
// Storing: a mail is stored in one step (MailUpdate, mail_update.h): its whole new
// version - body file, attachment lists and bodies, list line - is staged beside the old
// one and committed at once, so a failure, a full disk or a killed process leaves the mail
// wholly old or wholly new, never a mix, and a new mail is listed only once all its files
// are there. Before that, an existing mail becomes a draft in the list (status "D"), so
// that a waiting mail is not sent while it is replaced; a failure after that leaves it a
// draft with its old content. A new mail that fails is not listed, its new folder is
// removed again and the maker stays on a new mail (the ID it drew is not kept). Reading
// a mail first finishes or undoes an update that a killed process left.
//
// Work folders: destroying the maker removes only the work files that its version-4 reads decoded,
// and not even those once a version-5 operation ran (the composing screens keep their
// files). A version-4 read empties the files, never the sub-folders, of MAIL/ATEMP/ first.
//
// Results: 0 (1 for the setters) on success, a negative number on failure with the code in
// GetErrMsg(). Mail IDs: -3 none chosen (initial), -1 and -2 a new mail, others a mail of
// the list. No locking of its own: the mail list and the record files lock themselves.

#include <string>
#include <vector>

#include "core/foundation/err_msg.h"
#include "core/mailstore/attach_writer.h"
#include "core/mailstore/mail_writer.h"
#include "core/mailstore/one_mail.h"
#include "platform/date_time.h"

class CMailListViewer;
class EnvManager;
class MailUpdate;

class OneMailMaker {
public:
    static constexpr int kNoMail = -3;

    // Mail ID -3, nothing bound; the body file set to 7 terminal rows (8006 shown and
    // platform::UserException thrown if refused).
    OneMailMaker();
    // As above, then SetEnvManager (8001), SetMailListViewer (8003) and SetMailID (8008);
    // a refusal is shown to the user and ends construction with platform::UserException.
    OneMailMaker(EnvManager* env, CMailListViewer* mailList, int mailID);
    ~OneMailMaker() = default;
    OneMailMaker(const OneMailMaker&) = delete;
    OneMailMaker& operator=(const OneMailMaker&) = delete;

    // Set once, not null (else 0). Passes the environment to the mail list (when set), the
    // body file and the attachment store (version 4) and keeps the work folder
    // MAIL/ATEMP/: 1 when that path is known, else 0.
    int SetEnvManager(EnvManager* env);
    // Set once, not null (else 0); passes the environment to it when set: 1.
    int SetMailListViewer(CMailListViewer* mailList);
    // -3, -2, -1 are taken as they are; another ID must be in the mail list (else 8008,
    // -5). 0.
    int SetMailID(int mailID);
    int GetMailID() const { return mailID_; }

    // Reads the current mail into `mail` (its attachment arrays emptied first, its
    // honorific kept for a new mail). -11 (8002) no environment; -12 (8004) no mail list;
    // -7 no mail chosen; -99 (8999) the body file or the list line does not read (a reserve
    // date that is not a whole date and time included); then the attachments: -99 (8205)
    // a list does not load, -17 (8203) a stored body does not decode (the others are
    // read). Mail ID -1: an empty new mail, reserve date at the next ten-minute mark.
    int GetOneMailData(OneMail& mail, const std::string& kind, const int& version);
    // Stores `mail` as the current mail, in one step (see the header comment). -11, -12,
    // -7 as above; -99 (8007) no new mail ID; -99 (8008) the mail is not in the list;
    // -8 (8010) the mail folder cannot be made; -10 (8202, or the body file's own code) the
    // body file is not written or the update cannot be committed; -18 (8204) an
    // attachment cannot be encoded; -16 (8206) an attachment list is not written: in all
    // these cases nothing of the new version is stored (an existing mail may have become a
    // draft). -9 (8201): the list could not be written, either before anything changed or,
    // after the commit, for the new line only (the mail is stored and listed in memory,
    // and the list file takes the line at its next read).
    int SetOneMailData(OneMail& mail, const std::string& kind, const int& version);
    // Stores a mail without attachments (the stored ones of the kind's types are removed)
    // and with an empty honorific; both arrays must hold 7 texts (else 8999, -99).
    int SetOneMailData(const std::string& addressName, const platform::DateTime& reserveDate,
                       std::vector<std::string> subjects, std::vector<std::string> bodies,
                       const std::string& kind, const int& version);

    // The attachment work folder MAIL/ATEMP/ (empty until the environment is set).
    const std::string& GetAttachTempDirPath() const { return attachTempDir_; }
    CErrMsg& GetErrMsg() { return err_; }

private:
    // Texts emptied, reserve date at the next ten-minute mark, attachment arrays emptied;
    // the honorific is kept.
    static void InitOneMail(OneMail& mail);
    // 0 when the folder can be entered, -1 when not.
    static int CheckDirectory(const std::string& path);
    int Fail(int code, int result) {
        err_.SetErr(code);
        return result;
    }
    int CheckBound();

    // Status "D" in the list and the list written (nothing when it is a draft already).
    int MarkDraft(int id);
    int StageBodies(const OneMail& mail, int id, MailUpdate& update);
    int StageAttachVer4(const OneMail& mail, int id, MailUpdate& update);
    int StageAttachVer5(const OneMail& mail, const std::string& kind, int id, MailUpdate& update);
    int ReadAttachVer4(OneMail& mail);
    int ReadAttachVer5(OneMail& mail, const std::string& kind);
    // Decodes every row of the store's loaded list into its work folder and appends the
    // ones that decoded: 0, or -17 (8203) when some did not.
    int DecodeListed(std::vector<AttachData>& out);

    EnvManager* env_ = nullptr;
    CMailListViewer* mailList_ = nullptr;
    MailWriter mailWriter_;
    AttachWriter attachWriter_;
    std::string attachTempDir_;
    int mailID_ = kNoMail;
    CErrMsg err_;
};
