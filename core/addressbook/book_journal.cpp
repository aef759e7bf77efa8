#include "core/addressbook/book_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "core/addressbook/one_customer.h"
#include "core/foundation/csv_write.h"
#include "platform/private_files.h"

namespace {

constexpr std::string_view kBegin = "B";
constexpr std::string_view kAnchor = "A";
constexpr std::string_view kRow = "U";
constexpr std::string_view kCopy = "C";
constexpr std::string_view kEnd = "E";

// The longest line an A record can have: "A", a version of up to twenty digits, a colon and
// sixteen hex digits, its checksum and line end, quoted, with a byte to spare.
constexpr std::size_t kLongestAnchor = 64;

}  // namespace

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;

std::uint64_t Rotl(std::uint64_t v, int n) { return (v << n) | (v >> (64 - n)); }
std::uint64_t Round(std::uint64_t lane, std::uint64_t word) { return Rotl(lane + word * kPrime2, 31) * kPrime1; }

// A 64-bit digest of the bytes of `fd` (four lanes of multiply-rotate over 8-byte words,
// then the tail byte by byte): fast enough to run over a book of a million records at
// every open, and different for any two books a person could hold. False on a read error.
bool DigestOf(int fd, std::uint64_t& size, std::uint64_t& digest) {
    std::uint64_t lanes[4] = {kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1};
    std::vector<unsigned char> buffer(1 << 20);
    std::size_t held = 0;  // bytes at the front of buffer not yet taken
    size = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data() + held, buffer.size() - held);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) break;
        size += static_cast<std::uint64_t>(got);
        held += static_cast<std::size_t>(got);
        const std::size_t whole = held - held % 32;
        for (std::size_t at = 0; at < whole; at += 32)
            for (int k = 0; k < 4; ++k) {
                std::uint64_t word;
                std::memcpy(&word, buffer.data() + at + 8 * k, 8);
                lanes[k] = Round(lanes[k], word);
            }
        std::memmove(buffer.data(), buffer.data() + whole, held - whole);
        held -= whole;
    }
    std::uint64_t h = Rotl(lanes[0], 1) + Rotl(lanes[1], 7) + Rotl(lanes[2], 12) + Rotl(lanes[3], 18) + size;
    for (std::size_t i = 0; i < held; ++i) h = Rotl(h ^ (buffer[i] * kPrime1), 11) * kPrime2;
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    digest = h;
    return true;
}

// What tells one state of a file's content from another cheaply: device, inode, size and
// modification time; a rename keeps them.
std::string ContentKey(const struct stat& st) {
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
           std::to_string(static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec);
}

// The same with the change time, which also moves when the file's times are set back.
std::string StatKey(const struct stat& st) {
    return ContentKey(st) + ":" +
           std::to_string(static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec);
}

}  // namespace

std::string BookFileVersion(const std::string& path) {
    const int fd = platform::OpenPrivateFile(path, O_RDONLY);
    if (fd < 0) return errno == ENOENT ? "-" : std::string();
    std::uint64_t size = 0, digest = 0;
    const bool ok = DigestOf(fd, size, digest);
    const int error = errno;
    ::close(fd);
    if (!ok) {
        errno = error;
        return std::string();
    }
    char text[40];
    std::snprintf(text, sizeof text, "%llu:%016llx", static_cast<unsigned long long>(size),
                  static_cast<unsigned long long>(digest));
    return text;
}

std::string BookJournal::VersionOfBook(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        bookKey_.clear();
        return errno == ENOENT ? "-" : std::string();
    }
    const std::string key = StatKey(st);
    if (key != bookKey_) {
        // The file a whole save just renamed over the book was read for its mark.
        bookVersion_ = !savedKey_.empty() && ContentKey(st) == savedKey_ ? savedVersion_ : BookFileVersion(path);
        bookKey_ = bookVersion_.empty() ? std::string() : key;
    }
    savedKey_.clear();
    return bookVersion_;
}

void BookJournal::Bind(const std::string& path, const char* key) {
    keyed_ = key != nullptr;
    key_ = keyed_ ? key : "";
    file_.Bind(path, key, {kTag, kFormat});
    copies_.clear();
    bases_.clear();
    base_.clear();
    started_ = false;
    oldKey_ = false;
    batch_ = 0;
    batchRows_ = 0;
    // Until a replay or a new file says where the file stands, its batches go unnumbered.
    numbered_ = false;
    fileBatches_ = fileRows_ = 0;
}

void BookJournal::Unbind() {
    file_.Unbind();
    copies_.clear();
    bases_.clear();
    base_.clear();
    started_ = false;
    oldKey_ = false;
    batch_ = 0;
}

bool BookJournal::CodedWith(const char* key) const {
    return key == nullptr ? !keyed_ : keyed_ && key_ == key;
}

void BookJournal::Rekey(const char* key) {
    const std::string path = file_.GetPath();
    Bind(path, key);
    oldKey_ = true;  // until Restart finds no file there
}

int BookJournal::Replay(const std::string& version,
                        const std::function<void(const std::vector<std::string_view>&)>& apply, Damage* damage) {
    Discard();
    copies_.clear();
    bases_.clear();
    started_ = false;
    numbered_ = false;
    if (damage != nullptr) *damage = Damage{};
    if (version.empty()) return kUnreadable;

    // The markers (A true, C false) in the order of the file; those before the end of the
    // last whole batch stay in the file.
    std::vector<std::pair<bool, std::string>> markers;
    std::size_t kept = 0;
    bool applying = false;
    // Damage where an A may have stood (at a batch's start): until an A reads, the batches
    // after it extend a book that cannot be told, when the last A read names another.
    bool anchorHidden = false;
    int applied = 0;
    int unplaced = 0;  // rows of whole batches whose book cannot be told

    // What damage cost. Each B says how many batches and rows the file held before it, so
    // the rows between the last batch accounted for and a B that reads are known exactly
    // (a journal of an older version has bare B records: then they are not). `position`:
    // the rows up to the end of the last batch accounted for, `batches` of them;
    // `floating`: since then damage hid a stretch of unknown extent, followed by whole
    // batches of `floatingRows` rows.
    struct Tally {
        long long batches = 0, position = 0;
        bool floating = false;
        long long floatingRows = 0;
        long long lost = 0;
        bool unknown = false;
        // The position is an upper bound set by a damaged batch's end (a marker lost among
        // its lines counts in that end as a row would), this being where the batch began:
        // a B right after it says exactly how many rows it held. -1: the position is exact.
        long long boundFrom = -1;
        // A B that reads: the batches and rows before it.
        void At(long long count, long long rows) {
            const long long between = rows - position - floatingRows;
            if (between < 0 && boundFrom >= 0 && !floating && count == batches && rows >= boundFrom)
                lost += between;  // the bound counted a lost marker or more as rows
            else if (between < 0 || count < batches)
                unknown = true;
            else
                lost += between;
            boundFrom = -1;
            batches = count;
            position = rows;
            floating = false;
            floatingRows = 0;
        }
        // A whole batch of `rows` whose start is known (`count` batches before it when it
        // is numbered, -1 when not).
        void Whole(long long count, long long before, long long rows) {
            if (count >= 0) At(count, before);
            if (floating) {
                floatingRows += rows;
                return;
            }
            ++batches;
            position += rows;
            boundFrom = -1;
        }
    } tally;

    // The batch being read: its records count only once its end is read. One read after
    // damage has lost its start: it is whole if its end counts exactly its records (the
    // damage took only its B), and otherwise its rows are lost; when the damage fell inside
    // a batch whose B read, that B's numbers and the markers before the damage go on with
    // it, so that its end tells how many rows it held.
    struct Batch {
        bool open = false;
        bool afterDamage = false;
        bool numbered = false;
        long long number = 0, before = 0;
        int markers = 0;
        int markersBefore = 0;
        std::vector<std::vector<std::string>> rows;
    } batch;
    // The loss counted when the marker was read from which this book takes the batches:
    // what damage took before it is no cost of this open (the book read holds what it holds
    // of those batches, and the open that met the damage first told it). Only where the
    // count stood settled there; otherwise every loss is told.
    bool fromMarker = false;
    long long lostBeforeMarker = 0;
    const auto mark = [&](bool anchor, std::string_view named) {
        markers.emplace_back(anchor, std::string(named));
        const bool here = named == version;
        if (here && !applying) {
            fromMarker = !tally.floating && !tally.unknown && !batch.afterDamage;
            lostBeforeMarker = tally.lost;
        } else if (anchor && !here) {
            fromMarker = false;
        }
        // A (a journal begun again) says which book what follows extends; a C adds the copy.
        if (anchor) applying = here;
        else if (here) applying = true;
        if (anchor) anchorHidden = false;
    };
    // A batch that never got its end: a failed append (never acknowledged), or damage.
    const auto drop = [&] {
        if (batch.open && batch.afterDamage) tally.floating = true;
        batch = Batch{};
    };
    const auto number = [](std::string_view text, long long& out) {
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
        return ec == std::errc() && end == text.data() + text.size() && out >= 0;
    };
    std::vector<std::string_view> row;
    ProgressJournal::ReplaySteps steps;
    // What a changed byte left of a record that can be told in advance is as good as that
    // record: the B the next batch begins with, the A naming this book at a batch's start,
    // the E of the batch open, the tag. Such a record at the head of `piece` (a line that
    // did not read, or what follows such a record on it when its line end was lost) is
    // taken: the bytes it used, or 0.
    const auto takeKnown = [&](std::string_view piece) -> std::size_t {
        const auto near = [&](const std::vector<std::string_view>& fields) -> std::size_t {
            CsvWrite coded;
            for (std::string_view f : fields) coded.SetData(f);
            coded.SetData(std::string_view("00000000"));  // as long as its checksum
            const std::size_t length = coded.GetLine().size() + 2;  // and its line end
            for (const std::size_t take : {length, length - 1, length + 1})
                if (take <= piece.size() && ProgressJournal::NearRecord(piece.substr(0, take), fields)) return take;
            return 0;
        };
        std::size_t used = 0;
        if (!batch.open && !tally.floating) {
            const std::string batches = std::to_string(tally.batches), rows = std::to_string(tally.position);
            if ((used = near({kBegin, batches, rows})) != 0 || (used = near({kBegin})) != 0) {
                batch = Batch{};
                batch.open = true;
                batch.numbered = true;
                batch.number = tally.batches;
                batch.before = tally.position;
                return used;
            }
        }
        if (batch.open && batch.rows.empty() && batch.markers == 0 && (used = near({kAnchor, version})) != 0) {
            mark(true, version);
            ++batch.markers;
            return used;
        }
        const std::string count = std::to_string(batch.rows.size() + static_cast<std::size_t>(batch.markers));
        if (batch.open && !batch.afterDamage && (used = near({kEnd, count})) != 0) {
            // The batch is lost, and exactly its rows.
            const long long rowsOf = static_cast<long long>(batch.rows.size());
            if (batch.numbered) {
                tally.At(batch.number + 1, batch.before + rowsOf);
            } else if (!tally.floating) {
                tally.lost += rowsOf;
                tally.position += rowsOf;
                ++tally.batches;
                tally.boundFrom = -1;
            } else {
                tally.unknown = true;
            }
            batch = Batch{};
            return used;
        }
        if ((used = near({kTag, kFormat})) != 0) return used;
        return 0;
    };
    steps.damaged = [&](const ProgressJournal::Damaged& d) {
        std::string_view rest = d.line;
        if (d.lines == 1) {
            while (!rest.empty()) {
                const std::size_t used = takeKnown(rest);
                if (used == 0) break;
                rest.remove_prefix(used);
            }
        }
        if (rest.empty()) return;
        // Damage where an A may have stood (at a batch's start), unless what did not read is
        // plainly something else: one line whose first record is longer than any A (no line
        // end of a record joined to it within that length).
        if ((!batch.open || (batch.rows.empty() && batch.markers == 0)) &&
            (d.lines != 1 || rest.substr(0, kLongestAnchor).find('\r') != std::string_view::npos ||
             rest.size() <= kLongestAnchor))
            anchorHidden = true;
        // What was open cannot be whole any more: its rows are lost.
        Batch after;
        after.open = after.afterDamage = true;
        if (batch.open && (batch.numbered || batch.afterDamage)) {
            after.numbered = batch.numbered;
            after.number = batch.number;
            after.before = batch.before;
            after.markersBefore = batch.markersBefore + batch.markers;
        }
        if (!batch.open) tally.floating = true;  // between batches: how much it took is not known
        batch = std::move(after);
    };
    steps.record = [&](const std::vector<std::string_view>& fields) {
        if (fields.empty()) return false;
        const std::string_view kind = fields[0];
        if (kind == kBegin) {
            // Records before it belong to an append that failed half-way, or follow damage.
            drop();
            batch.open = true;
            long long count = 0, rows = 0;
            if (fields.size() == 3 && number(fields[1], count) && number(fields[2], rows)) {
                batch.numbered = true;
                batch.number = count;
                batch.before = rows;
                tally.At(count, rows);
            }
            return false;
        }
        if ((kind == kAnchor || kind == kCopy) && fields.size() == 2) {
            // True wherever it is read: the journal was begun there, the copy was written.
            mark(kind == kAnchor, fields[1]);
            ++batch.markers;
            return false;
        }
        if (kind == kRow && fields.size() == 1 + static_cast<std::size_t>(kCustomerElementCount)) {
            if (batch.open) batch.rows.emplace_back(fields.begin() + 1, fields.end());
            return false;
        }
        if (kind != kEnd) return false;
        long long n = 0;
        const bool counted = fields.size() == 2 && number(fields[1], n);
        const long long rowsOf = static_cast<long long>(batch.rows.size());
        const bool whole = batch.open && counted && n == rowsOf + batch.markers;
        if (!whole) {
            // A damaged batch whose end reads says how many records it held: its rows are
            // known when its start is (less the markers, an upper bound when one was lost).
            if (batch.open && counted && batch.numbered) {
                tally.At(batch.number + 1, batch.before + std::max(0LL, n - batch.markersBefore - batch.markers));
                tally.boundFrom = batch.before;
            } else if (batch.open) {
                tally.floating = true;
            }
            batch = Batch{};
            return false;
        }
        for (const auto& r : batch.rows) {
            if (applying) {
                row.assign(r.begin(), r.end());
                apply(row);
                ++applied;
            } else if (markers.empty() || anchorHidden) {
                ++unplaced;
            }
        }
        if (batch.afterDamage) {
            // Its start was lost: where it stands is known at the next B that reads.
            tally.floating = true;
            tally.floatingRows += rowsOf;
        } else {
            tally.Whole(batch.numbered ? batch.number : -1, batch.before, rowsOf);
        }
        batch = Batch{};
        kept = markers.size();
        return true;
    };
    ProgressJournal::ReplayScan scan;
    if (file_.Scan(steps, scan) != 0) return kUnreadable;
    drop();
    markers.resize(kept);  // the rest is cut off with the tail

    // What the file says after the open: the last anchor and the copies after it.
    for (const auto& [anchor, named] : markers) {
        if (anchor) bases_.clear();
        bases_.push_back(named);
    }
    started_ = !bases_.empty();
    const bool extends = std::find(bases_.begin(), bases_.end(), version) != bases_.end();
    if (!extends && unplaced > 0) {
        bases_.clear();
        started_ = false;
        return kUnplaced;
    }
    std::string copy;
    if (file_.Settle(scan, &copy) != 0) {
        bases_.clear();
        started_ = false;
        return kUnreadable;
    }
    // A stretch whose extent damage hid, or a cut that took readable records of a batch
    // that never got its end: how many changes it held cannot be known.
    if (tally.floating || scan.cutReadable) tally.unknown = true;
    if (damage != nullptr && (scan.damaged > 0 || scan.cutReadable)) {
        damage->found = true;
        const long long lost = std::max(0LL, tally.lost - (fromMarker && extends ? lostBeforeMarker : 0));
        damage->lostChanges = tally.unknown ? kUnknownLoss : static_cast<int>(lost);
        damage->keptCopy = copy;
    }
    // Appends go on numbering where the file stands, when that is known.
    numbered_ = !tally.unknown;
    fileBatches_ = tally.batches;
    fileRows_ = tally.position;
    if (extends) return applied;
    // No journal, or one written for a book that has been replaced since: start afresh.
    if (Restart(version) != 0) return kUnreadable;
    return 0;
}

bool BookJournal::Extends(const std::string& version) const {
    if (version.empty()) return false;
    if (std::find(copies_.begin(), copies_.end(), version) != copies_.end()) return true;
    if (!started_) return version == base_;
    return std::find(bases_.begin(), bases_.end(), version) != bases_.end();
}

int BookJournal::SetAside(const std::string& path, std::string& kept) {
    kept.clear();
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? 0 : -1;
    for (int number = 1; number < 1000; ++number) {
        const std::string copy = ProgressJournal::DamagedCopyPath(path, number);
        if (::lstat(copy.c_str(), &st) == 0) continue;
        if (errno != ENOENT) return -1;
        if (::rename(path.c_str(), copy.c_str()) != 0) return -1;
        // The move holds before the book is read without it (and a new journal begun).
        const std::size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
        kept = copy;
        return 0;
    }
    errno = EEXIST;
    return -1;
}

int BookJournal::Restart(const std::string& version) {
    Discard();
    copies_.clear();
    bases_.clear();
    started_ = false;
    base_ = version;
    if (file_.Remove() == 0) {
        oldKey_ = false;
        numbered_ = true;
        fileBatches_ = fileRows_ = 0;
        return 0;
    }
    if (!oldKey_) return -1;  // the file goes on, and so do its numbers
    // A file in the old key cannot go on: one in this key, of the batch that anchors it,
    // is put in its place (a crash leaves the one or the other). Should that fail too,
    // nothing is appended until a later save removes it.
    const std::string zero = "0", one = "1";
    if (file_.Replace({{kBegin, zero, zero}, {kAnchor, version}, {kEnd, one}}) != 0) return -1;
    oldKey_ = false;
    started_ = true;
    bases_.assign(1, version);
    numbered_ = true;
    fileBatches_ = 1;
    fileRows_ = 0;
    return 0;
}

void BookJournal::BeginBatch() {
    if (batch_ != 0) return;
    if (numbered_) file_.Add({kBegin, std::to_string(fileBatches_), std::to_string(fileRows_)});
    else file_.Add({kBegin});
    if (!started_) {
        file_.Add({kAnchor, base_});
        ++batch_;
    }
    // The copies written since the last batch come before its rows.
    for (const std::string& copy : copies_) {
        file_.Add({kCopy, copy});
        ++batch_;
    }
}

void BookJournal::Add(const std::vector<std::string_view>& fields) {
    BeginBatch();
    file_.Add(fields);
    ++batch_;
}

int BookJournal::MarkSave(const std::string& temp) {
    savedKey_.clear();
    // No journal: nothing can outlive the save. A batch half built is not ours to send.
    if (!file_.IsBound() || batch_ != 0 || (!started_ && base_.empty()) || file_.Size() == 0) return 0;
    struct stat st {};
    if (::stat(temp.c_str(), &st) != 0) return -1;
    const std::string version = BookFileVersion(temp);
    if (version.empty()) return -1;
    savedKey_ = ContentKey(st);
    savedVersion_ = version;
    copies_.push_back(version);
    BeginBatch();
    if (Commit() == 0) return 0;
    // Not on the disk: the save goes ahead without it (the file may never replace the book).
    copies_.pop_back();
    return -1;
}

void BookJournal::AddRow(const std::vector<std::string>& elements) {
    std::vector<std::string_view> fields;
    fields.reserve(elements.size() + 1);
    fields.push_back(kRow);
    fields.insert(fields.end(), elements.begin(), elements.end());
    Add(fields);
    ++batchRows_;
}

void BookJournal::NoteCopy(const std::string& version) {
    if (!version.empty()) copies_.push_back(version);
}

int BookJournal::Commit() {
    if (batch_ == 0) return 0;
    if (oldKey_) {
        // Appended to a file begun in another key, the batch would be read with the rest
        // of that file as not ours, and set aside with it: the owner saves whole instead.
        Discard();
        errno = EIO;
        return -1;
    }
    const std::string count = std::to_string(batch_);
    file_.Add({kEnd, count});
    if (file_.Commit() != 0) {
        // The file keeps whole batches only (ProgressJournal cuts a failed append back;
        // what it could not cut has no end record and is dropped by the next replay).
        Discard();
        return -1;
    }
    batch_ = 0;
    ++fileBatches_;
    fileRows_ += static_cast<long long>(batchRows_);
    batchRows_ = 0;
    if (!started_) {
        started_ = true;
        bases_.assign(1, base_);
    }
    bases_.insert(bases_.end(), copies_.begin(), copies_.end());
    copies_.clear();
    return 0;
}

void BookJournal::Discard() {
    file_.DropPending();
    batch_ = 0;
    batchRows_ = 0;
}
