#include "app/sendrecv/mail_search.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "core/foundation/sjis_bytes.h"
#include "core/foundation/store_key.h"
#include "core/mailstore/eml_file_decoder.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/mail_writer.h"

namespace {

constexpr int kTermRows = 7;
constexpr std::size_t kExcerptReach = 10;
constexpr int kColAddressName = 2;
constexpr int kColSpecialFlag = 11;
constexpr unsigned long kDeletedStatus = 0x80;

// Bytes of the character that starts at `i`: a lead byte followed by a trail byte is one
// character of two; anything else (a broken lead byte too) stands alone.
std::size_t CharLength(std::string_view text, std::size_t i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (IsSjisLeadByte(b) && i + 1 < text.size() && IsSjisTrailByte(static_cast<unsigned char>(text[i + 1]))) return 2;
    return 1;
}

// Walks character starts forward; Next(p) gives the first start at or after p.
class BoundaryWalker {
public:
    explicit BoundaryWalker(std::string_view text) : text_(text) {}
    std::size_t AtOrAfter(std::size_t p) {
        while (at_ < p && at_ < text_.size()) at_ += CharLength(text_, at_);
        return at_;
    }
    // The last start at or before p (p itself when it is one, or the end of the text).
    std::size_t AtOrBefore(std::size_t p) {
        std::size_t last = at_;
        while (at_ < p && at_ < text_.size()) {
            last = at_;
            at_ += CharLength(text_, at_);
        }
        return at_ <= p ? at_ : last;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

struct MailToSearch {
    int id = 0;
    char kind = ' ';
    std::string addressName;
};

void Look(std::string_view text, std::string_view keyword, int mailId, int part, int place,
          std::vector<MailSearchHit>& out) {
    const std::size_t p = FindWholeCharacters(text, keyword);
    if (p == std::string_view::npos) return;
    out.push_back({mailId, part, place, SearchExcerpt(text, p)});
}

std::string PlainTextOf(const std::string& message) {
    EmlFileDecoder decoder;
    decoder.EmlDecode(message);
    return decoder.GetPlainText();
}

void SearchOne(MailWriter& writer, const MailToSearch& mail, int field, std::string_view keyword,
               std::vector<MailSearchHit>& out) {
    const bool subjects = field == kSearchSubject || field == kSearchAll;
    const bool bodies = field == kSearchBody || field == kSearchAll;
    if ((subjects || bodies) && writer.SetMailFromFile(mail.id, 0, nullptr) == 1) {
        if (subjects)
            for (int row = 0; row < kTermRows; ++row)
                Look(writer.GetMailElement(0, row), keyword, mail.id, row, kPlaceSubject, out);
        if (bodies) {
            if (mail.kind == 'N') {
                for (int row = 0; row < kTermRows; ++row)
                    Look(writer.GetMailElement(1, row), keyword, mail.id, row, kPlaceBody, out);
            } else if (mail.kind == 'Y') {
                Look(PlainTextOf(writer.GetMailElement(1, 0)), keyword, mail.id, 0, kPlaceBody, out);
            } else if (mail.kind == 'M') {
                for (int row = 1; row < kTermRows; ++row)
                    Look(PlainTextOf(writer.GetMailElement(1, row)), keyword, mail.id, row, kPlaceBody, out);
            }
        }
    }
    if (field == kSearchAddressName || field == kSearchAll)
        Look(mail.addressName, keyword, mail.id, -1, kPlaceAddressName, out);
}

}  // namespace

std::size_t FindWholeCharacters(std::string_view text, std::string_view keyword) {
    if (keyword.empty()) return std::string_view::npos;
    BoundaryWalker starts(text);
    for (std::size_t from = 0;;) {
        const std::size_t p = text.find(keyword, from);
        if (p == std::string_view::npos) return p;
        if (starts.AtOrAfter(p) == p) {
            // The match must also end where a character ends: a keyword that ends in a
            // lone lead byte must not take the first byte of the text's next character.
            std::size_t end = p;
            while (end < p + keyword.size()) end += CharLength(text, end);
            if (end == p + keyword.size()) return p;
        }
        from = p + 1;
    }
}

std::string SearchExcerpt(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return std::string();
    BoundaryWalker walker(text);
    const std::size_t first = walker.AtOrAfter(pos > kExcerptReach ? pos - kExcerptReach : 0);
    const std::size_t limit = std::min(pos + kExcerptReach + 1, text.size());
    const std::size_t end = walker.AtOrBefore(limit);
    return std::string(text.substr(first, end > first ? end - first : 0));
}

int MailSearcher::Search(int field, const std::string& keyword, std::vector<MailSearchHit>& hits, int threads) const {
    hits.clear();
    if (keyword.empty() || env_ == nullptr || mails_ == nullptr) return 0;

    std::vector<int> ids;
    mails_->CountMailByMailStatus(kDeletedStatus, &ids, 1);
    std::vector<MailToSearch> mails(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        mails[i].id = ids[i];
        std::string flag;
        mails_->GetMailDataPinPoint(ids[i], kColSpecialFlag, flag);
        mails[i].kind = flag.size() >= 2 ? flag[1] : ' ';
        mails_->GetMailDataPinPoint(ids[i], kColAddressName, mails[i].addressName);
    }
    // The data key is read once here, before the threads need it.
    StoreKey key;
    (void)GetStoreKey(env_, key);

    std::vector<std::vector<MailSearchHit>> found(mails.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        MailWriter writer;
        writer.SetTermNum(kTermRows);
        writer.SetEnvManager(env_);
        for (std::size_t i; (i = next.fetch_add(1)) < mails.size();) SearchOne(writer, mails[i], field, keyword, found[i]);
    };
    int n = threads > 0 ? threads : static_cast<int>(std::min(8u, std::max(1u, std::thread::hardware_concurrency())));
    n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(n), mails.size() / 16 + 1));
    std::vector<std::thread> pool;
    for (int t = 1; t < n; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();

    for (std::vector<MailSearchHit>& one : found)
        for (MailSearchHit& hit : one) hits.push_back(std::move(hit));
    return static_cast<int>(hits.size());
}

const char* SearchPartName(int partIndex) {
    static const char* const kNames[kTermRows] = {"通常", "NTT DoCoMo", "au TU-KA", "SoftBank", "WILLCOM", "MOZiO", "パルディオ"};
    return partIndex >= 0 && partIndex < kTermRows ? kNames[partIndex] : "-";
}

const char* SearchPlaceName(int place) {
    switch (place) {
    case kPlaceSubject: return "件名";
    case kPlaceBody: return "本文";
    default: return "宛先名称";
    }
}
