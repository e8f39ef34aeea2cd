#pragma once
// JPEG pictures through libjpeg. Every error the library reports (a damaged
// or truncated file, an unsupported variant, a picture too large to hold)
// becomes an EInvalidGraphic; nothing here ends the process. A picture is
// always decoded standing as it was taken: the orientation a camera or phone
// recorded in its EXIF block turns it.
// No Win32 here: this also builds natively for fuzzing.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "framework/imaging/bitmap.h"
#include "framework/imaging/graphics.h"
#include "framework/imaging/resample.h"

namespace framework {

enum class JpegPixelFormat {
  k24Bit,  // true colour
  k8Bit,   // 256 colours chosen by libjpeg's two-pass colour quantisation
};

struct JpegDecodeOptions {
  // The DCT scale in eighths, 1..16: the output is ceil(side * eighths / 8).
  int scaleEighths = 8;
  // Fancy upsampling and block smoothing, as libjpeg does by default.
  bool smoothing = true;
  JpegPixelFormat pixelFormat = JpegPixelFormat::k24Bit;
};

// A 24-bit bitmap of the whole picture (for the splash picture and callers
// that only need pixels).
Bitmap DecodeJpeg(std::string_view bytes);
// Decodes with the given options: a 24-bit bitmap, or an 8-bit one whose
// palette is the one the quantiser chose. The size limits of bitmaps apply
// to the decoded picture, so a picture too large to hold whole can still be
// decoded at a reduced scale.
Bitmap DecodeJpeg(std::string_view bytes, const JpegDecodeOptions& options);
// Decodes at the options' scale and resamples to width x height (as
// Resample does, to the very pixel), a 24-bit bitmap; the options' pixel
// format is not used. Where there are two processors, decoding and scaling
// run side by side, or for a large picture two threads share the decoding
// (framework/imaging/jpegsplit.h).
Bitmap DecodeJpegResampled(std::string_view bytes, const JpegDecodeOptions& options, int width, int height);

// A rectangle of a picture, in its pixels.
struct PicturePart {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};
// The same for a part of the decoded picture (standing upright, cut to the
// picture; none: all of it): the part alone is resampled, and the rows below
// it are not decoded. An empty part gives an empty bitmap.
Bitmap DecodeJpegResampled(std::string_view bytes, const JpegDecodeOptions& options,
                           const std::optional<PicturePart>& part, int width, int height);
// The same handing each row of the result to sink as it is made, top first,
// so that not even the result is held whole (a 24-bit row, width x 3 bytes).
// Raises as DecodeJpeg does; the rows before the damage have been handed on.
void DecodeJpegRows(std::string_view bytes, const JpegDecodeOptions& options, const std::optional<PicturePart>& part,
                    int width, int height, const RowSink& sink);
// Compresses a bitmap (any pixel format) at quality 1..100.
std::string EncodeJpeg(const Bitmap& bitmap, int quality);

struct JpegHeader {
  int width = 0;  // as stored
  int height = 0;
  int components = 0;
  bool progressive = false;
  int orientation = 1;  // the EXIF orientation, 1 (as stored) when none is given
};
// Reads the picture's header only; raises for a damaged one.
JpegHeader ReadJpegHeader(std::string_view bytes);

// Output side for a side of the full picture at a DCT scale in eighths.
int JpegScaledSide(int side, int scaleEighths);

class JpegImage : public Graphic {
 public:
  JpegImage() = default;

  // Keeps the compressed data after checking its header.
  void LoadFromFile(const std::string& path) override;
  void LoadFromBytes(std::string_view bytes) override;
  // The compressed data; an assigned bitmap is compressed first.
  std::string SaveToBytes() const override;

  // The size of the decoded picture at the current scale, standing upright.
  int Width() const override;
  int Height() const override;
  bool Empty() const override { return data_.empty() && !source_; }
  // Decodes with the current settings (an assigned, not yet compressed
  // bitmap is returned as it is).
  Bitmap ToBitmap() const override;
  // The same resampled to width x height, without holding the decoded
  // picture whole where it need not be.
  Bitmap ToBitmap(int width, int height) const;
  // A part of the picture at the current scale (see DecodeJpegResampled),
  // resampled to width x height, as ToBitmap(width, height) is made.
  Bitmap ToBitmap(const PicturePart& part, int width, int height) const;
  // The same handed to sink row by row (see DecodeJpegRows).
  void ToRows(const PicturePart& part, int width, int height, const RowSink& sink) const;

#ifdef _WIN32
  void Draw(HDC__* dc, int x, int y, int width, int height) const override;
#endif

  // Takes a bitmap as the picture; Compress turns it into JPEG data.
  void Assign(const Bitmap& bitmap);
  // Compresses the assigned bitmap at CompressionQuality; afterwards the
  // picture is the compressed data, decoded with the settings below.
  void Compress();

  int CompressionQuality() const { return quality_; }
  void SetCompressionQuality(int quality);
  bool Smoothing() const { return options_.smoothing; }
  void SetSmoothing(bool on);
  JpegPixelFormat PixelFormat() const { return options_.pixelFormat; }
  void SetPixelFormat(JpegPixelFormat format);

  // Decoding at a reduced (or enlarged) DCT scale: num/denom is rounded up
  // to the next eighth, from 1/8 to 16/8.
  void SetScale(int num, int denom);
  int ScaleEighths() const { return options_.scaleEighths; }
  // The smallest scale of at most 8/8 whose output still covers
  // width x height; the full scale when even that does not. Either is
  // reduced further while the output would be too large to hold.
  void ScaleToAtLeast(int width, int height);
  // The scale to decode at before resampling to width x height: the
  // smallest that leaves at least half as much again on each side. The
  // reduced DCT alone smooths less well than averaging areas does; with
  // that much left to the averaging the result stays within a level of a
  // full decode resampled the same way.
  void ScaleForResampling(int width, int height);

  // The full picture's size standing upright, whatever the scale.
  int ImageWidth() const;
  int ImageHeight() const;
  // The EXIF orientation of the compressed data (1 for an assigned bitmap).
  int Orientation() const { return source_ ? 1 : header_.orientation; }
  const std::string& Data() const { return data_; }

 private:
  void Changed() { drawCache_.reset(); }

  std::string data_;
  JpegHeader header_;
  std::optional<Bitmap> source_;
  int quality_ = 90;
  JpegDecodeOptions options_;
  mutable std::shared_ptr<const Bitmap> drawCache_;
};

}  // namespace framework
