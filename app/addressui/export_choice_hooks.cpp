#include "app/addressui/export_choice_hooks.h"

#include <utility>

namespace addressui {

ExportChoiceHooks& ExportChoices() {
    static ExportChoiceHooks hooks;
    return hooks;
}

ExportChoiceHooks SetExportChoices(ExportChoiceHooks hooks) {
    ExportChoiceHooks previous = std::move(ExportChoices());
    ExportChoices() = std::move(hooks);
    return previous;
}

int AskExportFormat(QWidget* parent) {
    const auto& hook = ExportChoices().chooseFormat;
    return hook ? hook(parent) : 0;
}

ExportMethodChoice AskExportMethod(QWidget* parent, int layout) {
    const auto& hook = ExportChoices().chooseMethod;
    return hook ? hook(parent, layout) : ExportMethodChoice{};
}

int AskExportHeaderRow(QWidget* parent) {
    const auto& hook = ExportChoices().chooseHeaderRow;
    return hook ? hook(parent) : -1;
}

}  // namespace addressui
