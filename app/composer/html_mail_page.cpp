#include "app/composer/html_mail_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <random>

#include "app/compose/attachment_settings_dlg.h"
#include "app/compose/mail_text_edit.h"
#include "app/htmledit/import_notices.h"
#include "app/mailtext/file_utils.h"
#include "app/sendrecv/send_option_indices.h"
#include "app/ui/control_ids.h"
#include "app/ui/file_picker.h"
#include "app/ui/html_view.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_input.h"
#include "app/ui/sjis_text.h"
#include "app/environment/environment_service.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/attach_writer.h"
#include "core/mailstore/mail_data_structure.h"
#include "core/transport/mail_analyzer.h"
#include "platform/date_time.h"
#include "platform/notifier.h"
#include "platform/private_files.h"

namespace compose {

// The page's view of the mail model: its bodies and inline parts.
class HtmlMimeModel : public CMailDataStructure {
public:
    // The body of the HTML or the text part in Shift_JIS; "" when there is none or it
    // cannot be converted.
    std::string HtmlText() const { return htmlBodySet != 0 ? Converted(htmlBody) : std::string(); }
    std::string PlainText() const { return textBodySet != 0 ? Converted(textBody) : std::string(); }
    // The characters of its text and HTML parts that Shift_JIS cannot hold (the mail is
    // kept as the file gave it; they would go missing when it is shown or sent), each once.
    QStringList CharactersShiftJisCannotHold() const {
        QStringList lost;
        std::string ignored;
        if (textBodySet != 0) htmledit::ConvertPartKeepingShiftJis(textBody, ignored, lost);
        if (htmlBodySet != 0) htmledit::ConvertPartKeepingShiftJis(htmlBody, ignored, lost);
        return lost;
    }
    std::size_t InlineCount() const { return htmlAttachList.size(); }
    const MimeFormatStruct& Inline(std::size_t index) const { return htmlAttachList[index]; }
    void RemoveInline(std::size_t index) { htmlAttachList.erase(htmlAttachList.begin() + static_cast<std::ptrdiff_t>(index)); }

    // The bytes of the inline part of `contentId` (without angle brackets).
    std::optional<std::string> InlineBytes(std::string_view contentId) const {
        for (const MimeFormatStruct& part : htmlAttachList) {
            if (part.ContentIdIs(contentId) == 0) continue;
            std::string bytes;
            if (part.ContentTransferEncodingIs("base64") != 0) {
                if (part.GetBodyAfterBase64Decode(bytes) == 0) return std::nullopt;
            } else if (part.ContentTransferEncodingIs("quoted-printable") != 0) {
                if (part.GetBodyAfterQuotedPrintableDecode(bytes) == 0) return std::nullopt;
            } else {
                bytes = part.body;
            }
            return bytes;
        }
        return std::nullopt;
    }

private:
    static std::string Converted(const MimeFormatStruct& part) {
        std::string out;
        return part.ConvertBodyToCp932String(out) != 0 ? out : std::string();
    }
};

namespace {

using ui::U8;

using ui::kExclamation;
using ui::kInformation;
constexpr unsigned kQuestion = platform::kMbYesNo | platform::kMbIconQuestion;

const char* const kBadEml = "不正なEMLファイル";
const char* const kRemake = "確認の上、再度、Outlook Expressを利用して作り直してください。";

using shell::ProgramOption;

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

// A folder that is there or was made (one level): true.
bool EnsureFolder(const std::string& folder) {
    return !folder.empty() && (CheckDirectory(folder) == 0 || platform::MakePrivateFolder(folder));
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// The Content-ID of a part without blanks and angle brackets.
std::string BareContentId(const MimeFormatStruct& part) {
    std::string id;
    if (part.GetContentId(id) == 0) return std::string();
    const auto first = id.find_first_not_of(" \t<");
    const auto last = id.find_last_not_of(" \t>");
    return first == std::string::npos ? std::string() : id.substr(first, last - first + 1);
}

// "<headers>\r\n<body>" of a model; -1 when it holds nothing.
int MimeTextOf(HtmlMimeModel& model, std::string& out) {
    std::string header;
    std::string body;
    if (model.GetMimeString(header, body, 1, nullptr) != 0) return -1;
    out = header + "\r\n" + body;
    return 0;
}

}  // namespace

CMailEditPageHtml::CMailEditPageHtml(QWidget* parent)
    : QWidget(parent), model_(std::make_unique<HtmlMimeModel>()), shown_(std::make_unique<HtmlMimeModel>()) {
    setObjectName(ui::DialogName(kIdd));
    auto* column = new QVBoxLayout(this);
    auto* subjectRow = new QHBoxLayout;
    subjectRow->addWidget(new QLabel(U8("件名"), this));
    subject_ = ui::SetControlId(new CMailTextEdit(this, true), kIdcSubject);
    const int frame = 2 * subject_->frameWidth() + static_cast<int>(2 * subject_->document()->documentMargin());
    subject_->setFixedHeight(subject_->fontMetrics().height() + frame);
    subjectRow->addWidget(subject_, 1);
    column->addLayout(subjectRow);

    // The view takes the place (and the number) of the static that marks the HTML area.
    view_ = ui::SetControlId(new ui::HtmlView(this), kIdcHtmlArea);
    view_->setPlaceholderText(U8("これはＨＴＭＬメールの編集領域です"));
    view_->SetCidResolver([this](const QString& contentId) -> std::optional<QByteArray> {
        const std::optional<std::string> bytes = shown_->InlineBytes(ui::ToSjis(contentId));
        if (!bytes) return std::nullopt;
        return QByteArray::fromStdString(*bytes);
    });
    column->addWidget(view_, 1);

    auto* attachRow = new QHBoxLayout;
    attachLabel_ = ui::SetControlId(new QLabel(U8("添付ファイル"), this), kIdcAttachLabel);
    attachRow->addWidget(attachLabel_);
    names_ = ui::SetControlId(new QLineEdit(this), kIdcAttachNames);
    names_->setReadOnly(true);
    attachRow->addWidget(names_, 1);
    attachButton_ = ui::SetControlId(new QPushButton(U8("添付(&F)"), this), kIdcAttach);
    attachButton_->setAutoDefault(false);
    attachRow->addWidget(attachButton_);
    column->addLayout(attachRow);

    connect(attachButton_, &QPushButton::clicked, this, &CMailEditPageHtml::OnAttach);
}

CMailEditPageHtml::~CMailEditPageHtml() {
    DeleteTempFile();
    // Leaves the composing sheet while still whole: the sheet tells its owner of the tab
    // that goes, and the owner looks at its pages then.
    setParent(nullptr);
}

QString CMailEditPageHtml::PageCaption() const { return U8("HTMLメール"); }

int CMailEditPageHtml::SetAttachmentFolder(const std::string& folder) {
    if (!EnsureFolder(folder)) return 0;
    folder_ = WithSlash(folder);
    return 1;
}

int CMailEditPageHtml::SetPreviewFolder(const std::string& folder) {
    if (!EnsureFolder(folder)) return 0;
    previewFolder_ = WithSlash(folder);
    return 1;
}

void CMailEditPageHtml::SetEditFont(const ui::LogFont& font) {
    subject_->setFont(ui::ToQFont(font));
    const int frame = 2 * subject_->frameWidth() + static_cast<int>(2 * subject_->document()->documentMargin());
    subject_->setFixedHeight(subject_->fontMetrics().height() + frame);
}

int CMailEditPageHtml::Fail(const char* text, const char* caption, unsigned icon, int result) {
    ui::MessageBox(this, U8(text), U8(caption), icon);
    return result;
}

std::vector<AttachData>* CMailEditPageHtml::RecordList() const {
    return composer_ != nullptr ? &composer_->MailRecord().attach[0] : nullptr;
}

std::string CMailEditPageHtml::WorkFile(const std::string& name) const { return folder_ + name; }


// ---- Load and save ----------------------------------------------------------------------------

void CMailEditPageHtml::OnInitPage() {
    attachmentsAllowed_ = ProgramOption(kOptionNoAttachments) != "Y";
    ApplyNamesColour();
    if (composer_ == nullptr) return;
    const OneMail& mail = composer_->MailRecord();
    subject_->SetSjisText(mail.subject[0]);
    if (!mail.body[0].empty() && Analyse(mail.body[0], false) != kImported) return;
    if (attachmentsAllowed_) ShowNames();
}

bool CMailEditPageHtml::Save() {
    if (composer_ == nullptr) return false;
    OneMail& mail = composer_->MailRecord();
    DropClearedImages();
    // A page without a message (nothing imported, or a stored text it could not read)
    // leaves the stored body alone.
    if (model_->GetDataTypeFromNowSetData() != 0) {
        std::string text;
        if (MimeTextOf(*model_, text) != 0) {
            ui::MessageBox(this, U8("HTMLメールの解析に失敗しました。"), U8("HTMLメール解析異常"), kExclamation);
            return false;
        }
        mail.body[0] = std::move(text);
    }
    mail.subject[0] = subject_->GetSjisText();
    return true;
}

int CMailEditPageHtml::GetMimeText(std::string& out) {
    DropClearedImages();
    return MimeTextOf(*model_, out);
}

// ---- Import and analysis ----------------------------------------------------------------------

void CMailEditPageHtml::ImportEml() {
    ui::FileRequest request;
    request.filter = U8("HTMLﾒｰﾙﾃﾞｰﾀ(*.eml)|*.eml||");
    request.fileMustExist = true;
    const std::optional<QString> path = ui::CurrentFilePicker().PickFile(this, request);
    if (path) ImportFile(ui::ToPath(*path), true);
}

int CMailEditPageHtml::ImportFile(const std::string& path, bool takeSubject) {
    std::string text;
    if (ReadWholeFile(path, text) != 1) return Fail("EMLファイルの読み込みに失敗しました", "EMLファイル異常", kExclamation, kFileUnreadable);
    return Analyse(text, takeSubject);
}

int CMailEditPageHtml::Analyse(const std::string& text, bool takeSubject) {
    // Parsed into a model of its own: a message that is refused leaves the page as it was.
    auto message = std::make_unique<HtmlMimeModel>();
    message->Init();
    const std::string notMime = std::string("このEMLファイルの形式は正しくありません。\r\n") + kRemake;
    if (message->AnalyzeMime(text) < 0) return Fail(notMime.c_str(), kBadEml, kExclamation, kNotMime);
    switch (message->GetDataTypeFromNowSetData()) {
    case 2:
    case 3:
    case 5:
    case 6: break;
    case 1:
    case 4:
        return Fail("このEMLファイルの内容はHTMLメールではなくテキストメールです。\r\nOutlook ExpressでHTMLメールとして作り直してください。",
                    "HTMLメールではありません", kInformation, kTextMail);
    case 0: return Fail(notMime.c_str(), kBadEml, kExclamation, kNothingUsable);
    default: {
        const std::string odd = std::string("このEMLファイルの形式は、正しくありません。\r\n") + kRemake;
        return Fail(odd.c_str(), kBadEml, kExclamation, kNothingUsable);
    }
    }

    // The message as the page will hold it: its attachments leave it (the kept ones become
    // the mail's own). Written first, so that a temporary file that cannot be written
    // changes nothing.
    const std::string previousTemp = tempPath_;
    std::string rebuilt;
    {
        HtmlMimeModel bare(*message);
        bare.RemoveAllMIMENormalAttach();
        if (MimeTextOf(bare, rebuilt) != 0) return Fail(notMime.c_str(), kBadEml, kExclamation, kNotMime);
    }
    if (WriteTempFile(rebuilt) != 0)
        return Fail("一時書き込みファイルのオープンに失敗しました。", "一時書き込みファイルオープン失敗", kExclamation, kTempFileFailed);
    const std::string newTemp = tempPath_;
    const auto undoTemp = [&] {
        RemoveFileNoThrow(newTemp);
        tempPath_ = previousTemp;
    };

    attachmentsAllowed_ = ProgramOption(kOptionNoAttachments) != "Y";
    ApplyNamesColour();
    std::vector<AttachData> none;
    std::vector<AttachData>& list = RecordList() != nullptr ? *RecordList() : none;

    // Same names: the user decides which of the two stays. A registered attachment to be
    // replaced leaves the list (and its work file goes) only once the import goes through.
    std::vector<std::string> replaced;
    QString names;
    for (int i = 0; i < message->CountMIMENormalAttach();) {
        const std::string name = message->GetMIMENormalAttachName(i);
        const bool registered = std::any_of(list.begin(), list.end(), [&](const AttachData& a) { return a.fileName == name; });
        if (registered) {
            const QString ask =
                U8("次の名称の添付ファイルがEMLファイルの中に見つかりました。\r\n\r\n%1\r\n\r\nしかし、このファイルは既に添付ファイルとして"
                  "登録されています。\r\n同じ名前のファイルを複数添付することはできません。\r\n既に登録されている添付ファイルを削除し、\r\n"
                  "EMLファイルの中の添付ファイルを新たに登録しますか？")
                    .arg(ui::FromSjis(name));
            if (ui::MessageBox(this, ask, U8("同一名称ファイルの添付確認"), kQuestion) != platform::kIdYes) {
                message->RemoveAtMIMENormalAttach(i);
                continue;
            }
            replaced.push_back(name);
        }
        if (!names.isEmpty()) names += U8("\r\n");
        names += ui::FromSjis(name);
        ++i;
    }
    const auto withoutReplaced = [&] {
        std::vector<AttachData> kept;
        for (const AttachData& a : list) {
            if (std::find(replaced.begin(), replaced.end(), a.fileName) == replaced.end()) kept.push_back(a);
        }
        return kept;
    };
    const auto removeReplacedFiles = [&] {
        for (const std::string& name : replaced)
            if (AttachWriter::IsSafeAttachName(name)) RemoveFileNoThrow(WorkFile(name));
    };

    std::vector<AttachData> newList = withoutReplaced();
    const int count = message->CountMIMENormalAttach();
    if (attachmentsAllowed_ && count > 0) {
        const QString ask = U8("このEMLファイルには次の添付ファイルが設定されています。\r\n設定されている添付ファイルも一緒に送信しますか？\r\n\r\n"
                              "【設定されている添付ファイル】\r\n") +
                            names;
        if (ui::MessageBox(this, ask, U8("EML内添付ファイルの利用確認"), kQuestion) == platform::kIdYes) {
            std::vector<AttachmentPair> pairs;
            for (const AttachData& a : newList) pairs.emplace_back(a.fileName, a.secondText);
            std::vector<std::string> saved;
            const auto removeSaved = [&] {
                for (const std::string& name : saved) RemoveFileNoThrow(WorkFile(name));
            };
            for (int i = 0; i < count; ++i) {
                const std::string name = message->GetMIMENormalAttachName(i);
                int size = 0;
                if (folder_.empty() || !AttachWriter::IsSafeAttachName(name) ||
                    message->SaveMIMENormalAttach(i, folder_, size, 0, 0, nullptr) != 0) {
                    // What this import extracted goes again; a registered attachment the
                    // user let it replace may have been overwritten, so it leaves the list.
                    removeSaved();
                    removeReplacedFiles();
                    list = withoutReplaced();
                    undoTemp();
                    ShowNames();
                    const std::string failed = std::string("EMLファイルから添付ファイルの抽出に失敗しました。\r\n") + kRemake;
                    return Fail(failed.c_str(), kBadEml, kExclamation, kExtractFailed);
                }
                saved.push_back(name);
                pairs.emplace_back(name, std::to_string(size));
            }
            CAttachmentSettingsDlg dialog(this);
            dialog.SetAttachFolder(folder_);
            dialog.SetAttachList(pairs);
            if (dialog.DoModal() == platform::kIdOk) {
                newList.clear();
                for (const AttachmentPair& p : dialog.GetAttachList()) newList.push_back({p.first, p.second});
            } else {
                removeSaved();
                removeReplacedFiles();
            }
        } else {
            removeReplacedFiles();
        }
    } else if (count > 0) {
        const QString ask =
            U8("このEMLファイルには次の添付ファイルが設定されています。\r\nしかし、添付ファイルの送信ができない設定になっているため利用できません。\r\n\r\n"
              "EMLファイルの添付ファイルを破棄して、HTMLメールの作成を継続しますか？\r\n\r\n【破棄される添付ファイル】\r\n") +
            names;
        if (ui::MessageBox(this, ask, U8("EML内添付ファイルの破棄確認"), kQuestion | ui::kMbDefButton2) != platform::kIdYes) {
            undoTemp();
            ui::MessageBox(this,
                           U8("このEMLファイルの添付ファイルも一緒に送信したい場合は、\r\nシステム設定→メール作成→添付ファイルで"
                             "添付ファイル送信機能を有効にしてください。"),
                           U8("添付ファイル送信のヒント"), kInformation);
            return kStopped;
        }
        removeReplacedFiles();
    } else {
        removeReplacedFiles();
    }
    message->RemoveAllMIMENormalAttach();
    list = std::move(newList);

    // The import went through: the previous temporary file goes, the new one is shown.
    if (!previousTemp.empty() && previousTemp != newTemp) RemoveFileNoThrow(previousTemp);
    QStringList leftOutOfSubject;
    if (takeSubject) {
        MailAnalyzer analyzer;
        analyzer.MailAnalysis(text);
        // The subject goes into the edit, so what Shift_JIS cannot hold is left out there.
        const ui::KeptInput subject = ui::KeepSjisCharacters(QString::fromStdString(analyzer.GetDecodeMailSubjectUtf8()));
        if (subject.dropped.isEmpty()) {
            subject_->SetSjisText(analyzer.GetDecodeMailSubject());
        } else {
            subject_->SetSjisText(ui::ToSjis(subject.text));
            leftOutOfSubject = subject.dropped;
        }
    }
    model_ = std::move(message);
    inlineCleared_.assign(model_->InlineCount(), false);
    ShowNames();
    Navigate(tempPath_);
    htmledit::ShowCharactersLeftOut(this, leftOutOfSubject);
    // The parts stay as the file gave them: their characters are only named.
    if (const QStringList unshown = model_->CharactersShiftJisCannotHold(); !unshown.isEmpty())
        htmledit::ShowImportCaution(this, ui::UnshownCharactersMessage(unshown));
    return kImported;
}

// ---- The temporary file and the view ----------------------------------------------------------

int CMailEditPageHtml::WriteTempFile(const std::string& text) {
    if (previewFolder_.empty()) return -1;
    static std::mt19937 random(static_cast<unsigned>(std::time(nullptr)));
    std::string path;
    do {
        const platform::DateTime now = platform::DateTime::GetCurrentTime();
        char name[64];
        std::snprintf(name, sizeof name, "~TMP_%04d%02d%02d%02d%02d%02d_%d.eml", now.GetYear(), now.GetMonth(), now.GetDay(),
                      now.GetHour(), now.GetMinute(), now.GetSecond(), static_cast<int>(random() % 32768));
        path = previewFolder_ + name;
    } while (Exists(path));
    if (WriteStringToFile(path, text) != 1) return -1;
    tempPath_ = path;
    return 0;
}

void CMailEditPageHtml::DeleteTempFile() {
    if (tempPath_.empty()) return;
    RemoveFileNoThrow(tempPath_);
    tempPath_.clear();
}

void CMailEditPageHtml::Navigate(const std::string& path) {
    std::string text;
    shown_->Init();
    if (path.empty() || ReadWholeFile(path, text) != 1 || shown_->AnalyzeMime(text) < 0) {
        view_->clear();
        return;
    }
    view_->ClearRefused();
    view_->setHtml(ui::FromSjis(shown_->HtmlText()));
}

void CMailEditPageHtml::RebuildHtmlView() {
    DropClearedImages();
    std::string text;
    if (!tempPath_.empty() && MimeTextOf(*model_, text) == 0) WriteStringToFile(tempPath_, text);
    Navigate(tempPath_);
}

void CMailEditPageHtml::DropClearedImages() {
    for (std::size_t i = std::min(inlineCleared_.size(), model_->InlineCount()); i-- > 0;)
        if (inlineCleared_[i]) model_->RemoveInline(i);
    inlineCleared_.assign(model_->InlineCount(), false);
}

// ---- Attachments ------------------------------------------------------------------------------

void CMailEditPageHtml::ApplyNamesColour() {
    // While attachments may be sent the names show on white, as an input field would.
    QPalette palette = names_->style()->standardPalette();
    if (attachmentsAllowed_) palette.setColor(QPalette::Base, Qt::white);
    names_->setPalette(palette);
}

void CMailEditPageHtml::ShowNames() {
    QStringList shown;
    if (const std::vector<AttachData>* list = RecordList())
        for (const AttachData& a : *list) shown << ui::FromSjis(a.fileName);
    names_->setText(shown.join(QStringLiteral(", ")));
}

void CMailEditPageHtml::ShowAttachmentNames() { ShowNames(); }

void CMailEditPageHtml::OnAttach() {
    std::vector<AttachData>* list = RecordList();
    if (list == nullptr) return;
    std::vector<AttachmentPair> pairs;
    for (const AttachData& a : *list) pairs.emplace_back(a.fileName, a.secondText);
    CAttachmentSettingsDlg dialog(this);
    dialog.SetAttachFolder(folder_);
    dialog.SetAttachList(pairs);
    if (dialog.DoModal() != platform::kIdOk) return;
    list->clear();
    for (const AttachmentPair& p : dialog.GetAttachList()) list->push_back({p.first, p.second});
    ShowNames();
}

void CMailEditPageHtml::DisableAttachmentControls() {
    attachButton_->setEnabled(false);
    attachLabel_->setEnabled(false);
    names_->setEnabled(false);
}

int CMailEditPageHtml::GetAttachmentCount() {
    const std::vector<AttachData>* list = RecordList();
    return list != nullptr ? static_cast<int>(list->size()) : 0;
}

int CMailEditPageHtml::GetAttachmentName(int index, std::string& name) {
    if (index < 0 || index >= GetAttachmentCount()) return 0;
    name = (*RecordList())[static_cast<std::size_t>(index)].fileName;
    return 1;
}

int CMailEditPageHtml::GetAttachmentSize(int index, std::uint64_t& size) {
    std::string name;
    if (GetAttachmentName(index, name) == 0 || !AttachWriter::IsSafeAttachName(name)) return 0;
    return GetFileSizeByName(WorkFile(name), size);
}

int CMailEditPageHtml::GetAttachmentData(int index, std::size_t bufferSize, char* buffer) {
    std::uint64_t size = 0;
    if (GetAttachmentSize(index, size) == 0 || bufferSize < size) return 0;
    return ReadWholeFile(WorkFile((*RecordList())[static_cast<std::size_t>(index)].fileName), buffer,
                         static_cast<std::size_t>(size));
}

int CMailEditPageHtml::AddAttachmentFromBuffer(const std::string& name, const char* bytes, std::size_t size) {
    std::vector<AttachData>* list = RecordList();
    if (list == nullptr || folder_.empty() || !AttachWriter::IsSafeAttachName(name)) return 0;
    std::uint64_t total = size;
    for (const AttachData& a : *list) {
        if (a.fileName == name) return 0;
        std::uint64_t each = 0;
        if (GetFileSizeByName(WorkFile(a.fileName), each) == 1) total += each;
    }
    if (total > AttachmentList::kMaxTotalBytes) return 0;
    if (WriteBufferToFile(WorkFile(name), bytes, size) != 1) return 0;
    list->push_back({name, std::to_string(size)});
    return 1;
}

int CMailEditPageHtml::RemoveAllAttachments() {
    std::vector<AttachData>* list = RecordList();
    if (list == nullptr) return 1;
    while (!list->empty()) {
        const std::string& name = list->back().fileName;
        if (AttachWriter::IsSafeAttachName(name) && Exists(WorkFile(name)) && RemoveFileNoThrow(WorkFile(name)) != 1)
            return 0;
        list->pop_back();
    }
    return 1;
}

// ---- What the checks read ---------------------------------------------------------------------

std::string CMailEditPageHtml::Subject() { return subject_->GetSjisText(); }

std::string CMailEditPageHtml::HtmlPart() { return model_->HtmlText(); }

std::string CMailEditPageHtml::TextPart() { return model_->PlainText(); }

std::vector<PageFileEntry> CMailEditPageHtml::InlineImages() {
    std::vector<PageFileEntry> out;
    for (std::size_t i = 0; i < model_->InlineCount(); ++i) {
        const MimeFormatStruct& part = model_->Inline(i);
        PageFileEntry entry;
        entry.contentId = BareContentId(part);
        entry.fileName = part.GetMIMENormalAttachName();
        if (entry.fileName.empty()) part.GetNameParamFromContentType(entry.fileName);
        std::size_t size = 0;
        if (part.GetSizeAfterDecode(size) != 0) entry.size = size;
        entry.inlineImage = i >= inlineCleared_.size() || !inlineCleared_[i];
        out.push_back(std::move(entry));
    }
    return out;
}

std::vector<PageFileEntry> CMailEditPageHtml::Attachments() {
    std::vector<PageFileEntry> out;
    for (int i = 0; i < GetAttachmentCount(); ++i) {
        PageFileEntry entry;
        GetAttachmentName(i, entry.fileName);
        GetAttachmentSize(i, entry.size);
        out.push_back(std::move(entry));
    }
    return out;
}

bool CMailEditPageHtml::ClearInlineMark(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= model_->InlineCount()) return false;
    inlineCleared_.resize(model_->InlineCount(), false);
    inlineCleared_[static_cast<std::size_t>(index)] = true;
    return true;
}

void CMailEditPageHtml::SetSubject(const std::string& subject) { subject_->SetSjisText(subject); }

bool CMailEditPageHtml::FindInlinePart(const std::string& contentId, MimeFormatStruct& part) {
    for (std::size_t i = 0; i < model_->InlineCount(); ++i) {
        if (model_->Inline(i).ContentIdIs(contentId) != 0) {
            part = model_->Inline(i);
            return true;
        }
    }
    return false;
}

int CMailEditPageHtml::RemoveAllInlineImages() {
    model_->InitHtmlAttach();
    inlineCleared_.clear();
    return 1;
}

}  // namespace compose
