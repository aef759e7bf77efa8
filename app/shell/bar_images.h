#pragma once
// The pictures of the main window's bars, the setup wizard's step buttons and the splash
// window, drawn by the program itself (no image files to ship or lose).
//
// Tool-bar strips are drawn the way the bars expect their bitmaps: one image per button,
// side by side, on the bars' transparent colour (kTransparentColor), which the bar turns
// into real transparency. A wizard step image has its transparent colour at pixel (1,1),
// the corner the wizard takes it from.
//
// Pictures are made on the GUI thread (they need the program's fonts for their texts).

#include <QImage>
#include <QPixmap>
#include <QRgb>
#include <QSize>

#include <string_view>
#include <vector>

namespace shell::images {

// The colour the tool-bar strips are drawn on, taken as transparent.
inline constexpr QRgb kTransparentColor = 0xFFC0C0C0;

// How a picture is drawn: as it normally shows, under the mouse (brighter), or for a
// command that is not available now (grey).
enum class Look { kNormal, kHot, kDisabled };

// A strip of one image of `size` per command of `commands` (0: a blank image), left to
// right, on kTransparentColor.
QImage ToolBarStrip(const std::vector<int>& commands, QSize size, Look look);

// The list bar's picture of item `key` ("MAIL_ALL" ...); a plain envelope for a key it
// does not know.
QPixmap ListBarIcon(std::string_view key, int size);

// Step `step` (1-5) of the setup wizard, enabled or not, with its transparent colour at
// pixel (1,1).
QImage WizardStepImage(int step, bool enabled, QSize size);

// The splash window's picture.
QImage SplashImage();

}  // namespace shell::images
