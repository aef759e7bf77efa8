// The environment descriptor: creation, opening, the password settings, the data key, and
// the refusals that keep the only copy of the data key safe.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

#include "core/foundation/compound_key_manager.h"
#include "core/foundation/csv_read.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/md5.h"
#include "core/foundation/store_key.h"
#include "core/foundation/system_option.h"
#include "env_test_util.h"

namespace {

using envtest::kDescriptorKey;

class EnvManagerTest : public envtest::TempEnvTest {};

TEST_F(EnvManagerTest, CreateOpenPasswordsAndReopen) {
    EnvManager env;
    CreateKeyed(env);
    EXPECT_EQ(env.GetEnvRoot(), base_);
    EXPECT_EQ(env.GetEnvName(), "Env");

    std::string key, flag, digest, entry, renewal;
    ASSERT_EQ(env.GetDBKey(key), 0);
    ASSERT_EQ(key.size(), 64u);
    EXPECT_EQ(env.GetUseEnvPasswordFlag(flag), 0);
    EXPECT_EQ(flag, "");
    EXPECT_EQ(env.GetEnvPasswordMD5(digest), 0);
    EXPECT_EQ(digest, "");
    ASSERT_EQ(env.GetEntryDate(entry), 0);
    ASSERT_EQ(env.GetRenewalDate(renewal), 0);
    EXPECT_EQ(entry.size(), 19u);
    // No password set yet: nothing is accepted, not even the empty text.
    EXPECT_EQ(env.IsEnvPasswordOK(""), 1);

    ASSERT_EQ(env.SetUseEnvPasswordFlag("Y"), 0);
    EXPECT_EQ(env.GetDBKey(), key);
    ASSERT_EQ(env.SetEnvPassword("ひみつ"), 0);
    EXPECT_EQ(env.GetDBKey(), key);
    EXPECT_EQ(env.IsEnvPasswordOK("ひみつ"), 0);
    EXPECT_EQ(env.IsEnvPasswordOK("ひみつ "), 1);
    EXPECT_EQ(env.IsEnvPasswordOK(""), 1);

    // The screens' sequence for a change of settings.
    ASSERT_EQ(env.SetRenewalDate("2031/02/03 04:05:06"), 0);
    ASSERT_EQ(env.WriteFromMemoryToFile(), 0);

    StoreKey storeKey;
    ASSERT_EQ(GetStoreKey(&env, storeKey), 0);
    EXPECT_TRUE(storeKey.keyed);
    EXPECT_EQ(storeKey.text, key);

    // A new object on the same files sees the same values.
    EnvManager again;
    ASSERT_EQ(again.InitEnvFileInfo(descriptor_, kDescriptorKey, 0), 0);
    EXPECT_EQ(again.GetDBKey(), key);
    ASSERT_EQ(again.GetUseEnvPasswordFlag(flag), 0);
    EXPECT_EQ(flag, "Y");
    ASSERT_EQ(again.GetEnvPasswordMD5(digest), 0);
    EXPECT_EQ(digest, XCMD5Encoder("ひみつ"));
    ASSERT_EQ(again.GetRenewalDate(renewal), 0);
    EXPECT_EQ(renewal, "2031/02/03 04:05:06");
    ASSERT_EQ(again.GetEntryDate(renewal), 0);
    EXPECT_EQ(renewal, entry);
    EXPECT_EQ(again.IsEnvPasswordOK("ひみつ"), 0);

    // Options written with the data key and read back by another store object.
    SystemOption options(&again);
    std::vector<std::string> all(123);
    for (int i = 0; i < 123; ++i) all[static_cast<std::size_t>(i)] = "v" + std::to_string(i);
    all[14] = "拡張属性A";
    ASSERT_EQ(options.SetSODataFromAllDataToMemory(all), 0);
    ASSERT_EQ(options.WriteSODataFromMemoryToFile(), 0);
    SystemOption reread(&env);
    ASSERT_EQ(reread.GetSODataFromFileToMemory(), 0);
    std::vector<std::string> back;
    ASSERT_EQ(reread.GetSODataFromMemoryToAllData(back), 0);
    EXPECT_EQ(back, all);
    // ...and the file really is coded with the data key.
    XCsvRead plain;
    ASSERT_EQ(plain.OpenFile(folder_ + "systemoption.dat"), 1);
    EXPECT_NE(plain.ReadLine(), 123);
}

TEST_F(EnvManagerTest, PasswordSettersValidate) {
    EnvManager env;
    CreateKeyed(env);
    const std::string key = env.GetDBKey();

    EXPECT_EQ(env.SetUseEnvPasswordFlag("y"), -1);
    EXPECT_EQ(env.GetErrMsg().GetLastCode(), 9011);
    EXPECT_EQ(env.SetUseEnvPasswordFlag("YES"), -1);

    // Digests: 32 hex digits only, kept in lower case so that the check can match.
    const std::string digest = XCMD5Encoder("pass");
    std::string upper = digest;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const std::string& bad : {std::string(""), digest.substr(0, 31), digest + "0",
                                  "zz" + digest.substr(2), " " + digest.substr(1)}) {
        EXPECT_EQ(env.SetEnvPasswordMD5(bad), -2) << bad;
        EXPECT_EQ(env.GetErrMsg().GetLastCode(), 9011);
    }
    ASSERT_EQ(env.SetEnvPasswordMD5(upper), 0);
    std::string stored;
    ASSERT_EQ(env.GetEnvPasswordMD5(stored), 0);
    EXPECT_EQ(stored, digest);
    EXPECT_EQ(env.IsEnvPasswordOK("pass"), 0);

    ASSERT_EQ(env.SetUseEnvPasswordFlag("N"), 0);
    ASSERT_EQ(env.SetEnvPassword(""), 0);
    EXPECT_EQ(env.IsEnvPasswordOK(""), 0);  // the digest of the empty text is a digest
    EXPECT_EQ(env.GetDBKey(), key);
}

TEST_F(EnvManagerTest, OpeningFailuresAndTypes) {
    EnvManager noRoot;
    EXPECT_EQ(noRoot.InitEnvFileInfo(base_ + "missing/Env.env", kDescriptorKey, 0), -1);
    EXPECT_EQ(noRoot.GetErrMsg().GetLastCode(), 9003);

    EnvManager noFile;
    EXPECT_EQ(noFile.InitEnvFileInfo(base_ + "Other.env", kDescriptorKey, 0), -2);
    EXPECT_EQ(noFile.GetErrMsg().GetLastCode(), 9005);
    std::string out;
    EXPECT_EQ(noFile.GetCompoundKey(out), -1);
    EXPECT_EQ(noFile.GetErrMsg().GetLastCode(), 9016);
    StoreKey key;
    EXPECT_EQ(GetStoreKey(&noFile, key), -1);
    EXPECT_EQ(GetStoreKey(nullptr, key), -1);

    // The descriptor exists but its folder does not: the type is set all the same.
    ASSERT_EQ(EnvManager::MakeDefaultEnvFile(base_ + "Lone.env", kDescriptorKey), 0);
    EnvManager lone;
    EXPECT_EQ(lone.InitEnvFileInfo(base_ + "Lone.env", kDescriptorKey, 0), -3);
    EXPECT_EQ(lone.GetErrMsg().GetLastCode(), 9005);
    EXPECT_EQ(lone.GetEnvType(), 5);
    // With noRead nothing is read and the missing folder goes unnoticed.
    EnvManager unread;
    EXPECT_EQ(unread.InitEnvFileInfo(base_ + "Lone.env", kDescriptorKey, 1), 0);
    EXPECT_EQ(unread.GetEnvType(), 5);
    EXPECT_EQ(unread.GetDBKey(), lone.GetDBKey());

    // A descriptor opened without a key is unkeyed.
    EnvManager keyless;
    ASSERT_EQ(keyless.InitEnvFileInfo(base_ + "Lone.env", nullptr, 1), 0);
    EXPECT_EQ(keyless.GetEnvType(), 3);
}

TEST_F(EnvManagerTest, EmptyDescriptorIsUnkeyedAndMayBeRebuilt) {
    WriteFile(descriptor_, "");
    EnvManager env;
    ASSERT_EQ(env.InitEnvFileInfo(descriptor_, kDescriptorKey, 0), 0);
    EXPECT_EQ(env.GetEnvType(), 3);
    std::string out;
    EXPECT_EQ(env.GetCompoundKey(out), -5);
    EXPECT_EQ(env.GetErrMsg().GetLastCode(), 9017);
    EXPECT_EQ(env.GetDBKey(), "");
    StoreKey key;
    ASSERT_EQ(GetStoreKey(&env, key), 0);
    EXPECT_FALSE(key.keyed);
    EXPECT_EQ(key.get(), nullptr);
    // Password settings cannot work, and the empty descriptor is never written over.
    EXPECT_EQ(env.SetEnvPassword("x"), -2);
    EXPECT_EQ(env.SetRenewalDate("2030/01/01 00:00:00"), 0);
    EXPECT_EQ(env.WriteFromMemoryToFile(), -1);
    EXPECT_EQ(ReadFile(descriptor_), "");

    // Options of an unkeyed environment use the default coding.
    SystemOption options(&env);
    ASSERT_EQ(options.SetSODataFromAllDataToMemory(std::vector<std::string>(123, "x")), 0);
    ASSERT_EQ(options.WriteSODataFromMemoryToFileCompel(), 0);
    XCsvRead plain;
    ASSERT_EQ(plain.OpenFile(folder_ + "systemoption.dat"), 1);
    EXPECT_EQ(plain.ReadLine(), 123);

    // The upgrade of an unkeyed environment rebuilds its empty descriptor and opens it
    // again through the same object; its stores then code with the new data key.
    ASSERT_EQ(EnvManager::MakeDefaultEnvFile(descriptor_, kDescriptorKey), 0);
    ASSERT_EQ(env.InitEnvFileInfo(descriptor_, kDescriptorKey, 0), 0);
    EXPECT_EQ(env.GetEnvType(), 5);
    const std::string newKey = env.GetDBKey();
    EXPECT_EQ(newKey.size(), 64u);
    ASSERT_EQ(GetStoreKey(&env, key), 0);
    EXPECT_TRUE(key.keyed);
    EXPECT_EQ(key.text, newKey);
}

TEST_F(EnvManagerTest, ExistingDescriptorIsNeverReplaced) {
    EnvManager env;
    CreateKeyed(env);
    const std::string before = ReadFile(descriptor_);
    EXPECT_EQ(EnvManager::MakeDefaultEnvFile(descriptor_, kDescriptorKey), -3);
    EXPECT_EQ(EnvManager::MakeDefaultEnvFile(descriptor_, nullptr), -3);
    EXPECT_EQ(ReadFile(descriptor_), before);
    // A key given as empty text cannot pack a compound key: no keyed descriptor without one.
    EXPECT_EQ(EnvManager::MakeDefaultEnvFile(base_ + "Empty.env", ""), -4);
}

TEST_F(EnvManagerTest, DataKeysAreFreshPerEnvironment) {
    ASSERT_EQ(EnvManager::MakeDefaultEnvFile(base_ + "A.env", kDescriptorKey), 0);
    ASSERT_EQ(EnvManager::MakeDefaultEnvFile(base_ + "B.env", kDescriptorKey), 0);
    EnvManager a, b;
    ASSERT_EQ(a.InitEnvFileInfo(base_ + "A.env", kDescriptorKey, 1), 0);
    ASSERT_EQ(b.InitEnvFileInfo(base_ + "B.env", kDescriptorKey, 1), 0);
    EXPECT_NE(a.GetDBKey(), b.GetDBKey());
}

// Rewrites the descriptor's record with the given elements, coded as the descriptor is.
void WriteDescriptorRecord(const std::string& path, const std::string& compound,
                           const std::string& entry, const std::string& renewal) {
    XCsvWrite w;
    w.SetUseKey(kDescriptorKey);
    ASSERT_EQ(w.OpenFile(path), 1);
    w.SetData(compound);
    w.SetData(entry);
    w.SetData(renewal);
    ASSERT_GT(w.WriteLine(), 0);
    ASSERT_EQ(w.CloseFile(), 0);
}

TEST_F(EnvManagerTest, TamperedCompoundKeyIsRefusedCleanly) {
    std::string compound;
    {
        EnvManager env;
        CreateKeyed(env);
        ASSERT_EQ(env.GetCompoundKey(compound), 0);
    }
    // One character of the packed text changed: the record still reads, the key does not.
    compound[compound.size() / 2] = compound[compound.size() / 2] == 'A' ? 'B' : 'A';
    WriteDescriptorRecord(descriptor_, compound, "2024/01/02 03:04:05", "2024/1/2 3:4:5");
    const std::string tampered = ReadFile(descriptor_);

    EnvManager env;
    ASSERT_EQ(env.InitEnvFileInfo(descriptor_, kDescriptorKey, 0), 0);
    EXPECT_EQ(env.GetDBKey(), "");
    std::string out = "kept";
    EXPECT_EQ(env.GetCompoundKey(out), 0);  // dates without leading zeros still pass
    StoreKey key;
    EXPECT_EQ(GetStoreKey(&env, key), -2);

    SystemOption options(&env);
    EXPECT_EQ(options.GetSODataFromFileToMemory(), -27);
    EXPECT_EQ(options.GetErrMsg().GetLastCode(), 4207);
    EXPECT_EQ(options.SetSODataToMemoryPinPoint(0, "x"), -3);

    // Nothing writes over it: neither the setters nor a plain write.
    EXPECT_EQ(env.SetEnvPassword("p"), -2);
    EXPECT_EQ(env.SetUseEnvPasswordFlag("Y"), -1);
    EXPECT_EQ(env.WriteFromMemoryToFile(), -1);
    EXPECT_EQ(env.GetErrMsg().GetLastCode(), 9009);
    EXPECT_EQ(ReadFile(descriptor_), tampered);
}

TEST_F(EnvManagerTest, DamagedBytesNeverYieldAnotherKey) {
    std::string key;
    {
        EnvManager env;
        CreateKeyed(env);
        key = env.GetDBKey();
    }
    const std::string good = ReadFile(descriptor_);
    for (std::size_t pos = 0; pos < good.size(); pos += 7) {
        std::string bad = good;
        bad[pos] = static_cast<char>(bad[pos] ^ 0x21);
        WriteFile(descriptor_, bad);
        EnvManager env;
        const int r = env.InitEnvFileInfo(descriptor_, kDescriptorKey, 0);
        const std::string got = env.GetDBKey();
        StoreKey storeKey;
        const int k = GetStoreKey(&env, storeKey);
        // Either the descriptor does not open, or the key is refused, or (a change in a
        // date the key does not depend on) it is the same key.
        if (r == 0 && k == 0) {
            EXPECT_EQ(storeKey.text, key) << "byte " << pos;
        }
        EXPECT_TRUE(got.empty() || got == key) << "byte " << pos;
    }
}

TEST_F(EnvManagerTest, DatesAreChecked) {
    EnvManager env;
    CreateKeyed(env);
    ASSERT_EQ(env.SetEntryDate("2024/01/02"), 0);
    ASSERT_EQ(env.WriteFromMemoryToFile(), 0);
    std::string out;
    EXPECT_EQ(env.GetCompoundKey(out), -9);
    EXPECT_EQ(env.GetErrMsg().GetLastCode(), 9023);
    EXPECT_EQ(env.GetEntryDate(out), -8);
    EXPECT_EQ(env.GetRenewalDate(out), 0);
    // Stores keep their key: it was read when the environment was opened.
    StoreKey key;
    EXPECT_EQ(GetStoreKey(&env, key), 0);
    EXPECT_EQ(key.text.size(), 64u);
}

TEST_F(EnvManagerTest, EmptyLineInMemoryIsNeverWritten) {
    EnvManager env;
    CreateKeyed(env);
    const std::string key = env.GetDBKey();
    const std::string before = ReadFile(descriptor_);
    // An object opened without reading holds no line; the screens' renewal-date write
    // would otherwise replace the descriptor with ["", "", date].
    EnvManager unread;
    ASSERT_EQ(unread.InitEnvFileInfo(descriptor_, kDescriptorKey, 1), 0);
    ASSERT_EQ(unread.SetRenewalDate("2030/01/01 00:00:00"), 0);
    EXPECT_EQ(unread.WriteFromMemoryToFile(), -1);
    EXPECT_EQ(unread.GetErrMsg().GetLastCode(), 9009);
    ASSERT_EQ(unread.SetCompoundKey("garbage"), 0);
    EXPECT_EQ(unread.WriteFromMemoryToFile(), -1);
    EXPECT_EQ(ReadFile(descriptor_), before);
    EXPECT_EQ(env.GetDBKey(), key);
}

TEST_F(EnvManagerTest, WriterKilledMidWriteLeavesReadableDescriptor) {
    EnvManager env;
    CreateKeyed(env);
    const std::string key = env.GetDBKey();
    for (int round = 0; round < 5; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            EnvManager writer;
            if (writer.InitEnvFileInfo(descriptor_, kDescriptorKey, 0) != 0) ::_exit(2);
            for (int i = 0;; ++i) {
                if (writer.SetEnvPassword("p" + std::to_string(i)) != 0) ::_exit(3);
                if (i == 0 && ::write(ready[1], "r", 1) != 1) ::_exit(4);
            }
        }
        ::close(ready[1]);
        // Kill it some time into its loop of rewrites, once it is surely writing.
        char c = 0;
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::milliseconds(3 + 7 * round));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "writer stopped by itself: " << WEXITSTATUS(status);

        EnvManager after;
        ASSERT_EQ(after.InitEnvFileInfo(descriptor_, kDescriptorKey, 0), 0);
        std::string compound;
        EXPECT_EQ(after.GetCompoundKey(compound), 0);
        EXPECT_EQ(after.GetDBKey(), key);
        std::string digest;
        ASSERT_EQ(after.GetEnvPasswordMD5(digest), 0);
        EXPECT_EQ(digest.size(), 32u);
    }
}

}  // namespace
