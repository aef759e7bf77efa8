// The whole run of a condition set: how the groups combine, the order of the result, the
// stop on a failing step and the cancel between steps.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/addressbook/extract_action.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/addressbook/extraction_run.h"
#include "extraction_test_util.h"

namespace {

class ExtractionRunTest : public extest::ExtractionEnv {
protected:
    void SetUp() override {
        ExtractionEnv::SetUp();
        OpenBook(false);
        // Book order differs from ID order. Company: which groups a record suits.
        Put(30, "a@x", "s", "AB", "", "5", "", "Y");
        Put(10, "b@x", "s", "A", "", "1", "", "Y");
        Put(20, "c@x", "s", "B", "", "5", "", "Y");
        Put(40, "d@x", "s", "ABC", "", "5", "", "N");   // refuses advertising mail
        Put(50, "e@x", "s", "C", "", "5", "", "Y");
        Put(60, "f@x", "s", "ABC", "", "5", "", "Y", "Y");  // deleted
        Put(5, "g@x", "s", "", "", "", "", "Y");
        lists_ = std::make_unique<ExtractListViewer>(&env_);
        action_ = std::make_unique<ExtractAction>(&env_, book_.get(), EC_TYPE_EXTRACT, -1);
        ASSERT_EQ(action_->GetExtractConditionFromFileToMemory(0, nullptr), 0);
        result_ = std::make_unique<ExtractResultDetail>(&env_, &mails_, lists_.get(), book_.get(), ER_TYPE_EXTRACT, -1);
    }
    // Condition `con` of group `tab`: the company holds `letter`.
    void Company(int tab, int con, const std::string& letter) {
        OneExtractCondition c;
        c.element = 6;
        c.values = {letter};
        ASSERT_EQ(action_->SetExtractConditionFromStructToMemory(c, tab, con), 0);
    }
    // Condition `con` of group `tab`: element A (number) is 5.
    void NumberIsFive(int tab, int con) {
        OneExtractCondition c;
        c.element = extest::kElemNumberA;
        c.values = {"5"};
        ASSERT_EQ(action_->SetExtractConditionFromStructToMemory(c, tab, con), 0);
    }

    extest::FakeMailList mails_;
    std::unique_ptr<ExtractListViewer> lists_;
    std::unique_ptr<ExtractAction> action_;
    std::unique_ptr<ExtractResultDetail> result_;
};

TEST_F(ExtractionRunTest, GroupsCombine) {
    // No condition anywhere: every live record but the refuser, in book order.
    ASSERT_EQ(RunExtraction(*action_, *result_), kExtractionDone);
    EXPECT_EQ(result_->IDs(), (std::vector<int>{30, 10, 20, 50, 5}));

    // Group B alone: its conditions narrow (AND), the result keeps book order.
    Company(1, 0, "B");
    NumberIsFive(1, 3);  // conditions between stay off
    ASSERT_EQ(RunExtraction(*action_, *result_), kExtractionDone);
    EXPECT_EQ(result_->IDs(), (std::vector<int>{30, 20}));

    // Groups A and C as well: the union, each ID once, sorted by ID.
    Company(0, 0, "A");
    Company(0, 1, "B");
    Company(2, 2, "C");
    ASSERT_EQ(RunExtraction(*action_, *result_), kExtractionDone);
    EXPECT_EQ(result_->IDs(), (std::vector<int>{20, 30, 50}));

    // A and C only, where A finds nothing: still sorted.
    OneExtractCondition off;
    for (int con = 0; con < 5; ++con) ASSERT_EQ(action_->SetExtractConditionFromStructToMemory(off, 1, con), 0);
    Company(0, 2, "Z");
    ASSERT_EQ(RunExtraction(*action_, *result_), kExtractionDone);
    EXPECT_EQ(result_->IDs(), (std::vector<int>{50}));
}

TEST_F(ExtractionRunTest, FailedStepStopsWithTheError) {
    Company(0, 0, "A");
    OneExtractCondition bad;
    bad.element = 6;
    bad.kind = "Q";
    ASSERT_EQ(action_->SetExtractConditionFromStructToMemory(bad, 1, 2), 0);
    Company(2, 0, "C");
    ASSERT_EQ(result_->AddDBID(5), 1);  // a stale result is no answer either
    CErrMsg error;
    EXPECT_EQ(RunExtraction(*action_, *result_, {}, &error), -16);
    EXPECT_EQ(error.GetLastCode(), 6016);
    EXPECT_EQ(result_->GetRecordNumber(), 0);  // never everyone, never half
}

TEST_F(ExtractionRunTest, CancelStopsAtTheNextCheckpoint) {
    Company(0, 0, "A");
    Company(1, 0, "B");
    Company(1, 1, "C");
    int asked = 0;
    // Group A: before it and after its condition; group B: before it, then stop.
    auto checkpoint = [&asked] { return ++asked < 4; };
    EXPECT_EQ(RunExtraction(*action_, *result_, checkpoint), kExtractionCancelled);
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(result_->IDs(), (std::vector<int>{30, 10}));  // what group A added
}

TEST_F(ExtractionRunTest, RunsWhileTheBookChanges) {
    Company(0, 0, "A");
    Company(2, 0, "C");
    std::atomic<bool> done{false};
    std::atomic<int> writes{0};
    std::thread writer([&] {
        for (int id = 1000; !done.load() && id < 20000; ++id, ++writes) {
            OneCustomer c;
            ASSERT_EQ(book_->GetOneCustomerForEdit(c, 30), 0);
            c.DMOk = c.DMOk == "Y" ? "N" : "Y";
            ASSERT_EQ(book_->SetOneCustomerInfo(c, 0), 0);
            Put(id, "new@x", "s", id % 2 ? "A" : "C", "", "", "", "Y");
        }
    });
    for (int run = 0; run < 50 || (writes.load() < 500 && run < 100000); ++run) {
        ASSERT_EQ(RunExtraction(*action_, *result_), kExtractionDone);
        std::vector<int> ids = result_->IDs();
        EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
        EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());  // each once
        EXPECT_NE(std::find(ids.begin(), ids.end(), 10), ids.end());
        EXPECT_EQ(std::find(ids.begin(), ids.end(), 40), ids.end());
    }
    done = true;
    writer.join();
}

}  // namespace
