#include "app/htmledit/map_candidate_dlg.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/htmledit/map_url_lookup_settings.h"
#include "app/htmledit/map_url_lookup_texts.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace htmledit {

CMapUrlCandidateDlg::CMapUrlCandidateDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("地図URLの取得（候補の選択）"));
    auto* column = new QVBoxLayout(this);
    list_ = ui::SetControlId(new QTableWidget(0, 2, this), kIdcList);
    list_->setHorizontalHeaderLabels({ui::U8("名前"), ui::U8("URL")});
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(true);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setHighlightSections(false);
    list_->setMinimumSize(480, 220);
    column->addWidget(list_);
    shell::dialogs::AddOkCancelRow(column, this, true);
}

int CMapUrlCandidateDlg::DoModal() {
    const MapCandidateList parsed = ParseMapCandidates(reply_, GetMapLookupSettings().mapPageService, zoom_);
    if (parsed.TooMany()) {
        ui::MessageBox(parentWidget(), texts::TooManyCandidates(), texts::LookupErrorCaption(), platform::kMbOk);
        return platform::kIdCancel;
    }
    if (parsed.candidates.empty()) {
        ui::MessageBox(parentWidget(), texts::NoCandidates(), texts::LookupErrorCaption(), platform::kMbOk);
        return platform::kIdCancel;
    }
    candidates_ = parsed.candidates;
    list_->setRowCount(static_cast<int>(candidates_.size()));
    for (int row = 0; row < list_->rowCount(); ++row) {
        const MapCandidate& c = candidates_[static_cast<size_t>(row)];
        list_->setItem(row, 0, new QTableWidgetItem(ui::FromSjis(c.name)));
        list_->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(c.url)));
    }
    list_->resizeColumnsToContents();
    if (candidates_.size() == 1) {
        Take(0);
        return platform::kIdOk;
    }
    return exec();
}

void CMapUrlCandidateDlg::Take(int row) {
    const MapCandidate& c = candidates_[static_cast<size_t>(row)];
    if (address_) *address_ = ui::FromSjis(c.name);
    if (url_) *url_ = QString::fromStdString(c.url);
}

void CMapUrlCandidateDlg::accept() {
    const QList<QTableWidgetItem*> chosen = list_->selectedItems();
    if (chosen.isEmpty()) {
        ui::MessageBox(this, texts::ChooseData(), texts::ChooseCaption(), platform::kMbOk);
        return;
    }
    Take(chosen.front()->row());
    done(platform::kIdOk);
}

void CMapUrlCandidateDlg::reject() {
    if (address_) address_->clear();
    if (url_) url_->clear();
    done(platform::kIdCancel);
}

}  // namespace htmledit
