#include "plugins/spis.h"

#include <windows.h>

#include <algorithm>
#include <exception>
#include <optional>

#include "framework/base/paths.h"
#include "framework/base/text.h"
#include "plugins/spibitmap.h"

namespace kaleidon {

namespace {

constexpr const char* kDuplicate = "TSPIs は複数生成できません";
constexpr wchar_t kSusieKey[] = L"Software\\Zembrick\\Susie\\Plug-in";
constexpr size_t kMaxExtensionLength = 255;

TSPIs* liveCollection = nullptr;

TGraphicClass& OfferedGraphicClass() {
  static TGraphicClass graphicClass = TSPIBitmap::GraphicClass();
  return graphicClass;
}

// The plug-in folder the image viewer registered for the current user; ""
// when there is none or it cannot be read.
std::string SusieFolder() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kSusieKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  std::wstring value;
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(key, L"Path", nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    value.assign(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, L"Path", nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS)
      value.clear();
    value.resize(wcsnlen(value.c_str(), value.size()));
    if (type == REG_EXPAND_SZ) {
      std::wstring expanded(ExpandEnvironmentStringsW(value.c_str(), nullptr, 0), L'\0');
      DWORD n = ExpandEnvironmentStringsW(value.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
      value = n > 0 && n <= expanded.size() ? expanded.substr(0, n - 1) : std::wstring();
    }
  }
  RegCloseKey(key);
  return framework::Narrow(value);
}

// A folder a system call writes into a buffer ("" when it fails).
template <typename Call>
std::string SystemPath(Call call) {
  wchar_t buffer[MAX_PATH];
  UINT n = call(buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? framework::Narrow(std::wstring_view(buffer, n)) : std::string();
}

}  // namespace

TSPIs* GlobalSPIs() { return liveCollection; }

std::string FilterExtension(const std::string& filter) {
  std::string ext = framework::ExtractFileExt(filter);
  return ext.empty() ? ext : "." + framework::FirstCharacters(std::string_view(ext).substr(1), kMaxExtensionLength);
}

TSPIs::TSPIs() {
  if (liveCollection) throw ESPIDupCreateSPIs(kDuplicate);
  liveCollection = this;
}

TSPIs::~TSPIs() {
  if (liveCollection == this) liveCollection = nullptr;
  Clear();
}

void TSPIs::Loaded() {
  if (AutoSearch) Search("*.spi");
}

void TSPIs::SetGraphicClass(TGraphicClass graphicClass) { OfferedGraphicClass() = std::move(graphicClass); }

const TGraphicClass& TSPIs::GraphicClass() { return OfferedGraphicClass(); }

std::vector<std::string> TSPIs::SearchFolders() const {
  std::vector<std::string> folders;
  auto add = [&](TSPISearchOption option, auto folder) {
    if (!SearchOptions.Contains(option)) return;
    std::string path = folder();
    if (!path.empty()) folders.push_back(framework::JoinPath(path, ""));
  };
  add(spsSusieDir, SusieFolder);
  add(spsAppDir, framework::ProgramFolder);
  add(spsCurrentDir, [] { return SystemPath([](wchar_t* b, UINT n) { return GetCurrentDirectoryW(n, b); }); });
  add(spsSystemDir, [] { return SystemPath(GetSystemDirectoryW); });
  add(spsWindowsDir, [] { return SystemPath(GetWindowsDirectoryW); });
  return folders;
}

void TSPIs::Search(const std::string& mask) {
  if (!FormatCacheFile.empty() && !cache_) cache_.emplace(FormatCacheFile);
  std::string folder = framework::ExtractFilePath(mask);
  if (!folder.empty()) {
    SearchFolder(framework::JoinPath(folder, ""), framework::ExtractFileName(mask));
  } else {
    for (const std::string& f : SearchFolders()) SearchFolder(f, mask);
  }
  if (cache_) cache_->Save();
}

void TSPIs::SearchFolder(const std::string& folder, const std::string& mask) {
  // Every name first, before any library is loaded.
  std::vector<std::string> paths;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(framework::Widen(folder + mask).c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      // Read-only, system and archive files: hidden files and folders stay out.
      constexpr DWORD kSkipped = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY | 0x08 /* volume label */;
      if (found.dwFileAttributes & kSkipped) continue;
      std::string path = folder + framework::Narrow(found.cFileName);
      if (IndexOf(path) == -1) paths.push_back(std::move(path));
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }

  for (const std::string& path : paths) {
    // The same file reached under another spelling of its path (letter
    // case, short names) is loaded already.
    std::optional<SPIFileStamp> stamp = ReadFileStamp(path);
    const std::string fullPath = SPIFullPath(path);
    if (!stamp || HoldsFile(*stamp) || setAside_.count(fullPath)) continue;
    std::unique_ptr<TSPI> spi;
    try {
      spi = Load(path, *stamp);
    } catch (const ESPIHostFailure&) {
      NoteSetAside(fullPath);
      continue;
    } catch (const ESPIHostUnavailable&) {
      continue;
    }
    if (!spi) continue;
    try {
      bool accept = true;
      if (OnSearch) OnSearch(*this, *spi, accept);
      if (accept) Add(std::move(spi));
    } catch (const std::exception&) {
      // The plug-in is left out (freed when spi goes); the search goes on.
    }
  }
}

std::unique_ptr<TSPI> TSPIs::Load(const std::string& path, const SPIFileStamp& stamp) {
  std::shared_ptr<SPIHost> host = SharedSPIHost();
  std::optional<SPIDescription> described;
  if (cache_) described = cache_->Find(path, stamp);
  if (!described) {
    described = host->Describe(SPIFullPath(path));
    if (cache_) cache_->Store(path, stamp, *described);
  }
  return CreateSPI(path, *described, host);
}

bool TSPIs::HoldsFile(const SPIFileStamp& stamp) const {
  return std::any_of(items_.begin(), items_.end(),
                     [&](const auto& p) { return p->Stamp() && p->Stamp()->SameFile(stamp); });
}

void TSPIs::SetAside(TSPI& spi) {
  spi.MarkSetAside();
  NoteSetAside(spi.FileName());
}

void TSPIs::NoteSetAside(const std::string& fileName) {
  if (!setAside_.insert(fileName).second) return;
  if (OnSetAside) OnSetAside(*this, fileName);
}

void TSPIs::Insert(int index, std::unique_ptr<TSPI> spi) {
  if (!spi) return;
  index = std::clamp(index, 0, Count());
  TSPI& added = **items_.insert(items_.begin() + index, std::move(spi));
  if (auto* in = dynamic_cast<TInSPI*>(&added)) {
    try {
      RegisterFileTypes(*in);
    } catch (...) {
      // Never keep an object that the caller may drop.
      items_.erase(items_.begin() + index);
      throw;
    }
  }
}

void TSPIs::RegisterFileTypes(TInSPI& spi) {
  for (size_t k = 0; k < spi.Filters().size(); ++k) {
    std::string extension = FilterExtension(spi.Filters()[k]);
    if (!extension.empty()) extension.erase(0, 1);
    const std::string& description = spi.FileTypes()[k];
    TGraphicClass graphicClass = GraphicClass();
    if (OnPictureRegister) OnPictureRegister(*this, spi, extension, description, graphicClass);
    // A filter without an extension names no file type to register, and a
    // type registered just so already (by an earlier collection, or another
    // copy of the plug-in) is not listed twice.
    if (!graphicClass || extension.empty()) continue;
    std::optional<framework::FileFormat> newest = framework::Picture::FindFileFormat(extension);
    if (newest && newest->kind == graphicClass.kind && newest->description == description) continue;
    framework::Picture::RegisterFileFormat(extension, description, graphicClass.kind, graphicClass.factory);
  }
}

TSPI& TSPIs::Items(int index) const {
  CheckIndex(index);
  return *items_[static_cast<size_t>(index)];
}

void TSPIs::Delete(int index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
}

void TSPIs::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw framework::Exception("プラグインの位置が範囲外です");
}

void TSPIs::Clear() {
  while (Count() > 0) Delete(0);
}

int TSPIs::IndexOf(const std::string& fileName) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<size_t>(i)]->FileName() == fileName) return i;
  return -1;
}

void TSPIs::FindSPIs(const std::vector<TSPIClass>& classes, std::vector<TSPI*>& list,
                     const std::string& fileName) const {
  const std::string ext = framework::ExtractFileExt(fileName);
  auto claims = [&](const TSPI& spi) {
    return std::any_of(spi.Filters().begin(), spi.Filters().end(), [&](const std::string& filter) {
      return framework::AsciiLower(FilterExtension(filter)) == framework::AsciiLower(ext);
    });
  };
  auto ofClasses = [&](const TSPI& spi) {
    return std::any_of(classes.begin(), classes.end(), [&](const TSPIClass& c) { return c.isInstance(spi); });
  };
  std::vector<TSPI*> claiming, others;
  for (const auto& p : items_) {
    if (!ofClasses(*p)) continue;
    if (!ext.empty() && claims(*p))
      claiming.insert(claiming.begin(), p.get());
    else
      others.push_back(p.get());
  }
  // Inserting at the front of list: the claiming ones come before whatever
  // list held already.
  list.insert(list.begin(), claiming.begin(), claiming.end());
  list.insert(list.end(), others.begin(), others.end());
}

}  // namespace kaleidon
