#include "framework/imaging/resample.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace framework {

namespace {

constexpr int kWeightBits = 14;
constexpr int32_t kOne = 1 << kWeightBits;

// For every output position along one axis: the first source position it
// reads, and one weight per tap (weights of a position sum to kOne).
struct AxisFilter {
  int taps = 0;
  bool inside = false;  // every tap of every position lies inside the axis
  std::vector<int> first;
  std::vector<int32_t> weights;  // taps per output position
};

AxisFilter MakeFilter(int from, int to) {
  AxisFilter f;
  f.first.resize(static_cast<size_t>(to));
  if (to < from) {
    // Area averaging, kept exact with integers: in units of 1/to of a
    // source pixel, output i covers [i*from, (i+1)*from) and source pixel j
    // covers [j*to, (j+1)*to).
    f.taps = (from + to - 1) / to + 1;
    f.weights.assign(static_cast<size_t>(to) * f.taps, 0);
    for (int i = 0; i < to; ++i) {
      int64_t left = int64_t{i} * from, right = int64_t{i + 1} * from;
      int j0 = static_cast<int>(left / to);
      f.first[i] = j0;
      int32_t* w = &f.weights[static_cast<size_t>(i) * f.taps];
      int32_t sum = 0;
      int largest = 0;
      for (int t = 0; t < f.taps; ++t) {
        int j = j0 + t;
        if (j >= from) break;
        int64_t overlap = std::min<int64_t>(int64_t{j + 1} * to, right) - std::max<int64_t>(int64_t{j} * to, left);
        if (overlap <= 0) continue;
        w[t] = static_cast<int32_t>((overlap * kOne + from / 2) / from);
        sum += w[t];
        if (w[t] > w[largest]) largest = t;
      }
      w[largest] += kOne - sum;  // rounding leftovers go to the biggest share
    }
  } else {
    // Linear interpolation between pixel centres; the edges repeat.
    // Centre of output i in source coordinates: ((2i+1)*from - to) / (2*to).
    f.taps = 2;
    f.weights.assign(static_cast<size_t>(to) * 2, 0);
    for (int i = 0; i < to; ++i) {
      int64_t numerator = int64_t{2 * i + 1} * from - to;
      int64_t denominator = int64_t{2} * to;
      int j0;
      int32_t right;
      if (numerator <= 0) {
        j0 = 0;
        right = 0;
      } else {
        j0 = static_cast<int>(numerator / denominator);
        right = static_cast<int32_t>((numerator % denominator) * kOne / denominator);
      }
      if (j0 >= from - 1) {
        j0 = from - 1;
        right = 0;
      }
      f.first[i] = j0;
      f.weights[static_cast<size_t>(i) * 2] = kOne - right;
      f.weights[static_cast<size_t>(i) * 2 + 1] = right;
    }
  }
  // Every position reads exactly taps source pixels, all inside the axis:
  // near the far edge the window moves back, its extra taps weighing 0
  // (those beyond the edge weighed 0 already).
  if (from >= f.taps) {
    for (int i = 0; i < to; ++i) {
      int shift = f.first[i] + f.taps - from;
      if (shift <= 0) continue;
      int32_t* w = &f.weights[static_cast<size_t>(i) * f.taps];
      for (int t = f.taps - 1; t >= 0; --t) w[t] = t >= shift ? w[t - shift] : 0;
      f.first[i] -= shift;
    }
    f.inside = true;
  }
  return f;
}

uint8_t Round(int32_t acc) { return static_cast<uint8_t>(std::clamp((acc + kOne / 2) >> kWeightBits, 0, 255)); }

struct Plane {
  int width = 0;
  int height = 0;
  size_t stride = 0;
  uint8_t* data = nullptr;
  uint8_t* Row(int y) const { return data + static_cast<size_t>(y) * stride; }
};

// Taps is the filter's tap count when known at compile time (0: any).
template <int Channels, int Taps>
void HorizontalPass(const Plane& src, const Plane& dst, const AxisFilter& f, int sourceWidth) {
  // The taps of each position, where not known at compile time.
  std::vector<int> taps(Taps ? 0 : static_cast<size_t>(dst.width));
  if (!Taps)
    for (int x = 0; x < dst.width; ++x) taps[x] = std::min(f.taps, sourceWidth - f.first[x]);
  for (int y = 0; y < dst.height; ++y) {
    const uint8_t* in = src.Row(y);
    uint8_t* out = dst.Row(y);
    const int32_t* w = f.weights.data();
    for (int x = 0; x < dst.width; ++x, w += f.taps, out += Channels) {
      const uint8_t* p = in + static_cast<size_t>(f.first[x]) * Channels;
      int32_t acc[Channels] = {};
      const int n = Taps ? Taps : taps[x];
      for (int t = 0; t < n; ++t, p += Channels)
        for (int c = 0; c < Channels; ++c) acc[c] += p[c] * w[t];
      for (int c = 0; c < Channels; ++c) out[c] = Round(acc[c]);
    }
  }
}

template <int Channels>
void HorizontalPass(const Plane& src, const Plane& dst, const AxisFilter& f, int sourceWidth) {
  if (f.inside && f.taps == 2)
    HorizontalPass<Channels, 2>(src, dst, f, sourceWidth);
  else if (f.inside && f.taps == 3)
    HorizontalPass<Channels, 3>(src, dst, f, sourceWidth);
  else
    HorizontalPass<Channels, 0>(src, dst, f, sourceWidth);
}

void Horizontal(const Plane& src, const Plane& dst, const AxisFilter& f, int channels, int sourceWidth) {
  if (channels == 4)
    HorizontalPass<4>(src, dst, f, sourceWidth);
  else
    HorizontalPass<3>(src, dst, f, sourceWidth);
}

// One output row of the vertical pass from the source rows it reads, found
// by row(j); acc holds rowBytes sums.
template <typename RowOf>
void VerticalRow(RowOf row, const AxisFilter& f, int y, int sourceHeight, size_t rowBytes, int32_t* acc,
                 uint8_t* out) {
  const int32_t* w = &f.weights[static_cast<size_t>(y) * f.taps];
  const int j0 = f.first[y];
  const int taps = std::min(f.taps, sourceHeight - j0);
  {
    const uint8_t* in = row(j0);
    const int32_t weight = w[0];
    for (size_t i = 0; i < rowBytes; ++i) acc[i] = in[i] * weight;
  }
  for (int t = 1; t < taps; ++t) {
    const int32_t weight = w[t];
    if (weight == 0) continue;
    const uint8_t* in = row(j0 + t);
    for (size_t i = 0; i < rowBytes; ++i) acc[i] += in[i] * weight;
  }
  for (size_t i = 0; i < rowBytes; ++i) out[i] = static_cast<uint8_t>((acc[i] + kOne / 2) >> kWeightBits);
}

void Vertical(const Plane& src, const Plane& dst, const AxisFilter& f, int channels, int sourceHeight) {
  const size_t rowBytes = static_cast<size_t>(dst.width) * channels;
  std::vector<int32_t> acc(rowBytes);
  for (int y = 0; y < dst.height; ++y)
    VerticalRow([&src](int j) { return src.Row(j); }, f, y, sourceHeight, rowBytes, acc.data(), dst.Row(y));
}

// The cheaper order of the two passes: the first pass runs over the full
// source along the other axis. Row by row the same order is taken, so that
// both give the very same pixels.
bool RowsFirst(int sourceWidth, int sourceHeight, int width, int height, const AxisFilter& fx, const AxisFilter& fy) {
  const int64_t costRowsFirst = int64_t{sourceHeight} * width * fx.taps + int64_t{height} * width * fy.taps;
  const int64_t costColumnsFirst = int64_t{height} * sourceWidth * fy.taps + int64_t{height} * width * fx.taps;
  return costRowsFirst <= costColumnsFirst;
}

}  // namespace

Bitmap Resample(const Bitmap& source, int width, int height) {
  if (source.Empty() || width <= 0 || height <= 0) return Bitmap();
  const Bitmap* src = &source;
  Bitmap converted;
  if (source.BitsPerPixel() <= 8) {
    converted = source;
    converted.SetBitsPerPixel(24);
    src = &converted;
  }
  const int bits = src->BitsPerPixel();
  const int channels = bits / 8;
  Bitmap out(width, height, bits);
  const int sw = src->Width(), sh = src->Height();
  AxisFilter fx = MakeFilter(sw, width);
  AxisFilter fy = MakeFilter(sh, height);

  Plane in{sw, sh, src->Stride(), const_cast<uint8_t*>(src->ScanLine(0))};
  Plane result{width, height, out.Stride(), out.ScanLine(0)};
  Bitmap middle;
  if (RowsFirst(sw, sh, width, height, fx, fy)) {
    middle = Bitmap(width, sh, bits);
    Plane mid{width, sh, middle.Stride(), middle.ScanLine(0)};
    Horizontal(in, mid, fx, channels, sw);
    Vertical(mid, result, fy, channels, sh);
  } else {
    middle = Bitmap(sw, height, bits);
    Plane mid{sw, height, middle.Stride(), middle.ScanLine(0)};
    Vertical(in, mid, fy, channels, sh);
    Horizontal(mid, result, fx, channels, sw);
  }
  return out;
}

}  // namespace framework

namespace framework {

struct RowResampler::Filters {
  AxisFilter x, y;
};

RowResampler::RowResampler(int sourceWidth, int sourceHeight, int channels, Bitmap& out)
    : RowResampler(sourceWidth, sourceHeight, channels, out.Width(), out.Height(), nullptr) {
  out_ = &out;
}

RowResampler::RowResampler(int sourceWidth, int sourceHeight, int channels, int width, int height, RowSink sink)
    : sourceWidth_(sourceWidth),
      sourceHeight_(sourceHeight),
      channels_(channels),
      width_(std::max(0, width)),
      height_(std::max(0, height)),
      out_(nullptr),
      sink_(std::move(sink)),
      filters_(std::make_unique<Filters>(Filters{MakeFilter(sourceWidth, width_), MakeFilter(sourceHeight, height_)})) {
  rowsFirst_ = RowsFirst(sourceWidth, sourceHeight, width_, height_, filters_->x, filters_->y);
  if (sink_) madeRow_.assign(static_cast<size_t>(width_) * channels, 0);
  // Rows first, the ring holds source rows scaled along their width; columns
  // first, the source rows as they came, and each output row is made across
  // the source's width before it is scaled along it. The rows one output row
  // reads are never more than the filter's taps.
  ringRowBytes_ = static_cast<size_t>(rowsFirst_ ? width_ : sourceWidth) * channels;
  ring_.assign(ringRowBytes_ * filters_->y.taps, 0);
  acc_.assign(ringRowBytes_, 0);
  if (!rowsFirst_) across_.assign(ringRowBytes_, 0);
}

RowResampler::~RowResampler() = default;

uint8_t* RowResampler::OutputRow(int y) { return out_ ? out_->ScanLine(y) : madeRow_.data(); }

void RowResampler::Push(const uint8_t* row) {
  if (received_ >= sourceHeight_ || width_ == 0 || height_ == 0) return;
  const AxisFilter& fy = filters_->y;
  const int width = width_;
  auto ringRow = [this, &fy](int j) { return ring_.data() + static_cast<size_t>(j % fy.taps) * ringRowBytes_; };
  const Plane in{sourceWidth_, 1, 0, const_cast<uint8_t*>(row)};
  if (rowsFirst_)
    Horizontal(in, Plane{width, 1, ringRowBytes_, ringRow(received_)}, filters_->x, channels_, sourceWidth_);
  else
    std::copy(row, row + ringRowBytes_, ringRow(received_));
  const int j = received_++;
  // Every output row whose last source row has now come is made.
  while (made_ < height_) {
    const int last = std::min(fy.first[made_] + fy.taps, sourceHeight_) - 1;
    if (last > j) break;
    if (rowsFirst_) {
      VerticalRow(ringRow, fy, made_, sourceHeight_, ringRowBytes_, acc_.data(), OutputRow(made_));
    } else {
      VerticalRow(ringRow, fy, made_, sourceHeight_, ringRowBytes_, acc_.data(), across_.data());
      Horizontal(Plane{sourceWidth_, 1, 0, across_.data()}, Plane{width, 1, 0, OutputRow(made_)}, filters_->x,
                 channels_, sourceWidth_);
    }
    if (sink_) sink_(made_, madeRow_.data());
    ++made_;
  }
}

}  // namespace framework
