#include "app/environment/new_environment.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "app/environment/environment_lock.h"
#include "app/environment/environment_service.h"
#include "app/environment/program_keys.h"
#include "core/foundation/cp932.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "core/foundation/system_option.h"
#include "platform/file_lock.h"
#include "platform/module_path.h"
#include "platform/path.h"
#include "platform/safe_write.h"

namespace shell {
namespace {

bool IsBadNameByte(char c) {
    // NUL cannot be part of a file name at all.
    return std::string_view("\\/:*<>|.", 8).find(c) != std::string_view::npos || c == '\0';
}

std::string EnvironmentFolder(const std::string& name, const std::string& parent) {
    return platform::FixPath(parent + "/" + name);
}

std::string DescriptorOf(const std::string& name, const std::string& parent) {
    return platform::FixPath(parent + "/" + name + ".env");
}

bool IsNonEmptyFile(const std::string& path) {
    std::string bytes;
    return platform::IsRegularFile(path) && platform::ReadWholeFile(path, bytes) && !bytes.empty();
}

bool MakeFolder(const std::string& folder) {
    return CheckDirectory(folder) == 0 || MakeDirectoryCompel(folder) == 0;
}

// A store's empty record file and its ID sequence holding "0".
bool MakeStoreFiles(const std::string& folder, const std::string& records, const std::string& sequence) {
    return MakeFolder(folder) && platform::WriteFileAtomically(records, "", true) &&
           platform::WriteFileAtomically(sequence, "0", true);
}

int SetStartupPassword(EnvManager& env, const char* flag, const char* password) {
    if (flag == nullptr || password == nullptr) return env.SetUseEnvPasswordFlag("");
    const std::string_view f(flag);
    if (f == "Y") {
        if (env.SetUseEnvPasswordFlag("Y") < 0) return -1;
        return env.SetEnvPassword(password);
    }
    if (f == "N") {
        if (env.SetUseEnvPasswordFlag("N") < 0) return -1;
        return env.SetEnvPassword("");
    }
    return 0;
}

}  // namespace

int CheckNewEnvironmentName(const std::string& name, const std::string& parent) {
    if (name.empty() || name.back() == ' ') return -4;
    for (char c : name)
        if (IsBadNameByte(c)) return -4;
    if (CheckDirectoryName(parent) == 0) return -3;
    if (platform::PathExists(DescriptorOf(name, parent)) || platform::IsDirectory(EnvironmentFolder(name, parent)))
        return -5;
    if (CheckDirectory(parent) != 0) return -1;
    return 0;
}

std::vector<std::string> DefaultSystemOptions(bool importMode) {
    // Ranges of options with the same default; the rest are empty. The attribute names
    // (14-33) and option 111 follow below.
    static constexpr struct {
        int from, to;
        const char* value;
    } kDefaults[] = {
        {2, 2, "110"},   {3, 3, "0"},     {6, 6, "Y"},     {7, 7, "N"},     {9, 9, "25"},    {11, 13, "N"},
        {34, 53, "0"},   {54, 54, "N"},   {56, 56, "Y"},   {58, 58, "110"}, {59, 59, "0"},   {62, 62, "Y"},
        {63, 63, "N"},   {64, 64, "Y"},   {65, 65, "3"},   {66, 66, "60"},  {67, 67, "N"},   {68, 68, "Y"},
        {69, 69, "N"},   {73, 74, "Y"},   {75, 75, "N"},   {76, 79, "0"},   {81, 81, "N"},   {85, 85, "N"},
        {86, 87, "0"},   {88, 88, "N"},   {89, 89, "Y5"},  {90, 93, "N"},   {96, 96, "N"},   {97, 97, "10"},
        {100, 100, "Y"}, {101, 101, "N"}, {103, 103, "10"}, {106, 107, "N"}, {109, 109, "1"}, {110, 110, "0"},
        {112, 112, "Y"}, {120, 120, "N"},
    };
    std::vector<std::string> o(SystemOption::kItemCount);
    for (const auto& d : kDefaults)
        for (int i = d.from; i <= d.to; ++i) o[static_cast<std::size_t>(i)] = std::string(d.value);
    const std::string& attribute = SjisLiteral("拡張属性");
    for (int i = 0; i < 20; ++i) o[static_cast<std::size_t>(14 + i)] = attribute + static_cast<char>('A' + i);
    o[111] = std::string(importMode ? "Y" : "N");
    return o;
}

int WriteDefaultSystemOptions(const std::string& path, const std::string& dataKey, bool importMode,
                              std::string& message) {
    XCsvWrite writer;
    if (!dataKey.empty()) writer.SetUseKey(dataKey);
    if (writer.OpenFile(path, WriteMode::kSafeSync) != 1) {
        message = "ファイルのオープンに失敗しました";
        return -1;
    }
    for (const std::string& item : DefaultSystemOptions(importMode)) writer.SetData(std::string_view(item));
    if (writer.WriteLine() <= 0 || writer.CloseFile() != 0) {
        writer.AbortFile();
        message = "ファイルの書き出しに失敗しました";
        return -2;
    }
    return 0;
}

std::string DefaultEnvironmentParent() {
    const std::string program = platform::ProgramFolder();
    if (::faccessat(AT_FDCWD, program.c_str(), W_OK, AT_EACCESS) == 0) return program + "DATA";
    std::string user = platform::UserProgramFolder("XDG_DATA_HOME", ".local/share");
    if (user.empty()) return program + "DATA";
    user.pop_back();
    return user;
}

int CreateNewEnvironment(const std::string& name, const std::string& parent, const char* passwordFlag,
                         const char* password, bool importMode, CreateFailure* failure) {
    const std::string folder = EnvironmentFolder(name, parent);
    const std::string descriptor = DescriptorOf(name, parent);
    // What is being made now, so that a failure says where and why.
    std::string making = folder;
    const auto begin = [&making](const std::string& path) {
        making = path;
        errno = 0;
    };
    const auto failed = [&making, failure](int error) {
        if (failure != nullptr) *failure = CreateFailure{making, error};
        return -1;
    };
    // Over the open environment the empty files below would replace its data under its
    // live managers; over another environment's descriptor its data key would be lost.
    if (EnvironmentService* open = ProgramEnvironment(); open != nullptr && open->IsOpenEnvironmentFolder(folder))
        return failed(EEXIST);
    begin(descriptor);
    if (IsNonEmptyFile(descriptor)) return failed(EEXIST);

    begin(folder);
    if (!MakeFolder(folder)) return failed(errno);
    // Made as it is opened: by one writer, while no other program has it open.
    begin(EnvironmentLockPath(descriptor));
    platform::FileLock lock;
    switch (lock.Lock(making)) {
    case platform::FileLock::Result::kLocked: break;
    case platform::FileLock::Result::kBusy:
        failed(EBUSY);
        return -2;
    case platform::FileLock::Result::kRefused:
    case platform::FileLock::Result::kFailed: return failed(errno);
    }
    begin(descriptor);
    if (EnvManager::MakeDefaultEnvFile(descriptor, kDescriptorKey) != 0) return failed(errno);
    // A descriptor of its own: the open environment's stays as it is.
    EnvManager env;
    if (env.InitEnvFileInfo(descriptor, kDescriptorKey, 0) < 0) return failed(errno);
    if (SetStartupPassword(env, passwordFlag, password) < 0) return failed(errno);
    StoreKey key;
    if (GetStoreKey(&env, key) != 0) return failed(errno);

    begin(env_layout::EnvFolder(env));
    if (!MakeFolder(making)) return failed(errno);
    begin(env_layout::SystemOptionFile(env));
    std::string message;
    if (WriteDefaultSystemOptions(making, key.keyed ? key.text : std::string(), importMode, message) != 0)
        return failed(errno);
    const std::string stores[][3] = {
        {env_layout::DbFolder(env), env_layout::DatabaseFile(env), env_layout::CustomerSeqFile(env)},
        {env_layout::MailFolder(env), env_layout::MailListFile(env), env_layout::MailSeqFile(env)},
        {env_layout::ExtractFolder(env), env_layout::ExtractListFile(env), env_layout::ExtractSeqFile(env)},
    };
    for (const auto& store : stores) {
        begin(store[0]);
        if (!MakeStoreFiles(store[0], store[1], store[2])) return failed(errno);
    }
    return 0;
}

}  // namespace shell
