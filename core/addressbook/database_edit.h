#pragma once
// CDatabaseEdit: the address book of one environment. It holds the whole of
// "DB/database.dat" in memory (56-element rows, stored compactly by CMyDB), keeps an
// index from customer ID to row, hands out new customer IDs, stores, marks deleted,
// restores and erases records, answers the queries of the screens and the send run, and
// writes the table back.
//
// The record operations never remove rows: deletion is a mark (element 53 "Y") and
// erasure blanks the row but keeps its ID, so a row number stays valid for the life of
// the table.
//
// Threads: every public operation holds the process-wide recursive mutex
// "DATABASE_EDIT_MUTEX" for its whole run (shared by every store object), so the send run,
// the screens' workers and the restore never see each other half-way. The ID index always
// equals what MakeIndex would build from the table; it is kept up to date per change
// (O(1) per store) and rebuilt inside the same lock hold as any reordering of the rows.
//
// Files: the environment's key comes from GetStoreKey; a keyed environment whose key
// cannot be had is refused, never coded with an empty key. A read that fails (damaged or
// cut-off record, unreadable file) is reported, and the store then refuses to save over
// that file, so a fragment never replaces the book. Saves are flushed to the disk before
// they replace the file, and a read removes the temporaries of saves that a killed
// process left.
//
// Durability: the book file is saved whole only when a caller asks (the windows do when
// they close), but every change to a book read by ReadCustomerList is on the disk when
// the operation that made it returns: the rows it changed are appended to the journal
// beside the book (book_journal.h) and flushed. Whatever changes the table - the record
// operations, the table members below, the merge of a backup - goes through it, so every
// writer (the editor, the list, the send and receive runs, the importers, the restore)
// gets it. A ChangeGroup lets a bulk operation commit its changes once, at its end. A
// change the journal cannot say row by row (rows removed, inserted or given another ID,
// the table emptied or replaced) is committed by a whole save instead, and so is a
// batch that would make the journal larger than a quarter of the book, which keeps both
// the journal and the replay of the next open small. ReadCustomerList replays the
// journal over the book it read; a whole save that reached the disk starts the journal
// afresh. A store that read its rows otherwise (a backup, a file named by the caller)
// keeps its changes in memory only, as before.
//
// Results follow the house rule: 0 or a count on success, a distinct negative number per
// failure, with a code of the 100xx family recorded in GetErrMsg().

#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/addressbook/book_journal.h"
#include "core/addressbook/one_customer.h"
#include "core/foundation/err_msg.h"
#include "core/foundation/my_db.h"
#include "core/foundation/string_array.h"
#include "platform/named_mutex.h"

class EnvManager;
class SystemOption;

// One customer ID, the element of the list GetDBForList fills.
struct CDbCustomerID {
    int customerID = 0;
    bool operator==(const CDbCustomerID&) const = default;
};

// A customer ID with the text of one element.
struct t_SORT_ITEM {
    int customerID = 0;
    std::string item;
    bool operator==(const t_SORT_ITEM&) const = default;
};

// Search direction of SearchCustomerOneElement.
enum Direction : int { kDirectionForward = 0, kDirectionBackward = 1 };

class CDatabaseEdit : public CMyDB {
public:
    static constexpr const char* kMutexName = "DATABASE_EDIT_MUTEX";
    // Draws of the customer-ID sequence tried before GetNewDBID gives up.
    static constexpr int kMaxIdDraws = 200;
    // Customer IDs are reserved from the sequence in blocks of this size, so that storing
    // many new records does not cost one durable sequence rewrite per record.
    static constexpr int kIdBlock = 256;

    CDatabaseEdit();
    // As above, then SetEnvManager (and SetSystemOption). A failure records 10002 (10004),
    // tells the user and throws platform::UserException.
    explicit CDatabaseEdit(EnvManager* env);
    CDatabaseEdit(EnvManager* env, SystemOption* options);
    ~CDatabaseEdit() override;
    CDatabaseEdit(const CDatabaseEdit&) = delete;
    CDatabaseEdit& operator=(const CDatabaseEdit&) = delete;

    // 1 when attached; 0 for null or when one is attached already (the first stays).
    // Whichever comes second hands the environment on to the system options.
    int SetEnvManager(EnvManager* env);
    int SetSystemOption(SystemOption* options);

    // ---- File -------------------------------------------------------------------------
    // Reads the environment's "DB/database.dat" and replays its journal over it (the book
    // then holds unsaved changes when the journal gave any): the number of rows, or
    //  -2 without an environment; -3 when the table's element count is not 56;
    //  -27 (4207) keyed environment without a readable key (nothing read);
    //  the table's own negative result (no file, damaged or cut-off record ...; kErrOpen
    //  when the journal exists but cannot be read): the book is then empty and refuses to
    //  save over its file until a read succeeds.
    // A file that holds no record is an empty book (0). When the book file cannot be read a
    // second time for the journal's check (10202), the journal cannot be read (10205), or
    // damage hides which book the journal extends (10203), the result is kErrOpen with the
    // reason in GetErrMsg, and the journal is left as it is. Damage the open could read past
    // is told by GetJournalDamage; the book is then saved whole.
    int ReadCustomerList();
    // After ReadCustomerList refused with 10203 (damage hides which book the journal
    // extends): moves the journal aside whole (BookJournal::SetAside), so that the next
    // ReadCustomerList opens the book as last saved, without the changes the journal held.
    // 0 with `kept` (where its bytes are now); -1 with errno when it cannot be moved, or
    // when the last read did not end so (the journal is then in use or fine).
    int SetJournalAside(std::string& kept);
    // What damage in the journal cost the last ReadCustomerList (found false: none).
    const BookJournal::Damage& GetJournalDamage() const { return journalDamage_; }
    // Empties the table and reads `path` with `key` (null: default coding); the table's
    // path stays `path`, and its changes are no longer journaled. The index is rebuilt.
    // Rows, -3, or the table's negative result.
    int ReadFromFileToMemoryAppointFileName(const std::string& path, const char* key);
    // Writes the table to its file when it holds unsaved changes: 0, or -11 (10204) when
    // the write fails, the key cannot be had or the file could not be read whole.
    int WriteFromMemoryToFile();
    // Writes the whole table to `path` with `key`, changed or not; the table's own path is
    // kept. The journal records that the copy was made (should it later be put in place of
    // the book, the changes made after it are replayed over it). 0, or -11 (10204).
    int WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key);

    // Groups the changes made while it lives (by any member, on this thread) into one
    // commit, at Commit or at its end, instead of one per operation. It holds the store's
    // lock throughout, so no other thread's change waits in it. Groups nest; the outermost
    // commits.
    class ChangeGroup {
    public:
        explicit ChangeGroup(CDatabaseEdit& book);
        ~ChangeGroup();  // commits when Commit was not called
        ChangeGroup(const ChangeGroup&) = delete;
        ChangeGroup& operator=(const ChangeGroup&) = delete;
        // 0 when the group's changes are on the disk (or left to the enclosing group, or
        // the book is not journaled); -1 with 10204 when they could not be written (they
        // stay in memory, unsaved). Later calls return the same.
        int Commit();

    private:
        CDatabaseEdit& book_;
        std::unique_lock<platform::NamedMutex> lock_;
        bool open_ = true;
        int result_ = 0;
    };

    // Holds back the commits of the changes that the thread which made it makes while it
    // lives (outside ChangeGroups of their own too), so that a run that changes the book
    // record by record as it goes (the receive run) puts them on the disk once, when it
    // chooses (Commit), without holding the store's lock in between. Another thread's
    // commit may take them to the disk earlier, which is harmless: rows are stored whole.
    // At its end it commits what is left. One at a time per store.
    class DeferredCommits {
    public:
        explicit DeferredCommits(CDatabaseEdit& book);
        ~DeferredCommits();
        DeferredCommits(const DeferredCommits&) = delete;
        DeferredCommits& operator=(const DeferredCommits&) = delete;
        // 0 when every change made so far is on the disk; -1 with 10204 when not (they
        // stay in memory, unsaved, for the next commit).
        int Commit();

    private:
        CDatabaseEdit& book_;
    };

    // ---- Records ------------------------------------------------------------------------
    // Fills `record` with the defaults of a new record when `init` is nonzero. 0.
    int GetOneCustomerForNew(OneCustomer& record, int init);
    // The record of customer `id`: 0; -3 (10006) when unknown (record left at defaults).
    int GetOneCustomerForEdit(OneCustomer& record, int id);
    // Adds (ID -1: a new ID is drawn and written into the record) or replaces a record.
    // With writeFile nonzero the book is saved whole, else the change is journaled.
    //  -12 (10001) no environment; -9 (10009) no new ID (the record keeps -1);
    //  -3 (10006) unknown ID; -10 (10010) the table refused the row;
    //  -11 (10204) the save or the journal could not be written (the change stays in
    //  memory, unsaved; the record holds its ID).
    int SetOneCustomerInfo(OneCustomer& record, int writeFile);
    // Appends the record unchanged (own ID and dates, postal code as it is). 0, -12, -10.
    int SetOneCustomerInfoForRepair(const OneCustomer& record);
    // Mark deleted / live again / erase (blank row keeping ID and entry date, address
    // empty, flags "N", "N", deletion mark "Y"). Journaled, not saved whole. 0 or the
    // failing step's result.
    int DeleteCustomer(int id);
    int UnDeleteCustomer(int id);
    int PhysicalDeletion(int id);

    // A customer ID not in use, drawn from "DB/dbseq.dat" (at most 200 draws): the ID, or
    // -9 (10009).
    int GetNewDBID();
    // The row of an ID, or -1.
    int DBID2RowNumber(int id);
    // Rebuilds the index from the table (a later row with the same ID wins). Changes made
    // through a CMyDB reference (bypassing this class) must be followed by it.
    void MakeIndex();
    // The largest ID the index has met since construction (-1 when none).
    int GetMaxDBID() const { return maxDBID_.load(); }
    // Counts the changes made to the rows (by any member); equal counts mean no row changed
    // in between.
    std::uint64_t GetChangeCount() const { return changes_.load(); }
    CErrMsg& GetErrMsg() { return errMsg_; }
    // Set by the screens (any thread), polled by the importers.
    void SetStopImportFlag(int flag) { stopImport_.store(flag); }
    int GetStopImportFlag() const { return stopImport_.load(); }

    // ---- Element descriptors and the work row --------------------------------------------
    // Descriptors of the elements selected by a mask of 56 "0"/"1": 0, or -12 (10001),
    // -14 (10003), -15 (10401) wrong length, -16 (10402) other character, -17 (10403) an
    // extension item's name or type unreadable (descriptors so far stay).
    int Get_DBElementInfo(std::vector<DB_Element_Info>& out, const std::string& mask);
    void InitOneCustomerTemp();
    // 0, or -2 (10005) for an element outside 0-55.
    int SetElementOneCustomerTemp(const std::string& text, int element);
    int SetOneCustomerTemp(int element, const std::string& text) { return SetElementOneCustomerTemp(text, element); }
    // The element's text; empty outside 0-55.
    std::string GetOneCustomerTemp(int element);

    // Every "-" removed from *in into *out. 0.
    static int HyphenCut(const std::string* in, std::string* out);

    // First lines of an import file for the column-mapping screen: without their CR/LF,
    // empty lines skipped but counted; count -1 reads all. The number of lines, -41
    // (10601) when the file cannot be opened, -1 on a read error.
    int LoadSampleLine(const std::string& path, std::vector<std::string>& lines, int count);

    // ---- The table -------------------------------------------------------------------------
    // CMyDB's members that read or change rows, under the store's lock. Every change made
    // through them keeps the ID index and the per-row summary in step (appending and
    // replacing in O(1); an ID change, insertion, removal, sort or read rebuilds them), so
    // importers and the restore may work on rows directly. Their changes are committed
    // like the record operations' (outside a ChangeGroup, each call on its own; a failed
    // commit returns kErrWrite with the change made in memory). A sort changes no row and
    // is left to the next whole save.
    void Init();  // empties the table, keeps 56 elements
    // Reads the table's own path as it is (no journal replayed; changes are no longer
    // journaled).
    int ReadDBFile(const char* key);
    int AddLine(const XCStringArrayEx& line);
    int SetAtLine(int index, const XCStringArrayEx& line);
    int SetAtLineGrow(int index, const XCStringArrayEx& line);
    int InsertAtLine(int index, const XCStringArrayEx& line);
    int RemoveLine(int index);
    int RemoveLinesFrom(int count);
    int RemoveAll(int mark);
    int SetAtElement(int line, int column, const std::string& text);
    int SetAtElement(int line, int column, const char* text);
    int SetAtElement(int line, int column, int number);
    int SetAtElement(int line, int column, const platform::DateTime& dateTime);
    int Sort(int column, int dataType, int ascending);
    int SetSizeDBArray(int n);
    int GetLineNumber() const;
    XCStringArrayEx GetAtLine(int index) const;
    int GetAtLine(int index, XCStringArrayEx& out) const;
    XCStringArrayEx operator[](int index) const { return GetAtLine(index); }
    std::string GetAtElement(int line, int column) const;
    int GetAtElement(int line, int column, std::string& out) const;

    // ---- Queries --------------------------------------------------------------------------
    // One element of one record: 0; -2 (10005) element outside 0-55; -6 (10006) unknown ID.
    int GetOneCustomerDataPinPoint(std::string& out, int element, int id);
    // The same without an error code: 0, -2 bad element, -1 unknown ID (out untouched).
    int GetCustomerDataPinPoint(int id, int element, std::string& out);
    std::string GetCustomerDataPinPoint(int id, int element);
    // 1 when the ID is stored and live (or includeDeleted is set), else 0.
    int FindCustomerID(int id, int includeDeleted);

    int GetDBIDWithoutDelete(std::list<int>& ids);
    int GetDBIDWithoutDelete(std::vector<int>& ids);
    int GetDBCountWithoutDelete();
    int GetDeleteCustomerList(std::vector<int>& ids);
    int GetDBIDALL(std::vector<int>& ids);
    // Live records with from <= ID <= to; a bound of -1 (either) means no range.
    int GetDBForListSize(int from, int to);
    // Their IDs written to (*list)[0], [1] ...; the array grows when it is too short for
    // them (a record may have been added since the size was taken). Returns the count.
    int GetDBForList(std::vector<CDbCustomerID>* list, int from, int to);
    // The largest ID among live records, 0 when none.
    int GetMaxDBIDOnlyExisting();
    // {ID, element text} of every live record: the count, or -2 (10005).
    int GetDBID2Item(int element, std::vector<t_SORT_ITEM>& items);
    // Distinct values of one element in first-seen order (exact comparison, the empty value
    // counts); deleted rows skipped unless includeDeleted; stops at `maximum` values when
    // it is above 0. The count, or -2 (10005).
    int GetDBElementGroupBy(int element, std::vector<std::string>& values, int includeDeleted, int maximum);

    // The ID of the next record (from the row after startID's, or from the first for -1)
    // whose element equals text ignoring ASCII case; deleted records included. -1 when
    // none; -2 (10005) element, -6 (10006) unknown start, -7 (10007) direction, -99 (10999).
    // Backward walks from the row before startID's (the last row for -1).
    int SearchCustomerOneElement(int element, const std::string& text, int startID, int direction);
    // Puts the rows of `fresh` in place of this book's in one step (`fresh` receives the
    // old rows) and saves the book whole. When the save fails the rows are exchanged back:
    // the book is then exactly as it was. Inside a ChangeGroup the save is the group's.
    // 0; -10 the element counts differ; -11 (10204) the save failed.
    int ReplaceRowsWith(CDatabaseEdit& fresh);
    // Orders the rows by customer ID (ascending, as numbers, stable) and rebuilds the index,
    // in one lock hold: no reader ever sees rows and index disagree.
    int SortByCustomerID();
    // Appends the records of `other` that this book lacks (by ID and by mail address,
    // ignoring ASCII case, deleted records included). `restored` receives the IDs merged;
    // `skipped` the IDs not merged because their address is in use here while their own ID
    // is not (a record already present under its own ID is neither). Both lists are
    // appended to. The rows are appended unchanged and indexed, and committed together.
    // The number merged; -10 (10010) a row refused; -11 (10204) the commit failed. On
    // either failure the rows merged are taken back out (and not listed in `restored`):
    // the book is as it was, in memory and on the disk.
    int RestoreFromOtherDBE(CDatabaseEdit& other, std::vector<int>& restored, std::vector<int>& skipped);

protected:
    using Lock = std::lock_guard<platform::NamedMutex>;
    platform::NamedMutex& Mutex() { return mutex_; }

private:
    // Tells the user `code`'s message and throws (constructors).
    [[noreturn]] void FailConstruction(int code);
    std::string DatabasePath() const;
    // 0 and key set; -1 no environment; -2 keyed but unreadable.
    int KeyFor(std::string& key, bool& keyed) const;
    void SetOneCustomer(OneCustomer& record, int row);
    // Stores the work row at `row`, or appends it for -1. 0 or -10 (10010).
    int StoreWorkRow(int row);
    // Takes row `row`'s ID and deletion mark into the summary and the index (a later row
    // of the same ID keeps the index).
    void NoteRow(int row);
    // After a change of element `column` of row `line`.
    void NoteElement(int line, int column);
    // Row `row` changed (its ID unchanged): its ID waits for the next commit.
    void NoteChanged(int row);
    // Removes the rows from `count` on that were appended since the last commit and never
    // reached the disk (their IDs no longer wait for a commit), and rebuilds the index.
    void TakeBackRowsFrom(int count);
    // The rows changed in a way the journal cannot say row by row.
    void NoteReshaped() {
        ++changes_;
        reshaped_ = true;
    }
    // Makes the changes since the last commit durable (journal or whole save): 0 or -1.
    int CommitChanges();
    // Writes the table to its file (only when it holds unsaved changes unless `compel`);
    // after a write the journal starts afresh. 0 or -11 (10204).
    int WriteBook(bool compel);
    // What a whole save of the book calls just before its file replaces the book: the
    // journal names that file (BookJournal::MarkSave). Null without a journal.
    BeforeReplace MarkSaveInJournal();
    // Binds the journal for the book just read from `path` and replays it. The rows
    // applied, or -1 when the journal cannot be read.
    int OpenJournal(const std::string& path, const char* key);
    void ApplyJournalRow(const std::vector<std::string_view>& elements);
    // Stops journaling (the table no longer holds the book as its file and journal say).
    void DropJournal();
    std::string JournalPath() const;
    int RowOf(int id) const;
    bool IsLiveRow(int row) const { return rows_[static_cast<std::size_t>(row)].live; }
    int IdOfRow(int row) const { return rows_[static_cast<std::size_t>(row)].id; }
    int Rows() const { return static_cast<int>(rows_.size()); }

    // What the queries need of every row without reading its texts.
    struct RowSummary {
        int id = 0;
        bool live = true;
    };

    XCStringArrayEx oneCustomerTemp_;
    CErrMsg errMsg_;
    std::unordered_map<int, int> index_;
    // The unused rest of the last block of customer IDs reserved from the sequence.
    int idBlockNext_ = 0;
    int idBlockEnd_ = 0;
    std::vector<RowSummary> rows_;
    std::atomic<int> maxDBID_{-1};
    EnvManager* env_ = nullptr;
    SystemOption* options_ = nullptr;
    std::atomic<int> stopImport_{0};
    // A file whose read failed (damaged, cut off, unreadable, or no key): saving the table
    // over it is refused until a read of it succeeds.
    std::string unreadablePath_;
    // The table held unsaved changes when a copy was written elsewhere (which clears the
    // table's changed flag): the next plain write must still save them.
    bool pendingSave_ = false;
    // Journaling (bound only for a book read by ReadCustomerList): the IDs of the rows
    // changed since the last commit, a change that needs a whole save, the depth of the
    // open ChangeGroups, and when a journal has grown too large to keep.
    BookJournal journal_;
    BookJournal::Damage journalDamage_;
    std::unordered_set<int> pendingIds_;
    bool reshaped_ = false;
    int groupDepth_ = 0;
    std::thread::id deferring_;  // the thread whose commits wait for its DeferredCommits
    SavePace journalPace_;
    std::uint64_t fileRows_ = 0;  // rows of the book file as last read or saved whole
    std::atomic<std::uint64_t> changes_{0};
    mutable platform::NamedMutex mutex_{kMutexName};
};
