// The new-mail type question: each button's result, Cancel, and the wizard's choices.
#include <gtest/gtest.h>

#include <QPushButton>

#include "app/sendrecv/mail_type_dlg.h"
#include "app/sendrecv/tests/mail_dialogs_env.h"

namespace {

using maildlg::Control;

struct Answer {
    int answer;
    int result;
    int mailType;
    bool operator==(const Answer&) const = default;
};

Answer Choose(int button, int wizardMode = 0, QStringList* caption = nullptr, bool* pcEnabled = nullptr) {
    CMailTypeDlg dialog;
    dialog.SetWizardMode(wizardMode);
    ui::test::WhenDialogShows(ui::DialogName(CMailTypeDlg::kIdd), [&](QDialog* d) {
        if (caption != nullptr) caption->push_back(d->windowTitle());
        if (pcEnabled != nullptr) *pcEnabled = Control<QPushButton>(d, CMailTypeDlg::kIdcHtmlPc)->isEnabled();
        ui::test::ClickControl(d, button);
    });
    const int answer = dialog.DoModal();
    return {answer, dialog.GetResult(), dialog.GetMailType()};
}

TEST(MailTypeDialog, EachButtonGivesItsKind) {
    EXPECT_EQ(Choose(CMailTypeDlg::kIdcText), (Answer{platform::kIdOk, 0, -1}));
    EXPECT_EQ(Choose(CMailTypeDlg::kIdcHtmlPc), (Answer{platform::kIdOk, 1, 0}));
    EXPECT_EQ(Choose(CMailTypeDlg::kIdcHtmlMobile), (Answer{platform::kIdOk, 1, 1}));
    EXPECT_EQ(Choose(CMailTypeDlg::kIdcHtmlOld), (Answer{platform::kIdOk, 1, 2}));
    EXPECT_EQ(Choose(shell::dialogs::kIdCancel), (Answer{platform::kIdCancel, -1, -1}));
}

TEST(MailTypeDialog, WizardOffersTextAndTheOlderHtmlOnly) {
    QStringList captions;
    bool pcEnabled = true;
    EXPECT_EQ(Choose(CMailTypeDlg::kIdcHtmlOld, 1, &captions, &pcEnabled), (Answer{platform::kIdOk, 1, 2}));
    EXPECT_FALSE(pcEnabled);
    EXPECT_EQ(captions, QStringList{ui::U8("メールの種類 － ウィザードモード")});
    captions.clear();
    Choose(CMailTypeDlg::kIdcText, 0, &captions, &pcEnabled);
    EXPECT_TRUE(pcEnabled);
    EXPECT_EQ(captions, QStringList{ui::U8("メールの種類")});
}

}  // namespace
