#pragma once
// The test sends of the composing dialog, both over the one test-mail sender
// (app/sendrecv/test_mail_sender.h), so both reach the server the same way, on a worker,
// with the progress window and its cancel:
//  - ComposeTestSender is the dialog's TestMailService: the test buttons of the pages
//    build their mail between its Send and its ConfirmAndSend (mail_edit_page_base.h),
//    merged for the test recipient it read;
//  - TestSendComposedMail is the dialog's own test command (button 1835 "テスト送信(後で
//    削除)(&T)"): it sends what the page shown holds - the subject and body of the text
//    page of the active tab, or the message of the page of a stored MIME text - merged for
//    the test recipient, with the PC page's attachments, an X-Mailer line and the
//    honorific after the recipient's name.
//
// What the dialog's command refuses, each with its message: a send or receive run under
// way, no test recipient with an address, an attachment that cannot be read, an empty
// merged subject ("メールのタイトルがありません") or body ("メールの本文がありません"), and a
// mail that cannot be built. Like the page tests it sends a Message-ID with the sender's
// domain and the test mail's ID -1 (never one of a stored mail, whose replies it would
// otherwise seem to answer), and port 25 when system option 9 gives none.
//
// Test recipients: 0 the PC one, 1 the mobile one. The dialog's command uses the mobile
// one for a carrier tab of a text mail and for an HTML mail for mobile phones, the PC one
// otherwise - also for the page of a stored MIME text, which is a mail for PCs.
//
// Everything runs on the GUI thread except the sender's network work.

#include <memory>
#include <string>
#include <vector>

#include "app/compose/mail_page_interface.h"
#include "app/sendrecv/test_mail_sender.h"

class QWidget;

namespace compose {

class CMailCreateDialog;

class ComposeTestSender : public TestMailService {
public:
    ComposeTestSender(MailComposer& composer, QWidget* owner, SendEnvironment environment = SendEnvironment::Program());

    // Also puts the test recipient into the dialog's TestRecipient and empties its
    // TestAttachmentParts.
    int Send(int recipientKind) override;
    // The attachments of the page's slot of the work record, read from the page's work
    // folder, into the dialog's TestAttachmentParts.
    int AddAttachmentParts(int pageIndex) override;
    // Sends with the dialog's TestSubject (merged by the page) as the subject.
    int ConfirmAndSend(const std::string& header, const std::string& body, int pageIndex) override;
    void Abandon() override;

    CTestMailSender& Sender() { return sender_; }

private:
    MailComposer& composer_;
    CTestMailSender sender_;
};

// The hook the program installs (ComposeDialogHooks::makeTestMailService).
std::unique_ptr<TestMailService> MakeComposeTestSender(MailComposer& composer, QWidget* owner);

// What the dialog's own command sends.
struct ComposedTestContent {
    bool textMail = true;
    // Terminal type of the content: the text page of the active tab (0 PC, 1-4 the
    // carriers), 0 for an HTML mail; -1 when no page is shown (nothing to send).
    int terminal = 0;
    int recipientIndex = 0;
    std::string subject;  // unmerged
    // Text mail: the body text (unmerged); HTML mail: the message "<headers>\r\n<body>".
    std::string body;
    std::string honorific;
    // The names of the PC slot's attachments, sent only with an HTML mail or the PC page.
    bool withAttachments = false;
    std::vector<std::string> attachments;
};

// The content of the dialog's active page.
ComposedTestContent ReadComposedTestContent(CMailCreateDialog& dialog);

// The "X-Mailer: Quendrel version <program>/<core>" line of the dialog's command.
std::string ComposedTestMailerLine();

// Sends `content` as a test: 1 when the server took it, 0 otherwise (the user was told).
int SendComposedTest(const ComposedTestContent& content, QWidget* owner,
                     SendEnvironment environment = SendEnvironment::Program());

// Button 1835 of the composing dialog: ReadComposedTestContent, then SendComposedTest over
// the dialog.
int TestSendComposedMail(CMailCreateDialog& dialog);

}  // namespace compose
