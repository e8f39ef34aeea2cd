// The preparation of one picture fitted to the screen in each fit style,
// against the plain stretch of the same picture: each round makes the
// wallpaper once in every style, in turn, so that a busy moment of the
// machine falls on all alike.
//   bench_fit_styles.exe <picture> [width height [rounds]]
// Prints each style's median and best wall-clock times in milliseconds and
// its median over the stretch's.
#include <windows.h>

#include <algorithm>
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

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Style {
  const char* name;
  kaleidon::FitStyle style;
  std::vector<double> times;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::optional<PreparationArguments> arguments = ReadPreparationArguments(argc, argv, "bench_fit_styles", 9);
  if (!arguments) return 2;
  const std::string& picture = arguments->picture;
  const kaleidon::ScreenInfo screen = arguments->screen;
  const int rounds = arguments->rounds;
  bool failed = false;
  const std::string program = UseBenchProgramFolder(failed);

  std::vector<Style> styles = {{"stretch", kaleidon::FitStyle::Stretch, {}},
                               {"crop", kaleidon::FitStyle::Crop, {}},
                               {"whole_on_blur", kaleidon::FitStyle::WholeOnBlur, {}},
                               {"whole_on_colour", kaleidon::FitStyle::WholeOnColour, {}}};
  kaleidon::WallpaperOptions options;
  options.fitToScreen = true;
  // One unmeasured round: the file in the system's cache, the code paged in.
  for (int round = -1; round < rounds && !failed; ++round)
    for (Style& s : styles) {
      options.fitStyle = s.style;
      const double start = Now();
      kaleidon::PrepareWallpaperBitmap(picture, options, screen, framework::Application::Instance());
      if (round >= 0) s.times.push_back(Now() - start);
    }
  if (failed) return 1;
  std::printf("screen %dx%d, %d rounds\n", screen.width, screen.height, rounds);
  const double stretch = Median(styles[0].times);
  for (const Style& s : styles)
    std::printf("%-16s median %.1f ms best %.1f ms, %.2f x the stretch\n", s.name, Median(s.times),
                *std::min_element(s.times.begin(), s.times.end()), Median(s.times) / stretch);

  framework::ForceDeleteFile(kaleidon::WallpaperBitmapPath());
  RemoveDirectoryW(framework::Widen(program).c_str());
  return 0;
}
