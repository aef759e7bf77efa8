#pragma once
// CDBEditViewBase: the base of the record editor's pages (and of the test-mail recipient
// views, which reuse their designs). A page points at the record of its sheet and at the
// 20 extended-attribute names; it owns neither. It has two operations of its own, run in
// this order when the page opens (once): show the attribute names, then transfer the
// record into the controls. TransferData(false) writes the controls back into the record;
// pages that only show the record do nothing there.
//
// Every page carries the record header (record_header.h) at its top, refreshed whenever
// the page is shown; a screen that does not want it hides it (HideHeader).

#include <QWidget>

#include <string>
#include <vector>

#include "app/widgets/sheet_page.h"
#include "core/addressbook/one_customer.h"

class QVBoxLayout;

namespace addressui {

class RecordHeader;

class CDBEditViewBase : public QWidget, public shell::SheetPage {
    Q_OBJECT
public:
    // `pageId` names the page ("dlg165").
    explicit CDBEditViewBase(int pageId, QWidget* parent = nullptr);

    void SetOneCustomer(OneCustomer* record) { record_ = record; }
    void SetExtractData(const std::vector<std::string>* names) { names_ = names; }

    // Shows the attribute names (nothing in the base).
    virtual void ShowExtractNames();
    // true: record -> controls; false: controls -> record (nothing in the base).
    virtual void TransferData(bool toControls);

    // Opens the page: ShowExtractNames, then TransferData(true). Runs once; a page opens
    // itself the first time it is shown, and a sheet opens its pages before it needs their
    // controls.
    void InitPage();
    void RefreshHeader();
    void HideHeader();

protected:
    void showEvent(QShowEvent* event) override;
    // Where the page puts its controls, below the header.
    QVBoxLayout* Body() const { return body_; }

    OneCustomer* record_ = nullptr;
    const std::vector<std::string>* names_ = nullptr;

private:
    RecordHeader* header_ = nullptr;
    QVBoxLayout* body_ = nullptr;
    bool initialised_ = false;
};

}  // namespace addressui
