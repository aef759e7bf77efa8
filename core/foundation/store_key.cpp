#include "core/foundation/store_key.h"

#include "core/foundation/env_manager.h"

int GetStoreKey(const EnvManager* env, StoreKey& out) {
    if (env == nullptr) return -1;
    switch (env->GetEnvType()) {
        case 3:
            out.keyed = false;
            out.text.clear();
            return 0;
        case 5: {
            std::string key;
            if (!env->CachedDataKey(key)) return -2;
            out.keyed = true;
            out.text = std::move(key);
            return 0;
        }
        default:
            return -1;
    }
}

bool ChooseStoreKey(const EnvManager* env, int useGiven, const char* given, StoreKey& storage,
                    const char*& useKey) {
    useKey = nullptr;
    if (env != nullptr && env->GetEnvType() == 3) return true;
    if (useGiven != 0) {
        useKey = given;
        return true;
    }
    if (GetStoreKey(env, storage) != 0) return false;
    useKey = storage.get();
    return true;
}
