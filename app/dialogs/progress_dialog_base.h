#pragma once
// ProgressDialogBase: the common part of the modeless dialogs that stand in front of the
// user while a screen works (please-wait, extraction progress, test-mail progress): three
// text lines, created over an owner without taking the focus, closed by the owner when the
// work ends.
//
// The object outlives its window: a screen keeps one and creates it again for every piece
// of work. Each creation shows the lines set last by SetMessages.
//
// What it refuses: Escape, Enter, Cancel and the close box never close it; only End does.
// The work itself runs elsewhere (on a worker of the owner), so the window keeps painting.

#include <QDialog>
#include <QString>

#include <array>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace shell {

class ProgressDialogBase : public QDialog {
    Q_OBJECT
public:
    // Stores the three lines for the next Create (a created window keeps what it shows).
    void SetMessages(const QString& line1, const QString& line2, const QString& line3);
    // Shows the dialog modeless, without activating it, with the lines set last. `owner`
    // (when not null) becomes the window it stands over. Creating it again while it is
    // shown fills it again.
    void Create(QWidget* owner = nullptr);
    // True from Create to End.
    bool IsCreated() const { return created_; }

public slots:
    // The owner's "work done": closes the window. The object stays for the next Create.
    void End();

protected:
    ProgressDialogBase(int idd, const std::array<int, 3>& lineIds, QWidget* parent);

    QLabel* LineLabel(int index) const { return labels_[index]; }
    // Adds the dialog's one button, centred below the lines.
    QPushButton* AddButton(const QString& text, int id);
    // Called by Create before the window shows: the controls as a fresh window has them.
    virtual void ResetControls() {}

    void reject() override {}
    void accept() override {}

private:
    std::array<QString, 3> lines_;
    std::array<QLabel*, 3> labels_{};
    QVBoxLayout* column_ = nullptr;
    bool created_ = false;
};

}  // namespace shell
