// The settings file's text from anywhere (as the program holds it, in
// UTF-8): it parses without harm, and what the format promises holds:
//  - the lines keep their text: the document writes back the text with every
//    line ended by CR LF, and that text reads back as the same document;
//  - a value set under names the file can hold reads back as it was set,
//    also once the text is written and read again, and no other value moves;
//    a deleted key or an erased section is gone, and nothing else moves;
//  - an integer written as decimal or "0x" text reads back as itself, and
//    any value's text reads as a number or as none, without harm.
// The whole input is the text; its last bytes also choose the edits.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/base/inidocument.h"

namespace {

using framework::IniDocument;

// The program's own section and key names, and some of its values.
const char* const kSections[] = {"SysInfo", "DirectoryBuf", "SelectedDirectorys", "AllFilesSelectedDirectorys"};
const char* const kKeys[] = {"Path", "Hour", "CustomMask", "PathMemory1", "Directory1", "ProgramVersion"};
const char* const kValues[] = {"", "0", "1", "C:\\壁紙\\ｶﾚｲﾄﾞﾝ\\", "*.PIC;*.MAG", "0.6"};

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "broken promise: %s\n", what);
  __builtin_trap();
}

bool Trimmed(std::string_view s) {
  if (!s.empty() && (s.front() == ' ' || s.front() == '\t')) return false;
  return s.empty() || (s.back() != ' ' && s.back() != '\t' && s.back() != '\r');
}

// Names and values that a line of the file can carry unchanged.
bool HoldableSection(std::string_view s) { return Trimmed(s) && s.find_first_of("]\n") == std::string_view::npos; }
bool HoldableKey(std::string_view k) {
  return Trimmed(k) && k.find_first_of("=\n") == std::string_view::npos &&
         (k.empty() || (k.front() != '[' && k.front() != ';'));
}
bool HoldableValue(std::string_view v) {
  bool quoted = v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
  return Trimmed(v) && v.find('\n') == std::string_view::npos && !quoted;
}

// Names are the same ignoring the case of ASCII letters.
bool SameName(std::string_view a, std::string_view b) {
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return upper(x) == upper(y); });
}

// Every line of the text ended by CR LF (a line's own CR before its LF is
// part of its end).
std::string WithCrLf(std::string_view text) {
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out.append(line);
    out += "\r\n";
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return out;
}

// The values of the given sections' keys, by section and key.
using Values = std::map<std::pair<std::string, std::string>, std::optional<std::string>>;
Values ValuesOf(const IniDocument& doc, const std::vector<std::string>& sections) {
  Values values;
  for (const std::string& section : sections)
    for (const std::string& key : doc.Keys(section)) values[{section, key}] = doc.Value(section, key);
  return values;
}

// Values that an edit of (section, key) must leave alone; an empty key
// stands for the whole section.
void ExpectOthersKept(const Values& before, const IniDocument& doc, const std::string& section,
                      const std::optional<std::string>& key) {
  for (const auto& [name, value] : before) {
    if (SameName(name.first, section) && (!key || SameName(name.second, *key))) continue;
    if (doc.Value(name.first, name.second) != value) Fail("an edit moved another value");
  }
}

std::string Piece(FuzzedDataProvider& choices, std::string_view text) {
  size_t at = choices.ConsumeIntegralInRange<size_t>(0, text.size());
  size_t length = choices.ConsumeIntegralInRange<size_t>(0, 40);
  return std::string(text.substr(at, length));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  FuzzedDataProvider choices(data, size);

  IniDocument doc(text);
  const std::string written = doc.Text();
  if (written != WithCrLf(text)) Fail("lines lost their text");
  if (IniDocument(written).Text() != written) Fail("written text reads back differently");

  std::vector<std::string> sections(std::begin(kSections), std::end(kSections));
  // Whether every line stays one line: no name or value set holds a LF.
  bool linesKept = true;
  for (int edits = choices.ConsumeIntegralInRange(0, 3); edits > 0; --edits) {
    const int kind = choices.ConsumeIntegralInRange(0, 2);
    std::string section = choices.ConsumeBool() ? kSections[choices.ConsumeIntegralInRange<size_t>(0, 3)]
                                                : Piece(choices, text);
    std::string key = choices.ConsumeBool() ? kKeys[choices.ConsumeIntegralInRange<size_t>(0, 5)]
                                            : Piece(choices, text);
    sections.push_back(section);
    const Values before = ValuesOf(doc, sections);
    const bool holdable = HoldableSection(section) && HoldableKey(key);

    if (kind == 0) {
      std::string value = choices.ConsumeBool() ? kValues[choices.ConsumeIntegralInRange<size_t>(0, 5)]
                                                : Piece(choices, text);
      doc.SetValue(section, key, value);
      if ((section + key + value).find('\n') != std::string::npos) linesKept = false;
      if (!holdable) continue;
      if (HoldableValue(value)) {
        if (doc.Value(section, key) != value) Fail("a set value reads back differently");
        if (linesKept && IniDocument(doc.Text()).Value(section, key) != value)
          Fail("a set value is written differently");
      }
      ExpectOthersKept(before, doc, section, key);
    } else if (kind == 1) {
      const size_t keys = doc.Keys(section).size();
      const bool had = doc.Value(section, key).has_value();
      doc.DeleteKey(section, key);
      if (doc.Keys(section).size() != keys - (had ? 1 : 0)) Fail("a deleted key is not gone alone");
      ExpectOthersKept(before, doc, section, key);
    } else {
      doc.EraseSection(section);
      if (doc.HasSection(section)) Fail("an erased section is still there");
      ExpectOthersKept(before, doc, section, std::nullopt);
    }
  }
  // What is written after the edits reads back as the same document.
  if (linesKept) {
    const IniDocument reread(doc.Text());
    if (reread.Text() != doc.Text()) Fail("edited text reads back differently");
    if (ValuesOf(reread, sections) != ValuesOf(doc, sections)) Fail("edited values read back differently");
  }

  for (const auto& [name, value] : ValuesOf(doc, sections))
    if (value) (void)framework::ParseIniInteger(*value);
  const int32_t number = choices.ConsumeIntegral<int32_t>();
  if (framework::ParseIniInteger(std::to_string(number)) != number) Fail("a decimal integer reads back differently");
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%X", static_cast<uint32_t>(number));
  if (framework::ParseIniInteger(hex) != number) Fail("a hexadecimal integer reads back differently");
  return 0;
}
