#include "app/htmledit/html_page_attachments.h"

#include <unistd.h>

#include <QStringList>

#include <filesystem>
#include <system_error>

#include "app/compose/attachment_list.h"
#include "app/mailtext/file_utils.h"
#include "app/htmledit/attachment_limits.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/mailstore/attach_writer.h"
#include "platform/notifier.h"

namespace htmledit {

namespace {

namespace fs = std::filesystem;

void ShowError(QWidget* owner, const QString& text) {
    ui::MessageBox(owner, text, ui::U8("エラー"), platform::kMbOk | platform::kMbIconError);
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

}  // namespace

std::optional<std::uint64_t> DecimalSize(const std::string& text) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

HtmlPageAttachments::HtmlPageAttachments(CAttachmentSettingDlg& settings,
                                         std::function<std::vector<AttachData>*()> record)
    : settings_(settings), record_(std::move(record)) {}

HtmlPageAttachments::~HtmlPageAttachments() {
    for (const AttachmentEntry& entry : settings_.GetEntries()) DeleteCopy(entry.path);
}

void HtmlPageAttachments::SetFolder(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    folder_ = std::move(folder);
}

std::vector<AttachData>& HtmlPageAttachments::Record() {
    std::vector<AttachData>* list = record_ ? record_() : nullptr;
    return list != nullptr ? *list : noRecord_;
}

bool HtmlPageAttachments::DeleteCopy(const std::string& path) const {
    if (folder_.empty() || path.size() <= folder_.size() || path.compare(0, folder_.size(), folder_) != 0) return true;
    if (!AttachWriter::IsSafeAttachName(std::string_view(path).substr(folder_.size()))) return true;
    if (!Exists(path)) return true;
    return compose::RemoveFileNoThrow(path) == 1;
}

void HtmlPageAttachments::Load() {
    for (const AttachData& item : Record()) {
        const std::string path = CopyPath(item.fileName);
        std::uint64_t size = 0;
        if (const std::optional<std::uint64_t> stated = DecimalSize(item.secondText)) {
            size = *stated;
        } else {
            compose::GetFileSizeByName(path, size);
        }
        settings_.AddAttachment(item.fileName, size, path, 0);
    }
}

void HtmlPageAttachments::ApplyDialogResult(QWidget* owner) {
    for (const AttachmentEntry& removed : settings_.GetRemovedList()) {
        if (!DeleteCopy(removed.path)) ShowError(owner, ui::U8("テンポラリファイルの削除に失敗しました。"));
    }
    std::vector<AttachData>& list = Record();
    list.clear();
    std::size_t index = 0;
    while (index < settings_.GetCount()) {
        const AttachmentEntry entry = settings_.GetAt(index);
        if (entry.flag == 1) {
            const std::string target = CopyPath(entry.fileName);
            const bool same = SameFile(entry.path, target);
            bool copied = AttachWriter::IsSafeAttachName(entry.fileName) &&
                          (same || compose::CopyFileSafely(entry.path, target));
            std::uint64_t size = entry.size;
            // The file may have changed since it was chosen: the copy's size is the one the
            // limits and later reads go by.
            if (copied && (compose::GetFileSizeByName(target, size) != 1 ||
                           settings_.ReplaceAttachment(index, entry.fileName, size, target, entry.flag) != 1)) {
                if (!same) DeleteCopy(target);
                copied = false;
            }
            if (!copied) {
                ShowError(owner, ui::U8("添付ファイルに指定されたファイル「%1」を作業フォルダにコピーできません。\r\n")
                                     .arg(ui::FromSjis(entry.fileName)));
                settings_.RemoveAttachment(index);
                continue;
            }
        }
        const AttachmentEntry& kept = settings_.GetAt(index);
        list.push_back({kept.fileName, std::to_string(kept.size)});
        ++index;
    }
}

int HtmlPageAttachments::Count() const { return static_cast<int>(settings_.GetCount()); }

int HtmlPageAttachments::GetName(int index, std::string& name) const {
    if (index < 0 || index >= Count()) return 0;
    name = settings_.GetAt(static_cast<std::size_t>(index)).fileName;
    return 1;
}

int HtmlPageAttachments::GetSize(int index, std::uint64_t& size) const {
    if (index < 0 || index >= Count()) return 0;
    size = settings_.GetAt(static_cast<std::size_t>(index)).size;
    return 1;
}

int HtmlPageAttachments::GetData(int index, std::size_t bufferSize, char* buffer) const {
    if (index < 0 || index >= Count()) return 0;
    const AttachmentEntry& entry = settings_.GetAt(static_cast<std::size_t>(index));
    if (bufferSize < entry.size) return 0;
    return compose::ReadWholeFile(entry.path, buffer, static_cast<std::size_t>(entry.size));
}

std::uint64_t HtmlPageAttachments::TotalSize() const { return settings_.GetTotalSize(); }

int HtmlPageAttachments::AddFromBuffer(const std::string& name, const char* bytes, std::size_t size) {
    if (settings_.IsCountFull() || settings_.IsNameUsed(name) || settings_.IsAddSizeOver(size)) return 0;
    if (folder_.empty() || !AttachWriter::IsSafeAttachName(name)) return 0;
    const std::string path = CopyPath(name);
    if (compose::WriteBufferToFile(path, bytes, size) != 1) return 0;
    if (settings_.AddAttachment(name, size, path, 0) != 1) {
        DeleteCopy(path);
        return 0;
    }
    Record().push_back({name, std::to_string(size)});
    return 1;
}

int HtmlPageAttachments::RemoveAt(int index) {
    if (index < 0 || index >= Count()) return 0;
    const AttachmentEntry entry = settings_.GetAt(static_cast<std::size_t>(index));
    if (!DeleteCopy(entry.path)) return 0;
    std::vector<AttachData>& list = Record();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->fileName == entry.fileName) {
            list.erase(it);
            break;
        }
    }
    return settings_.RemoveAttachment(static_cast<std::size_t>(index));
}

int HtmlPageAttachments::RemoveAll() {
    for (int index = Count() - 1; index >= 0; --index) {
        if (RemoveAt(index) == 0) return 0;
    }
    return 1;
}

QString HtmlPageAttachments::NamesText() const {
    QStringList names;
    const std::vector<AttachData>* list = record_ ? record_() : nullptr;
    for (const AttachData& item : list != nullptr ? *list : noRecord_) names << ui::FromSjis(item.fileName);
    return names.join(QStringLiteral(", "));
}

HtmlPageAttachments::ReplaceResult HtmlPageAttachments::ReplaceAll(const std::vector<NewAttachment>& files,
                                                                   std::string& failedName) {
    // Every new file is written under a name of its own first, so that a failure leaves
    // the old attachments as they were.
    if (folder_.empty()) {
        failedName = files.empty() ? std::string() : files.front().name;
        return files.empty() ? ReplaceResult::kDone : ReplaceResult::kWriteFailed;
    }
    std::vector<std::string> staged;
    auto dropStaged = [&staged](std::size_t from) {
        for (std::size_t i = from; i < staged.size(); ++i) compose::RemoveFileNoThrow(staged[i]);
    };
    for (const NewAttachment& file : files) {
        std::string path;
        for (int n = 0; path.empty() || Exists(path); ++n)
            path = folder_ + ".~eml_import_" + std::to_string(::getpid()) + "_" + std::to_string(staged.size()) + "_" +
                   std::to_string(n) + ".tmp";
        if (!AttachWriter::IsSafeAttachName(file.name) ||
            compose::WriteBufferToFile(path, file.bytes.data(), file.bytes.size()) != 1) {
            dropStaged(0);
            failedName = file.name;
            return ReplaceResult::kWriteFailed;
        }
        staged.push_back(path);
    }
    if (RemoveAll() == 0) {
        dropStaged(0);
        return ReplaceResult::kClearFailed;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string target = CopyPath(files[i].name);
        std::error_code ec;
        fs::rename(staged[i], target, ec);
        if (ec || settings_.AddAttachment(files[i].name, files[i].bytes.size(), target, 0) != 1) {
            if (!ec) DeleteCopy(target);
            dropStaged(ec ? i : i + 1);
            failedName = files[i].name;
            return ReplaceResult::kWriteFailed;
        }
        Record().push_back({files[i].name, std::to_string(files[i].bytes.size())});
    }
    return ReplaceResult::kDone;
}

}  // namespace htmledit
