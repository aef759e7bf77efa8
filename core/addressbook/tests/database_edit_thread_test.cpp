// The address book under concurrent use: the send run reads records by ID while a screen's
// worker stores, deletes, restores a backup and sorts. Every record's mail address names
// its own ID, so a look-up that ever lands on another customer's row is caught. Meant to
// run under ThreadSanitizer as well (-DSANITIZE=thread).

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "address_book_test_util.h"

namespace {

std::string MailOf(int id) { return "p" + std::to_string(id) + "@x.jp"; }

class ThreadTest : public abtest::AddressBookEnv {
protected:
    void SetUp() override {
        AddressBookEnv::SetUp();
        Open(env_, false);
        ASSERT_EQ(book_.SetEnvManager(&env_), 1);
    }
    void Append(CDatabaseEdit& book, int id) {
        OneCustomer c = Person(MailOf(id));
        c.CustomerID = id;
        ASSERT_EQ(book.SetOneCustomerInfoForRepair(c), 0);
    }
    // Readers look up IDs in [0, range) until told to stop; a found record must be the
    // record of that ID.
    void StartReaders(int readers, int range) {
        for (int t = 0; t < readers; ++t) {
            threads_.emplace_back([this, t, range] {
                OneCustomer c;
                std::string mail;
                for (unsigned i = t; !stop_.load(); i = i * 1103515245u + 12345u) {
                    const int id = static_cast<int>(i % static_cast<unsigned>(range));
                    if (book_.GetOneCustomerForEdit(c, id) == 0) {
                        if (c.CustomerID != id || c.Email != MailOf(id)) wrong_.fetch_add(1);
                        found_.fetch_add(1);
                    }
                    if (book_.GetCustomerDataPinPoint(id, kElemEmail, mail) == 0 && mail != MailOf(id))
                        wrong_.fetch_add(1);
                    book_.GetMaxDBID();
                }
            });
        }
    }
    void StopReaders() {
        stop_.store(true);
        for (std::thread& t : threads_) t.join();
        threads_.clear();
    }

    EnvManager env_;
    CDatabaseEdit book_;
    std::vector<std::thread> threads_;
    std::atomic<bool> stop_{false};
    std::atomic<int> wrong_{0};
    std::atomic<int> found_{0};
};

TEST_F(ThreadTest, WriterAgainstReaders) {
    for (int id = 0; id < 2000; ++id) Append(book_, id);
    StartReaders(3, 2500);
    for (int round = 0; round < 3; ++round) {
        for (int id = 0; id < 2000; id += 7) {
            OneCustomer c;
            ASSERT_EQ(book_.GetOneCustomerForEdit(c, id), 0);
            c.Company = "round" + std::to_string(round);
            ASSERT_EQ(book_.SetOneCustomerInfo(c, 0), 0);
            ASSERT_EQ(book_.DeleteCustomer(id), 0);
            ASSERT_EQ(book_.UnDeleteCustomer(id), 0);
        }
        for (int id = 2000 + round * 100; id < 2100 + round * 100; ++id) Append(book_, id);  // new rows appear
        book_.SetStopImportFlag(round);
    }
    StopReaders();
    EXPECT_EQ(wrong_.load(), 0);
    EXPECT_GT(found_.load(), 0);
    EXPECT_EQ(book_.GetDBCountWithoutDelete(), 2300);
}

TEST_F(ThreadTest, RestoreAndSortAgainstReaders) {
    // The book holds the upper half in descending order; each backup brings a slice of
    // the lower IDs, and the restore sorts. Readers never see rows and index disagree.
    for (int id = 3999; id >= 2000; --id) Append(book_, id);
    StartReaders(3, 4000);
    for (int slice = 0; slice < 10; ++slice) {
        CDatabaseEdit backup;
        ASSERT_EQ(backup.SetEnvManager(&env_), 1);
        for (int id = slice * 200; id < slice * 200 + 200; ++id) Append(backup, id);
        std::vector<int> restored, skipped;
        ASSERT_EQ(book_.RestoreFromOtherDBE(backup, restored, skipped), 200);
        ASSERT_EQ(book_.SortByCustomerID(), 0);
    }
    StopReaders();
    EXPECT_EQ(wrong_.load(), 0);
    EXPECT_GT(found_.load(), 0);
    for (int id : {0, 1999, 2000, 3999}) EXPECT_EQ(book_.DBID2RowNumber(id), id);
}

}  // namespace
