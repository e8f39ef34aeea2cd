#pragma once
// Text conversions at the Win32 boundary. Inside the program every string is
// UTF-8; Win32 is called through its W functions; files and libraries that
// use the system ANSI code page are converted where they are read or written.
#include <string>
#include <string_view>

namespace framework {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The system ANSI code page (Shift-JIS, 932, on a Japanese system).
std::string ToAnsi(std::string_view utf8);
std::string FromAnsi(std::string_view ansi);

// The first `count` characters (code points) of UTF-8 text.
std::string FirstCharacters(std::string_view text, size_t count);

// Upper case of ASCII letters only; other bytes (and so every multi-byte
// character) stay as they are.
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);

// Case-insensitive comparison the way the system compares text for the
// user (CompareStringW with NORM_IGNORECASE): <0, 0, >0.
int CompareTextNoCase(std::string_view a, std::string_view b);
bool SameTextNoCase(std::string_view a, std::string_view b);

}  // namespace framework
