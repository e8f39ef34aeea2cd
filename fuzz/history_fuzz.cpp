// History file text: any bytes parse without harm, and what is written back
// reads back as the same names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "selection/historytext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> names = kaleidon::ParseHistoryText(text);
  for (const std::string& name : names)
    if (name.empty() || name.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) abort();
  std::string written = kaleidon::FormatHistoryText(names);
  if (kaleidon::ParseHistoryText(written) != names) abort();
  if (!names.empty() && written.substr(written.size() - 2) != "\r\n") abort();
  return 0;
}
