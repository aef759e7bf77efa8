#pragma once
// CMailEditPageNormal (dialog 128, "PC"): the page on which the plain-text mail for PC
// recipients is written. Subject up to 512 bytes, body up to 100,000 bytes; the ruler
// starts at a wrap position of 580 pixels, and "折り返し位置に改行挿入(&I)" turns the wrap
// into real line breaks so that no line is wider than the wrap position less 2 pixels.
// Up to 20 attachments of 5,242,880 bytes in all. "携帯にも反映(&K)" copies subject, body
// and attachments into the four carrier pages (text_reflection.h); it is disabled in the
// setup wizard.
//
// When the page becomes active:
//  - a new mail whose signature is pending gets, when system option 81 is "Y", the body
//    CR LF and the signature (option 80), once;
//  - a body file handed over by the dialog (a mail started from the command line) becomes
//    the body, once. The file may be Shift_JIS, ISO-2022-JP, EUC-JP or UTF-8; it is
//    converted to Shift_JIS, NUL bytes are dropped, and a text longer than the body's
//    limit is cut (where a character ends) only after the user agreed; otherwise the body
//    stays as it is. A file that cannot be read refuses the activation and stays pending.

#include <optional>
#include <string>

#include "app/composer/text_mail_page.h"

class QPushButton;

namespace compose {

class CMailEditPageNormal : public TextMailPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 128;
    enum : int {
        kIdcCursorPosition = 1880,
        kIdcAttach = 1364,
        kIdcInsertLineBreaks = 1900,
        kIdcReflect = 1903,
    };
    static constexpr int kBodyLimit = 100000;
    static constexpr int kSubjectLimit = 512;
    static constexpr int kWrapPosition = 580;

    explicit CMailEditPageNormal(QWidget* parent = nullptr);

    // Set by the dialog for a new mail (not a copy): the signature is inserted once.
    void SetSignaturePending(bool pending) { signaturePending_ = pending; }
    bool IsSignaturePending() const { return signaturePending_; }
    // A file whose content becomes the body at the next activation (a file-system path).
    void SetBodyFile(std::optional<std::string> path) { bodyFile_ = std::move(path); }
    const std::optional<std::string>& GetBodyFile() const { return bodyFile_; }

    bool OnSetActive() override;
    // "折り返し位置に改行挿入(&I)": the body's soft wrap becomes CR LF line breaks.
    void InsertLineBreaksAtWrap();
    // "携帯にも反映(&K)".
    void ReflectToCarrierPages();
    bool IsReflectionPending() const { return reflectionPending_; }

    int ContentCheckTarget() const override { return 1; }
    int SenderKind() const override { return 0; }
    void DisableAttachmentControls() override;

    QPushButton* ReflectButton() const { return reflectButton_; }

protected:
    void OnInitDialog() override;

private:
    // Takes the body file into the body: false when it cannot be read.
    bool TakeBodyFile();

    QPushButton* insertButton_ = nullptr;
    QPushButton* reflectButton_ = nullptr;
    bool signaturePending_ = false;
    std::optional<std::string> bodyFile_;
    bool reflectionPending_ = true;
};

}  // namespace compose
