#include "app/addressui/search_dlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <utility>

#include "app/addressui/equal_value_dlg.h"
#include "app/addressui/search_filter.h"
#include "app/addressui/condition_controls.h"
#include "app/dialogs/dialog_parts.h"
#include "app/dialogs/wait_dlg.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "platform/notifier.h"

namespace addressui {

CDBSearchDlg::CDBSearchDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("個人情報検索条件"));
    wait_ = new shell::CWaitDlg(this);

    auto* column = new QVBoxLayout(this);
    auto* fieldRow = new QHBoxLayout;
    fieldRow->addWidget(new QLabel(ui::U8("検索項目"), this));
    field_ = ui::SetControlId(new QComboBox(this), kIdcField);
    field_->addItem(ui::U8("すべて"));
    fieldElements_.push_back(-1);
    if (CDatabaseEdit* book = shell::GetDatabaseEdit()) {
        std::vector<DB_Element_Info> fields;
        // A descriptor that cannot be read (an attribute's name) still leaves the others.
        book->Get_DBElementInfo(fields, kSearchFieldMask);
        for (const DB_Element_Info& f : fields) {
            field_->addItem(ui::FromSjis(f.name));
            fieldElements_.push_back(f.element);
        }
    }
    field_->setMaxVisibleItems(20);
    fieldRow->addWidget(field_, 1);
    column->addLayout(fieldRow);

    auto* box = new QGroupBox(ui::U8("検索条件"), this);
    auto* grid = new QGridLayout(box);
    controls_.Build(box, this, grid,
                    {kIdcByValues, kIdcByRange, kIdcValues, kIdcPickValues, kIdcEqualFlag, kIdcLower, kIdcUpper,
                     kIdcLowerLabel, kIdcUpperLabel, kIdcRangeFlag},
                    ui::U8("値で検索"), ui::U8("範囲で検索"), 260);
    controls_.byValues->setChecked(true);
    column->addWidget(box);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* search = shell::dialogs::MakeButton(this, ui::U8("検索"), kIdcSearch);
    search->setDefault(true);
    auto* cancel = shell::dialogs::MakeButton(this, ui::U8("キャンセル"), shell::dialogs::kIdCancel);
    buttons->addWidget(search);
    buttons->addWidget(cancel);
    column->addLayout(buttons);

    connect(field_, &QComboBox::currentIndexChanged, this, [this] { UpdateControls(); });
    connect(controls_.byValues, &QRadioButton::toggled, this, [this] { UpdateControls(); });
    connect(controls_.pick, &QPushButton::clicked, this, [this] { PickValues(); });
    connect(search, &QPushButton::clicked, this, [this] { Search(); });
    connect(cancel, &QPushButton::clicked, this, &CDBSearchDlg::reject);
    UpdateControls();
}

CDBSearchDlg::~CDBSearchDlg() = default;

int CDBSearchDlg::DoModal() { return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel; }

int CDBSearchDlg::ChosenElement() const {
    const int k = field_->currentIndex();
    return k >= 0 && k < static_cast<int>(fieldElements_.size()) ? fieldElements_[static_cast<std::size_t>(k)] : -1;
}

void CDBSearchDlg::UpdateControls() { controls_.Enable(ChosenElement() >= 0); }

void CDBSearchDlg::PickValues() {
    const int element = ChosenElement();
    if (element < 0) return;
    CEqualValueDlg picker(element, this);
    if (picker.DoModal() == platform::kIdOk) controls_.values->setText(ui::FromSjis(picker.GetResult()));
}

void CDBSearchDlg::Search() {
    if (worker_.Busy()) return;
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    if (book == nullptr) return;

    OneExtractCondition c;
    c.element = ChosenElement();
    c.kind = controls_.byValues->isChecked() ? "E" : "R";
    c.values = SplitSearchValues(ui::ToSjis(controls_.values->text()));
    c.equalFlag = controls_.equalFlag->currentIndex() == 1 ? "N" : "Y";
    c.lower = ui::ToSjis(controls_.lower->text());
    c.upper = ui::ToSjis(controls_.upper->text());
    c.rangeFlag = controls_.rangeFlag->currentIndex() == 1 ? "N" : "Y";
    if (c.kind == "R" && c.element >= 0) {
        const int kind = SearchFieldKind(*book, c.element);
        if (kind >= 0) OrderSearchBounds(kind, c.lower, c.upper);
    }
    condition_ = c;

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    setEnabled(false);
    wait_->SetMessages(ui::U8("個人情報を検索しています"), ui::U8("件数や複雑さにより時間がかかる場合があります"),
                       ui::U8("そのまましばらくお待ちください"));
    wait_->Create(this);
    worker_.Start(
        this, [book, c = std::move(c)] { return RunSearch(*book, c); },
        [this](std::vector<int> hits) {
            hits_ = std::move(hits);
            setEnabled(true);
            wait_->End();
            QGuiApplication::restoreOverrideCursor();
            QDialog::accept();
        });
}

void CDBSearchDlg::reject() {
    if (worker_.Busy()) return;
    QDialog::reject();
}

}  // namespace addressui
