#include "app/ui/file_picker.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/ui/control_ids.h"

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
    // A folder tree (control 14145) with an edit line (14148) below it. Choosing in the tree
    // writes the folder into the edit; the edit takes any text, a folder that does not exist
    // yet included, and OK returns it as typed: the caller checks it and may offer to create
    // it (QFileDialog would refuse a folder that is not there).
    QDialog dialog(owner);
    dialog.setWindowTitle(caption);
    auto* model = new QFileSystemModel(&dialog);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model->setRootPath(QStringLiteral("/"));
    auto* tree = SetControlId(new QTreeView(&dialog), 14145);
    tree->setModel(model);
    tree->setHeaderHidden(true);
    for (int column = 1; column < model->columnCount(); ++column) tree->hideColumn(column);
    auto* edit = SetControlId(new QLineEdit(&dialog), 14148);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* ok = SetControlId(buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole), 1);
    SetControlId(buttons->addButton(QString::fromUtf8("キャンセル"), QDialogButtonBox::RejectRole), 2);
    ok->setDefault(true);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(tree);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(edit, &QLineEdit::textChanged, ok, [ok](const QString& text) { ok->setEnabled(!text.isEmpty()); });

    // Show the start folder, or the nearest folder above it that exists, in the tree; the
    // edit keeps the start text as it was given.
    QString start = startFolder.isEmpty() ? QDir::currentPath() : startFolder;
    QString shown = start;
    while (!shown.isEmpty() && !QFileInfo(shown).isDir()) {
        QString up = QFileInfo(shown).path();
        shown = (up == shown || up == QStringLiteral(".")) ? QString() : up;
    }
    QModelIndex index = model->index(shown.isEmpty() ? QStringLiteral("/") : shown);
    tree->setCurrentIndex(index);
    tree->scrollTo(index);
    QObject::connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, edit,
                     [model, edit](const QModelIndex& current) {
                         if (current.isValid()) edit->setText(model->filePath(current));
                     });
    edit->setText(start);
    ok->setEnabled(!start.isEmpty());
    edit->setFocus();
    dialog.resize(420, 480);

    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return edit->text();
}

}  // namespace ui
