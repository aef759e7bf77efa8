#pragma once
// Every message box and question of the program goes through the current Prompter, so
// that tests answer them and the texts stay the program's own. The program installs the
// Qt prompter; a test installs a PromptRecorder (testing/prompt_recorder.h).
//
// Styles and answers are the values the callers compare against (platform/notifier.h):
// buttons in the low four bits, the icon in the next four, the default button in 0x300.
// The core's own notices (platform::Notify, Shift_JIS texts) reach the same prompter once
// InstallCoreNotifier has run, from whatever thread the core runs on.

#include <QString>

#include <vector>

#include "platform/file_refusal.h"
#include "platform/notifier.h"

class QWidget;

namespace ui {

enum : unsigned { kMbDefButton2 = 0x100, kMbDefButton3 = 0x200 };
// The plain notices: an OK button under the information or the warning icon.
inline constexpr unsigned kInformation = platform::kMbOk | platform::kMbIconInformation;
inline constexpr unsigned kExclamation = platform::kMbOk | platform::kMbIconWarning;

class Prompter {
public:
    virtual ~Prompter() = default;
    // Shows the message modally (owner may be null) and returns the answer: kIdOk,
    // kIdCancel, kIdYes or kIdNo. Called on the GUI thread only.
    virtual int Show(QWidget* owner, const QString& text, const QString& caption, unsigned style) = 0;
};

// The prompter in use (the Qt one unless another was installed).
Prompter& CurrentPrompter();
// Installs `prompter` (null: the Qt one again); returns the one it replaces. The caller
// keeps ownership.
Prompter* SetPrompter(Prompter* prompter);

// Shows a message through the current prompter. From a worker thread the call is carried
// to the GUI thread and the worker waits for the answer.
int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style);

// Routes platform::Notify (the core's messages) to MessageBox, converting from Shift_JIS,
// and the files refused in place of the program's own (platform/file_refusal.h) that no
// step told in its own box to TellRefusals, once per file, from the GUI thread's loop.
void InstallCoreNotifier();

// Each refused file's path and reason, "<path>\r\n<reason>", one after the other: what a
// step that stops on a refusal puts in its own box (platform::HeldRefusals).
QString RefusalText(const std::vector<platform::RefusedFile>& refused);
// The warning "ファイル異常" naming the refused files (nothing when there are none).
void TellRefusals(const std::vector<platform::RefusedFile>& refused, QWidget* owner = nullptr);

// The prompter of the program: a QMessageBox with the caption, icon, buttons and default
// button the style asks for.
class QtPrompter : public Prompter {
public:
    int Show(QWidget* owner, const QString& text, const QString& caption, unsigned style) override;
};

}  // namespace ui
