#pragma once
// What the tests of the logging clients (CMySMTPS, CMyPOPS) share: a fixture that puts
// the transfer log into a fresh folder for each test and reads it back, and the replay of
// component events into a client.

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

}  // namespace transporttest
