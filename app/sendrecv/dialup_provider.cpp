#include "app/sendrecv/dialup_provider.h"

#include <atomic>
#include <string>

#include "core/foundation/cp932.h"

std::string NoDialupProvider::ErrorText(int error) {
    return SjisLiteral("ダイアルアップ接続は使用できません (") + std::to_string(error) + ")";
}

namespace {
std::atomic<DialupProvider*> g_provider{nullptr};

NoDialupProvider& DefaultProvider() {
    static NoDialupProvider provider;
    return provider;
}
}  // namespace

DialupProvider& CurrentDialupProvider() {
    DialupProvider* p = g_provider.load();
    return p != nullptr ? *p : DefaultProvider();
}

DialupProvider* SetDialupProvider(DialupProvider* provider) { return g_provider.exchange(provider); }
