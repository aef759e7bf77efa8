#pragma once
// The message boxes of the file imports into an HTML mail page (the .eml import,
// eml_import.h, and the decorated-mail template import, deco_template_import.h): an error
// that ends the import and a caution about what the import leaves out or refuses, both with
// one OK button, through ui::MessageBox so tests answer them. Header values the messages
// quote are shown trimmed. A file's text may hold characters Shift_JIS cannot: the import
// names them (ShowCharactersLeftOut), as an edit does for typed or pasted text.

#include <QString>
#include <QStringList>

#include <string>
#include <string_view>

class QWidget;
class MimeFormatStruct;

namespace htmledit {

// "エラー", an error icon.
void ShowImportError(QWidget* owner, const QString& text);
// "注意", a warning icon.
void ShowImportCaution(QWidget* owner, const QString& text);
// The text of `part` in Shift_JIS, as MimeFormatStruct::ConvertBodyToCp932String gives it
// (1, or 0 when the part cannot be read), but that the characters Shift_JIS cannot hold
// are left out - not made blanks - and named in `lost` (each once, added to what it holds),
// as an edit leaves them out of typed or pasted text. Of the charsets the program reads
// only UTF-8 holds such characters.
int ConvertPartKeepingShiftJis(const MimeFormatStruct& part, std::string& out, QStringList& lost);
// The caution that names `dropped` (nothing when it is empty).
void ShowCharactersLeftOut(QWidget* owner, const QStringList& dropped);
// `value` without blanks, tabs, CRs and LFs at either end.
std::string TrimmedHeaderValue(std::string_view value);

}  // namespace htmledit
