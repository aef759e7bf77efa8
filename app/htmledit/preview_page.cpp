#include "app/htmledit/preview_page.h"

#include <QRegularExpression>
#include <QVBoxLayout>

#include "app/compose/pictogram_glyphs.h"
#include "app/mailtext/file_utils.h"
#include "app/htmledit/html_mail_page_base.h"
#include "app/htmledit/inline_cid_references.h"
#include "app/ui/control_ids.h"
#include "app/ui/html_view.h"
#include "app/ui/sjis_text.h"
#include "core/mailstore/html_text_util.h"
#include "core/mailstore/mime_analyze.h"

namespace htmledit {

namespace {

// Pictograms travel as private-use characters, which no font here draws: the view gets
// the emoji (or the label) the edits draw for them.
QString WithPictogramLooks(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar ch : text) {
        const std::uint16_t code = compose::PictogramCodeOf(ch.unicode());
        const compose::PictogramLook* look = code != 0 ? compose::FindPictogramLook(code) : nullptr;
        if (look == nullptr) {
            out += ch;
        } else if (!look->emoji.isEmpty()) {
            out += look->emoji;
        } else {
            out += look->label.toHtmlEscaped();
        }
    }
    return out;
}

// A merge field typed plain in the HTML ("<%名前(姓)%>") would be taken by the view for an
// unknown tag and vanish; the preview shows it as the text it is, as it shows the escaped
// form the menus insert.
QString WithMergeFieldsShown(const QString& html) {
    static const QRegularExpression field(QStringLiteral("<%([^<>\\r\\n]{0,64}?)%>"));
    QString out = html;
    return out.replace(field, QStringLiteral("&lt;%\\1%&gt;"));
}

std::string LowerAscii(std::string text) {
    for (char& c : text) c = html_text::AsciiLower(c);
    return text;
}

}  // namespace

bool PreviewContentOf(std::string_view messageText, QString& html,
                      std::unordered_map<std::string, MimeFormatStruct>& inlineParts) {
    CMimeAnalyze mail;
    if (mail.AnalyzeMime(std::string(messageText)) < 0) return false;
    std::string text;
    MimeFormatStruct part;
    if (mail.HtmlPartExist() != 0) {
        mail.GetMIMEHtmlpart(part);
        if (part.ConvertBodyToCp932String(text) == 0) return false;
        html = WithPictogramLooks(WithMergeFieldsShown(ui::FromSjis(text)));
    } else if (mail.TextPartExist() != 0) {
        mail.GetMIMETextpart(part);
        if (part.ConvertBodyToCp932String(text) == 0) return false;
        html = QStringLiteral("<pre>") + WithPictogramLooks(ui::FromSjis(text).toHtmlEscaped()) +
               QStringLiteral("</pre>");
    } else {
        return false;
    }
    inlineParts.clear();
    for (MimeFormatStruct& inlinePart : mail.GetRefOfMimeHtmlAttach()) {
        std::string id = LowerAscii(ContentIdOf(inlinePart));
        if (!id.empty()) inlineParts.try_emplace(std::move(id), std::move(inlinePart));
    }
    return true;
}

CMailEditHtmlSubPagePreview::CMailEditHtmlSubPagePreview(QWidget* parent) : QWidget(parent) {
    setObjectName(ui::DialogName(kIdd));
    auto* column = new QVBoxLayout(this);
    view_ = ui::SetControlId(new ui::HtmlView(this), kIdcView);
    // Nothing may be dropped into the preview.
    view_->setAcceptDrops(false);
    view_->SetCidResolver([this](const QString& contentId) { return ImageOf(contentId); });
    column->addWidget(view_);
}

CMailEditHtmlSubPagePreview::~CMailEditHtmlSubPagePreview() = default;

int CMailEditHtmlSubPagePreview::Navigate(const std::string& path) {
    address_ = path;
    std::string text;
    if (compose::ReadWholeFile(path, text) == 1) ShowMessage(text);
    return 1;
}

bool CMailEditHtmlSubPagePreview::ShowMessage(std::string_view messageText) {
    QString html;
    std::unordered_map<std::string, MimeFormatStruct> parts;
    if (!PreviewContentOf(messageText, html, parts)) return false;
    parts_ = std::move(parts);
    view_->ClearRefused();
    view_->setHtml(html);
    return true;
}

std::optional<QByteArray> CMailEditHtmlSubPagePreview::ImageOf(const QString& contentId) {
    const auto it = parts_.find(LowerAscii(ui::ToSjis(contentId)));
    if (it == parts_.end()) return std::nullopt;
    std::string data;
    if (it->second.GetBodyAfterBase64Decode(data) == 0) return std::nullopt;
    return QByteArray(data.data(), static_cast<qsizetype>(data.size()));
}

bool CMailEditHtmlSubPagePreview::OnSetActive() {
    InitialisePage();
    if (owner_ != nullptr) owner_->OnPreviewActivated();
    return true;
}

}  // namespace htmledit
