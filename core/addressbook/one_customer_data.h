#pragma once
// COneCustomerData: one address-book record as an object whose setters check and
// normalise what they are given (mail address, postal code, prefecture, telephone
// numbers, flags, dates, the twenty extension items). Part of the library's exported
// interface for programs that build records field by field.
//
// With the check-character-code flag set, the text setters first cut their argument at
// the first character that Windows Shift_JIS cannot show (ConvertUnusualData).
//
// Setters return 0 on success and a negative number when the value is refused; a refused
// value leaves the member unchanged, except SetPrefecture, SetDMOk and SetDeleteFlag,
// which store their fallback ("<未選択>", "N", empty) and still return -1. No error code
// is recorded.

#include <string>
#include <vector>

#include "core/foundation/string_array.h"
#include "platform/date_time.h"

class COneCustomerData {
public:
    static constexpr int kExtraCount = 20;

    // Flag off, ID -1, texts empty, DMOk "N", DeleteFlag empty, the three dates now,
    // 20 empty extension items.
    COneCustomerData();
    // Copies every value; the check-character-code flag of the new object is off.
    COneCustomerData(const COneCustomerData& other);
    // Copies every value; this object keeps its own check-character-code flag.
    COneCustomerData& operator=(const COneCustomerData& other);
    virtual ~COneCustomerData() = default;

    void Init();
    // Copies every value of source into destination as it stands (destination's flag
    // stays). Values are not passed through the setters again: a record that was valid
    // when built is copied whole, never mixed with what the destination held.
    static void Copy(COneCustomerData& destination, const COneCustomerData& source);

    // `text` cut before the first character CheckCharacterCodeForWinSJIS rejects, for the
    // data types 0 (text), 1 (number) and 2 (date); other types return it unchanged.
    static std::string ConvertUnusualData(const std::string& text, int dataType);

    int IsCheckCharacterCode() const { return checkCharacterCode_; }
    void SetCheckCharacterCodeFlag(int flag) { checkCharacterCode_ = flag; }

    int GetCustomerID() const { return customerID_; }
    std::string GetEmail() const { return email_; }
    std::string GetKanjiSei() const { return kanjiSei_; }
    std::string GetKanjiMei() const { return kanjiMei_; }
    std::string GetKanaSei() const { return kanaSei_; }
    std::string GetKanaMei() const { return kanaMei_; }
    std::string GetCompany() const { return company_; }
    std::string GetCompanyPost() const { return companyPost_; }
    platform::DateTime GetBirthday() const { return birthday_; }
    std::string GetZipCode1() const { return zipCode1_; }
    std::string GetZipCode2() const { return zipCode2_; }
    std::string GetPrefecture() const { return prefecture_; }
    std::string GetAddress1() const { return address1_; }
    std::string GetAddress2() const { return address2_; }
    std::string GetBuilding() const { return building_; }
    std::string GetPhone1() const { return phone1_; }
    std::string GetPhone2() const { return phone2_; }
    std::string GetFax1() const { return fax1_; }
    std::string GetFax2() const { return fax2_; }
    std::string GetPortable1() const { return portable1_; }
    std::string GetPortable2() const { return portable2_; }
    std::string GetDMOk() const { return dmOk_; }
    std::string GetDeleteFlag() const { return deleteFlag_; }
    platform::DateTime GetEntryDate() const { return entryDate_; }
    platform::DateTime GetRenewalDate() const { return renewalDate_; }
    // Extension item 0 (A) to 19 (T); empty text outside.
    std::string GetExtra(int item) const;
    std::string GetExtraA() const { return GetExtra(0); }
    std::string GetExtraB() const { return GetExtra(1); }
    std::string GetExtraC() const { return GetExtra(2); }
    std::string GetExtraD() const { return GetExtra(3); }
    std::string GetExtraE() const { return GetExtra(4); }
    std::string GetExtraF() const { return GetExtra(5); }
    std::string GetExtraG() const { return GetExtra(6); }
    std::string GetExtraH() const { return GetExtra(7); }
    std::string GetExtraI() const { return GetExtra(8); }
    std::string GetExtraJ() const { return GetExtra(9); }
    std::string GetExtraK() const { return GetExtra(10); }
    std::string GetExtraL() const { return GetExtra(11); }
    std::string GetExtraM() const { return GetExtra(12); }
    std::string GetExtraN() const { return GetExtra(13); }
    std::string GetExtraO() const { return GetExtra(14); }
    std::string GetExtraP() const { return GetExtra(15); }
    std::string GetExtraQ() const { return GetExtra(16); }
    std::string GetExtraR() const { return GetExtra(17); }
    std::string GetExtraS() const { return GetExtra(18); }
    std::string GetExtraT() const { return GetExtra(19); }
    XCStringArrayEx GetExtraAll() const { return extra_; }

    // Not negative (the text read as a decimal number): 0, else -1.
    int SetCustomerID(const std::string& text);
    int SetCustomerID(int id);
    // Must pass MailAddressChecker: 0, else -1.
    int SetEmail(const std::string& text);
    void SetKanjiSei(const std::string& text);
    void SetKanjiMei(const std::string& text);
    void SetKanaSei(const std::string& text);
    void SetKanaMei(const std::string& text);
    void SetCompany(const std::string& text);
    void SetCompanyPost(const std::string& text);
    void SetAddress1(const std::string& text);
    void SetAddress2(const std::string& text);
    void SetBuilding(const std::string& text);

    // 0-9999999, split "%07d" into 3 + 4 digits: 0, else -1.
    int SetZipCode(int code);
    // "-", "－" and "ー" removed, then exactly 7 digits, split 3 + 4: 0, else -1. The text
    // is not cut by the character check (a refused character refuses the code).
    int SetZipCode(const std::string& text);
    int SetZipCode1(int code);                  // 0-999 as "%03d": 0, else -1
    int SetZipCode1(const std::string& text);   // 3 bytes, else -1; digits, else -2
    int SetZipCode2(int code);                  // 0-9999 as "%04d": 0, else -1
    int SetZipCode2(const std::string& text);   // 4 bytes, else -1; digits, else -2

    // One of the 47 prefecture names or "<未選択>", exactly: 0; otherwise "<未選択>" is
    // stored and the result is -1.
    int SetPrefecture(const std::string& text);

    // Only "0123456789-" (the empty text passes): 0, else -1.
    int SetPhone1(const std::string& text);
    int SetPhone2(const std::string& text);
    int SetFax1(const std::string& text);
    int SetFax2(const std::string& text);
    int SetPortable1(const std::string& text);
    int SetPortable2(const std::string& text);

    int SetDMOk(const std::string& text);   // "Y"/"N": 0; else "N" stored, -1
    void SetDMOk(int flag);                 // 1: "Y", else "N"
    int SetDeleteFlag(const std::string& text);  // "Y"/"": 0; else "" stored, -1
    void SetDeleteFlag(int flag);                // 1: "Y", else ""

    // which: 0 birthday (stored at 00:00:00), 1 entry date, 2 renewal date.
    // Results: -1 date not valid or `which` unknown; with clamp set, -2 / -3 / -4 for a
    // given lower bound / upper bound / replacement that is not valid. With clamp set a
    // date before the lower or after the upper bound (each only when given) becomes the
    // replacement, or the current date and time when none is given.
    int SetDate(int which, const platform::DateTime& date, int clamp = 0,
                const platform::DateTime* lower = nullptr, const platform::DateTime* upper = nullptr,
                const platform::DateTime* replacement = nullptr);
    // The text form: for the birthday a date of at least year, month and day (un-padded
    // numbers allowed), for the others a full date and time; text that is neither gives
    // today (birthday) or now. Then as above.
    int SetDate(int which, const std::string& text, int clamp = 0,
                const platform::DateTime* lower = nullptr, const platform::DateTime* upper = nullptr,
                const platform::DateTime* replacement = nullptr);

    // Exactly 20 texts: 0, else -1.
    int SetExtraAll(const XCStringArrayEx& items);
    // Item 0-19: 0, else -1.
    int SetExtra(int item, const std::string& text);
    int SetExtra(int item, int number);  // "%d"
    // "%Y/%m/%d %H:%M:%S"; -3 for an invalid date, -1 for an item outside 0-19.
    int SetExtra(int item, const platform::DateTime& date);

    // The prefecture names SetPrefecture accepts, in their fixed order, "<未選択>" first
    // (Shift_JIS).
    static const std::vector<std::string>& PrefectureNames();

private:
    std::string Converted(const std::string& text, int dataType) const;
    int SetPhoneLike(std::string& member, const std::string& text);

    int checkCharacterCode_ = 0;
    int customerID_ = -1;
    std::string email_;
    std::string kanjiSei_;
    std::string kanjiMei_;
    std::string kanaSei_;
    std::string kanaMei_;
    std::string company_;
    std::string companyPost_;
    platform::DateTime birthday_;
    std::string zipCode1_;
    std::string zipCode2_;
    std::string prefecture_;
    std::string address1_;
    std::string address2_;
    std::string building_;
    std::string phone1_;
    std::string phone2_;
    std::string fax1_;
    std::string fax2_;
    std::string portable1_;
    std::string portable2_;
    std::string dmOk_;
    std::string deleteFlag_;
    platform::DateTime entryDate_;
    platform::DateTime renewalDate_;
    XCStringArrayEx extra_;
};
