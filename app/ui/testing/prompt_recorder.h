#pragma once
// Test doubles of the prompter and the file picker: they record what the program asked
// and answer from a queue the test fills, so no window ever waits for a person.

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"

namespace ui::test {

struct RecordedPrompt {
    QString text;
    QString caption;
    unsigned style = 0;
};

// Installs itself while it lives. An unqueued prompt is answered with the box's first
// button (OK or Yes).
class PromptRecorder : public Prompter {
public:
    PromptRecorder();
    ~PromptRecorder() override;
    PromptRecorder(const PromptRecorder&) = delete;
    PromptRecorder& operator=(const PromptRecorder&) = delete;

    int Show(QWidget* owner, const QString& text, const QString& caption, unsigned style) override;

    void Answer(int answer) { answers_.push_back(answer); }
    const std::vector<RecordedPrompt>& prompts() const { return prompts_; }
    QStringList texts() const;
    QStringList captions() const;
    void clear() { prompts_.clear(); }

private:
    Prompter* previous_ = nullptr;
    std::deque<int> answers_;
    std::vector<RecordedPrompt> prompts_;
};

struct RecordedPick {
    bool folder = false;
    FileRequest request;  // for a folder: caption and startFolder
};

// Installs itself while it lives; answers from its queue (nothing: cancelled).
class FilePickerRecorder : public FilePicker {
public:
    FilePickerRecorder();
    ~FilePickerRecorder() override;
    FilePickerRecorder(const FilePickerRecorder&) = delete;
    FilePickerRecorder& operator=(const FilePickerRecorder&) = delete;

    std::optional<QString> PickFile(QWidget* owner, const FileRequest& request) override;
    std::optional<QString> PickFolder(QWidget* owner, const QString& caption, const QString& startFolder) override;

    void Answer(std::optional<QString> path) { answers_.push_back(std::move(path)); }
    const std::vector<RecordedPick>& picks() const { return picks_; }

private:
    std::optional<QString> Next();
    FilePicker* previous_ = nullptr;
    std::deque<std::optional<QString>> answers_;
    std::vector<RecordedPick> picks_;
};

}  // namespace ui::test
