#pragma once
// The monitors the desktop spreads over, as the system reports them, and how
// the system lays one wallpaper bitmap over all of them.
#include <optional>
#include <string>
#include <vector>

namespace kaleidon {

// A monitor's rectangle on the desktop, in pixels. The primary monitor's
// top-left corner is 0,0; a monitor left of or above it lies at negative
// coordinates.
struct MonitorArea {
  std::string device;  // the system's name for it ("\\.\DISPLAY1")
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool primary = false;
  // The part of it that no taskbar or docked bar covers (the work area),
  // relative to its top-left corner, and its DPI: 0 where not known (what
  // the settings file keeps of a monitor has neither).
  int workLeft = 0;
  int workTop = 0;
  int workWidth = 0;
  int workHeight = 0;
  int dpi = 0;

  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
  // The same monitor at the same place and size: what a picture made for
  // it depends on. The work area and the DPI are compared apart.
  bool operator==(const MonitorArea& other) const {
    return device == other.device && left == other.left && top == other.top && width == other.width &&
           height == other.height && primary == other.primary;
  }
  // Its work area or DPI differs from other's, where both are known.
  bool LooksOtherThan(const MonitorArea& other) const {
    const bool known = dpi != 0 && other.dpi != 0;
    return known && (dpi != other.dpi || workLeft != other.workLeft || workTop != other.workTop ||
                     workWidth != other.workWidth || workHeight != other.workHeight);
  }
};

// How the system shows one bitmap on several monitors: spread over their
// bounding rectangle ("span", Windows 8 and later), or tiled from the primary
// monitor's top-left corner (Windows 7).
enum class WallpaperSpread { Span, Tile };

struct Desktop {
  std::vector<MonitorArea> monitors;  // in the system's order
  WallpaperSpread spread = WallpaperSpread::Span;
  int bitsPerPixel = 32;  // the screen's colour depth

  bool operator==(const Desktop&) const = default;
};

// The spread of the Windows of this version: span from 6.2 (Windows 8) on.
WallpaperSpread SpreadForWindowsVersion(unsigned major, unsigned minor);

// The desktop as it is now.
Desktop CurrentDesktop();
// Tests lay out monitors the machine does not have: while one is set,
// CurrentDesktop gives it; std::nullopt gives back the system's.
void OverrideDesktop(std::optional<Desktop> desktop);

}  // namespace kaleidon
