// The peak memory of the wallpaper with a picture per monitor, against that
// of one monitor's picture alone: the pictures are made one after the other
// and written into WPFile.BMP row by row, so the peak should grow with one
// monitor's picture, not with the whole desktop.
//   bench_monitor_wallpaper.exe <picture.jpg>[|<picture.jpg>...] <monitors> [width height]
// Lays out <monitors> monitors of width x height (3840 x 2160 unless given)
// side by side, each showing a picture stretched over it (the pictures in
// turn; the same one on each when one is given), and prints the
// process's peak private bytes and peak working set before and after (Wine
// keeps no count of private bytes: there the working set is the figure).
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/clock.h"
#include "core/composition.h"
#include "core/monitors.h"
#include "core/wallpapermonitors.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "framework/imaging/bitmap.h"

namespace {

struct Memory {
  double peakPrivateMb = 0;
  double peakWorkingSetMb = 0;
};

Memory PeakMemory() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return {counters.PeakPagefileUsage / 1048576.0, counters.PeakWorkingSetSize / 1048576.0};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_monitor_wallpaper <picture.jpg> <monitors> [width height]\n");
    return 2;
  }
  // Several pictures separated by '|' go to the monitors in turn.
  std::vector<std::string> given;
  for (std::wstring names = argv[1];;) {
    const size_t bar = names.find(L'|');
    given.push_back(framework::Narrow(names.substr(0, bar)));
    if (bar == std::wstring::npos) break;
    names.erase(0, bar + 1);
  }
  const int count = std::max(1, _wtoi(argv[2]));
  const int width = argc >= 5 ? _wtoi(argv[3]) : 3840, height = argc >= 5 ? _wtoi(argv[4]) : 2160;

  std::string program = framework::TempFolderPath() + "kaleidon-bench-" + std::to_string(GetCurrentProcessId());
  framework::CreateFolder(program);
  framework::OverrideProgramFolder(program);
  bool failed = false;
  framework::Application::Instance().SetMessageBoxHook([&](const framework::MessageBoxCall& call) {
    std::fprintf(stderr, "message: %s\n", framework::ToAnsi(call.text).c_str());
    failed = true;
    return IDOK;
  });

  kaleidon::Desktop desktop;
  for (int i = 0; i < count; ++i)
    desktop.monitors.push_back({"\\\\.\\DISPLAY" + std::to_string(i + 1), i * width, 0, width, height, i == 0});
  kaleidon::WallpaperOptions options;
  options.fitToScreen = true;
  const Memory before = PeakMemory();
  const double start = Now();
  std::vector<std::string> pictures;
  for (int i = 0; i < count; ++i) pictures.push_back(given[i % given.size()]);
  const bool made = kaleidon::PrepareMonitorWallpapers(pictures, options, desktop, {}, framework::Application::Instance());
  const double elapsed = Now() - start;
  const Memory after = PeakMemory();
  if (!made || failed) return 1;

  WIN32_FILE_ATTRIBUTE_DATA file{};
  GetFileAttributesExW(framework::Widen(kaleidon::WallpaperBitmapPath()).c_str(), GetFileExInfoStandard, &file);
  std::printf("monitors %d of %dx%d, wallpaper %dx%d, file %.1f MB, one monitor's 24-bit picture %.1f MB\n", count,
              width, height, count * width, height, file.nFileSizeLow / 1048576.0,
              framework::Bitmap::StrideFor(width, 24) * height / 1048576.0);
  std::printf("peak_private_mb before %.1f after %.1f\n", before.peakPrivateMb, after.peakPrivateMb);
  std::printf("peak_working_set_mb before %.1f after %.1f\n", before.peakWorkingSetMb, after.peakWorkingSetMb);
  std::printf("prepare_ms %.1f\n", elapsed);
  // Of that, what writing the bitmap takes: the same file made of plain
  // rows, no picture decoded.
  const double writeStart = Now();
  kaleidon::ComposeWallpaperByRows(
      kaleidon::LayOutComposition(desktop.monitors, desktop.spread),
      [&](size_t, const framework::RowSink& sink) {
        std::vector<uint8_t> row(3 * static_cast<size_t>(width), 0x80);
        for (int y = 0; y < height; ++y) sink(y, row.data());
      },
      kaleidon::WallpaperBitmapPath());
  std::printf("write_only_ms %.1f\n", Now() - writeStart);

  framework::ForceDeleteFile(kaleidon::WallpaperBitmapPath());
  RemoveDirectoryW(framework::Widen(program).c_str());
  return 0;
}
