#pragma once
// An environment with an address book, system options and an importer for the import
// tests, and fixtures kept as readable UTF-8 sources that are turned into the Shift_JIS
// files the importers read.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "address_book_test_util.h"
#include "core/addressbook/address_import.h"
#include "core/foundation/cp932.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/store_key.h"
#include "platform/date_time.h"
#include "platform/named_mutex.h"

namespace abtest {

class ImportEnv : public AddressBookEnv {
protected:
    void SetUp() override {
        AddressBookEnv::SetUp();
        Open(env_, false);
        options_items_.assign(SystemOption::kItemCount, "");
        for (int k = 0; k < 20; ++k) {
            options_items_[14 + k] = "attr" + std::string(1, static_cast<char>('A' + k));
            options_items_[34 + k] = "0";
        }
        WriteOptions();
        options_ = std::make_unique<SystemOption>(&env_);
        ASSERT_EQ(options_->GetSODataFromFileToMemory(), 0);
        WriteFile(DatabaseFile(), "");
        book_ = std::make_unique<CDatabaseEdit>(&env_, options_.get());
        ASSERT_EQ(book_->ReadCustomerList(), 0);
        importer_ = std::make_unique<CAddressImport>(book_.get(), &env_, options_.get());
        // Every record of a run carries this time.
        const std::time_t t = platform::DateTime(2024, 5, 6, 7, 8, 9).ToTimeT();
        platform::SetClockForTesting([t] { return t; });
    }
    // A run that ended, even on an error, left the book's lock free for other threads.
    static void ExpectBookUnlocked() {
        std::thread other([] {
            platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
            EXPECT_TRUE(mutex.try_lock());
            mutex.unlock();
        });
        other.join();
    }
    void TearDown() override {
        platform::SetClockForTesting({});
        importer_.reset();
        book_.reset();
        options_.reset();
        AddressBookEnv::TearDown();
    }

    // Writes the option items to the environment's file (the importers' tests set the
    // kinds of the extension items through it).
    void WriteOptions() {
        WriteOptionsFile(env_, options_items_);
    }

    // A Shift_JIS file in the temporary folder from UTF-8 text.
    std::string SjisFile(const std::string& name, const std::string& utf8) {
        const std::string path = base_ + name;
        WriteFile(path, Utf8ToSjis(utf8));
        return path;
    }
    // The fixture OMBREL_TESTDATA/import/<name> (UTF-8) as a Shift_JIS file.
    std::string Fixture(const std::string& name) { return SjisFile(name, ReadFile(FixtureSource(name))); }
    static std::string FixtureSource(const std::string& name) {
        return std::string(OMBREL_TESTDATA) + "/import/" + name;
    }

    // A stored record's element by its mail address ("" when absent).
    std::string Element(const std::string& mail, int element) {
        const int n = book_->GetLineNumber();
        for (int row = 0; row < n; ++row)
            if (book_->GetAtElement(row, kElemEmail) == mail) return book_->GetAtElement(row, element);
        return "<none>";
    }
    static std::string S(const char* utf8) { return Utf8ToSjis(utf8); }

    EnvManager env_;
    std::vector<std::string> options_items_;
    std::unique_ptr<SystemOption> options_;
    std::unique_ptr<CDatabaseEdit> book_;
    std::unique_ptr<CAddressImport> importer_;
};

}  // namespace abtest

namespace abtest {

// A report with its date lines and the source path masked, for comparison with a golden
// report.
inline std::string MaskReport(std::string report, const std::string& source) {
    std::string out;
    std::size_t pos = 0;
    while (pos < report.size()) {
        std::size_t end = report.find("\r\n", pos);
        end = end == std::string::npos ? report.size() : end + 2;
        std::string line = report.substr(pos, end - pos);
        const std::string body = line.substr(0, line.size() >= 2 && line.ends_with("\r\n") ? line.size() - 2 : line.size());
        if (body.size() == 19 && body[4] == '/' && body[7] == '/' && body[13] == ':' && body[16] == ':')
            line = "<DATE>\r\n";
        else if (!source.empty() && body == source)
            line = "<SOURCE>\r\n";
        out += line;
        pos = end;
    }
    return out;
}

// A golden report of OMBREL_TESTDATA/import (UTF-8 with LF) as the importers write it:
// Shift_JIS with CR LF.
inline std::string GoldenReport(const std::string& name) {
    std::ifstream in(std::string(OMBREL_TESTDATA) + "/import/" + name, std::ios::binary);
    std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string crlf;
    for (char c : utf8) {
        if (c == '\n') crlf.push_back('\r');
        crlf.push_back(c);
    }
    return Utf8ToSjis(crlf);
}

}  // namespace abtest
