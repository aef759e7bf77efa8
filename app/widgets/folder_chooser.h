#pragma once
// CFolderChooser: asks the user for a folder, which may be typed and need not exist yet.
//
// The folder comes from the program's file picker (ui::CurrentFilePicker().PickFolder:
// a folder tree with an edit line in the program, a script in tests). The chosen text is
// then checked here:
//  1. a path that IsValidFolderPath refuses gives "指定されたディレクトリ:\n\n<path>\n\n
//     パスが不正です。再入力してください" (information icon);
//  2. an existing folder is accepted;
//  3. something that exists but is no folder (a file of that name) gives the creation
//     failure below at once: it can be neither used nor made;
//  4. otherwise the user is asked "...は存在しません。作成してよろしいですか？" (Yes/No,
//     question icon). No keeps the chooser open; Yes creates each missing level in turn,
//     and a level that cannot be made gives "...の作成に失敗しました。ディレクトリを選択
//     してください" (information icon).
// Every message has the caption "ディレクトリ選択". After a message, or after No, the picker
// is asked again, starting from the text the user had chosen, until a folder is accepted
// or the picker is cancelled.

#include <QString>

class QWidget;

namespace shell {

class CFolderChooser {
public:
    // `prompt` is the line that the old folder browser showed above its tree; the program's
    // picker has no place for it, so it is kept only for callers that read it back.
    // An empty `initialFolder` starts at the current folder.
    CFolderChooser(const QString& caption, const QString& prompt, const QString& initialFolder,
                   QWidget* owner);

    // 1 (IDOK) when a folder was accepted, 2 (IDCANCEL) when the picker was cancelled.
    int DoModal();
    // The accepted folder as typed or chosen; empty until a folder was accepted.
    QString GetPath() const { return m_path; }
    QString GetPrompt() const { return m_prompt; }

private:
    // Checks `path` and creates it when the user agrees; true when it can be used.
    bool AcceptPath(const QString& path);

    QString m_caption;
    QString m_prompt;
    QString m_initialFolder;
    QString m_path;
    QWidget* m_owner;
};

}  // namespace shell
