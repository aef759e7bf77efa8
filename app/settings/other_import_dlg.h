#pragma once
// CImportOtherDlg (218): imports the address book or customer list of another program
// (Tormask, Brindell, Quillary, Outlook Express, Becky!: kinds 2-6 of the import-format
// dialog) into the open environment's address book, with a report file the user names.
//
// Start (button 1501, or Enter in either path edit) reads both edits as they stand, then
// refuses, each with its message and before anything runs:
//  - a missing path (one message naming every missing file);
//  - an import file that does not exist;
//  - a report file that is the import file itself (the report would overwrite the data
//    while it is read);
//  - for Quillary, a converter program that is not installed beside the program
//    ("Quillconv13.exe" in the program's folder): the format is not available here.
// After the user confirmed, the import runs on a worker (RunOtherImport) while the
// please-wait window shows the importer's phase text or its count (every 200 ms); the
// dialog takes no input meanwhile and cannot be closed. A run that fails leaves the address
// book as it was; a successful one is followed by the address-book save.
//
// DoModal: 1 after a completed import, -1 after a failed or declined one, 2 when closed by
// "戻る" before starting. The caller reloads its list on 1 and -1.

#include <QDialog>

#include <string>

#include "app/addressui/screen_worker.h"
#include "app/settings/other_import_worker.h"
#include "core/addressbook/import_progress.h"

class QLineEdit;
class QTimer;

namespace shell {
class CWaitDlg;
}

namespace settings {

class CImportOtherDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 218;
    static constexpr int kIdcPath = 1005;
    static constexpr int kIdcLogPath = 1569;
    static constexpr int kIdcBrowse = 1495;
    static constexpr int kIdcBrowseLog = 1568;
    static constexpr int kIdcStart = 1501;
    static constexpr int kIdcBack = 2;
    static constexpr int kIdcIntro = 1769;
    static constexpr int kIdcGroup = 1669;
    static constexpr int kIdcNote = 1804;
    static constexpr int kTimerMs = 200;

    // `kind` 2-6; `dmMode` 1-4 for kinds 4-6 (-1 for the others).
    CImportOtherDlg(QWidget* parent, int kind, int dmMode);
    ~CImportOtherDlg() override;

    int DoModal();

    // "Quillconv13.exe" in the program's folder.
    static std::string DefaultConverterPath();
    // The converter to run for Quillary (tests point it at a stand-in).
    void SetConverterPath(std::string path) { converter_ = std::move(path); }
    // The display name of a kind ("Tormask", "Outlook Express " ...).
    static QString DisplayName(int kind);

    void OnBrowse();
    void OnBrowseLog();
    void OnStart();
    bool IsRunning() const { return running_; }

    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OnTick();
    void OnRunDone(ImportRunOutcome outcome);

    int kind_;
    int dmMode_;
    QString name_;
    QLineEdit* path_ = nullptr;
    QLineEdit* logPath_ = nullptr;
    std::string converter_;
    bool running_ = false;
    ImportProgress progress_;
    QTimer* timer_ = nullptr;
    shell::CWaitDlg* wait_ = nullptr;
    addressui::ScreenWorker worker_;
};

}  // namespace settings
