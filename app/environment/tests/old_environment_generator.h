#pragma once
// Environments as older versions of the program left them, made at test time with the
// core's own writers (never committed as files): an empty descriptor (unkeyed, type 3)
// and every data file in the default coding, in the layout of the generation asked for.
//
//   "89"  90 options, option 89 "89"; a mail list of 12 columns with one-letter special
//         flags; an extraction list of 3 columns; address fields split (zip, building,
//         telephone, fax, mobile)
//   "Y2"  90 options (82-88 set), option 89 "Y2"; 13-column mail list (column 12 set);
//         otherwise as "89"
//   "Y3"  120 options (90-119 set, 112 "Y"), option 89 "Y3"; fields joined, 5-column
//         extraction list; still unkeyed
//
// Contents, whatever the generation (`records` people, `mails` mails):
//   DB/database.dat and its generations database.001 .. SAVE_MAX (copies of it), with
//     [HISTORY] SAVE_MAX in QuendrelT.ini, the mail font "MS UI Gothic";
//   DB/autoreg.dat (one 56-element record), DB/autoref.dat (one address),
//     DB/testmailinginfo.dat (one recipient);
//   mail 1: status "B", conditions with a first tab on elements 10, 3, 14 (on 3 alone
//     from "Y3" on, as the older "Y2" step left them), recipients,
//     one attachment in the one-list layout ("note.txt"); mail 2: status "C" (sent), with
//     a send history; further mails: "W" then "D" in turn;
//   saved extraction 1 with conditions (first tab on 18, 5; on 5 from "Y3" on) and members.
// Header only: the upgrade benchmark makes its large environments with it too.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/environment/new_environment.h"
#include "app/environment/program_keys.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/cp932.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/ini_manager.h"
#include "core/foundation/record_table.h"
#include "core/mailstore/attach_writer.h"
#include "platform/safe_write.h"

namespace oldenv {

enum class Generation { k89, kY2, kY3 };

struct OldEnvironmentOptions {
    Generation generation = Generation::k89;
    int records = 4;
    int mails = 2;
    int saveMax = 1;
};

// The texts of the attachment of mail 1.
inline const char* const kAttachmentName = "note.txt";
inline const char* const kAttachmentBytes = "hello from an older version\r\n";

namespace detail {

inline bool WriteRecords(const std::string& path, const std::vector<std::vector<std::string>>& records) {
    XCsvWrite w;
    if (w.OpenFile(path) != 1) return false;
    for (const auto& record : records) {
        w.BufferEmpty();
        for (const std::string& field : record) w.SetData(std::string_view(field));
        if (w.WriteLine() < 0) return false;
    }
    return w.CloseFile() == 0;
}

inline std::vector<std::string> Off() { return {"-1", "E", "", "Y", "", "", "Y"}; }
inline std::vector<std::string> On(int element, const std::string& value) {
    return {std::to_string(element), "E", value, "Y", "", "", "Y"};
}
// 15 conditions; the first tab's first elements as given.
inline std::vector<std::vector<std::string>> Conditions(const std::vector<int>& firstTab) {
    std::vector<std::vector<std::string>> out(15, Off());
    for (std::size_t i = 0; i < firstTab.size(); ++i) out[i] = On(firstTab[i], "x");
    return out;
}

inline std::string Date(int day) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "2007/03/%02d 10:20:30", day % 28 + 1);
    return buf;
}

}  // namespace detail

// Writes <parent>/<name>.env and <parent>/<name>/ (parent ends in '/'); returns the
// descriptor's path, or "" when a file could not be written.
inline std::string MakeOldEnvironment(const std::string& parent, const std::string& name,
                                      const OldEnvironmentOptions& o) {
    using detail::WriteRecords;
    namespace fs = std::filesystem;
    const bool joined = o.generation == Generation::kY3;
    const std::string descriptor = parent + name + ".env";
    const std::string folder = parent + name + "/";
    std::error_code ec;
    for (const char* sub : {"DB", "MAIL", "EXTRACT"}) fs::create_directories(folder + sub, ec);
    if (!platform::WriteFileAtomically(descriptor, "")) return "";
    EnvManager env;
    if (env.InitEnvFileInfo(descriptor, shell::kDescriptorKey, 0) != 0 || env.GetEnvType() != 3) return "";

    // Options.
    std::vector<std::string> options = shell::DefaultSystemOptions(false);
    if (o.generation == Generation::k89) {
        for (int i = 82; i <= 88; ++i) options[static_cast<std::size_t>(i)].clear();
        options.resize(90);
        options[89] = "89";
    } else if (o.generation == Generation::kY2) {
        options.resize(90);
        options[89] = "Y2";
    } else {
        options.resize(120);
        options[89] = "Y3";
        options[112] = "Y";
    }
    if (!WriteRecords(env_layout::SystemOptionFile(env), {options})) return "";

    const std::string ini = env_layout::EnvIniFile(env);
    CIniManager::WriteProfileInt(ini, "HISTORY", "SAVE_MAX", o.saveMax);
    CIniManager::WriteProfileStringA(ini, "MAILFONTINFO", "FACENAME", "MS UI Gothic");
    CIniManager::WriteProfileInt(ini, "MAILFONTINFO", "CHARSET", 0);

    // Address book and its generations.
    {
        CDatabaseEdit book(&env);
        const std::string sei = Utf8ToSjis("山田"), address = Utf8ToSjis("港区芝公園1-2-3");
        const std::string building = Utf8ToSjis("ビル3F");
        for (int i = 0; i < o.records; ++i) {
            OneCustomer c;
            InitOneCustomer(c);
            c.CustomerID = i + 1;
            c.Email = "p" + std::to_string(i + 1) + "@example.jp";
            c.KanjiSei = sei;
            c.Address2 = address;
            c.EntryDate = platform::DateTime(2007, 3, 1, 9, 0, 0);
            c.RenewalDate = platform::DateTime(2007, 3, 2, 9, 0, 0);
            if (!joined && i % 2 == 0) {
                c.ZipCode1 = "123";
                c.ZipCode2 = "4567";
                c.Building = building;
                c.Phone2 = "03-1234-5678";
                c.Fax1 = "03";
                c.Fax2 = "1234-5678";
                c.Portable1 = "090";
                c.Portable2 = "1111-2222";
            } else {
                c.ZipCode1 = "1234567";
                c.Phone1 = "03-1234-5678";
            }
            if (book.SetOneCustomerInfoForRepair(c) != 0) return "";
        }
        if (book.WriteFromMemoryToFileAppointFileName(env_layout::DatabaseFile(env), nullptr) != 0) return "";
    }
    for (int g = 1; g <= o.saveMax; ++g) {
        char tail[16];
        std::snprintf(tail, sizeof tail, ".%03d", g);
        fs::copy_file(env_layout::DatabaseFile(env), env_layout::DbFolder(env) + "database" + tail,
                      fs::copy_options::overwrite_existing, ec);
        if (ec) return "";
    }
    std::vector<std::string> automatic(56);
    automatic[0] = "1";
    automatic[1] = "auto@example.jp";
    if (!platform::WriteFileAtomically(env_layout::CustomerSeqFile(env), std::to_string(o.records + 1)) ||
        !WriteRecords(env_layout::AutoRegisterFile(env), {automatic}) ||
        !WriteRecords(env_layout::AutoRefuseFile(env), {{"refuse@example.jp"}}))
        return "";
    std::vector<std::string> tester(56);
    tester[0] = "0";
    tester[1] = "test@example.jp";
    tester[21] = tester[22] = "Y";
    if (!WriteRecords(env_layout::TestMailingInfoFile(env), {tester})) return "";

    // Mails.
    std::vector<std::vector<std::string>> list;
    const std::string title = Utf8ToSjis("お知らせ");
    for (int id = 1; id <= o.mails; ++id) {
        const char* status = id == 1 ? "B" : id == 2 ? "C" : id % 2 == 1 ? "W" : "D";
        std::vector<std::string> row = {std::to_string(id), title + std::to_string(id), Utf8ToSjis("会員"), status,
                                        detail::Date(id), detail::Date(id), detail::Date(id + 1),
                                        id == 2 ? "3" : "0", "0", "0", detail::Date(id)};
        if (o.generation == Generation::k89) {
            row.push_back("N");
        } else {
            row.push_back("NN");
            row.push_back(o.generation == Generation::kY2 ? "old" : "");
        }
        list.push_back(row);
        fs::create_directories(env_layout::OneMailFolder(env, id), ec);
        std::vector<std::vector<std::string>> bodies(7, {title, Utf8ToSjis("本文") + std::to_string(id)});
        std::vector<std::vector<std::string>> recipients;
        for (int r = 1; r <= std::min(o.records, 3); ++r) recipients.push_back({std::to_string(r)});
        if (!WriteRecords(env_layout::MailRecordFile(env, id), bodies) ||
            !WriteRecords(env_layout::MailRecipientFile(env, id), recipients) ||
            !WriteRecords(env_layout::MailConditionFile(env, id),
                          detail::Conditions(id != 1 ? std::vector<int>{1}
                                             : joined ? std::vector<int>{3}
                                                      : std::vector<int>{10, 3, 14})))
            return "";
        if (id == 2) {
            std::vector<std::vector<std::string>> history;
            for (int r = 1; r <= std::min(o.records, 3); ++r)
                history.push_back({std::to_string(r), "S", "0", "N", "<m" + std::to_string(r) + "@example.jp>",
                                   detail::Date(r)});
            if (!WriteRecords(env_layout::MailHistoryFile(env, id), history)) return "";
        }
    }
    if (o.mails >= 1) {
        const std::string bodies = env_layout::AttachFolder(env, 1);
        fs::create_directories(bodies, ec);
        if (!WriteRecords(env_layout::AttachListFile(env, 1), {{kAttachmentName, "second text"}}) ||
            !platform::WriteFileAtomically(bodies + kAttachmentName + ".base64",
                                           AttachWriter::EncodeBody(kAttachmentBytes)))
            return "";
    }
    if (!WriteRecords(env_layout::MailListFile(env), list) ||
        !platform::WriteFileAtomically(env_layout::MailSeqFile(env), std::to_string(o.mails)))
        return "";

    // Saved extraction 1.
    std::vector<std::string> entry = {"1", Utf8ToSjis("会員一覧"), detail::Date(5)};
    if (joined) entry.insert(entry.end(), {"", ""});
    if (!WriteRecords(env_layout::ExtractListFile(env), {entry}) ||
        !platform::WriteFileAtomically(env_layout::ExtractSeqFile(env), "1") ||
        !WriteRecords(env_layout::ExtractConditionFile(env, 1),
                      detail::Conditions(joined ? std::vector<int>{5} : std::vector<int>{18, 5})) ||
        !WriteRecords(env_layout::ExtractResultFile(env, 1), {{"1"}, {"2"}}))
        return "";
    return descriptor;
}

}  // namespace oldenv
