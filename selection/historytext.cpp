#include "selection/historytext.h"

namespace kaleidon {

std::vector<std::string> ParseHistoryText(std::string_view text) {
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<std::string> names;
  size_t ends = 0;
  for (char c : text) ends += c == '\n' || c == '\r';
  names.reserve(ends + 1);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) names.emplace_back(text.substr(start, end - start));
    start = end;
    if (start < text.size() && text[start] == '\r') ++start;
    if (start < text.size() && text[start] == '\n') ++start;
  }
  return names;
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
