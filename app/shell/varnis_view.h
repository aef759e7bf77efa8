#pragma once
// CVarnisView: the main window's list of mails, a thin table over MailListController
// (which holds the rows, the selection and every command). One row a mail, whole rows
// selected, several at a time; a click on a column header sorts by it, a double click
// edits the mail, and a right click on a row opens the pop-up menu of the mail commands
// (a right click off the rows does nothing).
//
// The commands are QActions carrying their command numbers (object names "cmd<id>"): the
// main window puts the mode, mail and information-page actions into its menus and the
// reservation-bar actions (1364, 1365) on its bar; their enabled, radio and pressed
// states follow the selection and the rows. The pop-up menu has actions of its own with
// its own texts ("編集" ...), set up each time it opens.
//
// Column widths the person drags are kept by the controller, which writes them to the
// environment (SaveColumnWidths) and gives them back when the columns are built anew.

#include <QTableView>
#include <QTimer>

#include <map>
#include <string>

#include "app/shell/mail_list_controller.h"

class QAction;
class QMenu;

namespace shell {

class CVarnisView : public QTableView {
    Q_OBJECT
public:
    explicit CVarnisView(ScreenRegistry& screens = Screens(), QWidget* parent = nullptr);
    ~CVarnisView() override;

    MailListController& Controller() { return *controller_; }

    // The main window's action of command `id`, or null.
    QAction* CommandAction(int id) const;
    // The five mode actions (radio items), the mail commands in menu order (null between
    // groups), the information-page actions (null between groups) and the reservation
    // bar's two buttons.
    QList<QAction*> ModeActions() const;
    QList<QAction*> MailActions() const;
    QList<QAction*> InformationActions() const;
    QList<QAction*> ReservationBarActions() const;

    // The pop-up menu with its items enabled for the selection as it is now.
    QMenu* PreparePopupMenu();
    // Sets the actions' states from the selection and rows now (they follow by themselves
    // in the next turn of the event loop).
    void UpdateCommandStates();

    // After the window is made: all mails are shown and the information-page setting read.
    void OnInitialUpdate() { controller_->InitialUpdate(); }
    bool IsNothingWaiting() const { return controller_->IsNothingWaiting(); }
    bool SaveColumnWidths() { return controller_->SaveColumnWidths(); }
    // The width kept for column key `key` ("MAILIDW" ...) in the open environment, read as
    // the list reads its own (other lists of mails show their columns with it).
    static int LoadColumnWidth(const std::string& key);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QAction* MakeAction(int id, const char* text, bool checkable);
    void ApplyColumnWidths();

    MailListController* controller_;
    std::map<int, QAction*> actions_;
    std::map<int, QAction*> popupActions_;
    QMenu* popup_ = nullptr;
    QTimer statesTimer_;
    bool applyingWidths_ = false;
};

}  // namespace shell
