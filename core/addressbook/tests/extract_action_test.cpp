// Extraction conditions: the matchers over a small book, the condition file's shape and
// codes, the joining of values, and the refusals of the filter.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/addressbook/extract_action.h"
#include "core/addressbook/extract_matchers.h"
#include "core/foundation/cp932.h"
#include "core/foundation/string_utils.h"
#include "platform/notifier.h"
#include "extraction_test_util.h"

namespace {

using extest::kElemDateB;
using extest::kElemNumberA;

std::string S(const char* utf8) { return Utf8ToSjis(utf8); }

class ExtractActionTest : public extest::ExtractionEnv {
protected:
    void SetUp() override {
        ExtractionEnv::SetUp();
        OpenBook(false);
        // index: mail, family name, company, birth date, A (number), B (date), DM, deleted
        Put(100, "Taro@Example.com", S("山田"), S("ABC商事"), "1980/01/15", "10", "2005/03/31 23:59:59", "Y");
        Put(101, "hanako@example.jp", S("田中"), "", "1990/12/01", "010", "2005/04/01 00:00:00", "Y");
        Put(102, "jiro@test.co.jp", S("山本"), S("ＸＹＺ"), "", "10abc", "2005/01/01", "Y");
        Put(103, "saburo@EXAMPLE.com", "", "abc", "2005/03/05", "", "", "Y");
        Put(104, "refuse@example.com", S("山田"), "ABC", "1980/01/15", "10", "2005/03/15", "N");
        Put(105, "shiro@sample.org", S("佐藤"), "DEF", "2005/2/28", "-5", "2004/12/31 23:59:59", "Y");
        Put(106, "goro@example.com", S("表"), S("表示"), "", "3", "2005/03", "Y");
        Put(107, "deleted@example.com", "Deleted", "", "", "7", "", "Y", "Y");
        Put(108, "rokuro@example.com", "", "", "", "20", "", "Y");
        Put(109, "nana@example.com", "", "", "1999", "100", "2006", "");
        action_ = std::make_unique<ExtractAction>(&env_, book_.get(), EC_TYPE_EXTRACT, -1);
        ASSERT_EQ(action_->GetExtractConditionFromFileToMemory(0, nullptr), 0);
    }

    static std::vector<int> AllIds() { return {100, 101, 102, 103, 104, 105, 106, 107, 108, 109}; }

    std::unique_ptr<ExtractAction> action_;
};

struct MatchCase {
    const char* name;
    int element;
    const char* kind;
    std::vector<std::string> values;
    const char* equalFlag;
    std::string lower, upper;
    const char* rangeFlag;
    std::vector<int> kept;  // record numbers (ID - 100)
};

TEST_F(ExtractActionTest, ConditionsKeepTheRightRecords) {
    const MatchCase cases[] = {
        {"text equal", 2, "E", {S("山田")}, "Y", "", "", "Y", {0}},
        {"text not equal", 2, "E", {S("山田")}, "N", "", "", "Y", {1, 2, 3, 5, 6, 7, 8, 9}},
        {"unknown equal flag reads as N", 2, "E", {S("山田")}, "y", "", "", "Y", {1, 2, 3, 5, 6, 7, 8, 9}},
        {"empty value finds empty", 2, "E", {""}, "Y", "", "", "Y", {3, 8, 9}},
        {"empty value N finds filled", 2, "E", {""}, "N", "", "", "Y", {0, 1, 2, 5, 6, 7}},
        {"substring, any value", 2, "E", {S("田"), S("佐")}, "Y", "", "", "Y", {0, 1, 5}},
        {"no match inside a two-byte character", 6, "E", {"\\"}, "Y", "", "", "Y", {}},
        {"mail address ignores case", 1, "E", {"EXAMPLE.COM"}, "Y", "", "", "Y", {0, 3, 6, 7, 8, 9}},
        {"number equal reads like atoi", kElemNumberA, "E", {"10"}, "Y", "", "", "Y", {0, 1, 2}},
        {"number not equal keeps empty", kElemNumberA, "E", {"10"}, "N", "", "", "Y", {3, 5, 6, 7, 8, 9}},
        {"number empty value", kElemNumberA, "E", {""}, "Y", "", "", "Y", {3}},
        {"date equal is a substring of the date", kElemDateB, "E", {"2005/03"}, "Y", "", "", "Y", {0, 6}},
        {"birth date compared as a date", 8, "E", {"2005/02/28"}, "Y", "", "", "Y", {5}},
        {"open text range keeps filled", 2, "R", {}, "Y", "", "", "Y", {0, 1, 2, 5, 6, 7}},
        {"open text range N keeps none", 2, "R", {}, "Y", "", "", "N", {}},
        {"mail range ignores case", 1, "R", {}, "Y", "S", "T", "Y", {3, 5}},
        {"text range N never keeps empty", 2, "R", {}, "Y", S("山田"), S("山田"), "N", {1, 2, 5, 6, 7}},
        {"number range inclusive", kElemNumberA, "R", {}, "Y", "5", "20", "Y", {0, 1, 2, 7, 8}},
        {"number range outside", kElemNumberA, "R", {}, "Y", "5", "20", "N", {5, 6, 9}},
        {"unknown range flag reads as N", kElemNumberA, "R", {}, "Y", "5", "20", "", {5, 6, 9}},
        {"date range to month end", kElemDateB, "R", {}, "Y", "2005/01", "2005/03", "Y", {0, 2, 6}},
        {"date range outside", kElemDateB, "R", {}, "Y", "2005/01", "2005/03", "N", {1, 5, 9}},
    };
    for (const MatchCase& c : cases) {
        OneExtractCondition cond;
        cond.element = c.element;
        cond.kind = c.kind;
        cond.values = c.values;
        cond.equalFlag = c.equalFlag;
        cond.lower = c.lower;
        cond.upper = c.upper;
        cond.rangeFlag = c.rangeFlag;
        ASSERT_EQ(action_->SetExtractConditionFromStructToMemory(cond, 1, 3), 0) << c.name;
        std::vector<int> ids = AllIds();
        ASSERT_EQ(action_->PracticalExtractAction(ids, 1, 3), 0) << c.name;
        std::vector<int> expected;
        for (int k : c.kept) expected.push_back(100 + k);
        EXPECT_EQ(ids, expected) << c.name;
    }
}

TEST_F(ExtractActionTest, ConditionOffPassesEveryIdEvenRefusers) {
    std::vector<int> ids = AllIds();
    ids.push_back(999);  // not in the book
    const std::vector<int> before = ids;
    EXPECT_EQ(action_->CheckExtractEffective(0, 0), 0);
    EXPECT_EQ(action_->PracticalExtractAction(ids, 0, 0), 0);
    EXPECT_EQ(ids, before);

    // In effect, an unknown ID and the refuser are dropped although they pass the test.
    OneExtractCondition all;
    all.element = 2;
    all.kind = "R";
    all.rangeFlag = "Y";
    all.lower = "";
    all.upper = "";
    ASSERT_EQ(action_->SetExtractConditionFromStructToMemory(all, 0, 0), 0);
    EXPECT_EQ(action_->CheckExtractEffective(0, 0), 1);
    ids = {104, 999, 100};
    EXPECT_EQ(action_->PracticalExtractAction(ids, 0, 0), 0);
    EXPECT_EQ(ids, (std::vector<int>{100}));
}

TEST_F(ExtractActionTest, FailedStepsLeaveTheListAlone) {
    const std::vector<int> before = AllIds();
    std::vector<int> ids = before;
    OneExtractCondition bad;
    bad.element = 2;
    bad.kind = "X";
    ASSERT_EQ(action_->SetExtractConditionFromStructToMemory(bad, 2, 4), 0);  // stored unchecked
    EXPECT_EQ(action_->PracticalExtractAction(ids, 2, 4), -16);
    EXPECT_EQ(action_->GetErrMsg().GetLastCode(), 6016);
    EXPECT_EQ(ids, before);

    struct Bad {
        int tab, con, result, code;
    };
    for (const Bad& b : {Bad{3, 0, -14, 6014}, Bad{-1, 0, -14, 6014}, Bad{0, 5, -15, 6015}, Bad{0, -1, -15, 6015}}) {
        EXPECT_EQ(action_->PracticalExtractAction(ids, b.tab, b.con), b.result);
        EXPECT_EQ(action_->GetErrMsg().GetLastCode(), b.code);
        EXPECT_EQ(action_->CheckExtractEffective(b.tab, b.con), b.result);
    }
    EXPECT_EQ(ids, before);

    // An element index beyond the record is refused and leaves the condition as it was.
    OneExtractCondition wide;
    wide.element = 56;
    EXPECT_EQ(action_->SetExtractConditionFromStructToMemory(wide, 0, 0), -13);
    EXPECT_EQ(action_->GetErrMsg().GetLastCode(), 6013);
    OneExtractCondition back;
    ASSERT_EQ(action_->GetExtractConditionFromMemoryToStruct(back, 0, 0), 0);
    EXPECT_EQ(back.element, -1);

    // Without the options the address book cannot tell the data type.
    CDatabaseEdit plain(&env_);
    plain.ReadCustomerList();
    ExtractAction noTypes(&env_, &plain, EC_TYPE_EXTRACT, -1);
    ASSERT_EQ(noTypes.GetExtractConditionFromFileToMemory(0, nullptr), 0);
    OneExtractCondition c;
    c.element = 2;
    c.values = {"x"};
    ASSERT_EQ(noTypes.SetExtractConditionFromStructToMemory(c, 0, 0), 0);
    EXPECT_EQ(noTypes.PracticalExtractAction(ids, 0, 0), -6);
    EXPECT_EQ(noTypes.GetErrMsg().GetLastCode(), 6006);
    EXPECT_EQ(ids, before);
}

TEST_F(ExtractActionTest, DamagedElementIndexIsAnErrorNotAPass) {
    std::vector<std::vector<std::string>> records(15, {"-1", "E", "", "Y", "", "", "Y"});
    records[0][0] = "x1";
    WriteRecords(folder_ + "EXTRACT/exrd3.dat", records);
    ExtractAction a(&env_, book_.get(), EC_TYPE_EXTRACT, 3);
    ASSERT_EQ(a.GetExtractConditionFromFileToMemory(0, nullptr), 0);
    EXPECT_EQ(a.CheckExtractEffective(0, 0), 1);
    std::vector<int> ids = AllIds();
    EXPECT_EQ(a.PracticalExtractAction(ids, 0, 0), -13);
    EXPECT_EQ(ids, AllIds());
}

// ---- The condition file ---------------------------------------------------------------------

class ConditionFileTest : public extest::ExtractionEnv, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        ExtractionEnv::SetUp();
        OpenBook(GetParam());
    }
};

TEST_P(ConditionFileTest, ConditionsSurviveTheFile) {
    ExtractAction fresh(&env_, book_.get(), EC_TYPE_EXTRACT, -1);
    ASSERT_EQ(fresh.GetExtractConditionFromFileToMemory(0, nullptr), 0);  // no file read
    for (int tab = 0; tab < 3; ++tab)
        for (int con = 0; con < 5; ++con) EXPECT_EQ(fresh.CheckExtractEffective(tab, con), 0);
    EXPECT_EQ(fresh.WriteAllExtractConditionOnMemoryToFile(), -12);  // no ID yet

    OneExtractCondition c;
    c.element = 6;
    c.kind = "E";
    c.values = {S("株式会社"), "a,b", "\"lead", "\"whole,value\"", ""};
    c.equalFlag = "N";
    c.lower = "1";
    c.upper = "2";
    c.rangeFlag = "N";
    ASSERT_EQ(fresh.SetExtractConditionFromStructToMemory(c, 2, 4), 0);
    EXPECT_TRUE(fresh.IsConditionChanged());
    ASSERT_EQ(fresh.WriteAllExtractConditionOnMemoryToFileNew(7), 0);
    EXPECT_EQ(fresh.GetID(), 7);
    EXPECT_FALSE(fresh.IsConditionChanged());
    EXPECT_EQ(fresh.WriteAllExtractConditionOnMemoryToFileNew(8), -12);  // only once

    ExtractAction read(&env_, book_.get(), EC_TYPE_EXTRACT, 7);
    ASSERT_EQ(read.GetExtractConditionFromFileToMemory(0, nullptr), 0);
    OneExtractCondition back;
    ASSERT_EQ(read.GetExtractConditionFromMemoryToStruct(back, 2, 4), 0);
    // The screens' split: values come back one each, a trailing empty value is not added,
    // and a whole quoted value keeps its quotes, as the value-selection screen wrote it.
    EXPECT_EQ(back.values, (std::vector<std::string>{S("株式会社"), "\"a,b\"", "\"\"\"lead\"", "\"whole,value\""}));
    EXPECT_EQ(back.element, 6);
    EXPECT_EQ(back.equalFlag, "N");
    EXPECT_EQ(back.lower, "1");
    EXPECT_EQ(back.rangeFlag, "N");

    // Meanwhile the run reads the values as they were meant: one each, quotes taken off.
    std::vector<std::string> run;
    SplitString(ExtractAction::JoinExtractCsv(c.values), run, ",", '"');
    EXPECT_EQ(run, (std::vector<std::string>{S("株式会社"), "a,b", "\"lead", "whole,value", ""}));

    // Storing what the screens read changes nothing.
    ASSERT_EQ(read.SetExtractConditionFromStructToMemory(back, 2, 4), 0);
    ASSERT_EQ(read.WriteAllExtractConditionOnMemoryToFile(), 0);
    OneExtractCondition again;
    ExtractAction reread(&env_, book_.get(), EC_TYPE_EXTRACT, 7);
    ASSERT_EQ(reread.GetExtractConditionFromFileToMemory(0, nullptr), 0);
    ASSERT_EQ(reread.GetExtractConditionFromMemoryToStruct(again, 2, 4), 0);
    EXPECT_EQ(again, back);

    // A mail's conditions live in its folder.
    std::filesystem::create_directories(folder_ + "MAIL/12");
    ExtractAction mail(&env_, book_.get(), EC_TYPE_MAIL, 12);
    ASSERT_EQ(mail.GetExtractConditionFromFileToMemory(0, nullptr), -41);
    EXPECT_EQ(mail.GetErrMsg().GetLastCode(), 6401);
    EXPECT_EQ(mail.WriteAllExtractConditionOnMemoryToFileCompel(), -7);  // nothing loaded
    EXPECT_EQ(read.WriteFromMemoryToFileAppointFileName(folder_ + "MAIL/12/merd12.dat",
                                                        GetParam() ? env_.GetDBKey().c_str() : nullptr),
              0);
    ASSERT_EQ(mail.GetExtractConditionFromFileToMemory(0, nullptr), 0);
    EXPECT_EQ(mail.CheckExtractEffective(2, 4), 1);
}

INSTANTIATE_TEST_SUITE_P(KeyedAndUnkeyed, ConditionFileTest, ::testing::Bool());

TEST(ExtractCsvTest, JoinQuotesOnlyWhatWouldNotReadBack) {
    struct Case {
        std::vector<std::string> values;
        std::string joined;
    };
    const Case cases[] = {
        {{"a", "b"}, "a,b"},                          // as files always held them
        {{"a,b", "c"}, "\"a,b\",c"},                  // a comma
        {{"\"q", "x\"y"}, "\"\"\"q\",x\"y"},          // a leading quote; an inner one is plain
        {{"\"a,b\"", "c"}, "\"a,b\",c"},              // a whole quoted value stays as it is
        {{"\"a\",\"b\""}, "\"\"\"a\"\",\"\"b\"\"\""},  // not one whole value: quoted
        {{}, ""},
    };
    for (const Case& c : cases) {
        const std::string joined = ExtractAction::JoinExtractCsv(c.values);
        EXPECT_EQ(joined, c.joined);
        std::vector<std::string> divided;
        ExtractAction::DivideExtractCsv(joined, divided);
        EXPECT_EQ(divided.size(), c.values.size()) << joined;
        EXPECT_EQ(ExtractAction::JoinExtractCsv(divided), joined);
    }
    std::vector<std::string> out;
    ExtractAction::DivideExtractCsv("a,,b,", out);
    EXPECT_EQ(out, (std::vector<std::string>{"a", "", "b"}));
    ExtractAction::DivideExtractCsv("\"x\"\",y\",z", out);
    EXPECT_EQ(out, (std::vector<std::string>{"\"x\"\",y\"", "z"}));
}

TEST_P(ConditionFileTest, ShapeAndOwnerErrors) {
    const std::vector<std::string> off = {"-1", "E", "", "Y", "", "", "Y"};
    struct Shape {
        int records;
        int elements;
    };
    for (const Shape s : {Shape{14, 7}, Shape{16, 7}, Shape{15, 6}}) {
        std::vector<std::string> rec(off.begin(), off.begin() + s.elements);
        WriteRecords(folder_ + "EXTRACT/exrd1.dat", std::vector<std::vector<std::string>>(s.records, rec));
        ExtractAction a(&env_, book_.get(), EC_TYPE_EXTRACT, 1);
        EXPECT_EQ(a.GetExtractConditionFromFileToMemory(0, nullptr), -7) << s.records << "x" << s.elements;
        EXPECT_EQ(a.GetErrMsg().GetLastCode(), 6007);
        OneExtractCondition c;
        EXPECT_EQ(a.GetExtractConditionFromMemoryToStruct(c, 0, 0), -7);
        EXPECT_EQ(a.WriteAllExtractConditionOnMemoryToFileCompel(), -7);
    }

    WriteFile(folder_ + "EXTRACT/exrd2.dat", "");
    ExtractAction empty(&env_, book_.get(), EC_TYPE_EXTRACT, 2);
    EXPECT_EQ(empty.GetExtractConditionFromFileToMemory(0, nullptr), -42);
    EXPECT_EQ(empty.GetErrMsg().GetLastCode(), 6402);

    // A record cut off in the middle: the file is damaged, not short.
    WriteRecords(folder_ + "EXTRACT/exrd4.dat", std::vector<std::vector<std::string>>(15, off));
    const std::string whole = ReadFile(folder_ + "EXTRACT/exrd4.dat");
    WriteFile(folder_ + "EXTRACT/exrd4.dat", whole.substr(0, whole.size() / 2) + "\r\n" + whole);
    ExtractAction damaged(&env_, book_.get(), EC_TYPE_EXTRACT, 4);
    EXPECT_EQ(damaged.GetExtractConditionFromFileToMemory(0, nullptr), -43);
    EXPECT_EQ(damaged.GetErrMsg().GetLastCode(), 6403);

    // A file that exists and does not read is neither missing nor empty.
    std::filesystem::create_directory(folder_ + "EXTRACT/exrd5.dat");
    ExtractAction folder(&env_, book_.get(), EC_TYPE_EXTRACT, 5);
    EXPECT_EQ(folder.GetExtractConditionFromFileToMemory(0, nullptr), -99);
    EXPECT_EQ(folder.GetErrMsg().GetLastCode(), 6999);

    ExtractAction unset;
    EXPECT_EQ(unset.GetExtractConditionFromFileToMemory(0, nullptr), -1);
    EXPECT_EQ(unset.GetErrMsg().GetLastCode(), 6001);
    ExtractAction noOwner(&env_, book_.get());
    EXPECT_EQ(noOwner.GetExtractConditionFromFileToMemory(0, nullptr), -8);
    EXPECT_EQ(noOwner.SetTypeAndID(EC_TYPE_MAIL, -1), -12);
    EXPECT_EQ(noOwner.GetErrMsg().GetLastCode(), 6012);
    std::vector<std::string> told;
    auto previous = platform::SetNotifier([&told](const std::string& text, const std::string&, unsigned) {
        told.push_back(text);
        return platform::kIdOk;
    });
    EXPECT_THROW(ExtractAction(&env_, book_.get(), EC_TYPE_MAIL, -1), platform::UserException);
    EXPECT_THROW(ExtractAction(nullptr, book_.get()), platform::UserException);
    platform::SetNotifier(previous);
    EXPECT_EQ(told.size(), 2u);
}

}  // namespace
