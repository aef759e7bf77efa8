#pragma once
// The people of the end-to-end test's address book: made the same way every time from
// their number, so that the test knows who must get what without reading the program's
// files. Japanese names, mobile carriers' addresses, addresses the mail server refuses,
// and an extra attribute that the extraction chooses by. The chosen ones include people of
// every carrier named 髙橋 and 山﨑, some written in the CSV in the IBM form of code page 932
// (髙 0xFBFC, 﨑 0xFAB1: as Windows and the program's windows write them) and some in the
// NEC-selected form (0xEEE0, 0xED95): the same names to a reader.

#include <string>
#include <vector>

namespace e2e {

enum class Terminal { kPc, kDocomo, kAu, kSoftbank };

struct Person {
    int number = 0;          // 1-based line of the CSV after its header
    std::string address;
    std::string sei, mei;    // family and given name (UTF-8)
    std::string seiKana, meiKana;
    std::string rank;        // the first extra attribute: "ゴールド" or "一般"
    std::string member;      // the second: the member number "M00001"
    Terminal terminal = Terminal::kPc;
    bool refused = false;    // no mailbox: the server bounces the mail
    bool necForm = false;    // 髙 and 﨑 of the family name in the CSV in the NEC-selected form
    bool Chosen() const;     // picked by the extraction (rank "ゴールド")
};

// `count` people; half of them gold.
std::vector<Person> MakePeople(int count);
// The CSV a spreadsheet writes for them: Shift_JIS, CRLF, a header line, columns
// メールアドレス,姓,名,せい,めい,会員区分,会員番号.
std::string PeopleCsv(const std::vector<Person>& people);
// The addresses with a mailbox, one a line (the sender's own too).
std::string AcceptedAddresses(const std::vector<Person>& people, const std::string& sender);

extern const char* const kGold;  // "ゴールド"

}  // namespace e2e
