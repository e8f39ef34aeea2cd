#include "core/filterlist.h"

#include "framework/paths.h"
#include "framework/text.h"

namespace kaleidon {

namespace {
const PictureFormat kArchiveFormat{"LZH", "ｱｰｶｲﾌﾞﾌｧｲﾙ"};

std::string Pattern(const PictureFormat& f) { return "*." + framework::AsciiLower(f.extension); }
std::string Entry(const PictureFormat& f) { return f.description + " (" + Pattern(f) + ")|" + Pattern(f); }
}  // namespace

std::string BuildFilterText(const std::vector<PictureFormat>& newestFirst, bool archiveLibraryInstalled,
                            const std::string& customMask) {
  // The archive format is known only while the text is built, as the newest.
  std::vector<PictureFormat> formats;
  if (archiveLibraryInstalled) formats.push_back(kArchiveFormat);
  formats.insert(formats.end(), newestFirst.begin(), newestFirst.end());

  std::string all;
  for (const PictureFormat& f : formats) all += (all.empty() ? "" : ";") + Pattern(f);
  std::string text = "すべて (" + all + ")|" + all;
  for (const PictureFormat& f : formats) {
    // Archives stay reachable only through the combined entry.
    if (archiveLibraryInstalled && &f == &formats.front()) continue;
    text += "|" + Entry(f);
  }
  text += "|カスタムフィルタ|" + customMask;
  return text;
}

bool ArchiveLibraryInstalledIn(const std::string& folder) {
  return framework::FileExists(framework::JoinPath(folder, "unlha32.dll"));
}

bool ArchiveLibraryInSystemFolder() { return ArchiveLibraryInstalledIn(framework::SystemFolder()); }

}  // namespace kaleidon
