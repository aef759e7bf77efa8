// The saved-extraction list: a new environment, the name and ID rules, deletion marks,
// ID drawing, and the refusal to write over a list that did not read.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/addressbook/extract_list_viewer.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/sequencer.h"
#include "extraction_test_util.h"
#include "platform/date_time.h"

namespace {

class ExtractListViewerTest : public extest::ExtractionEnv, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        ExtractionEnv::SetUp();
        Open(env_, GetParam());
    }
    std::string ListFile() const { return folder_ + "EXTRACT/extrlist.dat"; }
    static ExtractViewData Entry(int id, const std::string& name) {
        ExtractViewData v;
        v.id = id;
        v.name = name;
        v.deleteMark = "Y";      // not taken from the argument
        v.honorific = "sama";    // nor this
        return v;
    }
};

TEST_P(ExtractListViewerTest, NewListEntriesAndMarks) {
    ExtractListViewer list(&env_);  // no file: an empty list
    EXPECT_EQ(list.GetElementNumber(), 5);
    EXPECT_EQ(list.CountExtractList(), 0);
    EXPECT_EQ(list.ExtractID2RowNumber(1), -3);

    const std::time_t t = platform::DateTime(2024, 5, 6, 7, 8, 9).ToTimeT();
    platform::SetClockForTesting([t] { return t; });
    EXPECT_EQ(list.InsertExtractList(Entry(1, "first")), 1);
    EXPECT_EQ(list.InsertExtractList(Entry(2, "second")), 1);
    struct Refused {
        int id;
        const char* name;
    };
    for (const Refused r : {Refused{1, "again"}, Refused{3, ""}, Refused{-1, "negative"}}) {
        EXPECT_EQ(list.InsertExtractList(Entry(r.id, r.name)), 0) << r.id;
        EXPECT_EQ(list.GetErrMsg().GetLastCode(), 11006);
    }

    EXPECT_EQ(list.DeleteExtractList(1), 1);
    EXPECT_EQ(list.CountExtractList(), 1);
    std::vector<int> ids;
    list.GetAllExtractID(ids);
    EXPECT_EQ(ids, (std::vector<int>{1, 2}));
    list.GetDeleteExtractIDList(ids);
    EXPECT_EQ(ids, (std::vector<int>{1}));
    std::vector<ExtractViewData> shown;
    ASSERT_EQ(list.GetExtractList(shown), 1);
    EXPECT_EQ(shown[0].id, 2);
    EXPECT_EQ(shown[0].name, "second");
    EXPECT_EQ(shown[0].lastUpdate, platform::DateTime(2024, 5, 6, 7, 8, 9));
    EXPECT_EQ(shown[0].deleteMark, "");
    EXPECT_EQ(shown[0].honorific, "");

    EXPECT_EQ(list.CorrectExtractListPinPoint("renamed", 2, 1), 1);
    EXPECT_EQ(list.CorrectExtractListPinPoint("x", 2, 5), 0);
    EXPECT_EQ(list.GetErrMsg().GetLastCode(), 11004);
    EXPECT_EQ(list.CorrectExtractListPinPoint("x", 9, 1), 0);
    EXPECT_EQ(list.GetErrMsg().GetLastCode(), 11003);
    std::string out = "stale";
    EXPECT_EQ(list.GetExtractName(9, out), -1);
    EXPECT_EQ(out, "");
    ASSERT_EQ(list.WriteAllExtractListToFile(), 1);

    ExtractListViewer reread(&env_);
    EXPECT_EQ(reread.CountExtractList(), 1);
    EXPECT_EQ(reread.GetExtractName(2, out), 0);
    EXPECT_EQ(out, "renamed");
    EXPECT_EQ(reread.GetExtractLaseUpdate(2, out), 0);
    EXPECT_EQ(out, "2024/05/06 07:08:09");
    EXPECT_EQ(reread.UnDeleteExtractList(1), 1);
    EXPECT_EQ(reread.CountExtractList(), 2);

    // Nothing changed since the load: the plain write touches no file.
    ExtractListViewer unchanged(&env_);
    std::filesystem::remove(ListFile());
    EXPECT_EQ(unchanged.WriteAllExtractListToFile(), 1);
    EXPECT_FALSE(std::filesystem::exists(ListFile()));
}

TEST_P(ExtractListViewerTest, NewIdsSkipListedValuesAndGiveUp) {
    ExtractListViewer list(&env_);
    Sequencer seq(&env_, SEQ_ID_EXTRACT);
    for (int id = 10; id < 13; ++id) ASSERT_EQ(list.InsertExtractList(Entry(id, "n")), 1);
    ASSERT_NE(seq.SetValue(10), 0);
    EXPECT_EQ(list.GetNewExtractID(), 13);

    for (int id = 100; id < 100 + ExtractListViewer::kMaxIdDraws; ++id)
        ASSERT_EQ(list.InsertExtractList(Entry(id, "n")), 1);
    ASSERT_NE(seq.SetValue(100), 0);
    EXPECT_EQ(list.GetNewExtractID(), -1);
    EXPECT_EQ(list.GetErrMsg().GetLastCode(), 11005);
    ASSERT_NE(seq.SetValue(101), 0);  // one free value within reach
    EXPECT_EQ(list.GetNewExtractID(), 300);
}

TEST_P(ExtractListViewerTest, ListThatDoesNotReadIsNeverOverwritten) {
    {
        ExtractListViewer list(&env_);
        for (int id = 1; id <= 3; ++id) ASSERT_EQ(list.InsertExtractList(Entry(id, "n" + std::to_string(id))), 1);
        ASSERT_EQ(list.WriteAllExtractListToFile(), 1);
    }
    const std::string whole = ReadFile(ListFile());
    // Damaged in the middle: a record cut short before the others.
    const std::string damaged = whole.substr(0, 5) + "\r\n" + whole;
    WriteFile(ListFile(), damaged);
    ExtractListViewer list(&env_);
    EXPECT_EQ(list.SetExtractListFromFile(0, nullptr), -2);
    EXPECT_EQ(list.GetErrMsg().GetLastCode(), 11201);
    EXPECT_EQ(list.InsertExtractList(Entry(4, "new")), 0);
    EXPECT_EQ(list.WriteAllExtractListToFileCompel(), 0);
    EXPECT_EQ(list.GetErrMsg().GetLastCode(), 11202);
    EXPECT_EQ(ReadFile(ListFile()), damaged);

    // A list file that exists but cannot be opened is no empty list either.
    // Nor is one that opens but whose reading fails at once (here a folder).
    for (const bool opens : {false, true}) {
        std::filesystem::remove(ListFile());
        if (opens) std::filesystem::create_directory(ListFile());
        else MakeUnopenable(ListFile());
        ExtractListViewer unreadable(&env_);
        EXPECT_EQ(unreadable.SetExtractListFromFile(0, nullptr), -3) << opens;
        EXPECT_EQ(unreadable.GetErrMsg().GetLastCode(), 11201);
        EXPECT_EQ(unreadable.InsertExtractList(Entry(4, "new")), 0);
        EXPECT_EQ(unreadable.WriteAllExtractListToFileCompel(), 0);
        EXPECT_EQ(std::filesystem::is_directory(ListFile()), opens);
    }
}

TEST_P(ExtractListViewerTest, OlderNarrowListIsReadForTheUpgrade) {
    WriteRecords(ListFile(), {{"3", "old", "2001/02/03 04:05:06"}, {"4", "older", ""}});
    ExtractListViewer list;
    ASSERT_EQ(list.SetEnvManager(&env_, 0), 1);
    EXPECT_EQ(list.SetExtractListFromFile(0, nullptr), -1);  // not the 5 elements of today
    EXPECT_EQ(list.GetErrMsg().GetLastCode(), 11201);
    ExtractViewData v;
    ASSERT_EQ(list.SetExtractViewData(v, 0), 0);
    EXPECT_EQ(v.id, 3);
    EXPECT_EQ(v.name, "old");
    EXPECT_EQ(v.lastUpdate, platform::DateTime(2001, 2, 3, 4, 5, 6));
    EXPECT_EQ(v.deleteMark, "");
    EXPECT_EQ(v.honorific, "");
    EXPECT_EQ(list.SetExtractViewData(v, 2), -1);
    EXPECT_EQ(v.id, -1);
}

INSTANTIATE_TEST_SUITE_P(KeyedAndUnkeyed, ExtractListViewerTest, ::testing::Bool());

}  // namespace
