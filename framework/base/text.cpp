#include "framework/base/text.h"

#include <windows.h>

#include <optional>

namespace framework {

namespace {

std::wstring ToWide(std::string_view bytes, UINT codePage) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::string FromWide(std::wstring_view wide, UINT codePage) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

}  // namespace

std::wstring Widen(std::string_view utf8) { return ToWide(utf8, CP_UTF8); }
std::string Narrow(std::wstring_view utf16) { return FromWide(utf16, CP_UTF8); }
std::string ToAnsi(std::string_view utf8) { return FromWide(Widen(utf8), CP_ACP); }
std::string FromAnsi(std::string_view ansi) { return Narrow(ToWide(ansi, CP_ACP)); }

namespace {

constexpr UINT kShiftJis = 932;

bool IsAsciiText(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The text in a code page when every character comes back unchanged from
// it, nothing otherwise. No character is replaced by a look-alike.
std::optional<std::string> ExactlyIn(std::string_view utf8, UINT codePage) {
  if (IsAsciiText(utf8)) return std::string(utf8);
  const std::wstring wide = Widen(utf8);
  BOOL replaced = FALSE;
  const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, &replaced);
  if (n <= 0 || replaced) return std::nullopt;
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, &replaced);
  if (replaced || ToWide(out, codePage) != wide) return std::nullopt;
  return out;
}

}  // namespace

bool FitsAnsi(std::string_view utf8) { return ExactlyIn(utf8, CP_ACP).has_value(); }

std::string EncodeStoredText(std::string_view utf8) {
  if (std::optional<std::string> shiftJis = ExactlyIn(utf8, kShiftJis)) return *shiftJis;
  return std::string(kUtf8ByteOrderMark) + std::string(utf8);
}

std::string DecodeStoredText(std::string_view bytes) {
  if (bytes.starts_with(kUtf8ByteOrderMark)) return std::string(bytes.substr(kUtf8ByteOrderMark.size()));
  if (IsAsciiText(bytes)) return std::string(bytes);
  return Narrow(ToWide(bytes, kShiftJis));
}

std::string FirstCharacters(std::string_view text, size_t count) {
  size_t seen = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    bool lead = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (lead && seen++ == count) return std::string(text.substr(0, i));
  }
  return std::string(text);
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

int CompareTextNoCase(std::string_view a, std::string_view b) {
  std::wstring wa = Widen(a), wb = Widen(b);
  int r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.data(), static_cast<int>(wa.size()),
                         wb.data(), static_cast<int>(wb.size()));
  return r - CSTR_EQUAL;
}

bool SameTextNoCase(std::string_view a, std::string_view b) { return CompareTextNoCase(a, b) == 0; }

}  // namespace framework
