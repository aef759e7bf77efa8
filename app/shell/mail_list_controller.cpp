#include "app/shell/mail_list_controller.h"

#include <QCursor>
#include <QGuiApplication>
#include <QItemSelectionModel>

#include <algorithm>
#include <climits>
#include <mutex>
#include <set>

#include "app/environment/environment_service.h"
#include "app/environment/run_monitor.h"
#include "app/environment/scheduler_control.h"
#include "app/shell/mail_list_columns.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "app/ui/wait_cursor.h"
#include "core/foundation/ini_manager.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/mail_word_insert.h"
#include "core/mailstore/mail_writer.h"

namespace shell {

using ui::U8;

namespace {

constexpr const char* kInformationSection = "INFORMATION";
constexpr const char* kOpenAutoKey = "OPEN_AUTO";

// The terminal rows of a mail's body file, in the order the merge-field check names them.
constexpr const char* kTerminalNames[] = {"通常", "NTT DoCoMo", "au TU-KA", "SoftBank", "WILLCOM", "MOZiO", "パルディオ"};
constexpr int kTerminalRows = 7;

// Elements of a mail-list line (core/mailstore/mail_list_viewer.h).
enum ListElement : int {
    kElTitle = 1, kElAddressName = 2, kElStatus = 3, kElEntry = 4, kElRenewal = 5, kElReserve = 6,
    kElSent = 7, kElErrors = 8, kElOpened = 9, kElSpecial = 11,
};
constexpr std::size_t kDateTextLength = 19;  // "yyyy/mm/dd hh:mm:ss"

// What column kind `kind` shows of mail `mailId`, into `out` (a fresh record): the one or
// two elements it needs, through the setters and with the arguments the list's own
// reading (CMailListViewer::GetMailData) uses, so the text is the one the row will show:
// an entry or renewal date that is unreadable or lies in the future reads as the present.
bool ReadColumnField(CMailListViewer& list, int mailId, int kind, COneMailData& out) {
    std::string value;
    auto element = [&](int e) { return list.GetMailDataPinPoint(mailId, e, value) == 0; };
    auto pastDate = [&](int e, int dateKind) {
        if (!element(e)) return false;
        const platform::DateTime now = platform::DateTime::GetCurrentTime();
        out.SetDate(dateKind, value.substr(0, kDateTextLength), 1, &now, nullptr, &now);
        return true;
    };
    out.SetCheckCharacterCodeFlag(1);
    switch (kind) {
    case mail_list::kColTitle: return element(kElTitle) && (out.SetMailTitle(value), true);
    case mail_list::kColAddress: return element(kElAddressName) && (out.SetAddressName(value), true);
    case mail_list::kColMailType: return element(kElSpecial) && (out.SetSpecialFlag(value), true);
    case mail_list::kColStatus: return element(kElStatus) && (out.SetStatus(value, 0), true);
    case mail_list::kColSentAll: return element(kElSent) && (out.SetSentNumber(value), true);
    case mail_list::kColSentError: return element(kElErrors) && (out.SetErrorNumber(value), true);
    case mail_list::kColSentOpen: return element(kElOpened) && (out.SetOpenNumber(value), true);
    case mail_list::kColOpenRate:
        return element(kElSent) && (out.SetSentNumber(value), true) && element(kElOpened) &&
               (out.SetOpenNumber(value), true);
    case mail_list::kColEntryDate: return pastDate(kElEntry, COneMailData::kEntryDate);
    case mail_list::kColRenewalDate: return pastDate(kElRenewal, COneMailData::kRenewalDate);
    case mail_list::kColReserveDate:
        return element(kElReserve) &&
               (out.SetDate(COneMailData::kReserveDate, value.substr(0, kDateTextLength), 0), true);
    default: return list.GetMailData(mailId, out) == 0;
    }
}

std::string CurrentEnvIni() {
    EnvironmentService* service = ProgramEnvironment();
    return service ? service->EnvIniPath() : std::string();
}

bool IsTextMail(const COneMailData& mail) { return mail.GetTextOrHtmlMailFlag() == "N"; }

QString IdAndTitle(const char* format, const COneMailData& mail) {
    return U8(format).arg(QString::number(mail.GetMailID()), ui::FromSjis(mail.GetMailTitle()));
}

}  // namespace

MailListController::MailListController(ScreenRegistry& screens, QObject* parent)
    : QObject(parent), screens_(screens), model_(new MailListModel(this)),
      selection_(new QItemSelectionModel(model_, this)) {
    model_->SetLoader([](int mailId, COneMailData& out) {
        CMailListViewer* list = GetMailListViewer();
        return list && list->GetMailData(mailId, out) == 0;
    });
    model_->SetFieldLoader([](int mailId, int kind, COneMailData& out) {
        CMailListViewer* list = GetMailListViewer();
        return list && ReadColumnField(*list, mailId, kind, out);
    });
    captionTimer_.setSingleShot(true);
    connect(&captionTimer_, &QTimer::timeout, this, [this] { UpdateCaptions(); });
}

MailListController::~MailListController() = default;

// ---- List requests ----------------------------------------------------------------------

void MailListController::Handle(std::function<void()> request) {
    if (busy_) {
        deferred_.push_back(std::move(request));
        return;
    }
    busy_ = true;
    request();
    while (!deferred_.empty()) {
        std::function<void()> next = std::move(deferred_.front());
        deferred_.pop_front();
        next();
    }
    busy_ = false;
}

void MailListController::SwitchMode(int mode) {
    Handle([this, mode] { DoSwitchMode(mode); });
}

void MailListController::DoSwitchMode(int mode) {
    if (mode == mail_list::kModeNone) {
        mode_ = mail_list::kModeNone;
        return;
    }
    if (!mail_list::FindMode(mode) || mode == mode_) return;
    ui::WaitCursor wait;
    const bool rebuild = mode == mail_list::kModeReport
                             ? mode_ != mail_list::kModeReport
                             : (mode_ == mail_list::kModeNone || mode_ == mail_list::kModeReport);
    if (rebuild) {
        SaveColumnWidths();
        const int layout = mail_list::LayoutOfMode(mode);
        model_->SetLayout(layout);
        widthsIni_ = CurrentEnvIni();
        widths_ = mail_list::LoadLayoutWidths(widthsIni_, layout);
        emit ColumnsRebuilt();
    }
    mode_ = mode;

    std::vector<int> ids;
    if (CMailListViewer* list = GetMailListViewer()) list->CountMailByViewType(static_cast<unsigned long>(mode), &ids);
    model_->SetRows(ids);
    UpdateCaptions();
    emit StatesChanged();
}

void MailListController::RefreshRow(const COneMailData& mail) {
    Handle([this, copy = CMailRecord(mail)] {
        if (!model_->RefreshRow(copy)) return;
        ScheduleCaptions();
        emit StatesChanged();
    });
}

void MailListController::RefreshOrAppendRow(const COneMailData& mail) {
    Handle([this, copy = CMailRecord(mail)] {
        model_->RefreshOrAppendRow(copy);
        ScheduleCaptions();
        emit StatesChanged();
    });
}

void MailListController::RemoveRow(const COneMailData& mail) {
    Handle([this, id = mail.GetMailID()] {
        if (model_->RemoveMails({id}) == 0) return;
        ScheduleCaptions();
        emit StatesChanged();
    });
}

std::vector<const CMailRecord*> MailListController::SelectedRows() const {
    std::set<int> rows;
    for (const QItemSelectionRange& range : selection_->selection())
        for (int r = range.top(); r <= range.bottom(); ++r) rows.insert(r);
    std::vector<const CMailRecord*> out;
    out.reserve(rows.size());
    for (int r : rows)
        if (const CMailRecord* record = model_->Record(r)) out.push_back(record);
    return out;
}

std::vector<CMailRecord> MailListController::SelectedRecords() const {
    std::vector<CMailRecord> out;
    for (const CMailRecord* r : SelectedRows()) out.emplace_back(*r);
    return out;
}

void MailListController::PostRowRefresh(const COneMailData& mail) {
    std::lock_guard<std::mutex> lock(postedMutex_);
    posted_.insert_or_assign(mail.GetMailID(), CMailRecord(mail));
    if (flushQueued_) return;
    flushQueued_ = true;
    QMetaObject::invokeMethod(this, [this] { FlushPostedRefreshes(); }, Qt::QueuedConnection);
}

void MailListController::FlushPostedRefreshes() {
    std::unordered_map<int, CMailRecord> batch;
    {
        std::lock_guard<std::mutex> lock(postedMutex_);
        batch.swap(posted_);
        flushQueued_ = false;
    }
    if (batch.empty()) return;
    Handle([this, batch = std::move(batch)] {
        bool any = false;
        for (const auto& entry : batch) any = model_->RefreshRow(entry.second) || any;
        if (!any) return;
        ScheduleCaptions();
        emit StatesChanged();
    });
}

void MailListController::Reload() {
    SwitchMode(mail_list::kModeNone);
    SwitchMode(mail_list::kModeAll);
}

QString MailListController::ModeName() const { return mail_list::ModeName(mode_); }

QString MailListController::MailCountText(int mode, int count) {
    return QStringLiteral("%1 %2%3").arg(mail_list::ModeName(mode) + u':', QString::number(count), U8("通"));
}

void MailListController::UpdateCaptions() {
    captionTimer_.stop();
    lastCaptions_.restart();
    if (mode_ == mail_list::kModeNone) return;
    CMailListViewer* list = GetMailListViewer();
    const int count = list ? list->CountMailByViewType(static_cast<unsigned long>(mode_)) : 0;
    emit CaptionsChanged(ModeName(), count);
}

void MailListController::ScheduleCaptions() {
    if (captionTimer_.isActive()) return;
    const qint64 since = lastCaptions_.isValid() ? lastCaptions_.elapsed() : LLONG_MAX;
    if (since >= kCaptionIntervalMs) {
        UpdateCaptions();
    } else {
        captionTimer_.start(static_cast<int>(kCaptionIntervalMs - since));
    }
}

// ---- Command states -----------------------------------------------------------------------

MailListController::SelectionSummary MailListController::Summarize() const {
    SelectionSummary sum;
    for (const CMailRecord* r : SelectedRows()) {
        const bool editable = IsMailEditable(*r) != 0, pending = IsMailSendPending(*r) != 0;
        if (sum.count++ == 0) {
            sum.firstListed = IsMailListed(*r) != 0;
            sum.firstEditable = editable;
        }
        sum.allEditable = sum.allEditable && editable;
        sum.allPending = sum.allPending && pending;
        sum.allEditableOrPending = sum.allEditableOrPending && (editable || pending);
        sum.anyEditable = sum.anyEditable || editable;
        sum.anyPending = sum.anyPending || pending;
    }
    return sum;
}

MailListController::CommandState MailListController::State(int id) const { return State(id, Summarize()); }

MailListController::CommandState MailListController::State(int id, const SelectionSummary& sel) const {
    if (const mail_list::ModeInfo* m = mail_list::FindModeByCommand(id)) return {true, mode_ == m->mode};
    const bool one = sel.count == 1, some = sel.count > 0;
    const bool reservable = some && sel.allEditableOrPending;
    switch (id) {
    case kIdNewMail: return {screens_.chooseMailType && screens_.composeMail, false};
    case kIdEditMail: return {one && sel.firstListed && screens_.composeMail, false};
    case kIdDuplicate: return {one && sel.firstEditable && screens_.composeMail, false};
    case kIdDelete: return {some && sel.allEditable, false};
    case kIdSearch: return {static_cast<bool>(screens_.searchMails), false};
    case kIdDestinationDetail: return {one && screens_.showDestinationDetail, false};
    case kIdSendHistory: return {one && screens_.showSendHistory, false};
    case kIdReserve: return {reservable && sel.anyEditable, false};
    case kIdCancelReserve: return {reservable && sel.anyPending, false};
    case kIdReserveButton: return {reservable, reservable && sel.allPending};
    case kIdCancelReserveButton: return {reservable, reservable && !sel.anyPending};
    case kIdInformationPage: return {static_cast<bool>(screens_.showInformationPage), false};
    case kIdInformationAutoShow: return {true, informationAutoShow_ == 1};
    case kIdInformationNoAutoShow: return {true, informationAutoShow_ == 0};
    default: return {};
    }
}

// ---- Commands -----------------------------------------------------------------------------

int MailListController::Ask(const QString& text, const QString& caption, unsigned style) const {
    ui::NormalCursor normal;
    return ui::MessageBox(owner_, text, caption, style);
}

void MailListController::Execute(int id) {
    if (const mail_list::ModeInfo* m = mail_list::FindModeByCommand(id)) {
        SwitchMode(m->mode);
        return;
    }
    switch (id) {
    case kIdNewMail: NewMail(std::nullopt); break;
    case kIdEditMail: {
        const std::vector<const CMailRecord*> sel = SelectedRows();
        if (sel.size() == 1) EditMail(sel[0]->GetMailID());
        break;
    }
    case kIdDuplicate: Duplicate(); break;
    case kIdDelete: Delete(); break;
    case kIdSearch:
        if (screens_.searchMails) {
            ui::NormalCursor normal;
            screens_.searchMails(owner_);
        }
        break;
    case kIdDestinationDetail: ShowDestinationDetail(); break;
    case kIdSendHistory: ShowSendHistory(); break;
    case kIdReserve:
    case kIdReserveButton: Reserve(); break;
    case kIdCancelReserve:
    case kIdCancelReserveButton: CancelReserve(); break;
    case kIdInformationPage:
        if (screens_.showInformationPage) screens_.showInformationPage(owner_);
        break;
    case kIdInformationAutoShow: SetInformationAutoShow(true); break;
    case kIdInformationNoAutoShow: SetInformationAutoShow(false); break;
    default: break;
    }
}

void MailListController::NewMailWithBody(const QString& bodyFile) { NewMail(bodyFile); }

int MailListController::NewMail(const std::optional<QString>& bodyFile) {
    if (!screens_.composeMail) return 0;
    ComposeRequest request;
    request.parent = owner_;
    request.initialBody = bodyFile;
    if (!bodyFile) {
        if (!screens_.chooseMailType) return 0;
        MailTypeChoice choice;
        {
            ui::NormalCursor normal;
            choice = screens_.chooseMailType(owner_, false);
        }
        if (choice.answer == platform::kIdCancel) return 0;
        if (choice.result == 1) {
            request.textMail = 0;
            request.htmlKind = choice.mailType == 0 ? 0 : choice.mailType == 1 ? 1 : 2;
        }
    }
    ui::WaitCursor wait;
    ComposeResult result;
    {
        ui::NormalCursor normal;
        result = screens_.composeMail(request);
    }
    if (result.answer != platform::kIdOk) return 0;
    std::optional<CMailRecord> stored = FinishComposed(result);
    if (!stored) return -1;
    model_->RefreshOrAppendRow(*stored);
    UpdateCaptions();
    emit StatesChanged();
    if (result.closedBy == kComposeSendNow) {
        AskSendNow(*stored);
    } else {
        const char* format = bodyFile ? "実行時引数で与えた本文で\nメールID[%1]「%2」をテキストメールとして新規作成しました"
                             : request.textMail ? "メールID[%1]「%2」をテキストメールとして新規作成しました"
                                                : "メールID[%1]「%2」をHTMLメールとして新規作成しました";
        Ask(IdAndTitle(format, *stored), U8("メール作成"), platform::kMbOk);
    }
    return 0;
}

std::optional<CMailRecord> MailListController::FinishComposed(const ComposeResult& result) {
    CMailListViewer* list = GetMailListViewer();
    if (!list) return std::nullopt;
    if (result.closedBy == kComposeReserved || result.closedBy == kComposeSendNow) {
        CMailRecord mail;
        if (list->GetMailData(result.mailId, mail) != 0) return std::nullopt;
        int ready;
        {
            ui::NormalCursor normal;
            ready = UpdateMailRecipientsIfAddressBookChanged(mail);
        }
        if (ready == kMailMadeWaiting && list->SetMailData(mail) != 0) return std::nullopt;
    }
    CMailRecord stored;
    if (list->GetMailData(result.mailId, stored) != 0) return std::nullopt;
    return stored;
}

void MailListController::AskSendNow(const COneMailData& mail) {
    const int answer = Ask(IdAndTitle("メールID[%1]「%2」を今すぐ送信します。", mail), U8("メール作成"),
                           platform::kMbOk | platform::kMbIconInformation);
    if (answer == platform::kIdOk && screens_.sendSelectedMail) screens_.sendSelectedMail(mail.GetMailID());
}

int MailListController::EditMail(int mailId) {
    if (!screens_.composeMail) return 0;
    CMailListViewer* list = GetMailListViewer();
    if (!list) return -1;
    ui::WaitCursor wait;
    CMailRecord mail;
    std::string former;
    {
        // Looked at and made a draft under the list's lock: a run that took the mail in
        // between would otherwise send it while it is edited.
        std::lock_guard<platform::NamedMutex> hold(CMailListViewer::Mutex());
        if (list->GetMailData(mailId, mail) != 0) return -1;
        former = mail.GetStatus();
        // While it is edited the mail is a draft, so no run picks it up half-written.
        if (former != "A" || !CurrentRunMonitor().IsRunning()) {
            mail.SetStatus("D", 0);
            if (list->SetMailData(mail) != 0) return -1;
        }
    }
    if (former == "A" && mail.GetStatus() == "A") {
        Ask(U8("送信中のメールは編集できません"), U8("メール編集"), platform::kMbOk);
        return 0;
    }
    model_->RefreshRow(mail);
    UpdateCaptions();

    ComposeRequest request;
    request.parent = owner_;
    request.textMail = IsTextMail(mail) ? 1 : 0;
    request.htmlKind = mail.GetTextOrHtmlMailFlag() == "Y" ? 0 : 1;
    request.mailId = mailId;
    ComposeResult result;
    {
        ui::NormalCursor normal;
        result = screens_.composeMail(request);
    }
    CMailRecord after;
    if (result.answer == platform::kIdOk) {
        result.mailId = mailId;
        std::optional<CMailRecord> stored = FinishComposed(result);
        if (!stored) return -1;
        after = *stored;
        if (result.closedBy == kComposeSendNow) AskSendNow(after);
    } else {
        // The person gave up: the mail goes back to what it was.
        if (list->GetMailData(mailId, after) != 0) return -1;
        after.SetStatus(former, 0);
        if (list->SetMailData(after) != 0) return -1;
    }
    model_->RefreshRow(after);
    UpdateCaptions();
    emit StatesChanged();
    return list->WriteMailList(0) == 0 ? 0 : -1;
}

void MailListController::Duplicate() {
    if (!screens_.composeMail) return;
    const std::vector<CMailRecord> sel = SelectedRecords();
    if (sel.size() != 1) {
        Ask(U8("複製は、単一メール選択時のみ可能です"), U8("選択異常"), platform::kMbOk);
        return;
    }
    CMailListViewer* list = GetMailListViewer();
    if (!list) return;
    ui::WaitCursor wait;
    CMailRecord source;
    if (list->GetMailData(sel[0].GetMailID(), source) != 0) return;
    if (!IsMailEditable(source)) {
        Ask(U8("送信中のメールは複製できません"), U8("メール複製"), platform::kMbOk);
        return;
    }
    const std::string kind = source.GetTextOrHtmlMailFlag();
    ComposeRequest request;
    request.parent = owner_;
    request.sourceMailId = source.GetMailID();
    const char* what;
    if (kind == "N") {
        what = "テキスト";
    } else if (kind == "Y") {
        request.textMail = 0;
        request.htmlKind = 0;
        what = "HTML(PC)";
    } else {
        request.textMail = 0;
        request.htmlKind = 1;
        what = "HTML(携帯)";
    }
    ComposeResult result;
    {
        ui::NormalCursor normal;
        result = screens_.composeMail(request);
    }
    if (result.answer != platform::kIdOk) return;
    std::optional<CMailRecord> stored = FinishComposed(result);
    if (!stored) return;
    model_->RefreshOrAppendRow(*stored);
    UpdateCaptions();
    emit StatesChanged();
    const QString text = U8("メールID[%1]「%2」の%3メールを\nメールID[%4]「%5」として複製しました")
                             .arg(QString::number(source.GetMailID()), ui::FromSjis(source.GetMailTitle()), U8(what),
                                  QString::number(stored->GetMailID()), ui::FromSjis(stored->GetMailTitle()));
    Ask(text, U8("メール複製"), platform::kMbOk);
    if (result.closedBy == kComposeSendNow) AskSendNow(*stored);
}

void MailListController::Delete() {
    ScopedSchedulerPause pause(&GetScheduler);
    const std::vector<CMailRecord> sel = SelectedRecords();
    if (sel.empty()) {
        Ask(U8("削除対象が選択されていません"), U8("未選択"), platform::kMbOk);
        return;
    }
    CMailListViewer* list = GetMailListViewer();
    if (!list) return;
    // The list's own state decides, not a row that may lag behind it.
    std::vector<CMailRecord> mails(sel.size());
    for (std::size_t i = 0; i < sel.size(); ++i)
        if (list->GetMailData(sel[i].GetMailID(), mails[i]) != 0) return;
    const bool allEditable = std::all_of(mails.begin(), mails.end(), [](const CMailRecord& m) { return IsMailEditable(m) != 0; });
    const QString recovery = U8("\r\nよろしいですか？\r\n\r\n【復旧方法】\r\n[ファイル]－[削除データ一覧]\r\nにおいて、任意のメールを元に戻すことができます\r\n");
    int answer;
    if (mails.size() == 1) {
        if (!allEditable) {
            Ask(U8("送信中のメールは削除ができません"), U8("メール削除"), platform::kMbOk);
            return;
        }
        answer = Ask(U8("メールID: ") + QString::number(mails[0].GetMailID()) + U8(" のメール本文、履歴などを削除します") + recovery,
                     U8("メール削除の確認"), platform::kMbYesNo | platform::kMbIconQuestion);
    } else {
        if (!allEditable) {
            Ask(U8("送信中のメールが含まれているため、削除ができません"), U8("メール削除"), platform::kMbOk);
            return;
        }
        answer = Ask(U8("選択したすべてのメール本文、履歴などを削除します") + recovery, U8("複数メール削除の確認"),
                     platform::kMbYesNo | platform::kMbIconQuestion);
    }
    if (answer != platform::kIdYes) return;

    ui::WaitCursor wait;
    // Only the mark: the files stay, and the deleted-data list can bring the mail back. A
    // mail that became due again while the question was open (a bounce that asks for a
    // resend) is not deleted: a run may take it.
    std::vector<int> removed;
    bool failed = false;
    for (const CMailRecord& mail : mails) {
        std::lock_guard<platform::NamedMutex> hold(CMailListViewer::Mutex());
        CMailRecord now;
        if (list->GetMailData(mail.GetMailID(), now) != 0 || !IsMailEditable(now)) continue;
        if (list->DeleteMailData(mail.GetMailID()) != 0) {
            failed = true;
            break;
        }
        removed.push_back(mail.GetMailID());
    }
    model_->RemoveMails(removed);
    UpdateCaptions();
    emit StatesChanged();
    if (!failed) list->WriteMailList(0);
}

void MailListController::Reserve() {
    const std::vector<CMailRecord> sel = SelectedRecords();
    if (sel.empty()) {
        Ask(U8("送信予約をする対象が選択されていません"), U8("未選択"), platform::kMbOk);
        return;
    }
    CMailListViewer* list = GetMailListViewer();
    if (!list) return;
    ui::WaitCursor wait;
    bool changed = false;
    // Mails reserved before the command ends early are written all the same.
    auto finish = [&] {
        UpdateCaptions();
        emit StatesChanged();
        if (changed) list->WriteMailList(0);
    };
    for (const CMailRecord& selected : sel) {
        CMailRecord mail;
        if (list->GetMailData(selected.GetMailID(), mail) != 0) return finish();
        if (!IsMailEditable(mail)) continue;  // pending mails are reserved already
        bool ended = false;
        if (!CheckReservable(mail, ended)) {
            finish();
            if (!ended) EditMail(mail.GetMailID());
            return;
        }
        int ready;
        {
            ui::NormalCursor normal;
            ready = UpdateMailRecipientsIfAddressBookChanged(mail);
        }
        if (ready != kMailMadeWaiting) continue;
        if (list->SetMailData(mail) != 0) return finish();
        changed = true;
        model_->RefreshRow(mail);
    }
    finish();
}

bool MailListController::CheckReservable(const COneMailData& mail, bool& ended) {
    ended = false;
    if (mail.GetAddressName().empty()) {
        Ask(U8("メールの宛先は必須です\r\n必要な情報を入力して、再度保存をしてください"), U8("送信予約"),
            platform::kMbOk | platform::kMbIconWarning);
        return false;
    }
    // Merge fields of older versions are sent as they stand: the person is shown where.
    MailWriter writer;
    writer.SetTermNum(kTerminalRows);
    if (!writer.SetEnvManager(GetEnvManager()) || !writer.SetMailFromFile(mail.GetMailID(), 0, nullptr)) {
        ended = true;
        return false;
    }
    const int rows = IsTextMail(mail) ? kTerminalRows : 1;
    QString found;
    std::vector<std::string> tags;
    for (int row = 0; row < rows; ++row) {
        for (int element = 0; element < 2; ++element) {
            MailWordInsert::CheckOldMailWord(writer.GetMailElement(element, row), tags);
            if (tags.empty()) continue;
            found += U8("・") + U8(kTerminalNames[row]) + (element == 0 ? U8("(件名)") : QString()) + QStringLiteral("\r\n");
            for (const std::string& tag : tags) found += QStringLiteral("     ") + ui::FromSjis(tag) + QStringLiteral("\r\n");
        }
    }
    if (found.isEmpty()) return true;
    const QString text = U8("エラー個別情報差込タグが含まれています。\r\n") + found + QStringLiteral("\r\n") +
                         U8("このまま送信を行うと、エラータグがそのまま送信されます。\r\n") +
                         U8("エラータグの変更、または削除を行ってください");
    ended = Ask(text, U8("送信予約"), platform::kMbYesNo | platform::kMbIconWarning) != platform::kIdYes;
    return false;
}

void MailListController::CancelReserve() {
    const std::vector<CMailRecord> sel = SelectedRecords();
    if (sel.empty()) {
        Ask(U8("送信予約の解除をする対象が選択されていません"), U8("未選択"), platform::kMbOk);
        return;
    }
    CMailListViewer* list = GetMailListViewer();
    if (!list) return;
    ui::WaitCursor wait;
    bool failed = false;
    for (const CMailRecord& selected : sel) {
        CMailRecord mail;
        {
            // Looked at and made a draft under the list's lock, so that a run cannot take
            // the mail in between and go on sending a draft.
            std::lock_guard<platform::NamedMutex> hold(CMailListViewer::Mutex());
            if (list->GetMailData(selected.GetMailID(), mail) != 0) {
                failed = true;
                break;
            }
            if (!IsMailSendPending(mail)) continue;
            ResetPendingMailToDraft(mail);
            if (list->SetMailData(mail) != 0) {
                failed = true;
                break;
            }
        }
        model_->RefreshRow(mail);
    }
    UpdateCaptions();
    emit StatesChanged();
    if (!failed) list->WriteMailList(0);
}

void MailListController::ShowDestinationDetail() {
    if (!screens_.showDestinationDetail) return;
    const std::vector<CMailRecord> sel = SelectedRecords();
    if (sel.size() != 1) {
        Ask(U8("宛先詳細の表示は、単一メール選択時のみ可能です"), U8("選択異常"), platform::kMbOk);
        return;
    }
    screens_.showDestinationDetail(owner_, sel[0].GetMailID());
}

void MailListController::ShowSendHistory() {
    if (!screens_.showSendHistory) return;
    const std::vector<CMailRecord> sel = SelectedRecords();
    if (sel.size() != 1) {
        Ask(U8("送信履歴の表示は、単一メール選択時のみ可能です"), U8("選択異常"), platform::kMbOk);
        return;
    }
    screens_.showSendHistory(owner_, sel[0]);
}

void MailListController::SetInformationAutoShow(bool on) {
    if (!CIniManager::WriteProfileStringA(programIni_, kInformationSection, kOpenAutoKey, on ? "Y" : "N")) {
        Ask(U8("Quendrel.iniファイルに情報を書き出せませんでした"), U8("Quendrel.iniファイルが正しくありません"),
            platform::kMbOk | platform::kMbIconWarning);
        return;
    }
    informationAutoShow_ = on ? 1 : 0;
    emit StatesChanged();
}

void MailListController::InitialUpdate() {
    SwitchMode(mail_list::kModeAll);
    std::string value;
    CIniManager::GetProfileStringA(programIni_, kInformationSection, kOpenAutoKey, value, "");
    if (value == "Y") {
        informationAutoShow_ = 1;
    } else if (!value.empty()) {
        informationAutoShow_ = 0;
    } else {
        SetInformationAutoShow(true);
    }
    emit StatesChanged();
}

bool MailListController::IsNothingWaiting() const {
    CMailListViewer* list = GetMailListViewer();
    return !list || list->CountMailByMailStatus(kPendingStatusMask) == 0;
}

// ---- Columns ------------------------------------------------------------------------------

void MailListController::SetColumnWidth(int column, int width) {
    if (column >= 0 && column < static_cast<int>(widths_.size())) widths_[static_cast<std::size_t>(column)] = width;
}

bool MailListController::SaveColumnWidths() {
    if (model_->Layout() == mail_list::kLayoutNone || widthsIni_.empty() || widthsIni_ != CurrentEnvIni()) return false;
    return mail_list::SaveLayoutWidths(widthsIni_, model_->Layout(), widths_);
}

void MailListController::ColumnClicked(int column) {
    ui::WaitCursor wait;
    model_->SortByColumnClick(column);
}

}  // namespace shell
