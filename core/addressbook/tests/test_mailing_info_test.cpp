// The test-mail recipient file: created when missing, records through the file and back
// with the store's rules for dates, postal code and deletion mark, and a damaged file
// that is never saved over.

#include <gtest/gtest.h>

#include <string>

#include "address_book_test_util.h"
#include "core/addressbook/test_mailing_info.h"
#include "platform/notifier.h"
#include "platform/path.h"

namespace {

using platform::DateTime;

class TestMailingInfoTest : public abtest::AddressBookEnv {
protected:
    std::string File() const { return folder_ + "DB/testmailinginfo.dat"; }
};

TEST_F(TestMailingInfoTest, MissingFileIsCreatedEmptyAndGivesDefaults) {
    EnvManager env;
    Open(env, true);
    const DateTime now(2024, 5, 6, 7, 8, 9);
    SetNow(now);
    CTestMailingInfo info(&env);
    ASSERT_TRUE(platform::IsRegularFile(File()));
    EXPECT_EQ(ReadFile(File()), "");
    EXPECT_EQ(info.GetLineNumber(), 0);

    OneCustomer c;
    c.Email = "left@over";
    EXPECT_EQ(info.GetTestMailingInfo(c, 1), 0);
    EXPECT_EQ(c.CustomerID, 1);
    EXPECT_EQ(c.Email, "");
    EXPECT_EQ(c.DMOk, "Y");
    EXPECT_EQ(c.OtherMailOk, "Y");
    EXPECT_EQ(c.EntryDate, now);
    EXPECT_EQ(c.RenewalDate, now);

    // An empty file reads as an empty table.
    EXPECT_EQ(info.ReadFromFileToMemory(), 0);
}

class TestMailingRoundTrip : public TestMailingInfoTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TestMailingRoundTrip, RecordsSurviveTheFileWithTheStoreRules) {
    EnvManager env;
    Open(env, GetParam());
    const DateTime first(2024, 1, 2, 3, 4, 5), second(2024, 2, 3, 4, 5, 6);
    SetNow(first);
    {
        CTestMailingInfo info(&env);
        OneCustomer pc;
        info.InitOneCustomer(pc, 0);
        pc.Email = "pc@example.jp";
        pc.KanjiSei = "\x8e\x52\x93\x63";  // 山田
        pc.ZipCode1 = "123-4567";
        pc.DeleteFlag = "Y";
        pc.DMOk = "N";
        pc.Extra[19] = "T";
        pc.EntryDate = DateTime(2000, 1, 1, 0, 0, 0);  // a new line takes now regardless
        ASSERT_EQ(info.SetTestMailingInfo(pc, 0), 0);
        OneCustomer mobile;
        info.InitOneCustomer(mobile, 1);
        mobile.Email = "m@docomo.ne.jp";
        ASSERT_EQ(info.SetTestMailingInfo(mobile, 1), 0);
        ASSERT_EQ(info.WriteFromMemoryToFile(), 0);
    }

    SetNow(second);
    CTestMailingInfo info(&env);
    ASSERT_EQ(info.GetLineNumber(), 2);
    XCStringArrayEx row = info.GetAtLine(0);
    EXPECT_EQ(row[0], "0");
    EXPECT_EQ(row[9], "1234567");
    EXPECT_EQ(row[53], "");
    EXPECT_EQ(row[54], "2024/01/02 03:04:05");
    EXPECT_EQ(row[55], "2024/01/02 03:04:05");

    OneCustomer got;
    ASSERT_EQ(info.GetTestMailingInfo(got, 0), 1);
    EXPECT_EQ(got.CustomerID, 0);
    EXPECT_EQ(got.Email, "pc@example.jp");
    EXPECT_EQ(got.KanjiSei, "\x8e\x52\x93\x63");
    EXPECT_EQ(got.ZipCode1, "1234567");
    EXPECT_EQ(got.DMOk, "N");
    EXPECT_EQ(got.Extra[19], "T");
    EXPECT_EQ(got.DeleteFlag, "");
    EXPECT_EQ(got.EntryDate, first);

    // Storing under the existing ID keeps the record's entry date and renews the other;
    // a new ID takes now for both. The line is replaced, not added.
    got.Email = "pc2@example.jp";
    ASSERT_EQ(info.SetTestMailingInfo(got, 0), 0);
    OneCustomer third;
    info.InitOneCustomer(third, 7);
    third.EntryDate = first;
    ASSERT_EQ(info.SetTestMailingInfo(third, 7), 0);
    ASSERT_EQ(info.GetLineNumber(), 3);
    row = info.GetAtLine(0);
    EXPECT_EQ(row[1], "pc2@example.jp");
    EXPECT_EQ(row[54], "2024/01/02 03:04:05");
    EXPECT_EQ(row[55], "2024/02/03 04:05:06");
    row = info.GetAtLine(2);
    EXPECT_EQ(row[54], "2024/02/03 04:05:06");
    EXPECT_EQ(row[55], "2024/02/03 04:05:06");
}

INSTANTIATE_TEST_SUITE_P(KeyedAndUnkeyed, TestMailingRoundTrip, ::testing::Bool());

TEST_F(TestMailingInfoTest, WorkRowElementOutsideTheRecordIsRefused) {
    CTestMailingInfo info;
    EXPECT_EQ(info.SetElementTestMailingInfoTemp("x", 55), 0);
    for (int bad : {56, -1}) {
        EXPECT_EQ(info.SetElementTestMailingInfoTemp("x", bad), -2);
        EXPECT_EQ(info.GetErrMsg().GetLastCode(), 10005);
    }
    EXPECT_EQ(info.ReadFromFileToMemory(), -101);  // no path and no environment
}

TEST_F(TestMailingInfoTest, DamagedFileFailsConstructionAndIsNeverSavedOver) {
    EnvManager env;
    Open(env, false);
    const std::string damaged = "\"0\",\"only two\"\r\n";
    WriteFile(File(), damaged);
    std::string told;
    auto previous = platform::SetNotifier([&](const std::string& text, const std::string&, unsigned) {
        told = text;
        return platform::kIdOk;
    });
    EXPECT_THROW(CTestMailingInfo info(&env), platform::UserException);
    platform::SetNotifier(previous);
    EXPECT_FALSE(told.empty());

    CTestMailingInfo info;
    EXPECT_EQ(info.SetEnvManager(&env), 0);
    OneCustomer c;
    info.InitOneCustomer(c, 0);
    ASSERT_EQ(info.SetTestMailingInfo(c, 0), 0);
    EXPECT_EQ(info.WriteFromMemoryToFile(), -11);
    EXPECT_EQ(info.GetErrMsg().GetLastCode(), 10204);
    EXPECT_EQ(ReadFile(File()), damaged);
}

}  // namespace
