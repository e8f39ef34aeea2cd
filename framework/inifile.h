#pragma once
// An INI file read and written by path on every call, like the system's
// private-profile calls: nothing is cached, so every access sees the file's
// current content. The file is in the system ANSI code page; names and
// values are UTF-8 here. A write replaces the file atomically: a failed write
// leaves the previous file whole and raises EIniFileWrite.
#include <string>
#include <vector>

#include "framework/base/exception.h"

namespace framework {

class IniDocument;

class EIniFileWrite : public Exception {
 public:
  using Exception::Exception;
};

class IniFile {
 public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}
  const std::string& FileName() const { return path_; }

  // At most 1023 characters come back; a longer value is cut.
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  bool SectionExists(const std::string& section) const;
  std::vector<std::string> ReadSectionKeys(const std::string& section) const;

  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  void DeleteKey(const std::string& section, const std::string& key);
  void EraseSection(const std::string& section);

  static constexpr size_t kMaxValueLength = 1023;

 private:
  IniDocument Load() const;
  void Store(const IniDocument& doc);

  std::string path_;
};

}  // namespace framework
