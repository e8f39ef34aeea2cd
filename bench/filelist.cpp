// The file list over a very large folder: reading, matching, sorting and
// handing the names to the list box window.
//   bench_filelist.exe [folder] [count]
// Without a folder, count files (default 100000) are made in a temporary
// folder first (slow under Wine; a folder made beforehand can be passed).
#include <windows.h>

#include <cstdio>
#include <string>

#include "framework/gui/application.h"
#include "framework/gui/filectrls.h"
#include "framework/gui/layout.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "bench/clock.h"

namespace {

std::string MakeFiles(int count) {
  std::string folder = framework::TempFolderPath() + "kaleidon-bench-filelist-" + std::to_string(GetCurrentProcessId());
  framework::CreateFolder(folder);
  for (int i = 0; i < count; ++i) {
    const char* ext = i % 3 == 0 ? ".jpg" : i % 3 == 1 ? ".bmp" : ".txt";
    std::string name = framework::JoinPath(folder, "Picture " + std::to_string(i * 7919 % count) + ext);
    HANDLE h = CreateFileW(framework::Widen(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  return folder;
}

void RemoveFiles(const std::string& folder) {
  for (const std::string& name : framework::ListFiles(folder)) framework::DeleteFileAt(framework::JoinPath(folder, name));
  RemoveDirectoryW(framework::Widen(folder).c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int count = argc > 2 ? _wtoi(argv[2]) : 100000;
  bool made = argc < 2;
  std::string folder = made ? MakeFiles(count) : framework::Narrow(argv[1]);

  framework::FormStyle style;
  style.className = "TBenchForm";
  style.clientWidth = 516;
  style.clientHeight = 376;
  framework::Form form(style);
  framework::FileListBox* list = nullptr;
  framework::CreateControls(form, {{&list, 260, 35, 251, 221}});
  list->SetFileTypes(framework::kAllFileTypes);
  list->SetShowIcons(true);
  form.Show();

  double t0 = Now();
  list->SetMask("*.*");
  list->SetDirectory(folder);
  double t1 = Now();
  int all = list->Count();
  list->Update();
  double t2 = Now();
  list->SetMask("*.bmp;*.jpg;*.jpeg;*.pic;*.mag");
  double t3 = Now();
  int pictures = list->Count();
  list->SetItemIndex(pictures - 1);
  form.Repaint();
  double t4 = Now();

  std::printf("files listed: %d (all), %d (five patterns)\n", all, pictures);
  std::printf("first read, all names:     %8.1f ms\n", t1 - t0);
  std::printf("re-read, all names:        %8.1f ms\n", t2 - t1);
  std::printf("re-read with five patterns:%8.1f ms\n", t3 - t2);
  std::printf("select last and repaint:   %8.1f ms\n", t4 - t3);
  if (made) RemoveFiles(folder);
  return 0;
}
