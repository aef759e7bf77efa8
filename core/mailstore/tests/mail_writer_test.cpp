// Mail body files: a new mail's life, a missing body file of an existing mail, limits and
// damaged files.

#include "core/mailstore/mail_writer.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/foundation/cp932.h"
#include "mailstore_test_util.h"

namespace {

class MailWriterTest : public mailtest::MailEnvTest {
protected:
    MailWriter& Writer() {
        if (!writer_) writer_ = std::make_unique<MailWriter>(&env_, 7);
        return *writer_;
    }
    std::unique_ptr<MailWriter> writer_;
};

TEST_F(MailWriterTest, NewMailIsStoredAndReadBack) {
    MakeMailDir(12);
    MailWriter& w = Writer();
    ASSERT_EQ(w.SetMailFromFile(-1, 0, nullptr), 1);
    ASSERT_EQ(w.GetRecordNumber(), 7);
    EXPECT_EQ(w.WriteMailAllTypeToFile(), 0);  // no ID yet
    EXPECT_EQ(w.GetErrMsg().GetLastCode(), 12006);
    for (int t = 0; t < 7; ++t)
        ASSERT_EQ(w.SetMailRecordToMemory("subject " + std::to_string(t), "body\r\n\"" + std::to_string(t) + "\"", t), 0);
    EXPECT_EQ(w.SetMailRecordToMemory("s", "b", 7), -2);
    ASSERT_EQ(w.SetNewMailID(12), 1);
    EXPECT_EQ(w.SetNewMailID(13), 0);
    EXPECT_EQ(w.GetErrMsg().GetLastCode(), 12006);
    ASSERT_EQ(w.WriteMailAllTypeToFile(), 1);

    MailWriter r(&env_, 7);
    ASSERT_EQ(r.SetMailFromFile(12, 0, nullptr), 1);
    EXPECT_EQ(r.GetMailElement(0, TERM_SOFTBANK), "subject 3");
    EXPECT_EQ(r.GetMailElement(1, 6), "body\r\n\"6\"");
    EXPECT_EQ(r.GetMailElementLength(0, TERM_PC), 9);
    EXPECT_EQ(r.GetMailElement(1, 7), "");
    EXPECT_EQ(r.GetErrMsg().GetLastCode(), 12008);
    EXPECT_EQ(r.GetMailElement(2, 0), "");
    EXPECT_EQ(r.GetErrMsg().GetLastCode(), 12007);
}

TEST_F(MailWriterTest, MissingBodyFileOfAnExistingMailIsReported) {
    MailWriter& w = Writer();
    EXPECT_EQ(w.SetMailFromFile(40, 0, nullptr), 0);
    EXPECT_EQ(w.GetErrMsg().GetLastCode(), 12203);
    EXPECT_TRUE(w.IsBodyFileMissing());
    EXPECT_EQ(w.GetRecordNumber(), 7);  // empty rows, for a screen that shows the mail
    EXPECT_EQ(w.SetMailFromFile(-2, 0, nullptr), 0);
    EXPECT_EQ(w.GetErrMsg().GetLastCode(), 12005);
}

TEST_F(MailWriterTest, LongTextsAreStoredAndFlagged) {
    MailWriter& w = Writer();
    ASSERT_EQ(w.SetMailFromFile(-1, 0, nullptr), 1);
    std::string subject;
    for (int i = 0; i < 65; ++i) subject += "\x82\xA0";  // 130 bytes
    EXPECT_EQ(w.SetMailRecordToMemory(subject, "b", TERM_PC), 0);
    EXPECT_EQ(w.GetErrMsg().GetLastCode(), 12009);
    EXPECT_EQ(w.GetMailElement(0, TERM_PC), subject);
}

TEST_F(MailWriterTest, DamagedFileLeavesNoRowsAndIsNotSavedOver) {
    MakeMailDir(5);
    const std::string path = MailDir(5) + "mail5.dat";
    WriteRecords(path, {{"a", "b"}, {"c"}, {"d", "e"}});
    const std::string before = ReadFile(path);
    MailWriter& w = Writer();
    EXPECT_EQ(w.SetMailFromFile(5, 0, nullptr), 0);
    EXPECT_EQ(w.GetErrMsg().GetLastCode(), 12201);
    EXPECT_EQ(w.GetRecordNumber(), 0);
    EXPECT_EQ(w.WriteMailAllTypeToFile(), 0);
    EXPECT_EQ(ReadFile(path), before);
}

TEST_F(MailWriterTest, SettersAreSetOnce) {
    MailWriter w;
    EXPECT_EQ(w.SetTermNum(0), 0);
    EXPECT_EQ(w.SetTermNum(7), 1);
    EXPECT_EQ(w.SetTermNum(5), 0);
    EXPECT_EQ(w.GetTermNum(), 7);
    EXPECT_EQ(w.SetEnvManager(nullptr), 0);
    EXPECT_EQ(w.SetEnvManager(&env_), 1);
    EXPECT_EQ(w.SetEnvManager(&env_), 0);
}

// The same file read back in a keyed environment.
class KeyedMailWriterTest : public mailtest::MailEnvTest {
protected:
    bool Keyed() const override { return true; }
};

TEST_F(KeyedMailWriterTest, KeyedRoundTrip) {
    MakeMailDir(3);
    MailWriter w(&env_, 7);
    ASSERT_EQ(w.SetMailFromFile(-1, 0, nullptr), 1);
    ASSERT_EQ(w.SetMailRecordToMemory(Utf8ToSjis("件名"), Utf8ToSjis("本文"), TERM_PC), 0);
    ASSERT_EQ(w.SetNewMailID(3), 1);
    ASSERT_EQ(w.WriteMailAllTypeToFile(), 1);
    EXPECT_EQ(ReadFile(MailDir(3) + "mail3.dat").find(Utf8ToSjis("本文")), std::string::npos);
    MailWriter r(&env_, 7);
    ASSERT_EQ(r.SetMailFromFile(3, 0, nullptr), 1);
    EXPECT_EQ(r.GetMailElement(1, TERM_PC), Utf8ToSjis("本文"));
}

}  // namespace
