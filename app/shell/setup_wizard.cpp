#include "app/shell/setup_wizard.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionFocusRect>
#include <QTimer>
#include <QVBoxLayout>

#include "app/sendrecv/mail_record_helpers.h"
#include "app/shell/bar_images.h"
#include "app/environment/environment_service.h"
#include "app/shell/mail_list_controller.h"
#include "app/shell/system_settings_store.h"
#include "app/shell/main_frame.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "app/ui/wait_cursor.h"
#include "core/addressbook/database_edit.h"
#include "core/mailstore/mail_list_viewer.h"

namespace shell {
namespace {

struct Step {
    int number;
    int button;
    const char* name;
    int label;
    const char* guide;
};

constexpr Step kSteps[] = {
    {1, CSetupWizardDlg::kIdcSystemSetting, "システム設定", 1787, "　　１．システム設定を行います。"},
    {2, CSetupWizardDlg::kIdcMakeMail, "メール作成", 1788, "　　２．メールを作成します。"},
    {3, CSetupWizardDlg::kIdcPersonalInfo, "個人情報入力", 1789, "　　３．個人情報を入力します。"},
    {4, CSetupWizardDlg::kIdcDestination, "宛先設定", 1790, "　　４．宛先を設定します。"},
    {5, CSetupWizardDlg::kIdcSendMail, "メールの送信", 1791, "　　５．メールを送信します。"},
};

const Step* FindStep(int button) {
    for (const Step& s : kSteps)
        if (s.button == button) return &s;
    return nullptr;
}

const char kTitle[] = "初期設定ウィザード";

// A step button: its picture (enabled or disabled; the colour at pixel (1,1) is
// transparent), a raised frame, a sunken black and grey one while pressed, a focus
// rectangle 4 pixels inside. Enter runs it.
class StepButton : public QAbstractButton {
public:
    StepButton(QImage enabled, QImage disabled, QWidget* parent)
        : QAbstractButton(parent), enabled_(Masked(enabled)), disabled_(Masked(disabled)) {
        setFocusPolicy(Qt::StrongFocus);
        setFixedSize(enabled.size() + QSize(8, 8));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRect r = rect();
        const QPixmap& image = isEnabled() ? enabled_ : disabled_;
        p.drawPixmap((width() - image.width()) / 2, (height() - image.height()) / 2, image);
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = r.adjusted(4, 4, -4, -4);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
        }
        if (isDown()) {
            p.setPen(Qt::black);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.setPen(QColor(100, 100, 100));
            p.drawRect(r.adjusted(1, 1, -2, -2));
        } else {
            for (int i = 0; i < 2; ++i) {
                const QRect f = r.adjusted(i, i, -1 - i, -1 - i);
                p.setPen(Qt::white);
                p.drawLine(f.topLeft(), f.topRight());
                p.drawLine(f.topLeft(), f.bottomLeft());
                p.setPen(Qt::black);
                p.drawLine(f.bottomLeft(), f.bottomRight());
                p.drawLine(f.topRight(), f.bottomRight());
            }
        }
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            event->accept();
            click();
            return;
        }
        QAbstractButton::keyPressEvent(event);
    }

private:
    static QPixmap Masked(const QImage& image) {
        QPixmap pixmap = QPixmap::fromImage(image);
        if (image.width() > 1 && image.height() > 1)
            pixmap.setMask(pixmap.createMaskFromColor(image.pixelColor(1, 1), Qt::MaskInColor));
        return pixmap;
    }
    QPixmap enabled_, disabled_;
};

}  // namespace

CSetupWizardDlg::CSetupWizardDlg(QWidget* parent, ScreenRegistry& screens, MailListController* list)
    : QDialog(parent), screens_(screens), list_(list) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8(kTitle));

    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(ui::U8("下のボタンを順にクリックして、設定とメールの作成、送信を行います。"), this);
    layout->addWidget(intro);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    int column = 0;
    for (const Step& s : kSteps) {
        if (column > 0) {
            auto* arrow = new QLabel(QStringLiteral("▶"), this);
            arrow->setAlignment(Qt::AlignCenter);
            grid->addWidget(arrow, 0, column++);
        }
        auto* button = new StepButton(images::WizardStepImage(s.number, true, kStepImageSize),
                                      images::WizardStepImage(s.number, false, kStepImageSize), this);
        ui::SetControlId(button, s.button);
        button->setAccessibleName(ui::U8(s.name));
        const int id = s.button;
        connect(button, &QAbstractButton::clicked, this, [this, id] {
            switch (id) {
            case kIdcSystemSetting: OnSystemSetting(); break;
            case kIdcMakeMail: OnMakeMail(); break;
            case kIdcPersonalInfo: OnPersonalInfo(); break;
            case kIdcDestination: OnDestination(); break;
            case kIdcSendMail: OnSendMail(); break;
            default: break;
            }
        });
        grid->addWidget(button, 0, column, Qt::AlignCenter);
        auto* label = ui::SetControlId(new QLabel(ui::U8(s.name), this), s.label);
        label->setAlignment(Qt::AlignCenter);
        grid->addWidget(label, 1, column++);
        buttons_[s.button] = button;
        labels_[s.button] = label;
    }
    layout->addLayout(grid);

    guide_ = ui::SetControlId(new QLabel(this), kIdcGuide);
    guide_->setAutoFillBackground(true);
    QPalette pal = guide_->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    guide_->setPalette(pal);
    guide_->setFrameShape(QFrame::StyledPanel);
    guide_->setMinimumHeight(guide_->fontMetrics().height() * 2 + 8);
    layout->addWidget(guide_);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    auto* cancel = ui::SetControlId(new QPushButton(ui::U8("閉じる"), this), platform::kIdCancel);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    bottom->addWidget(cancel);
    layout->addLayout(bottom);

    for (const Step& s : kSteps) SetStep(s.button, 0);
    SetStep(kIdcSystemSetting, 1);
}

CSetupWizardDlg::~CSetupWizardDlg() = default;

void CSetupWizardDlg::SetStep(int buttonId, int enable) {
    const Step* step = FindStep(buttonId);
    if (!step) return;
    buttons_[buttonId]->setEnabled(enable != 0);
    labels_[buttonId]->setEnabled(enable != 0);
    if (enable) {
        guide_->setText(ui::U8(step->guide));
        buttons_[buttonId]->setFocus();
    }
}

bool CSetupWizardDlg::IsStepEnabled(int buttonId) const {
    auto it = buttons_.find(buttonId);
    return it != buttons_.end() && it->second->isEnabled();
}

void CSetupWizardDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (firstPaint_) {
        firstPaint_ = false;
        // After the window is up, so the guidance shows over it.
        QTimer::singleShot(0, this, &CSetupWizardDlg::ShowGuidance);
    }
}

void CSetupWizardDlg::ShowGuidance() {
    ui::MessageBox(this,
                   ui::U8("この初期設定ウィザードでは、システム設定とメールの作成から送信までの一連の流れをご案内いたします。"),
                   windowTitle(), platform::kMbOk | platform::kMbIconInformation);
}

int CSetupWizardDlg::Tell(const char* text) {
    return ui::MessageBox(this, ui::U8(text), windowTitle(), platform::kMbOk | platform::kMbIconInformation);
}

void CSetupWizardDlg::ShowMail(const COneMailData& mail) {
    if (list_) list_->RefreshOrAppendRow(mail);
}

void CSetupWizardDlg::SaveAddressBookAndPause() {
    CMainFrame::RunAddressBookSave(this);
    // The save turns the scheduler on again at its end; the wizard keeps it paused.
    if (SchedulerControl* scheduler = GetScheduler()) scheduler->SetEnabled(false);
}

void CSetupWizardDlg::OnSystemSetting() {
    SystemOption* options = GetSystemOption();
    if (!screens_.showSystemSettings || !options) return;
    int answer;
    {
        ui::WaitCursor wait;
        ui::NormalCursor normal;
        answer = screens_.showSystemSettings(this, *options, true);
    }
    if (answer != platform::kIdOk) return;
    StoreConfirmedSystemSettings(this, *options);
    SetStep(kIdcMakeMail, 1);
    SetStep(kIdcSystemSetting, 0);
}

void CSetupWizardDlg::OnMakeMail() {
    if (!screens_.chooseMailType || !screens_.composeMail) return;
    const MailTypeChoice choice = screens_.chooseMailType(this, true);
    if (choice.answer != platform::kIdOk) return;
    ComposeRequest request;
    request.parent = this;
    request.wizardMode = true;
    if (choice.result == 1) {
        request.textMail = 0;
        request.htmlKind = choice.mailType == 0 ? 0 : choice.mailType == 1 ? 1 : 2;
    }
    ComposeResult result;
    {
        ui::WaitCursor wait;
        ui::NormalCursor normal;
        result = screens_.composeMail(request);
    }
    if (result.answer != platform::kIdOk) return;
    mailId_ = result.mailId;
    CMailListViewer* mails = GetMailListViewer();
    CMailRecord mail;
    if (!mails || mails->GetMailData(mailId_, mail) != 0) return;
    ShowMail(mail);
    SetStep(kIdcPersonalInfo, 1);
    SetStep(kIdcMakeMail, 0);
}

void CSetupWizardDlg::OnPersonalInfo() {
    if (!screens_.showPersonalInformationList) return;
    {
        ui::WaitCursor wait;
        ui::NormalCursor normal;
        screens_.showPersonalInformationList(this);
    }
    SaveAddressBookAndPause();
    CDatabaseEdit* book = GetDatabaseEdit();
    if (book && book->GetDBCountWithoutDelete() > 0) {
        SetStep(kIdcDestination, 1);
        SetStep(kIdcPersonalInfo, 0);
    }
}

void CSetupWizardDlg::OnDestination() {
    if (!screens_.showAddressBook || !screens_.assignListToMail) return;
    AddressBookRequest request;
    request.parent = this;
    request.forMail = true;
    request.mailId = mailId_;
    const AddressBookChoice choice = screens_.showAddressBook(request);
    SaveAddressBookAndPause();
    if (choice.answer != platform::kIdOk) return;
    if (!screens_.assignListToMail(this, mailId_, choice.listId, choice.listName)) return;
    CMailListViewer* mails = GetMailListViewer();
    CMailRecord mail;
    if (!mails || mails->GetMailData(mailId_, mail) != 0) return;
    ShowMail(mail);
    SetStep(kIdcSendMail, 1);
    SetStep(kIdcDestination, 0);
}

void CSetupWizardDlg::OnSendMail() {
    CMailListViewer* mails = GetMailListViewer();
    if (!screens_.composeMail || !mails) return;
    CMailRecord mail;
    if (mails->GetMailData(mailId_, mail) != 0) return;
    // While it is composed the mail is a draft, so no run picks it up half-written.
    const std::string former = mail.GetStatus();
    mail.SetStatus("D", 0);
    if (mails->SetMailData(mail) != 0) return;
    ShowMail(mail);

    ComposeRequest request;
    request.parent = this;
    request.mailId = mailId_;
    request.wizardMode = true;
    request.textMail = mail.GetTextOrHtmlMailFlag() == "N" ? 1 : 0;
    request.htmlKind = mail.GetTextOrHtmlMailFlag() == "Y" ? 0 : 1;
    ComposeResult result;
    {
        ui::WaitCursor wait;
        ui::NormalCursor normal;
        result = screens_.composeMail(request);
    }

    if (result.answer != platform::kIdOk) {
        // Given up: the mail goes back to exactly what it was.
        CMailRecord back;
        if (mails->GetMailData(mailId_, back) != 0) return;
        back.SetStatus(former, 0);
        if (mails->SetMailData(back) != 0) return;
        ShowMail(back);
        mails->WriteMailList(0);
        return;
    }

    const bool goes = result.closedBy == kComposeReserved || result.closedBy == kComposeSendNow;
    if (goes) {
        CMailRecord ready;
        if (mails->GetMailData(mailId_, ready) == 0 &&
            UpdateMailRecipientsIfAddressBookChanged(ready) == kMailMadeWaiting)
            mails->SetMailData(ready);
    }
    CMailRecord stored;
    if (mails->GetMailData(mailId_, stored) != 0) return;
    // Reserved or sent only when the mail is ready to go; otherwise the screen that kept
    // it back has told the person why, and the wizard stays on this step.
    const bool ready = goes && IsMailSendPending(stored);
    if (ready && result.closedBy == kComposeSendNow) {
        Tell("メールを送信し、ウィザードを終了します。");
        if (screens_.sendSelectedMail) screens_.sendSelectedMail(mailId_);
    }
    ShowMail(stored);
    if (mails->WriteMailList(0) != 0) return;
    if (goes && !ready) return;
    if (result.closedBy == kComposeReserved) {
        Tell("メールは送信予約されました。ウィザードを終了します。");
    } else if (result.closedBy == kComposeSavedAsDraft) {
        Tell("メールは下書きとして保存されました。ウィザードを終了します。");
    }
    accept();
}

}  // namespace shell
