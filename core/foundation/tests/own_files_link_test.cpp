// The files the program appends to for itself (the journals of its stores, the transfer
// log) and a symbolic link planted in their place while their folder was open to others:
// nothing is read, written, cut or narrowed through the link, and the link is reported by
// its path.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/foundation/log_writer.h"
#include "core/foundation/progress_journal.h"
#include "platform/date_time.h"
#include "platform/path.h"
#include "platform/private_files.h"
#include "platform/safe_write.h"

namespace {

namespace fs = std::filesystem;

struct Folder {
    std::string path;
    Folder() {
        char tmpl[] = "/tmp/own_files_link_XXXXXX";
        path = std::string(::mkdtemp(tmpl)) + "/";
    }
    ~Folder() { fs::remove_all(path); }
};

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

}  // namespace

TEST(OwnFilesRefuseLinks, TheJournalAndTheLogNameTheLinkAndLeaveItsTargetAlone) {
    struct Case {
        const char* what;
        const char* file;  // the name the program uses in its folder
        // Uses the file at `path` as the program does; false when that failed.
        std::function<bool(const std::string& path)> use;
    } cases[] = {
        {"a journal replayed", "database.jnl",
         [](const std::string& path) {
             ProgressJournal journal;
             journal.Bind(path, nullptr, {"OMBREL-ADDRESS-JOURNAL", "1"});
             return journal.Replay([](const std::vector<std::string_view>&) {}) >= 0;
         }},
        {"a journal appended to", "hist7.jnl",
         [](const std::string& path) {
             ProgressJournal journal;
             journal.Bind(path, nullptr, {"OMBREL-HISTORY-PROGRESS", "1", "7"});
             journal.Add({"12", "sent"});
             return journal.Commit() == 0;
         }},
        {"the transfer log", "VarnisTransfer3.log",
         [](const std::string& path) {
             // The 13th: the log of day digit 3.
             std::tm day{};
             day.tm_year = 2027 - 1900;
             day.tm_mon = 2;
             day.tm_mday = 13;
             day.tm_hour = 10;
             day.tm_isdst = -1;
             static std::time_t now;
             now = std::mktime(&day);
             platform::SetClockForTesting([] { return now; });
             LogWriter::SetLogFolderForTesting(platform::FolderOf(path));
             {
                 LogWriter log;
                 log.SetLogData("RCPT TO:<taro@example.jp>", 1, 0);
             }
             LogWriter::SetLogFolderForTesting("");
             platform::SetClockForTesting(nullptr);
             return false;  // the log has no result: its target tells
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Folder folder;
        // Another file of the user's, readable by others as the user left it.
        const std::string target = folder.path + "notes.txt";
        std::ofstream(target) << "2027/03/13\r\nnot a journal\r\n";
        ::chmod(target.c_str(), 0644);
        const std::string link = folder.path + c.file;
        ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
        std::vector<std::string> reported;
        const platform::RefusalReporter previous =
            platform::SetRefusalReporter([&](const platform::RefusedFile& r) { reported.push_back(r.path); });

        const bool used = c.use(link);
        platform::SetRefusalReporter(previous);
        EXPECT_FALSE(used);
        EXPECT_FALSE(reported.empty());
        for (const std::string& path : reported) EXPECT_EQ(path, link);
        std::string bytes;
        ASSERT_TRUE(platform::ReadWholeFile(target, bytes));
        EXPECT_EQ(bytes, "2027/03/13\r\nnot a journal\r\n");
        EXPECT_EQ(ModeOf(target), 0644u);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_FALSE(fs::exists(link + ".bad"));
    }
}
