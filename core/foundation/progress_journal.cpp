#include "core/foundation/progress_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>

#include "platform/path.h"

#include "core/foundation/csv_read.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/record_coding.h"
#include "platform/private_files.h"
#include "platform/safe_write.h"

namespace {

// FNV-1a over the fields, each followed by a unit separator.
std::uint32_t Checksum(const std::vector<std::string_view>& fields, std::size_t count) {
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < count; ++i) {
        for (unsigned char c : fields[i]) h = (h ^ c) * 16777619u;
        h = (h ^ 0x1Fu) * 16777619u;
    }
    return h;
}

std::string Hex(std::uint32_t v) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out(8, '0');
    for (int i = 7; i >= 0; --i, v >>= 4) out[static_cast<std::size_t>(i)] = kDigits[v & 0xF];
    return out;
}

bool WriteAll(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool Blank(const std::string& text) { return text.find_first_not_of("\r\n") == std::string::npos; }

// Whether `text` is `pattern` (where 'H' stands for any hex digit) with at most one byte
// changed, lost or added.
bool NearPattern(std::string_view text, std::string_view pattern) {
    const auto same = [](char c, char p) {
        return p == 'H' ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : c == p;
    };
    std::size_t i = 0;
    while (i < text.size() && i < pattern.size() && same(text[i], pattern[i])) ++i;
    if (i == text.size() && i == pattern.size()) return true;
    const auto rest = [&](std::size_t t, std::size_t p) {
        if (text.size() - t != pattern.size() - p) return false;
        for (; t < text.size(); ++t, ++p)
            if (!same(text[t], pattern[p])) return false;
        return true;
    };
    return (text.size() == pattern.size() && rest(i + 1, i + 1)) ||
           (text.size() + 1 == pattern.size() && rest(i, i + 1)) ||
           (text.size() == pattern.size() + 1 && rest(i + 1, i));
}

// Whether a physical line ends as every record's line does: its checksum, quoted, then CR LF.
bool EndsLikeRecord(std::string_view line) {
    static constexpr std::string_view kEnd = ",\"HHHHHHHH\"\r\n";
    for (std::size_t n = kEnd.size() - 1; n <= kEnd.size() + 1; ++n)
        if (line.size() >= n && NearPattern(line.substr(line.size() - n), kEnd)) return true;
    return false;
}

// Reads the coded records of a journal from any place in it: the physical lines of a
// record (split at LF, then decoded), joined while a quote is open. Unlike the record
// files' reader it can start again at any line, which is what reading past damage needs.
class RecordReader {
public:
    enum Result { kWhole, kTorn, kEnd, kError };

    RecordReader(std::FILE* fp, const unsigned char* decode) : fp_(fp), decode_(decode) {}
    ~RecordReader() { std::free(piece_); }
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    // Reads the record that starts at `at`: kWhole (its line end is outside quotes), kTorn
    // (the file ends first), kEnd (nothing is left), kError (a read failed).
    Result Read(std::uint64_t at) {
        text_.clear();
        lines_ = 0;
        if (at != pos_) {
            if (::fseeko(fp_, static_cast<off_t>(at), SEEK_SET) != 0) return kError;
            pos_ = at;
        }
        bool open = false;
        for (;;) {
            const ssize_t got = ::getdelim(&piece_, &cap_, '\n', fp_);
            if (got <= 0) {
                if (std::ferror(fp_)) return kError;
                end_ = pos_;
                return text_.empty() ? kEnd : kTorn;
            }
            const std::size_t n = static_cast<std::size_t>(got);
            unsigned char* b = reinterpret_cast<unsigned char*>(piece_);
            std::size_t quotes = 0;
            for (std::size_t i = 0; i < n; ++i) {
                b[i] = decode_[b[i]];
                quotes += b[i] == '"';
            }
            if (quotes % 2 != 0) open = !open;
            text_.append(piece_, n);
            pos_ += n;
            if (++lines_ == 1) {
                firstLineEnd_ = pos_;
                firstLineLength_ = n;
            }
            if (piece_[n - 1] != '\n') {
                end_ = pos_;
                return kTorn;
            }
            if (!open) {
                end_ = pos_;
                return kWhole;
            }
        }
    }
    const std::string& Text() const { return text_; }
    std::uint64_t End() const { return end_; }
    std::uint64_t FirstLineEnd() const { return firstLineEnd_; }
    // Whether a record that ran to the end of the file was cut off by a crash, or is damage
    // (a quote that a changed byte made or took, leaving the rest of the file inside the
    // record): a crash cuts inside a record, so the first line of a torn record never ends
    // the way every record's line does, with its quoted checksum and the line end. One byte
    // changed, lost or added before the line end still counts as such an end; a missing
    // line end is what a cut looks like.
    bool CutOff() const {
        const std::string_view line = FirstLine();
        return line.empty() || line.back() != '\n' || !EndsLikeRecord(line);
    }
    std::string_view FirstLine() const { return std::string_view(text_).substr(0, firstLineLength_); }

private:
    std::FILE* fp_;
    const unsigned char* decode_;
    char* piece_ = nullptr;  // getdelim's buffer
    std::size_t cap_ = 0;
    std::uint64_t pos_ = 0;  // the stream's position
    std::string text_;
    int lines_ = 0;
    std::size_t firstLineLength_ = 0;
    std::uint64_t end_ = 0;
    std::uint64_t firstLineEnd_ = 0;
};

std::mutex& FlushObserverMutex() {
    static std::mutex m;
    return m;
}
ProgressJournal::FlushObserver& FlushObserverSlot() {
    static ProgressJournal::FlushObserver observer;
    return observer;
}

// Tells the test's observer, if any, that `size` bytes of `path` are on the disk.
void Flushed(const std::string& path, std::uint64_t size) {
    std::lock_guard<std::mutex> lock(FlushObserverMutex());
    if (FlushObserverSlot()) FlushObserverSlot()(path, size);
}

}  // namespace

void ProgressJournal::SetFlushObserverForTesting(FlushObserver observer) {
    std::lock_guard<std::mutex> lock(FlushObserverMutex());
    FlushObserverSlot() = std::move(observer);
}

ProgressJournal::~ProgressJournal() { Close(); }

void ProgressJournal::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    fileSize_ = 0;
    unflushed_ = false;
}

void ProgressJournal::SyncFolderIfOwed() {
    if (!folderOwed_) return;
    const std::string folder = platform::FolderOf(path_);
    const int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return;
    if (::fsync(dfd) == 0) folderOwed_ = false;
    ::close(dfd);
}

int ProgressJournal::Flush() {
    if (flushFailed_) return -1;
    if (fd_ < 0 || !unflushed_) return 0;
    if (::fdatasync(fd_) != 0) {
        flushFailed_ = true;
        return -1;
    }
    SyncFolderIfOwed();
    unflushed_ = false;
    Flushed(path_, fileSize_);
    return 0;
}

void ProgressJournal::Bind(const std::string& path, const char* key, std::vector<std::string> tag) {
    Close();
    // A cut owed to the file bound before stays owed to it only (and is checked against
    // the file found at the next append).
    if (path != path_) mustCut_ = false;
    flushFailed_ = false;
    folderOwed_ = false;
    path_ = path;
    if (key != nullptr) key_ = key;
    else key_.reset();
    // The key's table, found once (the key number is an MD5 of the key).
    table_ = key_ ? RecordEncodeTable(GetKeyNumber(*key_)) : DefaultEncodeTable();
    tag_ = std::move(tag);
    pending_.clear();
    appended_ = 0;
}

void ProgressJournal::Unbind() {
    Close();
    path_.clear();
    pending_.clear();
    mustCut_ = false;
    flushFailed_ = false;
    folderOwed_ = false;
}

void ProgressJournal::CodeRecord(const std::vector<std::string_view>& fields, std::string& out) const {
    CsvWrite line;
    for (std::string_view f : fields) line.SetData(f);
    line.SetData(std::string_view(Hex(Checksum(fields, fields.size()))));
    const std::size_t at = out.size();
    out.append(line.GetLine());
    out.append("\r\n");
    CodeBytes(out.data() + at, out.size() - at, table_);
}

void ProgressJournal::Add(const std::vector<std::string_view>& fields) { CodeRecord(fields, pending_); }

int ProgressJournal::OpenForAppend() {
    if (fd_ >= 0) return 0;
    if (path_.empty()) return -1;
    fd_ = platform::OpenPrivateFile(path_, O_WRONLY | O_CREAT | O_APPEND);
    if (fd_ < 0) return -1;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        Close();
        return -1;
    }
    fileSize_ = static_cast<std::uint64_t>(st.st_size);
    if (mustCut_) {
        // What a failed append left is cut off first, or nothing is appended. The cut is
        // the file's it was meant for: another file in its place (saved whole, replaced),
        // or one shorter than the cut, never gets it.
        if (st.st_dev == cutDevice_ && st.st_ino == cutInode_ && fileSize_ > wholeSize_ && !CutBack(wholeSize_)) {
            Close();
            return -1;
        }
        mustCut_ = false;
    }
    if (fileSize_ == 0) {
        std::vector<std::string_view> tag(tag_.begin(), tag_.end());
        std::string head;
        CodeRecord(tag, head);
        if (!WriteAll(fd_, head.data(), head.size())) {
            if (!CutBack(0)) RememberCut(0);
            Close();
            return -1;
        }
        appended_ += head.size();
        fileSize_ = head.size();
        unflushed_ = true;
        // A new file: its name must survive a power loss as well as its records (now, or
        // with the first flush when not syncing).
        folderOwed_ = true;
        if (sync_) SyncFolderIfOwed();
    }
    return 0;
}

void ProgressJournal::RememberCut(std::uint64_t size) {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        // Not knowing which file it is, the next append cannot tell it from another: it
        // opens the file again and cuts it only if that is still this one, so a file
        // that cannot be told is given none.
        return;
    }
    mustCut_ = true;
    wholeSize_ = size;
    cutDevice_ = st.st_dev;
    cutInode_ = st.st_ino;
}

bool ProgressJournal::CutBack(std::uint64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) return false;
    if (sync_ && ::fdatasync(fd_) != 0) return false;
    fileSize_ = size;
    if (sync_) Flushed(path_, size);
    else unflushed_ = true;
    return true;
}

int ProgressJournal::Commit() {
    if (pending_.empty()) return 0;
    // A flush that failed may have lost what went before: a record appended after it
    // would pass for safe. Only a new file (a whole save's) takes records again.
    if (flushFailed_) return -1;
    if (OpenForAppend() != 0) return -1;
    // The file is this object's while it is open (the history's lock keeps other writers
    // out), so its size is known without asking the file system each time.
    const std::uint64_t before = fileSize_;
    // The sync makes the records survive a power loss too, not only a killed process.
    const bool written =
        WriteAll(fd_, pending_.data(), pending_.size()) && (!sync_ || ::fdatasync(fd_) == 0);
    if (!written) {
        // The caller is told the batch was not written, so the file must not hold it
        // either: a part of it, or all of it with a failed flush, would otherwise be
        // replayed after all. Should the cut fail, it is tried again before the next
        // append, which never follows what is left.
        if (!CutBack(before)) RememberCut(before);
        Close();
        return -1;
    }
    appended_ += pending_.size();
    fileSize_ += pending_.size();
    pending_.clear();
    if (sync_) {
        SyncFolderIfOwed();
        unflushed_ = false;
        Flushed(path_, fileSize_);
    } else {
        unflushed_ = true;
    }
    return 0;
}

int ProgressJournal::WritePendingTo(const std::string& path) {
    Close();
    // The bytes are to follow what the file holds now, which ends in a failed append that
    // could not be cut off yet: they would be read as part of it.
    if (mustCut_) return -1;
    std::string text;
    if (Size() == 0) {
        std::vector<std::string_view> tag(tag_.begin(), tag_.end());
        CodeRecord(tag, text);
    }
    text += pending_;
    if (!platform::WriteFileAtomically(path, text, sync_)) return -1;
    pending_.clear();
    return 0;
}

int ProgressJournal::Replace(const std::vector<std::vector<std::string_view>>& records) {
    Close();
    pending_.clear();
    if (path_.empty()) return -1;
    if (records.empty()) return Remove();
    if (WriteCopy(path_, records) != 0) return -1;
    mustCut_ = false;  // the file it was meant for is gone
    flushFailed_ = false;
    folderOwed_ = false;
    return 0;
}

int ProgressJournal::WriteCopy(const std::string& path, const std::vector<std::vector<std::string_view>>& records) {
    std::vector<std::string_view> tag(tag_.begin(), tag_.end());
    std::string text;
    CodeRecord(tag, text);
    for (const auto& r : records) CodeRecord(r, text);
    if (!platform::WriteFileAtomically(path, text, sync_)) return -1;
    appended_ += text.size();
    if (sync_) Flushed(path, text.size());
    return 0;
}

bool ProgressJournal::NearRecord(std::string_view line, const std::vector<std::string_view>& fields) {
    CsvWrite record;
    for (std::string_view f : fields) record.SetData(f);
    record.SetData(std::string_view(Hex(Checksum(fields, fields.size()))));
    std::string text(record.GetLine());
    text += "\r\n";
    // One byte changed, lost or added anywhere: the same on both sides of the first
    // difference but for that byte.
    std::size_t i = 0;
    while (i < line.size() && i < text.size() && line[i] == text[i]) ++i;
    if (i == line.size() && i == text.size()) return true;
    const auto same = [&](std::size_t a, std::size_t b) {
        return line.size() - a == text.size() - b && line.substr(a) == std::string_view(text).substr(b);
    };
    return (line.size() == text.size() && same(i + 1, i + 1)) || (line.size() + 1 == text.size() && same(i, i + 1)) ||
           (line.size() == text.size() + 1 && same(i + 1, i));
}

std::string ProgressJournal::DamagedCopyPath(const std::string& path, int number) {
    return path + ".damaged" + (number > 1 ? std::to_string(number) : std::string());
}

int ProgressJournal::Scan(const ReplaySteps& steps, ReplayScan& scan) {
    Close();
    scan = ReplayScan{};
    if (path_.empty()) return 0;
    // What is not the owner's journal (a link, a FIFO, another user's file) is refused as
    // it stands: neither read, cut nor set aside through it.
    const int fd = platform::OpenPrivateFile(path_, O_RDONLY);
    if (fd < 0) return errno == ENOENT ? 0 : -1;
    struct stat st {};
    std::FILE* fp = ::fstat(fd, &st) == 0 ? ::fdopen(fd, "rb") : nullptr;
    if (fp == nullptr) {
        ::close(fd);
        return -1;
    }
    scan.size = static_cast<std::uint64_t>(st.st_size);
    constexpr std::size_t kBuffer = 1 << 20;
    const std::unique_ptr<char[]> buffer(new char[kBuffer]);
    std::setvbuf(fp, buffer.get(), _IOFBF, kBuffer);

    RecordReader reader(fp, key_ ? RecordDecodeTable(GetKeyNumber(*key_)) : DefaultDecodeTable());
    CsvRead split;
    std::vector<std::string_view> fields;
    bool first = true;       // the next record read whole is the first one
    bool tagDamaged = false; // the first line did not read
    bool failing = false;    // something did not read since the last record that did
    bool cutOff = false;     // ... and it began with a record that a crash cut off
    std::string failedKind;  // the first field of what did not read, when it has one
    std::string failedLine;  // its first line
    int failedLines = 0;     // the lines that did not read since then
    int sinceWhole = 0;      // records read whole after the end of the last whole unit
    bool damageSinceWhole = false;
    const auto report = [&] {
        ++scan.damaged;
        damageSinceWhole = true;
        if (steps.damaged) steps.damaged(Damaged{failedKind, failedLine, failedLines});
    };
    int result = 0;
    for (std::uint64_t at = 0;;) {
        const RecordReader::Result r = reader.Read(at);
        if (r == RecordReader::kEnd) break;
        if (r == RecordReader::kError) {
            result = -1;
            break;
        }
        bool whole = false;
        std::uint64_t end = 0;  // where the record ends: its line end, or its closing quote
        bool lineEndLost = false;  // ... the latter, at the end of the file
        if (r == RecordReader::kWhole) {
            const int n = split.SetLine(reader.Text());
            if (n == 0 && Blank(reader.Text())) {
                at = reader.End();
                continue;
            }
            fields.clear();
            for (int i = 0; i < n; ++i) fields.push_back(split.GetDataView(i));
            whole = n >= 1 && fields.back() == Hex(Checksum(fields, fields.size() - 1));
            end = reader.End();
        }
        if (!whole) {
            // A record that reads whole with its checksum up to its closing quote is whole
            // whatever happened to the line end after it (a byte changed, or a cut just
            // before it): its every field is there.
            const std::string& text = reader.Text();
            for (std::size_t q = text.size(); q-- > 0 && text.size() - q <= 3;) {
                if (text[q] != '"') continue;
                const int n = split.SetLine(std::string_view(text).substr(0, q + 1));
                fields.clear();
                for (int i = 0; i < n; ++i) fields.push_back(split.GetDataView(i));
                if (n >= 1 && fields.back() == Hex(Checksum(fields, fields.size() - 1))) {
                    whole = true;
                    // At the end of the file the line end is made good before anything is
                    // appended; elsewhere the next record has its own line.
                    lineEndLost = reader.End() >= scan.size;
                    end = lineEndLost ? at + q + 1 : reader.End();
                    break;
                }
            }
        }
        if (!whole) {
            // The tag did not read: the journal is ours, damaged, if a record of ours follows.
            if (at == 0) tagDamaged = r == RecordReader::kWhole || reader.FirstLineEnd() < reader.End();
            if (!failing) {
                cutOff = r == RecordReader::kTorn && reader.CutOff();
                // What the owner may learn of it: the first field of its first line.
                failedLine.assign(reader.FirstLine());
                failedKind.clear();
                if (split.SetLine(failedLine) > 0) failedKind = split.GetDataView(0);
                failedLines = 0;
            }
            failing = true;
            ++failedLines;
            // Read on from the next line: damage spoils the record it is in, not the rest.
            if (reader.FirstLineEnd() <= at || (r == RecordReader::kTorn && reader.FirstLineEnd() >= reader.End()))
                break;
            at = reader.FirstLineEnd();
            continue;
        }
        fields.pop_back();
        at = reader.End();
        const bool isTag = fields.size() == tag_.size() && std::equal(tag_.begin(), tag_.end(), fields.begin());
        if (first) {
            first = false;
            if (isTag) {
                scan.ours = true;
                if (failing) ++scan.damaged;  // something before the tag
                failing = false;
                scan.whole = end;
                scan.lineEndAt = lineEndLost ? end : 0;
                continue;
            }
            // Another tag: not our journal. A tag that did not read is ours, damaged, when a
            // record coded with our key follows it.
            if (!tagDamaged) break;
            scan.ours = true;
        }
        if (failing) {
            failing = false;
            report();
        }
        ++scan.records;
        ++sinceWhole;
        if (steps.record(fields)) {
            scan.whole = end;
            scan.lineEndAt = lineEndLost ? end : 0;
            sinceWhole = 0;
            damageSinceWhole = false;
        }
    }
    // What does not read at the end is a torn tail, unless it does not look cut off.
    if (result == 0 && failing && !cutOff && scan.ours) report();
    // A tail that is cut off with records in it that read whole (a unit that never got its
    // end, or whose end a changed byte took) is told, and its bytes kept: a cut never
    // takes readable records without a word.
    if (result == 0 && scan.ours && sinceWhole > 0 && !damageSinceWhole) scan.cutReadable = true;
    const int error = errno;
    std::fclose(fp);
    errno = error;  // why a read failed
    return result;
}

namespace {

// Keeps the bytes of the damaged journal at `path` in the first free copy name (or the
// copy an earlier open made of the same bytes): 0 and its path, or -1.
int KeepDamagedCopy(const std::string& path, std::string& kept) {
    std::string bytes;
    if (!platform::ReadWholeFile(path, bytes)) return -1;
    for (int number = 1; number <= 99; ++number) {
        const std::string copy = ProgressJournal::DamagedCopyPath(path, number);
        struct stat st {};
        if (::lstat(copy.c_str(), &st) == 0) {
            std::string earlier;
            if (S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) == bytes.size() &&
                platform::ReadWholeFile(copy, earlier) && earlier == bytes) {
                kept = copy;
                return 0;
            }
            continue;
        }
        if (errno != ENOENT || !platform::WriteFileAtomically(copy, bytes, true)) return -1;
        kept = copy;
        return 0;
    }
    return -1;
}

}  // namespace

int ProgressJournal::Settle(const ReplayScan& scan, std::string* keptCopy) {
    if (keptCopy != nullptr) keptCopy->clear();
    mustCut_ = false;
    if (path_.empty() || scan.size == 0) return 0;
    // A journal that is not ours as a whole (another tag, or coded with another key) is set
    // aside rather than deleted: it may still be recovered by hand.
    if (!scan.ours) return ::rename(path_.c_str(), (path_ + ".bad").c_str()) == 0 ? 0 : -1;
    if (scan.damaged > 0 || scan.cutReadable) {
        std::string copy;
        if (KeepDamagedCopy(path_, copy) != 0) return -1;
        if (keptCopy != nullptr) *keptCopy = copy;
    }
    // Anything after the last whole unit goes, so that new records never follow garbage;
    // a last record whose line end was lost or changed gets it back.
    const bool mendLineEnd = scan.lineEndAt != 0 && scan.lineEndAt == scan.whole;
    if (scan.size > scan.whole || mendLineEnd) {
        const int fd = platform::OpenPrivateFile(path_, O_WRONLY);
        if (fd < 0) return -1;
        bool done = ::ftruncate(fd, static_cast<off_t>(scan.whole)) == 0;
        if (done && mendLineEnd) {
            std::string lineEnd = "\r\n";
            CodeBytes(lineEnd.data(), lineEnd.size(), table_);
            done = ::pwrite(fd, lineEnd.data(), lineEnd.size(), static_cast<off_t>(scan.whole)) ==
                   static_cast<ssize_t>(lineEnd.size());
            if (!done) (void)::ftruncate(fd, static_cast<off_t>(scan.whole));
        }
        ::close(fd);
        if (!done) return -1;
    }
    return 0;
}

int ProgressJournal::Replay(const std::function<void(const std::vector<std::string_view>&)>& apply) {
    ReplayScan scan;
    const ReplaySteps steps{[&apply](const std::vector<std::string_view>& fields) {
                                apply(fields);
                                return true;
                            },
                            nullptr};
    if (Scan(steps, scan) != 0 || Settle(scan) != 0) return -1;
    return scan.records;
}

int ProgressJournal::Remove() {
    Close();
    pending_.clear();
    if (path_.empty()) return 0;
    if (::unlink(path_.c_str()) != 0 && errno != ENOENT) return -1;
    mustCut_ = false;  // the file it was meant for is gone
    flushFailed_ = false;
    folderOwed_ = false;
    return 0;
}

std::uint64_t ProgressJournal::Size() const {
    if (fd_ >= 0) return fileSize_;
    struct stat st {};
    if (path_.empty() || ::stat(path_.c_str(), &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

void SavePace::Saved() {
    lastSave_ = std::chrono::duration_cast<std::chrono::seconds>(
                    std::chrono::steady_clock::now().time_since_epoch())
                    .count();
}

bool SavePace::IsDue(std::uint64_t journalBytes, std::uint64_t fileBytes) const {
    const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count();
    if (lastSave_ != 0 && now - lastSave_ < minSeconds_) return false;
    const std::uint64_t base = fileBytes > floor_ ? fileBytes : floor_;
    return static_cast<double>(journalBytes) >= ratio_ * static_cast<double>(base);
}
