#include "core/addressbook/file_history.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/foundation/directory_utils.h"
#include "platform/path.h"
#include "platform/safe_write.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

std::string Numbered(const std::string& folder, const std::string& prefix, const std::string& title, int n) {
    char number[16];
    std::snprintf(number, sizeof number, ".%03d", n);
    return platform::JoinPath(folder, prefix + title + number);
}

// Copies `from` to `to` through a safe write flushed to the disk: `to` either holds the
// whole copy or is as it was. The kernel copies the bytes where it can (an address book of
// a million records is some hundreds of megabytes); otherwise they pass through a buffer.
bool CopyWhole(const std::string& from, const std::string& to) {
    std::unique_ptr<FILE, int (*)(FILE*)> in(platform::OpenPrivateStream(from), &std::fclose);
    if (!in) return false;
    platform::AtomicFile out;
    if (!out.Open(to)) return false;
    const int inFd = ::fileno(in.get());
    const int outFd = ::fileno(out.stream());
    bool kernelCopy = true;
    for (;;) {
        const ssize_t n = ::copy_file_range(inFd, nullptr, outFd, nullptr, std::size_t{1} << 30, 0);
        if (n > 0) continue;
        if (n == 0) break;
        if (errno == EINTR) continue;
        // Not offered between these files: nothing has been copied yet, so start over plainly.
        if ((errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) &&
            ::lseek(inFd, 0, SEEK_CUR) == 0 && ::lseek(outFd, 0, SEEK_CUR) == 0) {
            kernelCopy = false;
            break;
        }
        return false;
    }
    if (!kernelCopy) {
        std::vector<char> buffer(1 << 20);
        std::size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0)
            if (!out.Write(std::string_view(buffer.data(), n))) return false;
        if (std::ferror(in.get())) return false;
    }
    return out.Commit(true);
}

bool Rename(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

}  // namespace

CFileHistory::CFileHistory() { SetTargetFileName(std::string()); }

int CFileHistory::SetHistoryNum(int number) {
    if (number < 0) return -1;
    historyNum_ = number;
    return 0;
}

int CFileHistory::SetTargetFileName(const std::string& path) {
    if (path.size() > kMaxPathLength) return -2;
    const std::string fixed = platform::FixPath(path);
    if (fixed.empty() || !platform::IsRegularFile(fixed)) return -1;
    targetFileName_ = fixed;
    return 0;
}

int CFileHistory::SetSaveDirPath(const std::string& path, int create) {
    if (path.size() > kMaxPathLength) return -2;
    const std::string fixed = platform::FixPath(path);
    if (fixed.empty()) return -1;
    if (platform::PathExists(fixed)) {
        // A file of that name cannot hold generations.
        if (!platform::IsDirectory(fixed)) return -1;
    } else {
        if (create == 0) return -1;
        if (MakeDirectoryCompel(fixed) != 0) return -3;
    }
    saveDirPath_ = fixed;
    return 0;
}

std::string CFileHistory::Title() const { return platform::SplitPath(targetFileName_).title; }

std::string CFileHistory::GenerationPath(int n) const { return Numbered(saveDirPath_, "", Title(), n); }

std::string CFileHistory::ShiftPath(int n) const { return Numbered(saveDirPath_, "_", Title(), n); }

void CFileHistory::SettleOldLeftovers() const {
    const std::string prefix = "_" + Title() + ".";
    std::error_code ec;
    std::vector<std::pair<int, std::filesystem::path>> found;
    for (std::filesystem::directory_iterator it(saveDirPath_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0 || it->is_directory(ec)) continue;
        const std::string number = name.substr(prefix.size());
        int n = 0;
        if (number.size() == 3 && std::isdigit(static_cast<unsigned char>(number[0])) &&
            std::isdigit(static_cast<unsigned char>(number[1])) && std::isdigit(static_cast<unsigned char>(number[2])))
            n = std::atoi(number.c_str());
        if (n >= 1) found.emplace_back(n, it->path());
    }
    for (const auto& [n, path] : found) {
        const std::string home = GenerationPath(n);
        if (n <= historyNum_ && !platform::PathExists(home)) {
            Rename(path.string(), home);
        } else {
            std::filesystem::remove(path, ec);  // failures are left for the next run
        }
    }
}

bool CFileHistory::ShiftAndPlace() const {
    const int n = historyNum_;
    int free = n;  // the highest free number; with none free the oldest is replaced
    while (free >= 1 && platform::PathExists(GenerationPath(free))) --free;
    if (free < 1) free = n;
    for (int g = free - 1; g >= 1; --g) {
        const std::string from = GenerationPath(g);
        if (!platform::PathExists(from)) continue;
        platform::TestStep("generation-shift");
        // Stopped here, nothing is overwritten: the next rotation goes on from this gap.
        if (!Rename(from, GenerationPath(g + 1))) return false;
    }
    platform::TestStep("generation-place");
    return Rename(ShiftPath(0), GenerationPath(1));  // on failure the copy stays staged
}

int CFileHistory::FinishInterruptedCopy() {
    if (targetFileName_.empty() || saveDirPath_.empty()) return -1;
    const std::string staged = ShiftPath(0);
    platform::RemoveStaleTemporaries(staged);
    SettleOldLeftovers();
    if (!platform::PathExists(staged)) return 0;
    // A free number below a generation means the shift had begun: finish it.
    bool begun = false;
    bool above = false;
    for (int g = historyNum_; g >= 1 && !begun; --g) {
        const bool present = platform::PathExists(GenerationPath(g));
        begun = above && !present;
        above = above || present;
    }
    if (!begun) {
        std::error_code ec;
        std::filesystem::remove(staged, ec);
        return 0;
    }
    return ShiftAndPlace() ? 0 : -2;
}

int CFileHistory::ExecuteCopy() {
    if (targetFileName_.empty() || saveDirPath_.empty()) return -1;
    const int finished = FinishInterruptedCopy();
    if (historyNum_ <= 0) return 0;
    if (!CopyWhole(targetFileName_, ShiftPath(0))) return -1;
    if (!ShiftAndPlace()) return -2;
    return finished == 0 ? 0 : -2;
}
