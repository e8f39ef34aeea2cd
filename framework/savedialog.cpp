#include "framework/savedialog.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "framework/text.h"

namespace framework {

namespace {

// The filter as the system's dialogs take it: its parts separated by NUL,
// the list ended by two. A last description without its pattern is dropped.
std::wstring SystemFilterText(const std::string& filter) {
  std::vector<std::string> parts(1);
  for (char c : filter) {
    if (c == '|') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  if (parts.size() % 2) parts.pop_back();
  std::wstring text;
  for (const std::string& part : parts) {
    text += Widen(part);
    text.push_back(L'\0');
  }
  text.push_back(L'\0');
  return text;
}

}  // namespace

bool SaveDialog::Execute(HWND owner) {
  // Room for the longest path the system knows.
  std::vector<wchar_t> file(32768, L'\0');
  std::wstring offered = Widen(fileName_);
  if (offered.size() < file.size()) std::copy(offered.begin(), offered.end(), file.begin());
  std::wstring filter = SystemFilterText(filter_);
  std::wstring title = Widen(title_);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&ofn)) return false;
  fileName_ = Narrow(file.data());
  return true;
}

}  // namespace framework
