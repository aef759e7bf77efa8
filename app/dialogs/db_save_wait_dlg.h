#pragma once
// CDbSaveWaitDlg (dialog 210): "更新された個人情報を保存しています". Shown modally after
// every screen that may change the address book, at the end of a send/receive run and at
// exit; it saves the address book on a worker (AddressBookSave) and closes itself when
// the save ends. The user cannot close it: Escape, Enter and the close box do nothing.
//
// Opened while a save runs (the application lock can do that), it starts no second save:
// it waits for the running one and closes when that ends.
//
// A failed save is not passed over in silence: once the dialog has closed, DoModal tells
// the user with a warning. The address book keeps its changes marked as unsaved, so the
// next save tries again. (Only the dialog that started the save tells; one that merely
// waited for it closes quietly, so the user hears of one failure once.)

#include <QDialog>

#include "app/dialogs/address_book_save.h"

namespace shell {

class CDbSaveWaitDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 210;
    static constexpr int kIdcLine1 = 1558;
    static constexpr int kIdcLine2 = 1559;
    static constexpr int kIdcLine3 = 1560;

    using SaveFunction = AddressBookSave::SaveFunction;

    // `save` is the work to run: 0 on success, negative on failure; it runs on a worker
    // thread and must touch no widget.
    explicit CDbSaveWaitDlg(SaveFunction save, QWidget* parent = nullptr);

    // Shows the dialog until the save ends and returns IDCANCEL (2), the end the save
    // always gives; reports a failed save of its own afterwards.
    int DoModal();
    // The result of the save the dialog last waited for (0 when it succeeded; -1 before
    // any), and whether the dialog started that save itself.
    int SaveResult() const { return result_; }
    bool StartedSave() const { return started_; }

    // True while an address-book save runs anywhere in the program.
    static bool IsSaveRunning();

    // The program's save, to be made on the GUI thread: it takes the open environment's
    // address book and scheduler as they are now, and on the worker pauses the scheduler,
    // writes the book (CDatabaseEdit::WriteFromMemoryToFile, which writes only unsaved
    // changes) and turns the scheduler on again. 0 when no environment is open. The
    // environment cannot change under it: the dialog is modal until the save ends.
    static SaveFunction ProgramSave();

public slots:
    // Ends the dialog as Cancel; the save's end calls it.
    void End();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override {}
    void accept() override {}

private:
    SaveFunction save_;
    bool waiting_ = false;
    bool started_ = false;
    int result_ = -1;
};

}  // namespace shell
