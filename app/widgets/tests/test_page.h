#pragma once
// A property-sheet page for the tests: counts what the sheet asks and answers as told.

#include <QWidget>

#include "app/widgets/sheet_page.h"

namespace shell::test {

class TestPage : public QWidget, public SheetPage {
public:
    bool mayLeave = true;
    bool mayApply = true;
    int askedToLeave = 0;
    int applied = 0;
    int cancelled = 0;

    bool OnKillActive() override {
        ++askedToLeave;
        return mayLeave;
    }
    bool OnApply() override {
        ++applied;
        return mayApply;
    }
    void OnCancel() override { ++cancelled; }
};

}  // namespace shell::test
