#include "app/environment/environment_service.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string_view>
#include <thread>

#include "app/environment/environment_files.h"
#include "app/environment/environment_lock.h"
#include "app/environment/private_environment.h"
#include "app/environment/run_monitor.h"
#include "app/environment/upgrade_swap.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/address_import.h"
#include "core/addressbook/open_recovery.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/sequencer.h"
#include "core/foundation/system_reason.h"
#include "core/transport/my_pops.h"
#include "core/transport/my_smtps.h"
#include "platform/date_time.h"
#include "platform/notifier.h"
#include "platform/path.h"

namespace shell {
namespace {

using ui::U8;

EnvironmentService* g_program = nullptr;

constexpr const char* kCountNote = "件数により時間がかかる場合があります";
constexpr const char* kPleaseWait = "しばらくお待ちください";
// SystemOption's result for an environment without "systemoption.dat" (yet): no failure.
constexpr int kNoOptionsFile = -21;

void Tell(const QString& text, const char* caption, unsigned icon) {
    ui::MessageBox(nullptr, text, U8(caption), platform::kMbOk | icon);
}

// "<root>/<name>.env" for the descriptor path as given: another extension, doubled or
// backward separators and a relative path all name the same descriptor.
std::string NormalisedDescriptor(const std::string& given) {
    std::string path = platform::FixPath(given);
    if (!path.empty() && path.front() != '/') {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
        if (!ec) path = platform::FixPath(absolute.string());
    }
    const platform::PathParts parts = platform::SplitPath(path);
    std::string root = parts.root + parts.dir;
    while (!root.empty() && root.back() == '/') root.pop_back();
    return platform::FixPath(root + "/" + parts.title + ".env");
}

// The path with symbolic links, "." and ".." resolved and no trailing '/'.
std::string Canonical(const std::string& path) {
    std::error_code ec;
    std::string c = std::filesystem::weakly_canonical(std::filesystem::path(platform::FixPath(path)), ec).string();
    if (ec) c = platform::FixPath(path);
    while (c.size() > 1 && c.back() == '/') c.pop_back();
    return c;
}

// The recovery message of the core holds Shift_JIS words and file-system paths (UTF-8
// here) side by side; every path of it starts with the book's folder and runs to the end
// of its line. Converting the whole text as Shift_JIS would garble a path with non-ASCII
// names, so each part crosses the boundary its own way. ('/' is never the second byte
// of a Shift_JIS character, so the folder cannot be found inside one.)
QString RecoveryMessage(const std::string& text, const std::string& folder) {
    QString out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t path = folder.empty() ? std::string::npos : text.find(folder, at);
        out += ui::FromSjis(std::string_view(text).substr(at, path == std::string::npos ? std::string::npos : path - at));
        if (path == std::string::npos) break;
        std::size_t end = text.find_first_of("\r\n", path);
        if (end == std::string::npos) end = text.size();
        out += ui::FromPath(text.substr(path, end - path));
        at = end;
    }
    return out;
}

// The message of an upgrade that failed with `result` (EnvironmentUpgrade's enumeration).
void TellUpgradeFailure(const std::string& givenPath, int result) {
    const char* reason = nullptr;
    const char* code = nullptr;
    const char* const otherEnvironment = "新規環境を作成するか、Brindell用に作成した環境を選択してください\r\n";
    std::string second;
    switch (result) {
        case EnvironmentUpgrade::kOtherProduct:
            reason = "この環境は、Quillary対応版のものですので、使用できません\r\n";
            code = "[エラーコード:0005-02]";
            break;
        case EnvironmentUpgrade::kNotForProduct:
            reason = "この環境は、Brindell用に作成されたものではないため、使用できません。\r\n";
            second = otherEnvironment;
            code = "[エラーコード:0005-05]";
            break;
        case EnvironmentUpgrade::kNotConvertible6:
        case EnvironmentUpgrade::kNotConvertible7:
            reason = "この環境を、Varnis形式の環境に変換できませんでした。\r\n";
            second = otherEnvironment;
            code = result == EnvironmentUpgrade::kNotConvertible6 ? "[エラーコード:0005-06]" : "[エラーコード:0005-07]";
            break;
        default:
            Tell(U8("環境のバージョンアップに失敗しました[エラーコード:0005-01]"), "環境 バージョンアップ異常",
                 platform::kMbIconWarning);
            return;
    }
    Tell(ui::FromPath(givenPath) + U8("\r\n\r\n") + U8(reason) + QString::fromUtf8(second) + U8(code),
         "選択した環境は使用できません", platform::kMbIconWarning);
}

}  // namespace

EnvironmentService::EnvironmentService(Settings settings)
    : settings_(std::move(settings)), recent_(settings_.programIniPath) {
    recent_.Load();
}

EnvironmentService::~EnvironmentService() {
    if (g_program == this) g_program = nullptr;
    CloseEnvironment();
}

void EnvironmentService::SetUi(EnvironmentUi* ui) { ui_ = ui; }
void EnvironmentService::SetSchedulerFactory(SchedulerFactory factory) { schedulerFactory_ = std::move(factory); }
void EnvironmentService::SetEnvironmentUpgrade(EnvironmentUpgrade* upgrade) { upgrade_ = upgrade; }
EnvironmentUpgrade& EnvironmentService::Upgrade() { return upgrade_ != nullptr ? *upgrade_ : defaultUpgrade_; }

void EnvironmentService::Wait(const char* line1, const char* line2, const char* line3) {
    if (ui_ != nullptr) ui_->ShowWait(U8(line1), U8(line2), U8(line3));
}

void EnvironmentService::HideWait() {
    if (ui_ != nullptr) ui_->HideWait();
}

QString EnvironmentService::RefusedFiles(const QString& otherwise) {
    if (refused_ == nullptr || !refused_->Any()) return otherwise;
    return U8("\r\n\r\n") + ui::RefusalText(refused_->Take());
}

int EnvironmentService::OpenEnvironment(const std::string& descriptorPath) {
    HideWait();
    Wait("", "環境情報を読み込んでいます", "");
    // The open environment's changes go to its files before anything of the next one is
    // read: when both are the same environment, its files then hold everything, and the
    // two sets of managers never both write them.
    if (current_.IsOpen() && !SaveOpenEnvironment()) {
        HideWait();
        return 0;
    }

    const std::string descriptor = NormalisedDescriptor(descriptorPath);
    EnvironmentManagers next;
    keepInRecent_ = false;
    platform::HeldRefusals refused;
    refused_ = &refused;
    const bool built = BuildEnvironment(descriptorPath, descriptor, next);
    refused_ = nullptr;
    if (!built) {
        next.Reset();
        HideWait();
        // The environment that stays open stays in the list (a failed re-open of itself),
        // and so does one refused for a reason that is not its brokenness (another
        // program has it, a file the system would not let be read, a journal the user
        // may still decide to set aside).
        if (descriptor != DescriptorPath() && !keepInRecent_) {
            recent_.Remove(descriptorPath);
            recent_.Remove(descriptor);
        }
        return 0;
    }

    // One step: from here on the screens see the new managers only (the old ones are
    // freed, scheduler first).
    current_ = std::move(next);
    recent_.Add(descriptor);
    recent_.Write();
    if (settings_.importMode) {
        Wait("個人情報　インポート中　", kCountNote, kPleaseWait);
        RunAutomaticImport();
    }
    if (ui_ != nullptr)
        ui_->ShowWait(QString(), U8("%1を起動します").arg(U8(kProductName)), QString());
    if (settings_.finishPauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(settings_.finishPauseMs));
    HideWait();
    return 1;
}

bool EnvironmentService::SaveOpenEnvironment() {
    std::string failed;
    if (current_.SaveUnsaved(failed)) return true;
    Tell(ui::FromSjis(failed), "環境の切り替えはできません", platform::kMbIconWarning);
    return false;
}

bool EnvironmentService::BuildEnvironment(const std::string& givenPath, const std::string& descriptor,
                                          EnvironmentManagers& next) {
    // 0: the environment is this program's to write before anything of it is read.
    if (!LockEnvironment(givenPath, descriptor, next, false)) return false;
    // Nothing of it is read or written while a file of it is there but cannot be read: the
    // stores would take it for a missing one and write over it (environment_files.h).
    if (const UnreadableFile bad = FindUnreadableFile(descriptor)) {
        TellUnreadable(bad);
        return false;
    }
    // An upgrade that a crash or a failed rename interrupted is finished (or rolled back)
    // before anything of the environment is read, so that all its files are of one form.
    if (UpgradeSwap::Recover(descriptor) < 0) {
        TellUpgradeFailure(givenPath, EnvironmentUpgrade::kNotConvertible7);
        return false;
    }
    // What an earlier version left readable by others becomes the user's alone first.
    NarrowEnvironmentToOwner(descriptor);

    // 1-2: the descriptor.
    next.env = std::make_unique<EnvManager>();
    const int opened = next.env->InitEnvFileInfo(descriptor, kDescriptorKey, 0);
    if (opened < 0) {
        Tell(ui::FromPath(givenPath) +
                 U8("\r\nこの環境のデータは不完全です\r\n環境の読み込みに失敗しました\r\n[エラーコード:0001") +
                 QString::number(opened) + U8("]") + RefusedFiles(),
             "環境読み込み異常", platform::kMbIconWarning);
        return false;
    }
    // Its folder, missing when the lock was asked for, is there now.
    if (!next.lock && !LockEnvironment(givenPath, descriptor, next, true)) return false;
    // 3: the main window where this environment had it.
    if (ui_ != nullptr && CheckDirectory(env_layout::EnvFolder(*next.env)) == 0)
        ui_->PlaceMainWindow(env_layout::EnvIniFile(*next.env));

    // 4: the start-up password.
    HideWait();
    if (!AskStartupPassword(next)) return false;

    // 5: the system options.
    Wait("", "システムオプションを読み込んでいます", "");
    bool optionsRead = false;
    try {
        next.options = std::make_unique<SystemOption>(next.env.get());
        const int r = next.options->GetSODataFromFileToMemory();
        // "No file" is no failure, but a file refused in its place is no missing file,
        // and "cannot open" is "no file" only when there is none.
        optionsRead = r >= 0 || (r == kNoOptionsFile && (refused_ == nullptr || !refused_->Any()));
        const std::string file = env_layout::SystemOptionFile(*next.env);
        if (r == kNoOptionsFile && optionsRead) {
            if (const int error = ReadError(file)) {
                TellUnreadable({file, error});
                return false;
            }
        }
    } catch (const platform::UserException&) {
    }
    if (!optionsRead) {
        Tell(U8("システム設定ファイルに異常があるため読み込めません\r\nこの環境は利用できません\r\n[エラーコード:0002]") +
                 RefusedFiles(),
             "システム設定ファイル異常", platform::kMbIconWarning);
        return false;
    }

    // 6: an environment of an older layout is backed up before anything of it changes.
    std::string layout;
    next.options->GetSODataFromMemoryPinPoint(89, layout);
    if (!IsCurrentLayout(layout) && Upgrade().BackupOldEnvironment(next) < 0) {
        Tell(U8("この環境は、バックアップ異常のため、使用できません\r\n[エラーコード:0005-06]"), "環境の形式が異なります",
             platform::kMbIconWarning);
        return false;
    }

    // 7: the address book.
    QString reason;
    bool told = false;
    if (!LoadAddressBook(next, reason, told)) {
        // A refused file (the journal replaced by a link...) is the reason, named once.
        if (!told)
            Tell(U8("個人情報の読み込みに失敗しました\r\n[エラーコード:0003]") + RefusedFiles(reason), "個人情報読み込み異常",
                 platform::kMbIconWarning);
        return false;
    }

    // 8: the mail list.
    Wait("メール一覧情報を読み込んでいます", kCountNote, kPleaseWait);
    bool mailsRead = false;
    try {
        auto mails = std::make_unique<CMailListViewer>();
        mailsRead = mails->SetEnvManager(next.env.get()) == 1;
        if (mailsRead) next.mails = std::move(mails);
    } catch (const platform::UserException&) {
    }
    if (!mailsRead) {
        Tell(U8("メール一覧の読み込みに失敗しました\r\n[エラーコード:0004]") + RefusedFiles(), "メール一覧読み込み異常",
             platform::kMbIconWarning);
        return false;
    }

    // 9: the scheduler.
    Wait("", "ネットワークタイマーを読み込んでいます", "");
    if (schedulerFactory_) next.scheduler = schedulerFactory_(next);
    if (next.scheduler == nullptr) next.scheduler = std::make_unique<SchedulerFacade>();

    // 10: the upgrade.
    Wait("", "環境バージョンチェックをしています", "");
    return RunUpgrade(givenPath, next);
}

bool EnvironmentService::LockEnvironment(const std::string& givenPath, const std::string& descriptor,
                                         EnvironmentManagers& next, bool folderMustExist) {
    const std::string path = EnvironmentLockPath(descriptor);
    // Opened again while open (a switch to itself): the lock held covers both sets.
    if (current_.lock && current_.lock->IsLockOf(path)) {
        next.lock = current_.lock;
        return true;
    }
    auto lock = std::make_shared<platform::FileLock>();
    // A lock file refused (a link, a FIFO, another user's file, which may well be held by
    // that user) is named in this step's own box, with why.
    platform::HeldRefusals refused;
    switch (lock->Lock(path)) {
    case platform::FileLock::Result::kLocked:
        next.lock = std::move(lock);
        return true;
    case platform::FileLock::Result::kBusy:
        keepInRecent_ = true;
        Tell(ui::FromPath(givenPath) + U8("\r\n") + U8(kEnvironmentInUseText), "環境使用中", platform::kMbIconWarning);
        return false;
    case platform::FileLock::Result::kRefused:
        Tell(ui::FromPath(givenPath) + U8("\r\n環境のロックファイルを使用できません\r\n") +
                 ui::RefusalText(refused.Take()),
             "環境読み込み異常", platform::kMbIconWarning);
        return false;
    case platform::FileLock::Result::kFailed:
        break;
    }
    const int error = errno;
    // No folder: the descriptor's step says what is missing.
    if (error == ENOENT && !folderMustExist) return true;
    Tell(ui::FromPath(givenPath) + U8("\r\n環境のロックファイルを作成できません\r\n") + ui::FromPath(path),
         "環境読み込み異常", platform::kMbIconWarning);
    return false;
}

bool EnvironmentService::AskStartupPassword(EnvironmentManagers& next) {
    std::string flag;
    // Unkeyed environments of older versions cannot say; they open without a password.
    if (next.env->GetUseEnvPasswordFlag(flag) != 0) return true;
    if (flag.empty()) {
        if (ui_ != nullptr) ui_->OfferStartupPassword(*next.env);
        return true;
    }
    if (flag != "Y") return true;
    const QString title = ui::FromPath(next.env->GetEnvName()) + U8("の起動");
    if (ui_ != nullptr && ui_->AskEnvironmentPassword(*next.env, title)) return true;
    Tell(U8("この環境にはパスワードが設定されています。\r\n正しいパスワードを入力しない限り、利用することはできません。"),
         "パスワード認証が必要", platform::kMbIconInformation);
    return false;
}

void EnvironmentService::TellUnreadable(const UnreadableFile& file) {
    keepInRecent_ = true;
    Tell(ui::FromPath(file.path) + U8("\r\n\r\nこのファイルを読み込めないため、環境を開けません\r\n理由: ") +
             ui::FromSjis(SystemReasonText(file.error)),
         "環境読み込み異常", platform::kMbIconWarning);
}

bool EnvironmentService::OfferBookWithoutJournal(EnvironmentManagers& next, CDatabaseEdit& book, bool& told) {
    told = true;
    keepInRecent_ = true;
    const std::string journal = env_layout::DatabaseJournalFile(*next.env);
    const std::string bookFile = env_layout::DatabaseFile(*next.env);
    QString cost;
    struct stat st {};
    if (::stat(bookFile.c_str(), &st) == 0) {
        const platform::DateTime saved(static_cast<std::time_t>(st.st_mtime));
        cost = U8("個人情報を最後にまとめて保存した時点（%1）の内容で開くことができます。"
                  "その後に保存された変更は、個人情報に入りません。")
                   .arg(QString::fromStdString(saved.Format("%Y/%m/%d %H:%M")));
    } else {
        cost = U8("個人情報はまだまとめて保存されたことがないため、空の状態で開くことになります。"
                  "変更記録にある個人情報は、どれも入りません。");
    }
    const QString question =
        U8("個人情報の読み込みに失敗しました\r\n[エラーコード:0003]\r\n\r\n") + ui::FromSjis(book.GetErrMsg().GetLastMsg()) +
        U8("\r\n") + ui::FromPath(journal) +
        U8("\r\n\r\n変更記録を脇に置いて（同じフォルダに、名前の末尾に「.damaged」を付けて残します）、") + cost +
        U8("\r\n\r\n変更記録を脇に置いて開きますか？\r\n"
           "［いいえ］を選ぶと、環境は開かずに、変更記録はそのまま残します。");
    if (ui::MessageBox(nullptr, question, U8("個人情報読み込み異常"),
                       platform::kMbYesNo | platform::kMbIconWarning | ui::kMbDefButton2) != platform::kIdYes)
        return false;
    std::string kept;
    if (book.SetJournalAside(kept) != 0) {
        Tell(ui::FromPath(journal) + U8("\r\n\r\n変更記録を脇に置けなかったため、環境を開けません\r\n理由: ") +
                 ui::FromSjis(SystemReasonText(errno)),
             "個人情報読み込み異常", platform::kMbIconWarning);
        return false;
    }
    told = false;  // what follows is the ordinary read, with its own messages
    if (book.ReadCustomerList() < 0) return false;
    ui::MessageBox(nullptr,
                   U8("変更記録を脇に置き、個人情報を最後にまとめて保存した時点の内容で開きました。\r\n"
                      "変更記録は次のファイルに残してあります。\r\n") +
                       ui::FromPath(kept),
                   U8("個人情報読み込み異常"), platform::kMbOk | platform::kMbIconInformation);
    return true;
}

bool EnvironmentService::LoadAddressBook(EnvironmentManagers& next, QString& reason, bool& told) {
    std::unique_ptr<Sequencer> sequence;
    try {
        sequence = std::make_unique<Sequencer>(next.env.get(), SEQ_ID_CUSTOMER);
    } catch (const platform::UserException&) {
        return false;
    }
    Wait("個人情報を読み込んでいます", kCountNote, kPleaseWait);
    auto book = std::make_unique<CDatabaseEdit>();
    if (book->SetEnvManager(next.env.get()) != 1) return false;
    bool read = book->ReadCustomerList() >= 0;
    // Damage that hides which book the journal extends: the way out is offered.
    if (!read && book->GetErrMsg().GetLastCode() == 10203) {
        read = OfferBookWithoutJournal(next, *book, told);
        if (told) return false;
    }
    if (!read) {
        // The reasons a person can act on: the disk, or the journal beside the book.
        const int code = book->GetErrMsg().GetLastCode();
        if (code == 10202 || code == 10203 || code == 10205)
            reason = U8("\r\n\r\n") + ui::FromSjis(book->GetErrMsg().GetLastMsg()) + U8("\r\n") +
                     ui::FromPath(code == 10202 ? env_layout::DatabaseFile(*next.env)
                                                : env_layout::DatabaseJournalFile(*next.env));
        return false;
    }
    if (book->SetSystemOption(next.options.get()) != 1) return false;
    next.book = std::move(book);
    const BookJournal::Damage& damage = next.book->GetJournalDamage();
    if (damage.found && damage.lostChanges != 0)
        ui::MessageBox(nullptr,
                       (damage.lostChanges == BookJournal::kUnknownLoss
                            ? U8("個人情報の変更記録の一部が壊れていたため、いくつかの変更を読み込めませんでした"
                                 "（件数は分かりません）。\r\n")
                            : U8("個人情報の変更記録の一部が壊れていたため、%1件の変更を読み込めませんでした。\r\n")
                                  .arg(damage.lostChanges)) +
                           U8("壊れていた変更記録は次のファイルに残してあります。\r\n%1").arg(ui::FromPath(damage.keptCopy)),
                       U8("個人情報読み込み異常"), platform::kMbOk | platform::kMbIconWarning);

    const int generations = ReadGenerationCount(*next.env);
    if (generations >= 1) Wait("個人情報のデータの整合性をチェックしています", kCountNote, kPleaseWait);
    OpenRecoveryResult recovery;
    // -1: what was restored could not be saved; the generations were kept, and an open
    // that went on would offer a book whose file lacks it. -2: the book is saved and
    // whole, only the newest generation is missing; the open goes on.
    if (RecoverAddressBook(*next.book, *next.env, generations, recovery) == -1) return false;
    if (!recovery.messageCaption.empty())
        ui::MessageBox(nullptr, RecoveryMessage(recovery.messageText, env_layout::DbFolder(*next.env)),
                       ui::FromSjis(recovery.messageCaption), recovery.messageStyle);

    // New customer IDs continue past the book's largest one, and never fall back below
    // IDs already handed out (the book may have lost records that others still name).
    const int wanted = next.book->GetMaxDBID() + 1;
    int stored = 0;
    if (sequence->CurrentValue(stored) == 0 || stored < wanted) sequence->SetValue(wanted);
    return true;
}

bool EnvironmentService::RunUpgrade(const std::string& givenPath, EnvironmentManagers& next) {
    QString notice;
    bool wizard = false;
    const int r = Upgrade().UpgradeEnvironment(next, notice, wizard);
    if (r >= 0) {
        wizardRequested_ = wizard;
        if (r == EnvironmentUpgrade::kUpgraded) Tell(notice, "Varnis移行後のご注意", platform::kMbIconInformation);
        return true;
    }
    TellUpgradeFailure(givenPath, r);
    return false;
}

void EnvironmentService::RunAutomaticImport() {
    std::string settings;
    current_.options->GetSODataFromMemoryPinPoint(110, settings);
    importProgress_.imported = 0;
    importProgress_.errors = 0;
    importProgress_.phase = 0;
    importProgress_.SetText(std::string());
    CAddressImport importer(current_.book.get(), current_.env.get(), current_.options.get());
    importer.SetReportIsProgramsOwn(true);
    const int imported = importer.ImportDBfromBuppanFile(
        platform::FixPath(settings_.importFile), env_layout::EnvFolder(*current_.env) + "AutoImportLog.txt",
        &importProgress_, settings, newEnvInImportMode_ ? 1 : 0);
    if (imported < 0) {
        Tell(U8("インポートに失敗しました\r\n詳細はインポートログを参照してください"), "インポートに失敗しました",
             platform::kMbIconWarning);
        return;
    }
    Tell(U8("インポートは正常に終了しました\r\nインポート結果は以下の通りです\r\n・インポート件数　") +
             QString::number(imported) + U8("件\r\n・データ異常件数　") + QString::number(importProgress_.errors.load()) +
             U8("件\r\n詳細はインポートログを参照してください。"),
         "インポート完了", platform::kMbIconInformation);
}

void EnvironmentService::CloseEnvironment() { current_.Reset(); }

std::string EnvironmentService::DescriptorPath() const {
    return current_.IsOpen() ? env_layout::DescriptorFile(*current_.env) : std::string();
}

std::string EnvironmentService::EnvIniPath() const {
    if (!current_.IsOpen() || CheckDirectory(env_layout::EnvFolder(*current_.env)) != 0) return std::string();
    return env_layout::EnvIniFile(*current_.env);
}

bool EnvironmentService::IsOpenEnvironmentFolder(const std::string& folder) const {
    if (!current_.IsOpen() || folder.empty()) return false;
    const std::string asked = Canonical(folder);
    std::string withoutExt = DescriptorPath();
    withoutExt.resize(withoutExt.size() - std::string_view(".env").size());
    return asked == Canonical(env_layout::EnvFolder(*current_.env)) || asked == Canonical(withoutExt);
}

CMyPOPS* EnvironmentService::CreatePopClient() {
    pop_.reset();
    pop_ = std::make_unique<CMyPOPS>();
    return pop_.get();
}

CMySMTPS* EnvironmentService::CreateSmtpClient() {
    smtp_.reset();
    smtp_ = std::make_unique<CMySMTPS>();
    return smtp_.get();
}

void EnvironmentService::DeletePopClient() { pop_.reset(); }
void EnvironmentService::DeleteSmtpClient() { smtp_.reset(); }

std::string EnvironmentService::GetAutoRegPath(int which) const {
    if (!current_.IsOpen()) return std::string();
    if (which == 0) return env_layout::AutoRegisterFile(*current_.env);
    if (which == 1) return env_layout::AutoRefuseFile(*current_.env);
    return std::string();
}

int EnvironmentService::CanChangeEnvironment(int forSwitch) {
    const RunMonitor& monitor = CurrentRunMonitor();
    if (!monitor.IsRunning()) return 1;
    const char* refusal = forSwitch != 0 ? "環境の切り替えはできません" : "環境の新規作成はできません";
    Tell(U8("現在【") + RunKindText(monitor.RunKind()) + U8("】です\r\n") + U8(refusal), refusal,
         platform::kMbIconInformation);
    return 0;
}

EnvironmentService* ProgramEnvironment() { return g_program; }
void SetProgramEnvironment(EnvironmentService* service) { g_program = service; }
EnvManager* GetEnvManager() { return g_program != nullptr ? g_program->GetEnvManager() : nullptr; }
SystemOption* GetSystemOption() { return g_program != nullptr ? g_program->GetSystemOption() : nullptr; }
std::string ProgramOption(int index) {
    std::string value;
    if (SystemOption* options = GetSystemOption()) options->GetSODataFromMemoryPinPoint(index, value);
    return value;
}
CDatabaseEdit* GetDatabaseEdit() { return g_program != nullptr ? g_program->GetDatabaseEdit() : nullptr; }
CMailListViewer* GetMailListViewer() { return g_program != nullptr ? g_program->GetMailListViewer() : nullptr; }
SchedulerControl* GetScheduler() { return g_program != nullptr ? g_program->GetScheduler() : nullptr; }

}  // namespace shell
