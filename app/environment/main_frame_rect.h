#pragma once
// The main window's rectangle as an environment remembers it: section "MAINFRAMEINFO" of
// the environment's ini file ("QuendrelT.ini"), keys "LEFT", "TOP", "RIGHT", "BOTTOM"
// (screen coordinates; right and bottom lie one past the last pixel, as the older
// versions stored them), and "MAXIMIZED" ("Y" when the window was maximised; the
// rectangle is then still the normal one, where the window goes when it is restored).
//
// A saved rectangle is put back only where a person can still see and grab it: desktops
// change (a second screen unplugged, a smaller one), so the check runs against the
// screens that exist now, not fixed limits. Otherwise the window gets the default place.
//
// Pure functions of QtCore values: the GUI passes its screens' available geometries.

#include <QList>
#include <QRect>

#include <string>

namespace shell {

inline constexpr int kDefaultFrameWidth = 900;
inline constexpr int kDefaultFrameHeight = 480;

// `saved` when it is not empty and at least a 64 x 32 piece of it (all of it, when it
// is smaller) lies on one of `screens`; else 900 x 480 centred on the first screen
// (at 0,0 when there is none).
QRect CheckMainFrameRect(QRect saved, const QList<QRect>& screens);

// Writes the four keys. False when `envIniPath` is empty or a write fails.
bool SaveMainFrameRect(const std::string& envIniPath, const QRect& rect);

// Reads the four keys (missing ones count as -1, which no screen holds) and checks the
// rectangle against `screens` as above. An empty `envIniPath` gives the default place.
QRect LoadMainFrameRect(const std::string& envIniPath, const QList<QRect>& screens);

// Writes "MAXIMIZED"; false when `envIniPath` is empty or the write fails.
bool SaveMainFrameMaximized(const std::string& envIniPath, bool maximized);
// Whether "MAXIMIZED" is "Y" (missing, or anything else: no).
bool LoadMainFrameMaximized(const std::string& envIniPath);

}  // namespace shell
