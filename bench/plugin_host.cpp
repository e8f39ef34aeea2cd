// What the plug-in host costs: starting it and listing a plug-in's formats
// (a first start, or a plug-in new since the last start), listing them from
// the format cache instead (every other start), and reading a picture
// file through the host kept running, against reading it and calling the
// same plug-in in this process as the program did before it had a host; where the hosted read's
// time goes; and the picture's size asked through the host, as the choice
// by the monitor's shape asks it for every picture it looks at.
//   bench_plugin_host.exe <Kaleidon.exe> <plug-in> <picture> [rounds]
#include <windows.h>

#include <algorithm>
#include <optional>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/clock.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "plugins/spibitmap.h"
#include "plugins/spicache.h"
#include "plugins/spihost.h"
#include "plugins/spilibrary.h"
#include "plugins/spis.h"
#include "selection/picturesize.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string ReadWithSlack(const std::string& path) {
  HANDLE file = CreateFileW(framework::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  std::string data(static_cast<size_t>(size.QuadPart) + kaleidon::kPictureDataSlack, '\0');
  DWORD got = 0;
  ReadFile(file, data.data(), static_cast<DWORD>(size.QuadPart), &got, nullptr);
  CloseHandle(file);
  return data;
}

template <class Step>
double Timed(Step step) {
  double start = Now();
  step();
  return Now() - start;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "bench_plugin_host.exe <Kaleidon.exe> <plug-in> <picture> [rounds]\n");
    return 2;
  }
  using namespace kaleidon;
  SetSPIHostProgram(framework::Narrow(argv[1]));
  const std::string plugin = SPIFullPath(framework::Narrow(argv[2]));
  const std::string picture = framework::Narrow(argv[3]);
  const int rounds = argc > 4 ? _wtoi(argv[4]) : 9;
  const std::string bytes = framework::ReadWholeFile(picture).value_or("");
  const std::string cacheFile = framework::TempFolderPath() + "kaleidon-bench-formats.cache";
  const SPIFileStamp stamp = ReadFileStamp(plugin).value_or(SPIFileStamp{});

  std::vector<double> listed, cached, hosted, inProcess, handOver, attempt, build, sized;
  for (int i = 0; i < rounds; ++i) {
    listed.push_back(Timed([&] {
      SPIHost host;
      SPIFormatCache cache(cacheFile);
      cache.Store(plugin, stamp, host.Describe(plugin));
      cache.Save();
    }));
    cached.push_back(Timed([&] { SPIFormatCache(cacheFile).Find(plugin, stamp); }));
  }
  {
    TSPIs spis;
    spis.Search(plugin);
    SPILibrary library(plugin);
    // The two ways taken in turn, so that whatever else the machine does
    // weighs on both alike; the first round of each loads the plug-in (and
    // starts the host).
    for (int i = 0; i <= rounds; ++i) {
      double viaHost = Timed([&] {
        TSPIBitmap b;
        b.LoadFromFile(picture);
      });
      double here = Timed([&] {
        // The file read as the program read it before it had a host, with
        // the slack the plug-in calls want behind it.
        std::string data = ReadWithSlack(picture);
        TSPIBitmap b;
        library.Attempt(framework::ToAnsi(picture), data.data(), bytes.size(),
                        [&](std::string_view info, std::string_view bits, SPIAttemptReply&) {
                          bool built = false;
                          b.BuildFromDIB(info, bits, {}, built);
                        });
      });
      if (i == 0) continue;
      hosted.push_back(viaHost);
      inProcess.push_back(here);
    }
    for (int i = 0; i < rounds; ++i) {
      std::optional<PictureSize> size;
      sized.push_back(Timed([&] { size = ReadPictureSize(picture); }));
      if (!size) {
        std::fprintf(stderr, "the plug-in told no size of %s\n", picture.c_str());
        return 1;
      }
    }
    // The hosted read step by step.
    SPIHost& host = *SharedSPIHost();
    for (int i = 0; i < rounds; ++i) {
      double start = Now();
      std::optional<SPISharedData> shared = SPISharedData::ReadFile(picture, UINT64_MAX);
      double handed = Now();
      SPIAttempt a = host.Attempt(plugin, framework::ToAnsi(picture), *shared, 0, bytes.size());
      double answered = Now();
      TSPIBitmap b;
      bool built = false;
      b.BuildFromDIB(a.Info(), a.Bits(), {}, built);
      double done = Now();
      handOver.push_back(handed - start);
      attempt.push_back(answered - handed);
      build.push_back(done - answered);
    }
  }
  framework::DeleteFileAt(cacheFile);
  std::printf("plug-in host, median of %d rounds, ms:\n", rounds);
  std::printf("  start the host and list the plug-in's formats: %.1f\n", Median(listed));
  std::printf("  list them from the format cache:                %.1f\n", Median(cached));
  std::printf("  read the picture through the host kept running: %.1f\n", Median(hosted));
  std::printf("  read it with the plug-in in this process:       %.1f\n", Median(inProcess));
  std::printf("  through the host: %+.0f%% (goal: at most +10%%)\n", (Median(hosted) / Median(inProcess) - 1) * 100);
  std::printf("  the hosted read step by step: hand the data over %.1f, the host's decoding and answer %.1f,"
              " the bitmap made from the reply %.1f\n",
              Median(handOver), Median(attempt), Median(build));
  std::printf("  the picture's size through the host (GetPictureInfo, no decoding): %.1f; a draw that reads"
              " the most headers it may (500) of such pictures: %.0f\n",
              Median(sized), 500 * Median(sized));
  return 0;
}
