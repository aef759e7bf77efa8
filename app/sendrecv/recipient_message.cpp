#include "app/sendrecv/recipient_message.h"

#include <string_view>

#include "app/sendrecv/inline_content_ids.h"
#include "app/sendrecv/message_headers.h"
#include "core/foundation/cp932.h"
#include "core/mailstore/attach_writer.h"
#include "core/mailstore/mail_data_structure.h"
#include "core/mailstore/mail_word_insert.h"
#include "core/mailstore/mail_writer.h"
#include "core/mailstore/mime_decode_tool.h"
#include "core/mailstore/x_email.h"

// The MIME model of one terminal type: attachments and inline parts stay for the whole
// run, the text and HTML bodies are replaced for each recipient.
class SendMailModel : public CMailDataStructure {
public:
    void ClearBodies() {
        InitTextBody();
        InitHtmlBody();
    }
    // After AnalyzeMime: the bodies of the text and HTML parts in Shift_JIS, taken out of
    // the model (its inline parts and attachments stay). False when a body cannot be
    // converted.
    bool TakeBodies(std::string& text, bool& hasText, std::string& html, bool& hasHtml) {
        hasText = textBodySet != 0;
        hasHtml = htmlBodySet != 0;
        const bool ok = (!hasText || textBody.ConvertBodyToCp932String(text) != 0) &&
                        (!hasHtml || htmlBody.ConvertBodyToCp932String(html) != 0);
        ClearBodies();
        return ok;
    }
    std::vector<MimeFormatStruct>& InlineParts() { return htmlAttachList; }
};

namespace {

const char* const kTerminalNames[] = {"PC", "NTT DoCoMo", "au", "SoftBank", "WILLCOM"};

}  // namespace

RecipientMessageBuilder::RecipientMessageBuilder(const MailWriter& bodies, Settings settings)
    : bodies_(bodies), settings_(std::move(settings)) {
    for (auto& model : models_) {
        model = std::make_unique<SendMailModel>();
        model->Init();
    }
}

RecipientMessageBuilder::~RecipientMessageBuilder() = default;

int RecipientMessageBuilder::MailKindOf(const std::string& specialFlag) {
    if (specialFlag.size() < 2) return kTextMail;
    switch (specialFlag[1]) {
    case 'Y': return kPcHtmlMail;
    case 'M': return kMobileHtmlMail;
    default: return kTextMail;
    }
}

bool RecipientMessageBuilder::ServesTerminal(int kind, int termType) {
    switch (kind) {
    case kPcHtmlMail: return termType == TERM_PC;
    case kMobileHtmlMail: return termType == TERM_DOCOMO || termType == TERM_AU || termType == TERM_SOFTBANK;
    default: return termType >= 0 && termType < kTerminalTypes;
    }
}

int RecipientMessageBuilder::AddAttachments(int termType, AttachWriter& writer) {
    if (termType < 0 || termType >= kTerminalTypes) return kMailFault;
    SendMailModel& model = *models_[static_cast<std::size_t>(termType)];
    for (int row = 0; row < writer.GetFileNum(); ++row) {
        const std::string name = writer.GetAttachListElement(row, 0);
        std::string base64;
        if (writer.GetAttachDataString(name, base64) != 1 ||
            model.AddMIMENormalAttach(MakeAttachmentPart(name, base64)) != 1) {
            err_.SetErrS(kMailFault, SjisLiteral("添付ファイル「%s」を読み込めませんでした。").c_str(), name);
            return kMailFault;
        }
    }
    return kBuilt;
}

int RecipientMessageBuilder::MailFault(int termType) {
    templates_[static_cast<std::size_t>(termType)].broken = true;
    err_.SetErrS(kMailFault, SjisLiteral("%sあてのメール本文からメールを作成できませんでした。メールの内容を確認してください。").c_str(),
                 kTerminalNames[termType]);
    return kMailFault;
}

int RecipientMessageBuilder::RecipientFault(const OneCustomer& person, const char* whatUtf8) {
    err_.SetErrS(kRecipientFault, SjisLiteral("顧客ID %dの%s").c_str(), person.CustomerID, SjisLiteral(whatUtf8));
    return kRecipientFault;
}

int RecipientMessageBuilder::PrepareTemplate(int termType) {
    Template& t = templates_[static_cast<std::size_t>(termType)];
    if (t.broken) return MailFault(termType);
    if (t.prepared) return kBuilt;
    t.subject = bodies_.GetMailElement(0, termType);
    std::string stored = bodies_.GetMailElement(1, termType);
    if (settings_.kind == kTextMail) {
        t.text = std::move(stored);
        t.hasText = true;
    } else {
        // The stored HTML mail is read once; its inline parts stay in the model.
        SendMailModel& model = *models_[static_cast<std::size_t>(termType)];
        if (model.AnalyzeMime(std::move(stored)) != 0 || !model.TakeBodies(t.text, t.hasText, t.html, t.hasHtml) ||
            (!t.hasText && !t.hasHtml))
            return MailFault(termType);
        // The slot names of the stored pictures become ids a reader resolves.
        if (settings_.kind == kPcHtmlMail)
            t.html = ReferToNewContentIds(
                t.html, RenameInlineContentIds(model.InlineParts(), settings_.senderAddress, settings_.mailId));
    }
    // The mail's own texts must build without any merged value; otherwise every
    // recipient of this type would fail alike, and that is the mail's fault.
    OneCustomer blank;
    InitOneCustomer(blank);
    std::string subjectLine;
    if (BuildParts(termType, blank, subjectLine) != kBuilt) return MailFault(termType);
    t.prepared = true;
    return kBuilt;
}

int RecipientMessageBuilder::BuildParts(int termType, const OneCustomer& person, std::string& subjectLine) {
    const Template& t = templates_[static_cast<std::size_t>(termType)];
    SendMailModel& model = *models_[static_cast<std::size_t>(termType)];
    model.ClearBodies();
    MimeFormatStruct part;
    if (t.hasText) {
        merged_ = MailWordInsert::GetMailWordInsert(person, t.text, 0);
        if (MakeTextPartHeader(merged_, termType, entity_) != 0 || MimeDecodeTool::MimeDecode(entity_, part) != 1)
            return kRecipientFault;
        model.SetMIMETextBody(part);
    }
    if (t.hasHtml) {
        merged_ = MailWordInsert::GetMailWordInsert(person, t.html, 1);
        if (MakeHtmlPartHeader(merged_, termType, entity_) != 0 || MimeDecodeTool::MimeDecode(entity_, part) != 1)
            return kRecipientFault;
        model.SetMIMEHtmlBody(part);
    }
    if (MakeSubjectHeader(MailWordInsert::GetMailWordInsertForHeader(person, t.subject), termType, subjectLine) != 0)
        return kRecipientFault;
    if (model.GetMimeString(mimeHeader_, mimeBody_, 1, nullptr) != 0) return kRecipientFault;
    return kBuilt;
}

int RecipientMessageBuilder::Build(const OneCustomer& person, RecipientMessage& out) {
    for (std::string* s : {&out.to, &out.address, &out.messageId, &out.date, &out.headerText}) s->clear();
    const int termType = CXEmail::GetTermTypeFromMailAddr(person.Email);
    if (!ServesTerminal(settings_.kind, termType)) return RecipientFault(person, "メールアドレスはこのメールの送信先ではありません。");

    std::string name = person.KanjiSei + person.KanjiMei;
    if (!name.empty()) name += settings_.honorific;
    if (FormatAddress(name, person.Email, out.to) != 0) return RecipientFault(person, "メールアドレスには送信できません。");
    if (PrepareTemplate(termType) != kBuilt) {
        out.to.clear();
        return kMailFault;
    }
    std::string subjectLine;
    if (BuildParts(termType, person, subjectLine) != kBuilt) {
        out.to.clear();
        return RecipientFault(person, "メールを作成できませんでした。差し込まれる値を確認してください。");
    }

    out.address = person.Email;
    out.messageId = "<" + MakeMessageIDLocalPart(settings_.senderAddress.c_str(), settings_.mailId) + ">";
    out.date = MakeMailDateHeader(settings_.zone.c_str());
    std::string& h = out.headerText;
    h.reserve(settings_.readReceiptLine.size() + mimeHeader_.size() + subjectLine.size() + mimeBody_.size() + 8);
    if (!settings_.readReceiptLine.empty()) {
        h += settings_.readReceiptLine;
        h += "\r\n";
    }
    h += mimeHeader_;
    h += subjectLine;
    h += "\r\n";
    h += mimeBody_;
    return kBuilt;
}
