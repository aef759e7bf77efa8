#include "app/composer/text_reflection.h"

#include <QString>

#include "app/compose/confirm_dialog.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace compose {

const std::array<ReflectCarrier, 4> kReflectCarriers = {{
    {"NTT DoCoMo", 30, 10000, 2097152, 10},
    {"au TU-KA", 100, 10000, 512000, 5},
    {"SoftBank", 40, 10000, 256000, 20},
    {"WILLCOM", 256, 40000, 358400, 20},
}};

namespace {

bool AskOk(QWidget* owner, const QString& text) {
    return ui::MessageBox(owner, text, ui::U8("確認"), platform::kMbOkCancel | platform::kMbIconQuestion) ==
           platform::kIdOk;
}

bool AskCut(QWidget* owner, const char* what, const ReflectCarrier& carrier, int limit) {
    const QString text = ui::U8("%1向けメールの%2には半角%3文字(全角%4文字)まで入力可能です。\r\n")
                             .arg(QString::fromLatin1(carrier.name), ui::U8(what), QString::number(limit),
                                  QString::number(limit / 2)) +
                         ui::U8("[OK]ボタンをクリックすると%1文字目までがコピーされます。").arg(limit);
    return AskOk(owner, text);
}

QString WithoutAttachments(const ReflectCarrier& carrier) {
    return ui::U8("[OK]ボタンをクリックすると添付ファイル以外の情報が%1向けメールに反映されます。")
        .arg(QString::fromLatin1(carrier.name));
}

}  // namespace

bool ConfirmReflection(QWidget* owner, int height, int width, const char* message) {
    CConfirmDialog dialog(owner);
    dialog.SetKeyName(QStringLiteral("MAILREFLECT"));
    dialog.SetDialogSize(height, width);
    dialog.SetCaption(ui::U8("確認"));
    dialog.SetMessage(ui::U8(message));
    dialog.SetStyle(CConfirmDialog::kStyleQuestion | CConfirmDialog::kStyleOkCancel);
    return dialog.DoModal() == platform::kIdOk;
}

bool AskTextCuts(QWidget* owner, const std::string& subject, const std::string& body) {
    for (const ReflectCarrier& carrier : kReflectCarriers) {
        if (static_cast<std::size_t>(carrier.subjectLimit) < subject.size() &&
            !AskCut(owner, "件名", carrier, carrier.subjectLimit))
            return false;
    }
    for (const ReflectCarrier& carrier : kReflectCarriers) {
        if (static_cast<std::size_t>(carrier.bodyLimit) < body.size() && !AskCut(owner, "本文", carrier, carrier.bodyLimit))
            return false;
    }
    return true;
}

bool AskAttachmentFlags(QWidget* owner, std::size_t first, std::uint64_t total, int count, bool docomoInMegabytes,
                        bool* flags) {
    for (std::size_t i = first; i < kReflectCarriers.size(); ++i) flags[i - first] = true;
    for (std::size_t i = first; i < kReflectCarriers.size(); ++i) {
        const ReflectCarrier& carrier = kReflectCarriers[i];
        const QString name = QString::fromLatin1(carrier.name);
        if (total > carrier.attachmentTotal) {
            const bool megabytes = docomoInMegabytes && i == 0;
            const QString head =
                megabytes ? ui::U8("%1向けメールに添付可能なファイルの合計サイズは%2Mバイトまでです。\r\n")
                                .arg(name, QString::number(carrier.attachmentTotal / 1048576))
                          : ui::U8("%1向けメールに添付可能なファイルの合計サイズは%2Kバイトまでです。\r\n")
                                .arg(name, QString::number(carrier.attachmentTotal / 1024));
            if (!AskOk(owner, head + WithoutAttachments(carrier))) return false;
            flags[i - first] = false;
        }
        if (count > carrier.attachmentCount) {
            const QString head = ui::U8("%1向けメールに添付可能なファイルの総数は%2までです。\r\n")
                                     .arg(name, QString::number(carrier.attachmentCount));
            if (!AskOk(owner, head + WithoutAttachments(carrier))) return false;
            flags[i - first] = false;
        }
    }
    return true;
}

}  // namespace compose
