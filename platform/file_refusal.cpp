#include "platform/file_refusal.h"

#include <pwd.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <mutex>

namespace platform {
namespace {

std::mutex g_reporterMutex;
RefusalReporter g_reporter;
thread_local HeldRefusals* t_innermost = nullptr;

// The owner's login name, or "uid <n>" when the system knows none.
std::string OwnerName(uid_t uid) {
    struct passwd pw;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &pw, buffer, sizeof buffer, &found) == 0 && found != nullptr && pw.pw_name != nullptr &&
        pw.pw_name[0] != '\0')
        return pw.pw_name;
    return "uid " + std::to_string(uid);
}

const char* KindText(mode_t type) {
    switch (type & S_IFMT) {
    case S_IFIFO: return "名前付きパイプ（FIFO）";
    case S_IFSOCK: return "ソケット";
    case S_IFCHR:
    case S_IFBLK: return "デバイスファイル";
    case S_IFDIR: return "フォルダ";
    case S_IFLNK: return "シンボリックリンク";
    case S_IFREG: return "ファイル";
    default: return "通常のファイルではないもの";
    }
}

void Report(const RefusedFile& refused) {
    RefusalReporter reporter;
    {
        std::lock_guard<std::mutex> lock(g_reporterMutex);
        reporter = g_reporter;
    }
    if (reporter) reporter(refused);
    else std::fprintf(stderr, "%s\n", refused.Text().c_str());
}

// One refusal per path: a store that meets the same file twice in one step names it once.
void Keep(std::vector<RefusedFile>& held, const RefusedFile& refused) {
    const bool known = std::any_of(held.begin(), held.end(), [&](const RefusedFile& r) { return r.path == refused.path; });
    if (!known) held.push_back(refused);
}

}  // namespace

std::string RefusedFile::Reason() const {
    switch (why) {
    case Refusal::kLink: return "シンボリックリンクのため使用できません";
    case Refusal::kNotAFile: return std::string(KindText(type)) + "のため使用できません";
    case Refusal::kNotAFolder: return std::string(KindText(type)) + "のためフォルダとして使用できません";
    case Refusal::kNotTheUsers:
        return "他のユーザー（" + OwnerName(owner) + "）の" + ((type & S_IFMT) == S_IFDIR ? "フォルダ" : "ファイル") +
               "のため使用できません";
    case Refusal::kMoreNames: return "ほかの場所にも名前（ハードリンク）があるため使用できません";
    }
    return "使用できません";
}

std::string RefusedFile::Text() const { return path + "\r\n" + Reason(); }

int RefusalErrno(const RefusedFile& refused) {
    switch (refused.why) {
    case Refusal::kLink: return ELOOP;
    case Refusal::kNotAFile: return (refused.type & S_IFMT) == S_IFDIR ? EISDIR : ENXIO;
    case Refusal::kNotAFolder: return ENOTDIR;
    case Refusal::kNotTheUsers:
    case Refusal::kMoreNames: return EPERM;
    }
    return EPERM;
}

void Refuse(const RefusedFile& refused) {
    if (HeldRefusals* scope = t_innermost) Keep(scope->held_, refused);
    else Report(refused);
    errno = RefusalErrno(refused);
}

RefusalReporter SetRefusalReporter(RefusalReporter reporter) {
    std::lock_guard<std::mutex> lock(g_reporterMutex);
    RefusalReporter previous = std::move(g_reporter);
    g_reporter = std::move(reporter);
    return previous;
}

HeldRefusals::HeldRefusals() : outer_(t_innermost) { t_innermost = this; }

HeldRefusals::~HeldRefusals() {
    // Scopes end in the reverse order of their making on one thread.
    t_innermost = outer_;
    const int saved = errno;
    for (const RefusedFile& refused : held_) {
        if (outer_ != nullptr) Keep(outer_->held_, refused);
        else Report(refused);
    }
    errno = saved;
}

std::vector<RefusedFile> HeldRefusals::Take() {
    std::vector<RefusedFile> taken;
    taken.swap(held_);
    return taken;
}

std::string HeldRefusals::TakeText() {
    std::string text;
    for (const RefusedFile& refused : Take()) {
        if (!text.empty()) text += "\r\n";
        text += refused.Text();
    }
    return text;
}

}  // namespace platform
