#pragma once
// RecipientMessageBuilder: the message one recipient of a stored mail receives - the
// subject and body of the recipient's terminal type with the merge fields filled from the
// recipient's address-book record, the attachments of that type, and the headers the
// send run sets on the SMTP component (To, Message-ID, Date, and the header text that
// carries the read-receipt request, the MIME headers, Subject, a blank line and the body).
//
// The send run makes one builder per run: it gives it the mail's bodies, its kind, the
// honorific, the sender and the read-receipt request, adds each terminal type's
// attachments once (they are reused for every recipient), and asks for each recipient's
// message in turn.
//
// Mail kinds (second character of the mail's special flag): "N" text mail (0), "Y" HTML
// mail for PCs (1), "M" HTML mail for mobile carriers (2); anything else reads as text.
// A text mail goes to every terminal type with that type's subject and body; an HTML mail
// goes only to the types it is for (ServesTerminal) and its stored body is a MIME text
// whose text and HTML parts are merged, the text part as text and the HTML part as HTML.
//
// What the builder guarantees:
//  - A message is built afresh for every recipient: no part of an earlier recipient's
//    message can go out with a later one, whatever failed in between.
//  - Every step is checked. A recipient whose message cannot be built gets no message:
//    kRecipientFault when the fault lies with the recipient (an address that could split
//    into several recipients or break its header; a merged value that cannot be encoded),
//    kMailFault when it lies with the mail itself (the subject or body of that terminal
//    type cannot be built even without any merged value, or a stored HTML mail cannot be
//    read), which would fail every recipient of that type alike. The error's text is in
//    GetErrMsg().
//  - No record value can add a header: display names, subjects and addresses pass through
//    the header builders of message_headers.h (controls become blanks, unsafe addresses
//    are refused, ASCII names are quoted, never encoded inside quotes).
//  - Every message carries its own Date (the time it is built) and a Message-ID made of
//    the mail ID and the sender address, which replies are traced by.
//
// Texts are Shift_JIS. One builder is used by one thread.

#include <array>
#include <memory>
#include <string>

#include "core/addressbook/one_customer.h"
#include "core/foundation/err_msg.h"

class AttachWriter;
class MailWriter;
class SendMailModel;

// The header values and the header text of one message, as the SMTP component takes
// them (From is the run's and is set once).
struct RecipientMessage {
    std::string to;          // the To value: name and address, or the bare address
    std::string address;     // the bare address (the envelope recipient)
    std::string messageId;   // "<local part>", the Message-ID value
    std::string date;        // the Date value
    std::string headerText;  // read-receipt line, MIME headers, Subject, blank line, body
};

class RecipientMessageBuilder {
public:
    enum MailKind : int { kTextMail = 0, kPcHtmlMail = 1, kMobileHtmlMail = 2 };
    enum Result : int { kBuilt = 0, kRecipientFault = -1, kMailFault = -2 };
    static constexpr int kTerminalTypes = 5;

    struct Settings {
        int mailId = -1;
        int kind = kTextMail;
        std::string honorific;         // appended to a non-empty name ("様")
        std::string senderAddress;     // system option 0: the Message-ID's domain
        std::string readReceiptLine;   // "Disposition-Notification-To: ..." or empty
        std::string zone;              // system option 10 for the Date ("+0900"; empty: the machine's)
    };

    // `bodies` holds the mail's subjects and bodies (rows 0-4 by terminal type) and must
    // outlive the builder.
    RecipientMessageBuilder(const MailWriter& bodies, Settings settings);
    ~RecipientMessageBuilder();
    RecipientMessageBuilder(const RecipientMessageBuilder&) = delete;
    RecipientMessageBuilder& operator=(const RecipientMessageBuilder&) = delete;

    // The kind of a mail from its special flag.
    static int MailKindOf(const std::string& specialFlag);
    // Whether a mail of `kind` goes to an address of terminal type `termType`: a text mail
    // to all, a PC HTML mail to PCs (0), a mobile HTML mail to the carriers 1, 2 and 3.
    static bool ServesTerminal(int kind, int termType);

    // Adds every attachment that `writer` lists (its list loaded) to the messages of
    // terminal type `termType`. 0; kMailFault when a stored attachment cannot be read or
    // parsed (GetErrMsg() names it).
    int AddAttachments(int termType, AttachWriter& writer);

    // The message for `person` (a record of the address book). kBuilt with `out` filled;
    // kRecipientFault or kMailFault with `out` emptied (see the header comment).
    int Build(const OneCustomer& person, RecipientMessage& out);

    CErrMsg& GetErrMsg() { return err_; }

private:
    // The subject and bodies of one terminal type, unmerged, as the merge starts from.
    struct Template {
        bool prepared = false;
        bool broken = false;
        std::string subject;
        std::string text;      // the text body (Shift_JIS)
        std::string html;      // the HTML body (HTML mails)
        bool hasText = false;
        bool hasHtml = false;
    };

    // Loads and checks the template of `termType` on first use: kBuilt or kMailFault.
    int PrepareTemplate(int termType);
    // Fills the model of `termType` with the bodies merged for `person` and builds the
    // Subject line, the MIME header block and body: kBuilt, or the fault.
    int BuildParts(int termType, const OneCustomer& person, std::string& subjectLine);
    int RecipientFault(const OneCustomer& person, const char* whatUtf8);
    int MailFault(int termType);

    const MailWriter& bodies_;
    Settings settings_;
    std::array<std::unique_ptr<SendMailModel>, kTerminalTypes> models_;
    std::array<Template, kTerminalTypes> templates_;
    CErrMsg err_;
    // Work texts reused from recipient to recipient (their contents never are).
    std::string entity_, merged_, mimeHeader_, mimeBody_;
};
