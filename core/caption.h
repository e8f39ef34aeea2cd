#pragma once
// The caption on the wallpaper: what the picture is (its name, its folder,
// the day it was taken, its path) drawn into a monitor's picture, in a
// corner of the part of the monitor that no taskbar covers, at a size that
// follows the monitor's DPI, in white with a dark outline and shadow so that
// it reads on light and dark pictures alike. Only the wallpaper bitmap gets
// it: the picture files, the histories and the settings never do.
#include <functional>
#include <string>

#include "core/monitors.h"
#include "framework/imaging/bitmap.h"

namespace kaleidon {

// The corners, in the order of the options' list and of the stored numbers.
enum class CaptionCorner {
  BottomRight = 0,  // "右下"
  BottomLeft = 1,   // "左下"
  TopRight = 2,     // "右上"
  TopLeft = 3,      // "左上"
};
inline constexpr int kCaptionCornerCount = 4;
// The corner a stored number names; an unknown number is the bottom right.
inline CaptionCorner CaptionCornerOf(int number) {
  return number >= 0 && number < kCaptionCornerCount ? static_cast<CaptionCorner>(number)
                                                      : CaptionCorner::BottomRight;
}

inline constexpr const char* kDefaultCaptionFormat = "{name}　{date}";

struct CaptionOptions {
  bool show = false;                          // a caption at all
  std::string format = kDefaultCaptionFormat;  // {name} {folder} {date} {path} and text
  CaptionCorner corner = CaptionCorner::BottomRight;
};

// Where a wallpaper's picture came from, as the user knows it: the picture
// file, or an archive and the member's path in it (the picture drawn is
// then the member's copy in Temp). An empty file: the picture itself.
struct PictureOrigin {
  std::string file;
  std::string member;
};

// What the template's fields stand for.
struct CaptionFacts {
  std::string name;    // {name}: the file's name (a member's own name)
  std::string folder;  // {folder}: the name of the folder it lies in (for a member, the archive's)
  std::string path;    // {path}: the whole path (for a member, the archive's path and the member's)
  std::string date;    // {date}: the day it was taken (EXIF), else the file's date, "2026年12月10日"
};
// The facts of a picture file (read for its EXIF date and its file date)
// that came from origin.
CaptionFacts FactsOf(const std::string& picture, const PictureOrigin& origin);
// A date in the Japanese style: "2026年12月10日".
std::string JapaneseDate(int year, int month, int day);

// The template with its fields filled in, on one line. When it measures
// wider than maxWidth, {path} gives way first, shortened in its middle with
// "…" (its start and its end, the file's name, stay); then the whole text
// is shortened so. measure gives a text's width.
std::string CaptionText(const std::string& format, const CaptionFacts& facts, int maxWidth,
                        const std::function<int(const std::string&)>& measure);

// Where on a monitor's picture the caption may lie: the monitor's work area
// (the whole picture where it is not known) and its DPI (96 where not known).
struct CaptionPlace {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int dpi = 96;
};
CaptionPlace CaptionPlaceOf(const MonitorArea& monitor);
// Whether a caption made for the monitors of before stands elsewhere on
// those of now (the same monitors): a work area or a DPI changed.
bool CaptionPlacesMoved(const Desktop& before, const Desktop& now);

// Draws the caption of the picture that came from origin into picture (the
// monitor's picture, 24 bits per pixel) at the options' corner of place.
// Nothing when the options show none or the picture is no true-colour one.
void DrawCaption(framework::Bitmap& picture, const std::string& picturePath, const PictureOrigin& origin,
                 const CaptionOptions& options, const CaptionPlace& place);

// Told each caption drawn: its text and the rectangle of the picture it
// covers, outline and shadow included (tests look; nobody in the program).
struct CaptionBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};
using CaptionWatcher = std::function<void(const std::string& text, const CaptionBox& box)>;
void SetCaptionWatcher(CaptionWatcher watcher);

}  // namespace kaleidon
