#include "app/environment/environment_managers.h"

#include "core/foundation/cp932.h"

namespace shell {

EnvironmentManagers& EnvironmentManagers::operator=(EnvironmentManagers&& other) noexcept {
    if (this != &other) {
        Reset();
        lock = std::move(other.lock);
        env = std::move(other.env);
        options = std::move(other.options);
        book = std::move(other.book);
        mails = std::move(other.mails);
        scheduler = std::move(other.scheduler);
    }
    return *this;
}

void EnvironmentManagers::Reset() {
    scheduler.reset();
    mails.reset();
    book.reset();
    options.reset();
    env.reset();
    lock.reset();
}

bool EnvironmentManagers::SaveUnsaved(std::string& failed) {
    if (book && book->WriteFromMemoryToFile() < 0) {
        failed = book->GetErrMsg().GetLastMsg();
        return false;
    }
    if (mails && mails->WriteMailList(0) < 0) {
        failed = SjisLiteral("メール一覧情報の保存に失敗しました");
        return false;
    }
    return true;
}

}  // namespace shell
