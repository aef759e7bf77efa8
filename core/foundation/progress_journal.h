#pragma once
// ProgressJournal: an append-only record of the changes made to a record file between two
// whole-file saves. A send run to a million recipients cannot rewrite its history after
// every few messages, nor the address book its million rows after every edit (that is
// quadratic in bytes); instead each change is appended here as it happens and the whole
// file is rewritten only now and then (SavePace). On open the owner loads the file and
// replays the journal over it, so a crash between two saves forgets nothing that was
// recorded. After a successful whole-file save the owner removes the journal.
//
// File: the first record is a tag naming what the journal belongs to; every further record
// is a list of fields ending with a checksum of them. Records use the record-file syntax
// and coding of the owner's key, so the journal keeps the same secrecy as the file. A
// record is whole only with its line end outside quotes, so a cut anywhere inside it (even
// after a line break inside a quoted field) reads as torn, never as a shorter record; the
// checksum catches damage. Records must be idempotent (the owner stores whole rows, not
// increments), since a journal may be replayed over a file that already holds its changes
// (a crash between the save and the removal).
//
// Units: an owner that needs several records to count as one (a batch) says at replay
// where its units end; a record on its own is a unit of one.
//
// Torn tail and damage: a crash can only cut the end of the file, so what follows the last
// whole unit and reaches the end of the file without reading whole (a record cut off in
// the middle, the zeros a power loss leaves) is a torn tail: replay cuts it off before
// anything new is appended; should it hold records that read whole, they are kept in a
// copy first, as damage is. A record whose fields and checksum read whole up to its
// closing quote is whole whatever became of the line end after it. Anything else that does not read (a byte changed on the disk:
// a record whose checksum fails, a quote that joins the lines after it into one record) is
// damage: replay reads on from the next line, so every whole unit after it still counts,
// tells the owner, and keeps a copy of the journal's bytes beside it (DamagedCopyPath)
// before the file is changed at all. A journal is never shortened past a whole unit.
//
// Appends: a batch reaches the file whole or not at all, as far as the caller can tell:
// when a write or its flush fails, the file is cut back to what it held before, and while
// that cut cannot be made nothing more is appended (the next record would otherwise follow
// a torn one and be lost with it). That cut is owed by the file it was meant for only: a
// file removed, replaced (Replace, a whole save) or rebound since starts clean.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/record_coding.h"

class ProgressJournal {
public:
    ProgressJournal() = default;
    ~ProgressJournal();
    ProgressJournal(const ProgressJournal&) = delete;
    ProgressJournal& operator=(const ProgressJournal&) = delete;

    // Binds the journal to `path`, coded with `key` (null: default coding), tagged with
    // `tag` (fields). Closes a previously bound file.
    void Bind(const std::string& path, const char* key, std::vector<std::string> tag);
    void Unbind();
    bool IsBound() const { return !path_.empty(); }
    const std::string& GetPath() const { return path_; }

    // Flush the appended records to the disk (fdatasync) before Commit returns.
    void SetSync(bool sync) { sync_ = sync; }
    bool GetSync() const { return sync_; }
    // Whether records appended without a flush may not be on the disk yet.
    bool HasUnflushed() const { return unflushed_; }
    // Flushes what appends without syncing left (and a new file's name): 0, or -1. After
    // a failed flush nothing more is appended (Commit gives -1) until the file is replaced
    // or removed: the failure may have lost what those appends wrote, and a record after
    // them would pass for safe.
    int Flush();

    // Adds one record to the pending batch (nothing is written yet).
    void Add(const std::vector<std::string_view>& fields);
    // Writes the pending batch with one append and flushes it: 0, or -1 (the batch is kept
    // for the next try, and the file holds what it held before the call). The tag is
    // written first into a new file (whose folder entry is flushed too when syncing).
    int Commit();
    bool HasPending() const { return !pending_.empty(); }
    // Forgets the pending batch (a record that must not reach the file after all).
    void DropPending() { pending_.clear(); }
    // The size of the pending batch, and dropping what was added after such a size.
    std::size_t PendingSize() const { return pending_.size(); }
    void DropPendingFrom(std::size_t size) { if (size < pending_.size()) pending_.resize(size); }
    // Replaces the journal as a whole by the tag and `records` (none: removes it), safely:
    // a crash leaves the old journal or the new one. The pending batch is dropped. 0 or -1.
    int Replace(const std::vector<std::vector<std::string_view>>& records);
    // Writes a journal of the tag and `records` to `path` instead (safely), for a caller
    // that puts it in place later. 0 or -1.
    int WriteCopy(const std::string& path, const std::vector<std::vector<std::string_view>>& records);
    // Writes the pending batch to `path` (safely, flushed when syncing) instead of appending
    // it, for a caller that appends those bytes to this journal's file later, together with
    // changes to other files; the tag goes first when the journal's file is empty or
    // missing. The pending batch is then empty, and the file is no longer held open, so
    // that the next Commit learns its size again. 0, or -1 (the batch stays pending; also
    // while a failed append waits to be cut off the file).
    int WritePendingTo(const std::string& path);

    // Damage met by a scan: what did not read, from its first line on.
    struct Damaged {
        std::string_view kind;  // the first field of that line, as far as it can be told
        std::string_view line;  // that line, decoded, with its line end
        int lines = 0;          // the lines that did not read (1: that line alone)
    };
    struct ReplaySteps {
        // A record read whole, its checksum removed: true when the journal is whole after
        // it (the end of a unit).
        std::function<bool(const std::vector<std::string_view>&)> record;
        // Damage before the next record (see above): the unit open is not whole. May be
        // empty.
        std::function<void(const Damaged&)> damaged;
    };
    // What a scan met.
    struct ReplayScan {
        int records = 0;          // records handed to the owner
        int damaged = 0;          // places where damage was met
        bool ours = false;        // the tag (or, when it is damaged, a record after it) reads
        std::uint64_t whole = 0;  // the end of the last whole unit (or of the tag)
        std::uint64_t size = 0;   // the file's size (0: there is none)
        // That unit's last record is the file's last and lost its line end (0: none lost).
        std::uint64_t lineEndAt = 0;
        // What follows that unit holds records that read whole (it is cut off all the same:
        // the unit never got its end).
        bool cutReadable = false;
    };
    // Reads the journal, handing every record after the tag to `steps` in order; changes
    // nothing on the disk. 0, or -1 when the file exists but cannot be read, or is a
    // symbolic link (refused and reported, platform/private_files.h; Commit refuses one
    // likewise).
    int Scan(const ReplaySteps& steps, ReplayScan& scan);
    // Puts the file in order after Scan: a journal with damage, or whose cut takes records
    // that read whole, is first copied whole to DamagedCopyPath (*keptCopy gets its path;
    // an identical copy made by an earlier open is used again), then the torn tail or the
    // unreadable rest after the last whole unit is cut off, and a last record whose line
    // end was lost gets it back; a file that is not ours (another tag, another key) is set
    // aside as "<path>.bad". 0, or -1 when that cannot be done.
    int Settle(const ReplayScan& scan, std::string* keptCopy = nullptr);
    // Scan and Settle for an owner whose every record is a unit of its own. The number of
    // records applied; 0 when there is no journal; -1 when the file cannot be read or
    // settled.
    int Replay(const std::function<void(const std::vector<std::string_view>&)>& apply);
    // Where a copy of a damaged journal goes: "<path>.damaged", then "<path>.damaged2" ...
    static std::string DamagedCopyPath(const std::string& path, int number);
    // Whether `line` (as Damaged::line gives it) is the record of `fields` with at most one
    // byte changed, lost or added: what a changed byte left of a record known in advance.
    static bool NearRecord(std::string_view line, const std::vector<std::string_view>& fields);

    // Deletes the journal file: 0, or -1 when it exists and cannot be removed.
    int Remove();
    // The journal's size in bytes (0 when there is none).
    std::uint64_t Size() const;
    // Bytes this object has appended since Bind (for measurements).
    std::uint64_t AppendedBytes() const { return appended_; }

    // Tests only: told that the first `size` bytes of the journal at `path` are on the disk,
    // each time a flush or a synced replacement makes them so (a power cut leaves the file
    // at least that long). Empty: none.
    using FlushObserver = std::function<void(const std::string& path, std::uint64_t size)>;
    static void SetFlushObserverForTesting(FlushObserver observer);

private:
    void CodeRecord(const std::vector<std::string_view>& fields, std::string& out) const;
    int OpenForAppend();
    // Cuts the open file back to `size` (and flushes that when syncing): true when done.
    bool CutBack(std::uint64_t size);
    // The open file must be cut back to `size` before the next append (the cut failed).
    void RememberCut(std::uint64_t size);
    // Flushes the folder's entry of a new file when it is owed (folderOwed_).
    void SyncFolderIfOwed();
    void Close();

    std::string path_;
    std::optional<std::string> key_;
    std::vector<std::string> tag_;
    const unsigned char* table_ = DefaultEncodeTable();  // the record coding of key_
    int fd_ = -1;
    std::uint64_t fileSize_ = 0;            // the file's size while fd_ is open
    // A failed append could not be cut back: the file must be cut to `wholeSize_` before
    // anything more is appended to it. The cut is that file's alone (its device and inode):
    // it is forgotten when the file is removed, replaced or another is bound.
    bool mustCut_ = false;
    std::uint64_t wholeSize_ = 0;
    std::uint64_t cutDevice_ = 0;
    std::uint64_t cutInode_ = 0;
    bool sync_ = true;
    bool unflushed_ = false;    // appended (or cut) without a flush since the last one
    bool folderOwed_ = false;   // a new file whose name is not flushed yet
    bool flushFailed_ = false;  // see Flush
    std::string pending_;
    std::uint64_t appended_ = 0;
};

// When a whole-file save is due: at least `minSeconds` after the last save, and only when
// the journal has grown to `ratio` times the file's size (at least `floorBytes`). The
// second rule keeps the total bytes of a run linear in its size: each save writes a file at
// most 1/ratio times what was appended since the previous one.
class SavePace {
public:
    void Set(int minSeconds, double ratio, std::uint64_t floorBytes) {
        minSeconds_ = minSeconds;
        ratio_ = ratio;
        floor_ = floorBytes;
    }
    // Call after every whole-file save.
    void Saved();
    bool IsDue(std::uint64_t journalBytes, std::uint64_t fileBytes) const;

private:
    int minSeconds_ = 10;
    double ratio_ = 1.0;
    std::uint64_t floor_ = 64 * 1024;
    std::int64_t lastSave_ = 0;  // steady-clock seconds; 0: never saved
};
