#include "app/addressui/db_edit_extra.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QVBoxLayout>

#include <memory>

#include "app/addressui/attribute_values_model.h"
#include "app/addressui/record_checks.h"
#include "app/dialogs/dialog_parts.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "platform/notifier.h"

namespace addressui {

CDBEditBase::CDBEditBase(QWidget* parent) : QDialog(parent) {}

void CDBEditBase::TransferData(bool) {}

std::string CDBEditBase::NameAt(int index) const {
    if (names_ == nullptr || index < 0 || index >= static_cast<int>(names_->size())) return {};
    return (*names_)[static_cast<std::size_t>(index)];
}

int CDBEditBase::DoModal() {
    if (!initialised_) {
        initialised_ = true;
        // Reading the values the address book holds may take a moment.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        OnInitDialog();
        QGuiApplication::restoreOverrideCursor();
    }
    return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

CDBEditExtraWindow::CDBEditExtraWindow(const ExtraAttributeGroup& group, QWidget* parent)
    : CDBEditBase(parent), group_(group) {
    setObjectName(ui::DialogName(group.windowId));
    setWindowTitle(ui::U8(group.windowTitle));
    auto* column = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    for (int i = 0; i < kAttributesPerGroup; ++i) {
        const auto k = static_cast<std::size_t>(i);
        nameEdits_[k] = shell::dialogs::MakeEdit(this, group.nameControls + i);
        nameEdits_[k]->setReadOnly(true);
        nameEdits_[k]->setFocusPolicy(Qt::NoFocus);
        nameEdits_[k]->setMinimumWidth(150);
        models_[k] = new AttributeValuesModel(this);
        auto* box = ui::SetControlId(new QComboBox(this), group.valueControls[k]);
        box->setEditable(true);
        box->setModel(models_[k]);
        // A box may offer a million values: no completer walking them per key, no width
        // measured over all of them, rows of one height in the list.
        box->setCompleter(nullptr);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(24);
        if (auto* list = qobject_cast<QListView*>(box->view())) list->setUniformItemSizes(true);
        boxes_[k] = box;
        grid->addWidget(nameEdits_[k], i, 0);
        grid->addWidget(box, i, 1);
    }
    column->addLayout(grid);
    shell::dialogs::AddOkCancelRow(column, this, true);
}

void CDBEditExtraWindow::OnInitDialog() {
    for (int i = 0; i < kAttributesPerGroup; ++i)
        nameEdits_[static_cast<std::size_t>(i)]->setText(ui::FromSjis(NameAt(group_.first + i)));
    TransferData(true);
}

void CDBEditExtraWindow::TransferData(bool toControls) {
    if (record_ == nullptr) return;
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    for (int i = 0; i < kAttributesPerGroup; ++i) {
        const auto k = static_cast<std::size_t>(i);
        std::string& value = record_->Extra[static_cast<std::size_t>(group_.first + i)];
        if (!toControls) {
            value = kept_[k].Result(boxes_[k]->currentText());
            continue;
        }
        std::vector<std::string> values;
        if (book != nullptr && book->GetDBElementGroupBy(group_.firstElement + i, values, 0, 0) < 0) values.clear();
        models_[k]->SetValues(std::move(values));
        int row = models_[k]->RowOf(value);
        if (row < 0 && !value.empty()) row = models_[k]->AddValue(value);
        boxes_[k]->setCurrentIndex(row);
        if (row < 0) boxes_[k]->setEditText(QString());
        kept_[k].Remember(value, boxes_[k]->currentText());
    }
}

bool CDBEditExtraWindow::CheckValues() {
    std::vector<DB_Element_Info> kinds;
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    const int r = book != nullptr ? book->Get_DBElementInfo(kinds, group_.mask) : -1;
    if (r < 0 || kinds.size() != static_cast<std::size_t>(kAttributesPerGroup)) {
        // Without the kinds nothing can be checked, and nothing unchecked is stored.
        const QString why = book != nullptr ? ui::FromSjis(book->GetErrMsg().GetLastMsg())
                                            : ui::U8("環境が開かれていません");
        ui::MessageBox(this, why, ui::U8(kAttributeProblemCaption), platform::kMbOk | platform::kMbIconWarning);
        return false;
    }
    for (int i = 0; i < kAttributesPerGroup; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const QString typed = boxes_[k]->currentText();
        if (typed.isEmpty()) continue;
        const std::string bytes = kept_[k].Result(typed);
        std::string accepted;
        const AttributeVerdict verdict = CheckAttributeValue(kinds[k].dataType, bytes, accepted);
        if (verdict != AttributeVerdict::kAccepted) {
            ui::MessageBox(this, ui::FromSjis(kinds[k].name) + ui::U8(AttributeProblemText(verdict)),
                           ui::U8(kAttributeProblemCaption), platform::kMbOk | platform::kMbIconWarning);
            boxes_[k]->setFocus(Qt::OtherFocusReason);
            if (QLineEdit* edit = boxes_[k]->lineEdit()) edit->selectAll();
            return false;
        }
        // A value accepted as it stands keeps its text, and so its bytes.
        if (accepted != bytes) boxes_[k]->setEditText(ui::FromSjis(accepted));
    }
    return true;
}

void CDBEditExtraWindow::accept() {
    if (!CheckValues()) return;
    TransferData(false);
    done(platform::kIdOk);
}

void CDBEditExtraWindow::reject() { done(platform::kIdCancel); }

bool EditExtraAttributes(QWidget* parent, const ExtraAttributeGroup& group, OneCustomer* record,
                         const std::vector<std::string>* names) {
    if (record == nullptr) return false;
    std::unique_ptr<CDBEditExtraWindow> window;
    if (&group == &GroupAtoJ()) window = std::make_unique<CDBEditExtra1>(parent);
    else window = std::make_unique<CDBEditExtra2>(parent);
    window->SetOneCustomer(record);
    window->SetExtractData(names);
    return window->DoModal() == platform::kIdOk;
}

}  // namespace addressui
