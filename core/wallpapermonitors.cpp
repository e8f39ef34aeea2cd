#include "core/wallpapermonitors.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "core/caption.h"
#include "core/composition.h"
#include "framework/base/bounded.h"
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

// The picture decoded at the smallest scale that covers cover (0 x 0: at
// its current scale), the part of that decoding that partOf gives for its
// size, scaled to the size that sizeOf gives for the part's. A JPEG is
// decoded and scaled row by row, never held whole, to the same pixels as
// the whole decoding cut and resampled.
template <class PartOf, class SizeOf>
Bitmap DecodedPart(framework::Graphic& picture, PictureSize cover, PartOf partOf, SizeOf sizeOf) {
  if (auto* jpeg = dynamic_cast<framework::JpegImage*>(&picture)) {
    if (cover.width > 0 && cover.height > 0) jpeg->ScaleToAtLeast(cover.width, cover.height);
    const framework::PicturePart part = partOf(PictureSize{jpeg->Width(), jpeg->Height()});
    const PictureSize size = sizeOf(PictureSize{part.width, part.height});
    return TrueColour(jpeg->ToBitmap(part, size.width, size.height));
  }
  Bitmap decoded = Decode(picture, cover.width, cover.height);
  const framework::PicturePart part = partOf(PictureSize{decoded.Width(), decoded.Height()});
  const PictureSize size = sizeOf(PictureSize{part.width, part.height});
  if (part.left == 0 && part.top == 0 && part.width == decoded.Width() && part.height == decoded.Height())
    return Resized(std::move(decoded), size.width, size.height);
  Bitmap region = Region(decoded, part.left, part.top, part.width, part.height);
  decoded = Bitmap();
  return Resized(std::move(region), size.width, size.height);
}

framework::PicturePart Whole(PictureSize size) { return {0, 0, size.width, size.height}; }

Bitmap Tiled(const Bitmap& source, int width, int height) {
  Bitmap tiled(width, height, 24);
  for (int row = 0; row < height; ++row) {
    const uint8_t* from = source.ScanLine(row % source.Height());
    for (int x = 0; x < width; x += source.Width())
      std::memcpy(tiled.ScanLine(row) + 3 * x, from, static_cast<size_t>(3 * std::min(source.Width(), width - x)));
  }
  return tiled;
}

// picture copied onto canvas with its top-left corner at (x, y); both 24-bit,
// picture inside canvas.
void Paste(Bitmap& canvas, const Bitmap& picture, int x, int y) {
  for (int row = 0; row < picture.Height(); ++row)
    std::memcpy(canvas.ScanLine(y + row) + 3 * x, picture.ScanLine(row), static_cast<size_t>(3 * picture.Width()));
}

// The blurred backdrop's cells along the monitor's longer side, and how much
// of its brightness it keeps (in 256ths).
constexpr int kBlurCells = 16;
constexpr int kBackdropBrightness = 160;

// A width x height backdrop from the middle of a 24-bit picture, the part of
// the monitor's shape: shrunk to a few pixels across, which leaves only its
// broad colours, spread over the monitor again by interpolation, and
// darkened so that the picture stands out in front of it. Two small passes
// over pictures no larger than the monitor: cheap next to the decoding.
Bitmap BlurredBackdrop(const Bitmap& picture, int width, int height) {
  const PictureSize part = ScaledSize({width, height}, {picture.Width(), picture.Height()}, false);
  const PictureSize cells = ScaledSize({width, height}, {kBlurCells, kBlurCells}, false);
  Bitmap small = TrueColour(framework::Resample(Region(picture, (picture.Width() - part.width) / 2,
                                                       (picture.Height() - part.height) / 2, part.width, part.height),
                                                cells.width, cells.height));
  // Darkened while it is small: interpolation keeps it so.
  for (int row = 0; row < small.Height(); ++row) {
    uint8_t* line = small.ScanLine(row);
    for (int i = 0; i < 3 * small.Width(); ++i) line[i] = static_cast<uint8_t>(line[i] * kBackdropBrightness / 256);
  }
  return Resized(std::move(small), width, height);
}

// A width x height plain backdrop of the mean colour of a 24-bit picture's
// outermost rows and columns.
Bitmap PlainBackdrop(const Bitmap& picture, int width, int height) {
  uint64_t sum[3] = {};
  uint64_t count = 0;
  const auto add = [&](int x, int y) {
    const uint8_t* pixel = picture.ScanLine(y) + 3 * x;
    for (int c = 0; c < 3; ++c) sum[c] += pixel[c];
    ++count;
  };
  const int w = picture.Width(), h = picture.Height();
  for (int x = 0; x < w; ++x) {
    add(x, 0);
    if (h > 1) add(x, h - 1);
  }
  for (int y = 1; y + 1 < h; ++y) {
    add(0, y);
    if (w > 1) add(w - 1, y);
  }
  uint8_t colour[3];
  for (int c = 0; c < 3; ++c) colour[c] = static_cast<uint8_t>((sum[c] + count / 2) / count);
  Bitmap backdrop(width, height, 24);
  for (int x = 0; x < width; ++x) std::memcpy(backdrop.ScanLine(0) + 3 * x, colour, 3);
  for (int row = 1; row < height; ++row)
    std::memcpy(backdrop.ScanLine(row), backdrop.ScanLine(0), static_cast<size_t>(3 * width));
  return backdrop;
}

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

PictureFit FitForFitStyle(FitStyle style) {
  switch (style) {
    case FitStyle::Crop:
      return PictureFit::Fill;
    case FitStyle::WholeOnBlur:
      return PictureFit::FitOnBlur;
    case FitStyle::WholeOnColour:
      return PictureFit::FitOnColour;
    case FitStyle::Stretch:
      break;
  }
  return PictureFit::Stretch;
}

PictureSize ScaledSize(PictureSize shape, PictureSize box, bool cover) {
  // Whole numbers only, rounded half up: the same sizes on every processor
  // and in every build, ties included (184 x 113 covering 1920 x 1080 shows
  // 184 x 103.5 of it: 104 rows).
  const int64_t across = int64_t{box.width} * shape.height, down = int64_t{box.height} * shape.width;
  const auto rounded = [](int64_t numerator, int64_t denominator) {
    return static_cast<int>(std::max<int64_t>(1, (2 * numerator + denominator) / (2 * denominator)));
  };
  if ((across >= down) == cover) return {box.width, rounded(across, shape.width)};
  return {rounded(down, shape.height), box.height};
}

Bitmap FitPicture(framework::Graphic& picture, int width, int height, PictureFit fit) {
  const PictureSize monitor{width, height}, size{picture.Width(), picture.Height()};
  if (size.width <= 0 || size.height <= 0) throw framework::EInvalidGraphic("空の画像です");
  const auto toMonitor = [&](PictureSize) { return monitor; };
  switch (fit) {
    case PictureFit::Stretch:
      return DecodedPart(picture, monitor, Whole, toMonitor);
    case PictureFit::Fill:
      // The part of the decoded picture that the monitor shows, in the middle.
      return DecodedPart(
          picture, ScaledSize(size, monitor, true),
          [&](PictureSize decoded) {
            const PictureSize part = ScaledSize(monitor, decoded, false);
            return framework::PicturePart{(decoded.width - part.width) / 2, (decoded.height - part.height) / 2,
                                          part.width, part.height};
          },
          toMonitor);
    case PictureFit::Fit:
    case PictureFit::FitOnBlur:
    case PictureFit::FitOnColour: {
      const Bitmap whole = DecodedPart(picture, ScaledSize(size, monitor, false), Whole,
                                       [&](PictureSize decoded) { return ScaledSize(decoded, monitor, false); });
      const int x = (width - whole.Width()) / 2, y = (height - whole.Height()) / 2;
      if (fit == PictureFit::Fit) return Region(whole, -x, -y, width, height);
      Bitmap canvas = fit == PictureFit::FitOnBlur ? BlurredBackdrop(whole, width, height)
                                                   : PlainBackdrop(whole, width, height);
      Paste(canvas, whole, x, y);
      return canvas;
    }
    case PictureFit::Tile:
      // Only the part from the top-left corner that one monitor shows.
      return Tiled(DecodedPart(
                       picture, {0, 0},
                       [&](PictureSize decoded) {
                         return framework::PicturePart{0, 0, std::min(decoded.width, width),
                                                       std::min(decoded.height, height)};
                       },
                       [](PictureSize part) { return part; }),
                   width, height);
    case PictureFit::Center:
      break;
  }
  // The part of the picture inside the monitor, set in the middle of it.
  int x = 0, y = 0;
  const Bitmap shown = DecodedPart(
      picture, {0, 0},
      [&](PictureSize decoded) {
        x = (decoded.width - width) / 2;
        y = (decoded.height - height) / 2;
        const int left = std::max(0, x), top = std::max(0, y);
        return framework::PicturePart{left, top, std::min(decoded.width, x + width) - left,
                                      std::min(decoded.height, y + height) - top};
      },
      [](PictureSize part) { return part; });
  return Region(shown, x - std::max(0, x), y - std::max(0, y), width, height);
}

void FitPictureRows(framework::Graphic& picture, int width, int height, PictureFit fit,
                    const framework::RowSink& sink) {
  auto* jpeg = dynamic_cast<framework::JpegImage*>(&picture);
  if (jpeg && (fit == PictureFit::Stretch || fit == PictureFit::Fill) && width > 0 && height > 0 &&
      jpeg->Width() > 0 && jpeg->Height() > 0) {
    // The part that FitPicture shows, at the scale it decodes at.
    const PictureSize monitor{width, height}, size{jpeg->Width(), jpeg->Height()};
    jpeg->ScaleToAtLeast(fit == PictureFit::Fill ? ScaledSize(size, monitor, true).width : width,
                         fit == PictureFit::Fill ? ScaledSize(size, monitor, true).height : height);
    const PictureSize decoded{jpeg->Width(), jpeg->Height()};
    const PictureSize part = fit == PictureFit::Fill ? ScaledSize(monitor, decoded, false) : decoded;
    jpeg->ToRows({(decoded.width - part.width) / 2, (decoded.height - part.height) / 2, part.width, part.height}, width,
                 height, sink);
    return;
  }
  const Bitmap fitted = FitPicture(picture, width, height, fit);
  for (int y = 0; y < fitted.Height(); ++y) sink(y, fitted.ScanLine(y));
}

bool PrepareMonitorWallpapers(const std::vector<std::string>& pictures, const WallpaperOptions& options,
                              const Desktop& desktop, const WallpaperStyle& userStyle, framework::Notices& notices,
                              const std::vector<PictureOrigin>& origins) {
  const PictureFit fit = options.fitToScreen ? FitForFitStyle(options.fitStyle) : FitForStyle(userStyle);
  const CompositionLayout layout = LayOutComposition(desktop.monitors, desktop.spread);
  // The first picture that failed, named when one does.
  std::mutex failing;
  size_t failed = pictures.size();
  auto noteFailure = [&](size_t monitor) {
    std::lock_guard<std::mutex> lock(failing);
    failed = std::min(failed, monitor);
  };
  try {
    const bool ownFormats = std::all_of(pictures.begin(), pictures.end(), MadeByOwnCodecs);
    if (ownFormats && !options.caption.show) {
      // Row by row, several pictures at a time, beside the window, which answers
      // meanwhile; a picture that monitors of one size show is made once for
      // all of them.
      const auto sameRows = [&](size_t earlier, size_t later) {
        const MonitorArea &a = desktop.monitors[earlier], &b = desktop.monitors[later];
        return pictures.at(earlier) == pictures.at(later) && a.width == b.width && a.height == b.height;
      };
      framework::CallWithin(framework::kNoBound, [&] {
        ComposeWallpaperByRows(
            layout,
            [&](size_t monitor, const framework::RowSink& sink) {
              try {
                framework::Picture picture;
                picture.LoadFromFile(pictures.at(monitor));
                const MonitorArea& area = desktop.monitors[monitor];
                FitPictureRows(*picture.GetGraphic(), area.width, area.height, fit, sink);
              } catch (...) {
                noteFailure(monitor);
                throw;
              }
            },
            WallpaperBitmapPath(), sameRows);
        return true;
      });
    } else {
      // A caption is drawn on the monitor's whole picture, and the image
      // plug-ins' host serves one picture at a time.
      ComposeWallpaper(
          layout,
          [&](size_t monitor) {
            const std::string& loading = pictures.at(monitor);
            const MonitorArea& area = desktop.monitors[monitor];
            try {
              Bitmap fitted = MakeAside(loading, [&] {
                framework::Picture picture;
                picture.LoadFromFile(loading);
                return FitPicture(*picture.GetGraphic(), area.width, area.height, fit);
              });
              DrawCaption(fitted, loading, monitor < origins.size() ? origins[monitor] : PictureOrigin{},
                          options.caption, CaptionPlaceOf(area));
              return fitted;
            } catch (...) {
              noteFailure(monitor);
              throw;
            }
          },
          WallpaperBitmapPath());
    }
    return true;
  } catch (...) {
    ReportPreparationFailure(std::current_exception(), failed < pictures.size() ? pictures[failed] : std::string(),
                             notices);
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
    int left = 0, top = 0, width = 0, height = 0;
    const std::string area = kept.ReadString(kKeptStyleSection, kAreaKey + number, "");
    if (std::sscanf(area.c_str(), "%d,%d,%d,%d", &left, &top, &width, &height) != 4) break;
    MonitorArea monitor{kept.ReadString(kKeptStyleSection, kMonitorKey + number, ""), left, top, width, height,
                        left == 0 && top == 0};
    shown.push_back({std::move(monitor), picture});
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
