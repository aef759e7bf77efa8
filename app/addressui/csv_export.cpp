#include "app/addressui/csv_export.h"

#include <algorithm>
#include <array>
#include <map>
#include <mutex>

#include "app/addressui/search_filter.h"
#include "app/addressui/search_result_cells.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/cp932.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/sjis_bytes.h"
#include "platform/named_mutex.h"

namespace addressui {
namespace {

// An export is written for another program, at a place the user chose: it follows the
// user's umask like any document they save (and keeps the mode of a file it replaces),
// where everything the program keeps for itself is private.
constexpr platform::FileAccess kExportAccess = platform::FileAccess::kUmask;

// What a column writes of its element.
enum class Value {
    kAsIs,
    kDate,        // the first 10 bytes (the date of a date text)
    kJoinedName,  // the element and the next one, joined by a blank
    kWebZip,      // a hyphen after the third character when there is none
    kPrefecture,  // "<未選択>" written empty
    kDmWords,     // "N" -> "受信しない", anything else "受信する"
    kWebAttr,     // a date attribute as kDate, others as they are
    kEnd,         // the text "#END"
};

struct CsvColumn {
    const char* header;  // UTF-8; null: the attribute's configured name
    int element;
    Value value;
};

constexpr std::size_t kDateBytes = 10;

const std::vector<CsvColumn>& GeneralColumns() {
    static const std::vector<CsvColumn> c = [] {
        std::vector<CsvColumn> v = {
            {"個人情報ID", 0, Value::kAsIs}, {"メールアドレス", 1, Value::kAsIs}, {"名前(姓)", 2, Value::kAsIs},
            {"名前(名)", 3, Value::kAsIs},   {"かな(せい)", 4, Value::kAsIs},     {"かな(めい)", 5, Value::kAsIs},
            {"会社名", 6, Value::kAsIs},     {"部署名", 7, Value::kAsIs},         {"生年月日", 8, Value::kDate},
            {"郵便番号", 9, Value::kAsIs},   {"都道府県", 11, Value::kAsIs},      {"市区町村", 12, Value::kAsIs},
            {"番地以下", 13, Value::kAsIs},  {"電話番号", 15, Value::kAsIs},      {"FAX番号", 17, Value::kAsIs},
            {"携帯番号", 19, Value::kAsIs},  {"DM送付可否", 21, Value::kAsIs}};
        // "DM以外送付可否" (element 22) stands in the layout's table but was never written:
        // readers of the layout count on 39 columns.
        for (int e = 28; e <= 47; ++e) v.push_back({nullptr, e, Value::kAsIs});
        v.push_back({"登録日時", 54, Value::kAsIs});
        v.push_back({"更新日時", 55, Value::kAsIs});
        return v;
    }();
    return c;
}

const std::vector<CsvColumn>& BrindellColumns() {
    static const std::vector<CsvColumn> c = [] {
        std::vector<CsvColumn> v = {
            {"メールアドレス", 1, Value::kAsIs}, {"姓", 2, Value::kAsIs},           {"名", 3, Value::kAsIs},
            {"姓（ふりがな）", 4, Value::kAsIs}, {"名（ふりがな）", 5, Value::kAsIs}, {"会社名", 6, Value::kAsIs},
            {"部署名", 7, Value::kAsIs},         {"生年月日", 8, Value::kDate},      {"郵便番号", 9, Value::kAsIs},
            {"都道府県", 11, Value::kAsIs},      {"市区町村", 12, Value::kAsIs},     {"番地以下", 13, Value::kAsIs},
            {"電話番号", 15, Value::kAsIs},      {"FAX番号", 17, Value::kAsIs},      {"携帯番号", 19, Value::kAsIs},
            {"DM配信", 21, Value::kAsIs},        {"性別", 28, Value::kAsIs},         {"購入回数", 29, Value::kAsIs},
            {"購入総額", 30, Value::kAsIs},      {"購入商品", 31, Value::kAsIs},     {"顧客ランク", 32, Value::kAsIs},
            {"メモ", 33, Value::kAsIs}};
        for (int e = 34; e <= 43; ++e) v.push_back({nullptr, e, Value::kAsIs});
        v.push_back({"会員フラグ", 44, Value::kAsIs});
        v.push_back({"ポイント", 45, Value::kAsIs});
        v.push_back({"ポイント有効期限", 46, Value::kDate});
        v.push_back({"登録日時", 54, Value::kAsIs});
        v.push_back({"最終更新日時", 55, Value::kAsIs});
        return v;
    }();
    return c;
}

const std::vector<CsvColumn>& WebServiceColumns() {
    static const std::vector<CsvColumn> c = [] {
        std::vector<CsvColumn> v = {
            {"メールアドレス", 1, Value::kAsIs},    {"氏名", 2, Value::kJoinedName},
            {"氏名ふりがな", 4, Value::kJoinedName}, {"会社名", 6, Value::kAsIs},
            {"部署名", 7, Value::kAsIs},            {"誕生日（年月日）", 8, Value::kDate},
            {"郵便番号", 9, Value::kWebZip},        {"都道府県", 11, Value::kPrefecture},
            {"住所1", 12, Value::kAsIs},            {"住所2", 13, Value::kAsIs},
            {"電話番号（自宅）", 15, Value::kAsIs}, {"FAX番号", 17, Value::kAsIs},
            {"電話番号（携帯）", 19, Value::kAsIs}, {"メール受信フラグ", 21, Value::kDmWords}};
        static const char* const attr[20] = {
            "拡張属性A", "拡張属性B", "拡張属性C", "拡張属性D", "拡張属性E", "拡張属性F", "拡張属性G",
            "拡張属性H", "拡張属性I", "拡張属性J", "拡張属性K", "拡張属性L", "拡張属性M", "拡張属性N",
            "拡張属性O", "拡張属性P", "拡張属性Q", "拡張属性R", "拡張属性S", "拡張属性T"};
        for (int k = 0; k < 20; ++k) v.push_back({attr[k], 28 + k, Value::kWebAttr});
        v.push_back({"#END", -1, Value::kEnd});
        return v;
    }();
    return c;
}

const std::vector<CsvColumn>& WebServiceShortColumns() {
    static const std::vector<CsvColumn> c = {
        {"氏名", 2, Value::kJoinedName}, {"メールアドレス", 1, Value::kAsIs}, {"#END", -1, Value::kEnd}};
    return c;
}

const std::string& Sjis(const char* utf8) {
    // The fixed texts, converted once each.
    static std::mutex m;
    static std::map<std::string, std::string> cache;  // node-based: references stay valid
    std::lock_guard<std::mutex> lock(m);
    auto it = cache.find(utf8);
    if (it == cache.end()) it = cache.emplace(utf8, Utf8ToSjis(utf8)).first;
    return it->second;
}

// The kind suffix of an attribute header in the web-service layout.
std::string KindSuffix(int kind) {
    switch (kind) {
        case 0: return Utf8ToSjis("(単一行テキスト型)");
        case 1: return Utf8ToSjis("(数値型)");
        case 2: return Utf8ToSjis("(年月日型)");
        default: return {};
    }
}

// Inserts a hyphen after the third character of a postal code longer than three
// characters that has none ("1234567" -> "123-4567"). Characters, not bytes, so a
// full-width code is never split.
void WebZip(std::string_view zip, std::string& out) {
    out.assign(zip);
    if (zip.find('-') != std::string_view::npos) return;
    std::size_t i = 0;
    int chars = 0;
    while (i < zip.size() && chars < 3) {
        i += IsSjisLeadByte(static_cast<unsigned char>(zip[i])) && i + 1 < zip.size() ? 2 : 1;
        ++chars;
    }
    if (chars == 3 && i < zip.size()) out.insert(i, 1, '-');
}

std::size_t CutLengthAtCharacter(std::string_view text, std::size_t bytes) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t step = IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (i + step > bytes) break;
        i += step;
    }
    return i;
}

class LayoutWriter {
public:
    LayoutWriter(CDatabaseEdit& book, const std::vector<CsvColumn>& columns, const AddressExportRequest& request)
        : book_(book), columns_(columns), request_(request) {
        attrKind_.fill(-1);
        for (const CsvColumn& c : columns_)
            if (c.value == Value::kWebAttr) attrKind_[static_cast<std::size_t>(c.element - 28)] = SearchFieldKind(book, c.element);
    }

    int Run(const std::vector<int>& ids, bool header) {
        CsvWrite out;
        if (out.OpenFile(request_.path, WriteMode::kSafe, kExportAccess) != 1) return kExportOpenFailed;
        if (header && !WriteHeader(out)) return Fail(out);
        constexpr std::size_t kBlock = 2048;
        platform::NamedMutex bookMutex(CDatabaseEdit::kMutexName);
        std::string mail;
        for (std::size_t at = 0; at < ids.size(); at += kBlock) {
            std::lock_guard<platform::NamedMutex> lock(bookMutex);
            const std::size_t end = std::min(ids.size(), at + kBlock);
            for (std::size_t k = at; k < end; ++k) {
                const int row = book_.DBID2RowNumber(ids[k]);
                if (row < 0 || book_.GetAtElement(row, 1, mail) != 0 || mail.empty()) continue;
                out.BufferEmpty();
                for (const CsvColumn& c : columns_) AddValue(out, row, c);
                if (out.WriteLine() < 0) return Fail(out);
            }
        }
        return out.CloseFile() == 0 ? kExportOk : kExportWriteFailed;
    }

private:
    static int Fail(CsvWrite& out) {
        out.AbortFile();
        return kExportWriteFailed;
    }

    bool WriteHeader(CsvWrite& out) {
        out.BufferEmpty();
        for (const CsvColumn& c : columns_) {
            if (c.header == nullptr) {
                const auto k = static_cast<std::size_t>(c.element - 28);
                out.SetData(k < request_.attributeNames.size() ? std::string_view(request_.attributeNames[k])
                                                               : std::string_view());
            } else if (c.value == Value::kWebAttr) {
                out.SetData(Sjis(c.header) + KindSuffix(attrKind_[static_cast<std::size_t>(c.element - 28)]));
            } else {
                out.SetData(Sjis(c.header));
            }
        }
        return out.WriteLine() >= 0;
    }

    void AddValue(CsvWrite& out, int row, const CsvColumn& c) {
        if (c.value == Value::kEnd) {
            out.SetData(std::string_view("#END"));
            return;
        }
        book_.GetAtElement(row, c.element, text_);
        switch (c.value) {
            case Value::kAsIs:
                out.SetData(std::string_view(text_));
                return;
            case Value::kDate:
                out.SetData(std::string_view(text_).substr(0, CutLength(text_)));
                return;
            case Value::kJoinedName:
                book_.GetAtElement(row, c.element + 1, other_);
                if (!text_.empty() || !other_.empty()) {
                    text_ += ' ';
                    text_ += other_;
                }
                out.SetData(std::string_view(text_));
                return;
            case Value::kWebZip:
                WebZip(text_, other_);
                out.SetData(std::string_view(other_));
                return;
            case Value::kPrefecture:
                out.SetData(text_ == unselected_ ? std::string_view() : std::string_view(text_));
                return;
            case Value::kDmWords:
                out.SetData(std::string_view(text_ == "N" ? refuses_ : accepts_));
                return;
            case Value::kWebAttr:
                if (attrKind_[static_cast<std::size_t>(c.element - 28)] == 2)
                    out.SetData(std::string_view(text_).substr(0, CutLength(text_)));
                else
                    out.SetData(std::string_view(text_));
                return;
            case Value::kEnd:
                return;
        }
    }

    static std::size_t CutLength(std::string_view text) { return CutLengthAtCharacter(text, kDateBytes); }

    CDatabaseEdit& book_;
    const std::vector<CsvColumn>& columns_;
    const AddressExportRequest& request_;
    std::array<int, 20> attrKind_{};
    const std::string& unselected_ = Sjis("<未選択>");
    const std::string& accepts_ = Sjis("受信する");
    const std::string& refuses_ = Sjis("受信しない");
    std::string text_, other_;
};

}  // namespace

std::string CutAtCharacter(std::string_view text, std::size_t bytes) {
    return std::string(text.substr(0, CutLengthAtCharacter(text, bytes)));
}

int ExportListRows(CDatabaseEdit& book, const std::string& path, const std::vector<ListColumn>& columns,
                   const std::vector<int>& ids, bool header) {
    constexpr std::size_t kCaptionBytes = 100;
    CsvWrite out;
    if (out.OpenFile(path, WriteMode::kSafe, kExportAccess) != 1) return kExportOpenFailed;
    auto fail = [&out] {
        out.AbortFile();
        return kExportWriteFailed;
    };
    if (header) {
        out.BufferEmpty();
        for (const ListColumn& c : columns) out.SetData(std::string_view(c.caption).substr(0, CutLengthAtCharacter(c.caption, kCaptionBytes)));
        if (out.WriteLine() < 0) return fail();
    }
    constexpr std::size_t kBlock = 2048;
    platform::NamedMutex bookMutex(CDatabaseEdit::kMutexName);
    std::string cell, scratch, idText;
    for (std::size_t at = 0; at < ids.size(); at += kBlock) {
        std::lock_guard<platform::NamedMutex> lock(bookMutex);
        const std::size_t end = std::min(ids.size(), at + kBlock);
        for (std::size_t k = at; k < end; ++k) {
            const int row = book.DBID2RowNumber(ids[k]);
            idText = std::to_string(ids[k]);
            out.BufferEmpty();
            for (const ListColumn& c : columns) {
                if (c.element == 0) {
                    out.SetData(std::string_view(idText));
                } else if (row < 0) {
                    out.SetData(std::string_view());
                } else {
                    ResultCellText(book, row, c.element, cell, scratch);
                    out.SetData(std::string_view(cell));
                }
            }
            if (out.WriteLine() < 0) return fail();
        }
    }
    return out.CloseFile() == 0 ? kExportOk : kExportWriteFailed;
}

int ExportAddressBook(CDatabaseEdit& book, const AddressExportRequest& request) {
    std::vector<int> ids;
    switch (request.recordKind) {
        case 0: book.GetDBIDWithoutDelete(ids); break;
        case 1: book.GetDeleteCustomerList(ids); break;
        case 2: book.GetDBIDALL(ids); break;
        default: return kExportBadRequest;
    }
    switch (request.layout) {
        case kExportGeneral:
            return LayoutWriter(book, GeneralColumns(), request).Run(ids, request.itemNames);
        case kExportBrindell:
            return LayoutWriter(book, BrindellColumns(), request).Run(ids, true);
        case kExportWebService:
            return LayoutWriter(book, request.nameAndAddressOnly ? WebServiceShortColumns() : WebServiceColumns(),
                                request)
                .Run(ids, true);
        default:
            return kExportBadRequest;
    }
}

}  // namespace addressui
