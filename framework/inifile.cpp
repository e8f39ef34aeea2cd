#include "framework/base/inifile.h"

#include "framework/base/inidocument.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"

namespace framework {

IniDocument IniFile::Load() const {
  std::optional<std::string> bytes = ReadWholeFile(path_);
  return bytes ? IniDocument(FromAnsi(*bytes)) : IniDocument();
}

void IniFile::Store(const IniDocument& doc) {
  if (!WriteFileAtomically(path_, ToAnsi(doc.Text())))
    throw EIniFileWrite(FormatText("%s に書き込めません", {path_}));
}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  std::optional<std::string> v = Load().Value(section, key);
  return FirstCharacters(v ? *v : def, kMaxValueLength);
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  std::optional<std::string> v = Load().Value(section, key);
  if (!v) return def;
  std::optional<int> n = ParseIniInteger(FirstCharacters(*v, kMaxValueLength));
  return n ? *n : def;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
  return Load().Value(section, key).has_value();
}

bool IniFile::SectionExists(const std::string& section) const { return Load().HasSection(section); }

std::vector<std::string> IniFile::ReadSectionKeys(const std::string& section) const { return Load().Keys(section); }

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  IniDocument doc = Load();
  doc.SetValue(section, key, value);
  Store(doc);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::DeleteKey(const std::string& section, const std::string& key) {
  IniDocument doc = Load();
  doc.DeleteKey(section, key);
  Store(doc);
}

void IniFile::EraseSection(const std::string& section) {
  IniDocument doc = Load();
  if (!doc.HasSection(section)) return;
  doc.EraseSection(section);
  Store(doc);
}

}  // namespace framework
