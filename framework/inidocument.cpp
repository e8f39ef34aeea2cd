#include "framework/base/inidocument.h"

#include <cstdint>

namespace framework {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

IniDocument::Line IniDocument::ParseLine(std::string text) {
  Line line;
  std::string_view t = Trim(text);
  if (!t.empty() && t.front() == '[') {
    size_t close = t.find(']');
    line.isHeader = true;
    line.section = std::string(Trim(t.substr(1, close == std::string_view::npos ? t.size() - 1 : close - 1)));
  } else if (!t.empty() && t.front() != ';') {
    size_t eq = t.find('=');
    if (eq != std::string_view::npos) {
      line.isKey = true;
      line.key = std::string(Trim(t.substr(0, eq)));
      line.value = std::string(Trim(t.substr(eq + 1)));
    }
  }
  line.text = std::move(text);
  return line;
}

IniDocument::IniDocument(std::string_view text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    std::string_view raw = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    lines_.push_back(ParseLine(std::string(raw)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
}

std::pair<size_t, size_t> IniDocument::SectionRange(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].isHeader && SameName(lines_[i].section, section)) {
      size_t end = i + 1;
      while (end < lines_.size() && !lines_[end].isHeader) ++end;
      return {i + 1, end};
    }
  }
  return {std::string::npos, std::string::npos};
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const {
  auto [begin, end] = SectionRange(section);
  if (begin == std::string::npos) return std::nullopt;
  for (size_t i = begin; i < end; ++i) {
    if (lines_[i].isKey && SameName(lines_[i].key, key)) {
      const std::string& v = lines_[i].value;
      if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
      return v;
    }
  }
  return std::nullopt;
}

void IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  std::string text = std::string(key) + "=" + std::string(value);
  auto [begin, end] = SectionRange(section);
  if (begin == std::string::npos) {
    lines_.push_back(ParseLine("[" + std::string(section) + "]"));
    lines_.push_back(ParseLine(std::move(text)));
    return;
  }
  size_t lastKey = begin;  // insert after the section's last key line
  for (size_t i = begin; i < end; ++i) {
    if (!lines_[i].isKey) continue;
    if (SameName(lines_[i].key, key)) {
      lines_[i] = ParseLine(lines_[i].key + "=" + std::string(value));
      return;
    }
    lastKey = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastKey), ParseLine(std::move(text)));
}

void IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  auto [begin, end] = SectionRange(section);
  if (begin == std::string::npos) return;
  for (size_t i = begin; i < end; ++i) {
    if (lines_[i].isKey && SameName(lines_[i].key, key)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

void IniDocument::EraseSection(std::string_view section) {
  for (;;) {
    auto [begin, end] = SectionRange(section);
    if (begin == std::string::npos) return;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(begin - 1),
                 lines_.begin() + static_cast<std::ptrdiff_t>(end));
  }
}

bool IniDocument::HasSection(std::string_view section) const {
  return SectionRange(section).first != std::string::npos;
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  auto [begin, end] = SectionRange(section);
  if (begin == std::string::npos) return keys;
  for (size_t i = begin; i < end; ++i)
    if (lines_[i].isKey) keys.push_back(lines_[i].key);
  return keys;
}

std::string IniDocument::Text() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += "\r\n";
  }
  return out;
}

std::optional<int> ParseIniInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return std::nullopt;
    value = value * base + digit;
    // Hexadecimal text may spell a full 32-bit pattern (0xFFFFFFFF is -1).
    if (value > (base == 16 ? int64_t{0xFFFFFFFF} : int64_t{0x80000000})) return std::nullopt;
  }
  if (base == 16 && value > 0x7FFFFFFF) value -= int64_t{1} << 32;
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace framework
