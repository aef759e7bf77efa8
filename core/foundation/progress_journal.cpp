#include "core/foundation/progress_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

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

}  // namespace

ProgressJournal::~ProgressJournal() { Close(); }

void ProgressJournal::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    fileSize_ = 0;
}

void ProgressJournal::Bind(const std::string& path, const char* key, std::vector<std::string> tag) {
    Close();
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
    if (fileSize_ == 0) {
        std::vector<std::string_view> tag(tag_.begin(), tag_.end());
        std::string head;
        CodeRecord(tag, head);
        if (!WriteAll(fd_, head.data(), head.size())) {
            Close();
            return -1;
        }
        appended_ += head.size();
        fileSize_ = head.size();
        // A new file: its name must survive a power loss as well as its records.
        if (sync_) {
            const std::string folder = platform::FolderOf(path_);
            const int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (dfd >= 0) {
                ::fsync(dfd);
                ::close(dfd);
            }
        }
    }
    return 0;
}

int ProgressJournal::Commit() {
    if (pending_.empty()) return 0;
    if (OpenForAppend() != 0) return -1;
    // The file is this object's while it is open (the history's lock keeps other writers
    // out), so its size is known without asking the file system each time.
    const std::uint64_t before = fileSize_;
    if (!WriteAll(fd_, pending_.data(), pending_.size())) {
        // A part of the batch may have reached the file: cut it back, so that the file
        // ends with whole records and the retry appends cleanly.
        if (::ftruncate(fd_, static_cast<off_t>(before)) != 0) {
            // Replay ignores a torn tail anyway.
        }
        Close();
        return -1;
    }
    appended_ += pending_.size();
    fileSize_ += pending_.size();
    pending_.clear();
    // The records are in the file (a killed process loses nothing now); the sync makes
    // them survive a power loss too.
    if (sync_ && ::fdatasync(fd_) != 0) return -1;
    return 0;
}

int ProgressJournal::Replace(const std::vector<std::vector<std::string_view>>& records) {
    Close();
    pending_.clear();
    if (path_.empty()) return -1;
    if (records.empty()) return Remove();
    return WriteCopy(path_, records);
}

int ProgressJournal::WriteCopy(const std::string& path, const std::vector<std::vector<std::string_view>>& records) {
    std::vector<std::string_view> tag(tag_.begin(), tag_.end());
    std::string text;
    CodeRecord(tag, text);
    for (const auto& r : records) CodeRecord(r, text);
    if (!platform::WriteFileAtomically(path, text, sync_)) return -1;
    appended_ += text.size();
    return 0;
}

int ProgressJournal::Replay(const std::function<void(const std::vector<std::string_view>&)>& apply) {
    return Replay(std::function<bool(const std::vector<std::string_view>&)>(
        [&apply](const std::vector<std::string_view>& fields) {
            apply(fields);
            return true;
        }));
}

int ProgressJournal::Replay(const std::function<bool(const std::vector<std::string_view>&)>& apply) {
    Close();
    if (path_.empty()) return 0;
    XCsvRead reader;
    reader.SetUseKey(key_ ? key_->c_str() : nullptr);
    if (reader.OpenFile(path_) != 1) {
        struct stat st {};
        return ::stat(path_.c_str(), &st) != 0 && errno == ENOENT ? 0 : -1;
    }
    long good = 0;        // the end of the last whole record
    bool tagged = false;
    int applied = 0;
    std::vector<std::string_view> fields;
    for (int n = reader.ReadLine(); n != -1; n = reader.ReadLine()) {
        if (n <= 0) continue;  // a damaged record: skipped; a torn tail ends the loop
        fields.clear();
        for (int i = 0; i < n; ++i) fields.push_back(reader.GetDataView(i));
        if (!tagged) {
            if (static_cast<std::size_t>(n) != tag_.size() + 1 ||
                fields.back() != Hex(Checksum(fields, fields.size() - 1)) ||
                !std::equal(tag_.begin(), tag_.end(), fields.begin()))
                break;  // not our journal
            tagged = true;
            good = std::ftell(reader.GetFp());
            continue;
        }
        if (fields.back() != Hex(Checksum(fields, fields.size() - 1))) continue;
        fields.pop_back();
        ++applied;
        if (apply(fields)) good = std::ftell(reader.GetFp());
    }
    reader.CloseFile();
    // Anything after the last whole record (a torn tail) goes, so that new records never
    // follow garbage. A journal that is not ours as a whole (another tag, or coded with
    // another key) is set aside as "<path>.bad" rather than deleted: it may still be
    // recovered by hand.
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0 && st.st_size > good) {
        if (!tagged) {
            if (::rename(path_.c_str(), (path_ + ".bad").c_str()) != 0) return -1;
        } else if (::truncate(path_.c_str(), good) != 0) {
            return -1;
        }
    }
    return applied;
}

int ProgressJournal::Remove() {
    Close();
    pending_.clear();
    if (path_.empty()) return 0;
    if (::unlink(path_.c_str()) != 0 && errno != ENOENT) return -1;
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
