#pragma once
// The message boxes of a phase: each is written to the log and answered as the user of
// the test answers it - by a rule for its caption, else with the box's first button.

#include <QString>

#include <utility>
#include <vector>

#include "app/ui/testing/prompt_recorder.h"

namespace e2e {

class UserPrompts : public ui::test::PromptRecorder {
public:
    int Show(QWidget* owner, const QString& text, const QString& caption, unsigned style) override;
    // Boxes whose caption contains `caption` are answered `answer` (the latest rule first).
    void AnswerCaption(const QString& caption, int answer) { rules_.emplace_back(caption, answer); }
    // How many boxes had a caption containing `caption`.
    int Count(const QString& caption) const;

private:
    std::vector<std::pair<QString, int>> rules_;
};

}  // namespace e2e
