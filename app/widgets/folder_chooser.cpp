#include "app/widgets/folder_chooser.h"

#include <QDir>

#include <filesystem>
#include <system_error>

#include "app/widgets/folder_path_rule.h"
#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/directory_utils.h"
#include "platform/notifier.h"

namespace shell {
namespace {

QString Caption() { return ui::U8("ディレクトリ選択"); }

void Tell(QWidget* owner, const char* utf8Text, const QString& path) {
    ui::MessageBox(owner, ui::U8(utf8Text).arg(path), Caption(), platform::kMbOk | platform::kMbIconInformation);
}

}  // namespace

CFolderChooser::CFolderChooser(const QString& caption, const QString& prompt, const QString& initialFolder,
                               QWidget* owner)
    : m_caption(caption), m_prompt(prompt), m_initialFolder(initialFolder), m_owner(owner) {}

int CFolderChooser::DoModal() {
    m_path.clear();
    QString start = m_initialFolder.isEmpty() ? QDir::currentPath() : m_initialFolder;
    for (;;) {
        std::optional<QString> chosen = ui::CurrentFilePicker().PickFolder(m_owner, m_caption, start);
        if (!chosen) return platform::kIdCancel;
        if (AcceptPath(*chosen)) {
            m_path = *chosen;
            return platform::kIdOk;
        }
        start = *chosen;
    }
}

bool CFolderChooser::AcceptPath(const QString& path) {
    if (!IsValidFolderPath(path)) {
        Tell(m_owner, "指定されたディレクトリ:\n\n%1\n\nパスが不正です。再入力してください", path);
        return false;
    }
    const std::string native = ui::ToPath(path);
    if (CheckDirectory(native) == 0) return true;

    const char* failed = "指定されたディレクトリ:\n\n%1\n\nの作成に失敗しました。ディレクトリを選択してください";
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(native, ec))) {
        Tell(m_owner, failed, path);
        return false;
    }
    int answer = ui::MessageBox(m_owner,
                                ui::U8("指定されたディレクトリ:\n\n%1\n\nは存在しません。作成してよろしいですか？").arg(path),
                                Caption(), platform::kMbYesNo | platform::kMbIconQuestion);
    if (answer != platform::kIdYes) return false;
    if (MakeDirectoryCompel(native) != 0 || CheckDirectory(native) != 0) {
        Tell(m_owner, failed, path);
        return false;
    }
    return true;
}

}  // namespace shell
