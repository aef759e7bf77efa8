#include "app/addressui/record_checks.h"

#include <algorithm>

#include "app/addressui/record_control_ids.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/validation.h"

namespace addressui {
namespace {

constexpr const char* kNamesCaption = "基本属性(名前等)入力エラー";
constexpr const char* kAddressCaption = "基本属性(住所等)入力エラー";
constexpr const char* kPhoneCharacters = "0123456789-+";

InputProblem Problem(int control, const char* text, const char* caption) { return {control, text, caption}; }

}  // namespace

InputProblem CheckBasicFields(const BasicFieldTexts& f) {
    if (!f.mailAddress.empty() && MailAddressChecker(f.mailAddress) == 0)
        return Problem(ids::kMailAddress, "メールアドレスの形式が正しくありません", kNamesCaption);
    if (!f.postalCode.empty()) {
        if (CheckSpecialStringData(f.postalCode, "0123456789-") == 0)
            return Problem(ids::kPostalCode, "郵便番号は半角数字[0～9]と[-]で入力してください", kAddressCaption);
        const auto digits = f.postalCode.size() - static_cast<std::size_t>(std::count(
                                                        f.postalCode.begin(), f.postalCode.end(), '-'));
        if (digits > 7)
            return Problem(ids::kPostalCode, "郵便番号の桁数が正しくありません\n確認してください", kAddressCaption);
    }
    if (!f.phone.empty() && CheckSpecialStringData(f.phone, kPhoneCharacters) == 0)
        return Problem(ids::kPhone, "電話番号は半角数字[0～9]と[-+]で入力してください。", kAddressCaption);
    if (!f.fax.empty() && CheckSpecialStringData(f.fax, kPhoneCharacters) == 0)
        return Problem(ids::kFax, "FAX番号は半角数字[0～9]と[-+]で入力してください。", kAddressCaption);
    if (!f.mobile.empty() && CheckSpecialStringData(f.mobile, kPhoneCharacters) == 0)
        return Problem(ids::kMobile, "携帯番号は半角数字[0～9]と[-+]で入力してください。", kAddressCaption);
    return {};
}

AttributeVerdict CheckAttributeValue(int dataType, std::string_view text, std::string& accepted) {
    switch (dataType) {
        case 1:
            if (CheckNumberData(text) == 0) return AttributeVerdict::kNotNumber;
            accepted = std::string(text);
            return AttributeVerdict::kAccepted;
        case 2: {
            std::string normalised;
            // Parts given -> characters of "YYYY/MM/DD hh:mm:ss" kept.
            static constexpr std::size_t kKept[7] = {0, 0, 0, 10, 13, 16, 19};
            const int parts = ReFormat_DateData(text, normalised, 0);
            if (parts < 3 || parts > 6) return AttributeVerdict::kNotDate;
            accepted = normalised.substr(0, kKept[parts]);
            return AttributeVerdict::kAccepted;
        }
        default:
            accepted = std::string(text);
            return AttributeVerdict::kAccepted;
    }
}

const char* AttributeProblemText(AttributeVerdict verdict) {
    switch (verdict) {
        case AttributeVerdict::kNotNumber:
            return "は数値型として正しくありません\n\n数値型の条件\n・最大9桁\n・0から9と+-のみ";
        case AttributeVerdict::kNotDate:
            return "は日付型として正しくありません\n\n日付型の条件\n・年/月/日が設定されている\n(ただし、時:分:秒は任意入力です)";
        case AttributeVerdict::kAccepted:
            break;
    }
    return "";
}

}  // namespace addressui
