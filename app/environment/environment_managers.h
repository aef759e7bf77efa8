#pragma once
// The managers of one open environment, as the open builds them: the environment's lock
// (environment_lock.h), the descriptor, the system options, the address book, the mail
// list and the scheduler. Each refers to the ones made before it, so they are freed in the
// reverse order: scheduler first, descriptor then lock last (the member order below gives
// that). The lock is shared with a set of managers that reopens the same environment.
//
// The open builds a complete set beside the one in use and swaps it in only when every
// step succeeded, so the screens never see the managers of two environments mixed.

#include <memory>

#include "app/environment/scheduler_control.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/mail_list_viewer.h"
#include "platform/file_lock.h"

namespace shell {

struct EnvironmentManagers {
    std::shared_ptr<platform::FileLock> lock;
    std::unique_ptr<EnvManager> env;
    std::unique_ptr<SystemOption> options;
    std::unique_ptr<CDatabaseEdit> book;
    std::unique_ptr<CMailListViewer> mails;
    std::unique_ptr<SchedulerControl> scheduler;

    EnvironmentManagers() = default;
    EnvironmentManagers(EnvironmentManagers&&) = default;
    EnvironmentManagers& operator=(EnvironmentManagers&& other) noexcept;
    ~EnvironmentManagers() { Reset(); }

    bool IsOpen() const { return env != nullptr; }
    // Frees every manager, scheduler first. Nothing is written: unsaved changes of the
    // book and the mail list are dropped (SaveUnsaved first to keep them).
    void Reset();
    // Writes the address book and the mail list where they hold unsaved changes. True
    // when both are saved (or had nothing to save); on false `failed` names the store that
    // failed (its error text, Shift_JIS) and nothing further was written.
    bool SaveUnsaved(std::string& failed);
};

}  // namespace shell
