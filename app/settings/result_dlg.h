#pragma once
// CResultDlg (179 "結果の表示"): three lines of result text and OK; the extraction run
// shows its outcome with it. The lines are set before the dialog opens (empty until then).
// It opens without putting the focus anywhere, so a key pressed while it appears does not
// close it by accident; OK, Enter and Escape close it.

#include <QDialog>
#include <QString>

class QLabel;

namespace settings {

class CResultDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 179;
    static constexpr int kIdcLine1 = 1471;
    static constexpr int kIdcLine2 = 1472;
    static constexpr int kIdcLine3 = 1473;

    explicit CResultDlg(QWidget* parent = nullptr);

    void SetResultLines(const QString& first, const QString& second, const QString& third);
    // 1 (IDOK) or 2 (IDCANCEL, Escape).
    int DoModal();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString lines_[3];
    QLabel* labels_[3] = {};
};

}  // namespace settings
