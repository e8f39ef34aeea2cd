#pragma once
// The program's command line: only the first argument counts, and only in
// its exact written forms.
#include <string>

namespace kaleidon {

struct CommandLine {
  std::string first;
  bool Change() const { return first == "/e" || first == "/E"; }  // one change, then end
  bool Silent() const { return first == "/s" || first == "/S"; }  // start in the tray
  bool Reset() const { return first == "/f" || first == "/F"; }   // general settings erased
};

}  // namespace kaleidon
