#include "app/shell/screen_registry.h"

namespace shell {

ScreenRegistry& Screens() {
    static ScreenRegistry registry;
    return registry;
}

}  // namespace shell
