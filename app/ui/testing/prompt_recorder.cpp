#include "app/ui/testing/prompt_recorder.h"

#include "platform/notifier.h"

namespace ui::test {

PromptRecorder::PromptRecorder() : previous_(SetPrompter(this)) {}

PromptRecorder::~PromptRecorder() { SetPrompter(previous_); }

int PromptRecorder::Show(QWidget*, const QString& text, const QString& caption, unsigned style) {
    prompts_.push_back({text, caption, style});
    if (!answers_.empty()) {
        int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    unsigned buttons = style & 0x0F;
    return (buttons == platform::kMbYesNo || buttons == platform::kMbYesNoCancel) ? platform::kIdYes
                                                                                   : platform::kIdOk;
}

QStringList PromptRecorder::texts() const {
    QStringList out;
    for (const auto& p : prompts_) out << p.text;
    return out;
}

QStringList PromptRecorder::captions() const {
    QStringList out;
    for (const auto& p : prompts_) out << p.caption;
    return out;
}

FilePickerRecorder::FilePickerRecorder() : previous_(SetFilePicker(this)) {}

FilePickerRecorder::~FilePickerRecorder() { SetFilePicker(previous_); }

std::optional<QString> FilePickerRecorder::Next() {
    if (answers_.empty()) return std::nullopt;
    // "No file" and a path apart: moving the optional whole makes GCC see a QString that
    // might be uninitialised.
    const bool chosen = answers_.front().has_value();
    QString path = chosen ? std::move(*answers_.front()) : QString();
    answers_.pop_front();
    if (!chosen) return std::nullopt;
    return path;
}

std::optional<QString> FilePickerRecorder::PickFile(QWidget*, const FileRequest& request) {
    picks_.push_back({false, request});
    return Next();
}

std::optional<QString> FilePickerRecorder::PickFolder(QWidget*, const QString& caption, const QString& startFolder) {
    FileRequest r;
    r.caption = caption;
    r.startFolder = startFolder;
    picks_.push_back({true, r});
    return Next();
}

}  // namespace ui::test
