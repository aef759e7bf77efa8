#include "app/compose/pictogram_input_dlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMetaObject>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/compose/pictogram_glyphs.h"
#include "app/mailtext/pictogram_table_data.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace compose {

using shell::dialogs::MakeButton;

namespace {
constexpr int kIconPixels = 20;
}  // namespace

PictogramEntry::PictogramEntry(std::uint16_t sjisCode, int bitmap) : bitmapId(bitmap) {
    code[0] = static_cast<char>(sjisCode >> 8);
    code[1] = static_cast<char>(sjisCode & 0xFF);
}

std::uint16_t PictogramEntry::CodeValue() const {
    return static_cast<std::uint16_t>((static_cast<unsigned char>(code[0]) << 8) | static_cast<unsigned char>(code[1]));
}

PictogramList::PictogramList() { entries_.reserve(kGrowBy); }

void PictogramList::Add(const PictogramEntry& entry) {
    if (entries_.size() == room_) {
        room_ += kGrowBy;
        entries_.reserve(room_);
    }
    entries_.push_back(entry);
}

PictogramList MakeCarrierPictogramList(int firstBitmap, const std::array<int, 4>& lastBitmaps) {
    static_assert(std::size(pictogram_data::kCommon) == kPaletteSize);
    PictogramList list;
    const std::size_t tail = kPaletteSize - lastBitmaps.size();
    for (std::size_t p = 0; p < kPaletteSize; ++p) {
        int bitmap = firstBitmap + static_cast<int>(p);
        if (p >= tail && lastBitmaps[p - tail] != 0) bitmap = lastBitmaps[p - tail];
        list.Add(PictogramEntry(pictogram_data::kCommon[p].docomo, bitmap));
    }
    return list;
}

CPictogramDialog::CPictogramDialog(QWidget* parent) : QDialog(parent, Qt::Tool), owner_(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("絵文字入力"));
    setModal(false);

    grid_ = ui::SetControlId(new QTableWidget(this), kIdcGrid);
    grid_->setColumnCount(kColumns);
    grid_->horizontalHeader()->hide();
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setMinimumSectionSize(kCellPixels);
    grid_->verticalHeader()->setMinimumSectionSize(kCellPixels);
    grid_->horizontalHeader()->setDefaultSectionSize(kCellPixels);
    grid_->verticalHeader()->setDefaultSectionSize(kCellPixels);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setIconSize(QSize(kIconPixels, kIconPixels));
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grid_->setStyleSheet(QStringLiteral("QTableWidget::item { padding: 0px; }"));
    const int frame = 2 * grid_->frameWidth();
    const int scrollBar = grid_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    grid_->setFixedWidth(kColumns * kCellPixels + frame + scrollBar);
    grid_->setMinimumHeight(8 * kCellPixels + frame);

    auto* column = new QVBoxLayout(this);
    column->addWidget(grid_, 1);
    auto* buttons = new QHBoxLayout;
    QPushButton* insert = MakeButton(this, ui::U8("絵文字入力"), kIdcInsert);
    QPushButton* close = MakeButton(this, ui::U8("閉じる"), kIdcClose);
    buttons->addStretch(1);
    buttons->addWidget(insert);
    buttons->addWidget(close);
    column->addLayout(buttons);

    connect(insert, &QPushButton::clicked, this, &CPictogramDialog::InsertSelectedPictogram);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(grid_, &QTableWidget::cellDoubleClicked, this, [this] { InsertSelectedPictogram(); });
}

void CPictogramDialog::SetPictogramList(const PictogramList& list) {
    list_ = list;
    FillGrid();
}

void CPictogramDialog::FillGrid() {
    grid_->setUpdatesEnabled(false);
    grid_->clearContents();
    const int count = static_cast<int>(list_.GetCount());
    grid_->setRowCount((count + kColumns - 1) / kColumns);
    for (int index = 0; index < count; ++index) {
        const PictogramEntry& entry = list_.GetAt(static_cast<std::size_t>(index));
        auto* item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        if (const PictogramLook* look = FindPictogramLook(entry.CodeValue())) {
            item->setIcon(QIcon(PictogramPixmap(*look, kIconPixels)));
            item->setToolTip(look->name);
        }
        grid_->setItem(index / kColumns, index % kColumns, item);
    }
    // Cells past the last entry can be current but show no selection; choosing them does
    // nothing.
    for (int index = count; index < grid_->rowCount() * kColumns; ++index) {
        auto* item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled);
        grid_->setItem(index / kColumns, index % kColumns, item);
    }
    grid_->setUpdatesEnabled(true);
    if (count > 0) grid_->setCurrentCell(0, 0);
}

std::string CPictogramDialog::GetSelectedCode() {
    if (queue_.empty()) return std::string();
    std::string code = std::move(queue_.front());
    queue_.pop_front();
    return code;
}

void CPictogramDialog::InsertSelectedPictogram() {
    const int row = grid_->currentRow();
    const int column = grid_->currentColumn();
    if (row < 0 || column < 0) return;
    const std::size_t index = static_cast<std::size_t>(row) * kColumns + static_cast<std::size_t>(column);
    if (index >= list_.GetCount()) return;
    queue_.emplace_back(list_.GetAt(index).Code());
    if (owner_ != nullptr) owner_->window()->activateWindow();
    // Posted, as each choice is one message to the page: it arrives after this returns.
    QMetaObject::invokeMethod(this, &CPictogramDialog::pictogramChosen, Qt::QueuedConnection);
}

}  // namespace compose
