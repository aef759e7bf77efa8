#pragma once
// The world of an HTML mail page in tests: a composing dialog stand-in (FakeComposer, with
// the work record and a test sender that records what it is given), work and preview
// folders in a temporary directory, recorded prompts and file choices, small GIF and JPEG
// pictures that Qt decodes (padded to any size after their end), a builder of .eml texts,
// and the program environment for the tests that read system options or store
// do-not-show-again choices.

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/compose/mail_page_interface.h"
#include "app/htmledit/pc_html_page.h"
#include "app/environment/environment_service.h"
#include "app/environment/new_environment.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/qstring_printer.h"
#include "core/foundation/cp932.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/base64.h"

namespace htmltest {

// Shift_JIS of a UTF-8 literal.
inline std::string S(const char* utf8) { return Utf8ToSjis(utf8); }

inline std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// A picture of `width` x `height` in one colour as `format` ("GIF" is written by hand:
// Qt reads GIF but does not write it), padded with `padTo` bytes after its end.
inline std::string Picture(const char* format, QRgb colour, std::size_t padTo = 0, int width = 16, int height = 16) {
    std::string bytes;
    if (std::string(format) == "GIF") {
        // GIF89a, a 2-colour table, one image of width x height in colour 1 (LZW minimum
        // code size 2: clear, then the pixels as literal codes, then end).
        bytes = "GIF89a";
        auto put16 = [&bytes](int v) {
            bytes += static_cast<char>(v & 0xFF);
            bytes += static_cast<char>((v >> 8) & 0xFF);
        };
        put16(width);
        put16(height);
        bytes += static_cast<char>(0x80);  // global table of 2 colours
        bytes += '\0';
        bytes += '\0';
        bytes += static_cast<char>(qRed(colour));
        bytes += static_cast<char>(qGreen(colour));
        bytes += static_cast<char>(qBlue(colour));
        bytes += std::string(3, '\0');
        bytes += ',';
        put16(0);
        put16(0);
        put16(width);
        put16(height);
        bytes += '\0';
        bytes += static_cast<char>(2);  // LZW minimum code size
        // Codes of 3 bits: clear (4), then pixel 0 (index 0 draws colour 0 ...) - colour 1
        // is wanted, so every pixel is code 1; a clear before each 3 codes keeps the code
        // size at 3 bits.
        std::vector<int> codes;
        const int pixels = width * height;
        for (int i = 0; i < pixels; ++i) {
            if (i % 2 == 0) codes.push_back(4);
            codes.push_back(0);
        }
        codes.push_back(5);
        std::string data;
        unsigned acc = 0;
        int bits = 0;
        for (int code : codes) {
            acc |= static_cast<unsigned>(code) << bits;
            bits += 3;
            while (bits >= 8) {
                data += static_cast<char>(acc & 0xFF);
                acc >>= 8;
                bits -= 8;
            }
        }
        if (bits > 0) data += static_cast<char>(acc & 0xFF);
        for (std::size_t at = 0; at < data.size(); at += 255) {
            const std::string block = data.substr(at, 255);
            bytes += static_cast<char>(block.size());
            bytes += block;
        }
        bytes += '\0';
        bytes += ';';
        // Colour 0 of the table is the colour asked for.
    } else {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray encoded;
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format);
        bytes.assign(encoded.constData(), static_cast<std::size_t>(encoded.size()));
    }
    if (bytes.size() < padTo) bytes += std::string(padTo - bytes.size(), '\0');
    return bytes;
}

// The two pictures the tests insert most: a red GIF and a blue JPEG.
inline const std::string kRed = Picture("GIF", qRgb(255, 0, 0));
inline const std::string kBlue = Picture("JPEG", qRgb(0, 0, 255));
// NTT DoCoMo's code of the "fine" pictogram.
inline const std::string kSun = "\xF8\x9F";

// A JPEG banner: a gradient with a title drawn on it.
inline std::string Banner(int width, int height, const QString& title, QColor from, QColor to, int quality = 90) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(height / 3);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, title);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// An .eml message built part by part.
struct EmlImage {
    EmlImage() = default;
    EmlImage(std::string cid, std::string type_, std::string name_, std::string bytes_, std::string encoding_ = "base64",
             std::string location_ = "", bool raw_ = false)
        : contentId(std::move(cid)), type(std::move(type_)), name(std::move(name_)), bytes(std::move(bytes_)),
          encoding(std::move(encoding_)), location(std::move(location_)), raw(raw_) {}
    std::string contentId;  // without brackets; empty: no Content-ID header
    std::string type = "image/gif";
    std::string name;       // empty: no name parameter
    std::string bytes;
    std::string encoding = "base64";
    std::string location;   // Content-Location, when not empty
    bool raw = false;       // bytes written as they are, whatever the encoding
};
struct EmlAttachment {
    EmlAttachment(std::string name_, std::string bytes_, std::string encoding_ = "base64")
        : name(std::move(name_)), bytes(std::move(bytes_)), encoding(std::move(encoding_)) {}
    std::string name;  // the filename parameter as written (may be an encoded word)
    std::string bytes;
    std::string encoding = "base64";
};
struct Eml {
    std::string subjectHeader = "Subject: test";
    std::optional<std::string> text;  // Shift_JIS
    std::optional<std::string> html;  // Shift_JIS
    std::vector<EmlImage> images;
    std::vector<EmlAttachment> attachments;

    std::string Build() const {
        std::string alternative = "Content-Type: multipart/alternative; boundary=\"alt-b\"\r\n\r\n";
        if (text) {
            alternative += "--alt-b\r\nContent-Type: text/plain; charset=\"shift_jis\"\r\n"
                           "Content-Transfer-Encoding: 8bit\r\n\r\n" + *text + "\r\n";
        }
        if (html) {
            alternative += "--alt-b\r\nContent-Type: text/html; charset=\"shift_jis\"\r\n"
                           "Content-Transfer-Encoding: 8bit\r\n\r\n" + *html + "\r\n";
        }
        alternative += "--alt-b--\r\n";
        std::string related = alternative;
        if (!images.empty()) {
            related = "Content-Type: multipart/related; type=\"multipart/alternative\"; boundary=\"rel-b\"\r\n\r\n"
                      "--rel-b\r\n" + alternative;
            for (const EmlImage& image : images) {
                related += "--rel-b\r\nContent-Type: " + image.type;
                if (!image.name.empty()) related += "; name=\"" + image.name + "\"";
                related += "\r\nContent-Transfer-Encoding: " + image.encoding + "\r\n";
                if (!image.contentId.empty()) related += "Content-ID: <" + image.contentId + ">\r\n";
                if (!image.location.empty()) related += "Content-Location: " + image.location + "\r\n";
                related += "\r\n" + (image.encoding == "base64" && !image.raw ? base64encoding(image.bytes, 76) : image.bytes) +
                           "\r\n";
            }
            related += "--rel-b--\r\n";
        }
        std::string top = related;
        if (!attachments.empty()) {
            top = "Content-Type: multipart/mixed; boundary=\"mix-b\"\r\n\r\n--mix-b\r\n" + related;
            for (const EmlAttachment& file : attachments) {
                top += "--mix-b\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: " +
                       file.encoding + "\r\nContent-Disposition: attachment; filename=\"" + file.name + "\"\r\n\r\n" +
                       (file.encoding == "base64" ? base64encoding(file.bytes, 76) : file.bytes) + "\r\n";
            }
            top += "--mix-b--\r\n";
        }
        return subjectHeader + "\r\nMIME-Version: 1.0\r\n" + top;
    }
};

// A test sender that records what it is given.
class FakeTestService : public compose::TestMailService {
public:
    int Send(int kind) override {
        sendKinds.push_back(kind);
        return sendResult;
    }
    int AddAttachmentParts(int pageIndex) override {
        attachmentPages.push_back(pageIndex);
        return 1;
    }
    int ConfirmAndSend(const std::string& h, const std::string& b, int pageIndex) override {
        header = h;
        body = b;
        sentPage = pageIndex;
        ++sent;
        return 1;
    }
    void Abandon() override { ++abandoned; }

    int sendResult = 1;
    std::vector<int> sendKinds, attachmentPages;
    std::string header, body;
    int sentPage = -1, sent = 0, abandoned = 0;
};

// The composing dialog as the pages see it.
class FakeComposer : public compose::MailComposer {
public:
    OneMail& MailRecord() override { return mail; }
    bool HasStoredMail() const override { return storedMail; }
    bool IsWizardMode() const override { return false; }
    bool AttachmentsAllowed() const override { return true; }
    void ShowAttachmentNoticeOnce(QWidget*) override { ++attachmentNotices; }
    bool IsTextPartNoticePending() const override { return textPartNotice; }
    void ClearTextPartNotice() override { textPartNotice = false; }
    std::string DestinationText() const override { return destination; }
    bool GetDestinationsByTerminal(char, compose::TerminalIdLists& lists) override {
        lists = destinations;
        return true;
    }
    bool CheckComposedMail(char kind, int format) override {
        checks.emplace_back(kind, format);
        return checkResult;
    }
    bool CheckMailSizeForCarriers(compose::MailSizeMeasure& record) override {
        measured = record.texts;
        record.result.sizes = {static_cast<int64_t>(record.texts[0].size()),
                               static_cast<int64_t>(record.texts[1].size()),
                               static_cast<int64_t>(record.texts[2].size())};
        compose::CountPageFiles(record);
        return true;
    }
    void ForwardInsertText() override {}
    compose::TestMailService* GetTestMailService() override { return &sender; }
    std::string& TestSubject() override { return testSubject; }
    OneCustomer& TestRecipient() override { return recipient; }
    std::vector<MimeFormatStruct>& TestAttachmentParts() override { return testParts; }
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
    bool storedMail = false;
    bool textPartNotice = false;
    int attachmentNotices = 0;
    std::string destination;
    compose::TerminalIdLists destinations;
    std::vector<std::pair<char, int>> checks;
    bool checkResult = true;
    std::array<std::string, 3> measured;
    FakeTestService sender;
    std::string testSubject;
    OneCustomer recipient;
    std::vector<MimeFormatStruct> testParts;
};

// The program's environment, made and opened in a temporary folder (system options,
// QuendrelT.ini).
class ScopedProgramEnvironment {
public:
    ScopedProgramEnvironment() {
        const std::string root = dir_.path().toStdString();
        EXPECT_EQ(shell::CreateNewEnvironment("顧客", root, "N", "", false), 0);
        shell::EnvironmentService::Settings settings;
        settings.finishPauseMs = 0;
        service_ = std::make_unique<shell::EnvironmentService>(settings);
        EXPECT_EQ(service_->OpenEnvironment(root + "/顧客.env"), 1);
        shell::SetProgramEnvironment(service_.get());
    }
    ~ScopedProgramEnvironment() { shell::SetProgramEnvironment(nullptr); }
    ScopedProgramEnvironment(const ScopedProgramEnvironment&) = delete;
    ScopedProgramEnvironment& operator=(const ScopedProgramEnvironment&) = delete;

    void SetOption(int index, const std::string& value) {
        EXPECT_EQ(service_->GetSystemOption()->SetSODataToMemoryPinPoint(index, value), 0);
    }

private:
    QTemporaryDir dir_;
    std::unique_ptr<shell::EnvironmentService> service_;
};

// A PC HTML page over a FakeComposer, with its folders in a temporary directory.
class HtmlPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path().toStdString() + "/";
        workFolder_ = root_ + "pc/";
        previewFolder_ = root_ + "preview/";
    }

    // Makes the page and opens it (with the stored mail of the record when `stored`).
    std::unique_ptr<htmledit::CMailEditPageHtmlPc> OpenPage(bool stored = false) {
        composer_.storedMail = stored;
        auto page = std::make_unique<htmledit::CMailEditPageHtmlPc>();
        page->SetComposer(&composer_);
        EXPECT_EQ(page->SetAttachmentFolder(workFolder_), 1);
        EXPECT_EQ(page->SetPreviewFolder(previewFolder_), 1);
        page->resize(720, 560);
        page->OnInitPage();
        return page;
    }

    // The files of a folder, by name.
    static std::vector<std::string> FilesIn(const std::string& folder) {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    QTemporaryDir dir_;
    std::string root_, workFolder_, previewFolder_;
    FakeComposer composer_;
    ui::test::PromptRecorder prompts_;
    ui::test::FilePickerRecorder files_;
};

}  // namespace htmltest
