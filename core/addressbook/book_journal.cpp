#include "core/addressbook/book_journal.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

#include "core/addressbook/one_customer.h"

namespace {

constexpr std::string_view kBegin = "B";
constexpr std::string_view kAnchor = "A";
constexpr std::string_view kRow = "U";
constexpr std::string_view kCopy = "C";
constexpr std::string_view kEnd = "E";

}  // namespace

std::string BookFileVersion(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? "-" : std::string();
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
           std::to_string(static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec);
}

void BookJournal::Bind(const std::string& path, const char* key) {
    keyed_ = key != nullptr;
    key_ = keyed_ ? key : "";
    file_.Bind(path, key, {kTag, kFormat});
    bases_.clear();
    base_.clear();
    started_ = false;
    batch_ = 0;
}

void BookJournal::Unbind() {
    file_.Unbind();
    bases_.clear();
    base_.clear();
    started_ = false;
    batch_ = 0;
}

bool BookJournal::CodedWith(const char* key) const {
    return key == nullptr ? !keyed_ : keyed_ && key_ == key;
}

int BookJournal::Replay(const std::string& version,
                        const std::function<void(const std::vector<std::string_view>&)>& apply) {
    Discard();
    bases_.clear();
    started_ = false;
    bool applying = false;
    int applied = 0;
    // The records of the batch being read; they count only once its end is read.
    std::vector<std::vector<std::string>> batch;
    bool inBatch = false;
    std::vector<std::string_view> row;
    const auto take = [&](const std::vector<std::string>& record) {
        const std::string_view kind = record[0];
        if (kind == kAnchor && record.size() == 2) {
            if (started_) return;  // only the first one counts
            started_ = true;
            bases_.push_back(record[1]);
            applying = !version.empty() && record[1] == version;
        } else if (kind == kCopy && record.size() == 2 && started_) {
            bases_.push_back(record[1]);
            if (!version.empty() && record[1] == version) applying = true;
        } else if (kind == kRow && record.size() == 1 + static_cast<std::size_t>(kCustomerElementCount) && applying) {
            row.assign(record.begin() + 1, record.end());
            apply(row);
            ++applied;
        }
    };
    using Step = std::function<bool(const std::vector<std::string_view>&)>;
    const int r = file_.Replay(Step([&](const std::vector<std::string_view>& fields) -> bool {
        if (fields.empty()) return false;
        if (fields[0] == kBegin) {
            // Records before it belong to an append that failed half-way: never whole.
            batch.clear();
            inBatch = true;
            return false;
        }
        if (fields[0] != kEnd) {
            if (inBatch) batch.emplace_back(fields.begin(), fields.end());
            return false;
        }
        std::size_t n = 0;
        const std::string_view count = fields.size() == 2 ? fields[1] : std::string_view();
        const auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), n);
        const bool whole =
            inBatch && ec == std::errc() && end == count.data() + count.size() && n == batch.size();
        // A batch with a record missing (one that failed its checksum) is dropped whole.
        if (whole)
            for (const auto& record : batch) take(record);
        batch.clear();
        inBatch = false;
        return whole;
    }));
    if (r < 0) {
        bases_.clear();
        started_ = false;
        return -1;
    }
    if (started_ && std::find(bases_.begin(), bases_.end(), version) != bases_.end() && !version.empty())
        return applied;
    // No journal, or one written for a book that has been replaced since: start afresh.
    if (Restart(version) != 0) return -1;
    return 0;
}

bool BookJournal::Extends(const std::string& version) const {
    if (version.empty()) return false;
    if (!started_) return version == base_;
    return std::find(bases_.begin(), bases_.end(), version) != bases_.end();
}

int BookJournal::Restart(const std::string& version) {
    Discard();
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

void BookJournal::AddCopy(const std::string& version) {
    Add({kCopy, version});
    batchCopies_.push_back(version);
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
    bases_.insert(bases_.end(), batchCopies_.begin(), batchCopies_.end());
    batchCopies_.clear();
    return 0;
}

void BookJournal::Discard() {
    file_.DropPending();
    batch_ = 0;
    batchCopies_.clear();
}
