#pragma once
// TSPIs: the program's one collection of image plug-ins. It finds plug-in
// libraries in a set of folders, keeps one object per loaded library,
// registers the file types of every import plug-in with the picture class
// (so files of those types load as TSPIBitmap) and answers which plug-ins
// may read a given file.
//
// Life of the collection: construct it, set its properties and events, then
// call Loaded(), which searches when AutoSearch is on. Destroying it frees
// every plug-in; the file types it registered stay registered.
//
// A plug-in that crashes, hangs or writes past its buffers while it is
// called (in the plug-in host) is set aside for the rest of the run, and
// OnSetAside names it once.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "framework/imaging/graphics.h"
#include "plugins/spi.h"
#include "plugins/spicache.h"

namespace kaleidon {

enum TSPISearchOption : uint8_t { spsSusieDir, spsAppDir, spsCurrentDir, spsSystemDir, spsWindowsDir };

// A set of search options in one byte, bit n standing for option n.
class TSPISearchOptions {
 public:
  constexpr TSPISearchOptions() = default;
  constexpr TSPISearchOptions(std::initializer_list<TSPISearchOption> options) {
    for (TSPISearchOption o : options) bits_ |= static_cast<uint8_t>(1u << o);
  }
  constexpr bool Contains(TSPISearchOption option) const { return (bits_ >> option) & 1u; }
  constexpr uint8_t Bits() const { return bits_; }
  constexpr bool operator==(const TSPISearchOptions&) const = default;

 private:
  uint8_t bits_ = 0;
};

// A graphic class as the picture class's registry knows one: its kind and
// how to make an object of it. An empty one is "none".
struct TGraphicClass {
  std::string kind;
  framework::GraphicFactory factory;
  explicit operator bool() const { return static_cast<bool>(factory); }
};

class TSPIs;
// Sent for each plug-in just loaded by a search; clearing accept drops it.
using TSPISearchEvent = std::function<void(TSPIs& sender, TSPI& spi, bool& accept)>;
// Sent for each file type of an import plug-in before it is registered;
// setting graphicClass to none keeps the type unregistered.
using TSPIPictureRegisterEvent = std::function<void(TSPIs& sender, TInSPI& spi, const std::string& extension,
                                                    const std::string& description, TGraphicClass& graphicClass)>;
// Sent once for each plug-in file set aside.
using TSPISetAsideEvent = std::function<void(TSPIs& sender, const std::string& fileName)>;

class TSPIs {
 public:
  // Raises ESPIDupCreateSPIs when a collection lives already (that one stays
  // the program's collection).
  TSPIs();
  ~TSPIs();
  TSPIs(const TSPIs&) = delete;
  TSPIs& operator=(const TSPIs&) = delete;

  // Properties.
  bool AutoSearch = true;
  TSPISearchOptions SearchOptions = {spsSusieDir, spsAppDir};
  TSPISearchEvent OnSearch;
  TSPIPictureRegisterEvent OnPictureRegister;
  TSPISetAsideEvent OnSetAside;
  // The file that keeps the plug-ins' descriptions between runs (see
  // spicache.h); none when empty.
  std::string FormatCacheFile;

  // After the properties are set: Search("*.spi") when AutoSearch.
  void Loaded();

  // Loads every plug-in file matching mask that the collection does not hold
  // yet. A mask with a folder searches that folder alone; otherwise the
  // folders of SearchOptions are visited in the order of the options: the
  // plug-in folder the image viewer Susie registered for the current user,
  // the program folder, the working folder, the system folder, the Windows
  // folder.
  void Search(const std::string& mask);
  // One folder (with a trailing '\'): ordinary and system files matching
  // mask, hidden ones not. Files that are not usable plug-ins, plug-ins the
  // OnSearch handler refuses and plug-ins whose registration raises are
  // left out without a message; a plug-in that fails while it is read is
  // set aside.
  void SearchFolder(const std::string& folder, const std::string& mask);

  int Count() const { return static_cast<int>(items_.size()); }
  TSPI& Items(int index) const;
  void Add(std::unique_ptr<TSPI> spi) { Insert(Count(), std::move(spi)); }
  // Puts the plug-in at index and registers the file types of an import
  // plug-in. When a registration raises, the plug-in is taken out again and
  // freed, and the exception goes on.
  void Insert(int index, std::unique_ptr<TSPI> spi);
  // Frees the plug-in at index (its library is released).
  void Delete(int index);
  void Clear();
  // The first position whose plug-in's FileName equals fileName exactly, or -1.
  int IndexOf(const std::string& fileName) const;

  // Appends to list the plug-ins of the given classes (or their
  // descendants) that may read fileName: first those whose filters claim
  // its extension (the one latest in the collection first), then the others
  // in collection order.
  void FindSPIs(const std::vector<TSPIClass>& classes, std::vector<TSPI*>& list, const std::string& fileName) const;

  // Sets the plug-in aside for the rest of the run and tells OnSetAside,
  // once per file.
  void SetAside(TSPI& spi);

  // The graphic class offered for plug-in file types (TSPIBitmap unless set
  // otherwise).
  static void SetGraphicClass(TGraphicClass graphicClass);
  static const TGraphicClass& GraphicClass();

 private:
  // The folders of SearchOptions, in search order, each with a trailing '\'.
  std::vector<std::string> SearchFolders() const;
  void RegisterFileTypes(TInSPI& spi);
  // The plug-in at path, described from the cache or by the host.
  std::unique_ptr<TSPI> Load(const std::string& path, const SPIFileStamp& stamp);
  void NoteSetAside(const std::string& fileName);
  // Whether a plug-in of the collection was loaded from this file.
  bool HoldsFile(const SPIFileStamp& stamp) const;
  void CheckIndex(int index) const;

  std::vector<std::unique_ptr<TSPI>> items_;
  std::set<std::string> setAside_;
  std::optional<SPIFormatCache> cache_;
};

// The program's collection, or null when none lives.
TSPIs* GlobalSPIs();

// The extension of a file filter from its last dot on, dot included, at
// most 255 characters after the dot ("" without a dot): "*.pnm;*.ppm" gives
// ".ppm".
std::string FilterExtension(const std::string& filter);

}  // namespace kaleidon
