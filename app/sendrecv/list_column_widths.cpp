#include "app/sendrecv/list_column_widths.h"

#include "app/environment/environment_service.h"
#include "core/foundation/ini_manager.h"

namespace {
constexpr int kMinWidth = 1;
constexpr int kMaxWidth = 1000;
}  // namespace

int ReadListColumnWidth(const std::string& ini, const char* section, const std::string& key, int fallback) {
    if (ini.empty()) return fallback;
    // Read as unsigned, so a stored negative number lands far above the range.
    const unsigned stored = CIniManager::GetProfileIntA(ini, section, key, 0);
    return stored >= kMinWidth && stored <= kMaxWidth ? static_cast<int>(stored) : fallback;
}

bool WriteListColumnWidth(const std::string& ini, const char* section, const std::string& key, int width) {
    return !ini.empty() && CIniManager::WriteProfileInt(ini, section, key, width) != 0;
}

std::string OpenEnvironmentIniPath() {
    shell::EnvironmentService* service = shell::ProgramEnvironment();
    return service != nullptr && service->IsOpen() ? service->EnvIniPath() : std::string();
}
