#include "core/foundation/ids_in_use.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "core/foundation/csv_read.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/record_walk.h"
#include "core/foundation/store_key.h"
#include "platform/path.h"

namespace {

// A non-negative decimal number written with "%d"; -1 for anything else.
long ParseId(std::string_view text) {
    if (text.empty() || text.size() > 10) return -1;
    long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v <= INT_MAX ? v : -1;
}

// The largest first element of a record file. False when the file exists but does not
// read whole or holds a record without a numeric ID; a missing file holds no IDs.
bool ScanList(const EnvManager& env, const std::string& path, long& largest) {
    if (!platform::PathExists(path)) return true;
    StoreKey key;
    if (GetStoreKey(&env, key) != 0) return false;
    XCsvRead reader;
    if (key.keyed) reader.SetUseKey(key.text);
    if (reader.OpenFile(path) != 1) return false;
    // Every list writes its IDs with "%d": anything else means the file is not what it
    // should be (damaged, or coded with another key), and no ID can be trusted.
    const RecordWalk walk = WalkRecords(reader, reader.ReadLine(), [&](int) {
        const long id = ParseId(reader.GetDataView(0));
        if (id < 0) return false;
        largest = std::max(largest, id);
        return true;
    });
    return walk == RecordWalk::kWhole;
}

// The largest <n> among the entries of `folder` named prefix<n>suffix.
void ScanNames(const std::string& folder, std::string_view prefix, std::string_view suffix,
               bool directories, long& largest) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
            !name.ends_with(suffix))
            continue;
        std::error_code typeEc;
        if (it->is_directory(typeEc) != directories) continue;
        largest = std::max(largest, ParseId(std::string_view(name).substr(
                                        prefix.size(), name.size() - prefix.size() - suffix.size())));
    }
}

}  // namespace

int LargestIdInUse(const EnvManager& env, int seqType, int& largest) {
    if (env.GetEnvType() == 0) return -1;
    long found = -1;
    bool ok = true;
    switch (seqType) {
        case 0:
            ok = ScanList(env, env_layout::DatabaseFile(env), found);
            break;
        case 1: {
            ScanNames(env_layout::MailFolder(env), "", "", true, found);
            ok = ScanList(env, env_layout::MailListFile(env), found);
            break;
        }
        case 2: {
            const std::string extract = env_layout::ExtractFolder(env);
            ScanNames(extract, "exrd", ".dat", false, found);
            ScanNames(extract, "exsl", ".dat", false, found);
            ok = ScanList(env, env_layout::ExtractListFile(env), found);
            break;
        }
        default:
            return -1;
    }
    if (!ok) return -2;
    largest = static_cast<int>(found);
    return 0;
}
