// The PC HTML page with a large mail: an .eml file of about 5 MB holding 20 inline JPEG
// pictures (about 180 KB each, 640 x 480 of noise, which no coder squeezes), an HTML part
// of about 20 KB that shows each picture twice, and a TEXT part; shown offscreen at
// 760 x 620 on the preview tab.
//
//   BM_ImportEml          the whole .eml import as the user waits for it: reading the file,
//                         the analysis (every check, the decoding, the renumbering), the
//                         commit and the new preview, painted. Target: under 150 ms.
//   BM_AnalyseEml         of that, reading and analysing alone.
//   BM_PreviewAfterEdit   one character typed into the HTML part, then the preview tab
//                         opened: the message written to a new preview file, read back,
//                         shown and painted with its 20 pictures. Target: under 150 ms.
//   BM_MessageText        of that, writing the page's message text alone.
// Counters: file_mb, the .eml's size; slowest_ms, the slowest iteration.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "app/compose/sjis_limited_edit.h"
#include "app/htmledit/eml_import.h"
#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/htmledit/pc_html_page.h"
#include "app/htmledit/preview_page.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/file_picker.h"
#include "app/ui/font_layer.h"
#include "app/ui/html_view.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/cp932.h"
#include "core/mailstore/base64.h"
#include "platform/notifier.h"

namespace {

constexpr int kPictures = 20;
constexpr std::size_t kPictureBytes = 180 * 1024;

std::string NoiseJpeg(quint32 seed) {
    QImage image(640, 480, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) line[x] = random.generate() | 0xFF000000u;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 30);
    std::string jpeg(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    // A decoder stops at the picture's end: the rest only gives the file its weight.
    if (jpeg.size() < kPictureBytes) jpeg.resize(kPictureBytes, '\0');
    return jpeg;
}

std::string MakeEml() {
    std::string html = Utf8ToSjis("<html><body><h1>春の新作コレクション</h1>\r\n");
    for (int i = 0; i < kPictures; ++i) {
        const std::string cid = "photo" + std::to_string(i) + "@shop.example";
        html += Utf8ToSjis("<p>新作アイテム ") + std::to_string(i + 1) + Utf8ToSjis("：いつもご利用いただき、ありがとうございます。") +
                "<img src=\"cid:" + cid + "\"></p>\r\n";
        for (int k = 0; k < 6; ++k)
            html += Utf8ToSjis("<p>季節の商品を取り揃えてお待ちしております。ご来店をお待ちしております。</p>\r\n");
        html += "<p><a href=\"#top\"><img src=\"cid:" + cid + "\" width=64></a></p>\r\n";
    }
    html += "</body></html>\r\n";
    std::string text;
    for (int i = 0; i < 200; ++i) text += Utf8ToSjis("春の新作コレクションのご案内です。ぜひご覧ください。\r\n");

    std::string eml = "Subject: =?ISO-2022-JP?B?GyRCJColTyVtITwbKEI=?=\r\nMIME-Version: 1.0\r\n"
                      "Content-Type: multipart/related; type=\"multipart/alternative\"; boundary=\"rel\"\r\n\r\n"
                      "--rel\r\nContent-Type: multipart/alternative; boundary=\"alt\"\r\n\r\n"
                      "--alt\r\nContent-Type: text/plain; charset=\"shift_jis\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
                      text + "\r\n--alt\r\nContent-Type: text/html; charset=\"shift_jis\"\r\n"
                      "Content-Transfer-Encoding: 8bit\r\n\r\n" + html + "\r\n--alt--\r\n";
    for (int i = 0; i < kPictures; ++i) {
        eml += "--rel\r\nContent-Type: image/jpeg; name=\"photo" + std::to_string(i) +
               ".jpg\"\r\nContent-Transfer-Encoding: base64\r\nContent-ID: <photo" + std::to_string(i) +
               "@shop.example>\r\n\r\n" + base64encoding(NoiseJpeg(static_cast<quint32>(i + 1)), 76) + "\r\n";
    }
    return eml + "--rel--\r\n";
}

// Every question answered with its first button; every file choice the benchmark's file.
class Answers : public ui::Prompter, public ui::FilePicker {
public:
    int Show(QWidget*, const QString&, const QString&, unsigned style) override {
        return (style & 0xF) == platform::kMbYesNo ? platform::kIdYes : platform::kIdOk;
    }
    std::optional<QString> PickFile(QWidget*, const ui::FileRequest&) override { return file; }
    std::optional<QString> PickFolder(QWidget*, const QString&, const QString&) override { return std::nullopt; }
    QString file;
};

class Composer : public compose::MailComposer {
public:
    OneMail& MailRecord() override { return mail; }
    bool HasStoredMail() const override { return false; }
    bool IsWizardMode() const override { return false; }
    bool AttachmentsAllowed() const override { return true; }
    void ShowAttachmentNoticeOnce(QWidget*) override {}
    bool IsTextPartNoticePending() const override { return false; }
    void ClearTextPartNotice() override {}
    std::string DestinationText() const override { return {}; }
    bool GetDestinationsByTerminal(char, compose::TerminalIdLists&) override { return true; }
    bool CheckComposedMail(char, int) override { return true; }
    bool CheckMailSizeForCarriers(compose::MailSizeMeasure&) override { return true; }
    void ForwardInsertText() override {}
    compose::TestMailService* GetTestMailService() override { return nullptr; }
    std::string& TestSubject() override { return subject; }
    OneCustomer& TestRecipient() override { return recipient; }
    std::vector<MimeFormatStruct>& TestAttachmentParts() override { return parts; }
    int CopyTextToCarrierPages(const std::string&, const std::string&) override { return 1; }
    int CopyDocomoTextToCarrierPages(const std::string&, const std::string&) override { return 1; }
    bool CopyAttachmentsToCarrierPages(const std::array<bool, 4>&) override { return true; }
    bool CopyDocomoAttachmentsToCarrierPages(const std::array<bool, 3>&) override { return true; }
    bool ClearReflectedAttachments() override { return true; }
    bool ReflectAttachments(compose::HtmlMailPage&, bool) override { return true; }
    void ReflectInlineImages(const std::string&, const std::string&, const std::string&) override {}
    void ResetHtmlPages() override {}
    void RefreshHtmlPages() override {}

    OneMail mail;
    std::string subject;
    OneCustomer recipient;
    std::vector<MimeFormatStruct> parts;
};

class Bench {
public:
    static Bench& Get() {
        static Bench bench;
        return bench;
    }
    htmledit::CMailEditPageHtmlPc& Page() { return *page_; }
    const std::string& EmlPath() const { return emlPath_; }
    double FileMegabytes() const { return static_cast<double>(emlSize_) / 1e6; }

    // The preview painted as it is now.
    void Paint() {
        QApplication::processEvents();
        page_->PreviewPage()->View()->viewport()->repaint();
    }

private:
    Bench() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "html_pages_bench";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        ui::InstallProgramFonts();
        const std::string root = dir_.path().toStdString();
        emlPath_ = root + "/large.eml";
        const std::string eml = MakeEml();
        emlSize_ = eml.size();
        std::ofstream(emlPath_, std::ios::binary) << eml;
        answers_.file = ui::FromPath(emlPath_);
        ui::SetPrompter(&answers_);
        ui::SetFilePicker(&answers_);

        page_ = std::make_unique<htmledit::CMailEditPageHtmlPc>();
        page_->SetComposer(&composer_);
        page_->SetAttachmentFolder(root + "/pc/");
        page_->SetPreviewFolder(root + "/");
        page_->resize(760, 620);
        page_->OnInitPage();
        page_->show();
        // The first import asks whether the mail may be thrown away.
        QTimer accept;
        QObject::connect(&accept, &QTimer::timeout, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible() && d->objectName() == "dlg937") d->accept();
        });
        accept.start(10);
        page_->ImportEml();
        Paint();
    }

    std::unique_ptr<QApplication> app_;
    QTemporaryDir dir_;
    std::string emlPath_;
    std::size_t emlSize_ = 0;
    Answers answers_;
    Composer composer_;
    std::unique_ptr<htmledit::CMailEditPageHtmlPc> page_;
};

void BM_ImportEml(benchmark::State& state) {
    Bench& bench = Bench::Get();
    double slowest = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        bench.Page().ImportEml();
        bench.Paint();
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        slowest = std::max(slowest, seconds);
        state.SetIterationTime(seconds);
    }
    if (bench.Page().InlineImages().size() != kPictures) state.SkipWithError("the pictures were not imported");
    state.counters["file_mb"] = bench.FileMegabytes();
    state.counters["slowest_ms"] = slowest * 1000;
}
BENCHMARK(BM_ImportEml)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_AnalyseEml(benchmark::State& state) {
    Bench& bench = Bench::Get();
    htmledit::EmlImportLimits limits;
    for (int i = 0; i < kPictures; ++i) limits.slotIds.push_back((i < 10 ? "0" : "") + std::to_string(i));
    for (auto _ : state) {
        std::string text;
        htmledit::ReadEmlFile(bench.EmlPath(), text);
        benchmark::DoNotOptimize(htmledit::AnalyseEmlImport(nullptr, text, limits));
    }
}
BENCHMARK(BM_AnalyseEml)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_PreviewAfterEdit(benchmark::State& state) {
    Bench& bench = Bench::Get();
    htmledit::CMailEditPageHtmlPc& page = bench.Page();
    QTabWidget* tabs = page.InnerSheet()->GetTabControl();
    htmledit::CMailBodyEdit* edit = page.HtmlPartPage()->Edit();
    double slowest = 0;
    for (auto _ : state) {
        tabs->setCurrentIndex(1);
        edit->InsertSjis("x");
        QElapsedTimer timer;
        timer.start();
        tabs->setCurrentIndex(0);
        bench.Paint();
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        slowest = std::max(slowest, seconds);
        state.SetIterationTime(seconds);
    }
    if (page.IsPreviewDirty()) state.SkipWithError("the preview was not rebuilt");
    ui::HtmlView* view = page.PreviewPage()->View();
    const QVariant picture = view->document()->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("cid:19")));
    if (!view->Refused().isEmpty() || picture.value<QImage>().size() != QSize(640, 480))
        state.SkipWithError("the preview did not show the mail's pictures");
    state.counters["slowest_ms"] = slowest * 1000;
}
BENCHMARK(BM_PreviewAfterEdit)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_MessageText(benchmark::State& state) {
    Bench& bench = Bench::Get();
    for (auto _ : state) {
        std::string text;
        bench.Page().GetMimeText(text);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_MessageText)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
