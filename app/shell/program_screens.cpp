#include "app/shell/program_screens.h"

#include <QApplication>

#include "app/addressui/address_book_dlg.h"
#include "app/addressui/column_layout.h"
#include "app/addressui/db_list_dlg.h"
#include "app/addressui/db_list_import_hook.h"
#include "app/addressui/db_edit_sheet.h"
#include "app/addressui/dest_detail_dlg.h"
#include "app/addressui/dest_renew_dlg.h"
#include "app/addressui/result_dialog_hook.h"
#include "app/composer/compose_dialog_hooks.h"
#include "app/composer/composed_mail_destinations.h"
#include "app/composer/html_mail_page.h"
#include "app/composer/mail_create_dialog.h"
#include "app/composer/test_send.h"
#include "app/htmledit/html_page_factory.h"
#include "app/htmledit/map_url_lookup_settings.h"
#include "app/sendrecv/auto_reg_list_dlg.h"
#include "app/sendrecv/deleted_data_dlg.h"
#include "app/sendrecv/mail_record_helpers.h"
#include "app/sendrecv/mail_row_notice.h"
#include "app/sendrecv/mail_search_dlg.h"
#include "app/sendrecv/mail_type_dlg.h"
#include "app/sendrecv/same_address_dlg.h"
#include "app/sendrecv/send_history_dlg.h"
#include "app/settings/export_choice_dlg.h"
#include "app/settings/import_chain.h"
#include "app/settings/result_dlg.h"
#include "app/settings/system_sheet.h"
#include "app/shell/mail_list_controller.h"
#include "app/shell/screen_registry.h"
#include "app/shell/setup_wizard.h"
#include "app/shell/varnis_app.h"
#include "app/environment/environment_service.h"
#include "app/ui/sjis_text.h"

namespace shell {

void InstallProgramScreens(CVarnisApp& app) {
    ScreenRegistry& screens = Screens();
    screens.chooseMailType = [](QWidget* parent, bool wizardMode) {
        CMailTypeDlg dialog(parent);
        dialog.SetWizardMode(wizardMode ? 1 : 0);
        MailTypeChoice choice;
        choice.answer = dialog.DoModal();
        choice.result = dialog.GetResult();
        choice.mailType = dialog.GetMailType();
        return choice;
    };
    screens.searchMails = [](QWidget* parent) { RunMailSearch(parent); };
    screens.showSendHistory = [](QWidget* parent, const COneMailData& mail) {
        CSendHistoryDlg dialog(mail, parent);
        dialog.DoModal();
    };
    screens.showDeletedData = [](QWidget* parent) {
        CDeletedDataDlg dialog(parent);
        dialog.DoModal();
    };
    screens.showSystemSettings = [&app](QWidget* parent, SystemOption& options, bool wizardMode) {
        settings::CSystemSheet sheet(&options, ui::U8("システム設定"), parent);
        sheet.HideApplyButton();
        sheet.SetWizardMode(wizardMode);
        sheet.SetMailFontHook([&app](const ui::LogFont& font) { app.SetMailFont(font); });
        return sheet.DoModal();
    };

    screens.showDestinationDetail = [](QWidget* parent, int mailId) {
        addressui::CDestDetailDlg dialog(mailId, 0, nullptr, parent);
        dialog.DoModal();
    };

    // The personal-information list and the address book of destination lists; the setup
    // wizard opens them in its wizard mode. The list's import runs the settings' chain.
    screens.showPersonalInformationList = [](QWidget* parent) {
        addressui::CDBListDlg dialog(nullptr, nullptr, parent);
        dialog.SetWizardMode(qobject_cast<CSetupWizardDlg*>(parent) != nullptr);
        dialog.DoModal();
    };
    screens.resetPersonalInformationList = [] { addressui::CDBListDlg::ResetSortState(); };
    screens.showAddressBook = [](const AddressBookRequest& request) {
        addressui::CAddressBookDlg dialog(request.parent,
                                          request.forMail ? addressui::CAddressBookDlg::kModeForMail
                                                          : addressui::CAddressBookDlg::kModeBrowse,
                                          request.mailId);
        dialog.SetWizardMode(qobject_cast<CSetupWizardDlg*>(request.parent) != nullptr);
        AddressBookChoice choice;
        choice.answer = dialog.DoModal();
        if (choice.answer == platform::kIdOk) {
            choice.listId = dialog.GetResult().id;
            choice.listName = ui::FromSjis(dialog.GetResult().name);
            choice.honorific = ui::FromSjis(dialog.GetResult().honorific);
        }
        return choice;
    };
    addressui::SetAddressImportHook([](QWidget* parent) { return settings::RunAddressImport(parent); });

    // A mail made ready to send has its recipients brought up to date first when the
    // address book changed since they were chosen.
    SetDestinationRefreshHook([](int kind, int id) {
        addressui::CDestRenewDlg dialog(kind, id, QApplication::activeWindow());
        dialog.DoModal();
        return dialog.IsRefreshed() ? 1 : 0;
    });
    addressui::SetResultDialogHook([](QWidget* parent, const QString& first, const QString& second,
                                      const QString& third) {
        settings::CResultDlg dialog(parent);
        dialog.SetResultLines(first, second, third);
        dialog.DoModal();
    });
    screens.showAutoRegistrationList = [](QWidget* parent, BaseRecordStructer&) {
        // The dialog reads the registrations' file itself.
        CAutoRegListDlg dialog(parent);
        dialog.DoModal();
    };
    // The registration list shows the address-book list's columns and keeps their widths.
    CAutoRegListDlg::ColumnSource columns;
    columns.load = [] {
        addressui::CDBColumnInfo info;
        info.LoadColumnInfo();
        std::vector<std::string> names;
        if (SystemOption* options = GetSystemOption()) options->GetSOExtractDataFromMemory(names);
        std::vector<CAutoRegListDlg::Column> out;
        for (const addressui::ListColumn& c : addressui::BuildListColumns(info, names))
            out.push_back({c.element, ui::FromSjis(c.caption), c.width});
        return out;
    };
    columns.save = [](const std::vector<std::pair<int, int>>& widths) {
        addressui::CDBColumnInfo info;
        if (info.LoadColumnInfo() != 0) return;
        for (const auto& [element, width] : widths) info.SetColumnValue(element, 1, std::to_string(width));
        info.SaveColumnInfo();
    };
    CAutoRegListDlg::SetColumnSource(std::move(columns));

    // The read-only record of a person, from the send history and the registrations.
    const auto showRecord = [](QWidget* parent, int customerId, const QString& caption) {
        addressui::CDBEditSheet2 sheet(customerId, caption, parent);
        sheet.DoModal();
    };
    CSendHistoryDlg::SetRecordViewerHook(showRecord);
    CSameAddressDlg::SetExistingRecordViewer(showRecord);
    CSendHistoryDlg::SetExportHeaderHook([](QWidget* parent) -> std::optional<bool> {
        settings::CExportHeaderDlg dialog(parent);
        if (dialog.DoModal() != platform::kIdOk) return std::nullopt;
        return dialog.GetResult() == 1;
    });
    settings::InstallExportChoiceDialogs();

    // The composing dialog: new, edited and copied mails; its destination is chosen in the
    // address book, a stored mail's recipients are refreshed by the destination-refresh
    // dialog, and its pages' test buttons send through the test-mail sender.
    compose::ComposeDialogHooks composeHooks;
    composeHooks.chooseDestination = [](QWidget* parent, int mailId) {
        compose::DestinationChoice choice;
        if (!Screens().showAddressBook) return choice;
        AddressBookRequest request;
        request.parent = parent;
        request.forMail = true;
        request.mailId = mailId;
        const AddressBookChoice chosen = Screens().showAddressBook(request);
        choice.chosen = chosen.answer == platform::kIdOk;
        choice.listId = chosen.listId;
        choice.listName = chosen.listName;
        choice.honorific = chosen.honorific;
        return choice;
    };
    composeHooks.renewDestinations = [](QWidget* parent, int mailId) {
        addressui::CDestRenewDlg dialog(0, mailId, parent);
        dialog.DoModal();
        return dialog.IsRefreshed();
    };
    composeHooks.makeHtmlPage = [](int format) -> std::unique_ptr<compose::HtmlMailPage> {
        if (format == compose::kHtmlPageMime) return std::make_unique<compose::CMailEditPageHtml>();
        return htmledit::MakeHtmlMailPage(format);
    };
    composeHooks.makeTestMailService = compose::MakeComposeTestSender;
    compose::SetComposeDialogHooks(std::move(composeHooks));
    screens.composeMail = [&app](const ComposeRequest& request) {
        std::optional<std::string> bodyFile;
        if (request.initialBody) bodyFile = ui::ToPath(*request.initialBody);
        compose::CMailCreateDialog dialog(request.parent, request.textMail, request.htmlKind, request.mailId,
                                          request.sourceMailId, bodyFile);
        dialog.SetWizardMode(request.wizardMode);
        dialog.SetMailFont(app.GetMailFont());
        ComposeResult result;
        result.answer = dialog.DoModal();
        result.closedBy = dialog.GetResultCode();
        result.mailId = dialog.GetMailID();
        return result;
    };
    screens.assignListToMail = [](QWidget* parent, int mailId, int listId, const QString& listName) {
        return compose::AssignListToMail(parent, mailId, listId, listName);
    };

    htmledit::MapLookupSettings map = htmledit::GetMapLookupSettings();
    map.programIniPath = app.GetAppIniPath();
    htmledit::SetMapLookupSettings(map);
}

void InstallMailListRequests(MailListController& list) {
    MailListRequests requests;
    requests.switchMode = [&list](int mode) { list.SwitchMode(mode); };
    requests.refreshOrAppendRow = [&list](const COneMailData& mail) { list.RefreshOrAppendRow(mail); };
    requests.removeRow = [&list](const COneMailData& mail) { list.RemoveRow(mail); };
    requests.selectedRecords = [&list] { return list.SelectedRecords(); };
    requests.editMail = [&list](int mailId) { return list.EditMail(mailId); };
    SetMailListRequests(std::move(requests));
    // Rows changed by the send and receive runs and the mail screens (from any thread; the
    // notice arrives on the GUI thread with a copy).
    SetMailRowListener([&list](const COneMailData& mail) { list.PostRowRefresh(mail); });
}

void RemoveProgramScreens() {
    // Every slot back to empty: a screen may reach the application object, which is going.
    Screens() = ScreenRegistry();
    compose::SetComposeDialogHooks({});
    addressui::SetAddressImportHook({});
    addressui::SetResultDialogHook({});
    SetDestinationRefreshHook({});
    CAutoRegListDlg::SetColumnSource({});
    CSendHistoryDlg::SetRecordViewerHook({});
    CSendHistoryDlg::SetExportHeaderHook({});
    CSameAddressDlg::SetExistingRecordViewer({});
    SetMailListRequests({});
    SetMailRowListener({});
}

}  // namespace shell
