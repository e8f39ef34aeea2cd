#pragma once
// The identity and the order of file names in the history files.
//  - Identity: names are the same when they are equal ignoring case. Lookups
//    hash a case-folded key, so asking costs the same for any history size.
//    The history files keep every name exactly, in any script.
//  - Order: the system's text order ignoring case (CompareTextNoCase).
// Plain ASCII names, by far the most common, are handled without calling the
// system: their fold is ASCII upper case, and their order follows one weight
// per character, learnt from the system once and checked against it.
#include <cstdint>
#include <string>
#include <string_view>

namespace kaleidon {

// Appends the case-folded key of a UTF-8 name to out.
void AppendNameFold(std::string_view name, std::string& out);
std::string NameFold(std::string_view name);
// The same fold asking the system about each name, as AppendNameFold does for
// names its tables do not cover.
void AppendSystemNameFold(std::string_view name, std::string& out);

// <0, 0, >0 as framework::CompareTextNoCase orders the names.
int CompareNames(std::string_view a, std::string_view b);

// The system's sort key ignoring case: keys compare (as unsigned bytes) the
// way CompareNames orders the names. For sorting many names at once.
std::string NameSortKey(std::string_view name);

// FNV-1a.
uint32_t HashBytes(std::string_view bytes);

// Whether every byte of text is plain ASCII.
bool IsAscii(std::string_view text);

}  // namespace kaleidon
