#pragma once
// The export-choice questions as the address-book screens ask them. The dialogs that ask
// them (the layout, the records and options, the item-name row) belong to the settings
// screens, which sit above this folder; they install themselves here at start-up
// (settings::InstallExportChoiceDialogs), and tests install answers of their own.
//
// With nothing installed every question answers "cancelled", so an export that cannot
// ask never writes a file on a guess.

#include <functional>

class QWidget;

namespace addressui {

// The records and options chosen for an export of the address book.
struct ExportMethodChoice {
    bool accepted = false;
    int recordKind = 0;   // 0 records not marked deleted, 1 deleted only, 2 all
    bool itemNames = false;    // write a header row (general layout)
    bool nameAndAddressOnly = false;  // short form (web-service layout)
};

struct ExportChoiceHooks {
    // The layout: 1 general CSV, 2 Brindell, 3 web service; 0 when cancelled.
    std::function<int(QWidget* parent)> chooseFormat;
    // The records and options for `layout`.
    std::function<ExportMethodChoice(QWidget* parent, int layout)> chooseMethod;
    // Whether the file starts with an item-name row: 1 yes, 0 no, -1 cancelled.
    std::function<int(QWidget* parent)> chooseHeaderRow;
};

// The hooks in use (empty ones until installed).
ExportChoiceHooks& ExportChoices();
// Installs `hooks`; returns the ones they replace.
ExportChoiceHooks SetExportChoices(ExportChoiceHooks hooks);

// The questions through the hooks, cancelled where a hook is missing.
int AskExportFormat(QWidget* parent);
ExportMethodChoice AskExportMethod(QWidget* parent, int layout);
int AskExportHeaderRow(QWidget* parent);

}  // namespace addressui
