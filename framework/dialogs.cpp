#include "framework/dialogs.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "framework/text.h"

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

bool OpenDialog::Execute(HWND owner) {
  // Room for the longest path the system knows.
  std::vector<wchar_t> file(32768, L'\0');
  std::wstring start = Widen(fileName_);
  if (start.size() < file.size()) std::copy(start.begin(), start.end(), file.begin());
  std::wstring filter = DialogFilter(filter_);
  std::wstring title = Widen(title_);
  std::wstring folder = Widen(initialDir_);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(filterIndex_);
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ENABLESIZING;
  if (!GetOpenFileNameW(&ofn)) return false;
  fileName_ = Narrow(file.data());
  filterIndex_ = static_cast<int>(ofn.nFilterIndex);
  return true;
}

}  // namespace framework
