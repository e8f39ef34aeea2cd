#pragma once
// An INI file read and written by path, like the system's private-profile
// calls: nothing is cached between calls, so every access sees the file's
// current content. The file is Shift-JIS, or UTF-8 after a byte-order mark
// when a name needs it (framework/base/text.h); names and values are UTF-8
// here. A write replaces the file atomically: a failed write
// leaves the previous file whole and raises EIniFileWrite.
//
// An action that changes several keys takes an IniEdit: the file is read
// once, the changes are made on that copy, and Commit stores them all in one
// replacement, so a refusal or a kill leaves the file as it was before the
// action or as it is after it, never in between.
#include <cstdint>
#include <memory>
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

  // Each of these is one replacement of the file.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  void DeleteKey(const std::string& section, const std::string& key);
  void EraseSection(const std::string& section);

  static constexpr size_t kMaxValueLength = 1023;

  // How many times this process has replaced a settings file: one user
  // action is meant to cost one (the tests count them).
  static uint64_t Replacements();

 private:
  friend class IniEdit;
  std::string path_;
};

// The keys of one IniFile, read once, changed in memory and stored in one
// replacement. Reads see the changes made so far. Nothing is written without
// Commit.
class IniEdit {
 public:
  explicit IniEdit(const IniFile& file);
  ~IniEdit();
  IniEdit(const IniEdit&) = delete;
  IniEdit& operator=(const IniEdit&) = delete;

  const std::string& FileName() const { return path_; }

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
  // Erasing a section the file does not have changes nothing.
  void EraseSection(const std::string& section);

  // Whether a write was made since the edit began (or was last committed).
  bool Changed() const { return changed_; }
  // Stores the edited keys in one atomic replacement when anything was
  // written. A refused write raises EIniFileWrite and leaves the file on disk
  // exactly as it was.
  void Commit();

 private:
  std::string path_;
  std::unique_ptr<IniDocument> doc_;
  bool changed_ = false;
};

}  // namespace framework
