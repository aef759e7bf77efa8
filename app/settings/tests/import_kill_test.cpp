// An import that ended outlives a crash: the import screens' runs (a delimited file, and
// another program's file) are made in a child process that is killed (SIGKILL) the moment
// the run returns, before any screen saves the book whole. A fresh open of the book must
// hold every record the run reported.
#include <gtest/gtest.h>

#include <atomic>

#include "app/settings/import_wizard_run.h"
#include "app/settings/other_import_worker.h"
#include "app/settings/tests/import_test_env.h"
#include "app/ui/testing/killed_child.h"
#include "core/addressbook/import_progress.h"

namespace {

using importtest::S;

class ImportKillTest : public importtest::ImportEnvTest {
protected:
    void SetUp() override {
        ImportEnvTest::SetUp();
        AddPerson(1, "old@example.com", "古川");
        ASSERT_EQ(Book().WriteFromMemoryToFile(), 0);
    }
public:
    int RunDelimited() {
        settings::CsvImportRequest r;
        r.path = WriteFile("people.csv", S("new@example.com,新井\r\nold@example.com,古田\r\n"));
        r.separators = ",";
        r.quote = '"';
        r.assignment.fill(-1);
        r.assignment[0] = 0;
        r.assignment[1] = 1;
        r.duplicatePolicy = "1";
        ImportProgress progress;
        std::atomic<bool> stop{false};
        return settings::RunCsvImport(Book(), Env(), &Options(), r, progress, stop).result;
    }
    int RunBecky() {
        settings::OtherImportRequest r;
        r.kind = settings::kImportBecky;
        r.source = WriteFile("becky.csv", "becky@example.com,,,,,,,,,,\r\n");
        r.logPath = TempPath("log.txt");
        ImportProgress progress;
        return settings::RunOtherImport(Book(), Env(), &Options(), r, progress, {}).result;
    }

protected:
    // Records of the book the next start reads with address `mail`.
    int CountAfterKill(const std::string& mail) {
        CDatabaseEdit book(Env(), &Options());
        EXPECT_GE(book.ReadCustomerList(), 0);
        int n = 0;
        for (int row = 0; row < book.GetLineNumber(); ++row) n += book.GetAtElement(row, kElemEmail) == mail;
        return n;
    }
};

TEST_F(ImportKillTest, RunsThatEnded) {
    struct Case {
        const char* name;
        int (ImportKillTest::*run)();  // the count the run reports
        const char* mail;              // a record it brings
    } cases[] = {
        {"delimited file", &ImportKillTest::RunDelimited, "new@example.com"},
        {"Becky! address book", &ImportKillTest::RunBecky, "becky@example.com"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!ui::test::RunThenKill([&] {
            if ((this->*c.run)() <= 0) ::_exit(2);  // the run itself failed: no kill, the test fails
        })) return;
        EXPECT_EQ(CountAfterKill(c.mail), 1);
        EXPECT_EQ(CountAfterKill("old@example.com"), 1);
        ASSERT_GE(Book().ReadCustomerList(), 0);  // this process's book follows the disk
    }
}

}  // namespace
