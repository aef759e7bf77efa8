#pragma once
// The composing dialog's world: an environment made by the program's own creation and opened
// as the program's environment, an address book with one person per terminal type, helpers
// that store mails (with conditions, recipients and send histories) and destination lists,
// and fakes of what the dialog opens elsewhere: the address book's choice, the destination
// refresh, the test sender and the HTML pages.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/composer/compose_dialog_hooks.h"
#include "app/composer/mail_create_dialog.h"
#include "app/compose/map_link_list.h"
#include "app/sendrecv/tests/history_rows.h"
#include "app/environment/environment_service.h"
#include "app/environment/new_environment.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/qstring_printer.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_action.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/addressbook/one_customer.h"
#include "core/foundation/cp932.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/ini_manager.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/one_mail_maker.h"

namespace cdtest {

// Shift_JIS of a UTF-8 literal.
inline std::string S(const char* utf8) { return Utf8ToSjis(utf8); }

inline std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline void Pump() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// A test sender that records what it was asked and answers as told.
class FakeTestSender : public compose::TestMailService {
public:
    struct Log {
        std::vector<int> sends;
        std::vector<int> attachmentPages;
        std::vector<std::string> headers;
        std::vector<std::string> bodies;
        std::vector<std::string> subjects;
        int abandoned = 0;
    };
    FakeTestSender(compose::MailComposer& composer, Log& log) : composer_(composer), log_(log) {}
    int Send(int kind) override {
        log_.sends.push_back(kind);
        composer_.TestRecipient() = recipient;
        return 1;
    }
    int AddAttachmentParts(int page) override {
        log_.attachmentPages.push_back(page);
        return 1;
    }
    int ConfirmAndSend(const std::string& header, const std::string& body, int) override {
        log_.headers.push_back(header);
        log_.bodies.push_back(body);
        log_.subjects.push_back(composer_.TestSubject());
        return 1;
    }
    void Abandon() override { ++log_.abandoned; }

    OneCustomer recipient;

private:
    compose::MailComposer& composer_;
    Log& log_;
};

// An HTML page that keeps its texts in members and saves them into its slot as they are.
class FakeHtmlPage : public QWidget, public compose::HtmlMailPage {
public:
    explicit FakeHtmlPage(int format) : format_(format) {}
    int PageFormat() const override { return format_; }
    QWidget* PageWidget() override { return this; }
    QString PageCaption() const override { return QStringLiteral("HTML"); }
    void SetComposer(compose::MailComposer* composer) override { composer_ = composer; }
    int SetAttachmentFolder(const std::string& folder) override {
        folder_ = folder;
        return MakeDirectoryCompel(folder) == 0 ? 1 : 0;
    }
    int SetPreviewFolder(const std::string&) override { return 1; }
    void SetEditFont(const ui::LogFont&) override {}
    void OnInitPage() override {
        const int slot = Slot();
        if (composer_->HasStoredMail()) {
            subject = composer_->MailRecord().subject[slot];
            mime = composer_->MailRecord().body[slot];
        }
    }
    bool SaveToMail() override {
        ++saves;
        composer_->MailRecord().subject[Slot()] = subject;
        composer_->MailRecord().body[Slot()] = mime;
        return true;
    }
    void DisableAttachmentControls() override { attachmentsDisabled = true; }
    void EnableTestButton(bool enable) override { testEnabled = enable; }
    std::string Subject() override { return subject; }
    std::string HtmlPart() override { return html; }
    std::string TextPart() override { return text; }
    std::vector<compose::PageFileEntry> InlineImages() override { return images; }
    std::vector<compose::PageFileEntry> Attachments() override { return {}; }
    bool ClearInlineMark(int) override { return false; }
    void RemoveImageFromEditor(const std::string&) override {}
    void RebuildHtmlView() override {}
    int GetAttachmentCount() override { return attachmentCount; }
    int GetAttachmentName(int, std::string&) override { return 0; }
    int GetAttachmentSize(int, std::uint64_t&) override { return 0; }
    int GetAttachmentData(int, std::size_t, char*) override { return 0; }
    int AddAttachmentFromBuffer(const std::string&, const char*, std::size_t) override { return 0; }
    int RemoveAllAttachments() override { return 1; }
    void ShowAttachmentNames() override {}
    void SetSubject(const std::string& s) override { subject = s; }
    void SetTextPart(const std::string& t) override { text = t; }
    void SetHtmlPart(const std::string& h) override { html = h; }
    bool FindInlinePart(const std::string&, MimeFormatStruct&) override { return false; }
    void AppendInlinePart(const MimeFormatStruct&) override {}
    int SetInlineImage(const std::string&, const std::string&, std::uint64_t) override { return 1; }
    int RemoveAllInlineImages() override { return 1; }
    void ResetPage() override {}
    void RefreshPage() override {}

    std::string subject, mime, html = "<html><body>h</body></html>", text = "t";
    std::vector<compose::PageFileEntry> images;
    int attachmentCount = 0;
    int saves = 0;
    bool attachmentsDisabled = false;
    bool testEnabled = false;

private:
    // The page of a stored MIME text is saved where the PC page is.
    int Slot() const { return format_ == compose::kHtmlPageMime ? 0 : format_ - compose::kHtmlPagePc; }
    int format_;
    compose::MailComposer* composer_ = nullptr;
    std::string folder_;
};

class ComposeEnvTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path().toStdString();
        ASSERT_EQ(shell::CreateNewEnvironment("顧客", root_, "N", "", false), 0);
        shell::EnvironmentService::Settings settings;
        settings.finishPauseMs = 0;
        service_ = std::make_unique<shell::EnvironmentService>(settings);
        ASSERT_EQ(service_->OpenEnvironment(root_ + "/顧客.env"), 1);
        shell::SetProgramEnvironment(service_.get());
        lists_ = std::make_unique<ExtractListViewer>();
        ASSERT_EQ(lists_->SetEnvManager(Env(), 1), 1);
        ASSERT_EQ(Options().SetSODataToMemoryPinPoint(HistoryListViewer::kOptionResend, "Y"), 0);
        ASSERT_EQ(Options().SetSODataToMemoryPinPoint(HistoryListViewer::kOptionMaxRetry, "3"), 0);
        pc_ = AddPerson("sato@example.jp", "佐藤");
        docomo_ = AddPerson("suzuki@docomo.ne.jp", "鈴木");
        au_ = AddPerson("takahashi@ezweb.ne.jp", "高橋");
        softbank_ = AddPerson("ito@softbank.ne.jp", "伊藤");
        willcom_ = AddPerson("nakamura@willcom.com", "中村");
        ASSERT_EQ(Book().WriteFromMemoryToFile(), 0);

        compose::ComposeDialogHooks hooks;
        hooks.chooseDestination = [this](QWidget*, int mailId) {
            choiceAskedFor_.push_back(mailId);
            return nextChoice_;
        };
        hooks.renewDestinations = [this](QWidget*, int mailId) {
            ++renewals_;
            ExtractResultDetail result;
            Bind(result, ER_TYPE_MAIL, mailId);
            EXPECT_EQ(result.ALLRemoveDBID(), 0);
            EXPECT_EQ(result.SetDBIDFromCListInt(renewTo_, 0, 0), 0);
            return result.WriteAllOnMemoryDBIDToFileCompel() == 0;
        };
        hooks.makeHtmlPage = [this](int format) -> std::unique_ptr<compose::HtmlMailPage> {
            auto page = std::make_unique<FakeHtmlPage>(format);
            htmlPages_.push_back(page.get());
            return page;
        };
        hooks.makeTestMailService = [this](compose::MailComposer& composer, QWidget*) {
            auto sender = std::make_unique<FakeTestSender>(composer, senderLog_);
            sender->recipient = testRecipient_;
            return sender;
        };
        previousHooks_ = compose::SetComposeDialogHooks(std::move(hooks));
    }
    void TearDown() override {
        // Dialog watchers of the test that never fired (they watched for a dialog that must
        // not show) go with the test.
        for (QTimer* watcher : QCoreApplication::instance()->findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly))
            delete watcher;
        compose::SetComposeDialogHooks(previousHooks_);
        compose::MapLinkList::Get().Clear();
        lists_.reset();
        shell::SetProgramEnvironment(nullptr);
    }

    EnvManager* Env() { return service_->GetEnvManager(); }
    CDatabaseEdit& Book() { return *service_->GetDatabaseEdit(); }
    SystemOption& Options() { return *service_->GetSystemOption(); }
    CMailListViewer& Mails() { return *service_->GetMailListViewer(); }
    ExtractListViewer& Lists() { return *lists_; }

    int AddPerson(const std::string& mail, const char* surname) {
        OneCustomer c;
        InitOneCustomer(c);
        c.Email = mail;
        c.KanjiSei = S(surname);
        c.DMOk = "Y";
        EXPECT_EQ(Book().SetOneCustomerInfo(c, 0), 0) << mail;
        return c.CustomerID;
    }
    void SetOption(int index, const std::string& value) {
        ASSERT_EQ(Options().SetSODataToMemoryPinPoint(index, value), 0);
    }
    // The confirmation of `key` no longer shows (as if its box had been ticked).
    void TurnOffConfirmation(const char* key) {
        ASSERT_NE(CIniManager::WriteProfileStringA(env_layout::EnvIniFile(*Env()), "CONFIRMDIALOG", key, "N"), 0);
    }

    void Bind(ExtractResultDetail& result, int kind, int id) {
        result.SetEnvManager(Env());
        result.SetMailListViewer(&Mails());
        result.SetExtractListViewer(&Lists());
        result.SetDatabaseEdit(&Book());
        ASSERT_EQ(result.SetTypeAndID(static_cast<ERTYPE>(kind), id), 0);
    }
    // Conditions with element 1 (the address) in group A's first row, so the files differ
    // from an all-off set.
    static OneExtractCondition AnyCondition(const char* value) {
        OneExtractCondition c;
        c.element = 1;
        c.kind = "E";
        c.values = {value};
        return c;
    }
    void WriteConditions(int kind, int id, const char* value) {
        ExtractAction action;
        action.SetEnvManager(Env());
        action.SetDatabaseEdit(&Book());
        action.SetTypeAndID(EC_TYPE_EXTRACT, -1);
        ASSERT_EQ(action.GetExtractConditionFromFileToMemory(0, nullptr), 0);
        ASSERT_EQ(action.SetExtractConditionFromStructToMemory(AnyCondition(value), 0, 0), 0);
        ASSERT_EQ(action.SetTypeAndID(static_cast<ECTYPE>(kind), id), 0);
        ASSERT_EQ(action.WriteAllExtractConditionOnMemoryToFileCompel(), 0);
    }
    // A saved destination list named `name` with `members`; its ID.
    int AddList(const char* name, const std::vector<int>& members, const char* honorific = "") {
        const int id = Lists().GetNewExtractID();
        EXPECT_GE(id, 0);
        ExtractViewData entry;
        entry.id = id;
        entry.name = S(name);
        EXPECT_EQ(Lists().InsertExtractList(entry), 1);
        if (*honorific != '\0') {
            EXPECT_EQ(Lists().CorrectExtractListPinPoint(S(honorific).c_str(), id, 4), 1);
        }
        EXPECT_EQ(Lists().WriteAllExtractListToFile(), 1);
        WriteConditions(EC_TYPE_EXTRACT, id, "list");
        WriteIds(ER_TYPE_EXTRACT, id, members);
        return id;
    }
    void WriteIds(int kind, int id, const std::vector<int>& ids) {
        ExtractResultDetail result;
        Bind(result, kind, id);
        ASSERT_EQ(result.ALLRemoveDBID(), 0);
        ASSERT_EQ(result.SetDBIDFromCListInt(ids, 0, 0), 0);
        ASSERT_EQ(result.WriteAllOnMemoryDBIDToFileCompel(), 0);
    }
    std::vector<int> StoredIds(int kind, int id) {
        ExtractResultDetail result;
        Bind(result, kind, id);
        if (result.GetDBIDListFromFileToMemory(0, nullptr) != 0) return {-1};
        return result.IDs();
    }
    // A stored mail of kind letter `kind` with the same subject and body in every slot; its ID.
    int StoreMail(char kind, const std::string& subject, const std::string& body, const std::string& addressName = "") {
        OneMailMaker maker;
        EXPECT_EQ(maker.SetEnvManager(Env()), 1);
        EXPECT_EQ(maker.SetMailListViewer(&Mails()), 1);
        EXPECT_EQ(maker.SetMailID(-1), 0);
        OneMail mail;
        EXPECT_EQ(maker.GetOneMailData(mail, std::string(1, kind), 5), 0);
        mail.addressName = addressName;
        for (int row = 0; row < OneMail::kTermRows; ++row) {
            mail.subject[static_cast<std::size_t>(row)] = subject;
            mail.body[static_cast<std::size_t>(row)] = body;
        }
        EXPECT_EQ(maker.SetOneMailData(mail, std::string(1, kind), 5), 0);
        return maker.GetMailID();
    }
    COneMailData MailEntry(int id) {
        COneMailData m;
        EXPECT_EQ(Mails().GetMailData(id, m), 0) << id;
        return m;
    }
    // The mail as stored: a fresh read of its files.
    OneMail StoredMail(int id, char kind) {
        OneMailMaker maker;
        maker.SetEnvManager(Env());
        maker.SetMailListViewer(&Mails());
        EXPECT_EQ(maker.SetMailID(id), 0);
        OneMail mail;
        EXPECT_EQ(maker.GetOneMailData(mail, std::string(1, kind), 5), 0);
        return mail;
    }
    void WriteHistory(int mailId, const std::vector<HistorySet>& rows) {
        historytest::WriteSendHistory(Env(), Options(), Book(), Mails(), mailId, rows);
    }
    static HistorySet Sent(int customer, const char* state, int retries = 0) {
        return historytest::HistoryRow(customer, state, retries);
    }

    // A dialog made and opened as the program opens it.
    std::unique_ptr<compose::CMailCreateDialog> Open(int textMail, int htmlKind, int mailId, int sourceMailId = -1) {
        auto dialog = std::make_unique<compose::CMailCreateDialog>(nullptr, textMail, htmlKind, mailId, sourceMailId);
        opened_ = dialog->OnInitDialog();
        return dialog;
    }
    std::unique_ptr<compose::CMailCreateDialog> OpenTextMail(int mailId = -1, int sourceMailId = -1) {
        return Open(1, 2, mailId, sourceMailId);
    }

    QTemporaryDir dir_;
    std::string root_;
    std::unique_ptr<shell::EnvironmentService> service_;
    std::unique_ptr<ExtractListViewer> lists_;
    ui::test::PromptRecorder prompts_;
    compose::ComposeDialogHooks previousHooks_;
    compose::DestinationChoice nextChoice_;
    std::vector<int> choiceAskedFor_;
    std::vector<int> renewTo_;
    int renewals_ = 0;
    std::vector<FakeHtmlPage*> htmlPages_;
    FakeTestSender::Log senderLog_;
    OneCustomer testRecipient_;
    bool opened_ = false;
    int pc_ = 0, docomo_ = 0, au_ = 0, softbank_ = 0, willcom_ = 0;
};

}  // namespace cdtest
