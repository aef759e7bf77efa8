// The question of an environment's open that offers a way past a damaged journal, rendered
// for people to read (scripts/screenshots.sh).

#include <gtest/gtest.h>

#include <string>

#include "app/ui/testing/screenshot.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/one_customer.h"
#include "env_service_test_util.h"

namespace {

using ui::test::SaveMessageBoxScreenshot;

class Screenshots : public envsvc::EnvServiceTest {};

TEST_F(Screenshots, JournalSetAsideQuestion) {
    const std::string descriptor = MakeEnv("顧客管理");
    const std::string db = Folder("顧客管理") + "DB/";
    WriteBook(descriptor, db + "database.dat", {1, 2});
    {
        auto env = OpenOwn(descriptor);
        CDatabaseEdit book(env.get());
        ASSERT_EQ(book.ReadCustomerList(), 2);
        for (int id : {1, 2, 1}) {
            OneCustomer c;
            ASSERT_EQ(book.GetOneCustomerForEdit(c, id), 0);
            c.Company = "edited";
            ASSERT_EQ(book.SetOneCustomerInfo(c, 0), 0);
        }
    }
    // Damage in the record that names the book the journal extends.
    std::string journal = ReadFile(db + "database.jnl");
    const std::size_t anchor = journal.find('\n', journal.find('\n') + 1) + 4;
    journal[anchor] = static_cast<char>(journal[anchor] ^ 0x21);
    journal[anchor + 4] = static_cast<char>(journal[anchor + 4] ^ 0x21);
    WriteFile(db + "database.jnl", journal);
    EXPECT_TRUE(SaveMessageBoxScreenshot(QStringLiteral("msg_env_journal_set_aside"),
                                         [&] { EXPECT_EQ(Service().OpenEnvironment(descriptor), 0); }));
}

}  // namespace
