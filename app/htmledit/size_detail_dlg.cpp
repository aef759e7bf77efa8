#include "app/htmledit/size_detail_dlg.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "app/mailtext/text_utils.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace htmledit {
namespace {

// The ruled table, in the dialog's coordinates.
constexpr int kLeft = 10;
constexpr int kMiddle = 197;
constexpr int kRight = 385;
constexpr int kTotalTop = 11;
constexpr int kTotalBottom = 39;
constexpr int kRowsTop = 73;
constexpr int kRowHeight = 28;
constexpr int kRows = 7;
constexpr int kUnitWidth = 40;
constexpr int kInset = 6;

struct Row {
    int labelId;
    const char* label;
    int valueId;
    bool bytes;  // shows the unit "バイト"
};

const Row kTableRows[kRows] = {
    {1906, "件名", CMailFileSizeDlg::kIdcSubject, true},
    {1907, "HTMLパート", CMailFileSizeDlg::kIdcHtmlPart, true},
    {1908, "TEXTパート", CMailFileSizeDlg::kIdcTextPart, true},
    {1909, "インライン画像数", CMailFileSizeDlg::kIdcInlineCount, false},
    {1910, "インライン画像", CMailFileSizeDlg::kIdcInlineSize, true},
    {1917, "添付ファイル数", CMailFileSizeDlg::kIdcAttachmentCount, false},
    {1919, "添付ファイル", CMailFileSizeDlg::kIdcAttachmentSize, true},
};

QLabel* AddCell(QWidget* parent, int id, const QString& text, const QRect& rect, Qt::Alignment align) {
    QLabel* label = shell::dialogs::MakeLabel(parent, text, id);
    label->setGeometry(rect);
    label->setAlignment(align | Qt::AlignVCenter);
    return label;
}

// A row's cells: label left of the middle line, value (and unit) right of it.
void AddRow(QWidget* parent, int labelId, const QString& label, int valueId, bool unit, int top, int bottom) {
    const int height = bottom - top - 1;
    AddCell(parent, labelId, label, QRect(kLeft + kInset, top + 1, kMiddle - kLeft - 2 * kInset, height), Qt::AlignLeft);
    const int valueRight = unit ? kRight - kUnitWidth : kRight - kInset;
    AddCell(parent, valueId, QStringLiteral("0"), QRect(kMiddle + kInset, top + 1, valueRight - kMiddle - 2 * kInset, height),
            Qt::AlignRight);
    if (unit) AddCell(parent, 0, ui::U8("バイト"), QRect(valueRight, top + 1, kUnitWidth, height), Qt::AlignLeft);
}

}  // namespace

CMailFileSizeDlg::CMailFileSizeDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("メールファイルサイズ詳細"));
    for (QString& text : texts_) text = QStringLiteral("0");

    AddRow(this, 1902, ui::U8("メール合計サイズ"), kIdcTotal, true, kTotalTop, kTotalBottom);
    AddCell(this, 1904, ui::U8("- メールファイルサイズの詳細 -"), QRect(kLeft, kTotalBottom + 8, kRight - kLeft, 24),
            Qt::AlignHCenter);
    for (int i = 0; i < kRows; ++i) {
        const Row& row = kTableRows[i];
        AddRow(this, row.labelId, ui::U8(row.label), row.valueId, row.bytes, kRowsTop + i * kRowHeight,
               kRowsTop + (i + 1) * kRowHeight);
    }
    const int noteTop = kRowsTop + kRows * kRowHeight + 10;
    QLabel* note = shell::dialogs::MakeLabel(
        this, ui::U8("表示している各ファイルサイズのうち、ヘッダサイズ、HTMLパート、TEXTパートは、基本属性、拡張属性に設定された文字のうち最大文字数の文字を差込んだ状態のサイズとなります。"));
    note->setWordWrap(true);
    note->setGeometry(kLeft, noteTop, kRight - kLeft, 64);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPushButton* ok = shell::dialogs::MakeButton(this, QStringLiteral("OK"), shell::dialogs::kIdOk);
    ok->setDefault(true);
    ok->setGeometry(kRight - 90, noteTop + 72, 90, 28);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(kRight + kLeft + 2, noteTop + 72 + 28 + 10);
}

void CMailFileSizeDlg::SetFigure(Figure figure, std::uint64_t value, bool addToTotal) {
    texts_[figure] = QString::fromStdString(compose::FormatNumberWithCommas(value));
    if (addToTotal) total_ += value;
}

void CMailFileSizeDlg::SetSubjectSize(std::uint64_t bytes) { SetFigure(kSubject, bytes, true); }
void CMailFileSizeDlg::SetHtmlPartSize(std::uint64_t bytes) { SetFigure(kHtml, bytes, true); }
void CMailFileSizeDlg::SetTextPartSize(std::uint64_t bytes) { SetFigure(kText, bytes, true); }
void CMailFileSizeDlg::SetInlineImageSize(std::uint64_t bytes) { SetFigure(kInlineSize, bytes, true); }
void CMailFileSizeDlg::SetAttachmentSize(std::uint64_t bytes) { SetFigure(kAttachSize, bytes, true); }
void CMailFileSizeDlg::SetInlineImageCount(std::uint64_t count) { SetFigure(kInlineCount, count, false); }
void CMailFileSizeDlg::SetAttachmentCount(std::uint64_t count) { SetFigure(kAttachCount, count, false); }

int CMailFileSizeDlg::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

void CMailFileSizeDlg::OnInitDialog() {
    ui::FindControl<QLabel>(this, kIdcTotal)->setText(QString::fromStdString(compose::FormatNumberWithCommas(total_)));
    const int ids[kFigures] = {kIdcSubject, kIdcHtmlPart, kIdcTextPart, kIdcInlineCount,
                               kIdcInlineSize, kIdcAttachmentCount, kIdcAttachmentSize};
    for (int i = 0; i < kFigures; ++i) ui::FindControl<QLabel>(this, ids[i])->setText(texts_[i]);
}

void CMailFileSizeDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    painter.drawRect(kLeft, kTotalTop, kRight - kLeft, kTotalBottom - kTotalTop);
    painter.drawLine(kMiddle, kTotalTop, kMiddle, kTotalBottom);
    for (int i = 0; i <= kRows; ++i) painter.drawLine(kLeft, kRowsTop + i * kRowHeight, kRight, kRowsTop + i * kRowHeight);
    const int bottom = kRowsTop + kRows * kRowHeight;
    for (int x : {kLeft, kMiddle, kRight}) painter.drawLine(x, kRowsTop, x, bottom);
}

}  // namespace htmledit
