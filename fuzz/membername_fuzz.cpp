// Archive member names and entry records straight from the fuzzer: no crash,
// and an accepted name always lands directly inside the target folder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "archive/membername.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view name(reinterpret_cast<const char*>(data), size);
  std::string recordName = kaleidon::MemberNameFromRecord(data, size);
  if (recordName.size() > 512) __builtin_trap();

  const std::string folder = "C:\\K\\Temp\\";
  std::optional<std::string> path = kaleidon::ExtractedMemberPath(folder, name);
  if (path.has_value() != kaleidon::IsSafeMemberName(name)) __builtin_trap();
  if (path) {
    if (path->compare(0, folder.size(), folder) != 0) __builtin_trap();
    std::string file = path->substr(folder.size());
    if (file.empty() || file == "." || file == ".." || file.find_first_of("\\/:") != std::string::npos)
      __builtin_trap();
    if (file != kaleidon::MemberFileName(name)) __builtin_trap();
  }
  return 0;
}
