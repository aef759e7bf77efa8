#pragma once
// HtmlView: the program's view of an HTML mail or page. It draws what it is given and
// fetches nothing: an image "cid:..." is served from the mail's own parts through the
// resolver the owner sets; every other resource (file:, http:, https:, data:, a relative
// name, a style sheet) is refused and recorded, so a mail can neither read local files
// nor tell a server that it was opened. Links are never followed by the view: a click is
// reported through anchorClicked for the owner to handle.

#include <QByteArray>
#include <QStringList>
#include <QTextBrowser>
#include <QUrl>

#include <functional>
#include <optional>

namespace ui {

class HtmlView : public QTextBrowser {
    Q_OBJECT
public:
    // The bytes of the part whose Content-ID is `contentId` (without "cid:" and without
    // angle brackets), or nothing.
    using CidResolver = std::function<std::optional<QByteArray>(const QString& contentId)>;

    explicit HtmlView(QWidget* parent = nullptr);

    void SetCidResolver(CidResolver resolver) { resolver_ = std::move(resolver); }
    // The resources asked for and refused since the last ClearRefused.
    const QList<QUrl>& Refused() const { return refused_; }
    void ClearRefused() { refused_.clear(); }

    QVariant loadResource(int type, const QUrl& name) override;

private:
    CidResolver resolver_;
    QList<QUrl> refused_;
};

}  // namespace ui
