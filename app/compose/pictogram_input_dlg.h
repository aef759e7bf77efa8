#pragma once
// The pictogram palette of the carrier text pages and the carrier HTML pages.
//
// A page builds a PictogramList (the NTT DoCoMo codes the palette offers, in table order,
// each with the id of the carrier's drawing of it) and hands it to CPictogramDialog, a small
// modeless dialog (dlg2008, "絵文字入力") that shows the pictograms in a grid of ten columns
// of 24 x 24 pixel cells. It is a tool window of the page's window: it stays above the
// composing window while the person works there. Choosing one (double-click, or the button "絵文字入力" on the
// current cell) queues its NTT DoCoMo code, makes the page's window active again and
// signals pictogramChosen() through the event queue; the page answers each signal by
// taking one code with GetSelectedCode() and inserting it. Several quick choices queue
// several codes, taken in the order chosen. A cell past the last entry does nothing.
//
// The cells draw each pictogram through its standard emoji (pictogram_glyphs.h); the
// carrier drawing ids are kept in the list for the pages but draw nothing here. The codes
// handed out are always the NTT DoCoMo codes of the list, never anything derived from
// the drawing.

#include <QDialog>

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

class QTableWidget;
class QWidget;

namespace compose {

// One palette entry: the pictogram's two code bytes (with a NUL and a spare byte) and the
// id of its drawing.
struct PictogramEntry {
    char code[4] = {};
    int bitmapId = 0;

    PictogramEntry() = default;
    PictogramEntry(std::uint16_t sjisCode, int bitmap);
    std::string_view Code() const { return std::string_view(code, code[0] ? 2 : 0); }
    std::uint16_t CodeValue() const;
};

// The entries a palette shows, in order. Room is taken 200 entries at a time.
class PictogramList {
public:
    static constexpr std::size_t kGrowBy = 200;

    PictogramList();
    void Add(const PictogramEntry& entry);
    std::size_t GetCount() const { return entries_.size(); }
    // The entry at `index` (below GetCount()).
    const PictogramEntry& GetAt(std::size_t index) const { return entries_[index]; }
    // How many entries fit before the room grows again.
    std::size_t GetRoom() const { return room_; }

private:
    std::vector<PictogramEntry> entries_;
    std::size_t room_ = kGrowBy;
};

// A carrier's palette, the same for its text page and its HTML page: the kPaletteSize
// pictograms of the common table in table order (their NTT DoCoMo codes), each with the
// carrier's drawing - `firstBitmap` + its position, except that entry 196 + i is drawn by
// lastBitmaps[i] when that is not 0 (a carrier whose last drawings lie outside its run).
inline constexpr std::size_t kPaletteSize = 200;
PictogramList MakeCarrierPictogramList(int firstBitmap, const std::array<int, 4>& lastBitmaps = {});

class CPictogramDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 2008;
    enum : int { kIdcGrid = 1884, kIdcInsert = 1885, kIdcClose = 1886 };
    static constexpr int kColumns = 10;
    static constexpr int kCellPixels = 24;

    // `parent`: the page's window, activated again after each choice.
    explicit CPictogramDialog(QWidget* parent = nullptr);

    // The entries to show; called before the dialog is first shown (a later call shows
    // the new list).
    void SetPictogramList(const PictogramList& list);
    const PictogramList& GetPictogramList() const { return list_; }

    // Removes and returns the oldest queued code (two bytes); empty when none is queued.
    std::string GetSelectedCode();

    // Chooses the pictogram of the grid's current cell (what the button and a double-click
    // do); a cell past the last entry does nothing.
    void InsertSelectedPictogram();

    QTableWidget* Grid() const { return grid_; }

signals:
    // One code was queued (sent through the event queue, once per code).
    void pictogramChosen();

private:
    void FillGrid();

    QWidget* owner_;
    QTableWidget* grid_ = nullptr;
    std::deque<std::string> queue_;
    PictogramList list_;
};

}  // namespace compose
