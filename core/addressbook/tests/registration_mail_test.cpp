// Registration mails to records, and the list of mail domains.

#include <gtest/gtest.h>

#include "import_test_util.h"

namespace {

class RegistrationMailTest : public abtest::ImportEnv {};

struct MailCase {
    const char* name;
    const char* body;  // UTF-8
    int strict;
    int result;
    int element;         // checked element (-1: none)
    const char* value;   // its expected text (UTF-8)
};

TEST_F(RegistrationMailTest, CaseTable) {
    const MailCase cases[] = {
        {"address only", "<EMAIL>a@example.com</EMAIL>", 0, 0, kElemEmail, "a@example.com"},
        {"tag split over lines", "<EM\r\nAIL>a@exa\r\nmple.com</EMAIL>", 0, 0, kElemEmail, "a@example.com"},
        {"no address", "<NAME_SEI>山田</NAME_SEI>", 0, -43, -1, ""},
        {"unclosed address", "<EMAIL>a@example.com", 0, -43, -1, ""},
        {"invalid address", "<EMAIL>a@@example</EMAIL>", 0, -43, -1, ""},
        {"first pair counts", "<EMAIL>a@example.com</EMAIL><EMAIL>b@example.com</EMAIL>", 0, 0, kElemEmail,
         "a@example.com"},
        {"name untrimmed", "<EMAIL>a@example.com</EMAIL><NAME_SEI> 山田 </NAME_SEI>", 0, 0, kElemKanjiSei, " 山田 "},
        {"phone with a letter, lenient", "<EMAIL>a@example.com</EMAIL><PHONE_1>03a</PHONE_1>", 0, 0, kElemPhone1, ""},
        {"phone with a letter, strict", "<EMAIL>a@example.com</EMAIL><PHONE_1>03a</PHONE_1>", 1, -43, -1, ""},
        {"unclosed value, strict", "<EMAIL>a@example.com</EMAIL><POST>x", 1, -43, -1, ""},
        {"unclosed value, lenient", "<EMAIL>a@example.com</EMAIL><POST>x", 0, 0, kElemCompanyPost, ""},
        {"zip parts", "<EMAIL>a@example.com</EMAIL><ZIPCODE_1>123</ZIPCODE_1><ZIPCODE_2>4567</ZIPCODE_2>", 0, 0,
         kElemZipCode1, "1234567"},
        {"whole zip", "<EMAIL>a@example.com</EMAIL><ZIPCODE_3>123-4567</ZIPCODE_3>", 0, 0, kElemZipCode1, "1234567"},
        {"whole zip drops a second part",
         "<EMAIL>a@example.com</EMAIL><ZIPCODE_3>123-4567</ZIPCODE_3><ZIPCODE_2>4567</ZIPCODE_2>", 0, 0,
         kElemZipCode1, "1234567"},
        {"phone parts", "<EMAIL>a@example.com</EMAIL><PHONE_1>03</PHONE_1><PHONE_2>1234-5678</PHONE_2>", 0, 0,
         kElemPhone1, "03-1234-5678"},
        {"second phone part alone", "<EMAIL>a@example.com</EMAIL><PHONE_2>1234-5678</PHONE_2>", 0, 0, kElemPhone1,
         "1234-5678"},
        {"whole phone drops a second part",
         "<EMAIL>a@example.com</EMAIL><PHONE_3>03-1234-5678</PHONE_3><PHONE_2>5678</PHONE_2>", 0, 0, kElemPhone1,
         "03-1234-5678"},
        {"misspelt prefecture tag", "<EMAIL>a@example.com</EMAIL><PREFECTURE>東京都</PREFCTURE>", 0, 0,
         kElemPrefecture, "東京都"},
        {"address and building", "<EMAIL>a@example.com</EMAIL><ADDRESS_2>1-2</ADDRESS_2><BUILDING>ビル</BUILDING>", 0,
         0, kElemAddress2, "1-2ビル"},
        {"whole address keeps the building",
         "<EMAIL>a@example.com</EMAIL><ADDRESS_3>3-4</ADDRESS_3><BUILDING>ビル</BUILDING>", 0, 0, kElemAddress2,
         "3-4ビル"},
        {"birthday without time", "<EMAIL>a@example.com</EMAIL><BIRTHDAY>1980/2/3 10:00</BIRTHDAY>", 0, 0,
         kElemBirthday, "1980/02/03"},
        {"advertising flag", "<EMAIL>a@example.com</EMAIL><DMOK>N</DMOK>", 0, 0, kElemDMOk, "N"},
        {"bad advertising flag keeps the default", "<EMAIL>a@example.com</EMAIL><DMOK>n</DMOK>", 0, 0, kElemDMOk,
         "Y"},
        {"number attribute", "<EMAIL>a@example.com</EMAIL><EXTRA_B>007</EXTRA_B>", 0, 0, kElemExtraFirst + 1, "7"},
        {"bad number attribute, strict", "<EMAIL>a@example.com</EMAIL><EXTRA_B>x</EXTRA_B>", 1, -43, -1, ""},
        {"date attribute", "<EMAIL>a@example.com</EMAIL><EXTRA_C>2024/1/2 3</EXTRA_C>", 0, 0, kElemExtraFirst + 2,
         "2024/01/02 03"},
    };
    options_items_[35] = "1";  // attribute B: number
    options_items_[36] = "2";  // attribute C: date
    WriteOptions();
    ASSERT_EQ(options_->GetSODataFromFileToMemory(), 0);
    for (const MailCase& c : cases) {
        SCOPED_TRACE(c.name);
        OneCustomer record;
        record.Email = "left over";
        EXPECT_EQ(importer_->ConvertEMailToOneCunstomer(S(c.body), record, c.strict), c.result);
        if (c.result < 0) {
            EXPECT_EQ(importer_->GetErrMsg().GetLastCode(), 10801);
            EXPECT_EQ(record.Email, "");
            continue;
        }
        EXPECT_EQ(*record.Field(c.element), S(c.value));
        // Second parts are always joined into the first.
        EXPECT_EQ(record.ZipCode2 + record.Phone2 + record.Fax2 + record.Portable2 + record.Building, "");
        EXPECT_EQ(record.CustomerID, -1);
        EXPECT_EQ(record.OtherMailOk, "Y");
    }
}

TEST_F(RegistrationMailTest, OnlyTheAddressSetLeavesEverythingElseAtTheDefaults) {
    OneCustomer record, defaults;
    ASSERT_EQ(importer_->ConvertEMailToOneCunstomer(S("<EMAIL>a@example.com</EMAIL>"), record, 1), 0);
    InitOneCustomer(defaults);
    defaults.Email = "a@example.com";
    EXPECT_EQ(record, defaults);
}

TEST_F(RegistrationMailTest, DomainsAreDistinctAndCaseSensitive) {
    Add(*book_, "a@Example.com");
    Add(*book_, "b@example.com");
    Add(*book_, "c@example.com");
    Add(*book_, "d@deleted.org", "Y");
    OneCustomer odd = Person("no-at-sign");
    ASSERT_EQ(book_->SetOneCustomerInfo(odd, 0), 0);
    std::vector<std::string> domains;
    EXPECT_EQ(importer_->GetDBElementGroupByForMailAddress(domains, 0, 0), 3);
    EXPECT_EQ(domains, (std::vector<std::string>{"@Example.com", "@example.com", "no-at-sign"}));
    EXPECT_EQ(importer_->GetDBElementGroupByForMailAddress(domains, 1, 0), 4);
    EXPECT_EQ(domains, (std::vector<std::string>{"@Example.com", "@example.com", "@deleted.org", "no-at-sign"}));
    EXPECT_EQ(importer_->GetDBElementGroupByForMailAddress(domains, 1, 2), 2);
}

}  // namespace
