#pragma once
// CNewEnvDlg (dialog 102, "新規環境作成"): asks for the location and the name of a new
// environment and an optional start-up password, and creates it (CreateNewEnvironment).
//
// The location starts at DefaultEnvironmentParent (the folder "DATA" beside the program,
// or the program's folder in the user's data folder). It is a '/' path; a
// trailing '/' is ignored, so "/x/" and "/x" give the same paths. While both are filled,
// the dialog previews the folder "<location>/<name>/" and the descriptor
// "<location>/<name>.env".
//
// OK, in order:
//  1. with "パスワードを設定する" checked, the passwords are refused when both are empty,
//     when they differ, or when they hold a character other than A-Z, a-z, 0-9 (this
//     order: one filled box gets "differ"); an accepted one is announced;
//  2. the name and location are checked (CheckNewEnvironmentName), and:
//      - free: the application's window state is saved (the hook), then the environment
//        is created;
//      - taken (-5): the user is asked twice before "<location>/<name>" (the folder and
//        its descriptor) is deleted and the environment created in its place. Refused
//        without a question when that is, or holds, the environment the program has
//        open: its data would be deleted under its own managers;
//      - the location missing (-1): the user is asked, the location is made, then the
//        environment is created;
//      - a bad name (-4) or location (-3), or anything else: told.
// A location or an environment that cannot be made is told with the folder or file that
// could not be made and the system's reason (no permission, no space, a read-only disk).
// The dialog ends with IDOK (1) only when the environment was created; declining a
// question, and every failure, leave it open with nothing deleted but what the user
// agreed to, so another place can be chosen.

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

#include "app/environment/new_environment.h"

class QCheckBox;
class QLineEdit;

namespace shell {

class CNewEnvDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 102;
    static constexpr int kIdcFolderPreview = 1001;
    static constexpr int kIdcDescriptorPreview = 1004;
    static constexpr int kIdcLocation = 1008;
    static constexpr int kIdcBrowse = 1014;
    static constexpr int kIdcName = 1669;
    static constexpr int kIdcUsePassword = 1840;
    static constexpr int kIdcPassword = 1841;
    static constexpr int kIdcConfirm = 1842;
    static constexpr int kIdcPasswordLabel = 1858;
    static constexpr int kIdcPasswordNote = 1859;
    static constexpr int kIdcConfirmLabel = 1860;
    static constexpr int kIdcConfirmNote = 1861;

    // `importMode`: the program runs to import another program's data (the new
    // environment's options say so).
    explicit CNewEnvDlg(bool importMode = false, QWidget* parent = nullptr);

    // IDOK (1) when an environment was created, IDCANCEL (2) otherwise.
    int DoModal() { return exec(); }

    // The created environment's descriptor, "<location>/<name>.env", in file-system bytes
    // (what OpenEnvironment takes); empty before one was created.
    std::string GetEnvFilePath() const;

    // What runs just before an environment is created in a free place: the application
    // saves its main window's rectangle and the mail list's columns there, when an
    // environment is open and the main window exists. Empty: nothing.
    static void SetSaveWindowStateHook(std::function<void()> hook);

protected:
    void accept() override;
    void reject() override;

private:
    void UpdatePreview();
    void UpdatePasswordEnabling();
    void Browse();
    // Step 1: false (after telling) when the passwords are refused.
    bool TakePassword();
    // Step 2 for the check's result; true when the environment was created.
    bool CreateFor(int check, const QString& location, const QString& name);
    bool Create(const QString& location, const QString& name);
    // What could not be made (failure_) and why.
    void TellCreateFailure();
    int Tell(const QString& text, const char* caption, unsigned style);

    bool importMode_ = false;
    CreateFailure failure_;
    std::string passwordFlag_;
    std::string password_;
    QString acceptedName_;
    QString acceptedLocation_;

    QCheckBox* usePassword_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* location_ = nullptr;
    QLineEdit* descriptorPreview_ = nullptr;
    QLineEdit* folderPreview_ = nullptr;
    QLineEdit* confirm_ = nullptr;
    QLineEdit* passwordEdit_ = nullptr;
};

}  // namespace shell
