#include "app/e2e/user_prompts.h"

#include "app/e2e/driver.h"

namespace e2e {

int UserPrompts::Show(QWidget* owner, const QString& text, const QString& caption, unsigned style) {
    for (auto it = rules_.rbegin(); it != rules_.rend(); ++it) {
        if (caption.contains(it->first)) {
            Answer(it->second);
            break;
        }
    }
    const int answer = PromptRecorder::Show(owner, text, caption, style);
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
    Log("message [" + caption.toStdString() + "] " + shown.left(300).toStdString() + " -> " + std::to_string(answer));
    return answer;
}

int UserPrompts::Count(const QString& caption) const {
    int n = 0;
    for (const auto& p : prompts())
        if (p.caption.contains(caption)) ++n;
    return n;
}

}  // namespace e2e
