// Whole-file access (bounded reads included) for the native (POSIX) builds of the picture code, in
// place of the Win32 one in framework/base/paths.cpp.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "framework/base/bounded.h"
#include "framework/base/exception.h"
#include "framework/base/paths.h"

namespace framework {

std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>{});
  if (data.size() > limit) throw EFileTooLarge(path);
  return data;
}

// A fuzz input is always on the disk and answers.
std::optional<std::string> ReadUserFile(const std::string& path, uint64_t limit) { return ReadWholeFile(path, limit); }

bool WriteFileAtomically(const std::string& path, std::string_view data) {
  std::string temp = path + ".~tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out.write(data.data(), static_cast<std::streamsize>(data.size())) || !out.flush()) {
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

// The piecewise replacement, with the path's bytes kept one to a wide
// character.
namespace {
std::string Bytes(const std::wstring& path) { return std::string(path.begin(), path.end()); }
}  // namespace

FileReplacement::FileReplacement(const std::string& path)
    : target_(path.begin(), path.end()), temp_(target_ + L".~tmp") {
  file_ = std::fopen(Bytes(temp_).c_str(), "wb");
}

FileReplacement::~FileReplacement() { Fail(); }

void FileReplacement::Fail() {
  if (!file_) return;
  std::fclose(static_cast<std::FILE*>(file_));
  file_ = nullptr;
  std::remove(Bytes(temp_).c_str());
}

bool FileReplacement::Write(std::string_view data) {
  if (!file_) return false;
  if (std::fwrite(data.data(), 1, data.size(), static_cast<std::FILE*>(file_)) != data.size()) {
    Fail();
    return false;
  }
  return true;
}

bool FileReplacement::WriteAt(uint64_t offset, std::string_view data) {
  if (!file_) return false;
  if (std::fseek(static_cast<std::FILE*>(file_), static_cast<long>(offset), SEEK_SET) != 0) {
    Fail();
    return false;
  }
  return Write(data);
}

bool FileReplacement::Commit() {
  if (!file_) return false;
  const bool written = std::fflush(static_cast<std::FILE*>(file_)) == 0;
  std::fclose(static_cast<std::FILE*>(file_));
  file_ = nullptr;
  if (!written || std::rename(Bytes(temp_).c_str(), Bytes(target_).c_str()) != 0) {
    std::remove(Bytes(temp_).c_str());
    return false;
  }
  return true;
}

}  // namespace framework
