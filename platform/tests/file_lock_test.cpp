// The lock that keeps one program per user and one writer per environment, and the
// user's folder it lies in for the program's own lock.

#include "platform/file_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/module_path.h"
#include "platform/private_files.h"
#include "platform/tests/file_modes.h"
#include "platform/tests/forked_holder.h"

namespace {

namespace fs = std::filesystem;
using filemodes::ModeOf;

struct FileLockTempDir {
    std::string path;
    FileLockTempDir() {
        char tmpl[] = "/tmp/file_lock_XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~FileLockTempDir() { fs::remove_all(path); }
};

// Another process that holds the lock of `path` until it is killed.
struct Holder {
    pid_t pid = -1;
    explicit Holder(const std::string& path)
        : pid(testing_support::ForkHolder([&] {
              static platform::FileLock lock;  // held for the child's life
              return lock.Lock(path) == platform::FileLock::Result::kLocked;
          })) {}
    void Kill() {
        if (pid <= 0) return;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
    }
    ~Holder() { Kill(); }
};

// Sets (or with no value removes) an environment variable for the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value->c_str(), 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

using Result = platform::FileLock::Result;

}  // namespace

// One holder at a time, whether the other is this process or another; a killed holder
// leaves nothing behind; the file is made private and stays when the lock is given up.
TEST(FileLock, OneHolderAtATimeAndNoneAfterAKill) {
    FileLockTempDir dir;
    const std::string path = dir.path + "/Quendrel.lock";
    platform::FileLock first, second;
    ASSERT_EQ(first.Lock(path), Result::kLocked);
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(second.Lock(path), Result::kBusy);
    EXPECT_FALSE(second.IsLocked());
    first.Release();
    EXPECT_TRUE(fs::exists(path));
    ASSERT_EQ(second.Lock(path), Result::kLocked);
    second.Release();

    Holder other(path);
    ASSERT_GT(other.pid, 0);
    EXPECT_EQ(first.Lock(path), Result::kBusy);
    other.Kill();
    EXPECT_EQ(first.Lock(path), Result::kLocked);
}

// The same file however it is named; a link in its place is refused and nothing is made.
TEST(FileLock, KnowsItsFileAndRefusesALinkInItsPlace) {
    FileLockTempDir dir;
    fs::create_directory(dir.path + "/env");
    fs::create_directory_symlink(dir.path + "/env", dir.path + "/alias");
    platform::FileLock lock;
    ASSERT_EQ(lock.Lock(dir.path + "/env/Quendrel.lock"), Result::kLocked);
    EXPECT_TRUE(lock.IsLockOf(dir.path + "/alias/./Quendrel.lock"));
    EXPECT_FALSE(lock.IsLockOf(dir.path + "/env/other.lock"));
    EXPECT_FALSE(platform::FileLock().IsLockOf(dir.path + "/env/Quendrel.lock"));

    const std::string target = dir.path + "/mine.txt";
    std::ofstream(target) << "mine";
    ::chmod(target.c_str(), 0644);
    fs::create_symlink(target, dir.path + "/planted.lock");
    const platform::RefusalReporter previous = platform::SetRefusalReporter([](const platform::RefusedFile&) {});
    EXPECT_EQ(lock.Lock(dir.path + "/planted.lock"), Result::kRefused);
    EXPECT_EQ(errno, ELOOP);
    platform::SetRefusalReporter(previous);
    EXPECT_FALSE(lock.IsLocked());
    EXPECT_EQ(ModeOf(target), 0644u);
    EXPECT_EQ(fs::file_size(target), 4u);
    EXPECT_EQ(lock.Lock(dir.path + "/missing/Quendrel.lock"), Result::kFailed);
    EXPECT_EQ(errno, ENOENT);
}

// The program's own lock lies in the session's run-time folder when that is the user's
// alone, otherwise in the user's settings folder; never where another user may reach it.
TEST(UserRuntimeFolder, TakesAPrivateRuntimeFolderElseTheSettingsFolder) {
    FileLockTempDir dir;
    const std::string runtime = dir.path + "/run";
    const std::string config = dir.path + "/config";
    fs::create_directory(runtime);
    ScopedEnv configHome("XDG_CONFIG_HOME", config);
    struct Case {
        const char* what;
        std::optional<std::string> value;
        mode_t mode;
        std::string expected;
    } cases[] = {
        {"private", runtime, 0700, runtime + "/quendrel/"},
        {"with a trailing slash", runtime + "/", 0700, runtime + "/quendrel/"},
        {"open to others", runtime, 0755, config + "/quendrel/"},
        {"relative", std::string("run"), 0700, config + "/quendrel/"},
        {"missing", dir.path + "/none", 0700, config + "/quendrel/"},
        {"unset", std::nullopt, 0700, config + "/quendrel/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(runtime + "/quendrel");
        ::chmod(runtime.c_str(), c.mode);
        ScopedEnv variable("XDG_RUNTIME_DIR", c.value);
        EXPECT_EQ(platform::UserRuntimeFolder(), c.expected);
        EXPECT_EQ(ModeOf(c.expected.substr(0, c.expected.size() - 1)), 0700u);
    }
}
