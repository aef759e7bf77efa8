#include "app/htmledit/html_sub_pages.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

#include "app/mailtext/sjis_cut.h"
#include "app/compose/wrap_ruler.h"
#include "app/htmledit/html_mail_page_base.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace htmledit {

std::string CutToMaximum(std::string_view text, std::size_t maximum) {
    if (maximum == 0) return std::string(text);
    return compose::CutSjisText(text, maximum);
}

// ---- Both part pages ----------------------------------------------------------------------------

CMailEditHtmlSubPagePart::CMailEditHtmlSubPagePart(int resourceId, int which, std::size_t maximum,
                                                   CMailBodyEdit* edit, QWidget* parent)
    : QWidget(parent), resourceId_(resourceId), which_(which), maximum_(maximum), edit_(edit) {
    setObjectName(ui::DialogName(resourceId));
    edit_->setParent(this);
    edit_->SetByteLimit(maximum_);
    edit_->installEventFilter(this);
    connect(edit_, &QPlainTextEdit::textChanged, this, [this] { OnTextChanged(); });
}

CMailEditHtmlSubPagePart::~CMailEditHtmlSubPagePart() = default;

void CMailEditHtmlSubPagePart::SetText(const std::string& text) { edit_->SetSjisText(CutToMaximum(text, maximum_)); }

std::string CMailEditHtmlSubPagePart::GetText() const { return edit_->GetSjisText(); }

std::size_t CMailEditHtmlSubPagePart::GetByteCount() const { return edit_->GetByteCount(); }

void CMailEditHtmlSubPagePart::SetEditFont(const ui::LogFont& font) {
    font_ = font;
    fontSet_ = true;
    if (initialised_) edit_->setFont(ui::ToQFont(font_));
}

void CMailEditHtmlSubPagePart::SetNotifyWindow(NotifyFunction notify) {
    notify_ = std::move(notify);
    notificationsOff_ = false;
}

void CMailEditHtmlSubPagePart::RememberSelection() { edit_->GetSjisSelection(selStart_, selEnd_); }

int CMailEditHtmlSubPagePart::OnInsertText(std::string_view sjis) {
    const std::size_t count = edit_->GetByteCount();
    const std::size_t start = std::min(selStart_, count);
    const std::size_t end = std::clamp(selEnd_, start, count);
    if (maximum_ != 0 && count - (end - start) + sjis.size() > maximum_) return 1;
    edit_->SetSjisSelection(start, end);
    if (!edit_->InsertSjis(sjis)) return 1;
    selStart_ = selEnd_ = start + sjis.size();
    edit_->SetSjisSelection(selStart_, selEnd_);
    edit_->ensureCursorVisible();
    edit_->setFocus();
    return 1;
}

void CMailEditHtmlSubPagePart::InitialisePage() {
    if (initialised_) return;
    initialised_ = true;
    OnInitDialog();
}

void CMailEditHtmlSubPagePart::OnInitDialog() {
    if (fontSet_) edit_->setFont(ui::ToQFont(font_));
}

bool CMailEditHtmlSubPagePart::OnSetActive() {
    InitialisePage();
    return true;
}

bool CMailEditHtmlSubPagePart::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_) {
        if (event->type() == QEvent::FocusOut) {
            RememberSelection();
            if (!notificationsOff_ && notify_) notify_(which_);
        } else if (event->type() == QEvent::FocusIn) {
            edit_->SetSjisSelection(selStart_, selEnd_);
            edit_->ensureCursorVisible();
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- HTML part ------------------------------------------------------------------------------------

CMailEditHtmlSubPageHtmlpart::CMailEditHtmlSubPageHtmlpart(std::size_t maximum, QWidget* parent)
    : CMailEditHtmlSubPagePart(kIdd, kLeftHtmlPart, maximum, new CMailBodyEditHtml, parent) {
    ui::SetControlId(Edit(), kIdcEdit);
    auto* column = new QVBoxLayout(this);
    column->addWidget(Edit());
}

CMailBodyEditHtml* CMailEditHtmlSubPageHtmlpart::HtmlEdit() const { return static_cast<CMailBodyEditHtml*>(Edit()); }

bool CMailEditHtmlSubPageHtmlpart::OnSetActive() {
    const bool first = !IsInitialised();
    CMailEditHtmlSubPagePart::OnSetActive();
    // A font given after the opening takes effect each time the tab shows.
    if (!first && fontSet_) Edit()->setFont(ui::ToQFont(font_));
    return true;
}

void CMailEditHtmlSubPageHtmlpart::OnTextChanged() {
    if (CMailEditPageHtmlBase* owner = GetOwnerPage()) {
        owner->SetPreviewDirty(true);
        owner->UpdateMailSizeDisplay();
    }
}

// ---- TEXT part ------------------------------------------------------------------------------------

CMailEditHtmlSubPageTextpart::CMailEditHtmlSubPageTextpart(std::size_t maximum, int wrapPosition, QWidget* parent)
    : CMailEditHtmlSubPagePart(kIdd, kLeftTextPart, maximum, new CMailBodyEdit(0), parent),
      wrapPosition_(wrapPosition) {
    ui::SetControlId(Edit(), kIdcEdit);
    auto* column = new QVBoxLayout(this);
    auto* info = new QHBoxLayout;
    info->addWidget(new QLabel(ui::U8("折り返し位置"), this));
    wrapText_ = ui::SetControlId(new QLabel(QStringLiteral("000"), this), kIdcWrapPosition);
    wrapText_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    wrapText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    info->addWidget(wrapText_);
    info->addWidget(new QLabel(QStringLiteral("pixel"), this));
    info->addSpacing(16);
    info->addWidget(new QLabel(ui::U8("カーソル位置"), this));
    cursorText_ = ui::SetControlId(new QLabel(QStringLiteral("200"), this), kIdcCursorPosition);
    cursorText_->setMinimumWidth(wrapText_->minimumWidth());
    cursorText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    info->addWidget(cursorText_);
    info->addWidget(new QLabel(QStringLiteral("pixel"), this));
    info->addStretch(1);
    column->addLayout(info);
    column->addSpacing(kRulerOffset);
    Edit()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    column->addWidget(Edit(), 1);

    ruler_ = new compose::CWrapRuler(this);
    connect(ruler_, &compose::CWrapRuler::cursorPositionChanged, this,
            [this](int value) { cursorText_->setText(QString::number(value)); });
    connect(ruler_, &compose::CWrapRuler::wrapPositionChanged, this, [this](int value) {
        wrapPosition_ = value;
        Edit()->SetWrapWidth(value);
        wrapText_->setText(QString::number(value));
        ShowCaretPosition();  // the lines broke anew
    });
    // Typing, clicks and arrow keys: the caret's place, unless the mouse is on the ruler.
    connect(Edit(), &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (!ruler_->underMouse()) ShowCaretPosition();
    });
    ruler_->installEventFilter(this);
}

void CMailEditHtmlSubPageTextpart::ShowCaretPosition() {
    cursorText_->setText(QString::number(compose::CaretPixel(Edit())));
}

bool CMailEditHtmlSubPageTextpart::OnSetActive() {
    if (CMailEditPageHtmlBase* owner = GetOwnerPage()) owner->ShowTextPartNotice();
    return CMailEditHtmlSubPagePart::OnSetActive();
}

void CMailEditHtmlSubPageTextpart::OnInitDialog() {
    CMailEditHtmlSubPagePart::OnInitDialog();
    PlaceRuler();
    Edit()->SetWrapWidth(wrapPosition_);
    wrapText_->setText(QString::number(wrapPosition_));
    cursorText_->clear();
    compose::NoWordBreakProc(Edit());
}

void CMailEditHtmlSubPageTextpart::OnTextChanged() {
    if (CMailEditPageHtmlBase* owner = GetOwnerPage()) owner->UpdateMailSizeDisplay();
}

bool CMailEditHtmlSubPageTextpart::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit() && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        PlaceRuler();
    } else if (watched == ruler_ && event->type() == QEvent::Leave) {
        ShowCaretPosition();
    }
    return CMailEditHtmlSubPagePart::eventFilter(watched, event);
}

void CMailEditHtmlSubPageTextpart::PlaceRuler() {
    CMailBodyEdit* edit = Edit();
    const QRect box = edit->geometry();
    const int margin = qRound(edit->document()->documentMargin());
    const int scrollBar = edit->verticalScrollBar()->sizeHint().width();
    const int width = std::max(1, box.width() - 2 * edit->frameWidth() - scrollBar - 2 * margin);
    ruler_->SetTop(box.top() - kRulerOffset);
    ruler_->SetLeft(box.left() + edit->frameWidth() + margin);
    ruler_->SetWidth(width);
    ruler_->SetRange(0, width);
    // The ruler shows the position as far as the edit is wide; the wrap itself stays.
    const QSignalBlocker block(ruler_);
    ruler_->SetWrapPosition(wrapPosition_);
}

}  // namespace htmledit
