#include "framework/imaging/resample.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

#ifdef __SSE2__
// The output positions of a row of three-byte pixels, from the first, that
// the vector loop below makes: those whose reads (8 bytes from the first
// tap, 4 from the third) and whose 4-byte store stay inside their rows.
template <int Taps>
int VectorPositions(const AxisFilter& f, int sourceWidth, int width) {
  int n = 0;
  while (n < width - 1 && 3 * (f.first[n] + Taps) + (Taps == 3 ? 1 : 2) <= 3 * sourceWidth) ++n;
  return n;
}

// Positions [0, n) of a row of three-byte pixels with two or three taps, a
// pixel at a time in 32-bit lanes: the very sums and rounding of the plain
// loop. Two taps go through one multiply-add of their channels side by
// side; a third through one more.
template <int Taps>
void HorizontalVector(const uint8_t* in, uint8_t* out, const AxisFilter& f, int n) {
  const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi32(kOne / 2);
  const int32_t* w = f.weights.data();
  for (int x = 0; x < n; ++x, w += Taps, out += 3) {
    const uint8_t* p = in + 3 * static_cast<size_t>(f.first[x]);
    // r0 g0 b0 r1 g1 b1 r2 g2 as words; with the same moved by a pixel,
    // interleaved: r0 r1 g0 g1 b0 b1 . .
    const __m128i words = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    const __m128i pairs = _mm_unpacklo_epi16(words, _mm_srli_si128(words, 6));
    const __m128i w01 = _mm_set_epi16(0, 0, static_cast<int16_t>(w[1]), static_cast<int16_t>(w[0]),
                                      static_cast<int16_t>(w[1]), static_cast<int16_t>(w[0]),
                                      static_cast<int16_t>(w[1]), static_cast<int16_t>(w[0]));
    __m128i acc = _mm_madd_epi16(pairs, w01);
    if constexpr (Taps == 3) {
      int32_t third;
      std::memcpy(&third, p + 6, sizeof third);
      const __m128i spread = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(third), zero), zero);
      const __m128i w2 = _mm_set_epi16(0, 0, 0, static_cast<int16_t>(w[2]), 0, static_cast<int16_t>(w[2]), 0,
                                       static_cast<int16_t>(w[2]));
      acc = _mm_add_epi32(acc, _mm_madd_epi16(spread, w2));
    }
    const __m128i rounded = _mm_srai_epi32(_mm_add_epi32(acc, half), kWeightBits);
    const int32_t bytes = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(rounded, zero), zero));
    std::memcpy(out, &bytes, sizeof bytes);  // the fourth byte is the next pixel's, made next
  }
}
#endif

// Taps is the filter's tap count when known at compile time (0: any).
template <int Channels, int Taps>
void HorizontalPass(const Plane& src, const Plane& dst, const AxisFilter& f, int sourceWidth) {
  // The taps of each position, where not known at compile time.
  std::vector<int> taps(Taps ? 0 : static_cast<size_t>(dst.width));
  if (!Taps)
    for (int x = 0; x < dst.width; ++x) taps[x] = std::min(f.taps, sourceWidth - f.first[x]);
  int vector = 0;  // positions made by the vector loop
#ifdef __SSE2__
  if constexpr (Channels == 3 && (Taps == 2 || Taps == 3)) vector = VectorPositions<Taps>(f, sourceWidth, dst.width);
#endif
  for (int y = 0; y < dst.height; ++y) {
    const uint8_t* in = src.Row(y);
    uint8_t* out = dst.Row(y);
    const int32_t* w = f.weights.data();
#ifdef __SSE2__
    if constexpr (Channels == 3 && (Taps == 2 || Taps == 3)) {
      HorizontalVector<Taps>(in, out, f, vector);
      out += 3 * static_cast<size_t>(vector);
      w += static_cast<size_t>(vector) * f.taps;
    }
#endif
    for (int x = vector; x < dst.width; ++x, w += f.taps, out += Channels) {
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

#ifdef __SSE2__
// An output row from two or three source rows (c null for two), 16 bytes
// at a time in 32-bit lanes, the rest as the plain loop makes them: the
// very sums and rounding of the plain loop. Returns the bytes made.
size_t VerticalVector(const uint8_t* a, const uint8_t* b, const uint8_t* c, const int32_t* w, size_t rowBytes,
                      uint8_t* out) {
  const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi32(kOne / 2);
  const __m128i wab = _mm_set_epi16(static_cast<int16_t>(w[1]), static_cast<int16_t>(w[0]), static_cast<int16_t>(w[1]),
                                    static_cast<int16_t>(w[0]), static_cast<int16_t>(w[1]), static_cast<int16_t>(w[0]),
                                    static_cast<int16_t>(w[1]), static_cast<int16_t>(w[0]));
  const __m128i wc = _mm_set_epi16(0, static_cast<int16_t>(c ? w[2] : 0), 0, static_cast<int16_t>(c ? w[2] : 0), 0,
                                   static_cast<int16_t>(c ? w[2] : 0), 0, static_cast<int16_t>(c ? w[2] : 0));
  // Four sums of a's and b's words (and c's) side by side.
  const auto sums = [&](__m128i aw, __m128i bw, __m128i cw, bool high) {
    const __m128i ab = high ? _mm_unpackhi_epi16(aw, bw) : _mm_unpacklo_epi16(aw, bw);
    __m128i acc = _mm_madd_epi16(ab, wab);
    if (c) acc = _mm_add_epi32(acc, _mm_madd_epi16(high ? _mm_unpackhi_epi16(cw, zero) : _mm_unpacklo_epi16(cw, zero), wc));
    return _mm_srai_epi32(_mm_add_epi32(acc, half), kWeightBits);
  };
  size_t i = 0;
  for (; i + 16 <= rowBytes; i += 16) {
    const __m128i av = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i bv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i cv = c ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + i)) : zero;
    const __m128i alo = _mm_unpacklo_epi8(av, zero), blo = _mm_unpacklo_epi8(bv, zero), clo = _mm_unpacklo_epi8(cv, zero);
    const __m128i ahi = _mm_unpackhi_epi8(av, zero), bhi = _mm_unpackhi_epi8(bv, zero), chi = _mm_unpackhi_epi8(cv, zero);
    const __m128i low = _mm_packs_epi32(sums(alo, blo, clo, false), sums(alo, blo, clo, true));
    const __m128i high = _mm_packs_epi32(sums(ahi, bhi, chi, false), sums(ahi, bhi, chi, true));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
  }
  for (; i < rowBytes; ++i)
    out[i] = static_cast<uint8_t>((a[i] * w[0] + b[i] * w[1] + (c ? c[i] * w[2] : 0) + kOne / 2) >> kWeightBits);
  return rowBytes;
}
#endif

// One output row of the vertical pass from the source rows it reads, found
// by row(j); acc holds rowBytes sums.
template <typename RowOf>
void VerticalRow(RowOf row, const AxisFilter& f, int y, int sourceHeight, size_t rowBytes, int32_t* acc,
                 uint8_t* out) {
  const int32_t* w = &f.weights[static_cast<size_t>(y) * f.taps];
  const int j0 = f.first[y];
  const int taps = std::min(f.taps, sourceHeight - j0);
#ifdef __SSE2__
  if (taps == 2 || taps == 3) {
    VerticalVector(row(j0), row(j0 + 1), taps == 3 ? row(j0 + 2) : nullptr, w, rowBytes, out);
    return;
  }
#endif
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
