#pragma once
// The text of a history file (_Buf.RFB, <archive>.RFB): one name per line.
// Reading accepts CR, LF or CR LF as the end of a line and stops at a NUL
// byte; writing ends every line, the last one included, with CR LF, and an
// empty list is an empty text. The code page is the caller's business: these
// work on bytes, so they serve the ANSI file text and its UTF-8 form alike.
// No Win32 here, so the parser also builds natively for fuzzing.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kaleidon {

// The names of a history text, in file order. Empty lines name nothing and
// are dropped.
std::vector<std::string> ParseHistoryText(std::string_view text);
// How many names ParseHistoryText finds, without making them.
size_t CountHistoryNames(std::string_view text);
// Calls each(at, length, next) for each name of a history text in file
// order: where it starts and how long it is, and where the line after it
// starts.
void ForEachHistoryNameAt(std::string_view text, const std::function<void(size_t, size_t, size_t)>& each);

std::string FormatHistoryText(const std::vector<std::string>& names);

}  // namespace kaleidon
