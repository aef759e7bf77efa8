#pragma once
// Send histories for the tests of the screens that read them: a row as the send run
// writes it, and a mail's whole history written through the store.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/mailstore/history_list_viewer.h"
#include "platform/date_time.h"

namespace historytest {

inline HistorySet HistoryRow(int customer, const char* state, int retries = 0, const char* opened = "N") {
    HistorySet h;
    h.customerID = customer;
    h.state = state;
    h.retryNum = retries;
    h.openFlag = opened;
    h.messageID = "<" + std::to_string(customer) + "@example.jp>";
    h.lastSendDate = platform::DateTime(2024, 12, 9, 10, 20, 30);
    return h;
}

// Writes the send history of mail `mailId` (its folder made first).
template <class Options, class Book, class Mails>
void WriteSendHistory(EnvManager* env, Options& options, Book& book, Mails& mails, int mailId,
                      const std::vector<HistorySet>& rows) {
    ASSERT_EQ(MakeDirectoryCompel(env_layout::OneMailFolder(*env, mailId)), 0);
    HistoryListViewer h(env, &options, &book, &mails);
    ASSERT_EQ(h.SetMailID(mailId, 1), 0);
    for (const HistorySet& row : rows) ASSERT_EQ(h.SetHDataFromStructToMemory(row), 0);
    ASSERT_EQ(h.WriteHDataFromMemoryToFileCompel(), 0);
}

}  // namespace historytest
