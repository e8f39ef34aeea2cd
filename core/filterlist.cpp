#include "core/filterlist.h"

#include <algorithm>

#include "framework/imaging/graphics.h"
#include "framework/base/paths.h"
#include "framework/base/text.h"

namespace kaleidon {

namespace {
const PictureFormat kArchiveFormat{"LZH", "ｱｰｶｲﾌﾞﾌｧｲﾙ"};

std::string Pattern(const PictureFormat& f) { return "*." + framework::AsciiLower(f.extension); }
std::string Entry(const PictureFormat& f) { return f.description + " (" + Pattern(f) + ")|" + Pattern(f); }

// The archive format is known only while a list is built, as the newest.
std::vector<PictureFormat> WithArchives(const std::vector<PictureFormat>& newestFirst, bool archiveLibraryInstalled) {
  std::vector<PictureFormat> formats;
  if (archiveLibraryInstalled) formats.push_back(kArchiveFormat);
  formats.insert(formats.end(), newestFirst.begin(), newestFirst.end());
  return formats;
}

// Every format's pattern, joined by ";".
std::string AllPatterns(const std::vector<PictureFormat>& formats) {
  std::string all;
  for (const PictureFormat& f : formats) all += (all.empty() ? "" : ";") + Pattern(f);
  return all;
}

}  // namespace

std::string BuildFilterText(const std::vector<PictureFormat>& newestFirst, bool archiveLibraryInstalled,
                            const std::string& customMask) {
  const std::vector<PictureFormat> formats = WithArchives(newestFirst, archiveLibraryInstalled);
  const std::string all = AllPatterns(formats);
  std::string text = "すべて (" + all + ")|" + all;
  for (const PictureFormat& f : formats) {
    // Archives stay reachable only through the combined entry.
    if (archiveLibraryInstalled && &f == &formats.front()) continue;
    text += "|" + Entry(f);
  }
  text += "|カスタムフィルタ|" + customMask;
  return text;
}

std::string BuildFormatListText(const std::vector<PictureFormat>& newestFirst, bool archiveLibraryInstalled) {
  const std::vector<PictureFormat> formats = WithArchives(newestFirst, archiveLibraryInstalled);
  std::string text;
  if (formats.size() > 1) text = "すべてのﾌｧｲﾙ (" + AllPatterns(formats) + ")|" + AllPatterns(formats);
  for (const PictureFormat& f : formats) text += (text.empty() ? "" : "|") + Entry(f);
  return text;
}

std::vector<PictureFormat> RegisteredPictureFormats() {
  std::vector<PictureFormat> formats;
  for (const auto& f : framework::Picture::Formats()) formats.push_back({f.extension, f.description});
  std::reverse(formats.begin(), formats.end());
  return formats;
}

bool ArchiveLibraryInstalledIn(const std::string& folder) {
  return framework::FileExists(framework::JoinPath(folder, "unlha32.dll"));
}

bool ArchiveLibraryInSystemFolder() { return ArchiveLibraryInstalledIn(framework::SystemFolder()); }

}  // namespace kaleidon
