#include "core/mailstore/attach_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <unordered_set>

#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/sjis_bytes.h"
#include "core/foundation/store_key.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/mail_update.h"
#include "platform/path.h"
#include "platform/safe_write.h"

namespace {

constexpr int kListElements = 2;
constexpr int kBase64Line = 76;
bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace

AttachWriter::AttachWriter() { SetElementNumber(kListElements); }

AttachWriter::~AttachWriter() {
    if (deleteInTemp_ == 0) return;
    for (const std::string& path : decoded_) RemoveFile(path);
}

int AttachWriter::SetEnvManager(EnvManager* env) {
    if (env == nullptr || env_ != nullptr) return 0;
    env_ = env;
    return 1;
}

int AttachWriter::SetVersion(int version) {
    if (version != 3 && version != 4 && version != 5) return 0;
    version_ = version;
    return 1;
}

int AttachWriter::SetMailID(long id) {
    if (id < -1) return 0;
    mailID_ = id;
    if (id == -1) DeleteAllString();
    return 1;
}

int AttachWriter::SetTermType(int termType) {
    if (termType < 0 || termType > 4) return 0;
    termType_ = termType;
    return 1;
}

int AttachWriter::SetFlagForDeleteFileInTemp(int flag) {
    deleteInTemp_ = flag;
    return 1;
}

bool AttachWriter::IsSafeAttachName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto b = static_cast<unsigned char>(name[i]);
        if (IsSjisLeadByte(b) && i + 1 < name.size() &&
            IsSjisTrailByte(static_cast<unsigned char>(name[i + 1]))) {
            ++i;  // a two-byte character: its trail byte may be 0x5C or 0x7C
            continue;
        }
        if (b < 0x20 || b == 0x7F || b == '/' || b == '\\') return false;
    }
    return true;
}

// ---- Paths ------------------------------------------------------------------------------

bool AttachWriter::Usable() const {
    if (env_ == nullptr || mailID_ < -1) return false;
    if (version_ == 3 || version_ == 4) return true;
    return version_ == 5 && termType_ >= 0 && termType_ <= 4;
}

std::string AttachWriter::GetFilePathForAttachFileList() const {
    if (!Usable() || mailID_ < 0) return "";
    const int id = static_cast<int>(mailID_);
    return version_ == 5 ? env_layout::AttachListFile(*env_, id, termType_)
                         : env_layout::AttachListFile(*env_, id);
}

std::string AttachWriter::GetDirPathForAttachFileList() const {
    if (!Usable() || mailID_ < 0) return "";
    const int id = static_cast<int>(mailID_);
    return version_ == 5 ? env_layout::AttachFolder(*env_, id) : env_layout::OneMailFolder(*env_, id);
}

std::string AttachWriter::GetFolderPathForAttachFileBody() const {
    if (!Usable() || mailID_ < 0) return "";
    const int id = static_cast<int>(mailID_);
    return version_ == 5 ? env_layout::AttachFolder(*env_, id, termType_)
                         : env_layout::AttachFolder(*env_, id);
}

std::string AttachWriter::GetFolderPathForAttachFileTemporary() const {
    if (env_ == nullptr) return "";
    if (version_ == 3 || version_ == 4) return env_layout::AttachWorkFolder(*env_);
    // Version 5 without a terminal type works in the PC folder.
    if (version_ == 5) return env_layout::AttachWorkFolder(*env_, termType_ < 0 ? 0 : termType_);
    return "";
}

// The name is checked by the caller; it is appended as one component, never re-split.
std::string AttachWriter::BodyPath(const std::string& name) const {
    const std::string folder = GetFolderPathForAttachFileBody();
    return folder.empty() ? "" : platform::JoinPath(folder, name + ".base64");
}

int AttachWriter::ListKey(bool& keyed, std::string& key) {
    keyed = false;
    key.clear();
    if (version_ == 3) return 0;
    StoreKey k;
    if (GetStoreKey(env_, k) != 0) {
        err_.SetErr(4207);
        return -1;
    }
    keyed = k.keyed;
    key = k.text;
    return 0;
}

// ---- List -------------------------------------------------------------------------------

int AttachWriter::LoadAttachList(const char* key) {
    if (!Usable()) return 0;
    if (mailID_ == -1) {
        SetElementNumber(kListElements);
        return 1;
    }
    bool keyed = key != nullptr;
    std::string keyText = keyed ? key : "";
    if (!keyed && ListKey(keyed, keyText) != 0) return 0;
    // The list and its bodies of one version, never the list of one and bodies of another.
    if (MailUpdate::Recover(env_, static_cast<int>(mailID_), nullptr) != MailUpdate::kOk) {
        SetElementNumber(kListElements);
        return Fail(15102);
    }

    const std::string path = GetFilePathForAttachFileList();
    const int r = LoadCSVFile(path, keyed ? keyText.c_str() : nullptr);
    if (r == kLoadNoRecord || (r == kLoadCannotOpen && !platform::PathExists(path))) {
        SetElementNumber(kListElements);
        if (damagedList_ == path) damagedList_.clear();
        return 1;
    }
    bool good = r == kLoadOk && GetElementNumber() == kListElements;
    for (int row = 0; good && row < GetRecordNumber(); ++row)
        good = IsSafeAttachName(GetStringElement(0, row));
    if (!good) {
        SetElementNumber(kListElements);
        damagedList_ = path;
        return Fail(15102);
    }
    if (damagedList_ == path) damagedList_.clear();
    return 1;
}

std::string AttachWriter::GetAttachListElement(int row, int column) {
    if (row < 0 || row >= GetRecordNumber()) {
        err_.SetErr(15101);
        return "";
    }
    if (column != 0 && column != 1) {
        err_.SetErr(15005);
        return "";
    }
    return GetStringElement(column, row);
}

int AttachWriter::SetAttachListRecordToMemory(const std::string& name, const std::string& secondText) {
    if (!IsSafeAttachName(name)) return Fail(15102, -2);
    const char* row[kListElements] = {name.c_str(), secondText.c_str()};
    if (InsertString(row) != 1) return Fail(15102, -2);
    return 0;
}

int AttachWriter::InitAttachListAndData() {
    if (!Usable()) return 0;
    if (mailID_ >= 0) {
        for (int row = 0; row < GetRecordNumber(); ++row) {
            const std::string name = GetStringElement(0, row);
            if (IsSafeAttachName(name)) RemoveFile(BodyPath(name));
        }
    }
    DeleteAllString();
    return 1;
}

int AttachWriter::SaveAttachList() {
    if (!Usable()) return 0;
    if (mailID_ == -1) return Fail(15004);
    bool keyed = false;
    std::string key;
    if (ListKey(keyed, key) != 0) return 0;
    const std::string path = GetFilePathForAttachFileList();
    if (path == damagedList_) return Fail(15103);
    if (MakeDirectoryCompel(GetDirPathForAttachFileList()) != 0) return Fail(15103);
    if (SaveCSVFileCompel(path, keyed ? key.c_str() : nullptr) != 1) return Fail(15103);
    return 1;
}

int AttachWriter::WriteFromMemoryToFileAppointFileName(const std::string& path) {
    bool keyed = false;
    std::string key;
    if (ListKey(keyed, key) != 0) return 0;
    if (SaveCSVFileCompel(path, keyed ? key.c_str() : nullptr) != 1) return Fail(15103);
    return 1;
}

int AttachWriter::CheckAllFile() {
    if (!Usable()) return 0;
    for (int row = 0; row < GetRecordNumber(); ++row) {
        const std::string name = GetStringElement(0, row);
        if (!IsSafeAttachName(name)) return Fail(15104);
        FILE* fp = platform::OpenPrivateStream(BodyPath(name));
        if (fp == nullptr) return Fail(15104);
        std::fclose(fp);
    }
    return 1;
}

// ---- Bodies -----------------------------------------------------------------------------

std::string AttachWriter::EncodeBody(std::string_view bytes) {
    // The codec breaks after every full line but not after a final padded line; every line
    // of a stored body ends in CR LF.
    std::string text = base64encoding(bytes, kBase64Line);
    if (!text.ends_with("\r\n")) text += "\r\n";
    return text;
}

std::string AttachWriter::GetBase64EncodedStringForFile(const std::string& path) {
    std::string bytes;
    if (!platform::ReadWholeFile(path, bytes)) return "";
    return EncodeBody(bytes);
}

int AttachWriter::GetAttachDataString(const std::string& name, std::string& out) {
    if (!IsSafeAttachName(name)) return Fail(15104);
    const std::string path = BodyPath(name);
    if (path.empty() || !platform::ReadWholeFile(path, out)) return Fail(15104);
    return 1;
}

int AttachWriter::DecodeAttachDataToWorkDir(const std::string& name) {
    if (!IsSafeAttachName(name)) return Fail(15104);
    const std::string source = BodyPath(name);
    const std::string folder = GetFolderPathForAttachFileTemporary();
    std::string text;
    if (source.empty() || folder.empty() || !platform::ReadWholeFile(source, text)) return 0;
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }),
               text.end());
    std::string bytes;
    if (base64decoding(bytes, text) < 0) return Fail(15105);
    const std::string target = platform::JoinPath(folder, name);
    if (MakeDirectoryCompel(folder) != 0 || !platform::WriteFileAtomically(target, bytes))
        return Fail(15107);
    if (std::find(decoded_.begin(), decoded_.end(), target) == decoded_.end()) decoded_.push_back(target);
    return 1;
}

int AttachWriter::EncodeTempDataToDataDir(const std::string& name, int commonWorkFolder) {
    if (!Usable()) return 0;
    if (mailID_ == -1) return Fail(15004);
    if (!IsSafeAttachName(name)) return Fail(15106);
    const std::string folder =
        commonWorkFolder != 0 ? env_layout::AttachWorkFolder(*env_) : GetFolderPathForAttachFileTemporary();
    std::string bytes;
    if (!platform::ReadWholeFile(platform::JoinPath(folder, name), bytes)) return Fail(15106);
    if (MakeDirectoryCompel(GetFolderPathForAttachFileBody()) != 0 ||
        !platform::WriteFileAtomically(BodyPath(name), EncodeBody(bytes)))
        return Fail(15107);
    return 1;
}

int AttachWriter::ReplaceAttachList(const std::vector<AttachData>& items, int commonWorkFolder) {
    if (!Usable()) return 0;
    if (mailID_ == -1) return Fail(15004);
    MailUpdate update;
    if (update.Begin(env_, static_cast<int>(mailID_), nullptr) != MailUpdate::kOk) return Fail(15103);
    if (StageAttachList(items, commonWorkFolder, update) != 1) {
        update.Abort();
        return 0;
    }
    switch (update.Commit(nullptr)) {
    case MailUpdate::kOk:
        return 1;
    case MailUpdate::kFailed:
        return Fail(15103);
    default:
        return Fail(15107);
    }
}

int AttachWriter::StageAttachList(const std::vector<AttachData>& items, int commonWorkFolder, MailUpdate& update) {
    if (!Usable()) return 0;
    if (mailID_ == -1) return Fail(15004);
    bool keyed = false;
    std::string key;
    if (ListKey(keyed, key) != 0) return 0;
    const char* keyArg = keyed ? key.c_str() : nullptr;
    const std::string listPath = GetFilePathForAttachFileList();

    // The stored list, for the bodies that become unlisted. One that cannot be read whole
    // is not replaced: its rows would be lost with it.
    BaseRecordStructer old;
    const int r = old.LoadCSVFile(listPath, keyArg);
    if (r == kLoadNoRecord || (r == kLoadCannotOpen && !platform::PathExists(listPath))) {
        old.SetElementNumber(kListElements);
    } else if (r != kLoadOk || old.GetElementNumber() != kListElements || listPath == damagedList_) {
        return Fail(15102);
    }

    BaseRecordStructer fresh;
    fresh.SetElementNumber(kListElements);
    for (const AttachData& item : items) {
        const char* row[kListElements] = {item.fileName.c_str(), item.secondText.c_str()};
        if (!IsSafeAttachName(item.fileName)) return Fail(15106);
        if (fresh.InsertString(row) != 1) return Fail(15102);
    }

    // The new bodies, once per name.
    const std::string workFolder =
        commonWorkFolder != 0 ? env_layout::AttachWorkFolder(*env_) : GetFolderPathForAttachFileTemporary();
    std::unordered_set<std::string> staged;
    for (const AttachData& item : items) {
        if (!staged.insert(item.fileName).second) continue;
        std::string bytes;
        if (!platform::ReadWholeFile(platform::JoinPath(workFolder, item.fileName), bytes)) return Fail(15106);
        const std::string to = update.Stage(BodyPath(item.fileName));
        if (to.empty() || !platform::WriteFileAtomically(to, EncodeBody(bytes))) return Fail(15107);
    }
    // The new list.
    const std::string to = update.Stage(listPath);
    if (to.empty() || fresh.SaveCSVFileCompel(to, keyArg) != 1) return Fail(15103);
    // Bodies no longer listed.
    for (int row = 0; row < old.GetRecordNumber(); ++row) {
        const std::string name = old.GetStringElement(0, row);
        if (IsSafeAttachName(name) && staged.count(name) == 0) update.Remove(BodyPath(name));
    }

    SetElementNumber(kListElements);
    for (int row = 0; row < fresh.GetRecordNumber(); ++row) {
        XCStringArrayEx values;
        fresh.GetString(row, values);
        InsertString(values);
    }
    if (damagedList_ == listPath) damagedList_.clear();
    return 1;
}

int AttachWriter::ClearWorkFolder() {
    const std::string folder = GetFolderPathForAttachFileTemporary();
    if (folder.empty()) return 0;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return ec == std::errc::no_such_file_or_directory ? 1 : 0;
    bool ok = true;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError) && !it->is_symlink(typeError)) continue;
        if (!RemoveFile(it->path().string())) ok = false;
    }
    if (ec) ok = false;
    decoded_.erase(std::remove_if(decoded_.begin(), decoded_.end(),
                                  [&](const std::string& p) { return platform::FolderOf(p) == folder; }),
                   decoded_.end());
    return ok ? 1 : 0;
}
