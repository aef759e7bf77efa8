#pragma once
// The personal-information list's world: the record screens' environment
// (record_test_env.h) with 1,200 people whose book order is not their ID order (IDs 1 to
// 1200, stored in the order 1, 8, 15, ... modulo 1200), the company field holding the ID as
// text (so a text sort puts "10" before "2"), and helpers that open the list and wait for
// its loads, answer the next modal window, and fake a send/receive run.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "app/addressui/db_list_dlg.h"
#include "app/addressui/personal_list_model.h"
#include "app/addressui/tests/record_test_env.h"
#include "app/environment/run_monitor.h"
#include "app/ui/testing/type_text.h"
#include "platform/notifier.h"

namespace pltest {

using rectest::S;

inline constexpr int kPeople = 1200;

// The ID stored at book position `k`.
inline int IdAtBookPosition(int k) { return (k * 7) % kPeople + 1; }

class PersonalListTest : public rectest::RecordEnvTest {
protected:
    void SetUp() override {
        RecordEnvTest::SetUp();
        const char* const surnames[] = {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺"};
        CDatabaseEdit::ChangeGroup group(Book());  // one commit for the whole book
        for (int k = 0; k < kPeople; ++k) {
            const int id = IdAtBookPosition(k);
            AddRow(id, {{kElemEmail, "p" + std::to_string(id) + "@example.jp"},
                        {kElemKanjiSei, S(surnames[id % 6])},
                        {kElemKanjiMei, S("花子")},
                        {kElemCompany, std::to_string(id)}});
        }
        addressui::CDBListDlg::ResetSortState();
    }
    void TearDown() override {
        addressui::CDBListDlg::ResetSortState();
        RecordEnvTest::TearDown();
    }

    // Shows `dialog` and waits for its first load.
    static void Open(addressui::CDBListDlg& dialog) {
        dialog.show();
        ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy() && dialog.Model()->EntryCount() > 0; }));
    }
    static void WaitLoaded(addressui::CDBListDlg& dialog) {
        ASSERT_TRUE(ui::test::WaitUntil([&] { return !dialog.IsBusy(); }));
    }
    // The IDs of the page's first `n` rows.
    static std::vector<int> FirstIds(const addressui::CDBListDlg& dialog, int n) {
        std::vector<int> ids;
        for (int r = 0; r < n && r < dialog.Model()->rowCount(); ++r) ids.push_back(dialog.Model()->IdAt(r));
        return ids;
    }
    static void Select(addressui::CDBListDlg& dialog, std::initializer_list<int> rows) {
        dialog.List()->clearSelection();
        for (int r : rows)
            dialog.List()->selectionModel()->select(dialog.Model()->index(r, 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    static int Column(const addressui::CDBListDlg& dialog, int element) { return dialog.Model()->ColumnOf(element); }
};

// Runs `act` on the modal window that shows next (polled, since it opens inside a command).
inline void WhenModalShows(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

// A send or receive run under way while it lives.
class FakeRun : public shell::RunMonitor {
public:
    FakeRun() : previous_(shell::SetRunMonitor(this)) {}
    ~FakeRun() override { shell::SetRunMonitor(previous_); }
    bool IsRunning() const override { return true; }
    int RunKind() const override { return shell::kRunManualReceive; }

private:
    shell::RunMonitor* previous_;
};

}  // namespace pltest
