// One PickRandomFile over a large folder: load the history, draw, fall back
// to the one name not yet shown, write the sorted history back.
//   bench_pick_random_file.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/paths.h"
#include "framework/random.h"
#include "framework/text.h"
#include "selection/history.h"
#include "selection/randomfile.h"
#include "bench/clock.h"

namespace {

// Time this thread spent running, less the waits for a busy machine.
double CpuNow() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

std::string MakeFolder(const std::string& name) {
  std::string folder = framework::JoinPath(framework::TempFolderPath() + "kaleidon-bench-" +
                                               std::to_string(GetCurrentProcessId()) + "-" + name, "");
  CreateDirectoryW(framework::Widen(framework::TempFolderPath() + "kaleidon-bench-" +
                                    std::to_string(GetCurrentProcessId()) + "-" + name).c_str(), nullptr);
  return folder;
}

void RemoveFolder(const std::string& folder) {
  for (const std::string& name : framework::ListFiles(folder)) framework::ForceDeleteFile(folder + name);
  RemoveDirectoryW(framework::Widen(folder).c_str());
}

// Names as a camera or a scanner would give them, listed in an order of
// their own, with one of them not yet shown.
void Run(const char* label, size_t count, bool japanese, int rounds) {
  std::string program = MakeFolder(std::string(label) + "-program");
  std::string folder = MakeFolder(label);
  framework::OverrideProgramFolder(program);
  std::vector<std::string> names;
  names.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    char buffer[64];
    snprintf(buffer, sizeof buffer, "%s_%06zu.%s", (i % 3) ? "IMG" : "dsc", (i * 7919) % 1000003,
             (i % 5) ? "jpg" : "BMP");
    names.push_back(japanese ? "写真" + std::string(buffer) : buffer);
  }
  std::vector<std::string> shown(names.begin(), names.end() - 1);
  kaleidon::History history(shown);
  history.Sort();
  std::string historyPath = folder + "_Buf.RFB";

  std::vector<double> times, cpu;
  for (int round = 0; round < rounds; ++round) {
    kaleidon::SaveHistory(historyPath, history);
    framework::SetRandomSeed(static_cast<uint32_t>(round + 1));
    kaleidon::TMeltFile melt;
    kaleidon::FileChoice choice{.folder = folder,
                                .names = names,
                                .mask = "*.jpg;*.bmp",
                                .currentSlot = 1,
                                .loopCounter = 256,
                                .owner = nullptr,
                                .programFolder = program,
                                .selectRow = {},
                                .meltFile = melt};
    double start = Now(), startCpu = CpuNow();
    std::string picked = kaleidon::PickRandomFile(choice).path;
    times.push_back(Now() - start);
    cpu.push_back(CpuNow() - startCpu);
    if (picked != folder + names.back()) {
      printf("%s: picked %s, expected %s\n", label, picked.c_str(), names.back().c_str());
      break;
    }
  }
  std::sort(times.begin(), times.end());
  std::sort(cpu.begin(), cpu.end());
  if (!times.empty())
    printf("%-16s %6zu names: wall min %7.2f ms, median %7.2f ms; cpu median %7.2f ms (%d rounds)\n", label, count,
           times.front(), times[times.size() / 2], cpu[cpu.size() / 2], static_cast<int>(times.size()));
  framework::OverrideProgramFolder("");
  RemoveFolder(folder);
  RemoveFolder(program);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 9;
  Run("ascii-100000", 100000, false, rounds);
  Run("ascii-1000", 1000, false, rounds * 5);
  Run("japanese-100000", 100000, true, rounds);
  Run("japanese-1000", 1000, true, rounds * 5);
  return 0;
}
