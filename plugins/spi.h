#pragma once
// One loaded image plug-in: a library (*.spi) that follows the published
// Susie plug-in API. The object loads the library, reads its
// self-description (API version tag, description, pairs of file filter and
// file-type name) and binds the entry points; its class is chosen at run
// time from the version tag (CreateSPI).
//
// The plug-in interface is ANSI and stdcall: names and texts are converted
// between UTF-8 and the system ANSI code page at the calls. Every resource a
// failed construction had acquired is released once before the exception
// leaves (the members own them).
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "framework/base/exception.h"

namespace kaleidon {

// The library has no GetPluginInfo, or an import plug-in lacks one of its
// required entry points.
class ESPIInvalidSPI : public framework::Exception {
 public:
  using Exception::Exception;
};

// An entry point was called that the plug-in does not have.
class ESPIInvalidAPI : public framework::Exception {
 public:
  using Exception::Exception;
};

// The library cannot be loaded.
class ESPIFOpenErrorSPI : public framework::Exception {
 public:
  using Exception::Exception;
};

// A second plug-in collection was made.
class ESPIDupCreateSPIs : public framework::Exception {
 public:
  using Exception::Exception;
};

// The picture information record the plug-in fills: byte-packed, 26 bytes for
// 32-bit plug-ins, 30 for 64-bit ones (the same fields, an 8-byte handle).
#pragma pack(push, 1)
struct SPIPictureInfo {
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
  uint16_t xDensity;
  uint16_t yDensity;
  int16_t colorDepth;
  HLOCAL info;  // local memory holding text information, or null
};
#pragma pack(pop)
static_assert(sizeof(SPIPictureInfo) == (sizeof(void*) == 4 ? 26 : 30), "the plug-in API's record layout");

// The progress callback handed to GetPicture: (number, denominator, the
// caller's value); non-zero asks the plug-in to stop.
using SPIProgressCallback = int(WINAPI*)(int number, int denominator, LONG_PTR user);

// Entry points, as the plug-in exports them.
using GetPluginInfoProc = int(WINAPI*)(int number, char* buffer, int length);
using IsSupportedProc = int(WINAPI*)(const char* fileName, DWORD_PTR data);
using GetPictureInfoProc = int(WINAPI*)(const char* buffer, LONG length, UINT flag, SPIPictureInfo* info);
using GetPictureProc = int(WINAPI*)(const char* buffer, LONG length, UINT flag, HLOCAL* info, HLOCAL* bits,
                                    SPIProgressCallback progress, LONG_PTR user);

// Flag of GetPictureInfo and GetPicture: the buffer holds the data itself.
constexpr UINT kSPIInputMemory = 1;

// A plug-in of any API version tag: its library and self-description.
class TSPI {
 public:
  // Loads the library and reads its description. Raises ESPIFOpenErrorSPI
  // when it cannot be loaded and ESPIInvalidSPI when it has no GetPluginInfo.
  explicit TSPI(const std::string& fileName);
  virtual ~TSPI();
  TSPI(const TSPI&) = delete;
  TSPI& operator=(const TSPI&) = delete;

  HMODULE Handle() const { return module_.get(); }
  // The module's path as the system reports it (the given name when it
  // reports none).
  const std::string& FileName() const { return fileName_; }
  const std::string& Version() const { return version_; }
  const std::string& Description() const { return description_; }
  // Entry k of Filters is a file filter ("*.ext"), entry k of FileTypes the
  // name of its file type; both lists are always as long.
  const std::vector<std::string>& Filters() const { return filters_; }
  const std::vector<std::string>& FileTypes() const { return fileTypes_; }

  // The entry point itself; its result unchanged.
  int GetPluginInfo(int number, char* buffer, int length) const;

 protected:
  // The export of that name as an entry point of type Proc, or null.
  template <typename Proc>
  Proc Bind(const char* exportName) const {
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module_.get(), exportName)));
  }
  // ESPIInvalidSPI for this library.
  [[noreturn]] void RaiseInvalidSPI() const;
  // ESPIInvalidAPI for an entry point this library lacks.
  [[noreturn]] void RaiseInvalidAPI(const char* entryPoint) const;

 private:
  struct ModuleRelease {
    void operator()(HMODULE module) const { FreeLibrary(module); }
  };
  // Declared first, so the library goes last, after everything read from it.
  std::unique_ptr<HINSTANCE__, ModuleRelease> module_;
  std::string fileName_;
  std::string version_;
  std::string description_;
  std::vector<std::string> filters_;
  std::vector<std::string> fileTypes_;
  GetPluginInfoProc getPluginInfo_ = nullptr;
};

// An import plug-in (tag "00IN"): reads pictures.
class TInSPI : public TSPI {
 public:
  // Raises ESPIInvalidSPI when IsSupported, GetPictureInfo or GetPicture is
  // missing; GetPreview may be missing.
  explicit TInSPI(const std::string& fileName);

  // The entry points themselves; results unchanged. fileName is ANSI.
  int IsSupported(const char* fileName, DWORD_PTR data) const;
  int GetPictureInfo(const char* buffer, LONG length, UINT flag, SPIPictureInfo* info) const;
  int GetPicture(const char* buffer, LONG length, UINT flag, HLOCAL* info, HLOCAL* bits, SPIProgressCallback progress,
                 LONG_PTR user) const;

 private:
  IsSupportedProc isSupported_ = nullptr;
  GetPictureInfoProc getPictureInfo_ = nullptr;
  GetPictureProc getPicture_ = nullptr;
  void (*getPreview_)() = nullptr;  // bound, never called
};

// Tag "00XN".
class TXnSPI : public TSPI {
 public:
  using TSPI::TSPI;
};

// Tag "00AM".
class TAmSPI : public TSPI {
 public:
  using TSPI::TSPI;
};

// A plug-in class as a value: how to make one, and whether an object is of
// the class or a descendant.
struct TSPIClass {
  std::unique_ptr<TSPI> (*create)(const std::string& fileName);
  bool (*isInstance)(const TSPI& spi);
};

template <class T>
TSPIClass SPIClassOf() {
  return {[](const std::string& fileName) -> std::unique_ptr<TSPI> { return std::make_unique<T>(fileName); },
          [](const TSPI& spi) {
            if constexpr (std::is_same_v<T, TSPI>)
              return true;
            else
              return dynamic_cast<const T*>(&spi) != nullptr;
          }};
}

// The class a version tag selects (compared exactly): "00IN" TInSPI, "00AM"
// TAmSPI, "00XN" TXnSPI, anything else TSPI.
TSPIClass SPIClassForVersion(const std::string& version);

// A new plug-in object of the class its tag selects, or null when the file
// is not a usable plug-in (cannot be loaded, or lacks a required entry
// point). Other exceptions go on to the caller.
std::unique_ptr<TSPI> CreateSPI(const std::string& fileName);

}  // namespace kaleidon
