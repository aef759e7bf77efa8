#include "app/htmledit/import_notices.h"

#include "app/ui/prompter.h"
#include "app/ui/sjis_input.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/kcode.h"
#include "core/mailstore/mime_format_struct.h"
#include "platform/notifier.h"

namespace htmledit {

void ShowImportError(QWidget* owner, const QString& text) {
    ui::MessageBox(owner, text, ui::U8("エラー"), platform::kMbOk | platform::kMbIconError);
}

void ShowImportCaution(QWidget* owner, const QString& text) {
    ui::MessageBox(owner, text, ui::U8("注意"), platform::kMbOk | platform::kMbIconWarning);
}

int ConvertPartKeepingShiftJis(const MimeFormatStruct& part, std::string& out, QStringList& lost) {
    if (part.CharsetIs("utf-8") == 0) return part.ConvertBodyToCp932String(out);
    std::string bytes;
    std::string encoding;
    part.GetContentTransferEncoding(encoding);
    if (encoding == "base64") {
        if (part.GetBodyAfterBase64Decode(bytes) == 0) return 0;
        if (const std::size_t nul = bytes.find('\0'); nul != std::string::npos) bytes.resize(nul);
    } else if (encoding == "quoted-printable") {
        if (part.GetBodyAfterQuotedPrintableDecode(bytes) == 0) return 0;
    } else if (encoding.empty() || encoding == "7bit" || encoding == "8bit" || encoding == "binary") {
        bytes = part.body;
    } else {
        return 0;
    }
    const ui::KeptInput kept = ui::KeepSjisCharacters(QString::fromUtf8(bytes));
    for (const QString& c : kept.dropped)
        if (!lost.contains(c)) lost << c;
    out = KCodeC::utf8tosj(kept.dropped.isEmpty() ? bytes : kept.text.toUtf8().toStdString());
    return 1;
}

void ShowCharactersLeftOut(QWidget* owner, const QStringList& dropped) {
    if (!dropped.isEmpty()) ShowImportCaution(owner, ui::DroppedCharactersMessage(dropped));
}

std::string TrimmedHeaderValue(std::string_view value) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!value.empty() && blank(value.front())) value.remove_prefix(1);
    while (!value.empty() && blank(value.back())) value.remove_suffix(1);
    return std::string(value);
}

}  // namespace htmledit
