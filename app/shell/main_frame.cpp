#include "app/shell/main_frame.h"

#include <QCloseEvent>
#include <QMenuBar>

#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace shell {

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainFrame"));
    setMinimumSize(880, 500);
    fileMenu_ = menuBar()->addMenu(ui::U8("ファイル(&F)"));
    AddCommand(fileMenu_, kIdNewEnvironment, ui::U8("新規環境作成(&N)"));
    AddCommand(fileMenu_, kIdSwitchEnvironment, ui::U8("環境切替(&S)"));
    recentSeparator_ = fileMenu_->addSeparator();
    for (int i = 0; i < kRecentCount; ++i) {
        QAction* a = AddCommand(fileMenu_, kIdFirstRecentEnvironment + i, QString());
        a->setVisible(false);
        recent_.push_back(a);
    }
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, kIdExit, ui::U8("終了(&X)"));
    QMenu* help = menuBar()->addMenu(ui::U8("ヘルプ(&H)"));
    AddCommand(help, kIdAbout, ui::U8("バージョン情報(&A)"));
    SetRecentEnvironments({});
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    action->setObjectName(QStringLiteral("cmd%1").arg(id));
    commands_[id] = action;
    connect(action, &QAction::triggered, this, [this, id] {
        if (id == kIdExit) {
            close();
            return;
        }
        auto it = handlers_.find(id);
        if (it != handlers_.end() && it->second) it->second();
    });
    return action;
}

QAction* CMainFrame::FindCommand(int id) const {
    auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : it->second;
}

bool CMainFrame::SendCommand(int id) {
    QAction* action = FindCommand(id);
    if (!action || !action->isEnabled()) return false;
    action->trigger();
    return true;
}

void CMainFrame::OnCommand(int id, std::function<void()> handler) { handlers_[id] = std::move(handler); }

void CMainFrame::SetTitle(const QString& environment, const QString& mode) {
    setWindowTitle(QStringLiteral("%1[%2][%3]").arg(QString::fromUtf8(kProductName), environment, mode));
}

void CMainFrame::SetRecentEnvironments(const std::vector<QString>& paths) {
    for (int i = 0; i < kRecentCount; ++i) {
        QAction* a = recent_[static_cast<std::size_t>(i)];
        bool used = static_cast<std::size_t>(i) < paths.size();
        a->setVisible(used);
        if (used) a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(paths[static_cast<std::size_t>(i)]));
    }
    recentSeparator_->setVisible(!paths.empty());
}

QList<QMenu*> CMainFrame::TopMenus() const {
    QList<QMenu*> out;
    for (QAction* a : menuBar()->actions())
        if (a->menu()) out << a->menu();
    return out;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The close box is the exit command.
    if (closing_ || !exitHandler_ || exitHandler_()) {
        closing_ = true;
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace shell
