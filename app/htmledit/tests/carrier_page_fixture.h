#pragma once
// The world of the carrier HTML pages in tests: a composing dialog stand-in that passes a
// palette's choice on to the page it names and records what the NTT DoCoMo page asks of
// it for a reflection, the pages opened over it with their folders in a temporary
// directory, stored mails built part by part, and .dmt files.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/htmledit/au_html_page.h"
#include "app/htmledit/docomo_html_page.h"
#include "app/htmledit/softbank_html_page.h"
#include "app/htmledit/tests/html_page_fixture.h"
#include "core/mailstore/mime_decode_tool.h"

namespace carriertest {

using htmltest::FileBytes;
using htmltest::Picture;
using htmltest::S;

// The composing dialog as the carrier pages see it.
class CarrierComposer : public htmltest::FakeComposer {
public:
    void ForwardInsertText() override {
        if (activePage != nullptr) activePage->InsertPictogram();
    }
    bool ClearReflectedAttachments() override {
        calls.push_back("clear");
        return true;
    }
    bool ReflectAttachments(compose::HtmlMailPage& docomo, bool withAttachments) override {
        calls.push_back(withAttachments ? "attachments and images" : "images");
        reflectedFrom = &docomo;
        return true;
    }
    void ReflectInlineImages(const std::string& s, const std::string& h, const std::string& t) override {
        calls.push_back("texts");
        subject = s;
        html = h;
        text = t;
    }
    bool CheckMailSizeForCarriers(compose::MailSizeMeasure& record) override {
        measuredKind = record.kind;
        measuredIds = record.ids != nullptr ? *record.ids : std::vector<int>{};
        return FakeComposer::CheckMailSizeForCarriers(record);
    }
    void ResetHtmlPages() override { calls.push_back("reset"); }
    void RefreshHtmlPages() override { calls.push_back("refresh"); }

    compose::HtmlMailPage* activePage = nullptr;
    std::vector<std::string> calls;
    compose::HtmlMailPage* reflectedFrom = nullptr;
    std::string subject, html, text;
    int measuredKind = 0;
    std::vector<int> measuredIds;
};

// An inline picture part as the pages build them.
inline MimeFormatStruct ImagePart(const std::string& id, const std::string& name, const std::string& bytes,
                                  const std::string& type = "image/gif") {
    MimeFormatStruct part;
    htmledit::CMailEditPageHtmlBase::BuildInlinePart(part, type, name, id, bytes);
    return part;
}

// A stored message text: `html`, `text` and `images`, as the pages save them.
inline std::string StoredMail(const std::string& html, const std::string& text,
                              const std::vector<MimeFormatStruct>& images) {
    CMimeAnalyze mail;
    EXPECT_GE(mail.AnalyzeMime(htmledit::CMailEditPageHtmlBase::TemplateMessage()), 0);
    MimeFormatStruct part;
    mail.GetMIMEHtmlpart(part);
    part.body = html;
    mail.SetMIMEHtmlBody(part);
    mail.GetMIMETextpart(part);
    part.body = text;
    mail.SetMIMETextBody(part);
    mail.GetRefOfMimeHtmlAttach() = images;
    std::string header, body;
    EXPECT_EQ(mail.GetMimeString(header, body, 0, nullptr), 0);
    return header + "\r\n" + body;
}

// A .dmt file: the 19-byte leading block, the message, then a NUL and bytes the reader
// must never look at.
inline std::string Dmt(const std::string& message) {
    return std::string("DECOTMPL\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B", 19) + message +
           std::string("\0trailing <img src=\"cid:x\">", 27);
}

class CarrierPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path().toStdString() + "/";
    }
    void TearDown() override { composer_.activePage = nullptr; }

    // The work folder of a terminal's page.
    std::string WorkFolder(int terminal) const { return root_ + "work" + std::to_string(terminal) + "/"; }

    // Makes the page and opens it (with the stored mail of the record when `stored`).
    template <class Page>
    std::unique_ptr<Page> Open(bool stored = false) {
        composer_.storedMail = stored;
        auto page = std::make_unique<Page>();
        page->SetComposer(&composer_);
        EXPECT_EQ(page->SetAttachmentFolder(WorkFolder(page->MailSlot())), 1);
        EXPECT_EQ(page->SetPreviewFolder(root_ + "preview/"), 1);
        page->resize(720, 600);
        page->OnInitPage();
        composer_.activePage = page.get();
        return page;
    }

    // An attachment of `size` bytes in the record's slot and the page's work folder, as a
    // stored mail leaves it.
    void StoreAttachment(int terminal, const std::string& name, std::size_t size) {
        std::filesystem::create_directories(WorkFolder(terminal));
        htmltest::WriteFile(WorkFolder(terminal) + name, std::string(size, 'a'));
        composer_.mail.attach[static_cast<std::size_t>(terminal)].push_back({name, std::to_string(size)});
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

    bool Told(const char* utf8Start) const {
        for (const QString& text : prompts_.texts())
            if (text.startsWith(QString::fromUtf8(utf8Start))) return true;
        return false;
    }
    std::string AllTold() const { return prompts_.texts().join(QStringLiteral(" | ")).toStdString(); }

    QTemporaryDir dir_;
    std::string root_;
    CarrierComposer composer_;
    ui::test::PromptRecorder prompts_;
    ui::test::FilePickerRecorder files_;
};

}  // namespace carriertest
