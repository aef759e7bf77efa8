#include "app/htmledit/eml_import.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <set>

#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/import_notices.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_input.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/cp932.h"
#include "core/mailstore/attach_writer.h"
#include "core/mailstore/mime_analyze.h"
#include "core/transport/mail_analyzer.h"
#include "platform/notifier.h"
#include "platform/private_files.h"

namespace htmledit {

namespace {

using ui::U8;

bool AskOkCancel(QWidget* owner, const QString& text) {
    return ui::MessageBox(owner, text, U8("確認"), platform::kMbOkCancel | platform::kMbIconQuestion) ==
           platform::kIdOk;
}

// The question before a text past its limit is cut there: `text` takes the limit in
// half-width characters (%1, %2), in full-width ones (%3) and the place of the cut (%4).
bool AskToCut(QWidget* owner, const char* text, std::size_t limit) {
    const auto n = static_cast<qulonglong>(limit);
    return AskOkCancel(owner, U8(text).arg(n).arg(n).arg(n / 2).arg(n));
}

const QString& FormatFault() {
    static const QString text =
        U8("このemlファイルの形式は正しくありません。\r\n確認の上、再度、Outlook Expressを利用して作り直してください。");
    return text;
}

const char* kUnsupportedHeader = "指定されたファイルにはVarnisでサポートしていないヘッダ情報が設定されています。";

bool HasContentLocationOnly(const MimeFormatStruct& part) {
    std::string value;
    return part.GetContentId(value) == 0 && part.GetContentLocation(value) != 0;
}

// Sets the part's Content-ID to " <id>", adding the header when the part has none.
void WriteContentId(MimeFormatStruct& part, const std::string& id) {
    if (part.SetContentId(" <" + id + ">") == 0) part.headerList.push_back({"Content-ID", " <" + id + ">"});
}

std::string NameOf(const MimeFormatStruct& part) {
    std::string name;
    part.GetNameParamFromContentType(name);
    return name;
}

// The attachment's file name: its Content-Disposition filename, else its Content-Type name.
std::string AttachmentNameOf(const MimeFormatStruct& part) {
    std::string name = part.GetMIMENormalAttachName();
    if (name.empty()) part.GetNameParamFromContentType(name);
    return name;
}

// Decodes an attachment by its transfer encoding, with the message of what failed.
bool DecodeAttachment(QWidget* owner, const MimeFormatStruct& part, const std::string& name, std::string& bytes) {
    std::string encoding;
    part.GetContentTransferEncoding(encoding);
    const QString shownName = ui::FromSjis(name);
    auto decodeFailed = [&](const char* encodingName) {
        ShowImportError(owner, U8("emlファイル内の添付ファイル「%1」の%2デコードに失敗しました。\r\n"
                       "確認の上、再度、Outlook Expressを利用して作り直してください。")
                        .arg(shownName, QString::fromLatin1(encodingName)));
        return false;
    };
    if (encoding == "base64") {
        if (part.GetBodyAfterBase64Decode(bytes) == 0) return decodeFailed("base64");
        return true;
    }
    if (encoding == "quoted-printable") {
        std::size_t size = 0;
        if (part.GetSizeAfterQuotedPrintableDecode(size) == 0) {
            ShowImportError(owner, U8("エラー"));
            return false;
        }
        if (part.GetBodyAfterQuotedPrintableDecode(bytes) == 0) return decodeFailed("quoted-printable");
        return true;
    }
    // No encoding is 7bit, as MIME has it; 7bit and 8bit bodies are the text as it stands.
    if (encoding.empty() || encoding == "7bit" || encoding == "8bit") {
        bytes = part.body;
        return true;
    }
    ShowImportError(owner, U8("emlファイル内の添付ファイル「%1」の%2ヘッダにVarnisでサポートしていない「%3」が指定されました。")
                    .arg(shownName, QStringLiteral("content-transfer-encoding"),
                         ui::FromSjis(TrimmedHeaderValue(part.transferEncodingValue))));
    return false;
}

// Steps of the inline images: checks, renumbering, names. False after a refusal.
bool PlanInlineImages(QWidget* owner, CMimeAnalyze& mail, const EmlImportLimits& limits, EmlImportPlan& plan,
                      std::vector<CidPair>& renames) {
    std::vector<MimeFormatStruct> parts;
    for (const MimeFormatStruct& part : mail.GetRefOfMimeHtmlAttach())
        if (!HasContentLocationOnly(part)) parts.push_back(part);
    if (parts.size() > limits.slotIds.size()) {
        const QString count = QString::number(limits.slotIds.size());
        ShowImportCaution(owner, U8("emlファイル内のインライン画像数が%1を超えているため、読み込みを中止します。\r\n"
                          "PC向けメールに設定可能なインライン画像の総数は%2までです。")
                           .arg(count, count));
        return false;
    }
    std::uint64_t total = 0;
    for (const MimeFormatStruct& part : parts) {
        std::string data;
        switch (CheckInlineImage(part, data)) {
            case InlineImageCheck::kNotBase64:
                ShowImportCaution(owner, U8("インライン画像のヘッダ情報\r\n\r\n　・%1\r\n\r\nにVarnisではサポートしていない形式「%2」が"
                                  "設定されているため、読み込みを中止します。\r\n\r\nVarnisではインライン画像の%3を「%4」のみ"
                                  "サポートしています。")
                                   .arg(QStringLiteral("content-transfer-encoding"),
                                        ui::FromSjis(TrimmedHeaderValue(part.transferEncodingValue)),
                                        QStringLiteral("content-transfer-encoding"), QStringLiteral("base64")));
                return false;
            case InlineImageCheck::kUndecodable:
                ShowImportError(owner, U8("インライン画像の%1デコードに失敗しました。\r\nemlファイルの読み込みを中止します。")
                                .arg(QStringLiteral("base64")));
                return false;
            case InlineImageCheck::kNotGifJpeg:
                ShowImportCaution(owner, U8("emlファイル内にgif、jpeg以外のインライン画像が設定されているため、読み込みを中止します。\r\n"
                                  "インライン画像にはgif、jpegのみ設定できます。"));
                return false;
            case InlineImageCheck::kGif:
            case InlineImageCheck::kJpeg: break;
        }
        total += data.size();
        if (total > limits.inlineBytes) {
            ShowImportCaution(owner, U8("emlファイル内のインライン画像の合計サイズが5Mバイトを超えているため、読み込みを中止します。\r\n"
                              "PC向けメールに設定可能なインライン画像の合計サイズは5Mバイトまでです。"));
            return false;
        }
    }
    bool unnamed = false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        MimeFormatStruct& part = parts[i];
        const std::string old = ContentIdOf(part);
        if (old.empty()) {
            ShowImportError(owner, U8("Content-IDを含まないインラインファイルのMIMEパートが存在します。"));
            return false;
        }
        if (part.SetContentId(" <" + limits.slotIds[i] + ">") == 0) {
            ShowImportError(owner, U8("Content-IDの変換に失敗しました。"));
            return false;
        }
        renames.push_back({"cid:" + old, "cid:" + limits.slotIds[i]});
        if (NameOf(part).empty()) {
            part.SetNameParamToContentType(UnnamedInlineImageName());
            unnamed = true;
        }
    }
    if (unnamed) {
        ui::MessageBox(owner,
                       U8("emlファイル内にファイル名が未設定のインライン画像が存在します。\r\n"
                          "ファイル名を一律「%1」として読み込みを続行します。")
                           .arg(ui::FromSjis(UnnamedInlineImageName())),
                       U8("インフォメーション"), platform::kMbOk | platform::kMbIconInformation);
    }
    plan.inlineParts = std::move(parts);
    return true;
}

// Step of the attachments: checks and decoding. False after a refusal.
bool PlanAttachments(QWidget* owner, CMimeAnalyze& mail, const EmlImportLimits& limits, EmlImportPlan& plan) {
    const std::vector<MimeFormatStruct>& parts = mail.GetRefOfMimeNormalAttach();
    if (parts.empty()) return true;
    std::vector<std::string> names;
    for (const MimeFormatStruct& part : parts) names.push_back(AttachmentNameOf(part));
    if (limits.attachmentsNotSent) {
        QStringList shown;
        for (const std::string& name : names) shown << ui::FromSjis(name);
        const QString question = U8("このemlファイルには添付ファイルが設定されていますが、\r\n"
                                    "添付ファイルを送信しない設定になっているため利用できません。\r\n\r\n"
                                    "emlファイル内の添付ファイルを破棄して読み込み処理を継続しますか？\r\n\r\n"
                                    "破棄される添付ファイル：\r\n　") +
                                 shown.join(U8("\r\n　"));
        if (ui::MessageBox(owner, question, U8("確認"),
                           platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2) != platform::kIdYes) {
            ui::MessageBox(owner,
                           U8("emlファイル内の添付ファイル読み込む場合は、メインメニューの\r\n\r\n"
                              "　[システム設定] → [メール作成] → [添付ファイル]\r\n\r\n"
                              "にて添付ファイル送信機能を有効にして下さい。"),
                           U8("インフォメーション"), platform::kMbOk | platform::kMbIconInformation);
            return false;
        }
        return true;
    }
    if (parts.size() > limits.attachmentCount) {
        ShowImportCaution(owner, U8("PC向けメールに添付可能なファイルの総数は%1までです。\r\n"
                          "emlファイル読み込みを行う前にemlファイルにある添付ファイルのリストから1つ以上ファイルを"
                          "削除する必要があります。")
                           .arg(limits.attachmentCount));
        return false;
    }
    if (std::set<std::string>(names.begin(), names.end()).size() != names.size()) {
        ShowImportCaution(owner, U8("emlファイルに同名の添付ファイルがあります。\r\n\r\n同じ名前のファイルを複数添付することはできません。\r\n"
                          "emlファイル読み込みを行う前にemlファイルにある同名の添付ファイルを削除する必要があります。"));
        return false;
    }
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::size_t size = 0;
        if (parts[i].GetSizeAfterDecode(size) == 0) {
            ShowImportError(owner, U8("emlファイル内の添付ファイル「%1」のサイズが取得できません。\r\nデコードに失敗した可能性があります。")
                            .arg(ui::FromSjis(names[i])));
            return false;
        }
        total += size;
    }
    if (total > limits.attachmentBytes) {
        ShowImportCaution(owner, U8("合計サイズが5Mバイトを超えるため、添付ファイルを追加できません。\r\n"
                          "PC向けメールでは合計5Mバイトまでの添付ファイルを設定可能です。"));
        return false;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        // A name from the file is never a path: it becomes a file of the work folder as it is.
        if (!AttachWriter::IsSafeAttachName(names[i])) {
            ShowImportError(owner, U8("emlファイル内の添付ファイル「%1」をVarnisに登録できませんでした。").arg(ui::FromSjis(names[i])));
            return false;
        }
        HtmlPageAttachments::NewAttachment file;
        file.name = names[i];
        if (!DecodeAttachment(owner, parts[i], names[i], file.bytes)) return false;
        plan.attachments.push_back(std::move(file));
    }
    return true;
}

}  // namespace

const std::string& UnnamedInlineImageName() {
    static const std::string name = Utf8ToSjis("ファイル名未設定");
    return name;
}

int ReadEmlFile(const std::string& path, std::string& out) {
    out.clear();
    std::FILE* file = platform::OpenNamedStream(path);
    if (file == nullptr) return 0;
    // The size of the open file, then at most that many bytes and one more to see growth.
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = ok && size >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok && static_cast<std::uint64_t>(size) > kMaxEmlFileBytes) {
        std::fclose(file);
        return -1;
    }
    if (ok) {
        out.resize(static_cast<std::size_t>(size));
        ok = std::fread(out.data(), 1, out.size(), file) == out.size() && std::fgetc(file) == EOF;
    }
    std::fclose(file);
    if (!ok) out.clear();
    return ok ? 1 : 0;
}

std::optional<EmlImportPlan> AnalyseEmlImport(QWidget* owner, const std::string& fileText,
                                              const EmlImportLimits& limits) {
    CMimeAnalyze mail;
    if (fileText.empty() || mail.AnalyzeMime(fileText) < 0) {
        ShowImportError(owner, FormatFault());
        return std::nullopt;
    }
    EmlImportPlan plan;

    MailAnalyzer analyzer;
    analyzer.MailAnalysis(fileText);
    QStringList lost;  // characters of the file's texts that Shift_JIS cannot hold
    plan.subject = analyzer.GetDecodeMailSubject();
    const ui::KeptInput subject = ui::KeepSjisCharacters(QString::fromStdString(analyzer.GetDecodeMailSubjectUtf8()));
    if (!subject.dropped.isEmpty()) {
        plan.subject = ui::ToSjis(subject.text);
        lost = subject.dropped;
    }
    if (plan.subject.size() > limits.subjectBytes) {
        if (!AskToCut(owner,
                      "emlファイル内の件名が半角%1文字を超えています。\r\n"
                      "PC向けメールの件名には半角%2文字(全角%3文字)まで設定可能です。\r\n\r\n"
                      "[OK]ボタンをクリックすると%4文字目までをコピーし、emlファイル読み込みを続行します。",
                      limits.subjectBytes))
            return std::nullopt;
        plan.subject = CutToMaximum(plan.subject, limits.subjectBytes);
    }

    MimeFormatStruct part;
    if (mail.TextPartExist() != 0) {
        mail.GetMIMETextpart(part);
        if (ConvertPartKeepingShiftJis(part, plan.text, lost) == 0) {
            ShowImportError(owner, U8(kUnsupportedHeader));
            return std::nullopt;
        }
        if (plan.text.size() > limits.textBytes) {
            if (!AskToCut(owner,
                          "emlファイル内のTEXTパートの文字数が半角%1文字を超えています。\r\n"
                          "PC向けHTMLメールのTEXTパートには半角%2文字(全角%3文字)まで設定可能です。\r\n\r\n"
                          "[OK]ボタンをクリックすると%4文字目までをコピーし、emlファイル読み込みを続行します。",
                          limits.textBytes))
                return std::nullopt;
            plan.text = CutToMaximum(plan.text, limits.textBytes);
        }
    }

    std::vector<CidPair> renames;
    if (!PlanInlineImages(owner, mail, limits, plan, renames)) return std::nullopt;

    if (mail.HtmlPartExist() != 0) {
        mail.GetMIMEHtmlpart(part);
        std::string html;
        if (ConvertPartKeepingShiftJis(part, html, lost) == 0) {
            ShowImportError(owner, U8(kUnsupportedHeader));
            return std::nullopt;
        }
        plan.html = RewriteCidReferences(html, renames);
        if (plan.html.size() > limits.htmlBytes) {
            const auto n = static_cast<qulonglong>(limits.htmlBytes);
            ui::MessageBox(owner,
                           U8("emlファイル内のHTMLパートの文字数が半角%1文字を超えているため、読み込みを中止します。\r\n"
                              "PC向けHTMLメールのHTMLパートには半角%2文字(全角%3文字)まで設定可能です。")
                               .arg(n)
                               .arg(n)
                               .arg(n / 2),
                           U8("エラー"), platform::kMbOk | platform::kMbIconWarning);
            return std::nullopt;
        }
    }

    if (!PlanAttachments(owner, mail, limits, plan)) return std::nullopt;
    ShowCharactersLeftOut(owner, lost);
    return plan;
}

NormalisedInlineParts NormaliseStoredInlineParts(const std::vector<MimeFormatStruct>& parts,
                                                 const std::vector<std::string>& slotIds, std::uint64_t maxBytes) {
    NormalisedInlineParts result;
    std::uint64_t total = 0;
    bool overTotal = false;
    std::size_t position = 0;
    for (const MimeFormatStruct& source : parts) {
        if (HasContentLocationOnly(source)) continue;
        const std::size_t at = position++;
        const std::string old = ContentIdOf(source);
        std::string data;
        bool keep = !overTotal && at < slotIds.size();
        if (keep) {
            const InlineImageCheck check = CheckInlineImage(source, data);
            keep = check == InlineImageCheck::kGif || check == InlineImageCheck::kJpeg;
            if (keep && total + data.size() > maxBytes) overTotal = true;
            keep = keep && !overTotal;
        }
        if (!keep) {
            result.dropped.push_back("<" + old + "> " + NameOf(source));
            continue;
        }
        total += data.size();
        MimeFormatStruct part = source;
        const std::string& id = slotIds[result.parts.size()];
        WriteContentId(part, id);
        if (!old.empty()) result.renames.push_back({"cid:" + old, "cid:" + id});
        if (NameOf(part).empty()) part.SetNameParamToContentType(UnnamedInlineImageName());
        result.parts.push_back(std::move(part));
    }
    return result;
}

}  // namespace htmledit
