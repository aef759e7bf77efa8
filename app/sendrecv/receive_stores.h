#pragma once
// The two lists a receive run collects for the user, and what the run and the result
// dialogs do with them:
//  - registrations "DB/autoreg.dat": one row of 56 texts per registration mail, in the
//    address book's row layout: element 0 "-1" (a new record), 1-22 the record's fields
//    from the mail address to element 22, 28-47 the extension items A-T, the rest empty
//    (no deletion mark, no dates);
//  - refusals "DB/autoref.dat": one row of one text, the sender's mail address.
// Both are record files coded with the environment's key (none in an unkeyed
// environment). They keep their rows across runs until the user deals with them.
//
// A list that exists but cannot be read whole is reported and never written over, so
// rows that are there already are never lost: the run then keeps the messages it would
// have added on the server.
//
// Refusals are applied to the address book by mail address (ASCII letters in either
// case), to every record that holds it (deleted ones too), through an index built once
// for many look-ups.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/addressbook/one_customer.h"

class BaseRecordStructer;
class CDatabaseEdit;
class EnvManager;

namespace receive_stores {

enum Which : int { kRegistrations = 0, kRefusals = 1 };
inline constexpr int kRegistrationElements = 56;
inline constexpr int kRefusalElements = 1;

// The list's file in the environment.
std::string ListPath(const EnvManager& env, int which);

// Results of LoadList.
enum LoadResult : int {
    kLoaded = 0,          // read (a missing or empty file is an empty list)
    kNoKey = -1,          // no environment, or its key cannot be read
    kUnreadable = -2,     // the file exists but cannot be read whole
};
// Loads the list into `table`; a table of another width is started afresh with the
// list's width, as is the table after a failure.
int LoadList(EnvManager* env, int which, BaseRecordStructer& table);
// Saves `table` over the list (to `path` when given): true when written.
bool SaveList(EnvManager* env, int which, BaseRecordStructer& table, const std::string& path = "");

// The registration row of a converted record.
std::vector<std::string> RegistrationRow(const OneCustomer& record);
// The record a registration row becomes: a new record (ID -1) with the row's texts for
// elements 1-22, each extension item only when it passes the check of its type (0 text,
// 1 number, 2 date with at least year, month and day; extensionTypes[k] for item k), no
// deletion mark, and both dates now.
OneCustomer RegistrationRecord(const std::vector<std::string>& row, const std::vector<int>& extensionTypes);

// The address book's records by mail address.
class AddressLookup {
public:
    explicit AddressLookup(CDatabaseEdit& book);
    // The customer ID of the last record with `address`, or -1. The index is built at the
    // first look-up; records added afterwards are known once Add is told of them.
    int Find(std::string_view address);
    // The customer IDs of every record with `address`, the last first.
    std::vector<int> FindAll(std::string_view address);
    void Add(std::string_view address, int customerId);

private:
    void Build();
    void AddRow(std::string_view address, int row);
    int IdOfRow(int row) const;

    CDatabaseEdit& book_;
    std::unordered_map<std::string, int> last_;  // folded address -> its last row
    std::vector<int> earlier_;                   // row -> the row before it with its address, or -1
    bool built_ = false;
};

// Turns advertising mail off (element 21 "N") for every record with `address`, in memory:
// how many records hold the address, or -1 when none does (or one could not be stored).
// A person may be in the book twice (a living record beside a deleted one, or imported
// twice): the refusal is of the address, so no record of it may be mailed again.
int ApplyRefusal(CDatabaseEdit& book, AddressLookup& lookup, std::string_view address);

}  // namespace receive_stores
