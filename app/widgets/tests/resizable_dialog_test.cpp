#include <gtest/gtest.h>

#include <QLabel>
#include <QTemporaryDir>

#include <string>

#include "app/widgets/resizable_dialog.h"
#include "app/ui/control_ids.h"
#include "core/foundation/ini_manager.h"

namespace {

using shell::CResizableDialog;

// A dialog of 300 x 200 whose size is remembered.
class SizedDialog : public CResizableDialog {
public:
    explicit SizedDialog(int id = 141, std::string section = std::string())
        : CResizableDialog(id), section_(std::move(section)) {
        SetSaveSize(true);
        resize(300, 200);
    }
    std::string GetProfileSection() const override {
        return section_.empty() ? CResizableDialog::GetProfileSection() : section_;
    }

private:
    std::string section_;
};

class ResizableDialogTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ini_ = dir_.filePath(QStringLiteral("QuendrelT.ini")).toStdString();
        CResizableDialog::SetProfileFile(ini_);
    }
    void TearDown() override { CResizableDialog::SetProfileFile(std::string()); }

    int Stored(const std::string& section, const char* key) {
        return static_cast<int>(CIniManager::GetProfileIntA(ini_, section, key, -1));
    }

    QTemporaryDir dir_;
    std::string ini_;
};

TEST_F(ResizableDialogTest, ControlsFollowTheEdgesAStretchWinningOverAMove) {
    struct Case {
        unsigned flags;
        QRect expected;  // from (10, 10, 50 x 20) after the dialog grew by 30 x 40
    };
    const Case cases[] = {
        {0, QRect(10, 10, 50, 20)},   // not recorded
        {1, QRect(40, 10, 50, 20)},   // moves right
        {2, QRect(10, 50, 50, 20)},   // moves down
        {3, QRect(40, 50, 50, 20)},
        {4, QRect(10, 10, 80, 20)},   // widens
        {8, QRect(10, 10, 50, 60)},   // lengthens
        {5, QRect(10, 10, 80, 20)},   // widening wins over moving right
        {10, QRect(10, 10, 50, 60)},  // lengthening wins over moving down
        {15, QRect(10, 10, 80, 60)},
        {6, QRect(10, 50, 80, 20)},
    };
    CResizableDialog dialog(200);
    dialog.resize(300, 200);
    for (const Case& c : cases) {
        auto* label = ui::SetControlId(new QLabel(&dialog), 1000 + static_cast<int>(c.flags));
        label->setGeometry(10, 10, 50, 20);
        dialog.AddControl(1000 + static_cast<int>(c.flags), c.flags);
    }
    dialog.AddControl(1999, 15);  // a control the dialog does not have is passed over
    dialog.show();
    dialog.resize(330, 240);
    for (const Case& c : cases)
        EXPECT_EQ(ui::FindControl(&dialog, 1000 + static_cast<int>(c.flags))->geometry(), c.expected)
            << "flags " << c.flags;
    EXPECT_EQ(dialog.minimumSize(), QSize(300, 200));
}

TEST_F(ResizableDialogTest, ADialogNeverResizedLeavesTheStoredSizeAlone) {
    CIniManager::WriteProfileInt(ini_, "8d", "CX", 500);  // half a size: not applied
    {
        SizedDialog dialog;
        dialog.show();
        EXPECT_EQ(dialog.size(), QSize(300, 200));
        dialog.reject();
    }
    EXPECT_EQ(Stored("8d", "CX"), 500);
    EXPECT_EQ(Stored("8d", "CY"), -1);
}

TEST_F(ResizableDialogTest, AResizedDialogStoresItsSizeAndTheNextOneOpensAtIt) {
    {
        SizedDialog dialog;
        dialog.show();
        dialog.resize(420, 330);
        dialog.accept();
    }
    EXPECT_EQ(Stored("8d", "CX"), 420);
    EXPECT_EQ(Stored("8d", "CY"), 330);

    SizedDialog next;
    next.show();
    EXPECT_EQ(next.size(), QSize(420, 330));
    EXPECT_EQ(next.minimumSize(), QSize(300, 200));  // the size it was made with
    // Being given the stored size is no resize by the user: closing writes nothing.
    CIniManager::WriteProfileInt(ini_, "8d", "CX", 421);
    next.reject();
    EXPECT_EQ(Stored("8d", "CX"), 421);
}

TEST_F(ResizableDialogTest, ADialogDestroyedWhileShownStoresUnderItsOwnSection) {
    {
        SizedDialog dialog(193, "SEARCHRESULT");
        dialog.show();
        dialog.resize(640, 480);
    }
    EXPECT_EQ(Stored("SEARCHRESULT", "CX"), 640);
    EXPECT_EQ(Stored("SEARCHRESULT", "CY"), 480);
    EXPECT_EQ(Stored("c1", "CX"), -1);
}

TEST_F(ResizableDialogTest, WithoutTheSaveFlagNothingIsKept) {
    CResizableDialog dialog(141);
    dialog.resize(300, 200);
    dialog.show();
    dialog.resize(400, 300);
    dialog.reject();
    EXPECT_EQ(Stored("8d", "CX"), -1);
}

}  // namespace
