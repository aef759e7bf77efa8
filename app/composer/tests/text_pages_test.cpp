// The text pages: their limits and work folders, the signature and the body file, the
// ruler and the hard wrap, attachments kept in step with the work folder, pictograms at the
// remembered selection, the copies into the carrier pages with their questions, and the
// test send's mail (built for the page's carrier, or not sent at all).
#include <gtest/gtest.h>

#include <QDialog>
#include <QFontMetrics>
#include <QProcess>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QWindow>

#include <filesystem>

#include "app/composer/carrier_text_pages.h"
#include "app/composer/mail_edit_page_normal.h"
#include "app/composer/mail_edit_page_text_mobile.h"
#include "app/mailtext/sjis_cut.h"
#include "app/composer/tests/compose_test_env.h"
#include "app/compose/pictogram_input_dlg.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/compose/wrap_ruler.h"
#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/type_text.h"
#include "core/addressbook/test_mailing_info.h"
#include "platform/notifier.h"

namespace compose {
namespace {

using cdtest::S;
using ui::U8;

class TextPagesTest : public cdtest::ComposeEnvTest {
protected:
    void SetUp() override {
        ComposeEnvTest::SetUp();
        TurnOffConfirmation("ATTACHSECURITY");
        TurnOffConfirmation("MAILREFLECT");
    }
    std::string Folder(int t) { return env_layout::AttachWorkFolder(*Env(), t); }
    // Adds `count` attachments of `size` bytes named <stem>N to page `t`.
    static void Attach(CMailCreateDialog& d, int t, int count, std::size_t size, const std::string& stem) {
        for (int i = 0; i < count; ++i) {
            const std::string bytes(size, static_cast<char>('a' + i));
            ASSERT_EQ(d.GetTextPage(t)->AddAttachmentFromBuffer(stem + std::to_string(i), bytes.data(), bytes.size()), 1);
        }
    }
    static std::vector<std::string> Names(CMailCreateDialog& d, int t) {
        std::vector<std::string> names;
        for (const AttachData& a : d.MailRecord().attach[static_cast<std::size_t>(t)]) names.push_back(a.fileName);
        return names;
    }
    void SetTestRecipient(int which, const std::string& email, const std::string& surname) {
        CTestMailingInfo info(Env(), &Options());
        OneCustomer c;
        info.InitOneCustomer(c, which);
        c.Email = email;
        c.KanjiSei = surname;
        ASSERT_EQ(info.SetTestMailingInfo(c, which), 0);
        ASSERT_EQ(info.WriteFromMemoryToFile(), 0);
        testRecipient_ = c;
    }
    // Chooses cell `index` of the page's palette, as a double-click does, and lets the
    // choice travel through the dialog to the page.
    static void ChoosePictogram(CarrierTextPage& page, int index) {
        page.Palette()->Grid()->setCurrentCell(index / CPictogramDialog::kColumns, index % CPictogramDialog::kColumns);
        page.Palette()->InsertSelectedPictogram();
        cdtest::Pump();
    }
    // `edit` had the focus and loses it to the palette, with the selection [start, end).
    // Confirmations that showed where none was expected.
    int notices_ = 0;

    static void LeaveWithSelection(SjisLimitedEdit& edit, std::size_t start, std::size_t end) {
        edit.setFocus();
        edit.SetSjisSelection(start, end);
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(&edit, &out);
    }
};

TEST_F(TextPagesTest, EveryPageHasItsCarriersLimits) {
    auto d = OpenTextMail();
    struct Case {
        int page, body, subject, files;
        std::uint64_t bytes;
    };
    const Case cases[] = {{0, 100000, 512, 20, 5242880}, {1, 10000, 30, 10, 2097152}, {2, 10000, 100, 5, 512000},
                          {3, 10000, 40, 20, 256000},    {4, 40000, 256, 20, 358400}};
    for (const Case& c : cases) {
        TextMailPage* page = d->GetTextPage(c.page);
        EXPECT_EQ(page->Body()->GetByteLimit(), static_cast<std::size_t>(c.body)) << c.page;
        EXPECT_EQ(page->Subject()->GetByteLimit(), static_cast<std::size_t>(c.subject)) << c.page;
        EXPECT_EQ(ui::FindControl<QLabel>(page, CMailEditPageBase::kIdcMax)->text(), QString::number(c.body));
        EXPECT_EQ(page->Attachments().GetMaxCount(), static_cast<std::uint32_t>(c.files)) << c.page;
        EXPECT_EQ(page->Attachments().GetMaxBytes(), c.bytes) << c.page;
        EXPECT_EQ(page->GetWorkFolder(), Folder(c.page));
        EXPECT_TRUE(std::filesystem::is_directory(Folder(c.page)));
    }
    EXPECT_EQ(d->GetTextPage(0)->Ruler()->GetWrapPosition(), 580);
    EXPECT_EQ(d->GetTextPage(3)->Ruler()->GetWrapPosition(), 240);
    EXPECT_EQ(d->GetMozioPage()->GetBodyLimit(), 1024);
    EXPECT_EQ(d->GetPaldioPage()->GetBodyLimit(), 3000);
    // Ten full-width characters count 20.
    d->GetTextPage(2)->Body()->SetSjisText(S("あいうえおかきくけこ"));
    EXPECT_EQ(ui::FindControl<QLabel>(d->GetTextPage(2), CMailEditPageBase::kIdcCount)->text(), QStringLiteral("20"));
}

TEST_F(TextPagesTest, WorkFolderIsMadeOneLevelDeepOrKeptAsItWas) {
    CMailEditPageNormal page;
    const std::string base = root_ + "/mailwork/";
    ASSERT_EQ(page.SetWorkFolder(root_ + "/"), 1);
    EXPECT_EQ(page.SetWorkFolder(base), 1);
    EXPECT_TRUE(std::filesystem::is_directory(base));
    EXPECT_EQ(page.SetWorkFolder(base), 1);
    EXPECT_EQ(page.SetWorkFolder(root_ + "/missing/deeper/"), 0);
    EXPECT_EQ(page.GetWorkFolder(), base);
    EXPECT_FALSE(std::filesystem::exists(root_ + "/missing"));
}

TEST_F(TextPagesTest, NewMailTakesTheSignatureOnceWhenTheOptionSaysSo) {
    SetOption(80, S("山田商店"));
    for (const char* insert : {"Y", "N"}) {
        SetOption(81, insert);
        auto d = OpenTextMail();
        const std::string expected = std::string(insert) == "Y" ? "\r\n" + S("山田商店") : "";
        EXPECT_EQ(d->GetPcPage()->Body()->GetSjisText(), expected);
        EXPECT_EQ(d->MailRecord().body[0], expected);
        d->GetSheet()->SetActivePage(1);
        d->GetSheet()->SetActivePage(0);
        EXPECT_EQ(d->GetPcPage()->Body()->GetSjisText(), expected);
    }
    // A stored mail or a copy gets none.
    SetOption(81, "Y");
    auto stored = OpenTextMail(StoreMail('N', "s", "stored"));
    EXPECT_EQ(stored->GetPcPage()->Body()->GetSjisText(), "stored");
}

TEST_F(TextPagesTest, BodyFileBecomesTheBodyInShiftJis) {
    const std::string file = root_ + "/body.txt";
    struct Case {
        std::string bytes;
        std::string body;
    };
    const Case cases[] = {
        {"\xE6\x9C\xAC\xE6\x96\x87\r\nline", S("本文") + "\r\nline"},  // UTF-8
        {S("本文") + '\0' + "x", S("本文") + "x"},                     // Shift_JIS, NUL dropped
        {"\x1B$BK\\J8\x1B(B", S("本文")},                                 // ISO-2022-JP
    };
    for (const Case& c : cases) {
        cdtest::WriteFile(file, c.bytes);
        CMailCreateDialog d(nullptr, 1, 2, -1, -1, file);
        ASSERT_TRUE(d.OnInitDialog());
        EXPECT_EQ(d.GetPcPage()->Body()->GetSjisText(), c.body);
        EXPECT_EQ(d.MailRecord().body[0], c.body);
        EXPECT_FALSE(d.GetPcPage()->GetBodyFile().has_value());
    }
    // UTF-8 with characters Shift_JIS cannot hold: they are left out and named.
    cdtest::WriteFile(file, "\xE6\x9C\xAC\xE6\x96\x87\xF0\x9F\x8E\x84!");  // 本文🎄!
    CMailCreateDialog emoji(nullptr, 1, 2, -1, -1, file);
    ASSERT_TRUE(emoji.OnInitDialog());
    EXPECT_EQ(emoji.GetPcPage()->Body()->GetSjisText(), S("本文!"));
    cdtest::Pump();
    ASSERT_EQ(prompts_.texts().size(), 1);
    EXPECT_TRUE(prompts_.texts()[0].contains(U8("「🎄」")));
    prompts_.clear();

    // Longer than the body's limit: cut where a character ends, once the user agreed.
    cdtest::WriteFile(file, std::string(99999, 'a') + S("あい"));
    CMailCreateDialog longer(nullptr, 1, 2, -1, -1, file);
    ASSERT_TRUE(longer.OnInitDialog());
    EXPECT_EQ(longer.GetPcPage()->Body()->GetSjisText(), std::string(99999, 'a'));
    EXPECT_EQ(prompts_.captions(), QStringList{U8("確認")});

    // A file that cannot be read keeps the page from becoming active, and stays pending.
    CMailCreateDialog missing(nullptr, 1, 2, -1, -1, root_ + "/none.txt");
    ASSERT_TRUE(missing.OnInitDialog());
    EXPECT_EQ(missing.GetSheet()->GetActiveIndex(), 1);
    EXPECT_TRUE(missing.GetPcPage()->GetBodyFile().has_value());
}

TEST_F(TextPagesTest, RulerSetsTheWrapAndHardWrapBreaksAtIt) {
    auto d = OpenTextMail();
    d->resize(900, 660);
    d->show();
    cdtest::Pump();
    CMailEditPageNormal* page = d->GetPcPage();
    CWrapRuler* ruler = page->Ruler();
    const QPoint at(ruler->Left() + 300, ruler->Top() + 5);
    QMouseEvent release(QEvent::MouseButtonRelease, ruler->mapFromParent(at), ruler->mapToGlobal(ruler->mapFromParent(at)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(ruler, &release);
    EXPECT_EQ(ruler->GetWrapPosition(), 300);
    EXPECT_EQ(ui::FindControl<QLabel>(page, TextMailPage::kIdcWrapPosition)->text(), QStringLiteral("300"));
    EXPECT_EQ(page->Body()->GetWrapWidth(), 300);

    const std::string text = S(std::string(6, 'x').c_str()) + S("長い本文を定規の位置で折り返して、本当の改行にします。") +
                             S("もう一度、長い本文を定規の位置で折り返します。\r\n短い行");
    page->Body()->SetSjisText(text);
    page->InsertLineBreaksAtWrap();
    const QString wrapped = ui::FromSjis(page->Body()->GetSjisText());
    const QStringList lines = wrapped.split(QStringLiteral("\r\n"));
    EXPECT_GT(lines.size(), 3);
    const QFontMetrics metrics(page->Body()->font());
    for (const QString& line : lines) EXPECT_LE(metrics.horizontalAdvance(line), 298) << line.toStdString();
    EXPECT_EQ(QString(wrapped).remove(QStringLiteral("\r\n")), ui::FromSjis(text).remove(QStringLiteral("\r\n")));
}

// "カーソル位置 ___ pixel" follows the body's caret (typing, keys, a new wrap) on the
// ruler's scale, and the mouse while it is on the ruler.
TEST_F(TextPagesTest, TheCursorPositionShowsTheCaretsPixelAndTheMouseOnTheRuler) {
    auto d = OpenTextMail();
    d->resize(900, 660);
    d->show();
    cdtest::Pump();
    CMailEditPageNormal* page = d->GetPcPage();
    QLabel* shown = ui::FindControl<QLabel>(page, CMailEditPageNormal::kIdcCursorPosition);
    ASSERT_NE(shown, nullptr);
    const QFontMetrics metrics(page->Body()->font());
    const auto pixels = [&](const char* utf8) { return QString::number(metrics.horizontalAdvance(U8(utf8))); };

    page->Body()->setFocus();
    ui::test::TypeText(page->Body(), "春のセール");
    EXPECT_EQ(shown->text(), pixels("春のセール"));
    QTest::keyClick(page->Body(), Qt::Key_Home);
    EXPECT_EQ(shown->text(), QStringLiteral("0"));
    QTest::keyClick(page->Body(), Qt::Key_Right);
    EXPECT_EQ(shown->text(), pixels("春"));
    // A narrower wrap breaks the line: the caret at its end moves to the next line.
    QTest::keyClick(page->Body(), Qt::Key_End);
    page->Ruler()->SetWrapPosition(metrics.horizontalAdvance(U8("春のセ")) + 2);
    emit page->Ruler()->wrapPositionChanged(page->Ruler()->GetWrapPosition());
    EXPECT_EQ(shown->text(), pixels("ール"));

    // The mouse on the ruler shows its own place; leaving it shows the caret's again.
    CWrapRuler* ruler = page->Ruler();
    const QPoint at = ruler->mapFromParent(QPoint(ruler->Left() + 123, ruler->Top() + 5));
    QMouseEvent move(QEvent::MouseMove, at, ruler->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(ruler, &move);
    EXPECT_EQ(shown->text(), QStringLiteral("123"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(ruler, &leave);
    EXPECT_EQ(shown->text(), pixels("ール"));
}

TEST_F(TextPagesTest, AttachCommandCopiesIntoTheWorkFolderAndDropsWhatCannotBeCopied) {
    const std::string a = root_ + "/a.txt";
    const std::string b = root_ + "/b.txt";
    cdtest::WriteFile(a, "first");
    cdtest::WriteFile(b, "second");
    ui::test::FilePickerRecorder picker;
    picker.Answer(ui::FromPath(a));
    picker.Answer(ui::FromPath(b));
    auto d = OpenTextMail();
    TextMailPage* page = d->GetTextPage(0);
    ui::test::WhenDialogShows(QStringLiteral("dlg934"), [&](QDialog* dialog) {
        auto* attachments = static_cast<htmledit::CAttachmentSettingDlg*>(dialog);
        attachments->OnAdd();
        attachments->OnAdd();
        std::filesystem::remove(b);
        dialog->accept();
    });
    page->OnAttachFiles();
    EXPECT_EQ(prompts_.texts(), QStringList{U8("添付ファイルに指定されたファイル「b.txt」を作業フォルダにコピーできません。\r\n")});
    EXPECT_EQ(Names(*d, 0), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(d->MailRecord().attach[0][0].secondText, "5");
    EXPECT_EQ(ui::FindControl<QLineEdit>(page, TextMailPage::kIdcAttachNames)->text(), QStringLiteral("a.txt"));
    const std::string copy = Folder(0) + "a.txt";
    EXPECT_EQ(cdtest::FileBytes(copy), "first");
    EXPECT_EQ(page->Attachments().GetAt(0).path, copy);
    EXPECT_TRUE(std::filesystem::exists(a));

    // OK again without changes: the copies stay as they are.
    const auto written = std::filesystem::last_write_time(copy);
    prompts_.clear();
    for (int run = 0; run < 2; ++run) {
        ui::test::WhenDialogShows(QStringLiteral("dlg934"), [](QDialog* dialog) { dialog->accept(); });
        page->OnAttachFiles();
    }
    EXPECT_TRUE(prompts_.prompts().empty());
    EXPECT_EQ(cdtest::FileBytes(copy), "first");
    EXPECT_EQ(std::filesystem::last_write_time(copy), written);
    EXPECT_EQ(Names(*d, 0), std::vector<std::string>{"a.txt"});

    // Cancel leaves copies, list and names as they were; removing deletes the copy only.
    ui::test::WhenDialogShows(QStringLiteral("dlg934"), [](QDialog* dialog) {
        static_cast<htmledit::CAttachmentSettingDlg*>(dialog)->List()->selectRow(0);
        static_cast<htmledit::CAttachmentSettingDlg*>(dialog)->OnDelete();
        dialog->reject();
    });
    page->OnAttachFiles();
    EXPECT_EQ(Names(*d, 0), std::vector<std::string>{"a.txt"});
    EXPECT_TRUE(std::filesystem::exists(copy));
    ui::test::WhenDialogShows(QStringLiteral("dlg934"), [](QDialog* dialog) {
        static_cast<htmledit::CAttachmentSettingDlg*>(dialog)->List()->selectRow(0);
        static_cast<htmledit::CAttachmentSettingDlg*>(dialog)->OnDelete();
        dialog->accept();
    });
    page->OnAttachFiles();
    EXPECT_TRUE(Names(*d, 0).empty());
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_TRUE(std::filesystem::exists(a));
}

TEST_F(TextPagesTest, AttachCommandRefusesANameThatIsNoPlainFileName) {
    // A backslash is a plain byte to this file system, but the name could not be stored or
    // sent as one file name.
    const std::string odd = root_ + "/x\\y.txt";
    cdtest::WriteFile(odd, "odd");
    ui::test::FilePickerRecorder picker;
    picker.Answer(ui::FromPath(odd));
    auto d = OpenTextMail();
    TextMailPage* page = d->GetTextPage(0);
    ui::test::WhenDialogShows(QStringLiteral("dlg934"), [](QDialog* dialog) {
        static_cast<htmledit::CAttachmentSettingDlg*>(dialog)->OnAdd();
        dialog->accept();
    });
    page->OnAttachFiles();
    EXPECT_EQ(prompts_.texts(), QStringList{U8("添付ファイルに指定されたファイル「x\\y.txt」を作業フォルダにコピーできません。\r\n")});
    EXPECT_TRUE(Names(*d, 0).empty());
    EXPECT_EQ(page->GetAttachmentCount(), 0);
    EXPECT_TRUE(std::filesystem::is_empty(Folder(0)));
    EXPECT_EQ(cdtest::FileBytes(odd), "odd");
}

TEST_F(TextPagesTest, AttachNoticeComesOnceAndNotWithoutAWorkFolder) {
    CIniManager::WriteProfileStringA(env_layout::EnvIniFile(*Env()), "CONFIRMDIALOG", "ATTACHSECURITY", "Y");
    auto d = OpenTextMail();
    for (int t : {0, 2}) {
        ui::test::WhenDialogShows(QStringLiteral("dlg937"), [this](QDialog* dialog) {
            ++notices_;
            EXPECT_EQ(dialog->windowTitle(), U8("インフォメーション"));
            dialog->accept();
        });
        ui::test::WhenDialogShows(QStringLiteral("dlg934"), [](QDialog* dialog) { dialog->reject(); });
        d->GetTextPage(t)->OnAttachFiles();
    }
    EXPECT_EQ(notices_, 1);

    CMailEditPageNormal loose;
    loose.OnAttachFiles();
    EXPECT_EQ(prompts_.texts(), QStringList{U8("作業用フォルダが未設定です。")});
}

TEST_F(TextPagesTest, AttachmentsFromBuffersKeepTheCarriersLimitsAndRemovalStopsAtTheFirstFailure) {
    auto d = OpenTextMail();
    TextMailPage* au = d->GetTextPage(2);
    Attach(*d, 2, 5, 10, "f");
    EXPECT_EQ(au->AddAttachmentFromBuffer("sixth", "x", 1), 0);
    EXPECT_FALSE(std::filesystem::exists(Folder(2) + "sixth"));
    EXPECT_EQ(au->AddAttachmentFromBuffer("../escape", "x", 1), 0);

    TextMailPage* softbank = d->GetTextPage(3);
    Attach(*d, 3, 3, 4, "g");
    EXPECT_EQ(softbank->AddAttachmentFromBuffer("g1", "x", 1), 0);  // the name is used
    std::string data(3, '\0');
    EXPECT_EQ(softbank->GetAttachmentData(0, 3, data.data()), 0);  // one byte short
    data.resize(4);
    EXPECT_EQ(softbank->GetAttachmentData(0, 4, data.data()), 1);
    EXPECT_EQ(data, "aaaa");
    // The second copy cannot be deleted: the third goes, then the removal stops.
    std::filesystem::remove(Folder(3) + "g1");
    std::filesystem::create_directories(Folder(3) + "g1/keep");
    EXPECT_EQ(softbank->RemoveAllAttachments(), 0);
    EXPECT_EQ(Names(*d, 3), (std::vector<std::string>{"g0", "g1"}));
    EXPECT_EQ(softbank->GetAttachmentCount(), 2);
    EXPECT_FALSE(std::filesystem::exists(Folder(3) + "g2"));
    EXPECT_EQ(ui::FindControl<QLineEdit>(softbank, TextMailPage::kIdcAttachNames)->text(), QStringLiteral("g0, g1"));
}

TEST_F(TextPagesTest, StoredAttachmentsComeBackIntoThePagesAndLeaveWithTheDialog) {
    auto d = OpenTextMail();
    Attach(*d, 0, 2, 100, "pc");
    Attach(*d, 4, 1, 7, "wl");
    ASSERT_TRUE(d->OnButtonAction(CMailCreateDialog::kIdcDraft));
    const int id = d->GetMailID();
    d.reset();
    EXPECT_FALSE(std::filesystem::exists(Folder(0) + "pc0"));

    auto e = OpenTextMail(id);
    EXPECT_EQ(Names(*e, 0), (std::vector<std::string>{"pc0", "pc1"}));
    EXPECT_EQ(e->GetTextPage(0)->Attachments().GetTotalSize(), 200u);
    EXPECT_EQ(e->GetTextPage(4)->GetAttachmentCount(), 1);
    EXPECT_EQ(ui::FindControl<QLineEdit>(e->GetTextPage(0), TextMailPage::kIdcAttachNames)->text(),
              QStringLiteral("pc0, pc1"));
    EXPECT_EQ(cdtest::FileBytes(Folder(0) + "pc1"), std::string(100, 'b'));
}

TEST_F(TextPagesTest, AttachmentsCanBeTurnedOff) {
    SetOption(100, "Y");
    auto d = OpenTextMail();
    EXPECT_FALSE(d->AttachmentsAllowed());
    EXPECT_FALSE(ui::FindControl<QPushButton>(d->GetTextPage(0), CMailEditPageNormal::kIdcAttach)->isEnabled());
    for (int t = 1; t <= 4; ++t) {
        EXPECT_FALSE(ui::FindControl<QPushButton>(d->GetTextPage(t), CarrierTextPage::kIdcAttach)->isEnabled());
        EXPECT_FALSE(ui::FindControl<QLineEdit>(d->GetTextPage(t), TextMailPage::kIdcAttachNames)->isEnabled());
    }
}

// ---- Pictograms --------------------------------------------------------------------------

TEST_F(TextPagesTest, PictogramGoesToTheRememberedSelectionWithinTheLimit) {
    auto d = OpenTextMail();
    d->show();
    d->GetSheet()->SetActivePage(1);
    CarrierTextPage& docomo = *d->GetMobilePage()->GetImodePage();
    docomo.ShowPalette();
    ASSERT_NE(docomo.Palette(), nullptr);
    const std::string pictogram = "\xF8\x9F";

    // 29 bytes take no pictogram; 28 do, and the caret stands after it.
    docomo.Subject()->SetSjisText(std::string(29, 's'));
    LeaveWithSelection(*docomo.Subject(), 29, 29);
    ChoosePictogram(docomo, 0);
    EXPECT_EQ(docomo.Subject()->GetSjisText(), std::string(29, 's'));
    docomo.Subject()->SetSjisText(std::string(28, 's'));
    LeaveWithSelection(*docomo.Subject(), 28, 28);
    ChoosePictogram(docomo, 0);
    EXPECT_EQ(docomo.Subject()->GetSjisText(), std::string(28, 's') + pictogram);
    std::size_t start = 0, end = 0;
    docomo.Subject()->GetSjisSelection(start, end);
    EXPECT_EQ(start, 30u);
    EXPECT_EQ(end, 30u);

    // A selection of three characters is replaced.
    docomo.Body()->SetSjisText(S("あいうえお"));
    LeaveWithSelection(*docomo.Body(), 2, 8);
    ChoosePictogram(docomo, 1);
    EXPECT_EQ(docomo.Body()->GetSjisText(), S("あ") + "\xF8\xA0" + S("お"));
    EXPECT_EQ(ui::FindControl<QLabel>(&docomo, CMailEditPageBase::kIdcCount)->text(), QStringLiteral("6"));

    // With the focus on a button the choice is taken and dropped.
    ui::FindControl<QPushButton>(&docomo, CarrierTextPage::kIdcPictogram)->setFocus();
    ChoosePictogram(docomo, 2);
    EXPECT_EQ(docomo.Body()->GetSjisText(), S("あ") + "\xF8\xA0" + S("お"));
    EXPECT_EQ(docomo.Palette()->GetSelectedCode(), "");

    // Leaving the page hides the palette; the button shows the same one again.
    CPictogramDialog* palette = docomo.Palette();
    EXPECT_TRUE(palette->isVisible());
    d->GetMobilePage()->GetSheet()->SetActivePage(1);
    EXPECT_FALSE(palette->isVisible());
    d->GetMobilePage()->GetSheet()->SetActivePage(0);
    docomo.ShowPalette();
    EXPECT_EQ(docomo.Palette(), palette);
    EXPECT_TRUE(palette->isVisible());
    d->GetSheet()->SetActivePage(0);
    EXPECT_FALSE(palette->isVisible());
}

// The palette inserts where the caret was when it opened: Alt+P leaves the focus in the
// body (which then never lost it since the subject did), the mouse takes it to the button.
// The palette stays above its composing window (a tool window of it).
TEST_F(TextPagesTest, ThePaletteInsertsWhereTheCaretWasWhenItOpenedByKeyOrMouse) {
    auto d = OpenTextMail();
    d->show();
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
    d->GetSheet()->SetActivePage(1);
    CarrierTextPage& docomo = *d->GetMobilePage()->GetImodePage();
    const std::string pictogram = "\xF8\x9F";

    docomo.Subject()->setFocus();
    ui::test::TypeText(docomo.Subject(), "abc");
    docomo.Body()->setFocus();
    ui::test::TypeText(docomo.Body(), "xyz");
    QTest::keyClick(d.get(), Qt::Key_P, Qt::AltModifier);
    ASSERT_TRUE(ui::test::WaitUntil([&] { return docomo.Palette() != nullptr && docomo.Palette()->isVisible(); }));
    ChoosePictogram(docomo, 0);
    EXPECT_EQ(docomo.Body()->GetSjisText(), "xyz" + pictogram);
    EXPECT_EQ(docomo.Subject()->GetSjisText(), "abc");

    docomo.Palette()->hide();
    docomo.Subject()->setFocus();
    docomo.Subject()->SetSjisSelection(1, 1);
    QTest::mouseClick(ui::FindControl<QPushButton>(&docomo, CarrierTextPage::kIdcPictogram), Qt::LeftButton);
    ASSERT_TRUE(docomo.Palette()->isVisible());
    ChoosePictogram(docomo, 0);
    EXPECT_EQ(docomo.Subject()->GetSjisText(), "a" + pictogram + "bc");
    EXPECT_EQ(docomo.Body()->GetSjisText(), "xyz" + pictogram);

    CPictogramDialog* palette = docomo.Palette();
    EXPECT_EQ(palette->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    ASSERT_NE(palette->windowHandle(), nullptr);
    EXPECT_EQ(palette->windowHandle()->transientParent(), d->windowHandle());
}

TEST_F(TextPagesTest, PalettesDrawEachCarriersPictures) {
    const PictogramList au = CarrierTextPage::MakePaletteList(535);
    ASSERT_EQ(au.GetCount(), 200u);
    EXPECT_EQ(au.GetAt(0).CodeValue(), 0xF89F);
    EXPECT_EQ(au.GetAt(0).bitmapId, 535);
    const PictogramList softbank = CarrierTextPage::MakePaletteList(737);
    EXPECT_EQ(softbank.GetAt(195).bitmapId, 737 + 195);
    EXPECT_EQ(softbank.GetAt(196).CodeValue(), 0xF9F9);
    EXPECT_EQ(softbank.GetAt(196).bitmapId, 533);
    EXPECT_EQ(softbank.GetAt(199).bitmapId, 736);
    auto d = OpenTextMail();
    EXPECT_EQ(d->GetMobilePage()->GetPmaildxPage()->Palette(), nullptr);
    EXPECT_EQ(ui::FindControl<QPushButton>(d->GetMobilePage()->GetPmaildxPage(), CarrierTextPage::kIdcPictogram), nullptr);
}

// ---- Copies into the carrier pages ------------------------------------------------------

TEST_F(TextPagesTest, CopyFromThePcPageCutsEachCarriersTextWhereACharacterEnds) {
    auto d = OpenTextMail();
    // 35 bytes whose byte 30 is the lead byte of "あ".
    const std::string subject = std::string(29, 'a') + S("あ") + "bcde";
    ASSERT_EQ(subject.size(), 35u);
    d->GetPcPage()->Subject()->SetSjisText(subject);
    const std::string body = std::string(9999, 'x') + S("い") + "\r\n" + std::string(10000, 'y');
    d->GetPcPage()->Body()->SetSjisText(body);
    d->GetPcPage()->ReflectToCarrierPages();
    QStringList expected = {U8("NTT DoCoMo向けメールの件名には半角30文字(全角15文字)まで入力可能です。\r\n[OK]ボタンをクリックすると30文字目までがコピーされます。")};
    for (const char* carrier : {"NTT DoCoMo", "au TU-KA", "SoftBank"})
        expected << U8("%1向けメールの本文には半角10000文字(全角5000文字)まで入力可能です。\r\n[OK]ボタンをクリックすると10000文字目までがコピーされます。").arg(QString::fromLatin1(carrier));
    EXPECT_EQ(prompts_.texts(), expected);
    EXPECT_EQ(d->GetTextPage(1)->Subject()->GetSjisText(), std::string(29, 'a'));
    for (int t = 2; t <= 4; ++t) EXPECT_EQ(d->GetTextPage(t)->Subject()->GetSjisText(), subject) << t;
    EXPECT_EQ(d->GetTextPage(1)->Body()->GetSjisText(), std::string(9999, 'x'));
    EXPECT_EQ(d->GetTextPage(4)->Body()->GetSjisText(), body);
    EXPECT_EQ(ui::FindControl<QLabel>(d->GetTextPage(1), CMailEditPageBase::kIdcCount)->text(), QStringLiteral("9999"));
    // The cut never leaves half a character or half a line break.
    EXPECT_EQ(CutSjisText("ab\r\ncd", 3), "ab");
    EXPECT_EQ(CutSjisText(S("あい"), 3), S("あ"));
    EXPECT_EQ(CutSjisText("abc", 9), "abc");
}

TEST_F(TextPagesTest, CopyOfAttachmentsAsksPerCarrierAndLeavesTheOthersTheirOwn) {
    auto d = OpenTextMail();
    Attach(*d, 0, 3, 200000, "big");
    for (int t = 2; t <= 4; ++t) Attach(*d, t, 1, 5, "own");
    d->GetPcPage()->ReflectToCarrierPages();
    EXPECT_EQ(prompts_.texts(),
              (QStringList{U8("au TU-KA向けメールに添付可能なファイルの合計サイズは500Kバイトまでです。\r\n[OK]ボタンをクリックすると"
                              "添付ファイル以外の情報がau TU-KA向けメールに反映されます。"),
                           U8("SoftBank向けメールに添付可能なファイルの合計サイズは250Kバイトまでです。\r\n[OK]ボタンをクリックすると"
                              "添付ファイル以外の情報がSoftBank向けメールに反映されます。"),
                           U8("WILLCOM向けメールに添付可能なファイルの合計サイズは350Kバイトまでです。\r\n[OK]ボタンをクリックすると"
                              "添付ファイル以外の情報がWILLCOM向けメールに反映されます。")}));
    EXPECT_EQ(Names(*d, 1), (std::vector<std::string>{"big0", "big1", "big2"}));
    EXPECT_EQ(cdtest::FileBytes(Folder(1) + "big2"), std::string(200000, 'c'));
    for (int t = 2; t <= 4; ++t) EXPECT_EQ(Names(*d, t), std::vector<std::string>{"own0"}) << t;
    EXPECT_EQ(ui::FindControl<QLineEdit>(d->GetTextPage(1), TextMailPage::kIdcAttachNames)->text(),
              QStringLiteral("big0, big1, big2"));
}

TEST_F(TextPagesTest, CopyOfTooManyFilesAsksOnceAndCancelChangesNothing) {
    auto d = OpenTextMail();
    Attach(*d, 0, 6, 1000, "f");
    Attach(*d, 2, 1, 5, "own");
    d->GetPcPage()->Subject()->SetSjisText("new subject");
    prompts_.Answer(platform::kIdCancel);
    d->GetPcPage()->ReflectToCarrierPages();
    EXPECT_EQ(prompts_.texts(),
              QStringList{U8("au TU-KA向けメールに添付可能なファイルの総数は5までです。\r\n[OK]ボタンをクリックすると添付ファイル"
                             "以外の情報がau TU-KA向けメールに反映されます。")});
    EXPECT_EQ(d->GetTextPage(1)->Subject()->GetSjisText(), "");
    EXPECT_TRUE(Names(*d, 1).empty());
    EXPECT_EQ(Names(*d, 2), std::vector<std::string>{"own0"});

    d->GetPcPage()->ReflectToCarrierPages();
    EXPECT_EQ(d->GetTextPage(1)->Subject()->GetSjisText(), "new subject");
    EXPECT_EQ(Names(*d, 1).size(), 6u);
    EXPECT_EQ(Names(*d, 2), std::vector<std::string>{"own0"});
    EXPECT_EQ(Names(*d, 3).size(), 6u);
}

TEST_F(TextPagesTest, ConfirmationOfACopyIsAskedUntilTheUserAgreed) {
    CIniManager::WriteProfileStringA(env_layout::EnvIniFile(*Env()), "CONFIRMDIALOG", "MAILREFLECT", "Y");
    auto d = OpenTextMail();
    QString shown;
    ui::test::WhenDialogShows(QStringLiteral("dlg937"), [&](QDialog* dialog) {
        shown = ui::FindControl<QLabel>(dialog, 1906)->text();
        dialog->reject();
    });
    d->GetPcPage()->Subject()->SetSjisText("s");
    d->GetPcPage()->ReflectToCarrierPages();
    EXPECT_TRUE(shown.startsWith(U8("以下の情報を携帯4キャリア(NTT DoCoMo、au TU-KA、Softbank、WILLCOM)向けメールに反映しますか？")));
    EXPECT_TRUE(d->GetPcPage()->IsReflectionPending());
    EXPECT_EQ(d->GetTextPage(2)->Subject()->GetSjisText(), "");
    ui::test::WhenDialogShows(QStringLiteral("dlg937"), [](QDialog* dialog) { dialog->accept(); });
    d->GetPcPage()->ReflectToCarrierPages();
    EXPECT_FALSE(d->GetPcPage()->IsReflectionPending());
    EXPECT_EQ(d->GetTextPage(2)->Subject()->GetSjisText(), "s");
    // Now it copies without the dialog.
    ui::test::WhenDialogShows(QStringLiteral("dlg937"), [this](QDialog* dialog) {
        ++notices_;
        dialog->accept();
    });
    d->GetPcPage()->Subject()->SetSjisText("t");
    d->GetPcPage()->ReflectToCarrierPages();
    EXPECT_EQ(d->GetTextPage(2)->Subject()->GetSjisText(), "t");
    EXPECT_EQ(notices_, 0);
}

TEST_F(TextPagesTest, CopyFromTheDocomoPageGoesUncutToTheOtherThreeInKilobytes) {
    auto d = OpenTextMail();
    CMailEditPageImode& docomo = *d->GetMobilePage()->GetImodePage();
    docomo.Subject()->SetSjisText(std::string(28, 'd') + "\xF8\x9F");
    docomo.Body()->SetSjisText("docomo body");
    Attach(*d, 1, 1, 600000, "photo");
    docomo.ReflectToOtherCarrierPages();
    EXPECT_EQ(prompts_.texts().size(), 3);
    EXPECT_TRUE(prompts_.texts()[0].startsWith(U8("au TU-KA向けメールに添付可能なファイルの合計サイズは500Kバイトまでです。")));
    for (int t = 2; t <= 4; ++t) {
        EXPECT_EQ(d->GetTextPage(t)->Subject()->GetSjisText(), std::string(28, 'd') + "\xF8\x9F") << t;
        EXPECT_EQ(d->GetTextPage(t)->Body()->GetSjisText(), "docomo body");
        EXPECT_TRUE(Names(*d, t).empty());
    }
    EXPECT_TRUE(d->GetTextPage(0)->Subject()->GetSjisText().empty());
}

// ---- Test send ---------------------------------------------------------------------------

TEST_F(TextPagesTest, TestSendBuildsTheCarriersPartMergedForTheTestRecipient) {
    SetTestRecipient(1, "test@ezweb.ne.jp", S("山田"));
    auto d = OpenTextMail();
    TextMailPage* au = d->GetTextPage(2);
    ASSERT_TRUE(au->TestButton()->isEnabled());
    au->Subject()->SetSjisText(S("<%名前(姓)%>様へ"));
    au->Body()->SetSjisText(S("<%名前(姓)%>様\r\n") + "\xF8\x9F" + "\r\n.line");
    Attach(*d, 2, 1, 4, "note");
    au->OnTestSend();
    ASSERT_EQ(senderLog_.headers.size(), 1u) << prompts_.texts().join("/").toStdString();
    EXPECT_EQ(senderLog_.sends, std::vector<int>{1});
    EXPECT_EQ(senderLog_.attachmentPages, std::vector<int>{2});
    EXPECT_EQ(senderLog_.subjects[0], S("山田様へ"));

    // What the sender would send, read back by Python's own mail parser.
    const std::string message = senderLog_.headers[0] + "\r\n" + senderLog_.bodies[0];
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import email,sys\n"
                                 "m=email.message_from_bytes(sys.stdin.buffer.read())\n"
                                 "p=m if not m.is_multipart() else m.get_payload()[0]\n"
                                 "sys.stdout.buffer.write(('%s|%s|%s|' % (p.get_content_type(), p.get_content_charset(),"
                                 " p['Content-Transfer-Encoding'])).encode()+p.get_payload(decode=True))")});
    ASSERT_TRUE(python.waitForStarted());
    python.write(QByteArray::fromStdString(message));
    python.closeWriteChannel();
    ASSERT_TRUE(python.waitForFinished());
    const QByteArray out = python.readAllStandardOutput();
    ASSERT_TRUE(out.startsWith("text/plain|iso-2022-jp|7bit|")) << out.toStdString() << python.readAllStandardError().toStdString();
    // au TU-KA's code of the sun, inside ESC $ B; the name merged.
    EXPECT_TRUE(out.contains("\x1B$BuA")) << out.toStdString();
    EXPECT_TRUE(out.contains("\x1B$B;3ED")) << out.toStdString();
}

TEST_F(TextPagesTest, TestMailThatCannotBeBuiltIsNotSent) {
    // A merged name that ends in half a character makes no text part.
    SetTestRecipient(0, "test@example.jp", "\x82");
    auto d = OpenTextMail();
    d->GetPcPage()->Subject()->SetSjisText("subject");
    d->GetPcPage()->Body()->SetSjisText(S("<%名前(姓)%>"));
    d->GetPcPage()->SendTestMail(0, 0);
    EXPECT_TRUE(senderLog_.headers.empty());
    EXPECT_EQ(senderLog_.abandoned, 1);
    EXPECT_EQ(prompts_.texts(), QStringList{U8("テストメールを作成できないため、送信を中止しました。")});
}

TEST_F(TextPagesTest, TestButtonsNeedASenderAndAnAddress) {
    SetTestRecipient(0, "test@example.jp", "pc");
    auto d = OpenTextMail();
    EXPECT_TRUE(d->GetTextPage(0)->TestButton()->isEnabled());
    for (int t = 1; t <= 4; ++t) EXPECT_FALSE(d->GetTextPage(t)->TestButton()->isEnabled()) << t;
    compose::ComposeDialogHooks hooks = GetComposeDialogHooks();
    hooks.makeTestMailService = nullptr;
    SetComposeDialogHooks(hooks);
    auto e = OpenTextMail();
    EXPECT_FALSE(e->GetTextPage(0)->TestButton()->isEnabled());
}

}  // namespace
}  // namespace compose
