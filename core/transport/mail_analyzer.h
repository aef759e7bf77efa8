#pragma once
// MailAnalyzer: reads one received message and decides what it is, for the receive run
// that applies bounces, read receipts, refusals and registrations to the stores, and for
// the screens that only want the subject of a stored .eml file.
//
// Classification, first test that holds:
//  2 read receipt  multipart/report with report-type=disposition-notification;
//  3 refusal       the first line of the decoded body holds "<REFUSE>", or the refusal
//                  keyword when that switch is on and the keyword is not blank;
//  4 registration  the first body line holds "<REGISTER>", or (register-with-empty on)
//                  the body is empty in substance; the body then becomes
//                  "<REGISTER><EMAIL>" sender "</EMAIL>";
//  1 bounce        the sender is a mail system ("MAILER-DAEMON", "Postmaster", ...) or the
//                  subject reads like a delivery failure;
// -1 ordinary mail.
// For the first four the Message-ID of the sent mail being answered is looked for in the
// report parts, the returned message, the plain-text bounce styles, and at last in
// References / In-Reply-To.
//
// Mail from outside is hostile input: a message the parser reads only in part is still
// analysed as far as it goes, nothing here recurses over the part tree, and every search
// stays inside its text. Texts are Shift_JIS; header-name tests and "contains" tests
// ignore the case of ASCII letters.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/mailstore/mime_decode_tool.h"
#include "core/mailstore/mime_format_struct.h"
#include "platform/date_time.h"

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
    const std::string& GetFromAddress() const { return fromAddress_; }
    // The body decoded and brought to Shift_JIS (the registration marker text for a
    // registration by empty mail).
    const std::string& GetDecodeMailBody() const { return decodedBody_; }
    const std::string& GetDecodeMailSubject() const { return decodedSubject_; }
    // The Date header in local time; the analysis time when it could not be read.
    platform::DateTime GetMailSendDate() const { return sendDate_; }

    // Leaf parts other than the body, in document order.
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
    // The same over a text of header lines.
    static bool FirstMessageIDInHeaderText(std::string_view text, std::string_view name, std::string& id);

    void CutDownFromAddress();
    void SetMailBodyAndAttachFileArray();
    void DecodeSubject();
    int SetMailSendDate();
    bool IsReadReceipt() const;
    bool IsRefusal() const;
    bool IsRegistration();
    bool CheckErrorMail() const;
    void FindReceiptOriginalID();
    void FindBounceOriginalID();
    void CutDownOriginalMessageID();

    MimeFormatStruct mail_;
    int mailType_ = kNotAnalysed;
    std::string messageId_;
    std::string originalMessageId_;
    std::string fromAddress_;
    std::string decodedBody_;
    std::string decodedSubject_;
    platform::DateTime sendDate_;
    // Attachments are named by their place in mail_ and copied out on request, so a large
    // attachment is held once.
    std::vector<PartPath> attachPaths_;
    int bodyTaken_ = 0;
    int resistWithEmpty_ = 0;
    int refuseWithKeyword_ = 0;
    std::string refuseKeyword_;
};
