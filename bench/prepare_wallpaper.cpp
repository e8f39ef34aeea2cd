// The wallpaper preparation of one large JPEG fitted to the screen, as the
// change cycle runs it: decode (at the DCT scale that still covers the
// screen), scale the rest of the way, write WPFile.BMP.
//   bench_prepare_wallpaper.exe <picture.jpg> [width height [rounds]]
// Prints the median and best wall-clock times in milliseconds, and for
// comparison the time of this program's own full-size decode of the file
// and how far the wallpaper is from that decode scaled the same way;
// with three rounds or more also the time of each step.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/clock.h"
#include "bench/preparation.h"
#include "core/wallpaper.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/imaging/bitmap.h"
#include "framework/imaging/graphics.h"
#include "framework/imaging/jpeg.h"
#include "framework/imaging/jpegsplit.h"
#include "framework/imaging/resample.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The mean absolute difference of two pictures of one size, in levels of
// one colour channel.
double MeanDifference(const framework::Bitmap& a, const framework::Bitmap& b) {
  double sum = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      const framework::Rgb p = a.PixelColor(x, y), q = b.PixelColor(x, y);
      sum += std::abs(p.red - q.red) + std::abs(p.green - q.green) + std::abs(p.blue - q.blue);
    }
  return sum / (3.0 * a.Width() * a.Height());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::optional<PreparationArguments> arguments = ReadPreparationArguments(argc, argv, "bench_prepare_wallpaper", 5);
  if (!arguments) return 2;
  const std::string& picture = arguments->picture;
  const kaleidon::ScreenInfo screen = arguments->screen;
  const int rounds = arguments->rounds;
  bool failed = false;
  const std::string program = UseBenchProgramFolder(failed);

  kaleidon::WallpaperOptions options;
  options.fitToScreen = true;
  std::vector<double> prepare;
  std::string result;
  for (int i = 0; i < rounds && !failed; ++i) {
    double start = Now();
    result = kaleidon::PrepareWallpaperBitmap(picture, options, screen, framework::Application::Instance());
    prepare.push_back(Now() - start);
  }
  if (failed) return 1;

  // The steps of the preparation as it runs them: the file read with its
  // header, the picture decoded and scaled, the bitmap written.
  std::vector<double> load, make, save;
  for (int i = 0; i < rounds; ++i) {
    double start = Now();
    framework::Picture loaded;
    loaded.LoadFromFile(picture);
    load.push_back(Now() - start);
    auto* jpeg = dynamic_cast<framework::JpegImage*>(loaded.GetGraphic());
    if (!jpeg) break;
    start = Now();
    jpeg->ScaleForResampling(screen.width, screen.height);
    const framework::Bitmap made = jpeg->ToBitmap(screen.width, screen.height);
    make.push_back(Now() - start);
    start = Now();
    made.SaveToFile(result);
    save.push_back(Now() - start);
  }
  if (!make.empty())
    std::printf("steps: load_ms %.1f decode_and_scale_ms %.1f save_ms %.1f\n", Median(load), Median(make),
                Median(save));

  // The decoding and scaling with the entropy decoding of the scan on one
  // thread and on two, in turn, and how much of the scan the second
  // decoder gave.
  {
    std::optional<std::string> data = framework::ReadWholeFile(picture);
    framework::JpegImage image;
    if (data) image.LoadFromBytes(*data);
    image.ScaleForResampling(screen.width, screen.height);
    std::vector<double> one, two;
    long long taken = 0;
    for (int i = 0; i < rounds && data; ++i) {
      framework::EntropySplitSettings alone;
      alone.minimumBytes = ~size_t{0};
      {
        framework::ForcedEntropySplit forced(alone);
        const double start = Now();
        image.ToBitmap(screen.width, screen.height);
        one.push_back(Now() - start);
      }
      const framework::EntropySplitCounts before = framework::CountEntropySplits();
      const double start = Now();
      image.ToBitmap(screen.width, screen.height);
      two.push_back(Now() - start);
      taken += framework::CountEntropySplits().mcusTaken - before.mcusTaken;
    }
    if (!one.empty())
      std::printf("entropy decoding: one thread decode_and_scale_ms %.1f, split %.1f (%lld MCUs a round from the "
                  "second decoder)\n",
                  Median(one), Median(two), taken / static_cast<long long>(two.size()));
  }

  framework::Bitmap written;
  written.LoadFromFile(result);
  std::optional<std::string> bytes = framework::ReadWholeFile(picture);
  framework::JpegImage jpeg;
  jpeg.LoadFromBytes(*bytes);
  jpeg.ScaleForResampling(screen.width, screen.height);

  std::vector<double> fullDecode;
  framework::Bitmap full;
  for (int i = 0; i < rounds; ++i) {
    double start = Now();
    full = framework::DecodeJpeg(*bytes);
    fullDecode.push_back(Now() - start);
  }
  // What the reduced decoding costs in quality: the wallpaper against the
  // full decode scaled the same way.
  const framework::Bitmap reference = framework::Resample(full, written.Width(), written.Height());
  full = framework::Bitmap();
  const double difference = MeanDifference(reference, written);
  // Where the time goes: decoding at each reduced scale, scaling, writing
  // (with a few rounds only).
  for (int eighths : {2, 3, 4, 8}) {
    if (rounds < 3) break;
    framework::JpegDecodeOptions scaled;
    scaled.scaleEighths = eighths;
    std::vector<double> decode, resample, streamed;
    framework::Bitmap fitted;
    for (int i = 0; i < rounds; ++i) {
      double start = Now();
      framework::Bitmap b = framework::DecodeJpeg(*bytes, scaled);
      decode.push_back(Now() - start);
      start = Now();
      fitted = framework::Resample(b, screen.width, screen.height);
      resample.push_back(Now() - start);
      start = Now();
      fitted = framework::DecodeJpegResampled(*bytes, scaled, screen.width, screen.height);
      streamed.push_back(Now() - start);
    }
    std::printf("at %d/8: decode_ms %.1f resample_ms %.1f both_row_by_row_ms %.1f difference %.3f\n", eighths,
                Median(decode), Median(resample), Median(streamed), MeanDifference(reference, fitted));
    if (eighths == 8) {
      std::vector<double> encode, write;
      for (int i = 0; i < rounds; ++i) {
        double start = Now();
        std::string file = fitted.SaveToBytes();
        encode.push_back(Now() - start);
        start = Now();
        framework::WriteFileAtomically(result, file);
        write.push_back(Now() - start);
      }
      std::printf("bmp encode_ms %.1f atomic write_ms %.1f\n", Median(encode), Median(write));
    }
  }
  std::printf("picture %dx%d, decoded at %d/8 (%dx%d), wallpaper %dx%d %d bits\n", jpeg.ImageWidth(),
              jpeg.ImageHeight(), jpeg.ScaleEighths(), jpeg.Width(), jpeg.Height(), written.Width(), written.Height(),
              written.BitsPerPixel());
  std::printf("prepare_ms median %.1f best %.1f\n", Median(prepare),
              *std::min_element(prepare.begin(), prepare.end()));
  std::printf("full_decode_ms median %.1f best %.1f\n", Median(fullDecode),
              *std::min_element(fullDecode.begin(), fullDecode.end()));
  std::printf("mean_abs_difference %.3f levels against the full decode scaled the same way\n", difference);

  framework::ForceDeleteFile(result);
  RemoveDirectoryW(framework::Widen(program).c_str());
  return 0;
}
