#include "app/ui/file_picker.h"

#include <QFileDialog>
#include <QFileInfo>

namespace ui {
namespace {

FilePicker* g_picker = nullptr;

QtFilePicker& DefaultPicker() {
    static QtFilePicker picker;
    return picker;
}

}  // namespace

FilePicker& CurrentFilePicker() { return g_picker ? *g_picker : DefaultPicker(); }

FilePicker* SetFilePicker(FilePicker* picker) {
    FilePicker* old = g_picker;
    g_picker = picker;
    return old;
}

QString ToQtFilter(const QString& filter) {
    QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        QString patterns = parts[i + 1];
        if (name.isEmpty() && patterns.isEmpty()) break;
        patterns.replace(u';', u' ');
        // Qt takes the patterns from parentheses that end the entry ("環境ファイル(*.env)").
        out << (name.endsWith(u')') ? name : name + QStringLiteral(" (") + patterns + u')');
    }
    return out.join(QStringLiteral(";;"));
}

QString WithDefaultExtension(const QString& path, const QString& defaultExt) {
    if (path.isEmpty() || defaultExt.isEmpty()) return path;
    QFileInfo info(path);
    if (!info.suffix().isEmpty()) return path;
    QString ext = defaultExt.startsWith(u'.') ? defaultExt : u'.' + defaultExt;
    return path + ext;
}

std::optional<QString> QtFilePicker::PickFile(QWidget* owner, const FileRequest& request) {
    QFileDialog dialog(owner, request.caption, request.startFolder, ToQtFilter(request.filter));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile
                                    : (request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
    if (!request.defaultExt.isEmpty())
        dialog.setDefaultSuffix(request.defaultExt.startsWith(u'.') ? request.defaultExt.mid(1) : request.defaultExt);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> QtFilePicker::PickFolder(QWidget* owner, const QString& caption,
                                                const QString& startFolder) {
    QString folder = QFileDialog::getExistingDirectory(owner, caption, startFolder);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

}  // namespace ui
