#include "platform/named_mutex.h"

#include <unordered_map>

namespace platform {

NamedMutex::NamedMutex(const std::string& name) : name_(name) {
    // Entries are never removed: a name's mutex must outlive every holder, and the set
    // of names a program uses is small (stores and file titles).
    static std::mutex registryLock;
    static std::unordered_map<std::string, std::shared_ptr<std::recursive_mutex>> registry;
    std::lock_guard<std::mutex> lock(registryLock);
    auto& slot = registry[name];
    if (!slot) slot = std::make_shared<std::recursive_mutex>();
    m_ = slot;
}

}  // namespace platform
