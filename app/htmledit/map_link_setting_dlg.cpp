#include "app/htmledit/map_link_setting_dlg.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/htmledit/map_link_options.h"
#include "app/htmledit/map_url_lookup_dlg.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace htmledit {
namespace {

namespace dialogs = shell::dialogs;

constexpr int kNameColumn = 0;
constexpr int kUrlColumn = 1;

// The name editor: a rename that ends empty keeps the name it started from.
class NameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        auto* edit = qobject_cast<QLineEdit*>(editor);
        if (edit && edit->text().isEmpty()) return;
        QStyledItemDelegate::setModelData(editor, model, index);
    }
};

QTableWidgetItem* FixedItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

bool OpensInBrowser(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

}  // namespace

CMapLinkSettingDlg::CMapLinkSettingDlg(std::vector<std::string>* options, QWidget* parent)
    : QDialog(parent), options_(options) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("地図リンクの設定"));
    auto* column = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;

    list_ = ui::SetControlId(new QTableWidget(0, 2, this), kIdcList);
    list_->setHorizontalHeaderLabels({ui::U8("名前"), ui::U8("URL")});
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(true);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setHighlightSections(false);
    list_->setColumnWidth(kNameColumn, 80);
    list_->setColumnWidth(kUrlColumn, 300);
    list_->setMinimumSize(420, 260);
    auto* names = new NameDelegate(list_);
    list_->setItemDelegateForColumn(kNameColumn, names);
    connect(names, &QAbstractItemDelegate::closeEditor, this, &CMapLinkSettingDlg::OnRenameEnded);
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { StartRename(row); });
    body->addWidget(list_, 1);

    auto* buttons = new QVBoxLayout;
    add_ = dialogs::MakeButton(this, ui::U8("追加"), kIdcAdd);
    auto* remove = dialogs::MakeButton(this, ui::U8("削除"), kIdcDelete);
    auto* browse = dialogs::MakeButton(this, ui::U8("ブラウザで確認"), kIdcBrowse);
    buttons->addWidget(add_);
    buttons->addWidget(remove);
    buttons->addWidget(browse);
    buttons->addStretch(1);
    body->addLayout(buttons);
    column->addLayout(body);
    dialogs::AddOkCancelRow(column, this, true);

    connect(add_, &QPushButton::clicked, this, &CMapLinkSettingDlg::OnAdd);
    connect(remove, &QPushButton::clicked, this, &CMapLinkSettingDlg::OnDelete);
    connect(browse, &QPushButton::clicked, this, &CMapLinkSettingDlg::OnBrowse);

    if (options_) {
        for (const MapLink& link : LoadMapLinks(*options_)) AppendRow(ui::FromSjis(link.name), ui::FromSjis(link.url));
    }
    if (list_->rowCount() > 0) ResizeColumns();
    UpdateAddButton();
}

int CMapLinkSettingDlg::DoModal() { return exec(); }

bool CMapLinkSettingDlg::IsRenaming() const { return renaming_; }

void CMapLinkSettingDlg::AppendRow(const QString& name, const QString& url) {
    const int row = list_->rowCount();
    list_->insertRow(row);
    list_->setItem(row, kNameColumn, FixedItem(name));
    list_->setItem(row, kUrlColumn, FixedItem(url));
}

void CMapLinkSettingDlg::OnAdd() {
    QString name;
    QString url;
    CMapUrlFetchDlg fetch(this);
    fetch.SetResults(&name, &url);
    fetch.DoModal();
    if (!url.isEmpty() && list_->rowCount() < kMaxMapLinks) {
        AppendRow(name.isEmpty() ? url : name, url);
        StartRename(list_->rowCount() - 1);
    }
    if (list_->rowCount() > 0) ResizeColumns();
    UpdateAddButton();
}

void CMapLinkSettingDlg::OnDelete() {
    const int row = ChosenRow();
    if (row < 0) return;
    list_->removeRow(row);
    UpdateAddButton();
}

void CMapLinkSettingDlg::OnBrowse() {
    const int row = ChosenRow();
    if (row < 0) return;
    const QUrl url(list_->item(row, kUrlColumn)->text(), QUrl::StrictMode);
    if (OpensInBrowser(url)) {
        QDesktopServices::openUrl(url);
    } else {
        QApplication::beep();
    }
}

void CMapLinkSettingDlg::StartRename(int row) {
    QTableWidgetItem* item = list_->item(row, kNameColumn);
    if (!item) return;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    renaming_ = true;
    list_->setFocus();
    list_->setCurrentItem(item);
    list_->editItem(item);
}

void CMapLinkSettingDlg::OnRenameEnded() {
    for (int row = 0; row < list_->rowCount(); ++row) {
        QTableWidgetItem* item = list_->item(row, kNameColumn);
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    }
    renaming_ = false;
    list_->resizeColumnToContents(kNameColumn);
}

void CMapLinkSettingDlg::ResizeColumns() { list_->resizeColumnsToContents(); }

void CMapLinkSettingDlg::UpdateAddButton() { add_->setEnabled(list_->rowCount() < kMaxMapLinks); }

int CMapLinkSettingDlg::ChosenRow() const {
    const QModelIndexList rows = list_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void CMapLinkSettingDlg::accept() {
    if (options_) {
        std::vector<MapLink> links;
        for (int row = 0; row < list_->rowCount() && row < kMaxMapLinks; ++row) {
            links.push_back({ui::ToSjis(list_->item(row, kNameColumn)->text()),
                             ui::ToSjis(list_->item(row, kUrlColumn)->text())});
        }
        StoreMapLinks(*options_, links);
    }
    done(platform::kIdOk);
}

void CMapLinkSettingDlg::reject() { done(platform::kIdCancel); }

}  // namespace htmledit
