#pragma once
// One address-book record and the table of its 56 elements.
//
// A record is stored as one line of 56 texts in "DB/database.dat" (and in the same layout
// in the test-mail recipient file and in backups). OneCustomer is the record as it crosses
// into the GUI: the customer ID, the 43 texts that carry data (elements 1-22, 28-47 and
// 53) and the entry and renewal dates. Elements 23-27 and 48-52 are spare and always
// stored empty; element 0 is the ID and 54/55 the dates.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date_time.h"

// Element numbers of the stored row.
enum CustomerElement : int {
    kElemCustomerID = 0,
    kElemEmail = 1,
    kElemKanjiSei = 2,
    kElemKanjiMei = 3,
    kElemKanaSei = 4,
    kElemKanaMei = 5,
    kElemCompany = 6,
    kElemCompanyPost = 7,
    kElemBirthday = 8,
    kElemZipCode1 = 9,
    kElemZipCode2 = 10,
    kElemPrefecture = 11,
    kElemAddress1 = 12,
    kElemAddress2 = 13,
    kElemBuilding = 14,
    kElemPhone1 = 15,
    kElemPhone2 = 16,
    kElemFax1 = 17,
    kElemFax2 = 18,
    kElemPortable1 = 19,
    kElemPortable2 = 20,
    kElemDMOk = 21,          // advertising mail may be sent: "Y" / "N"
    kElemOtherMailOk = 22,   // mail other than advertising may be sent: "Y" / "N"
    kElemSpare1First = 23,   // 23-27 spare, stored empty
    kElemExtraFirst = 28,    // extension items A (28) to T (47)
    kElemExtraLast = 47,
    kElemSpare2First = 48,   // 48-52 spare, stored empty
    kElemDeleteFlag = 53,    // "Y" = logically deleted
    kElemEntryDate = 54,
    kElemRenewalDate = 55,
};

inline constexpr int kCustomerElementCount = 56;
inline constexpr int kCustomerExtraCount = 20;
// The date text of elements 54 and 55 (and the part of element 8 a record keeps).
inline constexpr std::size_t kCustomerDateTextLength = 19;

// Data types of the elements, as the element descriptors and the extraction screens use
// them (the values of _MYDB_DATATYPE).
enum CustomerDataType : int { kCustomerText = 0, kCustomerNumber = 1, kCustomerDate = 2 };

// One record by value. The texts are Shift_JIS.
struct OneCustomer {
    int CustomerID = -1;  // -1: new, not stored yet
    std::string Email;
    std::string KanjiSei;
    std::string KanjiMei;
    std::string KanaSei;
    std::string KanaMei;
    std::string Company;
    std::string CompanyPost;
    std::string Birthday;     // element 8, at most 19 bytes
    std::string ZipCode1;
    std::string ZipCode2;
    std::string Prefecture;
    std::string Address1;
    std::string Address2;
    std::string Building;
    std::string Phone1;
    std::string Phone2;
    std::string Fax1;
    std::string Fax2;
    std::string Portable1;
    std::string Portable2;
    std::string DMOk;         // element 21, one character
    std::string OtherMailOk;  // element 22, one character
    std::array<std::string, kCustomerExtraCount> Extra;  // elements 28-47 (A to T)
    std::string DeleteFlag;   // element 53, one character
    platform::DateTime EntryDate;    // element 54
    platform::DateTime RenewalDate;  // element 55

    // The text field that holds element `element`; null for 0, 23-27, 48-52, 54, 55 and
    // numbers outside 0-55.
    std::string* Field(int element);
    const std::string* Field(int element) const;

    bool operator==(const OneCustomer&) const = default;
};

// One element descriptor.
struct DB_Element_Info {
    int element = 0;
    std::string name;  // display name, Shift_JIS (empty for 10, 14, 16, 18, 20 and spares)
    int dataType = kCustomerText;

    bool operator==(const DB_Element_Info&) const = default;
};

// The fixed display name (Shift_JIS) and data type of an element. Extension items 28-47
// have no fixed entry: their name and type come from the system options (items 14+k and
// 34+k). An element outside 0-55 gives the empty text and type 0.
const std::string& CustomerElementName(int element);
int CustomerElementType(int element);

// The record a new entry starts from: ID -1, all texts empty except elements 21 and 22
// ("Y"), entry and renewal date the current local time in whole seconds (both equal).
void InitOneCustomer(OneCustomer& record);

// Row to record: the customer ID from element 0 (decimal), elements 1-7, 9-20 and 28-47
// whole, element 8 cut to its first 19 bytes, elements 21, 22 and 53 to their first
// byte, and the dates from the first 19 bytes of elements 54 and 55. Elements missing
// from a short row read as empty text.
void CustomerFromRow(const std::vector<std::string>& row, OneCustomer& out);

// Record to row, elements 1-53: the record's texts unchanged (element 9 with its hyphens),
// the spare elements 23-27 and 48-52 empty. Elements 0, 54 and 55 are left to the caller
// (the store sets the ID and the dates by its own rules). `row` is resized to 56.
void CustomerToRow(const OneCustomer& record, std::vector<std::string>& row);

// True when the deletion mark (element 53) marks a record deleted. Only "Y" does; any
// other value, the empty one included, is live.
inline bool IsDeletedMark(std::string_view mark) { return mark == "Y"; }
