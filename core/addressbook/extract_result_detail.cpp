// ExtractResultDetail: the ID list of a mail's recipients or of a saved extraction.
#include "core/addressbook/extract_result_detail.h"

#include <algorithm>
#include <charconv>
#include <mutex>

#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_files.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/addressbook/mail_list_lookup.h"
#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/record_table.h"
#include "core/foundation/store_key.h"
#include "core/mailstore/mail_list_viewer.h"
#include "platform/named_mutex.h"
#include "platform/notifier.h"
#include "platform/path.h"

namespace {

// The mail list answering for its mails.
class MailListViewerLookup : public MailListLookup {
public:
    explicit MailListViewerLookup(CMailListViewer* list) : list_(list) {}
    int FindMailData(int mailId) override { return list_->FindMailData(mailId); }
    int SetEnvManager(EnvManager* env) override { return list_->SetEnvManager(env); }

private:
    CMailListViewer* list_;
};

bool ParseId(std::string_view text, int& out) {
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

// ---- The ID set ----------------------------------------------------------------------------

bool ExtractResultDetail::IdSet::contains(int id) const {
    if (id >= 0 && id < kBitmapLimit) {
        const std::size_t word = static_cast<std::size_t>(id) >> 6;
        return word < bits_.size() && ((bits_[word] >> (id & 63)) & 1u) != 0;
    }
    return others_.count(id) != 0;
}

void ExtractResultDetail::IdSet::insert(int id) {
    if (id >= 0 && id < kBitmapLimit) {
        const std::size_t word = static_cast<std::size_t>(id) >> 6;
        if (word >= bits_.size()) bits_.resize(std::max(word + 1, bits_.size() * 2), 0);
        bits_[word] |= uint64_t{1} << (id & 63);
    } else {
        others_.insert(id);
    }
}

void ExtractResultDetail::IdSet::erase(int id) {
    if (id >= 0 && id < kBitmapLimit) {
        const std::size_t word = static_cast<std::size_t>(id) >> 6;
        if (word < bits_.size()) bits_[word] &= ~(uint64_t{1} << (id & 63));
    } else {
        others_.erase(id);
    }
}

void ExtractResultDetail::IdSet::clear() {
    bits_.clear();
    bits_.shrink_to_fit();
    others_.clear();
}

// ---- Set-up ----------------------------------------------------------------------------------

ExtractResultDetail::ExtractResultDetail() = default;
ExtractResultDetail::~ExtractResultDetail() = default;

template <typename Mails>
void ExtractResultDetail::AttachOrFail(EnvManager* env, Mails* mails, ExtractListViewer* lists,
                                       CDatabaseEdit* book) {
    if (SetEnvManager(env) != 1 || SetMailListViewer(mails) != 1 || SetExtractListViewer(lists) != 1 ||
        SetDatabaseEdit(book) != 1)
        FailConstruction(3007);
}

ExtractResultDetail::ExtractResultDetail(EnvManager* env, CMailListViewer* mails, ExtractListViewer* lists,
                                         CDatabaseEdit* book) {
    AttachOrFail(env, mails, lists, book);
}

ExtractResultDetail::ExtractResultDetail(EnvManager* env, CMailListViewer* mails, ExtractListViewer* lists,
                                         CDatabaseEdit* book, ERTYPE kind, int id)
    : ExtractResultDetail(env, mails, lists, book) {
    if (SetTypeAndID(kind, id) != 0) FailConstruction(err_.GetLastCode());
}

ExtractResultDetail::ExtractResultDetail(EnvManager* env, MailListLookup* mails, ExtractListViewer* lists,
                                         CDatabaseEdit* book) {
    AttachOrFail(env, mails, lists, book);
}

ExtractResultDetail::ExtractResultDetail(EnvManager* env, MailListLookup* mails, ExtractListViewer* lists,
                                         CDatabaseEdit* book, ERTYPE kind, int id)
    : ExtractResultDetail(env, mails, lists, book) {
    if (SetTypeAndID(kind, id) != 0) FailConstruction(err_.GetLastCode());
}

void ExtractResultDetail::FailConstruction(int code) {
    err_.SetErr(code);
    platform::Notify(err_.GetLastMsg(), SjisLiteral("設定失敗"), platform::kMbOk | platform::kMbIconError);
    throw platform::UserException(err_.GetLastMsg());
}

int ExtractResultDetail::SetEnvManager(EnvManager* env) {
    if (env == nullptr || env_ != nullptr) return 0;
    env_ = env;
    if (mails_ != nullptr) mails_->SetEnvManager(env_);
    if (book_ != nullptr) book_->SetEnvManager(env_);
    if (lists_ != nullptr) lists_->SetEnvManager(env_, 1);
    return 1;
}

int ExtractResultDetail::SetMailListViewer(CMailListViewer* mails) {
    if (mails == nullptr || mails_ != nullptr) return 0;
    ownMails_ = std::make_unique<MailListViewerLookup>(mails);
    return SetMailListViewer(ownMails_.get());
}

int ExtractResultDetail::SetMailListViewer(MailListLookup* mails) {
    if (mails == nullptr || mails_ != nullptr) return 0;
    mails_ = mails;
    if (env_ != nullptr) mails_->SetEnvManager(env_);
    return 1;
}

int ExtractResultDetail::SetExtractListViewer(ExtractListViewer* lists) {
    if (lists_ != nullptr) return 0;
    lists_ = lists;
    if (lists_ != nullptr && env_ != nullptr) lists_->SetEnvManager(env_, 1);
    return 1;
}

int ExtractResultDetail::SetDatabaseEdit(CDatabaseEdit* book) {
    if (book == nullptr || book_ != nullptr) return 0;
    book_ = book;
    if (env_ != nullptr) book_->SetEnvManager(env_);
    return 1;
}

int ExtractResultDetail::SetTypeAndID(ERTYPE kind, int id) {
    if (env_ == nullptr) {
        err_.SetErr(3004);
        return -4;
    }
    if (kind == ER_TYPE_EXTRACT) {
        if (lists_ == nullptr) {
            err_.SetErr(3004);
            return -4;
        }
        if (id != -1 && lists_->ExtractID2RowNumber(id) < 0) {
            err_.SetErr(3003);
            return -3;
        }
    } else if (kind == ER_TYPE_MAIL) {
        if (mails_ == nullptr) {
            err_.SetErr(3004);
            return -4;
        }
        if (id == -1) {
            err_.SetErr(3001);
            return -1;
        }
        if (mails_->FindMailData(id) != 0) {
            err_.SetErr(3002);
            return -2;
        }
    } else {
        err_.SetErr(3006);
        return -6;
    }
    kind_ = kind;
    id_ = id;
    return 0;
}

std::string ExtractResultDetail::OwnerPath(int id) const {
    return kind_ == ER_TYPE_MAIL ? env_layout::MailRecipientFile(*env_, id) : env_layout::ExtractResultFile(*env_, id);
}

void ExtractResultDetail::Reset() {
    ids_.clear();
    ids_.shrink_to_fit();
    present_.clear();
}

// ---- The file --------------------------------------------------------------------------------

int ExtractResultDetail::GetDBIDListFromFileToMemory(int useGivenKey, const char* key) {
    if (env_ == nullptr) {
        err_.SetErr(3004);
        return -4;
    }
    Reset();
    changed_ = 0;
    if (kind_ == ER_TYPE_EXTRACT) {
        if (lists_ == nullptr) {
            err_.SetErr(3004);
            return -4;
        }
        if (id_ < 0) {
            err_.SetErr(3005);
            return -5;
        }
        if (lists_->ExtractID2RowNumber(id_) < 0) {
            err_.SetErr(3003);
            return -3;
        }
    } else if (kind_ == ER_TYPE_MAIL) {
        if (mails_ == nullptr) {
            err_.SetErr(3004);
            return -4;
        }
        if (id_ == -1) {
            err_.SetErr(3001);
            return -1;
        }
        if (id_ < 0) {
            err_.SetErr(3005);
            return -5;
        }
        if (mails_->FindMailData(id_) != 0) {
            err_.SetErr(3002);
            return -2;
        }
    } else {
        err_.SetErr(3005);
        return -5;
    }

    StoreKey storeKey;
    const char* useKey = nullptr;
    if (!ChooseStoreKey(env_, useGivenKey, key, storeKey, useKey)) {
        err_.SetErr(3204);
        return -34;
    }
    const std::string path = OwnerPath(id_);
    BaseRecordStructer table;
    const int loaded = table.LoadCSVFile(path, useKey);
    if (loaded < 0) {
        if (loaded == BaseRecordStructer::kLoadCannotOpen || loaded == BaseRecordStructer::kLoadNoRecord) {
            switch (ClassifyUnloadedFile(path)) {
                case UnloadedFile::kMissing:
                    err_.SetErr(3201);
                    return -31;
                case UnloadedFile::kEmpty:
                    err_.SetErr(3202);
                    return -32;
                case UnloadedFile::kUnreadable:
                    unreadablePath_ = platform::FixPath(path);
                    err_.SetErr(3204);
                    return -34;
            }
        }
        unreadablePath_ = platform::FixPath(path);
        err_.SetErr(3203);
        return -33;
    }
    const int rows = table.GetRecordNumber();
    std::vector<int> ids;
    ids.reserve(static_cast<std::size_t>(rows));
    bool good = table.GetElementNumber() == 1;
    std::string text;
    for (int row = 0; good && row < rows; ++row) {
        int id = 0;
        table.GetStringElement(text, 0, row);
        good = ParseId(text, id);
        if (good && !present_.contains(id)) {
            present_.insert(id);
            ids.push_back(id);
        }
    }
    if (!good) {
        present_.clear();
        unreadablePath_ = platform::FixPath(path);
        err_.SetErr(3203);
        return -33;
    }
    ids_.swap(ids);
    unreadablePath_.clear();
    return 0;
}

int ExtractResultDetail::CheckOwnerForFile() {
    if (env_ == nullptr) {
        err_.SetErr(3004);
        return -4;
    }
    if (id_ < 0 || kind_ == ER_TYPE_NOT_SET) {
        err_.SetErr(3005);
        return -5;
    }
    if (kind_ == ER_TYPE_EXTRACT) {
        if (lists_ == nullptr) {
            err_.SetErr(3004);
            return -4;
        }
        if (lists_->ExtractID2RowNumber(id_) < 0) {
            err_.SetErr(3003);
            return -3;
        }
    } else if (kind_ == ER_TYPE_MAIL) {
        if (mails_ == nullptr) {
            err_.SetErr(3004);
            return -4;
        }
        if (mails_->FindMailData(id_) != 0) {
            err_.SetErr(3002);
            return -2;
        }
    } else {
        err_.SetErr(3005);
        return -5;
    }
    return 0;
}

int ExtractResultDetail::Save(const std::string& path, const char* key, bool useStoreKey) {
    StoreKey storeKey;
    if (useStoreKey) {
        if (GetStoreKey(env_, storeKey) != 0) {
            err_.SetErr(3205);
            return -35;
        }
        key = storeKey.get();
    }
    if (!unreadablePath_.empty() && platform::FixPath(path) == unreadablePath_) {
        err_.SetErr(3205);
        return -35;
    }
    BaseRecordStructer table;
    table.SetElementNumber(1);
    XCStringArrayEx row{std::string()};
    for (const int id : ids_) {
        row.ElementAt(0) = std::to_string(id);
        table.InsertString(row);
    }
    if (table.SaveCSVFileCompel(path, key) != 1) {
        err_.SetErr(3205);
        return -35;
    }
    return 0;
}

int ExtractResultDetail::WriteAllOnMemoryDBIDToFile() {
    if (const int r = CheckOwnerForFile(); r != 0) return r;
    if (changed_ == 0) return 0;
    if (const int r = Save(OwnerPath(id_), nullptr, true); r != 0) return r;
    changed_ = 0;
    return 0;
}

int ExtractResultDetail::WriteAllOnMemoryDBIDToFileCompel() {
    if (const int r = CheckOwnerForFile(); r != 0) return r;
    if (const int r = Save(OwnerPath(id_), nullptr, true); r != 0) return r;
    changed_ = 0;
    return 0;
}

int ExtractResultDetail::WriteAllOnMemoryDBIDToFileNew(int newId) {
    if (env_ == nullptr || lists_ == nullptr) {
        err_.SetErr(3004);
        return -4;
    }
    if (kind_ != ER_TYPE_EXTRACT || id_ != -1 || newId < 0) {
        err_.SetErr(3008);
        return -8;
    }
    if (const int r = Save(env_layout::ExtractResultFile(*env_, newId), nullptr, true); r != 0) return r;
    changed_ = 0;
    return 0;
}

int ExtractResultDetail::WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key) {
    return Save(path, key, false);
}

// ---- Changing the list ---------------------------------------------------------------------

int ExtractResultDetail::CheckReady() {
    if (env_ == nullptr || book_ == nullptr) {
        err_.SetErr(3004);
        return -4;
    }
    if (id_ == kIdNotSet || kind_ == ER_TYPE_NOT_SET) {
        err_.SetErr(3005);
        return -5;
    }
    return 0;
}

int ExtractResultDetail::AddDBID(int id) {
    if (const int r = CheckReady(); r != 0) return r;
    std::string dm;
    if (book_->GetCustomerDataPinPoint(id, 21, dm) != 0) {
        err_.SetErr(3103);
        return -13;
    }
    if (dm == "N" || present_.contains(id)) return GetRecordNumber();
    ids_.push_back(id);
    present_.insert(id);
    changed_ = 1;
    return GetRecordNumber();
}

int ExtractResultDetail::RemoveDBID(int id) {
    if (env_ == nullptr) {
        err_.SetErr(3004);
        return -4;
    }
    if (id_ == kIdNotSet || kind_ == ER_TYPE_NOT_SET) {
        err_.SetErr(3005);
        return -5;
    }
    const auto at = present_.contains(id) ? std::find(ids_.begin(), ids_.end(), id) : ids_.end();
    if (at == ids_.end()) {
        err_.SetErr(3104);
        return -14;
    }
    ids_.erase(at);
    present_.erase(id);
    changed_ = 1;
    return GetRecordNumber();
}

int ExtractResultDetail::RemoveDBIDs(const std::vector<int>& ids) {
    if (env_ == nullptr) {
        err_.SetErr(3004);
        return -4;
    }
    if (id_ == kIdNotSet || kind_ == ER_TYPE_NOT_SET) {
        err_.SetErr(3005);
        return -5;
    }
    std::size_t removed = 0;
    for (const int id : ids) {
        if (present_.contains(id)) {
            present_.erase(id);
            ++removed;
        }
    }
    if (removed == 0) return GetRecordNumber();
    // What left the set leaves the list: one pass, order kept.
    ids_.erase(std::remove_if(ids_.begin(), ids_.end(), [this](int id) { return !present_.contains(id); }),
               ids_.end());
    changed_ = 1;
    return GetRecordNumber();
}

int ExtractResultDetail::ALLRemoveDBID() {
    if (env_ == nullptr) {
        err_.SetErr(3004);
        return -4;
    }
    if (id_ == kIdNotSet || kind_ == ER_TYPE_NOT_SET) {
        err_.SetErr(3005);
        return -5;
    }
    Reset();
    changed_ = 1;
    unreadablePath_.clear();  // a new list is started: the old file may be replaced
    return 0;
}

int ExtractResultDetail::SortByDBID() {
    std::sort(ids_.begin(), ids_.end());
    return 0;
}

int ExtractResultDetail::SetDBIDFromCListInt(const std::vector<int>& ids, int check, int sort) {
    if (env_ == nullptr || book_ == nullptr) {
        err_.SetErr(3004);
        return -4;
    }
    if (const int r = CheckReady(); r != 0) return r;
    // One hold of the address book's lock: every ID is checked and added against the same
    // book.
    platform::NamedMutex bookMutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(bookMutex);
    std::vector<int> rows(ids.size(), -1);
    for (std::size_t k = 0; k < ids.size(); ++k) rows[k] = book_->DBID2RowNumber(ids[k]);
    if (check == 1 && std::find(rows.begin(), rows.end(), -1) != rows.end()) {
        err_.SetErr(3103);
        return -13;
    }
    ids_.reserve(ids_.size() + ids.size());
    std::string dm;
    int result = 0;
    for (std::size_t k = 0; k < ids.size(); ++k) {
        if (rows[k] < 0 || book_->GetAtElement(rows[k], 21, dm) != 0) {
            err_.SetErr(3103);
            result = -13;
            break;
        }
        if (dm == "N" || present_.contains(ids[k])) continue;
        ids_.push_back(ids[k]);
        present_.insert(ids[k]);
        changed_ = 1;
    }
    if (result == 0 && sort != 0) SortByDBID();
    return result;
}

int ExtractResultDetail::GetDBIDToCListInt(std::vector<int>& out, int check) {
    if (env_ == nullptr || book_ == nullptr) {
        err_.SetErr(3004);
        return -4;
    }
    if (kind_ != ER_TYPE_MAIL && kind_ != ER_TYPE_EXTRACT) {
        err_.SetErr(3006);
        return -6;
    }
    out = ids_;
    if (check == 1) {
        platform::NamedMutex bookMutex(CDatabaseEdit::kMutexName);
        std::lock_guard<platform::NamedMutex> lock(bookMutex);
        for (const int id : out) {
            if (book_->DBID2RowNumber(id) < 0) {
                out.clear();
                err_.SetErr(3103);
                return -13;
            }
        }
    }
    return 0;
}

int ExtractResultDetail::GetAllDBIDWithoutDeleteFromDBToCListInt(std::vector<int>& out) {
    if (book_ == nullptr) {
        err_.SetErr(3004);
        return -4;
    }
    return book_->GetDBIDWithoutDelete(out);
}

int ExtractResultDetail::ExtractDBID2RowNumber(int id) const {
    if (ids_.empty()) return -3;
    if (kind_ != ER_TYPE_MAIL && kind_ != ER_TYPE_EXTRACT) return -4;
    if (!present_.contains(id)) return -1;
    return static_cast<int>(std::find(ids_.begin(), ids_.end(), id) - ids_.begin());
}

// ---- The joined page ---------------------------------------------------------------------------

int ExtractResultDetail::GetIDPlusDBDataFromDBFile(std::vector<ERDetailPlusDB>& out, int first, int last) {
    if (env_ == nullptr || book_ == nullptr) {
        err_.SetErr(3004);
        return -4;
    }
    if (id_ < -1 || (kind_ != ER_TYPE_MAIL && kind_ != ER_TYPE_EXTRACT)) {
        err_.SetErr(3005);
        return -5;
    }
    out.clear();
    const bool all = first == -1 || last == -1;
    const std::size_t wanted =
        all ? ids_.size() : (last >= first && first >= 0 ? static_cast<std::size_t>(last - first) + 1 : 0);
    std::vector<int> erased;
    int result = 0;
    {
        platform::NamedMutex bookMutex(CDatabaseEdit::kMutexName);
        std::lock_guard<platform::NamedMutex> lock(bookMutex);
        std::string text;
        for (std::size_t k = all ? 0 : static_cast<std::size_t>(std::max(first, 0));
             k < ids_.size() && out.size() < wanted; ++k) {
            const int id = ids_[k];
            const int row = book_->DBID2RowNumber(id);
            if (row < 0) {
                err_.SetErr(3103);
                result = -13;
                break;
            }
            book_->GetAtElement(row, 1, text);
            if (text.empty()) {  // erased: its place goes to the next record
                erased.push_back(id);
                continue;
            }
            ERDetailPlusDB r;
            r.customerID = id;
            r.mail = text;
            book_->GetAtElement(row, 2, r.familyName);
            book_->GetAtElement(row, 3, r.givenName);
            book_->GetAtElement(row, 6, r.company);
            book_->GetAtElement(row, 55, text);
            r.renewal = Convert_DateData2COleDateTime(text);
            out.push_back(std::move(r));
        }
    }
    if (!erased.empty()) {
        RemoveDBIDs(erased);
        if (id_ >= 0) {
            const int written = WriteAllOnMemoryDBIDToFile();
            if (written != 0 && result == 0) return written;
        }
    }
    return result != 0 ? result : static_cast<int>(out.size());
}
