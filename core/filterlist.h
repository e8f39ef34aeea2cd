#pragma once
// The file-type list of the main window's file-type box.
#include <string>
#include <vector>

namespace kaleidon {

struct PictureFormat {
  std::string extension;  // without the dot
  std::string description;
};

// The filter text "desc|mask|desc|mask..." built from the known picture
// formats (newest registration first): the combined "すべて" entry, one
// entry per format, and the custom filter with customMask. With the archive
// library installed, archives join the combined entry only.
std::string BuildFilterText(const std::vector<PictureFormat>& newestFirst, bool archiveLibraryInstalled,
                            const std::string& customMask);

// The mask of entry index of a filter text, as the file-type box gives it:
// an index beyond the entries takes the last entry; "*.*" when there is none.
std::string FilterMask(const std::string& filterText, int index);

// The format list of the options' custom-mask page "desc|mask|...": one
// entry per format, newest registration first (archives first when the
// archive library is installed), after a first entry "すべてのﾌｧｲﾙ" with all
// their patterns when there is more than one format.
std::string BuildFormatListText(const std::vector<PictureFormat>& newestFirst, bool archiveLibraryInstalled);

// The picture class's registered formats, newest registration first.
std::vector<PictureFormat> RegisteredPictureFormats();

// Whether "unlha32.dll" lies in the folder (by default the system folder).
bool ArchiveLibraryInstalledIn(const std::string& folder);
bool ArchiveLibraryInSystemFolder();

}  // namespace kaleidon
