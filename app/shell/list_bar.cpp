#include "app/shell/list_bar.h"

#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QVBoxLayout>

#include "app/shell/bar_images.h"
#include "app/shell/mail_list_columns.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace shell {
namespace {

constexpr int kKeyRole = Qt::UserRole + 1;

}  // namespace

CListBarCtrl::CListBarCtrl(QWidget* parent) : QWidget(parent) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    setPalette(pal);
}

void CListBarCtrl::AddGroup(const QString& title) {
    auto* heading = new QLabel(title, this);
    heading->setAlignment(Qt::AlignCenter);
    heading->setFrameShape(QFrame::Panel);
    heading->setFrameShadow(QFrame::Raised);
    heading->setAutoFillBackground(true);
    heading->setMinimumHeight(heading->sizeHint().height() + 4);
    QPalette pal = heading->palette();
    pal.setColor(QPalette::Window, palette().color(QPalette::Button));
    heading->setPalette(pal);
    layout_->addWidget(heading);

    auto* list = new QListWidget(this);
    list->setViewMode(QListView::IconMode);
    list->setFlow(QListView::TopToBottom);
    list->setWrapping(false);
    list->setMovement(QListView::Static);
    list->setResizeMode(QListView::Adjust);
    list->setIconSize(QSize(kIconSize, kIconSize));
    list->setSpacing(2);
    list->setFrameShape(QFrame::NoFrame);
    list->setUniformItemSizes(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette pal2 = list->palette();
    pal2.setColor(QPalette::Base, QColor(0x80, 0x80, 0x80));
    pal2.setColor(QPalette::Text, Qt::white);
    list->setPalette(pal2);
    auto clicked = [this](QListWidgetItem* item) {
        if (item) emit ItemClicked(item->data(kKeyRole).toString());
    };
    connect(list, &QListWidget::itemClicked, this, clicked);
    connect(list, &QListWidget::itemActivated, this, clicked);
    layout_->addWidget(list, 1);
    groups_ << list;
}

QListWidget* CListBarCtrl::CurrentList() {
    if (groups_.isEmpty()) AddGroup(QString());
    return groups_.last();
}

void CListBarCtrl::AddItem(const QString& key, const QString& text, const QPixmap& icon) {
    QListWidget* list = CurrentList();
    auto* item = new QListWidgetItem(QIcon(icon), text, list);
    item->setData(kKeyRole, key);
    item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    item->setSizeHint(QSize(96, kIconSize + list->fontMetrics().height() + 8));
}

void CListBarCtrl::SetCurrentKey(const QString& key) {
    for (QListWidget* list : groups_) {
        QListWidgetItem* found = nullptr;
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->data(kKeyRole).toString() == key) found = list->item(i);
        const QSignalBlocker block(list);
        if (found) {
            list->setCurrentItem(found);
        } else {
            list->clearSelection();
            list->setCurrentItem(nullptr);
        }
    }
}

QString CListBarCtrl::CurrentKey() const {
    for (QListWidget* list : groups_)
        if (QListWidgetItem* item = list->currentItem(); item && item->isSelected()) return item->data(kKeyRole).toString();
    return QString();
}

QStringList CListBarCtrl::Keys() const {
    QStringList keys;
    for (QListWidget* list : groups_)
        for (int i = 0; i < list->count(); ++i) keys << list->item(i)->data(kKeyRole).toString();
    return keys;
}

CListBar::CListBar(QWidget* parent) : QWidget(parent) {
    setObjectName(ui::DialogName(kIdd));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    control_ = ui::SetControlId(new CListBarCtrl(this), kIdcListBar);
    layout->addWidget(control_);
    control_->AddGroup(ui::U8("メール"));
    for (const mail_list::ModeInfo& m : mail_list::Modes())
        control_->AddItem(QString::fromLatin1(m.listBarKey), ui::U8(m.name), images::ListBarIcon(m.listBarKey, CListBarCtrl::kIconSize));
    setFixedWidth(112);
    connect(control_, &CListBarCtrl::ItemClicked, this, &CListBar::OnItemClick);
}

void CListBar::OnItemClick(const QString& key) {
    const mail_list::ModeInfo* mode = mail_list::FindModeByListBarKey(key.toStdString());
    if (mode && switcher_) switcher_(mode->mode);
}

void CListBar::SetCurrentMode(int mode) {
    const mail_list::ModeInfo* info = mail_list::FindMode(mode);
    control_->SetCurrentKey(info ? QString::fromLatin1(info->listBarKey) : QString());
}

}  // namespace shell
