#pragma once
// Environments as the program makes them, filled for the benchmarks of the program's own
// layers: made by the program's creation (keyed, default options), then given an address
// book of `records` people, a mail list of `mails` mails, and one generation of the book
// (equal to it: the usual state after an open).

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "app/environment/new_environment.h"
#include "app/environment/program_keys.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "core/mailstore/mail_list_viewer.h"

namespace bench_env {

inline void FillBook(CDatabaseEdit& book, int records) {
    const std::string sei = Utf8ToSjis("佐々木"), mei = Utf8ToSjis("美咲");
    const std::string prefecture = Utf8ToSjis("神奈川県"), city = Utf8ToSjis("横浜市中区");
    const std::string company = Utf8ToSjis("株式会社サンプル商事");
    std::mt19937 rng(4711);
    OneCustomer c;
    InitOneCustomer(c);
    c.EntryDate = platform::DateTime(2008, 4, 1, 9, 5, 0);
    c.RenewalDate = platform::DateTime(2024, 1, 2, 3, 4, 5);
    char buf[64];
    CDatabaseEdit::ChangeGroup group(book);  // one commit for the whole book
    for (int i = 0; i < records; ++i) {
        c.CustomerID = 1000 + i;
        c.Email = "misaki.sasaki" + std::to_string(i) + "@example.co.jp";
        c.KanjiSei = sei;
        c.KanjiMei = mei;
        c.Company = rng() % 2 ? company : std::string();
        c.Prefecture = prefecture;
        c.Address1 = city;
        std::snprintf(buf, sizeof buf, "%07u", static_cast<unsigned>(rng() % 10000000));
        c.ZipCode1 = buf;
        std::snprintf(buf, sizeof buf, "045-%04u-%04u", static_cast<unsigned>(rng() % 10000),
                      static_cast<unsigned>(rng() % 10000));
        c.Phone1 = buf;
        c.Extra[0] = std::to_string(rng() % 100);
        if (book.SetOneCustomerInfoForRepair(c) != 0) std::abort();
    }
}

inline void FillMails(CMailListViewer& mails, int count) {
    const std::string title = Utf8ToSjis("春のキャンペーンのお知らせ");
    const std::string list = Utf8ToSjis("会員全員");
    for (int id = 1; id <= count; ++id) {
        COneMailData mail;
        mail.SetMailID(id);
        mail.SetMailTitle(title + std::to_string(id));
        mail.SetAddressName(list);
        mail.SetStatus(id % 3 == 0 ? "C" : "D", 0);
        mail.SetDate(COneMailData::kEntryDate, platform::DateTime(2023, 1 + id % 12, 1 + id % 28, 10, 0, 0), 0);
        mail.SetDate(COneMailData::kRenewalDate, platform::DateTime(2024, 1 + id % 12, 1 + id % 28, 10, 0, 0), 0);
        mail.SetSpecialFlag("NN");
        if (mails.SetMailData(mail) != 0) std::abort();
    }
}

// Makes the environments `names` in `root` (a folder ending in '/') with the same book and
// mail list each; their descriptor paths in the same order. Aborts the run on failure.
inline std::vector<std::string> MakeFilledEnvironments(const std::string& root, const std::vector<std::string>& names,
                                                       int records, int mails) {
    std::vector<std::string> descriptors;
    for (const std::string& name : names) {
        if (shell::CreateNewEnvironment(name, root, "N", "", false) != 0) std::abort();
        descriptors.push_back(root + name + ".env");
    }
    EnvManager env;
    if (env.InitEnvFileInfo(descriptors.front(), shell::kDescriptorKey, 0) != 0) std::abort();
    CDatabaseEdit book(&env);
    FillBook(book, records);
    CMailListViewer list(&env);
    FillMails(list, mails);
    for (const std::string& descriptor : descriptors) {
        EnvManager target;
        StoreKey key;
        if (target.InitEnvFileInfo(descriptor, shell::kDescriptorKey, 0) != 0 || GetStoreKey(&target, key) != 0)
            std::abort();
        const std::string db = env_layout::DatabaseFile(target);
        if (book.WriteFromMemoryToFileAppointFileName(db, key.get()) != 0 ||
            list.WriteFromMemoryToFileAppointFileName(env_layout::MailListFile(target), key.get()) != 0)
            std::abort();
        std::filesystem::copy_file(db, env_layout::DbFolder(target) + "database.001",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    return descriptors;
}

}  // namespace bench_env
