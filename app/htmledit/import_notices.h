#pragma once
// The message boxes of the file imports into an HTML mail page (the .eml import,
// eml_import.h, and the decorated-mail template import, deco_template_import.h): an error
// that ends the import and a caution about what the import leaves out or refuses, both with
// one OK button, through ui::MessageBox so tests answer them. Header values the messages
// quote are shown trimmed.

#include <QString>

#include <string>
#include <string_view>

class QWidget;

namespace htmledit {

// "エラー", an error icon.
void ShowImportError(QWidget* owner, const QString& text);
// "注意", a warning icon.
void ShowImportCaution(QWidget* owner, const QString& text);
// `value` without blanks, tabs, CRs and LFs at either end.
std::string TrimmedHeaderValue(std::string_view value);

}  // namespace htmledit
