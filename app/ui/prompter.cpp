#include "app/ui/prompter.h"

#include <QMessageBox>
#include <QPushButton>

#include <vector>

#include "app/ui/gui_bridge.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace ui {
namespace {

QtPrompter& DefaultPrompter() {
    static QtPrompter prompter;
    return prompter;
}

Prompter* g_prompter = nullptr;

QMessageBox::Icon IconOf(unsigned style) {
    switch (style & 0xF0) {
    case platform::kMbIconError: return QMessageBox::Critical;
    case platform::kMbIconQuestion: return QMessageBox::Question;
    case platform::kMbIconWarning: return QMessageBox::Warning;
    case platform::kMbIconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

}  // namespace

Prompter& CurrentPrompter() { return g_prompter ? *g_prompter : DefaultPrompter(); }

Prompter* SetPrompter(Prompter* prompter) {
    Prompter* old = g_prompter;
    g_prompter = prompter;
    return old;
}

int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style) {
    return CallOnGuiThread([&] { return CurrentPrompter().Show(owner, text, caption, style); });
}

void InstallCoreNotifier() {
    platform::SetNotifier([](const std::string& text, const std::string& caption, unsigned style) {
        return MessageBox(nullptr, FromSjis(text), FromSjis(caption), style);
    });
}

int QtPrompter::Show(QWidget* owner, const QString& text, const QString& caption, unsigned style) {
    QMessageBox box(IconOf(style), caption, text, QMessageBox::NoButton, owner);
    // The answers in the order of the buttons, for the default-button bits.
    std::vector<std::pair<QPushButton*, int>> buttons;
    auto add = [&](const QString& label, QMessageBox::ButtonRole role, int answer) {
        buttons.emplace_back(box.addButton(label, role), answer);
    };
    switch (style & 0x0F) {
    case platform::kMbOkCancel:
        add(U8("OK"), QMessageBox::AcceptRole, platform::kIdOk);
        add(U8("キャンセル"), QMessageBox::RejectRole, platform::kIdCancel);
        break;
    case platform::kMbYesNoCancel:
        add(U8("はい(&Y)"), QMessageBox::YesRole, platform::kIdYes);
        add(U8("いいえ(&N)"), QMessageBox::NoRole, platform::kIdNo);
        add(U8("キャンセル"), QMessageBox::RejectRole, platform::kIdCancel);
        break;
    case platform::kMbYesNo:
        add(U8("はい(&Y)"), QMessageBox::YesRole, platform::kIdYes);
        add(U8("いいえ(&N)"), QMessageBox::NoRole, platform::kIdNo);
        break;
    default:
        add(U8("OK"), QMessageBox::AcceptRole, platform::kIdOk);
        break;
    }
    std::size_t def = (style & kMbDefButton3) ? 2 : (style & kMbDefButton2) ? 1 : 0;
    if (def < buttons.size()) box.setDefaultButton(buttons[def].first);
    // Escape answers Cancel where there is one, else No (a Yes/No box), else OK.
    box.setEscapeButton(buttons.back().first);
    box.exec();
    for (const auto& [button, answer] : buttons)
        if (box.clickedButton() == button) return answer;
    return buttons.back().second;
}

}  // namespace ui
