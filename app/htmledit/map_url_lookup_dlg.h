#pragma once
// CMapUrlFetchDlg (dialog 940, "地図URLの取得"): finds the map page URL of an address.
// The user picks a prefecture (combo 1003) and/or types the rest of the address (edit
// 1004, "市区町村以下"), picks the map scale (combo 1005) and presses "取得" (1006); the
// address is searched online and the chosen place's name and map URL are shown in edit
// 1004 and edit 1007. OK hands the address text and the map URL to the caller's results;
// Cancel leaves them as they were.
//
// The search runs on a worker (MapUrlLookup) while the dialog stays live: "取得" is
// disabled and the cursor busy until it ends, and closing the dialog stops it. The
// request goes through the proxy of the program ini's record, else the system's proxy
// settings; a proxy asking for credentials gets the proxy dialog (CProxyAuthDlg, 329)
// and, when it is confirmed, the settings are kept in the program ini and the request is
// sent once more. Every failure ends with one message captioned "地図URLの取得エラー":
//  - neither address nor prefecture: "住所に該当する候補が多すぎます。...", nothing sent;
//  - no answer (no connection, a refusal, the time-out, or the retry after the proxy
//    dialog failing): the not-connected message;
//  - an answer that is no search reply, or the proxy dialog cancelled: the
//    no-information message.
// A search reply empties the map URL edit and goes to the candidate choice
// (CMapUrlCandidateDlg); a chosen candidate fills edits 1004 and 1007, and a cancelled
// or empty choice leaves the address as typed.

#include <QDialog>
#include <QString>

#include <string>

#include "app/htmledit/map_url_lookup_client.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace htmledit {

class MapUrlLookup;

class CMapUrlFetchDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 940;
    static constexpr int kIdcPrefecture = 1003;
    static constexpr int kIdcAddress = 1004;
    static constexpr int kIdcScale = 1005;
    static constexpr int kIdcFetch = 1006;
    static constexpr int kIdcMapUrl = 1007;

    explicit CMapUrlFetchDlg(QWidget* parent = nullptr);
    ~CMapUrlFetchDlg() override;

    // Before DoModal: where OK puts the address text (the link's name) and the map URL.
    void SetResults(QString* name, QString* url) {
        name_ = name;
        url_ = url;
    }

    // IDOK (1) or IDCANCEL (2).
    int DoModal();

    // True while a search runs.
    bool IsFetching() const;

protected:
    void accept() override;
    void reject() override;

private:
    void OnFetch();
    void StartRequest(bool retry);
    void OnFinished(const MapRequestResult& result);
    void OnReply(const std::string& reply);
    bool AskProxy();
    void SetBusy(bool busy);

    QString* name_ = nullptr;
    QString* url_ = nullptr;
    QComboBox* prefecture_ = nullptr;
    QLineEdit* address_ = nullptr;
    QComboBox* scale_ = nullptr;
    QPushButton* fetch_ = nullptr;
    QLineEdit* mapUrl_ = nullptr;
    MapUrlLookup* lookup_ = nullptr;

    // The search under way: its URL (not shown), zoom, proxy settings and lookup settings.
    std::string requestUrl_;
    int zoom_ = 0;
    MapProxySettings proxy_;
    std::string iniPath_;
    int timeoutSeconds_ = 0;
};

}  // namespace htmledit
