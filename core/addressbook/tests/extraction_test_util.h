#pragma once
// A temporary environment with a small address book and system options for the
// extraction tests, and a stand-in for the mail list.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "address_book_test_util.h"
#include "core/addressbook/mail_list_lookup.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/store_key.h"
#include "core/foundation/system_option.h"

namespace extest {

// Extension item A (element 28) is a number, B (29) a date, the others text.
constexpr int kElemNumberA = 28;
constexpr int kElemDateB = 29;

class FakeMailList : public MailListLookup {
public:
    std::set<int> mails;
    EnvManager* env = nullptr;
    int FindMailData(int mailId) override { return mails.count(mailId) != 0 ? 0 : 1; }
    int SetEnvManager(EnvManager* e) override {
        if (e == nullptr || env != nullptr) return 0;
        env = e;
        return 1;
    }
};

class ExtractionEnv : public abtest::AddressBookEnv {
protected:
    // Opens the environment (keyed or not) with its options and an empty book.
    void OpenBook(bool keyed) {
        Open(env_, keyed);
        WriteOptions();
        options_ = std::make_unique<SystemOption>(&env_);
        ASSERT_EQ(options_->GetSODataFromFileToMemory(), 0);
        book_ = std::make_unique<CDatabaseEdit>(&env_, options_.get());
        book_->ReadCustomerList();  // no file yet: an empty book
    }

    void WriteOptions() {
        std::vector<std::string> items;
        for (int i = 0; i < SystemOption::kItemCount; ++i) {
            if (i >= 14 && i < 34) items.push_back("attr" + std::to_string(i - 14));
            else if (i == 34) items.push_back("1");
            else if (i == 35) items.push_back("2");
            else if (i > 35 && i < 54) items.push_back("0");
            else items.push_back("");
        }
        WriteOptionsFile(env_, items);
    }

    // Stores a record under its own ID, as given.
    void Put(int id, const std::string& mail, const std::string& sei, const std::string& company,
             const std::string& birthday, const std::string& a, const std::string& b, const std::string& dm,
             const std::string& deleted = "") {
        OneCustomer c = Person(mail, sei);
        c.CustomerID = id;
        c.Company = company;
        c.Birthday = birthday;
        c.Extra[0] = a;
        c.Extra[1] = b;
        c.DMOk = dm;
        c.DeleteFlag = deleted;
        ASSERT_EQ(book_->SetOneCustomerInfoForRepair(c), 0);
    }

    // Writes a record file of the environment's coding.
    void WriteRecords(const std::string& path, const std::vector<std::vector<std::string>>& records) {
        StoreKey key;
        ASSERT_EQ(GetStoreKey(&env_, key), 0);
        XCsvWrite w;
        if (key.keyed) w.SetUseKey(key.text);
        ASSERT_EQ(w.OpenFile(path), 1);
        for (const auto& r : records) {
            w.BufferEmpty();
            for (const auto& f : r) w.SetData(f);
            ASSERT_GT(w.WriteLine(), 0);
        }
        ASSERT_EQ(w.CloseFile(), 0);
    }

    // Puts a file at `path` that exists but cannot be opened, whoever runs the tests (a
    // socket: even root cannot open it as a file).
    static void MakeUnopenable(const std::string& path) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        ASSERT_LT(path.size(), sizeof addr.sun_path);
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        ::close(fd);
        ASSERT_EQ(bound, 0) << path;
    }

    EnvManager env_;
    std::unique_ptr<SystemOption> options_;
    std::unique_ptr<CDatabaseEdit> book_;
};

}  // namespace extest
