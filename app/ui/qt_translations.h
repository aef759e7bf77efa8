#pragma once
// Qt's own texts (the file dialogs' captions and buttons, the standard buttons of the
// font dialog, an edit's context menu) in Japanese, like the rest of the program, whatever
// the locale of the session that starts it. Needs the Qt translations package; without it
// these texts stay in English and nothing else changes.

class QTranslator;

namespace ui {

// Installs Qt's Japanese translations into the running application (which owns them);
// null when they are not on this machine.
QTranslator* InstallQtTranslations();

}  // namespace ui
