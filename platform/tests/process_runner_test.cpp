// Starting a program and waiting for it: exit status, a program that cannot start, and
// the time-out and cancel that end a program (and its children) that does not finish.

#include <gtest/gtest.h>

#include <chrono>

#include "platform/process_runner.h"

namespace {

using platform::ProcessEnd;
using platform::RunProcess;
using std::chrono::milliseconds;

TEST(ProcessRunner, ReportsHowTheProgramEnded) {
    int code = 0;
    EXPECT_EQ(RunProcess({"sh", "-c", "exit 7"}, milliseconds(0), {}, code), ProcessEnd::kExited);
    EXPECT_EQ(code, 7);
    // Arguments arrive as they are: no shell reads them.
    EXPECT_EQ(RunProcess({"/bin/sh", "-c", "[ \"$1\" = 'a b;$(x)' ]", "sh", "a b;$(x)"}, milliseconds(0), {}, code),
              ProcessEnd::kExited);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(RunProcess({"/no/such/program"}, milliseconds(0), {}, code), ProcessEnd::kNotStarted);
    EXPECT_EQ(RunProcess({}, milliseconds(0), {}, code), ProcessEnd::kNotStarted);
}

TEST(ProcessRunner, TimeOutAndCancelEndTheProgramAndItsChildren) {
    int code = 0;
    const auto start = std::chrono::steady_clock::now();
    // A shell waiting for its child "sleep": both go with the group.
    EXPECT_EQ(RunProcess({"sh", "-c", "sleep 30; sleep 30"}, milliseconds(50), {}, code), ProcessEnd::kTimedOut);
    int asked = 0;
    EXPECT_EQ(RunProcess({"sleep", "30"}, milliseconds(0), [&] { return ++asked > 3; }, code), ProcessEnd::kCancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
