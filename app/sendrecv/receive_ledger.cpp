#include "app/sendrecv/receive_ledger.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <set>
#include <string_view>

#include "platform/private_files.h"
#include "platform/safe_write.h"

namespace {

constexpr const char* kLedgerName = "DB/receive.jnl";

// Account names and ids must stay on their line.
std::string OneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    return out;
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Flushes a file that exists to the disk; true also when it does not exist.
bool SyncFile(const std::string& path) {
    const int fd = platform::OpenPrivateFile(path, O_RDONLY);
    if (fd < 0) return errno == ENOENT;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// The modification time in nanoseconds; -1 when the file does not exist.
long long ModifiedNs(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

bool Exists(const std::string& path) { return ModifiedNs(path) >= 0; }

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

long long LongNumber(std::string_view text) {
    long long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || n > 100000000000000LL) return -1;
        n = n * 10 + (c - '0');
    }
    return text.empty() ? -1 : n;
}

int Number(std::string_view text) {
    const long long n = LongNumber(text);
    return n > 0x7FFFFFFF ? -1 : static_cast<int>(n);
}

}  // namespace

ReceiveLedger::ReceiveLedger(std::string envFolder) : envFolder_(std::move(envFolder)) {
    if (!envFolder_.empty() && envFolder_.back() != '/') envFolder_ += '/';
    path_ = envFolder_ + kLedgerName;
}

std::string ReceiveLedger::Relative(const std::string& path) const {
    if (path.compare(0, envFolder_.size(), envFolder_) == 0) return path.substr(envFolder_.size());
    return path;
}

std::string ReceiveLedger::Absolute(const std::string& relative) const {
    if (relative.empty() || relative.front() == '/') return relative;
    return envFolder_ + relative;
}

void ReceiveLedger::AppendTargets(std::string& record, const std::vector<Target>& targets) const {
    for (const Target& t : targets) {
        record += "T " + OneLine(Relative(t.path)) + "\t" + OneLine(Relative(t.alsoRemove));
        if (t.appendAt != kReplace) record += "\t+" + std::to_string(t.appendAt);
        record += "\n";
    }
}

int ReceiveLedger::Append(const std::string& record, Flush flush) {
    const int fd = platform::OpenPrivateFile(path_, O_WRONLY | O_APPEND | O_CREAT);
    if (fd < 0) return -1;
    struct stat before {};
    const bool sized = ::fstat(fd, &before) == 0;
    // A record starts on a line of its own even after a torn one.
    bool written = WriteAll(fd, "\n" + record);
    // Once written whole the record holds for a process that is killed; the flush guards
    // against losing the machine's power. Where that is worth failing for (the commit,
    // after which the server's copies may go), a record whose flush failed may never reach
    // the disk and is taken back: what is reported failed is not left to be replayed.
    // Should it not come off, the next Recover replays it, so it counts as written.
    if (written && flush != Flush::kNone && ::fdatasync(fd) != 0 && flush == Flush::kMust && sized &&
        ::ftruncate(fd, before.st_size) == 0)
        written = false;
    ::close(fd);
    return written ? 0 : -1;
}

int ReceiveLedger::Recover(std::vector<std::string>* installed) {
    applied_.clear();
    failed_.clear();
    account_.clear();
    lastNumber_ = 0;
    hasPrepared_ = hasCommitted_ = installPending_ = false;
    failedFile_.clear();
    failedError_ = 0;

    std::string text;
    // What is refused in the ledger's place (a link, a FIFO, another user's file) names no
    // record of ours: nothing is installed after it.
    if (!platform::ReadWholeFile(path_, text)) return errno == ENOENT ? 0 : -1;

    // Records in file order. An open record (P or C) collects its lines until its end line;
    // a record left open by the end of the file was torn and counts as never written.
    std::map<int, Batch> prepared, committed;
    std::set<int> done;
    enum class Open { kNone, kPrepare, kCommit } open = Open::kNone;
    Batch current;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) break;  // a torn last line
        const std::string_view line(text.data() + at, end - at);
        at = end + 1;
        if (line.size() < 2 || line[1] != ' ') continue;
        const std::string_view rest = line.substr(2);
        const char tag = line[0];
        if (open != Open::kNone) {
            if (tag == 'T') {
                const std::size_t tab = rest.find('\t');
                Target t;
                t.path = Absolute(std::string(rest.substr(0, tab)));
                if (tab != std::string_view::npos) {
                    std::string_view more = rest.substr(tab + 1);
                    const std::size_t second = more.find('\t');
                    t.alsoRemove = Absolute(std::string(more.substr(0, second)));
                    if (second != std::string_view::npos && more.substr(second + 1).rfind('+', 0) == 0) {
                        const long long at = LongNumber(more.substr(second + 2));
                        if (at < 0) continue;  // damaged: the target is passed over
                        t.appendAt = static_cast<std::uint64_t>(at);
                    }
                }
                current.targets.push_back(std::move(t));
                continue;
            }
            if (tag == 'U' && open == Open::kCommit) {
                current.uids.emplace_back(rest);
                continue;
            }
            if ((tag == 'Q' && open == Open::kPrepare) || (tag == 'E' && open == Open::kCommit)) {
                if (Number(rest) == current.number) (open == Open::kPrepare ? prepared : committed)[current.number] = current;
                open = Open::kNone;
                continue;
            }
            // A record cut off before its end line: dropped; this line starts the next.
            open = Open::kNone;
        }
        switch (tag) {
        case 'A': account_ = std::string(rest); break;
        case 'U': applied_.emplace(rest); break;
        case 'X': failed_.emplace(rest); break;
        case 'I': done.insert(Number(rest)); break;
        case 'P':
        case 'C':
            current = Batch();
            current.number = Number(rest);
            open = tag == 'P' ? Open::kPrepare : Open::kCommit;
            break;
        default: break;
        }
        if ((tag == 'P' || tag == 'C' || tag == 'I') && Number(rest) > lastNumber_) lastNumber_ = Number(rest);
    }

    int result = 0;
    for (const auto& [number, batch] : committed) {
        for (const std::string& uid : batch.uids) applied_.insert(uid);
        if (done.count(number) != 0) continue;
        if (InstallBatch(batch, true, installed) != 0) {
            result = -2;
            installPending_ = true;
            continue;
        }
        if (Append("I " + std::to_string(number) + "\n", Flush::kTry) != 0) result = -1;
    }
    // Copies staged for a batch that never committed: the files keep what they held.
    for (const auto& [number, batch] : prepared) {
        if (committed.count(number) != 0) continue;
        for (const Target& t : batch.targets) RemoveFile(StagedPath(t.path));
    }
    return result;
}

int ReceiveLedger::InstallAppend(const Target& target) {
    // Every failure returns with errno telling why (restored after the clean-up calls).
    const auto fail = [](int error) {
        errno = error;
        return -2;
    };
    const std::string staged = StagedPath(target.path);
    std::string bytes;
    if (!platform::ReadWholeFile(staged, bytes)) {
        const int error = errno;
        return Exists(staged) ? fail(error) : 0;  // gone: appended before
    }
    // A record staged for a file that was missing begins with its tag; one missing now
    // that was not then was saved whole since (newer work).
    const int fd = platform::OpenPrivateFile(target.path, O_RDWR | O_APPEND | (target.appendAt == 0 ? O_CREAT : 0));
    if (fd < 0) {
        if (errno != ENOENT) return -2;
        RemoveFile(staged);
        return 0;
    }
    const auto failClosing = [&](int error) {
        ::close(fd);
        return fail(error);
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) return failClosing(errno);
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    const std::uint64_t at = target.appendAt;
    // What follows the place the bytes go: nothing yet, all or part of them (a crash during
    // or after the append), or newer work that these older records must not follow.
    bool append = size == at;
    if (size > at) {
        const std::size_t have = static_cast<std::size_t>(std::min<std::uint64_t>(size - at, bytes.size()));
        std::string there(have, '\0');
        const ssize_t got = ::pread(fd, there.data(), have, static_cast<off_t>(at));
        if (got < 0) return failClosing(errno);
        if (static_cast<std::size_t>(got) != have) return failClosing(EIO);
        append = have < bytes.size() && there == std::string_view(bytes).substr(0, have);
        if (append && ::ftruncate(fd, static_cast<off_t>(at)) != 0) return failClosing(errno);
    }
    // The bytes go on whole, or not at all: a failed write is cut back off.
    if (append && (!WriteAll(fd, bytes) || ::fsync(fd) != 0)) {
        const int error = errno;
        if (::ftruncate(fd, static_cast<off_t>(at)) != 0) {
            // The next Recover finds the part and puts the whole in its place.
        }
        return failClosing(error);
    }
    ::close(fd);
    RemoveFile(staged);
    return 0;
}

void ReceiveLedger::NoteFailure(const std::string& path, int error) {
    if (!failedFile_.empty()) return;
    failedFile_ = Relative(path);
    failedError_ = error;
}

int ReceiveLedger::InstallBatch(const Batch& batch, bool checkStale, std::vector<std::string>* installed) {
    int result = 0;
    for (const Target& t : batch.targets) {
        if (t.appendAt != kReplace) {
            if (InstallAppend(t) != 0) {
                NoteFailure(t.path, errno);
                result = -2;
            }
            continue;
        }
        const std::string staged = StagedPath(t.path);
        const long long stagedAt = ModifiedNs(staged);
        if (stagedAt >= 0) {
            // A file written after its copy was staged holds later work: keep it.
            const bool stale = checkStale && (ModifiedNs(t.path) > stagedAt ||
                                              (!t.alsoRemove.empty() && ModifiedNs(t.alsoRemove) > stagedAt));
            if (stale) {
                RemoveFile(staged);
                continue;
            }
            if (::rename(staged.c_str(), t.path.c_str()) != 0) {
                NoteFailure(t.path, errno);
                result = -2;
                continue;
            }
            if (installed != nullptr) installed->push_back(t.path);
        } else if (!t.alsoRemove.empty() && ModifiedNs(t.alsoRemove) > ModifiedNs(t.path)) {
            // Installed before the crash; a progress record written after that is newer work.
            continue;
        }
        if (!t.alsoRemove.empty() && !RemoveFile(t.alsoRemove)) {
            NoteFailure(t.alsoRemove, errno);
            result = -2;
        }
    }
    return result;
}

int ReceiveLedger::Prune(const std::string& account, const std::vector<std::string>& onServer) {
    if (installPending_) return 0;  // the file still carries a batch to finish
    const std::string name = OneLine(account);
    std::unordered_set<std::string> present;
    if (name == account_) present.insert(onServer.begin(), onServer.end());
    std::unordered_set<std::string> keptApplied, keptFailed;
    for (const std::string& uid : applied_)
        if (present.count(uid) != 0) keptApplied.insert(uid);
    for (const std::string& uid : failed_)
        if (present.count(uid) != 0) keptFailed.insert(uid);
    const bool fileExists = Exists(path_);
    if (name == account_ && keptApplied.size() == applied_.size() && keptFailed.size() == failed_.size() &&
        (fileExists || (keptApplied.empty() && keptFailed.empty())))
        return 0;

    std::string text = "A " + name + "\n";
    for (const std::string& uid : onServer) {
        if (keptApplied.count(uid) != 0) text += "U " + uid + "\n";
        if (keptFailed.count(uid) != 0) text += "X " + uid + "\n";
    }
    // Batch numbers go on rising after a rewrite, so a later record is never mistaken for
    // an earlier one.
    text += "I " + std::to_string(lastNumber_) + "\n";
    if (!platform::WriteFileAtomically(path_, text, true)) return -1;
    account_ = name;
    applied_ = std::move(keptApplied);
    failed_ = std::move(keptFailed);
    return 0;
}

int ReceiveLedger::NoteFailedFetch(const std::string& uid) {
    if (Append("X " + OneLine(uid) + "\n", Flush::kTry) != 0) return -1;
    failed_.insert(uid);
    return 0;
}

int ReceiveLedger::Prepare(const std::vector<Target>& targets) {
    // The waiting batch's staged copies must not be written over (see above).
    if (installPending_) return -2;
    prepared_ = Batch();
    prepared_.number = ++lastNumber_;
    prepared_.targets = targets;
    hasPrepared_ = true;
    hasCommitted_ = false;
    std::string record = "P " + std::to_string(prepared_.number) + "\n";
    AppendTargets(record, targets);
    record += "Q " + std::to_string(prepared_.number) + "\n";
    return Append(record, Flush::kNone);
}

int ReceiveLedger::Commit(const std::vector<std::string>& uids) {
    if (!hasPrepared_) return -1;
    for (const Target& t : prepared_.targets)
        if (!SyncFile(StagedPath(t.path))) return -1;
    std::string record = "C " + std::to_string(prepared_.number) + "\n";
    for (const std::string& uid : uids) record += "U " + OneLine(uid) + "\n";
    AppendTargets(record, prepared_.targets);
    record += "E " + std::to_string(prepared_.number) + "\n";
    if (Append(record, Flush::kMust) != 0) return -1;
    prepared_.uids = uids;
    for (const std::string& uid : uids) applied_.insert(uid);
    hasCommitted_ = true;
    return 0;
}

int ReceiveLedger::Install() {
    if (!hasCommitted_) return -1;
    failedFile_.clear();
    failedError_ = 0;
    if (InstallBatch(prepared_, false, nullptr) != 0) {
        installPending_ = true;
        return -2;
    }
    hasPrepared_ = hasCommitted_ = false;
    return Append("I " + std::to_string(prepared_.number) + "\n", Flush::kNone);
}

void ReceiveLedger::Abandon() {
    if (!hasPrepared_ || hasCommitted_) return;
    for (const Target& t : prepared_.targets) RemoveFile(StagedPath(t.path));
    hasPrepared_ = false;
}
