#include "app/settings/attribute_names_dlg.h"

#include <QLabel>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/environment/environment_service.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/csv_read.h"
#include "core/foundation/system_option.h"
#include "platform/notifier.h"

namespace settings {
namespace {

// The address book's own items, whose names an extended attribute may not take.
const char* const kBasicNames[] = {
    "個人情報ID", "メールアドレス", "名前(姓)", "名前(名)", "かな(せい)", "かな(めい)", "会社名",
    "部署名", "生年月日", "郵便番号", "都道府県", "市区町村", "番地以下", "電話番号",
    "FAX番号", "携帯番号", "DM送付可否", "DM以外送付可否", "削除フラグ", "登録日時", "更新日時",
};

// The kinds whose lists option 111 locks: A-F and Q-S.
bool KindLockable(int item) { return item <= 5 || (item >= 16 && item <= 18); }

QString ItemLabel(int item) { return ui::U8("項目") + QChar(u'A' + item); }

}  // namespace

const std::array<int, CExtAttrNameDlg::kItems> CExtAttrNameDlg::kNameIds = {
    1168, 1171, 1174, 1177, 1180, 1183, 1186, 1188, 1032, 1034,
    1037, 1041, 1045, 1048, 1051, 1054, 1058, 1062, 1066, 1070};
const std::array<int, CExtAttrNameDlg::kItems> CExtAttrNameDlg::kKindIds = {
    1103, 1105, 1109, 1113, 1117, 1121, 1124, 1133, 1127, 1130,
    1134, 1136, 1139, 1142, 1145, 1148, 1151, 1154, 1157, 1160};

CExtAttrNameDlg::CExtAttrNameDlg(OptionCopy* options, QWidget* parent)
    : COptionDlg(kIdd, "拡張属性名称/型の設定", options, parent) {
    auto* grid = new QGridLayout;
    for (int k = 0; k < kItems; ++k) {
        const int column = (k / 10) * 4;
        const int row = k % 10;
        names_[k] = shell::dialogs::MakeEdit(this, kNameIds[k]);
        kinds_[k] = ui::SetControlId(new QComboBox(this), kKindIds[k]);
        for (const char* kind : {"文字列", "数値", "日付"}) kinds_[k]->addItem(ui::U8(kind));
        grid->addWidget(shell::dialogs::MakeLabel(this, ItemLabel(k)), row, column);
        grid->addWidget(names_[k], row, column + 1);
        grid->addWidget(kinds_[k], row, column + 2);
    }
    grid->setColumnMinimumWidth(3, 16);
    Body()->addLayout(grid);
    auto* templateRow = new QHBoxLayout;
    template_ = shell::dialogs::MakeButton(this, ui::U8("名称定義テンプレートの読み込み"), kIdcTemplate);
    templateRow->addWidget(template_);
    templateRow->addStretch();
    Body()->addLayout(templateRow);
    AddButtons();
    connect(template_, &QPushButton::clicked, this, &CExtAttrNameDlg::OnLoadTemplate);

    // Read from the store itself: the copy carries it only through.
    std::string locked;
    if (SystemOption* store = shell::GetSystemOption(); store && store->GetSODataFromMemoryPinPoint(kSlotLockedKinds, locked) == 0)
        kindsLocked_ = locked == "Y";
}

void CExtAttrNameDlg::SelectKind(QComboBox* list, long long kind) {
    list->setCurrentIndex(kind >= 0 && kind <= 2 ? static_cast<int>(kind) : 0);
}

void CExtAttrNameDlg::ExchangeOptions(bool load) {
    for (int k = 0; k < kItems; ++k) {
        if (load) {
            names_[k]->setText(SlotText(Options(), kSlotFirstName + k));
            // Only a plain kind number selects its kind; anything else shows 文字列.
            const QString kind = SlotText(Options(), kSlotFirstKind + k);
            SelectKind(kinds_[k], kind.isEmpty() ? 0 : LeadingNumber(kind));
        } else {
            SetSlot(Options(), kSlotFirstName + k, names_[k]->text());
            SetSlot(Options(), kSlotFirstKind + k, QString::number(std::max(0, kinds_[k]->currentIndex())));
        }
    }
}

void CExtAttrNameDlg::UpdateEnabling() {
    for (int k = 0; k < kItems; ++k)
        if (KindLockable(k)) kinds_[k]->setEnabled(!kindsLocked_);
    template_->setEnabled(!kindsLocked_);
}

bool CExtAttrNameDlg::CheckInput() {
    const QString title = ui::U8("拡張属性名称入力エラー");
    std::vector<std::string> all;
    for (int k = 0; k < kItems; ++k) {
        if (names_[k]->text().isEmpty()) {
            Refuse(ItemLabel(k) + ui::U8("の属性名称が入力されていません。"), title, kNameIds[k]);
            return false;
        }
        all.push_back(ui::ToSjis(names_[k]->text()));
    }
    for (const char* basic : kBasicNames) all.push_back(ui::ToSjis(ui::U8(basic)));
    for (int k = 0; k < kItems; ++k) {
        if (std::count(all.begin(), all.end(), all[static_cast<std::size_t>(k)]) > 1) {
            Refuse(ItemLabel(k) + ui::U8("の属性名称が他と重複しています。"), title, kNameIds[k]);
            return false;
        }
    }
    return true;
}

CExtAttrNameDlg::Template CExtAttrNameDlg::ReadTemplate(const std::string& path) {
    Template t;
    CsvRead csv;
    if (csv.OpenFile(path) != 1) {
        t.error = ui::U8("テンプレートファイルが開けません");
        return t;
    }
    for (int record = 0; record < 2; ++record) {
        const int fields = csv.ReadLine();
        if (fields < 0 && csv.IsReadError()) {
            t.error = ui::U8("テンプレートファイルが開けません");
            return t;
        }
        if (fields != kItems) {
            t.error = ui::U8("テンプレートファイルの形式が正しくありません");
            return t;
        }
        for (int i = 0; i < kItems; ++i) {
            const std::string_view field = csv.GetDataView(i);
            if (record == 0) {
                t.names.emplace_back(field);
                continue;
            }
            const long long kind = LeadingNumber(QString::fromLatin1(field.data(), static_cast<qsizetype>(field.size())));
            if (kind < 0 || kind > 2) {
                t.error = ui::U8("テンプレートファイルが異常です\r\n型は、0:文字列、1:数値、2:日付 の3種類のみが有効です");
                return t;
            }
            t.kinds.push_back(static_cast<int>(kind));
        }
    }
    return t;
}

void CExtAttrNameDlg::OnLoadTemplate() {
    ui::FileRequest request;
    request.defaultExt = QStringLiteral("tpl");
    request.fileName = QStringLiteral("*.tpl");
    request.fileMustExist = true;
    request.filter = ui::U8("テンプレート(*.tpl)|*.tpl|テキスト(*.txt)|*.txt|全て(*.*)|*.*||");
    const std::optional<QString> path = ui::CurrentFilePicker().PickFile(this, request);
    if (!path) {
        ui::MessageBox(this, ui::U8("テンプレートファイルの読み込みがキャンセルされました"), ui::U8("読み込みキャンセル"),
                       platform::kMbOk | platform::kMbIconInformation);
        return;
    }
    const Template t = ReadTemplate(ui::ToPath(*path));
    if (!t.error.isEmpty()) {
        ui::MessageBox(this, t.error, ui::U8("テンプレートファイル異常"), platform::kMbOk | platform::kMbIconWarning);
        return;
    }
    for (int k = 0; k < kItems; ++k) {
        names_[k]->setText(ui::FromSjis(t.names[static_cast<std::size_t>(k)]));
        SelectKind(kinds_[k], t.kinds[static_cast<std::size_t>(k)]);
    }
}

}  // namespace settings
