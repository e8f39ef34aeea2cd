#pragma once
// One wallpaper bitmap for several monitors, each showing a picture of its
// own: where each monitor's picture lies in the bitmap so that the system,
// spreading the bitmap over the desktop, shows it on that monitor; and the
// bitmap file made from the pictures one monitor at a time, so that the
// memory it takes grows with one monitor's picture, not with the desktop.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/monitors.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/resample.h"

namespace kaleidon {

// A part of one monitor's picture and where it lies in the bitmap.
struct CompositionPiece {
  size_t monitor = 0;  // index into the monitor list
  int pictureX = 0;    // the part's top-left corner in the monitor's picture
  int pictureY = 0;
  int x = 0;  // and in the bitmap
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const CompositionPiece&) const = default;
};

struct CompositionLayout {
  int width = 0;  // the bitmap's size: that of the monitors' bounding rectangle
  int height = 0;
  // In the order of the monitors, each monitor's pieces together; where
  // monitors overlap, a later one lies over an earlier one.
  std::vector<CompositionPiece> pieces;
};

// Span: each monitor's rectangle as it lies in the bounding rectangle, whole.
// Tile: the system repeats the bitmap from the desktop's 0,0 (the primary
// monitor's top-left corner), so a desktop pixel x shows the bitmap's column
// x modulo its width: the parts of a monitor left of or above that corner
// wrap round to the bitmap's right or bottom end, up to four pieces each.
CompositionLayout LayOutComposition(const std::vector<MonitorArea>& monitors, WallpaperSpread spread);

// Writes the layout's bitmap to path as a 24-bit BMP file, replacing it
// atomically: black where no monitor shows, each monitor's picture at its
// pieces. pictureFor(i) gives monitor i's picture at the monitor's size
// (what is missing stays black); it is asked once for each monitor with
// pieces, in their order, and let go before the next is asked for. Raises
// framework::EWriteRefused when path cannot be written, and passes on what
// pictureFor raises (path stays as it was).
void ComposeWallpaper(const CompositionLayout& layout, const std::function<framework::Bitmap(size_t monitor)>& pictureFor,
                      const std::string& path);

// Makes monitor's picture at the monitor's size, handing each of its rows to
// the sink, top first (24 bits, the monitor's width).
using MonitorRows = std::function<void(size_t monitor, const framework::RowSink& sink)>;
// The same with each monitor's picture written row by row as it is made, so
// that no monitor's picture is ever held whole; where there are several
// processors and the monitors do not overlap, one monitor's picture more
// than there are processors is made at once (four at most). rowsFor is
// called once for each monitor with pieces, from as many threads. When it raises
// for several monitors, what it raised for the first of them is passed on.
// Whether two monitors (the earlier first) show the very same rows: a
// monitor that shows those of an earlier one is not asked for (unless
// monitors overlap), that one's rows are written for both.
using SameRows = std::function<bool(size_t earlier, size_t later)>;
void ComposeWallpaperByRows(const CompositionLayout& layout, const MonitorRows& rowsFor, const std::string& path,
                            const SameRows& sameRows = {});

}  // namespace kaleidon
