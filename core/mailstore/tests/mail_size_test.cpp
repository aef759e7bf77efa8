#include "core/mailstore/mail_size.h"

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "core/addressbook/database_edit.h"
#include "core/foundation/cp932.h"
#include "core/mailstore/tests/mail_text_test_util.h"

namespace {

using mailtest::S;

// An address book in memory with records 10 (short name), 11 (longer name), 12 (the same
// length as 11) and 13 (half-width katakana name).
class MailSizeTest : public ::testing::Test {
protected:
    void SetUp() override {
        Add(10, "ab");
        Add(11, "abcdef");
        Add(12, "uvwxyz");
        Add(13, S("ｱｲｳｴｵ"));
    }
    void Add(int id, const std::string& name) {
        OneCustomer c;
        InitOneCustomer(c);
        c.CustomerID = id;
        c.KanjiSei = name;
        std::vector<std::string> row;
        CustomerToRow(c, row);
        row[kElemCustomerID] = std::to_string(id);
        ASSERT_GE(book.AddLine(XCStringArrayEx(row)), 0);
    }
    CDatabaseEdit book;
};

TEST_F(MailSizeTest, LargestMergeWinsAndTiesKeepTheFirst) {
    CMailSize size(&book);
    size.SetTargetString(S("<%名前(姓)%>様"), 0);
    std::string text = "untouched";
    EXPECT_EQ(size.GetMaxSize(), -1);
    EXPECT_EQ(size.GetMaxCustomerID(), -1);
    EXPECT_EQ(size.GetMaxResultString(text), -1);
    EXPECT_EQ(text, "untouched");

    ASSERT_EQ(size.SetTargetCustomerByCustomerIDArray({10, 999, 11, 12}), 0);  // 999 skipped
    const int plain = 0;
    ASSERT_EQ(size.Analyze(plain), 0);
    EXPECT_EQ(size.GetMaxSize(), 8);
    EXPECT_EQ(size.GetMaxCustomerID(), 11);  // 12 is as long: the earlier stays
    ASSERT_EQ(size.GetMaxResultString(text), 0);
    EXPECT_EQ(text, "abcdef" + S("様"));

    // Half-width katakana count double once widened.
    ASSERT_EQ(size.SetTargetCustomerByCustomerIDList(std::list<int>{13, 10}), 0);
    ASSERT_EQ(size.Analyze(plain), 0);
    EXPECT_EQ(size.GetMaxSize(), 7);
    const int widen = 1;
    ASSERT_EQ(size.Analyze(widen), 0);
    EXPECT_EQ(size.GetMaxSize(), 12);
    EXPECT_EQ(size.GetMaxCustomerID(), 13);

    // Without targets nothing is reported any more.
    EXPECT_EQ(size.SetTargetCustomerByCustomerIDArray({998, 999}), -1);
    EXPECT_EQ(size.Analyze(plain), -1);
    EXPECT_EQ(size.GetMaxSize(), -1);
    EXPECT_EQ(size.GetMaxCustomerID(), -1);
    EXPECT_EQ(size.GetMaxResultString(), "");
    EXPECT_EQ(size.SetTargetCustomerByCustomerIDArray({}), -1);
}

TEST_F(MailSizeTest, TargetsByIdOrRecord) {
    CMailSize size(&book);
    size.SetTargetString("no fields", 0);
    EXPECT_EQ(size.SetTargetCustomerByCustomerID(999), -1);
    ASSERT_EQ(size.SetTargetCustomerByCustomerID(12), 0);
    ASSERT_EQ(size.Analyze(0), 0);
    EXPECT_EQ(size.GetMaxSize(), 9);
    EXPECT_EQ(size.GetMaxCustomerID(), 12);

    // A record that is not in the address book (the test-mail recipient).
    OneCustomer outsider;
    outsider.CustomerID = 0;
    outsider.Company = "A&B";
    size.SetTargetString(S("&lt;%会社名%&gt;"), 1);
    size.SetTargetCustomerByOneCustomer(outsider);
    ASSERT_EQ(size.Analyze(0), 0);
    EXPECT_EQ(size.GetMaxResultString(), "A&amp;B");

    CMailSize noBook(nullptr);
    EXPECT_EQ(noBook.SetTargetCustomerByCustomerID(10), -2);
    EXPECT_EQ(noBook.SetTargetCustomerByCustomerIDArray({10}), -2);
    noBook.SetTargetCustomerByOneCustomerArray({outsider, outsider});
    EXPECT_EQ(noBook.Analyze(0), 0);
}

}  // namespace
