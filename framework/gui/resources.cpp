#include "framework/gui/resources.h"

#include <cstdio>
#include <map>
#include <vector>

#include "framework/base/exception.h"
#include "framework/base/latebound.h"
#include "framework/base/text.h"
#include "framework/gui/dpi.h"

namespace framework {

std::string LoadResourceData(const std::string& name) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(module, Widen(name).c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL data = info ? LoadResource(module, info) : nullptr;
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) throw Exception("resource " + name + " not found");
  return std::string(static_cast<const char*>(bytes), SizeofResource(module, info));
}

HICON ProgramIcon(IconSize size) { return ProgramIcon(size, SystemDpi()); }

HICON ProgramIcon(IconSize size, int dpi) {
  // One icon per pixel size: a shared icon would come back in the size it
  // was first loaded in, whatever size is asked for.
  static std::map<int, HICON> loaded;
  bool small = size == IconSize::Small;
  int pixels = SystemMetricForDpi(small ? SM_CXSMICON : SM_CXICON, dpi);
  auto it = loaded.find(pixels);
  if (it != loaded.end()) return it->second;
  auto icon =
      static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, pixels, pixels, 0));
  if (icon) loaded[pixels] = icon;
  return icon;
}

std::string ProgramVersion() {
  wchar_t file[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, file, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  static auto* getSize = LateBound<decltype(GetFileVersionInfoSizeW)>(L"version.dll", "GetFileVersionInfoSizeW");
  static auto* getInfo = LateBound<decltype(GetFileVersionInfoW)>(L"version.dll", "GetFileVersionInfoW");
  static auto* queryValue = LateBound<decltype(VerQueryValueW)>(L"version.dll", "VerQueryValueW");
  if (!getSize || !getInfo || !queryValue) return {};
  DWORD ignored = 0;
  DWORD size = getSize(file, &ignored);
  if (size == 0) return {};
  std::vector<char> info(size);
  if (!getInfo(file, 0, size, info.data())) return {};
  // The strings live in the block of the resource's first language.
  struct Translation {
    WORD language, codePage;
  };
  Translation* translation = nullptr;
  UINT length = 0;
  if (!queryValue(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof(Translation))
    return {};
  char block[9];
  snprintf(block, sizeof block, "%04x%04x", translation->language, translation->codePage);
  std::wstring key = L"\\StringFileInfo\\" + Widen(block) + L"\\ProductVersion";
  wchar_t* text = nullptr;
  if (!queryValue(info.data(), key.c_str(), reinterpret_cast<void**>(&text), &length) || length == 0) return {};
  return Narrow(std::wstring_view(text, wcsnlen(text, length)));
}

}  // namespace framework
