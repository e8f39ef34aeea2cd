#include "framework/imaging/jpeg.h"

#include "framework/base/bounded.h"
#include "framework/base/paths.h"
#include "framework/base/wakeup.h"
#include "framework/imaging/exif.h"
#include "framework/imaging/jpegsplitter.h"
#include "framework/imaging/resample.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <cstdint>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

namespace framework {

namespace {

// Limits for outside data: a progressive file can ask for thousands of scans
// (each one a pass over the picture), and a tiny file can declare a huge
// picture (the decoded size is held to the bitmap limits).
constexpr int kMaxScans = 500;
constexpr long kMaxLibraryMemory = 512L * 1024 * 1024;

// libjpeg reports errors through error_exit, which must not return: it jumps
// back to the step that started the library call. Only plain C data lives in
// the frames it skips, and the jump never crosses a C++ object with a
// destructor.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void OnJpegError(j_common_ptr cinfo) {
  ErrorManager* e = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, e->message);
  std::longjmp(e->jump, 1);
}

// Warnings are ignored, except data that ends before the picture does (the
// file itself, or a scan's data before the next marker): the rest of the
// picture would be grey, which is a damaged file, not a picture.
extern "C" void OnJpegMessage(j_common_ptr cinfo, int level) {
  if (level < 0) {
    ErrorManager* e = reinterpret_cast<ErrorManager*>(cinfo->err);
    e->pub.num_warnings++;
    if (e->pub.msg_code == JWRN_JPEG_EOF || e->pub.msg_code == JWRN_HIT_MARKER) OnJpegError(cinfo);
  }
}

extern "C" void OnJpegProgress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    ErrorManager* e = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(e->message, sizeof e->message, "too many scans (more than %d)", kMaxScans);
    std::longjmp(e->jump, 1);
  }
}

void InitErrors(ErrorManager& e) {
  jpeg_std_error(&e.pub);
  e.pub.error_exit = OnJpegError;
  e.pub.emit_message = OnJpegMessage;
  e.message[0] = '\0';
}

// Runs one step of library calls; false when the library reported an error.
// step must only touch plain data.
template <class Step>
bool Guarded(ErrorManager& e, Step&& step) {
  if (setjmp(e.jump)) return false;
  step();
  return true;
}

[[noreturn]] void Fail(const ErrorManager& e) {
  throw EInvalidGraphic(std::string("JPEG 画像が不正です: ") + e.message);
}

struct Decompressor {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  jpeg_progress_mgr progress;
  bool created = false;

  Decompressor() {
    std::memset(&cinfo, 0, sizeof cinfo);
    InitErrors(errors);
    cinfo.err = &errors.pub;
    progress.progress_monitor = OnJpegProgress;
  }
  ~Decompressor() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  // Creates the library object and reads the header.
  void Open(std::string_view bytes) {
    if (bytes.empty()) throw EInvalidGraphic("JPEG 画像が空です");
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes.data());
    unsigned long size = static_cast<unsigned long>(bytes.size());
    bool ok = Guarded(errors, [&] {
      jpeg_create_decompress(&cinfo);
      created = true;
      cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
      cinfo.progress = &progress;
      jpeg_mem_src(&cinfo, data, size);
      jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
      jpeg_read_header(&cinfo, TRUE);
    });
    if (!ok) Fail(errors);
    if (cinfo.image_width == 0 || cinfo.image_height == 0) throw EInvalidGraphic("JPEG 画像の大きさが 0 です");
  }

  // The orientation of the first EXIF block among the APP1 segments (others
  // hold XMP and the like).
  int Orientation() const {
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
      if (m->marker != JPEG_APP0 + 1 || !m->data) continue;
      std::string_view app1(reinterpret_cast<const char*>(m->data), m->data_length);
      if (app1.substr(0, 4) == "Exif") return ExifOrientation(app1);
    }
    return kOrientationNormal;
  }
};

// Adobe CMYK / YCCK pictures come out as inverted CMYK.
void CmykRowToBgr(const uint8_t* cmyk, uint8_t* bgr, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x) {
    int c = cmyk[4 * x], m = cmyk[4 * x + 1], y = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    bgr[3 * x] = static_cast<uint8_t>((y * k + 127) / 255);
    bgr[3 * x + 1] = static_cast<uint8_t>((m * k + 127) / 255);
    bgr[3 * x + 2] = static_cast<uint8_t>((c * k + 127) / 255);
  }
}

// Output of the compressor into a growing malloc'ed block (freed by the
// owner, also after an error).
struct MemoryDestination {
  jpeg_destination_mgr pub;
  unsigned char* data;
  size_t capacity;
  size_t used;
};

extern "C" void InitDestination(j_compress_ptr cinfo) {
  MemoryDestination* d = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  d->pub.next_output_byte = d->data;
  d->pub.free_in_buffer = d->capacity;
}

extern "C" boolean GrowDestination(j_compress_ptr cinfo) {
  MemoryDestination* d = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  size_t bigger = d->capacity * 2;
  unsigned char* grown = static_cast<unsigned char*>(std::realloc(d->data, bigger));
  if (!grown) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  d->data = grown;
  d->pub.next_output_byte = grown + d->capacity;
  d->pub.free_in_buffer = bigger - d->capacity;
  d->capacity = bigger;
  return TRUE;
}

extern "C" void TermDestination(j_compress_ptr cinfo) {
  MemoryDestination* d = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  d->used = d->capacity - d->pub.free_in_buffer;
}

struct Compressor {
  jpeg_compress_struct cinfo;
  ErrorManager errors;
  MemoryDestination destination;
  bool created = false;

  Compressor() {
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&destination, 0, sizeof destination);
    InitErrors(errors);
    cinfo.err = &errors.pub;
    destination.pub.init_destination = InitDestination;
    destination.pub.empty_output_buffer = GrowDestination;
    destination.pub.term_destination = TermDestination;
  }
  ~Compressor() {
    if (created) jpeg_destroy_compress(&cinfo);
    std::free(destination.data);
  }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;
};

// The scale and smoothing the options ask for.
void SetDecoding(jpeg_decompress_struct& cinfo, const JpegDecodeOptions& options) {
  cinfo.scale_num = static_cast<unsigned>(std::clamp(options.scaleEighths, 1, 16));
  cinfo.scale_denom = 8;
  cinfo.do_fancy_upsampling = options.smoothing;
  cinfo.do_block_smoothing = options.smoothing;
  cinfo.dct_method = JDCT_ISLOW;
}

// The part of a width x height picture that is asked for, cut to the
// picture (the whole of it when none is asked for).
PicturePart PartInside(const std::optional<PicturePart>& part, int width, int height) {
  if (!part) return {0, 0, width, height};
  const int left = std::clamp(part->left, 0, width), top = std::clamp(part->top, 0, height);
  return {left, top, std::clamp(part->left + part->width, left, width) - left,
          std::clamp(part->top + part->height, top, height) - top};
}

// The part of a 24- or 32-bit bitmap, inside it.
Bitmap PartOf(const Bitmap& whole, const PicturePart& part) {
  const size_t bytes = static_cast<size_t>(whole.BitsPerPixel() / 8);
  Bitmap piece(part.width, part.height, whole.BitsPerPixel());
  for (int row = 0; row < part.height; ++row)
    std::memcpy(piece.ScanLine(row), whole.ScanLine(part.top + row) + bytes * part.left, bytes * part.width);
  return piece;
}

// Decoded rows handed, a block at a time, from the decoding thread to one
// that uses them, so that decoding and scaling run side by side on a
// processor each; with one processor the rows are used as they come. The
// rows are used in order, each once. Which blocks are filled and used is
// kept in atomics, and a thread is woken only when it sleeps: the decoding,
// the longer of the two, then never waits for the other to run.
class RowHandoff {
 public:
  static constexpr int kRows = 32;  // rows per block

  // Whether each decoding that runs has two processors. The second one
  // takes the rows, or a second entropy decoder (jpegsplit.h) where the
  // scan is split: then the decoding thread uses the rows itself.
  static bool ProcessorsToSpare() {
    return std::thread::hardware_concurrency() >= 2 * static_cast<unsigned>(running_.load());
  }

  RowHandoff(size_t rowBytes, std::function<void(const uint8_t*)> use, bool threadAllowed = true)
      : rowBytes_(rowBytes), use_(std::move(use)) {
    // A thread of its own for the rows where a processor is left for it:
    // while other pictures are decoded at once (a picture per monitor), the
    // processors are busy already, and a thread more only takes turns.
    const bool alongside = threadAllowed && ProcessorsToSpare();
    blocks_.resize(alongside ? kBlocks : 1);
    for (Block& b : blocks_) b.rows.resize(rowBytes_ * kRows);
    if (alongside) user_ = std::thread([this] { Use(); });
  }
  ~RowHandoff() { Finish(); }
  RowHandoff(const RowHandoff&) = delete;
  RowHandoff& operator=(const RowHandoff&) = delete;

  // Counts the decodings that hand rows on while it lives.
  class Running {
   public:
    Running() { ++running_; }
    ~Running() { --running_; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
  };

  // The next block to fill, once its rows are used.
  uint8_t* Free() {
    if (user_.joinable())
      WaitUntil(makerWaits_, room_, [&] { return filled_ - used_.load() < blocks_.size(); });
    return blocks_[filled_ % blocks_.size()].rows.data();
  }
  // The block Free gave holds count rows.
  void Filled(int count) {
    Block& b = blocks_[filled_ % blocks_.size()];
    if (!user_.joinable()) {
      ++filled_;
      for (int i = 0; i < count; ++i) use_(b.rows.data() + static_cast<size_t>(i) * rowBytes_);
      return;
    }
    b.count = count;
    published_.store(++filled_);
    if (userWaits_.load()) rowsCame_.Wake();
  }
  // Waits until every filled row is used.
  void Finish() {
    if (!user_.joinable()) return;
    finished_.store(true);
    if (userWaits_.load()) rowsCame_.Wake();
    user_.join();
  }

 private:
  static inline std::atomic<int> running_{0};

  static constexpr size_t kBlocks = 4;
  static constexpr std::chrono::milliseconds kLookFor{8};
  struct Block {
    std::vector<uint8_t> rows;
    int count = 0;
  };

  // Waits until ready() holds. A block takes the decoding a few
  // milliseconds, and waking a thread that sleeps can cost a millisecond of
  // the waking one (Wine passes every wake through its server): so where
  // the processors are not all busy decoding, the waiting thread first
  // looks again and again for a while, giving its processor to others
  // meanwhile, and only then sleeps on wakeup. The flag
  // says that it sleeps; it is raised before ready() is checked once more,
  // and the other thread changes what ready() reads before it looks at the
  // flag, so a change is either seen here or wakes this thread (all
  // sequentially consistent). A wake left over from an earlier wait only
  // checks again.
  template <class Ready>
  static void WaitUntil(std::atomic<bool>& waits, Wakeup& wakeup, Ready ready) {
    const auto lookUntil = std::chrono::steady_clock::now() + kLookFor;
    while (!ready()) {
      if (std::chrono::steady_clock::now() < lookUntil && ProcessorsToSpare()) {
        std::this_thread::yield();
        continue;
      }
      waits.store(true);
      if (!ready()) wakeup.Wait();
      waits.store(false);
    }
  }

  void Use() {
    for (size_t next = 0;; ++next) {
      WaitUntil(userWaits_, rowsCame_, [&] { return published_.load() > next || finished_.load(); });
      if (published_.load() <= next) return;  // finished, and every block used
      const Block& b = blocks_[next % blocks_.size()];
      for (int i = 0; i < b.count; ++i) use_(b.rows.data() + static_cast<size_t>(i) * rowBytes_);
      used_.store(next + 1);
      if (makerWaits_.load()) room_.Wake();
    }
  }

  const size_t rowBytes_;
  const std::function<void(const uint8_t*)> use_;
  std::vector<Block> blocks_;
  size_t filled_ = 0;                 // the decoding thread's own count
  std::atomic<size_t> published_{0};  // blocks filled, as the user sees them
  std::atomic<size_t> used_{0};       // blocks used
  std::atomic<bool> finished_{false};
  std::atomic<bool> userWaits_{false};
  std::atomic<bool> makerWaits_{false};
  Wakeup rowsCame_;
  Wakeup room_;
  std::thread user_;
};

}  // namespace

int JpegScaledSide(int side, int scaleEighths) {
  return static_cast<int>((static_cast<int64_t>(side) * scaleEighths + 7) / 8);
}

JpegHeader ReadJpegHeader(std::string_view bytes) {
  Decompressor d;
  d.Open(bytes);
  JpegHeader h;
  h.width = static_cast<int>(d.cinfo.image_width);
  h.height = static_cast<int>(d.cinfo.image_height);
  h.components = d.cinfo.num_components;
  h.progressive = d.cinfo.progressive_mode;
  h.orientation = d.Orientation();
  return h;
}

Bitmap DecodeJpeg(std::string_view bytes) { return DecodeJpeg(bytes, JpegDecodeOptions{}); }

Bitmap DecodeJpeg(std::string_view bytes, const JpegDecodeOptions& options) {
  Decompressor d;
  d.Open(bytes);
  jpeg_decompress_struct& cinfo = d.cinfo;

  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  const bool inverted = cinfo.saw_Adobe_marker;
  // The quantiser works on three-component colour only; a CMYK picture is
  // reduced from true colour afterwards instead.
  const bool quantize = options.pixelFormat == JpegPixelFormat::k8Bit && !cmyk;
  SetDecoding(cinfo, options);
  if (cmyk) {
    cinfo.out_color_space = JCS_CMYK;
  } else if (quantize) {
    // A grey picture is quantised as grey, so that its palette holds greys
    // only (in RGB the quantiser's cells would tint them).
    cinfo.out_color_space = cinfo.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
    cinfo.quantize_colors = TRUE;
    cinfo.desired_number_of_colors = 256;
    cinfo.two_pass_quantize = TRUE;
    cinfo.dither_mode = JDITHER_FS;
  } else {
    cinfo.out_color_space = JCS_EXT_BGR;
  }
  if (!Guarded(d.errors, [&] { jpeg_calc_output_dimensions(&cinfo); })) Fail(d.errors);
  if (!FitsBitmapLimits(cinfo.output_width, cinfo.output_height))
    throw EInvalidGraphic("JPEG 画像が大きすぎます");
  const int orientation = d.Orientation();

  Bitmap out(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), quantize ? 8 : 24);
  std::vector<uint8_t> cmykRow;
  if (cmyk) cmykRow.resize(static_cast<size_t>(cinfo.output_width) * 4);
  uint8_t* cmykBuffer = cmykRow.data();
  uint8_t colormap[3][256] = {};
  int colors = 0;

  const RowHandoff::Running running;
  EntropySplitter splitter;
  splitter.Prepare(cinfo, RowHandoff::ProcessorsToSpare());
  bool ok = Guarded(d.errors, [&] {
    jpeg_start_decompress(&cinfo);
    splitter.Start(cinfo);
    if (quantize && cinfo.colormap) {
      colors = std::min(cinfo.actual_number_of_colors, 256);
      int channels = cinfo.out_color_components;
      for (int c = 0; c < 3; ++c)
        for (int i = 0; i < colors; ++i) colormap[c][i] = cinfo.colormap[channels == 3 ? c : 0][i];
    }
    while (cinfo.output_scanline < cinfo.output_height) {
      JDIMENSION y = cinfo.output_scanline;
      if (cmyk) {
        JSAMPROW row = cmykBuffer;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
        CmykRowToBgr(cmykBuffer, out.ScanLine(static_cast<int>(y)), cinfo.output_width, inverted);
      } else {
        JSAMPROW rows[16];
        JDIMENSION n = std::min<JDIMENSION>(16, cinfo.output_height - y);
        for (JDIMENSION i = 0; i < n; ++i) rows[i] = out.ScanLine(static_cast<int>(y + i));
        if (jpeg_read_scanlines(&cinfo, rows, n) == 0) break;
      }
    }
    jpeg_finish_decompress(&cinfo);
  });
  if (!ok) Fail(d.errors);

  if (quantize) {
    std::vector<PaletteEntry> palette(static_cast<size_t>(colors));
    for (int i = 0; i < colors; ++i) palette[i] = {colormap[2][i], colormap[1][i], colormap[0][i], 0};
    out.SetPalette(std::move(palette));
  } else if (options.pixelFormat == JpegPixelFormat::k8Bit) {
    out.SetBitsPerPixel(8);
  }
  if (orientation != kOrientationNormal) return TurnedUpright(out, orientation);
  return out;
}

Bitmap DecodeJpegResampled(std::string_view bytes, const JpegDecodeOptions& options, int width, int height) {
  return DecodeJpegResampled(bytes, options, std::nullopt, width, height);
}

Bitmap DecodeJpegResampled(std::string_view bytes, const JpegDecodeOptions& options,
                           const std::optional<PicturePart>& part, int width, int height) {
  if (width <= 0 || height <= 0) return Bitmap();
  Bitmap out(width, height, 24);
  bool any = false;
  DecodeJpegRows(bytes, options, part, width, height, [&](int y, const uint8_t* row) {
    std::memcpy(out.ScanLine(y), row, 3 * static_cast<size_t>(width));
    any = true;
  });
  return any ? out : Bitmap();
}

void DecodeJpegRows(std::string_view bytes, const JpegDecodeOptions& options, const std::optional<PicturePart>& part,
                    int width, int height, const RowSink& sink) {
  if (width <= 0 || height <= 0) return;
  JpegDecodeOptions rows = options;
  rows.pixelFormat = JpegPixelFormat::k24Bit;
  {
    Decompressor d;
    d.Open(bytes);
    const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    if (!cmyk && d.Orientation() == kOrientationNormal) {
      // The decoded rows are scaled as they come: the picture at its
      // decoding scale is never held whole.
      jpeg_decompress_struct& cinfo = d.cinfo;
      SetDecoding(cinfo, rows);
      cinfo.out_color_space = JCS_EXT_BGR;
      if (!Guarded(d.errors, [&] { jpeg_calc_output_dimensions(&cinfo); })) Fail(d.errors);
      const PicturePart kept = PartInside(part, static_cast<int>(cinfo.output_width),
                                          static_cast<int>(cinfo.output_height));
      if (kept.width <= 0 || kept.height <= 0) return;
      const RowHandoff::Running running;
      RowResampler resampler(kept.width, kept.height, 3, width, height, sink);
      const size_t rowBytes = static_cast<size_t>(cinfo.output_width) * 3;
      int y = 0;
      // Where the scan's entropy decoding is split, the second processor
      // decodes and the rows are scaled here.
      EntropySplitter splitter;
      const bool split = splitter.Prepare(cinfo, RowHandoff::ProcessorsToSpare());
      RowHandoff handoff(
          rowBytes,
          [&](const uint8_t* row) {
            if (y >= kept.top && y < kept.top + kept.height) resampler.Push(row + 3 * static_cast<size_t>(kept.left));
            ++y;
          },
          !split);
      const JDIMENSION lastRow = static_cast<JDIMENSION>(kept.top + kept.height);
      bool ok = Guarded(d.errors, [&] {
        jpeg_start_decompress(&cinfo);
        splitter.Start(cinfo);
        JSAMPROW pointers[RowHandoff::kRows];
        // Rows below the part are not decoded.
        while (cinfo.output_scanline < lastRow) {
          uint8_t* block = handoff.Free();
          for (int i = 0; i < RowHandoff::kRows; ++i) pointers[i] = block + i * rowBytes;
          const JDIMENSION n = std::min<JDIMENSION>(RowHandoff::kRows, lastRow - cinfo.output_scanline);
          const JDIMENSION got = jpeg_read_scanlines(&cinfo, pointers, n);
          if (got == 0) break;
          handoff.Filled(static_cast<int>(got));
        }
        if (cinfo.output_scanline < cinfo.output_height)
          jpeg_abort_decompress(&cinfo);
        else
          jpeg_finish_decompress(&cinfo);
      });
      handoff.Finish();
      if (!ok) Fail(d.errors);
      return;
    }
  }
  // Turned or CMYK pictures are decoded whole first.
  const Bitmap whole = DecodeJpeg(bytes, rows);
  const PicturePart kept = PartInside(part, whole.Width(), whole.Height());
  if (kept.width <= 0 || kept.height <= 0) return;
  const Bitmap made = kept.width == whole.Width() && kept.height == whole.Height()
                          ? Resample(whole, width, height)
                          : Resample(PartOf(whole, kept), width, height);
  for (int y = 0; y < made.Height(); ++y) sink(y, made.ScanLine(y));
}

std::string EncodeJpeg(const Bitmap& source, int quality) {
  if (source.Empty()) throw EInvalidGraphic("空のビットマップは JPEG にできません");
  const Bitmap* bitmap = &source;
  Bitmap converted;
  if (source.BitsPerPixel() != 24) {
    converted = source;
    converted.SetBitsPerPixel(24);
    bitmap = &converted;
  }
  Compressor c;
  c.destination.capacity = std::max<size_t>(65536, bitmap->Pixels().size() / 4);
  c.destination.data = static_cast<unsigned char*>(std::malloc(c.destination.capacity));
  if (!c.destination.data) throw EInvalidGraphic("JPEG 圧縮のメモリが足りません");
  jpeg_compress_struct& cinfo = c.cinfo;
  const Bitmap& b = *bitmap;
  bool ok = Guarded(c.errors, [&] {
    jpeg_create_compress(&cinfo);
    c.created = true;
    cinfo.dest = &c.destination.pub;
    cinfo.image_width = static_cast<JDIMENSION>(b.Width());
    cinfo.image_height = static_cast<JDIMENSION>(b.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
      JSAMPROW row = const_cast<JSAMPROW>(b.ScanLine(static_cast<int>(cinfo.next_scanline)));
      jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
  });
  if (!ok) Fail(c.errors);
  return std::string(reinterpret_cast<const char*>(c.destination.data), c.destination.used);
}

void JpegImage::LoadFromFile(const std::string& path) {
  // Large photos: the file's bytes are kept as read, not copied again.
  std::optional<std::string> bytes = ReadUserFile(path, kMaxPictureFileBytes);
  if (!bytes) throw Exception(path + " を開けません");
  JpegHeader header = ReadJpegHeader(*bytes);
  data_ = std::move(*bytes);
  header_ = header;
  source_.reset();
  Changed();
}

void JpegImage::LoadFromBytes(std::string_view bytes) {
  JpegHeader header = ReadJpegHeader(bytes);
  data_.assign(bytes.data(), bytes.size());
  header_ = header;
  source_.reset();
  Changed();
}

std::string JpegImage::SaveToBytes() const {
  if (source_) return EncodeJpeg(*source_, quality_);
  if (data_.empty()) throw EInvalidGraphic("空の JPEG 画像は保存できません");
  return data_;
}

int JpegImage::ImageWidth() const {
  if (source_) return source_->Width();
  return SwapsSides(header_.orientation) ? header_.height : header_.width;
}

int JpegImage::ImageHeight() const {
  if (source_) return source_->Height();
  return SwapsSides(header_.orientation) ? header_.width : header_.height;
}

int JpegImage::Width() const {
  return source_ ? source_->Width() : JpegScaledSide(ImageWidth(), options_.scaleEighths);
}

int JpegImage::Height() const {
  return source_ ? source_->Height() : JpegScaledSide(ImageHeight(), options_.scaleEighths);
}

Bitmap JpegImage::ToBitmap() const {
  if (source_) return *source_;
  if (data_.empty()) return Bitmap();
  return DecodeJpeg(data_, options_);
}

Bitmap JpegImage::ToBitmap(int width, int height) const {
  if (source_) return Resample(*source_, width, height);
  if (data_.empty()) return Bitmap();
  return DecodeJpegResampled(data_, options_, width, height);
}

Bitmap JpegImage::ToBitmap(const PicturePart& part, int width, int height) const {
  if (source_) {
    Bitmap whole = *source_;
    if (whole.BitsPerPixel() < 24) whole.SetBitsPerPixel(24);
    return Resample(PartOf(whole, PartInside(part, whole.Width(), whole.Height())), width, height);
  }
  if (data_.empty()) return Bitmap();
  return DecodeJpegResampled(data_, options_, part, width, height);
}

void JpegImage::ToRows(const PicturePart& part, int width, int height, const RowSink& sink) const {
  if (source_ || data_.empty()) {
    const Bitmap made = ToBitmap(part, width, height);
    for (int y = 0; y < made.Height(); ++y) sink(y, made.ScanLine(y));
    return;
  }
  DecodeJpegRows(data_, options_, part, width, height, sink);
}

void JpegImage::Assign(const Bitmap& bitmap) {
  source_ = bitmap;
  data_.clear();
  header_ = JpegHeader{};
  Changed();
}

void JpegImage::Compress() {
  if (!source_) return;
  std::string data = EncodeJpeg(*source_, quality_);
  header_ = ReadJpegHeader(data);
  data_ = std::move(data);
  source_.reset();
  Changed();
}

void JpegImage::SetCompressionQuality(int quality) { quality_ = std::clamp(quality, 1, 100); }

void JpegImage::SetSmoothing(bool on) {
  if (on == options_.smoothing) return;
  options_.smoothing = on;
  Changed();
}

void JpegImage::SetPixelFormat(JpegPixelFormat format) {
  if (format == options_.pixelFormat) return;
  options_.pixelFormat = format;
  Changed();
}

void JpegImage::SetScale(int num, int denom) {
  if (num <= 0 || denom <= 0) return;
  int eighths = static_cast<int>(std::clamp<int64_t>((int64_t{num} * 8 + denom - 1) / denom, 1, 16));
  if (eighths == options_.scaleEighths) return;
  options_.scaleEighths = eighths;
  Changed();
}

void JpegImage::ScaleToAtLeast(int width, int height) {
  int chosen = 8;
  for (int k = 1; k <= 8; ++k) {
    if (JpegScaledSide(ImageWidth(), k) >= width && JpegScaledSide(ImageHeight(), k) >= height) {
      chosen = k;
      break;
    }
  }
  while (chosen > 1 && !FitsBitmapLimits(JpegScaledSide(ImageWidth(), chosen), JpegScaledSide(ImageHeight(), chosen)))
    --chosen;
  SetScale(chosen, 8);
}

void JpegImage::ScaleForResampling(int width, int height) {
  ScaleToAtLeast(static_cast<int>(std::min<int64_t>(int64_t{width} * 3 / 2, INT32_MAX)),
                 static_cast<int>(std::min<int64_t>(int64_t{height} * 3 / 2, INT32_MAX)));
}

}  // namespace framework
