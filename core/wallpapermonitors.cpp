#include "core/wallpapermonitors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/composition.h"
#include "framework/base/text.h"
#include "framework/imaging/graphics.h"
#include "framework/imaging/jpeg.h"
#include "framework/imaging/resample.h"

namespace kaleidon {

namespace {

using framework::Bitmap;

// While a spread wallpaper is shown, the user's style waits here in the
// settings file, under the names of the desktop settings' values.
constexpr const char* kKeptStyleSection = "Desktop";
constexpr const char* kStyleValue = "WallpaperStyle";
constexpr const char* kTileValue = "TileWallpaper";
// What monitor <n> shows: Monitor<n> its name, Area<n> its rectangle as
// left,top,width,height, Picture<n> the picture.
constexpr const char* kMonitorKey = "Monitor";
constexpr const char* kAreaKey = "Area";
constexpr const char* kPictureKey = "Picture";

// The styles as the desktop settings spell them.
constexpr const char* kStretchStyle = "2";
constexpr const char* kFitStyle = "6";
constexpr const char* kFillStyle = "10";
constexpr const char* kSpanStyle = "22";

Bitmap TrueColour(Bitmap bitmap) {
  if (bitmap.BitsPerPixel() != 24) bitmap.SetBitsPerPixel(24);
  return bitmap;
}

// The picture's pixels in 24 bits; a JPEG decoded at the smallest scale
// that still covers width x height (0 x 0: at its full size).
Bitmap Decode(framework::Graphic& picture, int width, int height) {
  if (auto* bitmap = dynamic_cast<Bitmap*>(&picture)) return TrueColour(std::move(*bitmap));
  if (auto* jpeg = dynamic_cast<framework::JpegImage*>(&picture)) {
    if (width > 0 && height > 0) jpeg->ScaleToAtLeast(width, height);
    return TrueColour(jpeg->ToBitmap());
  }
  return TrueColour(picture.ToBitmap());
}

// width x height of a 24-bit source from its point (x, y) on; what lies
// outside the source is black.
Bitmap Region(const Bitmap& source, int x, int y, int width, int height) {
  Bitmap region(width, height, 24);
  const int left = std::max(0, -x), right = std::min(width, source.Width() - x);
  for (int row = std::max(0, -y); row < std::min(height, source.Height() - y) && left < right; ++row)
    std::memcpy(region.ScanLine(row) + 3 * left, source.ScanLine(y + row) + 3 * (x + left),
                static_cast<size_t>(3 * (right - left)));
  return region;
}

Bitmap Resized(Bitmap source, int width, int height) {
  if (source.Width() == width && source.Height() == height) return source;
  return TrueColour(framework::Resample(source, width, height));
}

Bitmap Tiled(const Bitmap& source, int width, int height) {
  Bitmap tiled(width, height, 24);
  for (int row = 0; row < height; ++row) {
    const uint8_t* from = source.ScanLine(row % source.Height());
    for (int x = 0; x < width; x += source.Width())
      std::memcpy(tiled.ScanLine(row) + 3 * x, from, static_cast<size_t>(3 * std::min(source.Width(), width - x)));
  }
  return tiled;
}

int Scaled(int side, double scale) { return std::max(1, static_cast<int>(std::lround(side * scale))); }

}  // namespace

bool WantsPicturePerMonitor(const WallpaperOptions& options, const Desktop& desktop) {
  return options.perMonitor && desktop.monitors.size() > 1 && desktop.bitsPerPixel > 8;
}

PictureFit FitForStyle(const WallpaperStyle& style) {
  if (style.style == kStretchStyle) return PictureFit::Stretch;
  if (style.style == kFitStyle) return PictureFit::Fit;
  if (style.style == kFillStyle || style.style == kSpanStyle) return PictureFit::Fill;
  return style.tile == "1" ? PictureFit::Tile : PictureFit::Center;
}

Bitmap FitPicture(framework::Graphic& picture, int width, int height, PictureFit fit) {
  const int pictureWidth = picture.Width(), pictureHeight = picture.Height();
  if (pictureWidth <= 0 || pictureHeight <= 0) throw framework::EInvalidGraphic("空の画像です");
  const double across = static_cast<double>(width) / pictureWidth, down = static_cast<double>(height) / pictureHeight;
  switch (fit) {
    case PictureFit::Stretch:
      return Resized(Decode(picture, width, height), width, height);
    case PictureFit::Fill: {
      const double scale = std::max(across, down);
      Bitmap decoded = Decode(picture, Scaled(pictureWidth, scale), Scaled(pictureHeight, scale));
      // The part of the decoded picture that the monitor shows, in the middle.
      const double shown = 1 / std::max(static_cast<double>(width) / decoded.Width(),
                                        static_cast<double>(height) / decoded.Height());
      const int partWidth = std::min(decoded.Width(), Scaled(width, shown));
      const int partHeight = std::min(decoded.Height(), Scaled(height, shown));
      return Resized(Region(decoded, (decoded.Width() - partWidth) / 2, (decoded.Height() - partHeight) / 2, partWidth,
                            partHeight),
                     width, height);
    }
    case PictureFit::Fit: {
      const double scale = std::min(across, down);
      Bitmap decoded = Decode(picture, Scaled(pictureWidth, scale), Scaled(pictureHeight, scale));
      const double shown =
          std::min(static_cast<double>(width) / decoded.Width(), static_cast<double>(height) / decoded.Height());
      const int fitWidth = std::min(width, Scaled(decoded.Width(), shown));
      const int fitHeight = std::min(height, Scaled(decoded.Height(), shown));
      return Region(Resized(std::move(decoded), fitWidth, fitHeight), -(width - fitWidth) / 2,
                    -(height - fitHeight) / 2, width, height);
    }
    case PictureFit::Tile:
      return Tiled(Decode(picture, 0, 0), width, height);
    case PictureFit::Center:
      break;
  }
  Bitmap decoded = Decode(picture, 0, 0);
  return Region(decoded, (decoded.Width() - width) / 2, (decoded.Height() - height) / 2, width, height);
}

bool PrepareMonitorWallpapers(const std::vector<std::string>& pictures, const WallpaperOptions& options,
                              const Desktop& desktop, const WallpaperStyle& userStyle, framework::Notices& notices) {
  const PictureFit fit = options.fitToScreen ? PictureFit::Stretch : FitForStyle(userStyle);
  std::string loading;  // the picture being made, named when it fails
  try {
    ComposeWallpaper(
        LayOutComposition(desktop.monitors, desktop.spread),
        [&](size_t monitor) {
          loading = pictures.at(monitor);
          framework::Picture picture;
          picture.LoadFromFile(loading);
          const MonitorArea& area = desktop.monitors[monitor];
          return FitPicture(*picture.GetGraphic(), area.width, area.height, fit);
        },
        WallpaperBitmapPath());
    return true;
  } catch (...) {
    ReportPreparationFailure(std::current_exception(), loading, notices);
    return false;
  }
}

WallpaperStyle UserWallpaperStyle(const framework::IniFile& settings) {
  const framework::IniEdit kept(settings);
  if (kept.SectionExists(kKeptStyleSection))
    return {kept.ReadString(kKeptStyleSection, kStyleValue, ""), kept.ReadString(kKeptStyleSection, kTileValue, "")};
  return {ReadDesktopValue(kStyleValue), ReadDesktopValue(kTileValue)};
}

std::vector<MonitorPicture> ShownMonitorPictures(const framework::IniFile& settings) {
  const framework::IniEdit kept(settings);
  std::vector<MonitorPicture> shown;
  for (int n = 1;; ++n) {
    const std::string number = std::to_string(n);
    const std::string picture = kept.ReadString(kKeptStyleSection, kPictureKey + number, "");
    if (picture.empty()) break;
    MonitorPicture entry{{kept.ReadString(kKeptStyleSection, kMonitorKey + number, "")}, picture};
    MonitorArea& m = entry.monitor;
    const std::string area = kept.ReadString(kKeptStyleSection, kAreaKey + number, "");
    if (std::sscanf(area.c_str(), "%d,%d,%d,%d", &m.left, &m.top, &m.width, &m.height) != 4) break;
    m.primary = m.left == 0 && m.top == 0;
    shown.push_back(std::move(entry));
  }
  return shown;
}

void SetSpreadWallpaper(const std::string& bitmapPath, bool apply, const WallpaperOptions& options,
                        WallpaperSpread spread, const std::vector<MonitorPicture>& shown,
                        framework::IniFile settings) {
  {
    // Kept before the desktop settings change: a run ended in between still
    // finds it.
    framework::IniEdit kept(settings);
    WallpaperStyle style{ReadDesktopValue(kStyleValue), ReadDesktopValue(kTileValue)};
    if (kept.SectionExists(kKeptStyleSection))
      style = {kept.ReadString(kKeptStyleSection, kStyleValue, ""), kept.ReadString(kKeptStyleSection, kTileValue, "")};
    kept.EraseSection(kKeptStyleSection);
    kept.WriteString(kKeptStyleSection, kStyleValue, style.style);
    kept.WriteString(kKeptStyleSection, kTileValue, style.tile);
    for (size_t i = 0; i < shown.size(); ++i) {
      const std::string number = std::to_string(i + 1);
      const MonitorArea& m = shown[i].monitor;
      kept.WriteString(kKeptStyleSection, kMonitorKey + number, m.device);
      kept.WriteString(kKeptStyleSection, kAreaKey + number,
                       std::to_string(m.left) + "," + std::to_string(m.top) + "," + std::to_string(m.width) + "," +
                           std::to_string(m.height));
      kept.WriteString(kKeptStyleSection, kPictureKey + number, shown[i].picture);
    }
    kept.Commit();
  }
  const bool span = spread == WallpaperSpread::Span;
  WriteDesktopValue(kStyleValue, span ? kSpanStyle : "0");
  WriteDesktopValue(kTileValue, span ? "0" : "1");
  SetWallpaper(bitmapPath, apply, options);
}

void RestoreUserWallpaperStyle(framework::IniFile settings) {
  if (!settings.SectionExists(kKeptStyleSection)) return;
  const WallpaperStyle kept = UserWallpaperStyle(settings);
  WriteDesktopValue(kStyleValue, kept.style);
  WriteDesktopValue(kTileValue, kept.tile);
  settings.EraseSection(kKeptStyleSection);
}

bool DesktopShowsWallpaperBitmap() {
  return framework::SameTextNoCase(ReadDesktopValue("WallPaper"), WallpaperBitmapPath());
}

}  // namespace kaleidon
