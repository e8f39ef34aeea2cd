#include "core/filterlist.h"

#include <algorithm>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "framework/imaging/graphics.h"

namespace kaleidon {

namespace {

// What the file-type lists show besides the formats' own descriptions.
constexpr const char* kArchiveDescription = "ｱｰｶｲﾌﾞﾌｧｲﾙ";
constexpr const char* kAllPicturesEntry = "すべて";        // the main window's combined entry
constexpr const char* kCustomEntry = "カスタムフィルタ";   // the user's own mask
constexpr const char* kAllFilesEntry = "すべてのﾌｧｲﾙ";     // the options' combined entry

const PictureFormat kArchiveFormat{"LZH", kArchiveDescription};

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
  std::string text = std::string(kAllPicturesEntry) + " (" + all + ")|" + all;
  for (const PictureFormat& f : formats) {
    // Archives stay reachable only through the combined entry.
    if (archiveLibraryInstalled && &f == &formats.front()) continue;
    text += "|" + Entry(f);
  }
  text += std::string("|") + kCustomEntry + "|" + customMask;
  return text;
}

std::string BuildFormatListText(const std::vector<PictureFormat>& newestFirst, bool archiveLibraryInstalled) {
  const std::vector<PictureFormat> formats = WithArchives(newestFirst, archiveLibraryInstalled);
  std::string text;
  if (formats.size() > 1) text = std::string(kAllFilesEntry) + " (" + AllPatterns(formats) + ")|" + AllPatterns(formats);
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

std::string FilterMask(const std::string& filterText, int index) {
  // "description|mask" pairs; a description with no mask after it is dropped.
  std::vector<std::string> tokens;
  for (size_t start = 0; !filterText.empty();) {
    const size_t bar = filterText.find('|', start);
    tokens.push_back(filterText.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  const int entries = static_cast<int>(tokens.size() / 2);
  if (entries == 0) return "*.*";
  if (index < 0 || index >= entries) index = entries - 1;
  return tokens[static_cast<size_t>(index) * 2 + 1];
}

}  // namespace kaleidon
