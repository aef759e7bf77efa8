#pragma once
// BookJournal: the address book's record of the rows changed since its last whole save,
// "DB/database.jnl" beside "DB/database.dat".
//
// Why: a whole save of a million-record book takes most of a second, so the book is saved
// whole only now and then (when its windows close); yet a record that the user saved, or
// that a send or receive run changed, must outlive a crash the moment the program says it
// is done. So every change is appended here as the row it left, and flushed to the disk,
// before the operation returns; the next open reads the book and replays this journal over
// it; a whole save that reached the disk starts the journal afresh.
//
// File: a ProgressJournal (progress_journal.h) tagged "OMBREL-ADDRESS-JOURNAL", "1", coded
// with the book's own key, so it keeps exactly the secrecy of the book. Its records:
//   B <batches> <rows>  the start of a batch, with the batches and rows (U records) the
//                       file held before it (bare "B" in journals of older versions, and
//                       after damage whose extent was not known); so the changes that
//                       damage took are counted exactly
//   A <file>            the version of the book file the journal extends (first; a later
//                       A begins the journal again, when a file could not be removed)
//   U <56 elements>     a row as it is now; its customer ID (element 0) says which row
//   C <file>            a whole copy of the table was written here to a file of this version
//                       (also by a whole save, just before its file replaces the book)
//   E <n>               the end of a batch of n records (B and E not counted)
// Every append is one batch. A batch applies whole or not at all: a crash in the middle of
// an append (a torn or missing E, a record short or damaged) leaves none of it, and the
// open cuts it off the file. Rows are stored whole, so replaying a row the book already
// holds is harmless, and a batch applies safely without an earlier one that was damaged.
//
// Damage (a byte changed on the disk) costs only the batches it is in: the open reads on
// past it, applies every whole batch after it, keeps the damaged journal's bytes in a copy
// beside it and says how many changes could not be read (or, where damage hid a stretch
// of unknown extent, that an unknown number could not). A record that a changed byte left
// recognisable (the next B, the A naming the book read, the E of the batch read, the tag)
// costs nothing. The A and C records name the
// book that the rows extend; they count wherever they can be read, also in a damaged
// batch. Should damage hide them while whole batches follow (before any marker, or where
// an A may have stood while the last A read names another book), the open refuses and
// leaves the journal as it is: replaying rows over a book they may not belong to could
// undo a restore.
//
// Versions: "<size>:<digest of the bytes>" of the file, "-" for no file. Any other
// content (a whole save renamed over the book, a restore or a copy put in its place) gives
// another version, so a journal never replays over a book it was not written for; the
// same content keeps it wherever it goes (an environment copied elsewhere with its
// journal, a file whose time was changed). Replay applies the batches after the last
// marker (A or C) naming the file that was read, and drops a journal that names none. The C marker is what lets a copy that
// another writer later renames over the book (the receive run's staged save) take the
// changes made after the copy was written, and no others. It is written with the next
// batch, ahead of its rows: until then the copy holds everything the journal would say.
//
// Not thread-safe: the book calls it under its own lock.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/progress_journal.h"

// The version of the file at `path` as described above (read whole); "-" when there is
// none, and an empty text (equal to no version) when it cannot be read (errno tells why).
std::string BookFileVersion(const std::string& path);

class BookJournal {
public:
    static constexpr const char* kTag = "OMBREL-ADDRESS-JOURNAL";
    static constexpr const char* kFormat = "1";

    // Binds to `path`, coded with `key` (null: the default coding). Nothing is read yet.
    void Bind(const std::string& path, const char* key);
    void Unbind();
    bool IsBound() const { return file_.IsBound(); }
    // True when the journal is coded with `key` (null: the default coding).
    bool CodedWith(const char* key) const;
    // The book is now coded with `key`: so is the journal from now on. A journal file still
    // there was written in the old key; a batch in the new key after it would make the
    // whole file unreadable at the next open, so nothing is appended to it (Commit and
    // MarkSave fail) until Restart removes it or puts a file begun in the new key over it.
    void Rekey(const char* key);

    // What damage cost a replay.
    static constexpr int kUnknownLoss = -1;
    struct Damage {
        // The journal held damage, or a tail cut off with records in it that read whole
        // (not a mere torn tail).
        bool found = false;
        // Rows in the batches that it kept from applying, exactly (never fewer), or
        // kUnknownLoss where that cannot be known (damage hid a stretch of unknown extent).
        int lostChanges = 0;
        std::string keptCopy;  // where the damaged journal's bytes were kept
    };
    // Results of Replay besides the rows applied.
    static constexpr int kUnreadable = -1;  // the journal cannot be read or put in order
    static constexpr int kUnplaced = -2;    // damage hides which book its batches extend

    // Replays the journal over a book just read from a file of `version`: `apply` gets
    // the 56 elements of every row of the whole batches after the last marker naming that
    // version, in order. A journal that names another version (the book was replaced since)
    // is removed. Afterwards the journal extends `version`. Result: the number of rows
    // applied; kUnreadable when the journal exists but cannot be read (or `version` is
    // empty: a book that could not be read is not judged), kUnplaced as above; in both
    // cases the journal is left exactly as it was. `damage` (when given) tells what damage
    // cost.
    int Replay(const std::string& version, const std::function<void(const std::vector<std::string_view>&)>& apply,
               Damage* damage = nullptr);

    // True when a batch appended now would be replayed over a book file of `version`.
    bool Extends(const std::string& version) const;
    // BookFileVersion of the book at `path`, read again only when the file's device, inode,
    // size or times changed since the last call (a commit asks at every change).
    std::string VersionOfBook(const std::string& path);

    // The way out of a journal that cannot be placed (kUnplaced): the journal file at
    // `path` is moved aside whole, to its first free ProgressJournal::DamagedCopyPath
    // ("<path>.damaged", "<path>.damaged2" ...), so that the book opens as last saved and
    // the bytes stay for whoever can make sense of them. 0 with `kept` set; -1 (errno set)
    // when it cannot be moved (it then stays where it was). Nothing there: 0, `kept` empty.
    static int SetAside(const std::string& path, std::string& kept);

    // A whole save is about to rename the file at `temp` over the book: when there is a
    // journal file, a batch of a C record naming that file's version is appended and
    // flushed first, so that a journal the save then fails to remove (or a process killed between
    // the rename and the removal) says on the disk that its batches so far are in that
    // file and that what follows extends it. The next open then never has to tell from an
    // A that damage may have hidden which book the journal extends. 0 (also when there is
    // no journal), or -1 when it cannot be appended (nothing of it counts; the save may go
    // ahead all the same, as before this mark existed). The version is remembered for
    // VersionOfBook, which then need not read the book again after the rename.
    int MarkSave(const std::string& temp);

    // The book was saved whole (its file is now of `version`): the journal file is
    // removed and the next batch starts a new one. 0, or -1 when it cannot be removed
    // (batches go on after it). After Rekey, a file that cannot be removed is replaced by
    // one begun in the new key; -1 when that fails too (no batch goes after the old one).
    int Restart(const std::string& version);

    // Adds a row (its 56 elements) to the batch being built.
    void AddRow(const std::vector<std::string>& elements);
    // A whole copy of the table was written to a file of `version`: the next batch says so
    // first (and a book found to be that copy is extended from then on).
    void NoteCopy(const std::string& version);
    // Appends the batch with its end record and flushes it to the disk: 0, or -1 (nothing
    // of it counts; the batch is dropped, the file keeps whole batches only; also while the
    // file is in an old key, see Rekey).
    int Commit();
    // Drops the batch being built.
    void Discard();
    std::size_t BatchRecords() const { return batch_; }

    // The journal file's size in bytes (0 when there is none).
    std::uint64_t Size() const { return file_.Size(); }
    const std::string& GetPath() const { return file_.GetPath(); }

private:
    // Begins a batch when none is being built: its B, the A of a journal not begun yet, and
    // the copies written since the last batch.
    void BeginBatch();
    void Add(const std::vector<std::string_view>& fields);

    ProgressJournal file_;
    std::string key_;
    bool keyed_ = false;
    // The versions a replay would apply a new batch over: the file's A and every C after
    // it. Before the first batch, only `base_`, which that batch writes as its A.
    std::vector<std::string> bases_;
    std::string base_;
    std::vector<std::string> copies_;  // copies written since the last batch
    bool started_ = false;  // the file holds its A record
    bool oldKey_ = false;   // the file (if any) was written in a key since replaced (Rekey)
    std::string bookKey_, bookVersion_;  // the last VersionOfBook, and the file state it was of
    // The file the last MarkSave named: its state but for the change time (which the
    // rename over the book changes), and its version.
    std::string savedKey_, savedVersion_;
    std::size_t batch_ = 0;
    std::size_t batchRows_ = 0;  // U records in the batch being built
    // The batches and rows the file holds, which the next B says; unknown after damage
    // whose extent could not be told (then the B goes bare).
    bool numbered_ = false;
    long long fileBatches_ = 0;
    long long fileRows_ = 0;
};
