#pragma once
// What the plug-ins said of themselves, kept in a file beside the program,
// so that a start lists their formats without loading any of them (nor
// starting the plug-in host). An entry holds for the plug-in file of its
// path as long as that same file (by volume and file index) keeps its size
// and time of last write.
//
// The file is UTF-8 text, one plug-in a line and one format a line below it,
// fields separated by tabs (a plug-in's texts hold no control character).
// A damaged file counts as empty; one that cannot be written is left as it
// is: the cache only saves time.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "plugins/spihostprotocol.h"

namespace kaleidon {

struct SPIFileStamp {
  uint64_t size = 0;
  uint64_t writeTime = 0;
  // Which file it is, however its path is spelt.
  uint32_t volume = 0;
  uint64_t index = 0;

  bool SameFile(const SPIFileStamp& other) const { return volume == other.volume && index == other.index; }
};

// The stamp of the file at path; nothing when it cannot be read.
std::optional<SPIFileStamp> ReadFileStamp(const std::string& path);

class SPIFormatCache {
 public:
  // Reads the cache file at path.
  explicit SPIFormatCache(std::string path);

  // The description kept for the plug-in file at pluginPath with this
  // stamp, or nothing.
  std::optional<SPIDescription> Find(const std::string& pluginPath, const SPIFileStamp& stamp) const;
  // Keeps a description: of a plug-in, or of a library that is none. A
  // library that could not be loaded may load another time and is not kept.
  void Store(const std::string& pluginPath, const SPIFileStamp& stamp, const SPIDescription& described);
  // Writes the file when something changed; entries of plug-in files that
  // are gone are left out. A cache file that is there but could not be read
  // is never written over.
  void Save();

 private:
  struct Entry {
    SPIFileStamp stamp;
    SPIDescription described;
  };
  void Read();

  std::string path_;
  std::map<std::string, Entry> entries_;
  bool changed_ = false;
  bool unread_ = false;
};

}  // namespace kaleidon
