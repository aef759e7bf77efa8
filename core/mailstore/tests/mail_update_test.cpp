// A mail's update is all or nothing: a child process killed at each step of an update, a
// save that fails at each of its writes (a full disk), and a commit record that points
// outside the mail - each followed by a reopen that must find the old or the new mail
// whole, and nothing left over.

#include "core/mailstore/mail_update.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/record_table.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/one_mail_maker.h"
#include "mailstore_test_util.h"
#include "platform/notifier.h"
#include "platform/safe_write.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTypes = 5;

// Step hooks are plain functions: their state is global (one per process, and a forked
// child gets its own copy).
int g_steps = 0;
int g_killAt = 0;
int g_failAt = 0;

void KillAtStep(const char*) {
    if (++g_steps == g_killAt) ::raise(SIGKILL);
}
// Makes the safe write after step g_failAt fail, as a full disk would.
void FailAfterStep(const char* step) {
    if (std::string_view(step) == "safe-write" && ++g_steps == g_failAt) platform::AtomicFile::FailNextCommitForTesting();
}

struct Version {
    std::string tag;
    // Per terminal type: attachment name -> content.
    std::vector<std::vector<std::pair<std::string, std::string>>> files;
};

// Version 1 and 2 differ in every part: texts, list columns, and per type one attachment
// dropped ("a"), one changed ("b"), one kept ("c") and one added ("d").
Version MakeVersion(int v) {
    Version out{"v" + std::to_string(v), {}};
    for (int t = 0; t < kTypes; ++t) {
        const std::string tt = env_layout::TerminalFolderCode(t);
        std::vector<std::pair<std::string, std::string>> f;
        if (v == 1) f.push_back({"a.txt", "a of " + tt});
        f.push_back({"b.bin", std::string(3000 + 100 * t, static_cast<char>('0' + v)) + tt});
        f.push_back({"c.txt", "c of " + tt});
        if (v == 2) f.push_back({"d.txt", "d of " + tt});
        out.files.push_back(f);
    }
    return out;
}

class MailUpdateTest : public mailtest::MailEnvTest {
protected:
    bool Keyed() const override { return true; }
    // Hundreds of updates: the kills, not the disk, are under test.
    bool InMemory() const override { return true; }
    void SetUp() override {
        MailEnvTest::SetUp();
        previous_ = platform::SetNotifier([](const std::string&, const std::string&, unsigned) { return platform::kIdOk; });
        WriteFile(folder_ + "MAIL/maillist.dat", "");
        v1_ = MakeVersion(1);
        v2_ = MakeVersion(2);
        // Mail v1, waiting to be sent.
        CMailListViewer list;
        ASSERT_EQ(list.SetEnvManager(&env_), 1);
        OneMailMaker maker;
        ASSERT_EQ(maker.SetEnvManager(&env_), 1);
        ASSERT_EQ(maker.SetMailListViewer(&list), 1);
        ASSERT_EQ(maker.SetMailID(-1), 0);
        OneMail m = Mail(v1_);
        ASSERT_EQ(maker.SetOneMailData(m, "N", 5), 0);
        id_ = maker.GetMailID();
        ASSERT_EQ(list.SetMailDataPinPoint(id_, 3, "W"), 0);
        ASSERT_EQ(list.WriteMailListCompel(), 0);
        fs::copy(folder_, base_ + "snapshot", fs::copy_options::recursive);
    }
    void TearDown() override {
        platform::SetStepHookForTesting(nullptr);
        platform::SetNotifier(previous_);
        MailEnvTest::TearDown();
    }
    void Restore() {
        fs::remove_all(folder_);
        fs::copy(base_ + "snapshot", folder_, fs::copy_options::recursive);
    }
    // The record of a version; with `put` its files are put into the work folders.
    OneMail Mail(const Version& v, bool put = true) {
        OneMail m;
        m.addressName = "list " + v.tag;
        m.honorific = Utf8ToSjis("様") + v.tag;
        m.reserveDate = platform::DateTime(2031, 2, 3, 4, v.tag == "v1" ? 10 : 20, 0);
        for (int row = 0; row < OneMail::kTermRows; ++row) {
            m.subject[row] = v.tag + " subject " + std::to_string(row);
            m.body[row] = v.tag + " body " + std::to_string(row) + "\r\n" + Utf8ToSjis("本文");
        }
        for (int t = 0; t < kTypes; ++t) {
            const std::string work = folder_ + "MAIL/ATEMP/" + env_layout::TerminalFolderCode(t) + "/";
            if (put) fs::create_directories(work);
            for (const auto& [name, bytes] : v.files[static_cast<size_t>(t)]) {
                if (put) WriteFile(work + name, bytes);
                m.attach[static_cast<size_t>(t)].push_back({name, std::to_string(bytes.size())});
            }
        }
        return m;
    }
    // Stores version 2 over the mail: the maker's result.
    int Update() {
        CMailListViewer list;
        if (list.SetEnvManager(&env_) != 1) return -1000;
        OneMailMaker maker;
        maker.SetEnvManager(&env_);
        maker.SetMailListViewer(&list);
        if (maker.SetMailID(id_) != 0) return -1001;
        OneMail m = Mail(v2_);
        return maker.SetOneMailData(m, "N", 5);
    }
    // Opens the environment afresh and reads the mail: "v1" or "v2" when every part is of
    // that version, else a description of the mix.
    std::string Reopen() {
        fs::remove_all(folder_ + "MAIL/ATEMP");
        CMailListViewer list;
        if (list.SetEnvManager(&env_) != 1) return "list unreadable";
        OneMailMaker maker;
        maker.SetEnvManager(&env_);
        maker.SetMailListViewer(&list);
        if (maker.SetMailID(id_) != 0) return "mail not listed";
        OneMail got;
        if (const int r = maker.GetOneMailData(got, "N", 5); r != 0) return "read failed " + std::to_string(r);
        COneMailData line;
        list.GetMailData(id_, line);
        std::string which;
        for (const Version* v : {&v1_, &v2_}) {
            const OneMail want = Mail(*v, false);
            bool same = got.subject == want.subject && got.body == want.body &&
                        got.addressName == want.addressName && got.honorific == want.honorific &&
                        got.reserveDate == want.reserveDate && line.GetMailTitle() == want.subject[0];
            for (int t = 0; same && t < kTypes; ++t) {
                const auto& files = v->files[static_cast<size_t>(t)];
                same = got.attach[static_cast<size_t>(t)].size() == files.size();
                const std::string tt = env_layout::TerminalFolderCode(t);
                for (size_t i = 0; same && i < files.size(); ++i)
                    same = got.attach[static_cast<size_t>(t)][i].fileName == files[i].first &&
                           ReadFile(folder_ + "MAIL/ATEMP/" + tt + "/" + files[i].first) == files[i].second;
                // No body that the list does not name.
                std::set<std::string> bodies, listed;
                for (const auto& e : fs::directory_iterator(MailDir(id_) + "ATTACH/" + tt))
                    bodies.insert(e.path().filename().string());
                for (const auto& f : files) listed.insert(f.first + ".base64");
                same = same && bodies == listed;
            }
            if (same) which = v->tag;
        }
        if (which.empty()) return "mix";
        if (which == "v2" && line.GetStatus() != "D") return "v2 not a draft";
        return which;
    }
    // Leftovers of an update or of a safe write anywhere in the environment.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(folder_)) {
            const std::string name = e.path().filename().string();
            if (name == "UPDATE" || name.find(".tmp") != std::string::npos) out.push_back(e.path().string());
        }
        return out;
    }

    Version v1_, v2_;
    int id_ = -1;
    platform::NotifierFunction previous_;
};

TEST_F(MailUpdateTest, KilledAtEveryStepTheMailReadsOldOrNewAndNothingStays) {
    int olds = 0, news = 0;
    bool finished = false;
    for (int k = 1; k < 400 && !finished; ++k) {
        SCOPED_TRACE("kill at step " + std::to_string(k));
        Restore();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            g_steps = 0;
            g_killAt = k;
            platform::SetStepHookForTesting(&KillAtStep);
            ::_exit(Update() == 0 ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (WIFEXITED(status)) {
            // Past the last step: the update ran to its end.
            ASSERT_EQ(WEXITSTATUS(status), 0);
            finished = true;
        } else {
            ASSERT_TRUE(WIFSIGNALED(status));
        }
        const std::string read = Reopen();
        ASSERT_TRUE(read == "v1" || read == "v2") << read;
        (read == "v1" ? olds : news)++;
        ASSERT_EQ(Leftovers(), std::vector<std::string>());
        if (finished) {
            EXPECT_EQ(read, "v2");
        }
    }
    EXPECT_TRUE(finished);
    // The commit falls between the first and the last step.
    EXPECT_GT(olds, 10);
    EXPECT_GT(news, 10);
}

TEST_F(MailUpdateTest, WriteFailingAtEveryStepLeavesTheOldMailOrAStoredNewOne) {
    bool finished = false;
    for (int k = 1; k < 200 && !finished; ++k) {
        SCOPED_TRACE("write " + std::to_string(k) + " fails");
        Restore();
        g_steps = 0;
        g_failAt = k - 1;
        if (k == 1) platform::AtomicFile::FailNextCommitForTesting();
        platform::SetStepHookForTesting(&FailAfterStep);
        const int r = Update();
        platform::SetStepHookForTesting(nullptr);
        if (r == 0) {
            // Every write succeeded: past the end of the table. Drop a failure still armed.
            finished = true;
            platform::AtomicFile::FailNextCommitForTesting();
            platform::WriteFileAtomically(base_ + "drain", "");
        }
        // A failure before the commit keeps the old mail and leaves nothing; after it only
        // the list can fail (-9), and the commit record then brings the line at the next read.
        const bool pending = !Leftovers().empty();
        if (pending) {
            EXPECT_EQ(r, -9);
        }
        EXPECT_EQ(Reopen(), r == 0 || pending ? "v2" : "v1") << r;
        ASSERT_EQ(Leftovers(), std::vector<std::string>());
    }
    EXPECT_TRUE(finished);
}

TEST_F(MailUpdateTest, CommitRecordLeavingTheMailFolderIsRefused) {
    const std::string staging = MailUpdate::StagingFolder(env_, id_);
    fs::create_directories(staging);
    WriteFile(staging + "s0", "intruder");
    StoreKey key;
    ASSERT_EQ(GetStoreKey(&env_, key), 0);
    for (const char* target : {"../../DB/database.dat", "/etc/passwd", "ATTACH/./x", ""}) {
        SCOPED_TRACE(target);
        mailtest::WriteRecordFile(staging + "commit.dat", key.get(),
                                  {{"V", "1", std::to_string(id_)}, {"R", "s0", target}});
        EXPECT_EQ(MailUpdate::Recover(&env_, id_, nullptr), MailUpdate::kFailed);
        EXPECT_EQ(ReadFile(staging + "s0"), "intruder");
        // The mail's readers refuse it rather than read a possible mix.
        MailWriter w;
        w.SetTermNum(7);
        w.SetEnvManager(&env_);
        EXPECT_EQ(w.SetMailFromFile(id_, 0, nullptr), 0);
        EXPECT_EQ(w.GetErrMsg().GetLastCode(), 12201);
    }
    EXPECT_FALSE(fs::exists(folder_ + "DB/database.dat"));
    // Without the record the staging folder is only a stale beginning: it goes.
    fs::remove(staging + "commit.dat");
    EXPECT_EQ(Reopen(), "v1");
    EXPECT_EQ(Leftovers(), std::vector<std::string>());
}

}  // namespace
