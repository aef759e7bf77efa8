#include "app/dialogs/new_env_dlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cerrno>
#include <filesystem>

#include "app/dialogs/dialog_parts.h"
#include "app/dialogs/password_rules.h"
#include "app/environment/environment_lock.h"
#include "app/environment/environment_service.h"
#include "app/environment/new_environment.h"
#include "app/widgets/folder_chooser.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_input_guard.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "app/ui/system_error_text.h"
#include "core/foundation/directory_utils.h"
#include "platform/file_lock.h"
#include "platform/notifier.h"
#include "platform/path.h"

namespace shell {
namespace {

const char* const kCreateError = "環境作成エラー";
const char* const kOverwriteWarning = "環境上書きの警告";

std::function<void()>& SaveWindowStateHook() {
    static std::function<void()> hook;
    return hook;
}

// The location without trailing separators ("/" stays "/").
QString TrimLocation(QString location) {
    while (location.size() > 1 && location.endsWith(QLatin1Char('/'))) location.chop(1);
    return location;
}

// "<location>/<name>" with one separator between.
QString Join(const QString& location, const QString& name) {
    return location.endsWith(QLatin1Char('/')) ? location + name : location + QLatin1Char('/') + name;
}

// True when deleting `folder` would delete the environment the program has open: it is
// that environment's folder, or holds its folder or descriptor somewhere below.
bool HoldsOpenEnvironment(const std::string& folder) {
    EnvironmentService* open = ProgramEnvironment();
    if (open == nullptr || !open->IsOpen()) return false;
    if (open->IsOpenEnvironmentFolder(folder)) return true;
    std::error_code ec;
    const std::filesystem::path outer = std::filesystem::weakly_canonical(folder, ec);
    if (ec) return true;  // cannot tell: keep the data
    const std::filesystem::path inner = std::filesystem::weakly_canonical(open->DescriptorPath(), ec);
    if (ec) return true;
    auto i = inner.begin();
    for (const auto& part : outer) {
        if (part.empty()) continue;  // a trailing separator
        if (i == inner.end() || *i != part) return false;
        ++i;
    }
    return true;
}

// Deletes the environment `folder` and its descriptor `folder`.env, the two things the
// overwrite question named; false when either stays (a file in place of the folder, or
// a folder in place of the descriptor, is left alone).
bool DeleteEnvironment(const std::string& folder) {
    if (platform::PathExists(folder) && RemoveDirectoryCompel(folder, 1) != 0) return false;
    const std::string descriptor = folder + ".env";
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(descriptor, ec);
    if (ec || !std::filesystem::exists(status)) return true;
    if (std::filesystem::is_directory(status)) return false;
    return std::filesystem::remove(descriptor, ec) && !ec;
}

}  // namespace

void CNewEnvDlg::SetSaveWindowStateHook(std::function<void()> hook) { SaveWindowStateHook() = std::move(hook); }

CNewEnvDlg::CNewEnvDlg(bool importMode, QWidget* parent) : QDialog(parent), importMode_(importMode) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("新規環境作成"));
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);

    auto* grid = new QGridLayout;
    name_ = dialogs::MakeEdit(this, kIdcName);
    location_ = dialogs::MakeEdit(this, kIdcLocation);
    // Both make a folder's path, which is no Shift_JIS text.
    ui::MarkPathEdit(name_);
    ui::MarkPathEdit(location_);
    descriptorPreview_ = dialogs::MakeEdit(this, kIdcDescriptorPreview);
    folderPreview_ = dialogs::MakeEdit(this, kIdcFolderPreview);
    for (QLineEdit* preview : {descriptorPreview_, folderPreview_}) {
        preview->setReadOnly(true);
        preview->setFocusPolicy(Qt::ClickFocus);
    }
    location_->setMinimumWidth(380);
    auto* browse = dialogs::MakeButton(this, ui::U8("参照"), kIdcBrowse);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("環境の名称")), 0, 0);
    grid->addWidget(name_, 0, 1, 1, 2);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("環境の場所")), 1, 0);
    grid->addWidget(location_, 1, 1);
    grid->addWidget(browse, 1, 2);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("作成される環境ファイル")), 2, 0);
    grid->addWidget(descriptorPreview_, 2, 1, 1, 2);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("作成されるディレクトリ")), 3, 0);
    grid->addWidget(folderPreview_, 3, 1, 1, 2);
    column->addLayout(grid);

    usePassword_ = dialogs::MakeCheckBox(this, ui::U8("パスワードを設定する"), kIdcUsePassword);
    column->addSpacing(6);
    column->addWidget(usePassword_);
    auto* passwords = new QGridLayout;
    passwords->setContentsMargins(20, 0, 0, 0);
    passwordEdit_ = dialogs::MakeEdit(this, kIdcPassword, true);
    confirm_ = dialogs::MakeEdit(this, kIdcConfirm, true);
    passwordEdit_->setMinimumWidth(200);
    passwords->addWidget(dialogs::MakeLabel(this, ui::U8("起動用パスワード"), kIdcPasswordLabel), 0, 0);
    passwords->addWidget(passwordEdit_, 0, 1);
    passwords->addWidget(dialogs::MakeLabel(this, ui::U8("半角英数字で入力してください。"), kIdcPasswordNote), 1, 1);
    passwords->addWidget(dialogs::MakeLabel(this, ui::U8("パスワードの確認"), kIdcConfirmLabel), 2, 0);
    passwords->addWidget(confirm_, 2, 1);
    passwords->addWidget(dialogs::MakeLabel(this, ui::U8("確認のため、もう一度入力してください。"), kIdcConfirmNote),
                         3, 1);
    passwords->setColumnStretch(2, 1);
    column->addLayout(passwords);
    dialogs::AddOkCancelRow(column, this, true);

    connect(name_, &QLineEdit::textChanged, this, &CNewEnvDlg::UpdatePreview);
    connect(location_, &QLineEdit::textChanged, this, &CNewEnvDlg::UpdatePreview);
    connect(usePassword_, &QCheckBox::toggled, this, &CNewEnvDlg::UpdatePasswordEnabling);
    connect(browse, &QPushButton::clicked, this, &CNewEnvDlg::Browse);

    location_->setText(ui::FromPath(DefaultEnvironmentParent()));
    UpdatePasswordEnabling();
    name_->setFocus();
}

std::string CNewEnvDlg::GetEnvFilePath() const {
    if (acceptedName_.isEmpty()) return std::string();
    return ui::ToPath(Join(acceptedLocation_, acceptedName_) + QStringLiteral(".env"));
}

void CNewEnvDlg::UpdatePreview() {
    const QString location = TrimLocation(location_->text());
    const QString name = name_->text();
    if (location.isEmpty() || name.isEmpty()) {
        folderPreview_->clear();
        descriptorPreview_->clear();
        return;
    }
    folderPreview_->setText(Join(location, name) + QLatin1Char('/'));
    descriptorPreview_->setText(Join(location, name) + QStringLiteral(".env"));
}

void CNewEnvDlg::UpdatePasswordEnabling() {
    const bool on = usePassword_->isChecked();
    for (int id : {kIdcPassword, kIdcConfirm, kIdcPasswordLabel, kIdcPasswordNote, kIdcConfirmLabel, kIdcConfirmNote})
        ui::FindControl(this, id)->setEnabled(on);
}

void CNewEnvDlg::Browse() {
    CFolderChooser chooser(ui::U8("ディレクトリ選択"), ui::U8("ディレクトリを選択してください"), location_->text(), this);
    if (chooser.DoModal() == dialogs::kIdOk) location_->setText(chooser.GetPath());
}

int CNewEnvDlg::Tell(const QString& text, const char* caption, unsigned style) {
    return ui::MessageBox(this, text, ui::U8(caption), style);
}

bool CNewEnvDlg::TakePassword() {
    if (!usePassword_->isChecked()) {
        passwordFlag_ = "N";
        password_.clear();
        return true;
    }
    passwordFlag_ = "Y";
    const QString password = passwordEdit_->text();
    const QString confirm = confirm_->text();
    const char* refusal = nullptr;
    if (password.isEmpty() && confirm.isEmpty())
        refusal = "パスワードが入力されていません。\r\n少なくとも1文字以上の半角英数字を入力してください。";
    else if (password != confirm)
        refusal = "入力された2つのパスワードが異なります。";
    else if (!dialogs::IsPasswordText(password))
        refusal = "半角英数字以外の文字が入力されています。\r\nパスワードには半角英数字しか入力できません。";
    if (refusal != nullptr) {
        Tell(ui::U8(refusal), "パスワード設定のエラー", platform::kMbOk | platform::kMbIconInformation);
        return false;
    }
    password_ = password.toStdString();
    Tell(ui::U8("起動用パスワードを利用します。\r\n"
                "パスワードを忘れるとこの環境が利用できなくなりますので、\r\n十分ご注意ください。"),
         "起動用パスワードを利用", platform::kMbOk | platform::kMbIconInformation);
    return true;
}

bool CNewEnvDlg::Create(const QString& location, const QString& name) {
    return CreateNewEnvironment(ui::ToPath(name), ui::ToPath(location), passwordFlag_.c_str(), password_.c_str(),
                                importMode_, &failure_) == 0;
}

void CNewEnvDlg::TellCreateFailure() {
    QString text = ui::U8("環境の作成に失敗しました。\r\n") + ui::FromPath(failure_.path) + ui::U8("\r\nを作成できません");
    const QString reason = ui::SystemErrorText(failure_.error);
    text += reason.isEmpty() ? ui::U8("。") : ui::U8(": ") + reason;
    Tell(text + ui::U8("\r\n「環境の場所」を変更してください。"), kCreateError, platform::kMbOk | platform::kMbIconError);
}

bool CNewEnvDlg::CreateFor(int check, const QString& location, const QString& name) {
    const QString target = Join(location, name);
    constexpr unsigned kYesNoWarning = platform::kMbYesNo | platform::kMbIconWarning | ui::kMbDefButton2;
    switch (check) {
    case 0:
        if (SaveWindowStateHook()) SaveWindowStateHook()();
        if (Create(location, name)) return true;
        TellCreateFailure();
        return false;
    case -5: {
        const std::string folder = ui::ToPath(target);
        const auto refuseInUse = [&] {
            Tell(target + ui::U8("\r\nには現在使用中の環境のデータがあるため、削除できません。\r\n"
                                 "「環境の名称」か「環境の場所」を変更してください。"),
                 kCreateError, platform::kMbOk | platform::kMbIconError);
            return false;
        };
        if (HoldsOpenEnvironment(folder)) return refuseInUse();
        if (Tell(ui::U8("入力された環境には既存のデータが存在しています。\r\n既存の") + target +
                     ui::U8("\r\nを削除して、新しい環境を作成しますか？"),
                 kOverwriteWarning, kYesNoWarning) != platform::kIdYes)
            return false;
        if (Tell(ui::U8("既存の") + target +
                     ui::U8("\r\nを削除した場合、復旧する事は出来ません。\r\n"
                            "本当に既存のデータを削除して、\r\n新しい環境を作成してもよろしいですか？"),
                 "環境上書きの警告(再確認)", kYesNoWarning) != platform::kIdYes)
            return false;
        // Nor may another program have it open while it is deleted.
        platform::FileLock deleting;
        if (deleting.Lock(EnvironmentLockPath(folder + ".env")) == platform::FileLock::Result::kBusy)
            return refuseInUse();
        if (!DeleteEnvironment(folder)) {
            Tell(ui::U8("使用できない名称です。"), kCreateError, platform::kMbOk);
            return false;
        }
        if (Create(location, name)) return true;
        TellCreateFailure();
        return false;
    }
    case -4:
        Tell(ui::U8("作成される環境ファイル名が不正です。\r\n「環境の名称」を正しく入力してください。"), kCreateError,
             platform::kMbOk | platform::kMbIconError);
        return false;
    case -3:
        Tell(ui::U8("作成されるディレクトリ名が不正です。\r\n「環境の場所」を正しく入力してください。"), kCreateError,
             platform::kMbOk | platform::kMbIconError);
        return false;
    case -1:
        if (Tell(ui::U8("入力された環境の場所は現在存在しません。\r\n") + Join(location, QString()) +
                     ui::U8("\r\nを新規に作成しますか？"),
                 "ディレクトリ作成の確認", platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes)
            return false;
        errno = 0;
        if (MakeDirectoryCompel(ui::ToPath(location)) != 0) {
            failure_ = CreateFailure{ui::ToPath(location), errno};
            TellCreateFailure();
            return false;
        }
        if (Create(location, name)) return true;
        TellCreateFailure();
        return false;
    default:
        Tell(ui::U8("予期せぬエラーが発生しました。"), kCreateError, platform::kMbOk | platform::kMbIconError);
        return false;
    }
}

void CNewEnvDlg::accept() {
    if (!TakePassword()) return;
    const QString location = TrimLocation(location_->text());
    const QString name = name_->text();
    if (!CreateFor(CheckNewEnvironmentName(ui::ToPath(name), ui::ToPath(location)), location, name)) return;
    Tell(Join(location, name) + ui::U8("\r\nという名称の環境を作成しました"), "環境作成の確認",
         platform::kMbOk | platform::kMbIconInformation);
    acceptedLocation_ = location;
    acceptedName_ = name;
    done(dialogs::kIdOk);
}

void CNewEnvDlg::reject() { done(dialogs::kIdCancel); }

}  // namespace shell
