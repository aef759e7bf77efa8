// Received mail in the forms mail programs really send: each row is one minimal message
// that a careless reader gets wrong, checked for the tree the parser builds, the texts
// and subject a reader shows, the bytes of the last part, and what saving its attachment
// writes.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/mailstore/encoded_word.h"
#include "core/mailstore/mail_data_structure.h"
#include "core/mailstore/mime_decode_tool.h"
#include "platform/safe_write.h"

namespace {

namespace fs = std::filesystem;

// The tree in one line: each entity's type as the queries see it ("-" for none), its file
// name in brackets, its children in braces.
std::string Tree(const MimeFormatStruct& p) {
    std::string out;
    if (!p.GetContentType(out)) out = "-";
    std::string name = p.GetMIMENormalAttachName();
    if (name.empty()) p.GetNameParamFromContentType(name);
    if (!name.empty()) out += "(" + SjisToUtf8(name) + ")";
    if (!p.subParts.empty()) {
        out += "{";
        for (size_t i = 0; i < p.subParts.size(); ++i) out += (i ? "," : "") + Tree(p.subParts[i]);
        out += "}";
    }
    return out;
}

// The texts of the text leaves (those of a text type or none), as a reader shows them.
void Texts(const MimeFormatStruct& p, std::vector<std::string>& out) {
    if (!p.subParts.empty()) {
        for (const MimeFormatStruct& c : p.subParts) Texts(c, out);
        return;
    }
    std::string type, text;
    if (p.GetContentType(type) && type.rfind("text/", 0) != 0) return;
    out.push_back(p.ConvertBodyToCp932String(text) ? SjisToUtf8(text) : "?");
}
std::string Texts(const MimeFormatStruct& p) {
    std::vector<std::string> texts;
    Texts(p, texts);
    std::string out;
    for (size_t i = 0; i < texts.size(); ++i) out += (i ? "|" : "") + texts[i];
    return out;
}

const MimeFormatStruct& LastLeaf(const MimeFormatStruct& p) {
    return p.subParts.empty() ? p : LastLeaf(p.subParts.back());
}

// A leaf's content bytes through the entity's own decoders.
std::string Bytes(const MimeFormatStruct& leaf) {
    std::string out;
    if (leaf.ContentTransferEncodingIs("base64")) return leaf.GetBodyAfterBase64Decode(out) ? out : "?";
    if (leaf.ContentTransferEncodingIs("quoted-printable"))
        return leaf.GetBodyAfterQuotedPrintableDecode(out) ? out : "?";
    return leaf.body;
}

struct Row {
    const char* what;
    std::string message;
    int result;           // of MimeDecode
    std::string tree;
    std::string texts;    // UTF-8, "|" between leaves
    std::string subject;  // UTF-8
    std::string bytes;    // of the last leaf
    std::string saved;    // the first attachment saved by the mail model: "name=bytes"
};

class ReceivedMail : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "ombrel-received-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Saved(const std::string& message) {
        CMailDataStructure model;
        if (model.AnalyzeMime(message) != 0 || model.CountMIMENormalAttach() == 0) return "";
        int size = 0;
        if (model.SaveMIMENormalAttach(0, dir_.string(), size, 0, 1, "saved") != 0) return "not saved";
        std::string bytes;
        EXPECT_TRUE(platform::ReadWholeFile((dir_ / "saved").string(), bytes));
        return SjisToUtf8(model.GetMIMENormalAttachName(0)) + "=" + bytes;
    }

    fs::path dir_;
};

const std::string kJisNihongo = "\x1b$BF|K\\8l\x1b(B";  // 日本語 in ISO-2022-JP
const std::string kMixed = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
std::string AttachmentPart(const std::string& headers, const std::string& body) {
    return "--b\r\nContent-Type: application/octet-stream; name=\"a.bin\"\r\n" + headers + "\r\n" + body +
           "\r\n--b--\r\n";
}

TEST_F(ReceivedMail, EachFormAsAReaderShowsIt) {
    const Row rows[] = {
        {"a part with headers and no body keeps its type; one that starts with an empty line has no headers",
         kMixed + "--b\r\nContent-Type: text/plain; charset=us-ascii\r\n--b\r\n\r\nX-Not: a header\r\n--b--\r\n", 1,
         "multipart/mixed{text/plain,-}", "|X-Not: a header", "", "X-Not: a header", "=X-Not: a header"},
        {"unfolding keeps the blank of the fold, in a subject and in a file name",
         "Subject: for the\r\n quarterly\r\n" + kMixed +
             "--b\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment;\r\n filename=\"quarterly\r\n "
             "report.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\nJVBERg==\r\n--b--\r\n",
         1, "multipart/mixed{application/pdf(quarterly report.pdf)}", "", "for the quarterly", "%PDF",
         "quarterly report.pdf=%PDF"},
        {"a quoted parameter after the charset is not part of it",
         "Content-Type: text/plain; charset=iso-2022-jp; format=\"flowed\"\r\n\r\n" + kJisNihongo + "\r\n", 1,
         "text/plain", "日本語\r\n", "", kJisNihongo + "\r\n", ""},
        {"an attachment without transfer encoding is saved as it stands",
         kMixed + AttachmentPart("", "raw\x01 bytes"), 1, "multipart/mixed{application/octet-stream(a.bin)}", "", "",
         "raw\x01 bytes", "a.bin=raw\x01 bytes"},
        {"an 8bit attachment is saved as it stands",
         kMixed + AttachmentPart("Content-Transfer-Encoding: 8bit\r\n", "\xe9\x80\xff"), 1,
         "multipart/mixed{application/octet-stream(a.bin)}", "", "", "\xe9\x80\xff", "a.bin=\xe9\x80\xff"},
        {"a binary attachment is saved as it stands",
         kMixed + AttachmentPart("Content-Transfer-Encoding: binary\r\n", std::string("\0\r\n\0", 4)), 1,
         "multipart/mixed{application/octet-stream(a.bin)}", "", "", std::string("\0\r\n\0", 4),
         std::string("a.bin=\0\r\n\0", 10)},
        {"an enclosed message is saved whole, byte for byte",
         kMixed +
             "--b\r\nContent-Type: message/rfc822\r\nContent-Disposition: attachment; filename=fwd.eml\r\n\r\n"
             "Subject: inner\r\nX-Folded: a;\r\n\tb\r\n\r\nhello\r\n--b--\r\n",
         1, "multipart/mixed{message/rfc822(fwd.eml){-}}", "hello", "", "hello",
         "fwd.eml=Subject: inner\r\nX-Folded: a;\r\n\tb\r\n\r\nhello"},
        {"base64 skips what is not in its alphabet, in a text and in an attachment",
         kMixed +
             "--b\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\n5pel\r\n "
             "5pys!\r\n" +
             AttachmentPart("Content-Transfer-Encoding: base64\r\n", "YW Jj\r\n*ZGVm"),
         1, "multipart/mixed{text/plain,application/octet-stream(a.bin)}", "日本", "", "abcdef", "a.bin=abcdef"},
        {"delimiter lines may end in blanks",
         kMixed + "--b  \r\nContent-Type: text/plain\r\n\r\none\r\n--b\t\r\nContent-Type: text/plain\r\n\r\ntwo\r\n"
                  "--b-- \r\n",
         1, "multipart/mixed{text/plain,text/plain}", "one|two", "", "two", ""},
        {"RFC 2231 file names: one piece, continuations, in the Content-Type",
         "Content-Type: multipart/mixed; boundary*=us-ascii''b\r\n\r\n"
         "--b\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; "
         "filename*=UTF-8''%E8%A6%8B%E7%A9%8D.pdf\r\n\r\nx\r\n"
         "--b\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment;\r\n filename*0*=utf-8''%E8%A6%8B;"
         "\r\n filename*1*=%E7%A9%8D; filename*2=\".pdf\"; filename=\"fallback.pdf\"\r\n\r\ny\r\n"
         "--b\r\nContent-Type: text/plain; name*=shift_jis''%8C%A9%90%CF.txt; charset*=''iso-2022-jp\r\n\r\n" +
             kJisNihongo + "\r\n--b--\r\n",
         1, "multipart/mixed{application/pdf(見積.pdf),application/pdf(見積.pdf),text/plain(見積.txt)}", "日本語", "",
         kJisNihongo, "見積.pdf=x"},
        {"a part of a digest without Content-Type is a message; a type without subtype is plain text",
         "Content-Type: multipart/digest; boundary=d\r\n\r\n--d\r\n\r\nSubject: one\r\n\r\nfirst\r\n--d\r\n"
         "Content-Type: text; charset=iso-2022-jp\r\n\r\n" +
             kJisNihongo + "\r\n--d--\r\n",
         1, "multipart/digest{message/rfc822{-},text/plain}", "first|日本語", "", kJisNihongo, ""},
        {"a multipart cut off before its closing delimiter keeps the parts read",
         "Subject: cut\r\n" + kMixed +
             "--b\r\nContent-Type: text/plain\r\n\r\nfirst\r\n--b\r\nContent-Type: text/plain\r\n\r\ncut off",
         0, "multipart/mixed{text/plain,text/plain}", "first|cut off", "cut", "cut off", ""},
        {"a subject of words in two charsets, a character split over two words",
         "Subject: =?ISO-2022-JP?B?GyRCRnxLXBsoQg==?= =?UTF-8?B?6Kqe?=\r\n =?UTF-8?Q?=E8=AA?= =?utf-8?Q?=9E!?=\r\n"
         "\r\nbody",
         1, "-", "body", "日本語語!", "body", ""},
        {"quoted-printable keeps the final line break",
         "Content-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\na=3Db =\r\nc\r\n", 1,
         "text/plain", "a=b c\r\n", "", "a=b c\r\n", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        MimeFormatStruct mail;
        EXPECT_EQ(MimeDecodeTool::MimeDecode(r.message, mail), r.result);
        EXPECT_EQ(Tree(mail), r.tree);
        EXPECT_EQ(Texts(mail), r.texts);
        std::vector<MimeHeaderStruct> subject;
        MimeDecodeTool::GetHeaderInfo("subject", mail.headerList, subject);
        EXPECT_EQ(subject.empty() ? "" : SjisToUtf8(DecodeHeaderTextToSjis(subject[0].value).substr(1)), r.subject);
        // The UTF-8 reading of the same subject says the same (these hold nothing Shift_JIS lacks).
        EXPECT_EQ(subject.empty() ? "" : DecodeHeaderTextToUtf8(subject[0].value).substr(1), r.subject);
        EXPECT_EQ(Bytes(LastLeaf(mail)), r.bytes);
        EXPECT_EQ(Saved(r.message), r.saved);
    }
}

}  // namespace
