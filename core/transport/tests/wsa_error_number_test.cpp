#include "core/transport/wsa_error_number.h"

#include "core/foundation/cp932.h"
#include "core/foundation/err_msg.h"
#include "platform/netssl/net_error.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

std::string TextOf(int code) {
    std::string text;
    CErrMsg::GetErrMsgFromDefined(code, text);
    return text;
}

// Whatever the socket layer reports (every errno it maps, and its own numbers for a time-out,
// an overlong line, an unknown host), the own clients record a number whose text says what
// happened: never the table's "no message for this code".
TEST(WsaErrorNumber, EverySocketFailureHasItsOwnText) {
    const std::string noMessage = TextOf(1);
    std::vector<int> reported = {10040, 10060, 10057, 11001, 11002};
    for (int e = 1; e < 200; ++e) reported.push_back(netssl::WinsockErrorFromErrno(e));
    for (int wsa : reported) {
        for (int kind : {kWsaCallConnect, kWsaCallSend, kWsaCallReceive, kWsaCallCreate}) {
            CErrMsg err;
            const int code = RecordWsaError(err, wsa, kind);
            EXPECT_EQ(err.GetLastCode(), code);
            EXPECT_NE(code, 1) << wsa;
            EXPECT_NE(err.GetLastMsg(), noMessage) << wsa;
            EXPECT_EQ(err.GetLastMsg().find('%'), std::string::npos) << wsa;  // every placeholder filled
        }
    }
}

// The failures a user meets most, each with its number and a text that names the cause.
TEST(WsaErrorNumber, CommonFailuresAndTheirTexts) {
    const struct {
        int wsa;
        int code;
        const char* start;  // UTF-8: how the text begins
    } cases[] = {
        {10061, 2307, "サーバーに接続を拒否されました."},
        {10060, 2320, "サーバーからの応答がないまま時間切れになりました."},
        {10053, 2326, "サーバーとの接続が途中で切れました."},
        {10054, 2327, "サーバーに接続をリセットされました."},
        {10040, 2328, "サーバーから長すぎる行が届いたため、接続を切りました."},
        {11001, 2329, "サーバー名が見つかりません."},
        {10065, 2330, "サーバーまでの経路がありません."},
        {10000 + EIO, 2399, "通信中に予期せぬエラーが発生しました(10005)."},
    };
    for (const auto& c : cases) {
        CErrMsg err;
        EXPECT_EQ(RecordWsaError(err, c.wsa, kWsaCallReceive), c.code) << c.wsa;
        EXPECT_EQ(err.GetLastMsg().rfind(SjisLiteral(c.start), 0), 0u) << c.wsa << " " << SjisToUtf8(err.GetLastMsg());
    }
    EXPECT_NE(TextOf(2320).find(SjisLiteral("タイムアウト時間")), std::string::npos);
}

}  // namespace
