#pragma once
// MailAnalyzer: reads one received message and decides what it is, for the receive run
// that applies bounces, read receipts, refusals and registrations to the stores, and for
// the screens that only want the subject of a stored .eml file.
//
// Classification, first test that holds:
//  2 read receipt  multipart/report with report-type=disposition-notification, unless
//                  its Disposition says the mail was deleted unread (then ordinary, -1);
//  3 refusal       the first line its writer wrote in the body (reply_lines.h: the
//                  quotation of our mail at the top of a bottom-posted reply, a leading
//                  blockquote, and its attribution line passed over) holds "<REFUSE>", or
//                  the refusal keyword when that switch is on and the keyword is not
//                  blank; mark and keyword in any width and case ("＜ＲＥＦＵＳＥ＞",
//                  "<refuse>");
//  4 registration  the writer's first line holds "<REGISTER>" (in any width and case, as
//                  above), or (register-with-empty on)
//                  the body is empty in substance and the mail is no delivery-status
//                  report (a report with an empty text part is a bounce); the body then becomes
//                  "<REGISTER><EMAIL>" sender "</EMAIL>";
//  1 bounce        a delivery-status report (a part at any depth) that says "Action:
//                  failed". A report whose Actions say only delayed, relayed, expanded or
//                  delivered is no bounce, whoever sent it. Without Action fields: the
//                  sender is a mail system ("MAILER-DAEMON", "Postmaster", ..., or the null
//                  address "<>"; but "Postmaster", "admin@" and the other names a firm may
//                  use for itself not when the mail is written as an answer, with
//                  In-Reply-To or References), or the subject reads like a delivery
//                  failure ("Returned mail", "Mail delivery failed", "Undeliverable", the
//                  carriers' "メールエラー通知", ...; not behind the "Re:" of such an
//                  answer, which quotes our own subject), or the Return-Path is null and the notice's own
//                  text reads like a failure; and the notice is no warning of a delay
//                  ("THIS IS A WARNING MESSAGE ONLY", "will continue trying", a subject of
//                  "Warning"/"Delay" that does not read like a failure);
// -1 ordinary mail, delay warnings included.
//
// The Message-ID of the sent mail being answered:
//  - read receipt: the Original-Message-ID of the report's second part;
//  - bounce: every returned message (message/rfc822, message/rfc822-headers) and returned
//    header part (text/rfc822-headers) at any depth of the report, each decoded by its
//    transfer encoding first and read as a message also when its headers follow an empty
//    line. One that holds another returned part or a report is a wrapper (the whole
//    report returned inside a message): its own headers are not the original's. Then the
//    plain-text copies in the notice's own texts, in the layouts of bounce_text.h. Of all
//    the ids found, the first of our own form wins (message_id_form.h: a relay's id may
//    stand before ours); failing that, the first from a returned part that is no wrapper,
//    then the first in a copy's header block, then the first Message-ID line of a text;
//  - any type, when nothing was found: the last id of References, else of In-Reply-To.
// Only a value that looks like an id ("local@domain") is taken, never junk such as "=".
//
// Mail from outside is hostile input: a message the parser reads only in part is still
// analysed as far as it goes, nothing here recurses over the part tree, a returned message
// is decoded and parsed again at most a few times per mail, and every search stays inside
// its text. Texts are Shift_JIS; header-name tests and "contains" tests ignore the case of
// ASCII letters.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/mailstore/mime_decode_tool.h"
#include "core/mailstore/mime_format_struct.h"
#include "platform/date_time.h"

namespace message_id {
class Choice;
}

class MailAnalyzer : public MimeDecodeTool {
public:
    enum MailType : int {
        kNotAnalysed = -2,
        kOrdinary = -1,
        kBounce = 1,
        kReadReceipt = 2,
        kRefusal = 3,
        kRegistration = 4,
    };

    MailAnalyzer();
    // The message is parsed (SetMailData), not yet analysed.
    explicit MailAnalyzer(std::string_view mailText);
    explicit MailAnalyzer(const MimeFormatStruct& mail);
    MailAnalyzer(const MailAnalyzer&) = default;
    MailAnalyzer& operator=(const MailAnalyzer&) = default;
    ~MailAnalyzer() override;

    // Forgets the message and every result (type -2, send date now) and turns both
    // switches off. The receive run calls it before each message, then sets the switches.
    void InitMember();

    // Parses a raw message: the parser's result, 1 for a clean parse, 0 when it read the
    // message only in part (what it read is kept and can still be analysed).
    int SetMailData(std::string_view mailText);
    // Takes a copy of a parsed message; 1.
    int SetMailData(const MimeFormatStruct& mail);
    void GetMailData(MimeFormatStruct& out) const;

    // SetMailData, then analysis of what was read. 0 after a clean parse; -1 when the
    // parser reported a fault (the results then describe the part that could be read).
    int MailAnalysis(std::string_view mailText);
    int MailAnalysis(const MimeFormatStruct& mail);
    // Analyses the message set before; 0.
    int MailAnalysis();

    // Register a mail whose body is empty in substance (switch 0/1).
    void SetResistWithEmpty(int on) { resistWithEmpty_ = on ? 1 : 0; }
    // Refuse by keyword: the switch and its keyword, set together.
    void SetRefuseWithKeyword(int on, std::string_view keyword);

    int GetMailType() const { return mailType_; }
    // The message's own id, without angle brackets.
    const std::string& GetMessageID() const { return messageId_; }
    // The id of the sent mail that this message answers ("" when none was found).
    const std::string& GetOriginalMessageID() const { return originalMessageId_; }
    // The sender's address: of the first From, else Sender, else Return-Path that holds
    // one; a quoted local part stays as written ("taro..yamada."@docomo.ne.jp).
    const std::string& GetFromAddress() const { return fromAddress_; }
    // The body decoded and brought to Shift_JIS: the first text part (or part without
    // Content-Type) that is no attached file (Content-Disposition: attachment); when it is
    // empty in substance and has an HTML alternative (a reply written in HTML, as Gmail and
    // Outlook send it), that alternative. An HTML body gives the text it shows its reader
    // (html_shown_text.h, its quotations marked "> "), the marks "<REFUSE>" and
    // "<REGISTER>" kept where they stand as markup; for a registration written as markup
    // (a web form's HTML), the markup itself, whose tags hold the fields. The registration
    // marker text for a registration by empty mail.
    const std::string& GetDecodeMailBody() const { return decodedBody_; }
    const std::string& GetDecodeMailSubject() const { return decodedSubject_; }
    // The same subject in UTF-8, with the characters Shift_JIS cannot hold still in it
    // (for a screen that must name what the Shift_JIS form left out).
    std::string GetDecodeMailSubjectUtf8() const;
    // The Date header in local time; the analysis time when it could not be read.
    platform::DateTime GetMailSendDate() const { return sendDate_; }

    // Leaf parts other than the body, in document order (a text alternative passed over
    // for its HTML one among them).
    int GetAttachFileNum() const { return static_cast<int>(attachPaths_.size()); }
    // Copies attachment `index` into `out`: 1; 0 (out untouched) for an index outside
    // 0 .. count-1.
    int GetAttachFileData(int index, MimeFormatStruct& out) const;

    // The foundation's header tidying (blanks, tabs and comments dropped outside quoted
    // strings and encoded words).
    static std::string ReformatHeaderBodyString(std::string value);

    // The id in a Message-ID style value: between the first "<" and the last ">", or, with
    // only one bracket or none, the text on the id's side with blanks and tabs removed.
    // False (id untouched) when nothing is left. A value needs no blank after the colon.
    // (message_id::CutDown; the id's shape is not checked here.)
    static bool CutDownMessageID(std::string_view value, std::string& id);

private:
    // A part of the message named by the child indexes that lead to it from the top.
    using PartPath = std::vector<uint32_t>;

    void ClearMessage();
    void ClearResults();
    void Analyse();
    const MimeFormatStruct* PartAt(const PartPath& path) const;
    // The first header `name` of `headers` whose value yields an id.
    static bool FirstMessageID(const std::vector<MimeHeaderStruct>& headers, std::string_view name,
                               std::string& id);
    // The values of every header `name` in a text of header lines (leading line breaks
    // skipped, read up to its first empty line), appended to `values`.
    static void HeaderTextValues(std::string_view text, std::string_view name, std::vector<std::string>& values);

    void CutDownFromAddress();
    void SetMailBodyAndAttachFileArray();
    void DecodeSubject();
    int SetMailSendDate();
    bool IsReadReceipt() const;
    bool IsRefusal() const;
    bool IsRegistration();
    bool CheckErrorMail() const;
    bool FromMailSystem() const;
    // Written as an answer (In-Reply-To or References) by a sender that is not plainly a
    // mail system (neither the null sender nor MAILER-DAEMON).
    bool PersonsAnswer() const;
    // The decoded subject begins with a reply's "Re:" (or "返信:").
    bool SubjectIsReply() const;
    bool SubjectReadsLikeFailure() const;
    bool NullReturnPath() const;
    // The Action fields of every delivery-status part, as bounce_text::ReportAction bits.
    unsigned ReportActions() const;
    // The values of header `name` in the report part of a read receipt (its second part).
    void ReceiptFields(std::string_view name, std::vector<std::string>& values) const;
    // The receipt's Disposition says the mail was deleted (or refused) unread.
    bool ReceiptSaysUnread() const;
    void FindReceiptOriginalID();
    void FindBounceOriginalID();
    void OfferReturnedMessageIds(message_id::Choice& choice) const;
    void OfferNoticeTextIds(message_id::Choice& choice) const;
    void CutDownOriginalMessageID();

    MimeFormatStruct mail_;
    int mailType_ = kNotAnalysed;
    std::string messageId_;
    std::string originalMessageId_;
    std::string fromAddress_;
    std::string decodedBody_;
    // The body's markup (decoded to Shift_JIS) when the body is HTML, else empty.
    std::string bodyMarkup_;
    std::string decodedSubject_;
    platform::DateTime sendDate_;
    // Attachments are named by their place in mail_ and copied out on request, so a large
    // attachment is held once.
    std::vector<PartPath> attachPaths_;
    int bodyTaken_ = 0;
    // The From (or Sender) header was written with the null address "<>".
    bool nullSender_ = false;
    int resistWithEmpty_ = 0;
    int refuseWithKeyword_ = 0;
    std::string refuseKeyword_;
};
