#pragma once
// The identity and order of file names in the history files: names are the
// same when the system's text comparison, ignoring case, finds them equal,
// and they sort in the system's text order. Both come from one key per name,
// the system's sort key, so that lookups can hash it and sorting can compare
// bytes instead of calling the system for every pair.
#include <cstdint>
#include <string>
#include <string_view>

namespace kaleidon {

// Appends the key of a UTF-8 name to out. Two names have equal keys exactly
// when framework::CompareTextNoCase finds them equal, and keys compare
// (as unsigned bytes) in the order it gives. A name is first taken through
// the system ANSI code page, as the history file stores it, so a name the
// code page cannot hold keeps one identity before and after a round trip.
void AppendNameKey(std::string_view name, std::string& out);
std::string NameKey(std::string_view name);

// FNV-1a over the key bytes.
uint32_t HashNameKey(std::string_view key);

}  // namespace kaleidon
