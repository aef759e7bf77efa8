// The deco-mail template import of the NTT DoCoMo HTML page: hostile and unfit files are
// refused before anything of the open mail changes (and nothing is written anywhere);
// fitting ones replace the mail, every picture staying with its references; the
// questions and the commit that clears the attachments before anything else.
#include <gtest/gtest.h>

#include <QDialog>

#include <fstream>
#include <functional>
#include <random>

#include "app/compose/sjis_limited_edit.h"
#include "app/htmledit/deco_template_import.h"
#include "app/htmledit/html_page_attachments.h"
#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/tests/carrier_page_fixture.h"
#include "app/htmledit/tests/dialog_watch.h"
#include "core/mailstore/html_tag.h"

namespace htmledit {
namespace {

using carriertest::Dmt;
using carriertest::ImagePart;
using htmltest::Eml;
using htmltest::EmlAttachment;
using htmltest::EmlImage;
using htmltest::Picture;
using htmltest::S;
using htmltest::kBlue;
using htmltest::kRed;

// A template's message: the HTML part and the pictures, no TEXT part.
std::string TemplateMessage(const std::string& html, std::vector<EmlImage> images) {
    Eml eml;
    eml.html = html;
    eml.images = std::move(images);
    return eml.Build();
}

class DecoTemplateTest : public carriertest::CarrierPageTest {
protected:
    void SetUp() override {
        CarrierPageTest::SetUp();
        std::filesystem::create_directories(root_ + "in");
    }

    // A page that already holds a mail: subject, both parts, a picture in slot 00 and one
    // attachment.
    std::unique_ptr<CMailEditPageHtmlDocomo> PageWithMail() {
        composer_.mail = OneMail{};
        auto page = Open<CMailEditPageHtmlDocomo>();
        page->SetSubject(S("元の件名"));
        page->SetHtmlPart(S("<p>元</p><img src=\"cid:00\">"));
        page->SetTextPart(S("元"));
        page->AppendInlinePart(ImagePart("00", "old.gif", kRed));
        page->FillSlotsFromInlineParts();
        EXPECT_EQ(page->AddAttachmentFromBuffer("keep.txt", "kept", 4), 1);
        return page;
    }

    static void ExpectUnchanged(CMailEditPageHtmlDocomo& page) {
        EXPECT_EQ(page.GetSubject(), S("元の件名"));
        EXPECT_EQ(page.HtmlPart(), S("<p>元</p><img src=\"cid:00\">"));
        EXPECT_EQ(page.TextPart(), S("元"));
        ASSERT_EQ(page.GetInlineParts().size(), 1u);
        EXPECT_EQ(page.InlineImages().size(), 1u);
        EXPECT_EQ(page.GetAttachmentCount(), 1);
    }

    // Imports the file of `bytes` (answering the discard question with OK when it comes).
    void Import(CMailEditPageHtmlDocomo& page, const std::string& bytes) {
        const std::string path = root_ + "in/t.dmt";
        htmltest::WriteFile(path, bytes);
        files_.Answer(ui::FromPath(path));
        maptest::DialogWatch confirm("dlg937", [](QDialog* dialog) { dialog->accept(); });
        page.ImportTemplate();
    }

    // The picture each img src of the page's HTML part shows, in order.
    static std::vector<std::string> PicturesShown(CMailEditPageHtmlDocomo& page) {
        CHtmlElems elems;
        ExtractHtmlElement(page.HtmlPart(), elems, 1);
        std::vector<std::string> shown;
        for (const CHtmlElement& e : elems) {
            std::string src;
            if (e.name != "img" || e.attrs.GetValue("src", src) == 0) continue;
            MimeFormatStruct part;
            std::string bytes;
            if (src.rfind("cid:", 0) == 0 && page.FindInlinePart(src.substr(4), part)) part.GetBodyAfterBase64Decode(bytes);
            shown.push_back(bytes);
        }
        return shown;
    }
};

TEST_F(DecoTemplateTest, TakesTheTemplateWithEachPictureOnItsReferences) {
    auto page = PageWithMail();
    // Pictures p1 and p2 take slots 00 and 01; only img src values follow them, the table's
    // background keeps its text.
    const std::string html = S("<html><body><table background=\"cid:p1\"><tr><td>春</td></tr></table>"
                               "<img src=\"cid:p1\"><IMG SRC='cid:p2'><img src=cid:p1></body></html>");
    Import(*page, Dmt(TemplateMessage(html, {{"p1", "image/gif", "", kRed}, {"p2", "image/jpeg", "b.jpg", kBlue}})));
    EXPECT_EQ(page->HtmlPart(), S("<html><body><table background=\"cid:p1\"><tr><td>春</td></tr></table>"
                                  "<img src=\"cid:00\"><IMG SRC='cid:01'><img src=cid:00></body></html>"));
    EXPECT_EQ(PicturesShown(*page), (std::vector<std::string>{kRed, kBlue, kRed}));
    EXPECT_EQ(page->GetSubject(), "");
    EXPECT_EQ(page->TextPart(), "");
    EXPECT_EQ(page->GetAttachmentCount(), 0);
    EXPECT_TRUE(FilesIn(WorkFolder(1)).empty());
    const std::vector<compose::PageFileEntry> images = page->InlineImages();
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].contentId, "00");
    EXPECT_EQ(images[0].fileName, S("ファイル名未設定"));
    EXPECT_EQ(images[0].size, kRed.size());
    EXPECT_EQ(images[1].fileName, "b.jpg");
    // The unnamed picture is told once, as information.
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_TRUE(Told("デコメールテンプレートファイル内にファイル名が未設定のインライン画像が存在します。\r\n"
                     "ファイル名を一律「ファイル名未設定」として読み込みを続行します。"));
    EXPECT_EQ(prompts_.captions()[0], ui::U8("インフォメーション"));
    // The preview shows the template; the saved mail holds it.
    EXPECT_FALSE(page->IsPreviewDirty());
    ASSERT_TRUE(page->SaveToMail());
    std::string text, savedHtml;
    std::vector<MimeFormatStruct> parts;
    ASSERT_TRUE(CMailEditPageHtmlBase::SplitStoredMessage(composer_.mail.body[1], text, savedHtml, parts));
    EXPECT_EQ(savedHtml, page->HtmlPart());
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(ContentIdOf(parts[1]), "01");
    // The question is asked once in the page's life.
    EXPECT_FALSE(page->IsTemplateQuestionPending());
    files_.Answer(std::nullopt);
    maptest::DialogWatch again("dlg937", [](QDialog* dialog) { dialog->reject(); });
    page->ImportTemplate();
    EXPECT_FALSE(again.shown());
}

TEST_F(DecoTemplateTest, SwappedIdsKeepTheirPictures) {
    auto page = PageWithMail();
    // The first picture is "01", the second "00": renumbering swaps them in one pass.
    Import(*page, Dmt(TemplateMessage("<img src=\"cid:01\"><img src=\"cid:00\"><img src=\"cid:01\">",
                                      {{"01", "image/gif", "r.gif", kRed}, {"00", "image/jpeg", "b.jpg", kBlue}})));
    EXPECT_EQ(page->HtmlPart(), "<img src=\"cid:00\"><img src=\"cid:01\"><img src=\"cid:00\">");
    EXPECT_EQ(PicturesShown(*page), (std::vector<std::string>{kRed, kBlue, kRed}));
}

TEST_F(DecoTemplateTest, LimitsHoldExactly) {
    // 92,160 bytes of pictures and 10,000 bytes of HTML after the rewrite (cid:p becomes
    // cid:00, one byte longer) are taken.
    const std::string reference = "<img src=\"cid:p\">";
    const std::string html = reference + std::string(10000 - reference.size() - 1, 'h');
    auto page = PageWithMail();
    Import(*page, Dmt(TemplateMessage(html, {{"p", "image/gif", "a.gif", Picture("GIF", 0, 46080)},
                                             {"q", "image/gif", "b.gif", Picture("GIF", 0, 46080)}})));
    EXPECT_EQ(page->HtmlPart().size(), 10000u);
    EXPECT_EQ(page->GetInlineImageSettings()->GetTotalSize(), 92160u);
    EXPECT_EQ(page->InlineImages().size(), 2u);
}

TEST_F(DecoTemplateTest, HostileAndUnfitFilesChangeNothing) {
    struct Case {
        const char* name;
        std::function<std::string()> file;
        const char* message;  // the start of the refusal (UTF-8)
    };
    const EmlImage gif{"", "image/gif", "a.gif", kRed};
    auto withImages = [](std::size_t count, EmlImage image, const std::string& html = "<p>x</p>") {
        std::vector<EmlImage> images;
        for (std::size_t i = 0; i < count; ++i) {
            image.contentId = "i" + std::to_string(i);
            images.push_back(image);
        }
        return Dmt(TemplateMessage(html, images));
    };
    const std::string reference = "<img src=\"cid:p\">";
    const Case cases[] = {
        {"21 pictures", [&] { return withImages(21, gif); },
         "デコメールテンプレートファイル内のインライン画像数が20を超えているため、読み込みを中止します。\r\n"
         "NTT DoCoMo向けメールに設定可能なインライン画像の総数は20までです。"},
        {"5000 pictures", [&] { return withImages(5000, gif); }, "デコメールテンプレートファイル内のインライン画像数が20"},
        {"pictures of 92,161 bytes",
         [&] {
             return Dmt(TemplateMessage("<p>x</p>", {{"a", "image/gif", "a.gif", Picture("GIF", 0, 46080)},
                                                     {"b", "image/gif", "b.gif", Picture("GIF", 0, 46081)}}));
         },
         "デコメールテンプレートファイル内のインライン画像の合計サイズが90Kバイトを超えている"},
        {"a GIF holding JPEG data", [&] { return withImages(1, {"", "image/gif", "a.gif", kBlue}); },
         "デコメールテンプレートファイル内にgif、jpeg以外のインライン画像"},
        {"a PNG picture", [&] { return withImages(1, {"", "image/png", "a.png", Picture("PNG", qRgb(1, 2, 3))}); },
         "デコメールテンプレートファイル内にgif、jpeg以外のインライン画像"},
        {"a picture of five bytes", [&] { return withImages(1, {"", "image/gif", "a.gif", "GIF89"}); },
         "デコメールテンプレートファイル内にgif、jpeg以外のインライン画像"},
        {"a picture not in base64", [&] { return withImages(1, {"", "image/gif", "a.gif", "GIF89a;", " 7bit "}); },
         "インライン画像のヘッダ情報\r\n\r\n　・content-transfer-encoding\r\n\r\nにVarnisではサポートしていない形式「7bit」"},
        {"a picture without Content-ID",
         [&] { return Dmt(TemplateMessage("<p>x</p>", {{"", "image/gif", "a.gif", kRed}})); },
         "デコメールテンプレートファイルにContent-IDが存在しないインライン画像が存在します。"},
        {"a picture with a Content-Location and no Content-ID",
         [&] { return Dmt(TemplateMessage("<p>x</p>", {{"", "image/gif", "a.gif", kRed, "base64", "http://x/a.gif"}})); },
         "デコメールテンプレートファイルに不正なMIMEパートが存在します。"},
        {"a picture with an empty Content-ID",
         [&] {
             std::string text = TemplateMessage("<p>x</p>", {{"EMPTY", "image/gif", "a.gif", kRed}});
             text.replace(text.find("<EMPTY>"), 7, "<>");
             return Dmt(text);
         },
         "Content-IDを含まないインラインファイルのMIMEパートが存在します。"},
        {"a TEXT part, before 21 pictures",
         [&] {
             Eml eml;
             eml.text = "t";
             eml.html = "<p>x</p>";
             for (int i = 0; i < 21; ++i) eml.images.push_back({"i" + std::to_string(i), "image/gif", "a.gif", kRed});
             return Dmt(eml.Build());
         },
         "デコメールテンプレートファイルにTEXTパートが存在しています。"},
        {"an attachment, before 21 pictures",
         [&] {
             Eml eml;
             eml.html = "<p>x</p>";
             for (int i = 0; i < 21; ++i) eml.images.push_back({"i" + std::to_string(i), "image/gif", "a.gif", kRed});
             eml.attachments = {{"../../evil.txt", "x"}};
             return Dmt(eml.Build());
         },
         "デコメールテンプレートファイルに添付ファイルが設定されています。"},
        {"an HTML part of 10,001 bytes after the rewrite",
         [&] {
             return Dmt(TemplateMessage(reference + std::string(10000 - reference.size(), 'h'),
                                        {{"p", "image/gif", "a.gif", kRed}}));
         },
         "デコメールテンプレートファイル内のHTMLパートの文字数が半角10000文字を超えているため、読み込みを中止します。\r\n"
         "NTT DoCoMo向けHTMLメールのHTMLパートには半角10000文字(全角5000文字)まで設定可能です。"},
        {"an HTML part in an unknown charset",
         [] {
             return Dmt("MIME-Version: 1.0\r\nContent-Type: text/html; charset=x-unknown\r\n\r\n<p>x</p>\r\n");
         },
         "指定されたファイルにはVarnisでサポートしていないヘッダ情報が設定されています。"},
        {"no HTML part",
         [] {
             return Dmt("MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=b\r\n\r\n--b\r\n"
                        "Content-Type: image/gif; name=a.gif\r\nContent-Transfer-Encoding: base64\r\n"
                        "Content-ID: <a>\r\n\r\n" + base64encoding(kRed, 76) + "\r\n--b--\r\n");
         },
         "このデコメールテンプレートファイルにHTMLパートはありません。\r\n確認の上、再度作り直してください。"},
        {"a file of 10 bytes", [] { return std::string("0123456789"); },
         "このデコメールテンプレートファイルの形式は正しくありません。\r\n確認の上、再度作り直してください。"},
        {"an empty file", [] { return std::string(); }, "このデコメールテンプレートファイルの形式は正しくありません。"},
        {"the leading block only", [] { return std::string(19, 'L'); },
         "このデコメールテンプレートファイルの形式は正しくありません。"},
        {"a NUL right after the leading block", [&] { return std::string(19, 'L') + '\0' + withImages(1, gif); },
         "このデコメールテンプレートファイルの形式は正しくありません。"},
        {"a multipart without its end",
         [] {
             return Dmt("MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=b\r\n\r\n--b\r\n"
                        "Content-Type: text/html\r\n\r\nx\r\n");
         },
         "このデコメールテンプレートファイルの形式は正しくありません。"},
        {"multiparts nested too deep",
         [] {
             std::string text = "MIME-Version: 1.0\r\n";
             for (int i = 0; i < 40; ++i)
                 text += "Content-Type: multipart/related; boundary=b" + std::to_string(i) + "\r\n\r\n--b" +
                         std::to_string(i) + "\r\n";
             return Dmt(text + "Content-Type: text/html\r\n\r\n<p>x</p>\r\n");
         },
         "このデコメールテンプレートファイルの形式は正しくありません。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto page = PageWithMail();
        const std::vector<std::string> rootBefore = FilesIn(root_);
        prompts_.clear();
        Import(*page, c.file());
        ExpectUnchanged(*page);
        EXPECT_EQ(FilesIn(WorkFolder(1)), std::vector<std::string>{"keep.txt"});
        EXPECT_EQ(FilesIn(root_), rootBefore);
        EXPECT_FALSE(std::filesystem::exists(root_ + "../evil.txt"));
        EXPECT_TRUE(Told(c.message)) << AllTold();
        EXPECT_EQ(prompts_.prompts().size(), 1u) << AllTold();
    }
}

TEST_F(DecoTemplateTest, FilesThatCannotBeReadWholeAreRefused) {
    auto page = PageWithMail();
    // Larger than any template within the limits: refused unread, as a malformed file.
    const std::string huge = root_ + "in/huge.dmt";
    {
        std::ofstream out(huge, std::ios::binary);
        out.seekp(static_cast<std::streamoff>(kMaxTemplateFileBytes));
        out.put('x');
    }
    std::string bytes;
    EXPECT_EQ(ReadTemplateFile(huge, bytes), -1);
    EXPECT_TRUE(bytes.empty());
    files_.Answer(ui::FromPath(huge));
    maptest::DialogWatch confirm("dlg937", [](QDialog* dialog) { dialog->accept(); });
    page->ImportTemplate();
    EXPECT_TRUE(Told("このデコメールテンプレートファイルの形式は正しくありません。"));
    // A folder under the name.
    files_.Answer(ui::FromPath(root_ + "in"));
    page->ImportTemplate();
    EXPECT_TRUE(Told("ファイル情報の取得に失敗しました。"));
    ExpectUnchanged(*page);
}

TEST_F(DecoTemplateTest, DiscardQuestionAndCancelChangeNothing) {
    auto page = PageWithMail();
    {
        maptest::DialogWatch confirm("dlg937", [](QDialog* dialog) { dialog->reject(); });
        page->ImportTemplate();
        EXPECT_TRUE(confirm.shown());
    }
    EXPECT_TRUE(files_.picks().empty());
    EXPECT_TRUE(page->IsTemplateQuestionPending());
    {
        maptest::DialogWatch confirm("dlg937", [](QDialog* dialog) { dialog->accept(); });
        files_.Answer(std::nullopt);
        page->ImportTemplate();
    }
    ASSERT_EQ(files_.picks().size(), 1u);
    EXPECT_EQ(files_.picks()[0].request.filter, ui::U8("デコメールテンプレート(*.dmt)|*.dmt||"));
    EXPECT_EQ(files_.picks()[0].request.defaultExt, QStringLiteral("dmt"));
    EXPECT_TRUE(files_.picks()[0].request.fileMustExist);
    ExpectUnchanged(*page);
}

TEST_F(DecoTemplateTest, AttachmentsThatCannotBeClearedLeaveTheMailAsItWas) {
    auto page = PageWithMail();
    // The attachment's copy can no longer be deleted: a folder stands in its place.
    std::filesystem::remove(WorkFolder(1) + "keep.txt");
    std::filesystem::create_directories(WorkFolder(1) + "keep.txt/inner");
    Import(*page, Dmt(TemplateMessage("<img src=\"cid:p\">", {{"p", "image/gif", "a.gif", kRed}})));
    EXPECT_TRUE(Told("添付ファイル情報のクリアに失敗しました。\r\n"));
    ExpectUnchanged(*page);
}

// Damaged copies of a good template, read without a window: each is taken or refused
// with one message, never read past its end (the sanitizer build runs this).
TEST(DecoTemplateAnalysis, DamagedFilesAreTakenOrRefusedWhole) {
    const std::string good = Dmt(TemplateMessage(
        S("<html><body>春<img src=\"cid:p1\"><img src=\"cid:p2\"></body></html>"),
        {{"p1", "image/gif", "a.gif", kRed}, {"p2", "image/jpeg", S("青.jpg"), kBlue}}));
    DecoTemplateLimits limits;
    for (int i = 0; i < 20; ++i) limits.slotIds.push_back((i < 10 ? "0" : "") + std::to_string(i));
    ui::test::PromptRecorder prompts;
    {
        const std::optional<DecoTemplatePlan> plan = AnalyseDecoTemplate(nullptr, good, limits);
        ASSERT_TRUE(plan.has_value());
        EXPECT_EQ(plan->inlineParts.size(), 2u);
        EXPECT_EQ(plan->html, S("<html><body>春<img src=\"cid:00\"><img src=\"cid:01\"></body></html>"));
    }
    std::mt19937 random(20240607);
    int taken = 0;
    for (int round = 0; round < 600; ++round) {
        std::string bytes = good;
        switch (round % 4) {
            case 0: bytes.resize(random() % bytes.size()); break;  // cut short anywhere
            case 1:
                for (int flips = 0; flips < 8; ++flips) bytes[random() % bytes.size()] = static_cast<char>(random());
                break;
            case 2: {  // a run of one byte in the middle (NULs, boundaries' dashes, quotes ...)
                const char fill = "\0-\"=<>\r\n"[random() % 8];
                bytes.insert(random() % bytes.size(), random() % 200, fill);
                break;
            }
            default: bytes.erase(random() % bytes.size(), random() % 300); break;
        }
        prompts.clear();
        const std::optional<DecoTemplatePlan> plan = AnalyseDecoTemplate(nullptr, bytes, limits);
        if (plan) {
            ++taken;
            EXPECT_LE(plan->html.size(), limits.htmlBytes);
            EXPECT_LE(plan->inlineParts.size(), limits.slotIds.size());
        } else {
            // A refusal is the last word (an unnamed picture may have been told of before).
            ASSERT_FALSE(prompts.prompts().empty()) << round;
            EXPECT_NE(prompts.captions().last(), ui::U8("インフォメーション")) << round;
        }
    }
    EXPECT_GT(taken, 0);
}

}  // namespace
}  // namespace htmledit
