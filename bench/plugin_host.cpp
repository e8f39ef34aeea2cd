// What the plug-in host costs: starting it and listing a plug-in's formats
// (a first start, or a plug-in new since the last start), listing them from
// the format cache instead (every other start), and reading a picture
// through the host kept running, against calling the same plug-in in this
// process as the program did before it had a host.
//   bench_plugin_host.exe <Kaleidon.exe> <plug-in> <picture> [rounds]
#include <windows.h>

#include <algorithm>
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

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
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

  std::vector<double> listed, cached, hosted, inProcess;
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
    for (int i = 0; i <= rounds; ++i) {
      double ms = Timed([&] {
        TSPIBitmap b;
        b.LoadFromNamedStream(bytes, picture);
      });
      if (i > 0) hosted.push_back(ms);  // the first one starts the host
    }
  }
  {
    SPILibrary library(plugin);
    std::string data = bytes + std::string(kPictureDataSlack, '\0');
    for (int i = 0; i <= rounds; ++i) {
      double ms = Timed([&] {
        TSPIBitmap b;
        library.Attempt(framework::ToAnsi(picture), data.data(), bytes.size(),
                        [&](std::string_view info, std::string_view bits, SPIAttemptReply&) {
                          bool built = false;
                          b.BuildFromDIB(info, bits, {}, built);
                        });
      });
      if (i > 0) inProcess.push_back(ms);
    }
  }
  framework::DeleteFileAt(cacheFile);
  std::printf("plug-in host, median of %d rounds, ms:\n", rounds);
  std::printf("  start the host and list the plug-in's formats: %.1f\n", Median(listed));
  std::printf("  list them from the format cache:                %.1f\n", Median(cached));
  std::printf("  read the picture through the host kept running: %.1f\n", Median(hosted));
  std::printf("  read it with the plug-in in this process:       %.1f\n", Median(inProcess));
  return 0;
}
