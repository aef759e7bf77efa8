// The carriers' attachment limits, one table over all nine lists (at the limit, one byte
// past it, the count, a size past 4 GiB, a replacement needing only the difference), the
// limits shared with inline images, and runs of the dialog with files on disk: adding,
// refusals with their messages, deleting, and Cancel bringing the list back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTemporaryDir>

#include <functional>
#include <memory>

#include "app/htmledit/attachment_limits.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/prompt_recorder.h"
#include "core/foundation/cp932.h"
#include "platform/notifier.h"

namespace htmledit {
namespace {

constexpr unsigned kCautionStyle = platform::kMbOk | platform::kMbIconWarning;

struct AttachmentCarrier {
    const char* name;
    std::function<std::unique_ptr<CAttachmentSettingDlg>()> make;
    std::uint32_t files;
    std::uint64_t bytes;
    const char* noticeStart;
};

template <class T>
std::unique_ptr<CAttachmentSettingDlg> MakeAttachmentDlg() {
    return std::make_unique<T>();
}

const AttachmentCarrier kAttachmentCarriers[] = {
    {"HtmlPc", MakeAttachmentDlg<CAttachmentSettingDlgHtmlPc>, 20, 5242880, "PC向けメールでは添付ファイルを20まで"},
    {"HtmlDocomo", MakeAttachmentDlg<CAttachmentSettingDlgHtmlDocomo>, 10, 2097152, "NTT DoCoMo向けメールでは添付ファイルを10まで"},
    {"HtmlAu", MakeAttachmentDlg<CAttachmentSettingDlgHtmlAu>, 25, 512000, "au TU-KA向けメールでは添付ファイル数とインライン画像数"},
    {"HtmlSoftbank", MakeAttachmentDlg<CAttachmentSettingDlgHtmlSoftbank>, 20, 256000, "SoftBank向けメールでは添付ファイルを20まで"},
    {"Normal", MakeAttachmentDlg<CAttachmentSettingDlgNormal>, 20, 5242880, "PC向けメールでは添付ファイルを20まで"},
    {"Imode", MakeAttachmentDlg<CAttachmentSettingDlgImode>, 10, 2097152, "NTT DoCoMo向けメールでは添付ファイルを10まで"},
    {"Ezweb", MakeAttachmentDlg<CAttachmentSettingDlgEzweb>, 5, 512000, "au TU-KA向けメールでは添付ファイルを5まで"},
    {"Jsky", MakeAttachmentDlg<CAttachmentSettingDlgJsky>, 20, 256000, "SoftBank向けメールでは添付ファイルを20まで"},
    {"Pmaildx", MakeAttachmentDlg<CAttachmentSettingDlgPmaildx>, 20, 358400, "WILLCOM向けメールでは添付ファイルを20まで"},
};

std::string Name(int i) { return "f" + std::to_string(i) + ".bin"; }

TEST(AttachmentLimits, HoldEachCarriersNumbers) {
    for (const AttachmentCarrier& c : kAttachmentCarriers) {
        SCOPED_TRACE(c.name);
        auto list = c.make();
        EXPECT_EQ(list->GetMaxCount(), c.files);
        EXPECT_EQ(list->GetMaxBytes(), c.bytes);
        EXPECT_TRUE(list->GetNoticeText().startsWith(ui::U8(c.noticeStart)));

        // Exactly the maximum is allowed, one byte more is not; a size past 4 GiB is no
        // small size.
        EXPECT_EQ(list->AddAttachment("big", (std::uint64_t{1} << 32) + 100, "/x/big", 1), 0);
        EXPECT_EQ(list->AddAttachment("a", c.bytes - 1000, "/x/a", 1), 1);
        EXPECT_TRUE(list->IsAddSizeOver(1001));
        EXPECT_EQ(list->AddAttachment("b", 1001, "/x/b", 1), 0);
        EXPECT_EQ(list->AddAttachment("b", 1000, "/x/b", 1), 1);
        EXPECT_EQ(list->GetTotalSize(), c.bytes);
        // Replacing needs room only for the difference.
        EXPECT_EQ(list->RemoveAttachment(1), 1);
        EXPECT_EQ(list->ReplaceAttachment(0, "a", c.bytes, "/y/a", 0), 1);
        EXPECT_EQ(list->ReplaceAttachment(0, "a", c.bytes + 1, "/y/a", 0), 0);
        EXPECT_EQ(list->GetAt(0).path, "/y/a");
        EXPECT_EQ(list->RemoveAttachment(0), 1);
        EXPECT_EQ(list->RemoveAttachment(0), 0);

        // The count: as many files as the carrier takes, then none.
        for (std::uint32_t i = 0; i < c.files; ++i) ASSERT_EQ(list->AddAttachment(Name(i), 1, "/x", 1), 1) << i;
        EXPECT_TRUE(list->IsCountFull());
        EXPECT_EQ(list->AddAttachment("one-more", 1, "/x", 1), 0);
        EXPECT_EQ(list->GetCount(), c.files);
    }
}

TEST(AttachmentLimits, NamesAreKeysAndCaseCounts) {
    CAttachmentSettingDlgNormal list;
    ASSERT_EQ(list.AddAttachment(Utf8ToSjis("報告書.txt"), 10, "/a/報告書.txt", 1), 1);
    EXPECT_EQ(list.AddAttachment(Utf8ToSjis("報告書.txt"), 10, "/b/報告書.txt", 1), 0);
    EXPECT_EQ(list.AddAttachment("Report.TXT", 10, "/a/Report.TXT", 1), 1);
    EXPECT_EQ(list.AddAttachment("report.txt", 10, "/a/report.txt", 1), 1);
    EXPECT_EQ(list.ReplaceAttachment(2, "Report.TXT", 10, "/c", 0), 0);  // another entry's name
    EXPECT_EQ(list.ReplaceAttachment(1, "Report.TXT", 20, "/c", 0), 1);  // its own
    EXPECT_EQ(list.ReplaceAttachment(3, "x", 1, "/c", 0), 0);            // no such entry
}

TEST(AttachmentLimits, AuCountsTheInlineImagesOfThePage) {
    CAttachmentSettingDlgHtmlAu list;
    std::uint32_t images = 20;
    list.SetInlineImageCountSource([&] { return images; });
    int added = 0;
    while (list.AddAttachment(Name(added), 1, "/x", 1) == 1) ++added;
    EXPECT_EQ(added, 5);
    --images;  // the page removed one inline image
    EXPECT_EQ(list.AddAttachment("sixth", 1, "/x", 1), 1);

    ui::test::PromptRecorder prompts;
    list.ShowCountFullMessage();
    ASSERT_EQ(prompts.texts().size(), 1);
    EXPECT_TRUE(prompts.texts().at(0).startsWith(ui::U8("au TU-KA向けメールではインライン画像数と添付ファイル数は合計25ファイルまで")));
    EXPECT_EQ(prompts.prompts().at(0).caption, ui::U8("注意"));
    EXPECT_EQ(prompts.prompts().at(0).style, kCautionStyle);

    // Without a source the number the page set counts.
    CAttachmentSettingDlgHtmlAu manual;
    manual.SetInlineImageCount(24);
    EXPECT_EQ(manual.AddAttachment("a", 1, "/x", 1), 1);
    EXPECT_EQ(manual.AddAttachment("b", 1, "/x", 1), 0);
}

TEST(AttachmentLimits, SoftbankSharesItsBytesWithTheInlineImages) {
    CAttachmentSettingDlgHtmlSoftbank list;
    std::uint64_t inlineTotal = 200000;
    list.SetInlineTotalSource([&] { return inlineTotal; });
    EXPECT_EQ(list.AddAttachment("a", 56001, "/x", 1), 0);
    EXPECT_EQ(list.AddAttachment("a", 56000, "/x", 1), 1);
    EXPECT_EQ(list.ReplaceAttachment(0, "a", 56001, "/x", 1), 0);
    inlineTotal = 100000;  // the page emptied an image
    EXPECT_EQ(list.ReplaceAttachment(0, "a", 156000, "/x", 1), 1);

    CAttachmentSettingDlgHtmlSoftbank manual;
    ASSERT_EQ(manual.AddAttachment("a", 6000, "/x", 1), 1);
    EXPECT_EQ(manual.SetInlineTotal(250001), 0);
    EXPECT_EQ(manual.GetInlineTotal(), 0u);
    EXPECT_EQ(manual.SetInlineTotal(250000), 1);
    EXPECT_EQ(manual.AddAttachment("b", 1, "/x", 1), 0);
}

// ---- Runs of the dialog ---------------------------------------------------------------------

class AttachmentDialog : public ::testing::Test {
protected:
    QString File(const QString& relative, qint64 size) {
        const QString path = dir_.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size, 'x'));
        return path;
    }
    static QStringList Rows(const CAttachmentSettingDlg& dialog) {
        QStringList rows;
        const QAbstractItemModel* model = dialog.List()->model();
        for (int r = 0; r < model->rowCount(); ++r)
            rows << model->index(r, 0).data().toString() + QStringLiteral("=") + model->index(r, 1).data().toString();
        return rows;
    }
    static QString Total(const CAttachmentSettingDlg& dialog) {
        return ui::FindControl<QLineEdit>(&dialog, CAttachmentSettingDlg::kIdcTotal)->text();
    }

    QTemporaryDir dir_;
    ui::test::PromptRecorder prompts_;
    ui::test::FilePickerRecorder picker_;
};

TEST_F(AttachmentDialog, AddsFilesAndRefusesWithTheCarriersMessages) {
    CAttachmentSettingDlgJsky dialog;
    dialog.OnInitDialog();
    EXPECT_EQ(ui::FindControl<QPlainTextEdit>(&dialog, CAttachmentSettingDlg::kIdcNotice)->toPlainText(),
              ui::U8("SoftBank向けメールでは添付ファイルを20まで登録可能です。\nまた、合計で250Kバイト(256,000バイト)まで登録可能です。"));

    picker_.Answer(File(ui::U8("一/見積書.pdf"), 200000));
    picker_.Answer(File(ui::U8("二/見積書.pdf"), 10));       // the same name from elsewhere
    picker_.Answer(dir_.filePath(QStringLiteral("gone.txt")));  // cannot be measured
    picker_.Answer(File(QStringLiteral("b.dat"), 56001));      // one byte too many
    picker_.Answer(File(QStringLiteral("c.dat"), 56000));      // exactly the rest
    picker_.Answer(std::nullopt);                              // cancelled
    for (int i = 0; i < 6; ++i) dialog.OnAdd();

    EXPECT_EQ(picker_.picks().at(0).request.filter, ui::U8("全て(*.*)|*.*||"));
    EXPECT_TRUE(picker_.picks().at(0).request.fileMustExist);
    ASSERT_EQ(prompts_.texts().size(), 3);
    EXPECT_EQ(prompts_.texts().at(0), ui::U8("同じ名前のファイルを複数添付することはできません。"));
    EXPECT_EQ(prompts_.prompts().at(0).caption, ui::U8("注意"));
    EXPECT_EQ(prompts_.prompts().at(0).style, kCautionStyle);
    EXPECT_EQ(prompts_.texts().at(1), ui::U8("ファイル情報の取得に失敗しました。"));
    EXPECT_EQ(prompts_.prompts().at(1).caption, ui::U8("エラー"));
    EXPECT_EQ(prompts_.prompts().at(1).style, platform::kMbOk | platform::kMbIconError);
    EXPECT_EQ(prompts_.texts().at(2), ui::U8("合計サイズが250Kバイトを超えるため、添付ファイルを追加できません。\r\nSoftBank向けメールでは合計250Kバイト(256,000バイト)までの添付ファイルを設定可能です。"));

    EXPECT_EQ(Rows(dialog), QStringList({ui::U8("見積書.pdf=200,000"), ui::U8("c.dat=56,000")}));
    EXPECT_EQ(Total(dialog), QStringLiteral("256,000"));
    EXPECT_EQ(dialog.GetAt(0).fileName, Utf8ToSjis("見積書.pdf"));
    EXPECT_EQ(dialog.GetAt(0).path, ui::ToPath(dir_.filePath(ui::U8("一/見積書.pdf"))));
    EXPECT_EQ(dialog.GetAt(0).flag, 1);

    // Full: the count message comes before any file is asked for.
    CAttachmentSettingDlgEzweb ezweb;
    for (int i = 0; i < 5; ++i) ezweb.AddAttachment(Name(i), 1, "/x", 0);
    ezweb.OnInitDialog();
    prompts_.clear();
    ezweb.OnAdd();
    EXPECT_EQ(picker_.picks().size(), 6u);
    EXPECT_EQ(prompts_.texts(), QStringList(ui::U8("au TU-KA向けメールに添付可能なファイルの総数は5までです。\r\n追加を行う前に添付ファイルのリストから1つ以上ファイルを削除する必要があります。")));
}

TEST_F(AttachmentDialog, DeletesAndCancelBringsTheListBack) {
    CAttachmentSettingDlgNormal dialog;
    dialog.AddAttachment("old1.txt", 100, "mailwork/old1.txt", 1);
    dialog.AddAttachment("old2.txt", 200, "mailwork/old2.txt", 0);
    dialog.AddAttachment("old3.txt", 300, "mailwork/old3.txt", 0);
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.GetAt(0).flag, 0);  // every flag cleared at the opening
    dialog.show();

    // Deleting with nothing selected does nothing.
    dialog.List()->clearSelection();
    dialog.OnDelete();
    EXPECT_EQ(dialog.GetCount(), 3u);

    // A file added and deleted in the same run is no removed entry; an old one is.
    picker_.Answer(File(QStringLiteral("new.txt"), 5));
    dialog.OnAdd();
    dialog.List()->selectRow(3);
    dialog.OnDelete();
    EXPECT_TRUE(dialog.GetRemovedList().empty());
    EXPECT_EQ(dialog.List()->selectionModel()->selectedRows().front().row(), 2);  // the new last row

    // The Delete key deletes while the list has the focus, and only then.
    dialog.List()->selectRow(0);
    dialog.List()->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(dialog.List(), &press);
    ASSERT_EQ(dialog.GetRemovedList().size(), 1u);
    EXPECT_EQ(dialog.GetRemovedList().at(0).fileName, "old1.txt");
    QKeyEvent elsewhere(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(ui::FindControl<QWidget>(&dialog, CAttachmentSettingDlg::kIdcAdd), &elsewhere);
    EXPECT_EQ(dialog.GetCount(), 2u);
    EXPECT_EQ(Total(dialog), QStringLiteral("500"));

    dialog.reject();
    EXPECT_TRUE(dialog.GetRemovedList().empty());
    ASSERT_EQ(dialog.GetCount(), 3u);
    EXPECT_EQ(dialog.GetAt(0).fileName, "old1.txt");
    EXPECT_EQ(dialog.GetAt(0).flag, 1);  // as before the run
}

TEST_F(AttachmentDialog, OkKeepsTheRunsChanges) {
    CAttachmentSettingDlgImode dialog;
    dialog.AddAttachment("old.txt", 100, "mailwork/old.txt", 0);
    picker_.Answer(File(QStringLiteral("new.txt"), 7));
    ui::test::WhenDialogShows(ui::DialogName(CAttachmentSettingDlg::kIdd), [](QDialog* shown) {
        auto* d = static_cast<CAttachmentSettingDlg*>(shown);
        d->OnAdd();
        d->List()->selectRow(0);
        d->OnDelete();
        ui::test::ClickControl(d, 1);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    ASSERT_EQ(dialog.GetCount(), 1u);
    EXPECT_EQ(dialog.GetAt(0).fileName, "new.txt");
    EXPECT_EQ(dialog.GetAt(0).size, 7u);
    ASSERT_EQ(dialog.GetRemovedList().size(), 1u);
    EXPECT_EQ(dialog.GetRemovedList().at(0).path, "mailwork/old.txt");
}

}  // namespace
}  // namespace htmledit
