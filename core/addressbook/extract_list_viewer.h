#pragma once
// ExtractListViewer: the saved extractions of an environment (the named destination lists
// of the address book), one entry each in "EXTRACT/extrlist.dat": ID, name, last update,
// deletion mark and honorific. Each entry's conditions and members are kept beside it
// ("exrd<n>.dat", "exsl<n>.dat"; ExtractAction and ExtractResultDetail).
//
// File records, 5 texts each:
//   0 extraction ID (decimal)   1 name (not empty)
//   2 last update "YYYY/MM/DD hh:mm:ss" (set when the entry is inserted)
//   3 deletion mark ("Y" deleted, empty in use)   4 honorific (empty when inserted)
//
// A missing or empty list file is an empty list. A list file that exists but does not
// read whole (unreadable, damaged) is a load failure, and the list then refuses to write
// over it, so the names of the saved lists are never lost to a half-read file.
//
// Return conventions differ by member, as the screens expect them: the insert, change
// and write members give 1 / 0, the element getters 0 / -1, loading a count or a negative
// number; the code of the 110xx family is recorded in GetErrMsg().
//
// Threads: no lock of its own (its owner serialises access); reads and writes of the
// file take the record file's lock, ID drawing the sequence's.

#include <string>
#include <vector>

#include "core/foundation/err_msg.h"
#include "core/foundation/record_table.h"
#include "platform/date_time.h"

class EnvManager;

// One entry as the screens show it.
struct ExtractViewData {
    int id = -1;
    std::string name;
    platform::DateTime lastUpdate;
    std::string deleteMark;
    std::string honorific;

    bool operator==(const ExtractViewData&) const = default;
};

class ExtractListViewer : public BaseRecordStructer {
public:
    static constexpr int kElements = 5;
    // Sequence values tried by GetNewExtractID before it gives up.
    static constexpr int kMaxIdDraws = 200;

    ExtractListViewer() = default;
    // Attaches env and loads the list; a null env records 11002, tells the user and throws
    // platform::UserException.
    explicit ExtractListViewer(EnvManager* env);
    ~ExtractListViewer() override = default;
    ExtractListViewer(const ExtractListViewer&) = delete;
    ExtractListViewer& operator=(const ExtractListViewer&) = delete;

    // 1 when attached (and loaded when `load` is nonzero; the load's result is not passed
    // on); 0 for null or when one is attached already.
    int SetEnvManager(EnvManager* env, int load);
    CErrMsg& GetErrMsg() { return err_; }

    // Loads the list (key: the given one when useGivenKey is nonzero, else the
    // environment's). The number of entries, or
    //  -2 (11001) no environment; -2 (11201) a malformed or damaged file;
    //  -3 (11201) a file that exists but cannot be read, or a keyed environment whose key
    //  cannot be had; -1 (11201) records that are not of 5 texts.
    int SetExtractListFromFile(int useGivenKey, const char* key);

    // The record number of an entry; -3 for an empty list; negative when not listed.
    int ExtractID2RowNumber(int id) const;
    // A new extraction ID (the first value of the extraction sequence not listed), or -1
    // (11005) when the sequence fails or 200 values in a row are listed already.
    int GetNewExtractID();
    // Entries not marked deleted.
    int CountExtractList() const;
    // The entries not marked deleted, in file order (copies); their number.
    int GetExtractList(std::vector<ExtractViewData>& out) const;
    // Adds {id, name, now, "", ""} (the argument's other fields are not taken): 1; 0 with
    // 11006 for an ID below 0, an empty name or a listed ID; 0 with 11999 when the table
    // refuses (also after a failed load).
    int InsertExtractList(const ExtractViewData& entry);
    // Replaces element 0-4 of an entry (the last update is not touched): 1; 0 with 11004
    // (element), 11003 (ID not listed) or 11999.
    int CorrectExtractListPinPoint(const char* text, int id, int element);
    int DeleteExtractList(int id) { return CorrectExtractListPinPoint("Y", id, 3); }
    int UnDeleteExtractList(int id) { return CorrectExtractListPinPoint("", id, 3); }
    // Element 1, 2 or 4 of an entry: 0; -1 with 11003 and an empty `out` when not listed.
    int GetExtractName(int id, std::string& out);
    int GetExtractLaseUpdate(int id, std::string& out);
    int GetExtractHonorific(int id, std::string& out);
    // Entry number `index` of the file as it was read (deleted entries included; elements
    // an older, narrower list lacks read as empty), for the upgrade that copies an old list
    // into a new one: 0; -1 for an index outside the list.
    int SetExtractViewData(ExtractViewData& out, int index) const;
    // IDs marked deleted / all IDs, in file order. 0.
    int GetDeleteExtractIDList(std::vector<int>& out) const;
    int GetAllExtractID(std::vector<int>& out) const;

    // Writes the file when something changed: 1 (also when nothing had to be written);
    // 0 with 11001 (no environment) or 11202 (the save failed, the key cannot be had, or
    // the file did not read whole).
    int WriteAllExtractListToFile();
    int WriteAllExtractListToFileCompel();
    // Forced save to `path` with `key` (null: default coding): 1, or 0 (11202).
    int WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key);

private:
    [[noreturn]] void FailConstruction(int code);
    int GetElement(int id, int element, std::string& out);
    int Write(int compel);

    int count_ = 0;
    int changed_ = 0;
    EnvManager* env_ = nullptr;
    CErrMsg err_;
};
