// CDatabaseEdit: construction, file, records, ID drawing, element descriptors and the
// work row. The queries are in database_edit_queries.cpp.
#include "core/addressbook/database_edit.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/sequencer.h"
#include "core/foundation/store_key.h"
#include "core/foundation/system_option.h"
#include "core/foundation/system_reason.h"
#include "platform/notifier.h"
#include "platform/path.h"
#include "platform/safe_write.h"

namespace {

// System option items holding the names and the data types of the extension items.
constexpr int kExtraNameOption = 14;
constexpr int kExtraTypeOption = 34;

// The journal is folded into a whole save once it would exceed a quarter of the book (and
// a floor, below which a save would cost more than it spares).
constexpr double kJournalShare = 0.25;
constexpr std::uint64_t kJournalFloorBytes = 1 << 20;

}  // namespace

CDatabaseEdit::CDatabaseEdit() {
    SetElementNumber(kCustomerElementCount);
    SetElementNumber_Y2(kCustomerElementCount);
    // The user's most valuable file: on the disk before it replaces the old one.
    SetSyncOnWrite(true);
    oneCustomerTemp_.SetSize(kCustomerElementCount);
    journalPace_.Set(0, kJournalShare, kJournalFloorBytes);
}

CDatabaseEdit::CDatabaseEdit(EnvManager* env) : CDatabaseEdit() {
    if (SetEnvManager(env) != 1) {
        errMsg_.SetErr(10002);
        platform::Notify(errMsg_.GetLastMsg());
        throw platform::UserException(errMsg_.GetLastMsg());
    }
}

CDatabaseEdit::CDatabaseEdit(EnvManager* env, SystemOption* options) : CDatabaseEdit() {
    if (SetEnvManager(env) != 1) FailConstruction(10002);
    if (SetSystemOption(options) != 1) FailConstruction(10004);
}

CDatabaseEdit::~CDatabaseEdit() = default;

void CDatabaseEdit::FailConstruction(int code) {
    errMsg_.SetErr(code);
    platform::Notify(errMsg_.GetLastMsg(), SjisLiteral("設定失敗"), platform::kMbOk | platform::kMbIconError);
    throw platform::UserException(errMsg_.GetLastMsg());
}

int CDatabaseEdit::SetEnvManager(EnvManager* env) {
    Lock lock(mutex_);
    if (env == nullptr || env_ != nullptr) return 0;
    env_ = env;
    if (options_ != nullptr) options_->SetEnvManager(env_);
    return 1;
}

int CDatabaseEdit::SetSystemOption(SystemOption* options) {
    Lock lock(mutex_);
    if (options == nullptr || options_ != nullptr) return 0;
    options_ = options;
    if (env_ != nullptr) options_->SetEnvManager(env_);
    return 1;
}

std::string CDatabaseEdit::DatabasePath() const { return env_layout::DatabaseFile(*env_); }

std::string CDatabaseEdit::JournalPath() const { return env_layout::DatabaseJournalFile(*env_); }

int CDatabaseEdit::KeyFor(std::string& key, bool& keyed) const {
    StoreKey k;
    const int r = GetStoreKey(env_, k);
    if (r != 0) return r;
    key = k.text;
    keyed = k.keyed;
    return 0;
}

// ---- File -------------------------------------------------------------------------------

int CDatabaseEdit::ReadCustomerList() {
    Lock lock(mutex_);
    if (env_ == nullptr) return -2;
    const std::string path = DatabasePath();
    std::string key;
    bool keyed = false;
    const int k = KeyFor(key, keyed);
    if (k == -1) return -2;  // the environment is not open
    DropJournal();
    RemoveAll(0);
    pendingSave_ = false;
    SetDBFilePath(path);
    // Temporaries of saves that a killed process left (each as large as the book).
    platform::RemoveStaleTemporaries(path);
    if (k != 0) {
        // Reading with a wrong key would give garbage, and saving would recode the book.
        unreadablePath_ = path;
        errMsg_.SetErr(4207);
        return -27;
    }
    const int r = CMyDB::ReadDBFile(keyed ? key.c_str() : nullptr);
    MakeIndex();
    if (r < 0 && r != kErrNoRecord && r != kErrNoFile) {
        // An unreadable file must not be replaced; nor is it journaled.
        unreadablePath_ = path;
        return r;
    }
    unreadablePath_.clear();
    if (GetElementNumber() != kCustomerElementCount) {
        DropJournal();
        return -3;
    }
    fileRows_ = static_cast<std::uint64_t>(GetLineNumber());
    const int replayed = OpenJournal(path, keyed ? key.c_str() : nullptr);
    if (replayed < 0) {
        // Changes may be held there: neither the book nor the journal may be replaced.
        RemoveAll(0);
        unreadablePath_ = path;
        return kErrOpen;
    }
    if (replayed > 0) pendingSave_ = true;
    // A damaged journal (its bytes are kept in a copy) is not left to be read again at
    // every open: the book that holds what could be read is saved whole, which starts the
    // journal afresh. Should that fail, the next open finds the same and tries again.
    if (journalDamage_.found) (void)WriteBook(true);
    if (r == kErrNoFile && replayed == 0) return r;  // a save may create the file
    return GetLineNumber();
}

int CDatabaseEdit::OpenJournal(const std::string& path, const char* key) {
    journal_.Bind(JournalPath(), key);
    journalDamage_ = BookJournal::Damage{};
    // The journal applies to exactly the file that was read (nothing else writes it
    // meanwhile: the environment's lock keeps other processes off the environment).
    const std::string version = journal_.VersionOfBook(path);
    if (version.empty()) {
        // Not knowing which book it is, the journal cannot be judged: both stay as they are.
        errMsg_.SetErrS(10202, SjisLiteral("個人情報データベースファイルを読み込めませんでした。理由: ") +
                                   SystemReasonText(errno));
        DropJournal();
        return -1;
    }
    const int r = journal_.Replay(version, [this](const std::vector<std::string_view>& row) { ApplyJournalRow(row); },
                                  &journalDamage_);
    if (r == BookJournal::kUnplaced) {
        errMsg_.SetErrS(10203, SjisLiteral("個人情報の変更記録が壊れていて、どの個人情報データベースファイルに続くものかを"
                                           "確かめられないため、個人情報を読み込めません。変更記録はそのまま残してあります。"));
    } else if (r < 0) {
        errMsg_.SetErrS(10205, SjisLiteral("個人情報の変更記録を読み込めませんでした。理由: ") + SystemReasonText(errno));
    }
    if (r < 0) DropJournal();
    return r;
}

int CDatabaseEdit::SetJournalAside(std::string& kept) {
    Lock lock(mutex_);
    kept.clear();
    // Only the journal that the last read could not place: any other is in use or fine.
    if (env_ == nullptr || journal_.IsBound() || errMsg_.GetLastCode() != 10203) {
        errno = EBUSY;
        return -1;
    }
    return BookJournal::SetAside(JournalPath(), kept);
}

void CDatabaseEdit::ApplyJournalRow(const std::vector<std::string_view>& elements) {
    XCStringArrayEx line;
    line.values().assign(elements.begin(), elements.end());
    int id = 0;
    const std::string_view text = elements[kElemCustomerID];
    std::from_chars(text.data(), text.data() + text.size(), id);
    const int row = RowOf(id);
    if (row >= 0) {
        if (CMyDB::SetAtLine(row, line) == 0) NoteRow(row);
    } else if (CMyDB::AddLine(line) == 0) {
        NoteRow(CMyDB::GetLineNumber() - 1);
    }
}

void CDatabaseEdit::DropJournal() {
    journal_.Unbind();
    pendingIds_.clear();
    reshaped_ = false;
}

int CDatabaseEdit::ReadFromFileToMemoryAppointFileName(const std::string& path, const char* key) {
    Lock lock(mutex_);
    DropJournal();
    RemoveAll(0);
    SetDBFilePath(path);
    // A file the user picked (the backup to restore from): read as named, never waited on.
    const int r = CMyDB::ReadDBFile(key, true);
    MakeIndex();
    if (r == kErrNoRecord) {
        unreadablePath_.clear();
        return 0;
    }
    if (r < 0) {
        if (r != kErrNoFile) unreadablePath_ = path;
        return r;
    }
    if (unreadablePath_ == path) unreadablePath_.clear();
    if (GetElementNumber() != kCustomerElementCount) return -3;
    return GetLineNumber();
}

int CDatabaseEdit::WriteFromMemoryToFile() {
    Lock lock(mutex_);
    return WriteBook(false);
}

int CDatabaseEdit::WriteBook(bool compel) {
    std::string key;
    bool keyed = false;
    if (env_ == nullptr || KeyFor(key, keyed) != 0) {
        errMsg_.SetErr(10204);
        return -11;
    }
    if (GetDBFilePath().empty()) {
        // Never read: write to the book's file only when there is nothing there to lose.
        const std::string path = DatabasePath();
        std::error_code ec;
        if (platform::PathExists(path) && (std::filesystem::file_size(path, ec) != 0 || ec)) unreadablePath_ = path;
        SetDBFilePath(path);
    }
    if (!unreadablePath_.empty() && unreadablePath_ == GetDBFilePath()) {
        errMsg_.SetErr(10204);
        return -11;
    }
    const bool writes = compel || pendingSave_ || IsChanged();
    if (WriteDBFile(writes ? 1 : 0, keyed ? key.c_str() : nullptr, MarkSaveInJournal()) < 0) {
        errMsg_.SetErr(10204);
        return -11;
    }
    pendingSave_ = false;
    if (!writes) return 0;
    // Everything is in the file now: the journal starts afresh (in the book's key of today).
    fileRows_ = static_cast<std::uint64_t>(GetLineNumber());
    pendingIds_.clear();
    reshaped_ = false;
    if (journal_.IsBound()) {
        if (!journal_.CodedWith(keyed ? key.c_str() : nullptr)) journal_.Rekey(keyed ? key.c_str() : nullptr);
        // A journal that stays behind (it cannot be removed) names the old file, and is
        // never replayed over this one.
        journal_.Restart(journal_.VersionOfBook(GetDBFilePath()));
    }
    return 0;
}

CMyDB::BeforeReplace CDatabaseEdit::MarkSaveInJournal() {
    if (!journal_.IsBound()) return nullptr;
    // The journal says which file its batches are in before that file replaces the book, so
    // that should the journal outlive the save (its removal fails, or the process dies
    // first), the next open knows it extends the new file whatever damage hides.
    return [this](const std::string& temp) { (void)journal_.MarkSave(temp); };
}

int CDatabaseEdit::WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key) {
    Lock lock(mutex_);
    bool ownBehind = false;
    const bool own = platform::FixPath(path) == GetDBFilePath();
    const int r = WriteDBFileTo(path, key, ownBehind, own ? MarkSaveInJournal() : nullptr);
    if (ownBehind) pendingSave_ = true;
    if (r < 0) {
        errMsg_.SetErr(10204);
        return -11;
    }
    if (journal_.IsBound()) {
        const std::string written = platform::FixPath(path);
        if (written == GetDBFilePath()) {
            // Written over the book itself: a whole save.
            pendingIds_.clear();
            reshaped_ = false;
            pendingSave_ = false;
            journal_.Restart(journal_.VersionOfBook(written));
        } else {
            journal_.NoteCopy(BookFileVersion(written));
        }
    }
    return 0;
}

// ---- Durability -----------------------------------------------------------------------------

CDatabaseEdit::ChangeGroup::ChangeGroup(CDatabaseEdit& book) : book_(book), lock_(book.mutex_) {
    ++book_.groupDepth_;
}

CDatabaseEdit::ChangeGroup::~ChangeGroup() { Commit(); }

int CDatabaseEdit::ChangeGroup::Commit() {
    if (!open_) return result_;
    open_ = false;
    if (--book_.groupDepth_ == 0 && book_.deferring_ != std::this_thread::get_id()) result_ = book_.CommitChanges();
    return result_;
}

CDatabaseEdit::DeferredCommits::DeferredCommits(CDatabaseEdit& book) : book_(book) {
    Lock lock(book_.mutex_);
    book_.deferring_ = std::this_thread::get_id();
}

CDatabaseEdit::DeferredCommits::~DeferredCommits() {
    Lock lock(book_.mutex_);
    book_.deferring_ = std::thread::id();
    (void)book_.CommitChanges();
}

int CDatabaseEdit::DeferredCommits::Commit() {
    Lock lock(book_.mutex_);
    return book_.CommitChanges() == 0 ? 0 : -1;
}

void CDatabaseEdit::NoteChanged(int row) {
    ++changes_;
    if (!journal_.IsBound()) return;
    const int id = IdOfRow(row);
    // A row that its ID does not name (an earlier row of a repeated ID) cannot be replayed
    // by that ID.
    if (RowOf(id) != row) reshaped_ = true;
    else pendingIds_.insert(id);
}

int CDatabaseEdit::CommitChanges() {
    if (pendingIds_.empty() && !reshaped_) return 0;
    if (!journal_.IsBound()) {
        pendingIds_.clear();
        reshaped_ = false;
        return 0;
    }
    std::string key;
    bool keyed = false;
    if (KeyFor(key, keyed) != 0) {
        errMsg_.SetErr(10204);
        return -1;
    }
    const std::string& path = GetDBFilePath();
    // A book file replaced behind the store (by a copy it did not write), or a key changed
    // since the journal was begun: only a whole save says what the book is now.
    bool whole = reshaped_ || !journal_.CodedWith(keyed ? key.c_str() : nullptr) ||
                 !journal_.Extends(journal_.VersionOfBook(path));
    if (!whole) {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(path, ec);
        const std::uint64_t fileBytes = ec ? 0 : static_cast<std::uint64_t>(size);
        // A row costs in the journal about what it costs in the file.
        const std::uint64_t rowBytes = fileRows_ > 0 && fileBytes > 0 ? fileBytes / fileRows_ : 512;
        whole = journalPace_.IsDue(journal_.Size() + pendingIds_.size() * rowBytes, fileBytes);
    }
    if (!whole) {
        std::vector<int> ids(pendingIds_.begin(), pendingIds_.end());
        std::sort(ids.begin(), ids.end());
        XCStringArrayEx line;
        for (int id : ids) {
            const int row = RowOf(id);
            if (row < 0 || CMyDB::GetAtLine(row, line) != 0) continue;
            journal_.AddRow(line.values());
        }
        if (journal_.Commit() == 0) {
            pendingIds_.clear();
            return 0;
        }
    }
    // A whole save makes them as durable (and starts the journal afresh).
    if (WriteBook(true) == 0) return 0;
    errMsg_.SetErr(10204);
    return -1;
}

// ---- Records ------------------------------------------------------------------------------

int CDatabaseEdit::GetOneCustomerForNew(OneCustomer& record, int init) {
    if (init != 0) InitOneCustomer(record);
    return 0;
}

void CDatabaseEdit::SetOneCustomer(OneCustomer& record, int row) {
    Lock lock(mutex_);
    CustomerFromRow(CMyDB::GetAtLine(row).values(), record);
}

int CDatabaseEdit::GetOneCustomerForEdit(OneCustomer& record, int id) {
    Lock lock(mutex_);
    InitOneCustomer(record);
    const int row = RowOf(id);
    if (row < 0) {
        errMsg_.SetErr(10006);
        return -3;
    }
    SetOneCustomer(record, row);
    return 0;
}

int CDatabaseEdit::StoreWorkRow(int row) {
    const int r = row >= 0 ? SetAtLine(row, oneCustomerTemp_) : AddLine(oneCustomerTemp_);
    if (r < 0) {
        errMsg_.SetErr(10010);
        return -10;
    }
    return 0;
}

int CDatabaseEdit::SetOneCustomerInfo(OneCustomer& record, int writeFile) {
    ChangeGroup group(*this);
    if (env_ == nullptr) {
        errMsg_.SetErr(10001);
        return -12;
    }
    int id = record.CustomerID;
    int row = -1;
    if (id == -1) {
        id = GetNewDBID();
        if (id < 0) return -9;  // 10009 recorded; the record keeps -1 so a retry draws again
    } else {
        row = RowOf(id);
        if (row < 0) {
            errMsg_.SetErr(10006);
            return -3;
        }
    }
    const std::string now = GetNowDateTime();
    std::vector<std::string>& cells = oneCustomerTemp_.values();
    CustomerToRow(record, cells);
    cells[kElemCustomerID] = std::to_string(id);
    HyphenCut(&record.ZipCode1, &cells[kElemZipCode1]);
    if (row < 0) {
        cells[kElemEntryDate] = now;
    } else {
        cells[kElemEntryDate] = Convert_COleDateTime2DateData(record.EntryDate);
        // A record whose entry date is not a valid date keeps the stored one.
        if (cells[kElemEntryDate].empty()) cells[kElemEntryDate] = GetAtElement(row, kElemEntryDate);
    }
    cells[kElemRenewalDate] = now;
    const int r = StoreWorkRow(row);
    if (r < 0) return r;
    record.CustomerID = id;
    // Either way the change stays in memory when it cannot be written.
    if (writeFile != 0 && WriteBook(false) < 0) return -11;
    if (group.Commit() < 0) return -11;
    return 0;
}

int CDatabaseEdit::SetOneCustomerInfoForRepair(const OneCustomer& record) {
    Lock lock(mutex_);
    if (env_ == nullptr) {
        errMsg_.SetErr(10001);
        return -12;
    }
    std::vector<std::string>& cells = oneCustomerTemp_.values();
    CustomerToRow(record, cells);
    cells[kElemCustomerID] = std::to_string(record.CustomerID);
    cells[kElemEntryDate] = Convert_COleDateTime2DateData(record.EntryDate);
    cells[kElemRenewalDate] = Convert_COleDateTime2DateData(record.RenewalDate);
    return StoreWorkRow(-1);
}

int CDatabaseEdit::DeleteCustomer(int id) {
    Lock lock(mutex_);
    OneCustomer record;
    const int r = GetOneCustomerForEdit(record, id);
    if (r < 0) return r;
    record.DeleteFlag = "Y";
    return SetOneCustomerInfo(record, 0);
}

int CDatabaseEdit::UnDeleteCustomer(int id) {
    Lock lock(mutex_);
    OneCustomer record;
    const int r = GetOneCustomerForEdit(record, id);
    if (r < 0) return r;
    record.DeleteFlag.clear();
    return SetOneCustomerInfo(record, 0);
}

int CDatabaseEdit::PhysicalDeletion(int id) {
    Lock lock(mutex_);
    OneCustomer old;
    const int r = GetOneCustomerForEdit(old, id);
    if (r < 0) return r;
    OneCustomer blank;
    InitOneCustomer(blank);
    blank.CustomerID = id;
    blank.DeleteFlag = "Y";
    blank.DMOk = "N";
    blank.OtherMailOk = "N";
    blank.EntryDate = old.EntryDate;
    blank.RenewalDate = old.RenewalDate;
    return SetOneCustomerInfo(blank, 0);
}

int CDatabaseEdit::GetNewDBID() {
    Lock lock(mutex_);
    Sequencer sequence;
    if (env_ != nullptr && sequence.SetEnvManager(env_) == 1 && sequence.SetSeqType(SEQ_ID_CUSTOMER) == 1) {
        for (int draw = 0; draw < kMaxIdDraws; ++draw) {
            if (idBlockNext_ >= idBlockEnd_) {
                int first = 0, reserved = 0;
                if (!sequence.ReserveValues(kIdBlock, first, reserved)) break;
                idBlockNext_ = first;
                idBlockEnd_ = first + reserved;
            }
            const int value = idBlockNext_++;
            if (index_.find(value) == index_.end()) return value;
        }
    }
    errMsg_.SetErr(10009);
    return -9;
}

// ---- Element descriptors and the work row ----------------------------------------------------

int CDatabaseEdit::Get_DBElementInfo(std::vector<DB_Element_Info>& out, const std::string& mask) {
    Lock lock(mutex_);
    if (env_ == nullptr) {
        errMsg_.SetErr(10001);
        return -12;
    }
    if (options_ == nullptr) {
        errMsg_.SetErr(10003);
        return -14;
    }
    if (mask.size() != static_cast<std::size_t>(kCustomerElementCount)) {
        errMsg_.SetErr(10401);
        return -15;
    }
    if (mask.find_first_not_of("01") != std::string::npos) {
        errMsg_.SetErr(10402);
        return -16;
    }
    out.clear();
    for (int e = 0; e < kCustomerElementCount; ++e) {
        if (mask[e] != '1') continue;
        DB_Element_Info info;
        info.element = e;
        if (e >= kElemExtraFirst && e <= kElemExtraLast) {
            std::string type;
            const int k = e - kElemExtraFirst;
            if (options_->GetSODataFromMemoryPinPoint(kExtraNameOption + k, info.name) < 0 ||
                options_->GetSODataFromMemoryPinPoint(kExtraTypeOption + k, type) < 0) {
                errMsg_.SetErr(10403);
                return -17;
            }
            info.dataType = std::atoi(type.c_str());
        } else {
            info.name = CustomerElementName(e);
            info.dataType = CustomerElementType(e);
        }
        out.push_back(std::move(info));
    }
    return 0;
}

void CDatabaseEdit::InitOneCustomerTemp() {
    Lock lock(mutex_);
    oneCustomerTemp_.RemoveAll();
    oneCustomerTemp_.SetSize(kCustomerElementCount);
}

int CDatabaseEdit::SetElementOneCustomerTemp(const std::string& text, int element) {
    Lock lock(mutex_);
    if (element < 0 || element >= kCustomerElementCount) {
        errMsg_.SetErr(10005);
        return -2;
    }
    oneCustomerTemp_.SetSize(kCustomerElementCount);
    oneCustomerTemp_.SetAt(element, text);
    return 0;
}

std::string CDatabaseEdit::GetOneCustomerTemp(int element) {
    Lock lock(mutex_);
    if (element < 0 || element >= oneCustomerTemp_.GetSize()) return std::string();
    return oneCustomerTemp_.GetAt(element);
}

int CDatabaseEdit::HyphenCut(const std::string* in, std::string* out) {
    if (in == nullptr || out == nullptr) return 0;
    std::string result;
    result.reserve(in->size());
    // A trail byte of a two-byte character is never 0x2D, so bytes can be dropped as they are.
    for (char c : *in)
        if (c != '-') result.push_back(c);
    *out = std::move(result);
    return 0;
}

int CDatabaseEdit::LoadSampleLine(const std::string& path, std::vector<std::string>& lines, int count) {
    Lock lock(mutex_);
    lines.clear();
    std::unique_ptr<FILE, int (*)(FILE*)> file(platform::OpenNamedStream(platform::FixPath(path)), &std::fclose);
    if (!file) {
        errMsg_.SetErr(10601);
        return -41;
    }
    int taken = 0;
    while (count < 0 || taken < count) {
        std::string line;
        int c = 0;
        bool ended = false;
        while ((c = std::getc(file.get())) != EOF) {
            if (c == '\n') {
                ended = true;
                break;
            }
            line.push_back(static_cast<char>(c));
        }
        if (!ended && std::ferror(file.get())) return -1;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        if (!line.empty()) lines.push_back(std::move(line));
        if (!ended) break;  // end of the file
        ++taken;
    }
    return static_cast<int>(lines.size());
}
