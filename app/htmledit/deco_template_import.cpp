#include "app/htmledit/deco_template_import.h"

#include <QString>

#include "app/mailtext/file_utils.h"
#include "app/htmledit/eml_import.h"
#include "app/htmledit/import_notices.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/mailstore/mime_analyze.h"
#include "platform/notifier.h"

namespace htmledit {

namespace {

using ui::U8;

}  // namespace

int ReadTemplateFile(const std::string& path, std::string& out) {
    out.clear();
    std::uint64_t size = 0;
    if (compose::GetFileSizeByName(path, size) != 1) return 0;
    if (size > kMaxTemplateFileBytes) return -1;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    // Read at the size just taken: a file that grew or shrank since is refused.
    if (compose::ReadWholeFile(path, bytes.data(), bytes.size()) != 1) return 0;
    out = std::move(bytes);
    return 1;
}

void ShowTemplateFormatFault(QWidget* owner) {
    ShowImportError(owner, U8("このデコメールテンプレートファイルの形式は正しくありません。\r\n確認の上、再度作り直してください。"));
}

std::string_view TemplateMessageText(std::string_view fileBytes) {
    if (fileBytes.size() <= kTemplateLeadBytes) return {};
    std::string_view text = fileBytes.substr(kTemplateLeadBytes);
    const std::size_t end = text.find('\0');
    return end == std::string_view::npos ? text : text.substr(0, end);
}

int CheckTemplateInlineImages(QWidget* owner, const std::vector<MimeFormatStruct>& parts, std::size_t slotCount,
                              std::uint64_t maxBytes) {
    if (parts.size() > slotCount) {
        const QString count = QString::number(slotCount);
        ShowImportCaution(owner, U8("デコメールテンプレートファイル内のインライン画像数が%1を超えているため、読み込みを中止します。\r\n"
                          "NTT DoCoMo向けメールに設定可能なインライン画像の総数は%2までです。")
                           .arg(count, count));
        return 0;
    }
    std::uint64_t total = 0;
    for (const MimeFormatStruct& part : parts) {
        std::string value;
        if (part.GetContentId(value) == 0) {
            ShowImportError(owner, part.GetContentLocation(value) != 0
                            ? U8("デコメールテンプレートファイルに不正なMIMEパートが存在します。")
                            : U8("デコメールテンプレートファイルにContent-IDが存在しないインライン画像が存在します。"));
            return 0;
        }
        if (part.ContentTransferEncodingIs("base64") == 0) {
            ShowImportCaution(owner, U8("インライン画像のヘッダ情報\r\n\r\n　・%1\r\n\r\nにVarnisではサポートしていない形式「%2」が"
                              "設定されているため、読み込みを中止します。\r\n\r\nVarnisではインライン画像の%3を「%4」のみ"
                              "サポートしています。")
                               .arg(QStringLiteral("content-transfer-encoding"),
                                    ui::FromSjis(TrimmedHeaderValue(part.transferEncodingValue)),
                                    QStringLiteral("content-transfer-encoding"), QStringLiteral("base64")));
            return 0;
        }
        std::size_t size = 0;
        if (part.GetSizeAfterBase64Decode(size) == 0) {
            ShowImportError(owner, U8("インライン画像の%1デコードに失敗しました。\r\nデコメールテンプレートファイルの読み込みを中止します。")
                            .arg(QStringLiteral("base64")));
            return 0;
        }
        std::string data;
        const InlineImageCheck check = CheckInlineImage(part, data);
        if (check != InlineImageCheck::kGif && check != InlineImageCheck::kJpeg) {
            ShowImportCaution(owner, U8("デコメールテンプレートファイル内にgif、jpeg以外のインライン画像が設定されているため、"
                              "読み込みを中止します。\r\nインライン画像にはgif、jpegのみ設定できます。"));
            return 0;
        }
        total += data.size();
        if (total > maxBytes) {
            ShowImportCaution(owner, U8("デコメールテンプレートファイル内のインライン画像の合計サイズが90Kバイトを超えているため、"
                              "読み込みを中止します。\r\nNTT DoCoMo向けメールに設定可能なインライン画像の合計サイズは"
                              "90Kバイトまでです。"));
            return 0;
        }
    }
    return 1;
}

int RenumberTemplateContentIds(QWidget* owner, std::vector<MimeFormatStruct>& parts,
                               const std::vector<std::string>& slotIds, std::vector<CidPair>& pairs) {
    pairs.clear();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string old = ContentIdOf(parts[i]);
        if (old.empty()) {
            ShowImportError(owner, U8("Content-IDを含まないインラインファイルのMIMEパートが存在します。"));
            return 0;
        }
        if (i >= slotIds.size() || parts[i].SetContentId(" <" + slotIds[i] + ">") == 0) {
            ShowImportError(owner, U8("Content-IDの変換に失敗しました。"));
            return 0;
        }
        pairs.push_back({"cid:" + old, "cid:" + slotIds[i]});
    }
    return 1;
}

int NameUnnamedInlineParts(QWidget* owner, std::vector<MimeFormatStruct>& parts) {
    bool named = false;
    for (MimeFormatStruct& part : parts) {
        std::string name;
        if (part.GetNameParamFromContentType(name) != 0 && !name.empty()) continue;
        part.SetNameParamToContentType(UnnamedInlineImageName());
        named = true;
    }
    if (named) {
        ui::MessageBox(owner,
                       U8("デコメールテンプレートファイル内にファイル名が未設定のインライン画像が存在します。\r\n"
                          "ファイル名を一律「%1」として読み込みを続行します。")
                           .arg(ui::FromSjis(UnnamedInlineImageName())),
                       U8("インフォメーション"), platform::kMbOk | platform::kMbIconInformation);
    }
    return 1;
}

int ReplaceCidReferences(std::string& html, const std::vector<CidPair>& pairs) {
    html = RewriteCidReferences(html, pairs);
    return 1;
}

std::optional<DecoTemplatePlan> AnalyseDecoTemplate(QWidget* owner, std::string_view fileBytes,
                                                    const DecoTemplateLimits& limits) {
    const std::string_view messageText = TemplateMessageText(fileBytes);
    CMimeAnalyze mail;
    if (messageText.empty() || fileBytes.size() > kMaxTemplateFileBytes ||
        mail.AnalyzeMime(std::string(messageText)) < 0) {
        ShowTemplateFormatFault(owner);
        return std::nullopt;
    }
    if (mail.TextPartExist() != 0) {
        ShowImportError(owner, U8("デコメールテンプレートファイルにTEXTパートが存在しています。"));
        return std::nullopt;
    }
    if (mail.CountMIMENormalAttach() > 0) {
        ShowImportError(owner, U8("デコメールテンプレートファイルに添付ファイルが設定されています。"));
        return std::nullopt;
    }
    DecoTemplatePlan plan;
    plan.inlineParts = mail.GetRefOfMimeHtmlAttach();
    if (CheckTemplateInlineImages(owner, plan.inlineParts, limits.slotIds.size(), limits.inlineBytes) == 0)
        return std::nullopt;
    std::vector<CidPair> pairs;
    if (RenumberTemplateContentIds(owner, plan.inlineParts, limits.slotIds, pairs) == 0) return std::nullopt;
    NameUnnamedInlineParts(owner, plan.inlineParts);
    if (mail.HtmlPartExist() == 0) {
        ShowImportError(owner, U8("このデコメールテンプレートファイルにHTMLパートはありません。\r\n確認の上、再度作り直してください。"));
        return std::nullopt;
    }
    MimeFormatStruct htmlPart;
    mail.GetMIMEHtmlpart(htmlPart);
    QStringList lost;
    if (ConvertPartKeepingShiftJis(htmlPart, plan.html, lost) == 0) {
        ShowImportError(owner, U8("指定されたファイルにはVarnisでサポートしていないヘッダ情報が設定されています。"));
        return std::nullopt;
    }
    ReplaceCidReferences(plan.html, pairs);
    if (plan.html.size() > limits.htmlBytes) {
        const auto n = static_cast<qulonglong>(limits.htmlBytes);
        ui::MessageBox(owner,
                       U8("デコメールテンプレートファイル内のHTMLパートの文字数が半角%1文字を超えているため、読み込みを中止します。\r\n"
                          "NTT DoCoMo向けHTMLメールのHTMLパートには半角%2文字(全角%3文字)まで設定可能です。")
                           .arg(n)
                           .arg(n)
                           .arg(n / 2),
                       U8("エラー"), platform::kMbOk | platform::kMbIconWarning);
        return std::nullopt;
    }
    ShowCharactersLeftOut(owner, lost);
    return plan;
}

}  // namespace htmledit
