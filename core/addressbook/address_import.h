#pragma once
// CAddressImport: everything that brings address data into the address book from outside:
// delimited files with a column map chosen by the user, registration mails (a record's
// values between fixed tags in the body), and the files of other address-book, mail and
// shop programs, with a report of every rejected record.
//
// It works on the in-memory table of a CDatabaseEdit and never saves it whole itself
// (except when a run replaces the book): the caller saves the book afterwards. What a run
// changed is committed to the book's journal once, at its end (one ChangeGroup per run),
// so an import that returned outlives a crash. Every run holds the store's lock
// "DATABASE_EDIT_MUTEX" while it touches the table, and rebuilds the store's ID index on
// every way out, so the book is consistent whether a run ends normally, fails or is
// stopped. What waits for something
// outside the book (an outside converter program, a question to the user) happens before
// the lock is taken, so the send run and the screens are never held up by it.
//
// Binding follows the stores: set-once setters (1 when attached, 0 for null or when one is
// attached already). Failures record a code of the 10xxx family here and in the store's
// own error object.

#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "core/addressbook/import_progress.h"
#include "core/addressbook/one_customer.h"
#include "core/foundation/err_msg.h"

class CDatabaseEdit;
class EnvManager;

// The records a delimited-file import refused, for the user to fix and import again.
struct ImportRejection {
    int line = 0;       // 1-based number of the record's first line, counting every line
    std::string bytes;  // the record as the file holds it: its lines with their line ends, in the file's code
    // Why: phrases ending in "、" ("[メールアドレス](1列目)に不正なメールアドレスが設定されている、").
    // UTF-8, since they may name characters Shift_JIS cannot hold.
    std::string reason;
};
struct ImportRejections {
    bool utf8 = false;  // the file was read as UTF-8 (else Shift_JIS)
    std::string bom;    // the byte-order mark the file starts with ("" when none)
    std::vector<ImportRejection> records;
    // The error file: the byte-order mark, then every refused record byte for byte, so that
    // it reads in the same code as the file did and imports again once fixed.
    std::string FileBytes() const;
};
class ImportLineReader;
class OtherImportRun;
class SystemOption;

class CAddressImport {
public:
    CAddressImport() = default;
    CAddressImport(CDatabaseEdit* book, EnvManager* env, SystemOption* options);
    CAddressImport(const CAddressImport&) = delete;
    CAddressImport& operator=(const CAddressImport&) = delete;

    int SetDatabaseEdit(CDatabaseEdit* book);
    int SetEnvManager(EnvManager* env);
    int SetSystemOption(SystemOption* options);
    CErrMsg& GetErrMsg() { return errMsg_; }

    // ---- Delimited files ----------------------------------------------------------------
    // Imports `path` into the book. The file is read whole first (ImportRecords: a quoted
    // field may hold line breaks; a UTF-8 file is converted); the book changes only once
    // it has been read. Every byte of `separators` separates columns; `quote` quotes a
    // field (see SplitString). columnMap[e] is the column of record element e, or -1; only
    // columns present in a record are used. keepExisting 0 replaces the book: the new one
    // is built aside and put in place (and saved whole) only when the run completed; a run
    // that fails or is stopped leaves the book and its file exactly as they were, and a
    // stopped one returns 0 (new IDs still continue after the old book's largest ID).
    // A record whose mail address is in the book
    // (ignoring ASCII case, deleted records included, which are revived) updates it unless
    // duplicatePolicy is "2"; other records are added. Every rejected record goes to
    // `rejected` with its bytes and the reason (ImportRecords says which records are
    // rejected whatever their values; each value that does not fit its item is named);
    // the last line is read even without a line feed.
    // *count (may be null) follows the number of records added or updated. The stop flag
    // of the store ends the run after the current record. Returns that number, or:
    //  -12 (10001) no environment; -14 (10003) no system options; -17 (10403) element
    //  descriptors unreadable; -41 (10601) the file cannot be opened or read (the book is
    //  as it was); -42 (10009) no ID; -42 (10602) the table refused a row (when merging,
    //  rows stored before stay); -11 (10204) the result could not be written (a merge's
    //  rows stay in memory, unsaved; a replacing run leaves the book as it was).
    int ImportDBfromFile(const std::string& path, const std::string& separators, char quote,
                         const std::vector<int>& columnMap, int keepExisting, std::atomic<int>* count,
                         ImportRejections& rejected, const std::string& duplicatePolicy);
    // Line feeds in the file (up to a first 0xFF byte), for a progress bar; -41 (10601).
    int GetRecordNumFromImportFile(const std::string& path);

    // ---- Registration mails -----------------------------------------------------------------
    // Builds `record` from a decoded registration mail (Shift_JIS): the values between the
    // fixed tags (<EMAIL>...</EMAIL> and the like; line breaks in the body are ignored, the
    // first pair of a tag counts). The mail address must be there and valid. With strict 1
    // any unclosed or invalid tagged value fails too; otherwise such values are left out.
    // A whole-value tag (<ZIPCODE_3>, <PHONE_3> ...) replaces the split value, second part
    // included. 0, or -12 (10001), -14 (10003), -17 (10403), -43 (10801); on failure the
    // record holds the defaults of a new record.
    int ConvertEMailToOneCunstomer(const char* body, OneCustomer& record, int strict);
    int ConvertEMailToOneCunstomer(std::string_view body, OneCustomer& record, int strict);
    // The distinct mail domains of the book ("@" and what follows; an address without "@"
    // whole), compared exactly, in first-seen order; deleted records only with
    // withDeleted; at most `limit` entries when it is above 0. `domains` is emptied first.
    // Returns the number of entries.
    int GetDBElementGroupByForMailAddress(std::vector<std::string>& domains, int withDeleted, int limit);

    // ---- Other programs' files ------------------------------------------------------------
    // Common to the importers below: `progress` (required) is kept current while the run
    // goes on; the report file at `reportPath` is written afresh (start, source, rejected
    // and skipped records with their reasons, end status with both counts or the reason of
    // an abnormal end, end time). The result is the imported count, or negative. Rows
    // stored before an abnormal end stay in the book.
    // `mailMode` (advertising mail): new records "Y" for 1 and 3, else "N"; existing
    // records "Y" for 1, "N" for 2, else their stored flag.

    // A Quillary address book, through its converter: `converter` is the converter program
    // (empty: none configured); it is run without a shell as
    //   converter <source> /d:<work file> /Import /r:100000000
    // before the book is locked, and must write a CSV file whose second record holds the
    // column titles. -12, -14; -50 (10602) bad arguments; -52 the report cannot be created;
    // abnormal ends: -42 attribute A not text; -51 no converter, or it cannot be started,
    // fails, times out or is stopped (the stop flag of the store); -52 the converter's file
    // cannot be opened; -53 no title record or a title missing; -42 (10009, 10602).
    int ImportDBfromQLAFile(const std::string& source, const std::string& converter, const std::string& reportPath,
                            ImportProgress* progress, int mailMode);
    // Answers a question to the user: true for Yes. The GUI hands the question to its own
    // thread and waits for the answer; it is asked before the book is locked, so the GUI
    // thread may use the book meanwhile. Texts are Shift_JIS.
    using ImportQuestion = std::function<bool(const std::string& text, const std::string& caption)>;

    // A Becky! address book (CSV of 11 fields, records ended by CR LF). -12, -14; -55
    // bad arguments; -56 the report cannot be created; -66 the source cannot be opened.
    int ImportDBfromBeckyFile(const std::string& source, const std::string& reportPath, ImportProgress* progress,
                              int mailMode);
    // Tormask customer data (CSV with titles). duplicatePolicy: "2" keeps stored records,
    // "0" updates them only from a later "更新日時", else always. Without that column under
    // "0" the user is asked (`ask`; none counts as No) whether to overwrite everything: Yes
    // sets duplicatePolicy to "1", No ends the run with -98. -12, -14; -60 bad arguments;
    // -61 the report or the source cannot be opened; -62 no titles or a title missing.
    int ImportDBfromTormaskFile(const std::string& source, const std::string& reportPath, ImportProgress* progress,
                                std::string& duplicatePolicy, const ImportQuestion& ask);
    // Brindell customer data (37 columns with titles; 19 of them are extension items A to
    // S). With defineAttributes nonzero the items' names become the file's titles, and
    // their kinds the ones the shop uses, but kinds only while the book holds no live
    // record (the report says when they were kept); with it 0 and option 111 "Y", the
    // names of G to P. The kinds must then fit the shop's data, else -42. duplicatePolicy
    // as for Tormask. -12, -14; -65 bad arguments; -66 the report or the source cannot be
    // opened; -67 no title line, not 37 columns or a title missing.
    int ImportDBfromBuppanFile(const std::string& source, const std::string& reportPath, ImportProgress* progress,
                               const std::string& duplicatePolicy, int defineAttributes);
    // An Outlook Express address book exported as CSV (titles first; a quoted field may run
    // over lines). -12, -14; -70 bad arguments; -71 the report or the source cannot be
    // opened; -72 no title line, more than 29 titles or no mail-address title.
    int ImportDBfromOutLookFile(const std::string& source, const std::string& reportPath, ImportProgress* progress,
                                int mailMode);
    // One Outlook Express record into `fields` (emptied first): its number of fields; 0 at
    // the end of the file (*eof set) or for an empty line; -1 for a record that cannot be
    // read: a quoted field still open at the end of the file, or one that runs past
    // kMaxRecordLines lines or kMaxRecordBytes bytes (read no further; the next call starts
    // on the following line). Quoted fields end at a quote before a comma or at the end of
    // the text; other quotes are kept as they are, and the line breaks inside are dropped.
    static constexpr int kMaxRecordLines = 1000;
    static constexpr std::size_t kMaxRecordBytes = 1 << 20;
    static int ImportDBfromOutLookFileOneLineGet(ImportLineReader& file, std::vector<std::string>& fields,
                                                 int* eof);
    // An extension item's value by its kind: 1 number, 2 date (stored to the precision it
    // was given with), else as it is. 1 with the stored form in *out, or 0 with *out empty.
    static int ImportDBfromBuppanFile_EXTRAITEM_CHECK(const std::string& value, int dataType, std::string* out);

    // Time the converter may run (default 10 minutes; zero or less: no limit).
    void SetConverterTimeout(std::chrono::milliseconds timeout) { converterTimeout_ = timeout; }
    // The pause that shows "インポートを開始します" before the records (default one second).
    void SetStartPause(std::chrono::milliseconds pause) { startPause_ = pause; }
    // The report is one of the program's own files (the automatic import's log in the
    // environment's folder), not one the user named: it is opened as such (other_import_run.h).
    void SetReportIsProgramsOwn(bool own) { reportIsOwn_ = own; }

private:
    // Records `code` here and in the store; returns `result`.
    int Fail(int code, int result);
    // 0, or the failure of a missing environment (-12) or system options (-14).
    int CheckBound();
    // The start every import of another program's file shares: the progress block shows
    // `text`, then the bindings and the arguments are checked. 0, or the result to return
    // (badArguments with 10602 for a missing path or progress block).
    int StartRun(ImportProgress* progress, const std::string& text, const std::string& source,
                 const std::string& reportPath, int badArguments);
    // Ends a run abnormally with `reason`: `code` recorded (none for 0), the report closed.
    // Returns `result`.
    int EndRun(OtherImportRun& run, const std::string& reason, int result, int code);
    // Shows the start text for the pause, then the count.
    void ShowStart(ImportProgress& progress) const;

    CDatabaseEdit* book_ = nullptr;
    EnvManager* env_ = nullptr;
    SystemOption* options_ = nullptr;
    CErrMsg errMsg_;
    std::chrono::milliseconds converterTimeout_{std::chrono::minutes(10)};
    std::chrono::milliseconds startPause_{1000};
    bool reportIsOwn_ = false;
};
