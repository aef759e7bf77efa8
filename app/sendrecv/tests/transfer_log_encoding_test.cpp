// The transfer log is Shift_JIS throughout: a send and a receive run under the Japanese
// locale a user in Japan has, in an environment of a Japanese name, against a server that
// refuses the connection, write their section titles and the reason of the failure so that
// one encoding reads the whole file.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/sendrecv/pop_receive_session.h"
#include "app/sendrecv/tests/send_run_fixture.h"
#include "core/foundation/cp932.h"
#include "platform/netssl/tests/test_process.h"
#include "platform/tests/japanese_locale.h"

namespace {

class TransferLogEncoding : public sendtest::SendRunTest {
protected:
    TransferLogEncoding() { envName_ = "顧客管理"; }

    // Every log file of the test's log folder, one after the other.
    std::string LogBytes() {
        std::string bytes;
        for (const auto& e : std::filesystem::directory_iterator(logDir_->path()))
            bytes += nettest::ReadFile(e.path());
        return bytes;
    }
};

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST_F(TransferLogEncoding, ReadsAsShiftJisUnderAJapaneseLocale) {
    jalocale::JapaneseLocale japanese;
    if (!japanese.Active()) GTEST_SKIP() << "no ja_JP.UTF-8 locale and no localedef";
    ASSERT_NE(std::string(std::strerror(ECONNREFUSED)), "Connection refused") << "the system's texts are not translated";

    const int port = nettest::FreePort();
    UseServer(port);
    const int mail = MakeMail({AddPerson("a@example.jp")}, "s", "b");
    EXPECT_NE(Send(mail), 0);

    SetOption(CPopReceiveSession::kOptionServer, "127.0.0.1");
    SetOption(CPopReceiveSession::kOptionPort, std::to_string(port));
    SetOption(CPopReceiveSession::kOptionLoginMethod, "0");
    SetOption(CPopReceiveSession::kOptionUser, "user");
    SetOption(CPopReceiveSession::kOptionPassword, "secret");
    SetOption(CPopReceiveSession::kOptionPasswordStored, "Y");
    CPopReceiveSession session(Stores());
    EXPECT_NE(session.Run(), 0);

    const std::string log = LogBytes();
    const std::string text = SjisToUtf8(log);
    EXPECT_EQ(Utf8ToSjis(text), log);
    EXPECT_EQ(text.find("\xEF\xBF\xBD"), std::string::npos) << text;  // U+FFFD
    EXPECT_EQ(Count(text, "メール送信 - 顧客管理\r\n"), 1u) << text;
    EXPECT_EQ(Count(text, "メール受信 - 顧客管理\r\n"), 1u) << text;
    // The system's reason, in the words the log and its readers know.
    EXPECT_GE(Count(text, "Connecting failed: Connection refused (10061)."), 2u) << text;
}

}  // namespace
