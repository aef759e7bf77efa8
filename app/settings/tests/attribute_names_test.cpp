// The extended attribute names and kinds dialog over the settings environment's options:
// which names OK refuses and which item it names, the template reader's refusals (each
// leaving the dialog as it was) and a good template, and the kinds locked by option 111.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <fstream>

#include "app/settings/attribute_names_dlg.h"
#include "app/settings/tests/settings_sheet_env.h"
#include "app/ui/testing/prompt_recorder.h"
#include "platform/notifier.h"

namespace {
namespace attribute_names_test {

using namespace settingstest;
using rectest::Retype;
using settings::CExtAttrNameDlg;
using ui::U8;

class AttributeNamesTest : public SettingsEnvTest {
protected:
    void SetUp() override {
        SettingsEnvTest::SetUp();
        copy_ = AllStored();
    }
    std::unique_ptr<CExtAttrNameDlg> Open() {
        auto d = std::make_unique<CExtAttrNameDlg>(&copy_);
        d->show();
        return d;
    }
    static QLineEdit* Name(CExtAttrNameDlg& d, int item) {
        return Control<QLineEdit>(&d, CExtAttrNameDlg::kNameIds[static_cast<std::size_t>(item)]);
    }
    static QComboBox* Kind(CExtAttrNameDlg& d, int item) {
        return Control<QComboBox>(&d, CExtAttrNameDlg::kKindIds[static_cast<std::size_t>(item)]);
    }
    static bool Ok(CExtAttrNameDlg& d) {
        Click(&d, 1);
        return d.result() == QDialog::Accepted;
    }
    // A template file with `text` (UTF-8, converted to Shift_JIS).
    QString Template(const char* name, const std::string& utf8) {
        const std::string path = dir_.path().toStdString() + "/" + name;
        std::ofstream(path, std::ios::binary) << S(utf8.c_str());
        return QString::fromStdString(path);
    }
    // Twenty fields: "<prefix>1" ... or the given kinds.
    static std::string Names(const char* prefix, int count = 20) {
        std::string line;
        for (int i = 1; i <= count; ++i) line += (i > 1 ? "," : "") + std::string(prefix) + std::to_string(i);
        return line;
    }

    settings::OptionCopy copy_;
    QTemporaryDir dir_;
    ui::test::FilePickerRecorder files_;
};

TEST_F(AttributeNamesTest, NamesMustBeGivenAndUniqueAmongThemselvesAndTheBasicItems) {
    struct Case {
        std::vector<std::pair<int, const char*>> names;  // item, name
        const char* message;                               // null: stored
        int focusItem;
    };
    const Case cases[] = {
        {{{2, "会社名"}}, "項目Cの属性名称が他と重複しています。", 2},
        {{{19, "更新日時"}}, "項目Tの属性名称が他と重複しています。", 19},
        {{{10, "職業"}}, "項目Dの属性名称が他と重複しています。", 3},
        {{{1, "趣味"}, {19, ""}}, "項目Tの属性名称が入力されていません。", 19},
        {{{0, ""}}, "項目Aの属性名称が入力されていません。", 0},
        // Exact comparison: case and width count.
        {{{4, "fax番号"}, {5, "ＦＡＸ番号"}, {6, "備考 "}}, nullptr, 0},
    };
    for (const Case& c : cases) {
        prompts_.clear();
        copy_ = AllStored();
        auto d = Open();
        for (const auto& [item, name] : c.names) Retype(d.get(), CExtAttrNameDlg::kNameIds[item], name);
        const bool closed = Ok(*d);
        EXPECT_EQ(closed, c.message == nullptr);
        if (c.message != nullptr) {
            ASSERT_EQ(prompts_.prompts().size(), 1u);
            EXPECT_EQ(prompts_.prompts()[0].text, U8(c.message));
            EXPECT_EQ(prompts_.prompts()[0].caption, U8("拡張属性名称入力エラー"));
            EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
            EXPECT_EQ(d->focusWidget(), Name(*d, c.focusItem));
            EXPECT_EQ(copy_, AllStored());
        } else {
            for (const auto& [item, name] : c.names) EXPECT_EQ(copy_[14 + item], S(name));
        }
    }
}

TEST_F(AttributeNamesTest, KindsLoadByNumberAndStoreTheirPosition) {
    copy_[34] = "2";
    copy_[35] = "7";
    copy_[36] = "abc";
    copy_[37] = "";
    copy_[38] = "1";
    auto d = Open();
    EXPECT_EQ(Kind(*d, 0)->currentText(), U8("日付"));
    EXPECT_EQ(Kind(*d, 1)->currentText(), U8("文字列"));
    EXPECT_EQ(Kind(*d, 2)->currentText(), U8("文字列"));
    EXPECT_EQ(Kind(*d, 3)->currentText(), U8("文字列"));
    EXPECT_EQ(Kind(*d, 4)->currentText(), U8("数値"));
    Kind(*d, 19)->setCurrentIndex(2);
    ASSERT_TRUE(Ok(*d));
    EXPECT_EQ(copy_[35], "0");
    EXPECT_EQ(copy_[36], "0");
    EXPECT_EQ(copy_[53], "2");
    EXPECT_EQ(copy_[14], S("趣味"));
}

TEST_F(AttributeNamesTest, ABadTemplateChangesNothing) {
    struct Case {
        std::optional<QString> file;  // nothing: the choice cancelled
        const char* message;
        const char* caption;
    };
    const Case cases[] = {
        {std::nullopt, "テンプレートファイルの読み込みがキャンセルされました", "読み込みキャンセル"},
        {Template("21.tpl", Names("名") + ",余分\r\n" + Names("") + "\r\n"), "テンプレートファイルの形式が正しくありません",
         "テンプレートファイル異常"},
        {Template("19.tpl", Names("名") + "\r\n" + Names("", 19) + "\r\n"), "テンプレートファイルの形式が正しくありません",
         "テンプレートファイル異常"},
        {Template("one.tpl", Names("名") + "\r\n"), "テンプレートファイルの形式が正しくありません", "テンプレートファイル異常"},
        {Template("kind3.tpl", Names("名") + "\r\n0,1,2,0,1,2,0,1,2,0,1,2,0,1,2,0,1,2,0,3\r\n"),
         "テンプレートファイルが異常です\r\n型は、0:文字列、1:数値、2:日付 の3種類のみが有効です", "テンプレートファイル異常"},
        {Template("minus.tpl", Names("名") + "\r\n-1,1,2,0,1,2,0,1,2,0,1,2,0,1,2,0,1,2,0,1\r\n"),
         "テンプレートファイルが異常です\r\n型は、0:文字列、1:数値、2:日付 の3種類のみが有効です", "テンプレートファイル異常"},
        {dir_.path() + "/missing.tpl", "テンプレートファイルが開けません", "テンプレートファイル異常"},
    };
    for (const Case& c : cases) {
        prompts_.clear();
        auto d = Open();
        files_.Answer(c.file);
        Click(d.get(), CExtAttrNameDlg::kIdcTemplate);
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        EXPECT_EQ(prompts_.prompts()[0].text, U8(c.message));
        EXPECT_EQ(prompts_.prompts()[0].caption, U8(c.caption));
        for (int k = 0; k < CExtAttrNameDlg::kItems; ++k) {
            EXPECT_EQ(Name(*d, k)->text(), U8(rectest::Attributes()[static_cast<std::size_t>(k)].first));
            EXPECT_EQ(Kind(*d, k)->currentIndex(), rectest::Attributes()[static_cast<std::size_t>(k)].second);
        }
    }
    const ui::FileRequest& request = files_.picks().front().request;
    EXPECT_FALSE(request.save);
    EXPECT_TRUE(request.fileMustExist);
    EXPECT_EQ(request.defaultExt, QStringLiteral("tpl"));
    EXPECT_EQ(request.fileName, QStringLiteral("*.tpl"));
    EXPECT_EQ(request.filter, U8("テンプレート(*.tpl)|*.tpl|テキスト(*.txt)|*.txt|全て(*.*)|*.*||"));
}

TEST_F(AttributeNamesTest, AGoodTemplateFillsTheControlsAndOkStoresThem) {
    auto d = Open();
    // A quoted name may hold the comma; fields 2-20 are "名2" ... "名20".
    std::string names = "\"氏名,カナ\"";
    for (int i = 2; i <= 20; ++i) names += ",名" + std::to_string(i);
    files_.Answer(Template("good.tpl", names + "\r\n2,1,x,0,1,2,0,1,2,0,1,2,0,1,2,0,1,2,0, 2\r\n無視される行\r\n"));
    Click(d.get(), CExtAttrNameDlg::kIdcTemplate);
    EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join(u'|').toStdString();
    EXPECT_EQ(Name(*d, 0)->text(), U8("氏名,カナ"));
    EXPECT_EQ(Name(*d, 19)->text(), U8("名20"));
    EXPECT_EQ(Kind(*d, 0)->currentText(), U8("日付"));
    EXPECT_EQ(Kind(*d, 2)->currentText(), U8("文字列"));  // not a number: 0
    EXPECT_EQ(Kind(*d, 19)->currentText(), U8("日付"));
    EXPECT_EQ(copy_[14], S("趣味"));  // only the controls changed
    ASSERT_TRUE(Ok(*d));
    EXPECT_EQ(copy_[14], S("氏名,カナ"));
    EXPECT_EQ(copy_[33], S("名20"));
    EXPECT_EQ(copy_[34], "2");
    EXPECT_EQ(copy_[36], "0");
}

TEST_F(AttributeNamesTest, OptionOneHundredElevenLocksNineKindsAndTheTemplate) {
    Set(111, "Y");
    copy_[34] = "9";  // A, locked: shown and kept as 文字列
    copy_[50] = "1";  // Q, locked
    auto d = Open();
    for (int k = 0; k < CExtAttrNameDlg::kItems; ++k) {
        const bool locked = k <= 5 || (k >= 16 && k <= 18);
        EXPECT_EQ(Kind(*d, k)->isEnabled(), !locked) << k;
        EXPECT_TRUE(Name(*d, k)->isEnabled()) << k;
    }
    EXPECT_FALSE(Control<QPushButton>(d.get(), CExtAttrNameDlg::kIdcTemplate)->isEnabled());
    Kind(*d, 6)->setCurrentIndex(2);
    ASSERT_TRUE(Ok(*d));
    EXPECT_EQ(copy_[34], "0");
    EXPECT_EQ(copy_[50], "1");
    EXPECT_EQ(copy_[40], "2");

    Set(111, "N");
    auto open = Open();
    EXPECT_TRUE(Kind(*open, 0)->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(open.get(), CExtAttrNameDlg::kIdcTemplate)->isEnabled());
}

}  // namespace attribute_names_test
}  // namespace
