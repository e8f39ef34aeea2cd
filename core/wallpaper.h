#pragma once
// The end of every wallpaper change: the chosen picture becomes the wallpaper
// bitmap WPFile.BMP in the program folder, adapted to the screen when asked,
// and that file becomes the desktop wallpaper.
#include <exception>
#include <functional>
#include <string>

#include "core/caption.h"
#include "framework/base/notices.h"
#include "framework/imaging/bitmap.h"

namespace kaleidon {

// How a picture meets its screen or monitor when fitting to it is on.
enum class FitStyle {
  Stretch = 0,         // "引き伸ばす": over the whole screen, its shape not kept
  Crop = 1,            // "はみ出しを切る": as small as covers the screen, the overhang cut evenly
  WholeOnBlur = 2,     // "全体を表示（ぼかし背景）": whole and centred on a blurred, darker copy of itself
  WholeOnColour = 3,   // "全体を表示（単色背景）": whole and centred on the mean colour of its edges
};
inline constexpr int kFitStyleCount = 4;
// The style a stored number names; an unknown number stretches.
inline FitStyle FitStyleOf(int number) {
  return number >= 0 && number < kFitStyleCount ? static_cast<FitStyle>(number) : FitStyle::Stretch;
}

// The options dialog's live values that the change reads.
struct WallpaperOptions {
  bool fitToScreen = false;  // fit the picture to the screen, as fitStyle says
  bool playSound = false;    // play soundFile when the wallpaper changes
  std::string soundFile;
  bool perMonitor = true;    // with several monitors, a picture of its own for each
  FitStyle fitStyle = FitStyle::Stretch;
  CaptionOptions caption;    // what the picture is, written on the wallpaper
};

struct ScreenInfo {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
};

// The primary screen's colour depth and its real size in pixels (that of
// the current display mode, also on a display scaled for high DPI).
ScreenInfo CurrentScreen();

inline constexpr const char* kWallpaperFileName = "WPFile.BMP";
// Program folder + "WPFile.BMP".
std::string WallpaperBitmapPath();

// Loads the picture (its decoder chosen by extension), adapts it to the
// screen and writes it as the wallpaper bitmap, replacing the old one
// atomically. When anything fails, notices tell the user which file could
// not be used (the picture, or the wallpaper bitmap when the program folder
// refuses it) and the previous wallpaper bitmap stays as it was. Returns the
// wallpaper bitmap's path in every case. With a caption, the wallpaper is
// made at the screen's size (as the desktop's style shows a picture, when
// it is not fitted) and the caption names the picture as origin says.
std::string PrepareWallpaperBitmap(const std::string& picturePath, const WallpaperOptions& options,
                                   const ScreenInfo& screen, framework::Notices& notices);
// The same, telling whether the new wallpaper bitmap was written.
bool WriteWallpaperBitmap(const std::string& picturePath, const WallpaperOptions& options, const ScreenInfo& screen,
                          framework::Notices& notices, const PictureOrigin& origin = {});
// make (the loading and fitting of the picture at picturePath) run on a
// thread of its own while this thread's windows answer their messages: a
// camera's picture takes a second or more. A picture that an image plug-in
// reads is made here (its host serves one caller at a time).
framework::Bitmap MakeAside(const std::string& picturePath, const std::function<framework::Bitmap()>& make);
// Whether the program's own BMP and JPEG codecs read the picture (no image
// plug-in does), so that it may be made on any thread.
bool MadeByOwnCodecs(const std::string& picturePath);

// What the user is told when making the wallpaper bitmap from the picture
// failed: the file the program folder refused (framework::EWriteRefused),
// or else that the picture could not be read.
void ReportPreparationFailure(std::exception_ptr failure, const std::string& picturePath,
                              framework::Notices& notices);

// Stores bitmapPath as the desktop wallpaper in the user's registry; with
// apply, first plays the change sound and has the system show it now.
// Raises framework::Exception when the registry cannot be written.
void SetWallpaper(const std::string& bitmapPath, bool apply, const WallpaperOptions& options);

// A string value of the user's desktop settings (Control Panel\Desktop),
// empty when it is absent. Writing an empty value deletes it; a refused
// write raises framework::Exception.
std::string ReadDesktopValue(const std::string& name);
void WriteDesktopValue(const std::string& name, const std::string& value);

// Plays the sound file asynchronously when sound is on and the file exists.
void PlayChangeSound(const WallpaperOptions& options);

// What plays the change sound (a file path); the system's player unless
// replaced. An empty function restores the system's.
using SoundPlayer = std::function<void(const std::string& path)>;
void SetSoundPlayer(SoundPlayer player);

}  // namespace kaleidon
