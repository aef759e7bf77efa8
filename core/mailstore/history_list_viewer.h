#pragma once
// HistoryListViewer: one mail's send history, "MAIL/<id>/hist<id>.dat": one row per
// recipient with six texts:
//   0 customer ID   1 state ("W" waiting to be (re)sent, "C" sent, "E" failed)
//   2 retry count (-1: never resend)   3 open flag ("Y"/"N")
//   4 Message-ID of the last sending   5 last send date "YYYY/MM/DD hh:mm:ss"
// It decides who gets a mail, who is retried and which bounce belongs to whom, so a lost
// row means a person mailed twice or never. Hence:
//  - Rows are held compactly and indexed by customer ID and by Message-ID (a later row of
//    the same customer wins, as in the file); look-ups never scan.
//  - A read that fails (other than "no file" and "empty file") leaves an empty history and
//    every write of it is refused (5205) until a good read or a new mail ID, so a partial
//    history never replaces the file.
//  - Progress between saves: RecordProgress appends the rows changed since the last save
//    or record to "hist<id>.jnl" beside the file (ProgressJournal); a read replays it, and
//    each whole-file save removes it. WriteHDataFromMemoryToFileByPace rewrites the file
//    only when SavePace says so (by time, and only once the journal has grown to the
//    file's size), so a run over a million recipients writes O(n) bytes and a crash never
//    forgets a recorded result.
//  - Sends in flight: a message may reach a recipient although its outcome never comes
//    back (a lost connection, no reply in time, a killed run). The send run marks the
//    recipient before each message (MarkSendPending), so that a later run knows how often
//    that person may have got it already; each mark is on the disk before its message
//    goes, flushed itself or reserved with the next ones by one flush (ReserveSends). The
//    marks and reservations live in the progress record only, as records of their own kind
//    (older readers skip them), and each whole-file save writes the open ones into a fresh
//    progress record: the history file's rows are unchanged.
//    A mark counts the messages that may have reached the person: it ends when the
//    recipient's row is recorded as sent or failed ("C", "E"); ClearSendPending takes back
//    only the attempt of a message that surely did not go out, so the doubt of an earlier
//    one outlives a refusal or a "try later" of the next (and a "W" row waiting for a
//    resend).
//  - Deferrals: the first time a server asked to try a recipient later (4xx) is kept the
//    same way (NoteDeferral), so that a deferral can end after a time however often the
//    program was restarted. It ends with any row recorded for the recipient.
//  - Counts: the attempts and failed attempts that GetNumOneMail counts are kept as rows
//    change (GetSendCounts), so a send run can show them after every recipient without a
//    scan of a million rows.
//
// Results: 0 (or a count) for success, a negative number for failure with the code
// recorded in GetErrMsg(), unless said otherwise. The file reads and writes hold the named
// mutex "HISTORY_LIST_VIEWER_MUTEX". One object is used by one thread at a time.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/foundation/err_msg.h"
#include "core/foundation/packed_row.h"
#include "core/mailstore/history_index.h"
#include "core/foundation/progress_journal.h"
#include "core/mailstore/recipient_records.h"
#include "platform/date_time.h"

class EnvManager;
class SystemOption;
class CMailListViewer;
class CDatabaseEdit;

// One history row as a record.
struct HistorySet {
    int customerID = 0;
    std::string state;
    int retryNum = 0;
    std::string openFlag;
    std::string messageID;
    platform::DateTime lastSendDate;
};

class HistoryListViewer {
public:
    static constexpr const char* kMutexName = "HISTORY_LIST_VIEWER_MUTEX";
    static constexpr int kElements = 6;
    enum Element : int { kCustomerID = 0, kState = 1, kRetryNum = 2, kOpenFlag = 3, kMessageID = 4, kLastSendDate = 5 };
    // System options: resending allowed ("Y"/"N") and the most resends per recipient.
    static constexpr int kOptionResend = 54;
    static constexpr int kOptionMaxRetry = 65;

    HistoryListViewer();
    // Bind in this order; a refusal records 5008 / 5009 / 5010 / 5012, is shown to the
    // user and ends construction with platform::UserException. The last form then selects
    // the mail (SetMailID with the check); its failure ends construction the same way.
    explicit HistoryListViewer(EnvManager* env);
    HistoryListViewer(EnvManager* env, SystemOption* options, RecipientRecords* book, CMailListViewer* mails);
    HistoryListViewer(EnvManager* env, SystemOption* options, RecipientRecords* book, CMailListViewer* mails, int mailID);
    HistoryListViewer(EnvManager* env, SystemOption* options, CDatabaseEdit* book, CMailListViewer* mails);
    HistoryListViewer(EnvManager* env, SystemOption* options, CDatabaseEdit* book, CMailListViewer* mails, int mailID);
    virtual ~HistoryListViewer() = default;
    HistoryListViewer(const HistoryListViewer&) = delete;
    HistoryListViewer& operator=(const HistoryListViewer&) = delete;

    // Set once: 1; 0 when one is bound already or the pointer is null. The environment is
    // passed on to the system options and the mail list bound so far (and to those bound
    // later).
    int SetEnvManager(EnvManager* env);
    int SetSystemOption(SystemOption* options);
    int SetDatabaseEdit(RecipientRecords* book);
    // The address-book store itself (seen through DatabaseEditRecords).
    int SetDatabaseEdit(CDatabaseEdit* book);
    int SetMailListViewer(CMailListViewer* mails);

    // Selects a mail and empties memory. -1 (5001) no environment; -11 (5011) no mail list;
    // -14 (5014) unless skipCheck, the ID is not in the mail list.
    int SetMailID(int mailID, int skipCheck = 0);
    int GetMailID() const { return mailID_; }
    int GetRecordNumber() const { return static_cast<int>(rows_.size()); }
    CErrMsg& GetErrMsg() { return err_; }

    // ---- File ------------------------------------------------------------------------------
    // Reads the file (key: the environment's; with keyGiven, `key`, null meaning none; an
    // unkeyed environment always without key), then replays the progress record.
    //  0; -1 (5001); -13 (5013) no mail ID; -27 (4207) keyed environment without a readable
    //  key; -21 (5201) no file; -22 (5202) empty file (both leave a usable empty history,
    //  unless the progress record holds rows: then 0); -23 (5203) malformed file;
    //  -99 (5999) the file cannot be read.
    int GetHDataFromFileToMemory(int keyGiven = 0, const char* key = nullptr);
    // Writes the file when something changed (WriteHDataFromMemoryToFile) or always
    // (…Compel), replacing it safely, then removes the progress record. -1 (5001), -13
    // (5013), -25 (5205) after a failed read, -27 (4207), -24 (5204) the save failed (file,
    // memory and changed flag as before).
    int WriteHDataFromMemoryToFile();
    int WriteHDataFromMemoryToFileCompel();
    // Writes all rows to another file with `key` (null: none), forced. 0, or -24 (5204).
    int WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key);

    // ---- Progress between saves ----------------------------------------------------------
    // Appends the rows changed since the last save or record to the progress record. 0;
    // -1, -13, -25, -27 as for writing; -26 (5206) the append failed (the rows stay pending).
    int RecordProgress();
    // RecordProgress, then the whole-file save when the pace says it is due: 1 saved, 0 not
    // due, negative as above.
    int WriteHDataFromMemoryToFileByPace();
    // The pace: at least `minSeconds` between saves, and a save only once the progress
    // record holds `ratio` times the file's size (at least `floorBytes`).
    void SetSavePace(int minSeconds, double ratio, std::uint64_t floorBytes = 64 * 1024);
    // Flush each appended batch to the disk (default on).
    void SetProgressSync(bool sync) { journal_.SetSync(sync); }
    // Whether batches appended without a flush may not be on the disk yet.
    bool HasUnflushedProgress() const { return journal_.HasUnflushed(); }
    // Flushes them: 0, or -26 (5206), after which the progress record takes nothing more
    // until the next whole-file save (ProgressJournal::Flush).
    int FlushProgress();
    // Bytes written by this object to the history file and its progress record.
    std::uint64_t GetWrittenBytes() const { return savedBytes_ + journal_.AppendedBytes(); }

    // ---- Sends in flight ---------------------------------------------------------------------
    // One more attempt of `customerID`, going out with `messageID`: made durable (after the
    // rows changed so far) before it returns, by a flush or by its reservation
    // (ReserveSends). 0; -1, -13, -25, -27 as for writing; -26 (5206) the progress record
    // could not be written (the mark is then not set).
    int MarkSendPending(int customerID, const std::string& messageID);
    // Reserves the next attempt of each of `customerIDs` (recipients a run is about to
    // send to), in one record flushed to the disk before it returns: 0, or as
    // MarkSendPending (nothing is then reserved). The mark of a reserved attempt is not
    // flushed on its own, so that a run flushes once per group of messages, not once per
    // message. What makes that safe: a reservation counts as the attempt when the history
    // is read after the machine restarted (another boot), since a power cut may have
    // taken the marks written after it; within the same boot the marks are all there
    // (a killed process loses nothing written) and the reservation counts for nothing.
    // A reservation a person never used counts after a power cut all the same, as one
    // attempt in doubt more than there was.
    int ReserveSends(const std::vector<int>& customerIDs);
    // Whether the next attempt of `customerID` is reserved (and so on the disk).
    bool IsSendReserved(int customerID) const { return reserved_.count(customerID) != 0; }
    // Forgets the reservations not used (the run is over); the next save leaves them out.
    void DropReservations();
    // Tests only: the boot the process takes itself to run in (empty: the system's), so
    // that a test can stage a power cut and the restart after it.
    static void SetBootIdForTesting(std::string id);
    // Takes back the attempt of message `messageID`, which surely did not go out (a
    // refusal, a "try later" before or at its end): the recipient's earlier attempts in
    // doubt stay. Nothing when the last mark is of another message. Recorded with the next
    // RecordProgress or save.
    void ClearSendPending(int customerID, const std::string& messageID);
    // Attempts of `customerID` whose outcome is unknown (0: none), and the Message-ID of
    // the last of them.
    int GetSendPending(int customerID, std::string* messageID = nullptr) const;
    // Whether the progress record carries anything over saves: a send in flight or a
    // deferral.
    bool HasSendsPending() const { return !pending_.empty() || !deferred_.empty(); }
    // Writes the rows changed since the last save or record to `path`, as bytes to append
    // to the progress record later (ProgressJournal::WritePendingTo), for a caller that
    // makes them count together with changes to other files (the receive run). The rows
    // then count as recorded. 0; -1, -13, -25, -27 as for writing; -26 (5206).
    int WriteProgressTo(const std::string& path);
    // The progress record's file ("hist<id>.jnl").
    std::string ProgressPath() const { return JournalPath(); }

    // ---- Deferrals -----------------------------------------------------------------------------
    // A server asked to try `customerID` later, at `now`: the time of the first such answer
    // since the recipient's last recorded row (`now` when this is the first). The time kept
    // is never replaced, not even by an earlier `now` (a clock set back): so a clock put
    // right again never finds the deferral older than it is. A new first time is recorded
    // with the next RecordProgress or save.
    platform::DateTime NoteDeferral(int customerID, const platform::DateTime& now);
    // The time of the recipient's first deferral; an invalid value when there is none.
    platform::DateTime GetFirstDeferral(int customerID) const;

    // ---- Rows --------------------------------------------------------------------------------
    // The row of a recipient, or -1.
    int DBID2RowNumber(int customerID) const;
    // Appends a row for a new recipient: 0; -7 (5007) already present; -13 (5013) no mail.
    int SetHDataFromStructToMemory(const HistorySet& row);
    // Rows first..last (both included, last clamped; a negative bound means all rows) into
    // `out` (emptied first): the number of records.
    int GetHDataFromMemoryToStruct(std::vector<HistorySet>& out, int first, int last) const;
    // One element; "" with 5004 (unknown recipient) or 5006 (element outside 0-5).
    std::string GetElementFromMemoryPinPoint(int customerID, int element);
    // -4 (5004), -6 (5006).
    int SetElementToMemoryPinPoint(int customerID, int element, const std::string& text);
    // set nonzero: write the value; zero: read it. -4 (5004) unknown recipient.
    int TransferState(int customerID, std::string& state, int set);
    int TransferRetryNum(int customerID, int& retryNum, int set);
    int TransferOpenFlag(int customerID, std::string& flag, int set);
    int TransferMessageID(int customerID, std::string& messageID, int set);
    int TransferLastSendDate(int customerID, platform::DateTime& date, int set);
    int RetryNumInc(int customerID);

    // ---- Queries -------------------------------------------------------------------------
    // 0 when the recipient may be resent. In this order: -2 (5002) no options, -3 (5003) no
    // address book, -4 (5004) unknown recipient, -42 (5402) record unreadable or deleted,
    // -15 (5015) option 54 unreadable, -43 (5403) option 54 "N", -44 (5404) state "C"
    // (unless skipState), -15 option 65 unreadable, -41 (5401) retry count at the limit,
    // -43 (5403) retry count -1.
    int CheckRetrySendOK(int customerID, int skipState);
    // Recipients to resend / that failed, in row order. -2, -3; -15 option unreadable.
    int GetRetryAddress(std::vector<int>& out);
    int GetErrorAddress(std::vector<int>& out);
    // Customer IDs of every row whose Message-ID equals `messageID` exactly (case counts),
    // in row order, through the Message-ID index. 0.
    int GetCustomerIDFromMessageID(const std::string& messageID, std::vector<int>& out);
    // Customer IDs in row order; validOnly: readable, with an address and not deleted;
    // sentOnly: state "C". -3 (5003) without the address book.
    int GetCustomerIDList(std::vector<int>& out, int validOnly, int sentOnly);
    void GetCustomerIDListNotDBE(std::vector<int>& out, int sentOnly) const;
    // Attempts, failed attempts, opened and recipients: 1; 0 (counts 0) without mail ID.
    int GetNumOneMail(int& attempts, int& failed, int& opened, int& recipients);
    // GetNumOneMail's attempts and failed attempts, kept as rows change (no scan).
    void GetSendCounts(int& attempts, int& failed) const;
    // GetNumOneMail's attempts, failed attempts and opened of mail `mailID`'s history as the
    // disk holds it (the file and its progress record), read without the address book. 0,
    // also for a mail without a history (nothing counted); the read's failure otherwise
    // (counts 0).
    static int CountsOnDisk(EnvManager* env, CMailListViewer* mails, int mailID, int& attempts, int& failed,
                            int& opened);

private:
    enum class ReadState { kUnread, kGood, kBad };
    int Fail(int code, int result) {
        err_.SetErr(code);
        return result;
    }
    std::string Path() const;
    std::string JournalPath() const;
    void Clear();
    // The row of a recipient with 5004 recorded when unknown (-1).
    int RowOf(int customerID);
    std::string_view Element(int row, int element) const { return rows_[static_cast<std::size_t>(row)].at(static_cast<std::size_t>(element)); }
    void SetRowElement(int row, int element, std::string_view value);
    void AppendRow(const std::vector<std::string_view>& values);
    int BindJournal();
    void Upsert(const std::vector<std::string_view>& values);
    void IndexMessageID(int row);
    void UnindexMessageID(int row);
    void RebuildIndexes();
    void SetCustomerRow(int customerID, int row);
    void MarkDirty(int row);
    // Adds the rows changed since the last record to the progress record's batch.
    void AddDirtyRows();
    // Applies one replayed record of a send in flight / of a deferral.
    void ApplyPendingRecord(const std::vector<std::string_view>& fields);
    void ApplyDeferralRecord(const std::vector<std::string_view>& fields);
    void ApplyReservationRecord(const std::vector<std::string_view>& fields);
    // A row of `customerID` was recorded in `state`: the sends in flight and the deferral
    // it ends.
    void RowRecorded(int customerID, std::string_view state);
    // The records of the open sends in flight and deferrals (`texts` holds their fields).
    std::vector<std::vector<std::string_view>> PendingRecords(std::vector<std::string>& texts) const;
    // What row `row` adds to GetNumOneMail's attempts and failed attempts, once for each
    // row of its customer.
    struct Tally {
        long long attempts = 0;
        long long failed = 0;
    };
    Tally Contribution(int row) const;
    // How many rows customer `customerID` has (a history from elsewhere may repeat one).
    int RowsOfCustomer(int customerID) const;
    // Sets the counts and the repeated customers from all rows.
    void RecountAll();
    int CheckWritable();
    int WriteFile(const std::string& path, const char* key, std::uint64_t* bytes);
    int Write(int compel);
    // Address-book state of a recipient: 0 live, 1 deleted or unreadable; address set
    // when wanted.
    bool RecipientLive(int customerID, std::string* address);
    int ReadOption(int index, std::string& out);

    EnvManager* env_ = nullptr;
    SystemOption* options_ = nullptr;
    RecipientRecords* book_ = nullptr;
    std::unique_ptr<DatabaseEditRecords> ownBook_;  // when bound to the store itself
    CMailListViewer* mails_ = nullptr;
    CErrMsg err_;
    int mailID_ = -1;
    int changed_ = 0;
    ReadState readState_ = ReadState::kUnread;

    std::vector<PackedRow> rows_;
    // Customer ID -> row (first).
    HistoryIndex customerIndex_;
    // Message-ID index: a hash of the text to the first and last row of a chain of rows
    // with that hash, in row order (next_, prev_); empty Message-IDs are not indexed.
    HistoryIndex messageHead_;
    std::vector<int> next_;
    std::vector<int> prev_;
    // Rows changed since the last save or record (dirtyMark_ per row).
    std::vector<int> dirty_;
    std::vector<char> dirtyMark_;

    // Recipients with sends in flight: attempts and the last Message-ID.
    struct PendingSend {
        int attempts = 0;
        std::string messageID;
        std::string earlierID;  // of the attempt before, for ClearSendPending
    };
    std::unordered_map<int, PendingSend> pending_;
    // Reserved attempts not marked yet: recipient -> the attempt's number.
    std::unordered_map<int, int> reserved_;
    // Recipients deferred since their last row: the time of the first deferral.
    std::unordered_map<int, platform::DateTime> deferred_;
    // GetNumOneMail's attempts and failed attempts, and the customers with more than one
    // row (how many rows beyond the first), kept as rows change.
    Tally tally_;
    std::unordered_map<int, int> repeats_;

    ProgressJournal journal_;
    SavePace pace_;
    std::uint64_t savedBytes_ = 0;
    std::uint64_t fileBytes_ = 0;  // the size of the file at the last read or save
};
