#pragma once
// The text of an INI file as lines, with the lookups and edits that the
// system's private-profile calls make: section and key names compare without
// regard to ASCII case, names and values are trimmed of blanks, a value in
// matching quotes loses them on reading. Lines it does not touch keep their
// exact text. No Win32 here: this parser also builds natively for fuzzing.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace framework {

class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(std::string_view text);

  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  void SetValue(std::string_view section, std::string_view key, std::string_view value);
  void DeleteKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);
  bool HasSection(std::string_view section) const;
  std::vector<std::string> Keys(std::string_view section) const;

  // Lines joined with CR LF, each line ended by one.
  std::string Text() const;

 private:
  struct Line {
    std::string text;
    std::string section;  // for a header line: its name; else empty
    std::string key;      // for a key line: its trimmed name; else empty
    std::string value;
    bool isHeader = false;
    bool isKey = false;
  };
  static Line ParseLine(std::string text);
  // [begin, end) of the section's lines after its header; begin == npos when absent.
  std::pair<size_t, size_t> SectionRange(std::string_view section) const;

  std::vector<Line> lines_;
};

// Integer value rules of the settings file: decimal with an optional sign, or
// hexadecimal after "0x"/"0X"; anything else (empty, trailing text, overflow)
// is no number.
std::optional<int> ParseIniInteger(std::string_view text);

}  // namespace framework
