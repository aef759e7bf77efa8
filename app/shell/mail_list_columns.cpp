#include "app/shell/mail_list_columns.h"

#include <array>

#include "core/foundation/ini_manager.h"
#include "core/foundation/sjis_bytes.h"

namespace shell::mail_list {
namespace {

constexpr std::array<ColumnInfo, kColumnKindCount> kColumns = {{
    {kColMailId, "MAILIDW", "メールID", false, 70},
    {kColTitle, "TITLEW", "件名", false, 120},
    {kColAddress, "ADDRESSW", "宛先", false, 100},
    {kColMailType, "MAILTYPEW", "種類", false, 60},
    {kColStatus, "STATEW", "状態", false, 72},
    {kColReserveDate, "RESERVEDATEW", "送信予約日時", false, 120},
    {kColEntryDate, "ENTRYDATEW", "作成日時", false, 120},
    {kColRenewalDate, "RENEWALDATEW", "更新日時", false, 120},
    {kColSentAll, "SENTALLW", "全送信数", true, 60},
    {kColSentError, "SENTERRORW", "エラー数", true, 60},
    {kColSentOpen, "SENTOPENW", "開封数", true, 60},
    {kColOpenRate, "OPENRATEW", "開封率", true, 60},
}};

constexpr std::array<ModeInfo, 5> kModes = {{
    {kModeAll, 32772, "MAIL_ALL", "すべて"},
    {kModeDraft, 32773, "MAIL_DRAFT", "下書き"},
    {kModeWaiting, 32774, "MAIL_WAIT", "送信待ち"},
    {kModeSent, 32775, "MAIL_SEND", "送信済み"},
    {kModeReport, 32776, "MAIL_REPORT", "レポート"},
}};

constexpr std::array<int, 8> kMailLayout = {kColMailId,  kColTitle,       kColAddress,   kColMailType,
                                            kColStatus,  kColReserveDate, kColEntryDate, kColRenewalDate};
constexpr std::array<int, 8> kReportLayout = {kColMailId,  kColTitle,     kColStatus,    kColReserveDate,
                                              kColSentAll, kColSentError, kColSentOpen,  kColOpenRate};

}  // namespace

const ColumnInfo* FindColumn(int kind) {
    return kind >= 0 && kind < kColumnKindCount ? &kColumns[static_cast<std::size_t>(kind)] : nullptr;
}

std::span<const ModeInfo> Modes() { return kModes; }

const ModeInfo* FindMode(int mode) {
    for (const ModeInfo& m : kModes)
        if (m.mode == mode) return &m;
    return nullptr;
}

const ModeInfo* FindModeByCommand(int command) {
    for (const ModeInfo& m : kModes)
        if (m.command == command) return &m;
    return nullptr;
}

const ModeInfo* FindModeByListBarKey(std::string_view key) {
    for (const ModeInfo& m : kModes)
        if (key == m.listBarKey) return &m;
    return nullptr;
}

QString ModeName(int mode) {
    const ModeInfo* m = FindMode(mode);
    return m ? QString::fromUtf8(m->name) : QString();
}

int LayoutOfMode(int mode) {
    switch (mode) {
    case kModeReport: return kLayoutReport;
    case kModeAll:
    case kModeDraft:
    case kModeWaiting:
    case kModeSent: return kLayoutMail;
    default: return kLayoutNone;
    }
}

std::span<const int> LayoutColumns(int layout) {
    if (layout == kLayoutMail) return kMailLayout;
    if (layout == kLayoutReport) return kReportLayout;
    return {};
}

int ColumnOfKind(int layout, int kind) {
    std::span<const int> kinds = LayoutColumns(layout);
    for (std::size_t i = 0; i < kinds.size(); ++i)
        if (kinds[i] == kind) return static_cast<int>(i);
    return -1;
}

int LoadColumnWidth(const std::string& envIni, const std::string& key) {
    int fallback = kUnknownKeyWidth;
    for (const ColumnInfo& c : kColumns)
        if (key == c.iniKey) fallback = c.defaultWidth;
    if (envIni.empty()) return fallback;
    // A missing key reads as 0, which is outside the range as well.
    const int stored = static_cast<int>(CIniManager::GetProfileIntA(envIni, kWidthSection, key, 0));
    return stored >= kMinWidth && stored <= kMaxWidth ? stored : fallback;
}

std::vector<int> LoadLayoutWidths(const std::string& envIni, int layout) {
    std::vector<int> widths;
    for (int kind : LayoutColumns(layout)) widths.push_back(LoadColumnWidth(envIni, FindColumn(kind)->iniKey));
    return widths;
}

bool SaveLayoutWidths(const std::string& envIni, int layout, const std::vector<int>& widths) {
    std::span<const int> kinds = LayoutColumns(layout);
    if (kinds.empty() || widths.size() != kinds.size()) return false;
    for (std::size_t i = 0; i < kinds.size(); ++i)
        if (!CIniManager::WriteProfileInt(envIni, kWidthSection, FindColumn(kinds[i])->iniKey, widths[i])) return false;
    return true;
}

std::string SjisSortKey(std::string_view text) {
    std::string key;
    key.reserve(text.size() * 2);
    for (std::size_t k = 0; k < text.size();) {
        const auto c = static_cast<unsigned char>(text[k++]);
        if (IsSjisLeadByte(c) && k < text.size()) {
            key += static_cast<char>(c);
            key += text[k++];
        } else {
            key += '\0';
            key += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        }
    }
    return key;
}

int CompareSjisNoCase(std::string_view a, std::string_view b) { return SjisSortKey(a).compare(SjisSortKey(b)); }

}  // namespace shell::mail_list
