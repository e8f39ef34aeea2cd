#include "selection/historytext.h"

#include <cstdint>
#include <cstring>

namespace kaleidon {

namespace {

// Calls each(at, length, next) for the names of a history text in file
// order.
template <typename Each>
void ForEachName(std::string_view text, Each each) {
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  // A plain loop: a history holds a hundred thousand names and more, and
  // searching for either line end character by character through the
  // library's set search costs several times as much. Four bytes are looked
  // at together while none of them is below 0x0E, which neither line end is.
  const char* const data = text.data();
  const size_t size = text.size();
  size_t start = 0;
  while (start < size) {
    size_t end = start;
    for (uint32_t word; end + 4 <= size; end += 4) {
      std::memcpy(&word, data + end, 4);
      if ((word - 0x0E0E0E0Eu) & ~word & 0x80808080u) break;  // a byte below 0x0E
    }
    while (end < size && data[end] != '\r' && data[end] != '\n') ++end;
    size_t next = end;
    if (next < size && data[next] == '\r') ++next;
    if (next < size && data[next] == '\n') ++next;
    if (end > start) each(start, end - start, next);
    start = next;
  }
}

template <typename Each>
void ForEachHistoryName(std::string_view text, Each each) {
  ForEachName(text, [&](size_t at, size_t length, size_t) { each(text.substr(at, length)); });
}

}  // namespace

std::vector<std::string> ParseHistoryText(std::string_view text) {
  std::vector<std::string> names;
  names.reserve(CountHistoryNames(text));
  ForEachHistoryName(text, [&names](std::string_view name) { names.emplace_back(name); });
  return names;
}

size_t CountHistoryNames(std::string_view text) {
  size_t count = 0;
  ForEachHistoryName(text, [&count](std::string_view) { ++count; });
  return count;
}

void ForEachHistoryNameAt(std::string_view text, const std::function<void(size_t, size_t, size_t)>& each) {
  ForEachName(text, each);
}

std::string FormatHistoryText(const std::vector<std::string>& names) {
  size_t size = 0;
  for (const std::string& name : names) size += name.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& name : names) {
    text += name;
    text += "\r\n";
  }
  return text;
}

}  // namespace kaleidon
