// Attachment settings: the list's rules without widgets (the size limit, removing the
// right one of two same-named rows, a failed copy never listed) and the dialog's flows
// with scripted file choosers.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <filesystem>
#include <fstream>

#include "app/compose/attachment_list.h"
#include "app/compose/attachment_settings_dlg.h"
#include "app/sendrecv/tests/mail_dialogs_env.h"

namespace {
namespace attachment_settings_test {

using namespace compose;
using maildlg::Control;
using maildlg::S;
namespace fs = std::filesystem;

class Attachments : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        base_ = dir_.path().toStdString() + "/";
        folder_ = base_ + "ATEMP/pc/";
        fs::create_directories(folder_);
        fs::create_directories(base_ + "a");
        fs::create_directories(base_ + "b");
    }
    // A file of `size` bytes; its path.
    std::string Make(const std::string& relative, std::size_t size, char fill = 'x') {
        const std::string path = base_ + relative;
        std::ofstream(path, std::ios::binary) << std::string(size, fill);
        return path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    QTemporaryDir dir_;
    std::string base_;
    std::string folder_;
    ui::test::PromptRecorder prompts_;
};

TEST_F(Attachments, TotalSizeLimitIsCheckedWithFreshSizes) {
    struct Case {
        std::size_t first, second;
        AttachmentList::SizeCheck::Result expected;
    } cases[] = {{1000000, 1000001, AttachmentList::SizeCheck::kTooLarge},
                 {1000000, 1000000, AttachmentList::SizeCheck::kOk}};
    for (const Case& c : cases) {
        AttachmentList list;
        list.Load({{"old.pdf", std::to_string(c.first)}});
        list.Add("new.pdf", 1, Make("a/new.pdf", c.second));  // grew since it was added
        EXPECT_EQ(list.CheckSizes().result, c.expected) << c.second;
    }
    // A file gone since it was added blocks OK until its row is removed.
    AttachmentList list;
    const std::string gone = Make("a/gone.txt", 10);
    list.Add("gone.txt", 10, gone);
    fs::remove(gone);
    const AttachmentList::SizeCheck check = list.CheckSizes();
    EXPECT_EQ(check.result, AttachmentList::SizeCheck::kUnreadable);
    EXPECT_EQ(check.path, gone);
    list.RemoveRow(0);
    EXPECT_EQ(list.CheckSizes().result, AttachmentList::SizeCheck::kOk);
}

TEST_F(Attachments, RemovingTheReaddedNameRemovesThatRow) {
    std::ofstream(folder_ + "a.pdf") << "old";
    AttachmentList list;
    list.Load({{"a.pdf", "3"}, {"b.txt", "5"}});
    list.RemoveRow(0);
    EXPECT_FALSE(list.HasName("a.pdf"));
    EXPECT_EQ(list.Add("a.pdf", 3, Make("b/a.pdf", 3, 'n')), 1);
    // Row 1 is the new a.pdf; removing it must not leave it attached.
    list.RemoveRow(1);
    EXPECT_EQ(list.RowCount(), 1);
    const AttachmentList::Applied applied = list.Apply(folder_);
    EXPECT_EQ(applied.list, (std::vector<AttachmentPair>{{"b.txt", "5"}}));
    EXPECT_FALSE(fs::exists(folder_ + "a.pdf"));
}

TEST_F(Attachments, AnOldAttachmentReplacedByAFileOfTheSameName) {
    std::ofstream(folder_ + "a.pdf") << "old";
    AttachmentList list;
    list.Load({{"a.pdf", "3"}});
    list.RemoveRow(0);
    list.Add("a.pdf", 3, Make("b/a.pdf", 3, 'n'));
    ASSERT_EQ(list.CheckSizes().result, AttachmentList::SizeCheck::kOk);
    const AttachmentList::Applied applied = list.Apply(folder_);
    EXPECT_EQ(applied.list, (std::vector<AttachmentPair>{{"a.pdf", "3"}}));
    EXPECT_EQ(Read(folder_ + "a.pdf"), "nnn");
}

TEST_F(Attachments, AFailedCopyIsNeverListed) {
    AttachmentList list;
    list.Load({{"keep.txt", "4"}});
    list.Add("ok.txt", 2, Make("a/ok.txt", 2));
    list.Add("blocked.txt", 2, Make("a/blocked.txt", 2));
    // A folder of that name stands where the copy must go: the copy cannot replace it.
    fs::create_directories(folder_ + "blocked.txt");
    const AttachmentList::Applied applied = list.Apply(folder_);
    EXPECT_EQ(applied.list, (std::vector<AttachmentPair>{{"keep.txt", "4"}, {"ok.txt", "2"}}));
    EXPECT_EQ(applied.failedSources, std::vector<std::string>{base_ + "a/blocked.txt"});
    EXPECT_EQ(Read(folder_ + "ok.txt"), "xx");
    // Nothing half-written is left beside the folder's files.
    int files = 0;
    for (const auto& e : fs::directory_iterator(folder_)) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);
}

// ---- The dialog -----------------------------------------------------------------------------

class AttachmentDialog : public Attachments {
protected:
    // Clicks "追加" after queueing the answers: Yes to the warning and `file`.
    void AddFile(CAttachmentSettingsDlg& dialog, const std::string& file) {
        files_.Answer(QString::fromStdString(file));
        Control<QPushButton>(&dialog, CAttachmentSettingsDlg::kIdcAdd)->click();
    }
    ui::test::FilePickerRecorder files_;
};

TEST_F(AttachmentDialog, AddsRefusesDuplicatesAndCopiesOnOk) {
    std::ofstream(folder_ + "old.txt") << "old";
    CAttachmentSettingsDlg dialog;
    dialog.SetAttachFolder(folder_);
    dialog.SetAttachList({{"old.txt", "3"}, {S("見積書.pdf"), "1234567"}});
    QTimer::singleShot(0, &dialog, [&] {
        QTableView* list = dialog.List();
        EXPECT_EQ(list->model()->index(1, 0).data().toString(), ui::U8("見積書.pdf"));
        EXPECT_EQ(list->model()->index(1, 1).data().toString(), QStringLiteral("1,234,567"));
        AddFile(dialog, Make("a/" + ui::ToPath(ui::U8("資料.txt")), 5));
        EXPECT_EQ(list->model()->rowCount(), 3);
        EXPECT_EQ(list->currentIndex().row(), 2);
        AddFile(dialog, Make("b/" + ui::ToPath(ui::U8("資料.txt")), 7));  // same name: refused
        EXPECT_EQ(list->model()->rowCount(), 3);
        list->selectRow(1);
        Control<QPushButton>(&dialog, CAttachmentSettingsDlg::kIdcDelete)->click();
        EXPECT_EQ(list->currentIndex().row(), 1);
        ui::test::ClickControl(&dialog, shell::dialogs::kIdOk);
    });
    ASSERT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(dialog.GetAttachList(), (std::vector<AttachmentPair>{{"old.txt", "3"}, {S("資料.txt"), "5"}}));
    // The store's name bytes are Shift_JIS.
    EXPECT_EQ(Read(folder_ + S("資料.txt")), "xxxxx");
    const QStringList captions = prompts_.captions();
    ASSERT_EQ(captions.size(), 3);  // two warnings, one refusal
    EXPECT_EQ(captions[0], ui::U8("添付ファイル設定"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbYesNo | platform::kMbIconWarning);
    EXPECT_EQ(prompts_.texts()[2], ui::U8("同じ名前のファイルを複数添付することはできません"));
    EXPECT_EQ(captions[2], ui::U8("添付ファイルの追加"));
}

TEST_F(AttachmentDialog, CancelLeavesTheFolderAlone) {
    std::ofstream(folder_ + "old.txt") << "old";
    CAttachmentSettingsDlg dialog;
    dialog.SetAttachFolder(folder_);
    dialog.SetAttachList({{"old.txt", "3"}});
    QTimer::singleShot(0, &dialog, [&] {
        dialog.List()->selectRow(0);
        Control<QPushButton>(&dialog, CAttachmentSettingsDlg::kIdcDelete)->click();
        EXPECT_EQ(dialog.List()->model()->rowCount(), 0);
        dialog.reject();
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdCancel);
    EXPECT_TRUE(fs::exists(folder_ + "old.txt"));
    EXPECT_EQ(dialog.GetAttachList(), (std::vector<AttachmentPair>{{"old.txt", "3"}}));
}

TEST_F(AttachmentDialog, OkRefusesTooMuchAndStaysOpen) {
    CAttachmentSettingsDlg dialog;
    dialog.SetAttachFolder(folder_);
    dialog.SetAttachList({{"big.bin", "1000000"}});
    bool stayed = false;
    QTimer::singleShot(0, &dialog, [&] {
        AddFile(dialog, Make("a/more.bin", 1000001));
        ui::test::ClickControl(&dialog, shell::dialogs::kIdOk);
        stayed = dialog.isVisible();
        dialog.reject();
    });
    dialog.DoModal();
    EXPECT_TRUE(stayed);
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.texts()[1], ui::U8("ファイルサイズが大きすぎます。\r\nメールサーバーに負担をかける可能性がありますので添付できません。\r\n"
                                          "2MB以内にリサイズしてください"));
    EXPECT_EQ(prompts_.prompts()[1].style, platform::kMbOk | platform::kMbIconError);
    EXPECT_FALSE(fs::exists(folder_ + "more.bin"));
}

}  // namespace attachment_settings_test
}  // namespace
