#include "plugins/spi.h"

#include <cstring>

#include "framework/base/paths.h"
#include "framework/base/text.h"

namespace kaleidon {

namespace {

constexpr const char* kLoadFailed = "%s:Susie Pluginがロードできませんでした";
constexpr const char* kNotAPlugin = "%s:認識できないSusie Pluginです";
constexpr const char* kNotUsable = "%sは[%s]では使えないSusie Plugin APIです";

// The buffer handed to GetPluginInfo, and the length the plug-in is told.
constexpr int kInfoBufferSize = 256;
constexpr int kInfoLength = 255;

// Loads a plug-in library. A name with a folder is loaded by its full path;
// the libraries it needs come from its own folder and the program's safe
// search places (program folder, system folders), never from the working
// folder, whatever the process's own search order.
HMODULE LoadPluginLibrary(const std::string& fileName) {
  std::wstring name = framework::Widen(fileName);
  DWORD flags = LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
  if (!framework::ExtractFilePath(fileName).empty()) {
    DWORD n = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    std::wstring full(n, L'\0');
    n = n ? GetFullPathNameW(name.c_str(), n, full.data(), nullptr) : 0;
    if (n > 0 && n < full.size()) {
      full.resize(n);
      name = full;
      flags |= LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR;
    }
  }
  // A file that is no library must not bring up a system error box.
  DWORD oldMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
  HMODULE module = LoadLibraryExW(name.c_str(), nullptr, flags);
  // A loader without the search flags (Windows 7 before its 2011 update)
  // refuses them; there the program has already dropped the working folder
  // from its search order.
  if (!module && GetLastError() == ERROR_INVALID_PARAMETER) module = LoadLibraryW(name.c_str());
  SetThreadErrorMode(oldMode, nullptr);
  return module;
}

std::string ModulePath(HMODULE module) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return framework::Narrow(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

TSPI::TSPI(const std::string& fileName) {
  module_.reset(LoadPluginLibrary(fileName));
  if (!module_) throw ESPIFOpenErrorSPI(framework::FormatText(kLoadFailed, {fileName}));
  fileName_ = ModulePath(module_.get());
  if (fileName_.empty()) fileName_ = fileName;
  getPluginInfo_ = Bind<GetPluginInfoProc>("GetPluginInfo");
  if (!getPluginInfo_) RaiseInvalidSPI();

  // The text of one info number, or nothing when the plug-in has none.
  auto info = [this](int number, std::string& text) {
    char buffer[kInfoBufferSize] = {};
    if (GetPluginInfo(number, buffer, kInfoLength) <= 0) return false;
    text = framework::FromAnsi(std::string_view(buffer, strnlen(buffer, sizeof buffer)));
    return true;
  };
  info(0, version_);
  info(1, description_);
  for (int i = 2;; i += 2) {
    std::string filter, fileType;
    bool hasFilter = info(i, filter);
    bool hasType = info(i + 1, fileType);  // asked even when the filter is missing
    if (!hasFilter || !hasType) break;
    filters_.push_back(std::move(filter));
    fileTypes_.push_back(std::move(fileType));
  }
}

TSPI::~TSPI() = default;

void TSPI::RaiseInvalidSPI() const { throw ESPIInvalidSPI(framework::FormatText(kNotAPlugin, {fileName_})); }

void TSPI::RaiseInvalidAPI(const char* entryPoint) const {
  throw ESPIInvalidAPI(framework::FormatText(kNotUsable, {entryPoint, fileName_}));
}

int TSPI::GetPluginInfo(int number, char* buffer, int length) const {
  if (!getPluginInfo_) RaiseInvalidAPI("GetPluginInfo");
  return getPluginInfo_(number, buffer, length);
}

TInSPI::TInSPI(const std::string& fileName) : TSPI(fileName) {
  isSupported_ = Bind<IsSupportedProc>("IsSupported");
  if (!isSupported_) RaiseInvalidSPI();
  getPictureInfo_ = Bind<GetPictureInfoProc>("GetPictureInfo");
  if (!getPictureInfo_) RaiseInvalidSPI();
  getPicture_ = Bind<GetPictureProc>("GetPicture");
  if (!getPicture_) RaiseInvalidSPI();
  getPreview_ = Bind<void (*)()>("GetPreview");
}

int TInSPI::IsSupported(const char* fileName, DWORD_PTR data) const {
  if (!isSupported_) RaiseInvalidAPI("IsSupported");
  return isSupported_(fileName, data);
}

int TInSPI::GetPictureInfo(const char* buffer, LONG length, UINT flag, SPIPictureInfo* info) const {
  if (!getPictureInfo_) RaiseInvalidAPI("GetPictureInfo");
  return getPictureInfo_(buffer, length, flag, info);
}

int TInSPI::GetPicture(const char* buffer, LONG length, UINT flag, HLOCAL* info, HLOCAL* bits,
                       SPIProgressCallback progress, LONG_PTR user) const {
  if (!getPicture_) RaiseInvalidAPI("GetPicture");
  return getPicture_(buffer, length, flag, info, bits, progress, user);
}

TSPIClass SPIClassForVersion(const std::string& version) {
  if (version == "00IN") return SPIClassOf<TInSPI>();
  if (version == "00AM") return SPIClassOf<TAmSPI>();
  if (version == "00XN") return SPIClassOf<TXnSPI>();
  return SPIClassOf<TSPI>();
}

std::unique_ptr<TSPI> CreateSPI(const std::string& fileName) {
  try {
    // The probe reads the tag; the object of the chosen class loads the
    // library once more (the system counts references), so the library
    // stays when the probe goes.
    std::unique_ptr<TSPI> probe = std::make_unique<TSPI>(fileName);
    return SPIClassForVersion(probe->Version()).create(fileName);
  } catch (const ESPIInvalidSPI&) {
    return nullptr;
  } catch (const ESPIFOpenErrorSPI&) {
    return nullptr;
  }
}

}  // namespace kaleidon
