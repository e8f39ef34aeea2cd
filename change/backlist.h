#pragma once
// The wallpapers shown last, to go back to: for each, where the picture on
// each monitor came from (a file, or an archive and its member). The list
// lies beside the settings file, replaced whole at each change, so that
// going back works after a restart too. Going back moves a mark through the
// list; a new wallpaper drops what lies after the mark, as a browser's
// history does.
#include <optional>
#include <string>
#include <vector>

#include "core/monitors.h"
#include "selection/picturesource.h"

namespace kaleidon {

// The picture one monitor showed (monitor: its device name).
struct ScreenSource {
  std::string monitor;
  PictureSource source;
  bool operator==(const ScreenSource&) const = default;
};
using ShownSources = std::vector<ScreenSource>;

// What a command naming monitor n means (0: the primary monitor; n: the
// n-th of the desktop as the system counts them, from 1): the picture shown
// there. One picture over the whole desktop is the picture of every monitor.
// Nothing when nothing is shown there, or n is past the desktop's monitors.
std::optional<ScreenSource> ShownOnMonitor(const ShownSources& shown, const Desktop& desktop, int monitor);

class BackList {
 public:
  static constexpr size_t kMaxEntries = 20;

  // The list's file beside the settings file.
  static std::string PathBeside(const std::string& settingsFile);
  // A missing file is an empty list, and lines that cannot be read are
  // passed over; a file that is there but cannot be read raises
  // EReadRefused, for an empty list stored over it would lose it.
  static BackList Load(const std::string& path);
  // Replaces the file whole; false (the old file left as it was) when the
  // write is refused.
  bool Save(const std::string& path) const;

  // A new wallpaper: what lay after the current one is dropped, the oldest
  // beyond kMaxEntries too, and the new one is current. A wallpaper whose
  // names the file cannot hold (a line break, a tab) is not kept.
  void Add(const ShownSources& shown);
  const std::vector<ShownSources>& Entries() const { return entries_; }
  // The entry the wallpaper shows; meaningless while the list is empty.
  size_t Current() const { return current_; }
  void MakeCurrent(size_t index);

  // The file's text (UTF-8), and the list it holds.
  std::string Text() const;
  static BackList FromText(std::string_view text);

 private:
  std::vector<ShownSources> entries_;
  size_t current_ = 0;
};

}  // namespace kaleidon
