#pragma once
// CMapUrlCandidateDlg (dialog 941, "地図URLの取得（候補の選択）"): offers the places a
// map search reply names, so the user picks the one meant; the chosen place's name and
// map page URL become the caller's results. The reply is read by ParseMapCandidates
// (map_candidate_list.h) against the map page service of the lookup settings.
//
// DoModal decides before anything is shown:
//  - no hits, or no complete candidate: the no-candidates message, IDCANCEL;
//  - more hits than kMaxMapCandidates: the too-many message, IDCANCEL;
//  - exactly one candidate: it is taken at once, IDOK, and no window appears;
//  - otherwise the list (control 1012, columns "名前" and "URL"). OK without a chosen
//    row says "データを選択してください。" and stays; OK with one takes it (IDOK);
//    Cancel empties both results (IDCANCEL).
// In the first two cases the results are left as they were.

#include <QDialog>
#include <QString>

#include <string>
#include <vector>

#include "app/htmledit/map_candidate_list.h"

class QTableWidget;

namespace htmledit {

class CMapUrlCandidateDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 941;
    static constexpr int kIdcList = 1012;

    explicit CMapUrlCandidateDlg(QWidget* parent = nullptr);

    // Before DoModal: the reply as received (UTF-8), where the results go, and the map
    // page's zoom value.
    void SetReply(std::string reply) { reply_ = std::move(reply); }
    void SetResults(QString* address, QString* url) {
        address_ = address;
        url_ = url;
    }
    void SetZoom(int zoom) { zoom_ = zoom; }

    // IDOK (1) when a candidate was taken, else IDCANCEL (2); see above.
    int DoModal();

protected:
    void accept() override;
    void reject() override;

private:
    void Take(int row);

    std::string reply_;
    QString* address_ = nullptr;
    QString* url_ = nullptr;
    int zoom_ = 0;
    std::vector<MapCandidate> candidates_;
    QTableWidget* list_ = nullptr;
};

}  // namespace htmledit
