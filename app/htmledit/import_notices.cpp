#include "app/htmledit/import_notices.h"

#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace htmledit {

void ShowImportError(QWidget* owner, const QString& text) {
    ui::MessageBox(owner, text, ui::U8("エラー"), platform::kMbOk | platform::kMbIconError);
}

void ShowImportCaution(QWidget* owner, const QString& text) {
    ui::MessageBox(owner, text, ui::U8("注意"), platform::kMbOk | platform::kMbIconWarning);
}

std::string TrimmedHeaderValue(std::string_view value) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!value.empty() && blank(value.front())) value.remove_prefix(1);
    while (!value.empty() && blank(value.back())) value.remove_suffix(1);
    return std::string(value);
}

}  // namespace htmledit
