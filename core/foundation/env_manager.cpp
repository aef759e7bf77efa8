#include "core/foundation/env_manager.h"

#include <cctype>
#include <sys/stat.h>

#include "core/foundation/compound_key_manager.h"
#include "core/foundation/csv_read.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/md5.h"
#include "core/foundation/string_array.h"
#include "platform/path.h"
#include "platform/private_files.h"

namespace {

constexpr int kElements = 3;

// The data key packed in `compound` under `descriptorKey`; "" when it does not unpack.
std::string DataKeyOf(const std::string& compound, const std::string& descriptorKey) {
    CCompoundKeyManager manager;
    manager.SetKeyForSelectTable(descriptorKey);
    manager.SetCompoundKey(compound);
    return manager.GetDBKey();
}

bool IsHexDigest(const std::string& text) {
    if (text.size() != 32) return false;
    for (unsigned char c : text)
        if (!std::isxdigit(c)) return false;
    return true;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Writes a new descriptor's record safely, fsync'ed before it replaces the old file:
// 0; -1 when the file cannot be opened; -2 when the write fails (old file untouched).
int WriteNewDescriptor(const std::string& path, const char* key, const std::string& compound,
                const std::string& entry, const std::string& renewal) {
    XCsvWrite writer;
    if (key != nullptr) writer.SetUseKey(key);
    if (writer.OpenFile(path, WriteMode::kSafeSync) != 1) return -1;
    writer.BufferEmpty();
    writer.SetData(compound);
    writer.SetData(entry);
    writer.SetData(renewal);
    if (writer.WriteLine() <= 0) {
        writer.AbortFile();
        return -2;
    }
    return writer.CloseFile() == 0 ? 0 : -2;
}

}  // namespace

EnvManager::EnvManager() {
    SetElementNumber(kElements);
    SetElementNumber_Y2(kElements);
    SetSyncOnWrite(true);
}

EnvManager::~EnvManager() = default;

int EnvManager::InitEnvFileInfo(const std::string& path, const char* descriptorKey, int noRead) {
    const std::string fixed = platform::FixPath(path);
    const platform::PathParts parts = platform::SplitPath(fixed);
    envPath_ = fixed;
    envRoot_ = parts.root + parts.dir;
    envName_ = parts.title;
    descriptorKey_.clear();
    {
        std::lock_guard<std::mutex> lock(keyLock_);
        dataKey_.reset();
    }

    if (CheckDirectory(envRoot_) != 0) {
        err_.SetErr(9003);
        return -1;
    }
    if (noRead != 0) {
        if (descriptorKey != nullptr) {
            type_ = 5;
            descriptorKey_ = descriptorKey;
            SetDBFilePath(envPath_);
        } else {
            type_ = 3;
        }
        return 0;
    }

    struct stat st;
    FILE* fp = platform::OpenPrivateStream(envPath_);
    if (fp == nullptr) {
        err_.SetErr(9005);
        return -2;
    }
    const bool nonEmpty = ::fstat(::fileno(fp), &st) == 0 && st.st_size > 0;
    std::fclose(fp);
    if (nonEmpty && descriptorKey != nullptr) {
        type_ = 5;
        descriptorKey_ = descriptorKey;
        SetDBFilePath(envPath_);
        const int r = ReadDBFile(descriptorKey_.c_str());
        if (r != 0) return r - 10;
        // The data key is read here once; stores take it from the cache.
        std::string compound;
        if (GetLineNumber() == 1 && GetAtElement(0, 0, compound) == 0) {
            std::string key = DataKeyOf(compound, descriptorKey_);
            if (!key.empty()) {
                std::lock_guard<std::mutex> lock(keyLock_);
                dataKey_ = std::move(key);
            }
        }
    } else {
        type_ = 3;
    }

    if (CheckDirectory(envRoot_ + envName_) != 0) {
        err_.SetErr(9005);
        return -3;
    }
    return 0;
}

int EnvManager::ReRead() {
    if (!IsInitEnvFileInfo()) {
        err_.SetErr(9016);
        return -1;
    }
    if (type_ != 5) {
        err_.SetErr(9017);
        return -5;
    }
    const int r = ReadDBFile(descriptorKey_.c_str());
    switch (r) {
        case 0:
            break;
        case -1: case -3: case -4: case -5: case -18:
            err_.SetErr(9008);
            return -3;
        case -2: case -6: case -7:
            err_.SetErr(9010);
            return -2;
        default:
            err_.SetErr(9008);
            return -4;
    }
    if (GetLineNumber() != 1) {
        err_.SetErr(9011);
        return -6;
    }
    return 0;
}

int EnvManager::GetCompoundKey(std::string& out) {
    if (const int r = ReRead(); r != 0) return r;
    std::string compound, entry, renewal, normal;
    if (GetAtElement(0, 0, compound) != 0) {
        err_.SetErr(9011);
        return -7;
    }
    if (GetAtElement(0, 1, entry) != 0) {
        err_.SetErr(9011);
        return -8;
    }
    if (ReFormat_DateData(entry, normal, 0) != 6) {
        err_.SetErr(9023);
        return -9;
    }
    if (GetAtElement(0, 2, renewal) != 0) {
        err_.SetErr(9011);
        return -10;
    }
    if (ReFormat_DateData(renewal, normal, 0) != 6) {
        err_.SetErr(9024);
        return -11;
    }
    out = compound;
    return 0;
}

int EnvManager::GetDateElement(int column, int badDateCode, std::string& out) {
    if (const int r = ReRead(); r != 0) return r;
    std::string text, normal;
    if (GetAtElement(0, column, text) != 0) {
        err_.SetErr(9011);
        return -7;
    }
    if (ReFormat_DateData(text, normal, 0) != 6) {
        err_.SetErr(badDateCode);
        return -8;
    }
    out = text;
    return 0;
}

int EnvManager::GetEntryDate(std::string& out) { return GetDateElement(1, 9023, out); }
int EnvManager::GetRenewalDate(std::string& out) { return GetDateElement(2, 9024, out); }

int EnvManager::Unpack(int part, std::string& out) {
    if (descriptorKey_.empty()) return -2;
    std::string compound;
    if (GetCompoundKey(compound) != 0) return -1;
    CCompoundKeyManager manager;
    manager.SetKeyForSelectTable(descriptorKey_);
    manager.SetCompoundKey(compound);
    switch (part) {
        case 0: out = manager.GetUseEnvPasswordFlag(); break;
        case 1: out = manager.GetEnvPasswordMD5(); break;
        default: out = manager.GetDBKey(); break;
    }
    return 0;
}

int EnvManager::GetUseEnvPasswordFlag(std::string& out) { return Unpack(0, out); }
int EnvManager::GetEnvPasswordMD5(std::string& out) { return Unpack(1, out); }
int EnvManager::GetDBKey(std::string& out) { return Unpack(2, out); }

std::string EnvManager::GetDBKey() {
    std::string key;
    return Unpack(2, key) == 0 ? key : std::string();
}

int EnvManager::SetCompoundKey(bool flagGiven, const std::string& flag, bool passwordGiven,
                               const std::string& password, bool passwordIsDigest) {
    if (descriptorKey_.empty()) {
        err_.SetErr(9021);
        return -8;
    }
    if (GetLineNumber() != 1) {
        err_.SetErr(9010);
        return -1;
    }
    std::string newFlag;
    if (flagGiven) {
        if (flag != "" && flag != "Y" && flag != "N") {
            err_.SetErr(9013);
            return -1;
        }
        newFlag = flag;
    } else if (Unpack(0, newFlag) != 0) {
        return -2;
    }
    std::string digest;
    if (!passwordGiven) {
        if (Unpack(1, digest) != 0) return -4;
    } else if (passwordIsDigest) {
        // A digest of another form could never match a typed password again.
        if (!IsHexDigest(password)) {
            err_.SetErr(9014);
            return -3;
        }
        digest = Lower(password);
    } else {
        digest = XCMD5Encoder(password);
        if (digest.empty()) {
            err_.SetErr(9014);
            return -3;
        }
    }
    // The data key never changes; without it nothing may be written.
    std::string dataKey;
    if (Unpack(2, dataKey) != 0) return -5;
    if (dataKey.empty()) {
        err_.SetErr(9022);
        return -5;
    }
    CCompoundKeyManager manager;
    manager.SetKeyForSelectTable(descriptorKey_);
    const std::string packed = manager.MakeCompoundKey(newFlag, digest, dataKey);
    if (packed.empty() || SetAtElement(0, 0, packed) != 0) {
        err_.SetErr(9009);
        return -6;
    }
    if (!WriteDescriptor()) {
        err_.SetErr(9009);
        return -7;
    }
    return 0;
}

int EnvManager::SetUseEnvPasswordFlag(const std::string& flag) {
    if (SetCompoundKey(true, flag, false, std::string(), false) != 0) {
        err_.SetErr(9011);
        return -1;
    }
    return 0;
}

int EnvManager::SetEnvPassword(const std::string& password) {
    if (SetCompoundKey(false, std::string(), true, password, false) != 0) {
        err_.SetErr(9011);
        return -2;
    }
    return 0;
}

int EnvManager::SetEnvPasswordMD5(const std::string& digest) {
    if (SetCompoundKey(false, std::string(), true, digest, true) != 0) {
        err_.SetErr(9011);
        return -2;
    }
    return 0;
}

int EnvManager::IsEnvPasswordOK(const std::string& password) {
    const std::string typed = XCMD5Encoder(password);
    if (typed.empty()) {
        err_.SetErr(9012);
        return -1;
    }
    std::string stored;
    if (Unpack(1, stored) != 0) {
        err_.SetErr(9008);
        return -2;
    }
    // An environment without a stored digest accepts no password at all.
    return !stored.empty() && stored == typed ? 0 : 1;
}

namespace {
int SetElement(CMyDB& table, int column, const std::string& text) {
    if (table.GetLineNumber() <= 0) {
        XCStringArrayEx line;
        line.SetSize(kElements);
        if (table.AddLine(line) != 0) return -1;
    }
    return table.SetAtElement(0, column, text) == 0 ? 0 : -1;
}
}  // namespace

int EnvManager::SetCompoundKey(const std::string& text) {
    if (SetElement(*this, 0, text) != 0) {
        err_.SetErr(9018);
        return -1;
    }
    return 0;
}

int EnvManager::SetEntryDate(const std::string& text) {
    if (SetElement(*this, 1, text) != 0) {
        err_.SetErr(9019);
        return -1;
    }
    return 0;
}

int EnvManager::SetRenewalDate(const std::string& text) {
    if (SetElement(*this, 2, text) != 0) {
        err_.SetErr(9020);
        return -1;
    }
    return 0;
}

int EnvManager::WriteFromMemoryToFile() {
    if (!WriteDescriptor()) {
        err_.SetErr(9009);
        return -1;
    }
    return 0;
}

bool EnvManager::WriteDescriptor() {
    // Only a keyed descriptor is ever rewritten (an unkeyed one is empty, and writing it
    // would make it unreadable under the descriptor key), and only with a compound key that
    // still yields the data key: a failed re-read or an in-memory line of empty elements
    // must never replace the only copy of that key.
    if (type_ != 5 || descriptorKey_.empty() || GetLineNumber() != 1) return false;
    std::string compound;
    if (GetAtElement(0, 0, compound) != 0 || DataKeyOf(compound, descriptorKey_).empty()) return false;
    return WriteDBFile(1, descriptorKey_.c_str()) == 0;
}

int EnvManager::MakeDefaultEnvFile(const std::string& path, const char* descriptorKey) {
    const std::string fixed = platform::FixPath(path);
    struct stat st;
    if (::stat(fixed.c_str(), &st) == 0 && st.st_size > 0) return -3;

    const std::string dataKey = CCompoundKeyManager::MakeRandomString();
    if (dataKey.size() != 64) return -1;
    std::string compound;
    if (descriptorKey != nullptr) {
        CCompoundKeyManager manager;
        manager.SetKeyForSelectTable(descriptorKey);
        compound = manager.MakeCompoundKey("", "", dataKey);
        if (compound.empty()) return -4;
    }
    const std::string entry = GetNowDateTime();
    const std::string renewal = GetNowDateTime();
    return WriteNewDescriptor(fixed, descriptorKey, compound, entry, renewal);
}

bool EnvManager::CachedDataKey(std::string& out) const {
    std::lock_guard<std::mutex> lock(keyLock_);
    if (type_ != 5) return false;
    if (!dataKey_) {
        std::string key;
        if (!ReadDataKeyFromFile(key)) return false;
        dataKey_ = std::move(key);
    }
    out = *dataKey_;
    return true;
}

bool EnvManager::ReadDataKeyFromFile(std::string& out) const {
    if (descriptorKey_.empty()) return false;
    XCsvRead reader;
    reader.SetUseKey(descriptorKey_);
    if (reader.OpenFile(envPath_) != 1) return false;
    if (reader.ReadLine() != kElements) return false;
    std::string key = DataKeyOf(reader.GetData(0), descriptorKey_);
    for (int r; (r = reader.ReadLine()) >= 0;)
        if (r > 0 || !reader.GetLine().empty() || reader.IsTornRecord()) return false;
    if (key.empty()) return false;
    out = std::move(key);
    return true;
}
