#pragma once
// CMailEditHtmlSubPagePreview (dialog 2010, "プレビュー"): the first tab of every HTML mail
// page, showing the page's mail as the recipient's mail program would. The page writes its
// whole message into a preview file (html_preview_file.h) and hands the file's path to
// Navigate; this tab reads that file back and shows it.
//
// Showing a message: the file is parsed with the core's MIME model; its HTML part,
// converted from its charset, with merge fields typed plain ("<%名前(姓)%>") shown as
// text rather than taken for tags, goes into the program's HTML view (ui::HtmlView, control
// 1562 in place of the old placeholder), whose images "cid:<id>" are served from the
// message's own inline parts. Nothing else is ever loaded: no file, no remote address, no
// style sheet, and no script runs (the view has no script engine); a link is not
// followed. A message without an HTML part shows its text part as plain text.
// Pictograms (the user-defined area) show as the emoji the edits draw for them
// (compose/pictogram_glyphs.h); their bytes in the mail are not touched.
//
// A file that cannot be read or parsed leaves the view showing what it showed before,
// as the old browser control kept its page; the address still becomes the new path.

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "app/widgets/sheet_page.h"
#include "core/mailstore/mime_format_struct.h"

namespace ui {
class HtmlView;
}

namespace htmledit {

class CMailEditPageHtmlBase;

class CMailEditHtmlSubPagePreview : public QWidget, public shell::SheetPage {
    Q_OBJECT
public:
    static constexpr int kIdd = 2010;
    enum : int { kIdcView = 1562 };

    explicit CMailEditHtmlSubPagePreview(QWidget* parent = nullptr);
    ~CMailEditHtmlSubPagePreview() override;

    void SetOwnerPage(CMailEditPageHtmlBase* owner) { owner_ = owner; }

    // Keeps `path` as the current address and shows the message in that file. 1.
    int Navigate(const std::string& path);
    void GetAddress(std::string& out) const { out = address_; }
    const std::string& GetAddress() const { return address_; }

    // Shows a whole message text (what Navigate does with the file's content); false when
    // it has neither an HTML nor a text part (the view then keeps what it showed).
    bool ShowMessage(std::string_view messageText);

    ui::HtmlView* View() const { return view_; }

    bool IsInitialised() const { return initialised_; }
    void InitialisePage() { initialised_ = true; }
    // The tab became active: the owner brings the preview up to date.
    bool OnSetActive();

private:
    std::optional<QByteArray> ImageOf(const QString& contentId);

    CMailEditPageHtmlBase* owner_ = nullptr;
    ui::HtmlView* view_ = nullptr;
    std::string address_;
    bool initialised_ = false;
    // The inline parts of the message shown, by Content-ID in lower case.
    std::unordered_map<std::string, MimeFormatStruct> parts_;
};

// The HTML of `messageText` as the preview shows it: its HTML part (or its text part,
// escaped) with pictograms as emoji, and its inline parts by lower-case Content-ID.
// False when the message has neither part.
bool PreviewContentOf(std::string_view messageText, QString& html,
                      std::unordered_map<std::string, MimeFormatStruct>& inlineParts);

}  // namespace htmledit
