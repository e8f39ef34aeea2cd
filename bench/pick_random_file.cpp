// One PickRandomFile over a large folder: load the history, draw, fall back
// to the one name not yet shown, write the sorted history back.
//   bench_pick_random_file.exe [rounds]
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
#include "selection/history.h"
#include "selection/randomfile.h"

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

// One folder of names as a camera or a scanner would give them, listed in
// an order of their own, with all of them but the last in the history.
class Case {
 public:
  Case(const char* label, size_t count, bool japanese)
      : label_(label), program_(MakeFolder(label_ + "-program")), folder_(MakeFolder(label_)) {
    names_.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      char buffer[64];
      snprintf(buffer, sizeof buffer, "%s_%06zu.%s", (i % 3) ? "IMG" : "dsc", (i * 7919) % 1000003,
               (i % 5) ? "jpg" : "BMP");
      names_.push_back(japanese ? "写真" + std::string(buffer) : buffer);
    }
    history_ = kaleidon::History(std::vector<std::string>(names_.begin(), names_.end() - 1));
    history_.Sort();
  }
  ~Case() {
    RemoveFolder(folder_);
    RemoveFolder(program_);
  }

  // One choice, which must find the one name not yet shown.
  bool Pick(int round) {
    kaleidon::SaveHistory(folder_ + "_Buf.RFB", history_);
    framework::OverrideProgramFolder(program_);
    framework::SetRandomSeed(static_cast<uint32_t>(round + 1));
    kaleidon::FileChoice choice{.folder = folder_,
                                .names = names_,
                                .mask = "*.jpg;*.bmp",
                                .currentSlot = 1,
                                .loopCounter = 256,
                                .owner = nullptr,
                                .programFolder = program_,
                                .selectRow = {},
                                .settings = framework::IniFile(program_ + "Kaleidon.ini"),
                                .notices = framework::Application::Instance()};
    double start = Now(), startCpu = CpuNow();
    std::string picked = kaleidon::PickRandomFile(choice).path;
    times_.push_back(Now() - start);
    cpu_.push_back(CpuNow() - startCpu);
    framework::OverrideProgramFolder("");
    if (picked == folder_ + names_.back()) return true;
    printf("%s: picked %s, expected %s\n", label_.c_str(), picked.c_str(), names_.back().c_str());
    return false;
  }

  double MedianMs() const { return Median(times_); }

  void Print() const {
    if (times_.empty()) return;
    printf("%-16s %6zu names: wall min %7.2f ms, median %7.2f ms; cpu median %7.2f ms (%zu rounds)\n",
           label_.c_str(), names_.size(), *std::min_element(times_.begin(), times_.end()), Median(times_),
           Median(cpu_), times_.size());
  }

 private:
  static double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
  }

  std::string label_, program_, folder_;
  std::vector<std::string> names_;
  kaleidon::History history_;
  std::vector<double> times_, cpu_;
};

// The cases take their rounds in turn, so that a machine busy for a while
// slows them alike.
void RunInTurn(std::vector<Case*> cases, int rounds) {
  for (int round = 0; round < rounds; ++round)
    for (Case* c : cases)
      if (!c->Pick(round)) return;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 9;
  Case ascii("ascii-100000", 100000, false), japanese("japanese-100000", 100000, true);
  RunInTurn({&ascii, &japanese}, rounds);
  Case smallAscii("ascii-1000", 1000, false), smallJapanese("japanese-1000", 1000, true);
  RunInTurn({&smallAscii, &smallJapanese}, rounds * 5);
  for (const Case* c : {&ascii, &smallAscii, &japanese, &smallJapanese}) c->Print();
  if (ascii.MedianMs() > 0)
    printf("japanese against ascii at 100000 names: %.2f times (wall medians; goal: at most 1.3)\n",
           japanese.MedianMs() / ascii.MedianMs());
  return 0;
}
