#include "app/htmledit/html_mail_page_base.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <set>

#include "app/compose/confirm_dialog.h"
#include "app/compose/content_checks.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/mailtext/file_utils.h"
#include "app/mailtext/image_signature.h"
#include "app/mailtext/text_utils.h"
#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/html_page_attachments.h"
#include "app/htmledit/html_preview_file.h"
#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/inline_cid_references.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/htmledit/preview_page.h"
#include "app/htmledit/size_detail_dlg.h"
#include "app/sendrecv/inline_content_ids.h"
#include "app/sendrecv/message_headers.h"
#include "app/environment/environment_service.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/attach_file_manager.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/eml_file_decoder.h"
#include "core/mailstore/mail_word_insert.h"
#include "core/mailstore/mime_decode_tool.h"
#include "platform/notifier.h"
#include "platform/private_files.h"

namespace htmledit {

namespace {

using ui::U8;

constexpr int kOptionNoAttachments = 100;

// A folder that is missing is made, one level.
bool EnsureFolder(const std::string& folder) {
    if (folder.empty()) return false;
    return CheckDirectory(folder) == 0 || platform::MakePrivateFolder(folder);
}

// Lists the inline images InlineImages() names that content_checks finds unused, without
// touching the page: "clearing an inline mark" only records the entry.
class UnusedImageCollector : public compose::CheckedHtmlPage {
public:
    explicit UnusedImageCollector(std::vector<compose::PageFileEntry> images) : images_(std::move(images)) {}
    std::string Subject() override { return {}; }
    std::string HtmlPart() override { return {}; }
    std::string TextPart() override { return {}; }
    std::vector<compose::PageFileEntry> InlineImages() override { return images_; }
    std::vector<compose::PageFileEntry> Attachments() override { return {}; }
    bool ClearInlineMark(int index) override {
        unused.push_back(images_[static_cast<std::size_t>(index)]);
        return true;
    }
    void RemoveImageFromEditor(const std::string&) override {}
    void RebuildHtmlView() override {}

    std::vector<compose::PageFileEntry> unused;

private:
    std::vector<compose::PageFileEntry> images_;
};

}  // namespace

const std::string& CMailEditPageHtmlBase::TemplateMessage() {
    static const std::string text =
        "MIME-Version: 1.0\r\n"
        "Content-Type: multipart/alternative;\r\n"
        "\tboundary=\"VARNIS5_PREVIEW_EML_TEMPLATE\"\r\n"
        "\r\n"
        "--VARNIS5_PREVIEW_EML_TEMPLATE\r\n"
        "Content-Type: text/plain;\r\n"
        "\tcharset=\"shift_jis\"\r\n"
        "Content-Transfer-Encoding: 8bit\r\n"
        "\r\n"
        "\r\n"
        "--VARNIS5_PREVIEW_EML_TEMPLATE\r\n"
        "Content-Type: text/html;\r\n"
        "\tcharset=\"shift_jis\"\r\n"
        "Content-Transfer-Encoding: 8bit\r\n"
        "\r\n"
        "<HTML>\r\n"
        "<HEAD>\r\n"
        "\t<META http-equiv=Content-Type content=\"text/html; charset=shift_jis\">\r\n"
        "</HEAD>\r\n"
        "<BODY bgColor=#ffffff>\r\n"
        "</BODY>\r\n"
        "</HTML>\r\n"
        "\r\n"
        "--VARNIS5_PREVIEW_EML_TEMPLATE--\r\n";
    return text;
}

CMailEditPageHtmlBase::CMailEditPageHtmlBase(int resourceId, std::size_t textMaximum, std::size_t htmlMaximum,
                                             int wrapPosition, int /*captionId*/, QWidget* parent)
    : QWidget(parent), resourceId_(resourceId), previewFile_(std::make_unique<HtmlPreviewFile>()) {
    setObjectName(ui::DialogName(resourceId));
    model_.AnalyzeMime(TemplateMessage());

    previewPage_ = new CMailEditHtmlSubPagePreview(this);
    htmlPage_ = new CMailEditHtmlSubPageHtmlpart(htmlMaximum, this);
    textPage_ = new CMailEditHtmlSubPageTextpart(textMaximum, wrapPosition, this);
    for (QWidget* page : {static_cast<QWidget*>(previewPage_), static_cast<QWidget*>(htmlPage_),
                          static_cast<QWidget*>(textPage_)})
        page->hide();
    sheet_ = new shell::CVarnisPropertySheet(QString(), this, 0);

    column_ = new QVBoxLayout(this);
    topArea_ = new QVBoxLayout;
    bottomArea_ = new QVBoxLayout;
    column_->addLayout(topArea_);
    column_->addLayout(bottomArea_);
}

CMailEditPageHtmlBase::~CMailEditPageHtmlBase() {
    // Out of the composing sheet, if the derived page has not left it yet.
    setParent(nullptr);
    // The sub-pages go with the widget's children, after this object: neither they nor the
    // inner sheet may call back into it on their way out.
    if (sheetCreated_) disconnect(sheet_->GetTabControl(), nullptr, this, nullptr);
    previewPage_->SetOwnerPage(nullptr);
    htmlPage_->SetOwnerPage(nullptr);
    textPage_->SetOwnerPage(nullptr);
    DeletePreviewFile();
}

void CMailEditPageHtmlBase::BindLimits(std::unique_ptr<CAttachmentSettingDlg> attachments,
                                       std::unique_ptr<CInlineImageSettingDlg> inlineImages) {
    attachmentSettings_ = std::move(attachments);
    inlineSettings_ = std::move(inlineImages);
    // Modal over the page, never a window of their own between runs.
    attachmentSettings_->setParent(this, attachmentSettings_->windowFlags());
    inlineSettings_->setParent(this, inlineSettings_->windowFlags());
    attachments_ = std::make_unique<HtmlPageAttachments>(*attachmentSettings_, [this]() -> std::vector<AttachData>* {
        if (composer_ == nullptr) return nullptr;
        return &composer_->MailRecord().attach[static_cast<std::size_t>(MailSlot())];
    });
    attachments_->SetFolder(attachmentFolder_);
}

// ---- Opening and the inner sheet ----------------------------------------------------------------

void CMailEditPageHtmlBase::OnInitDialog() {
    if (sheetCreated_) return;
    sheet_->AddPage(previewPage_, U8("プレビュー"));
    sheet_->AddPage(htmlPage_, U8("HTMLパート"));
    sheet_->AddPage(textPage_, U8("TEXTパート"));
    previewIndex_ = 0;
    htmlIndex_ = 1;
    textIndex_ = 2;
    sheetCreated_ = true;
    previewPage_->SetOwnerPage(this);
    htmlPage_->SetOwnerPage(this);
    textPage_->SetOwnerPage(this);
    sheet_->Create(this, shell::CVarnisPropertySheet::kWsChild | shell::CVarnisPropertySheet::kWsVisible);
    column_->insertWidget(1, sheet_, 1);
    connect(sheet_->GetTabControl(), &QTabWidget::currentChanged, this, &CMailEditPageHtmlBase::OnInnerPageChanged);
    OnInnerPageChanged(sheet_->GetActiveIndex());
}

void CMailEditPageHtmlBase::OnInnerPageChanged(int index) {
    if (index == previewIndex_) {
        previewPage_->OnSetActive();
    } else if (index == htmlIndex_) {
        htmlPage_->OnSetActive();
    } else if (index == textIndex_) {
        textPage_->OnSetActive();
    }
}

bool CMailEditPageHtmlBase::IsHtmlPartActive() const {
    return sheetCreated_ && sheet_->GetActiveIndex() == htmlIndex_;
}

bool CMailEditPageHtmlBase::IsTextPartActive() const {
    return sheetCreated_ && sheet_->GetActiveIndex() == textIndex_;
}

// ---- Folders and fonts ----------------------------------------------------------------------------

int CMailEditPageHtmlBase::SetAttachmentFolder(const std::string& folder) {
    if (!EnsureFolder(folder)) return 0;
    attachmentFolder_ = folder;
    if (attachments_ != nullptr) attachments_->SetFolder(folder);
    return 1;
}

int CMailEditPageHtmlBase::SetPreviewFolder(const std::string& folder) {
    if (!EnsureFolder(folder)) return 0;
    previewFolder_ = folder;
    previewFile_->SetFolder(folder);
    HtmlPreviewFile::SweepLeftovers(folder);
    return 1;
}

void CMailEditPageHtmlBase::SetEditFont(const ui::LogFont& font) {
    pageFont_ = font;
    pageFontSet_ = true;
    htmlPage_->SetEditFont(font);
    textPage_->SetEditFont(font);
}

// ---- Model ----------------------------------------------------------------------------------------

int CMailEditPageHtmlBase::GetTextBody(std::string& out) const {
    if (model_.TextPartExist() == 0) return 0;
    MimeFormatStruct part;
    model_.GetMIMETextpart(part);
    return part.ConvertBodyToCp932String(out) != 0 ? 1 : 0;
}

int CMailEditPageHtmlBase::GetHtmlBody(std::string& out) const {
    if (model_.HtmlPartExist() == 0) return 0;
    MimeFormatStruct part;
    model_.GetMIMEHtmlpart(part);
    return part.ConvertBodyToCp932String(out) != 0 ? 1 : 0;
}

int CMailEditPageHtmlBase::SetTextBody(const std::string& text) {
    MimeFormatStruct part;
    model_.GetMIMETextpart(part);
    part.body = text;
    model_.SetMIMETextBody(part);
    return 1;
}

int CMailEditPageHtmlBase::SetHtmlBody(const std::string& html) {
    MimeFormatStruct part;
    model_.GetMIMEHtmlpart(part);
    part.body = html;
    model_.SetMIMEHtmlBody(part);
    return 1;
}

void CMailEditPageHtmlBase::SetInlineParts(const std::vector<MimeFormatStruct>& parts) {
    model_.GetRefOfMimeHtmlAttach() = parts;
}

const std::vector<MimeFormatStruct>& CMailEditPageHtmlBase::GetInlineParts() const {
    return const_cast<CMimeAnalyze&>(model_).GetRefOfMimeHtmlAttach();
}

int CMailEditPageHtmlBase::FindInlinePart(const std::string& contentId, int& index) const {
    const std::vector<MimeFormatStruct>& parts = GetInlineParts();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].ContentIdIs(contentId) != 0) {
            index = static_cast<int>(i);
            return 1;
        }
    }
    return 0;
}

void CMailEditPageHtmlBase::RemoveInlinePartAt(int index) {
    std::vector<MimeFormatStruct>& parts = model_.GetRefOfMimeHtmlAttach();
    if (index < 0 || static_cast<std::size_t>(index) >= parts.size()) return;
    parts.erase(parts.begin() + index);
}

int CMailEditPageHtmlBase::RemoveInlinePart(const std::string& contentId) {
    int index = 0;
    if (FindInlinePart(contentId, index) == 0) return 0;
    RemoveInlinePartAt(index);
    return 1;
}

void CMailEditPageHtmlBase::BuildInlinePart(MimeFormatStruct& part, const std::string& contentType,
                                            const std::string& fileName, const std::string& contentId,
                                            std::string_view bytes) {
    part.Init();
    const std::string type = contentType + "; name=\"" + CAttachFileManager::EncodeFileName(fileName) + "\"";
    part.headerList.push_back({"content-type", type});
    part.headerList.push_back({"content-transfer-encoding", "base64"});
    part.headerList.push_back({"content-id", " <" + contentId + ">"});
    part.contentTypeName = "content-type";
    part.contentTypeValue = type;
    part.transferEncodingName = "content-transfer-encoding";
    part.transferEncodingValue = "base64";
    part.body = base64encoding(bytes, 76) + "\r\n";
}

int CMailEditPageHtmlBase::SlotOfContentId(const std::string& contentId) const {
    if (inlineSettings_ == nullptr) return -1;
    const std::vector<InlineImageSlot>& slotList = inlineSettings_->GetSlots();
    for (std::size_t i = 0; i < slotList.size(); ++i)
        if (slotList[i].contentId == contentId) return static_cast<int>(i);
    return -1;
}

void CMailEditPageHtmlBase::SortInlinePartsBySlot() {
    std::vector<MimeFormatStruct>& parts = model_.GetRefOfMimeHtmlAttach();
    auto rank = [this](const MimeFormatStruct& part) {
        const int slot = SlotOfContentId(ContentIdOf(part));
        return slot < 0 ? INT_MAX : slot;
    };
    if (std::is_sorted(parts.begin(), parts.end(),
                       [&](const MimeFormatStruct& a, const MimeFormatStruct& b) { return rank(a) < rank(b); }))
        return;
    std::vector<std::pair<int, std::size_t>> order;
    for (std::size_t i = 0; i < parts.size(); ++i) order.emplace_back(rank(parts[i]), i);
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<MimeFormatStruct> sorted;
    sorted.reserve(parts.size());
    for (const auto& [slot, i] : order) sorted.push_back(std::move(parts[i]));
    parts = std::move(sorted);
}

int CMailEditPageHtmlBase::GetMimeText(std::string& out) {
    SetTextBody(TextPart());
    SetHtmlBody(HtmlPart());
    SortInlinePartsBySlot();
    std::string header;
    std::string body;
    if (model_.GetMimeString(header, body, 0, nullptr) < 0) return 0;
    out = header + "\r\n" + body;
    return 1;
}

// ---- Notice and test send ------------------------------------------------------------------------

void CMailEditPageHtmlBase::ShowTextPartNotice() {
    if (composer_ == nullptr || !composer_->IsTextPartNoticePending()) return;
    compose::CConfirmDialog dialog(this);
    dialog.SetKeyName(QStringLiteral("TEXTPART"));
    dialog.SetDialogSize(140, 580);
    dialog.SetCaption(U8("インフォメーション"));
    dialog.SetMessage(U8("受信者のメールソフト、または受信者の携帯端末がHTMLメールに対応していない場合には、\r\n"
                         "TEXTパートの文章が表示されます。\r\n"));
    dialog.SetStyle(compose::CConfirmDialog::kStyleInformation);
    dialog.DoModal();
    composer_->ClearTextPartNotice();
}

int CMailEditPageHtmlBase::TestSend(int testKind, int terminalType, compose::SjisLimitedEdit* subjectEdit) {
    compose::TestMailService* sender = composer_ != nullptr ? composer_->GetTestMailService() : nullptr;
    if (sender == nullptr) return 0;
    if (sender->Send(testKind) == 0) return 0;
    if (sender->AddAttachmentParts(terminalType) == 0) return 0;
    composer_->TestSubject() = subjectEdit != nullptr ? subjectEdit->GetSjisText() : std::string();
    std::string header;
    std::string body;
    if (BuildTestMime(composer_->TestRecipient(), header, body) != 1) {
        // Half a mail must not reach the test address looking like the real one.
        ui::MessageBox(this, U8("テストメールを作成できないため、送信を中止しました。"), U8("テストメール送信失敗"),
                       platform::kMbOk | platform::kMbIconWarning);
        sender->Abandon();
        return 0;
    }
    composer_->TestSubject() =
        MailWordInsert::GetMailWordInsert(composer_->TestRecipient(), composer_->TestSubject(), 0);
    sender->ConfirmAndSend(header, body, terminalType);
    return 1;
}

int CMailEditPageHtmlBase::BuildTestMime(const OneCustomer& record, std::string& header, std::string& body) {
    return BuildTestMimeForTerminal(MailSlot(), record, header, body);
}

int CMailEditPageHtmlBase::BuildTestMimeForTerminal(int terminalType, const OneCustomer& record,
                                                    std::string& header, std::string& body) {
    if (composer_ == nullptr) return 0;
    auto part = [](const std::string& built, MimeFormatStruct& out) {
        return MimeDecodeTool::MimeDecode(built, out) != 0;
    };
    std::string built;
    MimeFormatStruct text;
    if (MakeTextPartHeader(MailWordInsert::GetMailWordInsert(record, TextPart(), 0), terminalType, built) < 0 ||
        !part(built, text))
        return 0;
    // A PC mail goes out with ids a reader resolves, as the send run writes them; the
    // page keeps its slot names.
    SortInlinePartsBySlot();
    std::vector<MimeFormatStruct> inlineParts = GetInlineParts();
    std::string htmlText = HtmlPart();
    if (terminalType == 0)
        htmlText = ReferToNewContentIds(htmlText, RenameInlineContentIds(inlineParts, SenderAddress(), -1));
    MimeFormatStruct html;
    if (MakeHtmlPartHeader(MailWordInsert::GetMailWordInsert(record, htmlText, 1), terminalType, built) < 0 ||
        !part(built, html))
        return 0;
    CMimeAnalyze mail;
    mail.SetMIMETextBody(text);
    mail.SetMIMEHtmlBody(html);
    mail.GetRefOfMimeHtmlAttach() = std::move(inlineParts);
    for (const MimeFormatStruct& attachment : composer_->TestAttachmentParts()) mail.AddMIMENormalAttach(attachment);
    return mail.GetMimeString(header, body, 1, nullptr) < 0 ? 0 : 1;
}

// ---- The subject, attachment and size controls -----------------------------------------------------

QPushButton* CMailEditPageHtmlBase::MakePageButton(QWidget* parent, const char* text, int id) {
    auto* button = ui::SetControlId(new QPushButton(U8(text), parent), id);
    button->setAutoDefault(false);
    return button;
}

void CMailEditPageHtmlBase::AddSubjectRow(std::size_t subjectBytes) {
    subjectBytes_ = subjectBytes;
    auto* subjectRow = new QHBoxLayout;
    subjectRow->addWidget(new QLabel(U8("件名"), this));
    subject_ = ui::SetControlId(new compose::SjisLimitedEdit(this, true), kIdcSubject);
    subject_->SetByteLimit(subjectBytes);
    subjectRow->addWidget(subject_, 1);
    topArea_->addLayout(subjectRow);
    connect(subject_, &QPlainTextEdit::textChanged, this, [this] { UpdateMailSizeDisplay(); });
    subject_->installEventFilter(this);
}

void CMailEditPageHtmlBase::AddInlineImageButtons(QHBoxLayout* row) {
    QPushButton* inlineButton = MakePageButton(this, "インライン画像の登録(&I)", kIdcInlineImages);
    QPushButton* unused = MakePageButton(this, "未使用インライン画像の削除(&U)", kIdcRemoveUnused);
    row->addWidget(inlineButton);
    row->addWidget(unused);
    connect(inlineButton, &QPushButton::clicked, this, &CMailEditPageHtmlBase::OnInlineImages);
    connect(unused, &QPushButton::clicked, this, &CMailEditPageHtmlBase::OnRemoveUnusedInlineImages);
}

void CMailEditPageHtmlBase::AddAttachmentAndSizeRows(int attachLabelId, int attachButtonId, const char* sizeLabel,
                                                     int sizeLabelId) {
    auto labelWithId = [this](const char* text, int id) {
        auto* label = new QLabel(U8(text), this);
        return id != 0 ? ui::SetControlId(label, id) : label;
    };
    auto* attachRow = new QHBoxLayout;
    attachRow->addWidget(labelWithId("添付ファイル", attachLabelId));
    attachNames_ = ui::SetControlId(new QLineEdit(this), kIdcAttachNames);
    attachNames_->setReadOnly(true);
    attachRow->addWidget(attachNames_, 1);
    attachButton_ = MakePageButton(this, "添付(&F)", attachButtonId);
    attachRow->addWidget(attachButton_);
    bottomArea_->addLayout(attachRow);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(labelWithId(sizeLabel, sizeLabelId));
    totalSize_ = ui::SetControlId(new QLabel(QStringLiteral("00000"), this), kIdcTotalSize);
    totalSize_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    totalSize_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00,000,000")));
    sizeRow->addWidget(totalSize_);
    sizeRow->addWidget(new QLabel(U8("バイト"), this));
    QPushButton* detail = MakePageButton(this, "詳細(&M)", kIdcSizeDetail);
    sizeRow->addWidget(detail);
    sizeRow->addStretch(1);
    testButton_ = MakePageButton(this, "テスト送信(&T)", kIdcTestSend);
    sizeRow->addWidget(testButton_);
    bottomArea_->addLayout(sizeRow);
    connect(attachButton_, &QPushButton::clicked, this, &CMailEditPageHtmlBase::OnAttachFiles);
    connect(detail, &QPushButton::clicked, this, &CMailEditPageHtmlBase::OnSizeDetail);
    connect(testButton_, &QPushButton::clicked, this, &CMailEditPageHtmlBase::OnTestSend);
}

bool CMailEditPageHtmlBase::eventFilter(QObject* watched, QEvent* event) {
    if (watched == subject_ && event->type() == QEvent::FocusIn) {
        QTextCursor cursor = subject_->textCursor();
        cursor.clearSelection();
        subject_->setTextCursor(cursor);
        subject_->ensureCursorVisible();
    }
    return QWidget::eventFilter(watched, event);
}

bool CMailEditPageHtmlBase::OnSetActive() {
    if (IsPageFontSet()) {
        QFont font = subject_->font();
        font.setFamilies(ui::ToQFont(PageFont()).families());
        subject_->setFont(font);
    }
    return true;
}

void CMailEditPageHtmlBase::LoadFromMail() {
    if (PageAttachmentFiles() != nullptr) PageAttachmentFiles()->Load();
    std::string text;
    if (GetTextBody(text) == 1) SetTextPart(text);
    if (GetHtmlBody(text) == 1) SetHtmlPart(text);
}

bool CMailEditPageHtmlBase::SaveToMail() {
    if (composer_ == nullptr) return false;
    std::string text;
    if (GetMimeText(text) == 0) {
        ShowError(U8("%1向けHTMLメールのデータを作成できませんでした。").arg(PageCaption()));
        return false;
    }
    OneMail& record = composer_->MailRecord();
    const auto slot = static_cast<std::size_t>(MailSlot());
    record.subject[slot] = GetSubject();
    record.body[slot] = std::move(text);
    return true;
}

std::string CMailEditPageHtmlBase::GetSubject() const { return subject_->GetSjisText(); }

void CMailEditPageHtmlBase::SetSubject(const std::string& subject) {
    subject_->SetSjisText(CutToMaximum(subject, subjectBytes_));
}

void CMailEditPageHtmlBase::ShowAttachmentNames() {
    attachNames_->setText(PageAttachmentFiles() != nullptr ? PageAttachmentFiles()->NamesText() : QString());
}

void CMailEditPageHtmlBase::DisableAttachmentControls() {
    attachButton_->setEnabled(false);
    attachNames_->setEnabled(false);
}

void CMailEditPageHtmlBase::EnableTestButton(bool enable) { testButton_->setEnabled(enable); }

void CMailEditPageHtmlBase::UpdateMailSizeDisplay() {
    const std::uint64_t total = PartsAndFilesSize() + subject_->GetByteCount();
    totalSize_->setText(QString::fromStdString(compose::FormatNumberWithCommas(total)));
}

// ---- Size detail ----------------------------------------------------------------------------------

void CMailEditPageHtmlBase::ShowSizeDetail(char kind, int format, int terminal, const std::string& subject) {
    if (composer_ == nullptr) return;
    compose::TerminalIdLists lists;
    if (!composer_->DestinationText().empty() && !composer_->GetDestinationsByTerminal(kind, lists)) return;
    const std::vector<compose::PageFileEntry> images = InlineImages();
    const std::vector<compose::PageFileEntry> files = Attachments();
    compose::MailSizeMeasure measure;
    measure.mode = compose::kPurposeSend;
    measure.kind = format;
    measure.texts = {subject, HtmlPart(), TextPart()};
    measure.inlineImages = &images;
    measure.attachments = &files;
    measure.ids = &lists[static_cast<std::size_t>(terminal)];
    composer_->CheckMailSizeForCarriers(measure);
    CMailFileSizeDlg dialog(this);
    const compose::MailSizeResult& result = measure.result;
    auto atLeastZero = [](std::int64_t size) { return static_cast<std::uint64_t>(std::max<std::int64_t>(0, size)); };
    dialog.SetSubjectSize(atLeastZero(result.sizes[0]));
    dialog.SetHtmlPartSize(atLeastZero(result.sizes[1]));
    dialog.SetTextPartSize(atLeastZero(result.sizes[2]));
    dialog.SetInlineImageCount(static_cast<std::uint64_t>(result.inlineCount));
    dialog.SetInlineImageSize(result.inlineTotal);
    dialog.SetAttachmentCount(static_cast<std::uint64_t>(result.attachmentCount));
    dialog.SetAttachmentSize(result.attachmentTotal);
    dialog.DoModal();
}

// ---- Stored mail ----------------------------------------------------------------------------------

bool CMailEditPageHtmlBase::SplitStoredMessage(const std::string& stored, std::string& text, std::string& html,
                                               std::vector<MimeFormatStruct>& inlineParts) {
    text.clear();
    html.clear();
    inlineParts.clear();
    CMimeAnalyze mail;
    if (mail.AnalyzeMime(stored) >= 0) {
        MimeFormatStruct part;
        if (mail.TextPartExist() != 0) {
            mail.GetMIMETextpart(part);
            part.ConvertBodyToCp932String(text);
        }
        if (mail.HtmlPartExist() != 0) {
            mail.GetMIMEHtmlpart(part);
            part.ConvertBodyToCp932String(html);
        }
        inlineParts = mail.GetRefOfMimeHtmlAttach();
        return true;
    }
    if (!stored.empty()) {
        EmlFileDecoder decoder;
        decoder.EmlDecode(stored);
        text = decoder.GetPlainText();
        html = decoder.GetHtmlText();
    }
    return false;
}

std::string CMailEditPageHtmlBase::SenderAddress() {
    constexpr int kOptionSenderAddress = 0;
    std::string value;
    if (SystemOption* options = shell::GetSystemOption()) options->GetSODataFromMemoryPinPoint(kOptionSenderAddress, value);
    return value;
}

bool CMailEditPageHtmlBase::AttachmentsNotSent() {
    std::string value;
    if (SystemOption* options = shell::GetSystemOption()) options->GetSODataFromMemoryPinPoint(kOptionNoAttachments, value);
    return value == "Y";
}

// ---- Preview -----------------------------------------------------------------------------------------

const std::string& CMailEditPageHtmlBase::GetPreviewFilePath() const { return previewFile_->Path(); }

int CMailEditPageHtmlBase::MakePreviewFileName() { return previewFile_->MakeName(previewPage_->GetAddress()); }

int CMailEditPageHtmlBase::WritePreviewFile() {
    // The text first: a message that cannot be written leaves no empty file behind.
    std::string text;
    if (GetMimeText(text) == 0) return 0;
    return previewFile_->Write(text, previewPage_->GetAddress());
}

int CMailEditPageHtmlBase::DeletePreviewFile() { return previewFile_->Delete(); }

int CMailEditPageHtmlBase::UpdatePreview() {
    if (!previewFile_->Path().empty()) DeletePreviewFile();
    if (WritePreviewFile() != 1) return 0;
    previewPage_->Navigate(previewFile_->Path());
    previewDirty_ = false;
    return 1;
}

void CMailEditPageHtmlBase::OnPreviewActivated() {
    if (!previewDirty_) return;
    UpdatePreview();
    previewDirty_ = false;
}

// ---- Inline images ---------------------------------------------------------------------------------

std::vector<std::string> CMailEditPageHtmlBase::FillSlotsFromInlineParts() {
    std::vector<std::string> passedOver;
    if (inlineSettings_ == nullptr) return passedOver;
    inlineSettings_->RemoveAllImages();
    std::set<int> told;
    auto tell = [this, &told](int which, const char* text) {
        if (told.insert(which).second) ShowError(U8(text));
    };
    for (const MimeFormatStruct& part : GetInlineParts()) {
        const std::string id = ContentIdOf(part);
        if (id.empty()) {
            tell(0, "インラインファイル情報からContent-IDが取得できません。");
            continue;
        }
        std::string name;
        if (part.GetNameParamFromContentType(name) == 0) {
            tell(1, "インラインファイル情報からファイル名が取得できません。");
            continue;
        }
        std::size_t size = 0;
        if (part.GetSizeAfterBase64Decode(size) == 0) {
            tell(2, "インラインファイル情報からファイルサイズが取得できません。");
            continue;
        }
        if (inlineSettings_->SetImageByContentId(id, name, size, std::string(), 0) == 0)
            passedOver.push_back("<" + id + "> " + name);
    }
    return passedOver;
}

void CMailEditPageHtmlBase::OnInlineImages() {
    if (inlineSettings_ == nullptr) return;
    if (inlineSettings_->DoModal() != platform::kIdOk) return;
    TakeOverInlineSettings();
}

void CMailEditPageHtmlBase::TakeOverInlineSettings() {
    const std::vector<InlineImageSlot> slotList = inlineSettings_->GetSlots();
    for (std::size_t i = 0; i < slotList.size(); ++i) {
        const InlineImageSlot& slot = slotList[i];
        if (slot.inUse == 0) {
            int index = 0;
            if (FindInlinePart(slot.contentId, index) != 0) RemoveInlinePartAt(index);
            continue;
        }
        if (slot.flag != 1) continue;
        // The file is read again as it is now: it may have changed since it was chosen.
        std::string bytes(static_cast<std::size_t>(slot.size), '\0');
        std::uint64_t size = 0;
        bool failed = compose::GetFileSizeByName(slot.path, size) != 1 || size != slot.size ||
                      compose::ReadWholeFile(slot.path, bytes.data(), bytes.size()) != 1;
        if (failed) {
            ShowError(U8("指定されたファイル「%1」の情報が取得できません。").arg(ui::FromSjis(slot.fileName)));
        } else if (!compose::IsGifData(bytes) && !compose::IsJpegData(bytes)) {
            ShowError(U8("サポートしていない形式のファイル「%1」が指定されました。").arg(ui::FromSjis(slot.fileName)));
            failed = true;
        }
        if (failed) {
            // The slot and its part go together, so no picture stays in the mail unlisted.
            inlineSettings_->RemoveImage(i);
            RemoveInlinePart(slot.contentId);
            continue;
        }
        char type[32];
        std::snprintf(type, sizeof type, "%s/%s", "image", compose::IsGifData(bytes) ? "gif" : "jpeg");
        MimeFormatStruct part;
        BuildInlinePart(part, type, slot.fileName, slot.contentId, bytes);
        AppendInlinePart(part);
    }
    RefreshInlineList();
    UpdateMailSizeDisplay();
    UpdatePreview();
}

void CMailEditPageHtmlBase::OnRemoveUnusedInlineImages() {
    UnusedImageCollector collector(InlineImages());
    CArrayOfString texts;
    compose::FindUnusedInlineImages(true, htmlPage_->GetText(), collector, texts);
    if (collector.unused.empty()) {
        ui::MessageBox(this, U8("HTMLパートで未使用のインライン画像はありません。"), U8("インフォメーション"),
                       platform::kMbOk | platform::kMbIconInformation);
        return;
    }
    QString question = U8("HTMLパートで未使用のインライン画像を削除しますか？\r\n"
                          "([OK]ボタンをクリックすると以下のファイルが削除されます。)\r\n\r\n");
    for (const compose::PageFileEntry& image : collector.unused)
        question += U8("　<%1> %2\r\n").arg(ui::FromSjis(image.contentId), ui::FromSjis(image.fileName));
    if (ui::MessageBox(this, question, U8("確認"), platform::kMbOkCancel | platform::kMbIconQuestion) !=
        platform::kIdOk)
        return;
    for (const compose::PageFileEntry& image : collector.unused) {
        const QString line = U8("\r\n\r\n　<%1> %2").arg(ui::FromSjis(image.contentId), ui::FromSjis(image.fileName));
        if (RemoveInlinePart(image.contentId) == 0) {
            ShowError(U8("emlファイル構築用データから以下の未使用インラインファイル情報の削除に失敗しました。") + line);
        }
        const int slot = SlotOfContentId(image.contentId);
        if (slot < 0 || inlineSettings_->RemoveImage(static_cast<std::size_t>(slot)) == 0) {
            ShowError(U8("インライン画像設定ダイアログから以下の未使用インラインファイル情報の削除に失敗しました。") + line);
        }
    }
    RefreshInlineList();
    UpdateMailSizeDisplay();
    UpdatePreview();
}

void CMailEditPageHtmlBase::RefreshInlineList() {
    CMailBodyEditHtml* edit = htmlPage_->HtmlEdit();
    edit->ClearInlineImages();
    if (inlineSettings_ == nullptr) return;
    for (const InlineImageSlot& slot : inlineSettings_->GetSlots())
        if (slot.inUse != 0) edit->AddInlineImage(slot.fileName, slot.contentId);
}

// ---- Attachments ---------------------------------------------------------------------------------

void CMailEditPageHtmlBase::OnAttachFiles() {
    if (composer_ == nullptr) {
        ShowError(U8("メールデータ保存領域が初期化されていません。"));
        return;
    }
    if (attachmentFolder_.empty()) {
        ShowError(U8("作業用フォルダが未設定です。"));
        return;
    }
    composer_->ShowAttachmentNoticeOnce(this);
    if (attachmentSettings_->DoModal() != platform::kIdOk) return;
    attachments_->ApplyDialogResult(this);
    ShowAttachmentNames();
    UpdateMailSizeDisplay();
}

int CMailEditPageHtmlBase::GetAttachmentCount() { return attachments_ ? attachments_->Count() : 0; }

int CMailEditPageHtmlBase::GetAttachmentName(int index, std::string& name) {
    return attachments_ ? attachments_->GetName(index, name) : 0;
}

int CMailEditPageHtmlBase::GetAttachmentSize(int index, std::uint64_t& size) {
    return attachments_ ? attachments_->GetSize(index, size) : 0;
}

int CMailEditPageHtmlBase::GetAttachmentData(int index, std::size_t bufferSize, char* buffer) {
    return attachments_ ? attachments_->GetData(index, bufferSize, buffer) : 0;
}

int CMailEditPageHtmlBase::AddAttachmentFromBuffer(const std::string& name, const char* bytes, std::size_t size) {
    if (!attachments_ || attachments_->AddFromBuffer(name, bytes, size) == 0) return 0;
    ShowAttachmentNames();
    return 1;
}

int CMailEditPageHtmlBase::RemoveAttachmentAt(int index) { return attachments_ ? attachments_->RemoveAt(index) : 0; }

int CMailEditPageHtmlBase::RemoveAllAttachments() { return attachments_ ? attachments_->RemoveAll() : 1; }

// ---- What the composing dialog and its checks ask -------------------------------------------------

void CMailEditPageHtmlBase::SetTextPart(const std::string& text) { textPage_->SetText(text); }

void CMailEditPageHtmlBase::SetHtmlPart(const std::string& html) { htmlPage_->SetText(html); }

std::string CMailEditPageHtmlBase::HtmlPart() { return htmlPage_->GetText(); }

std::string CMailEditPageHtmlBase::TextPart() { return textPage_->GetText(); }

bool CMailEditPageHtmlBase::FindInlinePart(const std::string& contentId, MimeFormatStruct& part) {
    int index = 0;
    if (FindInlinePart(contentId, index) == 0) return false;
    part = GetInlineParts()[static_cast<std::size_t>(index)];
    return true;
}

void CMailEditPageHtmlBase::AppendInlinePart(const MimeFormatStruct& part) {
    int index = 0;
    std::vector<MimeFormatStruct>& parts = model_.GetRefOfMimeHtmlAttach();
    if (FindInlinePart(ContentIdOf(part), index) != 0) {
        parts[static_cast<std::size_t>(index)] = part;
    } else {
        parts.push_back(part);
    }
    SortInlinePartsBySlot();
}

int CMailEditPageHtmlBase::SetInlineImage(const std::string& contentId, const std::string& fileName,
                                          std::uint64_t size) {
    return inlineSettings_ ? inlineSettings_->SetImageByContentId(contentId, fileName, size, std::string(), 0) : 0;
}

int CMailEditPageHtmlBase::RemoveAllInlineImages() {
    if (inlineSettings_) inlineSettings_->RemoveAllImages();
    model_.GetRefOfMimeHtmlAttach().clear();
    return 1;
}

void CMailEditPageHtmlBase::ResetPage() {
    FillSlotsFromInlineParts();
    ShowAttachmentNames();
    RefreshPage();
}

void CMailEditPageHtmlBase::RefreshPage() {
    RefreshInlineList();
    UpdateMailSizeDisplay();
    UpdatePreview();
}

std::vector<compose::PageFileEntry> CMailEditPageHtmlBase::InlineImages() {
    std::vector<compose::PageFileEntry> images;
    if (inlineSettings_ == nullptr) return images;
    for (const InlineImageSlot& slot : inlineSettings_->GetSlots())
        if (slot.inUse != 0) images.push_back({slot.contentId, slot.fileName, true, slot.size});
    return images;
}

std::vector<compose::PageFileEntry> CMailEditPageHtmlBase::Attachments() {
    std::vector<compose::PageFileEntry> files;
    if (attachmentSettings_ == nullptr) return files;
    for (const AttachmentEntry& entry : attachmentSettings_->GetEntries())
        files.push_back({std::string(), entry.fileName, false, entry.size});
    return files;
}

bool CMailEditPageHtmlBase::ClearInlineMark(int index) {
    const std::vector<compose::PageFileEntry> images = InlineImages();
    if (index < 0 || static_cast<std::size_t>(index) >= images.size()) return false;
    const std::string& id = images[static_cast<std::size_t>(index)].contentId;
    const int slot = SlotOfContentId(id);
    if (slot >= 0) inlineSettings_->RemoveImage(static_cast<std::size_t>(slot));
    RemoveInlinePart(id);
    return true;
}

void CMailEditPageHtmlBase::RemoveImageFromEditor(const std::string& /*contentId*/) { RefreshInlineList(); }

void CMailEditPageHtmlBase::RebuildHtmlView() {
    UpdateMailSizeDisplay();
    UpdatePreview();
}

std::uint64_t CMailEditPageHtmlBase::PartsAndFilesSize() const {
    std::uint64_t total = htmlPage_->GetByteCount() + textPage_->GetByteCount();
    if (inlineSettings_) total += inlineSettings_->GetTotalSize();
    if (attachmentSettings_) total += attachmentSettings_->GetTotalSize();
    return total;
}

void CMailEditPageHtmlBase::ShowError(const QString& text) {
    ui::MessageBox(this, text, U8("エラー"), platform::kMbOk | platform::kMbIconError);
}

}  // namespace htmledit
