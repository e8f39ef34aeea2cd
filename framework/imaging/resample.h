#pragma once
// Scaling pictures to an exact size. Each axis is scaled on its own (the
// aspect ratio is whatever the caller asks for): a shrinking axis averages
// the source pixels over the area each output pixel covers, an enlarging
// axis interpolates linearly between the two nearest source pixels.
// No Win32 here.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/imaging/bitmap.h"

namespace framework {

// A width x height copy of source: 32 bits per pixel for a 32-bit source
// (all four bytes averaged), 24 bits otherwise (palette pictures are
// converted first). An empty source or size gives an empty bitmap.
Bitmap Resample(const Bitmap& source, int width, int height);

// The same scaling for a picture that comes row by row, top first (as a
// decoder gives it), with the very same pixels: only the few rows the output
// still needs are kept, so a large picture is never held whole. Rows are 3
// or 4 bytes per pixel, as out's format says; out, already of the size
// wanted, is filled row by row as the rows come.
// Where rows go as they are made: row y of the output, top first, its bytes
// valid during the call.
using RowSink = std::function<void(int y, const uint8_t* row)>;

class RowResampler {
 public:
  RowResampler(int sourceWidth, int sourceHeight, int channels, Bitmap& out);
  // The same handing each output row, width x channels bytes, to sink
  // instead of keeping it.
  RowResampler(int sourceWidth, int sourceHeight, int channels, int width, int height, RowSink sink);
  ~RowResampler();
  RowResampler(const RowResampler&) = delete;
  RowResampler& operator=(const RowResampler&) = delete;

  // The next source row, sourceWidth pixels; rows past the last are ignored.
  void Push(const uint8_t* row);
  // Whether every output row is made (every source row has come).
  bool Done() const { return made_ == height_; }

 private:
  struct Filters;
  uint8_t* OutputRow(int y);

  const int sourceWidth_, sourceHeight_, channels_, width_, height_;
  Bitmap* out_;
  RowSink sink_;
  std::vector<uint8_t> madeRow_;  // the row handed to the sink
  std::unique_ptr<Filters> filters_;
  bool rowsFirst_ = true;  // the pass along the rows comes first
  size_t ringRowBytes_ = 0;
  std::vector<uint8_t> ring_;  // the latest source rows (scaled along their width when rows come first)
  std::vector<int32_t> acc_;
  std::vector<uint8_t> across_;  // columns first: an output row at the source's width
  int received_ = 0;
  int made_ = 0;
};

}  // namespace framework
