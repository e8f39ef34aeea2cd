#pragma once
// A picture's size as it will stand on the screen, read from its header
// alone, and whether that suits a monitor: its orientation and how much of
// the monitor it fills without being enlarged.
#include <optional>
#include <string>
#include <string_view>

#include <windows.h>

#include "core/wallpapermonitors.h"

namespace kaleidon {

// What a monitor asks of its pictures. Nothing is asked when both are off.
struct PictureDemand {
  int monitorWidth = 0;
  int monitorHeight = 0;
  bool matchShape = false;  // a portrait monitor wants portrait pictures, a landscape one landscape
  int minShare = 0;         // percent of the monitor's width and height a picture must reach, 0 = any

  bool Asks() const { return monitorWidth > 0 && monitorHeight > 0 && (matchShape || minShare > 0); }
};

// The size of a bitmap (any BMP header) or of a JPEG picture after the turn
// its EXIF orientation asks for, from the file's first bytes; of a picture
// in a format of the image plug-ins, what they tell of it without decoding
// it (a round trip to their host); nothing for another format or a header
// that cannot be read.
std::optional<PictureSize> ReadPictureSize(const std::string& path);
// The same from the file's bytes (all of them, or at least the header).
std::optional<PictureSize> PictureSizeOf(std::string_view bytes);

// The size of an archive member (BMP or JPEG, as PictureSizeOf), learned by
// extracting it into memory: its first bytes, and the whole member (up to
// the limit a file is read whole to) only for a JPEG whose header reaches
// further. Nothing when the archive library cannot extract into memory or
// the size cannot be told.
std::optional<PictureSize> ReadMemberPictureSize(HWND owner, const std::string& archive, const std::string& member);

// Whether a picture of that size suits the monitor. A square picture suits
// either orientation, and so does a picture whose size is unknown.
bool Suits(const PictureDemand& demand, const std::optional<PictureSize>& size);

}  // namespace kaleidon
