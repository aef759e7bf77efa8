// Qt's own texts come in Japanese in the program, whatever the session's locale.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTranslator>

#include "app/ui/qt_translations.h"
#include "app/ui/sjis_text.h"

namespace {

TEST(QtTranslations, TheFileDialogSpeaksJapanese) {
    QTranslator* translator = ui::InstallQtTranslations();
    ASSERT_NE(translator, nullptr) << "Qt's translations are not installed";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), ui::U8("キャンセル"));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    ASSERT_NE(buttons->button(QDialogButtonBox::Cancel), nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), ui::U8("キャンセル"));
    // The other tests of this program read Qt's texts as they are without it.
    QCoreApplication::removeTranslator(translator);
    delete translator;
}

}  // namespace
