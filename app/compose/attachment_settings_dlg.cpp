#include "app/compose/attachment_settings_dlg.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include "app/mailtext/text_utils.h"
#include "app/sendrecv/report_rows_model.h"
#include "app/sendrecv/report_view.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace compose {

using shell::dialogs::MakeButton;

namespace {
const char* const kCaption = "添付ファイル設定";
const char* const kAddCaption = "添付ファイルの追加";
}  // namespace

CAttachmentSettingsDlg::CAttachmentSettingsDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8(kCaption));
    resize(520, 300);

    auto* column = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    list_ = MakeReportView(this, kIdcList, false);
    model_ = new ReportRowsModel(this);
    model_->Reset({{ui::U8("ﾌｧｲﾙ名"), false}, {ui::U8("ｻｲｽﾞ(ﾊﾞｲﾄ)"), true}}, {}, [this](int row) {
        const AttachmentEntry& e = working_.Row(row);
        return QStringList{ui::FromSjis(e.fileName),
                           QString::fromStdString(FormatNumberWithCommas(std::strtoull(e.size.c_str(), nullptr, 10)))};
    });
    list_->setModel(model_);
    ApplyColumnWidths(list_, {260, 80});
    body->addWidget(list_, 1);
    auto* side = new QVBoxLayout;
    QPushButton* add = MakeButton(this, ui::U8("追加"), kIdcAdd);
    QPushButton* remove = MakeButton(this, ui::U8("削除"), kIdcDelete);
    side->addWidget(add);
    side->addWidget(remove);
    side->addStretch(1);
    body->addLayout(side);
    column->addLayout(body, 1);
    shell::dialogs::AddOkCancelRow(column, this, true);

    connect(add, &QPushButton::clicked, this, &CAttachmentSettingsDlg::Add);
    connect(remove, &QPushButton::clicked, this, &CAttachmentSettingsDlg::Delete);
    auto* deleteKey = new QShortcut(QKeySequence::Delete, list_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &CAttachmentSettingsDlg::Delete);
}

int CAttachmentSettingsDlg::DoModal() {
    working_.Load(input_);
    output_ = input_;
    ShowRows(-1);
    return exec() == platform::kIdOk ? platform::kIdOk : platform::kIdCancel;
}

void CAttachmentSettingsDlg::ShowRows(int select) {
    std::vector<int> rows(static_cast<std::size_t>(working_.RowCount()));
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<int>(i);
    model_->ResetKeys(std::move(rows));
    if (select >= 0 && select < working_.RowCount()) list_->selectRow(select);
}

void CAttachmentSettingsDlg::TellUnreadable(const std::string& path, const QString& caption) {
    ui::MessageBox(this,
                   ui::U8("指定されたファイルの確認に失敗しました。\r\n"
                          "ファイルが存在しないか、または使用中のため確認できません。\r\n") +
                       ui::FromPath(path),
                   caption, platform::kMbOk);
}

void CAttachmentSettingsDlg::Add() {
    const int answer = ui::MessageBox(this,
                                      ui::U8("添付ファイルの送信は、送信相手をウイルスに感染させる恐れがあります。\r\n"
                                             "今一度送信するファイルがウイルスに感染していないかチェックを行ってください"),
                                      ui::U8(kCaption), platform::kMbYesNo | platform::kMbIconWarning);
    if (answer != platform::kIdYes) return;
    ui::FileRequest request;
    request.filter = ui::U8("全て(*.*)|*.*||");
    request.fileMustExist = true;
    const std::optional<QString> chosen = ui::CurrentFilePicker().PickFile(this, request);
    if (!chosen || chosen->isEmpty()) return;
    const std::string name = ui::ToSjis(QFileInfo(*chosen).fileName());
    if (working_.HasName(name)) {
        ui::MessageBox(this, ui::U8("同じ名前のファイルを複数添付することはできません"), ui::U8(kAddCaption),
                       platform::kMbOk | platform::kMbIconWarning);
        return;
    }
    const std::string path = ui::ToPath(*chosen);
    const std::optional<std::uint64_t> size = ReadableFileSize(path);
    if (!size) {
        TellUnreadable(path, ui::U8(kCaption));
        return;
    }
    ShowRows(working_.Add(name, *size, path));
}

void CAttachmentSettingsDlg::Delete() {
    const std::vector<int> rows = SelectedRows(list_);
    if (rows.empty()) return;
    const int row = rows.front();
    working_.RemoveRow(row);
    ShowRows(row < working_.RowCount() ? row : row - 1);
}

void CAttachmentSettingsDlg::accept() {
    const AttachmentList::SizeCheck check = working_.CheckSizes();
    if (check.result == AttachmentList::SizeCheck::kUnreadable) {
        TellUnreadable(check.path, ui::U8(kCaption));
        return;
    }
    if (check.result == AttachmentList::SizeCheck::kTooLarge) {
        ui::MessageBox(this,
                       ui::U8("ファイルサイズが大きすぎます。\r\n"
                              "メールサーバーに負担をかける可能性がありますので添付できません。\r\n"
                              "2MB以内にリサイズしてください"),
                       ui::U8(kCaption), platform::kMbOk | platform::kMbIconError);
        return;
    }
    AttachmentList::Applied applied = working_.Apply(folder_);
    for (const std::string& source : applied.failedSources) TellUnreadable(source, ui::U8(kAddCaption));
    output_ = std::move(applied.list);
    done(platform::kIdOk);
}

void CAttachmentSettingsDlg::reject() {
    output_ = input_;
    done(platform::kIdCancel);
}

}  // namespace compose
