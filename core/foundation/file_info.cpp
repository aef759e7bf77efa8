#include "core/foundation/file_info.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

#include "core/foundation/date_utils.h"
#include "platform/date_time.h"
#include "platform/module_path.h"
#include "platform/path.h"
#include "platform/version_info.h"

namespace {

enum class Which { created, modified };

bool FileTime(std::string_view path, Which which, std::time_t& when) {
    if (path.empty()) return false;
    const std::string fixed = platform::FixPath(path);
    struct statx sx {};
    if (::statx(AT_FDCWD, fixed.c_str(), 0, STATX_MTIME | STATX_BTIME, &sx) != 0) return false;
    if (which == Which::created && (sx.stx_mask & STATX_BTIME) != 0) {
        when = static_cast<std::time_t>(sx.stx_btime.tv_sec);
        return true;
    }
    if ((sx.stx_mask & STATX_MTIME) == 0) return false;
    when = static_cast<std::time_t>(sx.stx_mtime.tv_sec);
    return true;
}

int FileDate(std::string_view path, Which which, char* buffer) {
    std::time_t when = 0;
    if (!FileTime(path, which, when)) return 0;
    return Convert_COleDateTime2DateData(platform::DateTime(when), buffer);
}

int FileDate(std::string_view path, Which which, std::string& out) {
    char buffer[kDateTextBufferSize];
    if (!FileDate(path, which, buffer)) return 0;
    out = buffer;
    return 1;
}

int CopyVersion(std::string_view module, std::string_view name, char* output, std::size_t outputSize) {
    std::string value;
    if (!platform::LookupVersionString(module, name, value)) return 0;
    if (output == nullptr || value.size() + 1 > outputSize) return 0;
    std::memcpy(output, value.c_str(), value.size() + 1);
    return 1;
}

}  // namespace

int GetFileStat_CreateDate(std::string_view path, char* buffer) { return FileDate(path, Which::created, buffer); }
int GetFileStat_CreateDate(std::string_view path, std::string& out) { return FileDate(path, Which::created, out); }
int GetFileStat_LastRenewalDate(std::string_view path, char* buffer) {
    return FileDate(path, Which::modified, buffer);
}
int GetFileStat_LastRenewalDate(std::string_view path, std::string& out) {
    return FileDate(path, Which::modified, out);
}

int GetFileVerInfo(std::string_view file, std::string_view name, char* output, std::size_t outputSize) {
    return CopyVersion(file, name, output, outputSize);
}

int GetModuleFileVerInfo(std::string_view module, std::string_view name, char* output, std::size_t outputSize) {
    if (module.empty()) return CopyVersion(platform::ProgramPath(), name, output, outputSize);
    return CopyVersion(module, name, output, outputSize);
}
