#include "app/settings/option_controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QWidget>

#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace settings {
namespace {

bool InCopy(const OptionCopy* options, int slot) {
    return options != nullptr && slot >= 0 && static_cast<std::size_t>(slot) < options->size();
}

}  // namespace

QString SlotText(const OptionCopy* options, int slot) {
    return InCopy(options, slot) ? ui::FromSjis((*options)[static_cast<std::size_t>(slot)]) : QString();
}

void SetSlot(OptionCopy* options, int slot, const QString& text) { SetSlotBytes(options, slot, ui::ToSjis(text)); }

void SetSlotBytes(OptionCopy* options, int slot, const std::string& bytes) {
    if (InCopy(options, slot)) (*options)[static_cast<std::size_t>(slot)] = bytes;
}

void LoadCheck(const OptionCopy* options, int slot, QAbstractButton* box) {
    box->setChecked(InCopy(options, slot) && (*options)[static_cast<std::size_t>(slot)] == "Y");
}

void StoreCheck(OptionCopy* options, int slot, const QAbstractButton* box) {
    SetSlotBytes(options, slot, box->isChecked() ? "Y" : "N");
}

void LoadRadios(const OptionCopy* options, int slot, std::initializer_list<RadioChoice> choices) {
    const std::string value = InCopy(options, slot) ? (*options)[static_cast<std::size_t>(slot)] : std::string();
    for (const RadioChoice& c : choices) {
        // An exclusive radio cannot be unchecked by itself.
        c.button->setAutoExclusive(false);
        c.button->setChecked(InCopy(options, slot) && value == c.value);
        c.button->setAutoExclusive(true);
    }
}

void StoreRadios(OptionCopy* options, int slot, std::initializer_list<RadioChoice> choices) {
    for (const RadioChoice& c : choices)
        if (c.button->isChecked()) SetSlotBytes(options, slot, c.value);
}

long long LeadingNumber(const QString& text) {
    constexpr long long kLimit = 999'999'999'999LL;
    qsizetype i = 0;
    auto blank = [](QChar c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); };
    while (i < text.size() && blank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > kLimit) value = kLimit;
    }
    return negative ? -value : value;
}

int SelectFirstStartingWith(QComboBox* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).startsWith(text, Qt::CaseInsensitive)) {
            list->setCurrentIndex(i);
            return i;
        }
    }
    return -1;
}

void FillValueList(QComboBox* list, const std::vector<const char*>& shown, const std::vector<const char*>& values) {
    for (std::size_t i = 0; i < shown.size() && i < values.size(); ++i)
        list->addItem(ui::U8(shown[i]), ui::U8(values[i]));
}

void SelectValue(QComboBox* list, const QString& value, const QString& fallback) {
    int index = list->findData(value);
    if (index < 0) index = list->findData(fallback);
    list->setCurrentIndex(index);
}

QString SelectedValue(const QComboBox* list) {
    return list->currentIndex() < 0 ? QString() : list->currentData().toString();
}

QLineEdit* MakeDigitsEdit(QWidget* parent, int id, int maxDigits) {
    auto* edit = ui::SetControlId(new QLineEdit(parent), id);
    // A validator, not a maximum length: the latter would cut a longer loaded text.
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(maxDigits)), edit));
    edit->setMaximumWidth(60);
    return edit;
}

void FocusControl(QWidget* root, int id) {
    QWidget* w = ui::FindControl<QWidget>(root, id);
    if (w == nullptr) return;
    w->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->selectAll();
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(w)) {
        text->selectAll();
        text->ensureCursorVisible();
    }
}

}  // namespace settings
