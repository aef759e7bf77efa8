#include "app/htmledit/map_url_lookup_query.h"

#include <cstdio>

#include "app/mailtext/text_utils.h"

namespace htmledit {
namespace {

// JIS X 0401 order.
constexpr const char* kPrefectures[kPrefectureCount] = {
    "北海道", "青森県", "岩手県", "宮城県", "秋田県", "山形県", "福島県", "茨城県", "栃木県", "群馬県",
    "埼玉県", "千葉県", "東京都", "神奈川県", "新潟県", "富山県", "石川県", "福井県", "山梨県", "長野県",
    "岐阜県", "静岡県", "愛知県", "三重県", "滋賀県", "京都府", "大阪府", "兵庫県", "奈良県", "和歌山県",
    "鳥取県", "島根県", "岡山県", "広島県", "山口県", "徳島県", "香川県", "愛媛県", "高知県", "福岡県",
    "佐賀県", "長崎県", "熊本県", "大分県", "宮崎県", "鹿児島県", "沖縄県",
};

constexpr const char* kScales[kMapScaleCount] = {"1/6250", "1/3125"};

bool ValidPrefecture(int index) { return index >= 0 && index < kPrefectureCount; }

}  // namespace

const char* PrefectureName(int index) { return ValidPrefecture(index) ? kPrefectures[index] : nullptr; }

const char* MapScaleText(int index) { return index >= 0 && index < kMapScaleCount ? kScales[index] : nullptr; }

bool IsEmptySearch(const MapSearchInput& input) { return input.address.empty() && !ValidPrefecture(input.prefecture); }

std::string BuildMapSearchUrl(const std::string& searchService, const MapSearchInput& input) {
    std::string utf8;
    if (!input.address.empty()) {
        compose::ConvertToUtf8(input.address, utf8);
    } else if (ValidPrefecture(input.prefecture)) {
        utf8 = kPrefectures[input.prefecture];
    }
    // The converter's output is well-formed UTF-8, which the encoder always takes.
    std::string keyword;
    compose::UrlEncode(utf8, keyword);
    std::string url = searchService + "/json_keywordsrch.cgi?SRCHKIND=SRCH_ADR&COUNT=" +
                      std::to_string(kMaxMapCandidates) + "&PARAM=" + keyword;
    if (ValidPrefecture(input.prefecture)) {
        char code[16];
        std::snprintf(code, sizeof code, "%02d", input.prefecture + 1);
        url += "&PRFCD=";
        url += code;
    }
    return url;
}

}  // namespace htmledit
