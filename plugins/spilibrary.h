#pragma once
// One image plug-in library (*.spi, the Susie plug-in API) loaded into the
// process that calls it, which is the plug-in host process: the program
// itself never loads a plug-in (spihost.h).
//
// Every call follows the same rules at the border: the buffers handed to
// the plug-in have slack behind them and guard bytes behind the slack, which
// are checked after the call; at most kMaxPluginFormats info pairs are read;
// a handle the plug-in hands over is taken once, refused when it comes twice,
// and freed once on every path, also after an error answer.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "plugins/spihostprotocol.h"

namespace kaleidon {

// The picture information record GetPictureInfo fills: byte-packed, 26 bytes
// for 32-bit plug-ins, 30 for 64-bit ones (the same fields, an 8-byte handle).
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

// IsSupported may read this many bytes of the data.
inline constexpr size_t kLeastReadable = 2048;

class SPILibrary {
 public:
  // Loads the library by its full path. A library that cannot be loaded
  // makes an object all the same, which describes itself as NotLoadable.
  explicit SPILibrary(const std::string& path);
  ~SPILibrary();
  SPILibrary(const SPILibrary&) = delete;
  SPILibrary& operator=(const SPILibrary&) = delete;

  bool Loaded() const { return module_ != nullptr; }

  // The API version tag, description and format pairs (info numbers 0, 1,
  // then pairs from 2 on until either of a pair is absent, at most
  // kMaxPluginFormats pairs), and the entry points present.
  SPIDescription Describe();

  // Receives the blocks of a picture while they are locked.
  using Delivery = std::function<void(std::string_view info, std::string_view bits, SPIAttemptReply& reply)>;
  // One attempt on the data: IsSupported with the first 2048 bytes (short
  // data padded with zeros), GetPictureInfo, GetPicture; the picture is
  // handed to deliver. fileName is ANSI. The data must be followed by
  // kPictureDataSlack readable bytes unless it is shorter than 2048 bytes.
  SPIAttemptReply Attempt(const std::string& fileName, const char* data, size_t length, const Delivery& deliver);
  // IsSupported and GetPictureInfo alone, on data as Attempt takes it: the
  // picture's numbers, and no pixel of it decoded.
  SPIInfoReply PictureInfo(const std::string& fileName, const char* data, size_t length);

 private:
  struct ModuleRelease {
    void operator()(HMODULE module) const { FreeLibrary(module); }
  };
  std::unique_ptr<HINSTANCE__, ModuleRelease> module_;
  GetPluginInfoProc getPluginInfo_ = nullptr;
  IsSupportedProc isSupported_ = nullptr;
  GetPictureInfoProc getPictureInfo_ = nullptr;
  GetPictureProc getPicture_ = nullptr;
  bool hasPreview_ = false;
};

}  // namespace kaleidon
