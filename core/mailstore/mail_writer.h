#pragma once
// MailWriter: the file that holds all variants of one mail, "MAIL/<id>/mail<id>.dat": one
// row per terminal type (row n is TermType n; rows 5 and 6 are kept like the others), two
// elements per row, the subject and the body. The one-mail maker stores and loads whole
// mails through it; the send run reads the subject and body of a recipient's terminal type.
//
// Limits: a subject of more than 128 bytes or a body of more than 10240 bytes is stored all
// the same and flagged with 12009 (HTML bodies with inline images are always longer).
//
// A mail that exists (an ID of 0 or more) but whose body file is missing loads as empty
// rows and fails with 12203: a lost body file must not turn into an empty mail that the
// send run sends. A damaged file (malformed records, a wrong element count) fails with
// 12201, leaves no rows and is never saved over until a load of it succeeds.
//
// Loading a mail first finishes or undoes an update of it that a killed process left
// (mail_update.h); the one-mail maker stores whole mails through such updates.
//
// Results are 1 for success and 0 for failure unless said otherwise; the failure's code is
// recorded in GetErrMsg().

#include <string>

#include "core/foundation/err_msg.h"
#include "core/foundation/record_table.h"
#include "core/mailstore/x_email.h"

class EnvManager;

class MailWriter : public BaseRecordStructer {
public:
    static constexpr int kSubjectLimit = 128;
    static constexpr int kBodyLimit = 10240;

    MailWriter();
    // SetTermNum (12004) and SetEnvManager (12002); a refusal is shown to the user and
    // ends construction with platform::UserException.
    MailWriter(EnvManager* env, int termNum);
    ~MailWriter() override = default;
    MailWriter(const MailWriter&) = delete;
    MailWriter& operator=(const MailWriter&) = delete;

    // Set once: 1; 0 when already set or the argument is null / not positive.
    int SetTermNum(int n);
    int SetEnvManager(EnvManager* env);

    // Loads mail `id` (key: the environment's, or `key` when keyGiven is set; an unkeyed
    // environment always reads without key), or prepares a new mail in memory for id -1.
    // Either way the table ends with at least the terminal count of rows.
    //  0 with 12005 (id below -1), 12001 (no environment), 12003 (no terminal count),
    //  4207 (keyed environment without a readable key), 12201 (damaged file, or an
    //  interrupted update of the mail that cannot be finished: no rows),
    //  12203 (the body file of an existing mail is missing: empty rows).
    int SetMailFromFile(int id, int keyGiven, const char* key);

    // Element 0 (subject) or 1 (body) of a terminal type's row (0-6); empty with 12007 /
    // 12008 for a bad element / type.
    std::string GetMailElement(int element, int termType) const;
    int GetMailElementLength(int element, int termType) const;
    // Replaces both texts of a row: 0 (also when a limit is exceeded: 12009 recorded);
    // -2 when there is no such row.
    int SetMailRecordToMemory(const std::string& subject, const std::string& body, int termType);
    // Gives a new mail (ID -1) its ID: 1; 0 with 12006 when the mail is not new, 12005 for
    // a negative ID.
    int SetNewMailID(int id);
    // Saves all rows to the mail's file (replaced safely): 1; 0 with 12006 while the mail
    // has no ID, 4207 without a readable key, 12202 when the save fails.
    int WriteMailAllTypeToFile();
    // Saves all rows to another file with `key` (null: no key): 1, or 0 with 12202.
    int WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key);

    int GetMailID() const { return mailID_; }
    int GetTermNum() const { return termNum_; }
    CErrMsg& GetErrMsg() { return err_; }
    // Kept for callers that test whether a mail's body file exists.
    bool IsBodyFileMissing() const { return err_.GetLastCode() == 12203; }

private:
    int Fail(int code) {
        err_.SetErr(code);
        return 0;
    }
    std::string PathOf(int id) const;
    void FillRows();

    int termNum_ = 0;
    int mailID_ = -2;
    EnvManager* env_ = nullptr;
    std::string path_;
    mutable CErrMsg err_;  // getters record their refusals too
};
