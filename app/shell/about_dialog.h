#pragma once
// The About box (command 57664): the program's name and the versions of the program and
// of the core library, "Version <program>/<core>".

#include <QDialog>

namespace shell {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 100;
    static constexpr int kIdcVersion = 1561;
    // `versionLine` is the "Version %s/%s" line the application forms.
    CAboutDlg(const QString& versionLine, QWidget* parent = nullptr);
};

}  // namespace shell
