#include "app/ui/sjis_input.h"

#include <QLocale>
#include <QPointer>
#include <QSet>
#include <QTextBoundaryFinder>
#include <QTimer>
#include <QWidget>

#include <algorithm>

#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace ui {
namespace {

constexpr qsizetype kNamedAtMost = 40;  // characters listed in a message
constexpr qsizetype kNamedPerLine = 10;

bool IsVariationSelector(char32_t c) { return (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF); }

// Whether every UTF-16 unit of `text` is a Shift_JIS character by itself: the common case,
// decided without looking for clusters.
bool AllUnitsKept(const QString& text) {
    for (const QChar c : text)
        if (!IsSjisCharacter(c.unicode())) return false;
    return true;
}

// The cluster as a message shows it: itself when something of it can be seen, else the
// numbers of its code points ("U+200D").
QString Shown(const QString& cluster) {
    bool visible = false;
    for (const char32_t c : cluster.toUcs4()) {
        const auto category = QChar::category(c);
        if (category != QChar::Mark_NonSpacing && category != QChar::Mark_SpacingCombining &&
            category != QChar::Mark_Enclosing && category != QChar::Other_Format && category != QChar::Other_Control &&
            category != QChar::Other_Surrogate && !QChar::isSpace(c) && !IsVariationSelector(c))
            visible = true;
    }
    if (visible) return cluster;
    QStringList codes;
    for (const char32_t c : cluster.toUcs4())
        codes << QStringLiteral("U+") + QString::number(static_cast<uint>(c), 16).toUpper().rightJustified(4, QLatin1Char('0'));
    return codes.join(QLatin1Char(' '));
}

QString WithCommas(std::size_t n) { return QLocale(QLocale::English).toString(static_cast<qulonglong>(n)); }

}  // namespace

KeptInput KeepSjisCharacters(const QString& input) {
    KeptInput out;
    if (AllUnitsKept(input)) {
        out.text = input;
        return out;
    }
    out.text.reserve(input.size());
    // The characters named so far, for the check that names each once: a paste of Chinese
    // text or emoji leaves out thousands of different ones, and a search of the list for
    // each would cost time that grows with the square of their number.
    QSet<QString> named;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, input);
    qsizetype start = 0;
    while (start < input.size()) {
        qsizetype end = finder.toNextBoundary();
        if (end <= start) end = input.size();
        const QString cluster = input.mid(start, end - start);
        start = end;
        QString kept;
        bool keep = true;
        for (const char32_t c : cluster.toUcs4()) {
            if (IsVariationSelector(c)) continue;
            if (!IsSjisCharacter(c)) {
                keep = false;
                break;
            }
            kept += QString::fromUcs4(&c, 1);
        }
        if (keep) {
            out.text += kept;
        } else if (cluster.size() == 1 && QChar::isSpace(cluster.at(0).unicode())) {
            out.text += QLatin1Char(' ');
        } else if (!named.contains(cluster)) {
            named.insert(cluster);
            out.dropped << cluster;
        }
    }
    return out;
}

namespace {

// `lead`, then the characters under `heading`, a few to a line.
QString CharacterListMessage(const char* lead, const char* heading, const QStringList& characters) {
    QString text = QString::fromUtf8(lead) + QString::fromUtf8("\r\n\r\n　　") + QString::fromUtf8(heading) +
                   QString::fromUtf8("\r\n　　　");
    const qsizetype named = std::min(characters.size(), kNamedAtMost);
    for (qsizetype i = 0; i < named; ++i) {
        if (i > 0 && i % kNamedPerLine == 0) text += QString::fromUtf8("\r\n　　　");
        text += QString::fromUtf8("「") + Shown(characters.at(i)) + QString::fromUtf8("」");
    }
    if (characters.size() > named)
        text += QString::fromUtf8("\r\n　　　ほか%1文字").arg(characters.size() - named);
    return text + QStringLiteral("\r\n");
}

}  // namespace

QString DroppedCharactersMessage(const QStringList& dropped, bool nameThem) {
    if (!nameThem)
        return QString::fromUtf8("このソフトでは使用できない文字が含まれていたため、その文字を取り除いて入力しました。");
    return CharacterListMessage("以下の文字はこのソフトでは使用できないため、取り除いて入力しました。",
                                "- 取り除いた文字 -", dropped);
}

QString UnshownCharactersMessage(const QStringList& characters) {
    return CharacterListMessage("以下の文字はこのソフトでは使用できないため、表示や送信の際には空白になります。",
                                "- 使用できない文字 -", characters);
}

QString CutAtLimitMessage(std::size_t limitBytes) {
    return QString::fromUtf8("入力できる長さを超えたため、超えた分を切り捨てて入力しました。\r\n"
                             "この欄に入力できるのは半角%1文字(全角%2文字)までです。")
        .arg(WithCommas(limitBytes), WithCommas(limitBytes / 2));
}

void TellInputAltered(QWidget* edit, const QStringList& dropped, std::size_t cutAtBytes, bool nameThem) {
    if (edit == nullptr || (dropped.isEmpty() && cutAtBytes == 0)) return;
    QStringList parts;
    if (!dropped.isEmpty()) parts << DroppedCharactersMessage(dropped, nameThem);
    if (cutAtBytes != 0) parts << CutAtLimitMessage(cutAtBytes);
    const QString text = parts.join(QStringLiteral("\r\n"));
    QPointer<QWidget> target(edit);
    QTimer::singleShot(0, edit, [target, text] {
        if (target) MessageBox(target->window(), text, QString::fromUtf8("注意"), platform::kMbOk | platform::kMbIconWarning);
    });
}

}  // namespace ui
