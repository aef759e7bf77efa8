#include "app/environment/upgrade_recoding.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <utility>

#include "app/environment/environment_managers.h"
#include "app/environment/environment_ui.h"
#include "app/environment/program_keys.h"
#include "app/environment/upgrade_conversions.h"
#include "app/environment/upgrade_fault_probe.h"
#include "app/environment/upgrade_record_recoder.h"
#include "app/environment/upgrade_swap.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/addressbook/open_recovery.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/mailstore/attach_writer.h"
#include "core/mailstore/base64.h"
#include "platform/path.h"
#include "platform/safe_write.h"

namespace shell {
namespace {

constexpr int kStageDescriptor = 0, kStageOptions = 1, kStageBook = 2, kStageMailList = 3, kStageMails = 4,
              kStageExtractList = 5, kStageExtractions = 6, kStageAutoRegister = 7, kStageAutoRefuse = 8,
              kStageTestMailing = 9, kStageSwap = 10, kStageReopen = 11;
constexpr int kTerminalTypes = 5;

// The run of one re-coding: the swap it stages into and the new key.
class Recoder {
public:
    Recoder(EnvironmentManagers& next, UpgradeSwap& swap, std::string key)
        : next_(next), env_(*next.env), swap_(swap), key_(std::move(key)) {}

    // Re-codes one record file from the old coding into its stage: true when written or
    // absent (nothing to do).
    bool File(const std::string& path, const RecordRewrite& rewrite = {}) {
        if (!platform::PathExists(path)) return true;
        const RecodeResult r = RecodeRecordFile(path, nullptr, swap_.Stage(path), key_.c_str(), rewrite);
        if (r == RecodeResult::kWritten) return true;
        swap_.Unstage(path);
        return r == RecodeResult::kAbsent;
    }
    // A file that is not read as records: the progress record of a send history.
    bool Bytes(const std::string& path) {
        if (!platform::PathExists(path)) return true;
        const RecodeResult r = RecodeBytes(path, nullptr, swap_.Stage(path), key_.c_str());
        if (r == RecodeResult::kWritten) return true;
        swap_.Unstage(path);
        return r == RecodeResult::kAbsent;
    }

    bool Options(std::vector<std::string>& options) {
        upgrade::ApplyDefaultsY3(options);
        options[89] = "Y5";
        SystemOption& store = *next_.options;
        return store.SetSODataFromAllDataToMemory(options) == 0 &&
               store.SaveCSVFile(swap_.Stage(env_layout::SystemOptionFile(env_)), 1, key_.c_str()) == 1;
    }

    bool Book() {
        const std::string path = env_layout::DatabaseFile(env_);
        if (next_.book->WriteFromMemoryToFileAppointFileName(swap_.Stage(path), key_.c_str()) != 0) return false;
        // Its journal goes along in the new coding, in which alone the next open can read it.
        // Its batches are all in that copy, which it does not name: that open finds it extends
        // the book before and begins it afresh.
        if (!Bytes(env_layout::DatabaseJournalFile(env_))) return false;
        // Each generation that reads goes along; one that does not is left as it is.
        const int generations = ReadGenerationCount(env_);
        for (int i = 1; i <= generations; ++i) File(GenerationFile(env_, i));
        return true;
    }

    // Waiting mails cannot be sent by this version as they are: back to draft.
    bool MailList(std::vector<int>& ids) {
        CMailListViewer& mails = *next_.mails;
        mails.CountMailByViewType(0x01 | 0x20, &ids);
        for (int id : ids) {
            std::string status;
            if (mails.GetMailDataPinPoint(id, 3, status) == 0 && upgrade::ToDraftAtY3(status) &&
                mails.SetMailDataPinPoint(id, 3, "D") != 0)
                return false;
        }
        return mails.WriteFromMemoryToFileAppointFileName(swap_.Stage(env_layout::MailListFile(env_)),
                                                          key_.c_str()) == 0;
    }

    bool Mail(int id) {
        return File(env_layout::MailRecordFile(env_, id)) && File(env_layout::MailConditionFile(env_, id)) &&
               File(env_layout::MailRecipientFile(env_, id)) && File(env_layout::MailHistoryFile(env_, id)) &&
               Bytes(env_layout::MailHistoryProgressFile(env_, id)) && Attachments(id);
    }

    bool ExtractList(std::vector<int>& ids) {
        ExtractListViewer list;
        list.SetEnvManager(&env_, 0);
        if (list.SetExtractListFromFile(1, nullptr) < 0) return false;
        list.GetAllExtractID(ids);
        return File(env_layout::ExtractListFile(env_));
    }

    bool Extraction(int id) {
        return File(env_layout::ExtractConditionFile(env_, id)) && File(env_layout::ExtractResultFile(env_, id));
    }

private:
    // The attachments of the older one-list layout become the list of terminal type 0
    // (pc) of the per-terminal layout; the other terminal types have none (a list that
    // does not exist is an empty one). Bodies are decoded (so a damaged one fails here,
    // not at a send) and stored anew. Lists already in the per-terminal layout are
    // re-coded as they are.
    bool Attachments(int id) {
        for (int type = 0; type < kTerminalTypes; ++type)
            if (!File(env_layout::AttachListFile(env_, id, type))) return false;
        const std::string list = env_layout::AttachListFile(env_, id, 0);
        if (swap_.IsStaged(list) || !platform::PathExists(env_layout::AttachListFile(env_, id))) return true;

        AttachWriter old;
        old.SetEnvManager(&env_);
        old.SetVersion(3);
        old.SetMailID(id);
        old.SetFlagForDeleteFileInTemp(0);
        if (old.LoadAttachList(nullptr) != 1) return false;
        const std::string folder = env_layout::AttachFolder(env_, id, 0);
        if (old.GetFileNum() > 0 && MakeDirectoryCompel(folder) != 0) return false;
        BaseRecordStructer table;
        table.SetElementNumber(2);
        for (int row = 0; row < old.GetFileNum(); ++row) {
            const std::string name = old.GetAttachListElement(row, 0);
            const std::string second = old.GetAttachListElement(row, 1);
            std::string text;
            if (old.GetAttachDataString(name, text) != 1) return false;
            text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }),
                       text.end());
            std::string bytes;
            if (base64decoding(bytes, text) < 0) return false;
            const char* const cells[2] = {name.c_str(), second.c_str()};
            if (table.InsertString(cells) != 1 ||
                !platform::WriteFileAtomically(swap_.Stage(platform::JoinPath(folder, name + ".base64")),
                                               AttachWriter::EncodeBody(bytes)))
                return false;
        }
        if (MakeDirectoryCompel(platform::FolderOf(list)) != 0) return false;
        return table.SaveCSVFileCompel(swap_.Stage(list), key_.c_str()) == 1;
    }

    EnvironmentManagers& next_;
    EnvManager& env_;
    UpgradeSwap& swap_;
    std::string key_;
};

bool StageFails(int stage) { return UpgradeFaultAt("recode:" + std::to_string(stage)); }

}  // namespace

std::string GenerationFile(const EnvManager& env, int n) {
    char tail[16];
    std::snprintf(tail, sizeof tail, ".%03d", n);
    return env_layout::DbFolder(env) + "database" + tail;
}

EnvironmentRecoding::EnvironmentRecoding(EnvironmentManagers& next, EnvironmentUi* ui) : next_(next), ui_(ui) {}

int EnvironmentRecoding::Run(std::vector<std::string>& options) {
    EnvManager& env = *next_.env;
    const std::string descriptor = env_layout::DescriptorFile(env);
    UpgradeSwap swap(descriptor);
    auto fail = [&](int stage) {
        failedStage_ = stage;
        swap.Abandon();
        return -7;
    };
    if (swap.Begin() != 0) return fail(kStageDescriptor);

    // The new descriptor with a new data key, beside the old (empty) one.
    const std::string stagedDescriptor = swap.Stage(descriptor);
    if (UpgradeFaultAt("recode:descriptor") || EnvManager::MakeDefaultEnvFile(stagedDescriptor, kDescriptorKey) != 0)
        return fail(kStageDescriptor);
    EnvManager staged;
    staged.InitEnvFileInfo(stagedDescriptor, kDescriptorKey, 0);  // its own folder does not exist: -3
    std::string key;
    if (staged.GetEnvType() != 5 || staged.GetDBKey(key) != 0 || key.empty()) return fail(kStageDescriptor);
    // The start-up password goes into the new descriptor.
    if (ui_ != nullptr) ui_->OfferStartupPassword(staged);

    Recoder recode(next_, swap, key);
    if (StageFails(kStageOptions) || !recode.Options(options)) return fail(kStageOptions);
    if (StageFails(kStageBook) || !recode.Book()) return fail(kStageBook);
    std::vector<int> mails;
    if (StageFails(kStageMailList) || !recode.MailList(mails)) return fail(kStageMailList);
    for (int id : mails)
        if (StageFails(kStageMails) || !recode.Mail(id)) return fail(kStageMails);
    std::vector<int> extractions;
    if (StageFails(kStageExtractList) || !recode.ExtractList(extractions)) return fail(kStageExtractList);
    for (int id : extractions)
        if (StageFails(kStageExtractions) || !recode.Extraction(id)) return fail(kStageExtractions);
    if (StageFails(kStageAutoRegister) || !recode.File(env_layout::AutoRegisterFile(env)))
        return fail(kStageAutoRegister);
    if (StageFails(kStageAutoRefuse) || !recode.File(env_layout::AutoRefuseFile(env))) return fail(kStageAutoRefuse);
    if (StageFails(kStageTestMailing) || !recode.File(env_layout::TestMailingInfoFile(env)))
        return fail(kStageTestMailing);

    const int committed = swap.Commit();
    if (committed != UpgradeSwap::kCommitted) {
        failedStage_ = kStageSwap;
        return -7;
    }
    // Every store holding this descriptor object codes with the new key from here on.
    if (UpgradeFaultAt("finish:reopen") || env.InitEnvFileInfo(descriptor, kDescriptorKey, 0) != 0 ||
        env.GetEnvType() != 5) {
        failedStage_ = kStageReopen;
        return -7;
    }
    return 1;
}

}  // namespace shell
