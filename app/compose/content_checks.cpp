#include "app/compose/content_checks.h"

#include <algorithm>

#include "app/mailtext/carrier_text_converter.h"
#include "app/mailtext/sjis_chars.h"
#include "app/mailtext/text_utils.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/string_utils.h"
#include "core/mailstore/mail_word_insert.h"
#include "platform/notifier.h"

namespace compose {

namespace {

using ui::U8;

QString Sjis(std::string_view text) { return ui::FromSjis(text); }
QString Number(uint64_t n) { return QString::fromLatin1(FormatNumberWithCommas(n).c_str()); }

// "保存…" for a draft, "送信…" otherwise.
QString SaveOrSend(int purpose, const char* save, const char* send) { return U8(purpose == kPurposeSave ? save : send); }

// How a kind's texts are tested for machine-dependent characters.
enum class CharRule {
    kStrict,              // PC, WILLCOM
    kStrictPictograms,    // NTT DoCoMo, au TU-KA
    kSoftbank,            // relaxed with pictograms when the text holds one, else strict
};

bool CollectFor(CharRule rule, const std::string& text, CArrayOfString& found) {
    switch (rule) {
        case CharRule::kStrict: return CollectMachineDependentChars(text, false, false, found);
        case CharRule::kStrictPictograms: return CollectMachineDependentChars(text, false, true, found);
        case CharRule::kSoftbank: {
            const bool pictograms = HasPictogram(text);
            return CollectMachineDependentChars(text, pictograms, pictograms, found);
        }
    }
    return true;
}

// One section of the machine-dependent character message ("" when the text has none).
QString CharSection(CharRule rule, const std::string& text, const QString& heading) {
    CArrayOfString found;
    if (CollectFor(rule, text, found)) return QString();
    return heading + MachineDependentListing(found);
}

struct TextKind {
    const char* name;
    int subjectLimit;
    int bodyLimit;
    CharRule chars;
};
constexpr std::array<TextKind, 5> kTextKinds = {{
    {"PC", 512, 100000, CharRule::kStrict},
    {"NTT DoCoMo", 30, 10000, CharRule::kStrictPictograms},
    {"au TU-KA", 100, 10000, CharRule::kStrictPictograms},
    {"SoftBank", 40, 10000, CharRule::kSoftbank},
    {"WILLCOM", 256, 40000, CharRule::kStrict},
}};

struct MobileKind {
    int kind;
    const char* name;
    int subjectLimit;
    int partsLimit;  // TEXT part + HTML part
    CharRule chars;
};
constexpr std::array<MobileKind, 3> kMobileKinds = {{
    {kKindHtmlDocomo, "NTT DoCoMo", 30, 10000, CharRule::kStrictPictograms},
    {kKindHtmlAu, "au TU-KA", 100, 10000, CharRule::kStrictPictograms},
    {kKindHtmlSoftbank, "SoftBank", 512, 30720, CharRule::kSoftbank},
}};

// The subject limit message of the HTML checks (the limit written with commas).
QString HtmlSubjectOver(const char* name, int limit) {
    return U8("%1向けメールの送信先の中に、\r\n\r\n　「件名の基本属性・拡張属性展開後の文字数」\r\n\r\nが%2文字を超える"
              "送信先が存在するため、送信できません。\r\n%3向けメールの件名は%4文字まで設定できます。")
        .arg(U8(name), Number(static_cast<uint64_t>(limit)), U8(name), Number(static_cast<uint64_t>(limit)));
}

const char* const kMachineDependentHead = "以下の情報に機種依存文字が含まれます。\r\n";

// The refusal of a mail with machine-dependent characters: where they are (`sections`),
// then that the mail was not sent or saved, and what the person is to do.
QString MachineDependentRefusal(int purpose, const QString& sections) {
    return U8(kMachineDependentHead) + sections +
           SaveOrSend(purpose,
                      "\r\n機種依存文字が含まれているため、このメールは保存されていません。\r\n"
                      "上記の文字を他の文字に置き換えてから、もう一度保存してください。",
                      "\r\n機種依存文字が含まれているため、このメールは送信されていません。\r\n"
                      "上記の文字を他の文字に置き換えてから、もう一度送信してください。");
}
const char* const kEmptyHead = "以下の情報が未入力ですが、このまま";
const char* const kSaveQuestion = "保存してもよろしいですか？\r\n\r\n";
const char* const kSendQuestion = "送信してもよろしいですか？\r\n\r\n";

// Merge fields that the merge leaves as they stand (a mistyped or unknown name): where
// they were found and which, for one question after the checks.
class UnknownFields {
public:
    // Looks in `text` (html: an HTML part, where both forms of a field count); `place` is
    // the line that names the text. Names in `known` (asked about elsewhere) are passed over.
    void Look(const std::string& text, int html, const QString& place, const CArrayOfString& known = {}) {
        std::vector<std::string> found;
        MailWordInsert::FindUnknownFields(text, html, found);
        bool any = false;
        for (const std::string& field : found) {
            if (known.IsInEntryString(field)) continue;
            any = true;
            if (!fields_.IsInEntryString(field)) fields_.push_back(field);
        }
        if (any) places_ += place;
    }
    bool empty() const { return fields_.empty(); }
    QString Question(int purpose) const {
        QString text = U8("以下の情報から差し込みできない個人情報差込タグを検出しました。\r\nこのメールを送信する場合、"
                          "本タグを使用している箇所には個人情報は挿入されずにこのままの状態で送信されます。\r\nこのまま") +
                       SaveOrSend(purpose, kSaveQuestion, kSendQuestion) + U8("差し込みできない差込タグ検出箇所：\r\n") +
                       places_ + U8("\r\n検出した差込タグ：\r\n");
        for (const std::string& field : fields_) text += U8("　") + Sjis(field) + QStringLiteral("\r\n");
        return text;
    }

private:
    QString places_;
    CArrayOfString fields_;
};

}  // namespace

// ---- Characters and images -----------------------------------------------------------------

bool CollectMachineDependentChars(std::string_view text, bool relaxed, bool allowPictograms, CArrayOfString& found) {
    found.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = IsSjisDoubleByte(text.substr(i)) ? 2 : 1;
        const std::string_view ch = text.substr(i, length);
        bool accepted = false;
        if (length == 2 && allowPictograms && HasPictogram(ch)) accepted = true;
        else accepted = relaxed ? IsJis1990Char(ch) : IsJis1983Char(ch);
        if (!accepted) {
            const std::string c(ch);
            if (!found.IsInEntryString(c)) found.push_back(c);
        }
        i += length;
    }
    return found.empty();
}

QString MachineDependentListing(const CArrayOfString& found) {
    QString out = U8("　　- 検出した機種依存文字 -\r\n　　　");
    for (std::size_t i = 0; i < found.size(); ++i) {
        out += Sjis(found[i]);
        if ((i + 1) % 25 == 0 && i + 1 < found.size()) out += U8("　　\r\n　　　");
    }
    out += QStringLiteral("\r\n");
    return out;
}

bool FindUnusedInlineImages(bool deleteUnused, const std::string& html, CheckedHtmlPage& page,
                            CArrayOfString& unused) {
    unused.clear();
    CHtmlElems elems;
    ExtractHtmlElement(html, elems, 0);
    CArrayOfString sources;
    elems.GetAttrVals("img", "src", sources);
    std::vector<std::string> wanted;
    for (const std::string& src : sources) {
        std::string s;
        for (std::size_t i = 0; i < src.size(); ++i) {
            if (src[i] == '\r' && i + 1 < src.size() && src[i + 1] == '\n') {
                ++i;  // a line break reads as a blank, and blanks are dropped
                continue;
            }
            if (src[i] == ' ' || src[i] == '\t') continue;
            s += src[i];
        }
        wanted.push_back(LowerAsciiSjis(s));
    }
    const std::vector<PageFileEntry> images = page.InlineImages();
    bool removed = false;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const PageFileEntry& image = images[i];
        if (!image.inlineImage) continue;
        const std::string cid = LowerAsciiSjis("cid:" + image.contentId);
        if (std::find(wanted.begin(), wanted.end(), cid) != wanted.end()) continue;
        const std::string text = "[" + image.contentId + "]  " + image.fileName;
        if (!unused.IsInEntryString(text)) unused.push_back(text);
        if (deleteUnused) {
            page.ClearInlineMark(static_cast<int>(i));
            page.RemoveImageFromEditor(image.contentId);
            removed = true;
        }
    }
    if (removed) page.RebuildHtmlView();
    return unused.empty();
}

// ---- The checks ---------------------------------------------------------------------------

ContentChecker::ContentChecker(QWidget* parent, ComposedMailPages& pages, const CheckStores& stores,
                               const MobileTagRuleTables& tagRules)
    : parent_(parent), pages_(pages), stores_(stores), tagRules_(tagRules) {}

int ContentChecker::Ask(const QString& text, unsigned buttons) {
    return ui::MessageBox(parent_, text, U8("確認"), buttons | platform::kMbIconQuestion);
}

void ContentChecker::Stop(const QString& text, const char* caption) {
    ui::MessageBox(parent_, text, U8(caption), platform::kMbOk | platform::kMbIconWarning);
}

// A measurement failure is shown where its kind is checked; the check goes on with the
// unmerged sizes the measurement left.
namespace {
void ShowFailure(QWidget* parent, const MeasureFailure& failure) {
    if (failure.failed()) ui::MessageBox(parent, failure.text, failure.caption, platform::kMbOk | platform::kMbIconWarning);
}
}  // namespace

bool ContentChecker::CheckTextMail(int purpose, bool askQuestions, const std::vector<int>& pc,
                                   const std::vector<int>& docomo, const std::vector<int>& au,
                                   const std::vector<int>& softbank, const std::vector<int>& willcom) {
    const std::array<const std::vector<int>*, 5> lists = {&pc, &docomo, &au, &softbank, &willcom};

    // Every kind with destinations is measured in one pass over the address book.
    std::array<MailSizeMeasure, 5> measures;
    std::vector<MailSizeMeasure*> toMeasure;
    for (int t = 0; t < 5; ++t) {
        if (lists[t]->empty()) continue;
        MailSizeMeasure& m = measures[t];
        m.mode = purpose;
        m.kind = kKindTextPc + t;
        m.texts = {pages_.TextSubject(t), pages_.TextBody(t), std::string()};
        m.ids = lists[t];
        toMeasure.push_back(&m);
    }
    std::vector<MeasureFailure> failures;
    MeasureMailSizes(toMeasure, stores_, failures);

    std::array<bool, 5> subjectEmpty{}, bodyEmpty{}, oldInSubject{}, oldInBody{};
    CArrayOfString oldTags;
    UnknownFields unknown;
    std::size_t measured = 0;
    for (int t = 0; t < 5; ++t) {
        if (lists[t]->empty()) continue;
        const TextKind& k = kTextKinds[t];
        const MailSizeMeasure& m = measures[t];
        ShowFailure(parent_, failures[measured++]);
        const std::string& subject = m.texts[0];
        const std::string& body = m.texts[1];

        if (m.result.sizes[0] > k.subjectLimit) {
            Stop(U8("%1向けメールの送信先の中に、\r\n\r\n　「件名の基本属性・拡張属性展開後の文字数」\r\n\r\nが%2文字を超える"
                    "送信先が存在するため、送信できません。\r\n%3向けメールの件名は%4文字まで設定できます。")
                     .arg(U8(k.name)).arg(k.subjectLimit).arg(U8(k.name)).arg(k.subjectLimit),
                 "注意");
            return false;
        }
        if (m.result.sizes[1] > k.bodyLimit) {
            Stop(U8("%1向けメールの送信先の中に、\r\n\r\n　「本文の基本属性・拡張属性展開後の文字数」\r\n\r\nが%2文字を超える"
                    "送信先が存在するため、送信できません。\r\n%3向けメールの本文は%4文字まで設定できます。")
                     .arg(U8(k.name), Number(static_cast<uint64_t>(k.bodyLimit)), U8(k.name),
                          Number(static_cast<uint64_t>(k.bodyLimit))),
                 "注意");
            return false;
        }
        const QString inSubject = CharSection(k.chars, subject, U8("\r\n　・%1向けメール件名\r\n").arg(U8(k.name)));
        const QString inBody = CharSection(k.chars, body, U8("\r\n　・%1向けメール本文\r\n").arg(U8(k.name)));
        if (!inSubject.isEmpty() || !inBody.isEmpty()) {
            Stop(MachineDependentRefusal(purpose, inSubject + inBody), "注意");
            return false;
        }
        for (int part = 0; part < 2; ++part) {
            std::vector<std::string> found;
            MailWordInsert::CheckOldMailWord(part == 0 ? subject : body, found);
            if (found.empty()) continue;
            (part == 0 ? oldInSubject : oldInBody)[t] = true;
            for (const std::string& tag : found)
                if (!oldTags.IsInEntryString(tag)) oldTags.push_back(tag);
        }
        unknown.Look(subject, 0, U8("　・%1向けメールの件名\r\n").arg(U8(k.name)), oldTags);
        unknown.Look(body, 0, U8("　・%1向けメールの本文\r\n").arg(U8(k.name)), oldTags);
        subjectEmpty[t] = m.result.sizes[0] == 0;
        bodyEmpty[t] = m.result.sizes[1] == 0;
    }
    if (!askQuestions) return true;

    const QString question = SaveOrSend(purpose, kSaveQuestion, kSendQuestion);
    if (!oldTags.empty()) {
        QString text = U8("以下の情報から旧バージョンの個人情報差込タグを検出しました。\r\nこのメールを送信する場合、"
                          "本タグを使用している箇所には個人情報は挿入されずにこのままの状態で送信されます。\r\nこのまま") +
                       question + U8("旧バージョンの個人情報差込タグ検出箇所：\r\n");
        for (int t = 0; t < 5; ++t) {
            if (oldInSubject[t]) text += U8("　・%1向けメールの件名\r\n").arg(U8(kTextKinds[t].name));
            if (oldInBody[t]) text += U8("　・%1向けメールの本文\r\n").arg(U8(kTextKinds[t].name));
        }
        text += U8("\r\n検出した旧バージョンの差込タグ：\r\n");
        for (const std::string& tag : oldTags) text += U8("　") + Sjis(tag) + QStringLiteral("\r\n");
        if (Ask(text, platform::kMbOkCancel) != platform::kIdOk) return false;
    }
    if (!unknown.empty() && Ask(unknown.Question(purpose), platform::kMbOkCancel) != platform::kIdOk) return false;
    QString empties;
    for (int t = 0; t < 5; ++t) {
        if (subjectEmpty[t]) empties += U8("　・%1向けメールの件名\r\n").arg(U8(kTextKinds[t].name));
        if (bodyEmpty[t]) empties += U8("　・%1向けメールの本文\r\n").arg(U8(kTextKinds[t].name));
    }
    if (!empties.isEmpty() && Ask(U8(kEmptyHead) + question + empties, platform::kMbOkCancel) != platform::kIdOk)
        return false;
    return true;
}

bool ContentChecker::CheckHtmlMailPc(int purpose, bool askQuestions, const std::vector<int>& pc) {
    CheckedHtmlPage* page = pages_.HtmlPage(kKindHtmlPc);
    if (pc.empty() || page == nullptr) return true;
    const std::vector<PageFileEntry> inlineImages = page->InlineImages();
    const std::vector<PageFileEntry> attachments = page->Attachments();
    MailSizeMeasure m;
    m.mode = purpose;
    m.kind = kKindHtmlPc;
    m.texts = {page->Subject(), page->HtmlPart(), page->TextPart()};
    m.inlineImages = &inlineImages;
    m.attachments = &attachments;
    m.ids = &pc;
    std::vector<MeasureFailure> failures;
    MeasureMailSizes({&m}, stores_, failures);
    ShowFailure(parent_, failures[0]);
    const std::string& subject = m.texts[0];
    const std::string& html = m.texts[1];
    const std::string& textPart = m.texts[2];

    if (m.result.sizes[0] > 512) {
        Stop(HtmlSubjectOver("PC", 512), "注意");
        return false;
    }
    for (const char* part : {"HTML", "TEXT"}) {
        const int64_t size = m.result.sizes[part[0] == 'H' ? 1 : 2];
        if (size <= 100000) continue;
        Stop(U8("送信先の中に、\r\n\r\n　「基本属性・拡張属性展開後の%1パートサイズ」\r\n\r\nが%2文字を超える送信先が存在するため、"
                "送信できません。\r\n%3向けメールで送信可能な%4パートの最大サイズは%5バイトです。")
                 .arg(U8(part), Number(100000), U8("PC"), U8(part), Number(100000)),
             "確認");
        return false;
    }
    const QString chars = CharSection(CharRule::kStrict, subject, U8("\r\n　・件名\r\n")) +
                          CharSection(CharRule::kStrict, textPart, U8("\r\n　・TEXTパート\r\n")) +
                          CharSection(CharRule::kStrict, html, U8("\r\n　・HTMLパート\r\n"));
    if (!chars.isEmpty()) {
        Stop(MachineDependentRefusal(purpose, chars), "注意");
        return false;
    }
    if (!askQuestions) return true;

    UnknownFields unknown;
    unknown.Look(subject, 0, U8("　・件名\r\n"));
    unknown.Look(textPart, 0, U8("　・TEXTパート\r\n"));
    unknown.Look(html, 1, U8("　・HTMLパート\r\n"));
    if (!unknown.empty() && Ask(unknown.Question(purpose), platform::kMbOkCancel) != platform::kIdOk) return false;

    QString empties;
    if (m.result.sizes[0] == 0) empties += U8("　・件名\r\n");
    if (m.result.sizes[2] == 0) empties += U8("　・TEXTパート\r\n");
    if (m.result.sizes[1] == 0) empties += U8("　・HTMLパート\r\n");
    if (!empties.isEmpty() &&
        Ask(U8(kEmptyHead) + SaveOrSend(purpose, kSaveQuestion, kSendQuestion) + empties, platform::kMbOkCancel) !=
            platform::kIdOk)
        return false;

    CArrayOfString unused;
    if (!FindUnusedInlineImages(false, html, *page, unused)) {
        QString text = U8("HTMLパートで未使用のインライン画像を削除してもよろしいですか？\r\n（［いいえ］ボタンをクリックするとそのまま") +
                       SaveOrSend(purpose, "保存します。)\r\n\r\n", "送信します。)\r\n\r\n") + U8("%1向けメール：\r\n").arg(U8("PC"));
        for (const std::string& image : unused) text += U8("　・%1\r\n").arg(Sjis(image));
        const int answer = Ask(text, platform::kMbYesNoCancel);
        if (answer == platform::kIdYes) {
            FindUnusedInlineImages(true, html, *page, unused);
            return true;
        }
        return answer == platform::kIdNo;
    }
    return true;
}

bool ContentChecker::CheckHtmlMailMobile(int purpose, bool askQuestions, const std::vector<int>& docomo,
                                         const std::vector<int>& au, const std::vector<int>& softbank) {
    const std::array<const std::vector<int>*, 3> lists = {&docomo, &au, &softbank};
    struct Carrier {
        CheckedHtmlPage* page = nullptr;
        std::vector<PageFileEntry> inlineImages;
        std::vector<PageFileEntry> attachments;
        MailSizeMeasure measure;
        CHtmlElems tags;
        CArrayOfString unused;
    };
    std::array<Carrier, 3> carriers;
    std::vector<MailSizeMeasure*> toMeasure;
    for (std::size_t c = 0; c < 3; ++c) {
        Carrier& carrier = carriers[c];
        if (lists[c]->empty()) continue;
        carrier.page = pages_.HtmlPage(kMobileKinds[c].kind);
        if (carrier.page == nullptr) continue;
        carrier.inlineImages = carrier.page->InlineImages();
        carrier.attachments = carrier.page->Attachments();
        MailSizeMeasure& m = carrier.measure;
        m.mode = purpose;
        m.kind = kMobileKinds[c].kind;
        m.texts = {carrier.page->Subject(), carrier.page->HtmlPart(), carrier.page->TextPart()};
        m.inlineImages = &carrier.inlineImages;
        m.attachments = &carrier.attachments;
        m.ids = lists[c];
        toMeasure.push_back(&m);
    }
    std::vector<MeasureFailure> failures;
    MeasureMailSizes(toMeasure, stores_, failures);

    QString empties;
    UnknownFields unknown;
    std::size_t measured = 0;
    for (std::size_t c = 0; c < 3; ++c) {
        Carrier& carrier = carriers[c];
        if (carrier.page == nullptr) continue;
        const MobileKind& k = kMobileKinds[c];
        const MailSizeMeasure& m = carrier.measure;
        ShowFailure(parent_, failures[measured++]);
        if (m.result.sizes[0] > k.subjectLimit) {
            Stop(HtmlSubjectOver(k.name, k.subjectLimit), "確認");
            return false;
        }
        if (m.result.sizes[1] + m.result.sizes[2] > k.partsLimit) {
            const QString limit = Number(static_cast<uint64_t>(k.partsLimit));
            Stop(U8("%1向けメールの送信先の中に、\r\n\r\n　「基本属性・拡張属性展開後のTEXTパートとHTMLパートの合計サイズ」\r\n\r\n"
                    "が%2バイトを超える送信先が存在するため、送信できません。\r\n%3向けメールのTEXTパートとHTMLパートは合計%4バイト"
                    "まで設定できます。")
                     .arg(U8(k.name), limit, U8(k.name), limit),
                 "確認");
            return false;
        }
        const QString chars =
            CharSection(k.chars, m.texts[0], U8("\r\n　・%1向けメール件名\r\n").arg(U8(k.name))) +
            CharSection(k.chars, m.texts[2], U8("\r\n　・%1向けメールTEXTパート\r\n").arg(U8(k.name))) +
            CharSection(k.chars, m.texts[1], U8("\r\n　・%1向けメールHTMLパート\r\n").arg(U8(k.name)));
        if (!chars.isEmpty()) {
            Stop(MachineDependentRefusal(purpose, chars), "注意");
            return false;
        }
        if (m.result.sizes[0] == 0) empties += U8("　・%1向けメールの件名\r\n").arg(U8(k.name));
        if (m.result.sizes[2] == 0) empties += U8("　・%1向けメールのTEXTパート\r\n").arg(U8(k.name));
        if (m.result.sizes[1] == 0) empties += U8("　・%1向けメールのHTMLパート\r\n").arg(U8(k.name));
        unknown.Look(m.texts[0], 0, U8("　・%1向けメールの件名\r\n").arg(U8(k.name)));
        unknown.Look(m.texts[2], 0, U8("　・%1向けメールのTEXTパート\r\n").arg(U8(k.name)));
        unknown.Look(m.texts[1], 1, U8("　・%1向けメールのHTMLパート\r\n").arg(U8(k.name)));
        tagRules_.CollectDisallowedTags(k.kind, m.texts[1], carrier.tags);
        FindUnusedInlineImages(false, m.texts[1], *carrier.page, carrier.unused);
    }
    if (!askQuestions) return true;

    if (!unknown.empty() && Ask(unknown.Question(purpose), platform::kMbOkCancel) != platform::kIdOk) return false;
    if (!empties.isEmpty() &&
        Ask(U8(kEmptyHead) + SaveOrSend(purpose, kSaveQuestion, kSendQuestion) + empties, platform::kMbOkCancel) !=
            platform::kIdOk)
        return false;

    QString unusedText;
    for (std::size_t c = 0; c < 3; ++c) {
        if (carriers[c].unused.empty()) continue;
        unusedText += U8("\r\n　%1向けメール：\r\n").arg(U8(kMobileKinds[c].name));
        for (const std::string& image : carriers[c].unused) unusedText += U8("　　%1\r\n").arg(Sjis(image));
    }
    if (!unusedText.isEmpty()) {
        const int answer = Ask(U8("HTMLパートで未使用のインライン画像を削除してもよろしいですか？\r\n（[いいえ]ボタンをクリックするとそのまま") +
                                   SaveOrSend(purpose, "保存します。)\r\n", "送信します。)\r\n") + unusedText,
                               platform::kMbYesNoCancel);
        if (answer == platform::kIdYes) {
            for (Carrier& carrier : carriers) {
                if (carrier.unused.empty()) continue;
                CArrayOfString removed;
                FindUnusedInlineImages(true, carrier.measure.texts[1], *carrier.page, removed);
            }
        } else if (answer != platform::kIdNo) {
            return false;
        }
    }

    QString tagText;
    for (std::size_t c = 0; c < 3; ++c) {
        const CHtmlElems& tags = carriers[c].tags;
        if (tags.empty()) continue;
        const int n = static_cast<int>(tags.size());
        tagText += U8("\r\n　%1向けメール ：\r\n").arg(U8(kMobileKinds[c].name));
        tagText += (n > 9 ? U8("　　%1の非許容タグを検出しました。\r\n\r\n") : U8("　　%1つの非許容タグを検出しました。\r\n\r\n")).arg(n);
        for (int i = 0; i < std::min(n, 5); ++i) {
            std::string tag;
            tags[static_cast<std::size_t>(i)].GetTagString(tag);
            tagText += U8("　　") + Sjis(tag) + QStringLiteral("\r\n");
        }
        if (n > 5) tagText += U8("\r\n　　( %1つ以上非許容タグを検出したため、省略されました。 )\r\n").arg(5);
    }
    if (!tagText.isEmpty()) {
        const QString text = U8("HTMLパートに以下の許容されていないHTMLタグ、あるいは属性が含まれているため、"
                                "携帯端末では正常に表示されない可能性があります。\r\nこのまま") +
                             SaveOrSend(purpose, "保存してよろしいですか？\r\n", "送信してよろしいですか？\r\n") +
                             U8("( 許容されているHTMLタグについては、各キャリアの公式Webサイトを参照して下さい。 )\r\n") + tagText;
        if (Ask(text, platform::kMbOkCancel) != platform::kIdOk) return false;
    }

    const QString finalQuestion = SaveOrSend(purpose, "保存してよろしいですか？", "送信してよろしいですか？");
    // The limits that depend on the images: measured again, as the user may just have
    // dropped some.
    for (std::size_t c = 0; c < 2; ++c) {
        Carrier& carrier = carriers[c];
        if (carrier.page == nullptr) continue;
        const MailSizeResult r = Remeasure(carrier.page, carrier.measure);
        const MobileKind& k = kMobileKinds[c];
        QString text;
        if (k.kind == kKindHtmlDocomo) {
            const bool sizeOver = r.sizes[1] + r.sizes[2] + static_cast<int64_t>(r.inlineTotal) > 10000;
            const bool countOver = r.inlineCount > 10;
            if (!sizeOver && !countOver) continue;
            text = U8("%1向けメールの\r\n").arg(U8(k.name));
            if (sizeOver)
                text += U8("　・「基本属性・拡張属性展開後のテキスト、HTMLパートサイズ」+「インライン画像の合計サイズ」\r\n"
                           "　　が%1バイトを超える送信先が存在します。\r\n")
                            .arg(Number(10000));
            if (countOver) text += U8("　・インライン画像数が10を超えています。\r\n");
            text += U8("\r\nこの条件に該当するメールは、受信する携帯端末のデコメール対応状況により、以下のような形で受信することになります。\r\n"
                       "　[デコメール Version 3.0 対応機種] - デコメールとして受信できます。\r\n"
                       "　[デコメール Version 2.0 対応機種] - URLリンク付メールとして受信できます。\r\n"
                       "　[デコメール Version 1.0 対応機種] - URLリンク付メールとして受信できます。\r\n"
                       "　[デコメール非対応機種] - URLリンク付メールあるいはテキストパートを受信します。\r\n"
                       "(デコメール 各Versionの詳細はNTT DoCoMoのWebサイトをご参照下さい。)\r\n\r\nこの内容で");
        } else {
            const bool attachOver = r.attachmentCount > 5;
            const bool partsOver = r.attachmentCount + r.inlineCount > 10;
            if (!attachOver && !partsOver) continue;
            text = U8("%1向けメールの").arg(U8(k.name));
            if (attachOver) text += U8("\r\n　・添付ファイル数が5を超えています。");
            if (partsOver) text += U8("\r\n　・インライン画像数と添付ファイル数の合計が10を超えています。");
            text += U8("\r\n\r\nこのメールは、受信する携帯端末のデコレーションメール対応状況により、以下のような形で受信することになります。\r\n"
                       "　[デコレーションメール(100KB)対応端末]\r\n"
                       "　　- デコレーションメールとして受信できます。\r\n"
                       "　　- 添付ファイルを全て受信できます。\r\n"
                       "　[デコレーションメール(10KB)対応端末]\r\n"
                       "　　- TEXTパートを受信します。\r\n"
                       "　　- 添付ファイルを5つまで受信できます。\r\n"
                       "　[デコレーションメール非対応機種] \r\n"
                       "　　- TEXTパートを受信します。\r\n"
                       "　　- 添付ファイルを5つまで受信できます。\r\n\r\nこの内容で");
        }
        if (Ask(text + finalQuestion, platform::kMbOkCancel) != platform::kIdOk) return false;
    }
    return true;
}

MailSizeResult ContentChecker::Remeasure(CheckedHtmlPage* page, const MailSizeMeasure& first) {
    std::vector<PageFileEntry> inlineImages = page->InlineImages();
    std::vector<PageFileEntry> attachments = page->Attachments();
    MailSizeMeasure m;
    m.mode = first.mode;
    m.kind = first.kind;
    m.texts = {page->Subject(), page->HtmlPart(), page->TextPart()};
    m.inlineImages = &inlineImages;
    m.attachments = &attachments;
    m.ids = first.ids;
    if (m.texts == first.texts) {
        // Only the images can have changed: the merged sizes stand.
        m.result = first.result;
        CountPageFiles(m);
        return m.result;
    }
    std::vector<MeasureFailure> failures;
    MeasureMailSizes({&m}, stores_, failures);
    ShowFailure(parent_, failures[0]);
    return m.result;
}

bool ContentChecker::CheckComposedMail(char kind, int page) {
    if (page < 1 || page > 9) return false;
    TerminalIdLists lists;
    lists[static_cast<std::size_t>(page <= 5 ? page - 1 : page - 6)].push_back(-1);  // marks the kind only
    const auto& [pc, docomo, au, softbank, willcom] = lists;
    bool fits = false;
    switch (kind) {
        case 'N': fits = !(pc.empty() && docomo.empty() && au.empty() && softbank.empty() && willcom.empty()); break;
        case 'Y': fits = !pc.empty(); break;
        case 'M': fits = !(docomo.empty() && au.empty() && softbank.empty()); break;
        default: return true;
    }
    if (!fits) {
        Stop(U8("設定されている宛先には、このメールの送り先アドレスが指定されていません。"), "注意");
        return false;
    }
    switch (kind) {
        case 'N': return CheckTextMail(kPurposeCheckButton, true, pc, docomo, au, softbank, willcom);
        case 'Y': return CheckHtmlMailPc(kPurposeCheckButton, true, pc);
        default: return CheckHtmlMailMobile(kPurposeCheckButton, true, docomo, au, softbank);
    }
}

bool ContentChecker::CheckMailBeforeSave(char kind) {
    TerminalIdLists lists;
    if (!pages_.DestinationText().empty() && !pages_.DestinationsByTerminal(kind, lists)) return false;
    const auto& [pc, docomo, au, softbank, willcom] = lists;
    switch (kind) {
        case 'N': {
            const bool any = !(pc.empty() && docomo.empty() && au.empty() && softbank.empty() && willcom.empty());
            return CheckTextMail(kPurposeSave, any, pc, docomo, au, softbank, willcom);
        }
        case 'Y': return CheckHtmlMailPc(kPurposeSave, !pc.empty(), pc);
        case 'M': return CheckHtmlMailMobile(kPurposeSave, !(docomo.empty() && au.empty() && softbank.empty()), docomo,
                                             au, softbank);
        default: return true;
    }
}

}  // namespace compose
