#include "framework/gui/dialogs.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "framework/base/latebound.h"
#include "framework/base/text.h"

namespace framework {

std::wstring DialogFilter(const std::string& filter) {
  std::vector<std::string> parts(1);
  for (char c : filter) {
    if (c == '|') parts.emplace_back();
    else parts.back() += c;
  }
  if (parts.size() % 2) parts.pop_back();
  std::wstring result;
  for (const std::string& part : parts) {
    result += Widen(part);
    result.push_back(L'\0');
  }
  result.push_back(L'\0');
  return result;
}

namespace {

// What both file dialogs take; run shows the dialog. True with fileName and
// filterIndex set to the user's choice, false (both unchanged) when cancelled.
bool RunFileDialog(const char* dialog, HWND owner, DWORD flags,
                   const std::string& filterText, const std::string& titleText,
                   const std::string& initialDir, std::string& fileName, int& filterIndex) {
  // Room for the longest path the system knows.
  std::vector<wchar_t> file(32768, L'\0');
  std::wstring offered = Widen(fileName);
  if (offered.size() < file.size()) std::copy(offered.begin(), offered.end(), file.begin());
  std::wstring filter = DialogFilter(filterText);
  std::wstring title = Widen(titleText);
  std::wstring folder = Widen(initialDir);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(filterIndex);
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | flags;
  auto* run = LateBound<decltype(GetOpenFileNameW)>(L"comdlg32.dll", dialog);
  if (!run || !run(&ofn)) return false;
  fileName = Narrow(file.data());
  filterIndex = static_cast<int>(ofn.nFilterIndex);
  return true;
}

}  // namespace

bool OpenDialog::Execute(HWND owner) {
  return RunFileDialog("GetOpenFileNameW", owner, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST, filter_,
                       title_, initialDir_, fileName_, filterIndex_);
}

bool SaveDialog::Execute(HWND owner) {
  int filterIndex = 1;
  return RunFileDialog("GetSaveFileNameW", owner, OFN_NOCHANGEDIR, filter_, title_, "", fileName_,
                       filterIndex);
}

}  // namespace framework
