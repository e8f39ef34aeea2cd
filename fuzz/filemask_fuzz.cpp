// File-list masks and names straight from the fuzzer: no crash, no runaway
// matching, and the rules that hold for every mask:
//  - a mask matches what one of its ";"-separated parts matches;
//  - "*" and "*.*" match every name;
//  - a pattern without wildcards matches the name written the same way.
// The input holds the mask, a zero unit, then the name, in 16-bit units.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/base/filemask.h"

namespace {

bool IsLiteral(std::wstring_view pattern) {
  return !pattern.empty() && pattern.find_first_of(L"*?;") == std::wstring_view::npos && pattern.front() != L' ' &&
         pattern.back() != L' ' && pattern.back() != L'.';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring units;
  for (size_t i = 0; i + 1 < size; i += 2) units.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
  const size_t split = units.find(L'\0');
  const std::wstring mask = units.substr(0, split);
  const std::wstring name = split == std::wstring::npos ? std::wstring() : units.substr(split + 1);

  const bool matches = framework::FileMask(mask).Matches(name);
  const size_t semicolon = mask.find(L';');
  if (semicolon != std::wstring::npos) {
    bool head = framework::FileMask(std::wstring_view(mask).substr(0, semicolon)).Matches(name);
    bool tail = framework::FileMask(std::wstring_view(mask).substr(semicolon + 1)).Matches(name);
    if (matches != (head || tail)) __builtin_trap();
  }
  if (!framework::FileMask(L"*").Matches(name) || !framework::FileMask(L"*.*").Matches(name)) __builtin_trap();
  if (IsLiteral(mask) && !framework::FileMask(mask).Matches(mask)) __builtin_trap();
  return 0;
}
