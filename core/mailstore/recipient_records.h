#pragma once
// RecipientRecords: what the mail store needs to know about a recipient's address-book
// record (whether it can be read, its mail address, its deletion mark) without building a
// whole record per recipient. The address-book store provides it; tests give a small fake.
//
// Elements are those of an address-book row: 1 the mail address, 53 the deletion mark
// ("Y" deleted).

#include <string>

class CDatabaseEdit;

class RecipientRecords {
public:
    static constexpr int kMailAddressElement = 1;
    static constexpr int kDeleteFlagElement = 53;

    virtual ~RecipientRecords() = default;
    // One element of customer `id`'s record: 0 and `out` set; negative when the record or
    // the element cannot be read.
    virtual int GetCustomerDataPinPoint(int id, int element, std::string& out) = 0;
};

// The address-book store seen as RecipientRecords (not owned).
class DatabaseEditRecords : public RecipientRecords {
public:
    explicit DatabaseEditRecords(CDatabaseEdit* book) : book_(book) {}
    int GetCustomerDataPinPoint(int id, int element, std::string& out) override;
    CDatabaseEdit* GetDatabaseEdit() const { return book_; }

private:
    CDatabaseEdit* book_;
};
