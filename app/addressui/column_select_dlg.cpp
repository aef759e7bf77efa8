#include "app/addressui/column_select_dlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "app/addressui/column_layout.h"
#include "app/dialogs/dialog_parts.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/system_option.h"
#include "platform/notifier.h"

namespace addressui {
namespace {

struct Box {
    int id;
    const char* text;
    int element;
};

// The boxes of the basic fields, in the order they are shown.
constexpr Box kBasicBoxes[] = {
    {5200, "個人情報ID", 0}, {5205, "ﾒｰﾙｱﾄﾞﾚｽ", 1},   {5201, "名前(姓)", 2},    {5202, "名前(名)", 3},
    {5203, "かな(せい)", 4}, {5204, "かな(めい)", 5},  {5206, "会社名", 6},      {5207, "部署名", 7},
    {5208, "生年月日", 8},   {5209, "郵便番号", 9},    {5210, "都道府県", 11},   {5211, "市区町村", 12},
    {5212, "番地以下", 13},  {5213, "建物名等", 14},   {5214, "電話番号", 15},   {5215, "FAX番号", 17},
    {5216, "携帯番号", 19},  {5217, "DM送付可否", 21}, {5218, "DM以外送付可否", 22}, {5239, "登録日時", 54},
    {5240, "更新日時", 55}};
constexpr int kFirstAttributeBox = 5219;
constexpr int kAttributes = 20;

}  // namespace

int CColumnSelectDlg::ElementOfBox(int id) {
    for (const Box& b : kBasicBoxes)
        if (b.id == id) return b.element;
    if (id >= kFirstAttributeBox && id < kFirstAttributeBox + kAttributes) return 28 + (id - kFirstAttributeBox);
    return -1;
}

CColumnSelectDlg::CColumnSelectDlg(CDBColumnInfo* info, QWidget* parent) : QDialog(parent), info_(info) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("個人情報一覧の表示情報選択"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(shell::dialogs::MakeLabel(
        this, ui::U8("個人情報一覧で表示したい情報にチェックをしてください\r\n"
                     "拡張属性の名称はシステム設定で設定したものを表示しています")));
    auto* groups = new QHBoxLayout;
    auto* basic = new QGroupBox(ui::U8("基本情報 他"), this);
    auto* basicGrid = new QGridLayout(basic);
    std::size_t k = 0;
    int n = 0;
    for (const Box& b : kBasicBoxes) {
        elements_[k] = b.element;
        boxes_[k] = shell::dialogs::MakeCheckBox(basic, ui::U8(b.text), b.id);
        basicGrid->addWidget(boxes_[k++], n % 11, n / 11);
        ++n;
    }
    auto* extra = new QGroupBox(ui::U8("拡張属性"), this);
    auto* extraGrid = new QGridLayout(extra);
    for (int a = 0; a < kAttributes; ++a) {
        const QString text = ui::U8("拡張属性") + QChar(u'A' + a);
        elements_[k] = 28 + a;
        boxes_[k] = shell::dialogs::MakeCheckBox(extra, text, kFirstAttributeBox + a);
        extraGrid->addWidget(boxes_[k++], a % 10, a / 10);
    }
    groups->addWidget(basic);
    groups->addWidget(extra);
    column->addLayout(groups);
    shell::dialogs::AddOkCancelRow(column, this, true);
    Load();
}

void CColumnSelectDlg::Load() {
    std::vector<std::string> names;
    if (SystemOption* options = shell::GetSystemOption(); options != nullptr &&
        options->GetSOExtractDataFromMemory(names) == 0) {
        for (int a = 0; a < kAttributes && a < static_cast<int>(names.size()); ++a)
            ui::FindControl<QCheckBox>(this, kFirstAttributeBox + a)->setText(ui::FromSjis(names[static_cast<std::size_t>(a)]));
    }
    for (std::size_t k = 0; k < boxes_.size(); ++k)
        boxes_[k]->setChecked(info_ != nullptr && info_->IsColumnShown(elements_[k]) == 1);
}

int CColumnSelectDlg::DoModal() { return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel; }

void CColumnSelectDlg::accept() {
    if (info_ != nullptr) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        for (std::size_t k = 0; k < boxes_.size(); ++k)
            info_->SetColumnValue(elements_[k], 0, boxes_[k]->isChecked() ? "Y" : "N");
        info_->SaveColumnInfo();
        QGuiApplication::restoreOverrideCursor();
    }
    QDialog::accept();
}

}  // namespace addressui
