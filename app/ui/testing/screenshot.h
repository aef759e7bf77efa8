#pragma once
// Screenshots for people to look at: scripts/screenshots.sh runs the tests named
// Screenshots.* of every GUI test binary with QUENDREL_SCREENSHOT_DIR set, and each
// writes its window there as a PNG. Without that variable nothing is written.

#include <QString>

#include <functional>

class QWidget;

namespace ui::test {

// True when screenshots are being taken.
bool ScreenshotsWanted();
// Shows `widget` (offscreen), lets it lay out and paint, and saves it as <name>.png in
// the screenshot folder. True when written (or not wanted).
bool SaveScreenshot(QWidget* widget, const QString& name);

// Runs `trigger`, which shows one message through the prompter, with the program's own
// message box in place of any recorder: the box is saved as <name>.png and answered with
// its Escape button. True when a box showed (and was written, when wanted).
bool SaveMessageBoxScreenshot(const QString& name, const std::function<void()>& trigger);

}  // namespace ui::test
