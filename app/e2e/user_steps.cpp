// The user's day, phase by phase, as the user does it through the program's windows.
#include "app/e2e/user_steps.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QAbstractItemView>
#include <QDialog>
#include <QItemSelectionModel>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <chrono>
#include <fstream>
#include <map>
#include <QLabel>
#include <QTableView>
#include <QTableWidget>
#include <QWizard>

#include "app/addressui/address_book_dlg.h"
#include "app/addressui/db_list_dlg.h"
#include "app/addressui/extract_condition_dlg.h"
#include "app/addressui/extract_condition_page.h"
#include "app/addressui/extract_result_page.h"
#include "app/addressui/extract_wizard.h"
#include "app/addressui/name_dlgs.h"
#include "app/addressui/record_control_ids.h"
#include "app/e2e/people.h"
#include "app/composer/carrier_text_pages.h"
#include "app/composer/mail_create_dialog.h"
#include "app/composer/mail_edit_page_base.h"
#include "app/composer/mail_edit_page_text_mobile.h"
#include "app/composer/text_mail_page.h"
#include "app/compose/confirm_dialog.h"
#include "app/compose/pictogram_input_dlg.h"
#include "app/e2e/driver.h"
#include "app/ui/testing/type_text.h"
#include "app/htmledit/html_mail_page_base.h"
#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/sendrecv/auto_ref_list_dlg.h"
#include "app/sendrecv/auto_reg_list_dlg.h"
#include "app/sendrecv/display_only_edit.h"
#include "app/sendrecv/mail_type_dlg.h"
#include "app/sendrecv/send_receive_dlg.h"
#include "app/environment/run_monitor.h"
#include "app/shell/mail_list_controller.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/settings/import_format_dlg.h"
#include "app/settings/import_wizard.h"
#include "app/settings/option_pages.h"
#include "app/settings/required_items_page.h"
#include "app/settings/result_dlg.h"
#include "app/settings/send_receive_detail_page.h"
#include "app/settings/system_sheet.h"
#include "app/settings/test_mail_pane.h"
#include "app/settings/test_mail_setting_dlg.h"
#include "app/dialogs/env_select_dlg.h"
#include "app/dialogs/new_env_dlg.h"
#include "app/environment/environment_service.h"
#include "app/shell/main_frame.h"
#include "app/shell/setup_wizard.h"
#include "app/shell/varnis_app.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/foundation/cp932.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "platform/date_time.h"
#include "platform/notifier.h"

namespace e2e {
namespace {

using ui::U8;

constexpr int kIdOkButton = 1;

std::string Option(int slot) {
    std::string value;
    if (SystemOption* options = shell::GetSystemOption()) options->GetSODataFromMemoryPinPoint(slot, value);
    return value;
}

// The mail in status `status`, or -1.
int MailInStatus(const std::string& status) {
    CMailListViewer* mails = shell::GetMailListViewer();
    for (int id = 0; mails != nullptr && id < 50; ++id) {
        COneMailData mail;
        if (mails->GetMailData(id, mail) == 0 && mail.GetStatus() == status) return id;
    }
    return -1;
}

// ---- 1. The first start: a new environment, the setup wizard's system settings ---------------

void FillSystemSettings(settings::CSystemSheet* sheet, const PhaseContext& c) {
    using settings::CSystemMain;
    using settings::CSystemSMTP;
    // The user reads the wizard's hint first.
    WaitFor([&c] { return c.prompts->Count(U8("ウィザードモード")) > 0; }, 5000, "the settings' wizard hint");
    // Encryption first: the page offers the standard ports when SSL changes, and the
    // servers' own ports are typed afterwards.
    sheet->SetActivePage(settings::CSystemSheet::kPageSmtp);
    QWidget* smtp = sheet->SmtpPage();
    Check(smtp, CSystemSMTP::kIdcAuthentication, true);
    Retype(smtp, CSystemSMTP::kIdcSmtpPassword, QString::fromStdString(c.Conf("password")));
    Retype(smtp, CSystemSMTP::kIdcSmtpUser, QString::fromStdString(c.Conf("user")));
    Check(smtp, CSystemSMTP::kIdcSsl, true);
    Choose(smtp, CSystemSMTP::kIdcReceiveSsl, 4);  // STARTTLS
    Choose(smtp, CSystemSMTP::kIdcSendSsl, 4);
    Check(smtp, CSystemSMTP::kIdcNoCertificateCheck, false);

    sheet->SetActivePage(settings::CSystemSheet::kPageMain);
    QWidget* main = sheet->MainPage();
    Retype(main, CSystemMain::kIdcSenderAddress, QString::fromStdString(c.Conf("sender")));
    Retype(main, CSystemMain::kIdcSenderName, U8("配信担当"));
    Retype(main, CSystemMain::kIdcSendServer, QString::fromStdString(c.Conf("host")));
    Retype(main, CSystemMain::kIdcSendPort, QString::fromStdString(c.Conf("smtp_port")));
    Retype(main, CSystemMain::kIdcReceiveServer, QString::fromStdString(c.Conf("host")));
    Retype(main, CSystemMain::kIdcReceivePort, QString::fromStdString(c.Conf("pop3_port")));
    Check(main, CSystemMain::kIdcPop3, true);
    Retype(main, CSystemMain::kIdcReceiveUser, QString::fromStdString(c.Conf("user")));
    Retype(main, CSystemMain::kIdcPassword, QString::fromStdString(c.Conf("password")));
    Retype(main, CSystemMain::kIdcPasswordAgain, QString::fromStdString(c.Conf("password")));
    Check(main, CSystemMain::kIdcSavePassword, true);
    Click(sheet, settings::CSystemSheet::kIdcOk);
}

void SetupBefore(PhaseContext& c) {
    // No environment yet: the start asks which, and the user makes a new one.
    WhenDialog(shell::CEnvSelectDlg::kIdd, [](QDialog* d) { Click(d, shell::CEnvSelectDlg::kIdcNew); });
    WhenDialog(shell::CNewEnvDlg::kIdd, [&c](QDialog* d) {
        Retype(d, shell::CNewEnvDlg::kIdcLocation, QString::fromStdString(c.folder + "/envs"));
        Retype(d, shell::CNewEnvDlg::kIdcName, U8("顧客管理"));
        Click(d, kIdOkButton);
    });
    // The new environment's setup wizard: its first step, the system settings; then the
    // user leaves the wizard and goes on by the menus.
    WhenDialog(shell::CSetupWizardDlg::kIdd, [&c](QDialog* d) {
        auto* wizard = static_cast<shell::CSetupWizardDlg*>(d);
        bool filled = false;
        WhenShows<settings::CSystemSheet>([&](settings::CSystemSheet* sheet) {
            filled = true;
            FillSystemSettings(sheet, c);
        });
        Click(d, shell::CSetupWizardDlg::kIdcSystemSetting);
        Expect(filled, "the setup wizard's first step showed no system settings");
        Expect(wizard->IsStepEnabled(shell::CSetupWizardDlg::kIdcMakeMail),
               "the setup wizard did not move on after the system settings");
        d->reject();
    });
}

void SetupRun(PhaseContext& c) {
    Expect(c.prompts->Count(U8("環境作成の確認")) == 1, "the new environment was not confirmed");
    Expect(Option(0) == c.Conf("sender"), "sender address stored: " + Option(0));
    Expect(Option(8) == c.Conf("host") && Option(9) == c.Conf("smtp_port"), "send server stored: " + Option(8) + ":" + Option(9));
    Expect(Option(1) == c.Conf("host") && Option(2) == c.Conf("pop3_port"),
           "receive server stored: " + Option(1) + ":" + Option(2));
    Expect(Option(85) == "Y" && Option(86) == "4" && Option(87) == "4", "STARTTLS stored: " + Option(85) + Option(86) + Option(87));
    Expect(Option(90) == "Y" && Option(94) == c.Conf("user"), "SMTP AUTH stored: " + Option(90) + " " + Option(94));
    Expect(Option(88) != "Y", "the certificate check was left off");
    c.state["environment"] = shell::GetVarnisApp()->Environment().DescriptorPath();
}

// ---- 2. The import of the people's CSV ---------------------------------------------------------

void AssignColumn(settings::CImportConfSheet* w, int targetRow, const char* label) {
    using settings::CImportConfPage02;
    auto* targets = qobject_cast<QTableWidget*>(Control(w->Page02(), CImportConfPage02::kIdcTargets));
    auto* pool = qobject_cast<QTableWidget*>(Control(w->Page02(), CImportConfPage02::kIdcPool));
    if (targets == nullptr || pool == nullptr) return;
    const auto found = pool->findItems(U8(label), Qt::MatchExactly);
    if (!Expect(!found.isEmpty(), std::string("the import offers no column ") + label)) return;
    targets->selectRow(targetRow);
    pool->selectRow(found.first()->row());
    Click(w->Page02(), CImportConfPage02::kIdcAssign);
}

void ImportRun(PhaseContext& c) {
    const std::string csv = c.Conf("csv");
    const int expected = std::stoi(c.Conf("people"));
    c.prompts->AnswerCaption(U8("エラーログの保存"), platform::kIdNo);
    bool imported = false;
    WhenDialog(addressui::CDBListDlg::kIdd, [&](QDialog* d) {
        auto* list = static_cast<addressui::CDBListDlg*>(d);
        WaitFor([&] { return !list->IsBusy(); }, 60000, "the personal-information list to load");
        WhenDialog(settings::CImportFormatDlg::kIdd, [](QDialog* f) {
            Check(f, settings::CImportFormatDlg::kIdcGeneral, true);
            Click(f, kIdOkButton);
        });
        WhenDialog(settings::CImportConfirmDlg::kIdd, [](QDialog* f) { Click(f, kIdOkButton); });
        WhenShows<settings::CImportConfSheet>([&](settings::CImportConfSheet* w) {
            Retype(w->Page00(), settings::CImportConfPage00::kIdcPath, QString::fromStdString(csv));
            w->button(QWizard::NextButton)->click();
            WaitFor([&] { return w->currentId() == 1; }, 10000, "the import's split page");
            w->button(QWizard::NextButton)->click();
            WaitFor([&] { return w->currentId() == 2; }, 10000, "the import's assignment page");
            AssignColumn(w, 0, "メールアドレス");
            AssignColumn(w, 1, "姓");
            AssignColumn(w, 2, "名");
            AssignColumn(w, 3, "せい");
            AssignColumn(w, 4, "めい");
            AssignColumn(w, 16, "会員区分");
            AssignColumn(w, 17, "会員番号");
            w->button(QWizard::NextButton)->click();
            WaitFor([&] { return w->currentId() == 3; }, 10000, "the import's confirmation page");
            w->button(QWizard::FinishButton)->click();
            imported = WaitFor([&] { return !w->isVisible(); }, 180000, "the import to finish");
        });
        Click(d, addressui::CDBListDlg::kIdcImport);
        WaitFor([&] { return !list->IsBusy(); }, 60000, "the personal-information list to reload");
        Click(d, addressui::CDBListDlg::kIdcClose);
    });
    Menu(shell::CMainFrame::kIdPersonalInformation);
    Expect(imported, "the import wizard did not run");
    Expect(c.prompts->Count(U8("インポート完了")) == 1, "the import did not say it completed");
    const int count = shell::GetDatabaseEdit()->GetDBCountWithoutDelete();
    Expect(count == expected, "people in the book after the import: " + std::to_string(count));
}

// ---- 3. The extraction of the gold members, with its honorific ---------------------------------

void ExtractRun(PhaseContext& c) {
    std::vector<std::string> attributes;
    shell::GetSystemOption()->GetSOExtractDataFromMemory(attributes);
    if (!Expect(!attributes.empty(), "no extra attribute names")) return;
    const QString attribute = ui::FromSjis(attributes[0]);
    bool saved = false;
    QString status;
    WhenDialog(addressui::CAddressBookDlg::kIdd, [&](QDialog* book) {
        WhenShows<addressui::CExtractSheet>([&](addressui::CExtractSheet* sheet) {
            WhenDialog(addressui::CConditionDlg::kIdd, [&](QDialog* d) {
                Choose(d, addressui::CConditionDlg::kIdcField, attribute);
                Check(d, addressui::CConditionDlg::kIdcByValues, true);
                Retype(d, addressui::CConditionDlg::kIdcValues, U8(kGold));
                Choose(d, addressui::CConditionDlg::kIdcEqualFlag, U8("を含む"));
                Click(d, kIdOkButton);
            });
            Click(sheet, addressui::CExtractConditionPage::kIdcChange);
            QString result;
            WhenDialog(settings::CResultDlg::kIdd, [&](QDialog* d) {
                for (int id : {settings::CResultDlg::kIdcLine1, settings::CResultDlg::kIdcLine2,
                               settings::CResultDlg::kIdcLine3})
                    if (auto* line = qobject_cast<QLabel*>(Control(d, id))) result += line->text() + " / ";
                Click(d, kIdOkButton);
            });
            Click(sheet, addressui::CExtractSheet::kIdcRunExtraction);
            WaitFor([&] { return !sheet->ResultPage()->IsRunning() && !Visible<settings::CResultDlg>(); }, 120000,
                    "the extraction to run");
            Log("extraction result: " + result.toStdString());
            status = sheet->ResultPage()->GetStatusText();
            WhenDialog(addressui::CDestNameDlg::kIdd, [](QDialog* d) {
                Retype(d, addressui::CDestNameDlg::kIdcName, U8("ゴールド会員"));
                Click(d, kIdOkButton);
            });
            Click(sheet, shell::CVarnisPropertySheet::kIdcOk);
            saved = WaitFor([&] { return !sheet->isVisible(); }, 30000, "the extraction to be saved");
        });
        Click(book, addressui::CAddressBookDlg::kIdcNew);
        // The honorific for the new list's people.
        auto* list = qobject_cast<QTableView*>(Control(book, addressui::CAddressBookDlg::kIdcList));
        if (list != nullptr && Expect(list->model()->rowCount() == 1, "lists in the address book: " +
                                                                           std::to_string(list->model()->rowCount()))) {
            list->selectRow(0);
            WhenDialog(addressui::CHonorificDlg::kIdd, [](QDialog* d) {
                Retype(d, addressui::CHonorificDlg::kIdcName, U8("様"));
                Click(d, kIdOkButton);
            });
            Click(book, addressui::CAddressBookDlg::kIdcHonorific);
        }
        Click(book, addressui::CAddressBookDlg::kIdcClose);
    });
    Menu(shell::CMainFrame::kIdAddressBook);
    Log("extraction: " + status.toStdString());
    Expect(saved, "the extraction was not saved");
    Expect(status.contains(QString::fromStdString(c.Conf("chosen"))), "the extraction's result: " + status.toStdString());
}

// ---- 4 and 6. A text mail for PCs and NTT DoCoMo, sent to the extraction now -------------------

// The destination of the mail in the composing dialog: the address book's only list.
void ChooseDestination(QDialog* compose) {
    bool chosen = false;
    WhenDialog(addressui::CAddressBookDlg::kIdd, [&](QDialog* book) {
        auto* list = qobject_cast<QTableView*>(Control(book, addressui::CAddressBookDlg::kIdcList));
        if (list == nullptr || !Expect(list->model()->rowCount() >= 1, "no list to choose")) {
            book->reject();
            return;
        }
        list->selectRow(0);
        Click(book, addressui::CAddressBookDlg::kIdcSetDestination);
        chosen = true;
    });
    Click(compose, compose::CMailCreateDialog::kIdcDestination);
    Expect(chosen, "the address book did not open for the mail's destination");
    auto* name = qobject_cast<QLineEdit*>(Control(compose, compose::CMailCreateDialog::kIdcDestinationName));
    Expect(name != nullptr && name->text() == U8("ゴールド会員"),
           "the mail's destination shows '" + (name ? name->text().toStdString() : std::string()) + "'");
}

// Puts a pictogram of the palette at the end of `page`'s body, as the user does: the caret
// at the end of the body, the palette's button, a cell, "挿入".
bool InsertPictogram(compose::CarrierTextPage* page, int cell) {
    QPlainTextEdit* body = page->Body();
    const std::string before = page->Body()->GetSjisText();
    QTest::mouseClick(body->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    body->setFocus();
    body->moveCursor(QTextCursor::End);
    // The palette is a window of its own: the body loses the focus to it (offscreen, no
    // window manager says so, hence the event).
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(body, &out);
    Click(page, compose::CarrierTextPage::kIdcPictogram);
    compose::CPictogramDialog* palette = page->Palette();
    if (!Expect(palette != nullptr && palette->isVisible(), "the pictogram palette did not show")) return false;
    palette->Grid()->setCurrentCell(cell / compose::CPictogramDialog::kColumns, cell % compose::CPictogramDialog::kColumns);
    Click(palette, compose::CPictogramDialog::kIdcInsert);
    ui::test::WaitUntil([] { return false; }, 50);
    return Expect(page->Body()->GetSjisText().size() == before.size() + 2,
                  "the pictogram did not reach the body: " + page->Body()->GetSjisText());
}

// The status window of the runs (made, hidden, when the program starts).
CSendReceiveDlg* StatusWindow() {
    for (QWidget* w : TopLevels())
        if (auto* d = qobject_cast<CSendReceiveDlg*>(w)) return d;
    return nullptr;
}

// Every text the status window's state line shows while it lives, in order, as a person
// would have seen it (each change once).
class StateLineRecorder {
public:
    StateLineRecorder() {
        CSendReceiveDlg* status = StatusWindow();
        auto* line = status != nullptr ? qobject_cast<CNoInputEdit*>(Control(status, CSendReceiveDlg::kIdcState)) : nullptr;
        if (!Expect(line != nullptr, "no state line in the status window")) return;
        connection_ = QObject::connect(line, &QPlainTextEdit::textChanged, line, [this, line] {
            if (shown_.isEmpty() || shown_.back() != line->Text()) shown_ << line->Text();
        });
    }
    ~StateLineRecorder() { QObject::disconnect(connection_); }
    const QStringList& Shown() const { return shown_; }

private:
    QMetaObject::Connection connection_;
    QStringList shown_;
};

// Waits for the send/receive run the program started to end.
bool WaitForRun(const std::string& what, int ms) {
    WaitFor([] { return shell::CurrentRunMonitor().IsRunning(); }, 10000, what + " to start");
    return WaitFor([] { return !shell::CurrentRunMonitor().IsRunning(); }, ms, what + " to end");
}

// The text of the mails: merge fields of the name, the member number (the second extra
// attribute) and a fixed text the test looks for, on lines of their own. The PC subject is
// long enough to be folded over several header lines.
const char* const kTextSubject = "<%名前(姓)%>様へ 春の新商品と会員様だけの特別セールのご案内（ゴールド会員の皆様）";
const char* const kTextBody = "<%名前(姓)%> <%名前(名)%>様\r\n会員番号 <%拡張属性B%>\r\n春のセールのお知らせです。\r\n";
const char* const kDocomoSubject = "<%名前(姓)%>様 春";
const char* const kDocomoBody = "<%名前(姓)%> <%名前(名)%>様\r\n会員番号 <%拡張属性B%>\r\n春のセール";

// Writes the PC page and the NTT DoCoMo page of the mobile tab (with a pictogram from the
// palette when `pictogram`).
void FillTextMail(compose::CMailCreateDialog* d, const char* subject, const char* body, const char* docomoSubject,
                  const char* docomoBody, bool pictogram) {
    compose::TextMailPage* pc = d->GetTextPage(0);
    Retype(pc, compose::CMailEditPageBase::kIdcSubject, U8(subject));
    Retype(pc, compose::CMailEditPageBase::kIdcBody, U8(body));
    d->GetSheet()->SetActivePage(1);
    auto* docomo = dynamic_cast<compose::CarrierTextPage*>(d->GetTextPage(1));
    if (Expect(docomo != nullptr, "no NTT DoCoMo page")) {
        d->GetMobilePage()->GetSheet()->SetActivePage(0);
        Retype(docomo, compose::CMailEditPageBase::kIdcSubject, U8(docomoSubject));
        Retype(docomo, compose::CMailEditPageBase::kIdcBody, U8(docomoBody));
        if (pictogram) {
            InsertPictogram(docomo, 0);
            docomo->ClosePalette();
        }
        // The same text for the au TU-KA, SoftBank and WILLCOM pages: "他キャリアにも反映", OK.
        WhenDialog(compose::CConfirmDialog::kIdd, [](QDialog* confirm) { confirm->accept(); });
        Click(docomo, compose::CMailEditPageImode::kIdcReflect);
        for (int t = 2; t <= 3; ++t)
            Expect(d->GetTextPage(t)->Body()->GetSjisText() == docomo->Body()->GetSjisText(),
                   "the NTT DoCoMo text did not reach carrier page " + std::to_string(t));
    }
}

// ---- 5. A test copy to the sender's own address before the real send ----------------------------

// One test recipient: "family,given,member number" from the test's settings.
struct TestRecipient {
    QString sei, mei, member;
};

TestRecipient ReadTestRecipient(const PhaseContext& c, const std::string& key) {
    const QStringList parts = QString::fromStdString(c.Conf(key)).split(QLatin1Char(','));
    if (!Expect(parts.size() == 3, "the test's setting " + key + " is not family,given,member")) return {};
    return {parts[0], parts[1], parts[2]};
}

// Types `who` at `address` into tab `tab` of the test-mail recipient editor: the basic
// fields, then the member number (attribute B) through the attributes' input window.
void TypeTestRecipient(settings::CTestMailSettingDlg* d, int tab, const QString& address, const TestRecipient& who) {
    namespace ids = addressui::ids;
    d->Tabs()->setCurrentIndex(tab);
    settings::CTestMailPane* pane = d->Pane(tab);
    pane->ShowBasicTab();
    Retype(pane, ids::kMailAddress, address);
    Retype(pane, ids::kSurname, who.sei);
    Retype(pane, ids::kGivenName, who.mei);
    pane->Tabs()->setCurrentIndex(1);
    bool typed = false;
    WhenDialog(ids::kExtra1Window, [&](QDialog* w) {
        Retype(w, ids::kExtra1Values[1], who.member);
        typed = true;
        Click(w, kIdOkButton);
    });
    Click(pane->Tabs()->currentWidget(), ids::kChangeButton);
    Expect(typed, "the attributes' input window did not open for test recipient " + std::to_string(tab));
    pane->ShowBasicTab();
}

// The test recipients, both at the sender's own address, through the system settings'
// send/receive options, as the user finds them.
void SetTestRecipients(const PhaseContext& c) {
    const QString address = QString::fromStdString(c.Conf("test_recipient"));
    const TestRecipient pc = ReadTestRecipient(c, "test_pc"), mobile = ReadTestRecipient(c, "test_mobile");
    bool saved = false, closed = false;
    WhenShows<settings::CSystemSheet>([&](settings::CSystemSheet* sheet) {
        sheet->SetActivePage(settings::CSystemSheet::kPageTransOption);
        WhenDialog(settings::CTestMailSettingDlg::kIdd, [&](QDialog* d) {
            auto* editor = static_cast<settings::CTestMailSettingDlg*>(d);
            TypeTestRecipient(editor, settings::CTestMailSettingDlg::kPcTab, address, pc);
            TypeTestRecipient(editor, settings::CTestMailSettingDlg::kMobileTab, address, mobile);
            Click(d, kIdOkButton);
            saved = !d->isVisible();
        });
        Click(sheet->TransOptionPage(), settings::CSystemTransOption::kIdcTestMail);
        Click(sheet, settings::CSystemSheet::kIdcOk);
        closed = !sheet->isVisible();
    });
    Menu(shell::CMainFrame::kIdSystemSettings);
    Expect(saved, "the test recipients were not saved");
    Expect(closed, "the system settings did not close with OK");
}

// The test buttons of the PC page and of the NTT DoCoMo page: each sends one copy to its
// test recipient, after the program's confirmation (answered yes).
void SendTestCopies(compose::CMailCreateDialog* d, const PhaseContext& c) {
    const QString sent = U8("テストメール送信成功");
    const int before = c.prompts->Count(sent);
    d->GetSheet()->SetActivePage(0);
    Click(d->GetTextPage(0), compose::TextMailPage::kIdcTestSend);
    Expect(c.prompts->Count(sent) == before + 1, "the PC page's test copy was not sent");
    d->GetSheet()->SetActivePage(1);
    d->GetMobilePage()->GetSheet()->SetActivePage(0);
    Click(d->GetTextPage(1), compose::TextMailPage::kIdcTestSend);
    Expect(c.prompts->Count(sent) == before + 2, "the NTT DoCoMo page's test copy was not sent");
}

void TextMailRun(PhaseContext& c) {
    // The test of the day tries the mail on itself first; the kill test goes straight on.
    const bool testFirst = c.conf.count("test_recipient") > 0;
    if (testFirst) SetTestRecipients(c);
    WhenDialog(CMailTypeDlg::kIdd, [](QDialog* d) {
        Click(d, CMailTypeDlg::kIdcText);
    });
    bool stored = false;
    WhenShows<compose::CMailCreateDialog>([&](compose::CMailCreateDialog* d) {
        ChooseDestination(d);
        FillTextMail(d, kTextSubject, kTextBody, kDocomoSubject, kDocomoBody, true);
        if (testFirst) SendTestCopies(d, c);
        d->GetSheet()->SetActivePage(0);
        Click(d, compose::CMailCreateDialog::kIdcSendNow);
        stored = WaitFor([&] { return !d->isVisible(); }, 60000, "the composing dialog to store the mail");
    });
    // The count line from the send's first moment: the total is there from the first,
    // never 「0/0通送信」.
    StateLineRecorder lines;
    Menu(shell::MailListController::kIdNewMail);
    Expect(stored, "the text mail was not stored");
    const auto started = std::chrono::steady_clock::now();
    if (WaitForRun("the send of the text mail", 240000))
        Log("send of the text mail took " +
            std::to_string(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count()) + " s");
    const QStringList counts = lines.Shown().filter(U8("通送信"));
    Log("status window's count lines: " + counts.join(QLatin1Char('|')).left(200).toStdString());
    Expect(!counts.isEmpty() && !counts.contains(U8("0/0通送信")) && counts.first().startsWith(U8("0/")),
           "the count line of the send: " + counts.join(QLatin1Char('|')).left(200).toStdString());
    const int sent = MailInStatus("C");
    Expect(sent >= 0, "the text mail did not end sent");
    c.state["text_mail"] = std::to_string(sent);
}

// ---- 4 and 6. An HTML mail for PCs with an inline image, sent to the extraction now --------------

const char* const kHtmlSubject = "<%名前(姓)%>様へ 夏のご案内";
const char* const kHtmlPart =
    "<html><body><p>&lt;%名前(姓)%&gt; &lt;%名前(名)%&gt;様</p><p>会員番号 &lt;%拡張属性B%&gt;</p>"
    "<p><img src=\"cid:00\"></p><p>夏のご案内です。</p></body></html>";
const char* const kHtmlTextPart = "<%名前(姓)%> <%名前(名)%>様\r\n会員番号 <%拡張属性B%>\r\n夏のご案内です。\r\n";

void HtmlMailRun(PhaseContext& c) {
    WhenDialog(CMailTypeDlg::kIdd, [](QDialog* d) { Click(d, CMailTypeDlg::kIdcHtmlPc); });
    bool stored = false;
    WhenShows<compose::CMailCreateDialog>([&](compose::CMailCreateDialog* d) {
        ChooseDestination(d);
        auto* page = dynamic_cast<htmledit::CMailEditPageHtmlBase*>(d->GetHtmlPage(compose::kHtmlPagePc));
        if (!Expect(page != nullptr, "no PC HTML page")) return;
        Retype(page, htmledit::CMailEditPageHtmlBase::kIdcSubject, U8(kHtmlSubject));
        // The picture into the first inline slot, through the inline-image dialog.
        c.files->Answer(QString::fromStdString(c.Conf("picture")));
        bool assigned = false;
        WhenDialog(htmledit::CInlineImageSettingDlg::kIdd, [&](QDialog* images) {
            if (auto* list = qobject_cast<QAbstractItemView*>(Control(images, htmledit::CInlineImageSettingDlg::kIdcList))) {
                list->setCurrentIndex(list->model()->index(0, 0));
                list->selectionModel()->select(list->model()->index(0, 0),
                                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            }
            Click(images, htmledit::CInlineImageSettingDlg::kIdcAssign);
            assigned = true;
            Click(images, kIdOkButton);
        });
        Click(page, htmledit::CMailEditPageHtmlBase::kIdcInlineImages);
        Expect(assigned, "the inline-image dialog did not open");
        page->InnerSheet()->SetActivePage(1);
        Retype(page->HtmlPartPage(), htmledit::CMailEditHtmlSubPageHtmlpart::kIdcEdit, U8(kHtmlPart));
        page->InnerSheet()->SetActivePage(2);
        Retype(page->TextPartPage(), htmledit::CMailEditHtmlSubPageTextpart::kIdcEdit, U8(kHtmlTextPart));
        page->InnerSheet()->SetActivePage(0);
        Click(d, compose::CMailCreateDialog::kIdcSendNow);
        stored = WaitFor([&] { return !d->isVisible(); }, 60000, "the composing dialog to store the HTML mail");
    });
    Menu(shell::MailListController::kIdNewMail);
    Expect(stored, "the HTML mail was not stored");
    const auto started = std::chrono::steady_clock::now();
    if (WaitForRun("the send of the HTML mail", 240000))
        Log("send of the HTML mail took " +
            std::to_string(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count()) + " s");
}

// ---- 6. A third mail reserved for later, which the scheduler sends -------------------------------

const char* const kReservedSubject = "<%名前(姓)%>様へ 秋のご案内";
const char* const kReservedBody = "<%名前(姓)%> <%名前(名)%>様\r\n会員番号 <%拡張属性B%>\r\n秋の催しのご案内です。\r\n";

void ReserveRun(PhaseContext& c) {
    // The reservation controls take whole ten minutes: the first of them at least a
    // minute ahead on the program's clock.
    std::time_t at = TestNow() + 60;
    std::tm local = platform::LocalTime(at);
    at += (10 - local.tm_min % 10) % 10 * 60 - local.tm_sec;
    local = platform::LocalTime(at);
    WhenDialog(CMailTypeDlg::kIdd, [](QDialog* d) { Click(d, CMailTypeDlg::kIdcText); });
    bool stored = false;
    WhenShows<compose::CMailCreateDialog>([&](compose::CMailCreateDialog* d) {
        ChooseDestination(d);
        FillTextMail(d, kReservedSubject, kReservedBody, kReservedSubject, kReservedBody, false);
        d->GetSheet()->SetActivePage(0);
        if (auto* date = qobject_cast<QDateEdit*>(Control(d, compose::CMailCreateDialog::kIdcReserveDate)))
            date->setDate(QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
        Choose(d, compose::CMailCreateDialog::kIdcReserveHour, QString::number(local.tm_hour));
        Choose(d, compose::CMailCreateDialog::kIdcReserveMinute, QStringLiteral("%1").arg(local.tm_min, 2, 10, QChar('0')));
        Click(d, compose::CMailCreateDialog::kIdcReserve);
        stored = WaitFor([&] { return !d->isVisible(); }, 60000, "the composing dialog to reserve the mail");
    });
    Menu(shell::MailListController::kIdNewMail);
    if (!Expect(stored, "the reserved mail was not stored")) return;
    const int waiting = MailInStatus("W");
    c.state["reserved_mail"] = std::to_string(waiting);
    Expect(waiting >= 0, "no mail waits for its time");
    Expect(!shell::CurrentRunMonitor().IsRunning(), "a run started before the reserved time");
    // The time comes: the clock moves to five seconds past it, and the scheduler's next
    // tick (every ten seconds) starts the run.
    MoveClock(at + 5 - TestNow());
    const auto started = std::chrono::steady_clock::now();
    if (!WaitFor([] { return shell::CurrentRunMonitor().IsRunning(); }, 25000, "the scheduler to start the reserved send"))
        return;
    WaitFor([] { return !shell::CurrentRunMonitor().IsRunning(); }, 240000, "the reserved send to end");
    Log("the scheduled run took " +
        std::to_string(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count()) + " s");
    COneMailData mail;
    shell::GetMailListViewer()->GetMailData(waiting, mail);
    Expect(mail.GetStatus() == "C", "the reserved mail ends in status " + mail.GetStatus());
}

// ---- 7. A receive run: bounces, a read receipt, a refusal, a registration ---------------------

int CustomerId(const std::string& address) {
    return shell::GetDatabaseEdit()->SearchCustomerOneElement(kElemEmail, address, -1, kDirectionForward);
}

std::string Field(int customerId, int element) {
    std::string value;
    shell::GetDatabaseEdit()->GetOneCustomerDataPinPoint(value, element, customerId);
    return value;
}

// The send-history row of `address` for mail `mailId` (empty state when none).
HistorySet HistoryRow(int mailId, const std::string& address) {
    HistorySet row;
    HistoryListViewer history(shell::GetEnvManager(), shell::GetSystemOption(), shell::GetDatabaseEdit(),
                              shell::GetMailListViewer(), mailId);
    if (history.GetHDataFromFileToMemory() < 0) return row;
    const int index = history.DBID2RowNumber(CustomerId(address));
    std::vector<HistorySet> rows;
    if (index >= 0 && history.GetHDataFromMemoryToStruct(rows, index, index) >= 0 && !rows.empty()) row = rows[0];
    return row;
}

void ReceiveRun(PhaseContext& c) {
    const int before = shell::GetDatabaseEdit()->GetDBCountWithoutDelete();
    bool registered = false, refusals = false;
    WhenDialog(CAutoRegListDlg::kIdd, [&](QDialog* d) {
        auto* list = qobject_cast<QAbstractItemView*>(Control(d, CAutoRegListDlg::kIdcList));
        if (list != nullptr && Expect(list->model()->rowCount() == 1, "registrations received: " +
                                                                          std::to_string(list->model()->rowCount()))) {
            list->setCurrentIndex(list->model()->index(0, 0));
            list->selectionModel()->select(list->model()->index(0, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            Click(d, CAutoRegListDlg::kIdcRegister);
            registered = true;
        }
        d->reject();
    });
    WhenDialog(CAutoRefListDlg::kIdd, [&](QDialog* d) {
        refusals = true;
        d->reject();
    });
    Menu(shell::CMainFrame::kIdReceive);
    WaitForRun("the receive run", 120000);
    WaitFor([] { return !Visible<CAutoRegListDlg>() && !Visible<CAutoRefListDlg>(); }, 60000,
            "the receive results to close");
    // The status window's counters add up to the messages of the run, and say what each
    // was: the messages that change nothing count as unrelated.
    CSendReceiveDlg* status = StatusWindow();
    if (Expect(status != nullptr, "no status window")) {
        std::map<int, int> shown;
        int sum = 0;
        for (const int id : {CSendReceiveDlg::kIdcRegistrations, CSendReceiveDlg::kIdcRefusals,
                             CSendReceiveDlg::kIdcErrorMails, CSendReceiveDlg::kIdcReadReceipts,
                             CSendReceiveDlg::kIdcUnrelated}) {
            auto* edit = qobject_cast<CNoInputEdit*>(Control(status, id));
            shown[id] = edit != nullptr ? edit->Text().toInt() : -1;
            sum += shown[id];
        }
        Log("status window: registrations " + std::to_string(shown[CSendReceiveDlg::kIdcRegistrations]) +
            ", refusals " + std::to_string(shown[CSendReceiveDlg::kIdcRefusals]) + ", error mails " +
            std::to_string(shown[CSendReceiveDlg::kIdcErrorMails]) + ", read receipts " +
            std::to_string(shown[CSendReceiveDlg::kIdcReadReceipts]) + ", unrelated " +
            std::to_string(shown[CSendReceiveDlg::kIdcUnrelated]) + " of " + std::to_string(status->Total()));
        // (Postfix's bounces and the test copies may have been taken by the receive that
        // runs with the reserved send.)
        Expect(shown[CSendReceiveDlg::kIdcRegistrations] == 1 && shown[CSendReceiveDlg::kIdcRefusals] == 1 &&
                   shown[CSendReceiveDlg::kIdcReadReceipts] == 1,
               "the status window's counts");
        Expect(shown[CSendReceiveDlg::kIdcUnrelated] >= std::stoi(c.Conf("changing_nothing")),
               "the messages that change nothing were not counted as unrelated");
        Expect(sum == status->Total(), "the counts add up to " + std::to_string(sum) + ", not to the " +
                                           std::to_string(status->Total()) + " messages received");
    }
    Expect(registered, "the registration mail did not reach the registration list");
    Expect(refusals, "the refusal mail did not reach the refusal list");

    // The registration: one more person, with the registered name.
    const int added = CustomerId(c.Conf("registered"));
    Expect(shell::GetDatabaseEdit()->GetDBCountWithoutDelete() == before + 1 && added > 0,
           "the registration did not add the person (" + std::to_string(before) + " -> " +
               std::to_string(shell::GetDatabaseEdit()->GetDBCountWithoutDelete()) + ")");
    if (added > 0) Expect(Field(added, kElemKanjiSei) == Utf8ToSjis("新井"), "the registered family name");
    // The refusal: no more advertising mail for that person.
    const int refusing = CustomerId(c.Conf("refusing"));
    Expect(refusing > 0 && Field(refusing, kElemDMOk) == "N", "the refusal left the permission " + Field(refusing, kElemDMOk));
    // The read receipt: the first mail marked opened for its reader.
    const int textMail = std::stoi(c.state["text_mail"]);
    Expect(HistoryRow(textMail, c.Conf("reader")).openFlag == "Y", "the read receipt did not mark the mail opened");
    Expect(HistoryRow(textMail, c.Conf("unread")).openFlag != "Y", "a notice of deletion unread marked the mail opened");
    // The bounces: Postfix refused these. The first mail records them as failed; the
    // reserved mail, sent after a receive run had seen those bounces, may leave them out,
    // but never counts them as sent.
    for (const std::string& address : {c.Conf("bounced1"), c.Conf("bounced2")}) {
        const std::string first = HistoryRow(textMail, address).state;
        const std::string reserved = HistoryRow(std::stoi(c.state["reserved_mail"]), address).state;
        Log("history for " + address + ": first mail '" + first + "', reserved mail '" + reserved + "'");
        Expect(first == "E" || first == "W", "the bounce of the first mail to " + address + " left it '" + first + "'");
        Expect(reserved != "C", "the reserved mail counts " + address + " as sent");
    }
    // The first mail counts as having errors (or waits for its resend).
    for (const char* key : {"text_mail", "reserved_mail"}) {
        COneMailData mail;
        shell::GetMailListViewer()->GetMailData(std::stoi(c.state[key]), mail);
        c.state[std::string(key) + "_status"] = mail.GetStatus();
    }
    Expect(c.state["text_mail_status"] == "E" || c.state["text_mail_status"] == "R",
           "the first mail shows no bounce: status " + c.state["text_mail_status"]);
}

// ---- 8. The next start: everything is still there ----------------------------------------------

void VerifyRun(PhaseContext& c) {
    const int people = std::stoi(c.Conf("people"));
    Expect(shell::GetVarnisApp()->Environment().DescriptorPath() == c.state["environment"],
           "the program did not open the day's environment again");
    Expect(Option(0) == c.Conf("sender") && Option(9) == c.Conf("smtp_port") && Option(86) == "4",
           "the system settings did not last");
    Expect(shell::GetDatabaseEdit()->GetDBCountWithoutDelete() == people + 1,
           "people in the book: " + std::to_string(shell::GetDatabaseEdit()->GetDBCountWithoutDelete()));
    Expect(CustomerId(c.Conf("registered")) > 0, "the registered person is gone");
    Expect(Field(CustomerId(c.Conf("refusing")), kElemDMOk) == "N", "the refusal did not last");
    Expect(Field(CustomerId(c.Conf("reader")), kElemExtraFirst + 1) == "M00002", "the member number did not last");
    ExtractListViewer lists(shell::GetEnvManager());
    std::vector<int> ids;
    lists.GetAllExtractID(ids);
    std::string name, honorific;
    if (Expect(ids.size() == 1, "destination lists: " + std::to_string(ids.size()))) {
        lists.GetExtractName(ids[0], name);
        lists.GetExtractHonorific(ids[0], honorific);
    }
    Expect(name == Utf8ToSjis("ゴールド会員") && honorific == Utf8ToSjis("様"), "the destination list did not last");
    for (const char* key : {"text_mail", "reserved_mail"}) {
        COneMailData mail;
        const int id = std::stoi(c.state[key]);
        Expect(shell::GetMailListViewer()->GetMailData(id, mail) == 0 &&
                   mail.GetStatus() == c.state[std::string(key) + "_status"],
               std::string(key) + " changed its status to " + mail.GetStatus());
    }
    Expect(HistoryRow(std::stoi(c.state["text_mail"]), c.Conf("reader")).openFlag == "Y", "the opened mark did not last");
}

// ---- After a kill in the middle of the send: the user sends what is left ----------------------

// The mail's sent and error counts in the program's mail list are what its send history says.
void ExpectCountsOfTheHistory(int mailId, const std::string& when) {
    HistoryListViewer history(shell::GetEnvManager(), shell::GetSystemOption(), shell::GetDatabaseEdit(),
                              shell::GetMailListViewer(), mailId);
    if (!Expect(history.GetHDataFromFileToMemory() >= 0, "the mail's send history does not read")) return;
    int attempts = 0, failed = 0, opened = 0, recipients = 0;
    history.GetNumOneMail(attempts, failed, opened, recipients);
    COneMailData mail;
    shell::GetMailListViewer()->GetMailData(mailId, mail);
    Expect(mail.GetSentNumber() == attempts && mail.GetErrorNumber() == failed,
           when + ": the mail list shows sent " + std::to_string(mail.GetSentNumber()) + " and errors " +
               std::to_string(mail.GetErrorNumber()) + ", the send history " + std::to_string(attempts) + " and " +
               std::to_string(failed));
}

void ResumeRun(PhaseContext& c) {
    const int mailId = MailInStatus("I");
    if (!Expect(mailId >= 0, "the killed send left no interrupted mail")) return;
    ExpectCountsOfTheHistory(mailId, "after the new start");
    {
        // Who the history says got the mail before the kill.
        HistoryListViewer history(shell::GetEnvManager(), shell::GetSystemOption(), shell::GetDatabaseEdit(),
                                  shell::GetMailListViewer(), mailId);
        Expect(history.GetHDataFromFileToMemory() >= 0, "the mail's send history does not read");
        std::vector<int> sent;
        history.GetCustomerIDList(sent, 0, 1);
        std::ofstream out(c.folder + "/sent_before.txt", std::ios::trunc);
        for (int id : sent) {
            std::string address;
            shell::GetDatabaseEdit()->GetOneCustomerDataPinPoint(address, kElemEmail, id);
            out << address << '\n';
        }
        Log("recorded as sent before the kill: " + std::to_string(sent.size()));
    }
    // The user sends what waits.
    Menu(shell::CMainFrame::kIdSend);
    WaitForRun("the resumed send", 240000);
    COneMailData mail;
    shell::GetMailListViewer()->GetMailData(mailId, mail);
    Expect(mail.GetStatus() == "C", "the resumed mail ends in status " + mail.GetStatus());
    ExpectCountsOfTheHistory(mailId, "after the resumed send");
}

}  // namespace

PhaseSteps FindPhase(const std::string& name) {
    if (name == "setup") return {SetupBefore, SetupRun};
    if (name == "import") return {nullptr, ImportRun};
    if (name == "extract") return {nullptr, ExtractRun};
    if (name == "textmail") return {nullptr, TextMailRun};
    if (name == "htmlmail") return {nullptr, HtmlMailRun};
    if (name == "resume") return {nullptr, ResumeRun};
    if (name == "reserve") return {nullptr, ReserveRun};
    if (name == "receive") return {nullptr, ReceiveRun};
    if (name == "verify") return {nullptr, VerifyRun};
    return {};
}

}  // namespace e2e
