#include "platform/netssl/net_codec.h"
#include "platform/netssl/net_error.h"
#include "platform/netssl/smtps.h"

#include <gtest/gtest.h>

#include <cerrno>

// The tests name the network layer's calls unqualified. The directive stays in this file's
// namespace, so that it reaches no file a unity build puts after this one.
namespace net_codec_test {
using namespace netssl;

TEST(NetCodec, CramMd5DigestOfRfc2195) {
    EXPECT_EQ(HmacMd5Hex("tanstaaftanstaaf", "<1896.697170952@postoffice.reston.mci.net>"),
              "b913a602c7eda7a495b4e6e7334d3890");
}

TEST(NetCodec, Base64RoundTripAndRejects) {
    const std::string bytes("\0user\0p\xff", 8);
    EXPECT_EQ(Base64Decode(Base64Encode(bytes)), bytes);
    EXPECT_EQ(Base64Encode("ab"), "YWI=");
    EXPECT_EQ(Base64Decode("YW\r\nI="), "ab");
    EXPECT_FALSE(Base64Decode("YWI"));
    EXPECT_FALSE(Base64Decode("Y!I="));
}

TEST(NetError, ErrnoMapsToTheWinsockNumbersCallersMatch) {
    EXPECT_EQ(WinsockErrorFromErrno(ECONNABORTED), 10053);
    EXPECT_EQ(WinsockErrorFromErrno(EPIPE), 10053);
    EXPECT_EQ(WinsockErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(WinsockErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(WinsockErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(WinsockErrorFromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(WinsockErrorFromErrno(ENETUNREACH), 10051);
    EXPECT_GE(WinsockErrorFromErrno(EBADMSG), 10000);  // never success nor a component code
}

TEST(ParseAddressList, TakesTheBareAddresses) {
    const struct {
        const char* value;
        std::vector<std::string> expected;
    } cases[] = {
        {"a@example.jp", {"a@example.jp"}},
        {"\"Sato, Ichiro\" <ichiro@example.jp>", {"ichiro@example.jp"}},
        {"=?ISO-2022-JP?B?GyRCOjRGIxsoQg==?= <x@example.jp>, y@example.jp (Yamada, Jun)",
         {"x@example.jp", "y@example.jp"}},
        {"\"a\\\"<b>\" <c@example.jp>", {"c@example.jp"}},
        {" , ", {}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseAddressList(c.value), c.expected) << c.value;
}

}  // namespace net_codec_test
