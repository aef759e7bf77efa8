// The program itself, copied into a folder of its own: it finds the module beside it while
// started from elsewhere, never runs one lying in the folder it was started from, ends with exit code 0 whatever happens, and shows its error
// message on the desktop through the dialog program (a fake one here that notes how it
// was called).

#include <gtest/gtest.h>

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/process_runner.h"
#include "updater/tests/test_folder.h"

namespace fennick {
namespace {

using test::CurrentFolder;
using test::ReadFile;
using test::TempFolder;
using test::WriteFile;
namespace fs = std::filesystem;

// Sets an environment variable for the life of the guard (the started program inherits it).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

class FennickProgram : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root_ / "prog");
        fs::create_directories(root_ / "work");
        fs::copy_file(FENNICK_PROGRAM, root_ / "prog/Fennick");
        WriteFile(root_ / "installed.ini", "[SOFTWARE\\Halvorn Corporation\\Varnis]\r\nVersion=5.0.1\r\n");
        // The desktop's dialog program, noting its arguments one to a line.
        WriteFile(root_ / "bin/zenity", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                                            (root_ / "dialog.txt").string() + "\"\n", true);
    }

    // Runs the copied program from the "work" folder with `pathBefore` ahead of the fake
    // dialog program's folder in PATH; its exit code.
    int Run(const std::string& pathBefore = "") {
        ScopedEnv store("FENNICK_VERSION_STORE", (root_ / "installed.ini").string());
        ScopedEnv path("PATH", pathBefore + (root_ / "bin").string() + ":" + std::getenv("PATH"));
        ScopedEnv display("DISPLAY", ":99");
        CurrentFolder inWork(root_ / "work");
        int code = -1;
        EXPECT_EQ(platform::RunProcess({(root_ / "prog/Fennick").string()}, std::chrono::seconds(60), {}, code),
                  platform::ProcessEnd::kExited);
        return code;
    }

    TempFolder root_;
};

TEST_F(FennickProgram, RunsTheModuleBesideItAndWaitsForIt) {
    test::WriteModule(root_ / "prog/Varnisup 5.0.exe", "beside");
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(ReadFile(root_ / "work/ran.txt").substr(0, 7), "beside|");
    EXPECT_FALSE(fs::exists(root_ / "dialog.txt"));
}

TEST_F(FennickProgram, AModulePlantedInTheFolderItIsStartedFromIsNotRun) {
    test::WriteModule(root_ / "work/Varnisup.exe", "planted");
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(fs::exists(root_ / "work/ran.txt"));
    const std::string dialog = ReadFile(root_ / "dialog.txt");
    EXPECT_NE(dialog.find("現在のフォルダにあるアップデートモジュールは実行しません。"), std::string::npos) << dialog;
    EXPECT_NE(dialog.find((root_ / "work/Varnisup.exe").string()), std::string::npos) << dialog;
}

// Started from a folder whose path is longer than the system can name, the program cannot
// learn its own folder: it runs nothing, not even the module lying beside it there, and
// says why.
TEST_F(FennickProgram, WithoutItsOwnFolderItRunsNothing) {
    // A chain of folders deeper than PATH_MAX, made and entered one level at a time.
    int folder = ::open((root_ / "work").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    const std::string level(200, 'd');
    for (int depth = 0; depth * (level.size() + 1) <= PATH_MAX; ++depth) {
        ASSERT_EQ(::mkdirat(folder, level.c_str(), 0700), 0);
        const int next = ::openat(folder, level.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(folder);
        ASSERT_GE(next, 0);
        folder = next;
    }
    const auto put = [&](const char* name, const std::string& bytes) {
        const int fd = ::openat(folder, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755);
        ASSERT_GE(fd, 0) << name;
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    };
    put("Fennick", ReadFile(root_ / "prog/Fennick"));
    put("Varnisup.exe", "#!/bin/sh\necho ran > ran.txt\n");

    ScopedEnv store("FENNICK_VERSION_STORE", (root_ / "installed.ini").string());
    ScopedEnv path("PATH", (root_ / "bin").string() + ":" + std::getenv("PATH"));
    ScopedEnv display("DISPLAY", ":99");
    const fs::path previous = fs::current_path();
    ASSERT_EQ(::fchdir(folder), 0);
    int code = -1;
    const platform::ProcessEnd end = platform::RunProcess({"./Fennick"}, std::chrono::seconds(60), {}, code);
    const bool ran = ::faccessat(folder, "ran.txt", F_OK, 0) == 0;
    fs::current_path(previous);
    ::close(folder);
    EXPECT_EQ(end, platform::ProcessEnd::kExited);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(ran);
    EXPECT_EQ(ReadFile(root_ / "dialog.txt"),
              "--error\n--no-markup\n--title=Fennick\n--text=このプログラムのフォルダを確認できないため、"
              "アップデートモジュールを実行しません。\n");
}

// A "zenity" planted where the updater was started from (a download folder) is never run,
// whatever PATH says of the current folder: "." , an empty entry, a relative folder.
// The message it would have shown names the planted module with its control characters
// escaped, so that the name cannot act on a terminal.
TEST_F(FennickProgram, NeitherAPlantedDialogProgramNorAModulesNameActsForTheUser) {
    const std::string planted = "#!/bin/sh\necho ran > \"" + (root_ / "planted-ran.txt").string() + "\"\n";
    WriteFile(root_ / "work/zenity", planted, true);
    WriteFile(root_ / "work/tools/zenity", planted, true);
    const std::string name = "Varnisup\x1b]0;owned\x07\x1b[2J\xc2\x9b" "31m\xff.exe";
    test::WriteModule(root_ / "work" / name, "planted");
    for (const char* before : {".:", ":", "tools:"}) {
        SCOPED_TRACE(before);
        fs::remove(root_ / "dialog.txt");
        EXPECT_EQ(Run(before), 0);
        EXPECT_FALSE(fs::exists(root_ / "planted-ran.txt"));
        EXPECT_FALSE(fs::exists(root_ / "work/ran.txt"));
        const std::string dialog = ReadFile(root_ / "dialog.txt");
        EXPECT_NE(dialog.find((root_ / "work").string() + "/Varnisup\\x1b]0;owned\\x07\\x1b[2J\\xc2\\x9b31m\\xff.exe"),
                  std::string::npos)
            << dialog;
        EXPECT_EQ(dialog.find('\x1b'), std::string::npos);
    }
}

TEST_F(FennickProgram, ShowsItsMessageOnTheDesktopAndStillEndsWithZero) {
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(ReadFile(root_ / "dialog.txt"),
              "--error\n--no-markup\n--title=Fennick\n--text=アップデートモジュールが見つかりませんでした。\n");
}

}  // namespace
}  // namespace fennick
