#include "framework/resources.h"

#include <windows.h>

#include "framework/exception.h"
#include "framework/text.h"

namespace framework {

std::string LoadResourceData(const std::string& name) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(module, Widen(name).c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL data = info ? LoadResource(module, info) : nullptr;
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) throw Exception("resource " + name + " not found");
  return std::string(static_cast<const char*>(bytes), SizeofResource(module, info));
}

}  // namespace framework
