#pragma once
// What the tests of the logging clients (CMySMTPS, CMyPOPS) share: a fixture that puts
// the transfer log into a fresh folder for each test and reads it back, the replay of
// component events into a client, and the check of a table of error-message cases.

#include "core/foundation/cp932.h"
#include "core/foundation/log_writer.h"
#include "platform/netssl/tests/test_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace transporttest {

// Shift_JIS text from the UTF-8 of the source, as the clients log and answer.
inline const std::string& J(const char* utf8) { return SjisLiteral(utf8); }

struct TransferLogTest : ::testing::Test {
    void SetUp() override { LogWriter::SetLogFolderForTesting(dir.path().string() + "/"); }
    void TearDown() override { LogWriter::SetLogFolderForTesting(""); }
    // Everything the log holds so far.
    std::string LogText() const {
        std::string all;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) all += nettest::ReadFile(e.path());
        return all;
    }
    nettest::TempDir dir;
};

// An event as the component delivers it to its owner.
struct TrailEvent {
    int direction;  // kTrailSent, kTrailReceived, kTrailInfo, or -1 for an error event
    const char* text;
};

template <typename Client>
void Replay(Client& client, const std::vector<TrailEvent>& events) {
    for (const auto& e : events) {
        if (e.direction < 0) client.FireError(0, e.text);
        else client.FirePITrail(e.direction, e.text);
    }
}

// A case of a client's error-message lookup: an error text and number after a protocol
// step, and the message the user gets.
struct ErrorTextCase {
    const char* text;
    int code;
    int status;
    const char* expected;  // UTF-8; null: the text itself
};

// Checks every case against `lookup` (the client's JapaneseErrorText).
template <typename Lookup>
void ExpectErrorTexts(Lookup lookup, const std::vector<ErrorTextCase>& cases) {
    for (const auto& c : cases) {
        const std::string expected = c.expected ? J(c.expected) : std::string(c.text);
        EXPECT_EQ(lookup(c.text, c.code, c.status), expected) << c.text;
    }
}

}  // namespace transporttest
