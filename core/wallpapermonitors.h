#pragma once
// The wallpaper with a picture of its own on each monitor: each picture made
// for its monitor's size as the single picture is made for the screen, all
// composed into the one wallpaper bitmap, which the system spreads over the
// monitors. Meanwhile the user's own way of showing a wallpaper is kept in
// the settings file, with what each monitor shows (so that a later run can
// make the wallpaper again for a new arrangement); the user's way comes back
// when a single picture is shown again.
#include <string>
#include <vector>

#include "core/monitors.h"
#include "core/wallpaper.h"
#include "framework/base/inifile.h"
#include "framework/base/notices.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/resample.h"

namespace kaleidon {

// Whether a change shows a picture on each monitor: the option is on, there
// are several monitors, and the screen has more than 256 colours (a
// palette bitmap has one palette for all of them).
bool WantsPicturePerMonitor(const WallpaperOptions& options, const Desktop& desktop);

// How the user has the system show a wallpaper: the values WallpaperStyle
// and TileWallpaper of the desktop settings (empty when absent).
struct WallpaperStyle {
  std::string style;
  std::string tile;
  bool operator==(const WallpaperStyle&) const = default;
};

// How a picture fills its monitor.
enum class PictureFit {
  Center,   // at its own size, in the middle, cut or with black around
  Tile,     // at its own size, repeated from the top-left corner
  Stretch,  // over the whole monitor, the aspect ratio not kept
  Fit,      // as large as it fits whole, black beside or above and below
  Fill,     // as small as it covers the monitor, the overhang cut evenly
  FitOnBlur,    // as Fit, on a blurred and darkened copy of itself that covers the monitor
  FitOnColour,  // as Fit, on the mean colour of the picture's own edge pixels
};
// The fit that shows a picture on one monitor as the style shows it on the
// screen (a picture spanned over the monitors fills each one).
PictureFit FitForStyle(const WallpaperStyle& style);
// The fit of the program's own fitting to the screen.
PictureFit FitForFitStyle(FitStyle style);

struct PictureSize {
  int width;
  int height;
  bool operator==(const PictureSize&) const = default;
};
// shape scaled, its sides in proportion, to the smallest size that covers box
// (cover) or the largest that fits inside it; each side at least 1.
PictureSize ScaledSize(PictureSize shape, PictureSize box, bool cover);

// The picture as a 24-bit bitmap of exactly width x height. A JPEG is
// decoded at the smallest scale the fit needs; the picture is used up.
framework::Bitmap FitPicture(framework::Graphic& picture, int width, int height, PictureFit fit);
// The same handed to sink row by row, top first; a JPEG stretched or filled
// over the monitor is never held whole, not even at the monitor's size.
void FitPictureRows(framework::Graphic& picture, int width, int height, PictureFit fit,
                    const framework::RowSink& sink);

// Loads pictures[i] for desktop.monitors[i] (one for each), fits it to its
// monitor (as the fit style says with fit to screen, else as userStyle shows a picture)
// and writes the wallpaper bitmap spread as the desktop needs it. When a
// picture or the bitmap cannot be used, notices say which, as for a single
// picture, and the previous wallpaper bitmap stays. True when written.
// With a caption, origins[i] tells where pictures[i] came from.
bool PrepareMonitorWallpapers(const std::vector<std::string>& pictures, const WallpaperOptions& options,
                              const Desktop& desktop, const WallpaperStyle& userStyle, framework::Notices& notices,
                              const std::vector<PictureOrigin>& origins = {});

// The user's style: the one kept while a spread wallpaper is shown, else the
// desktop settings' own.
WallpaperStyle UserWallpaperStyle(const framework::IniFile& settings);

// A monitor and the picture it shows.
struct MonitorPicture {
  MonitorArea monitor;
  std::string picture;
  bool operator==(const MonitorPicture&) const = default;
};

// SetWallpaper for a bitmap spread over the monitors: keeps the user's style
// in the settings file unless it is kept already, and what each monitor
// shows, in one replacement of the file; then gives the desktop the spread's
// style (span: WallpaperStyle 22; tile: TileWallpaper 1).
void SetSpreadWallpaper(const std::string& bitmapPath, bool apply, const WallpaperOptions& options,
                        WallpaperSpread spread, const std::vector<MonitorPicture>& shown,
                        framework::IniFile settings);
// What SetSpreadWallpaper recorded that the monitors show; empty while no
// spread wallpaper is shown.
std::vector<MonitorPicture> ShownMonitorPictures(const framework::IniFile& settings);

// Gives the desktop back the user's style that a spread wallpaper replaced,
// and forgets it and what the monitors showed; nothing when none is kept.
void RestoreUserWallpaperStyle(framework::IniFile settings);

// Whether the wallpaper bitmap is the desktop's wallpaper still (the user
// has not chosen another one since).
bool DesktopShowsWallpaperBitmap();

}  // namespace kaleidon
