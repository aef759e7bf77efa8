#include "core/addressbook/one_customer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"

namespace {

std::vector<std::string> FullRow() {
    std::vector<std::string> row(kCustomerElementCount);
    for (int e = 0; e < kCustomerElementCount; ++e) row[e] = "v" + std::to_string(e);
    row[kElemCustomerID] = "42";
    row[kElemBirthday] = "1980/02/03 04:05:06 and more";
    row[kElemDMOk] = "Yes";
    row[kElemOtherMailOk] = "No";
    row[kElemDeleteFlag] = "Y";
    row[kElemEntryDate] = "2008/04/01 09:05:00";
    row[kElemRenewalDate] = "2009/05/02 10:06:01xyz";
    return row;
}

TEST(OneCustomer, RowToRecordCutsAsStored) {
    OneCustomer c;
    CustomerFromRow(FullRow(), c);
    EXPECT_EQ(c.CustomerID, 42);
    EXPECT_EQ(c.Email, "v1");
    EXPECT_EQ(c.Portable2, "v20");
    EXPECT_EQ(c.Birthday, "1980/02/03 04:05:06");  // first 19 bytes
    EXPECT_EQ(c.DMOk, "Y");                         // first character
    EXPECT_EQ(c.OtherMailOk, "N");
    EXPECT_EQ(c.Extra[0], "v28");
    EXPECT_EQ(c.Extra[19], "v47");
    EXPECT_EQ(c.DeleteFlag, "Y");
    EXPECT_EQ(Convert_COleDateTime2DateData(c.EntryDate), "2008/04/01 09:05:00");
    EXPECT_EQ(Convert_COleDateTime2DateData(c.RenewalDate), "2009/05/02 10:06:01");

    // A two-byte character is never split: 18 bytes of ASCII then one kanji gives 18 bytes.
    std::vector<std::string> row = FullRow();
    row[kElemBirthday] = std::string(18, '1') + SjisLiteral("年");
    row[kElemDMOk] = SjisLiteral("可");
    CustomerFromRow(row, c);
    EXPECT_EQ(c.Birthday, std::string(18, '1'));
    EXPECT_EQ(c.DMOk, SjisLiteral("可"));

    // A short row reads its missing elements as empty.
    CustomerFromRow({"7", "a@b.c"}, c);
    EXPECT_EQ(c.CustomerID, 7);
    EXPECT_EQ(c.Email, "a@b.c");
    EXPECT_EQ(c.DeleteFlag, "");
}

TEST(OneCustomer, RecordToRowEmptiesSpares) {
    OneCustomer c;
    CustomerFromRow(FullRow(), c);
    std::vector<std::string> row(kCustomerElementCount, "old");
    CustomerToRow(c, row);
    ASSERT_EQ(row.size(), static_cast<std::size_t>(kCustomerElementCount));
    for (int e = 23; e <= 27; ++e) EXPECT_EQ(row[e], "") << e;
    for (int e = 48; e <= 52; ++e) EXPECT_EQ(row[e], "") << e;
    EXPECT_EQ(row[kElemEmail], "v1");
    EXPECT_EQ(row[kElemZipCode1], "v9");
    EXPECT_EQ(row[kElemExtraFirst + 5], "v33");
    EXPECT_EQ(row[kElemDeleteFlag], "Y");
    EXPECT_EQ(row[kElemCustomerID], "old");  // left to the store
}

TEST(OneCustomer, FieldMapsElementsToTexts) {
    OneCustomer c;
    for (int e : {0, 23, 27, 48, 52, 54, 55, -1, 56}) EXPECT_EQ(c.Field(e), nullptr) << e;
    *c.Field(kElemPrefecture) = "p";
    *c.Field(kElemExtraFirst + 19) = "t";
    *c.Field(kElemDeleteFlag) = "Y";
    EXPECT_EQ(c.Prefecture, "p");
    EXPECT_EQ(c.Extra[19], "t");
    EXPECT_EQ(c.DeleteFlag, "Y");
}

TEST(OneCustomer, InitGivesANewRecord) {
    OneCustomer c;
    c.Email = "x@y.z";
    InitOneCustomer(c);
    EXPECT_EQ(c.CustomerID, -1);
    EXPECT_EQ(c.Email, "");
    EXPECT_EQ(c.DMOk, "Y");
    EXPECT_EQ(c.OtherMailOk, "Y");
    EXPECT_EQ(c.DeleteFlag, "");
    EXPECT_TRUE(c.EntryDate.IsValid());
    EXPECT_EQ(c.EntryDate, c.RenewalDate);
}

TEST(OneCustomer, ElementTable) {
    EXPECT_EQ(CustomerElementName(0), SjisLiteral("個人情報ID"));
    EXPECT_EQ(CustomerElementType(0), kCustomerNumber);
    EXPECT_EQ(CustomerElementName(2), SjisLiteral("名前(姓)"));
    EXPECT_EQ(CustomerElementName(22), SjisLiteral("DM以外送付可否"));
    EXPECT_EQ(CustomerElementName(52), SjisLiteral("余白10"));
    EXPECT_EQ(CustomerElementName(53), SjisLiteral("削除フラグ"));
    EXPECT_EQ(CustomerElementType(54), kCustomerDate);
    EXPECT_EQ(CustomerElementType(55), kCustomerDate);
    for (int e : {10, 14, 16, 18, 20}) EXPECT_EQ(CustomerElementName(e), "") << e;
    EXPECT_EQ(CustomerElementName(-1), "");
    EXPECT_EQ(CustomerElementName(56), "");
}

}  // namespace
