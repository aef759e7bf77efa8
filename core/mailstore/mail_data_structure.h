#pragma once
// A mail as MIME parts: one text part, one HTML part, the HTML part's inline parts
// (images referred to by Content-ID) and the normal attachments. The model writes the
// message's top-level headers and body for sending, merged for one recipient first when
// asked, and reads a stored or received message back into its parts.
//
// The writer chooses the structure from what is set (the data type):
//   0  nothing set                          nothing is written
//   1  text part only                       the text part alone
//   2  HTML part                            multipart/alternative (text, HTML)
//   3  HTML part with inline parts          multipart/related around the alternative
//   4  text part and attachments            multipart/mixed around the text part
//   5  HTML part and attachments            multipart/mixed around the alternative
//   6  HTML, inline parts and attachments   multipart/mixed around the related
//
// What leaves the writer is safe to send as it stands: no line is longer than 998 bytes
// (a base64 body is laid out in lines of 76, a text body with a longer line is sent
// quoted-printable), and every boundary is distinct and absent from the content.

#include <string>
#include <string_view>
#include <vector>

#include "core/addressbook/one_customer.h"
#include "core/mailstore/mime_format_struct.h"

class CMailDataStructure {
public:
    CMailDataStructure();
    CMailDataStructure(const CMailDataStructure& other) { Copy(other); }
    CMailDataStructure& operator=(const CMailDataStructure& other) {
        Copy(other);
        return *this;
    }
    virtual ~CMailDataStructure();

    void Init();
    void InitTextBody();
    void InitHtmlBody();
    void InitHtmlAttach();
    void InitNormalAttach();
    void RemoveAllMIMENormalAttach() { InitNormalAttach(); }

    // Deep copies of `part` into the slot, whose flag is then set.
    void SetMIMETextBody(const MimeFormatStruct& part);
    void SetMIMEHtmlBody(const MimeFormatStruct& part);

    // 0 to 6, from what is set (see above).
    int GetDataTypeFromNowSetData() const;

    // Writes the message: `header` receives the top-level header lines (each ending in
    // CR LF) and `body` the body; the caller puts its own headers (Message-ID, Date,
    // Subject, From, To) before `header` and one CR LF between `header` and `body`.
    // withAttachments 0 leaves the attachments out. With a customer, the merge fields of
    // the text and HTML parts are filled in first, in place: a caller that writes one mail
    // for several recipients gives each call a fresh copy of the unmerged model.
    // 0; -1 (both outputs empty) when nothing is set; -2 (both outputs empty, the model
    // unchanged) when a part to be merged is in a charset the merge cannot read.
    // A multipart/related names its root's type (type="multipart/alternative").
    int GetMimeString(std::string& header, std::string& body, int withAttachments, const OneCustomer* customer);

    // Parses a message text into the slots, adding to what is there (the model is not
    // emptied): 0; -1 for an empty text or a top-level type the model cannot hold; -2
    // (nothing changed) when the parser reports a fault anywhere in the message.
    int AnalyzeMime(std::string text);

    // --- Normal attachments. Indexes count from 0; a negative one is refused like one past
    // the end.
    int CountMIMENormalAttach() const { return static_cast<int>(normalAttachList.size()); }
    // A copy of attachment `index`: 0, or -1 when there is no such attachment.
    int GetMIMENormalAttach(int index, MimeFormatStruct& part) const;
    // The attachment's decoded file name and base64 body; "" when there is no such
    // attachment or its body cannot be had. A body without transfer encoding or in 7bit,
    // 8bit or binary is taken byte for byte, an enclosed message whole.
    std::string GetMIMENormalAttachName(int index) const;
    std::string GetMIMENormalAttachBodyBase64(int index) const;
    // Parses a part text and appends it: 1, or 0 (nothing appended) on a parser fault.
    int AddMIMENormalAttach(std::string text);
    void AddMIMENormalAttach(MimeFormatStruct part);
    // 0, or -1 when there is no such attachment.
    int RemoveAtMIMENormalAttach(int index);

    // Writes attachment `index` into `folder` (made when missing), under its own name or,
    // with useGivenName, under `givenName`; the body is decoded unless `raw` is set (then
    // the base64 text is written). The file is replaced safely: a failure leaves no file
    // and an existing one untouched. `size` receives the bytes written. 0; -1 the folder
    // cannot be made; -2 useGivenName without a name; -3 empty name; -4 a name that is not
    // a plain file name (one of \ / : * < > |, a control byte, "." or ".."); -5 the file
    // cannot be written; -6 the attachment has no body to write (an unsupported transfer
    // encoding) or there is no such attachment.
    int SaveMIMENormalAttach(int index, std::string folder, int& size, int raw, int useGivenName,
                             const char* givenName);

    void Copy(const CMailDataStructure& other);

    static std::string QuotedPrintableEncorder(std::string_view text);
    static std::string QuotedPrintableDecoder(std::string_view text);

protected:
    // "_VARNIS_MULTIPART_" + local time to the millisecond + "_" + four random characters
    // + "_" (41 characters). The random part comes from a generator of the calling thread,
    // seeded once, so boundaries made in the same millisecond still differ.
    static std::string MakeBoundary();
    // 1 mixed, 2 related, 3 alternative, 4 plain text, 5 HTML, 6 a text part that is an
    // attachment (it names a file), 0 anything else.
    static int CheckHeader(const MimeFormatStruct& part);
    // -1 empty; 1, 2, 3 for multipart mixed, related, alternative; 4, 5 for text plain,
    // html; 0 otherwise (substring tests without regard to case).
    static int CheckContentType(std::string_view value);
    // Fills the merge fields of a text part in place (see the source for the rules): 0;
    // -1 (the part unchanged) when its charset cannot be read.
    static int InsertCustomerInfo(MimeFormatStruct& part, const OneCustomer& customer);

    MimeFormatStruct textBody;
    int textBodySet = 0;
    MimeFormatStruct htmlBody;
    int htmlBodySet = 0;
    std::vector<MimeFormatStruct> htmlAttachList;
    std::vector<MimeFormatStruct> normalAttachList;

private:
    void AnalyzeAlternative(const MimeFormatStruct& part);
    void AnalyzeRelated(const MimeFormatStruct& part);
    void AnalyzeMixed(const MimeFormatStruct& part);
};
