#include "app/addressui/kept_text.h"

#include <QLineEdit>

#include "app/ui/sjis_text.h"

namespace addressui {

std::string KeptText::Result(const QString& now) const { return now == shown_ ? bytes_ : ui::ToSjis(now); }

void LoadEdit(QLineEdit* edit, const std::string& bytes, KeptText& kept) {
    edit->setText(ui::FromSjis(bytes));
    edit->setCursorPosition(0);
    kept.Remember(bytes, edit->text());
}

std::string StoreEdit(const QLineEdit* edit, const KeptText& kept) { return kept.Result(edit->text()); }

}  // namespace addressui
