#include "core/composition.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>

#include "framework/base/exception.h"
#include "framework/base/paths.h"
#include "framework/imaging/bmpcodec.h"

namespace kaleidon {

namespace {

using framework::Bitmap;

// A stretch of one axis: from in the monitor's picture, at in the bitmap.
struct Stretch {
  int from = 0;
  int at = 0;
  int length = 0;
};

// The stretches of [start, start + length) on the desktop as the bitmap of
// the given size, repeated from the desktop's 0, shows them: one, or two
// when the stretch crosses a repetition's edge.
std::vector<Stretch> WrappedStretches(int start, int length, int size) {
  const int at = ((start % size) + size) % size;
  const int first = std::min(length, size - at);
  std::vector<Stretch> stretches{{0, at, first}};
  if (first < length) stretches.push_back({first, 0, length - first});
  return stretches;
}

}  // namespace

CompositionLayout LayOutComposition(const std::vector<MonitorArea>& monitors, WallpaperSpread spread) {
  CompositionLayout layout;
  if (monitors.empty()) return layout;
  int left = monitors[0].left, top = monitors[0].top, right = monitors[0].Right(), bottom = monitors[0].Bottom();
  for (const MonitorArea& m : monitors) {
    left = std::min(left, m.left);
    top = std::min(top, m.top);
    right = std::max(right, m.Right());
    bottom = std::max(bottom, m.Bottom());
  }
  layout.width = right - left;
  layout.height = bottom - top;
  for (size_t i = 0; i < monitors.size(); ++i) {
    const MonitorArea& m = monitors[i];
    if (m.width <= 0 || m.height <= 0) continue;
    if (spread == WallpaperSpread::Span) {
      layout.pieces.push_back({i, 0, 0, m.left - left, m.top - top, m.width, m.height});
      continue;
    }
    for (const Stretch& row : WrappedStretches(m.top, m.height, layout.height))
      for (const Stretch& column : WrappedStretches(m.left, m.width, layout.width))
        layout.pieces.push_back({i, column.from, row.from, column.at, row.at, column.length, row.length});
  }
  return layout;
}

namespace {

constexpr int kBytesPerPixel = 3;
constexpr size_t kMostPicturesAtOnce = 4;

// Writes the BMP headers and the whole bitmap black, in a few large writes;
// the pictures then overwrite their rows. Returns the size of the headers,
// or 0 when a write failed.
size_t WriteBlackBitmap(framework::FileReplacement& file, const CompositionLayout& layout) {
  const std::string headers = framework::EncodeBmpHeaders(layout.width, layout.height, 8 * kBytesPerPixel);
  const size_t stride = Bitmap::StrideFor(layout.width, 8 * kBytesPerPixel);
  bool written = file.Write(headers);
  const std::string black(stride * static_cast<size_t>(std::max(1, (1 << 20) / static_cast<int>(stride))), '\0');
  for (size_t left = stride * static_cast<size_t>(layout.height); written && left > 0;) {
    const size_t chunk = std::min(left, black.size());
    written = file.Write(std::string_view(black).substr(0, chunk));
    left -= chunk;
  }
  return written ? headers.size() : 0;
}

}  // namespace

void ComposeWallpaperByRows(const CompositionLayout& layout, const MonitorRows& rowsFor, const std::string& path,
                            const SameRows& sameRows) {
  const size_t stride = Bitmap::StrideFor(layout.width, 8 * kBytesPerPixel);
  framework::FileReplacement file(path);
  const size_t headers = WriteBlackBitmap(file, layout);
  std::atomic<bool> written = headers > 0;
  // Where monitors overlap, the later one must be written last: one after
  // the other then, each made on its own.
  bool overlap = false;
  for (const CompositionPiece& a : layout.pieces)
    for (const CompositionPiece& b : layout.pieces)
      overlap = overlap || (a.monitor != b.monitor && a.x < b.x + b.width && b.x < a.x + a.width &&
                            a.y < b.y + b.height && b.y < a.y + a.height);
  // The monitors in their order, those that show the very same rows as an
  // earlier one joined to it: the rows are made once and written for each.
  std::vector<std::vector<size_t>> jobs;
  for (const CompositionPiece& piece : layout.pieces) {
    bool known = false;
    for (const std::vector<size_t>& job : jobs)
      known = known || std::find(job.begin(), job.end(), piece.monitor) != job.end();
    if (known) continue;
    auto same = std::find_if(jobs.begin(), jobs.end(), [&](const std::vector<size_t>& job) {
      return !overlap && sameRows && sameRows(job.front(), piece.monitor);
    });
    if (same != jobs.end())
      same->push_back(piece.monitor);
    else
      jobs.push_back({piece.monitor});
  }
  std::mutex writing;
  std::atomic<size_t> next = 0;
  std::vector<std::exception_ptr> failures(jobs.size());
  std::atomic<bool> failing = false;  // no more monitors are begun
  // Each takes the next monitor not yet taken until none is left.
  const auto work = [&] {
    for (size_t i = next++; i < jobs.size() && written && !failing; i = next++) {
      const std::vector<size_t>& monitors = jobs[i];
      try {
        rowsFor(monitors.front(), [&](int y, const uint8_t* pixels) {
          for (const CompositionPiece& piece : layout.pieces) {
            if (std::find(monitors.begin(), monitors.end(), piece.monitor) == monitors.end() ||
                y < piece.pictureY || y >= piece.pictureY + piece.height)
              continue;
            // The file stores the bottom row first.
            const size_t offset = headers + stride * static_cast<size_t>(layout.height - 1 - (piece.y + y - piece.pictureY)) +
                                  static_cast<size_t>(kBytesPerPixel * piece.x);
            const std::string_view row(reinterpret_cast<const char*>(pixels) + kBytesPerPixel * piece.pictureX,
                                       static_cast<size_t>(kBytesPerPixel * piece.width));
            std::lock_guard<std::mutex> lock(writing);
            if (written && !file.WriteAt(offset, row)) written = false;
          }
        });
      } catch (...) {
        failures[i] = std::current_exception();
        failing = true;
      }
    }
  };
  // One picture more at once than there are processors (and never more than
  // a few, for the memory each takes): as one ends early, the others go on
  // on every processor.
  const size_t processors = std::max(1u, std::thread::hardware_concurrency());
  const size_t atOnce = std::min({jobs.size(), processors + 1, kMostPicturesAtOnce});
  std::vector<std::thread> others(overlap || processors == 1 || atOnce == 0 ? 0 : atOnce - 1);
  for (std::thread& other : others) other = std::thread(work);
  work();
  for (std::thread& other : others) other.join();
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);
  if (!written || !file.Commit()) throw framework::EWriteRefused(path);
}

void ComposeWallpaper(const CompositionLayout& layout, const std::function<Bitmap(size_t monitor)>& pictureFor,
                      const std::string& path) {
  const size_t stride = Bitmap::StrideFor(layout.width, 8 * kBytesPerPixel);
  framework::FileReplacement file(path);
  const size_t headers = WriteBlackBitmap(file, layout);
  bool written = headers > 0;
  // The file stores the bottom row first.
  auto rowOffset = [&](int y) { return headers + stride * static_cast<size_t>(layout.height - 1 - y); };
  for (auto piece = layout.pieces.begin(); written && piece != layout.pieces.end();) {
    Bitmap picture = pictureFor(piece->monitor);
    if (picture.BitsPerPixel() != 8 * kBytesPerPixel) picture.SetBitsPerPixel(8 * kBytesPerPixel);
    const size_t monitor = piece->monitor;
    for (; written && piece != layout.pieces.end() && piece->monitor == monitor; ++piece) {
      // A picture smaller than its monitor leaves the rest black.
      const int width = std::min(piece->width, picture.Width() - piece->pictureX);
      const int height = std::min(piece->height, picture.Height() - piece->pictureY);
      for (int row = 0; written && row < height; ++row) {
        const uint8_t* pixels = picture.ScanLine(piece->pictureY + row) + kBytesPerPixel * piece->pictureX;
        written = file.WriteAt(rowOffset(piece->y + row) + static_cast<size_t>(kBytesPerPixel * piece->x),
                               std::string_view(reinterpret_cast<const char*>(pixels),
                                                static_cast<size_t>(kBytesPerPixel * std::max(0, width))));
      }
    }
  }
  if (!written || !file.Commit()) throw framework::EWriteRefused(path);
}

}  // namespace kaleidon
