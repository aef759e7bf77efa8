#pragma once
// Screenshots for people to look at: scripts/screenshots.sh runs the tests named
// Screenshots.* of every GUI test binary with QUENDREL_SCREENSHOT_DIR set, and each
// writes its window there as a PNG. Without that variable nothing is written.

#include <QString>

class QWidget;

namespace ui::test {

// True when screenshots are being taken.
bool ScreenshotsWanted();
// Shows `widget` (offscreen), lets it lay out and paint, and saves it as <name>.png in
// the screenshot folder. True when written (or not wanted).
bool SaveScreenshot(QWidget* widget, const QString& name);

}  // namespace ui::test
