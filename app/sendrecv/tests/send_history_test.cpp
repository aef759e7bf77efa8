// The send history: pages, row texts, export and the bulk change over a 2500-row history
// without widgets, then the dialog offscreen (opening, paging, the person's record, the
// export through a scripted file chooser, failures that close it).
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <fstream>
#include <sstream>

#include "app/sendrecv/report_rows_model.h"
#include "app/sendrecv/send_history.h"
#include "app/sendrecv/send_history_dlg.h"
#include "app/sendrecv/tests/mail_dialogs_env.h"
#include "core/foundation/ini_manager.h"
#include "core/foundation/store_key.h"

namespace {
namespace send_history_test {

using namespace maildlg;

constexpr int kRows = 2500;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(text.substr(from, at - from));
    return lines;
}

// 2500 recipients: every 100th in error; row 1 a person whose address was erased, row 2
// a person the book no longer holds; errors on every page.
class SendHistoryEnv : public MailDialogsEnv {
protected:
    void SetUp() override {
        MailDialogsEnv::SetUp();
        mail_ = AddMail("C", 'N', S("冬のご案内"));
        {
            CDatabaseEdit::ChangeGroup group(Book());  // one commit for them all: the save
            for (int i = 0; i < kRows; ++i) {
                const std::string address = i == 1 ? "" : "p" + std::to_string(i) + "@example.jp";
                people_.push_back(AddPerson(address, S("山田"), S("花子"), S("株式会社テスト"), "N"));
            }
            ASSERT_EQ(Book().WriteFromMemoryToFile(), 0);
        }
        std::vector<HistorySet> rows;
        for (int i = 0; i < kRows; ++i)
            rows.push_back(Row(i == 2 ? 999999 : people_[static_cast<std::size_t>(i)], i % 100 == 0 || i == 1 ? "E" : "C",
                               i % 3, i % 2 == 0 ? "Y" : "N"));
        WriteHistory(mail_, rows);
    }
    std::unique_ptr<SendHistory> Opened() {
        auto h = std::make_unique<SendHistory>();
        EXPECT_TRUE(h->Bind(Env(), &Options(), &Book(), &Mails()));
        EXPECT_EQ(h->SetMailID(mail_), 0);
        EXPECT_EQ(h->Read(), 0);
        return h;
    }

    int mail_ = 0;
    std::vector<int> people_;
};

TEST_F(SendHistoryEnv, RowTextsAndPages) {
    std::unique_ptr<SendHistory> h = Opened();
    ASSERT_EQ(h->Total(), kRows);
    std::vector<HistorySet> page;
    EXPECT_EQ(h->Page(2000, 2999, page), 500);
    EXPECT_EQ(page.front().customerID, people_[2000]);
    EXPECT_EQ(h->Page(0, 999, page), 1000);

    const SendHistory::RowTexts first = SendHistory::Texts(page[0], &Book());
    const SendHistory::RowTexts expected = {std::to_string(people_[0]), "p0@example.jp", S("山田"), S("花子"),
                                            S("株式会社テスト"), S("エラー"), "0", S("有"), "2024/12/09 10:20:30"};
    EXPECT_EQ(first, expected);
    // An erased address and a person the book no longer holds both read "（削除済み）".
    EXPECT_EQ(SendHistory::Texts(page[1], &Book())[1], S("（削除済み）"));
    const SendHistory::RowTexts gone = SendHistory::Texts(page[2], &Book());
    EXPECT_EQ(gone[1], S("（削除済み）"));
    EXPECT_EQ(gone[2], "");
    EXPECT_EQ(SendHistory::Texts(page[3], &Book())[5], S("送信済み"));
    EXPECT_EQ(SendHistory::Texts(page[3], &Book())[7], S("無"));
    HistorySet odd = page[3];
    odd.state = "W";
    EXPECT_EQ(SendHistory::Texts(odd, &Book())[5], S("送信待ち"));
    odd.state = "Q";
    odd.openFlag = "";
    EXPECT_EQ(SendHistory::Texts(odd, &Book())[5], "Q");
    EXPECT_EQ(SendHistory::Texts(odd, &Book())[7], "");
}

TEST_F(SendHistoryEnv, ExportWritesEveryRowWithOrWithoutTitles) {
    std::unique_ptr<SendHistory> h = Opened();
    const std::string path = root_ + "/history.csv";
    ASSERT_TRUE(h->Export(path, true));
    std::vector<std::string> lines = Lines(ReadFile(path));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kRows + 1));
    EXPECT_EQ(lines[0], S("\"個人ID\",\"メールアドレス\",\"名前(姓)\",\"名前(名)\",\"会社名\",\"状態\",\"再送回数\",\"開封通知\","
                          "\"最終更新日\""));
    EXPECT_EQ(lines[3], "\"999999\"," + S("\"（削除済み）\",\"\",\"\",\"\",\"送信済み\",\"2\",\"有\",\"2024/12/09 10:20:30\""));
    EXPECT_EQ(lines[kRows], "\"" + std::to_string(people_[kRows - 1]) + "\",\"p2499@example.jp\"," +
                                S("\"山田\",\"花子\",\"株式会社テスト\",\"送信済み\",\"0\",\"無\",\"2024/12/09 10:20:30\""));

    ASSERT_TRUE(h->Export(path, false));
    lines = Lines(ReadFile(path));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kRows));
    EXPECT_EQ(lines[0].substr(0, 3 + std::to_string(people_[0]).size()), "\"" + std::to_string(people_[0]) + "\",");

    // A file that cannot be written is reported, and the old one stays.
    EXPECT_FALSE(h->Export(root_ + "/no such folder/history.csv", true));
}

TEST_F(SendHistoryEnv, BulkChangeCoversEveryPageAndSkipsEmptyAddresses) {
    // One failed recipient on the first page is "Y" already; the erased one has no address.
    OneCustomer p;
    ASSERT_EQ(Book().GetOneCustomerForEdit(p, people_[100]), 0);
    p.DMOk = "Y";
    ASSERT_EQ(Book().SetOneCustomerInfo(p, 0), 0);
    std::unique_ptr<SendHistory> h = Opened();

    const SendHistory::BulkResult result = h->ResetErrorRecipients();
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.changed, 24);  // rows 0, 200, ..., 2400 (row 100 was "Y" already)
    int wrong = 0;
    for (int i = 0; i < kRows; ++i)
        wrong += Element(people_[static_cast<std::size_t>(i)], kElemDMOk) != (i % 100 == 0 ? "Y" : "N");
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(Element(people_[1], kElemDMOk), "N");
    // Written to the book's file.
    CDatabaseEdit fresh(Env(), &Options());
    ASSERT_GE(fresh.ReadCustomerList(), 0);
    EXPECT_EQ(fresh.GetCustomerDataPinPoint(people_[2400], kElemDMOk), "Y");
}

TEST_F(SendHistoryEnv, BulkChangeStopsAtARecipientTheBookDoesNotHold) {
    std::unique_ptr<SendHistory> h = Opened();
    h->Viewer().SetElementToMemoryPinPoint(999999, HistoryListViewer::kState, "E");
    const SendHistory::BulkResult result = h->ResetErrorRecipients();
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
    // Row 0 came before the failure: changed, and journaled as the book holds it (the
    // book file itself is not saved).
    EXPECT_EQ(Element(people_[0], kElemDMOk), "Y");
    EXPECT_EQ(Element(people_[200], kElemDMOk), "N");
    CDatabaseEdit file(Env(), &Options());
    StoreKey key;
    ASSERT_EQ(GetStoreKey(Env(), key), 0);
    ASSERT_GE(file.ReadFromFileToMemoryAppointFileName(env_layout::DatabaseFile(*Env()), key.get()), 0);
    EXPECT_EQ(file.GetCustomerDataPinPoint(people_[0], kElemDMOk), "N");
    CDatabaseEdit fresh(Env(), &Options());
    ASSERT_GE(fresh.ReadCustomerList(), 0);
    EXPECT_EQ(fresh.GetCustomerDataPinPoint(people_[0], kElemDMOk), "Y");
}

// ---- The dialog -----------------------------------------------------------------------------

class SendHistoryDialog : public SendHistoryEnv {
protected:
    // Runs the dialog modally; `script` acts once its history is shown, then closes it.
    void Run(CSendHistoryDlg& dialog, const std::function<void()>& script) {
        QTimer::singleShot(0, &dialog, [&dialog, script] {
            ui::test::WaitUntil([&dialog] { return dialog.HasRead() && !dialog.IsBusy(); }, 20000);
            if (dialog.isVisible()) script();
            if (dialog.isVisible()) dialog.reject();
        });
        dialog.DoModal();
    }
    QPushButton* Button(CSendHistoryDlg& dialog, int id) { return Control<QPushButton>(&dialog, id); }
};

TEST_F(SendHistoryDialog, PagesOf1000Rows) {
    CSendHistoryDlg dialog(Mail(mail_));
    std::vector<std::pair<int, int>> pages;
    std::vector<std::array<bool, 3>> states;  // previous, next, reset errors
    Run(dialog, [&] {
        EXPECT_EQ(Control<QLabel>(&dialog, CSendHistoryDlg::kIdcCount)->text(), ui::U8("送信履歴件数： 2500件"));
        EXPECT_EQ(Control<QLabel>(&dialog, CSendHistoryDlg::kIdcTitle)->text(), ui::U8("冬のご案内"));
        EXPECT_TRUE(Button(dialog, CSendHistoryDlg::kIdcExport)->isEnabled());
        for (int i = 0; i < 3; ++i) {
            pages.emplace_back(dialog.FirstRow(), dialog.Model()->rowCount());
            states.push_back({Button(dialog, CSendHistoryDlg::kIdcPrevious)->isEnabled(),
                              Button(dialog, CSendHistoryDlg::kIdcNext)->isEnabled(),
                              Button(dialog, CSendHistoryDlg::kIdcResetErrors)->isEnabled()});
            Button(dialog, CSendHistoryDlg::kIdcNext)->click();
        }
        EXPECT_EQ(dialog.Model()->Text(0, 0), QString::number(people_[2000]));
        Button(dialog, CSendHistoryDlg::kIdcPrevious)->click();
        EXPECT_EQ(dialog.FirstRow(), 1000);
    });
    EXPECT_EQ(pages, (std::vector<std::pair<int, int>>{{0, 1000}, {1000, 1000}, {2000, 500}}));
    EXPECT_EQ(states[0], (std::array<bool, 3>{false, true, true}));
    EXPECT_EQ(states[1], (std::array<bool, 3>{true, true, true}));
    EXPECT_EQ(states[2], (std::array<bool, 3>{true, false, true}));
}

TEST_F(SendHistoryDialog, PersonalRecordOfOneSelectedRowThatTheBookHolds) {
    std::vector<std::pair<int, QString>> opened;
    CSendHistoryDlg::SetRecordViewerHook([&](QWidget*, int id, const QString& caption) { opened.emplace_back(id, caption); });
    CSendHistoryDlg dialog(Mail(mail_));
    Run(dialog, [&] {
        QTableView* list = dialog.List();
        auto* detail = Button(dialog, CSendHistoryDlg::kIdcDetail);
        EXPECT_FALSE(detail->isEnabled());
        list->selectRow(4);
        EXPECT_TRUE(detail->isEnabled());
        detail->click();
        // The person the book no longer holds opens nothing.
        list->selectRow(2);
        detail->click();
        list->selectAll();
        EXPECT_FALSE(detail->isEnabled());
        list->doubleClicked(dialog.Model()->index(0, 0));
    });
    CSendHistoryDlg::SetRecordViewerHook({});
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].first, people_[4]);
    EXPECT_EQ(opened[0].second, ui::U8("個人情報－詳細確認（編集はできません）"));
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.captions()[0], ui::U8("複数選択不可"));
}

TEST_F(SendHistoryDialog, ExportThroughTheFileChooser) {
    ui::test::FilePickerRecorder files;
    const QString path = QString::fromStdString(root_) + "/export.csv";
    files.Answer(path);
    files.Answer(std::nullopt);
    int asked = 0;
    CSendHistoryDlg::SetExportHeaderHook([&](QWidget*) -> std::optional<bool> {
        ++asked;
        return false;
    });
    CSendHistoryDlg dialog(Mail(mail_));
    Run(dialog, [&] {
        Button(dialog, CSendHistoryDlg::kIdcExport)->click();
        ui::test::WaitUntil([&] { return !dialog.IsBusy() && dialog.isEnabled(); }, 20000);
        Button(dialog, CSendHistoryDlg::kIdcExport)->click();
    });
    CSendHistoryDlg::SetExportHeaderHook({});
    EXPECT_EQ(asked, 2);
    ASSERT_EQ(files.picks().size(), 2u);
    const ui::FileRequest& request = files.picks()[0].request;
    EXPECT_TRUE(request.save);
    EXPECT_TRUE(request.overwritePrompt);
    EXPECT_EQ(request.defaultExt, QStringLiteral("csv"));
    EXPECT_EQ(Lines(ReadFile(path.toStdString())).size(), static_cast<std::size_t>(kRows));
    ASSERT_EQ(prompts_.captions(), (QStringList{ui::U8("エクスポート完了"), ui::U8("エクスポート中止")}));
    EXPECT_EQ(prompts_.texts()[1], ui::U8("ファイル名が指定されませんでしたので\r\nエクスポートをキャンセルしました"));
}

TEST_F(SendHistoryDialog, BulkChangeAsksFirstAndReportsTheEnd) {
    CSendHistoryDlg dialog(Mail(mail_));
    prompts_.Answer(platform::kIdNo);
    Run(dialog, [&] {
        Button(dialog, CSendHistoryDlg::kIdcResetErrors)->click();
        EXPECT_FALSE(dialog.IsBusy());
        Button(dialog, CSendHistoryDlg::kIdcResetErrors)->click();
        ui::test::WaitUntil([&] { return !dialog.IsBusy() && dialog.isEnabled(); }, 20000);
    });
    ASSERT_EQ(prompts_.prompts().size(), 3u);
    EXPECT_EQ(prompts_.captions()[0], ui::U8("送信エラーの一括変更"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2);
    EXPECT_EQ(prompts_.texts()[2], ui::U8("変更が完了しました。"));
    EXPECT_EQ(Element(people_[2400], kElemDMOk), "Y");
}

TEST_F(SendHistoryDialog, MailNeverSentOpensEmpty) {
    const int unsent = AddMail("D");
    CSendHistoryDlg dialog(Mail(unsent));
    Run(dialog, [&] {});
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.captions()[0], ui::U8("送信履歴はありません"));
    EXPECT_EQ(prompts_.texts()[0], ui::U8("このメールには送信履歴がありません\n送信履歴は、送信動作をした場合に作成されます"));
    EXPECT_EQ(dialog.Model()->rowCount(), 0);
    EXPECT_FALSE(Button(dialog, CSendHistoryDlg::kIdcExport)->isEnabled());
    EXPECT_FALSE(Button(dialog, CSendHistoryDlg::kIdcNext)->isEnabled());
}

TEST_F(SendHistoryDialog, DamagedHistoryIsReportedAndTheDialogCloses) {
    const std::string file = env_layout::OneMailFolder(*Env(), mail_) + "hist" + std::to_string(mail_) + ".dat";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << "not,a,history\r\n";
    }
    CSendHistoryDlg dialog(Mail(mail_));
    bool scripted = false;
    Run(dialog, [&] { scripted = true; });
    EXPECT_FALSE(scripted);
    ASSERT_FALSE(prompts_.prompts().empty());
    EXPECT_FALSE(prompts_.texts()[0].isEmpty());
    EXPECT_EQ(dialog.Total(), 0);
}

TEST_F(SendHistoryDialog, CloseWritesTheColumnWidthsBack) {
    CIniManager::WriteProfileInt(EnvIni(), "HISTORYLISTINFO", "STATEW", 0);      // out of range: default
    CIniManager::WriteProfileInt(EnvIni(), "COLUMNWIDTH", "6", 222);
    CSendHistoryDlg dialog(Mail(mail_));
    Run(dialog, [&] {
        EXPECT_EQ(dialog.List()->columnWidth(5), 70);
        EXPECT_EQ(dialog.List()->columnWidth(4), 222);
        dialog.List()->setColumnWidth(8, 155);
        Button(dialog, CSendHistoryDlg::kIdcClose)->click();
    });
    EXPECT_EQ(CIniManager::GetProfileIntA(EnvIni(), "HISTORYLISTINFO", "LASTUPDATE", 0), 155u);
    EXPECT_EQ(CIniManager::GetProfileIntA(EnvIni(), "HISTORYLISTINFO", "STATEW", 0), 70u);
    EXPECT_EQ(CIniManager::GetProfileIntA(EnvIni(), "COLUMNWIDTH", "6", 0), 222u);
}

}  // namespace send_history_test
}  // namespace
