#pragma once
// CTestMailPane (dialog 944): one test-mail recipient in the test-mail recipient editor,
// with an inner tab row (1904) of its three views "基本情報", "拡張属性1[A～J]" and
// "拡張属性2[K～T]" (test_mail_views.h). The pane holds the recipient's record, read from
// the store by its recipient ID (0 the PC recipient, 1 the mobile one; a missing record
// starts empty with its ID); the views point at it.

#include <QWidget>

#include <string>
#include <vector>

#include "core/addressbook/one_customer.h"

class CTestMailingInfo;
class QTabWidget;

namespace settings {

class CTestMailStandardView;
class CTestMailViewBase;

class CTestMailPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIdd = 944;
    static constexpr int kIdcTabs = 1904;

    // Reads record `recordId` of `store` and fills the views; `names` are the 20 attribute
    // names (not owned, nor is the store).
    CTestMailPane(CTestMailingInfo& store, int recordId, const std::vector<std::string>* names,
                  QWidget* parent = nullptr);

    int RecordId() const { return recordId_; }
    OneCustomer& Record() { return record_; }
    CTestMailStandardView* StandardView() const { return standard_; }
    QTabWidget* Tabs() const { return tabs_; }
    // Shows the "基本情報" tab.
    void ShowBasicTab();
    // Gives the focus to the shown view's control for it.
    void FocusShownView();

private:
    int recordId_;
    OneCustomer record_;
    QTabWidget* tabs_ = nullptr;
    CTestMailStandardView* standard_ = nullptr;
};

}  // namespace settings
