#include "platform/named_mutex.h"

#include <gtest/gtest.h>

#include <thread>

TEST(NamedMutex, SameNameSharesOneRecursiveMutex) {
    platform::NamedMutex a("DATABASE_EDIT_MUTEX");
    platform::NamedMutex b("DATABASE_EDIT_MUTEX");
    platform::NamedMutex other("MAIL_LIST_VIEWER_MUTEX");
    std::lock_guard<platform::NamedMutex> l1(a);
    std::lock_guard<platform::NamedMutex> l2(b);  // re-entrant for the owner
    bool sameBlocked = false, otherFree = false;
    std::thread t([&] {
        sameBlocked = !b.try_lock();
        otherFree = other.try_lock();
        if (otherFree) other.unlock();
    });
    t.join();
    EXPECT_TRUE(sameBlocked);
    EXPECT_TRUE(otherFree);
}

TEST(NamedMutex, CountsStayExactUnderContention) {
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 10000; ++i) {
            platform::NamedMutex m("counter");
            std::lock_guard<platform::NamedMutex> l(m);
            ++counter;
        }
    };
    std::thread t1(work), t2(work);
    t1.join();
    t2.join();
    EXPECT_EQ(counter, 20000);
}
