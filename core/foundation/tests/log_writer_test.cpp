#include "core/foundation/log_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "platform/date_time.h"
#include "platform/safe_write.h"

namespace {

const std::string kEquals(79, '=');
const std::string kDashes(79, '-');

struct LogWriterTest : ::testing::Test {
    std::string dir;
    static inline std::atomic<std::time_t> now{0};

    void SetUp() override {
        char tmpl[] = "/tmp/log_writer_XXXXXX";
        dir = std::string(mkdtemp(tmpl)) + "/";
        LogWriter::SetLogFolderForTesting(dir);
        platform::SetClockForTesting([] { return now.load(); });
        SetTime(13, 10, 0, 0);
    }
    void TearDown() override {
        platform::SetClockForTesting(nullptr);
        LogWriter::SetLogFolderForTesting("");
        std::filesystem::remove_all(dir);
    }
    // Local time on the given day of March 2027.
    static void SetTime(int day, int hour, int minute, int second) {
        std::tm tm{};
        tm.tm_year = 2027 - 1900;
        tm.tm_mon = 2;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        tm.tm_sec = second;
        tm.tm_isdst = -1;
        now = std::mktime(&tm);
    }
    std::string Log(int digit) const {
        std::string bytes;
        platform::ReadWholeFile(dir + "VarnisTransfer" + std::to_string(digit) + ".log", bytes);
        return bytes;
    }
};

}  // namespace

TEST_F(LogWriterTest, OneFilePerDayDigitRenewedOnANewDay) {
    LogWriter log;
    log.SetLogData("first", 0, 0);
    EXPECT_EQ(Log(3), "2027/03/13\r\nfirst\r\n");
    SetTime(13, 23, 59, 59);
    log.SetLogData("second", 0, 0);
    EXPECT_EQ(Log(3), "2027/03/13\r\nfirst\r\nsecond\r\n");

    SetTime(14, 0, 0, 0);
    LogWriter other;
    other.SetLogData("next day", 0, 0);
    EXPECT_EQ(Log(4), "2027/03/14\r\nnext day\r\n");

    SetTime(23, 8, 0, 0);
    log.SetLogData("ten days on", 0, 0);
    EXPECT_EQ(Log(3), "2027/03/23\r\nten days on\r\n");
    EXPECT_EQ(Log(4), "2027/03/14\r\nnext day\r\n");
}

TEST_F(LogWriterTest, EntryLayout) {
    LogWriter log;
    SetTime(13, 9, 5, 7);
    log.SetLogData("250 OK", 1, 0);
    log.SetLogData("already ended\r\n", 0, 0);
    log.SetLogData("", 0, 1);
    log.SetLogTitle("SMTP session");
    log.SetLogData("EHLO host", 1, 1);
    log.SetLogData("after the titled entry", 0, 0);  // the title was used up
    EXPECT_EQ(Log(3), "2027/03/13\r\n"
                      "09:05:07250 OK\r\n"
                      "already ended\r\n"
                      "\r\n" + kDashes + "\r\n" +
                      kEquals + "\r\nSMTP session\r\n" + kEquals + "\r\n"
                      "09:05:07EHLO host\r\n" + kDashes + "\r\n"
                      "after the titled entry\r\n");
}

TEST_F(LogWriterTest, UnwritableFolderKeepsOnlyABoundedTail) {
    const std::string folder = dir + "later/";
    LogWriter::SetLogFolderForTesting(folder);  // does not exist yet: nothing can be written
    LogWriter log;
    const std::string filler(1000, 'x');
    for (int i = 0; i < 2000; ++i) log.SetLogData("line " + std::to_string(i) + " " + filler, 0, 0);
    log.SetLogTitle("kept title");
    log.SetLogData("last unwritten", 0, 0);
    EXPECT_FALSE(std::filesystem::exists(folder));

    std::filesystem::create_directory(folder);
    log.SetLogData("written", 0, 0);
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(folder + "VarnisTransfer3.log", bytes));
    EXPECT_LE(bytes.size(), LogWriter::kMaxBufferedBytes + 100);
    EXPECT_GT(bytes.size(), LogWriter::kMaxBufferedBytes - 2000);
    EXPECT_EQ(bytes.compare(0, 17, "2027/03/13\r\nline "), 0);  // the tail starts at a line start
    const std::string end = "line 1999 " + filler + "\r\n" + kEquals + "\r\nkept title\r\n" + kEquals +
                            "\r\nlast unwritten\r\nwritten\r\n";
    ASSERT_GE(bytes.size(), end.size());
    EXPECT_EQ(bytes.substr(bytes.size() - end.size()), end);
}

TEST_F(LogWriterTest, WritersOfOneFileAreSerialised) {
    constexpr int kLines = 1000;
    auto run = [](const char* who) {
        LogWriter log;
        for (int i = 0; i < kLines; ++i) log.SetLogData(std::string(who) + std::to_string(i), 0, 0);
    };
    std::thread a(run, "smtp");
    std::thread b(run, "pop");
    a.join();
    b.join();
    const std::string bytes = Log(3);
    EXPECT_EQ(bytes.compare(0, 12, "2027/03/13\r\n"), 0);
    for (const char* who : {"smtp", "pop"})
        for (int i = 0; i < kLines; ++i)
            EXPECT_NE(bytes.find("\n" + std::string(who) + std::to_string(i) + "\r\n"), std::string::npos) << who << i;
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 2 * kLines + 1);
}

TEST_F(LogWriterTest, CyclicPathAcceptsOnlyDigits) {
    struct Probe : LogWriter {
        using LogWriter::CreateCyclicLogFilePath;
    } probe;
    EXPECT_EQ(probe.CreateCyclicLogFilePath(10), 0);
    EXPECT_EQ(probe.CreateCyclicLogFilePath(-1), 0);
    EXPECT_EQ(probe.CreateCyclicLogFilePath(7), 1);
    // The chosen path is kept while the day digit matches.
    SetTime(17, 12, 0, 0);
    probe.SetLogData("seven", 0, 0);
    EXPECT_EQ(Log(7), "2027/03/17\r\nseven\r\n");
}

TEST_F(LogWriterTest, FolderFallsBackToTheUserStateFolder) {
    struct Env {
        std::string name, old;
        bool had;
        Env(const char* n, const std::string& value) : name(n), had(std::getenv(n) != nullptr) {
            if (had) old = std::getenv(n);
            setenv(n, value.c_str(), 1);
        }
        ~Env() { had ? setenv(name.c_str(), old.c_str(), 1) : unsetenv(name.c_str()); }
    };
    const std::string unusable = dir + "no/such/folder/";
    EXPECT_EQ(TransferLogFolderFor(dir), dir);  // writable: used as it is
    {
        Env xdg("XDG_STATE_HOME", dir + "state");
        EXPECT_EQ(TransferLogFolderFor(unusable), dir + "state/quendrel/");
        EXPECT_TRUE(std::filesystem::is_directory(dir + "state/quendrel"));
    }
    {
        Env xdg("XDG_STATE_HOME", "relative/state");  // not absolute: ignored
        Env home("HOME", dir + "home");
        EXPECT_EQ(TransferLogFolderFor(unusable), dir + "home/.local/state/quendrel/");
        EXPECT_TRUE(std::filesystem::is_directory(dir + "home/.local/state/quendrel"));
    }
}

// The writer keeps its file open between lines, yet each line is in the file at once; a
// new run (Init) opens the file again, so a log deleted by hand is begun afresh; a copy
// opens the file for itself and writes on after the original is gone.
TEST_F(LogWriterTest, KeptOpenFileStillTakesEveryLineAtOnce) {
    LogWriter log;
    for (int i = 0; i < 3; ++i) {
        log.SetLogData("line " + std::to_string(i), 0, 0);
        EXPECT_EQ(Log(3).substr(Log(3).size() - 8), "line " + std::to_string(i) + "\r\n");
    }
    std::filesystem::remove(dir + "VarnisTransfer3.log");
    log.Init();
    log.SetLogData("next run", 0, 0);
    EXPECT_EQ(Log(3), "2027/03/13\r\nnext run\r\n");
    auto copy = std::make_unique<LogWriter>(log);
    log.Init();
    copy->SetLogData("from the copy", 0, 0);
    EXPECT_EQ(Log(3), "2027/03/13\r\nnext run\r\nfrom the copy\r\n");
}

// Collected lines wait for the next write, keep their order and their title, go out by
// themselves once kBatchBytes have gathered, and are never dropped: Init, an assignment
// and the destructor write them first.
TEST_F(LogWriterTest, CollectedLinesGoOutTogetherAndAreNeverDropped) {
    const std::string date = "2027/03/13\r\n";
    LogWriter log;
    log.AddLogData("a", 0);
    log.SetLogTitle("run");
    log.AddLogData("b", 1);
    EXPECT_EQ(Log(3), "");
    log.WriteToFile();
    const std::string titled = kEquals + "\r\nrun\r\n" + kEquals + "\r\n";
    EXPECT_EQ(Log(3), date + "a\r\n" + titled + "10:00:00b\r\n");
    log.AddLogData("c", 0);
    log.SetLogData("d", 0, 0);
    EXPECT_EQ(Log(3), date + "a\r\n" + titled + "10:00:00b\r\nc\r\nd\r\n");
    log.AddLogData("e", 0);
    log.Init();
    {
        LogWriter other;
        other.AddLogData("f", 0);
        LogWriter assigned;
        assigned.AddLogData("g", 0);
        assigned = other;
    }
    EXPECT_EQ(Log(3), date + "a\r\n" + titled + "10:00:00b\r\nc\r\nd\r\ne\r\ng\r\nf\r\nf\r\n");

    std::filesystem::remove(dir + "VarnisTransfer3.log");
    const std::string line(99, 'x');
    std::size_t added = 0;
    while (Log(3).empty() && added < 2 * LogWriter::kBatchBytes) {
        log.AddLogData(line, 0);
        added += line.size() + 2;
    }
    EXPECT_EQ(added, (LogWriter::kBatchBytes + 100) / 101 * 101);
    EXPECT_EQ(Log(3).size(), date.size() + added);
}
