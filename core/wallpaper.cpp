// Wallpaper preparation and application.
#include "core/wallpaper.h"

#include <windows.h>
#include <mmsystem.h>

#include <exception>
#include <optional>

#include "core/wallpapermonitors.h"
#include "framework/base/bounded.h"
#include "framework/base/latebound.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/graphics.h"
#include "framework/imaging/jpeg.h"
#include "framework/imaging/resample.h"

namespace kaleidon {

using framework::Bitmap;
using framework::JpegImage;

namespace {

constexpr const char* kLoadErrorCaption = "悪のファイル読み込みエラー";
constexpr const char* kLoadErrorText = "ふぬ～っ！ファ、ファイルが開けない･･･ﾊｧﾊｧ\rこの謎のフォーマットには対応していないか、暗黒の破損している可能性があるぞ。\r因みにファイル名は";
constexpr const char* kLoadErrorTextEnd = "だ。調べて見てくれ";
constexpr const char* kWriteErrorCaption = "悪のエラー";
constexpr const char* kRegistryRefusedText = "レジストリの値 %s を書き込めません";
constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";

// The picture class knows metafiles and icons, as the platform's does. A
// wallpaper is made of a picture's pixels at their own size, which a
// metafile does not have and of which an icon has too few: both formats are
// forgotten here, the one place, as soon as the program's code is loaded,
// before any window builds its file-type list from the picture class or
// loads a picture through it.
const bool kPictureFormatsAdjusted = [] {
  framework::Picture::ForgetMetafilesAndIcons();
  return true;
}();

SoundPlayer& CurrentSoundPlayer() {
  static SoundPlayer player;
  return player;
}

// A true-colour bitmap for a 256-colour screen: the part that fits the
// screen (from the top-left corner), compressed as a JPEG at the best quality
// and decoded again to 256 colours chosen by the JPEG library's quantiser.
Bitmap ReduceTo256Colours(Bitmap bitmap, const ScreenInfo& screen) {
  if (bitmap.Height() > screen.height) bitmap.Crop(bitmap.Width(), screen.height);
  if (bitmap.Width() > screen.width) bitmap.Crop(screen.width, bitmap.Height());
  JpegImage jpeg;
  jpeg.Assign(bitmap);
  jpeg.SetCompressionQuality(100);
  jpeg.Compress();
  jpeg.SetSmoothing(false);
  jpeg.SetPixelFormat(framework::JpegPixelFormat::k8Bit);
  return jpeg.ToBitmap();
}

Bitmap StretchToScreen(const Bitmap& picture, const ScreenInfo& screen) {
  if (picture.Width() == screen.width && picture.Height() == screen.height) return picture;
  return framework::Resample(picture, screen.width, screen.height);
}

// The wallpaper bitmap's pixels for a loaded picture.
Bitmap MakeWallpaper(framework::Graphic& picture, const WallpaperOptions& options, const ScreenInfo& screen) {
  const bool paletteScreen = screen.bitsPerPixel == 8;
  const bool stretch = options.fitToScreen && !paletteScreen && screen.width > 0 && screen.height > 0;
  auto* bitmap = dynamic_cast<Bitmap*>(&picture);
  if (bitmap && paletteScreen && bitmap->BitsPerPixel() == 24 && screen.width > 0 && screen.height > 0)
    return ReduceTo256Colours(*bitmap, screen);
  // The styles that keep the picture's shape: made as for one monitor of the
  // screen's size.
  if (stretch && options.fitStyle != FitStyle::Stretch)
    return FitPicture(picture, screen.width, screen.height, FitForFitStyle(options.fitStyle));
  // A caption stands where the screen shows it: the picture is made at the
  // screen's size as the desktop's style would show it.
  if (options.caption.show && !paletteScreen && !stretch && screen.width > 0 && screen.height > 0)
    return FitPicture(picture, screen.width, screen.height,
                      FitForStyle({ReadDesktopValue("WallpaperStyle"), ReadDesktopValue("TileWallpaper")}));
  if (bitmap) return stretch ? StretchToScreen(*bitmap, screen) : std::move(*bitmap);
  if (auto* jpeg = dynamic_cast<JpegImage*>(&picture)) {
    // The JPEG library scales by eighths while decoding, far cheaper than
    // decoding everything: decode at a reduced scale and resample the rest
    // of the way as the rows come.
    if (!stretch) return jpeg->ToBitmap();
    jpeg->ScaleForResampling(screen.width, screen.height);
    return jpeg->ToBitmap(screen.width, screen.height);
  }
  Bitmap pixels = picture.ToBitmap();
  return stretch ? StretchToScreen(pixels, screen) : pixels;
}

// The caption of a single picture, on the primary monitor: drawn when the
// wallpaper is made at its size.
void CaptionScreen(Bitmap& wallpaper, const std::string& picturePath, const PictureOrigin& origin,
                   const CaptionOptions& caption) {
  if (wallpaper.BitsPerPixel() != 24) wallpaper.SetBitsPerPixel(24);
  for (const MonitorArea& monitor : CurrentDesktop().monitors)
    if (monitor.primary && monitor.width == wallpaper.Width() && monitor.height == wallpaper.Height())
      DrawCaption(wallpaper, picturePath, origin, caption, CaptionPlaceOf(monitor));
}

}  // namespace

ScreenInfo CurrentScreen() {
  // The program declares no awareness of display scaling, so on a scaled
  // display the system tells it a smaller screen in its metrics and blows
  // whatever it draws up to the real size. The wallpaper is shown by the
  // system at the display's own pixel size: that of the current display
  // mode, which is never scaled.
  ScreenInfo screen;
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  if (EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmPelsWidth > 0 && mode.dmPelsHeight > 0) {
    screen.width = static_cast<int>(mode.dmPelsWidth);
    screen.height = static_cast<int>(mode.dmPelsHeight);
  }
  if (HDC dc = GetDC(nullptr)) {
    screen.bitsPerPixel = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    if (screen.width <= 0 || screen.height <= 0) {
      screen.width = GetDeviceCaps(dc, DESKTOPHORZRES);
      screen.height = GetDeviceCaps(dc, DESKTOPVERTRES);
    }
    ReleaseDC(nullptr, dc);
  }
  if (screen.width <= 0 || screen.height <= 0) {
    screen.width = GetSystemMetrics(SM_CXSCREEN);
    screen.height = GetSystemMetrics(SM_CYSCREEN);
  }
  return screen;
}

std::string WallpaperBitmapPath() { return framework::JoinPath(framework::ProgramFolder(), kWallpaperFileName); }

void ReportPreparationFailure(std::exception_ptr failure, const std::string& picturePath,
                              framework::Notices& notices) {
  try {
    std::rethrow_exception(failure);
  } catch (const framework::EWriteRefused& e) {
    // The picture is fine; the program folder is not (a protected folder, a
    // read-only WPFile.BMP): say which file, not that the picture is damaged.
    notices.Notify({e.Message(), kWriteErrorCaption, MB_ICONERROR | MB_OK});
  } catch (...) {
    notices.Notify({std::string(kLoadErrorText) + picturePath + kLoadErrorTextEnd, kLoadErrorCaption,
                    MB_ICONERROR | MB_OK});
  }
}

bool WriteWallpaperBitmap(const std::string& picturePath, const WallpaperOptions& options, const ScreenInfo& screen,
                          framework::Notices& notices, const PictureOrigin& origin) {
  try {
    Bitmap wallpaper = MakeAside(picturePath, [&] {
      framework::Picture picture;
      picture.LoadFromFile(picturePath);
      return MakeWallpaper(*picture.GetGraphic(), options, screen);
    });
    if (options.caption.show) CaptionScreen(wallpaper, picturePath, origin, options.caption);
    wallpaper.SaveToFile(WallpaperBitmapPath());
    return true;
  } catch (...) {
    ReportPreparationFailure(std::current_exception(), picturePath, notices);
    return false;
  }
}

bool MadeByOwnCodecs(const std::string& picturePath) {
  const std::optional<framework::FileFormat> format =
      framework::Picture::FindFileFormat(framework::PictureExtension(picturePath));
  return format && (format->kind == framework::kJpegKind || format->kind == framework::kBitmapKind);
}

Bitmap MakeAside(const std::string& picturePath, const std::function<Bitmap()>& make) {
  if (!MadeByOwnCodecs(picturePath)) return make();
  std::optional<Bitmap> made = framework::CallWithin(framework::kNoBound, [&make] { return make(); });
  return std::move(*made);  // a wait without bound always ends with the call
}

std::string PrepareWallpaperBitmap(const std::string& picturePath, const WallpaperOptions& options,
                                   const ScreenInfo& screen, framework::Notices& notices) {
  WriteWallpaperBitmap(picturePath, options, screen, notices);
  return WallpaperBitmapPath();
}

void PlayChangeSound(const WallpaperOptions& options) {
  if (!options.playSound || options.soundFile.empty() || !framework::FileExists(options.soundFile)) return;
  if (const SoundPlayer& player = CurrentSoundPlayer()) {
    player(options.soundFile);
    return;
  }
  static auto* playSound = framework::LateBound<decltype(PlaySoundW)>(L"winmm.dll", "PlaySoundW");
  if (playSound) playSound(framework::Widen(options.soundFile).c_str(), nullptr, SND_FILENAME | SND_ASYNC);
}

void SetSoundPlayer(SoundPlayer player) { CurrentSoundPlayer() = std::move(player); }

void SetWallpaper(const std::string& bitmapPath, bool apply, const WallpaperOptions& options) {
  if (apply) {
    PlayChangeSound(options);
    std::wstring path = framework::Widen(bitmapPath);
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, path.data(), SPIF_SENDWININICHANGE);
  }
  WriteDesktopValue("WallPaper", bitmapPath);
}

std::string ReadDesktopValue(const std::string& name) {
  wchar_t value[1024] = L"";
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, framework::Widen(name).c_str(), RRF_RT_REG_SZ, nullptr, value,
                   &size) != ERROR_SUCCESS)
    return {};
  return framework::Narrow(value);
}

void WriteDesktopValue(const std::string& name, const std::string& value) {
  const std::wstring valueName = framework::Widen(name);
  HKEY panel = nullptr;
  HKEY desktop = nullptr;
  LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel", 0, nullptr, 0, KEY_CREATE_SUB_KEY, nullptr,
                                &panel, nullptr);
  if (result == ERROR_SUCCESS) {
    result = RegCreateKeyExW(panel, L"Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &desktop, nullptr);
    RegCloseKey(panel);
  }
  if (result == ERROR_SUCCESS) {
    if (value.empty()) {
      result = RegDeleteValueW(desktop, valueName.c_str());
      if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;
    } else {
      const std::wstring text = framework::Widen(value);
      result = RegSetValueExW(desktop, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(desktop);
  }
  if (result != ERROR_SUCCESS) throw framework::Exception(framework::FormatText(kRegistryRefusedText, {name}));
}

}  // namespace kaleidon
