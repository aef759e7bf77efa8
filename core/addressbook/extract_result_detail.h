#pragma once
// ExtractResultDetail: the customer IDs picked for one owner: the recipients of a stored
// mail ("MAIL/<id>/meli<id>.dat") or the members of a saved extraction
// ("EXTRACT/exsl<n>.dat"). A record file of one decimal ID per record, in list order.
//
// The list never holds an ID twice, and AddDBID refuses customers who do not accept
// advertising mail (element 21 "N"). IDs are held as integers with a set beside them, so
// adding and the duplicate check are O(1) and a million-ID list costs a few megabytes.
// RemoveDBID removes one ID with a linear search, as rarely as the screens do it; a
// caller that removes many IDs (the send run's and the re-extraction's filters) uses
// RemoveDBIDs, which removes any number in one pass.
//
// A list file that exists but does not read whole is a load failure, and the list then
// refuses to write over that file until a load of it succeeds or ALLRemoveDBID starts the
// list afresh.
//
// Threads: no lock of its own (its owner serialises access); address-book reads take the
// address book's lock, file reads and writes the record file's lock.
//
// Results: 0 or a count on success, a negative number per failure with a code of the
// 30xx-32xx families recorded in GetErrMsg().

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/foundation/err_msg.h"
#include "platform/date_time.h"

class EnvManager;
class CDatabaseEdit;
class CMailListViewer;
class ExtractListViewer;
class MailListLookup;

// Owner kinds.
enum ERTYPE : int { ER_TYPE_NOT_SET = -2, ER_TYPE_MAIL = 0, ER_TYPE_EXTRACT = 1 };

// One list row joined with the address-book data the screens show.
struct ERDetailPlusDB {
    int customerID = 0;
    std::string familyName;  // element 2
    std::string givenName;   // element 3
    std::string company;     // element 6
    std::string mail;        // element 1
    platform::DateTime renewal;  // element 55 (the zero value when it does not read)

    bool operator==(const ERDetailPlusDB&) const = default;
};

class ExtractResultDetail {
public:
    static constexpr int kIdNotSet = -2;

    ExtractResultDetail();
    // Attaches the four (and sets the owner as SetTypeAndID does). A failure records 3007
    // (or SetTypeAndID's code), tells the user and throws platform::UserException.
    ExtractResultDetail(EnvManager* env, CMailListViewer* mails, ExtractListViewer* lists, CDatabaseEdit* book);
    ExtractResultDetail(EnvManager* env, CMailListViewer* mails, ExtractListViewer* lists, CDatabaseEdit* book,
                        ERTYPE kind, int id);
    // The same with any answer to the mail-ID question in place of the mail list.
    ExtractResultDetail(EnvManager* env, MailListLookup* mails, ExtractListViewer* lists, CDatabaseEdit* book);
    ExtractResultDetail(EnvManager* env, MailListLookup* mails, ExtractListViewer* lists, CDatabaseEdit* book,
                        ERTYPE kind, int id);
    ~ExtractResultDetail();
    ExtractResultDetail(const ExtractResultDetail&) = delete;
    ExtractResultDetail& operator=(const ExtractResultDetail&) = delete;

    // 1 when attached; 0 for null or when one is attached already. SetExtractListViewer
    // accepts null (1) and refuses only a second list. The environment is handed on to
    // whatever is attached (the saved-extraction list then loads itself).
    int SetEnvManager(EnvManager* env);
    int SetMailListViewer(CMailListViewer* mails);
    int SetMailListViewer(MailListLookup* mails);
    int SetExtractListViewer(ExtractListViewer* lists);
    int SetDatabaseEdit(CDatabaseEdit* book);

    // Sets the owner. 0; -4 (3004) no environment or no list to check the owner in;
    // -3 (3003) a saved extraction that is not listed (-1, a new one, is allowed);
    // -1 (3001) a mail with ID -1; -2 (3002) a mail that is not listed; -6 (3006) kind.
    int SetTypeAndID(ERTYPE kind, int id);
    ERTYPE GetType() const { return kind_; }
    int GetID() const { return id_; }
    CErrMsg& GetErrMsg() { return err_; }
    bool IsListChanged() const { return changed_ != 0; }

    // Loads the owner's file (key: the given one when useGivenKey is nonzero, else the
    // environment's); the list is emptied first. 0, or -4, -5, -3, -1, -2 for the owner
    // as above (-5, 3005: ID below 0 or kind not set); -31 (3201) no file; -32 (3202)
    // empty file; -33 (3203) malformed or damaged, or a record that is not one ID;
    // -34 (3204) a file that exists but cannot be read, or no key. A repeated ID is kept once.
    int GetDBIDListFromFileToMemory(int useGivenKey, const char* key);
    // Writes the owner's file when the list changed (0 without writing otherwise) /
    // always. -4 (3004), -5 (3005), -3 (3003), -2 (3002) for the owner; -35 (3205) the
    // save failed, the key cannot be had or the file did not read whole.
    int WriteAllOnMemoryDBIDToFile();
    int WriteAllOnMemoryDBIDToFileCompel();
    // A new saved extraction (ID -1 only, else -8, 3008): writes "exsl<newId>.dat"; the
    // owner ID stays -1.
    int WriteAllOnMemoryDBIDToFileNew(int newId);
    // Forced save to `path` with `key` (null: default coding): 0 or -35 (3205).
    int WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key);

    // Adds one customer; the number of IDs. A customer whose element 21 is "N", or an ID
    // present already, is not added. -4 (3004), -5 (3005) owner, -13 (3103) the customer
    // cannot be read.
    int AddDBID(int id);
    // Removes one ID; the number left. -4, -5; -14 (3104) not in the list (the changed
    // flag is left as it was).
    int RemoveDBID(int id);
    // Removes every listed ID of `ids` in one pass (IDs not in the list are passed over);
    // the number left. -4, -5.
    int RemoveDBIDs(const std::vector<int>& ids);
    // Empties the list. 0; -4, -5.
    int ALLRemoveDBID();
    // Ascending IDs; the changed flag is not touched. 0.
    int SortByDBID();
    // Adds every ID of `ids` in order as AddDBID does. With check 1 every ID must be in the
    // address book first (else -13, 3103, and nothing is added); the first failing add
    // ends it (the IDs added before stay). sort nonzero: SortByDBID afterwards. 0; -4.
    int SetDBIDFromCListInt(const std::vector<int>& ids, int check, int sort);
    // The IDs in list order. 0; -4; -6 (3006) kind; with check 1 an ID that is not in the
    // address book empties `out`: -13 (3103).
    int GetDBIDToCListInt(std::vector<int>& out, int check);
    // The IDs of every address-book record not marked deleted, in book order: their
    // number; -4 without an address book.
    int GetAllDBIDWithoutDeleteFromDBToCListInt(std::vector<int>& out);
    // The record number of an ID: -3 empty list; -4 owner kind not 0 or 1; -1 not listed.
    int ExtractDBID2RowNumber(int id) const;
    int GetRecordNumber() const { return static_cast<int>(ids_.size()); }
    const std::vector<int>& IDs() const { return ids_; }

    // The rows of records first..last (both -1: all) joined with the address book, for a
    // page of the screens; the number of rows. Customers erased from the book (empty mail
    // address) are dropped from the list as they are met, and the list then continues
    // with the next record, so a page stays full; the owner's file is written once at the
    // end when any was dropped (not for a new saved extraction, which has no file yet).
    // -4 (3004), -5 (3005); -13 (3103) a customer cannot be read (the rows so far stay);
    // the write's own result when it fails.
    int GetIDPlusDBDataFromDBFile(std::vector<ERDetailPlusDB>& out, int first, int last);

private:
    // A set of IDs: a bitmap over the range customer IDs take, a hash set beyond it.
    class IdSet {
    public:
        bool contains(int id) const;
        void insert(int id);
        void erase(int id);
        void clear();

    private:
        static constexpr int kBitmapLimit = 1 << 26;
        std::vector<uint64_t> bits_;
        std::unordered_set<int> others_;
    };

    // What the constructors do with their stores, for either form of mail list.
    template <typename Mails>
    void AttachOrFail(EnvManager* env, Mails* mails, ExtractListViewer* lists, CDatabaseEdit* book);
    [[noreturn]] void FailConstruction(int code);
    int CheckReady();                 // environment and address book, then the owner
    int CheckOwnerForFile();          // the writers' owner checks
    std::string OwnerPath(int id) const;
    int Save(const std::string& path, const char* key, bool useStoreKey);
    void Reset();

    EnvManager* env_ = nullptr;
    CDatabaseEdit* book_ = nullptr;
    CErrMsg err_;
    MailListLookup* mails_ = nullptr;
    std::unique_ptr<MailListLookup> ownMails_;  // the mail list's answer, when one is attached
    ExtractListViewer* lists_ = nullptr;
    ERTYPE kind_ = ER_TYPE_NOT_SET;
    int id_ = kIdNotSet;
    int changed_ = 0;
    std::vector<int> ids_;
    IdSet present_;
    // A file whose load failed although it exists: not written over until it loads.
    std::string unreadablePath_;
};
