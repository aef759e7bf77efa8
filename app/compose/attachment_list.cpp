#include "app/compose/attachment_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/path.h"
#include "platform/safe_write.h"

namespace compose {

namespace {

std::uint64_t SizeOf(const std::string& text) { return std::strtoull(text.c_str(), nullptr, 10); }

}  // namespace

void AttachmentList::Load(const std::vector<AttachmentPair>& pairs) {
    entries_.clear();
    for (const auto& [name, size] : pairs) entries_.push_back({name, size, std::string(), true, false});
}

int AttachmentList::EntryOfRow(int row) const {
    int shown = -1;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (!entries_[i].deleted && ++shown == row) return static_cast<int>(i);
    return -1;
}

int AttachmentList::RowCount() const {
    int n = 0;
    for (const AttachmentEntry& e : entries_) n += e.deleted ? 0 : 1;
    return n;
}

const AttachmentEntry& AttachmentList::Row(int row) const { return entries_[static_cast<std::size_t>(EntryOfRow(row))]; }

bool AttachmentList::HasName(const std::string& fileName) const {
    for (const AttachmentEntry& e : entries_)
        if (!e.deleted && e.fileName == fileName) return true;
    return false;
}

int AttachmentList::Add(const std::string& fileName, std::uint64_t size, const std::string& sourcePath) {
    entries_.push_back({fileName, std::to_string(size), sourcePath, false, false});
    return RowCount() - 1;
}

void AttachmentList::RemoveRow(int row) {
    const int i = EntryOfRow(row);
    if (i < 0) return;
    if (entries_[static_cast<std::size_t>(i)].existing) entries_[static_cast<std::size_t>(i)].deleted = true;
    else entries_.erase(entries_.begin() + i);
}

AttachmentList::SizeCheck AttachmentList::CheckSizes() {
    SizeCheck check;
    std::uint64_t total = 0;
    for (AttachmentEntry& e : entries_) {
        if (e.deleted) continue;
        if (!e.existing) {
            const std::optional<std::uint64_t> size = ReadableFileSize(e.sourcePath);
            if (!size) {
                check.result = SizeCheck::kUnreadable;
                check.path = e.sourcePath;
                return check;
            }
            e.size = std::to_string(*size);
        }
        total += SizeOf(e.size);
        if (total > kMaxTotalBytes) {
            check.result = SizeCheck::kTooLarge;
            return check;
        }
    }
    return check;
}

AttachmentList::Applied AttachmentList::Apply(const std::string& folder) const {
    Applied applied;
    // Removals first: a removed attachment and an added file may share a name.
    for (const AttachmentEntry& e : entries_)
        if (e.existing && e.deleted) ::unlink(platform::JoinPath(folder, e.fileName).c_str());
    for (const AttachmentEntry& e : entries_) {
        if (e.deleted) continue;
        if (!e.existing && !CopyFileSafely(e.sourcePath, platform::JoinPath(folder, e.fileName))) {
            applied.failedSources.push_back(e.sourcePath);
            continue;
        }
        applied.list.emplace_back(e.fileName, e.size);
    }
    return applied;
}

std::optional<std::uint64_t> ReadableFileSize(const std::string& path) {
    const int fd = platform::OpenNamedFile(path, O_RDONLY);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!ok) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool CopyFileSafely(const std::string& from, const std::string& to) {
    std::FILE* in = platform::OpenNamedStream(from);
    if (in == nullptr) return false;
    platform::AtomicFile out;
    bool ok = out.Open(to);
    char buffer[64 * 1024];
    while (ok) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, in);
        if (n > 0 && !out.Write(std::string_view(buffer, n))) ok = false;
        if (n < sizeof buffer) {
            if (std::ferror(in)) ok = false;
            break;
        }
    }
    std::fclose(in);
    if (!ok) {
        out.Abort();
        return false;
    }
    return out.Commit();
}

}  // namespace compose
