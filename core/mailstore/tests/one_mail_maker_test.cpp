// One mail's whole data: new and existing mails of every kind stored and read back byte for
// byte, the folder layout on disk, a version-4 mail with a lost body, and the failures that
// must not cost stored attachments or another screen's work files.

#include "core/mailstore/one_mail_maker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/one_mail_data.h"
#include "mailstore_test_util.h"
#include "platform/notifier.h"

namespace {

namespace fs = std::filesystem;

// "表.txt" in Shift_JIS: its trail byte is 0x5C, the byte of a backslash.
const std::string kKanjiFileName = "\x95\x5C.txt";

std::string MakerBytes(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 151 + seed * 17) & 0xFF);
    return s;
}

struct File {
    std::string name, bytes;
};

// Attachments of terminal type `type`: 0-, 57- and 58-byte files, a binary file and a kanji
// name, each with contents particular to the type.
std::vector<File> FilesOf(int type) {
    return {{"empty.dat", ""},
            {"b57.bin", MakerBytes(57, type)},
            {"b58.bin", MakerBytes(58, type)},
            {"binary.bin", MakerBytes(5000 + type, type + 1)},
            {kKanjiFileName, std::string("type ") + env_layout::TerminalFolderCode(type)}};
}

class OneMailTest : public mailtest::MailEnvTest {
protected:
    void SetUp() override {
        MailEnvTest::SetUp();
        previous_ = platform::SetNotifier([this](const std::string& text, const std::string&, unsigned) {
            notes_.push_back(text);
            return platform::kIdOk;
        });
        if (!fs::exists(folder_ + "MAIL/maillist.dat")) WriteFile(folder_ + "MAIL/maillist.dat", "");
    }
    void TearDown() override {
        platform::SetClockForTesting(nullptr);
        platform::SetNotifier(previous_);
        MailEnvTest::TearDown();
    }
    void Bind(OneMailMaker& maker, int mailID) {
        if (list_.GetEnvManager() == nullptr) {
            ASSERT_EQ(list_.SetEnvManager(&env_), 1);
        }
        ASSERT_EQ(maker.SetEnvManager(&env_), 1);
        ASSERT_EQ(maker.SetMailListViewer(&list_), 1);
        ASSERT_EQ(maker.SetMailID(mailID), 0);
    }
    std::string Work() const { return folder_ + "MAIL/ATEMP/"; }
    std::string WorkOf(int type) const { return Work() + env_layout::TerminalFolderCode(type) + "/"; }
    void Put(const std::string& folder, const File& f) {
        fs::create_directories(folder);
        WriteFile(folder + f.name, f.bytes);
    }
    // A mail with texts in all 7 rows and, for each type in `types`, its files in the work
    // folder (`common`: all in MAIL/ATEMP/, for version 4) and in the record.
    OneMail MakeMail(const std::vector<int>& types, bool common = false) {
        OneMail m;
        m.addressName = "list";
        m.reserveDate = platform::DateTime(2031, 2, 3, 4, 50, 0);
        m.honorific = Utf8ToSjis("様");
        for (int row = 0; row < OneMail::kTermRows; ++row) {
            m.subject[row] = "subject " + std::to_string(row);
            m.body[row] = "body " + std::to_string(row) + "\r\n" + Utf8ToSjis("本文");
        }
        for (int type : types) {
            for (const File& f : FilesOf(type)) {
                Put(common ? Work() : WorkOf(type), f);
                m.attach[type].push_back({f.name, std::to_string(f.bytes.size())});
            }
        }
        return m;
    }
    // Reads mail `id` in a fresh maker after the work folders were removed and compares it
    // with what was stored, work files byte for byte.
    void ExpectReadsBack(int id, const OneMail& stored, const std::string& kind, int version,
                         const std::vector<int>& types) {
        fs::remove_all(Work());
        OneMailMaker maker;
        Bind(maker, id);
        OneMail m;
        ASSERT_EQ(maker.GetOneMailData(m, kind, version), 0) << maker.GetErrMsg().GetLastCode();
        EXPECT_EQ(m.addressName, stored.addressName);
        EXPECT_EQ(m.honorific, stored.honorific);
        EXPECT_EQ(m.reserveDate, stored.reserveDate);
        EXPECT_EQ(m.subject, stored.subject);
        EXPECT_EQ(m.body, stored.body);
        for (int type = 0; type < OneMail::kTermRows; ++type) {
            const bool read = std::find(types.begin(), types.end(), type) != types.end();
            ASSERT_EQ(m.attach[type].size(), read ? stored.attach[type].size() : 0u) << type;
            for (size_t i = 0; i < m.attach[type].size(); ++i) {
                const AttachData& a = m.attach[type][i];
                EXPECT_EQ(a.fileName, stored.attach[type][i].fileName);
                EXPECT_EQ(a.secondText, stored.attach[type][i].secondText);
                const std::string work = version == 5 ? WorkOf(type) : Work();
                EXPECT_EQ(ReadFile(work + a.fileName), FilesOf(type)[i].bytes) << type << " " << a.fileName;
            }
        }
    }
    COneMailData Record(int id) {
        COneMailData r;
        EXPECT_EQ(list_.GetMailData(id, r), 0);
        return r;
    }
    static void SetClock(const platform::DateTime& t) {
        const std::time_t tt = t.ToTimeT();
        platform::SetClockForTesting([tt] { return tt; });
    }

    CMailListViewer list_;
    std::vector<std::string> notes_;
    platform::NotifierFunction previous_;
};

class OneMailKeyedTest : public OneMailTest {
protected:
    bool Keyed() const override { return true; }
};


TEST_F(OneMailTest, TextMailOfEveryTypeReadsBackByteForByte) {
    const std::vector<int> all = {0, 1, 2, 3, 4};
    OneMail stored = MakeMail(all);
    OneMailMaker maker;
    Bind(maker, -1);
    ASSERT_EQ(maker.SetOneMailData(stored, "N", 5), 0) << maker.GetErrMsg().GetLastMsg();
    const int id = maker.GetMailID();
    ASSERT_GE(id, 0);

    // The folder layout of version 5.
    const std::string mail = MailDir(id);
    EXPECT_TRUE(fs::is_regular_file(mail + "mail" + std::to_string(id) + ".dat"));
    EXPECT_FALSE(fs::exists(mail + "attc" + std::to_string(id) + ".dat"));
    for (int type : all) {
        const std::string tt = env_layout::TerminalFolderCode(type);
        EXPECT_TRUE(fs::is_regular_file(mail + "ATTACH/at_" + tt + std::to_string(id) + ".dat")) << tt;
        for (const File& f : FilesOf(type))
            EXPECT_TRUE(fs::is_regular_file(mail + "ATTACH/" + tt + "/" + f.name + ".base64")) << tt;
    }
    // The list line of a new draft.
    const COneMailData r = Record(id);
    EXPECT_EQ(r.GetStatus(), "D");
    EXPECT_EQ(r.GetMailTitle(), "subject 0");
    EXPECT_EQ(r.GetSpecialFlag(), "NN");
    EXPECT_EQ(r.GetSentNumber() + r.GetErrorNumber() + r.GetOpenNumber(), 0);
    EXPECT_EQ(r.GetReserveDate(), stored.reserveDate);

    ExpectReadsBack(id, stored, "N", 5, all);
    // A kind that selects fewer types reads only those.
    ExpectReadsBack(id, stored, "Y", 5, {0});
}

TEST_F(OneMailKeyedTest, KeyedEnvironmentReadsBackToo) {
    OneMail stored = MakeMail({0, 1, 2, 3, 4});
    OneMailMaker maker;
    Bind(maker, -1);
    ASSERT_EQ(maker.SetOneMailData(stored, "N", 5), 0);
    ExpectReadsBack(maker.GetMailID(), stored, "N", 5, {0, 1, 2, 3, 4});
}

TEST_F(OneMailTest, VersionFourKeepsOneListForTheMail) {
    OneMail stored = MakeMail({0}, true);
    stored.attach[1].push_back({"never.txt", "1"});  // only array 0 is stored in version 4
    OneMailMaker maker;
    Bind(maker, -2);
    ASSERT_EQ(maker.SetOneMailData(stored, "Y", 4), 0);
    const int id = maker.GetMailID();
    EXPECT_TRUE(fs::is_regular_file(MailDir(id) + "attc" + std::to_string(id) + ".dat"));
    EXPECT_TRUE(fs::is_regular_file(MailDir(id) + "ATTACH/b57.bin.base64"));
    EXPECT_FALSE(fs::exists(MailDir(id) + "ATTACH/at_pc" + std::to_string(id) + ".dat"));
    stored.attach[1].clear();
    ExpectReadsBack(id, stored, "Y", 4, {0});
}

TEST_F(OneMailTest, MobileHtmlMailStoresOnlyItsTypesAndKeepsItsEntryDates) {
    SetClock(platform::DateTime(2031, 1, 1, 9, 0, 0));
    OneMail stored = MakeMail({0, 1, 2, 3, 4});
    OneMailMaker maker;
    Bind(maker, -1);
    ASSERT_EQ(maker.SetOneMailData(stored, "M", 5), 0);
    const int id = maker.GetMailID();
    const std::string attach = MailDir(id) + "ATTACH/";
    for (const char* tt : {"nd", "at", "sb"}) EXPECT_TRUE(fs::is_directory(attach + tt)) << tt;
    for (const char* tt : {"pc", "wl"}) {
        EXPECT_FALSE(fs::exists(attach + tt)) << tt;
        EXPECT_FALSE(fs::exists(attach + "at_" + tt + std::to_string(id) + ".dat")) << tt;
    }
    COneMailData first = Record(id);
    EXPECT_EQ(first.GetMailTitle(), "subject 1");
    EXPECT_EQ(first.GetSpecialFlag(), "NM");
    ExpectReadsBack(id, stored, "M", 5, {1, 2, 3});

    // Storing it again later: a draft again, new renewal date, old entry dates and flags.
    ASSERT_EQ(list_.SetMailDataPinPoint(id, 3, "W"), 0);
    SetClock(platform::DateTime(2031, 1, 2, 9, 0, 0));
    OneMail again = MakeMail({1, 2, 3});
    again.subject[1] = "changed";
    ASSERT_EQ(maker.SetOneMailData(again, "M", 5), 0);
    EXPECT_EQ(maker.GetMailID(), id);
    const COneMailData second = Record(id);
    EXPECT_EQ(second.GetStatus(), "D");
    EXPECT_EQ(second.GetMailTitle(), "changed");
    EXPECT_EQ(second.GetSpecialFlag(), "NM");
    EXPECT_EQ(second.GetEntryDate(), first.GetEntryDate());
    EXPECT_EQ(second.GetSetAddressDate(), first.GetSetAddressDate());
    EXPECT_EQ(second.GetRenewalDate(), platform::DateTime(2031, 1, 2, 9, 0, 0));
    EXPECT_EQ(list_.CountMail(), 1);
}

TEST_F(OneMailTest, VersionFourFixtureWithOneBodyMissing) {
    fs::copy(std::string(OMBREL_TESTDATA) + "/one_mail_v4_missing_body", folder_,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    Put(Work(), {"stale.txt", "left by an earlier send"});
    Put(WorkOf(0), {"keep.txt", "a composing screen's file"});
    OneMailMaker maker;
    Bind(maker, 77);
    OneMail m;
    EXPECT_EQ(maker.GetOneMailData(m, "N", -1), -17);
    EXPECT_EQ(maker.GetErrMsg().GetLastCode(), 8203);
    ASSERT_EQ(m.attach[0].size(), 2u);
    EXPECT_EQ(m.attach[0][0].fileName, "first.txt");
    EXPECT_EQ(m.attach[0][0].secondText, "5");
    EXPECT_EQ(m.attach[0][1].fileName, "third.bin");
    EXPECT_EQ(ReadFile(Work() + "first.txt"), "hello");
    EXPECT_EQ(ReadFile(Work() + "third.bin"), std::string("\x00\xff\x5c", 3));
    EXPECT_EQ(m.subject[0], "PC subject");
    EXPECT_EQ(m.body[0], "PC body\r\nline 2");
    EXPECT_EQ(m.subject[6], "subject 6");
    EXPECT_EQ(m.addressName, "list");
    EXPECT_EQ(m.honorific, Utf8ToSjis("様"));
    EXPECT_EQ(m.reserveDate, platform::DateTime(2030, 1, 4, 10, 0, 0));
    // The read emptied the files of MAIL/ATEMP/ first, but not the version-5 folders.
    EXPECT_FALSE(fs::exists(Work() + "stale.txt"));
    EXPECT_TRUE(fs::exists(WorkOf(0) + "keep.txt"));

    // Stored again as a PC HTML mail: the one-letter flag of the older list gets the kind,
    // and the list names only the attachments that could be read.
    ASSERT_EQ(maker.SetOneMailData(m, "Y", 4), 0);
    EXPECT_EQ(Record(77).GetSpecialFlag(), "NY");
    m.attach[0].clear();
    ASSERT_EQ(maker.GetOneMailData(m, "Y", 4), 0);
    EXPECT_EQ(m.attach[0].size(), 2u);
}

TEST_F(OneMailTest, WorkFileDeletedBeforeStoringLeavesTheStoredAttachments) {
    OneMail stored = MakeMail({0});
    OneMailMaker maker;
    Bind(maker, -1);
    ASSERT_EQ(maker.SetOneMailData(stored, "Y", 5), 0);
    const int id = maker.GetMailID();
    const std::string list = MailDir(id) + "ATTACH/at_pc" + std::to_string(id) + ".dat";
    const std::string listBefore = ReadFile(list);

    fs::remove(WorkOf(0) + "b58.bin");
    OneMail edited = stored;
    edited.attach[0].erase(edited.attach[0].begin());  // "empty.dat" dropped by the user
    EXPECT_EQ(maker.SetOneMailData(edited, "Y", 5), -18);
    EXPECT_EQ(maker.GetErrMsg().GetLastCode(), 8204);
    EXPECT_EQ(ReadFile(list), listBefore);
    EXPECT_TRUE(fs::exists(MailDir(id) + "ATTACH/pc/empty.dat.base64"));
    ExpectReadsBack(id, stored, "Y", 5, {0});
}

TEST_F(OneMailTest, MakersNeverRemoveAnotherMakersWorkFiles) {
    Put(Work(), {"v4.txt", "another screen"});
    Put(WorkOf(0), {"v5.txt", "another screen"});
    {
        OneMailMaker reader;
        Bind(reader, -1);
        OneMail m;
        ASSERT_EQ(reader.GetOneMailData(m, "N", 5), 0);
    }
    {
        OneMailMaker writer;
        Bind(writer, -1);
        OneMail m = MakeMail({});
        ASSERT_EQ(writer.SetOneMailData(m, "N", 5), 0);
        OneMail failing = MakeMail({});
        failing.attach[0].push_back({"absent.txt", "1"});
        EXPECT_EQ(writer.SetOneMailData(failing, "N", 4), -18);
    }
    EXPECT_EQ(ReadFile(Work() + "v4.txt"), "another screen");
    EXPECT_EQ(ReadFile(WorkOf(0) + "v5.txt"), "another screen");
}

TEST_F(OneMailTest, NewMailIsListedOnlyOnceAllItsFilesAreStored) {
    Put(Work(), {"evil.txt", "outside the pc folder"});
    for (const std::string& name : {std::string("../evil.txt"), std::string("..\\evil.txt")}) {
        OneMail m = MakeMail({});
        m.attach[0].push_back({name, "1"});
        OneMailMaker maker;
        Bind(maker, -1);
        EXPECT_EQ(maker.SetOneMailData(m, "Y", 5), -18) << name;
        EXPECT_EQ(maker.GetErrMsg().GetLastCode(), 8204);
        EXPECT_EQ(maker.GetMailID(), -1);
        EXPECT_EQ(list_.CountMail(), 0);
        // Nothing of the failed mail stays behind: only the work folder is in MAIL/.
        for (const auto& e : fs::directory_iterator(folder_ + "MAIL"))
            EXPECT_TRUE(!e.is_directory() || e.path().filename() == "ATEMP") << e.path();
    }
    CMailListViewer fresh;
    ASSERT_EQ(fresh.SetEnvManager(&env_), 1);
    EXPECT_EQ(fresh.CountMail(), 0);
}

TEST_F(OneMailTest, ReusedRecordLosesTheAttachmentsOfTheMailReadBefore) {
    OneMailMaker maker;
    Bind(maker, -1);
    OneMail withFiles = MakeMail({0});
    ASSERT_EQ(maker.SetOneMailData(withFiles, "Y", 5), 0);
    const int first = maker.GetMailID();
    ASSERT_EQ(maker.SetMailID(-1), 0);
    OneMail plain = MakeMail({});
    plain.honorific = "B";
    ASSERT_EQ(maker.SetOneMailData(plain, "Y", 5), 0);
    const int second = maker.GetMailID();

    OneMail m;
    ASSERT_EQ(maker.SetMailID(first), 0);
    ASSERT_EQ(maker.GetOneMailData(m, "Y", 5), 0);
    ASSERT_EQ(m.attach[0].size(), 5u);
    m.attach[3].push_back({"stray", "1"});
    ASSERT_EQ(maker.SetMailID(second), 0);
    ASSERT_EQ(maker.GetOneMailData(m, "Y", 5), 0);
    for (const auto& a : m.attach) EXPECT_TRUE(a.empty());
    EXPECT_EQ(m.honorific, "B");
    // A new mail: empty texts, no attachments, the caller's honorific kept.
    m.attach[0].push_back({"stray", "1"});
    ASSERT_EQ(maker.SetMailID(-1), 0);
    ASSERT_EQ(maker.GetOneMailData(m, "Y", 5), 0);
    EXPECT_TRUE(m.attach[0].empty());
    EXPECT_EQ(m.subject[0], "");
    EXPECT_EQ(m.honorific, "B");
}

TEST_F(OneMailTest, NewMailReserveDateIsTheNextTenMinuteMark) {
    struct Case {
        platform::DateTime now, expect;
    } cases[] = {
        {{2031, 5, 6, 10, 3, 15}, {2031, 5, 6, 10, 10, 0}},
        {{2031, 5, 6, 10, 50, 30}, {2031, 5, 6, 10, 50, 0}},
        {{2031, 12, 31, 23, 55, 0}, {2032, 1, 1, 0, 0, 0}},
    };
    OneMailMaker maker;
    Bind(maker, -1);
    for (const Case& c : cases) {
        SetClock(c.now);
        OneMail m = MakeMail({});
        ASSERT_EQ(maker.GetOneMailData(m, "N", 5), 0);
        EXPECT_EQ(m.reserveDate, c.expect) << c.now.Format("%Y/%m/%d %H:%M:%S");
        EXPECT_EQ(m.subject[0], "");
        EXPECT_EQ(m.addressName, "");
    }
}

TEST_F(OneMailTest, UnreadableMailsAndUnboundMakersFail) {
    OneMailMaker maker;
    OneMail m;
    EXPECT_EQ(maker.GetMailID(), -3);
    EXPECT_EQ(maker.GetOneMailData(m, "N", 5), -11);
    EXPECT_EQ(maker.GetErrMsg().GetLastCode(), 8002);
    ASSERT_EQ(maker.SetEnvManager(&env_), 1);
    EXPECT_EQ(maker.SetEnvManager(&env_), 0);
    EXPECT_EQ(maker.GetAttachTempDirPath(), Work());
    EXPECT_EQ(maker.SetOneMailData(m, "N", 5), -12);
    EXPECT_EQ(maker.GetErrMsg().GetLastCode(), 8004);
    ASSERT_EQ(list_.SetEnvManager(&env_), 1);
    ASSERT_EQ(maker.SetMailListViewer(&list_), 1);
    EXPECT_EQ(maker.SetMailListViewer(&list_), 0);
    EXPECT_EQ(maker.GetOneMailData(m, "N", 5), -7);
    EXPECT_EQ(maker.SetOneMailData(m, "N", 5), -7);
    EXPECT_EQ(maker.SetMailID(12345), -5);
    EXPECT_EQ(maker.GetErrMsg().GetLastCode(), 8008);
    EXPECT_EQ(maker.SetOneMailData("n", platform::DateTime(), std::vector<std::string>(6),
                                   std::vector<std::string>(7), "N", 5), -99);
    EXPECT_EQ(maker.GetErrMsg().GetLastCode(), 8999);

    // A mail stored through the second form, then damaged in two ways.
    ASSERT_EQ(maker.SetMailID(-1), 0);
    std::vector<std::string> subjects(7, "s"), bodies(7, "b");
    subjects[1] = "mobile";
    ASSERT_EQ(maker.SetOneMailData("n", platform::DateTime(2031, 1, 1, 0, 0, 0), subjects, bodies, "X", 5), 0);
    const int id = maker.GetMailID();
    EXPECT_EQ(Record(id).GetMailTitle(), "mobile");
    ASSERT_EQ(maker.GetOneMailData(m, "X", 5), 0);
    EXPECT_EQ(m.body[6], "b");
    ASSERT_EQ(list_.SetMailDataPinPoint(id, 6, "2031/01/01"), 0);
    EXPECT_EQ(maker.GetOneMailData(m, "X", 5), -99);
    EXPECT_EQ(maker.GetErrMsg().GetLastCode(), 8999);
    ASSERT_EQ(list_.SetMailDataPinPoint(id, 6, "2031/01/01 00:00:00"), 0);
    fs::remove(MailDir(id) + "mail" + std::to_string(id) + ".dat");
    EXPECT_EQ(maker.GetOneMailData(m, "X", 5), -99);
    EXPECT_EQ(maker.GetErrMsg().GetLastCode(), 8999);
}

TEST_F(OneMailTest, ConstructorRefusalIsShownAndThrown) {
    ASSERT_EQ(list_.SetEnvManager(&env_), 1);
    EXPECT_THROW(OneMailMaker(nullptr, &list_, -1), platform::UserException);
    EXPECT_THROW(OneMailMaker(&env_, nullptr, -1), platform::UserException);
    EXPECT_THROW(OneMailMaker(&env_, &list_, 4242), platform::UserException);
    ASSERT_EQ(notes_.size(), 3u);
    std::string expect;
    CErrMsg::GetErrMsgFromDefined(8008, expect);
    EXPECT_NE(notes_[2].find(expect), std::string::npos);
    OneMailMaker bound(&env_, &list_, -1);
    EXPECT_EQ(bound.GetMailID(), -1);
}

}  // namespace
