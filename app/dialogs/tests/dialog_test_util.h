#pragma once
// Fixtures of the dialog tests: a temporary folder for environments made by the
// program's own creation, the descriptor of one opened as the program opens it, and
// small helpers that press a dialog's buttons and type into its edits.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>
#include <string>

#include "app/environment/new_environment.h"
#include "app/environment/program_keys.h"
#include "app/ui/control_ids.h"
#include "app/ui/testing/type_text.h"
#include "core/foundation/env_manager.h"

namespace dlgtest {

class TempFolder {
public:
    TempFolder() { EXPECT_TRUE(dir_.isValid()); }
    // The folder, without a trailing '/'.
    std::string Path() const { return dir_.path().toStdString(); }
    QString QPath() const { return dir_.path(); }

    // Makes the environment `name` here ("N": no start-up password) and returns its
    // descriptor path.
    std::string MakeEnvironment(const std::string& name, const char* flag = "N", const char* password = "") const {
        EXPECT_EQ(shell::CheckNewEnvironmentName(name, Path()), 0);
        EXPECT_EQ(shell::CreateNewEnvironment(name, Path(), flag, password, false), 0);
        return Path() + "/" + name + ".env";
    }

    // The descriptor opened as the program opens it.
    static std::unique_ptr<EnvManager> Open(const std::string& descriptor) {
        auto env = std::make_unique<EnvManager>();
        EXPECT_EQ(env->InitEnvFileInfo(descriptor, shell::kDescriptorKey, 0), 0);
        return env;
    }

private:
    QTemporaryDir dir_;
};

inline std::string PasswordFlag(EnvManager& env) {
    std::string flag = "?";
    env.GetUseEnvPasswordFlag(flag);
    return flag;
}

// Presses the button `id` of `dialog` as a click would.
inline void Press(QWidget* dialog, int id) {
    auto* button = ui::FindControl<QAbstractButton>(dialog, id);
    ASSERT_NE(button, nullptr) << "no button " << id;
    button->click();
}

// Replaces the text of edit `id` by typing `text` into it.
inline void Type(QWidget* dialog, int id, const QString& text) {
    auto* edit = ui::FindControl<QLineEdit>(dialog, id);
    ASSERT_NE(edit, nullptr) << "no edit " << id;
    edit->clear();
    ui::test::TypeText(edit, text);
}

inline void Pump() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace dlgtest
