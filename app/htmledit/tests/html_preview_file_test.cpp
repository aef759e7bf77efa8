// The preview: files named anew for every rebuild (never the name on show, never over a
// file that is there), old files swept, and the view that shows a mail's HTML with its own
// pictures and nothing from anywhere else.
#include <gtest/gtest.h>

#include <QTextDocument>

#include <chrono>
#include <regex>

#include "app/htmledit/html_preview_file.h"
#include "app/htmledit/preview_page.h"
#include "app/htmledit/tests/html_page_fixture.h"
#include "app/ui/html_view.h"
#include "core/mailstore/mime_analyze.h"
#include "core/mailstore/mime_decode_tool.h"

namespace htmledit {
namespace {

using htmltest::FileBytes;
using htmltest::HtmlPageTest;
using htmltest::S;

// A clock standing still at 2024-03-05 06:07:08 in Tokyo for the duration of a test.
class FrozenClock {
public:
    FrozenClock() { HtmlPreviewFile::SetClockForTesting([] { return std::time_t{1709586428}; }); }
    ~FrozenClock() { HtmlPreviewFile::SetClockForTesting(nullptr); }
};

int NumberOf(const std::string& path) {
    std::smatch m;
    static const std::regex form(R"(~TMP_(\d{14})_(\d+)\.eml$)");
    if (!std::regex_search(path, m, form)) return -1;
    EXPECT_EQ(m[1].str(), "20240305060708");
    return std::stoi(m[2].str());
}

TEST_F(HtmlPageTest, RebuildsInOneSecondTakeNewNamesAndKeepOneFile) {
    FrozenClock clock;
    auto page = OpenPage();
    const std::string first = page->GetPreviewFilePath();
    ASSERT_EQ(page->UpdatePreview(), 1);
    const std::string second = page->GetPreviewFilePath();
    ASSERT_EQ(page->UpdatePreview(), 1);
    const std::string third = page->GetPreviewFilePath();
    EXPECT_NE(NumberOf(first), NumberOf(second));
    EXPECT_NE(NumberOf(second), NumberOf(third));
    // The name on show is never the next one, even though its file is gone by then.
    EXPECT_EQ(page->PreviewPage()->GetAddress(), third);
    EXPECT_EQ(FilesIn(previewFolder_), std::vector<std::string>{std::filesystem::path(third).filename().string()});
    // The file holds the page's message, nothing around it.
    CMimeAnalyze shown;
    ASSERT_EQ(shown.AnalyzeMime(FileBytes(third)), 0);
    MimeFormatStruct html;
    shown.GetMIMEHtmlpart(html);
    std::string body;
    ASSERT_EQ(html.ConvertBodyToCp932String(body), 1);
    EXPECT_EQ(body, page->HtmlPart());
}

TEST_F(HtmlPageTest, ANameThatExistsIsPassedOverNotOverwritten) {
    FrozenClock clock;
    HtmlPreviewFile probe;
    probe.SetFolder(previewFolder_);
    std::filesystem::create_directories(previewFolder_);
    ASSERT_EQ(probe.MakeName(""), 1);
    const std::string taken = probe.Path();
    htmltest::WriteFile(taken, "someone else's");

    HtmlPreviewFile file;
    file.SetFolder(previewFolder_);
    ASSERT_EQ(file.Write("mine", ""), 1);
    EXPECT_NE(file.Path(), taken);
    EXPECT_EQ(FileBytes(taken), "someone else's");
    EXPECT_EQ(FileBytes(file.Path()), "mine");
    EXPECT_EQ(NumberOf(file.Path()), NumberOf(taken) + 1);
}

TEST_F(HtmlPageTest, WithoutAPreviewFolderNothingIsWrittenAndTheViewStays) {
    auto page = std::make_unique<CMailEditPageHtmlPc>();
    page->SetComposer(&composer_);
    page->OnInitPage();
    EXPECT_EQ(page->MakePreviewFileName(), 0);
    EXPECT_EQ(page->UpdatePreview(), 0);
    EXPECT_TRUE(page->GetPreviewFilePath().empty());
    ASSERT_TRUE(page->PreviewPage()->ShowMessage(CMailEditPageHtmlBase::TemplateMessage()));
    page->SetHtmlPart("<html><body>changed</body></html>");
    EXPECT_EQ(page->UpdatePreview(), 0);
    EXPECT_FALSE(page->PreviewPage()->View()->toPlainText().contains(QStringLiteral("changed")));
}

TEST_F(HtmlPageTest, LeftoverPreviewFilesOfEarlierRunsAreSwept) {
    std::filesystem::create_directories(previewFolder_);
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(2);
    for (const char* name : {"~TMP_20240101000000_17.eml", "~TMP_20240101000000_18.eml", "notes.eml",
                             "~TMP_2024010100000_1.eml"}) {
        htmltest::WriteFile(previewFolder_ + name, "x");
        std::filesystem::last_write_time(previewFolder_ + name, old);
    }
    htmltest::WriteFile(previewFolder_ + "~TMP_20240101000000_19.eml", "written by this run");
    CMailEditPageHtmlPc page;
    ASSERT_EQ(page.SetPreviewFolder(previewFolder_), 1);
    EXPECT_EQ(FilesIn(previewFolder_),
              (std::vector<std::string>{"notes.eml", "~TMP_20240101000000_19.eml", "~TMP_2024010100000_1.eml"}));
}

TEST(HtmlPreview, ShowsTheMailsOwnPicturesAndRefusesEverythingElse) {
    const std::string gif = htmltest::Picture("GIF", qRgb(200, 0, 0), 0, 40, 30);
    MimeFormatStruct image;
    CMailEditPageHtmlBase::BuildInlinePart(image, "image/gif", "red.gif", "00", gif);
    CMimeAnalyze mail;
    MimeFormatStruct html;
    ASSERT_EQ(MimeDecodeTool::MimeDecode("Content-Type: text/html; charset=shift_jis\r\n"
                                         "Content-Transfer-Encoding: 8bit\r\n\r\n" +
                                             S("<html><body><p>晴れ") + "\xF8\x9F" +
                                             "</p><img src=\"cid:00\"><img src=\"http://tracker.example/p.gif\">"
                                             "<img src=\"file:///etc/hostname\"><img src=\"CID:99\">"
                                             "<script>document.write('run')</script></body></html>",
                                         html),
              1);
    mail.SetMIMEHtmlBody(html);
    mail.GetRefOfMimeHtmlAttach().push_back(image);
    std::string header, body;
    ASSERT_EQ(mail.GetMimeString(header, body, 0, nullptr), 0);

    CMailEditHtmlSubPagePreview preview;
    preview.resize(400, 300);
    preview.show();
    ASSERT_TRUE(preview.ShowMessage(header + "\r\n" + body));
    QApplication::processEvents();
    ui::HtmlView* view = preview.View();
    const QVariant picture = view->document()->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("cid:00")));
    ASSERT_TRUE(picture.canConvert<QImage>());
    EXPECT_EQ(picture.value<QImage>().size(), QSize(40, 30));
    QStringList refused;
    for (const QUrl& url : view->Refused()) refused << url.toString();
    EXPECT_TRUE(refused.contains(QStringLiteral("http://tracker.example/p.gif"))) << refused.join(' ').toStdString();
    EXPECT_TRUE(refused.contains(QStringLiteral("file:///etc/hostname")));
    EXPECT_FALSE(refused.contains(QStringLiteral("cid:00")));
    // The pictogram shows as its emoji; no script ran.
    const QString shown = view->toPlainText();
    EXPECT_TRUE(shown.contains(QString::fromUtf8("晴れ☀")) || shown.contains(QString::fromUtf8("晴れ\u2600\uFE0F")))
        << shown.toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("run")));
}

TEST(HtmlPreview, ShowsMergeFieldsInBothFormsAsText) {
    const std::string message = "MIME-Version: 1.0\r\nContent-Type: text/html; charset=shift_jis\r\n"
                                "Content-Transfer-Encoding: 8bit\r\n\r\n" +
                                S("<html><body><p><%名前(姓)%> &lt;%名前(名)%&gt;様 <%不明%> a<b>c</b></p></body></html>");
    QString html;
    std::unordered_map<std::string, MimeFormatStruct> parts;
    ASSERT_TRUE(PreviewContentOf(message, html, parts));
    CMailEditHtmlSubPagePreview preview;
    ASSERT_TRUE(preview.ShowMessage(message));
    EXPECT_EQ(preview.View()->toPlainText(), QString::fromUtf8("<%名前(姓)%> <%名前(名)%>様 <%不明%> ac"));
}

}  // namespace
}  // namespace htmledit
