// The carriers' inline-image limits over all four slot tables, the rules au TU-KA and
// SoftBank share with their attachments, and runs of the dialog with image files on disk:
// the signature test, the messages in their order, emptying a slot and Cancel.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

#include <functional>
#include <memory>

#include "app/htmledit/inline_image_settings.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/prompt_recorder.h"
#include "core/foundation/cp932.h"
#include "platform/notifier.h"

namespace htmledit {
namespace {

struct InlineCarrier {
    const char* name;
    std::function<std::unique_ptr<CInlineImageSettingDlg>()> make;
    std::uint32_t slotCount;
    std::uint64_t bytes;
};

template <class T>
std::unique_ptr<CInlineImageSettingDlg> MakeInlineDlg() {
    return std::make_unique<T>();
}

const InlineCarrier kInlineCarriers[] = {
    {"Pc", MakeInlineDlg<CInlineImageSettingDlgPc>, 20, 5242880},
    {"Docomo", MakeInlineDlg<CInlineImageSettingDlgDocomo>, 20, 92160},
    {"Au", MakeInlineDlg<CInlineImageSettingDlgAu>, 20, 143600},
    {"Softbank", MakeInlineDlg<CInlineImageSettingDlgSoftbank>, 40, 256000},
};

// Slot ids as the PC, NTT DoCoMo and SoftBank pages write them.
void NameSlots(CInlineImageSettingDlg& table) {
    for (std::uint32_t i = 0; i < table.GetMaxCount(); ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "%02u", i);
        table.SetContentId(i, id);
    }
}

TEST(InlineLimits, HoldEachCarriersNumbers) {
    for (const InlineCarrier& c : kInlineCarriers) {
        SCOPED_TRACE(c.name);
        auto table = c.make();
        NameSlots(*table);
        EXPECT_EQ(table->GetMaxCount(), c.slotCount);
        EXPECT_EQ(table->GetMaxBytes(), c.bytes);
        EXPECT_EQ(table->SetImage(0, "big.gif", (std::uint64_t{1} << 32) + 100, "/x", 1), 0);
        EXPECT_EQ(table->SetImage(c.slotCount, "past.gif", 1, "/x", 1), 0);
        // Split the limit over two table: exactly the maximum fits, a byte more does not.
        const std::uint64_t first = c.bytes / 2;
        EXPECT_EQ(table->SetImage(0, "a.gif", first, "/x/a.gif", 1), 1);
        EXPECT_EQ(table->SetImageByContentId("01", "b.gif", c.bytes - first + 1, "/x/b.gif", 1), 0);
        EXPECT_EQ(table->SetImageByContentId("01", "b.gif", c.bytes - first, "/x/b.gif", 1), 1);
        EXPECT_EQ(table->SetImageByContentId("zz", "c.gif", 1, "/x/c.gif", 1), 0);
        EXPECT_EQ(table->GetTotalSize(), c.bytes);
        EXPECT_EQ(table->GetCount(), 2u);
        // A slot in use is replaced: its old size no longer counts.
        EXPECT_EQ(table->SetImage(0, "a2.gif", first, "/x/a2.gif", 1), 1);
        EXPECT_EQ(table->SetImage(0, "a3.gif", first + 1, "/x/a3.gif", 1), 0);
        EXPECT_EQ(table->GetSlot(0).fileName, "a2.gif");
        // Emptying keeps the id.
        EXPECT_EQ(table->RemoveImage(1), 1);
        EXPECT_EQ(table->GetSlot(1).contentId, "01");
        EXPECT_EQ(table->GetCount(), 1u);
        EXPECT_EQ(table->RemoveImage(c.slotCount), 0);
        EXPECT_EQ(table->RemoveAllImages(), static_cast<int>(c.slotCount));
        EXPECT_EQ(table->GetTotalSize(), 0u);
    }
}

TEST(InlineLimits, ASwapNeedsRoomOnlyForTheDifference) {
    CInlineImageSettingDlgDocomo table;
    ASSERT_EQ(table.SetImage(0, "big.gif", 92160 - 10000 - 2000, "/x", 1), 1);
    ASSERT_EQ(table.SetImage(1, "old.gif", 10000, "/x", 1), 1);
    EXPECT_EQ(table.SetImage(2, "more.gif", 2001, "/x", 1), 0);
    EXPECT_EQ(table.SetImage(1, "new.gif", 12000, "/x", 1), 1);
}

TEST(InlineLimits, AuCountsTheAttachmentsOfThePage) {
    CInlineImageSettingDlgAu table;
    std::uint32_t attachments = 20;
    table.SetAttachmentCountSource([&] { return attachments; });
    int filled = 0;
    for (std::uint32_t i = 0; i < table.GetMaxCount(); ++i) filled += table.SetImage(i, "p.gif", 10, "/x", 1);
    EXPECT_EQ(filled, 5);
    // A slot in use can still be changed; when the page drops an attachment one more fits.
    EXPECT_EQ(table.SetImage(0, "q.gif", 10, "/x", 1), 1);
    attachments = 19;
    EXPECT_EQ(table.SetImage(10, "r.gif", 10, "/x", 1), 1);
}

TEST(InlineLimits, SoftbankSharesItsBytesWithTheAttachments) {
    CInlineImageSettingDlgSoftbank table;
    std::uint64_t attachments = 250000;
    table.SetAttachmentTotalSource([&] { return attachments; });
    EXPECT_EQ(table.SetImage(0, "a.gif", 6001, "/x", 1), 0);
    EXPECT_EQ(table.SetImage(0, "a.gif", 6000, "/x", 1), 1);

    CInlineImageSettingDlgSoftbank manual;
    ASSERT_EQ(manual.SetImage(0, "a.gif", 100000, "/x", 1), 1);
    EXPECT_EQ(manual.SetAttachmentTotal(156001), 0);
    EXPECT_EQ(manual.GetAttachmentTotal(), 0u);
    EXPECT_EQ(manual.SetAttachmentTotal(156000), 1);
    EXPECT_EQ(manual.SetImage(1, "b.gif", 1, "/x", 1), 0);
}

// ---- Runs of the dialog ---------------------------------------------------------------------

const QByteArray kGif = QByteArray::fromHex("47494638396101000100800000000000ffffff21f90401000000002c00000000010001000002024401003b");

class InlineDialog : public ::testing::Test {
protected:
    QString File(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    static QStringList Row(const CInlineImageSettingDlg& dialog, int row) {
        const QAbstractItemModel* model = dialog.List()->model();
        return {model->index(row, 0).data().toString(), model->index(row, 1).data().toString(),
                model->index(row, 2).data().toString()};
    }
    static QString Total(const CInlineImageSettingDlg& dialog) {
        return ui::FindControl<QLineEdit>(&dialog, CInlineImageSettingDlg::kIdcTotal)->text();
    }
    void Select(CInlineImageSettingDlg& dialog, int row) { dialog.List()->selectRow(row); }

    QTemporaryDir dir_;
    ui::test::PromptRecorder prompts_;
    ui::test::FilePickerRecorder picker_;
};

TEST_F(InlineDialog, TakesGifAndJpegByTheirFirstBytesOnly) {
    CInlineImageSettingDlgPc dialog;
    NameSlots(dialog);
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.windowTitle(), ui::U8("インライン画像登録"));
    EXPECT_EQ(Row(dialog, 0), QStringList({"00", "", "0"}));

    const QString png = File("logo.png", QByteArray::fromHex("89504e470d0a1a0a0000000d49484452"));
    const QString shortGif = File("short.gif", "GIF89");
    const QString jpegNamedGif = File(ui::U8("写真.gif"), QByteArray::fromHex("ffd8ffe000104a464946") + QByteArray(1990, 'j'));
    const QString gif = File("dot.gif", kGif);
    for (const QString& path : {png, shortGif, jpegNamedGif}) picker_.Answer(path);
    Select(dialog, 3);
    for (int i = 0; i < 3; ++i) dialog.OnAssign();
    EXPECT_EQ(picker_.picks().at(0).request.filter, ui::U8("インライン画像(*.gif;*.jpg;*.jpeg)|*.gif;*.jpg;*.jpeg||"));
    const QString format = ui::U8("ファイルフォーマットが不正です。\r\nインライン画像にはgif、jpegのみ指定可能です。");
    EXPECT_EQ(prompts_.texts(), QStringList({format, format}));
    EXPECT_EQ(prompts_.prompts().at(0).caption, ui::U8("エラー"));
    EXPECT_EQ(Row(dialog, 3), QStringList({"03", ui::U8("写真.gif"), "2,000"}));
    EXPECT_EQ(dialog.GetSlot(3).flag, 1);

    picker_.Answer(gif);
    Select(dialog, 3);
    dialog.OnAssign();  // a slot in use gets the new image
    EXPECT_EQ(Row(dialog, 3), QStringList({"03", "dot.gif", QString::number(kGif.size())}));
    EXPECT_EQ(Total(dialog), QString::number(kGif.size()));
}

TEST_F(InlineDialog, AskForASelectionAndReportUnreadableFiles) {
    CInlineImageSettingDlgDocomo dialog;
    NameSlots(dialog);
    dialog.OnInitDialog();
    dialog.List()->clearSelection();
    dialog.OnAssign();
    dialog.OnDelete();
    picker_.Answer(dir_.filePath("gone.gif"));
    Select(dialog, 0);
    dialog.OnAssign();
    EXPECT_EQ(prompts_.texts(),
              QStringList({ui::U8("追加・変更を行うには、リストから対象となるContent-IDを選択する必要があります。"),
                           ui::U8("削除を行うには、リストから対象となるContent-IDを選択する必要があります。"),
                           ui::U8("ファイル情報の取得に失敗しました。")}));
    EXPECT_EQ(prompts_.prompts().at(0).caption, ui::U8("インフォメーション"));
    EXPECT_EQ(prompts_.prompts().at(0).style, platform::kMbOk | platform::kMbIconInformation);
    EXPECT_EQ(dialog.GetCount(), 0u);
}

TEST_F(InlineDialog, AuChecksTheTotalBeforeTheSizeOfOneFile) {
    CInlineImageSettingDlgAu dialog;
    for (std::uint32_t i = 0; i < 9; ++i) ASSERT_EQ(dialog.SetImage(i, "p.gif", 15360, "/x", 0), 1);
    dialog.OnInitDialog();  // 138,240 bytes in use: 5,360 left
    const QString large = File(ui::U8("大きい.gif"), kGif + QByteArray(15361 - kGif.size(), '\0'));
    const QString medium = File("medium.gif", kGif + QByteArray(6000 - kGif.size(), '\0'));
    picker_.Answer(large);
    picker_.Answer(medium);
    Select(dialog, 12);
    dialog.OnAssign();
    dialog.OnAssign();
    ASSERT_EQ(prompts_.texts().size(), 2);
    EXPECT_EQ(prompts_.texts().at(0), prompts_.texts().at(1));  // the total rule speaks first
    EXPECT_TRUE(prompts_.texts().at(0).contains(QStringLiteral("143,600")));

    // With room in the total, the file of 15,361 bytes is still too big for one image.
    dialog.RemoveAllImages();
    picker_.Answer(large);
    dialog.OnAssign();
    ASSERT_EQ(prompts_.texts().size(), 3);
    EXPECT_EQ(prompts_.texts().at(2), ui::U8("指定されたファイル「大きい.gif」のサイズが15Kバイトを超えています。\r\nau TU-KA向けメールのインライン画像には15Kバイト(15,360バイト)以内の画像が設定可能です。"));
    EXPECT_EQ(prompts_.prompts().at(2).caption, ui::U8("注意"));

    // With 20 attachments the sixth image is refused before any file is asked for.
    dialog.SetAttachmentCount(20);
    for (std::uint32_t i = 0; i < 5; ++i) ASSERT_EQ(dialog.SetImage(i, "p.gif", 10, "/x", 0), 1);
    const std::size_t picks = picker_.picks().size();
    dialog.OnAssign();
    EXPECT_EQ(picker_.picks().size(), picks);
    EXPECT_TRUE(prompts_.texts().last().startsWith(ui::U8("au TU-KA向けメールではインライン画像数と添付ファイル数は合計25ファイルまで設定可能です。")));
}

TEST_F(InlineDialog, EmptyingKeepsTheIdAndCancelBringsTheImageBack) {
    CInlineImageSettingDlgSoftbank dialog;
    NameSlots(dialog);
    ASSERT_EQ(dialog.SetImage(5, "kept.gif", 1234, "/x/kept.gif", 0), 1);
    dialog.OnInitDialog();
    Select(dialog, 5);
    dialog.OnDelete();
    EXPECT_EQ(Row(dialog, 5), QStringList({"05", "", "0"}));
    EXPECT_EQ(Total(dialog), "0");
    EXPECT_EQ(dialog.GetSlot(5).contentId, "05");
    dialog.reject();
    EXPECT_EQ(dialog.GetSlot(5).inUse, 1);
    EXPECT_EQ(dialog.GetTotalSize(), 1234u);
    EXPECT_TRUE(prompts_.texts().isEmpty());
}

}  // namespace
}  // namespace htmledit
