#include "core/foundation/log_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <fcntl.h>
#include <unistd.h>

#include "core/foundation/ombrel_module.h"
#include "platform/date_time.h"
#include "platform/module_path.h"
#include "platform/path.h"
#include "platform/private_files.h"

namespace {

// Serialises every write to the log files of this process.
std::mutex g_writeMutex;

std::mutex g_folderMutex;
std::string g_folderForTesting;

const std::string kEqualsRule = std::string(79, '=') + "\r\n";
const std::string kDashRule = std::string(79, '-') + "\r\n";

// Writes all of `bytes` to `fd`.
bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Opens the log file at `path` for appending and makes sure that its first line is
// `date`: a file begun on another day (or a new one) is begun afresh with that line. -1
// when the file cannot be opened or begun.
int OpenForDay(const std::string& path, const std::string& date) {
    // The log names every address the clients talked about: the user's alone.
    const int fd = platform::OpenPrivateFile(path, O_RDWR | O_CREAT | O_APPEND);
    if (fd < 0) return -1;
    char head[10];
    const ssize_t got = ::pread(fd, head, sizeof head, 0);
    if (got != static_cast<ssize_t>(sizeof head) || std::memcmp(head, date.data(), sizeof head) != 0) {
        if (::ftruncate(fd, 0) != 0 || !WriteAll(fd, date + "\r\n")) {
            ::close(fd);
            return -1;
        }
    }
    return fd;
}

// Keeps the last kMaxBufferedBytes of `text`, starting at a line start where possible.
void BoundBuffer(std::string& text) {
    if (text.size() <= LogWriter::kMaxBufferedBytes) return;
    const size_t cut = text.size() - LogWriter::kMaxBufferedBytes;
    const size_t eol = text.find("\r\n", cut - 1);
    text.erase(0, eol == std::string::npos ? cut : eol + 2);
}

}  // namespace

std::string TransferLogFolder() {
    {
        std::lock_guard<std::mutex> lock(g_folderMutex);
        if (!g_folderForTesting.empty()) return g_folderForTesting;
    }
    return TransferLogFolderFor(OmbrelModuleFolder());
}


std::string TransferLogFolderFor(const std::string& preferred) {
    // An installed library's folder is not writable by its users: the per-user state folder.
    return platform::UserWritableFolder(preferred, "XDG_STATE_HOME", ".local/state");
}

void LogWriter::SetLogFolderForTesting(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_folderMutex);
    g_folderForTesting = folder;
}

LogWriter::LogWriter() { Init(); }

LogWriter::LogWriter(const LogWriter& other)
    : m_logFilePath(other.m_logFilePath), m_dayDigit(other.m_dayDigit), m_text(other.m_text),
      m_title(other.m_title) {}

LogWriter& LogWriter::operator=(const LogWriter& other) {
    if (this != &other) {
        Flush();
        CloseFile();
        m_logFilePath = other.m_logFilePath;
        m_dayDigit = other.m_dayDigit;
        m_text = other.m_text;
        m_title = other.m_title;
    }
    return *this;
}

LogWriter::~LogWriter() {
    Flush();
    CloseFile();
}

void LogWriter::Init() {
    Flush();
    CloseFile();
    m_logFilePath.clear();
    m_dayDigit = -1;
    m_text.clear();
    m_title.clear();
}

void LogWriter::CloseFile() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_fdPath.clear();
    m_fdDate.clear();
}

const LogWriter::Clock& LogWriter::LocalNow() {
    const std::time_t now = platform::Now();
    if (now != m_clock.second) {
        const std::tm tm = platform::LocalTime(now);
        std::snprintf(m_clock.stamp, sizeof m_clock.stamp, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
        std::snprintf(m_clock.date, sizeof m_clock.date, "%04d/%02d/%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                      tm.tm_mday);
        m_clock.day = tm.tm_mday;
        m_clock.second = now;
    }
    return m_clock;
}

void LogWriter::SetLogFilePath(const std::string& path) { m_logFilePath = path; }

void LogWriter::SetLogTitle(const std::string& title) { m_title = title; }

void LogWriter::ClearLogBuffer() { m_text.clear(); }

int LogWriter::CreateCyclicLogFilePath(int digit) {
    if (digit < 0 || digit > 9) return 0;
    m_dayDigit = digit;
    const std::string folder = TransferLogFolder();
    // No folder (a refused one): no log, rather than one in whatever folder is current.
    m_logFilePath = folder.empty() ? std::string()
                                   : platform::FixPath(folder + "VarnisTransfer" + std::to_string(digit) + ".log");
    return 1;
}

void LogWriter::Collect(const std::string& text, int withTime, int withRule) {
    if (!m_title.empty()) {
        // The title opens the entry that follows it.
        m_text += kEqualsRule;
        m_text += m_title;
        m_text += "\r\n";
        m_text += kEqualsRule;
        m_title.clear();
    }
    if (withTime != 0) m_text += LocalNow().stamp;
    m_text += text;
    if (m_text.size() < 2 || m_text.compare(m_text.size() - 2, 2, "\r\n") != 0) m_text += "\r\n";
    if (withRule != 0) m_text += kDashRule;
}

void LogWriter::AddLogData(const std::string& text, int withTime) {
    Collect(text, withTime, 0);
    if (m_text.size() >= kBatchBytes) WriteToFile();
}

void LogWriter::SetLogData(const std::string& text, int withTime, int withRule) {
    Collect(text, withTime, withRule);
    WriteToFile();
}

void LogWriter::WriteToFile() {
    Flush();
    BoundBuffer(m_text);
}

bool LogWriter::Flush() {
    if (m_text.empty()) return true;
    const Clock& clock = LocalNow();
    const std::string date = clock.date;
    const int digit = clock.day % 10;
    if (m_logFilePath.empty() || digit != m_dayDigit) CreateCyclicLogFilePath(digit);

    bool written;
    {
        std::lock_guard<std::mutex> lock(g_writeMutex);
        // Another day, or another file: the date line is checked again on opening. (Other
        // writers may have begun the file afresh meanwhile; appending follows them.)
        if (m_fd >= 0 && (m_fdPath != m_logFilePath || m_fdDate != date)) CloseFile();
        if (m_fd < 0) {
            m_fd = OpenForDay(m_logFilePath, date);
            if (m_fd >= 0) {
                m_fdPath = m_logFilePath;
                m_fdDate = date;
            }
        }
        written = m_fd >= 0 && WriteAll(m_fd, m_text);
        if (!written) CloseFile();  // opened again on the next write
    }
    if (written) m_text.clear();
    return written;
}
