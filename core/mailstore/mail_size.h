#pragma once
// The largest merged size of one mail text over a set of recipients. Mobile carriers limit
// the size of a mail and merge fields make each recipient's mail a different size; the
// mobile-mail checks give this class a carrier's variant of the mail and the recipients
// to merge it for, and compare the largest size with the carrier's limit.
//
// Recipients given by customer ID are kept as IDs and read from the address book one at a
// time while measuring, so a list of a million IDs costs a million ints, not a million
// records. Records given directly (the test-mail recipient) are kept as copies.

#include <list>
#include <string>
#include <vector>

#include "core/addressbook/one_customer.h"

class CDatabaseEdit;

class CMailSize {
public:
    // The address book is not owned; it may be null when only records are given directly.
    explicit CMailSize(CDatabaseEdit* database);
    CMailSize(const CMailSize&) = default;
    CMailSize& operator=(const CMailSize&) = default;
    virtual ~CMailSize() = default;

    // The text to merge and whether its fields are written in their HTML form.
    void SetTargetString(const std::string& text, int html);

    // The targets become the record of that ID: 0; -1 when the address book does not know
    // the ID; -2 when the record cannot be had for another reason (no address book).
    // The targets are emptied first in every case.
    int SetTargetCustomerByCustomerID(int id);
    // The targets become the records of these IDs, in order; IDs the address book does not
    // know are skipped. 0; -1 when no target was added; -2 (targets empty) without an
    // address book.
    int SetTargetCustomerByCustomerIDArray(const std::vector<int>& ids);
    int SetTargetCustomerByCustomerIDList(const std::list<int>& ids);
    // The targets become copies of these records (which need not be in the address book).
    void SetTargetCustomerByOneCustomer(const OneCustomer& record);
    void SetTargetCustomerByOneCustomerArray(const std::vector<OneCustomer>& records);

    // Merges the text for every target and keeps the largest result (the earlier target on
    // a tie). Its size is the merged text's byte length or, when widenKana is nonzero, the
    // byte length it will have once its half-width katakana are widened. A record that has
    // left the address book since it was named is passed over. 0; -1 when there are no
    // targets (everything measured before is forgotten either way).
    int Analyze(const int& widenKana);

    int GetMaxSize() const { return maxSize; }
    int GetMaxCustomerID() const { return maxSize < 0 ? -1 : maxCustomerID; }
    // The largest merged text: 0, or -1 (text untouched) while nothing was measured.
    int GetMaxResultString(std::string& text) const;
    std::string GetMaxResultString() const { return maxSize < 0 ? std::string() : maxText; }

private:
    template <class Ids>
    int SetTargetIDs(const Ids& ids);
    void ClearTargets();
    void Measure(const OneCustomer& record, int widenKana);

    CDatabaseEdit* database;
    int htmlMode = 0;
    std::string targetText;
    std::vector<int> targetIDs;              // read from the address book while measuring
    std::vector<OneCustomer> targetRecords;  // given directly
    int maxSize = -1;
    int maxCustomerID = -1;
    std::string maxText;
};
