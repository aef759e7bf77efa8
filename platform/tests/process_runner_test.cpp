// Starting a program and waiting for it: exit status, a program that cannot start, and
// the time-out and cancel that end a program (and its children) that does not finish.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

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

// A program named without a folder is looked for in PATH's absolute folders only: the
// current folder (".", an empty entry, a relative folder) may be anyone's download or
// temporary folder, and what lies there never runs. Folders and files that cannot be run
// are passed over; PATH unset is the system's default path.
TEST(ProcessRunner, FindsProgramsOnlyInAbsoluteFoldersOfPath) {
    namespace fs = std::filesystem;
    char tmpl[] = "/tmp/find_program_XXXXXX";
    const fs::path root = ::mkdtemp(tmpl);
    const auto script = [](const fs::path& path, const std::string& marker, mode_t mode) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "#!/bin/sh\necho " << marker << " > \"$1\"\n";
        ::chmod(path.c_str(), mode);
    };
    script(root / "work/helper", "planted", 0755);
    script(root / "work/rel/helper", "planted", 0755);
    script(root / "notrun/helper", "never", 0644);
    fs::create_directories(root / "folder/helper");
    script(root / "bin/helper", "real", 0755);
    const fs::path previous = fs::current_path();
    fs::current_path(root / "work");
    const std::optional<std::string> oldPath =
        std::getenv("PATH") ? std::optional<std::string>(std::getenv("PATH")) : std::nullopt;
    const std::string absolute = (root / "notrun").string() + ":" + (root / "folder").string() + ":" + (root / "bin").string();
    for (const std::string before : {".:", ":", "rel:", "::.:rel:"}) {
        SCOPED_TRACE(before);
        ::setenv("PATH", (before + absolute).c_str(), 1);
        EXPECT_EQ(platform::FindProgram("helper"), (root / "bin/helper").string());
        int code = -1;
        const std::string out = (root / "out.txt").string();
        ASSERT_EQ(RunProcess({"helper", out}, milliseconds(0), {}, code), ProcessEnd::kExited);
        std::ifstream in(out);
        std::string marker;
        in >> marker;
        EXPECT_EQ(marker, "real");
    }
    ::setenv("PATH", ".:rel", 1);
    EXPECT_EQ(platform::FindProgram("helper"), "");
    int code = -1;
    EXPECT_EQ(RunProcess({"helper", (root / "out.txt").string()}, milliseconds(0), {}, code), ProcessEnd::kNotStarted);
    ::unsetenv("PATH");
    EXPECT_NE(platform::FindProgram("sh"), "");
    EXPECT_EQ(platform::FindProgram("helper"), "");
    if (oldPath) ::setenv("PATH", oldPath->c_str(), 1);
    fs::current_path(previous);
    fs::remove_all(root);
}

}  // namespace
