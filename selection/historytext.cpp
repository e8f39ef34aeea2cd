#include "selection/historytext.h"

namespace kaleidon {

namespace {

// Calls each(name) for the names of a history text in file order.
template <typename Each>
void ForEachHistoryName(std::string_view text, Each each) {
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  // A plain loop: a history holds a hundred thousand names and more, and
  // searching for either line end character by character through the
  // library's set search costs several times as much.
  const char* const data = text.data();
  const size_t size = text.size();
  size_t start = 0;
  while (start < size) {
    size_t end = start;
    while (end < size && data[end] != '\r' && data[end] != '\n') ++end;
    if (end > start) each(text.substr(start, end - start));
    start = end;
    if (start < size && data[start] == '\r') ++start;
    if (start < size && data[start] == '\n') ++start;
  }
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
