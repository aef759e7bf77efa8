#pragma once
// A temporary environment with an address book for the store's tests: keyed (type 5) or
// unkeyed (type 3, an empty descriptor), with system options naming the extension items.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/addressbook/database_edit.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "core/foundation/system_option.h"
#include "core/foundation/tests/env_test_util.h"
#include "platform/date_time.h"

namespace abtest {

class AddressBookEnv : public envtest::TempEnvTest {
protected:
    // Sequence draws flush to the disk; a memory-backed folder keeps the tests quick.
    bool InMemory() const override { return true; }

    // A test may freeze the clock; every test ends on the system clock again.
    void TearDown() override {
        platform::SetClockForTesting({});
        TempEnvTest::TearDown();
    }
    // Freezes the clock at `t` (local time).
    static void SetNow(const platform::DateTime& t) {
        const std::time_t s = t.ToTimeT();
        platform::SetClockForTesting([s] { return s; });
    }

    // Opens `env` keyed or unkeyed.
    void Open(EnvManager& env, bool keyed) {
        if (keyed) {
            CreateKeyed(env);
        } else {
            WriteFile(descriptor_, "");
            ASSERT_EQ(env.InitEnvFileInfo(descriptor_, envtest::kDescriptorKey, 0), 0);
            ASSERT_EQ(env.GetEnvType(), 3);
        }
    }

    // Writes the system options file of `env`, coded as the stores read it, holding `items`.
    void WriteOptionsFile(const EnvManager& env, const std::vector<std::string>& items) {
        StoreKey key;
        ASSERT_EQ(GetStoreKey(&env, key), 0);
        XCsvWrite w;
        if (key.keyed) w.SetUseKey(key.text);
        ASSERT_EQ(w.OpenFile(folder_ + "systemoption.dat"), 1);
        for (const std::string& item : items) w.SetData(item);
        ASSERT_GT(w.WriteLine(), 0);
        ASSERT_EQ(w.CloseFile(), 0);
    }

    std::string DatabaseFile() const { return folder_ + "DB/database.dat"; }

    // A record as the screens fill it.
    static OneCustomer Person(const std::string& mail, const std::string& name = "Name") {
        OneCustomer c;
        InitOneCustomer(c);
        c.Email = mail;
        c.KanjiSei = name;
        return c;
    }

    // Stores `mail` as a new record and returns its ID.
    static int Add(CDatabaseEdit& book, const std::string& mail, const std::string& deleted = "") {
        OneCustomer c = Person(mail);
        c.DeleteFlag = deleted;
        EXPECT_EQ(book.SetOneCustomerInfo(c, 0), 0) << mail;
        return c.CustomerID;
    }
};

}  // namespace abtest
