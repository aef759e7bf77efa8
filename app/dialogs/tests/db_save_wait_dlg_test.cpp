// The address-book save dialog: it stays until its save ends, a second dialog joins the
// running save instead of starting one (and does not hang), and a failed save is told.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <stdexcept>

#include "app/dialogs/db_save_wait_dlg.h"
#include "app/dialogs/tests/dialog_test_util.h"
#include "app/environment/environment_service.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/prompt_recorder.h"
#include "core/addressbook/one_customer.h"
#include "platform/notifier.h"

namespace {

using shell::CDbSaveWaitDlg;
using ui::U8;

// A save that holds until the test opens the gate, counting its runs.
class SlowSave {
public:
    ~SlowSave() { Open(); }
    CDbSaveWaitDlg::SaveFunction Function(int result = 0) {
        return [this, result] {
            ++runs_;
            std::unique_lock<std::mutex> lock(m_);
            cv_.wait(lock, [this] { return open_; });
            return result;
        };
    }
    void Open() {
        std::lock_guard<std::mutex> guard(m_);
        open_ = true;
        cv_.notify_all();
    }
    int runs() const { return runs_; }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool open_ = false;
    std::atomic<int> runs_{0};
};

class DbSaveDialog : public ::testing::Test {
protected:
    void TearDown() override {
        // A save left running would leak into the next test.
        EXPECT_TRUE(ui::test::WaitUntil([] { return !CDbSaveWaitDlg::IsSaveRunning(); }));
    }
    ui::test::PromptRecorder prompts_;
};

TEST_F(DbSaveDialog, StaysUntilItsSaveEndsWhateverTheUserPresses) {
    SlowSave save;
    CDbSaveWaitDlg dialog(save.Function());
    EXPECT_EQ(dialog.objectName(), "dlg210");
    bool stayed = false;
    QTimer::singleShot(30, &dialog, [&] {
        EXPECT_TRUE(CDbSaveWaitDlg::IsSaveRunning());
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) QTest::keyClick(&dialog, key);
        EXPECT_FALSE(dialog.close());
        QTimer::singleShot(100, &dialog, [&] {
            stayed = dialog.isVisible();
            save.Open();
        });
    });
    EXPECT_EQ(dialog.DoModal(), 2);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(save.runs(), 1);
    EXPECT_TRUE(dialog.StartedSave());
    EXPECT_EQ(dialog.SaveResult(), 0);
    EXPECT_TRUE(prompts_.prompts().empty());
}

TEST_F(DbSaveDialog, ASecondDialogJoinsTheRunningSaveAndBothClose) {
    SlowSave first;
    SlowSave second;
    CDbSaveWaitDlg starter(first.Function());
    CDbSaveWaitDlg joiner(second.Function());
    int joinerAnswer = 0;
    QTimer::singleShot(30, &starter, [&] {
        // A dialog opened over the running save (as the unlock does).
        QTimer::singleShot(30, &joiner, [&] {
            EXPECT_TRUE(joiner.isVisible());
            first.Open();
        });
        joinerAnswer = joiner.DoModal();
    });
    EXPECT_EQ(starter.DoModal(), 2);
    EXPECT_EQ(joinerAnswer, 2);
    EXPECT_EQ(first.runs(), 1);
    EXPECT_EQ(second.runs(), 0);
    EXPECT_TRUE(starter.StartedSave());
    EXPECT_FALSE(joiner.StartedSave());
    EXPECT_EQ(joiner.SaveResult(), 0);

    // The next dialog, after that save, runs its own.
    second.Open();
    CDbSaveWaitDlg next(second.Function());
    EXPECT_EQ(next.DoModal(), 2);
    EXPECT_EQ(second.runs(), 1);
    EXPECT_TRUE(next.StartedSave());
}

TEST_F(DbSaveDialog, TellsAFailedSaveOnceAfterClosing) {
    SlowSave failing;
    CDbSaveWaitDlg starter(failing.Function(-11));
    CDbSaveWaitDlg joiner(failing.Function(-11));
    QTimer::singleShot(30, &starter, [&] {
        QTimer::singleShot(30, &joiner, [&] { failing.Open(); });
        joiner.DoModal();
        EXPECT_TRUE(prompts_.prompts().empty());  // the joiner stays quiet
    });
    starter.DoModal();
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.texts().front(),
              U8("更新された個人情報の保存に失敗しました。\r\n変更内容は次回の保存時にもう一度保存します。"));
    EXPECT_EQ(prompts_.captions().front(), U8("個人情報保存エラー"));
    EXPECT_EQ(prompts_.prompts().front().style, platform::kMbOk | platform::kMbIconWarning);

    prompts_.clear();
    CDbSaveWaitDlg throwing([]() -> int { throw std::runtime_error("disk"); });
    throwing.DoModal();
    EXPECT_EQ(throwing.SaveResult(), -1);
    EXPECT_EQ(prompts_.prompts().size(), 1u);
}

TEST_F(DbSaveDialog, TheProgramSaveWritesTheOpenBookAndTurnsTheSchedulerOnAgain) {
    EXPECT_EQ(CDbSaveWaitDlg::ProgramSave()(), 0);  // no environment: nothing to save

    dlgtest::TempFolder tmp;
    const std::string descriptor = tmp.MakeEnvironment("env");
    shell::EnvironmentService service(shell::EnvironmentService::Settings{"", false, "", 0});
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    shell::SetProgramEnvironment(&service);
    OneCustomer record;
    service.GetDatabaseEdit()->GetOneCustomerForNew(record, 1);
    record.Email = "taro@example.jp";
    ASSERT_EQ(service.GetDatabaseEdit()->SetOneCustomerInfo(record, 0), 0);
    const std::string book = tmp.Path() + "/env/DB/database.dat";
    ASSERT_EQ(std::filesystem::file_size(book), 0u);
    service.GetScheduler()->SetEnabled(false);

    CDbSaveWaitDlg dialog(CDbSaveWaitDlg::ProgramSave());
    EXPECT_EQ(dialog.DoModal(), 2);
    shell::SetProgramEnvironment(nullptr);
    EXPECT_EQ(dialog.SaveResult(), 0);
    EXPECT_GT(std::filesystem::file_size(book), 0u);
    EXPECT_TRUE(service.GetScheduler()->IsEnabled());
}

}  // namespace
