#pragma once
// CTestMailingInfo: the recipients of test mails, kept apart from the address book in
// "DB/testmailinginfo.dat" but in exactly its record layout (56 elements), so that a test
// mail is merged with a recipient's data like a real one. Each record is identified by an
// ID the caller chooses (the screens use one per terminal kind).
//
// The file is created empty when the environment has none. Storing a record changes
// memory only; WriteFromMemoryToFile saves (safely: the old file stays whole when a save
// fails). A file that could not be read whole is never saved over.
//
// No lock of its own: the owner serialises access.

#include <string>

#include "core/addressbook/one_customer.h"
#include "core/foundation/err_msg.h"
#include "core/foundation/my_db.h"
#include "core/foundation/string_array.h"

class EnvManager;
class SystemOption;

class CTestMailingInfo : public CMyDB {
public:
    CTestMailingInfo();
    // As above, then attaches (and so reads the file). A failure to attach records 10002
    // (10004), tells the user (caption "設定失敗") and throws platform::UserException.
    explicit CTestMailingInfo(EnvManager* env);
    CTestMailingInfo(EnvManager* env, SystemOption* options);
    ~CTestMailingInfo() override = default;

    // 1 when attached and the file was read; 0 for null, when one is attached already, or
    // when the read fails (the environment then stays attached).
    int SetEnvManager(EnvManager* env);
    // 1 when attached (and given the environment); 0 for null or when one is attached already.
    int SetSystemOption(SystemOption* options);

    // Reads `path` (null or empty: the environment's file) into memory.
    //   key: without any in an unkeyed environment; else the given `key` when
    //   useGivenKey is nonzero (null: default coding), else the environment's data key.
    // The number of records, or
    //   -101 no environment where its file or its key is needed; -102 the table has not
    //   56 elements;
    //   -4 the missing file could not be created; -27 (4207) a keyed environment whose
    //   key cannot be had; the table's negative read result (damaged file ...).
    int ReadFromFileToMemory(const char* path = nullptr, int useGivenKey = 0, const char* key = nullptr);
    // Saves the table to the file of the last read with the environment's key: 0, or -11
    // (10204).
    int WriteFromMemoryToFile();
    // Writes the whole table to `path` with `key` (null: default coding); the table's own
    // path is kept. 0, or -1.
    int WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key);

    // The record stored under `id`: 1. 0 when there is none (`record` then holds the
    // defaults of InitOneCustomer with that ID).
    int GetTestMailingInfo(OneCustomer& record, int id);
    // Stores `record` as the line of `id` (replacing it or appending): 0, or -10 (10010).
    // The entry date is the record's own when the line exists, else now; the renewal date
    // is now; the postal code loses its hyphens; the deletion mark is stored empty.
    int SetTestMailingInfo(const OneCustomer& record, int id);
    // The default record: `id`, texts empty but both mail flags "Y", dates now.
    void InitOneCustomer(OneCustomer& record, int id);

    // One element of the work row: 0, or -2 (10005) outside 0-55.
    int SetElementTestMailingInfoTemp(const char* text, int element);
    void InitMember();
    void InitOneCustomerTemp();
    // *out = *in without any "-". 0.
    static int HyphenCut(const std::string* in, std::string* out);

    CErrMsg& GetErrMsg() { return errMsg_; }

private:
    [[noreturn]] void FailConstruction(int code);
    int RowOfId(int id) const;

    XCStringArrayEx work_;
    EnvManager* env_ = nullptr;
    SystemOption* options_ = nullptr;
    CErrMsg errMsg_;
    // A copy written elsewhere cleared the changed flag; the own file still needs the save.
    bool pendingSave_ = false;
};
