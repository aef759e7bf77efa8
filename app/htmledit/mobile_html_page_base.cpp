#include "app/htmledit/mobile_html_page_base.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

#include "app/compose/sjis_limited_edit.h"
#include "app/mailtext/text_utils.h"
#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/html_page_attachments.h"
#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace htmledit {

namespace {

using ui::U8;

}  // namespace

compose::PictogramList CMailEditPageHtmlMobileBase::MakePictogramList(const MobileHtmlRules& rules) {
    return compose::MakeCarrierPictogramList(rules.firstBitmap, rules.lastBitmaps);
}

CMailEditPageHtmlMobileBase::CMailEditPageHtmlMobileBase(const MobileHtmlRules& rules, MobileHtmlSettings settings,
                                                         QWidget* parent)
    : CMailEditPageHtmlBase(rules.resourceId, rules.partBytes, rules.partBytes, kWrapPosition, 0, parent),
      rules_(rules) {
    for (std::size_t i = 0; i < settings.inlineImages->GetMaxCount(); ++i) {
        char id[32];
        std::snprintf(id, sizeof id, rules_.contentIdFormat, static_cast<unsigned>(i));
        settings.inlineImages->SetContentId(i, id);
    }
    BindLimits(std::move(settings.attachments), std::move(settings.inlineImages));

    AddSubjectRow(rules_.subjectBytes);
    buttonRow_ = new QHBoxLayout;
    AddInlineImageButtons(buttonRow_);
    QPushButton* pictogram = MakePageButton(this, "絵文字(&P)", kIdcPictogram);
    buttonRow_->addWidget(pictogram);
    buttonRow_->addStretch(1);
    TopArea()->addLayout(buttonRow_);
    AddAttachmentAndSizeRows(kIdcAttachLabel, kIdcAttach, "メール合計サイズ", kIdcSizeLabel);
    connect(pictogram, &QPushButton::clicked, this, &CMailEditPageHtmlMobileBase::OnPictogramButton);
}

CMailEditPageHtmlMobileBase::~CMailEditPageHtmlMobileBase() {
    // Leaves the composing sheet while still whole (the sheet asks its pages about
    // themselves as a tab goes), and the palette goes before the page it reports to.
    setParent(nullptr);
    disconnect(SubjectEdit(), nullptr, this, nullptr);
    delete pictogramDialog_;
    pictogramDialog_ = nullptr;
}

bool CMailEditPageHtmlMobileBase::eventFilter(QObject* watched, QEvent* event) {
    if (watched == SubjectEdit() && event->type() == QEvent::FocusOut) lastEdit_ = kLastEditSubject;
    return CMailEditPageHtmlBase::eventFilter(watched, event);
}

// ---- Opening, loading and saving ------------------------------------------------------------------

void CMailEditPageHtmlMobileBase::OnInitPage() {
    if (initialised_) return;
    initialised_ = true;
    // The parts go into their tabs before the preview first asks the tabs for them.
    LoadFromMail();
    FillPictogramList();
    OnInitDialog();
    HtmlPartPage()->SetNotifyWindow([this](int which) { lastEdit_ = which; });
    TextPartPage()->SetNotifyWindow([this](int which) { lastEdit_ = which; });
    if (GetComposer() != nullptr && GetComposer()->HasStoredMail()) LoadStoredMail();
    ShowAttachmentNames();
    UpdateMailSizeDisplay();
}

bool CMailEditPageHtmlMobileBase::OnKillActive() {
    const bool mayLeave = CMailEditPageHtmlBase::OnKillActive();
    if (mayLeave && pictogramDialog_ != nullptr) pictogramDialog_->hide();
    return mayLeave;
}

void CMailEditPageHtmlMobileBase::LoadStoredMail() {
    const OneMail& record = GetComposer()->MailRecord();
    const auto slot = static_cast<std::size_t>(rules_.terminal);
    SetSubject(record.subject[slot]);
    std::string text;
    std::string html;
    std::vector<MimeFormatStruct> parts;
    SplitStoredMessage(record.body[slot], text, html, parts);
    SetTextPart(text);
    SetHtmlPart(html);
    SetInlineParts(parts);
    const std::vector<std::string> passedOver = FillSlotsFromInlineParts();
    if (!passedOver.empty()) {
        // They stay in the mail as they were stored; only the image list cannot show them.
        QString list;
        for (const std::string& line : passedOver) list += U8("\r\n　") + ui::FromSjis(line);
        ui::MessageBox(this,
                       U8("保存されているメールの以下のインライン画像は、%1向けメールのインライン画像として登録できませんでした。")
                               .arg(PageCaption()) +
                           U8("\r\n") + list,
                       U8("注意"), platform::kMbOk | platform::kMbIconWarning);
    }
    if (AttachmentsNotSent()) RemoveAllAttachments();
    ShowAttachmentNames();
    RefreshInlineList();
    UpdatePreview();
}

// ---- Pictograms ---------------------------------------------------------------------------------------

void CMailEditPageHtmlMobileBase::FillPictogramList() {
    if (pictogramDialog_ != nullptr) return;
    pictogramDialog_ = new compose::CPictogramDialog(this);
    pictogramDialog_->SetPictogramList(MakePictogramList(rules_));
    connect(pictogramDialog_, &compose::CPictogramDialog::pictogramChosen, this, [this] {
        if (compose::MailComposer* composer = GetComposer()) {
            composer->ForwardInsertText();
        } else {
            InsertPictogram();
        }
    });
}

void CMailEditPageHtmlMobileBase::InsertPictogram() {
    if (pictogramDialog_ == nullptr) return;
    const std::string code = pictogramDialog_->GetSelectedCode();
    if (code.empty()) return;
    // The palette handed the focus back to the composing window: its focus is the edit the
    // user was in, or the choice belongs nowhere.
    QWidget* focused = window()->focusWidget();
    if (focused != SubjectEdit() && focused != TextPartPage()->Edit() && focused != HtmlPartPage()->Edit()) return;
    switch (lastEdit_) {
        case kLastEditSubject: InsertPictogramIntoSubject(code); break;
        case kLastEditText:
            if (IsTextPartActive()) TextPartPage()->OnInsertText(code);
            break;
        case kLastEditHtml:
            if (IsHtmlPartActive()) HtmlPartPage()->OnInsertText(code);
            break;
        default: break;
    }
}

void CMailEditPageHtmlMobileBase::InsertPictogramIntoSubject(const std::string& text) {
    std::size_t start = 0;
    std::size_t end = 0;
    SubjectEdit()->GetSjisSelection(start, end);
    if (SubjectEdit()->GetByteCount() - (end - start) + text.size() > rules_.subjectBytes) return;
    SubjectEdit()->SetSjisSelection(start, end);
    if (!SubjectEdit()->InsertSjis(text)) return;
    SubjectEdit()->SetSjisSelection(start + text.size(), start + text.size());
    SubjectEdit()->ensureCursorVisible();
    SubjectEdit()->setFocus();
}

void CMailEditPageHtmlMobileBase::SetFocusToLastEdit() {
    switch (lastEdit_) {
        case kLastEditText: TextPartPage()->Edit()->setFocus(); break;
        case kLastEditHtml: HtmlPartPage()->Edit()->setFocus(); break;
        default:
            lastEdit_ = kLastEditSubject;
            SubjectEdit()->setFocus();
            break;
    }
}

void CMailEditPageHtmlMobileBase::OnPictogramButton() {
    // Where the caret is now: the button's shortcut (Alt+P) leaves the focus in the edit,
    // which then never lost it, so what a loss of focus remembered may be an older place.
    QWidget* focused = window()->focusWidget();
    if (focused == SubjectEdit()) {
        lastEdit_ = kLastEditSubject;
    } else if (focused == TextPartPage()->Edit()) {
        TextPartPage()->RememberSelection();
        lastEdit_ = kLastEditText;
    } else if (focused == HtmlPartPage()->Edit()) {
        HtmlPartPage()->RememberSelection();
        lastEdit_ = kLastEditHtml;
    }
    SetFocusToLastEdit();
    FillPictogramList();
    pictogramDialog_->show();
    pictogramDialog_->raise();
}

// ---- Controls -----------------------------------------------------------------------------------------

void CMailEditPageHtmlMobileBase::OnSizeDetail() { ShowSizeDetail('M', rules_.format, rules_.terminal, GetSubject()); }

void CMailEditPageHtmlMobileBase::OnTestSend() {
    compose::MailComposer* composer = GetComposer();
    if (composer == nullptr || !composer->CheckComposedMail('M', rules_.format)) return;
    TestSend(1, rules_.terminal, SubjectEdit());
}

}  // namespace htmledit
