// The read side of the address book, the sort by ID and the merge of a backup.

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "address_book_test_util.h"

namespace {

struct Row {
    int id;
    std::string mail;
    std::string prefecture;
    std::string deleted;
};

class QueryTest : public abtest::AddressBookEnv {
protected:
    void SetUp() override {
        AddressBookEnv::SetUp();
        Open(env_, false);
    }
    // Appends rows with the given IDs, in this order.
    void Fill(CDatabaseEdit& book, const std::vector<Row>& rows) {
        ASSERT_EQ(book.SetEnvManager(&env_), 1);
        for (const Row& r : rows) {
            OneCustomer c = Person(r.mail);
            c.CustomerID = r.id;
            c.Prefecture = r.prefecture;
            c.DeleteFlag = r.deleted;
            ASSERT_EQ(book.SetOneCustomerInfoForRepair(c), 0);
        }
    }
    EnvManager env_;
};

// Row order 5, 3 (deleted), 9, 7, 12.
const std::vector<Row> kBook = {{5, "abc@x.jp", "A", ""},
                                {3, "Upper@X.jp", "B", "Y"},
                                {9, "trail@x.jp ", "A", ""},
                                {7, "m@x.jp", "", "N"},  // any mark but "Y" is live
                                {12, "", "B", ""}};

TEST_F(QueryTest, Search) {
    CDatabaseEdit book;
    Fill(book, kBook);
    struct Case {
        int element;
        std::string text;
        int start;
        int direction;
        int result;
        int code;  // recorded error, 0 for none
    };
    const Case cases[] = {
        {1, "ABC@X.JP", -1, 0, 5, 0},      // case does not matter
        {1, "upper@x.jp", -1, 0, 3, 0},    // deleted records are searched too
        {1, "trail@x.jp", -1, 0, -1, 0},   // a trailing blank is part of the value
        {1, "abc@x.jp", 5, 0, -1, 0},      // starts after the start ID's row
        {1, "m@x.jp", 12, 0, -1, 0},       // from the last row: nothing follows
        {11, "B", 3, 0, 12, 0},            // repeating from the match finds the next one
        {1, "abc@x.jp", -1, 1, 5, 0},      // backward from the end
        {11, "B", 12, 1, 3, 0},            // backward from the row before the start
        {1, "m@x.jp", 7, 1, -1, 0},
        {56, "x", -1, 0, -2, 10005},
        {-1, "x", -1, 0, -2, 10005},
        {1, "x", 99, 0, -6, 10006},
        {1, "x", -1, 2, -7, 10007},
    };
    for (const Case& c : cases) {
        book.GetErrMsg().Clear();
        EXPECT_EQ(book.SearchCustomerOneElement(c.element, c.text, c.start, c.direction), c.result)
            << c.element << " " << c.text << " " << c.start << " " << c.direction;
        EXPECT_EQ(book.GetErrMsg().GetLastCode(), c.code) << c.text;
    }
}

TEST_F(QueryTest, ListsAndCounts) {
    CDatabaseEdit book;
    Fill(book, kBook);
    std::vector<int> ids;
    std::list<int> idList;
    EXPECT_EQ(book.GetDBIDWithoutDelete(ids), 4);
    EXPECT_EQ(ids, (std::vector<int>{5, 9, 7, 12}));
    EXPECT_EQ(book.GetDBIDWithoutDelete(idList), 4);
    EXPECT_EQ(idList, (std::list<int>{5, 9, 7, 12}));
    EXPECT_EQ(book.GetDBCountWithoutDelete(), 4);
    EXPECT_EQ(book.GetDeleteCustomerList(ids), 1);
    EXPECT_EQ(ids, std::vector<int>{3});
    EXPECT_EQ(book.GetDBIDALL(ids), 5);
    EXPECT_EQ(ids, (std::vector<int>{5, 3, 9, 7, 12}));
    EXPECT_EQ(book.GetMaxDBIDOnlyExisting(), 12);
    EXPECT_EQ(book.FindCustomerID(3, 0), 0);
    EXPECT_EQ(book.FindCustomerID(3, 1), 1);
    EXPECT_EQ(book.FindCustomerID(99, 1), 0);

    struct Range {
        int from, to;
        std::vector<int> ids;
    };
    const Range ranges[] = {{5, -1, {5, 9, 7, 12}},  // either bound -1: no range at all
                            {-1, 6, {5, 9, 7, 12}},
                            {5, 9, {5, 9, 7}},
                            {6, 100, {9, 7, 12}},
                            {13, 20, {}}};
    for (const Range& r : ranges) {
        EXPECT_EQ(book.GetDBForListSize(r.from, r.to), static_cast<int>(r.ids.size())) << r.from << "," << r.to;
        // Too short an array grows; a longer one keeps what lies past the count.
        for (std::size_t size : {std::size_t{0}, r.ids.size() + 2}) {
            std::vector<CDbCustomerID> list(size, CDbCustomerID{-5});
            ASSERT_EQ(book.GetDBForList(&list, r.from, r.to), static_cast<int>(r.ids.size()));
            ASSERT_GE(list.size(), r.ids.size());
            for (std::size_t i = 0; i < r.ids.size(); ++i) EXPECT_EQ(list[i].customerID, r.ids[i]);
            for (std::size_t i = r.ids.size(); i < list.size(); ++i) EXPECT_EQ(list[i].customerID, -5);
        }
    }
    EXPECT_EQ(book.GetDBForList(nullptr, -1, -1), 0);

    std::vector<t_SORT_ITEM> items;
    EXPECT_EQ(book.GetDBID2Item(11, items), 4);
    EXPECT_EQ(items, (std::vector<t_SORT_ITEM>{{5, "A"}, {9, "A"}, {7, ""}, {12, "B"}}));
    EXPECT_EQ(book.GetDBID2Item(56, items), -2);

    std::string out = "kept";
    EXPECT_EQ(book.GetOneCustomerDataPinPoint(out, 1, 9), 0);
    EXPECT_EQ(out, "trail@x.jp ");
    EXPECT_EQ(book.GetOneCustomerDataPinPoint(out, 56, 9), -2);
    EXPECT_EQ(book.GetErrMsg().GetLastCode(), 10005);
    EXPECT_EQ(book.GetOneCustomerDataPinPoint(out, 1, 99), -6);
    EXPECT_EQ(book.GetErrMsg().GetLastCode(), 10006);
    out = "kept";
    EXPECT_EQ(book.GetCustomerDataPinPoint(99, 1, out), -1);
    EXPECT_EQ(book.GetCustomerDataPinPoint(9, 56, out), -2);
    EXPECT_EQ(out, "kept");
    EXPECT_EQ(book.GetCustomerDataPinPoint(5, 1), "abc@x.jp");
    EXPECT_EQ(book.GetCustomerDataPinPoint(5, 60), "");

    CDatabaseEdit empty;
    EXPECT_EQ(empty.GetMaxDBIDOnlyExisting(), 0);
    EXPECT_EQ(empty.GetDBIDALL(ids), 0);
    EXPECT_EQ(empty.GetDBForListSize(-1, -1), 0);
}

TEST_F(QueryTest, DistinctValues) {
    CDatabaseEdit book;
    Fill(book, kBook);
    struct Case {
        int includeDeleted, maximum;
        std::vector<std::string> values;
    };
    const Case cases[] = {{0, 0, {"A", "", "B"}},
                          {1, 0, {"A", "B", ""}},
                          {1, 2, {"A", "B"}},
                          {0, 1, {"A"}}};
    for (const Case& c : cases) {
        std::vector<std::string> values = {"old"};
        EXPECT_EQ(book.GetDBElementGroupBy(11, values, c.includeDeleted, c.maximum), static_cast<int>(c.values.size()));
        EXPECT_EQ(values, c.values) << c.includeDeleted << " " << c.maximum;
    }
    std::vector<std::string> values;
    EXPECT_EQ(book.GetDBElementGroupBy(1, values, 1, 0), 5);  // exact: "Upper@X.jp" is its own value
    EXPECT_EQ(book.GetDBElementGroupBy(56, values, 0, 0), -2);
    EXPECT_EQ(book.GetErrMsg().GetLastCode(), 10005);
}

TEST_F(QueryTest, SortKeepsIndexInStep) {
    CDatabaseEdit book;
    Fill(book, kBook);
    ASSERT_EQ(book.SortByCustomerID(), 0);
    std::vector<int> ids;
    book.GetDBIDALL(ids);
    EXPECT_EQ(ids, (std::vector<int>{3, 5, 7, 9, 12}));
    for (std::size_t row = 0; row < ids.size(); ++row) EXPECT_EQ(book.DBID2RowNumber(ids[row]), static_cast<int>(row));
    EXPECT_EQ(book.GetCustomerDataPinPoint(9, 1), "trail@x.jp ");
}

TEST_F(QueryTest, RowChangesKeepTheIndexInStep) {
    CDatabaseEdit book;
    Fill(book, kBook);  // rows: 5, 3, 9, 7, 12
    ASSERT_EQ(book.SetAtElement(2, kElemCustomerID, 90), 0);
    EXPECT_EQ(book.DBID2RowNumber(90), 2);
    EXPECT_EQ(book.DBID2RowNumber(9), -1);
    ASSERT_EQ(book.SetAtElement(0, kElemDeleteFlag, "Y"), 0);
    EXPECT_EQ(book.FindCustomerID(5, 0), 0);
    EXPECT_EQ(book.GetDBCountWithoutDelete(), 3);

    XCStringArrayEx line = book.GetAtLine(1);
    line.SetAt(kElemCustomerID, "1");
    ASSERT_EQ(book.InsertAtLine(0, line), 0);
    EXPECT_EQ(book.DBID2RowNumber(1), 0);
    EXPECT_EQ(book.DBID2RowNumber(12), 5);
    ASSERT_EQ(book.RemoveLine(0), 0);
    EXPECT_EQ(book.DBID2RowNumber(1), -1);
    EXPECT_EQ(book.DBID2RowNumber(5), 0);

    // A second row of the same ID: the later row is the one found, before and after a
    // change of the earlier one.
    line.SetAt(kElemCustomerID, "7");
    ASSERT_EQ(book.AddLine(line), 0);
    EXPECT_EQ(book.DBID2RowNumber(7), 5);
    ASSERT_EQ(book.SetAtLine(3, book.GetAtLine(3)), 0);
    EXPECT_EQ(book.DBID2RowNumber(7), 5);
    book.MakeIndex();
    EXPECT_EQ(book.DBID2RowNumber(7), 5);
}

TEST_F(QueryTest, MergeOfABackup) {
    CDatabaseEdit book;
    Fill(book, {{1, "a@x.jp", "", ""}, {2, "B@x.jp", "", "Y"}});
    CDatabaseEdit backup;
    struct Case {
        Row row;
        const char* outcome;  // "restored", "skipped" or "" (neither list)
    };
    const Case cases[] = {
        {{10, "", "", ""}, ""},                     // no address
        {{11, "b@X.JP", "", ""}, "skipped"},        // address of another record (a deleted one)
        {{1, "A@x.jp", "", ""}, ""},                // already here under its own ID
        {{2, "new@x.jp", "", ""}, ""},              // new address, ID in use
        {{12, "new2@x.jp", "P", "Y"}, "restored"},  // appended as it is
        {{13, "new2@x.jp", "", ""}, "restored"},    // the book's addresses are taken before the merge
        {{12, "dup@x.jp", "", ""}, ""},             // an ID the merge has just added
    };
    std::vector<Row> rows;
    std::vector<int> restored = {-1}, skipped = {-2}, expectRestored = {-1}, expectSkipped = {-2};
    for (const Case& c : cases) {
        rows.push_back(c.row);
        if (std::string(c.outcome) == "restored") expectRestored.push_back(c.row.id);
        if (std::string(c.outcome) == "skipped") expectSkipped.push_back(c.row.id);
    }
    Fill(backup, rows);
    EXPECT_EQ(book.RestoreFromOtherDBE(backup, restored, skipped), 2);
    EXPECT_EQ(restored, expectRestored);  // appended to, not emptied first
    EXPECT_EQ(skipped, expectSkipped);
    EXPECT_EQ(book.GetLineNumber(), 4);
    EXPECT_EQ(book.GetAtLine(2), backup.GetAtLine(4));
    EXPECT_EQ(book.DBID2RowNumber(13), 3);
    EXPECT_EQ(book.FindCustomerID(12, 0), 0);  // its deletion mark came along
    EXPECT_EQ(book.GetMaxDBID(), 13);
}

}  // namespace
