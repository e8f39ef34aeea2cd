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
// action or as it is after it, never in between. An IniBatch gathers the
// edits of a longer operation (a wallpaper change with its rotation, its
// histories and its monitors) into one replacement the same way.
//
// A file that is there but cannot be read (another program holds it open
// without read sharing, a read error, bytes that are no text) reads as if it
// had no keys, but it is never written: storing an edit of it raises
// EReadRefused (framework/base/exception.h) and leaves it as it is.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/base/exception.h"

namespace framework {

class IniDocument;

// A refused write of a settings file: "<path> に書き込めません".
class EIniFileWrite : public EWriteRefused {
 public:
  using EWriteRefused::EWriteRefused;
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
  // Whether the file could be read (a missing file counts as read: it has
  // no keys).
  bool Readable() const;

  // Each of these is one replacement of the file, but when it changes
  // nothing.
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
  friend class IniBatch;
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

  // A value written as it is stored already, or a key deleted that is not
  // there, changes nothing.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  void DeleteKey(const std::string& section, const std::string& key);
  // Erasing a section the file does not have changes nothing.
  void EraseSection(const std::string& section);

  // Whether a write was made since the edit began (or was last committed).
  bool Changed() const { return changed_; }
  // Whether the file could not be read: its keys read as missing, and the
  // edit is never stored.
  bool Unread() const { return unread_; }
  // Stores the edited keys in one atomic replacement when anything was
  // changed (inside an IniBatch of the file: hands them to the batch). A
  // refused write raises EIniFileWrite and leaves the file on disk exactly
  // as it was; a file that could not be read raises EReadRefused.
  void Commit();

 private:
  friend class IniBatch;
  std::string path_;
  std::unique_ptr<IniDocument> doc_;
  bool changed_ = false;
  bool unread_ = false;
};

// While an IniBatch of a file lives, the edits of that file (through any
// IniFile or IniEdit of its path) start from the batch's copy and their
// Commit stores into it; the batch's own Commit then makes the one
// replacement. A batch dropped without Commit stores nothing. A batch begun
// while another of the same file lives adds to that one, which stores.
class IniBatch {
 public:
  explicit IniBatch(const IniFile& file);
  ~IniBatch();
  IniBatch(const IniBatch&) = delete;
  IniBatch& operator=(const IniBatch&) = delete;

  // One replacement when an edit was committed into the batch; raises as
  // IniEdit::Commit does, with the batch's edits kept for another try.
  void Commit();

 private:
  friend class IniEdit;
  std::string path_;
  IniBatch* outer_ = nullptr;  // the batch of the same file this one adds to
  std::unique_ptr<IniEdit> edit_;
};

}  // namespace framework
