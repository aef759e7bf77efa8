#include "core/mailstore/attach_file_manager.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/foundation/cp932.h"
#include "core/foundation/kcode.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/mime_decode_tool.h"
#include "core/mailstore/mime_line_limit.h"
#include "platform/safe_write.h"
#include "core/mailstore/tests/mail_text_test_util.h"

namespace {

using mailtest::S;

std::string PartText(const std::string& headers, const std::string& body) { return headers + "\r\n" + body; }

TEST(CAttachFileManager, NameFromPartHeaders) {
    struct Case {
        const char* name;
        std::string headers;
        std::string expected;
    };
    const std::string eucName = KCodeC().ToEUC(S("見積書.txt"));
    const Case cases[] = {
        {"blanks around = and a blank inside quotes",
         "Content-Disposition: attachment; filename = \"my file.txt\"\r\n", "my file.txt"},
        {"escaped quote", "Content-Disposition: attachment; filename=\"a\\\"b.txt\"\r\n", "a\"b.txt"},
        {"later parameter does not leak in",
         "Content-Disposition: attachment; filename=\"a.pdf\"; creation-date=\"x\"\r\n", "a.pdf"},
        {"unquoted name parameter up to the semicolon",
         "Content-Type: application/pdf; name=plan.pdf; x=y\r\n", "plan.pdf"},
        {"utf-8 word in the disposition",
         "Content-Disposition: attachment; filename=\"=?utf-8?B?6KaL56mN5pu4LnR4dA==?=\"\r\n", S("見積書.txt")},
        {"utf-8 word in the content type",
         "Content-Type: application/octet-stream; name=\"=?UTF-8?B?6KaL56mN5pu4LnR4dA==?=\"\r\n", S("見積書.txt")},
        {"raw EUC-JP name", "Content-Disposition: attachment; filename=\"" + eucName + "\"\r\n", S("見積書.txt")},
    };
    for (const Case& c : cases) {
        CAttachFileManager file;
        EXPECT_EQ(file.SetFileInfoFromMimeString(PartText(c.headers + "Content-Transfer-Encoding: base64\r\n", "QUJD")), 0)
            << c.name;
        EXPECT_EQ(file.GetFileName(), c.expected) << c.name;
    }
}

TEST(CAttachFileManager, BodyByTransferEncoding) {
    const std::string h = "Content-Disposition: attachment; filename=a.bin\r\nContent-Transfer-Encoding: ";
    struct Case {
        std::string encoding, body;
        int result;
        std::string base64;
    };
    const Case cases[] = {
        {"base64", "QUJD\r\nREVG", 0, "QUJD\r\nREVG"},  // kept as it stands
        {"Quoted-Printable", "a=3Db", 0, base64encoding("a=b", -1)},
        {"7bit", "hello", 0, base64encoding("hello", -1)},
        {"8bit", "hello", -2, ""},
    };
    for (const Case& c : cases) {
        CAttachFileManager file;
        EXPECT_EQ(file.SetFileInfoFromMimeString(PartText(h + c.encoding + "\r\n", c.body)), c.result) << c.encoding;
        EXPECT_EQ(file.GetFileBodyBase64(), c.base64) << c.encoding;
    }
    CAttachFileManager noName;
    EXPECT_EQ(noName.SetFileInfoFromMimeString(PartText("Content-Transfer-Encoding: 7bit\r\n", "x")), 3);
    EXPECT_EQ(noName.SetFileInfoFromMimeString("Content-Type text/plain\r\n\r\nx"), -1);  // parser fault
}

TEST(CAttachFileManager, FileToPartTextAndBack) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("afm_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string bytes;
    for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(i * 7);  // binary, NUL bytes included
    const std::string name = S("報告書.bin");
    const std::string path = (dir / name).string();
    ASSERT_TRUE(platform::WriteFileAtomically(path, bytes));

    CAttachFileManager file;
    EXPECT_EQ(file.SetFileInfoFromFile((dir / "missing").string()), -1);
    EXPECT_EQ(file.SetFileInfoFromFile(dir.string()), -1);
    ASSERT_EQ(file.SetFileInfoFromFile(path), 0);
    EXPECT_EQ(file.GetFileName(), name);
    EXPECT_EQ(file.GetFileBodyBase64().find('\n'), std::string::npos);  // its own body has no breaks

    const std::string text = file.GetFileMimeString();
    EXPECT_EQ(text.rfind("Content-type: application/octet-stream;\r\n\tname=\"=?ISO-2022-JP?B?", 0), 0u);
    EXPECT_FALSE(mime_line::HasLineLongerThan(text, 76));  // the part text is wrapped

    MimeFormatStruct part;
    ASSERT_EQ(MimeDecodeTool::MimeDecode(text, part), 1);
    std::string decoded;
    ASSERT_EQ(part.GetBodyAfterBase64Decode(decoded), 1);
    EXPECT_EQ(decoded, bytes);
    CAttachFileManager back;
    ASSERT_EQ(back.SetFileInfoFromMimeString(text), 0);
    EXPECT_EQ(back.GetFileName(), name);

    EXPECT_EQ(CAttachFileManager().GetFileMimeString(), "");
    std::filesystem::remove_all(dir);
}

TEST(CAttachFileManager, NameCannotBreakTheHeader) {
    CAttachFileManager file;
    ASSERT_EQ(file.SetFileInfoFromMimeString(
                  "Content-Disposition: attachment; filename=\"=?utf-8?Q?a=0D=0ABcc:_x=22y.txt?=\"\r\n"
                  "Content-Transfer-Encoding: base64\r\n\r\nQUJD"),
              0);
    const std::string text = file.GetFileMimeString();
    MimeFormatStruct part;
    ASSERT_EQ(MimeDecodeTool::MimeDecode(text, part), 1);
    ASSERT_EQ(part.headerList.size(), 3u);  // no header line was injected
    CAttachFileManager back;
    ASSERT_EQ(back.SetFileInfoFromMimeString(text), 0);
    EXPECT_EQ(back.GetFileName(), "a  Bcc: x\"y.txt");
}

}  // namespace
