// Every file the program keeps for itself, and what another local user (or an accident)
// may leave in its place while a folder stands open: a FIFO (the user's, or another user's
// with that user reading it), a socket, a folder, another user's file, the user's file
// with a second name another user keeps, a symbolic link. Each case runs the program's own
// code for that file in a fresh process with a time limit, as the user (root here), the
// other user being a real second uid ("nobody") who planted the thing: the file is refused
// at once and named with the reason, once; nothing is written to what another user can
// read; nothing hangs.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/environment/environment_service.h"
#include "app/environment/new_environment.h"
#include "app/sendrecv/receive_ledger.h"
#include "app/shell/single_instance.h"
#include "app/shell/tests/mail_list_fixture.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/screenshot.h"
#include "core/foundation/ini_manager.h"
#include "core/foundation/log_writer.h"
#include "core/foundation/progress_journal.h"
#include "platform/date_time.h"
#include "platform/file_refusal.h"
#include "platform/module_path.h"
#include "platform/process_runner.h"

namespace {

namespace fs = std::filesystem;

constexpr uid_t kOther = 65534;
constexpr const char* kRootVariable = "QUENDREL_ODD_ROOT";
constexpr const char* kFileVariable = "QUENDREL_ODD_FILE";
// Far beyond "at once", far below "for ever".
constexpr std::chrono::seconds kTimeLimit{15};

// ---- The files ----------------------------------------------------------------------------
// Each names its place below the case's folder and uses it as the program does (in the
// child process); the environment is "<root>/顧客.env" with its folder "<root>/顧客/".

std::string Env(const std::string& root) { return root + "/顧客/"; }

// The open's waits and questions, answered as a person who has no password would.
class QuietUi : public shell::EnvironmentUi {
public:
    void ShowWait(const QString&, const QString&, const QString&) override {}
    void HideWait() override {}
    void OfferStartupPassword(EnvManager&) override {}
    bool AskEnvironmentPassword(EnvManager&, const QString&) override { return false; }
};

bool OpenEnvironment(const std::string& root) {
    QuietUi ui;
    shell::EnvironmentService::Settings settings;
    settings.programIniPath = root + "/Quendrel.ini";
    settings.finishPauseMs = 0;
    shell::EnvironmentService service(settings);
    service.SetUi(&ui);
    shell::EnvironmentService* const previous = shell::ProgramEnvironment();
    shell::SetProgramEnvironment(&service);
    const bool opened = service.OpenEnvironment(root + "/顧客.env") == 1;
    service.CloseEnvironment();
    shell::SetProgramEnvironment(previous);
    return opened;
}

bool UseJournal(const std::string& path, std::vector<std::string> tag) {
    ProgressJournal journal;
    journal.Bind(path, nullptr, std::move(tag));
    const bool replayed = journal.Replay([](const std::vector<std::string_view>&) {}) >= 0;
    journal.Add({"12", "sent", "taro@example.jp"});
    return journal.Commit() == 0 && replayed;
}

struct OwnFile {
    const char* what;
    const char* place;  // below the case's folder
    std::function<bool(const std::string& root)> use;
};

const std::vector<OwnFile>& OwnFiles() {
    static const std::vector<OwnFile> files{
        {"the program's single-instance lock", "run/h_Varnis_PrevInstance.lock",
         [](const std::string& root) {
             shell::SingleInstanceGuard guard(QStringLiteral("h_Varnis_PrevInstance"), root + "/run/");
             return guard.Acquire({}) == shell::SingleInstanceGuard::Result::kFirst;
         }},
        {"the environment's lock", "顧客/Quendrel.lock", OpenEnvironment},
        {"the system options", "顧客/systemoption.dat", OpenEnvironment},
        {"the address book", "顧客/DB/database.dat", OpenEnvironment},
        {"the address book's journal", "顧客/DB/database.jnl", OpenEnvironment},
        {"the mail list", "顧客/MAIL/maillist.dat", OpenEnvironment},
        {"the program's ini", "Quendrel.ini",
         [](const std::string& root) {
             std::string value;
             CIniManager::GetProfileStringA(root + "/Quendrel.ini", "RECENTENV", "RECENTENV0", value, "");
             return CIniManager::WriteProfileStringA(root + "/Quendrel.ini", "RECENTENV", "RECENTENV0",
                                                     (root + "/顧客.env").c_str()) != 0;
         }},
        {"the environment's ini", "顧客/QuendrelT.ini",
         [](const std::string& root) {
             return CIniManager::WriteProfileStringA(Env(root) + "QuendrelT.ini", "MAINFRAME", "MAXIMIZED", "Y") != 0;
         }},
        {"a send history's progress record", "顧客/MAIL/hist7.jnl",
         [](const std::string& root) {
             return UseJournal(Env(root) + "MAIL/hist7.jnl", {"OMBREL-HISTORY-PROGRESS", "1", "7"});
         }},
        {"the receive ledger", "顧客/DB/receive.jnl",
         [](const std::string& root) {
             ReceiveLedger ledger(Env(root));
             const bool recovered = ledger.Recover() == 0;
             return ledger.NoteFailedFetch("UID-1") == 0 && recovered;
         }},
        {"the transfer log", "logs/VarnisTransfer3.log",
         [](const std::string& root) {
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
             LogWriter::SetLogFolderForTesting(root + "/logs/");
             LogWriter log;
             log.SetLogData("RCPT TO:<taro@example.jp>", 1, 0);
             return true;
         }},
    };
    return files;
}

// ---- What the child tells --------------------------------------------------------------
// One line per box and per reported refusal: "box\t<caption>\t<text>" and
// "report\t<path>\t<reason>", line breaks of a text as "|".

std::string OneLine(std::string text) {
    for (std::size_t at = 0; (at = text.find_first_of("\r\n", at)) != std::string::npos;)
        text.replace(at, text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1, "|");
    return text;
}

// The child: uses one file as the program does and writes what the user was told.
TEST(OddFilesChild, UsesItsFile) {
    const char* root = std::getenv(kRootVariable);
    const char* file = std::getenv(kFileVariable);
    if (root == nullptr || file == nullptr) GTEST_SKIP() << "run by OddFiles.EveryOwnFileRefusesEveryOddKind";
    std::vector<std::string> told;
    const platform::RefusalReporter previous = platform::SetRefusalReporter(
        [&](const platform::RefusedFile& r) { told.push_back("report\t" + r.path + "\t" + r.Reason()); });
    ui::test::PromptRecorder prompts;
    OwnFiles().at(static_cast<std::size_t>(std::atoi(file))).use(root);
    platform::SetRefusalReporter(previous);
    for (const ui::test::RecordedPrompt& p : prompts.prompts())
        told.push_back("box\t" + p.caption.toStdString() + "\t" + OneLine(p.text.toStdString()));
    std::ofstream out(std::string(root) + "/told.txt");
    for (const std::string& line : told) out << line << "\n";
}

// ---- The odd kinds -----------------------------------------------------------------------

enum class Kind { kOwnFifo, kOtherFifo, kSocket, kFolder, kOtherFile, kHardLinked, kLink };

struct OddKind {
    Kind kind;
    const char* what;
    const char* reason;  // what the refusal says
};

const OddKind kKinds[] = {
    {Kind::kOwnFifo, "a FIFO of the user's", "名前付きパイプ（FIFO）のため使用できません"},
    {Kind::kOtherFifo, "a FIFO another user reads", "名前付きパイプ（FIFO）のため使用できません"},
    {Kind::kSocket, "a socket", "ソケットのため使用できません"},
    {Kind::kFolder, "a folder", "フォルダのため使用できません"},
    {Kind::kOtherFile, "another user's file, open to all", "他のユーザー（nobody）のファイルのため使用できません"},
    {Kind::kHardLinked, "the user's file with a second name another user keeps",
     "ほかの場所にも名前（ハードリンク）があるため使用できません"},
    {Kind::kLink, "a symbolic link to another file of the user's", "シンボリックリンクのため使用できません"},
};

constexpr const char* kTheirs = "someone else's\n";
constexpr const char* kMine = "2027/03/13\r\nmine\r\n";

// Runs `act` in a child process as the other user: true when it succeeded.
bool AsOtherUser(const std::function<bool()>& act) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kOther, kOther, kOther) != 0 ||
            ::setresuid(kOther, kOther, kOther) != 0)
            ::_exit(2);
        ::_exit(act() ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Write(const std::string& path, const std::string& bytes, mode_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode);
    const bool ok = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                    ::fchmod(fd, mode) == 0;
    if (fd >= 0) ::close(fd);
    return ok;
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class OddFiles : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
        // A memory-backed folder keeps the many small environments quick.
        std::string tmpl = (fs::is_directory("/dev/shm") ? std::string("/dev/shm") : fs::temp_directory_path().string()) +
                           "/quendrel-odd-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        base_ = tmpl + "/";
        // The other user may pass through the test's folder to the folders left open.
        ::chmod(base_.c_str(), 0755);
    }
    void TearDown() override {
        std::error_code ec;
        if (!base_.empty()) fs::remove_all(base_, ec);
    }

    // A case's folder: an environment made as the program makes one, and the program's other
    // folders, every folder open to all as a wide umask or an older version left them.
    std::string MakeCase(int number) {
        const std::string root = base_ + "case" + std::to_string(number);
        fs::create_directories(root + "/run");
        fs::create_directories(root + "/logs");
        fs::create_directories(root + "/other");
        EXPECT_EQ(shell::CreateNewEnvironment("顧客", root + "/", nullptr, nullptr, false), 0);
        for (const auto& e : fs::recursive_directory_iterator(root))
            if (e.is_directory()) ::chmod(e.path().c_str(), 0777);
        ::chmod(root.c_str(), 0777);
        ::chown((root + "/other").c_str(), kOther, kOther);
        ::chmod((root + "/other").c_str(), 0700);
        return root;
    }

    // Puts `kind` at `path` (whatever was there goes); false when it could not be made.
    // `other` keeps the planted thing's other name, or the other user's reading end.
    bool Plant(Kind kind, const std::string& root, const std::string& path, std::string& other) {
        ::unlink(path.c_str());
        fs::create_directories(fs::path(path).parent_path());
        ::chmod(fs::path(path).parent_path().c_str(), 0777);
        switch (kind) {
        case Kind::kOwnFifo: return ::mkfifo(path.c_str(), 0600) == 0;
        case Kind::kOtherFifo: return AsOtherUser([&] { return ::mkfifo(path.c_str(), 0666) == 0; });
        case Kind::kSocket: {
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            if (path.size() >= sizeof addr.sun_path) return false;
            std::memcpy(addr.sun_path, path.c_str(), path.size());
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
            ::close(fd);
            return bound;
        }
        case Kind::kFolder: return ::mkdir(path.c_str(), 0700) == 0;
        case Kind::kOtherFile: return AsOtherUser([&] { return Write(path, kTheirs, 0666); });
        case Kind::kHardLinked:
            // The user's file as an older version left it, and a name of it the other user
            // made in a folder of theirs, to read what the program puts there.
            other = root + "/other/kept";
            return Write(path, kMine, 0666) &&
                   AsOtherUser([&] { return ::link(path.c_str(), other.c_str()) == 0; });
        case Kind::kLink:
            other = root + "/notes.txt";
            return Write(other, kMine, 0644) && ::symlink(other.c_str(), path.c_str()) == 0;
        }
        return false;
    }

    struct Run {
        bool ended = false;
        double seconds = 0;
        std::vector<std::string> told;
    };

    Run RunChild(const std::string& root, int file) {
        ::setenv(kRootVariable, root.c_str(), 1);
        ::setenv(kFileVariable, std::to_string(file).c_str(), 1);
        const auto start = std::chrono::steady_clock::now();
        int code = -1;
        // The child's own output goes to its folder, where a failure can be looked into.
        std::fflush(stdout);
        const int out = ::dup(STDOUT_FILENO), err = ::dup(STDERR_FILENO);
        const int log = ::open((root + "/child.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(log, STDOUT_FILENO);
        ::dup2(log, STDERR_FILENO);
        const platform::ProcessEnd end = platform::RunProcess(
            {platform::ProgramPath(), "--gtest_filter=OddFilesChild.UsesItsFile"}, kTimeLimit, {}, code);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        for (const int fd : {out, err, log}) ::close(fd);
        Run run;
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ::unsetenv(kRootVariable);
        ::unsetenv(kFileVariable);
        run.ended = end == platform::ProcessEnd::kExited && code == 0;
        std::istringstream lines(Read(root + "/told.txt"));
        for (std::string line; std::getline(lines, line);) run.told.push_back(line);
        return run;
    }

    std::string base_;
};

TEST_F(OddFiles, EveryOwnFileRefusesEveryOddKind) {
    int number = 0;
    double slowest = 0;
    for (std::size_t f = 0; f < OwnFiles().size(); ++f) {
        const OwnFile& file = OwnFiles()[f];
        for (const OddKind& kind : kKinds) {
            SCOPED_TRACE(std::string(file.what) + ", " + kind.what);
            const std::string root = MakeCase(++number);
            const std::string path = root + "/" + file.place;
            std::string other;
            ASSERT_TRUE(Plant(kind.kind, root, path, other));
            // The other user listens on their FIFO, for whatever the program would send.
            int reader = -1;
            if (kind.kind == Kind::kOtherFifo) reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
            struct stat planted {};
            ASSERT_EQ(::lstat(path.c_str(), &planted), 0);

            const Run run = RunChild(root, static_cast<int>(f));
            slowest = std::max(slowest, run.seconds);
            EXPECT_TRUE(run.ended) << "hung or failed after " << run.seconds << " s";

            // Named with the reason, once: in the box of the step that met it, or in a box of
            // its own (the program's windows tell a reported file once).
            std::set<std::string> seen;
            bool named = false;
            for (const std::string& line : run.told) {
                seen.insert(line);
                named = named || line.find(path + (line.rfind("box\t", 0) == 0 ? "|" : "\t") + kind.reason) !=
                                     std::string::npos;
            }
            EXPECT_TRUE(named) << ::testing::PrintToString(run.told);
            EXPECT_EQ(seen.size(), 1u) << ::testing::PrintToString(run.told);

            // Nothing reached another user, nor went through the planted thing. (What is the
            // user's may be narrowed: the open narrows an environment's files to their owner.)
            struct stat after {};
            EXPECT_EQ(::lstat(path.c_str(), &after), 0);
            EXPECT_EQ(after.st_ino, planted.st_ino);
            EXPECT_EQ(after.st_uid, planted.st_uid);
            if (planted.st_uid == kOther) {
                EXPECT_EQ(after.st_mode, planted.st_mode);
            }
            if (reader >= 0) {
                char byte;
                EXPECT_LE(::read(reader, &byte, 1), 0) << "the other user read the user's data";
                ::close(reader);
            }
            if (kind.kind == Kind::kOtherFile) {
                EXPECT_EQ(Read(path), kTheirs);
            }
            if (!other.empty()) {
                EXPECT_EQ(Read(other), kMine);
            }
        }
    }
    std::printf("%d cases, the slowest refused in %.2f s\n", number, slowest);
}

// As the program's windows show it: the journal replaced by a link is told once, in the
// box of the step that met it; so is another user's lock file (held by them or not).
// The program itself, started by a user who is not root (nobody, with a home of their own)
// as a person starts it: what another user left in its per-user folders ends the start at
// once, naming the folder or file and why, and none of its files goes there. (Without a
// display the program says so on standard error.)
TEST_F(OddFiles, TheProgramsStartRefusesWhatAnotherUserLeftInItsFolders) {
    const std::string program = QUENDREL_PROGRAM;
    if (::access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "needs setpriv";
    const struct {
        const char* what;
        const char* reason;
        bool lockFifo;  // else: the settings folder is another user's
    } cases[] = {
        {"the settings folder made by another user", "他のユーザー（root）のフォルダのため使用できません", false},
        {"another user's FIFO as the program's lock, in the user's folder left open",
         "名前付きパイプ（FIFO）のため使用できません", true},
    };
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string home = base_ + "home" + std::to_string(++number);
        const std::string folder = home + "/.config/quendrel";
        fs::create_directories(folder);
        for (const std::string& f : {home, home + "/.config"}) ::chown(f.c_str(), kOther, kOther);
        std::string named = folder;
        if (c.lockFifo) {
            ::chown(folder.c_str(), kOther, kOther);
            ::chmod(folder.c_str(), 0777);
            named = folder + "/h_Varnis_PrevInstance.lock";
            // Not writable by the user: the open for writing fails, and a read-only open of a
            // FIFO waits for a writer unless it is made not to.
            ASSERT_EQ(::mkfifo(named.c_str(), 0644), 0);
        }
        const std::string log = home + ".log";
        std::fflush(stdout);
        const int out = ::dup(STDOUT_FILENO), err = ::dup(STDERR_FILENO);
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ::dup2(fd, STDOUT_FILENO);
        ::dup2(fd, STDERR_FILENO);
        int code = -1;
        const platform::ProcessEnd end = platform::RunProcess(
            {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "/usr/bin/env", "-i", "HOME=" + home,
             "PATH=/usr/bin:/bin", "LANG=C.UTF-8", "TZ=Asia/Tokyo", "QT_QPA_PLATFORM=offscreen", program},
            kTimeLimit, {}, code);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        for (const int f : {out, err, fd}) ::close(f);
        const std::string said = Read(log);
        EXPECT_EQ(end, platform::ProcessEnd::kExited) << said;
        EXPECT_NE(said.find("を起動できません"), std::string::npos) << said;
        EXPECT_NE(said.find(named + "\r\n" + c.reason), std::string::npos) << said;
        if (!c.lockFifo) {
            EXPECT_TRUE(fs::is_empty(folder)) << "a file of the program's went into another user's folder";
        }
    }
}

using mltest::Screenshots;

TEST_F(Screenshots, RefusedFilesAreNamedInTheOpensOneBox) {
    char folder[] = "/tmp/quendrel-odd-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string root = folder;
    ASSERT_EQ(shell::CreateNewEnvironment("顧客", root + "/", nullptr, nullptr, false), 0);
    ASSERT_EQ(::symlink((root + "/notes.txt").c_str(), (Env(root) + "DB/database.jnl").c_str()), 0);
    EXPECT_TRUE(ui::test::SaveMessageBoxScreenshot(QStringLiteral("refused_journal_link"),
                                                   [&] { EXPECT_FALSE(OpenEnvironment(root)); }));
    ::unlink((Env(root) + "DB/database.jnl").c_str());
    if (::geteuid() == 0) {
        const std::string lock = Env(root) + "Quendrel.lock";
        ASSERT_EQ(::chown(lock.c_str(), kOther, kOther), 0);
        EXPECT_TRUE(ui::test::SaveMessageBoxScreenshot(QStringLiteral("refused_lock_of_another_user"),
                                                       [&] { EXPECT_FALSE(OpenEnvironment(root)); }));
    }
    fs::remove_all(root);
}

}  // namespace
