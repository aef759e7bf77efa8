#pragma once
// ExtractAction: the extraction conditions of one owner (a stored mail or a saved
// extraction) and the filter that runs one of them over a list of customer IDs.
//
// A condition set has three groups (A, B, C) of five conditions. Within a group the
// conditions narrow one after the other (AND); the groups are joined (OR). Running a
// whole set is RunExtraction (extraction_run.h); this class runs one condition at a time.
//
// The conditions are a record file of exactly 15 records (group * 5 + condition) of 7
// texts, "MAIL/<id>/merd<id>.dat" for a mail and "EXTRACT/exrd<n>.dat" for a saved
// extraction:
//   0 element index tested ("-1" = condition off, else 0-55)
//   1 kind: "E" a list of values, "R" a range
//   2 values of an "E" condition, joined by "," (see JoinExtractCsv)
//   3 equal flag: "Y" keeps records holding one of the values, "N" those holding none
//   4, 5 lower and upper bound of an "R" condition (empty = open)
//   6 range flag: "Y" keeps records inside the range, "N" those outside
// A record that is off reads "-1", "E", "", "Y", "", "", "Y".
//
// Every filter step drops the customers who refuse advertising mail (element 21 "N") or
// whose record cannot be read, whatever the condition says; a condition that is off
// passes the list unchanged. A filter step that fails leaves the list as it was and
// returns its error: the caller must stop then, since an unfiltered list is wider than
// the condition allows.
//
// Threads: no lock of its own (its owner serialises access); address-book reads take the
// address book's lock, file reads and writes the record file's lock.
//
// Results: 0 (or the count or flag named) on success, a negative number per failure with
// a code of the 60xx family recorded in GetErrMsg().

#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/err_msg.h"
#include "core/foundation/record_table.h"

class EnvManager;
class CDatabaseEdit;

// Owner kinds.
enum ECTYPE : int { EC_TYPE_NOT_SET = -2, EC_TYPE_MAIL = 0, EC_TYPE_EXTRACT = 1 };
// Group 0-2 (A, B, C) and condition 0-4 within it.
using EC_TAB_NUM = int;
using EC_CON_NUM = int;

// One condition as the screens exchange it.
struct OneExtractCondition {
    int element = -1;              // -1 = off
    std::string kind = "E";        // "E" or "R"
    std::vector<std::string> values;
    std::string equalFlag = "Y";
    std::string lower;
    std::string upper;
    std::string rangeFlag = "Y";

    bool operator==(const OneExtractCondition&) const = default;
};

class ExtractAction : public BaseRecordStructer {
public:
    static constexpr int kGroups = 3;
    static constexpr int kConditions = 5;
    static constexpr int kRecords = kGroups * kConditions;
    static constexpr int kElements = 7;
    // Owner ID not set; -1 is a saved extraction that has no ID yet.
    static constexpr int kIdNotSet = -2;

    ExtractAction();
    // As above, then SetEnvManager, SetDatabaseEdit (and SetTypeAndID). A failure records
    // 6002, 6005 (or SetTypeAndID's code), tells the user and throws
    // platform::UserException.
    ExtractAction(EnvManager* env, CDatabaseEdit* book);
    ExtractAction(EnvManager* env, CDatabaseEdit* book, ECTYPE kind, int id);
    ~ExtractAction() override = default;
    ExtractAction(const ExtractAction&) = delete;
    ExtractAction& operator=(const ExtractAction&) = delete;

    // 1 when attached; 0 for null or when one is attached already. Whichever comes second
    // hands the environment on to the address book.
    int SetEnvManager(EnvManager* env);
    int SetDatabaseEdit(CDatabaseEdit* book);
    // 0; -12 (6012) for a mail with ID -1.
    int SetTypeAndID(ECTYPE kind, int id);
    ECTYPE GetType() const { return kind_; }
    int GetID() const { return id_; }
    CErrMsg& GetErrMsg() { return err_; }
    bool IsConditionChanged() const { return changed_ != 0; }

    // Loads the owner's condition file (key: the given one when useGivenKey is nonzero,
    // else the environment's). A saved extraction with ID -1 starts with 15 conditions
    // that are off and reads nothing.
    //  -1 (6001) no environment; -8 (6008) owner kind not set; -10 (6010) ID not set;
    //  -12 (6012) ID -1 for a mail; -41 (6401) no file; -42 (6402) empty file;
    //  -43 (6403) malformed or damaged file; -7 (6007) not 15 records of 7 texts;
    //  -99 (6999) a file that exists but cannot be read, or a keyed environment whose key
    //  cannot be had. After a failure the table is empty (and the shape checks fail).
    int GetExtractConditionFromFileToMemory(int useGivenKey, const char* key);

    // Copies condition (tab, con) into `out`, its values split by DivideExtractCsv.
    // -7 (6007) shape, -14 (6014) group, -15 (6015) condition, -13 (6013) an element
    // index that is not a decimal number.
    int GetExtractConditionFromMemoryToStruct(OneExtractCondition& out, EC_TAB_NUM tab, EC_CON_NUM con);
    // Stores a condition (element -1 or 0-55, else -13 (6013) and nothing changes); the
    // values are joined by JoinExtractCsv; kind and flags are stored as given. Sets the
    // changed flag.
    int SetExtractConditionFromStructToMemory(const OneExtractCondition& in, EC_TAB_NUM tab, EC_CON_NUM con);
    // 1 when the condition is in effect, 0 when it is off, or -7, -14, -15.
    int CheckExtractEffective(EC_TAB_NUM tab, EC_CON_NUM con);

    // Splits the stored values text as the screens read it: at commas; a value that
    // begins with a double quote runs to a double quote followed by a comma or the end
    // (a pair of double quotes inside is passed over) and keeps its quotes as they stand.
    // An empty text gives no value; an empty value after a final comma is not added.
    static void DivideExtractCsv(std::string_view text, std::vector<std::string>& out);
    // Joins values for the file: each value as it stands behind a ",", except that a
    // value holding a comma or beginning with a double quote is quoted (inner double
    // quotes doubled) so that it reads back as one value, unless it is one whole quoted
    // value already (as DivideExtractCsv hands them out and the value-selection screen
    // writes them). Values without commas or a leading quote are joined exactly as
    // before, so every condition file written so far reads back the same.
    static std::string JoinExtractCsv(const std::vector<std::string>& values);

    // Writes the owner's file when a condition changed (0 without writing otherwise) /
    // always. -1 (6001), -8 (6008), -10 (6010), -12 (6012) ID -1, -7 (6007) shape,
    // -44 (6404) the save failed or the key cannot be had. Success clears the changed flag.
    int WriteAllExtractConditionOnMemoryToFile();
    int WriteAllExtractConditionOnMemoryToFileCompel();
    // A new saved extraction (ID -1 only, else -12): writes "exrd<newId>.dat" and takes
    // newId as its ID.
    int WriteAllExtractConditionOnMemoryToFileNew(int newId);
    // Forced save to `path` with `key` (null: default coding): 0 or -44 (6404).
    int WriteFromMemoryToFileAppointFileName(const std::string& path, const char* key);

    // The data type (0 text, 1 number, 2 date) of an element as the address book describes
    // it; element 8 (birth date, kept as text) is a date. -13 (6013) element outside 0-55,
    // -4 (6004) no address book, -6 (6006) the address book gives no single descriptor.
    int GetElementDataType(int element);

    // Filters `ids` in place by condition (tab, con), keeping their order. 0; -4 (6004) no
    // address book; -7, -14, -15; -13 (6013) bad element index; -16 (6016) kind neither
    // "E" nor "R"; -6 (6006) no data type. On failure the list is unchanged.
    int PracticalExtractAction(std::vector<int>& ids, EC_TAB_NUM tab, EC_CON_NUM con);
    // The same, skipping the advertising-mail check when the caller knows every ID of the
    // list passed it already (the list came out of an earlier step in effect).
    int PracticalExtractAction(std::vector<int>& ids, EC_TAB_NUM tab, EC_CON_NUM con, bool advertisingChecked);

private:
    [[noreturn]] void FailConstruction(int code);
    // 0, or the negative result with its code recorded.
    int CheckShape();
    int CheckAddress(EC_TAB_NUM tab, EC_CON_NUM con);
    // The checks every load and write of the owner's file starts with: an environment, a
    // kind and an ID set. 0, or the negative result with its code recorded.
    int CheckOwnerSet();
    int CheckOwnerForWrite(bool forNew);
    std::string OwnerPath(int id) const;
    int Save(const std::string& path);
    void FillOff();

    ECTYPE kind_ = EC_TYPE_NOT_SET;
    int id_ = kIdNotSet;
    int changed_ = 0;
    EnvManager* env_ = nullptr;
    CDatabaseEdit* book_ = nullptr;
    CErrMsg err_;
};
