#include "app/ui/prompter.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include <mutex>
#include <set>
#include <vector>

#include "app/ui/gui_bridge.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"
#include "platform/private_files.h"

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
    // A file refused in place of one of the program's own (a link, a FIFO, another user's
    // file) is told once per file, unless the step that met it tells it in its own box. The
    // message waits for the GUI thread's loop: the thread that met the file may hold a
    // store's lock that the GUI thread needs, so it never waits for the answer.
    platform::SetRefusalReporter([](const platform::RefusedFile& refused) {
        static std::mutex mutex;
        static std::set<std::string> told;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (!told.insert(refused.path).second) return;
        }
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr) return;
        QMetaObject::invokeMethod(
            app, [refused] { TellRefusals({refused}); }, Qt::QueuedConnection);
    });
}

QString RefusalText(const std::vector<platform::RefusedFile>& refused) {
    QString text;
    for (const platform::RefusedFile& r : refused) {
        if (!text.isEmpty()) text += U8("\r\n");
        text += FromPath(r.path) + U8("\r\n") + QString::fromUtf8(r.Reason());
    }
    return text;
}

void TellRefusals(const std::vector<platform::RefusedFile>& refused, QWidget* owner) {
    if (refused.empty()) return;
    MessageBox(owner, RefusalText(refused), U8("ファイル異常"), platform::kMbOk | platform::kMbIconWarning);
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
