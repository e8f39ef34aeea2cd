#include "archive/membername.h"

#include <cstring>

namespace kaleidon {
namespace {

constexpr size_t kNameOffset = 26;
constexpr size_t kNameField = 513;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, with or without an
// extension: the system opens the device whatever the folder.
bool IsDeviceName(std::string_view name) {
  std::string base;
  for (char c : name.substr(0, name.find('.'))) base += Upper(c);
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (base == device) return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '0' && base[3] <= '9';
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || std::strchr("<>:\"|?*\\/", c)) return false;
  }
  if (name.back() == '.' || name.back() == ' ') return false;
  return !IsDeviceName(name);
}

// A folder part is harmless unless it climbs ("..", "...", ". .": dots and
// blanks only, other than ".") or holds characters no folder name has.
bool IsHarmlessFolderPart(std::string_view part) {
  if (part.empty() || part == ".") return true;
  bool onlyDots = true;
  for (char c : part) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || std::strchr("<>:\"|?*", c)) return false;
    if (c != '.' && c != ' ') onlyDots = false;
  }
  return !onlyDots;
}

}  // namespace

std::string MemberFileName(std::string_view member) {
  size_t cut = member.find_last_of("\\/");
  return std::string(cut == std::string_view::npos ? member : member.substr(cut + 1));
}

bool IsSafeMemberName(std::string_view member) {
  if (member.empty() || IsSeparator(member.front())) return false;
  size_t start = 0;
  for (size_t i = 0; i < member.size(); ++i) {
    if (!IsSeparator(member[i])) continue;
    if (!IsHarmlessFolderPart(member.substr(start, i - start))) return false;
    start = i + 1;
  }
  return IsPlainFileName(member.substr(start));
}

std::optional<std::string> ExtractedMemberPath(std::string_view folder, std::string_view member) {
  if (folder.empty() || !IsSafeMemberName(member)) return std::nullopt;
  std::string path(folder);
  if (path.back() != '\\') path += '\\';
  return path + MemberFileName(member);
}

std::string MemberNameFromRecord(const unsigned char* record, size_t size) {
  if (!record || size <= kNameOffset) return {};
  size_t available = size - kNameOffset;
  if (available > kNameField) available = kNameField;
  const char* name = reinterpret_cast<const char*>(record + kNameOffset);
  size_t length = 0;
  while (length < available && length < kNameField - 1 && name[length] != '\0') ++length;
  return std::string(name, length);
}

}  // namespace kaleidon
