#pragma once
// The program's command line: only the first argument counts, and only in
// its exact written forms.
#include <optional>
#include <string>

namespace kaleidon {

struct CommandLine {
  std::string first;
  bool Change() const { return first == "/e" || first == "/E"; }  // one change, then end
  bool Silent() const { return first == "/s" || first == "/S"; }  // start in the tray
  bool Reset() const { return first == "/f" || first == "/F"; }   // general settings erased
  bool Back() const { return first == "/b" || first == "/B"; }    // back one wallpaper
  // "この壁紙を今後使わない" from the command line: "/X" for the primary
  // monitor's picture (0 here), "/X2" for the second monitor's (2), as the
  // system counts them from 1; nothing for any other first argument.
  std::optional<int> NeverAgain() const {
    if (first.size() < 2 || first[0] != '/' || (first[1] != 'x' && first[1] != 'X')) return std::nullopt;
    if (first.size() == 2) return 0;
    // One or two digits, no leading zero: "/X1" .. "/X99".
    if (first.size() > 4 || first[2] < '1' || first[2] > '9') return std::nullopt;
    int monitor = first[2] - '0';
    if (first.size() == 4) {
      if (first[3] < '0' || first[3] > '9') return std::nullopt;
      monitor = monitor * 10 + (first[3] - '0');
    }
    return monitor;
  }
  // A command that a copy already running carries out for this one.
  bool ForRunningCopy() const { return Change() || Back() || NeverAgain().has_value(); }
};

}  // namespace kaleidon
