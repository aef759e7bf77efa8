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

namespace {

constexpr std::string_view kBegin = "B";
constexpr std::string_view kAnchor = "A";
constexpr std::string_view kRow = "U";
constexpr std::string_view kCopy = "C";
constexpr std::string_view kEnd = "E";

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

// What tells one state of a file from another cheaply: device, inode, size and time.
std::string StatKey(const struct stat& st) {
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
           std::to_string(static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec) + ":" +
           std::to_string(static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec);
}

}  // namespace

std::string BookFileVersion(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
        bookVersion_ = BookFileVersion(path);
        bookKey_ = bookVersion_.empty() ? std::string() : key;
    }
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
    batch_ = 0;
}

void BookJournal::Unbind() {
    file_.Unbind();
    copies_.clear();
    bases_.clear();
    base_.clear();
    started_ = false;
    batch_ = 0;
}

bool BookJournal::CodedWith(const char* key) const {
    return key == nullptr ? !keyed_ : keyed_ && key_ == key;
}

int BookJournal::Replay(const std::string& version,
                        const std::function<void(const std::vector<std::string_view>&)>& apply, Damage* damage) {
    Discard();
    copies_.clear();
    bases_.clear();
    started_ = false;
    if (damage != nullptr) *damage = Damage{};
    if (version.empty()) return kUnreadable;

    // The markers (A true, C false) in the order of the file; those before the end of the
    // last whole batch stay in the file.
    std::vector<std::pair<bool, std::string>> markers;
    std::size_t kept = 0;
    bool applying = false;
    int applied = 0;
    int lost = 0;      // changes that damage kept from applying
    int unplaced = 0;  // rows of whole batches read before any marker
    // The batch being read: its records count only once its end is read. One read after
    // damage has lost its start: it is whole if its end counts exactly its records (the
    // damage took only its B), and otherwise holds rows that are lost; `carried` says how
    // many records of it were counted lost at the damage (the rows before it, and the
    // record that did not read), and its end, if it reads, how many it held in all.
    struct Batch {
        bool open = false;
        bool afterDamage = false;
        int markers = 0;
        int carried = 0;
        int carriedMarkers = 0;
        std::vector<std::vector<std::string>> rows;
    } batch;
    const auto drop = [&] {
        if (batch.afterDamage) lost += static_cast<int>(batch.rows.size());
        batch = Batch{};
    };
    const auto mark = [&](bool anchor, std::string_view named) {
        markers.emplace_back(anchor, std::string(named));
        const bool here = named == version;
        // A (a journal begun again) says which book what follows extends; a C adds the copy.
        if (anchor) applying = here;
        else if (here) applying = true;
    };
    std::vector<std::string_view> row;
    ProgressJournal::ReplaySteps steps;
    steps.damaged = [&](std::string_view kind) {
        // What was open cannot be whole any more: its rows are lost, and so is the record
        // that did not read, unless it was one of the batch's frame.
        Batch after;
        after.open = after.afterDamage = true;
        if (batch.open) {
            after.carried = batch.carried + static_cast<int>(batch.rows.size());
            after.carriedMarkers = batch.carriedMarkers + batch.markers;
        }
        if (kind != kBegin && kind != kEnd && kind != kAnchor && kind != kCopy && kind != kTag) ++after.carried;
        lost += after.carried - (batch.open ? batch.carried : 0);
        batch = std::move(after);
    };
    steps.record = [&](const std::vector<std::string_view>& fields) {
        if (fields.empty()) return false;
        const std::string_view kind = fields[0];
        if (kind == kBegin) {
            // Records before it belong to an append that failed half-way, or follow damage.
            drop();
            batch.open = true;
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
        std::size_t n = 0;
        const std::string_view count = fields.size() == 2 ? fields[1] : std::string_view();
        const auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), n);
        const bool whole = batch.open && ec == std::errc() && end == count.data() + count.size() &&
                           n == batch.rows.size() + static_cast<std::size_t>(batch.markers);
        if (!whole) {
            // A damaged batch whose end reads says how many records it held.
            const int held = static_cast<int>(n) - batch.carriedMarkers - batch.markers;
            if (batch.afterDamage && ec == std::errc() && held - batch.carried > static_cast<int>(batch.rows.size()))
                lost += held - batch.carried - static_cast<int>(batch.rows.size());
            drop();
            return false;
        }
        for (const auto& r : batch.rows) {
            if (applying) {
                row.assign(r.begin(), r.end());
                apply(row);
                ++applied;
            } else if (markers.empty()) {
                ++unplaced;
            }
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
    if (damage != nullptr && scan.damaged > 0) {
        damage->found = true;
        damage->lostChanges = lost;
        damage->keptCopy = copy;
    }
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

int BookJournal::Restart(const std::string& version) {
    Discard();
    copies_.clear();
    bases_.clear();
    started_ = false;
    base_ = version;
    return file_.Remove();
}

void BookJournal::Add(const std::vector<std::string_view>& fields) {
    if (batch_ == 0) {
        file_.Add({kBegin});
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
    file_.Add(fields);
    ++batch_;
}

void BookJournal::AddRow(const std::vector<std::string>& elements) {
    std::vector<std::string_view> fields;
    fields.reserve(elements.size() + 1);
    fields.push_back(kRow);
    fields.insert(fields.end(), elements.begin(), elements.end());
    Add(fields);
}

void BookJournal::NoteCopy(const std::string& version) {
    if (!version.empty()) copies_.push_back(version);
}

int BookJournal::Commit() {
    if (batch_ == 0) return 0;
    const std::string count = std::to_string(batch_);
    file_.Add({kEnd, count});
    if (file_.Commit() != 0) {
        // The file keeps whole batches only (ProgressJournal cuts a failed append back;
        // what it could not cut has no end record and is dropped by the next replay).
        Discard();
        return -1;
    }
    batch_ = 0;
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
}
