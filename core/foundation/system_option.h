#pragma once
// SystemOption: the system settings of one environment, one record of numbered option
// values in "systemoption.dat", read once into memory when the environment is opened and
// written back when the settings screens save. Everything else reads options by index
// from the in-memory copy. Items 14-33 are the names and 34-53 the kinds of the extended
// address-book attributes A to T; the other items belong to the screens that use them.
//
// The record has 123 items (indexes 0-122). Files of older layouts with 90 or 120 items
// are read as they are; their missing items read as empty text. Setting such an item, or
// storing a full set of 123, widens the record to 123 items (readers accept 123), so a
// setting made in an old environment is never lost.
//
// The file is coded with the environment's data key (plain default coding for an unkeyed
// environment) and replaced safely, flushed to the disk, on every write.
//
// Members return 0 on success and a negative number on failure, with a code of the 40xx
// and 42xx families recorded in GetErrMsg().

#include <string>
#include <vector>

#include "core/foundation/err_msg.h"
#include "core/foundation/record_table.h"

class EnvManager;

class SystemOption : public BaseRecordStructer {
public:
    static constexpr int kItemCount = 123;

    SystemOption();
    // Binds env; when that fails the user is told (4002) and construction ends with
    // platform::UserException.
    explicit SystemOption(EnvManager* env);
    ~SystemOption() override = default;
    SystemOption(const SystemOption&) = delete;
    SystemOption& operator=(const SystemOption&) = delete;

    // 1 when bound; 0 when env is null or one is bound already.
    int SetEnvManager(EnvManager* env);
    CErrMsg& GetErrMsg() { return err_; }
    bool IsModified() const { return modified_; }

    // Reads the file into memory (discarding unsaved changes).
    //  -1 (4001) unbound; -27 (4207) keyed environment without a readable data key;
    //  -21 (4201) no file; -22 (4202) no record; -23 (4203) records of different lengths;
    //  -25 (4205) any other read failure; -3 (4003) not one record of 90, 120 or 123 items.
    int GetSODataFromFileToMemory();
    // Writes when something changed / always. -1 (4001), -3 (4003), -27 (4207), and
    // -24 (4204) when the save fails (the old file is kept, the changes stay marked).
    int WriteSODataFromMemoryToFile();
    int WriteSODataFromMemoryToFileCompel();

    // All 123 items (empty beyond an older file's item count).
    int GetSODataFromMemoryToAllData(std::vector<std::string>& list);
    // Replaces all items from 90, 120 or 123 texts (-5, 4005 for another size). A set of
    // 123 always stores 123 items; a shorter set fills the stored item count, empty beyond
    // the list. -19 (4099) when the record cannot be stored.
    int SetSODataFromAllDataToMemory(const std::vector<std::string>& list);
    // One item; -4 (4004) outside 0-122.
    int GetSODataFromMemoryPinPoint(int index, std::string& out);
    int SetSODataToMemoryPinPoint(int index, const std::string& text);
    // Items 14-33 (attribute names) / 34-53 read as decimal integers (attribute kinds).
    int GetSOExtractDataFromMemory(std::vector<std::string>& list);
    int GetSOExtractTypeFromMemory(std::vector<int>& list);

private:
    // Bound (4001, -1), then a valid record (4003, -3).
    int CheckReady();
    bool HasValidRecord() const;
    std::vector<std::string> AllItems() const;
    // Stores `items` (123 texts) as the record: in the stored item count, or widened to
    // 123 items when `widen` is set. False when the table refuses.
    bool StoreItems(const std::vector<std::string>& items, bool widen);
    int Write(int compel);
    std::string Path() const;

    bool modified_ = false;
    EnvManager* env_ = nullptr;
    CErrMsg err_;
};
