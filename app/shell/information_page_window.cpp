#include "app/shell/information_page_window.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QVBoxLayout>

#include <atomic>
#include <mutex>
#include <strings.h>
#include <thread>
#include <vector>

#include "app/dialogs/proxy_auth_dlg.h"
#include "app/shell/main_frame.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/ini_manager.h"
#include "core/transport/information_manager.h"
#include "platform/date_time.h"
#include "platform/netssl/https.h"
#include "platform/notifier.h"

namespace shell {
namespace {

// Seconds a page fetch waits for the site at most.
constexpr int kFetchTimeoutSeconds = 15;

bool StartsWithNoCase(const QString& text, const char* prefix) {
    return text.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

bool IsRemote(const QString& address) {
    return StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://");
}

// The charset a page declares: in its Content-Type, else in a meta element near its top.
QString DeclaredCharset(const QByteArray& body, const QString& contentType) {
    static const QRegularExpression charset(QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = charset.match(contentType);
    if (!m.hasMatch()) m = charset.match(QString::fromLatin1(body.left(4096)));
    return m.hasMatch() ? m.captured(1).toLower() : QString();
}

QString DecodePage(const QByteArray& body, const QString& contentType) {
    const QString charset = DeclaredCharset(body, contentType);
    static const QStringList sjis = {"shift_jis", "shift-jis", "sjis", "x-sjis", "windows-31j", "cp932", "ms_kanji"};
    if (sjis.contains(charset)) return ui::FromSjis(body.toStdString());
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.toLatin1().constData());
        if (decoder.isValid()) return decoder.decode(body);
    }
    return QString::fromUtf8(body);
}

// The program's own copy of a local page, for a page missing from the program's folder.
QString BuiltInPage(const QString& path) {
    const QString name = QFileInfo(path).fileName().toLower();
    QString title, text;
    if (name == QLatin1String("notfound.html")) {
        title = ui::U8("インフォメーションページが見つかりません");
        text = ui::U8("インフォメーションページは、ただいま公開されていません。<br>しばらくしてから、もう一度お試しください。");
    } else {
        title = ui::U8("インフォメーションページに接続できません");
        text = ui::U8("インフォメーションページに接続できませんでした。<br>"
                      "インターネットへの接続と、プロキシサーバの設定を確認してください。");
    }
    return QStringLiteral("<html><body><h3>%1</h3><p>%2</p></body></html>").arg(title, text);
}

// The main window, which "app:Minimise" minimises.
QWidget* MainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<CMainFrame*>(w)) return w;
    return nullptr;
}

// Takes the headers and body of one GET.
class PageGetter : public netssl::HTTPS {
public:
    int FireHeader(const std::string& field, const std::string& value) override {
        if (strcasecmp(field.c_str(), "Content-Type") == 0) contentType = value;
        return 0;
    }
    int FireTransfer(long, const std::string& text) override {
        body = text;
        return 0;
    }
    std::string contentType, body;
};

}  // namespace

// One fetch at a time is shown; a newer navigation leaves the older fetch to end unseen.
// The worker touches no widget: it hands its copy of the page to the control's thread.
class CHtmlCtrl::Fetch {
public:
    explicit Fetch(CHtmlCtrl* owner) : owner_(owner) {}
    ~Fetch() {
        for (auto& s : running_) Stop(*s);
        for (std::thread& t : threads_) t.join();
    }

    void Start(const QString& address, const ProxyFields& proxy) {
        for (auto& s : running_) Stop(*s);
        auto shared = std::make_shared<Shared>();
        running_.push_back(shared);
        const int generation = ++generation_;
        CHtmlCtrl* owner = owner_;
        threads_.emplace_back([shared, owner, generation, url = address.toStdString(), proxy] {
            PageGetter getter;
            netssl::HttpsComponent* h = netssl::HTTPS_Create(&getter, &netssl::HTTPS::Dispatch);
            {
                std::lock_guard<std::mutex> lock(shared->mutex);
                if (shared->stopped) {
                    netssl::HTTPS_Destroy(h);
                    return;
                }
                shared->handle = h;
            }
            netssl::HTTPS_Set(h, netssl::kHttpsTimeout, 0, kFetchTimeoutSeconds, 0);
            if (!proxy.server.empty() && !proxy.port.empty()) {
                netssl::HTTPS_Set(h, netssl::kHttpsProxyServer, 0, proxy.server.c_str(), 0);
                netssl::HTTPS_Set(h, netssl::kHttpsProxyPort, 0, std::atoi(proxy.port.c_str()), 0);
                netssl::HTTPS_Set(h, netssl::kHttpsProxyUser, 0, proxy.user.c_str(), 0);
                netssl::HTTPS_Set(h, netssl::kHttpsProxyPassword, 0, proxy.password.c_str(), 0);
            } else {
                netssl::HTTPS_Do(h, netssl::kHttpsConfigure, "UseWinInet=True");
                netssl::HTTPS_Set(h, netssl::kHttpsProxyServer, 0, "*", 0);
            }
            const bool ok = netssl::HTTPS_Do(h, netssl::kHttpsGet, url) == 0;
            {
                std::lock_guard<std::mutex> lock(shared->mutex);
                shared->handle = nullptr;
            }
            netssl::HTTPS_Destroy(h);
            if (shared->stopped) return;
            QByteArray body = QByteArray::fromStdString(getter.body);
            QString type = QString::fromLatin1(getter.contentType.c_str());
            QString address = QString::fromStdString(url);
            QMetaObject::invokeMethod(
                owner,
                [owner, generation, address, ok, body, type] {
                    if (owner->fetch_ && owner->fetch_->generation_ == generation) owner->ShowFetched(address, ok, body, type);
                },
                Qt::QueuedConnection);
        });
    }

private:
    struct Shared {
        std::mutex mutex;
        netssl::HttpsComponent* handle = nullptr;
        std::atomic<bool> stopped{false};
    };
    static void Stop(Shared& s) {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.stopped = true;
        if (s.handle) netssl::HTTPS_Do(s.handle, netssl::kHttpsInterrupt);
    }

    CHtmlCtrl* owner_;
    int generation_ = 0;
    std::vector<std::shared_ptr<Shared>> running_;
    std::vector<std::thread> threads_;
};

CHtmlCtrl::CHtmlCtrl(QWidget* parent) : ui::HtmlView(parent), fetch_(std::make_unique<Fetch>(this)) {
    setObjectName(QStringLiteral("CHtmlCtrl"));
    viewport()->installEventFilter(this);
    connect(this, &QTextBrowser::anchorClicked, this, &CHtmlCtrl::LinkClicked);
}

CHtmlCtrl::~CHtmlCtrl() {
    // The fetches end before anything they report to goes.
    fetch_.reset();
}

bool CHtmlCtrl::CreateFromStatic(int id, QWidget* dialog) {
    QWidget* placeholder = ui::FindControl<QWidget>(dialog, id);
    if (!placeholder || placeholder == this) return false;
    QWidget* parent = placeholder->parentWidget();
    setParent(parent);
    setGeometry(placeholder->geometry());
    if (parent && parent->layout()) delete parent->layout()->replaceWidget(placeholder, this);
    delete placeholder;
    setObjectName(ui::ControlName(id));
    show();
    return true;
}

bool CHtmlCtrl::BeforeNavigate(const QString& address) {
    if (!StartsWithNoCase(address, "app:")) return true;
    OnAppCmd(address.mid(4));
    return false;
}

void CHtmlCtrl::OnAppCmd(const QString& command) {
    if (command == QLatin1String("Minimise")) {
        if (QWidget* main = MainWindow()) main->showMinimized();
    } else if (command == QLatin1String("Beep")) {
        QApplication::beep();
    } else {
        ui::MessageBox(this, command, QStringLiteral("Unexpected Command"), platform::kMbOk | platform::kMbIconQuestion);
    }
}

void CHtmlCtrl::Navigate(const QString& address) {
    if (!BeforeNavigate(address)) return;
    address_ = address;
    if (IsRemote(address)) {
        loading_ = true;
        fetch_->Start(address, proxy_);
        return;
    }
    const QUrl url(address);
    ShowLocal(url.isLocalFile() ? url.toLocalFile() : address);
}

void CHtmlCtrl::ShowLocal(const QString& path) {
    loading_ = false;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        setHtml(DecodePage(file.readAll(), QString()));
    } else {
        setHtml(BuiltInPage(path));
    }
    emit PageShown(address_, true);
}

void CHtmlCtrl::ShowFetched(const QString& address, bool ok, const QByteArray& body, const QString& contentType) {
    loading_ = false;
    if (ok) {
        setHtml(DecodePage(body, contentType));
    } else {
        setHtml(BuiltInPage(QStringLiteral("disconnect.html")));
    }
    emit PageShown(address, ok);
}

void CHtmlCtrl::LinkClicked(const QUrl& link) {
    const QString text = link.toString();
    if (!BeforeNavigate(text)) return;
    const QUrl target = QUrl(address_).resolved(link);
    if (target.scheme() == QLatin1String("http") || target.scheme() == QLatin1String("https"))
        Navigate(target.toString());
}

void CHtmlCtrl::keyPressEvent(QKeyEvent* event) {
    if (!inputEnabled_) {
        switch (event->key()) {
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_End:
        case Qt::Key_Home:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down: break;
        default: event->accept(); return;
        }
    }
    ui::HtmlView::keyPressEvent(event);
}

bool CHtmlCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (!inputEnabled_ && watched == viewport() && event->type() == QEvent::MouseButtonRelease) return true;
    return ui::HtmlView::eventFilter(watched, event);
}

CInformationPageDlg::CInformationPageDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("「Varnis」 インフォメーション"));
    auto* layout = new QVBoxLayout(this);
    auto* placeholder = ui::SetControlId(new QLabel(this), kIdcPage);
    placeholder->setMinimumSize(640, 480);
    layout->addWidget(placeholder, 1);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(ui::U8("閉じる"), QDialogButtonBox::AcceptRole);
    ui::SetControlId(close, platform::kIdOk);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void CInformationPageDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
}

void CInformationPageDlg::OnInitDialog() {
    auto* control = new CHtmlCtrl(this);
    control->SetInputEnabled(true);
    control->SetProxy(proxy_);
    if (!control->CreateFromStatic(kIdcPage, this)) {
        delete control;
        return;
    }
    control_ = control;
    control_->Navigate(address_);
}

void ShowInformationPageCommand(const std::string& iniPath, CInformationManager& information,
                                const std::function<std::string(int code)>& errorPage,
                                const InformationPageHooks& hooks) {
    auto show = [&](const QString& address, const ProxyFields& proxy) {
        if (hooks.showPage) hooks.showPage(address, proxy);
    };
    ProxyFields proxy;
    information.GetProxyAuthSetting(iniPath, proxy.server, proxy.port, proxy.user, proxy.password, proxy.save);
    for (;;) {
        platform::DateTime pageDate;
        pageDate.SetStatus(platform::DateTime::invalid);  // stays so when the site sends no date
        const int result = information.GetRenewalDateOfNewestInformationPage(pageDate);
        if (result == 0) {
            show(QString::fromStdString(information.GetInformationPageUrl()), proxy);
            // A date the site did not give is not kept: the start-up compares with it.
            if (pageDate.IsValid()) {
                const std::string text = pageDate.Format("%Y/%m/%d %H:%M:%S");
                if (!CIniManager::WriteProfileStringA(iniPath, "INFORMATION", "RENEWALDATE", text.c_str())) {
                    ui::MessageBox(nullptr, ui::U8("Quendrel.iniファイルに情報を書き出せませんでした"),
                                   ui::U8("Quendrel.iniファイルが正しくありません"),
                                   platform::kMbOk | platform::kMbIconWarning);
                }
            }
            return;
        }
        if (result == 404 || result == -404) {
            show(ui::FromPath(errorPage(404)), proxy);
            return;
        }
        if (result == 407 || result == -407 || result == -1) {
            proxy.password.clear();
            if (hooks.askProxy && hooks.askProxy(proxy)) {
                information.SetProxyAuthSetting(iniPath, proxy.server, proxy.port, proxy.user, proxy.password, proxy.save);
                continue;
            }
        }
        show(ui::FromPath(errorPage(0)), proxy);
        return;
    }
}

bool AskProxyCredentials(QWidget* parent, ProxyFields& fields) {
    CProxyAuthDlg dialog(parent);
    dialog.SetValues({ui::FromSjis(fields.server), ui::FromSjis(fields.port), ui::FromSjis(fields.user),
                      ui::FromSjis(fields.password), fields.save});
    if (dialog.DoModal() != platform::kIdOk) return false;
    const ProxyAuthValues& got = dialog.Values();
    fields = {ui::ToSjis(got.address), ui::ToSjis(got.port), ui::ToSjis(got.user), ui::ToSjis(got.password), got.save};
    return true;
}

void ShowInformationPageWindow(QWidget* parent, const QString& address, const ProxyFields& proxy) {
    CInformationPageDlg dialog(parent);
    dialog.SetURL(address);
    dialog.SetProxy(proxy);
    dialog.DoModal();
}

}  // namespace shell
