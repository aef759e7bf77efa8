#pragma once
// Every file and folder chooser of the program goes through the current FilePicker, so
// that tests answer them. The program installs the Qt picker (QFileDialog); a test
// installs a FilePickerRecorder (testing/file_picker_recorder.h).

#include <QString>

#include <optional>

class QWidget;

namespace ui {

struct FileRequest {
    bool save = false;            // a save dialog; else an open dialog
    QString caption;              // empty: the dialog's own title
    QString startFolder;          // empty: the current folder
    QString fileName;             // proposed file name
    // Filter in the form "name|pattern|name|pattern|" ("環境ファイル(*.env)|*.env|").
    QString filter;
    QString defaultExt;           // appended to a typed name without extension ("env" or ".env")
    bool fileMustExist = false;
    bool overwritePrompt = false;
};

class FilePicker {
public:
    virtual ~FilePicker() = default;
    // The chosen file, or nothing when cancelled.
    virtual std::optional<QString> PickFile(QWidget* owner, const FileRequest& request) = 0;
    // The chosen folder, or nothing when cancelled.
    virtual std::optional<QString> PickFolder(QWidget* owner, const QString& caption,
                                              const QString& startFolder) = 0;
};

FilePicker& CurrentFilePicker();
// Installs `picker` (null: the Qt one again); returns the one it replaces.
FilePicker* SetFilePicker(FilePicker* picker);

// The filter "a|*.x|b|*.y;*.z|" as Qt writes it: "a (*.x);;b (*.y *.z)". A name that
// already shows its pattern keeps it as it is.
QString ToQtFilter(const QString& filter);
// `path` with ".ext" appended when its file name has no extension.
QString WithDefaultExtension(const QString& path, const QString& defaultExt);

class QtFilePicker : public FilePicker {
public:
    std::optional<QString> PickFile(QWidget* owner, const FileRequest& request) override;
    std::optional<QString> PickFolder(QWidget* owner, const QString& caption,
                                      const QString& startFolder) override;
};

}  // namespace ui
