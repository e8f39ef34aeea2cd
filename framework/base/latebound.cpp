#include "framework/base/latebound.h"

#include <map>
#include <mutex>
#include <string>

namespace framework {

FARPROC LateBoundProc(const wchar_t* library, const char* name) {
  static std::mutex lock;
  static std::map<std::wstring, HMODULE> loaded;  // kept for the program's life
  std::lock_guard<std::mutex> guard(lock);
  auto it = loaded.find(library);
  if (it == loaded.end()) {
    // From the system folder only: a library of the same name beside the
    // program or in the working folder is never taken instead.
    wchar_t folder[MAX_PATH];
    UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    std::wstring path = n > 0 && n < MAX_PATH ? std::wstring(folder, n) + L"\\" + library : library;
    it = loaded.emplace(library, LoadLibraryW(path.c_str())).first;
  }
  return it->second ? GetProcAddress(it->second, name) : nullptr;
}

}  // namespace framework
