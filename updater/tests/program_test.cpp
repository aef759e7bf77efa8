// The program itself, copied into a folder of its own: it finds the module beside it while
// started from elsewhere, never runs one lying in the folder it was started from, ends with exit code 0 whatever happens, and shows its error
// message on the desktop through the dialog program (a fake one here that notes how it
// was called).

#include <gtest/gtest.h>

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

    // Runs the copied program from the "work" folder; its exit code.
    int Run() {
        ScopedEnv store("FENNICK_VERSION_STORE", (root_ / "installed.ini").string());
        ScopedEnv path("PATH", (root_ / "bin").string() + ":" + std::getenv("PATH"));
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

TEST_F(FennickProgram, ShowsItsMessageOnTheDesktopAndStillEndsWithZero) {
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(ReadFile(root_ / "dialog.txt"),
              "--error\n--no-markup\n--title=Fennick\n--text=アップデートモジュールが見つかりませんでした。\n");
}

}  // namespace
}  // namespace fennick
