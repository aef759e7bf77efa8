// The updater's choice of module, its version check and the start of the module, over a
// program folder, a current folder and a version store of each test's own. The modules
// are scripts that leave a marker saying which one ran, how it was started and where.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "updater/tests/test_folder.h"
#include "updater/update_module.h"
#include "updater/updater.h"

namespace fennick {
namespace {

using test::CurrentFolder;
using test::ReadFile;
using test::TempFolder;
using test::WriteFile;
using test::WriteModule;
namespace fs = std::filesystem;

constexpr const char* kKind1Caption = "Varnis アップデートモジュール";
constexpr const char* kKind2Caption = "Varnis /R.2 アップデートモジュール";
constexpr const char* kStoreHeader = "[SOFTWARE\\Halvorn Corporation\\Varnis]\r\n";

struct FileSpec {
    enum Kind { kModule, kFolder };
    std::string where;  // "prog/<name>" (the program's folder) or "work/<name>" (the current one)
    std::string tag;    // what a module writes into its marker
    Kind kind = kModule;
};

struct Case {
    const char* title;
    std::vector<FileSpec> files;
    std::optional<std::string> store;  // the store file's text; none: no file
    UpdateResult result;
    std::string ranTag;      // the module that must have run ("" none)
    std::string ranFile;     // its place, as in FileSpec::where
    std::string message;     // the expected message ("" none)
    std::string caption;
};

std::string Version(const std::string& v) { return std::string(kStoreHeader) + "Version=" + v + "\r\n"; }

const std::string kBlankName = "prog/Varnisup 2 \"q\" 'r' $(touch pwned).exe";

const Case kCases[] = {
    {"the installed 5.0.3 is version 5.0: kind 1 runs",
     {{"prog/Varnisup503.exe", "one"}}, Version("5.0.3"), UpdateResult::kModuleRan, "one", "prog/Varnisup503.exe", "", ""},
    {"kind 2 updates 5.1",
     {{"prog/Varnisr2up.exe", "two"}}, Version("5.1"), UpdateResult::kModuleRan, "two", "prog/Varnisr2up.exe", "", ""},
    {"both kinds: kind 1 is chosen",
     {{"prog/Varnisr2up.exe", "two"}, {"prog/Varnisup.exe", "one"}}, Version("5.0"),
     UpdateResult::kModuleRan, "one", "prog/Varnisup.exe", "", ""},
    {"both kinds with 5.1 installed: kind 1 is chosen and refused",
     {{"prog/Varnisr2up.exe", "two"}, {"prog/Varnisup.exe", "one"}}, Version("5.1"),
     UpdateResult::kNotInstalled, "", "", kNotInstalledMessage, kKind1Caption},
    {"5.1 is not version 5.0",
     {{"prog/Varnisup.exe", "one"}}, Version("5.1"), UpdateResult::kNotInstalled, "", "", kNotInstalledMessage, kKind1Caption},
    {"5.0 is not version 5.1",
     {{"prog/Varnisr2up.exe", "two"}}, Version("5.0"), UpdateResult::kNotInstalled, "", "", kNotInstalledMessage, kKind2Caption},
    {"a version shorter than three characters matches nothing",
     {{"prog/Varnisup.exe", "one"}}, Version("5."), UpdateResult::kNotInstalled, "", "", kNotInstalledMessage, kKind1Caption},
    {"no version store",
     {{"prog/Varnisup.exe", "one"}}, std::nullopt, UpdateResult::kNotInstalled, "", "", kNotInstalledMessage, kKind1Caption},
    {"a store without the version value",
     {{"prog/Varnisup.exe", "one"}}, std::string(kStoreHeader) + "Path=/opt/varnis\r\n",
     UpdateResult::kNotInstalled, "", "", kNotInstalledMessage, kKind1Caption},
    {"names and key names match ignoring case",
     {{"prog/VARNISUP1.EXE", "one"}}, std::string("[software\\halvorn corporation\\varnis]\r\nVERSION=5.0\r\n"),
     UpdateResult::kModuleRan, "one", "prog/VARNISUP1.EXE", "", ""},
    {"of two modules of one kind the first by name runs",
     {{"prog/Varnisup2.exe", "second"}, {"prog/Varnisup10.exe", "first"}}, Version("5.0"),
     UpdateResult::kModuleRan, "first", "prog/Varnisup10.exe", "", ""},
    {"a folder named like a module is passed over",
     {{"prog/Varnisup.exe", "", FileSpec::kFolder}, {"prog/Varnisr2up.exe", "two"}}, Version("5.1"),
     UpdateResult::kModuleRan, "two", "prog/Varnisr2up.exe", "", ""},
    {"no module anywhere: titled with the program's name",
     {{"prog/Varnisup.txt", "x"}, {"work/Varnis.exe", "x"}}, Version("5.0"),
     UpdateResult::kNoModule, "", "", kNoModuleMessage, kProgramName},
    {"the program's folder comes before the current folder",
     {{"work/Varnisup.exe", "planted"}, {"prog/Varnisr2up.exe", "beside"}}, Version("5.1"),
     UpdateResult::kModuleRan, "beside", "prog/Varnisr2up.exe", "", ""},
    {"a name with blanks, quotes and shell syntax starts exactly that file",
     {{kBlankName, "blank"}, {"prog/Varnisup", "trap"}, {"prog/Varnisup 2", "trap"}}, Version("5.0"),
     UpdateResult::kModuleRan, "blank", kBlankName, "", ""},
    {"a Japanese name",
     {{"prog/Varnisup更新.exe", "jp"}}, Version("5.0"), UpdateResult::kModuleRan, "jp", "prog/Varnisup更新.exe", "", ""},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.title; }

class FennickRunUpdate : public ::testing::TestWithParam<Case> {};

TEST_P(FennickRunUpdate, ChoosesChecksAndRunsTheModule) {
    const Case& c = GetParam();
    SCOPED_TRACE(c.title);
    TempFolder root;
    fs::create_directories(root / "prog");
    fs::create_directories(root / "work");
    for (const FileSpec& f : c.files) {
        const fs::path path = root / f.where;
        if (f.kind == FileSpec::kFolder) fs::create_directories(path);
        else WriteModule(path, f.tag);
    }
    if (c.store) WriteFile(root / "installed.ini", *c.store);

    std::vector<std::pair<std::string, std::string>> shown;
    UpdaterSetup setup;
    setup.programFolder = (root / "prog").string();
    setup.versionStore = (root / "installed.ini").string();
    setup.showError = [&](const std::string& text, const std::string& caption) { shown.emplace_back(text, caption); };

    UpdateResult result;
    {
        CurrentFolder inWork(root / "work");
        result = RunUpdate(setup);
    }

    EXPECT_EQ(result, c.result);
    if (c.message.empty()) {
        EXPECT_TRUE(shown.empty()) << shown.front().first;
    } else {
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].first, c.message);
        EXPECT_EQ(shown[0].second, c.caption);
    }
    // The module has ended (and written its marker) by the time RunUpdate returns.
    const std::string marker = ReadFile(root / "work/ran.txt");
    if (c.ranTag.empty()) {
        EXPECT_EQ(marker, "");
    } else {
        // One line "tag|$0|working folder": the module was started by its absolute path.
        ASSERT_EQ(std::count(marker.begin(), marker.end(), '\n'), 1) << marker;
        const size_t bar1 = marker.find('|');
        const size_t bar2 = marker.rfind('|');
        const fs::path started = marker.substr(bar1 + 1, bar2 - bar1 - 1);
        const fs::path workingFolder = marker.substr(bar2 + 1, marker.size() - bar2 - 2);
        EXPECT_EQ(marker.substr(0, bar1), c.ranTag);
        EXPECT_TRUE(started.is_absolute()) << started;
        EXPECT_EQ(started.filename(), fs::path(c.ranFile).filename());
        EXPECT_TRUE(fs::equivalent(started, root / c.ranFile)) << started;
        EXPECT_TRUE(fs::equivalent(workingFolder, root / "work")) << workingFolder;
    }
    EXPECT_FALSE(fs::exists(root / "work/pwned"));
    EXPECT_FALSE(fs::exists(root / "prog/pwned"));
}

INSTANTIATE_TEST_SUITE_P(Cases, FennickRunUpdate, ::testing::ValuesIn(kCases));

TEST(FennickRunUpdateFailure, AModuleThatCannotStartIsReported) {
    TempFolder root;
    WriteFile(root / "prog/Varnisup.exe", "#!/bin/sh\necho never > ran.txt\n");  // not executable
    WriteFile(root / "installed.ini", Version("5.0"));
    fs::create_directories(root / "work");

    std::vector<std::pair<std::string, std::string>> shown;
    UpdaterSetup setup{(root / "prog").string(), (root / "installed.ini").string(),
                       [&](const std::string& text, const std::string& caption) { shown.emplace_back(text, caption); }};
    CurrentFolder inWork(root / "work");
    EXPECT_EQ(RunUpdate(setup), UpdateResult::kStartFailed);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, std::string(kCannotStartMessage) + "\n" + (root / "prog/Varnisup.exe").string());
    EXPECT_EQ(shown[0].second, kKind1Caption);
    EXPECT_FALSE(fs::exists(root / "work/ran.txt"));
}

// A module-named file in the folder the updater was started from (a download folder, a
// shared temporary folder) is never run, not even when the installed version fits it:
// the message says where it lies and why nothing ran.
TEST(FennickRunUpdateFailure, AModuleInTheCurrentFolderIsNamedAndNotRun) {
    TempFolder root;
    fs::create_directories(root / "prog");
    WriteModule(root / "work/Varnisup.exe", "planted");
    WriteModule(root / "work/Varnisr2up.exe", "planted");
    WriteFile(root / "installed.ini", Version("5.0"));

    std::vector<std::pair<std::string, std::string>> shown;
    UpdaterSetup setup{(root / "prog").string(), (root / "installed.ini").string(),
                       [&](const std::string& text, const std::string& caption) { shown.emplace_back(text, caption); }};
    CurrentFolder inWork(root / "work");
    EXPECT_EQ(RunUpdate(setup), UpdateResult::kModuleOutside);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, std::string(kModuleOutsideMessage) + "\n" + (root / "work/Varnisup.exe").string());
    EXPECT_EQ(shown[0].second, kProgramName);
    EXPECT_FALSE(fs::exists(root / "work/ran.txt"));
}

// The program's own folder unknown: no folder is searched, not even the current one that
// an empty name once stood for, and the message says why nothing runs.
TEST(FennickRunUpdateFailure, WithoutItsOwnFolderNothingRuns) {
    TempFolder root;
    WriteModule(root / "work/Varnisup.exe", "planted");
    WriteFile(root / "installed.ini", Version("5.0"));

    std::vector<std::pair<std::string, std::string>> shown;
    UpdaterSetup setup{"", (root / "installed.ini").string(),
                       [&](const std::string& text, const std::string& caption) { shown.emplace_back(text, caption); }};
    CurrentFolder inWork(root / "work");
    EXPECT_EQ(RunUpdate(setup), UpdateResult::kNoOwnFolder);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, kNoOwnFolderMessage);
    EXPECT_EQ(shown[0].second, kProgramName);
    EXPECT_FALSE(FindUpdateModule({""}));
    EXPECT_FALSE(fs::exists(root / "work/ran.txt"));
}

}  // namespace
}  // namespace fennick

namespace fennick {
namespace {

// What a name may hold and how it is shown: Japanese and blanks as they are; control
// characters (C0, DEL, C1 written as UTF-8), bytes outside well-formed UTF-8 and the
// backslash escaped, so that the shown text reads back to one name only.
TEST(FennickPrintableName, EscapesWhatCouldActOnATerminal) {
    const struct {
        std::string name, shown;
    } cases[] = {
        {"/home/太郎/ダウンロード/Varnisup 5.0.exe", "/home/太郎/ダウンロード/Varnisup 5.0.exe"},
        {"a\x1b]0;title\x07" "b", "a\\x1b]0;title\\x07b"},
        {"line\nfeign\r\x7f", "line\\x0afeign\\x0d\\x7f"},
        {"c1\xc2\x9b" "2J \xc2\xa0 nbsp", "c1\\xc2\\x9b2J \xc2\xa0 nbsp"},
        {"bad\xff\xc3(\xed\xa0\x80\xf0\x82\x82\xac", "bad\\xff\\xc3(\\xed\\xa0\\x80\\xf0\\x82\\x82\\xac"},
        {"cut\xe3\x81", "cut\\xe3\\x81"},
        {"back\\x1b", "back\\\\x1b"},
    };
    for (const auto& c : cases) EXPECT_EQ(PrintableName(c.name), c.shown) << c.name;
}

}  // namespace
}  // namespace fennick
