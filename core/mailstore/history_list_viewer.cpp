#include "core/mailstore/history_list_viewer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <limits>
#include <mutex>

#include "core/addressbook/database_edit.h"
#include "core/foundation/csv_read.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/record_walk.h"
#include "core/foundation/store_key.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/mail_list_viewer.h"
#include "platform/named_mutex.h"
#include "platform/notifier.h"
#include "platform/path.h"
#include "platform/safe_write.h"

namespace {

using Lock = std::lock_guard<platform::NamedMutex>;

int ToInt(std::string_view s) { return std::atoi(std::string(s).c_str()); }

std::uint64_t HashOf(std::string_view s) { return std::hash<std::string_view>{}(s); }
std::uint64_t KeyOf(int customerID) { return static_cast<std::uint64_t>(static_cast<std::int64_t>(customerID)); }

std::uint64_t FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

// The first field of a progress record that marks a send in flight: "P", customer ID,
// attempts (0: the mark ends), Message-ID. Row records start with a customer ID.
constexpr std::string_view kPendingTag = "P";
// The first field of a record of a deferral: "D", customer ID, the time of the first
// deferral ("YYYY/MM/DD hh:mm:ss").
constexpr std::string_view kDeferralTag = "D";

// The first field of a record of reserved attempts: "G", the boot it was written in, then
// for each recipient its customer ID and the number of the attempt reserved.
constexpr std::string_view kReservationTag = "G";

// Whether a row in this state is the recipient's outcome for good (sent, failed).
bool Settled(std::string_view state) { return state == "C" || state == "E"; }

std::mutex& BootIdMutex() {
    static std::mutex m;
    return m;
}
std::string& BootIdForTesting() {
    static std::string id;
    return id;
}

// The boot the process runs in: what was written in it and not flushed is still in the
// page cache, whatever became of the process that wrote it. Empty when the system does not
// tell (a reservation then always counts).
std::string CurrentBootId() {
    {
        std::lock_guard<std::mutex> lock(BootIdMutex());
        if (!BootIdForTesting().empty()) return BootIdForTesting();
    }
    static const std::string id = [] {
        std::string text;
        if (!platform::ReadNamedFile("/proc/sys/kernel/random/boot_id", text)) return std::string();
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        return text;
    }();
    return id;
}

[[noreturn]] void FailConstruction(CErrMsg& err, int code) {
    if (code != 0) err.SetErr(code);
    platform::Notify(err.GetLastMsg());
    throw platform::UserException(err.GetLastMsg());
}

}  // namespace

HistoryListViewer::HistoryListViewer() = default;

HistoryListViewer::HistoryListViewer(EnvManager* env) {
    if (SetEnvManager(env) == 0) FailConstruction(err_, 5008);
}

HistoryListViewer::HistoryListViewer(EnvManager* env, SystemOption* options, RecipientRecords* book,
                                     CMailListViewer* mails) {
    if (SetEnvManager(env) == 0) FailConstruction(err_, 5008);
    if (SetSystemOption(options) == 0) FailConstruction(err_, 5009);
    if (SetDatabaseEdit(book) == 0) FailConstruction(err_, 5010);
    if (SetMailListViewer(mails) == 0) FailConstruction(err_, 5012);
}

HistoryListViewer::HistoryListViewer(EnvManager* env, SystemOption* options, RecipientRecords* book,
                                     CMailListViewer* mails, int mailID)
    : HistoryListViewer(env, options, book, mails) {
    if (SetMailID(mailID, 0) != 0) FailConstruction(err_, 0);
}

HistoryListViewer::HistoryListViewer(EnvManager* env, SystemOption* options, CDatabaseEdit* book,
                                     CMailListViewer* mails) {
    if (SetEnvManager(env) == 0) FailConstruction(err_, 5008);
    if (SetSystemOption(options) == 0) FailConstruction(err_, 5009);
    if (SetDatabaseEdit(book) == 0) FailConstruction(err_, 5010);
    if (SetMailListViewer(mails) == 0) FailConstruction(err_, 5012);
}

HistoryListViewer::HistoryListViewer(EnvManager* env, SystemOption* options, CDatabaseEdit* book,
                                     CMailListViewer* mails, int mailID)
    : HistoryListViewer(env, options, book, mails) {
    if (SetMailID(mailID, 0) != 0) FailConstruction(err_, 0);
}

// ---- Binding ----------------------------------------------------------------------------

int HistoryListViewer::SetEnvManager(EnvManager* env) {
    if (env_ != nullptr || env == nullptr) return 0;
    env_ = env;
    if (options_ != nullptr) options_->SetEnvManager(env);
    if (mails_ != nullptr) mails_->SetEnvManager(env);
    if (ownBook_ != nullptr) ownBook_->GetDatabaseEdit()->SetEnvManager(env);
    return 1;
}

int HistoryListViewer::SetSystemOption(SystemOption* options) {
    if (options_ != nullptr || options == nullptr) return 0;
    options_ = options;
    if (env_ != nullptr) options_->SetEnvManager(env_);
    return 1;
}

int HistoryListViewer::SetDatabaseEdit(RecipientRecords* book) {
    if (book_ != nullptr || book == nullptr) return 0;
    book_ = book;
    return 1;
}

int HistoryListViewer::SetDatabaseEdit(CDatabaseEdit* book) {
    if (book_ != nullptr || book == nullptr) return 0;
    ownBook_ = std::make_unique<DatabaseEditRecords>(book);
    book_ = ownBook_.get();
    if (env_ != nullptr) book->SetEnvManager(env_);
    return 1;
}

int HistoryListViewer::SetMailListViewer(CMailListViewer* mails) {
    if (mails_ != nullptr || mails == nullptr) return 0;
    mails_ = mails;
    if (env_ != nullptr) mails_->SetEnvManager(env_);
    return 1;
}

int HistoryListViewer::SetMailID(int mailID, int skipCheck) {
    if (env_ == nullptr) return Fail(5001, -1);
    if (mails_ == nullptr) return Fail(5011, -11);
    if (skipCheck == 0 && mails_->FindMailData(mailID) != 0) return Fail(5014, -14);
    Clear();
    mailID_ = mailID;
    return 0;
}

void HistoryListViewer::Clear() {
    rows_.clear();
    customerIndex_.Clear();
    messageHead_.Clear();
    next_.clear();
    prev_.clear();
    dirty_.clear();
    dirtyMark_.clear();
    pending_.clear();
    reserved_.clear();
    deferred_.clear();
    tally_ = Tally{};
    repeats_.clear();
    journal_.Unbind();
    changed_ = 0;
    readState_ = ReadState::kUnread;
    fileBytes_ = 0;
}

std::string HistoryListViewer::Path() const { return env_layout::MailHistoryFile(*env_, mailID_); }

std::string HistoryListViewer::JournalPath() const { return env_layout::MailHistoryProgressFile(*env_, mailID_); }

int HistoryListViewer::BindJournal() {
    if (journal_.IsBound()) return 0;
    StoreKey key;
    if (GetStoreKey(env_, key) != 0) return Fail(4207, -27);
    journal_.Bind(JournalPath(), key.get(), {"OMBREL-HISTORY-PROGRESS", "1", std::to_string(mailID_)});
    return 0;
}

// ---- Indexes ------------------------------------------------------------------------------

void HistoryListViewer::IndexMessageID(int row) {
    const std::size_t r = static_cast<std::size_t>(row);
    next_[r] = prev_[r] = -1;
    const std::string_view id = Element(row, kMessageID);
    if (id.empty()) return;  // never-sent rows: looked up by a scan, never by the index
    bool fresh = false;
    HistoryIndex::Value& c = messageHead_.Insert(HashOf(id), fresh);
    if (fresh) {
        c.first = c.last = row;
        return;
    }
    if (row > c.last) {  // the usual case: a row appended or a later row changed
        next_[static_cast<std::size_t>(c.last)] = row;
        prev_[r] = c.last;
        c.last = row;
        return;
    }
    if (row < c.first) {
        prev_[static_cast<std::size_t>(c.first)] = row;
        next_[r] = c.first;
        c.first = row;
        return;
    }
    int p = c.first;
    while (next_[static_cast<std::size_t>(p)] < row) p = next_[static_cast<std::size_t>(p)];
    const int n = next_[static_cast<std::size_t>(p)];
    next_[static_cast<std::size_t>(p)] = row;
    prev_[r] = p;
    next_[r] = n;
    prev_[static_cast<std::size_t>(n)] = row;
}

void HistoryListViewer::UnindexMessageID(int row) {
    const std::size_t r = static_cast<std::size_t>(row);
    const std::string_view id = Element(row, kMessageID);
    if (id.empty()) return;
    const std::uint64_t hash = HashOf(id);
    HistoryIndex::Value* c = messageHead_.Find(hash);
    if (c == nullptr) return;
    const int p = prev_[r], n = next_[r];
    if (p >= 0) next_[static_cast<std::size_t>(p)] = n;
    if (n >= 0) prev_[static_cast<std::size_t>(n)] = p;
    if (c->first == row) c->first = n;
    if (c->last == row) c->last = p;
    if (c->first < 0) messageHead_.Erase(hash);
    next_[r] = prev_[r] = -1;
}

void HistoryListViewer::RebuildIndexes() {
    customerIndex_.Clear();
    customerIndex_.Reserve(rows_.size());
    messageHead_.Clear();
    messageHead_.Reserve(rows_.size());
    next_.assign(rows_.size(), -1);
    prev_.assign(rows_.size(), -1);
    dirtyMark_.assign(rows_.size(), 0);
    tally_ = Tally{};
    repeats_.clear();
    for (int row = 0; row < GetRecordNumber(); ++row) {
        const int customer = ToInt(Element(row, kCustomerID));
        bool fresh = false;
        customerIndex_.Insert(KeyOf(customer), fresh).first = row;
        if (!fresh) ++repeats_[customer];
        IndexMessageID(row);
        const Tally t = Contribution(row);
        tally_.attempts += t.attempts;
        tally_.failed += t.failed;
    }
    // A customer with two rows counts twice with the values of the later one (rare: a
    // history from elsewhere): counted again, now that every row is indexed.
    if (!repeats_.empty()) RecountAll();
}

void HistoryListViewer::RecountAll() {
    tally_ = Tally{};
    repeats_.clear();
    for (int row = 0; row < GetRecordNumber(); ++row) {
        const int customer = ToInt(Element(row, kCustomerID));
        // Each row counts with the values of its customer's indexed row (the later of two).
        const int counted = DBID2RowNumber(customer);
        if (counted != row) ++repeats_[customer];
        const Tally t = Contribution(counted);
        tally_.attempts += t.attempts;
        tally_.failed += t.failed;
    }
}

int HistoryListViewer::RowsOfCustomer(int customerID) const {
    if (repeats_.empty()) return 1;
    const auto it = repeats_.find(customerID);
    return it == repeats_.end() ? 1 : it->second + 1;
}

HistoryListViewer::Tally HistoryListViewer::Contribution(int row) const {
    const std::string_view state = Element(row, kState);
    if (state != "W" && state != "E" && state != "C") return {};
    const long long r = ToInt(Element(row, kRetryNum));
    // A failure counts every attempt as failed; a success all but the last.
    return {r + 1, state == "C" ? r : r + 1};
}

void HistoryListViewer::SetCustomerRow(int customerID, int row) {
    bool fresh = false;
    customerIndex_.Insert(KeyOf(customerID), fresh).first = row;
}

void HistoryListViewer::RowRecorded(int customerID, std::string_view state) {
    if (!deferred_.empty()) deferred_.erase(customerID);
    // Only an outcome for good settles the doubt: a recipient waiting for a resend ("W")
    // may still have the message whose answer never came.
    if (!pending_.empty() && Settled(state)) pending_.erase(customerID);
}

void HistoryListViewer::MarkDirty(int row) {
    changed_ = 1;
    if (!pending_.empty() || !deferred_.empty()) RowRecorded(ToInt(Element(row, kCustomerID)), Element(row, kState));
    char& mark = dirtyMark_[static_cast<std::size_t>(row)];
    if (mark) return;
    mark = 1;
    dirty_.push_back(row);
}

void HistoryListViewer::AppendRow(const std::vector<std::string_view>& values) {
    const int row = GetRecordNumber();
    rows_.emplace_back(values.data(), values.size());
    next_.push_back(-1);
    prev_.push_back(-1);
    dirtyMark_.push_back(0);
    SetCustomerRow(ToInt(values[kCustomerID]), row);
    IndexMessageID(row);
    // Always a customer without a row so far (SetHDataFromStructToMemory, Upsert).
    const Tally t = Contribution(row);
    tally_.attempts += t.attempts;
    tally_.failed += t.failed;
    MarkDirty(row);
}

void HistoryListViewer::SetRowElement(int row, int element, std::string_view value) {
    PackedRow& r = rows_[static_cast<std::size_t>(row)];
    if (r.at(static_cast<std::size_t>(element)) == value) return;
    // The counts follow a change of the row that counts for its customer.
    int customer = 0;
    bool counted = false;
    Tally before;
    if (element == kState || element == kRetryNum) {
        customer = ToInt(Element(row, kCustomerID));
        counted = DBID2RowNumber(customer) == row;
        if (counted) before = Contribution(row);
    }
    if (element == kMessageID) UnindexMessageID(row);
    r = r.With(static_cast<std::size_t>(element), value);
    if (element == kMessageID) IndexMessageID(row);
    if (counted) {
        const Tally after = Contribution(row);
        const long long times = RowsOfCustomer(customer);
        tally_.attempts += times * (after.attempts - before.attempts);
        tally_.failed += times * (after.failed - before.failed);
    }
    if (element == kCustomerID) {
        // Rare (no caller renumbers recipients): rebuild so that "the later row wins" holds.
        customerIndex_.Clear();
        for (int i = 0; i < GetRecordNumber(); ++i) SetCustomerRow(ToInt(Element(i, kCustomerID)), i);
        RecountAll();
    }
    MarkDirty(row);
}

void HistoryListViewer::Upsert(const std::vector<std::string_view>& values) {
    if (values.size() != static_cast<std::size_t>(kElements)) return;
    // Even a row replayed over a file that holds it already ends what was recorded before it.
    RowRecorded(ToInt(values[kCustomerID]), values[kState]);
    const HistoryIndex::Value* found = customerIndex_.Find(KeyOf(ToInt(values[kCustomerID])));
    if (found == nullptr) {
        AppendRow(values);
        return;
    }
    const int row = found->first;
    for (int e = 0; e < kElements; ++e) SetRowElement(row, e, values[static_cast<std::size_t>(e)]);
}

int HistoryListViewer::DBID2RowNumber(int customerID) const {
    const HistoryIndex::Value* found = customerIndex_.Find(KeyOf(customerID));
    return found == nullptr ? -1 : found->first;
}

int HistoryListViewer::RowOf(int customerID) {
    const int row = DBID2RowNumber(customerID);
    if (row < 0) err_.SetErr(5004);
    return row;
}

// ---- File -------------------------------------------------------------------------------

int HistoryListViewer::GetHDataFromFileToMemory(int keyGiven, const char* key) {
    if (env_ == nullptr) return Fail(5001, -1);
    if (mailID_ < 0) return Fail(5013, -13);
    platform::NamedMutex mutex(kMutexName);
    Lock lock(mutex);
    Clear();
    readState_ = ReadState::kBad;  // until the read below succeeds
    StoreKey storeKey;
    if (GetStoreKey(env_, storeKey) != 0) return Fail(4207, -27);
    const char* useKey = storeKey.get();
    if (env_->GetEnvType() != 3 && keyGiven != 0) useKey = key;

    const std::string path = Path();
    int result = 0;
    XCsvRead reader;
    reader.SetUseKey(useKey);
    if (reader.OpenFile(path) != 1) {
        if (platform::PathExists(path)) return Fail(5999, -99);
        result = -21;
    } else {
        std::vector<std::string_view> fields(kElements);
        int n = reader.ReadLine();
        if (n < 0) result = -22;
        // Unlike the other record files, this one may not start with a blank line.
        RecordWalk walk = RecordWalk::kDamaged;
        if (n != 0) {
            walk = WalkRecords(reader, n, [&](int count) {
                if (count != kElements) return false;
                for (int i = 0; i < kElements; ++i) fields[static_cast<std::size_t>(i)] = reader.GetDataView(i);
                rows_.emplace_back(fields.data(), fields.size());
                return true;
            });
        }
        if (walk != RecordWalk::kWhole) {
            Clear();
            readState_ = ReadState::kBad;
            // A read error is not the end of the file: it could not be read.
            return walk == RecordWalk::kReadError ? Fail(5999, -99) : Fail(5203, -23);
        }
        fileBytes_ = FileSize(path);
    }
    RebuildIndexes();

    // Replay what was recorded after the last save.
    if (BindJournal() != 0) {
        Clear();
        readState_ = ReadState::kBad;
        return Fail(4207, -27);
    }
    const int replayed = journal_.Replay([this](const std::vector<std::string_view>& f) {
        if (!f.empty() && f[0] == kPendingTag) ApplyPendingRecord(f);
        else if (!f.empty() && f[0] == kDeferralTag) ApplyDeferralRecord(f);
        else if (!f.empty() && f[0] == kReservationTag) ApplyReservationRecord(f);
        else Upsert(f);
    });
    if (replayed < 0) {
        Clear();
        readState_ = ReadState::kBad;
        return Fail(5999, -99);
    }
    // A record that holds nothing (a run killed while it started one, or whose only entry
    // was torn) goes now: no save would ever remove it, the file being up to date. A
    // record being written is never empty here, its first entry following under the lock.
    // Should it stay (a folder that cannot be written), replaying it again is harmless.
    if (replayed == 0 && !journal_.HasPending()) (void)journal_.Remove();
    // Replayed rows are in the journal already: nothing to record again, but the file is
    // behind memory until the next save.
    for (int row : dirty_) dirtyMark_[static_cast<std::size_t>(row)] = 0;
    dirty_.clear();
    changed_ = replayed > 0 ? 1 : 0;
    readState_ = ReadState::kGood;
    pace_.Saved();
    if (result != 0 && !rows_.empty()) result = 0;
    if (result == -21) return Fail(5201, -21);
    if (result == -22) return Fail(5202, -22);
    return 0;
}

int HistoryListViewer::CheckWritable() {
    if (env_ == nullptr) return Fail(5001, -1);
    if (mailID_ < 0) return Fail(5013, -13);
    if (readState_ == ReadState::kBad) return Fail(5205, -25);
    return 0;
}

int HistoryListViewer::WriteFile(const std::string& path, const char* key, std::uint64_t* bytes) {
    XCsvWrite writer;
    writer.SetUseKey(key);
    if (writer.OpenFile(path, WriteMode::kSafeSync) != 1) return -1;
    std::uint64_t total = 0;
    for (const PackedRow& row : rows_) {
        writer.BufferEmpty();
        for (std::size_t i = 0; i < static_cast<std::size_t>(kElements); ++i) writer.SetData(row.at(i));
        const int n = writer.WriteLine();
        if (n < 0) {
            writer.AbortFile();
            return -1;
        }
        total += static_cast<std::uint64_t>(n);
    }
    if (writer.CloseFile() != 0) return -1;
    if (bytes != nullptr) *bytes = total;
    return 0;
}

int HistoryListViewer::Write(int compel) {
    if (const int r = CheckWritable(); r != 0) return r;
    if (changed_ == 0 && compel == 0) return 0;
    StoreKey key;
    if (GetStoreKey(env_, key) != 0) return Fail(4207, -27);
    platform::NamedMutex mutex(kMutexName);
    Lock lock(mutex);
    // What waits for the next append goes first: should the save be cut short before the
    // progress record is replaced, the old one replayed over the new file holds it too.
    if (journal_.HasPending()) (void)journal_.Commit();
    std::uint64_t bytes = 0;
    if (WriteFile(Path(), key.get(), &bytes) != 0) return Fail(5204, -24);
    // The file now holds every row the progress record held; what stays is the sends in
    // flight. Should the replacement fail, replaying the old record over the new file
    // changes nothing (it holds whole rows and the same marks).
    // Flushed like the file, whatever the pace of the appends: it alone carries the sends
    // in flight over the save.
    if (BindJournal() == 0) {
        std::vector<std::string> texts;
        const bool sync = journal_.GetSync();
        journal_.SetSync(true);
        journal_.Replace(PendingRecords(texts));
        journal_.SetSync(sync);
    }
    for (int row : dirty_) dirtyMark_[static_cast<std::size_t>(row)] = 0;
    dirty_.clear();
    changed_ = 0;
    fileBytes_ = bytes;
    savedBytes_ += bytes;
    pace_.Saved();
    return 0;
}

int HistoryListViewer::WriteHDataFromMemoryToFile() { return Write(0); }
int HistoryListViewer::WriteHDataFromMemoryToFileCompel() { return Write(1); }

int HistoryListViewer::WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key) {
    if (WriteFile(platform::FixPath(path), key, nullptr) != 0) return Fail(5204, -24);
    return 0;
}

void HistoryListViewer::AddDirtyRows() {
    std::vector<std::string_view> fields(kElements);
    for (int row : dirty_) {
        for (int i = 0; i < kElements; ++i) fields[static_cast<std::size_t>(i)] = Element(row, i);
        journal_.Add(fields);
        dirtyMark_[static_cast<std::size_t>(row)] = 0;
    }
    dirty_.clear();
}

int HistoryListViewer::FlushProgress() { return journal_.Flush() == 0 ? 0 : Fail(5206, -26); }

int HistoryListViewer::RecordProgress() {
    if (const int r = CheckWritable(); r != 0) return r;
    if (dirty_.empty() && !journal_.HasPending()) return 0;
    if (BindJournal() != 0) return -27;
    platform::NamedMutex mutex(kMutexName);
    Lock lock(mutex);
    AddDirtyRows();
    if (journal_.Commit() != 0) return Fail(5206, -26);
    return 0;
}

// ---- Sends in flight ------------------------------------------------------------------------

int HistoryListViewer::MarkSendPending(int customerID, const std::string& messageID) {
    if (const int r = CheckWritable(); r != 0) return r;
    if (BindJournal() != 0) return -27;
    PendingSend& p = pending_[customerID];
    const std::string attempts = std::to_string(p.attempts + 1);
    const std::string customer = std::to_string(customerID);
    // A reserved attempt is on the disk already; any other is flushed with its mark.
    const auto reservation = reserved_.find(customerID);
    const bool reserved = reservation != reserved_.end() && reservation->second == p.attempts + 1;
    {
        platform::NamedMutex mutex(kMutexName);
        Lock lock(mutex);
        // The rows changed so far go first (a row recorded after the mark ends it), in the
        // same append as the mark: one write for the last outcome and the next mark.
        AddDirtyRows();
        const std::size_t rows = journal_.PendingSize();
        journal_.Add({kPendingTag, customer, attempts, messageID});
        const bool sync = journal_.GetSync();
        if (!reserved) journal_.SetSync(true);
        const int committed = journal_.Commit();
        journal_.SetSync(sync);
        if (committed != 0) {
            journal_.DropPendingFrom(rows);  // the rows stay for the next try, the mark goes
            if (p.attempts == 0) pending_.erase(customerID);
            return Fail(5206, -26);
        }
    }
    if (reservation != reserved_.end()) reserved_.erase(reservation);
    ++p.attempts;
    p.earlierID = std::move(p.messageID);
    p.messageID = messageID;
    changed_ = 1;  // the next save carries the mark over
    return 0;
}

int HistoryListViewer::ReserveSends(const std::vector<int>& customerIDs) {
    if (const int r = CheckWritable(); r != 0) return r;
    if (BindJournal() != 0) return -27;
    std::vector<std::string> texts;
    texts.reserve(customerIDs.size() * 2 + 2);
    texts.emplace_back(kReservationTag);
    texts.push_back(CurrentBootId());
    std::vector<int> added;
    for (int customer : customerIDs) {
        if (reserved_.count(customer) != 0) continue;
        const auto p = pending_.find(customer);
        const int attempt = (p != pending_.end() ? p->second.attempts : 0) + 1;
        reserved_.emplace(customer, attempt);
        added.push_back(customer);
        texts.push_back(std::to_string(customer));
        texts.push_back(std::to_string(attempt));
    }
    if (added.empty()) return 0;
    const std::vector<std::string_view> fields(texts.begin(), texts.end());
    platform::NamedMutex mutex(kMutexName);
    Lock lock(mutex);
    const std::size_t before = journal_.PendingSize();
    journal_.Add(fields);
    const bool sync = journal_.GetSync();
    journal_.SetSync(true);
    const int committed = journal_.Commit();
    journal_.SetSync(sync);
    if (committed != 0) {
        journal_.DropPendingFrom(before);
        for (int customer : added) reserved_.erase(customer);
        return Fail(5206, -26);
    }
    return 0;
}

void HistoryListViewer::DropReservations() {
    if (reserved_.empty()) return;
    reserved_.clear();
    changed_ = 1;  // the next save writes the progress record without them
}

void HistoryListViewer::SetBootIdForTesting(std::string id) {
    std::lock_guard<std::mutex> lock(BootIdMutex());
    BootIdForTesting() = std::move(id);
}

void HistoryListViewer::ApplyReservationRecord(const std::vector<std::string_view>& fields) {
    if (fields.size() < 2 || fields.size() % 2 != 0) return;
    // Written in this boot: the marks that followed it are all in the file (a process
    // killed loses nothing it wrote), and they alone tell what went out.
    const std::string boot = CurrentBootId();
    if (!boot.empty() && fields[1] == boot) return;
    for (std::size_t i = 2; i + 1 < fields.size(); i += 2) {
        const int customer = ToInt(fields[i]);
        const int attempt = ToInt(fields[i + 1]);
        // A save cut short replays the record over a file whose row settled the person.
        const int row = DBID2RowNumber(customer);
        if (attempt <= 0 || (row >= 0 && Settled(Element(row, kState)))) continue;
        PendingSend& p = pending_[customer];
        if (p.attempts >= attempt) continue;
        // The attempt's message is not known: its mark, if any, was lost with the power.
        p.attempts = attempt;
        p.earlierID = std::move(p.messageID);
        p.messageID.clear();
    }
}

void HistoryListViewer::ClearSendPending(int customerID, const std::string& messageID) {
    const auto it = pending_.find(customerID);
    if (it == pending_.end() || it->second.messageID != messageID || BindJournal() != 0) return;
    PendingSend& p = it->second;
    --p.attempts;
    p.messageID = std::move(p.earlierID);
    p.earlierID.clear();
    const std::string attempts = std::to_string(p.attempts);
    const std::string last = p.messageID;
    if (p.attempts <= 0) pending_.erase(it);
    AddDirtyRows();
    journal_.Add({kPendingTag, std::to_string(customerID), attempts, last});
    changed_ = 1;
}

std::vector<std::vector<std::string_view>> HistoryListViewer::PendingRecords(std::vector<std::string>& texts) const {
    texts.clear();
    // Room for every field first: the records view the texts.
    texts.reserve(pending_.size() * 3 + deferred_.size() * 2 + (reserved_.empty() ? 0 : reserved_.size() * 2 + 2));
    for (const auto& [customer, p] : pending_) {
        texts.push_back(std::to_string(customer));
        texts.push_back(std::to_string(p.attempts));
        texts.push_back(p.messageID);
    }
    for (const auto& [customer, first] : deferred_) {
        texts.push_back(std::to_string(customer));
        texts.push_back(Convert_COleDateTime2DateData(first));
    }
    std::vector<std::vector<std::string_view>> records;
    const std::size_t marks = pending_.size() * 3;
    for (std::size_t i = 0; i < marks; i += 3) records.push_back({kPendingTag, texts[i], texts[i + 1], texts[i + 2]});
    for (std::size_t i = marks; i < texts.size(); i += 2) records.push_back({kDeferralTag, texts[i], texts[i + 1]});
    // The reservations not used yet go on into the new record: a message of the group may
    // still go out without a flush of its own.
    if (!reserved_.empty()) {
        const std::size_t first = texts.size();
        texts.emplace_back(kReservationTag);
        texts.push_back(CurrentBootId());
        for (const auto& [customer, attempt] : reserved_) {
            texts.push_back(std::to_string(customer));
            texts.push_back(std::to_string(attempt));
        }
        records.emplace_back(texts.begin() + static_cast<std::ptrdiff_t>(first), texts.end());
    }
    return records;
}

int HistoryListViewer::WriteProgressTo(const std::string& path) {
    if (const int r = CheckWritable(); r != 0) return r;
    if (BindJournal() != 0) return -27;
    platform::NamedMutex mutex(kMutexName);
    Lock lock(mutex);
    const std::size_t before = journal_.PendingSize();
    std::vector<int> rows = dirty_;
    AddDirtyRows();
    if (journal_.WritePendingTo(platform::FixPath(path)) != 0) {
        // The rows stay changed for a later record or save.
        journal_.DropPendingFrom(before);
        for (int row : rows) dirtyMark_[static_cast<std::size_t>(row)] = 1;
        dirty_ = std::move(rows);
        return Fail(5206, -26);
    }
    return 0;
}

int HistoryListViewer::GetSendPending(int customerID, std::string* messageID) const {
    const auto it = pending_.find(customerID);
    if (it == pending_.end()) return 0;
    if (messageID != nullptr) *messageID = it->second.messageID;
    return it->second.attempts;
}

void HistoryListViewer::ApplyPendingRecord(const std::vector<std::string_view>& fields) {
    if (fields.size() != 4) return;
    const int customer = ToInt(fields[1]);
    const int attempts = ToInt(fields[2]);
    // A row that carries the mark's Message-ID holds that very send's outcome (a progress
    // record left over from a save that was cut short after writing the file).
    const int row = DBID2RowNumber(customer);
    if (attempts <= 0 || (row >= 0 && !fields[3].empty() && Element(row, kMessageID) == fields[3])) {
        pending_.erase(customer);
        return;
    }
    pending_[customer] = PendingSend{attempts, std::string(fields[3]), std::string()};
}

// ---- Deferrals --------------------------------------------------------------------------------

platform::DateTime HistoryListViewer::NoteDeferral(int customerID, const platform::DateTime& now) {
    // Only the first answer sets the time. A clock set back since must not move it earlier
    // (the clock put right again would find five days gone at once): the time kept stays,
    // and the five days count from it as the clock reads then.
    const auto it = deferred_.find(customerID);
    if (it != deferred_.end()) return it->second;
    deferred_[customerID] = now;
    if (BindJournal() == 0) journal_.Add({kDeferralTag, std::to_string(customerID), Convert_COleDateTime2DateData(now)});
    changed_ = 1;  // the next save carries it over
    return now;
}

platform::DateTime HistoryListViewer::GetFirstDeferral(int customerID) const {
    const auto it = deferred_.find(customerID);
    if (it != deferred_.end()) return it->second;
    platform::DateTime none;
    none.SetStatus(platform::DateTime::invalid);
    return none;
}

void HistoryListViewer::ApplyDeferralRecord(const std::vector<std::string_view>& fields) {
    if (fields.size() != 3) return;
    const int customer = ToInt(fields[1]);
    platform::DateTime first;
    if (!Convert_DateData2COleDateTimeChecked(fields[2], first)) return;
    // A record left over from a save cut short, replayed over a row that settled it.
    const int row = DBID2RowNumber(customer);
    if (row >= 0 && Settled(Element(row, kState))) return;
    deferred_[customer] = first;
}

int HistoryListViewer::WriteHDataFromMemoryToFileByPace() {
    if (const int r = RecordProgress(); r != 0) return r;
    if (!pace_.IsDue(journal_.Size(), fileBytes_)) return 0;
    const int w = Write(0);
    return w < 0 ? w : 1;
}

void HistoryListViewer::SetSavePace(int minSeconds, double ratio, std::uint64_t floorBytes) {
    pace_.Set(minSeconds, ratio, floorBytes);
}

// ---- Rows ----------------------------------------------------------------------------------

int HistoryListViewer::SetHDataFromStructToMemory(const HistorySet& h) {
    if (DBID2RowNumber(h.customerID) >= 0) return Fail(5007, -7);
    const std::string id = std::to_string(h.customerID);
    const std::string retry = std::to_string(h.retryNum);
    const std::string date = Convert_COleDateTime2DateData(h.lastSendDate);
    AppendRow({id, h.state, retry, h.openFlag, h.messageID, date});
    return 0;
}

int HistoryListViewer::GetHDataFromMemoryToStruct(std::vector<HistorySet>& out, int first, int last) const {
    out.clear();
    const int count = GetRecordNumber();
    if (count == 0) return 0;
    if (first < 0 || last < 0) {
        first = 0;
        last = count - 1;
    }
    if (last > count - 1) last = count - 1;
    for (int row = first; row <= last; ++row) {
        HistorySet h;
        h.customerID = ToInt(Element(row, kCustomerID));
        h.state = Element(row, kState);
        h.retryNum = ToInt(Element(row, kRetryNum));
        h.openFlag = Element(row, kOpenFlag);
        h.messageID = Element(row, kMessageID);
        h.lastSendDate = Convert_DateData2COleDateTime(Element(row, kLastSendDate));
        out.push_back(std::move(h));
    }
    return static_cast<int>(out.size());
}

std::string HistoryListViewer::GetElementFromMemoryPinPoint(int customerID, int element) {
    const int row = RowOf(customerID);
    if (row < 0) return std::string();
    if (element < 0 || element >= kElements) {
        err_.SetErr(5006);
        return std::string();
    }
    return std::string(Element(row, element));
}

int HistoryListViewer::SetElementToMemoryPinPoint(int customerID, int element, const std::string& text) {
    const int row = RowOf(customerID);
    if (row < 0) return -4;
    if (element < 0 || element >= kElements) return Fail(5006, -6);
    SetRowElement(row, element, text);
    return 0;
}

int HistoryListViewer::TransferState(int customerID, std::string& state, int set) {
    const int row = RowOf(customerID);
    if (row < 0) return -4;
    if (set) SetRowElement(row, kState, state);
    else state = Element(row, kState);
    return 0;
}

int HistoryListViewer::TransferRetryNum(int customerID, int& retryNum, int set) {
    const int row = RowOf(customerID);
    if (row < 0) return -4;
    if (set) SetRowElement(row, kRetryNum, std::to_string(retryNum));
    else retryNum = ToInt(Element(row, kRetryNum));
    return 0;
}

int HistoryListViewer::TransferOpenFlag(int customerID, std::string& flag, int set) {
    const int row = RowOf(customerID);
    if (row < 0) return -4;
    if (set) SetRowElement(row, kOpenFlag, flag);
    else flag = Element(row, kOpenFlag);
    return 0;
}

int HistoryListViewer::TransferMessageID(int customerID, std::string& messageID, int set) {
    const int row = RowOf(customerID);
    if (row < 0) return -4;
    if (set) SetRowElement(row, kMessageID, messageID);
    else messageID = Element(row, kMessageID);
    return 0;
}

int HistoryListViewer::TransferLastSendDate(int customerID, platform::DateTime& date, int set) {
    const int row = RowOf(customerID);
    if (row < 0) return -4;
    if (set) SetRowElement(row, kLastSendDate, Convert_COleDateTime2DateData(date));
    else date = Convert_DateData2COleDateTime(Element(row, kLastSendDate));
    return 0;
}

int HistoryListViewer::RetryNumInc(int customerID) {
    const int row = RowOf(customerID);
    if (row < 0) return -4;
    SetRowElement(row, kRetryNum, std::to_string(ToInt(Element(row, kRetryNum)) + 1));
    return 0;
}

// ---- Queries ---------------------------------------------------------------------------

int HistoryListViewer::ReadOption(int index, std::string& out) {
    return options_->GetSODataFromMemoryPinPoint(index, out) == 0 ? 0 : -1;
}

bool HistoryListViewer::RecipientLive(int customerID, std::string* address) {
    std::string flag;
    if (book_->GetCustomerDataPinPoint(customerID, RecipientRecords::kDeleteFlagElement, flag) != 0) return false;
    if (flag == "Y") return false;
    if (address != nullptr &&
        book_->GetCustomerDataPinPoint(customerID, RecipientRecords::kMailAddressElement, *address) != 0)
        return false;
    return true;
}

int HistoryListViewer::CheckRetrySendOK(int customerID, int skipState) {
    if (options_ == nullptr) return Fail(5002, -2);
    if (book_ == nullptr) return Fail(5003, -3);
    const int row = RowOf(customerID);
    if (row < 0) return -4;
    if (!RecipientLive(customerID, nullptr)) return Fail(5402, -42);
    std::string option;
    if (ReadOption(kOptionResend, option) != 0) return Fail(5015, -15);
    if (option == "N") return Fail(5403, -43);
    if (skipState == 0 && Element(row, kState) == "C") return Fail(5404, -44);
    if (ReadOption(kOptionMaxRetry, option) != 0) return Fail(5015, -15);
    const int m = std::atoi(option.c_str());
    const int r = ToInt(Element(row, kRetryNum));
    if (r >= m) return Fail(5401, -41);
    if (r == -1) return Fail(5403, -43);
    return 0;
}

int HistoryListViewer::GetRetryAddress(std::vector<int>& out) {
    out.clear();
    if (options_ == nullptr) return Fail(5002, -2);
    if (book_ == nullptr) return Fail(5003, -3);
    std::string option;
    if (ReadOption(kOptionResend, option) != 0) return Fail(5015, -15);
    if (option == "N") return 0;
    if (ReadOption(kOptionMaxRetry, option) != 0) return Fail(5015, -15);
    const int m = std::atoi(option.c_str());
    for (int row = 0; row < GetRecordNumber(); ++row) {
        const int id = ToInt(Element(row, kCustomerID));
        if (DBID2RowNumber(id) != row) continue;  // an earlier row of a recipient listed twice
        if (Element(row, kState) != "W") continue;
        const int r = ToInt(Element(row, kRetryNum));
        if (r >= m || r == -1) continue;
        if (!RecipientLive(id, nullptr)) continue;
        out.push_back(id);
    }
    return 0;
}

int HistoryListViewer::GetErrorAddress(std::vector<int>& out) {
    out.clear();
    if (options_ == nullptr) return Fail(5002, -2);
    if (book_ == nullptr) return Fail(5003, -3);
    for (int row = 0; row < GetRecordNumber(); ++row) {
        const int id = ToInt(Element(row, kCustomerID));
        if (DBID2RowNumber(id) != row) continue;
        if (Element(row, kState) != "E") continue;
        if (!RecipientLive(id, nullptr)) continue;
        out.push_back(id);
    }
    return 0;
}

int HistoryListViewer::GetCustomerIDFromMessageID(const std::string& messageID, std::vector<int>& out) {
    out.clear();
    if (messageID.empty()) {
        for (int row = 0; row < GetRecordNumber(); ++row)
            if (Element(row, kMessageID).empty()) out.push_back(ToInt(Element(row, kCustomerID)));
        return 0;
    }
    const HistoryIndex::Value* chain = messageHead_.Find(HashOf(messageID));
    if (chain == nullptr) return 0;
    for (int row = chain->first; row >= 0; row = next_[static_cast<std::size_t>(row)])
        if (Element(row, kMessageID) == messageID) out.push_back(ToInt(Element(row, kCustomerID)));
    return 0;
}

int HistoryListViewer::GetCustomerIDList(std::vector<int>& out, int validOnly, int sentOnly) {
    out.clear();
    if (book_ == nullptr) return Fail(5003, -3);
    std::string address;
    for (int row = 0; row < GetRecordNumber(); ++row) {
        const int id = ToInt(Element(row, kCustomerID));
        if (sentOnly && Element(row, kState) != "C") continue;
        if (validOnly && (!RecipientLive(id, &address) || address.empty())) continue;
        out.push_back(id);
    }
    return 0;
}

void HistoryListViewer::GetCustomerIDListNotDBE(std::vector<int>& out, int sentOnly) const {
    out.clear();
    for (int row = 0; row < GetRecordNumber(); ++row) {
        if (sentOnly && Element(row, kState) != "C") continue;
        out.push_back(ToInt(Element(row, kCustomerID)));
    }
}

int HistoryListViewer::GetNumOneMail(int& attempts, int& failed, int& opened, int& recipients) {
    attempts = failed = opened = recipients = 0;
    if (mailID_ < 0) return 0;
    for (int i = 0; i < GetRecordNumber(); ++i) {
        ++recipients;
        // Each customer counts with the values of its indexed row (the later of two).
        const int row = RowOf(ToInt(Element(i, kCustomerID)));
        if (row < 0) return -4;
        if (Element(row, kOpenFlag) == "Y") ++opened;
        const Tally t = Contribution(row);
        attempts += static_cast<int>(t.attempts);
        failed += static_cast<int>(t.failed);
    }
    return 1;
}

int HistoryListViewer::CountsOnDisk(EnvManager* env, CMailListViewer* mails, int mailID, int& attempts, int& failed,
                                     int& opened) {
    attempts = failed = opened = 0;
    HistoryListViewer history;
    history.SetEnvManager(env);
    history.SetMailListViewer(mails);
    if (const int r = history.SetMailID(mailID, 1); r != 0) return r;
    const int read = history.GetHDataFromFileToMemory(0, nullptr);
    if (read != 0 && read != -21 && read != -22) return read;
    int recipients = 0;
    history.GetNumOneMail(attempts, failed, opened, recipients);
    return 0;
}

void HistoryListViewer::GetSendCounts(int& attempts, int& failed) const {
    const auto clamp = [](long long n) {
        return static_cast<int>(std::clamp<long long>(n, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    };
    attempts = clamp(tally_.attempts);
    failed = clamp(tally_.failed);
}
