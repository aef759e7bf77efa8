#include "app/htmledit/html_preview_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/private_files.h"

namespace htmledit {

namespace {

namespace fs = std::filesystem;

// Files older than this are not the program's own.
const fs::file_time_type kProgramStart = fs::file_time_type::clock::now();

constexpr int kMaxAttempts = 1000;

std::function<std::time_t()>& Clock() {
    static std::function<std::time_t()> clock;
    return clock;
}

std::time_t Now() { return Clock() ? Clock()() : std::time(nullptr); }

std::string Join(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

HtmlPreviewFile::~HtmlPreviewFile() { Delete(); }

void HtmlPreviewFile::SetClockForTesting(std::function<std::time_t()> clock) { Clock() = std::move(clock); }

int HtmlPreviewFile::MakeName(const std::string& shown) {
    if (folder_.empty()) return 0;
    const std::time_t now = Now();
    std::tm local{};
    localtime_r(&now, &local);
    // Seeded with the second, so rebuilds within one second number on from the same start.
    std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(now));
    const int r = static_cast<int>(generator() % 32768);
    for (int n = 1; n <= kMaxAttempts; ++n) {
        const int number = (r > INT_MAX - n) ? r : r + n;
        char name[64];
        std::snprintf(name, sizeof name, "~TMP_%04d%02d%02d%02d%02d%02d_%d.eml", local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, number);
        const std::string path = Join(folder_, name);
        if (path == shown) continue;
        const int fd = platform::OpenPrivateFile(path, O_WRONLY | O_CREAT | O_EXCL);
        if (fd >= 0) {
            ::close(fd);
            path_ = path;
            return 1;
        }
        if (errno != EEXIST) return 0;
    }
    return 0;
}

int HtmlPreviewFile::Write(std::string_view text, const std::string& shown) {
    if (path_.empty() && MakeName(shown) == 0) return 0;
    // Opened as it was made: a link put in its place since is not written through.
    const int fd = platform::OpenPrivateFile(path_, O_WRONLY | O_TRUNC);
    if (fd < 0) return 0;
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        ::close(fd);
        return 0;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return (std::fclose(file) == 0 && written) ? 1 : 0;
}

int HtmlPreviewFile::Delete() {
    if (path_.empty()) return 0;
    std::error_code ec;
    const bool removed = fs::remove(path_, ec);
    // Forgotten either way: the next file takes a new name.
    path_.clear();
    return (removed && !ec) ? 1 : 0;
}

bool HtmlPreviewFile::IsPreviewFileName(std::string_view name) {
    constexpr std::string_view kHead = "~TMP_";
    constexpr std::string_view kTail = ".eml";
    if (name.size() < kHead.size() + 14 + 2 + kTail.size()) return false;
    if (name.substr(0, kHead.size()) != kHead || name.substr(name.size() - kTail.size()) != kTail) return false;
    name = name.substr(kHead.size(), name.size() - kHead.size() - kTail.size());
    return AllDigits(name.substr(0, 14)) && name[14] == '_' && AllDigits(name.substr(15));
}

int HtmlPreviewFile::SweepLeftovers(const std::string& folder) {
    if (folder.empty()) return 0;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) return 0;
    int removed = 0;
    for (const fs::directory_entry& entry : it) {
        if (!IsPreviewFileName(entry.path().filename().native())) continue;
        std::error_code fileEc;
        if (!entry.is_regular_file(fileEc) || fileEc) continue;
        const fs::file_time_type written = entry.last_write_time(fileEc);
        if (fileEc || written >= kProgramStart) continue;
        if (fs::remove(entry.path(), fileEc) && !fileEc) ++removed;
    }
    return removed;
}

}  // namespace htmledit
