#pragma once
// CConfirmDialog (dialog 937): a message box the user can switch off. It carries the check
// box "以後、このダイアログを表示しない"; once the user has ticked it and pressed OK, every
// later call with the same key returns OK at once without showing anything - even for an
// OK/Cancel question: the earlier OK stands for all later ones.
//
// The choice is kept per environment, in section CONFIRMDIALOG of the open environment's
// ini (QuendrelT.ini), one key per use: "N" do not show again; "Y" (also a missing key)
// show. Keys in use: MAILREFLECT, RESERVEDATE, MOBILEATTACH, ATTACHSECURITY, TEXTPART,
// DMTOPEN, EMLOPEN, DBCLOSE. OK stores the box's state ("N" ticked, else "Y"); Cancel
// stores nothing, so a ticked box followed by Cancel shows the dialog again next time.
// Without an open environment nothing is read or stored: the dialog always shows.
//
// Callers set key, size, caption, message and style, then call DoModal and go on when it
// gives IDOK.

#include <QDialog>
#include <QString>

class QCheckBox;

namespace compose {

class CConfirmDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 937;
    enum : int { kIdcMessage = 1906, kIdcDontShow = 1905, kIdcIcon = 1910 };
    // Style bits: OK and Cancel (else OK only); the icon (tested in this order).
    enum : int { kStyleOkCancel = 0x1, kStyleStop = 0x10, kStyleQuestion = 0x20, kStyleInformation = 0x40 };
    static constexpr const char* kSection = "CONFIRMDIALOG";

    explicit CConfirmDialog(QWidget* parent = nullptr);

    void SetKeyName(const QString& key) { keyName_ = key; }
    void SetDialogSize(int height, int width) {
        height_ = height;
        width_ = width;
    }
    void SetCaption(const QString& caption) { caption_ = caption; }
    void SetMessage(const QString& message) { message_ = message; }
    void SetStyle(int style) { style_ = style; }

    // IDOK (1) at once when the key says "N"; otherwise shows the dialog: IDOK or IDCANCEL.
    int DoModal();

    void accept() override;
    void reject() override;

private:
    void Build();

    QString caption_;
    QString message_;
    int width_ = 584;
    int height_ = 347;
    int style_ = kStyleQuestion;
    QString keyName_ = QStringLiteral("MAILREFLECT");
    QCheckBox* dontShow_ = nullptr;
};

}  // namespace compose
