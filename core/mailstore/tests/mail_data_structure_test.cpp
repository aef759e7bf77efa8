#include "core/mailstore/mail_data_structure.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/foundation/kcode.h"
#include "core/foundation/md5.h"
#include "core/mailstore/attach_file_manager.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/mime_analyze.h"
#include "core/mailstore/mime_decode_tool.h"
#include "core/mailstore/mime_line_limit.h"
#include "core/mailstore/quoted_printable.h"
#include "platform/safe_write.h"
#include "core/mailstore/tests/mail_text_test_util.h"

namespace fs = std::filesystem;

namespace {

using mailtest::S;

std::string Jis(const std::string& sjis) { return KCodeC().sjtojis7(sjis, 0); }

std::string Hex(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// Binary content as the independent parser prints it: length and MD5.
std::string Digest(const std::string& bytes) { return std::to_string(bytes.size()) + ":" + XCMD5Encoder(bytes); }

std::string Bytes(int n, int seed) {
    std::string b;
    for (int i = 0; i < n; ++i) b += static_cast<char>((i * 31 + seed) & 0xFF);
    return b;
}

MimeFormatStruct Parse(const std::string& text) {
    MimeFormatStruct part;
    EXPECT_EQ(MimeDecodeTool::MimeDecode(text, part), 1);
    return part;
}

// A text part as the send run makes it: ISO-2022-JP, 7bit.
MimeFormatStruct TextPart(const std::string& sjis) {
    return Parse("Content-Type: text/plain;\r\n\tcharset=iso-2022-jp\r\nContent-Transfer-Encoding: 7bit\r\n"
                 "MIME-Version: 1.0\r\n\r\n" + Jis(sjis));
}

MimeFormatStruct HtmlPart(const std::string& sjis) {
    return Parse("Content-Type: text/html;\r\n\tcharset=iso-2022-jp\r\nContent-Transfer-Encoding: quoted-printable\r\n"
                 "MIME-Version: 1.0\r\n\r\n" + QuotedPrintableEncode(Jis(sjis)));
}

MimeFormatStruct InlineImage(const std::string& cid, const std::string& name, const std::string& bytes) {
    return Parse("Content-Type: image/gif;\r\n\tname=\"" + name + "\"\r\nContent-Transfer-Encoding: base64\r\n"
                 "Content-ID: <" + cid + ">\r\n\r\n" + base64encoding(bytes, 76));
}

struct Image {
    std::string cid, name, bytes;
};
struct Attachment {
    std::string name, bytes;  // name in Shift_JIS
};

// "_VARNIS_MULTIPART_", 17 digits of local time, "_", 4 random characters, "_".
bool IsBoundary(const std::string& b) {
    if (b.size() != 41 || b.rfind("_VARNIS_MULTIPART_", 0) != 0 || b[35] != '_' || b[40] != '_') return false;
    for (size_t i = 18; i < 35; ++i)
        if (b[i] < '0' || b[i] > '9') return false;
    return true;
}

// The boundaries of a parsed tree, outermost first.
void CollectBoundaries(const MimeFormatStruct& part, std::vector<std::string>& out) {
    if (part.hasSubParts && !part.boundary.empty()) out.push_back(part.boundary);
    for (const MimeFormatStruct& child : part.subParts) CollectBoundaries(child, out);
}

bool HavePython() { return ::access("/usr/bin/python3", X_OK) == 0; }

std::string RunPythonParser(const std::string& message, const fs::path& dir) {
    const fs::path file = dir / "message.eml";
    EXPECT_TRUE(platform::WriteFileAtomically(file.string(), message));
    const std::string command = "/usr/bin/python3 " + std::string(OMBREL_TESTDATA) + "/mime_structure.py " + file.string();
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        EXPECT_EQ(::pclose(p), 0);
    }
    return out;
}

// Text as the independent parser prints it: UTF-8 with LF line ends, in hex.
std::string TextHex(const std::string& sjis) {
    std::string utf8 = SjisToUtf8(sjis), lf;
    for (size_t i = 0; i < utf8.size(); ++i)
        if (!(utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')) lf += utf8[i];
    return Hex(lf);
}

class MailModel : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("mail_model_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // The part text of an attachment, made as the send run makes it: from a file.
    std::string AttachmentText(const Attachment& a) {
        const std::string path = (dir / a.name).string();
        EXPECT_TRUE(platform::WriteFileAtomically(path, a.bytes));
        CAttachFileManager file;
        EXPECT_EQ(file.SetFileInfoFromFile(path), 0);
        return file.GetFileMimeString();
    }

    CMimeAnalyze Build(int type) {
        CMimeAnalyze model;
        model.SetMIMETextBody(TextPart(text));
        if (type == 2 || type == 3 || type == 5 || type == 6) model.SetMIMEHtmlBody(HtmlPart(html));
        if (type == 3 || type == 6)
            for (const Image& i : images) model.GetRefOfMimeHtmlAttach().push_back(InlineImage(i.cid, i.name, i.bytes));
        if (type >= 4) {
            for (const Attachment& a : attachments) EXPECT_EQ(model.AddMIMENormalAttach(AttachmentText(a)), 1);
        }
        EXPECT_EQ(model.GetDataTypeFromNowSetData(), type);
        return model;
    }

    // What the independent parser should print for a written data type.
    std::string PythonTree(int type) const {
        const std::string plain = "text/plain charset=iso-2022-jp cid= name= data=" + TextHex(TextAsSent(type));
        const std::string htmlLine = "text/html charset=iso-2022-jp cid= name= data=" + TextHex(html);
        std::vector<std::string> lines;
        auto add = [&](int depth, const std::string& s) { lines.push_back(std::string(depth, ' ') + s); };
        int depth = 0;
        if (type >= 4) add(depth++, "multipart/mixed");
        if (type == 4) add(depth, plain);
        if (type == 3 || type == 6) add(depth++, "multipart/related");
        if (type == 2 || type == 3 || type == 5 || type == 6) {
            add(depth, "multipart/alternative");
            add(depth + 1, plain);
            add(depth + 1, htmlLine);
        }
        if (type == 3 || type == 6)
            for (const Image& i : images)
                add(depth, "image/gif charset= cid=<" + i.cid + "> name=" + Hex(i.name) + " data=" + Digest(i.bytes));
        if (type >= 4)
            for (const Attachment& a : attachments)
                add(1, "application/octet-stream charset= cid= name=" + Hex(SjisToUtf8(a.name)) + " data=" + Digest(a.bytes));
        if (type == 1) add(0, plain);
        std::string out;
        for (const std::string& l : lines) out += l + "\n";
        return out;
    }

    // A text part directly in a multipart/mixed is followed by one more line end before the
    // next delimiter (the layout other mail software of the system expects), which a
    // reader takes as part of the text.
    std::string TextAsSent(int type) const { return type == 4 ? text + "\r\n" : text; }

    fs::path dir;
    // The prefix of the writer's boundaries stands in the text, so the boundary check
    // cannot pass by looking only for the prefix.
    const std::string text = S("こんにちは、世界。\r\n_VARNIS_MULTIPART_ の行\r\n");
    const std::string html = S("<HTML><BODY>日本語の<B>本文</B><IMG src=\"cid:img1@example\"></BODY></HTML>");
    const std::vector<Image> images = {{"img1@example", "a.gif", Bytes(300, 1)}, {"Img2@Example", "b.gif", Bytes(5000, 2)}};
    const std::vector<Attachment> attachments = {{S("見積書.pdf"), Bytes(3000, 3)}, {"empty.txt", ""}};
};

TEST_F(MailModel, EveryDataTypeRoundTripsThroughBothParsers) {
    const bool havePython = HavePython();
    const int levels[] = {0, 0, 1, 2, 1, 2, 3};
    for (int type = 1; type <= 6; ++type) {
        for (int withAttachments : {1, 0}) {
            SCOPED_TRACE("type " + std::to_string(type) + " attachments " + std::to_string(withAttachments));
            CMimeAnalyze model = Build(type);
            std::string header, body;
            ASSERT_EQ(model.GetMimeString(header, body, withAttachments, nullptr), 0);
            const int written = (!withAttachments && type >= 4) ? type - 3 : type;
            const std::string message =
                "Subject: test\r\nFrom: a@example.com\r\nTo: b@example.com\r\n" + header + "\r\n" + body;
            EXPECT_FALSE(mime_line::HasLineLongerThan(message, mime_line::kMaxLine));

            std::vector<std::string> boundaries;
            CollectBoundaries(Parse(message), boundaries);
            EXPECT_EQ(boundaries.size(), static_cast<size_t>(levels[written]));
            EXPECT_EQ(std::set<std::string>(boundaries.begin(), boundaries.end()).size(), boundaries.size());
            for (const std::string& b : boundaries) EXPECT_EQ(text.find(b), std::string::npos);

            CMimeAnalyze back;
            ASSERT_EQ(back.AnalyzeMime(message), 0);
            EXPECT_EQ(back.GetDataTypeFromNowSetData(), written);
            MimeFormatStruct part;
            std::string decoded;
            back.GetMIMETextpart(part);
            ASSERT_EQ(part.ConvertBodyToCp932String(decoded), 1);
            EXPECT_EQ(decoded, TextAsSent(written));
            if (written != 1 && written != 4) {
                ASSERT_TRUE(back.HtmlPartExist());
                back.GetMIMEHtmlpart(part);
                ASSERT_EQ(part.ConvertBodyToCp932String(decoded), 1);
                EXPECT_EQ(decoded, html);
            }
            const size_t inlineCount = (written == 3 || written == 6) ? images.size() : 0;
            ASSERT_EQ(back.CountMIMEHtmlAttach(), static_cast<int>(inlineCount));
            for (size_t i = 0; i < inlineCount; ++i) {
                ASSERT_EQ(back.GetMIMEHtmlAttach(static_cast<int>(i), part), 1);
                EXPECT_TRUE(part.ContentIdIs(images[i].cid));
                ASSERT_EQ(part.GetBodyAfterBase64Decode(decoded), 1);
                EXPECT_EQ(decoded, images[i].bytes);
            }
            const size_t attachmentCount = written >= 4 ? attachments.size() : 0;
            ASSERT_EQ(back.CountMIMENormalAttach(), static_cast<int>(attachmentCount));
            for (size_t i = 0; i < attachmentCount; ++i) {
                const int n = static_cast<int>(i);
                EXPECT_EQ(back.GetMIMENormalAttachName(n), attachments[i].name);
                std::string b64 = back.GetMIMENormalAttachBodyBase64(n), clean;
                for (char c : b64)
                    if (c != '\r' && c != '\n') clean += c;
                EXPECT_EQ(normal_base64decoding(clean), attachments[i].bytes);
            }

            if (havePython) {
                EXPECT_EQ(RunPythonParser(message, dir), PythonTree(written));
            }
        }
    }
    if (!havePython) GTEST_SKIP() << "no /usr/bin/python3: the independent parse was skipped";
}

TEST_F(MailModel, HeaderLayouts) {
    // Text only: the text part's own header records, folded after each ";".
    CMailDataStructure textOnly;
    textOnly.SetMIMETextBody(TextPart(text));
    std::string header, body;
    ASSERT_EQ(textOnly.GetMimeString(header, body, 1, nullptr), 0);
    EXPECT_EQ(header, "Content-Type: text/plain;\r\n\tcharset=iso-2022-jp\r\nContent-Transfer-Encoding: 7bit\r\n"
                      "MIME-Version: 1.0\r\n");
    EXPECT_EQ(body, Jis(text));

    // Text and HTML: exactly three header lines; the text part inside has no MIME-Version.
    CMailDataStructure alternative = Build(2);
    ASSERT_EQ(alternative.GetMimeString(header, body, 1, nullptr), 0);
    const std::string head = "Content-Type: multipart/alternative;\r\n\tboundary=\"";
    const std::string tail = "\"\r\nMIME-Version: 1.0\r\n";
    ASSERT_EQ(header.rfind(head, 0), 0u);
    ASSERT_GT(header.size(), head.size() + tail.size());
    EXPECT_EQ(header.substr(header.size() - tail.size()), tail);
    const std::string b = header.substr(head.size(), header.size() - head.size() - tail.size());
    EXPECT_TRUE(IsBoundary(b)) << b;
    EXPECT_EQ(b.size(), 41u);
    EXPECT_EQ(body.rfind("--" + b + "\r\nContent-Type: text/plain;", 0), 0u);
    EXPECT_EQ(body.substr(body.size() - b.size() - 6), "\r\n--" + b + "--");
    EXPECT_GT(body.find("MIME-Version"), body.find("Content-Type: text/html"));

    // HTML only: the alternative still starts with an (empty) text entity.
    CMailDataStructure htmlOnly;
    htmlOnly.SetMIMEHtmlBody(HtmlPart(html));
    ASSERT_EQ(htmlOnly.GetMimeString(header, body, 1, nullptr), 0);
    const size_t at = header.find("boundary=\"") + 10;
    const std::string hb = header.substr(at, header.find('"', at) - at);
    EXPECT_TRUE(IsBoundary(hb)) << hb;
    EXPECT_EQ(body.rfind("--" + hb + "\r\n\r\n\r\n--" + hb + "\r\nContent-Type: text/html", 0), 0u);

    CMailDataStructure empty;
    EXPECT_EQ(empty.GetMimeString(header, body, 1, nullptr), -1);
    EXPECT_TRUE(header.empty() && body.empty());
}

TEST_F(MailModel, OverlongLinesNeverLeaveTheWriter) {
    // A 7bit text part with a 3000-byte line goes out quoted-printable; an inline image
    // whose base64 is one long line goes out in lines of 76.
    const std::string longLine = std::string(3000, 'x') + "\r\nend";
    CMimeAnalyze model;
    model.SetMIMETextBody(Parse("Content-Type: text/plain; charset=us-ascii\r\nContent-Transfer-Encoding: 7bit\r\n\r\n" +
                                longLine));
    model.SetMIMEHtmlBody(Parse("Content-Type: text/html; charset=us-ascii\r\n\r\n<p>" + std::string(2000, 'y') + "</p>"));
    model.GetRefOfMimeHtmlAttach().push_back(
        Parse("Content-Type: image/gif\r\nContent-Transfer-Encoding: base64\r\nContent-ID: <i>\r\n\r\n" +
              base64encoding(Bytes(4000, 5), -1)));
    std::string header, body;
    ASSERT_EQ(model.GetMimeString(header, body, 1, nullptr), 0);
    EXPECT_FALSE(mime_line::HasLineLongerThan(header + "\r\n" + body, 76));

    CMimeAnalyze back;
    ASSERT_EQ(back.AnalyzeMime(header + "\r\n" + body), 0);
    MimeFormatStruct part;
    std::string decoded;
    back.GetMIMETextpart(part);
    EXPECT_TRUE(part.ContentTransferEncodingIs("quoted-printable"));
    ASSERT_EQ(part.ConvertBodyToCp932String(decoded), 1);
    EXPECT_EQ(decoded, longLine);
    back.GetMIMEHtmlpart(part);
    EXPECT_TRUE(part.ContentTransferEncodingIs("quoted-printable"));  // the header was added
    ASSERT_EQ(back.GetMIMEHtmlAttach(0, part), 1);
    ASSERT_EQ(part.GetBodyAfterBase64Decode(decoded), 1);
    EXPECT_EQ(decoded, Bytes(4000, 5));
    // The model itself is left as it was.
    model.GetMIMETextpart(part);
    EXPECT_EQ(part.body, longLine);

    if (HavePython()) {
        EXPECT_EQ(RunPythonParser(header + "\r\n" + body, dir),
                  "multipart/related\n multipart/alternative\n  text/plain charset=us-ascii cid= name= data=" +
                      TextHex(longLine) + "\n  text/html charset=us-ascii cid= name= data=" +
                      TextHex("<p>" + std::string(2000, 'y') + "</p>") + "\n image/gif charset= cid=<i> name= data=" +
                      Digest(Bytes(4000, 5)) + "\n");
    }
}

TEST_F(MailModel, ManyMessagesGetFreshDistinctBoundaries) {
    // Within a message the three levels must differ. Across messages a boundary only has to
    // be fresh: 21 random bits per millisecond make a rare repeat possible, which is harmless,
    // whereas a generator reseeded from the clock would repeat nearly every boundary.
    CMailDataStructure model = Build(6);
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        std::string header, body;
        ASSERT_EQ(model.GetMimeString(header, body, 1, nullptr), 0);
        std::vector<std::string> boundaries;
        CollectBoundaries(Parse(header + "\r\n" + body), boundaries);
        ASSERT_EQ(boundaries.size(), 3u);
        EXPECT_EQ(std::set<std::string>(boundaries.begin(), boundaries.end()).size(), 3u);
        seen.insert(boundaries.begin(), boundaries.end());
    }
    EXPECT_GE(seen.size(), 590u);
}

OneCustomer Recipient() {
    OneCustomer c;
    c.CustomerID = 5;
    c.KanjiSei = S("山田");
    c.Company = "A&B <x>";
    return c;
}

// Merging through the writer reads each part in its declared charset and writes it back
// in the same charset and transfer encoding.
TEST_F(MailModel, MergeKeepsEachPartsCharsetAndEncoding) {
    const std::string field = S("<%名前(姓)%>様");
    struct Case {
        const char* name;
        std::string partText;
        std::string charset;   // as the merged part declares it
        std::string encoding;  // as the merged part declares it
        std::string expected;  // the merged text, Shift_JIS
    };
    const Case cases[] = {
        {"iso-2022-jp 7bit", "Content-Type: text/plain; charset=iso-2022-jp\r\nContent-Transfer-Encoding: 7bit\r\n\r\n" +
                                 Jis(field), "iso-2022-jp", "7bit", S("山田様")},
        {"shift_jis base64", "Content-Type: text/plain; charset=Shift_JIS\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                                 base64encoding(field, 76), "shift_jis", "base64", S("山田様")},
        {"utf-8 quoted-printable",
         "Content-Type: text/plain; charset=\"utf-8\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" +
             QuotedPrintableEncode(SjisToUtf8(field)), "utf-8", "quoted-printable", S("山田様")},
        {"no charset: us-ascii, made iso-2022-jp for Japanese values",
         "Content-Type: text/plain\r\n\r\nDear " + S("<%名前(姓)%>"), "iso-2022-jp", "", S("Dear 山田")},
        {"no content type: iso-2022-jp", "X-Note: none\r\n\r\n" + Jis(field), "", "", S("山田様")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMailDataStructure model;
        model.SetMIMETextBody(Parse(c.partText));
        const OneCustomer r = Recipient();
        std::string header, body;
        ASSERT_EQ(model.GetMimeString(header, body, 1, &r), 0);
        MimeFormatStruct out = Parse(header + "\r\n" + body);
        std::string charset, encoding, text;
        out.GetCharset(charset);
        out.GetContentTransferEncoding(encoding);
        EXPECT_EQ(charset, c.charset);
        EXPECT_EQ(encoding, c.encoding);
        EXPECT_EQ(body.find("?="), std::string::npos);
        EXPECT_FALSE(mime_line::HasLineLongerThan(body, 76));
        if (c.charset.empty()) {
            EXPECT_EQ(KCodeC().jis7tosj(out.body), c.expected);
        } else {
            ASSERT_EQ(out.ConvertBodyToCp932String(text), 1);
            EXPECT_EQ(text, c.expected);
            if (HavePython()) {
                EXPECT_EQ(RunPythonParser(header + "\r\n" + body, dir),
                          "text/plain charset=" + c.charset + " cid= name= data=" + TextHex(c.expected) + "\n");
            }
        }
    }

    // A charset the merge cannot read refuses the mail, whichever part holds it; the model
    // stays as it was.
    const std::string euc = KCodeC().ToEUC(field);
    const OneCustomer r = Recipient();
    std::string header = "x", body = "y";
    CMailDataStructure model;
    model.SetMIMETextBody(Parse("Content-Type: text/plain; charset=euc-jp\r\n\r\n" + euc));
    EXPECT_EQ(model.GetMimeString(header, body, 1, &r), -2);
    EXPECT_EQ(header + body, "");
    ASSERT_EQ(model.GetMimeString(header, body, 1, nullptr), 0);
    EXPECT_EQ(body, euc);
    model.SetMIMETextBody(TextPart(field));
    model.SetMIMEHtmlBody(Parse("Content-Type: text/html; charset=koi8-r\r\n\r\n<p>x</p>"));
    EXPECT_EQ(model.GetMimeString(header, body, 1, &r), -2);
    ASSERT_EQ(model.GetMimeString(header, body, 1, nullptr), 0);
    EXPECT_EQ(KCodeC().jis7tosj(Parse(header + "\r\n" + body).subParts[0].body), field);

    // The HTML part is merged in HTML mode, here in a long Shift_JIS base64 body.
    CMailDataStructure htmlModel;
    htmlModel.SetMIMETextBody(TextPart(field));
    const std::string htmlText = S("<P>&lt;%会社名%&gt;</P>") + std::string(200, 'z');
    htmlModel.SetMIMEHtmlBody(Parse("Content-Type: text/html; charset=shift_jis\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                                    base64encoding(htmlText, -1)));
    ASSERT_EQ(htmlModel.GetMimeString(header, body, 1, &r), 0);
    CMimeAnalyze back;
    ASSERT_EQ(back.AnalyzeMime(header + "\r\n" + body), 0);
    MimeFormatStruct part;
    std::string text;
    back.GetMIMEHtmlpart(part);
    ASSERT_EQ(part.ConvertBodyToCp932String(text), 1);
    EXPECT_EQ(text, "<P>A&amp;B&nbsp;&lt;x&gt;</P>" + std::string(200, 'z'));
    back.GetMIMETextpart(part);
    ASSERT_EQ(part.ConvertBodyToCp932String(text), 1);
    EXPECT_EQ(text, S("山田様"));
}

TEST_F(MailModel, AnalyzeAndListOperations) {
    // A text/plain part that names a file is an attachment, not the text.
    const std::string mixed =
        "Content-Type: multipart/mixed; boundary=\"m\"\r\n\r\n--m\r\nContent-Type: text/plain\r\n\r\nbody\r\n"
        "--m\r\nContent-Type: text/plain\r\nContent-Disposition: attachment; filename=\"note.txt\"\r\n"
        "Content-Transfer-Encoding: 7bit\r\n\r\nnote\r\n--m--\r\n";
    CMimeAnalyze model;
    ASSERT_EQ(model.AnalyzeMime(mixed), 0);
    EXPECT_EQ(model.GetDataTypeFromNowSetData(), 4);
    ASSERT_EQ(model.CountMIMENormalAttach(), 1);
    EXPECT_EQ(model.GetMIMENormalAttachName(0), "note.txt");
    EXPECT_EQ(model.AnalyzeMime(mixed), 0);  // appends
    EXPECT_EQ(model.CountMIMENormalAttach(), 2);

    EXPECT_EQ(model.AnalyzeMime(""), -1);
    EXPECT_EQ(model.AnalyzeMime("Content-Type: multipart/mixed; boundary=\"m\"\r\n\r\n--m\r\nx\r\n"), -2);
    EXPECT_EQ(model.CountMIMENormalAttach(), 2);

    MimeFormatStruct part;
    EXPECT_EQ(model.GetMIMENormalAttach(2, part), -1);
    EXPECT_EQ(model.GetMIMENormalAttach(-1, part), -1);
    EXPECT_EQ(model.RemoveAtMIMENormalAttach(2), -1);
    EXPECT_EQ(model.GetMIMEHtmlAttach(0, part), 0);
    EXPECT_EQ(model.GetMIMENormalAttachName(5), "");
    EXPECT_EQ(model.AddMIMENormalAttach(std::string("Content-Type text/plain\r\n\r\nx")), 0);
    EXPECT_EQ(model.RemoveAtMIMENormalAttach(0), 0);
    EXPECT_EQ(model.CountMIMENormalAttach(), 1);

    // Copies are deep: changing the copy leaves the original.
    CMimeAnalyze copy;
    copy = model;
    copy.GetRefOfMimeNormalAttach()[0].body = "changed";
    model.GetMIMENormalAttach(0, part);
    EXPECT_EQ(part.body, "note");
}

TEST_F(MailModel, EnclosedMessageAttachmentIsSentWhole) {
    const std::string received =
        "Content-Type: multipart/mixed; boundary=\"o\"\r\nMIME-Version: 1.0\r\n\r\n--o\r\n"
        "Content-Type: text/plain; charset=us-ascii\r\n\r\nSee the attached mail.\r\n--o\r\n"
        "Content-Type: message/rfc822\r\n\r\nSubject: inner\r\nContent-Type: multipart/alternative; boundary=\"i\"\r\n\r\n"
        "--i\r\nContent-Type: text/plain\r\n\r\ninner text\r\n--i\r\nContent-Type: text/html\r\n\r\n<p>inner</p>\r\n--i--\r\n"
        "\r\n--o--\r\n";
    CMailDataStructure model;
    ASSERT_EQ(model.AnalyzeMime(received), 0);
    ASSERT_EQ(model.CountMIMENormalAttach(), 1);
    std::string header, body;
    ASSERT_EQ(model.GetMimeString(header, body, 1, nullptr), 0);
    const MimeFormatStruct out = Parse(header + "\r\n" + body);
    ASSERT_EQ(out.subParts.size(), 2u);
    const MimeFormatStruct& enclosed = out.subParts[1];
    ASSERT_EQ(enclosed.subParts.size(), 1u);
    ASSERT_EQ(enclosed.subParts[0].subParts.size(), 2u);
    EXPECT_EQ(enclosed.subParts[0].subParts[0].body, "inner text");
    EXPECT_EQ(enclosed.subParts[0].subParts[1].body, "<p>inner</p>");
}

TEST_F(MailModel, SaveAttachment) {
    CMailDataStructure model;
    model.AddMIMENormalAttach(AttachmentText({S("表.bin"), Bytes(1000, 9)}));  // 表 ends in the byte 0x5C
    model.AddMIMENormalAttach(Parse("Content-Type: application/octet-stream\r\nContent-Disposition: attachment; "
                                    "filename=\"raw.bin\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\nxyz"));
    const std::string folder = (dir / "out" / "deeper").string();
    int size = -1;
    ASSERT_EQ(model.SaveMIMENormalAttach(0, folder, size, 0, 0, nullptr), 0);
    EXPECT_EQ(size, 1000);
    std::string written;
    ASSERT_TRUE(platform::ReadWholeFile(folder + "/" + S("表.bin"), written));
    EXPECT_EQ(written, Bytes(1000, 9));

    // An existing file is replaced whole; raw writes the base64 text.
    ASSERT_EQ(model.SaveMIMENormalAttach(0, folder, size, 1, 1, "copy.b64"), 0);
    ASSERT_TRUE(platform::ReadWholeFile(folder + "/copy.b64", written));
    std::string clean;
    for (char c : written)
        if (c != '\r' && c != '\n') clean += c;
    EXPECT_EQ(normal_base64decoding(clean), Bytes(1000, 9));

    struct Case {
        int index;
        int useGiven;
        const char* given;
        int result;
    };
    const Case refused[] = {
        {0, 1, nullptr, -2}, {0, 1, "", -3},       {0, 1, "a:b", -4},  {0, 1, "../x", -4},
        {0, 1, "..", -4},    {0, 1, "a\nb", -4},   {7, 1, "none", -6},
    };
    for (const Case& c : refused) {
        size = -1;
        EXPECT_EQ(model.SaveMIMENormalAttach(c.index, folder, size, 0, c.useGiven, c.given), c.result)
            << (c.given ? c.given : "(null)");
        EXPECT_EQ(size, -1);
    }
    EXPECT_FALSE(fs::exists(fs::path(folder) / "none"));
    // An 8bit body is saved as it stands, under its own name.
    ASSERT_EQ(model.SaveMIMENormalAttach(1, folder, size, 0, 0, nullptr), 0);
    ASSERT_TRUE(platform::ReadWholeFile(folder + "/raw.bin", written));
    EXPECT_EQ(written, "xyz");
}

}  // namespace
