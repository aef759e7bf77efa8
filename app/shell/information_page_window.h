#pragma once
// The information page: the maker's page of news about the product, shown on the
// person's command (インフォメーションページ) or at start-up when the page is newer than
// the date the program last showed.
//
//  - CHtmlCtrl: the program's HTML view used as a dialog control. It shows a page from a
//    local file, or from an http/https address fetched by the core's HTTP client on a
//    worker thread (the view itself loads nothing; the window keeps answering meanwhile,
//    and closing it stops the fetch). A link is handled by the control: "app:" links
//    (any case) are the program's commands and are never followed ("Minimise" minimises
//    the main window, "Beep" beeps, anything else is shown as "Unexpected Command");
//    http and https links show their page in the control; every other link is ignored.
//    While input is not enabled, keys other than the scrolling ones and mouse-button
//    releases are swallowed.
//  - CInformationPageDlg (dialog 328): the window with the control in place of its
//    static 1562, showing the address given with SetURL.
//  - ShowInformationPageCommand: the command's steps: read the proxy settings, ask the
//    site for the page's date, then show the page (and keep its date), the local
//    "notfound.html" when the site has no page, or ask for proxy credentials until the
//    proxy is satisfied or the person cancels ("disconnect.html" then, and for every
//    other failure). A page whose date is unknown is shown, but no date is kept.
//
// A local page that is not in the program's folder is shown from the program's own copy,
// so the person always learns what went wrong.

#include <QDialog>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>

#include "app/shell/startup_information.h"
#include "app/ui/html_view.h"

class CInformationManager;

namespace shell {

class CHtmlCtrl : public ui::HtmlView {
    Q_OBJECT
public:
    explicit CHtmlCtrl(QWidget* parent = nullptr);
    ~CHtmlCtrl() override;

    // Puts the control in place of static control `id` of `dialog` (same number, place
    // and size; the static goes). False when the dialog has no such control.
    bool CreateFromStatic(int id, QWidget* dialog);

    void SetInputEnabled(bool enabled) { inputEnabled_ = enabled; }
    bool IsInputEnabled() const { return inputEnabled_; }
    // The proxy the remote pages are fetched through (as the information query uses it:
    // server and port both set, else the system's settings).
    void SetProxy(const ProxyFields& proxy) { proxy_ = proxy; }

    // Shows `address`: a local file path or file: URL, or an http/https address. An "app:"
    // address runs its command instead and shows nothing. Returns at once; PageShown
    // follows when the page is up (or failed).
    void Navigate(const QString& address);
    // The address of the page shown (or being fetched).
    QString CurrentAddress() const { return address_; }
    bool IsLoading() const { return loading_; }

    // The program's commands of "app:" links.
    virtual void OnAppCmd(const QString& command);

signals:
    // The page at `address` is shown (ok) or could not be had.
    void PageShown(const QString& address, bool ok);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when the navigation may go on (false: an "app:" command ran instead).
    bool BeforeNavigate(const QString& address);
    void ShowLocal(const QString& path);
    void ShowFetched(const QString& address, bool ok, const QByteArray& body, const QString& contentType);
    void LinkClicked(const QUrl& link);

    class Fetch;
    std::unique_ptr<Fetch> fetch_;
    ProxyFields proxy_;
    QString address_;
    bool loading_ = false;
    bool inputEnabled_ = false;
};

class CInformationPageDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 328;
    static constexpr int kIdcPage = 1562;

    explicit CInformationPageDlg(QWidget* parent = nullptr);

    void SetURL(const QString& address) { address_ = address; }
    void SetProxy(const ProxyFields& proxy) { proxy_ = proxy; }
    // The control (null until the dialog has been set up by its first show).
    CHtmlCtrl* Control() const { return control_; }
    int DoModal() { return exec(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();

    CHtmlCtrl* control_ = nullptr;
    QString address_;
    ProxyFields proxy_;
    bool initialised_ = false;
};

// What the information-page command asks of the screens (tests answer instead).
struct InformationPageHooks {
    // The proxy dialog over `fields` (their password empty); true on OK.
    std::function<bool(ProxyFields& fields)> askProxy;
    // Shows the page at `address` modally (a remote address with the proxy to fetch it
    // through, or a local page).
    std::function<void(const QString& address, const ProxyFields& proxy)> showPage;
};

// Runs the information-page command with the program ini `programIniPath`; local pages
// are `errorPage(404)` and `errorPage(0)`.
void ShowInformationPageCommand(const std::string& programIniPath, CInformationManager& information,
                                const std::function<std::string(int code)>& errorPage,
                                const InformationPageHooks& hooks);

// The program's screens for both: the proxy dialog (CProxyAuthDlg) and the information
// window over `parent`.
bool AskProxyCredentials(QWidget* parent, ProxyFields& fields);
void ShowInformationPageWindow(QWidget* parent, const QString& address, const ProxyFields& proxy);

}  // namespace shell
