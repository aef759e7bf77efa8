#include "core/transport/wsa_error_number.h"

#include "core/foundation/err_msg.h"

int WsaErrorNumber(int wsaError, int kind) {
    switch (wsaError) {
    case 10013: return 2322;
    case 10014: return kind == kWsaCallConnect ? 2309 : 2310;
    case 10022: return kind == kWsaCallConnect ? 2311 : kind == kWsaCallCreate ? 2312 : 2313;
    case 10024: return 2315;
    case 10035: return 2321;
    case 10036: return 2304;
    case 10038: return 2319;
    case 10039: return 2308;
    case 10040: return 2328;
    case 10047: return 2306;
    case 10048: return 2303;
    case 10049: return 2305;
    case 10050: return 2302;
    case 10051: return 2316;
    case 10052: return 2323;
    case 10053: return 2326;
    case 10054: return 2327;
    case 10055: return kind == kWsaCallConnect ? 2317 : 2318;
    case 10056: return 2314;
    case 10057: return 2324;
    case 10058: return 2325;
    case 10060: return 2320;
    case 10061: return 2307;
    case 10064: return 2330;
    case 10065: return 2330;
    case 10093: return 2301;
    case 11001: return 2329;
    case 11002: return 2329;
    default: return 2399;
    }
}

int RecordWsaError(CErrMsg& err, int wsaError, int kind) {
    const int code = WsaErrorNumber(wsaError, kind);
    err.SetErr(code, wsaError);
    return code;
}
