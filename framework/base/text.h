#pragma once
// Text conversions at the Win32 boundary. Inside the program every string is
// UTF-8; Win32 is called through its W functions; libraries that use the
// system ANSI code page, and the program's own text files, are converted
// where they are called, read or written.
#include <string>
#include <string_view>

namespace framework {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The system ANSI code page (Shift-JIS, 932, on a Japanese system), as the
// archive library and the image plug-ins take text. A character the code
// page lacks comes out as the system replaces it.
std::string ToAnsi(std::string_view utf8);
std::string FromAnsi(std::string_view ansi);
// Whether text comes back unchanged from the ANSI code page.
bool FitsAnsi(std::string_view utf8);

// The program's own text files (the settings file, the history files) are
// in Shift-JIS, code page 932, as the program has always written them on
// Japanese Windows, and whatever the system's code page is. Text with a
// character Shift-JIS cannot hold is written as UTF-8 after a byte-order
// mark instead, the whole file so, and so keeps every name exactly; reading
// takes both forms, and as well what an editor saves: UTF-8 without a mark
// and UTF-16 after its mark. lossy tells whether a character had to be
// replaced by U+FFFD (bytes that are no text of the form found): such a
// file is not written back, which would lose those bytes.
std::string EncodeStoredText(std::string_view utf8);
std::string DecodeStoredText(std::string_view bytes, bool* lossy = nullptr);
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

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
