#include "app/e2e/people.h"

#include "core/foundation/cp932.h"
#include "core/foundation/sjis_bytes.h"

namespace e2e {

const char* const kGold = "ゴールド";

namespace {

struct Name {
    const char* kanji;
    const char* kana;
};
const Name kFamily[] = {{"佐藤", "さとう"}, {"鈴木", "すずき"}, {"高橋", "たかはし"}, {"田中", "たなか"},
                        {"渡辺", "わたなべ"}, {"伊藤", "いとう"}, {"山本", "やまもと"}, {"中村", "なかむら"},
                        {"小林", "こばやし"}, {"山﨑", "やまざき"}, {"加藤", "かとう"}, {"吉田", "よしだ"},
                        {"山田", "やまだ"}, {"佐々木", "ささき"}, {"松本", "まつもと"}, {"井上", "いのうえ"},
                        {"木村", "きむら"}, {"髙橋", "たかはし"}, {"清水", "しみず"}, {"森", "もり"}};
const Name kGiven[] = {{"太郎", "たろう"}, {"花子", "はなこ"}, {"一郎", "いちろう"}, {"美咲", "みさき"},
                       {"翔", "しょう"}, {"陽菜", "ひな"}, {"健太", "けんた"}, {"さくら", "さくら"},
                       {"大輔", "だいすけ"}, {"由美", "ゆみ"}, {"誠", "まこと"}, {"愛", "あい"},
                       {"拓也", "たくや"}, {"彩", "あや"}, {"浩二", "こうじ"}, {"恵子", "けいこ"},
                       {"直樹", "なおき"}, {"真由美", "まゆみ"}, {"剛", "つよし"}, {"舞", "まい"}};

}  // namespace

bool Person::Chosen() const { return rank == kGold; }

std::vector<Person> MakePeople(int count) {
    std::vector<Person> people;
    people.reserve(static_cast<std::size_t>(count));
    for (int n = 1; n <= count; ++n) {
        Person p;
        p.number = n;
        const Name& family = kFamily[(n * 7 + n / 10) % 20];
        const Name& given = kGiven[(n * 3 + n / 20) % 20];
        p.sei = family.kanji;
        p.mei = given.kanji;
        p.seiKana = family.kana;
        p.meiKana = given.kana;
        p.rank = n % 2 == 0 ? kGold : "一般";
        char member[16];
        std::snprintf(member, sizeof member, "M%05d", n);
        p.member = member;
        char local[32];
        std::snprintf(local, sizeof local, "u%05d", n);
        p.refused = n % 97 == 0;
        p.necForm = (n / 30) % 2 == 1;
        std::string domain = "example.com";
        switch (n % 10) {
            case 3: case 4: p.terminal = Terminal::kDocomo; domain = "docomo.ne.jp"; break;
            case 5: case 6: p.terminal = Terminal::kAu; domain = "ezweb.ne.jp"; break;
            case 7: case 8: p.terminal = Terminal::kSoftbank; domain = "softbank.ne.jp"; break;
            default: break;
        }
        p.address = (p.refused ? std::string("gone-") : std::string()) + local + "@" + domain;
        people.push_back(std::move(p));
    }
    return people;
}

// The family name in the NEC-selected form: 髙 0xEEE0, 﨑 0xED95 for the IBM codes Windows
// gives (0xFBFC, 0xFAB1).
std::string NecForm(std::string sjis) {
    for (std::size_t i = 0; i + 1 < sjis.size(); ++i) {
        const auto lead = static_cast<unsigned char>(sjis[i]), trail = static_cast<unsigned char>(sjis[i + 1]);
        if (lead == 0xFB && trail == 0xFC) sjis.replace(i, 2, "\xEE\xE0");
        else if (lead == 0xFA && trail == 0xB1) sjis.replace(i, 2, "\xED\x95");
        if (IsSjisLeadByte(lead)) ++i;  // a two-byte character
    }
    return sjis;
}

std::string PeopleCsv(const std::vector<Person>& people) {
    std::string csv = Utf8ToSjis("メールアドレス,姓,名,せい,めい,会員区分,会員番号\r\n");
    csv.reserve(people.size() * 48);
    for (const Person& p : people) {
        const std::string sei = Utf8ToSjis(p.sei);
        csv += p.address + "," + (p.necForm ? NecForm(sei) : sei) + "," +
               Utf8ToSjis(p.mei + "," + p.seiKana + "," + p.meiKana + "," + p.rank + "," + p.member) + "\r\n";
    }
    return csv;
}

std::string AcceptedAddresses(const std::vector<Person>& people, const std::string& sender) {
    std::string out = sender + "\n";
    for (const Person& p : people)
        if (!p.refused) out += p.address + "\n";
    return out;
}

}  // namespace e2e
