#include "app/shell/main_frame.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

#include "app/shell/varnis_view.h"

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
    helpMenu_ = menuBar()->addMenu(ui::U8("ヘルプ(&H)"));
    helpMenuAction_ = helpMenu_->menuAction();
    AddCommand(helpMenu_, kIdAbout, ui::U8("バージョン情報(&A)"));
    SetRecentEnvironments({});
    mailCount_ = ui::SetControlId(new QLabel(this), 1453);
    mailCount_->setMinimumWidth(100);
    statusBar()->addPermanentWidget(mailCount_);
}

void CMainFrame::SetView(CVarnisView* view) {
    if (view_ || !view) return;
    view_ = view;
    setCentralWidget(view);
    QMenu* modes = new QMenu(ui::U8("表示(&V)"), this);
    menuBar()->insertMenu(helpMenuAction_, modes);
    AddCommands(modes, view->ModeActions());
    QMenu* mails = new QMenu(ui::U8("メール(&M)"), this);
    menuBar()->insertMenu(helpMenuAction_, mails);
    AddCommands(mails, view->MailActions());
    helpMenu_->insertSeparator(helpMenu_->actions().value(0));
    QList<QAction*> information = view->InformationActions();
    for (auto it = information.rbegin(); it != information.rend(); ++it) {
        QAction* before = helpMenu_->actions().value(0);
        if (*it) {
            helpMenu_->insertAction(before, *it);
            commands_[(*it)->data().toInt()] = *it;
        } else {
            helpMenu_->insertSeparator(before);
        }
    }
    for (QAction* a : view->ReservationBarActions()) commands_[a->data().toInt()] = a;
}

void CMainFrame::AddCommands(QMenu* menu, const QList<QAction*>& actions) {
    for (QAction* a : actions) {
        if (!a) {
            menu->addSeparator();
            continue;
        }
        menu->addAction(a);
        commands_[a->data().toInt()] = a;
    }
}

void CMainFrame::SetMailCountText(const QString& text) { mailCount_->setText(text); }

QString CMainFrame::MailCountText() const { return mailCount_->text(); }

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
