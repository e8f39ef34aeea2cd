#include "selection/namekey.h"

#include <windows.h>

#include <array>

#include "framework/text.h"

namespace kaleidon {

namespace {

constexpr DWORD kKeyFlags = LCMAP_SORTKEY | NORM_IGNORECASE;

std::string SystemSortKey(std::wstring_view text) {
  if (text.empty()) return {};
  int size = LCMapStringW(LOCALE_USER_DEFAULT, kKeyFlags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) return {};
  std::string key(static_cast<size_t>(size), '\0');
  int n = LCMapStringW(LOCALE_USER_DEFAULT, kKeyFlags, text.data(), static_cast<int>(text.size()),
                       reinterpret_cast<LPWSTR>(key.data()), size);
  key.resize(n > 0 ? static_cast<size_t>(n) : 0);
  // The key ends in a NUL byte; it adds nothing to comparisons.
  while (!key.empty() && key.back() == '\0') key.pop_back();
  return key;
}

// Most file names are plain ASCII. For those the system's key is the
// concatenation of one fixed weight per character followed by a fixed tail,
// except for characters the system sorts specially (the hyphen and the
// apostrophe, which only weigh in after everything else). The table below is
// learnt from the system once and checked against it; should the check fail,
// every name takes the system's call.
struct AsciiKeys {
  std::array<std::string, 128> weight;  // empty: not a plain character
  std::string tail;
  bool usable = false;
};

AsciiKeys LearnAsciiKeys() {
  AsciiKeys keys;
  std::string tail;
  for (int c = 0x20; c < 0x7F; ++c) {
    wchar_t ch = static_cast<wchar_t>(c);
    std::string key = SystemSortKey(std::wstring_view(&ch, 1));
    size_t sep = key.find('\x01');
    if (sep == std::string::npos || sep == 0) continue;
    std::string rest = key.substr(sep);
    if (tail.empty()) tail = rest;
    if (rest != tail) continue;
    keys.weight[static_cast<size_t>(c)] = key.substr(0, sep);
  }
  keys.tail = tail;
  keys.usable = !tail.empty();
  if (!keys.usable) return keys;
  // A name built of every plain character must come out as the system makes it.
  std::string sample;
  for (int c = 0x7E; c >= 0x20; --c)
    if (!keys.weight[static_cast<size_t>(c)].empty()) sample += static_cast<char>(c);
  sample += "Photo 01.JPG";
  std::string mine;
  for (char c : sample) mine += keys.weight[static_cast<unsigned char>(c)];
  mine += keys.tail;
  keys.usable = mine == SystemSortKey(framework::Widen(sample));
  return keys;
}

const AsciiKeys& Ascii() {
  static const AsciiKeys keys = LearnAsciiKeys();
  return keys;
}

}  // namespace

void AppendNameKey(std::string_view name, std::string& out) {
  const AsciiKeys& ascii = Ascii();
  if (ascii.usable) {
    size_t start = out.size();
    bool plain = true;
    for (char c : name) {
      unsigned char u = static_cast<unsigned char>(c);
      if (u >= 0x80 || ascii.weight[u].empty()) {
        plain = false;
        break;
      }
      out += ascii.weight[u];
    }
    if (plain) {
      out += ascii.tail;
      return;
    }
    out.resize(start);
  }
  bool asciiOnly = true;
  for (char c : name)
    if (static_cast<unsigned char>(c) >= 0x80) asciiOnly = false;
  std::wstring wide = asciiOnly ? framework::Widen(name) : framework::Widen(framework::FromAnsi(framework::ToAnsi(name)));
  out += SystemSortKey(wide);
}

std::string NameKey(std::string_view name) {
  std::string key;
  AppendNameKey(name, key);
  return key;
}

uint32_t HashNameKey(std::string_view key) {
  uint32_t h = 2166136261u;
  for (char c : key) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return h;
}

}  // namespace kaleidon
