#pragma once
// CDialupAuthDlg (dialog 2001, "ダイアルアップ接続"): asks for the ID and password of a
// dial-up entry when the system options do not keep them. Both edits open filled with the
// strings given (what the phone book stores). OK keeps what was typed; an empty ID is
// refused with "IDが未入力です" and the dialog stays open. Nothing is written anywhere.
//
// The dial-up connection asks from the worker thread through AskDialupLogin
// (dialup_connection.h), which runs the dialog on the GUI thread.

#include <QDialog>
#include <QString>

class QLineEdit;

class CDialupAuthDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 2001;
    static constexpr int kIdcId = 2002;
    static constexpr int kIdcPassword = 2000;

    CDialupAuthDlg(const QString& id, const QString& password, QWidget* parent = nullptr);

    // IDOK (1) with the texts kept, IDCANCEL (2).
    int DoModal();
    const QString& Id() const { return id_; }
    const QString& Password() const { return password_; }

    void accept() override;

private:
    QLineEdit* idEdit_ = nullptr;
    QLineEdit* passwordEdit_ = nullptr;
    QString id_;
    QString password_;
};
