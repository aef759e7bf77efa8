#pragma once
// The list bar on the left of the main window (menu name メールバー): a column of large
// pictures with names, in groups, one item per list mode. Clicking an item shows its
// mode in the mail list.
//
//  - CListBarCtrl (control 1487): the items and their keys ("MAIL_ALL" ...); it tells
//    which key was clicked and knows nothing of modes.
//  - CListBar (bar 182): hosts the control and turns a clicked key into a mode change of
//    the mail list: "MAIL_ALL", "MAIL_DRAFT", "MAIL_WAIT", "MAIL_SEND", "MAIL_REPORT" show
//    modes 1, 2, 4, 8, 16; any other key (the fax keys "FAX_ALL", "FAX_WAIT", "FAX_SEND"
//    among them) does nothing. The item of the mode the list shows stays marked.

#include <QString>
#include <QWidget>

#include <functional>

class QListWidget;
class QListWidgetItem;
class QPixmap;
class QVBoxLayout;

namespace shell {

class CListBarCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIconSize = 30;

    explicit CListBarCtrl(QWidget* parent = nullptr);

    // A group heading; the items added after it belong to it.
    void AddGroup(const QString& title);
    void AddItem(const QString& key, const QString& text, const QPixmap& icon);
    // Marks the item of `key` (none when no item has it).
    void SetCurrentKey(const QString& key);
    QString CurrentKey() const;
    // The keys of the items, in order.
    QStringList Keys() const;
    // As if the item of `key` had been clicked (keys no item has are passed on too).
    void ClickItem(const QString& key) { emit ItemClicked(key); }

signals:
    void ItemClicked(const QString& key);

private:
    QListWidget* CurrentList();

    QVBoxLayout* layout_ = nullptr;
    QList<QListWidget*> groups_;
};

class CListBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIdd = 182;
    static constexpr int kIdcListBar = 1487;

    explicit CListBar(QWidget* parent = nullptr);

    CListBarCtrl* Control() const { return control_; }
    // What a mode change does (the mail list's SwitchMode).
    void SetModeSwitcher(std::function<void(int mode)> switcher) { switcher_ = std::move(switcher); }
    // The item click: shows the key's mode, or does nothing.
    void OnItemClick(const QString& key);
    // Marks the item of the mode the list shows now.
    void SetCurrentMode(int mode);

private:
    CListBarCtrl* control_;
    std::function<void(int)> switcher_;
};

}  // namespace shell
