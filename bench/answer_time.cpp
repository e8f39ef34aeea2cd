// How long the program's window keeps a message waiting while a change works:
// while a picture of a camera is made the wallpaper of three 4K monitors (the
// check that the picture answers, then its preparation for each monitor), and
// while the read of a file that never answers waits for its bound.
//   bench_answer_time.exe <picture.jpg> [bound ms]
// A window of the benchmark's own stands for the main window, on the thread
// that does the work, as the program has it; another thread sends it a
// message every 5 ms and notes how long each took to be answered. Prints the
// longest answer, the number of messages and how long the work took.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/clock.h"
#include "core/monitors.h"
#include "core/wallpapermonitors.h"
#include "framework/base/bounded.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/gui/application.h"

namespace {

struct Answers {
  double longestMs = 0;
  int count = 0;
};

// Runs work while another thread keeps asking window for an answer.
template <class Work>
Answers WhileAsking(HWND window, double& workMs, Work work) {
  std::atomic<bool> done{false}, asked{false};
  Answers answers;
  std::thread asker([&] {
    while (!done) {
      DWORD_PTR result = 0;
      const double before = Now();
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
      answers.longestMs = std::max(answers.longestMs, Now() - before);
      ++answers.count;
      Sleep(5);
    }
    asked = true;
  });
  const double start = Now();
  work();
  workMs = Now() - start;
  done = true;
  // The last message is answered by the loop that waits for the asker.
  while (!asked) {
    framework::Application::Instance().ProcessMessages();
    Sleep(1);
  }
  asker.join();
  return answers;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_answer_time <picture.jpg> [bound ms]\n");
    return 2;
  }
  const std::string picture = framework::Narrow(argv[1]);
  const unsigned bound = argc >= 3 ? static_cast<unsigned>(_wtoi(argv[2])) : 3000;
  framework::Application& app = framework::Application::Instance();
  app.Initialize();
  app.AnswerWhileWaiting();
  bool failed = false;
  app.SetMessageBoxHook([&](const framework::MessageBoxCall& call) {
    std::fprintf(stderr, "message: %s\n", framework::ToAnsi(call.text).c_str());
    failed = true;
    return IDOK;
  });
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);

  std::string program = framework::TempFolderPath() + "kaleidon-answer-" + std::to_string(GetCurrentProcessId());
  framework::CreateFolder(program);
  framework::OverrideProgramFolder(program);
  kaleidon::Desktop desktop;
  for (int i = 0; i < 3; ++i)
    desktop.monitors.push_back({"\\\\.\\DISPLAY" + std::to_string(i + 1), i * 3840, 0, 3840, 2160, i == 0});
  kaleidon::WallpaperOptions options;
  options.fitToScreen = true;

  double changeMs = 0;
  const Answers change = WhileAsking(window, changeMs, [&] {
    if (!framework::FileAnswers(picture)) failed = true;
    if (!kaleidon::PrepareMonitorWallpapers(std::vector<std::string>(3, picture), options, desktop, {}, app))
      failed = true;
  });
  std::printf("change of the picture on three 3840x2160 monitors: %.0f ms, longest answer %.1f ms (%d messages)\n",
              changeMs, change.longestMs, change.count);

  // A pipe whose other end never writes stands for a file on a dead share.
  const std::string pipe = "\\\\.\\pipe\\kaleidon-answer-" + std::to_string(GetCurrentProcessId());
  HANDLE server = CreateNamedPipeW(framework::Widen(pipe).c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 4096, 4096,
                                   0, nullptr);
  framework::SetReadBoundMs(bound);
  double deadMs = 0;
  const Answers dead = WhileAsking(window, deadMs, [&] {
    try {
      framework::ReadUserFile(pipe, 1 << 20);
      failed = true;
    } catch (const framework::EFileUnreachable&) {
    }
  });
  std::printf("read that never answers, bound %u ms: %.0f ms, longest answer %.1f ms (%d messages)\n", bound, deadMs,
              dead.longestMs, dead.count);
  CloseHandle(server);

  framework::ForceDeleteFile(kaleidon::WallpaperBitmapPath());
  RemoveDirectoryW(framework::Widen(program).c_str());
  DestroyWindow(window);
  return failed ? 1 : 0;
}
