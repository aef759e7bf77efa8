#include "app/composer/compose_dialog_hooks.h"

#include <utility>

namespace compose {

namespace {
ComposeDialogHooks& Hooks() {
    static ComposeDialogHooks hooks;
    return hooks;
}
}  // namespace

ComposeDialogHooks SetComposeDialogHooks(ComposeDialogHooks hooks) { return std::exchange(Hooks(), std::move(hooks)); }

const ComposeDialogHooks& GetComposeDialogHooks() { return Hooks(); }

}  // namespace compose
