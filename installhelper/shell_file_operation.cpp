#include "installhelper/shell_file_operation.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <strings.h>
#include <vector>

#include "installhelper/file_transfer.h"
#include "installhelper/name_list.h"

namespace tarbolt {

namespace fs = std::filesystem;

namespace {

constexpr std::uint16_t kMultiDestFiles = 0x0001;
constexpr std::uint16_t kRenameOnCollision = 0x0008;
constexpr std::uint16_t kFilesOnly = 0x0080;

struct Job {
    fs::path source;
    fs::path target;
};

std::string TrimSlashes(std::string name) {
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    return name;
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// Is `p` a folder: as the entry itself (`asEntry`, a link is no folder) or through links.
bool IsFolder(const fs::path& p, bool asEntry) {
    std::error_code ec;
    return fs::is_directory(asEntry ? fs::symlink_status(p, ec) : fs::status(p, ec));
}

// The sources one list name stands for: the name itself, or a wildcard's matches in name
// order (ASCII case ignored, then bytes).
FileOpStatus Expand(const std::string& given, bool filesOnly, bool& wildcard, std::vector<fs::path>& out) {
    const std::string name = TrimSlashes(given);
    if (name.empty()) return FileOpStatus::kBadRequest;
    const fs::path path(name);
    const std::string leaf = path.filename().string();
    wildcard = HasWildcard(leaf);
    if (!wildcard) {
        if (name == "/" || leaf == "." || leaf == "..") return FileOpStatus::kBadRequest;
        if (!Exists(path)) return FileOpStatus::kSourceMissing;
        out.push_back(path);
        return FileOpStatus::kOk;
    }
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return FileOpStatus::kSourceMissing;
    std::vector<std::string> matches;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (!MatchesWildcard(leaf, entry)) continue;
        std::error_code typeError;
        if (filesOnly && it->is_directory(typeError)) continue;
        matches.push_back(std::move(entry));
    }
    if (ec) return FileOpStatus::kFailed;
    std::sort(matches.begin(), matches.end(), [](const std::string& a, const std::string& b) {
        const int folded = ::strcasecmp(a.c_str(), b.c_str());
        return folded != 0 ? folded < 0 : a < b;
    });
    for (const std::string& m : matches) out.push_back(path.has_parent_path() ? folder / m : fs::path(m));
    return FileOpStatus::kOk;
}

// "name (2).ext", "name (3).ext", ...: the first that neither exists nor is already planned.
fs::path FreeName(const fs::path& taken, const std::set<fs::path>& planned) {
    const std::string stem = taken.stem().string();
    const std::string extension = taken.extension().string();
    for (int n = 2;; ++n) {
        fs::path candidate = taken.parent_path() / (stem + " (" + std::to_string(n) + ")" + extension);
        if (!Exists(candidate) && planned.count(candidate) == 0) return candidate;
    }
}

// The copy or move jobs of the request, every check made; nothing is changed here.
FileOpStatus PlanTransfers(const std::vector<std::string>& from, const std::vector<std::string>& to,
                           std::uint16_t flags, bool move, std::vector<Job>& jobs) {
    const bool multi = (flags & kMultiDestFiles) != 0;
    if (from.empty() || (multi ? to.size() != from.size() : to.size() != 1)) return FileOpStatus::kBadRequest;

    std::vector<std::vector<fs::path>> sources(from.size());
    std::vector<bool> wildcard(from.size());
    for (std::size_t i = 0; i < from.size(); ++i) {
        bool w = false;
        const FileOpStatus status = Expand(from[i], (flags & kFilesOnly) != 0, w, sources[i]);
        if (status != FileOpStatus::kOk) return status;
        wildcard[i] = w;
    }

    std::set<fs::path> planned;
    for (std::size_t i = 0; i < from.size(); ++i) {
        const std::string& given = multi ? to[i] : to[0];
        if (given.empty() || HasWildcard(given)) return FileOpStatus::kBadRequest;
        const fs::path target = TrimSlashes(given);
        const bool into = given.back() == '/' || IsFolder(target, false) || wildcard[i] || (!multi && from.size() > 1);
        if (into && Exists(target) && !IsFolder(target, false)) return FileOpStatus::kWrongType;
        for (const fs::path& source : sources[i]) {
            fs::path destination = into ? target / source.filename() : target;
            const bool sourceIsFolder = IsFolder(source, move);
            if (sourceIsFolder && IsSameOrInside(destination, source)) return FileOpStatus::kIntoItself;
            if (Exists(destination)) {
                std::error_code ec;
                const bool same = fs::equivalent(source, destination, ec);
                if (flags & kRenameOnCollision) {
                    destination = FreeName(destination, planned);
                } else if (same) {
                    return FileOpStatus::kSameFile;
                } else if (IsFolder(destination, move) != sourceIsFolder) {
                    return FileOpStatus::kWrongType;
                }
            }
            planned.insert(destination);
            jobs.push_back({source, destination});
        }
    }
    return FileOpStatus::kOk;
}

bool MakeParent(const fs::path& path) {
    if (!path.has_parent_path()) return true;
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    return !ec;
}

FileOpStatus Transfer(const std::vector<std::string>& from, const std::vector<std::string>& to, std::uint16_t flags,
                      bool move) {
    std::vector<Job> jobs;
    const FileOpStatus status = PlanTransfers(from, to, flags, move, jobs);
    if (status != FileOpStatus::kOk) return status;
    for (const Job& job : jobs) {
        bool done = MakeParent(job.target);
        if (done && move) done = MoveEntry(job.source, job.target);
        else if (done && IsFolder(job.source, false)) done = CopyTree(job.source, job.target);
        else if (done) done = CopyFileReplacing(job.source, job.target);
        if (!done) return FileOpStatus::kFailed;
    }
    return FileOpStatus::kOk;
}

FileOpStatus Delete(const std::vector<std::string>& from, std::uint16_t flags) {
    if (from.empty()) return FileOpStatus::kBadRequest;
    std::vector<fs::path> victims;
    for (const std::string& name : from) {
        bool wildcard = false;
        const FileOpStatus status = Expand(name, (flags & kFilesOnly) != 0, wildcard, victims);
        if (status != FileOpStatus::kOk) return status;
    }
    for (const fs::path& victim : victims) {
        // A name inside a folder deleted before it is already gone; remove_all is content.
        std::error_code ec;
        fs::remove_all(victim, ec);
        if (ec) return FileOpStatus::kFailed;
    }
    return FileOpStatus::kOk;
}

FileOpStatus RenameOne(const std::vector<std::string>& from, const std::vector<std::string>& to) {
    if (from.size() != 1 || to.size() != 1) return FileOpStatus::kBadRequest;
    std::vector<fs::path> source;
    bool wildcard = false;
    const FileOpStatus status = Expand(from[0], false, wildcard, source);
    if (status != FileOpStatus::kOk) return status;
    const std::string target = TrimSlashes(to[0]);
    if (wildcard || target.empty() || HasWildcard(target)) return FileOpStatus::kBadRequest;
    if (Exists(target)) {
        std::error_code ec;
        return fs::equivalent(source[0], target, ec) ? FileOpStatus::kSameFile : FileOpStatus::kTargetExists;
    }
    bool crossDevice = false;
    return Rename(source[0], target, false, crossDevice) ? FileOpStatus::kOk : FileOpStatus::kFailed;
}

}  // namespace

FileOpStatus ShellFileOperation(ShellFileOpRecord& record) {
    record.anyOperationsAborted = 0;
    FileOpStatus status = FileOpStatus::kBadRequest;
    try {
        const std::vector<std::string> from = SplitNameList(record.from);
        const std::vector<std::string> to = SplitNameList(record.to);
        switch (record.operation) {
            case FileOp::kCopy: status = Transfer(from, to, record.flags, false); break;
            case FileOp::kMove: status = Transfer(from, to, record.flags, true); break;
            case FileOp::kDelete: status = Delete(from, record.flags); break;
            case FileOp::kRename: status = RenameOne(from, to); break;
        }
    } catch (...) {
        status = FileOpStatus::kFailed;
    }
    if (status == FileOpStatus::kFailed) record.anyOperationsAborted = 1;
    return status;
}

}  // namespace tarbolt
