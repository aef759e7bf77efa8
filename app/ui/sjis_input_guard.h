#pragma once
// Which edits filter what the user puts in (sjis_input.h), and how.
//
//  - The mail edits (compose::CMailTextEdit and its byte-limited family) filter every
//    input themselves before it reaches the text, where they also apply their limits;
//    they say so with MarkFiltersOwnInput.
//  - Every other QLineEdit and QPlainTextEdit of the program is guarded from the moment
//    it is first polished (InstallSjisInputGuard, run once at start by the program and by
//    the GUI test binaries): after each change the user made, the guard takes out of what
//    the change brought in the characters Shift_JIS cannot hold, puts the caret after
//    what was kept, and tells the user. A line edit reports its own edits (textEdited); a
//    plain-text edit counts a change as the user's while it has the focus. The check runs
//    from the event loop once the edit has finished the input at hand. Text the program
//    sets itself is never touched.
//  - Left alone: edits marked with MarkPathEdit (a file-system path is no Shift_JIS text;
//    the file system takes any character) and the edits of Qt's own file dialog. A
//    password edit is guarded, but its message names no character.
//
// GuardSjisInput attaches the guard to one edit at once (what polishing does); attaching
// twice, or to an edit marked as above, does nothing.

class QWidget;

namespace ui {

void InstallSjisInputGuard();
void GuardSjisInput(QWidget* edit);

void MarkFiltersOwnInput(QWidget* edit);
void MarkPathEdit(QWidget* edit);

}  // namespace ui
