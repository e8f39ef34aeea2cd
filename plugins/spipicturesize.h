#pragma once
// The size of a picture in a format the image plug-ins read, as their
// GetPictureInfo tells it: the plug-ins are asked in the host, in the order
// a load of the picture asks them (TSPIBitmap), and none decodes a pixel.
// Nothing is kept between two calls: a picture file that changes is asked
// about anew.
#include <optional>
#include <string>
#include <string_view>

namespace kaleidon {

struct SPIPictureSize {
  int width = 0;
  int height = 0;
  bool operator==(const SPIPictureSize&) const = default;
};

// Whether the picture class loads a file of that name through the plug-ins
// (its extension is registered for them). Asks no plug-in.
bool LoadsThroughPlugins(const std::string& fileName);

// The size of the picture at path from start, the first bytes of the file
// (all of it when whole). A plug-in that knows the data but cannot tell
// its size from those bytes is asked once more with the whole file.
// Nothing when no import plug-in of the program's collection tells it; a
// plug-in that takes a new host down too is set aside, as in a load.
std::optional<SPIPictureSize> ReadSPIPictureSize(const std::string& path, std::string_view start, bool whole);

}  // namespace kaleidon
