#include "core/mailstore/attach_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/foundation/csv_write.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "core/foundation/tests/env_test_util.h"
#include "mailstore_test_util.h"
#include "platform/safe_write.h"

namespace {

namespace fs = std::filesystem;

// "表.txt" and "ソ" in Shift_JIS: both trail bytes are 0x5C, the byte of a backslash.
const std::string kKanjiName = "\x95\x5C.txt";
const std::string kKanjiName2 = "\x83\x5C\x83\x74\x83\x67.bin";

std::string AttachBytes(size_t n, unsigned seed = 7) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed) & 0xFF);
    return s;
}

class AttachWriterTest : public envtest::TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        CreateKeyed(env_);
    }
    std::string Mail(int id) const { return folder_ + "MAIL/" + std::to_string(id) + "/"; }
    std::string Work() const { return folder_ + "MAIL/ATEMP/"; }
    void PutWork(const std::string& folder, const std::string& name, const std::string& bytes) {
        fs::create_directories(folder);
        WriteFile(folder + name, bytes);
    }
    // Writes rows as a record file coded with `key` (null: the default coding).
    static void WriteRecords(const std::string& path, const char* key,
                             const std::vector<std::vector<std::string>>& rows) {
        mailtest::WriteRecordFile(path, key, rows);
    }
    std::string EnvKey() {
        StoreKey key;
        EXPECT_EQ(GetStoreKey(&env_, key), 0);
        return key.text;
    }
    // A writer bound to the environment, with the delete-in-temp flag off unless asked.
    void Bind(AttachWriter& w, int version, long id, int term = -1) {
        ASSERT_EQ(w.SetEnvManager(&env_), 1);
        ASSERT_EQ(w.SetVersion(version), 1);
        ASSERT_EQ(w.SetMailID(id), 1);
        if (term >= 0) {
            ASSERT_EQ(w.SetTermType(term), 1);
        }
    }

    EnvManager env_;
};

TEST(AttachWriterBase64, FileInLinesOf76EachEndedByCrLf) {
    const std::string dir = fs::temp_directory_path() / ("ombrel-b64-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    struct Case {
        size_t size;
        std::vector<size_t> lines;
    } cases[] = {{0, {0}}, {1, {4}}, {56, {76}}, {57, {76}}, {58, {76, 4}}, {114, {76, 76}}, {115, {76, 76, 4}}};
    for (const Case& c : cases) {
        const std::string path = dir + "/f";
        std::string bytes = AttachBytes(c.size);
        ASSERT_TRUE(platform::WriteFileAtomically(path, bytes));
        const std::string text = AttachWriter::GetBase64EncodedStringForFile(path);
        std::string expect;
        size_t pos = 0;
        for (size_t len : c.lines) {
            ASSERT_LE(pos + len + 2, text.size() + 0) << c.size;
            EXPECT_EQ(text.substr(pos + len, 2), "\r\n") << c.size;
            pos += len + 2;
        }
        EXPECT_EQ(pos, text.size()) << c.size;
        EXPECT_EQ(text, AttachWriter::EncodeBody(bytes));
    }
    EXPECT_EQ(AttachWriter::GetBase64EncodedStringForFile(dir + "/missing"), "");
    fs::remove_all(dir);
}

TEST(AttachWriterNames, OnlyBareFileNamesAreSafe) {
    for (const std::string& bad : {std::string(""), std::string("."), std::string(".."), std::string("../x"),
                                   std::string("a/b"), std::string("a\\b"), std::string("..\\x"),
                                   std::string("a\x01"), std::string("a\x7f"), std::string("a\nb"),
                                   std::string("a\0b", 3), std::string("\x95/"), std::string("\x95\x01")})
        EXPECT_FALSE(AttachWriter::IsSafeAttachName(bad)) << bad;
    // A lead byte at the end is kept as a byte; only a backslash character is refused.
    for (const std::string& good : {std::string("a.txt"), std::string("..a"), std::string(".hidden"),
                                    kKanjiName, kKanjiName2, std::string("\xB1\xB2")})
        EXPECT_TRUE(AttachWriter::IsSafeAttachName(good)) << good;
    EXPECT_TRUE(AttachWriter::IsSafeAttachName("\x95"));  // a lone lead byte is no separator
}

TEST_F(AttachWriterTest, PathsOfEachVersionOnDisk) {
    struct Case {
        int version, term;
        std::string work, list, body;
    } cases[] = {
        {4, -1, "MAIL/ATEMP/", "MAIL/12/attc12.dat", "MAIL/12/ATTACH/"},
        {3, -1, "MAIL/ATEMP/", "MAIL/12/attc12.dat", "MAIL/12/ATTACH/"},
        {5, 2, "MAIL/ATEMP/at/", "MAIL/12/ATTACH/at_at12.dat", "MAIL/12/ATTACH/at/"},
        {5, 0, "MAIL/ATEMP/pc/", "MAIL/12/ATTACH/at_pc12.dat", "MAIL/12/ATTACH/pc/"},
        {5, 4, "MAIL/ATEMP/wl/", "MAIL/12/ATTACH/at_wl12.dat", "MAIL/12/ATTACH/wl/"},
    };
    for (const Case& c : cases) {
        fs::remove_all(Mail(12));
        AttachWriter w;
        Bind(w, c.version, 12, c.term);
        EXPECT_EQ(w.GetFolderPathForAttachFileTemporary(), folder_ + c.work);
        PutWork(folder_ + c.work, "a.txt", "abc");
        ASSERT_EQ(w.EncodeTempDataToDataDir("a.txt", 0), 1);
        ASSERT_EQ(w.SetAttachListRecordToMemory("a.txt", "3"), 0);
        ASSERT_EQ(w.SaveAttachList(), 1);
        EXPECT_TRUE(fs::is_regular_file(folder_ + c.list)) << c.list;
        EXPECT_EQ(ReadFile(folder_ + c.body + "a.txt.base64"), "YWJj\r\n");
    }
    // Version 5 without a terminal type works in the PC folder, but stores nothing.
    AttachWriter w;
    Bind(w, 5, 12);
    EXPECT_EQ(w.GetFolderPathForAttachFileTemporary(), folder_ + "MAIL/ATEMP/pc/");
    EXPECT_EQ(w.LoadAttachList(nullptr), 0);
    // The common work folder is MAIL/ATEMP/ whatever the version.
    AttachWriter v5;
    Bind(v5, 5, 13, 3);
    PutWork(Work(), "common.bin", "xyz");
    ASSERT_EQ(v5.EncodeTempDataToDataDir("common.bin", 1), 1);
    EXPECT_TRUE(fs::is_regular_file(Mail(13) + "ATTACH/sb/common.bin.base64"));
}

TEST_F(AttachWriterTest, StoredAttachmentsDecodeByteForByte) {
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty.dat", ""}, {"b57.bin", AttachBytes(57)}, {"b58.bin", AttachBytes(58)},
        {"binary.bin", AttachBytes(70000, 3)}, {kKanjiName, "\x82\xA0\r\n\x00z"}, {kKanjiName2, AttachBytes(1)}};
    for (int version : {3, 4, 5}) {
        const int term = version == 5 ? 3 : -1;
        fs::remove_all(Mail(40));
        {
            AttachWriter w;
            Bind(w, version, 40, term);
            const std::string work = w.GetFolderPathForAttachFileTemporary();
            for (const auto& [name, bytes] : files) {
                PutWork(work, name, bytes);
                ASSERT_EQ(w.EncodeTempDataToDataDir(name, 0), 1) << name;
                ASSERT_EQ(w.SetAttachListRecordToMemory(name, std::to_string(bytes.size())), 0);
            }
            ASSERT_EQ(w.SaveAttachList(), 1);
            fs::remove_all(work);
        }
        AttachWriter r;
        Bind(r, version, 40, term);
        r.SetFlagForDeleteFileInTemp(0);
        ASSERT_EQ(r.LoadAttachList(nullptr), 1);
        ASSERT_EQ(r.GetFileNum(), static_cast<int>(files.size()));
        EXPECT_EQ(r.CheckAllFile(), 1);
        for (int i = 0; i < r.GetFileNum(); ++i) {
            const std::string name = r.GetAttachListElement(i, 0);
            EXPECT_EQ(name, files[i].first);
            EXPECT_EQ(r.GetAttachListElement(i, 1), std::to_string(files[i].second.size()));
            ASSERT_EQ(r.DecodeAttachDataToWorkDir(name), 1) << name;
            EXPECT_EQ(ReadFile(r.GetFolderPathForAttachFileTemporary() + name), files[i].second) << name;
            std::string stored;
            ASSERT_EQ(r.GetAttachDataString(name, stored), 1);
            EXPECT_EQ(stored, AttachWriter::EncodeBody(files[i].second));
        }
        EXPECT_EQ(r.GetAttachListElement(6, 0), "");
        EXPECT_EQ(r.GetErrMsg().GetLastCode(), 15101);
        EXPECT_EQ(r.GetAttachListElement(0, 2), "");
        EXPECT_EQ(r.GetErrMsg().GetLastCode(), 15005);
        // A missing body is found by the check.
        fs::remove(Mail(40) + (version == 5 ? "ATTACH/sb/" : "ATTACH/") + "b58.bin.base64");
        EXPECT_EQ(r.CheckAllFile(), 0);
        EXPECT_EQ(r.GetErrMsg().GetLastCode(), 15104);
        EXPECT_EQ(r.DecodeAttachDataToWorkDir("b58.bin"), 0);
    }
}

TEST_F(AttachWriterTest, BodiesDecodeWhateverTheirLineLengthAndRefuseBadBase64) {
    fs::create_directories(Mail(7) + "ATTACH");
    WriteFile(Mail(7) + "ATTACH/odd.base64", "YW\r\nJjZ\nGVm\r\n\r\n");
    WriteFile(Mail(7) + "ATTACH/bad.base64", "YW*j\r\n");
    WriteFile(Mail(7) + "ATTACH/cut.base64", "YWJjZ\r\n");
    WriteFile(Mail(7) + "ATTACH/none.base64", "");
    AttachWriter w;
    Bind(w, 4, 7);
    ASSERT_EQ(w.DecodeAttachDataToWorkDir("odd"), 1);
    EXPECT_EQ(ReadFile(Work() + "odd"), "abcdef");
    ASSERT_EQ(w.DecodeAttachDataToWorkDir("none"), 1);
    EXPECT_TRUE(fs::is_regular_file(Work() + "none"));
    EXPECT_EQ(fs::file_size(Work() + "none"), 0u);
    for (const char* name : {"bad", "cut"}) {
        EXPECT_EQ(w.DecodeAttachDataToWorkDir(name), 0) << name;
        EXPECT_EQ(w.GetErrMsg().GetLastCode(), 15105);
        EXPECT_FALSE(fs::exists(Work() + name));
    }
    w.GetErrMsg().Clear();
    EXPECT_EQ(w.DecodeAttachDataToWorkDir("absent"), 0);
    EXPECT_EQ(w.GetErrMsg().GetLastCode(), 0);
}

TEST_F(AttachWriterTest, NewMailAndMissingOrDamagedLists) {
    AttachWriter w;
    Bind(w, 5, -1, 1);
    ASSERT_EQ(w.SetAttachListRecordToMemory("x", "1"), 0);
    EXPECT_EQ(w.LoadAttachList(nullptr), 1);
    EXPECT_EQ(w.GetFileNum(), 0);
    EXPECT_EQ(w.SaveAttachList(), 0);
    EXPECT_EQ(w.GetErrMsg().GetLastCode(), 15004);
    EXPECT_EQ(w.SetMailID(-2), 0);

    AttachWriter missing;
    Bind(missing, 4, 8);
    EXPECT_EQ(missing.LoadAttachList(nullptr), 1);
    EXPECT_EQ(missing.GetFileNum(), 0);
    EXPECT_EQ(missing.GetElementNumber(), 2);

    // Version 3 lists are unkeyed even in a keyed environment.
    fs::create_directories(Mail(9));
    WriteFile(Mail(9) + "attc9.dat", "");
    AttachWriter empty;
    Bind(empty, 3, 9);
    EXPECT_EQ(empty.LoadAttachList(nullptr), 1);
    EXPECT_EQ(empty.GetElementNumber(), 2);

    // A damaged list loads empty and is never saved over.
    const std::vector<std::vector<std::vector<std::string>>> damaged = {
        {{"a", "1"}, {"b"}}, {{"..", "1"}}, {{"x/y", "1"}}, {{"a", "1", "2"}}};
    for (const auto& rows : damaged) {
        WriteRecords(Mail(9) + "attc9.dat", nullptr, rows);
        const std::string before = ReadFile(Mail(9) + "attc9.dat");
        AttachWriter d;
        Bind(d, 3, 9);
        EXPECT_EQ(d.LoadAttachList(nullptr), 0) << rows[0][0];
        EXPECT_EQ(d.GetErrMsg().GetLastCode(), 15102);
        EXPECT_EQ(d.GetFileNum(), 0);
        EXPECT_EQ(d.GetElementNumber(), 2);
        ASSERT_EQ(d.SetAttachListRecordToMemory("new", "1"), 0);
        EXPECT_EQ(d.SaveAttachList(), 0);
        EXPECT_EQ(d.GetErrMsg().GetLastCode(), 15103);
        EXPECT_EQ(ReadFile(Mail(9) + "attc9.dat"), before);
    }
    // Version 4 lists are coded with the environment's key; a caller's key reads them too.
    WriteRecords(Mail(9) + "attc9.dat", EnvKey().c_str(), {{"k.txt", "5"}});
    AttachWriter keyed;
    Bind(keyed, 4, 9);
    ASSERT_EQ(keyed.LoadAttachList(nullptr), 1);
    EXPECT_EQ(keyed.GetAttachListElement(0, 0), "k.txt");
    AttachWriter given;
    Bind(given, 3, 9);
    ASSERT_EQ(given.LoadAttachList(EnvKey().c_str()), 1);
    EXPECT_EQ(given.GetAttachListElement(0, 1), "5");
}

TEST_F(AttachWriterTest, UnsafeNamesNeverReachTheFileSystem) {
    AttachWriter w;
    Bind(w, 5, 21, 0);
    PutWork(Work(), "secret", "outside the pc folder");
    for (const std::string& name : {std::string("../secret"), std::string("..\\secret"), std::string(".."),
                                    std::string("a/b"), std::string("")}) {
        EXPECT_EQ(w.EncodeTempDataToDataDir(name, 0), 0) << name;
        EXPECT_EQ(w.GetErrMsg().GetLastCode(), 15106);
        EXPECT_EQ(w.DecodeAttachDataToWorkDir(name), 0);
        EXPECT_EQ(w.GetErrMsg().GetLastCode(), 15104);
        std::string out = "kept";
        EXPECT_EQ(w.GetAttachDataString(name, out), 0);
        EXPECT_EQ(out, "kept");
        EXPECT_EQ(w.SetAttachListRecordToMemory(name, "1"), -2);
        EXPECT_EQ(w.ReplaceAttachList({{name, "1"}}, 0), 0);
    }
    EXPECT_EQ(w.GetFileNum(), 0);
    EXPECT_FALSE(fs::exists(Mail(21)));
}

class AttachReplaceTest : public AttachWriterTest {
protected:
    // Mail 30, version 5, type pc: stores a.txt and b.txt.
    void StoreAB() {
        AttachWriter w;
        Bind(w, 5, 30, 0);
        PutWork(w.GetFolderPathForAttachFileTemporary(), "a.txt", "A1");
        PutWork(w.GetFolderPathForAttachFileTemporary(), "b.txt", "B1");
        ASSERT_EQ(w.ReplaceAttachList({{"a.txt", "2"}, {"b.txt", "2"}}, 0), 1);
    }
    std::string Body(const std::string& name) const { return Mail(30) + "ATTACH/pc/" + name + ".base64"; }
    std::vector<std::string> Listed() {
        AttachWriter r;
        Bind(r, 5, 30, 0);
        EXPECT_EQ(r.LoadAttachList(nullptr), 1);
        std::vector<std::string> names;
        for (int i = 0; i < r.GetFileNum(); ++i) names.push_back(r.GetAttachListElement(i, 0));
        return names;
    }
    // Nothing but bodies and the list in the mail's attachment folders.
    void ExpectNoStagedFiles() {
        for (const auto& e : fs::recursive_directory_iterator(Mail(30))) {
            const std::string n = e.path().filename().string();
            EXPECT_TRUE(e.is_directory() || n.ends_with(".base64") || n.ends_with(".dat")) << n;
        }
    }
};

TEST_F(AttachReplaceTest, NewListReplacesOldAndDropsUnlistedBodies) {
    StoreAB();
    AttachWriter w;
    Bind(w, 5, 30, 0);
    PutWork(w.GetFolderPathForAttachFileTemporary(), "b.txt", "B2");
    PutWork(w.GetFolderPathForAttachFileTemporary(), "c.txt", "C2");
    ASSERT_EQ(w.ReplaceAttachList({{"b.txt", "2"}, {"c.txt", "2"}, {"b.txt", "2"}}, 0), 1);
    EXPECT_EQ(w.GetFileNum(), 3);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"b.txt", "c.txt", "b.txt"}));
    EXPECT_FALSE(fs::exists(Body("a.txt")));
    EXPECT_EQ(ReadFile(Body("b.txt")), AttachWriter::EncodeBody("B2"));
    EXPECT_EQ(ReadFile(Body("c.txt")), AttachWriter::EncodeBody("C2"));
    ExpectNoStagedFiles();
    // An empty list removes every body.
    ASSERT_EQ(w.ReplaceAttachList({}, 0), 1);
    EXPECT_TRUE(Listed().empty());
    EXPECT_FALSE(fs::exists(Body("b.txt")));
}

TEST_F(AttachReplaceTest, FailureKeepsTheStoredListAndBodies) {
    StoreAB();
    const std::string oldList = ReadFile(Mail(30) + "ATTACH/at_pc30.dat");
    auto expectIntact = [&](const char* what) {
        EXPECT_EQ(ReadFile(Mail(30) + "ATTACH/at_pc30.dat"), oldList) << what;
        EXPECT_EQ(ReadFile(Body("a.txt")), AttachWriter::EncodeBody("A1")) << what;
        EXPECT_EQ(ReadFile(Body("b.txt")), AttachWriter::EncodeBody("B1")) << what;
        ExpectNoStagedFiles();
    };
    AttachWriter w;
    Bind(w, 5, 30, 0);
    const std::string work = w.GetFolderPathForAttachFileTemporary();
    // A work file deleted before storing: the new body cannot be encoded.
    PutWork(work, "b.txt", "B2");
    fs::remove(work + "a.txt");
    EXPECT_EQ(w.ReplaceAttachList({{"b.txt", "2"}, {"a.txt", "2"}}, 0), 0);
    EXPECT_EQ(w.GetErrMsg().GetLastCode(), 15106);
    expectIntact("missing work file");
    // A body that cannot be written.
    platform::AtomicFile::FailNextCommitForTesting();
    EXPECT_EQ(w.ReplaceAttachList({{"b.txt", "2"}}, 0), 0);
    EXPECT_EQ(w.GetErrMsg().GetLastCode(), 15107);
    expectIntact("body write");
    // The list that cannot be saved.
    platform::AtomicFile::FailNextCommitForTesting();
    EXPECT_EQ(w.ReplaceAttachList({}, 0), 0);
    EXPECT_EQ(w.GetErrMsg().GetLastCode(), 15103);
    expectIntact("list save");
    // A damaged stored list is not replaced (its rows would be lost).
    WriteRecords(Mail(30) + "ATTACH/at_pc30.dat", EnvKey().c_str(), {{"a.txt", "2"}, {"b.txt"}});
    const std::string damaged = ReadFile(Mail(30) + "ATTACH/at_pc30.dat");
    EXPECT_EQ(w.ReplaceAttachList({{"b.txt", "2"}}, 0), 0);
    EXPECT_EQ(w.GetErrMsg().GetLastCode(), 15102);
    EXPECT_EQ(ReadFile(Mail(30) + "ATTACH/at_pc30.dat"), damaged);
    EXPECT_EQ(ReadFile(Body("a.txt")), AttachWriter::EncodeBody("A1"));
}

TEST_F(AttachWriterTest, ListCopiedElsewhereAndEmptiedWithItsBodies) {
    AttachWriter w;
    Bind(w, 4, 60);
    PutWork(Work(), "a.txt", "A");
    PutWork(Work(), "b.txt", "B");
    ASSERT_EQ(w.ReplaceAttachList({{"a.txt", "1"}, {"b.txt", "1"}}, 0), 1);
    // A copy in the environment's coding, as an upgrade writes it.
    ASSERT_EQ(w.WriteFromMemoryToFileAppointFileName(base_ + "copy.dat"), 1);
    BaseRecordStructer copy;
    ASSERT_EQ(copy.LoadCSVFile(base_ + "copy.dat", EnvKey().c_str()), BaseRecordStructer::kLoadOk);
    EXPECT_EQ(copy.GetStringElement(0, 1), "b.txt");
    ASSERT_EQ(w.InitAttachListAndData(), 1);
    EXPECT_EQ(w.GetFileNum(), 0);
    EXPECT_FALSE(fs::exists(Mail(60) + "ATTACH/a.txt.base64"));
    EXPECT_FALSE(fs::exists(Mail(60) + "ATTACH/b.txt.base64"));
    EXPECT_TRUE(fs::exists(Work() + "a.txt"));
}

TEST_F(AttachWriterTest, DestructionRemovesOnlyItsOwnDecodedFiles) {
    {
        AttachWriter w;
        Bind(w, 4, 50);
        PutWork(Work(), "mine.txt", "m");
        ASSERT_EQ(w.ReplaceAttachList({{"mine.txt", "1"}}, 0), 1);
    }
    PutWork(Work(), "other.txt", "another screen's file");
    PutWork(Work() + "pc/", "v5.txt", "a version-5 screen's file");
    fs::remove(Work() + "mine.txt");
    {
        AttachWriter w;
        Bind(w, 4, 50);
        ASSERT_EQ(w.LoadAttachList(nullptr), 1);
        ASSERT_EQ(w.DecodeAttachDataToWorkDir("mine.txt"), 1);
        EXPECT_TRUE(fs::exists(Work() + "mine.txt"));
    }
    EXPECT_FALSE(fs::exists(Work() + "mine.txt"));
    EXPECT_TRUE(fs::exists(Work() + "other.txt"));
    EXPECT_TRUE(fs::exists(Work() + "pc/v5.txt"));
    {
        AttachWriter w;
        Bind(w, 4, 50);
        w.SetFlagForDeleteFileInTemp(0);
        ASSERT_EQ(w.DecodeAttachDataToWorkDir("mine.txt"), 1);
    }
    EXPECT_TRUE(fs::exists(Work() + "mine.txt"));
    // Clearing is explicit and keeps the sub-folders of other terminal types.
    AttachWriter w;
    Bind(w, 4, 50);
    EXPECT_EQ(w.ClearWorkFolder(), 1);
    EXPECT_FALSE(fs::exists(Work() + "mine.txt"));
    EXPECT_FALSE(fs::exists(Work() + "other.txt"));
    EXPECT_TRUE(fs::exists(Work() + "pc/v5.txt"));
}

}  // namespace
