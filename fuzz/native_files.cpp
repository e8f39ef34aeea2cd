// Whole-file access for the native (POSIX) builds of the picture code, in
// place of the Win32 one in framework/base/paths.cpp.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "framework/base/paths.h"

namespace framework {

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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

}  // namespace framework
