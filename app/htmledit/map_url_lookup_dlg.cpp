#include "app/htmledit/map_url_lookup_dlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/htmledit/map_candidate_dlg.h"
#include "app/htmledit/map_url_lookup_query.h"
#include "app/htmledit/map_url_lookup_settings.h"
#include "app/htmledit/map_url_lookup_texts.h"
#include "app/htmledit/map_url_lookup_worker.h"
#include "app/dialogs/dialog_parts.h"
#include "app/dialogs/proxy_auth_dlg.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/transport/information_manager.h"
#include "platform/notifier.h"

namespace htmledit {

namespace dialogs = shell::dialogs;

CMapUrlFetchDlg::CMapUrlFetchDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("地図URLの取得"));
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    auto* grid = new QGridLayout;

    prefecture_ = ui::SetControlId(new QComboBox(this), kIdcPrefecture);
    for (int i = 0; i < kPrefectureCount; ++i) prefecture_->addItem(ui::U8(PrefectureName(i)));
    prefecture_->setCurrentIndex(-1);
    prefecture_->setMaxVisibleItems(16);
    address_ = dialogs::MakeEdit(this, kIdcAddress);
    address_->setMinimumWidth(320);
    scale_ = ui::SetControlId(new QComboBox(this), kIdcScale);
    for (int i = 0; i < kMapScaleCount; ++i) scale_->addItem(ui::U8(MapScaleText(i)));
    scale_->setCurrentIndex(kDefaultMapScale);
    fetch_ = dialogs::MakeButton(this, ui::U8("取得"), kIdcFetch);
    mapUrl_ = dialogs::MakeEdit(this, kIdcMapUrl);

    grid->addWidget(dialogs::MakeLabel(this, ui::U8("都道府県")), 0, 0);
    grid->addWidget(prefecture_, 0, 1, Qt::AlignLeft);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("市区町村以下")), 1, 0);
    grid->addWidget(address_, 1, 1, 1, 2);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("縮尺")), 2, 0);
    grid->addWidget(scale_, 2, 1, Qt::AlignLeft);
    grid->addWidget(fetch_, 2, 2, Qt::AlignRight);
    grid->addWidget(dialogs::MakeLabel(this, ui::U8("地図URL")), 3, 0);
    grid->addWidget(mapUrl_, 3, 1, 1, 2);
    column->addLayout(grid);
    dialogs::AddOkCancelRow(column, this, true);

    lookup_ = new MapUrlLookup(this);
    connect(fetch_, &QPushButton::clicked, this, &CMapUrlFetchDlg::OnFetch);
    connect(lookup_, &MapUrlLookup::Finished, this, &CMapUrlFetchDlg::OnFinished);
}

CMapUrlFetchDlg::~CMapUrlFetchDlg() { lookup_->Cancel(); }

int CMapUrlFetchDlg::DoModal() { return exec(); }

bool CMapUrlFetchDlg::IsFetching() const { return lookup_->IsRunning(); }

void CMapUrlFetchDlg::accept() {
    lookup_->Cancel();
    SetBusy(false);
    if (name_) *name_ = address_->text();
    if (url_) *url_ = mapUrl_->text();
    done(platform::kIdOk);
}

void CMapUrlFetchDlg::reject() {
    lookup_->Cancel();
    SetBusy(false);
    done(platform::kIdCancel);
}

void CMapUrlFetchDlg::OnFetch() {
    if (lookup_->IsRunning()) return;
    MapSearchInput input;
    input.prefecture = prefecture_->currentIndex();
    input.address = ui::ToSjis(address_->text());
    if (IsEmptySearch(input)) {
        ui::MessageBox(this, texts::EmptySearch(), texts::LookupErrorCaption(), platform::kMbOk);
        return;
    }
    const MapLookupSettings settings = GetMapLookupSettings();
    requestUrl_ = BuildMapSearchUrl(settings.searchService, input);
    zoom_ = MapZoomForScale(scale_->currentIndex());
    iniPath_ = settings.programIniPath;
    timeoutSeconds_ = settings.timeoutSeconds;
    proxy_ = MapProxySettings{};
    if (!iniPath_.empty()) {
        CInformationManager().GetProxyAuthSetting(iniPath_, proxy_.server, proxy_.port, proxy_.user, proxy_.password,
                                                  proxy_.save);
    }
    StartRequest(false);
}

void CMapUrlFetchDlg::StartRequest(bool retry) {
    if (lookup_->Start(requestUrl_, proxy_, timeoutSeconds_, retry)) SetBusy(true);
}

void CMapUrlFetchDlg::OnFinished(const MapRequestResult& result) {
    SetBusy(false);
    switch (result.status) {
    case MapRequestStatus::kReply:
        OnReply(result.reply);
        return;
    case MapRequestStatus::kProxyAuthRequired:
        if (AskProxy()) {
            StartRequest(true);
            return;
        }
        break;  // no credentials, no reply
    case MapRequestStatus::kFailed:
        ui::MessageBox(this, texts::NotConnected(), texts::LookupErrorCaption(), platform::kMbOk);
        return;
    case MapRequestStatus::kNoReply:
        break;
    }
    ui::MessageBox(this, texts::NoInformation(), texts::LookupErrorCaption(), platform::kMbOk);
}

void CMapUrlFetchDlg::OnReply(const std::string& reply) {
    mapUrl_->clear();
    QString name = address_->text();
    QString url;
    CMapUrlCandidateDlg candidates(this);
    candidates.SetReply(reply);
    candidates.SetResults(&name, &url);
    candidates.SetZoom(zoom_);
    if (candidates.DoModal() != platform::kIdOk) return;
    address_->setText(name);
    mapUrl_->setText(url);
    mapUrl_->setCursorPosition(0);  // the service's address first, not the URL's tail
}

bool CMapUrlFetchDlg::AskProxy() {
    shell::CProxyAuthDlg dialog(this);
    dialog.SetValues({ui::FromSjis(proxy_.server), ui::FromSjis(proxy_.port), ui::FromSjis(proxy_.user),
                      ui::FromSjis(proxy_.password), proxy_.save});
    if (dialog.DoModal() != platform::kIdOk) return false;
    const shell::ProxyAuthValues& got = dialog.Values();
    proxy_ = {ui::ToSjis(got.address), ui::ToSjis(got.port), ui::ToSjis(got.user), ui::ToSjis(got.password), got.save};
    if (!iniPath_.empty()) {
        CInformationManager().SetProxyAuthSetting(iniPath_, proxy_.server, proxy_.port, proxy_.user, proxy_.password,
                                                  proxy_.save);
    }
    return true;
}

void CMapUrlFetchDlg::SetBusy(bool busy) {
    for (QWidget* w : {static_cast<QWidget*>(prefecture_), static_cast<QWidget*>(address_),
                       static_cast<QWidget*>(scale_), static_cast<QWidget*>(fetch_)}) {
        w->setEnabled(!busy);
    }
    if (busy) setCursor(Qt::BusyCursor);
    else unsetCursor();
}

}  // namespace htmledit
