#include "platform/path.h"

#include <sys/stat.h>

namespace platform {

std::string FixPath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == '\\') c = '/';
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out.push_back(c);
    }
    return out;
}

PathParts SplitPath(std::string_view path) {
    PathParts p;
    std::string fixed = FixPath(path);
    std::string_view v(fixed);
    if (!v.empty() && v.front() == '/') {
        p.root.assign(1, '/');  // (gcc 12 warns falsely on assigning a literal here)
        v.remove_prefix(1);
    }
    const size_t slash = v.rfind('/');
    std::string_view name = v;
    if (slash != std::string_view::npos) {
        p.dir = std::string(v.substr(0, slash + 1));
        name = v.substr(slash + 1);
    }
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot != 0) {
        p.title = std::string(name.substr(0, dot));
        p.ext = std::string(name.substr(dot));
    } else {
        p.title = std::string(name);
    }
    return p;
}

std::string FolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string FileNameOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string JoinPath(std::string_view a, std::string_view b) {
    std::string out(a);
    if (!out.empty() && out.back() != '/') out.push_back('/');
    while (!b.empty() && b.front() == '/' && !out.empty()) b.remove_prefix(1);
    out.append(b);
    return out;
}

bool PathExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace platform
