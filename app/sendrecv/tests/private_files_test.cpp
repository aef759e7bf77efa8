// Under a wide umask, a mail with attachments and a send run of it to a real SMTP server
// leave nothing that another user could read: the mail's files and folders, the
// attachments' work folder, the send history with its progress record and the transfer
// log are all 0600 (folders 0700).

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/sendrecv/tests/send_run_fixture.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/mailstore/attach_writer.h"
#include "platform/safe_write.h"

namespace {

namespace fs = std::filesystem;
using sendtest::SendTestServer;
using sendtest::Sjis;

// Every file and folder below `folder` (links left out) that is not 0600 / 0700.
std::vector<std::string> NotPrivate(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        struct stat st {};
        if (::lstat(e.path().c_str(), &st) != 0 || S_ISLNK(st.st_mode)) continue;
        const mode_t mode = st.st_mode & 07777;
        if (mode != (S_ISDIR(st.st_mode) ? 0700u : 0600u)) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "%o", mode);
            out.push_back(e.path().string() + " " + octal);
        }
    }
    return out;
}

class PrivateSendFilesTest : public sendtest::SendRunTest, public ::testing::WithParamInterface<mode_t> {
protected:
    void SetUp() override {
        old_ = ::umask(GetParam());
        sendtest::SendRunTest::SetUp();
    }
    void TearDown() override {
        sendtest::SendRunTest::TearDown();
        ::umask(old_);
    }
    mode_t old_ = 0;
};

TEST_P(PrivateSendFilesTest, AMailWithAttachmentsAndItsSendRunArePrivate) {
    SendTestServer server;
    UseServer(server.port());
    const int pc = AddPerson("pc@example.jp", Sjis("田中"));
    const int mail = MakeMail({pc}, "news", Sjis("本文"));
    // As the composing dialog does it: the attachment copied into the work folder, then
    // taken into the mail.
    AttachWriter w;
    w.SetEnvManager(env_.get());
    w.SetVersion(5);
    w.SetMailID(mail);
    w.SetTermType(0);
    const std::string name = Sjis("資料.pdf");
    const std::string bytes = "%PDF-1.4 data";
    ASSERT_EQ(w.SetAttachListRecordToMemory(name, std::to_string(bytes.size())), 0);
    const std::string work = w.GetFolderPathForAttachFileTemporary();
    ASSERT_EQ(MakeDirectoryCompel(work), 0);
    ASSERT_TRUE(platform::WriteFileAtomically(work + name, bytes));
    ASSERT_EQ(w.ReplaceAttachList({AttachData{name, std::to_string(bytes.size())}}, 0), 1)
        << w.GetErrMsg().GetLastCode();

    ASSERT_EQ(Send(mail), 0) << lastError_;
    EXPECT_EQ(server.Count(), 1);
    EXPECT_EQ(HistoryOnDisk(mail)[pc].first, "C");

    EXPECT_TRUE(fs::exists(env_layout::AttachFolder(*env_, mail, 0) + name + ".base64"));
    EXPECT_EQ(NotPrivate(base_), std::vector<std::string>{});
    std::vector<std::string> logs;
    for (const auto& e : fs::directory_iterator(logDir_->path())) logs.push_back(e.path().filename().string());
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].rfind("VarnisTransfer", 0), 0u);
    EXPECT_EQ(NotPrivate(logDir_->path().string()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Umasks, PrivateSendFilesTest, ::testing::Values(mode_t{022}, mode_t{002}));

}  // namespace
