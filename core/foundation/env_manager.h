#pragma once
// EnvManager: the open environment. An environment is a descriptor file <name>.env and,
// beside it, the folder <name> holding the record files of every store (env_layout.h
// lists them). The descriptor is a record file of one record of three elements, coded
// with the program's descriptor key:
//   0  the compound key (use-password flag, password digest and data key, packed by
//      CCompoundKeyManager under the descriptor key);
//   1  the entry date, "%Y/%m/%d %H:%M:%S";
//   2  the renewal date, same form.
//
// Types: 0 not opened; 5 keyed (a non-empty descriptor opened with a key: every store
// codes its files with the data key); 3 unkeyed (an empty descriptor or no key: the
// environments of older versions, whose stores use the default coding).
//
// Stores get their key through GetStoreKey (store_key.h), never by passing GetDBKey()
// on blindly. The data key is read once when the environment is opened and cached.
//
// Every rewrite of the descriptor replaces it safely (temporary file, fsync, rename), and
// a keyed descriptor is never written without a compound key that unpacks: the descriptor
// holds the only copy of the data key.
//
// Members return 0 on success and a negative number on failure, with a code of the 90xx
// family recorded in GetErrMsg(), unless said otherwise.

#include <mutex>
#include <optional>
#include <string>

#include "core/foundation/err_msg.h"
#include "core/foundation/my_db.h"

class EnvManager : public CMyDB {
public:
    EnvManager();
    ~EnvManager() override;
    EnvManager(const EnvManager&) = delete;
    EnvManager& operator=(const EnvManager&) = delete;

    // Opens the environment of the descriptor at `path` with the descriptor key (null:
    // none). With noRead nonzero nothing is read or checked beyond the descriptor's folder.
    //  -1 (9003) the descriptor's folder does not exist;
    //  -2 (9005) the descriptor cannot be opened;
    //  -3 (9005) the environment folder does not exist (the type is set nonetheless);
    //  -11 .. -3x: the descriptor does not read (the table reader's result minus 10).
    int InitEnvFileInfo(const std::string& path, const char* descriptorKey, int noRead);

    // Root folder of the descriptor (ending in '/'), the environment's name (the
    // descriptor's title) and the descriptor path as given.
    std::string GetEnvRoot() const { return envRoot_; }
    std::string GetEnvName() const { return envName_; }
    std::string GetEnvPath() const { return envPath_; }
    int GetEnvType() const { return type_; }
    CErrMsg& GetErrMsg() { return err_; }

    // Re-read the descriptor (discarding unsaved changes in memory) and return element 0,
    // 1 or 2. The compound key is returned only when both dates read back as full dates.
    //  -1 (9016) not opened; -5 (9017) unkeyed; -2 (9010) / -3, -4 (9008) the file does not
    //  read; -6 .. -11 (9011, 9023, 9024) the record is not one line of valid elements.
    int GetCompoundKey(std::string& out);
    int GetEntryDate(std::string& out);
    int GetRenewalDate(std::string& out);

    // Unpack the compound key: "Y", "N" or ""; the 32-digit lower-case hex digest or "";
    // the 64-character data key. -2 without a descriptor key, -1 when the descriptor does
    // not read; a compound key that does not unpack gives the empty text with result 0.
    int GetUseEnvPasswordFlag(std::string& out);
    int GetEnvPasswordMD5(std::string& out);
    int GetDBKey(std::string& out);
    // The data key, or the empty text on any failure. Stores use GetStoreKey instead.
    std::string GetDBKey();

    // Password settings: each repacks the compound key (the data key never changes) and
    // rewrites the descriptor. On failure the code is 9011 and the result -1
    // (SetUseEnvPasswordFlag) or -2 (the other two).
    int SetUseEnvPasswordFlag(const std::string& flag);  // "Y", "N" or "" exactly
    int SetEnvPassword(const std::string& password);     // stores its MD5 digest
    int SetEnvPasswordMD5(const std::string& digest);    // 32 hex digits, stored in lower case

    // 0 when the password's digest equals the stored one, 1 when it does not (also when no
    // password was ever set); -1 (9012) / -2 (9008) when either digest cannot be had.
    int IsEnvPasswordOK(const std::string& password);

    // Set element 0, 1 or 2 in memory only (a line of three empty elements is made first
    // when the table has none); -1 with 9018, 9019 or 9020 on failure.
    int SetCompoundKey(const std::string& text);
    int SetEntryDate(const std::string& text);
    int SetRenewalDate(const std::string& text);
    // Writes the record in memory with the descriptor key. -1 (9009) when the write fails,
    // when the environment is not keyed, or when the compound key in memory is empty or
    // does not unpack to a data key under the descriptor key (the file is then untouched).
    int WriteFromMemoryToFile();

    // Creates a new descriptor at `path` with a fresh random data key, no password flag,
    // no password, and both dates now; coded with the descriptor key (null: none).
    //  -1 the file cannot be opened (or no random key could be made); -2 the write fails;
    //  -3 a non-empty descriptor exists there already (its data key would be lost; an
    //     empty descriptor, the state of an unkeyed environment, may be rebuilt);
    //  -4 a descriptor key was given but the compound key could not be packed with it.
    static int MakeDefaultEnvFile(const std::string& path, const char* descriptorKey);

    // For GetStoreKey: the data key of a keyed environment, cached at the first successful
    // read. False when it cannot be read.
    bool CachedDataKey(std::string& out) const;

private:
    int SetCompoundKey(bool flagGiven, const std::string& flag, bool passwordGiven,
                       const std::string& password, bool passwordIsDigest);
    int IsInitEnvFileInfo() const { return type_ != 0; }
    // Re-reads the descriptor into the table and checks it holds one line. 0, or the
    // result to return (the code recorded).
    int ReRead();
    int GetDateElement(int column, int badDateCode, std::string& out);
    // Unpacks part 0, 1 or 2 of the compound key in the descriptor file.
    int Unpack(int part, std::string& out);
    // Writes the table's one line to the descriptor safely; false on failure.
    bool WriteDescriptor();
    // Reads the data key straight from the descriptor file without touching the table.
    bool ReadDataKeyFromFile(std::string& out) const;

    int type_ = 0;
    std::string envRoot_;
    std::string envName_;
    std::string envPath_;
    std::string descriptorKey_;
    CErrMsg err_;

    mutable std::mutex keyLock_;
    mutable std::optional<std::string> dataKey_;
};
