// The random choice in a folder of pictures of two shapes, with the monitor's
// shape asked for and without: what reading the headers of the pictures
// looked at adds to a change.
//   bench_pick_by_shape.exe <folder> [rounds]
// The folder holds the pictures only; each round starts a pass anew.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/clock.h"
#include "framework/base/paths.h"
#include "framework/base/random.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"
#include "selection/picturesize.h"
#include "selection/randomfile.h"

namespace {

struct Case {
  const char* label;
  kaleidon::PictureDemand demand;
  std::vector<double> times;
  size_t suited = 0;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: bench_pick_by_shape <folder> [rounds]\n");
    return 2;
  }
  const std::string folder = framework::JoinPath(framework::Narrow(argv[1]), "");
  const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 21;
  std::vector<std::string> names = framework::ListFiles(folder, "*.jpg");
  std::sort(names.begin(), names.end());
  const std::string program = framework::TempFolderPath() + "kaleidon-bench-shape-" +
                              std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryW(framework::Widen(program).c_str(), nullptr);
  framework::OverrideProgramFolder(program);

  std::vector<Case> cases = {
      {"no filter", {}},
      {"portrait monitor, shape", {1080, 1920, true, 0}},
      {"portrait monitor, shape and 50 %", {1080, 1920, true, 50}},
      {"nothing suits (100 % of 4K)", {3840, 2160, false, 100}},
  };
  for (int round = 0; round < rounds; ++round)
    for (Case& c : cases) {
      framework::DeleteFileAt(folder + "_Buf.RFB");
      framework::SetRandomSeed(static_cast<uint32_t>(round + 1));
      kaleidon::FileChoice choice{.folder = folder,
                                  .names = names,
                                  .mask = "*.jpg",
                                  .currentSlot = 1,
                                  .loopCounter = 256,
                                  .owner = nullptr,
                                  .programFolder = program,
                                  .selectRow = {},
                                  .settings = framework::IniFile(program + "Kaleidon.ini"),
                                  .notices = framework::Application::Instance()};
      choice.demand = c.demand;
      const double start = Now();
      const std::string picked = kaleidon::PickRandomFile(choice).path;
      c.times.push_back(Now() - start);
      if (kaleidon::Suits(c.demand, kaleidon::ReadPictureSize(picked))) ++c.suited;
    }
  framework::DeleteFileAt(folder + "_Buf.RFB");
  framework::DeleteFileAt(program + "Kaleidon.ini");
  RemoveDirectoryW(framework::Widen(program).c_str());

  printf("%zu pictures, %d rounds each\n", names.size(), rounds);
  for (const Case& c : cases)
    printf("%-34s median %7.2f ms (min %7.2f, max %7.2f); the pick suited %zu of %d\n", c.label, Median(c.times),
           *std::min_element(c.times.begin(), c.times.end()), *std::max_element(c.times.begin(), c.times.end()),
           c.suited, rounds);
  printf("shape against no filter: %+.2f ms (goal: at most +50 ms)\n", Median(cases[1].times) - Median(cases[0].times));
  return 0;
}
