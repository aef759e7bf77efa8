#include "app/settings/other_import_dlg.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

#include "app/dialogs/db_save_wait_dlg.h"
#include "app/dialogs/dialog_parts.h"
#include "app/dialogs/wait_dlg.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_input_guard.h"
#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/system_option.h"
#include "platform/module_path.h"
#include "platform/notifier.h"
#include "platform/path.h"

namespace settings {
namespace {

using ui::U8;

using ui::kExclamation;
using ui::kInformation;

const char* const kShopNote =
    "※既存の個人情報のメールアドレスとインポートデータが重複していた場合は、システム設定の\r\n"
    "　データインポート設定をもとに、インポート処理を行ないます。\r\n\r\n"
    "“重複アドレスの個人情報は更新日時が新しいデータのみ上書きする”を選択している場合には、\r\n"
    "　どちらのデータが最新のものか判別して新しいデータのみインポートを行ないます。\r\n"
    "“重複アドレスの個人情報は上書きする”を選択している場合は、個人情報をインポートデータで\r\n"
    "　上書きします。その際、個人情報が削除されていた場合は、その個人情報を復旧してインポート\r\n"
    "　データで上書きします。\r\n"
    "“重複アドレスの個人情報は上書きしない”を選択している場合は、インポートデータでの上書きは\r\n"
    "　行わず重複しないメールアドレスの個人情報のみインポートします。\r\n";
const char* const kMailNote =
    "※既存の個人情報のメールアドレスとインポートデータが重複していた場合は、その個人情報はインポートデータで上書きされます。"
    "また、重複したメールアドレスを持つ個人情報が削除されていた場合は、その個人情報を復旧後にインポートデータで上書きされます。";

// True when `a` and `b` name the same file (the report would overwrite the data).
bool SameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path pa(platform::FixPath(a)), pb(platform::FixPath(b));
    if (fs::exists(pb, ec) && fs::equivalent(pa, pb, ec)) return true;
    const fs::path ca = fs::weakly_canonical(pa, ec);
    if (ec) return false;
    const fs::path cb = fs::weakly_canonical(pb, ec);
    return !ec && ca == cb;
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(platform::FixPath(path), ec);
}

}  // namespace

QString CImportOtherDlg::DisplayName(int kind) {
    switch (kind) {
    case kImportTormask: return QStringLiteral("Tormask");
    case kImportBrindell: return QStringLiteral("Brindell");
    case kImportQuillary: return U8("Quillary住所録");
    case kImportOutlookExpress: return QStringLiteral("Outlook Express ");
    case kImportBecky: return QStringLiteral("Becky! ");
    default: return QString();
    }
}

std::string CImportOtherDlg::DefaultConverterPath() { return platform::ProgramFolder() + "Quillconv13.exe"; }

CImportOtherDlg::CImportOtherDlg(QWidget* parent, int kind, int dmMode)
    : QDialog(parent), kind_(kind), dmMode_(dmMode), name_(DisplayName(kind)), converter_(DefaultConverterPath()) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(name_ + U8("のインポート"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(shell::dialogs::MakeLabel(this, name_ + U8("のデータをこのソフトの個人情報としてインポートします"),
                                                kIdcIntro));

    auto* source = ui::SetControlId(new QGroupBox(name_ + U8("ファイル名"), this), kIdcGroup);
    auto* sourceRow = new QHBoxLayout(source);
    path_ = shell::dialogs::MakeEdit(source, kIdcPath);
    ui::MarkPathEdit(path_);
    auto* browse = shell::dialogs::MakeButton(source, U8("参照..."), kIdcBrowse);
    sourceRow->addWidget(path_, 1);
    sourceRow->addWidget(browse);
    column->addWidget(source);

    auto* log = new QGroupBox(U8("インポートログ出力先ファイル名"), this);
    auto* logRow = new QHBoxLayout(log);
    logPath_ = shell::dialogs::MakeEdit(log, kIdcLogPath);
    ui::MarkPathEdit(logPath_);
    auto* browseLog = shell::dialogs::MakeButton(log, U8("参照..."), kIdcBrowseLog);
    logRow->addWidget(logPath_, 1);
    logRow->addWidget(browseLog);
    column->addWidget(log);

    const bool shop = kind == kImportTormask || kind == kImportBrindell;
    QLabel* note = shell::dialogs::MakeLabel(this, U8(shop ? kShopNote : kMailNote), kIdcNote);
    note->setWordWrap(!shop);
    column->addWidget(note);

    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* start = shell::dialogs::MakeButton(this, U8("インポート開始"), kIdcStart);
    auto* back = shell::dialogs::MakeButton(this, U8("戻る"), kIdcBack);
    row->addWidget(start);
    row->addWidget(back);
    column->addLayout(row);
    if (!shop) setMinimumWidth(560);

    connect(browse, &QPushButton::clicked, this, &CImportOtherDlg::OnBrowse);
    connect(browseLog, &QPushButton::clicked, this, &CImportOtherDlg::OnBrowseLog);
    connect(start, &QPushButton::clicked, this, &CImportOtherDlg::OnStart);
    connect(back, &QPushButton::clicked, this, &CImportOtherDlg::reject);
    connect(path_, &QLineEdit::returnPressed, this, &CImportOtherDlg::OnStart);
    connect(logPath_, &QLineEdit::returnPressed, this, &CImportOtherDlg::OnStart);

    timer_ = new QTimer(this);
    timer_->setInterval(kTimerMs);
    connect(timer_, &QTimer::timeout, this, &CImportOtherDlg::OnTick);
    wait_ = new shell::CWaitDlg(this);
    wait_->setWindowModality(Qt::WindowModal);
}

CImportOtherDlg::~CImportOtherDlg() = default;

int CImportOtherDlg::DoModal() { return exec(); }

void CImportOtherDlg::OnBrowse() {
    ui::FileRequest request;
    const QString csvFilter = U8("ｲﾝﾎﾟｰﾄﾌｧｲﾙ(*.csv)|*.csv|ｲﾝﾎﾟｰﾄﾌｧｲﾙ(*.txt)|*.txt|全て(*.*)|*.*||");
    if (kind_ == kImportQuillary) {
        request.defaultExt = QStringLiteral("qla");
        request.fileName = QStringLiteral("*.qla");
        request.filter = U8("Quillary住所録(*.qla)|*.qla||");
    } else {
        request.defaultExt = QStringLiteral("csv");
        request.fileName = kind_ == kImportTormask ? QStringLiteral("CustomerList.csv") : QStringLiteral("*.csv");
        request.filter = csvFilter;
    }
    request.fileMustExist = true;
    if (const auto picked = ui::CurrentFilePicker().PickFile(this, request)) path_->setText(*picked);
}

void CImportOtherDlg::OnBrowseLog() {
    ui::FileRequest request;
    request.save = true;
    request.defaultExt = QStringLiteral("txt");
    request.filter = U8("ｲﾝﾎﾟｰﾄﾛｸﾞ(*.txt)|*.txt|全て(*.*)|*.*||");
    request.overwritePrompt = true;
    if (const auto picked = ui::CurrentFilePicker().PickFile(this, request)) logPath_->setText(*picked);
}

void CImportOtherDlg::OnStart() {
    if (running_) return;
    // What the edits hold now, whether or not they lost the focus since.
    const std::string source = ui::ToPath(path_->text());
    const std::string logPath = ui::ToPath(logPath_->text());
    QString missing;
    if (source.empty()) missing += U8("・") + name_ + U8("ファイル\r\n");
    if (logPath.empty()) missing += U8("・インポートログ出力先ファイル\r\n");
    if (!missing.isEmpty()) {
        ui::MessageBox(this,
                       missing + U8("\r\nが選択されていません\r\n「参照」ボタンをクリックしてファイルを指定するか\r\n"
                                    "ファイルの場所を入力してください"),
                       U8("ファイル未選択"), kExclamation);
        return;
    }
    std::error_code ec;
    if (!std::filesystem::exists(platform::FixPath(source), ec)) {
        ui::MessageBox(this,
                       U8("入力されたファイルは存在しません\r\n「参照」ボタンをクリックして正しくファイルを指定するか\r\n"
                          "正しいファイルの場所を入力してください"),
                       U8("インポートファイルが存在しません"), kExclamation);
        return;
    }
    if (SameFile(source, logPath)) {
        ui::MessageBox(this,
                       U8("インポートログ出力先ファイルに、インポートするファイルと同じファイルが指定されています\r\n"
                          "インポートログ出力先には別のファイルを指定してください"),
                       U8("ファイル指定エラー"), kExclamation);
        return;
    }
    if (kind_ == kImportQuillary && !IsFile(converter_)) {
        ui::MessageBox(this,
                       U8("Quillary住所録の変換プログラム(Quillconv13.exe)がインストールされていないため、\r\n"
                          "Quillary住所録のインポートは使用できません"),
                       U8("インポートできません"), kExclamation);
        return;
    }
    if (ui::MessageBox(this, name_ + U8("のインポートを開始します\r\nよろしいですか？"), U8("インポート開始の確認"),
                       platform::kMbOkCancel | platform::kMbIconQuestion | ui::kMbDefButton2) == platform::kIdCancel)
        return;

    OtherImportRequest request;
    request.kind = kind_;
    request.dmMode = dmMode_;
    request.source = source;
    request.logPath = logPath;
    request.converter = converter_;
    if (SystemOption* options = shell::GetSystemOption()) options->GetSODataFromMemoryPinPoint(110, request.duplicatePolicy);
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    EnvManager* env = shell::GetEnvManager();
    SystemOption* options = shell::GetSystemOption();

    running_ = true;
    wait_->SetMessages(U8("インポートの開始準備中です"), U8("件数により時間がかかる場合があります"),
                       U8("しばらくお待ちください"));
    wait_->Create(this);
    timer_->start();
    // The Tormask importer's own question, carried to the GUI thread.
    CAddressImport::ImportQuestion ask = [this](const std::string& text, const std::string& caption) {
        return ui::MessageBox(this, ui::FromSjis(text), ui::FromSjis(caption),
                              platform::kMbYesNo | platform::kMbIconQuestion) == platform::kIdYes;
    };
    worker_.Start(
        this,
        [this, book, env, options, request, ask] {
            if (book == nullptr) {
                ImportRunOutcome none;
                none.result = -12;
                return none;
            }
            return RunOtherImport(*book, env, options, request, progress_, ask);
        },
        [this](ImportRunOutcome outcome) { OnRunDone(std::move(outcome)); });
}

void CImportOtherDlg::OnTick() {
    if (!running_) return;
    const QString middle = progress_.phase.load() != 0 ? ui::FromSjis(progress_.GetText())
                                                       : U8("%1件").arg(progress_.imported.load());
    wait_->ShowMessages(U8("インポート実行中"), middle, U8("しばらくお待ちください"));
}

void CImportOtherDlg::OnRunDone(ImportRunOutcome outcome) {
    timer_->stop();
    wait_->End();
    running_ = false;
    if (outcome.result < 0) {
        ui::MessageBox(this, U8("インポートに失敗しました\r\n詳細はインポートログを参照してください"),
                       U8("インポートに失敗しました"), kExclamation);
    } else {
        ui::MessageBox(this,
                       U8("インポートは正常に終了しました\r\nインポート結果は以下の通りです\r\n・インポート件数　%1件\r\n"
                          "・データ異常件数　%2件\r\n詳細はインポートログを参照してください。")
                           .arg(outcome.result)
                           .arg(outcome.rejectedCount),
                       U8("インポート完了"), kInformation);
    }
    if (outcome.result == kImportDeclined) {
        ui::MessageBox(this, U8("インポートが中断されました"), U8("インポート 中断"), kExclamation);
        done(-1);
        return;
    }
    if (outcome.result < 0) {
        ui::MessageBox(this, ui::FromSjis(outcome.errorText) + U8("\r\nインポートが中断されました"),
                       U8("インポートエラー"), kExclamation);
        done(-1);
        return;
    }
    shell::CDbSaveWaitDlg save(shell::CDbSaveWaitDlg::ProgramSave(), this);
    save.DoModal();
    ui::MessageBox(this, U8("インポートが完了しました"), U8("インポート完了"), kInformation);
    done(1);
}

void CImportOtherDlg::reject() {
    if (running_) return;
    done(platform::kIdCancel);
}

void CImportOtherDlg::keyPressEvent(QKeyEvent* event) {
    if (running_) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CImportOtherDlg::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace settings
