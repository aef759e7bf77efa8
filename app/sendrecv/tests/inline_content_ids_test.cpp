// New Content-IDs of inline pictures at send time, and the HTML's references to them.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QString>

#include "app/sendrecv/inline_content_ids.h"
#include "core/foundation/cp932.h"
#include "core/mailstore/mime_decode_tool.h"

namespace {

MimeFormatStruct Picture(const std::string& contentIdLine) {
    MimeFormatStruct part;
    EXPECT_NE(MimeDecodeTool::MimeDecode("Content-Type: image/gif\r\nContent-Transfer-Encoding: base64\r\n" +
                                             contentIdLine + "\r\nR0lG\r\n",
                                         part),
              0);
    return part;
}

TEST(InlineContentIdsTest, EachPartGetsAUniqueAddressLikeId) {
    std::vector<MimeFormatStruct> parts{Picture("Content-ID: <00>\r\n"), Picture("Content-ID:  <img@003> \r\n"),
                                        Picture("")};
    const ContentIdRenames renames = RenameInlineContentIds(parts, "news@shop.example.jp", 42);
    ASSERT_EQ(renames.size(), 2u);
    EXPECT_EQ(renames[0].first, "00");
    EXPECT_EQ(renames[1].first, "img@003");
    const QRegularExpression form(QStringLiteral("^(00|img003)\\.[0-9]{17}\\.[0-9]{5}\\.42\\.news@shop\\.example\\.jp$"));
    for (std::size_t i = 0; i < renames.size(); ++i) {
        EXPECT_TRUE(form.match(QString::fromStdString(renames[i].second)).hasMatch()) << renames[i].second;
        std::string written;
        ASSERT_EQ(parts[i].GetContentId(written), 1);
        EXPECT_EQ(written, " <" + renames[i].second + ">");
    }
    EXPECT_NE(renames[0].second, renames[1].second);
    std::string none;
    EXPECT_EQ(parts[2].GetContentId(none), 0);  // a part without an id keeps having none

    // A sender address without a domain still gives the address form.
    std::vector<MimeFormatStruct> one{Picture("Content-ID: <05>\r\n")};
    const ContentIdRenames bare = RenameInlineContentIds(one, "", 1);
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_EQ(bare[0].second.substr(bare[0].second.size() - 10), "@localhost");
}

TEST(InlineContentIdsTest, EveryReferenceToARenamedIdFollowsIt) {
    const ContentIdRenames renames{{"00", "00.1@x.jp"}, {"01", "01.2@x.jp"}};
    struct Case {
        std::string html, expected;
    };
    const Case cases[] = {
        {"<img src=\"cid:00\">", "<img src=\"cid:00.1@x.jp\">"},
        {"<IMG SRC='CID:01'><img src=cid:00>", "<IMG SRC='CID:01.2@x.jp'><img src=cid:00.1@x.jp>"},
        {"<body background=\"cid:01\" style=\"background:url(cid:00)\">",
         "<body background=\"cid:01.2@x.jp\" style=\"background:url(cid:00.1@x.jp)\">"},
        // Other ids, longer ones included, and text that only contains "cid:" stay as they are.
        {"<img src=\"cid:001\"><img src=\"cid:02\"><a href=\"http://cid:00\">cid:00",
         "<img src=\"cid:001\"><img src=\"cid:02\"><a href=\"http://cid:00\">cid:00"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ReferToNewContentIds(c.html, renames), c.expected) << c.html;
    // A reference never starts inside a two-byte character: after the lead byte 0x83 the
    // 'c' is its trail byte (ャ is 0x83 0x83, a whole character).
    const std::string trick = std::string("=\x83") + "cid:00";
    EXPECT_EQ(ReferToNewContentIds(trick, renames), trick);
    const std::string kana = Utf8ToSjis("ャ");
    EXPECT_EQ(ReferToNewContentIds(kana + " cid:00", renames), kana + " cid:00.1@x.jp");
}

}  // namespace
