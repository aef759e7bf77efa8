#include "app/ui/sjis_text.h"

#include <QFile>

#include <array>
#include <memory>
#include <mutex>

#include "core/foundation/cp932.h"

namespace ui {
namespace {

constexpr char16_t kJoiner = 0x200C;
constexpr char16_t kReplacement = 0xFFFD;
constexpr int kMaxAlternates = 2;

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Tables built once from the core's converter, so both sides agree code for code.
struct Tables {
    std::array<char16_t, 256> single{};          // one-byte codes
    std::array<char16_t, 0x10000> dbcs{};        // two-byte codes (0 when not assigned)
    std::array<std::uint8_t, 0x10000> altIndex{};  // 0 the preferred code, else 1 or 2
    std::array<std::uint16_t, 0x10000> encode{};   // BMP character -> code (0: none)
    // For a character with other codes: those codes, in code order.
    std::array<std::array<std::uint16_t, kMaxAlternates>, 0x10000>* alternates = nullptr;

    Tables() {
        static std::array<std::array<std::uint16_t, kMaxAlternates>, 0x10000> alts{};
        alternates = &alts;
        for (int u = 1; u < 0x10000; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF) continue;
            QString s(QChar(static_cast<char16_t>(u)));
            std::string sj = Utf8ToSjis(s.toUtf8().toStdString());
            if (sj == " " && u != 0x20) continue;
            if (sj.size() == 1) encode[u] = static_cast<unsigned char>(sj[0]);
            else if (sj.size() == 2)
                encode[u] = static_cast<std::uint16_t>((static_cast<unsigned char>(sj[0]) << 8) |
                                                       static_cast<unsigned char>(sj[1]));
        }
        for (int b = 0; b < 256; ++b) {
            if (IsLead(static_cast<unsigned char>(b))) continue;
            char c = static_cast<char>(b);
            single[b] = Decode(std::string_view(&c, 1));
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLead(static_cast<unsigned char>(lead))) continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (!IsTrail(static_cast<unsigned char>(trail))) continue;
                char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                char16_t u = Decode(std::string_view(pair, 2));
                if (u == kReplacement) continue;
                std::uint16_t code = static_cast<std::uint16_t>((lead << 8) | trail);
                dbcs[code] = u;
                if (encode[u] == code) continue;
                // Another code of the same character: number it after those already met.
                auto& list = alts[u];
                for (int k = 0; k < kMaxAlternates; ++k) {
                    if (list[k] == 0) {
                        list[k] = code;
                        altIndex[code] = static_cast<std::uint8_t>(k + 1);
                        break;
                    }
                }
            }
        }
    }

    static char16_t Decode(std::string_view bytes) {
        QString s = QString::fromUtf8(SjisToUtf8(bytes));
        return s.size() == 1 ? s.at(0).unicode() : kReplacement;
    }
};

const Tables& GetTables() {
    static const std::unique_ptr<Tables> tables = std::make_unique<Tables>();
    return *tables;
}

}  // namespace

QString FromSjis(std::string_view sjis) {
    const Tables& t = GetTables();
    QString out;
    out.reserve(static_cast<qsizetype>(sjis.size()));
    const auto* p = reinterpret_cast<const unsigned char*>(sjis.data());
    const std::size_t n = sjis.size();
    for (std::size_t i = 0; i < n;) {
        unsigned char c = p[i];
        if (IsLead(c) && i + 1 < n && IsTrail(p[i + 1])) {
            std::uint16_t code = static_cast<std::uint16_t>((c << 8) | p[i + 1]);
            char16_t u = t.dbcs[code];
            if (u == 0) {
                out.append(QChar(kReplacement));
            } else {
                out.append(QChar(u));
                for (int k = 0; k < t.altIndex[code]; ++k) out.append(QChar(kJoiner));
            }
            i += 2;
            continue;
        }
        // A lead byte without its trail stands alone; the next byte is read on its own.
        out.append(QChar(IsLead(c) ? kReplacement : (c == 0 ? char16_t(0) : t.single[c] ? t.single[c] : kReplacement)));
        ++i;
    }
    return out;
}

std::string ToSjis(const QString& text) {
    const Tables& t = GetTables();
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()) * 2);
    const char16_t* s = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        char16_t u = s[i];
        if (u == kJoiner) {  // a joiner that marks nothing
            ++i;
            continue;
        }
        if (QChar::isHighSurrogate(u)) {
            // Nothing outside the BMP is CP932; a pair (or a lone half) is one blank.
            i += (i + 1 < n && QChar::isLowSurrogate(s[i + 1])) ? 2 : 1;
            out.push_back(' ');
            continue;
        }
        ++i;
        int joiners = 0;
        while (i < n && s[i] == kJoiner) {
            ++joiners;
            ++i;
        }
        std::uint16_t code = t.encode[u];
        if (u == 0) code = 0;
        else if (code == 0) {
            out.push_back(' ');
            continue;
        }
        if (joiners > 0 && joiners <= kMaxAlternates) {
            std::uint16_t alt = (*t.alternates)[u][joiners - 1];
            if (alt != 0) code = alt;
        }
        if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
        out.push_back(static_cast<char>(code & 0xFF));
    }
    return out;
}

std::size_t SjisLength(const QString& text) { return ToSjis(text).size(); }

bool IsSjisCharacter(char32_t c) {
    if (c == 0 || c == kJoiner) return true;
    if (c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    return GetTables().encode[c] != 0;
}

QString FromPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

std::string ToPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

std::string PathToSjis(const std::string& path) { return Utf8ToSjis(FromPath(path).toUtf8().toStdString()); }

}  // namespace ui
