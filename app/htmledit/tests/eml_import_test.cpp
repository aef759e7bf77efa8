// The .eml import of the PC HTML page: hostile and unfit files are refused before anything
// of the open mail changes and nothing is written outside the work folder; fitting ones
// are taken whole, their pictures staying with their references through import, save and
// reopening; the questions (subject cut, attachments not sent) and their answers.
#include <gtest/gtest.h>

#include <QDialog>

#include "app/compose/sjis_limited_edit.h"
#include "app/htmledit/eml_import.h"
#include "app/htmledit/html_page_attachments.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/tests/dialog_watch.h"
#include "app/htmledit/tests/html_page_fixture.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/html_tag.h"
#include "core/mailstore/mime_decode_tool.h"
#include "platform/notifier.h"

namespace htmledit {
namespace {

using htmltest::Eml;
using htmltest::EmlAttachment;
using htmltest::EmlImage;
using htmltest::FileBytes;
using htmltest::HtmlPageTest;
using htmltest::Picture;
using htmltest::S;
using htmltest::kBlue;
using htmltest::kRed;

class EmlImportTest : public HtmlPageTest {
protected:
    void SetUp() override {
        HtmlPageTest::SetUp();
        std::filesystem::create_directories(root_ + "in");
    }

    // Imports `eml` into `page` (answering the discard question with OK when it comes).
    void Import(CMailEditPageHtmlPc& page, const std::string& eml) {
        const std::string path = root_ + "in/in.eml";
        htmltest::WriteFile(path, eml);
        files_.Answer(ui::FromPath(path));
        maptest::DialogWatch confirm("dlg937", [](QDialog* dialog) { dialog->accept(); });
        page.ImportEml();
    }

    // A page that already holds a mail: subject, both parts, an inline picture in slot 00
    // and one attachment.
    std::unique_ptr<CMailEditPageHtmlPc> PageWithMail() {
        composer_.mail = OneMail{};
        auto page = OpenPage();
        page->SetSubject(S("元の件名"));
        page->SetHtmlPart(S("<p>元</p><img src=\"cid:00\">"));
        page->SetTextPart(S("元"));
        MimeFormatStruct part;
        CMailEditPageHtmlBase::BuildInlinePart(part, "image/gif", "old.gif", "00", kRed);
        page->AppendInlinePart(part);
        page->FillSlotsFromInlineParts();
        EXPECT_EQ(page->AddAttachmentFromBuffer("keep.txt", "kept", 4), 1);
        return page;
    }

    static void ExpectUnchanged(CMailEditPageHtmlPc& page) {
        EXPECT_EQ(page.GetSubject(), S("元の件名"));
        EXPECT_EQ(page.HtmlPart(), S("<p>元</p><img src=\"cid:00\">"));
        EXPECT_EQ(page.TextPart(), S("元"));
        ASSERT_EQ(page.GetInlineParts().size(), 1u);
        EXPECT_EQ(page.InlineImages().size(), 1u);
        EXPECT_EQ(page.GetAttachmentCount(), 1);
    }

    // The picture each img src of the page's HTML part shows, in order.
    static std::vector<std::string> PicturesShown(CMailEditPageHtmlPc& page) {
        CHtmlElems elems;
        ExtractHtmlElement(page.HtmlPart(), elems, 1);
        std::vector<std::string> shown;
        for (const CHtmlElement& e : elems) {
            std::string src;
            if (e.name != "img" || e.attrs.GetValue("src", src) == 0) continue;
            MimeFormatStruct part;
            std::string bytes;
            if (src.rfind("cid:", 0) == 0 && page.FindInlinePart(src.substr(4), part))
                part.GetBodyAfterBase64Decode(bytes);
            shown.push_back(bytes);
        }
        return shown;
    }
};

Eml TwoPictures() {
    Eml eml;
    eml.subjectHeader = "Subject: =?ISO-2022-JP?B?GyRCJColTyVtITwbKEI=?=";
    eml.text = S("本文");
    // The first image part is "01", the second "00": renumbering swaps them.
    eml.html = S("<p>赤<img src=\"cid:red@x\">青<img src='CID:blue@x'>赤<img src=cid:red@x></p>");
    eml.images = {{"red@x", "image/gif", "red.gif", kRed}, {"blue@x", "image/jpeg", "blue.jpg", kBlue}};
    return eml;
}

TEST_F(EmlImportTest, HostileAndUnfitFilesChangeNothing) {
    struct Case {
        const char* name;
        std::function<std::string()> file;
        const char* message;  // the start of the refusal (UTF-8)
    };
    auto withImages = [](std::size_t count, EmlImage image) {
        Eml eml;
        eml.html = "<p>x</p>";
        for (std::size_t i = 0; i < count; ++i) {
            image.contentId = "i" + std::to_string(i);
            eml.images.push_back(image);
        }
        return eml.Build();
    };
    auto withAttachment = [](const std::string& name, const std::string& encoding = "base64",
                             const std::string& bytes = "data") {
        Eml eml;
        eml.html = "<p>x</p>";
        eml.attachments = {{name, bytes, encoding}};
        return eml.Build();
    };
    const EmlImage gif{"", "image/gif", "a.gif", kRed};
    const Case cases[] = {
        {"21 inline images", [&] { return withImages(21, gif); }, "emlファイル内のインライン画像数が20を超えている"},
        {"a huge count of images", [&] { return withImages(5000, gif); }, "emlファイル内のインライン画像数が20を超えている"},
        {"an image not in base64", [&] { return withImages(1, {"", "image/gif", "a.gif", kRed, "quoted-printable"}); },
         "インライン画像のヘッダ情報"},
        {"an image of garbage base64",
         [&] { return withImages(1, {"", "image/gif", "a.gif", "!!!*** not base64 ***", "base64", "", true}); },
         "インライン画像のbase64デコードに失敗しました。"},
        {"a PNG image", [&] { return withImages(1, {"", "image/png", "a.png", Picture("PNG", qRgb(1, 2, 3))}); },
         "emlファイル内にgif、jpeg以外"},
        {"a GIF holding JPEG data", [&] { return withImages(1, {"", "image/gif", "a.gif", kBlue}); },
         "emlファイル内にgif、jpeg以外"},
        {"images over 5 MiB", [&] { return withImages(2, {"", "image/gif", "a.gif", Picture("GIF", 0, 2700000)}); },
         "emlファイル内のインライン画像の合計サイズが5Mバイト"},
        {"an image without Content-ID",
         [&] {
             Eml eml;
             eml.html = "<p>x</p>";
             eml.images = {{"", "image/gif", "a.gif", kRed}};
             return eml.Build();
         },
         "Content-IDを含まない"},
        {"21 attachments",
         [&] {
             Eml eml;
             eml.html = "<p>x</p>";
             for (int i = 0; i < 21; ++i) eml.attachments.push_back({"f" + std::to_string(i) + ".txt", "x"});
             return eml.Build();
         },
         "PC向けメールに添付可能なファイルの総数は20"},
        {"two attachments of one name",
         [&] {
             Eml eml;
             eml.html = "<p>x</p>";
             eml.attachments = {{"same.txt", "a"}, {"same.txt", "b"}};
             return eml.Build();
         },
         "emlファイルに同名の添付ファイル"},
        {"attachments over 5 MiB", [&] { return withAttachment("big.bin", "base64", std::string(5242881, 'z')); },
         "合計サイズが5Mバイトを超えるため"},
        {"a name leading upwards", [&] { return withAttachment("../../evil.txt"); }, "emlファイル内の添付ファイル「../../evil.txt」"},
        {"an absolute name", [&] { return withAttachment("/tmp/evil.txt"); }, "emlファイル内の添付ファイル「/tmp/evil.txt」"},
        {"a name with backslashes", [&] { return withAttachment("..\\\\evil.txt"); }, "emlファイル内の添付ファイル"},
        {"a name of dots", [&] { return withAttachment(".."); }, "emlファイル内の添付ファイル「..」"},
        {"a name with a control byte", [&] { return withAttachment("a\tb.txt"); }, "emlファイル内の添付ファイル"},
        {"an attachment without a name", [&] { return withAttachment(""); }, "emlファイル内の添付ファイル「」"},
        {"an unknown transfer encoding", [&] { return withAttachment("u.txt", "x-uuencode"); },
         "emlファイル内の添付ファイル「u.txt」のサイズが取得できません"},
        {"a binary transfer encoding", [&] { return withAttachment("b.bin", "binary"); },
         "emlファイル内の添付ファイル「b.bin」のcontent-transfer-encodingヘッダ"},
        {"an HTML part over 100,000 bytes",
         [&] {
             Eml eml;
             eml.html = std::string(100001, 'h');
             return eml.Build();
         },
         "emlファイル内のHTMLパートの文字数が半角100000文字を超えているため"},
        {"an HTML part in an unknown charset",
         [&] {
             return std::string("Subject: x\r\nMIME-Version: 1.0\r\nContent-Type: text/html; charset=x-unknown\r\n\r\n<p>x</p>\r\n");
         },
         "指定されたファイルにはVarnisでサポートしていないヘッダ情報"},
        {"an empty file", [] { return std::string(); }, "このemlファイルの形式は正しくありません。"},
        {"a multipart without its end",
         [] {
             return std::string("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
                                "Content-Type: text/plain\r\n\r\nx\r\n");
         },
         "このemlファイルの形式は正しくありません。"},
        {"multiparts nested too deep",
         [] {
             std::string text = "MIME-Version: 1.0\r\n";
             for (int i = 0; i < 40; ++i)
                 text += "Content-Type: multipart/mixed; boundary=b" + std::to_string(i) + "\r\n\r\n--b" +
                         std::to_string(i) + "\r\n";
             return text + "Content-Type: text/plain\r\n\r\nx\r\n";
         },
         "このemlファイルの形式は正しくありません。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto page = PageWithMail();
        const std::vector<std::string> rootBefore = FilesIn(root_);
        prompts_.clear();
        Import(*page, c.file());
        ExpectUnchanged(*page);
        EXPECT_EQ(FilesIn(workFolder_), std::vector<std::string>{"keep.txt"});
        EXPECT_EQ(FilesIn(root_), rootBefore);
        EXPECT_FALSE(std::filesystem::exists(root_ + "../evil.txt"));
        EXPECT_FALSE(std::filesystem::exists(root_ + "../../evil.txt"));
        const QString expected = QString::fromUtf8(c.message);
        bool told = false;
        for (const QString& text : prompts_.texts()) told = told || text.startsWith(expected);
        EXPECT_TRUE(told) << prompts_.texts().join(QStringLiteral(" | ")).toStdString();
    }
}

TEST_F(EmlImportTest, AFileLargerThanAnyMailIsNotRead) {
    auto page = PageWithMail();
    const std::string path = root_ + "huge.eml";
    {
        std::ofstream out(path, std::ios::binary);
        out.seekp(static_cast<std::streamoff>(kMaxEmlFileBytes));
        out.put('x');
    }
    std::string text;
    EXPECT_EQ(ReadEmlFile(path, text), -1);
    EXPECT_TRUE(text.empty());
    files_.Answer(ui::FromPath(path));
    maptest::DialogWatch confirm("dlg937", [](QDialog* dialog) { dialog->accept(); });
    page->ImportEml();
    ExpectUnchanged(*page);
    EXPECT_TRUE(prompts_.texts().last().startsWith(ui::U8("このemlファイルの形式は正しくありません。")));
}

TEST_F(EmlImportTest, TakesTheWholeMailAndKeepsEachPictureWithItsReferences) {
    auto page = PageWithMail();
    Eml eml = TwoPictures();
    eml.attachments = {{"memo.txt", "line1\r\nline2", "quoted-printable"},
                       {"data.bin", std::string("\x00\xFF\x10", 3), "base64"},
                       {"plain.txt", S("日本語"), "8bit"}};
    Import(*page, eml.Build());
    EXPECT_EQ(page->GetSubject(), S("おハロー"));
    EXPECT_EQ(page->TextPart().substr(0, 4), S("本文"));
    EXPECT_EQ(PicturesShown(*page), (std::vector<std::string>{kRed, kBlue, kRed}));
    EXPECT_NE(page->HtmlPart().find("cid:00"), std::string::npos);
    const std::vector<compose::PageFileEntry> images = page->InlineImages();
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].contentId, "00");
    EXPECT_EQ(images[0].fileName, "red.gif");
    EXPECT_EQ(images[1].fileName, "blue.jpg");
    EXPECT_EQ(FilesIn(workFolder_), (std::vector<std::string>{"data.bin", "memo.txt", "plain.txt"}));
    EXPECT_EQ(FileBytes(workFolder_ + "data.bin"), std::string("\x00\xFF\x10", 3));
    EXPECT_EQ(FileBytes(workFolder_ + "memo.txt").substr(0, 12), "line1\r\nline2");
    EXPECT_EQ(composer_.mail.attach[0].size(), 3u);

    // Saved and opened again, each picture is still where its references are.
    ASSERT_TRUE(page->SaveToMail());
    page.reset();
    auto reopened = OpenPage(true);
    EXPECT_EQ(PicturesShown(*reopened), (std::vector<std::string>{kRed, kBlue, kRed}));
    EXPECT_EQ(reopened->InlineImages().size(), 2u);
}

TEST_F(EmlImportTest, ReopeningAMailWhoseImagesWereAddedOutOfOrderKeepsThem) {
    // A mail as an older version stored it: the part of slot 01 before the part of slot 00.
    CMimeAnalyze stored;
    MimeFormatStruct html;
    ASSERT_EQ(MimeDecodeTool::MimeDecode("Content-Type: text/html; charset=shift_jis\r\n"
                                         "Content-Transfer-Encoding: 8bit\r\n\r\n"
                                         "<img src=\"cid:00\"><img src=\"cid:01\">",
                                         html),
              1);
    stored.SetMIMEHtmlBody(html);
    std::vector<MimeFormatStruct> parts(2);
    CMailEditPageHtmlBase::BuildInlinePart(parts[0], "image/jpeg", "blue.jpg", "01", kBlue);
    CMailEditPageHtmlBase::BuildInlinePart(parts[1], "image/gif", "red.gif", "00", kRed);
    stored.GetRefOfMimeHtmlAttach() = parts;
    std::string header, body;
    ASSERT_EQ(stored.GetMimeString(header, body, 0, nullptr), 0);
    composer_.mail.body[0] = header + "\r\n" + body;
    auto page = OpenPage(true);
    EXPECT_EQ(PicturesShown(*page), (std::vector<std::string>{kRed, kBlue}));
    ASSERT_TRUE(page->SaveToMail());
    auto again = OpenPage(true);
    EXPECT_EQ(PicturesShown(*again), (std::vector<std::string>{kRed, kBlue}));
}

TEST_F(EmlImportTest, TwentyImagesOfExactlyFiveMebibytesFit) {
    auto page = PageWithMail();
    Eml eml;
    eml.html = "<p>x</p>";
    const std::size_t each = 5242880 / 20;
    for (int i = 0; i < 20; ++i)
        eml.images.push_back({"p" + std::to_string(i), "image/gif", "p.gif", Picture("GIF", qRgb(i, 0, 0), each)});
    Import(*page, eml.Build());
    EXPECT_EQ(page->InlineImages().size(), 20u);
    EXPECT_EQ(page->InlineSettings()->GetTotalSize(), 5242880u);
    EXPECT_EQ(page->GetAttachmentCount(), 0);  // the file has none: the old one is gone
}

TEST_F(EmlImportTest, SubjectOverTheLimitIsCutOnlyWhenTheUserAgrees) {
    Eml eml;
    eml.subjectHeader = "Subject: " + std::string(513, 's');
    eml.html = "<p>new</p>";
    auto page = PageWithMail();
    prompts_.Answer(platform::kIdCancel);
    Import(*page, eml.Build());
    ExpectUnchanged(*page);
    ASSERT_FALSE(prompts_.prompts().empty());
    EXPECT_EQ(prompts_.prompts().back().caption, ui::U8("確認"));
    EXPECT_TRUE(prompts_.texts().back().contains(QStringLiteral("512")));

    prompts_.Answer(platform::kIdOk);
    Import(*page, eml.Build());
    EXPECT_EQ(page->GetSubject(), std::string(512, 's'));
    EXPECT_EQ(page->HtmlPart(), "<p>new</p>");
}

TEST_F(EmlImportTest, CharactersShiftJisCannotHoldAreLeftOutAndNamed) {
    // As a mail program of today writes it: UTF-8, the subject in a B word ("ご案内🎁"), the
    // text part 8bit, the HTML base64.
    const std::string eml =
        "MIME-Version: 1.0\r\nSubject: =?UTF-8?B?44GU5qGI5YaF8J+OgQ==?=\r\nContent-Type: multipart/alternative; boundary=\"b\"\r\n\r\n"
        "--b\r\nContent-Type: text/plain; charset=UTF-8; format=flowed\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
        "ご案内🎄です\r\n"
        "--b\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
        base64encoding("<p>営業部😀①Ⅱ🎄</p>", 76) + "\r\n--b--\r\n";
    auto page = PageWithMail();
    Import(*page, eml);
    EXPECT_EQ(page->GetSubject(), S("ご案内"));
    EXPECT_EQ(page->TextPart(), S("ご案内です"));
    EXPECT_EQ(page->HtmlPart(), S("<p>営業部①Ⅱ</p>"));
    ASSERT_FALSE(prompts_.prompts().empty());
    EXPECT_EQ(prompts_.prompts().back().caption, ui::U8("注意"));
    EXPECT_TRUE(prompts_.texts().back().contains(ui::U8("「🎁」「🎄」「😀」"))) << prompts_.texts().back().toStdString();
}

TEST_F(EmlImportTest, AttachmentsNotSentAreDroppedOnlyWhenTheUserAgrees) {
    htmltest::ScopedProgramEnvironment environment;
    environment.SetOption(100, "Y");
    Eml eml = TwoPictures();
    eml.attachments = {{"a.txt", "a"}, {"b.txt", "b"}};

    auto page = PageWithMail();
    prompts_.Answer(platform::kIdNo);
    Import(*page, eml.Build());
    ExpectUnchanged(*page);
    ASSERT_GE(prompts_.prompts().size(), 2u);
    const ui::test::RecordedPrompt& question = prompts_.prompts()[prompts_.prompts().size() - 2];
    EXPECT_TRUE(question.text.endsWith(QStringLiteral("a.txt\r\n") + ui::U8("　") + QStringLiteral("b.txt")));
    EXPECT_EQ(question.style & 0xF, platform::kMbYesNo);
    EXPECT_EQ(question.style & ui::kMbDefButton2, ui::kMbDefButton2);
    EXPECT_TRUE(prompts_.texts().back().contains(ui::U8("添付ファイル送信機能を有効にして下さい")));

    prompts_.Answer(platform::kIdYes);
    Import(*page, eml.Build());
    EXPECT_EQ(page->GetAttachmentCount(), 0);
    EXPECT_TRUE(FilesIn(workFolder_).empty());
    EXPECT_EQ(PicturesShown(*page), (std::vector<std::string>{kRed, kBlue, kRed}));
}

TEST_F(EmlImportTest, UnnamedImagesAreNamedAndTheUserToldOnce) {
    Eml eml;
    eml.html = "<img src=\"cid:a\"><img src=\"cid:b\">";
    eml.images = {{"a", "image/gif", "", kRed}, {"b", "image/gif", "", kRed}, {"", "image/gif", "", kRed, "base64", "http://x/c.gif"}};
    auto page = PageWithMail();
    prompts_.clear();
    Import(*page, eml.Build());
    const std::vector<compose::PageFileEntry> images = page->InlineImages();
    ASSERT_EQ(images.size(), 2u);  // the part known only by its location is no inline image
    EXPECT_EQ(images[0].fileName, UnnamedInlineImageName());
    EXPECT_EQ(prompts_.texts().filter(ui::U8("ファイル名が未設定")).size(), 1);
}

TEST_F(EmlImportTest, TheDiscardQuestionComesOncePerPage) {
    auto page = PageWithMail();
    Eml eml;
    eml.html = "<p>1</p>";
    Import(*page, eml.Build());
    EXPECT_EQ(page->HtmlPart(), "<p>1</p>");
    eml.html = "<p>2</p>";
    htmltest::WriteFile(root_ + "in/in.eml", eml.Build());
    files_.Answer(ui::FromPath(root_ + "in/in.eml"));
    maptest::DialogWatch confirm("dlg937", [](QDialog* dialog) { dialog->reject(); });
    page->ImportEml();
    EXPECT_FALSE(confirm.shown());
    EXPECT_EQ(page->HtmlPart(), "<p>2</p>");
}

TEST_F(EmlImportTest, AFailedWriteLeavesTheMailAsItWas) {
    auto page = PageWithMail();
    // The work folder is gone: no new file can be written.
    std::filesystem::remove_all(workFolder_);
    Eml eml = TwoPictures();
    eml.attachments = {{"new.txt", "n"}};
    Import(*page, eml.Build());
    ExpectUnchanged(*page);
    EXPECT_TRUE(prompts_.texts().last().startsWith(ui::U8("emlファイル内の添付ファイル「new.txt」をVarnisに登録できませんでした。")));
}

}  // namespace
}  // namespace htmledit

namespace htmledit {
namespace {

// Damaged encodings inside an otherwise fitting file: each is read as far as its decoder
// reads it, or refused with its message; nothing is written but the work folder's files.
TEST_F(EmlImportTest, BrokenEncodingsAreReadOrRefusedNeverMore) {
    struct Case {
        const char* name;
        std::function<std::string()> file;
        bool imported;
    };
    auto withAttachment = [](const std::string& raw, const std::string& encoding) {
        return std::string("Subject: x\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=m\r\n\r\n"
                           "--m\r\nContent-Type: text/html; charset=shift_jis\r\n\r\n<p>x</p>\r\n"
                           "--m\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: ") +
               encoding + "\r\nContent-Disposition: attachment; filename=\"f.bin\"\r\n\r\n" + raw + "\r\n--m--\r\n";
    };
    const Case cases[] = {
        {"a subject of broken encoded words",
         [] { return std::string("Subject: =?ISO-2022-JP?B?GyRC$$$?= =?utf-8?Q?=E3=81?=\r\nContent-Type: text/html\r\n\r\n<p>x</p>\r\n"); },
         true},
        {"HTML bytes that are no Shift_JIS",
         [] { return std::string("Subject: x\r\nContent-Type: text/html; charset=shift_jis\r\n\r\n<p>\xFF\xFE\x81</p>\r\n"); }, true},
        {"UTF-8 HTML cut inside a character",
         [] { return std::string("Subject: x\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<p>\xE3\x81</p>\r\n"); }, true},
        {"quoted-printable with bad escapes", [&] { return withAttachment("ab=ZZcd=\r\n=4", "quoted-printable"); }, false},
        {"base64 cut short", [&] { return withAttachment("QUJD", "base64") + "RE"; }, true},
        {"base64 of stray characters", [&] { return withAttachment("Q*U*J*D", "base64"); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto page = PageWithMail();
        prompts_.clear();
        Import(*page, c.file());
        for (const std::string& name : FilesIn(workFolder_)) EXPECT_TRUE(name == "f.bin" || name == "keep.txt") << name;
        if (c.imported) {
            EXPECT_NE(page->GetSubject(), S("元の件名"));
        } else {
            ExpectUnchanged(*page);
            EXPECT_FALSE(prompts_.texts().isEmpty());
        }
    }
}

}  // namespace
}  // namespace htmledit
