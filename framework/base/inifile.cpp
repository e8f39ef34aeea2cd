#include "framework/base/inifile.h"

#include <atomic>
#include <optional>

#include "framework/base/inidocument.h"
#include "framework/base/paths.h"
#include "framework/base/scopeguard.h"
#include "framework/base/text.h"

namespace framework {

namespace {
std::atomic<uint64_t> replacements{0};

// The batches alive, newest last. Only the user-interface thread edits the
// settings; the list is short (one batch per operation under way).
std::vector<IniBatch*>& OpenBatches() {
  static std::vector<IniBatch*> batches;
  return batches;
}
}  // namespace

uint64_t IniFile::Replacements() { return replacements.load(); }

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  return IniEdit(*this).ReadString(section, key, def);
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  return IniEdit(*this).ReadInteger(section, key, def);
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return IniEdit(*this).ReadBool(section, key, def);
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
  return IniEdit(*this).ValueExists(section, key);
}

bool IniFile::SectionExists(const std::string& section) const { return IniEdit(*this).SectionExists(section); }

std::vector<std::string> IniFile::ReadSectionKeys(const std::string& section) const {
  return IniEdit(*this).ReadSectionKeys(section);
}

bool IniFile::Readable() const { return !IniEdit(*this).Unread(); }

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  IniEdit edit(*this);
  edit.WriteString(section, key, value);
  edit.Commit();
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::DeleteKey(const std::string& section, const std::string& key) {
  IniEdit edit(*this);
  edit.DeleteKey(section, key);
  edit.Commit();
}

void IniFile::EraseSection(const std::string& section) {
  IniEdit edit(*this);
  edit.EraseSection(section);
  edit.Commit();
}

IniEdit::IniEdit(const IniFile& file) : path_(file.path_) {
  for (const IniBatch* batch : OpenBatches()) {
    if (batch->path_ != path_ || batch->outer_) continue;
    doc_ = std::make_unique<IniDocument>(*batch->edit_->doc_);
    unread_ = batch->edit_->unread_;
    return;
  }
  try {
    std::optional<std::string> bytes = ReadStoredFile(path_);
    bool lossy = false;
    doc_ = std::make_unique<IniDocument>(bytes ? IniDocument(DecodeStoredText(*bytes, &lossy)) : IniDocument());
    unread_ = lossy;
  } catch (const EReadRefused&) {
    unread_ = true;
  }
  // What could not be read is not taken for the file's keys.
  if (unread_) doc_ = std::make_unique<IniDocument>();
}

IniEdit::~IniEdit() = default;

std::string IniEdit::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  std::optional<std::string> v = doc_->Value(section, key);
  return FirstCharacters(v ? *v : def, IniFile::kMaxValueLength);
}

int IniEdit::ReadInteger(const std::string& section, const std::string& key, int def) const {
  std::optional<std::string> v = doc_->Value(section, key);
  if (!v) return def;
  std::optional<int> n = ParseIniInteger(FirstCharacters(*v, IniFile::kMaxValueLength));
  return n ? *n : def;
}

bool IniEdit::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniEdit::ValueExists(const std::string& section, const std::string& key) const {
  return doc_->Value(section, key).has_value();
}

bool IniEdit::SectionExists(const std::string& section) const { return doc_->HasSection(section); }

std::vector<std::string> IniEdit::ReadSectionKeys(const std::string& section) const { return doc_->Keys(section); }

void IniEdit::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  if (doc_->Value(section, key) == value) return;
  doc_->SetValue(section, key, value);
  changed_ = true;
}

void IniEdit::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniEdit::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniEdit::DeleteKey(const std::string& section, const std::string& key) {
  if (!doc_->Value(section, key)) return;
  doc_->DeleteKey(section, key);
  changed_ = true;
}

void IniEdit::EraseSection(const std::string& section) {
  if (!doc_->HasSection(section)) return;
  doc_->EraseSection(section);
  changed_ = true;
}

void IniEdit::Commit() {
  if (!changed_) return;
  for (IniBatch* batch : OpenBatches()) {
    if (batch->path_ != path_ || batch->outer_) continue;
    *batch->edit_->doc_ = *doc_;
    batch->edit_->changed_ = true;
    changed_ = false;
    return;
  }
  if (unread_) throw EReadRefused(path_);
  if (!WriteFileAtomically(path_, EncodeStoredText(doc_->Text()))) throw EIniFileWrite(path_);
  ++replacements;
  changed_ = false;
}

IniBatch::IniBatch(const IniFile& file) : path_(file.path_) {
  for (IniBatch* batch : OpenBatches())
    if (batch->path_ == path_ && !batch->outer_) outer_ = batch;
  if (!outer_) edit_ = std::make_unique<IniEdit>(file);
  OpenBatches().push_back(this);
}

IniBatch::~IniBatch() { std::erase(OpenBatches(), this); }

void IniBatch::Commit() {
  if (outer_) return;
  // The edit stores for itself: out of the list while it does.
  std::erase(OpenBatches(), this);
  const ScopeExit reopen([this] { OpenBatches().push_back(this); });
  edit_->Commit();
}

}  // namespace framework
